// What the registry sections, the results view, the ignore lists and the
// repair share: registry location texts, root names, the missing-file test
// for strings found in the registry, folder variables, ROT13, shortcut
// targets and the silent deletion of one file.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/filesystem.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/system.h"
#include "registry/scan_context.h"

namespace nc::registry {

// ---- location texts -------------------------------------------------------

// One of the five full root names in any case; none for anything else
// (the short forms "HKLM" and so on included).
std::optional<platform::RootKey> RootKeyFromName(std::string_view name);

// "HKEY_LOCAL_MACHINE\Software\X" from a root and a key path (a leading
// backslash of the path is not doubled; an empty path gives the root name).
std::string LocationText(platform::RootKey root, std::string_view path);
// `location` + "\" + `name`.
std::string JoinLocation(std::string_view location, std::string_view name);

struct Location {
  platform::RootKey root = platform::RootKey::LocalMachine;
  std::string path;  // without the root, "" for the root itself
};
// The two names of a key of HKEY_LOCAL_MACHINE\Software on 64-bit Windows:
// the location of a key read in the 32-bit view, as the 64-bit view names
// it ("HKEY_LOCAL_MACHINE\Software\Wow6432Node\X" for
// "HKEY_LOCAL_MACHINE\Software\X"; the 32-bit classes are
// "HKEY_LOCAL_MACHINE\Software\Classes\Wow6432Node\X", where the link
// "Software\Wow6432Node\Classes" leads), and back. None for a location
// that has no such other name.
std::optional<std::string> Wow6432NodeLocation(std::string_view location);
std::optional<std::string> WithoutWow6432Node(std::string_view location);
// The same for a key path below HKEY_LOCAL_MACHINE ("Software\X").
std::optional<std::string> Wow6432NodePath(std::string_view path);
// The view that reads and changes a location's key as its text names it:
// under HKEY_LOCAL_MACHINE the 64-bit view.
platform::RegView ViewOfLocation(platform::RootKey root);

// Splits a location text at its first backslash; none when the root part
// is not one of the five full root names.
std::optional<Location> ParseLocation(std::string_view text);

// The text before the last backslash ("" when there is none) and after it
// (the whole text when there is none): the key and the value name of a
// value location.
std::string_view KeyPartOf(std::string_view location);
std::string_view LastPartOf(std::string_view location);

// ---- the missing-file test -----------------------------------------------

// The characters at which the path test tries the text read so far as a
// file name.
inline constexpr std::string_view kArgumentSeparators = " *,/:;<>?|";

// No path the system accepts here is longer than this; longer texts are
// never tried as file names.
inline constexpr std::size_t kMaxPathChars = 259;

// True when `text` names a file that is missing; false when it exists or
// the text cannot be judged. `extension` (".dll", ".exe") may be empty;
// `allowFolder` makes an existing folder count as found while the
// arguments of a command line are searched. Never throws.
bool FileReferenceMissing(const PathTest& test, std::string_view text, std::string_view extension,
                          bool allowFolder = false);

// The text with its environment variables expanded, when the expansion
// (blanks trimmed, at most 1023 characters) names an existing folder;
// otherwise the text as given.
std::string ExpandFolderVariable(platform::FileSystem& files, std::string_view text);

// ---- scan inputs -----------------------------------------------------------

// A 32-bit process on 64-bit Windows.
bool IsWow64(platform::System& system);

// The drive letters whose paths the scan judges, lower case: all 26 when
// missing files on removable drives are reported (`includeRemoveMedia`
// off), else the fixed drives from c to z in order.
std::string BuildScannedDrives(platform::FileSystem& files, bool includeRemoveMedia);

struct FloppyPresence {
  bool a = false;
  bool b = false;
};
// Whether A: and B: hold a readable volume (never asks for a disk).
FloppyPresence TestFloppyDrives(platform::FileSystem& files);

// ---- small helpers ---------------------------------------------------------

// Letters moved 13 places within their alphabet; everything else kept.
std::string Rot13(std::string_view text);

// The target path of a shortcut file; "" when it cannot be resolved.
std::string ShortcutTarget(platform::Shell& shell, std::string_view lnkPath);

// Deletes one file silently and without the recycle bin; true on success.
bool DeleteFileByShell(platform::Shell& shell, std::string_view path);

}  // namespace nc::registry
