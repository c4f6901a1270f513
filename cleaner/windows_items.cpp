#include "cleaner/windows_items.h"

#include <array>
#include <cstdint>
#include <string>

#include "cleaner/remove_files.h"
#include "cleaner/remove_registry.h"
#include "core/text.h"

namespace nc::cleaner {

namespace {

using platform::RootKey;

constexpr std::string_view kExplorer = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";

std::string ExplorerKey(std::string_view rest) {
  return std::string(kExplorer) + std::string(rest);
}

// Items that remove one key of the current user.
struct KeyItem {
  std::string_view runName;
  std::string_view keyPath;
};

const std::array<KeyItem, 6> kKeyItems{{
    {"Windows - Start Run", "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU"},
    {"Windows - Search Assistant", "Software\\Microsoft\\Search Assistant\\ACMru"},
    {"Advanced - Open File History",
     "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\OpenSaveMRU"},
    {"Advanced - Menu Order Cache",
     "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MenuOrder"},
    {"Advanced - Paint",
     "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Paint\\Recent File List"},
    {"Advanced - User Assist History",
     "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\UserAssist\\"
     "{5E6AB780-7743-11CF-A12B-00AA004AE837}\\Count"},
}};

constexpr std::string_view kUserAssistSecond =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\UserAssist\\"
    "{75048700-EF1F-11D0-9888-006097DEACF9}\\Count";

void RecentDocuments(CleanRun& run) {
  platform::Platform& ports = run.platform();
  ports.shell.endBrowserSession();
  const std::string recent = ports.files.specialFolder(platform::Csidl::Recent);
  run.ItemCount = DeleteUserKey(run, RootKey::CurrentUser, ExplorerKey("RecentDocs"));
  const std::uint64_t bytes =
      DeleteFilesByMask(run, recent, "*.*", {.recurse = false}, run.ItemCount);
  run.SetItemSize(bytes);
}

// The recycled files of one fixed drive, counted when its "Recycled"
// folder holds both "INFO2" and "desktop.ini".
std::uint64_t CountRecycled(CleanRun& run, char letter, bool log) {
  platform::FileSystem& files = run.platform().files;
  const std::string folder = std::string(1, letter) + ":\\Recycled";
  if (!files.fileExists(folder + "\\INFO2") || !files.fileExists(folder + "\\desktop.ini")) {
    return 0;
  }
  auto entries = files.list(folder);
  if (!entries) return 0;
  std::uint64_t bytes = 0;
  for (const auto& entry : *entries) {
    if (run.Terminated()) break;
    const std::string path = folder + "\\" + entry.name;
    if (entry.isFolder()) {
      bytes += DeleteFolderTree(run, path, {.logFiles = log}, run.ItemCount);
      continue;
    }
    const std::string lower = LowerAscii(entry.name);
    if (lower == "desktop.ini" || lower == "info2") continue;
    if (DeleteFileLogged(run, path, log)) {
      ++run.ItemCount;
      bytes += entry.size;
      run.ReportProgress();
    }
  }
  return bytes;
}

void EmptyRecycleBin(CleanRun& run) {
  const bool log = run.env().settings.ShowLogRecycleBin;
  const bool test = run.TestMode();
  if (!test && !log) run.AddLine("Clearing, please wait...");
  std::uint64_t bytes = 0;
  for (char letter = 'c'; letter <= 'z'; ++letter) {
    if (run.Terminated()) return;
    const std::string root = std::string(1, letter) + ":\\";
    if (run.platform().files.driveType(root) != platform::DriveType::Fixed) continue;
    bytes += CountRecycled(run, letter, log);
    run.SetItemSize(bytes);
  }
  // Empties every bin, also those the counting does not look at; its
  // effect is not counted.
  if (!test && !run.Terminated()) (void)run.platform().shell.emptyRecycleBins();
}

void TemporaryFiles(CleanRun& run) {
  const std::string temp = run.platform().files.tempFolder();
  run.SetItemSize(
      DeleteFolderContents(run, temp, {.removeFolder = false, .logFiles = true}, run.ItemCount));
}

void Clipboard(CleanRun& run) {
  if (!run.TestMode()) (void)run.platform().system.emptyClipboard();
}

void MemoryDumps(CleanRun& run) {
  const std::string windows = run.platform().files.windowsFolder();
  if (windows.empty()) return;
  std::uint64_t bytes =
      DeleteFilesByMask(run, windows, "memory.dmp", {.recurse = false}, run.ItemCount);
  bytes += DeleteFilesByMask(run, WithTrailingBackslash(windows) + "MiniDump", "*.dmp",
                             {.recurse = false}, run.ItemCount);
  run.SetItemSize(bytes);
}

void ChkdskFragments(CleanRun& run) {
  const std::string system = run.platform().files.systemFolder();
  if (system.empty()) return;
  run.SetItemSize(DeleteFilesByMask(run, system, "File*.chk", {.recurse = false}, run.ItemCount));
}

void TrayNotifications(CleanRun& run) {
  const std::string key = ExplorerKey("TrayNotify");
  run.ItemCount = DeleteUserValues(run, RootKey::CurrentUser, key, "IconStreams");
  run.ItemCount += DeleteUserValues(run, RootKey::CurrentUser, key, "PastIconsStream");
}

}  // namespace

bool RunWindowsItem(CleanRun& run, std::string_view runName) {
  for (const auto& item : kKeyItems) {
    if (runName != item.runName) continue;
    run.ItemCount = DeleteUserKey(run, RootKey::CurrentUser, item.keyPath);
    if (runName == "Advanced - User Assist History") {
      run.ItemCount += DeleteUserKey(run, RootKey::CurrentUser, kUserAssistSecond);
    }
    return true;
  }
  if (runName == "Windows - Recent Documents") {
    RecentDocuments(run);
  } else if (runName == "Windows - Empty Recycle Bin") {
    EmptyRecycleBin(run);
  } else if (runName == "Windows - Temporary Files") {
    TemporaryFiles(run);
  } else if (runName == "Windows - Clipboard") {
    Clipboard(run);
  } else if (runName == "Windows - Memory Dumps") {
    MemoryDumps(run);
  } else if (runName == "Windows - Chkdsk File Fragments") {
    ChkdskFragments(run);
  } else if (runName == "Advanced - Tray Notifications Cache") {
    TrayNotifications(run);
  } else {
    return false;
  }
  return true;
}

}  // namespace nc::cleaner
