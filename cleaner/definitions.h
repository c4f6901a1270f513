// Clean items described as data: the sections of the shipped definitions
// file "kvrn.dat" and of the user's custom list "Custom.dat", both INI
// files in the program's folder. Each line of a section names one
// registry key or value ("DelRegValue1=HKEY_CURRENT_USER\Software\Foo")
// or one folder, folder's contents or set of files
// ("DelFile1=%windir%\Temp,*.tmp") to remove.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "cleaner/clean_run.h"
#include "platform/platform.h"

namespace nc::cleaner {

inline constexpr std::string_view kDefinitionsFileName = "kvrn.dat";
inline constexpr std::string_view kCustomListFileName = "Custom.dat";
inline constexpr std::string_view kCustomListSection = "<New List>";

// Runs the section that `runName` selects in the list file `fileName` of
// the program's folder: every entry in file order, counted into
// ItemCount, with ItemSize and ItemSizeText set to the bytes of the files
// found. A missing file or section finds nothing.
void RunListSection(CleanRun& run, std::string_view fileName, std::string_view runName);

// The section of a run name: its text from the second character after the
// first "-" ("Windows - Windows Log Files" -> "Windows Log Files"); empty
// when the name has no "-".
std::string ListSectionName(std::string_view runName);

// What the folder macros of file entries stand for, read once per run.
// Folders are kept as the system gives them; "" when it has none.
struct ListMacroFolders {
  std::string programFiles;    // "%ProgramFiles%"
  std::string windows;         // "%windir%"
  std::string localAppData;    // "{Local AppData}"
  std::string currentAppData;  // "{Current AppData}"
  std::string commonAppData;   // "{Common AppData}"
};
ListMacroFolders ResolveListMacroFolders(platform::Platform& platform);

// A registry entry: "root\key" deletes the key tree, "root\key," every
// value and sub-key of the key (the key stays), "root\key,name" one value.
struct RegistryListEntry {
  std::string root;                      // upper-cased full root name
  std::string keyPath;                   // without leading or doubled backslashes
  std::optional<std::string> valueName;  // set when the entry has a ","
};
// nullopt for a value that names no key: no "\", an unknown root, or an
// empty key path (which would be the whole root).
std::optional<RegistryListEntry> ParseRegistryEntry(std::string_view value);

// A file entry resolved to a folder and what to do in it.
enum class FileListAction {
  RemoveFolder,  // "folder": the folder with everything in it
  EmptyFolder,   // "folder,*.*": everything in it, the folder stays
  DeleteByMask,  // "folder,mask": matching files directly in it
};
struct FileListEntry {
  // A fully qualified folder: "C:\" for a drive root (so that the removal
  // primitives ask before touching it), else without trailing backslash.
  std::string folder;
  FileListAction action = FileListAction::RemoveFolder;
  std::string mask;  // DeleteByMask only
};
// Resolves "head\folder[,mask]". nullopt when the entry is refused: a
// macro the system has no folder for, a path that is not fully qualified
// (relative, or rooted on the current drive), "." or ".." and other
// components the system would silently rewrite, wildcards or stream names
// in the folder, device and network share roots, an empty mask, and an
// entry that would remove everything in a macro folder itself (the
// Windows, Program Files or an AppData folder). A drive root is kept: the
// removal primitives ask before they empty it.
std::optional<FileListEntry> ResolveFileEntry(std::string_view value,
                                              const ListMacroFolders& macros);

}  // namespace nc::cleaner
