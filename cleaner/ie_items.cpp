#include "cleaner/ie_items.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

#include "cleaner/cookie_keep_list.h"
#include "cleaner/index_dat_files.h"
#include "cleaner/remove_at_restart.h"
#include "cleaner/remove_files.h"
#include "cleaner/remove_registry.h"
#include "core/text.h"

namespace nc::cleaner {
namespace {

using platform::RootKey;

constexpr std::string_view kIeKey = "Software\\Microsoft\\Internet Explorer";
constexpr std::string_view kTypedUrls = "Software\\Microsoft\\Internet Explorer\\TypedURLs";
constexpr std::string_view kExplorerBars =
    "Software\\Microsoft\\Internet Explorer\\Explorer Bars\\"
    "{C4EE31F3-4768-11D2-BE5C-00A0C9A83DA1}\\";
constexpr std::string_view kIntelliForms = "Software\\Microsoft\\Internet Explorer\\IntelliForms\\";
constexpr std::string_view kRebootWarning =
    "Warning: This will take effect next time windows is rebooted.";

// A special folder with its trailing backslash, read after the browser
// session was ended; "" when the system has none.
std::string BrowserFolder(CleanRun& run, int csidl) {
  platform::Platform& ports = run.platform();
  ports.shell.endBrowserSession();
  const std::string folder = ports.files.specialFolder(csidl);
  return folder.empty() ? std::string() : WithTrailingBackslash(folder);
}

bool FolderThere(CleanRun& run, const std::string& folder) {
  return !folder.empty() && run.platform().files.folderExists(folder);
}

void TemporaryInternetFiles(CleanRun& run) {
  const bool log = run.env().settings.ShowLogTempInternetFiles;
  const bool test = run.TestMode();
  if (!test && !log) run.AddLine("Clearing, please wait...");
  const std::string cache = BrowserFolder(run, platform::Csidl::InternetCache);
  if (!FolderThere(run, cache)) return;
  // In clean mode the index files are tried like any file; the browser,
  // when it holds them open, makes that fail and they are not counted.
  const FolderContentsOptions options{
      .removeFolder = false, .logFiles = log, .keepName = test ? "index.dat" : ""};
  run.SetItemSize(DeleteFolderContents(run, cache, options, run.ItemCount));
  if (!run.TestMode()) OverwriteCacheIndex(run, cache + "Content.IE5\\index.dat");
}

// True when `folder` holds a file whose name matches "*.txt" as the
// system matches it (without regard to letter case).
bool HoldsTextFiles(platform::FileSystem& files, const std::string& folder) {
  auto entries = files.list(folder);
  if (!entries) return false;
  return std::any_of(entries->begin(), entries->end(), [](const platform::FileEntry& e) {
    return !e.isFolder() && EndsWith(UpperAscii(e.name), ".TXT");
  });
}

void Cookies(CleanRun& run) {
  platform::Platform& ports = run.platform();
  std::string folder = BrowserFolder(run, platform::Csidl::Cookies);
  if (!FolderThere(run, folder)) {
    folder = "c:\\windows\\cookies\\";
    if (!ports.files.folderExists(folder)) return;
  }
  // Protected mode keeps the cookies in "Low" and leaves the folder
  // itself without any.
  const std::string low = folder + "Low\\";
  if (ports.files.folderExists(low) && !HoldsTextFiles(ports.files, folder) &&
      HoldsTextFiles(ports.files, low)) {
    folder = low;
  }
  const auto read = ReadCookieKeepListForClean(ports.files, ports.profile,
                                               CookieKeepListPath(run.env().programFolder));
  if (!read) {
    run.AddLine(kKeepListUnreadableLine);
    return;
  }
  const std::vector<std::string>& keep = *read;

  std::uint64_t bytes = 0;
  if (auto entries = ports.files.list(folder)) {
    for (const auto& entry : *entries) {
      if (run.Terminated()) break;
      if (entry.isFolder() || entry.name.find(".txt") == std::string::npos) continue;
      // Names on the keep list are compared exactly, letter case included.
      if (std::find(keep.begin(), keep.end(), entry.name) != keep.end()) continue;
      if (DeleteFileLogged(run, folder + entry.name, true)) {
        ++run.ItemCount;
        bytes += entry.size;
        run.ReportProgress();
      }
    }
  }
  run.SetItemSize(bytes);
  if (!run.TestMode() && keep.empty()) OverwriteCacheIndex(run, folder + "index.dat");
}

void VisitedUrlHistory(CleanRun& run) {
  DeleteHistoryUrls(run);
  run.ItemCount += DeleteWebCacheEntries(run);
  const std::string history = BrowserFolder(run, platform::Csidl::History);
  if (!FolderThere(run, history)) return;
  platform::FileSystem& files = run.platform().files;
  if (run.env().context.versionCode == 11 || run.env().context.versionCode == 12) {
    // Vista and 7 keep the history in "Low"; today's folders stay.
    run.ScratchPath = history + "Low\\History.IE5";
    if (files.folderExists(run.ScratchPath)) {
      const std::string today = UpperAscii(TodayHistoryFolderPrefix(run.platform().clock));
      std::uint64_t bytes = 0;
      if (auto entries = files.list(run.ScratchPath)) {
        for (const auto& entry : *entries) {
          if (run.Terminated()) break;
          if (!entry.isFolder() || UpperAscii(entry.name).find(today) != std::string::npos) {
            continue;
          }
          bytes += DeleteFolderTree(run, platform::JoinPath(run.ScratchPath, entry.name),
                                    {.logFiles = true}, run.ItemCount);
        }
      }
      run.SetItemSize(run.ItemSize + bytes);
    }
    run.ScratchPath = history;
  } else {
    run.ScratchPath = history + "History.IE5";
    run.SetItemSize(DeleteFolderContents(
        run, run.ScratchPath, {.removeFolder = false, .logFiles = true, .keepName = "index.dat"},
        run.ItemCount));
  }
  if (!run.TestMode()) OverwriteIndexFilesUnder(run, run.ScratchPath);
}

void RecentlyTypedUrls(CleanRun& run) {
  platform::Registry& registry = run.platform().registry;
  if (!run.FastMode()) {
    if (auto key = registry.open(RootKey::CurrentUser, kTypedUrls, platform::RegAccess::Read)) {
      if (auto values = registry.values(*key)) {
        for (const auto& value : *values) {
          run.AddDetailLine("deleting " + platform::ValueText(value).value_or(""));
        }
      }
      run.ScrollLog(0);
    }
  }
  run.ItemCount = DeleteUserKey(run, RootKey::CurrentUser, kTypedUrls);
  run.ItemCount +=
      DeleteUserKey(run, RootKey::CurrentUser, std::string(kExplorerBars) + "FilesNamedMRU");
  run.ItemCount +=
      DeleteUserKey(run, RootKey::CurrentUser, std::string(kExplorerBars) + "ContainingTextMRU");
}

bool IsNinetyFiveFamily(int versionCode) {
  return (versionCode >= 1 && versionCode <= 4) || versionCode == 8;
}

void IndexDatFiles(CleanRun& run) {
  run.AddLine(kRebootWarning);
  const std::string cookies = BrowserFolder(run, platform::Csidl::Cookies);
  const std::string cache = BrowserFolder(run, platform::Csidl::InternetCache);
  const std::string history = BrowserFolder(run, platform::Csidl::History);
  std::vector<std::string> paths;
  if (!cookies.empty()) paths.push_back(cookies + "index.dat");
  if (!cache.empty()) paths.push_back(cache + "Content.IE5\\index.dat");
  if (!history.empty()) paths.push_back(history + "History.IE5\\index.dat");

  platform::FileSystem& files = run.platform().files;
  std::uint64_t bytes = 0;
  for (const auto& path : paths) {
    if (auto found = files.stat(path); found && !found->isFolder()) bytes += found->size;
  }
  run.SetItemSize(bytes);
  if (run.ItemSizeText != "0") run.ItemCount = 3;
  if (run.TestMode()) return;
  for (const auto& path : paths) OverwriteCacheIndex(run, path);
  const int version = run.env().context.versionCode;
  if (IsNinetyFiveFamily(version)) {
    std::vector<std::string> lines;
    for (const auto& path : paths) lines.push_back("url=" + files.shortPath(path).value_or(path));
    AddWininitRenames(run, lines);
  } else if (version == 0 || (version >= 5 && version <= 7) || (version >= 9 && version <= 12)) {
    for (const auto& path : paths) (void)ScheduleDeleteAtReboot(run, path);
  }
}

void LastDownloadLocation(CleanRun& run) {
  run.ItemCount += DeleteUserValues(run, RootKey::CurrentUser, kIeKey, "Download Directory");
}

void AutocompleteHistory(CleanRun& run) {
  try {
    auto storage = run.platform().browser.protectedStorage();
    if (!storage || !storage->Available() || !storage->Open()) return;
    for (const auto& type : storage->EnumTypes()) {
      if (run.Terminated()) break;
      if (storage->GetTypeName(type) != "Internet Explorer") continue;
      for (const auto& subtype : storage->EnumSubtypes(type)) {
        const std::vector<std::string> names = storage->EnumItems(type, subtype);
        run.ItemCount = names.size() == 1 ? 1 : static_cast<std::int32_t>(names.size() / 2);
        for (const auto& name : names) {
          if (StartsWith(name, "http://") && name.find("StringData") != std::string::npos) {
            run.ReportProgress();
          }
          if (!run.TestMode()) (void)storage->DeleteItem(type, subtype, name);
        }
      }
    }
    storage->Close();
    run.ItemCount +=
        DeleteUserKey(run, RootKey::CurrentUser, std::string(kIntelliForms) + "Storage1");
    run.ItemCount +=
        DeleteUserKey(run, RootKey::CurrentUser, std::string(kIntelliForms) + "Storage2");
  } catch (...) {
    // A failing storage ends the item; the run goes on.
  }
}

}  // namespace

std::string TodayHistoryFolderPrefix(platform::Clock& clock) {
  const platform::LocalTime now = clock.now();
  char digits[16];
  std::snprintf(digits, sizeof digits, "%02d%02d", now.month % 100, now.day % 100);
  return "MSHist01" + std::to_string(now.year) + digits;
}

void DeleteHistoryUrls(CleanRun& run) {
  try {
    auto walk = run.platform().browser.openUrlHistory();
    if (!walk) return;
    while (!run.Terminated()) {
      const std::optional<std::string> url = walk->next();
      if (!url) break;
      ++run.ItemCount;
      if (!run.FastMode()) {
        run.AddDetailLine("deleting " + *url);
        run.ScrollLog(50);
      }
      run.ReportProgress();
      if (!run.TestMode() && walk->deleteUrl(*url) == platform::UrlDelete::Declined) break;
    }
  } catch (...) {
    // The history object failing ends this part of the item.
  }
}

std::int32_t DeleteWebCacheEntries(CleanRun& run) {
  run.platform().shell.endBrowserSession();
  auto walk = run.platform().browser.openUrlCache();
  if (!walk) return 0;
  std::int32_t count = 0;
  while (!run.Terminated()) {
    const std::optional<std::string> url = walk->next();
    if (!url) break;
    if (!StartsWith(*url, "http://")) continue;
    ++count;
    if (!run.FastMode()) {
      run.AddDetailLine("deleting " + *url);
      run.ScrollLog(50);
    }
    run.ReportProgress();
    if (!run.TestMode()) (void)walk->deleteEntry(*url);
  }
  return count;
}

bool RunInternetExplorerItem(CleanRun& run, std::string_view runName) {
  if (runName == "Internet Explorer - Temporary Internet Files") {
    TemporaryInternetFiles(run);
  } else if (runName == "Internet Explorer - Cookies") {
    Cookies(run);
  } else if (runName == "Internet Explorer - Visited URL History") {
    VisitedUrlHistory(run);
  } else if (runName == "Internet Explorer - Recently Typed URLs") {
    RecentlyTypedUrls(run);
  } else if (runName == "Internet Explorer - Index.dat Files") {
    IndexDatFiles(run);
  } else if (runName == "Internet Explorer - Last Download Location") {
    LastDownloadLocation(run);
  } else if (runName == "Internet Explorer - Autocomplete History") {
    AutocompleteHistory(run);
  } else {
    return false;
  }
  return true;
}

}  // namespace nc::cleaner
