#include "cleaner/definitions.h"

#include <cstdint>
#include <vector>

#include "cleaner/remove_files.h"
#include "cleaner/remove_registry.h"
#include "cleaner/run_mode.h"
#include "cleaner/user_folders.h"
#include "core/text.h"

namespace nc::cleaner {

namespace {

constexpr std::string_view kShellFoldersKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr std::string_view kAdministratorNotice = "You must have administrators user.";
constexpr std::string_view kMachineRoot = "HKEY_LOCAL_MACHINE";
// The longest path the system accepts at all; anything longer names
// nothing that can exist.
constexpr std::size_t kLongestPath = 32767;

bool IsAsciiLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// A path component the system would take as written. "." and "..", names
// ending in a dot or a blank (which the system trims, so "C:\ " is "C:\"),
// wildcards, stream separators and control characters are refused.
bool PlainComponent(std::string_view part) {
  if (part.empty()) return false;
  if (part.back() == '.' || part.back() == ' ') return false;
  for (const char c : part) {
    if (static_cast<unsigned char>(c) < 0x20) return false;
    if (std::string_view("*?<>|\":").find(c) != std::string_view::npos) return false;
  }
  return true;
}

// The fully qualified folder a path names, in one canonical spelling:
// "C:\" for a drive root, "C:\a\b" or "\\server\share\a" otherwise
// (doubled separators folded, "/" read as "\"). nullopt for relative
// paths, paths rooted on the current drive, device paths ("\\?\",
// "\\.\"), a network share's root and components that are not plain.
std::optional<std::string> QualifiedFolder(std::string_view path) {
  if (path.size() > kLongestPath) return std::nullopt;
  std::string text(path);
  for (char& c : text) {
    if (c == '/') c = '\\';
  }
  std::string prefix;
  std::string_view rest(text);
  bool network = false;
  if (StartsWith(rest, "\\\\")) {
    network = true;
    prefix = "\\\\";
    rest.remove_prefix(2);
  } else if (rest.size() >= 2 && IsAsciiLetter(rest[0]) && rest[1] == ':' &&
             (rest.size() == 2 || rest[2] == '\\')) {
    prefix = std::string(rest.substr(0, 2)) + "\\";
    rest.remove_prefix(2);
  } else {
    return std::nullopt;
  }
  std::vector<std::string> parts;
  for (auto& part : Split(rest, '\\')) {
    if (part.empty()) continue;
    if (!PlainComponent(part)) return std::nullopt;
    parts.push_back(std::move(part));
  }
  // A share's root ("\\server\share") is as much as a drive root, and the
  // primitives would not know to ask about it.
  if (network && parts.size() < 3) return std::nullopt;
  std::string folder = prefix;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i != 0) folder += '\\';
    folder += parts[i];
  }
  return folder;
}

// The folder a macro head stands for; nullopt when the head is not a
// macro (letter case counts).
std::optional<std::string> MacroFolder(std::string_view head, const ListMacroFolders& macros) {
  if (head == "%ProgramFiles%") return macros.programFiles;
  if (head == "%windir%") return macros.windows;
  if (head == "{Local AppData}") return macros.localAppData;
  if (head == "{Current AppData}") return macros.currentAppData;
  if (head == "{Common AppData}") return macros.commonAppData;
  if (head == "{C: Drive}") return std::string("C:\\");
  return std::nullopt;
}

// True when `folder` is one of the folders the macros stand for (the
// drive macro aside, whose root the primitives ask about).
bool IsMacroFolder(std::string_view folder, const ListMacroFolders& macros) {
  for (const std::string* macro : {&macros.programFiles, &macros.windows, &macros.localAppData,
                                   &macros.currentAppData, &macros.commonAppData}) {
    const auto qualified = QualifiedFolder(*macro);
    if (qualified && EqualsNoCase(*qualified, folder)) return true;
  }
  return false;
}

std::string ListFilePath(CleanRun& run, std::string_view fileName) {
  const std::string& folder = run.env().programFolder;
  return folder.empty() ? std::string(fileName)
                        : WithTrailingBackslash(folder) + std::string(fileName);
}

// HKEY_LOCAL_MACHINE values may be deleted on the 95 family (codes 1 to 4
// and 8) and by administrators.
bool MayChangeMachineValues(CleanRun& run) {
  const int code = run.env().context.versionCode;
  if ((code >= 1 && code <= 4) || code == 8) return true;
  return IsAdministrator(run.platform());
}

struct SectionState {
  std::optional<bool> machineValuesAllowed;  // asked once, when first needed
  bool noticeShown = false;
  std::uint64_t bytes = 0;
};

void RunRegistryEntry(CleanRun& run, std::string_view value, SectionState& state) {
  const auto entry = ParseRegistryEntry(value);
  if (!entry) return;
  if (!entry->valueName) {
    run.ItemCount += DeleteKeyByRootName(run, entry->root, entry->keyPath);
    return;
  }
  if (entry->root == kMachineRoot) {
    if (!state.machineValuesAllowed) state.machineValuesAllowed = MayChangeMachineValues(run);
    if (!*state.machineValuesAllowed) {
      if (!state.noticeShown && run.env().runMode.load() != cleaner::RunMode::Auto) {
        state.noticeShown = true;
        run.Tell(kAdministratorNotice);
      }
      return;
    }
  }
  run.ItemCount += DeleteValuesByRootName(run, entry->root, entry->keyPath, *entry->valueName);
}

void RunFileEntry(CleanRun& run, std::string_view value, const ListMacroFolders& macros,
                  SectionState& state) {
  const auto entry = ResolveFileEntry(value, macros);
  if (!entry) return;
  switch (entry->action) {
    case FileListAction::RemoveFolder:
      state.bytes += DeleteFolderContents(run, entry->folder,
                                          {.removeFolder = true, .logFiles = true}, run.ItemCount);
      break;
    case FileListAction::EmptyFolder:
      state.bytes += DeleteFolderContents(run, entry->folder,
                                          {.removeFolder = false, .logFiles = true}, run.ItemCount);
      break;
    case FileListAction::DeleteByMask:
      state.bytes +=
          DeleteFilesByMask(run, entry->folder, entry->mask, {.recurse = false}, run.ItemCount);
      break;
  }
}

}  // namespace

std::string ListSectionName(std::string_view runName) {
  const auto dash = runName.find('-');
  if (dash == std::string_view::npos || dash + 2 >= runName.size()) return {};
  return std::string(runName.substr(dash + 2));
}

ListMacroFolders ResolveListMacroFolders(platform::Platform& platform) {
  using platform::RootKey;
  ListMacroFolders macros;
  macros.programFiles = ProgramFilesFolder(platform);
  macros.windows = platform.files.windowsFolder();
  macros.localAppData = platform::ReadStringValue(platform.registry, RootKey::CurrentUser,
                                                  kShellFoldersKey, "Local AppData");
  macros.currentAppData = platform::ReadStringValue(platform.registry, RootKey::CurrentUser,
                                                    kShellFoldersKey, "AppData");
  macros.commonAppData = platform::ReadStringValue(platform.registry, RootKey::LocalMachine,
                                                   kShellFoldersKey, "Common AppData");
  return macros;
}

std::optional<RegistryListEntry> ParseRegistryEntry(std::string_view value) {
  const auto slash = value.find('\\');
  if (slash == std::string_view::npos) return std::nullopt;
  const std::string_view root = value.substr(0, slash);
  if (!platform::RootKeyFromName(root)) return std::nullopt;
  std::string_view rest = value.substr(slash + 1);

  RegistryListEntry entry;
  entry.root = UpperAscii(root);
  const auto comma = rest.find(',');
  if (comma != std::string_view::npos) {
    entry.valueName = std::string(rest.substr(comma + 1));
    rest = rest.substr(0, comma);
  }
  // "HKEY_CURRENT_USER\" or "HKEY_CURRENT_USER\\," would otherwise reach
  // the root itself.
  for (const auto& part : Split(rest, '\\')) {
    if (part.empty()) continue;
    if (!entry.keyPath.empty()) entry.keyPath += '\\';
    entry.keyPath += part;
  }
  if (entry.keyPath.empty()) return std::nullopt;
  return entry;
}

std::optional<FileListEntry> ResolveFileEntry(std::string_view value,
                                              const ListMacroFolders& macros) {
  const auto slash = value.find('\\');
  const std::string_view head = slash == std::string_view::npos ? value : value.substr(0, slash);
  const std::string_view rest =
      slash == std::string_view::npos ? std::string_view() : value.substr(slash + 1);

  std::string base;
  if (const auto macro = MacroFolder(head, macros)) {
    // On systems without the folder the rest would land on the current
    // drive's root.
    if (macro->empty()) return std::nullopt;
    base = *macro;
  } else {
    base = std::string(head);
  }

  FileListEntry entry;
  std::string_view folderPart = rest;
  const auto comma = rest.find(',');
  if (comma == std::string_view::npos) {
    entry.action = FileListAction::RemoveFolder;
  } else {
    folderPart = rest.substr(0, comma);
    entry.mask = std::string(rest.substr(comma + 1));
    if (entry.mask.empty()) return std::nullopt;  // matches no file at all
    entry.action = entry.mask == "*.*" ? FileListAction::EmptyFolder : FileListAction::DeleteByMask;
    if (entry.action == FileListAction::EmptyFolder) entry.mask.clear();
  }

  // The head always gets its separator, so an empty head gives "\".
  if (base.empty() || base.back() != '\\') base += '\\';
  const auto folder = QualifiedFolder(base + std::string(folderPart));
  if (!folder) return std::nullopt;
  entry.folder = *folder;

  const bool everything = entry.action != FileListAction::DeleteByMask || entry.mask == "*";
  if (everything && IsMacroFolder(entry.folder, macros)) return std::nullopt;
  return entry;
}

void RunListSection(CleanRun& run, std::string_view fileName, std::string_view runName) {
  platform::Platform& platform = run.platform();
  const ListMacroFolders macros = ResolveListMacroFolders(platform);
  const std::string section = ListSectionName(runName);

  std::vector<std::string> lines;
  if (!section.empty()) {
    lines = platform.profile.sectionLines(ListFilePath(run, fileName), section);
  }

  SectionState state;
  for (const std::string& line : lines) {
    if (run.Terminated()) break;
    const auto equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string_view value = Trim(std::string_view(line).substr(equals + 1));
    if (line.find("DelRegValue") != std::string::npos) {
      RunRegistryEntry(run, value, state);
    } else if (line.find("DelFile") != std::string::npos) {
      RunFileEntry(run, value, macros, state);
    }
  }
  run.SetItemSize(state.bytes);
}

}  // namespace nc::cleaner
