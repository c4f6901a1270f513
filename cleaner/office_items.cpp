#include "cleaner/office_items.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cleaner/folder_guard.h"
#include "cleaner/remove_files.h"
#include "cleaner/remove_registry.h"
#include "cleaner/user_folders.h"
#include "core/text.h"

namespace nc::cleaner {

namespace {

using platform::RootKey;

// Office 97 (8.0) to Office 2007 (12.0).
constexpr int kFirstOfficeVersion = 8;
constexpr int kLastOfficeVersion = 12;

constexpr std::string_view kFrontPageExplorer =
    "Software\\Microsoft\\FrontPage\\Explorer\\FrontPage Explorer\\";
constexpr std::string_view kMsnAccounts = "Software\\Microsoft\\MSNMessenger\\PerPassportSettings";

std::string OfficeVersionKey(int version) {
  return "Software\\Microsoft\\Office\\" + std::to_string(version) + ".0";
}

// Removes the keys `suffixes` below the version key of every Office
// version, version by version.
void DeleteKeyOfEveryVersion(CleanRun& run, std::initializer_list<std::string_view> suffixes) {
  for (int v = kFirstOfficeVersion; v <= kLastOfficeVersion; ++v) {
    for (std::string_view suffix : suffixes) {
      if (run.Terminated()) return;
      run.ItemCount +=
          DeleteUserKey(run, RootKey::CurrentUser, OfficeVersionKey(v) + std::string(suffix));
    }
  }
}

// The application data folder when it exists, else "".
std::string AppDataFolder(CleanRun& run) {
  platform::Platform& ports = run.platform();
  std::string folder = UserAppDataFolder(ports);
  if (folder.size() <= 1 || !ports.files.folderExists(folder)) return {};
  return folder;
}

// The recent files of one kind, then the registry part of the item.
void OfficeItem(CleanRun& run, std::initializer_list<std::string_view> masks,
                void (*registryPart)(CleanRun&)) {
  const std::string appData = AppDataFolder(run);
  if (appData.empty()) {
    run.SetItemSize(0);
    return;
  }
  const std::string recent = appData + "Microsoft\\Office\\Recent";
  std::uint64_t bytes = 0;
  for (std::string_view mask : masks) {
    bytes += DeleteFilesByMask(run, recent, mask, {.recurse = false}, run.ItemCount);
  }
  run.SetItemSize(bytes);
  if (registryPart != nullptr) registryPart(run);
}

void AccessKeys(CleanRun& run) {
  DeleteKeyOfEveryVersion(run, {"\\Access\\Settings"});
}
void ExcelKeys(CleanRun& run) {
  DeleteKeyOfEveryVersion(run, {"\\Excel"});
}
// Powerpoint's own recent lists: the files and folders it opened.
void PowerpointKeys(CleanRun& run) {
  DeleteKeyOfEveryVersion(run,
                          {"\\PowerPoint\\Recent File List", "\\PowerPoint\\Recent Folder List"});
}
void WordValues(CleanRun& run) {
  for (int v = kFirstOfficeVersion; v <= kLastOfficeVersion; ++v) {
    if (run.Terminated()) return;
    run.ItemCount += DeleteUserValues(run, RootKey::CurrentUser,
                                      OfficeVersionKey(v) + "\\Word\\Data", "Settings");
  }
}
void FrontPageKeys(CleanRun& run) {
  for (std::string_view list : {"Recent File List", "Recent Page List", "Recent Web List"}) {
    if (run.Terminated()) return;
    run.ItemCount += DeleteUserKey(run, RootKey::CurrentUser,
                                   std::string(kFrontPageExplorer) + std::string(list));
  }
}

void MsnMessenger(CleanRun& run) {
  platform::Platform& ports = run.platform();
  std::vector<std::string> refusals;
  const std::string logFolder = MsnMessageLogFolder(ports, &refusals);
  for (const std::string& line : refusals) run.AddLine(line);
  ports.shell.endBrowserSession();
  std::string received = MyDocumentsFolder(ports);
  if (received.size() <= 1) {
    received.clear();
  } else {
    received += "My Received Files\\";
  }
  // One folder serves both: it is emptied once.
  if (!logFolder.empty() && LowerAscii(logFolder) == LowerAscii(received)) received.clear();
  std::uint64_t bytes = 0;
  for (const std::string& folder : {logFolder, received}) {
    if (folder.empty() || !ports.files.folderExists(folder)) continue;
    bytes +=
        DeleteFolderContents(run, folder, {.removeFolder = false, .logFiles = true}, run.ItemCount);
  }
  run.SetItemSize(bytes);
}

void YahooMessenger(CleanRun& run) {
  const std::string programFiles = ProgramFilesFolder(run.platform());
  if (programFiles.empty()) {
    run.SetItemSize(0);
    return;
  }
  const std::string base = WithTrailingBackslash(programFiles) + "Yahoo!\\Messenger";
  std::uint64_t bytes =
      DeleteFilesByMask(run, base, "ypager.log", {.recurse = false}, run.ItemCount);
  bytes += DeleteFolderContents(run, base + "\\IMVCache", {}, run.ItemCount);
  bytes += DeleteFolderContents(run, base + "\\Profiles", {}, run.ItemCount);
  run.SetItemSize(bytes);
}

void Skype(CleanRun& run) {
  const std::string appData = AppDataFolder(run);
  std::uint64_t bytes = 0;
  if (!appData.empty()) {
    bytes = DeleteFilesByMask(run, appData + "Skype", "*.dbb", {.recurse = true}, run.ItemCount);
  }
  run.SetItemSize(bytes);
}

// ---- the trust of a log folder named in the registry ------------------------------

// A full path ("C:\\x", "\\\\server\\share\\x") reduced to its root and
// its folder names as the system reads them: "/" as "\\", no empty or "."
// names, ".." taking the name before it away, blanks and dots at the end
// of a name dropped; names upper-cased (ASCII) for comparing. Nothing for
// a path that is not full ("x", "\\x", "C:x") or that uses the system's
// device syntax ("\\\\?\\", "\\\\.\\").
struct FullPath {
  std::string root;  // "C:" or "\\\\SERVER\\SHARE"
  std::vector<std::string> names;
};

std::optional<FullPath> ReadFullPath(std::string_view text) {
  std::string path(text);
  std::replace(path.begin(), path.end(), '/', '\\');
  std::vector<std::string> parts = Split(path, '\\');
  FullPath full;
  std::size_t first = 0;
  if (path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) != 0 &&
      path[1] == ':' && path[2] == '\\') {
    full.root = UpperAscii(path.substr(0, 2));
    first = 1;
  } else if (StartsWith(path, "\\\\") && !StartsWith(path, "\\\\?\\") &&
             !StartsWith(path, "\\\\.\\") && parts.size() >= 4 && !parts[2].empty() &&
             !parts[3].empty()) {
    full.root = "\\\\" + UpperAscii(parts[2]) + "\\" + UpperAscii(parts[3]);
    first = 4;
  } else {
    return std::nullopt;
  }
  for (std::size_t i = first; i < parts.size(); ++i) {
    std::string name = parts[i];
    if (name == "..") {
      if (!full.names.empty()) full.names.pop_back();
      continue;
    }
    while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
    if (!name.empty()) full.names.push_back(UpperAscii(name));
  }
  return full;
}

// Why `text` cannot serve as the log folder; "" when it can (or when there
// is no such folder, which the caller then passes over).
std::string RefusalOf(platform::Platform& ports, const std::string& text) {
  const auto full = ReadFullPath(text);
  if (!full) return "it is not a full path";
  if (full->names.empty()) return "it is a drive root";
  platform::FileSystem& files = ports.files;
  if (!files.folderExists(text)) return {};
  if (const auto attributes = files.attributes(WithoutTrailingBackslash(text));
      attributes && (*attributes & platform::FileAttr::ReparsePoint) != 0) {
    return "it is a link";
  }
  // Whatever the spelling, the folder itself is judged: a linked parent
  // ("C:\Documents and Settings\<user>") leads to the profile as surely as
  // the profile's own name.
  FolderGuard guard(ports);
  const FolderJudgement judged = guard.Judge(text);
  if (judged.standing != FolderJudgement::Standing::Plain) return judged.Reason();
  return {};
}

}  // namespace

std::string MsnMessageLogFolder(platform::Platform& ports, std::vector<std::string>* refusals) {
  auto accounts =
      ports.registry.open(RootKey::CurrentUser, kMsnAccounts, platform::RegAccess::Read);
  if (!accounts) return {};
  auto names = ports.registry.subKeyNames(*accounts);
  if (!names) return {};
  for (const std::string& name : *names) {
    auto account = ports.registry.openSub(*accounts, name, platform::RegAccess::Read);
    if (!account) continue;
    auto value = ports.registry.readValue(*account, "MessageLogPath");
    if (!value) continue;
    std::optional<std::string> text = platform::ValueText(*value);
    if (!text) continue;
    // An expandable path ("%USERPROFILE%\...") names the folder it expands to.
    if (value->type == static_cast<std::uint32_t>(platform::RegType::ExpandString)) {
      text = ports.files.expandEnvironment(*text);
    }
    if (text->empty()) continue;
    // Checked before the folder is looked for: a relative path would be
    // looked for in the current folder.
    if (const std::string refusal = RefusalOf(ports, *text); !refusal.empty()) {
      if (refusals != nullptr) {
        refusals->push_back("The MSN Messenger log folder \"" + *text +
                            "\" is refused: " + refusal + ".");
      }
      continue;
    }
    if (!ports.files.folderExists(*text)) continue;
    return WithTrailingBackslash(*text);
  }
  return {};
}

bool RunOfficeOrMessengerItem(CleanRun& run, std::string_view runName) {
  if (runName == "Microsoft Office - Access") {
    OfficeItem(run, {"*.mdb"}, AccessKeys);
  } else if (runName == "Microsoft Office - Excel") {
    OfficeItem(run, {"*.xls"}, ExcelKeys);
  } else if (runName == "Microsoft Office - FrontPage") {
    OfficeItem(run, {"*.htm", "*.html"}, FrontPageKeys);
  } else if (runName == "Microsoft Office - Powerpoint") {
    OfficeItem(run, {"*.ppt"}, PowerpointKeys);
  } else if (runName == "Microsoft Office - Word") {
    OfficeItem(run, {"*.doc"}, WordValues);
  } else if (runName == "Microsoft Office - Recent Files") {
    OfficeItem(run, {"*.*"}, nullptr);
  } else if (runName == "Instant Messengers - MSN Messenger") {
    MsnMessenger(run);
  } else if (runName == "Instant Messengers - Yahoo! Messenger") {
    YahooMessenger(run);
  } else if (runName == "Instant Messengers - Skype") {
    Skype(run);
  } else {
    return false;
  }
  return true;
}

}  // namespace nc::cleaner
