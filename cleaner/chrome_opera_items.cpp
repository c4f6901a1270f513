// The items of the groups "Opera" and "Google Chrome": masks over Opera's
// folder and each of Chrome's profiles, the cache folders, and the rows of
// Chrome's "Web Data" and "History" databases.
#include <algorithm>
#include <array>
#include <span>
#include <string>
#include <vector>

#include "cleaner/browser_items.h"
#include "cleaner/remove_files.h"
#include "cleaner/user_folders.h"
#include "core/text.h"

namespace nc::cleaner {

namespace {

// With a trailing backslash; "" when there is none.
std::string OperaFolder(platform::Platform& ports) {
  const std::string appData = UserAppDataFolder(ports);
  if (WithoutTrailingBackslash(appData).empty()) return {};
  return ExistingFolder(ports, appData + "Opera\\");
}

std::string OperaLocalFolder(platform::Platform& ports) {
  const std::string local = LocalAppDataFolder(ports);
  return local.empty() ? std::string() : ExistingFolder(ports, local + "Opera\\");
}

// Chrome's profiles, with trailing backslashes, in name order: the
// folders of "User Data" that hold a "Preferences" file ("Default",
// "Profile 1", "Guest Profile", ...), and "Default" even without one, as
// the oldest versions left it. "System Profile" is Chrome's own; links
// are never entered.
std::vector<std::string> ChromeProfileFolders(CleanRun& run) {
  platform::Platform& ports = run.platform();
  const std::string local = LocalAppDataFolder(ports);
  if (local.empty()) return {};
  const std::string userData = ExistingFolder(ports, local + "Google\\Chrome\\User Data\\");
  if (userData.empty()) return {};
  auto entries = ports.files.list(userData);
  if (!entries) return {};
  std::vector<std::pair<std::string, std::string>> found;  // upper-cased name, folder
  for (const auto& entry : *entries) {
    if (run.Terminated()) return {};
    if (!entry.isFolder() || entry.isLink()) continue;
    std::string upper = UpperAscii(entry.name);
    if (upper == "SYSTEM PROFILE") continue;
    std::string folder = userData + entry.name + "\\";
    if (upper != "DEFAULT") {
      const auto preferences = ports.files.attributes(folder + "Preferences");
      if (!preferences || (*preferences & (platform::FileAttr::Directory |
                                           platform::FileAttr::ReparsePoint)) != 0) {
        continue;
      }
    }
    found.emplace_back(std::move(upper), std::move(folder));
  }
  std::sort(found.begin(), found.end());
  std::vector<std::string> folders;
  folders.reserve(found.size());
  for (auto& profile : found) folders.push_back(std::move(profile.second));
  return folders;
}

std::uint64_t DeleteMasks(CleanRun& run, const std::string& folder,
                          const std::vector<std::string_view>& masks) {
  std::uint64_t bytes = 0;
  for (std::string_view mask : masks) {
    bytes += DeleteFilesByMask(run, folder, mask, {.recurse = true}, run.ItemCount);
  }
  return bytes;
}

std::uint64_t EmptyFolder(CleanRun& run, const std::string& folder) {
  if (ExistingFolder(run.platform(), folder).empty()) return 0;
  return DeleteFolderContents(run, folder, {.removeFolder = false, .logFiles = true},
                              run.ItemCount);
}

// ---- Opera -------------------------------------------------------------------

struct OperaMaskItem {
  std::string_view runName;
  std::vector<std::string_view> masks;
};

const std::array<OperaMaskItem, 5>& OperaMaskItems() {
  static const std::array<OperaMaskItem, 5> items{{
      {"Opera - Cookies", {"cookies4.dat"}},
      {"Opera - Visited URL History", {"global.dat", "vlink4.dat", "autosave.win"}},
      {"Opera - Recently Typed URLs", {"opera.dir", "typed_history.xml"}},
      {"Opera - Autocomplete History", {"wand.dat"}},
      {"Opera - Transfers", {"download.dat"}},
  }};
  return items;
}

// The "profile\cache4" folder of every installation below Opera's roaming
// and local folders.
void OperaCache(CleanRun& run, const std::string& opera) {
  std::uint64_t bytes = 0;
  for (const std::string& base : {opera, OperaLocalFolder(run.platform())}) {
    if (base.empty()) continue;
    for (const std::string& installation : RealSubFolders(run, base)) {
      const std::string profile = installation + "\\profile";
      if (ExistingFolder(run.platform(), profile).empty()) continue;
      bytes += EmptyFolder(run, profile + "\\cache4");
    }
  }
  run.SetItemSize(bytes);
}

bool RunOperaItem(CleanRun& run, std::string_view runName) {
  const bool cache = runName == "Opera - Temporary Internet Files";
  const OperaMaskItem* found = nullptr;
  for (const auto& item : OperaMaskItems()) {
    if (item.runName == runName) found = &item;
  }
  if (!cache && found == nullptr) return false;
  const std::string opera = OperaFolder(run.platform());
  if (opera.empty()) return true;
  if (cache) {
    OperaCache(run, opera);
  } else {
    run.SetItemSize(DeleteMasks(run, opera, found->masks));
  }
  return true;
}

// ---- Chrome ------------------------------------------------------------------

constexpr std::array<std::string_view, 1> kLoginTables = {"logins"};
constexpr std::array<std::string_view, 1> kDownloadTables = {"downloads"};
constexpr std::array<std::string_view, 7> kFormTables = {
    "autofill",
    "autofill_dates",
    "autofill_profile_emails",
    "autofill_profile_names",
    "autofill_profile_phones",
    "autofill_profiles",
    "autofill_profiles_trash",
};

// Deletes every row of the tables of `file` in the profile that exist; a
// clean only.
void ClearTables(CleanRun& run, const std::string& profile, std::string_view file,
                 std::span<const std::string_view> tables) {
  if (run.TestMode() || run.Terminated()) return;
  WithDatabase(run, profile + std::string(file), [&](SqliteDatabase& database) {
    for (std::string_view table : tables) {
      if (run.Terminated()) return;
      if (database.HasTable(table)) database.RunStatement("DELETE FROM " + std::string(table));
    }
  });
}

// Each name is passed once: a test run, which deletes nothing, would
// count a file again under a second pass of its name.
std::uint64_t ChromeHistory(CleanRun& run, const std::string& profile) {
  std::uint64_t bytes =
      DeleteMasks(run, profile,
                  {"Archived History", "History", "Thumbnails", "Visited Links", "Current Tabs",
                   "Last Tabs", "Top Sites", "History Provider Cache", "Network Action Predictor"});
  std::vector<std::string> indexes;
  if (auto entries = run.platform().files.list(profile)) {
    for (const auto& entry : *entries) {
      if (!entry.isFolder() && UpperAscii(entry.name).find("HISTORY INDEX") != std::string::npos) {
        indexes.push_back(entry.name);
      }
    }
  }
  for (const std::string& name : indexes) bytes += DeleteMasks(run, profile, {name});
  return bytes;
}

// The cache folders of a profile: the disk cache, the compiled scripts,
// the graphics shaders and the caches of the sites' service workers.
std::uint64_t ChromeCaches(CleanRun& run, const std::string& profile) {
  std::uint64_t bytes = 0;
  for (std::string_view cache :
       {"Cache", "Code Cache", "GPUCache", "Service Worker\\CacheStorage"}) {
    bytes += EmptyFolder(run, profile + std::string(cache));
  }
  return bytes;
}

// "Cookies" anywhere in the profile (today in "Network"), the journal of
// "Network\Cookies" and the pages' local storage.
std::uint64_t ChromeCookies(CleanRun& run, const std::string& profile) {
  std::uint64_t bytes = DeleteMasks(run, profile, {"Cookies"});
  bytes += DeleteFilesByMask(run, profile + "Network", "Cookies-journal", {}, run.ItemCount);
  bytes += EmptyFolder(run, profile + "Local Storage");
  return bytes;
}

// One profile's part of an item; the bytes of the files it found.
std::uint64_t RunChromeItemOn(CleanRun& run, std::size_t item, const std::string& profile) {
  switch (item) {
    case 0:
      return ChromeCaches(run, profile);
    case 1:
      return ChromeCookies(run, profile);
    case 2:
      return ChromeHistory(run, profile);
    case 3:
      return DeleteMasks(run, profile, {"Current Session", "Last Session"});
    case 4:
      ClearTables(run, profile, "Web Data", kLoginTables);
      return DeleteMasks(run, profile, {"Login Data"});
    case 5:
      ClearTables(run, profile, "Web Data", kFormTables);
      return 0;
    default:
      ClearTables(run, profile, "History", kDownloadTables);
      return 0;
  }
}

bool RunChromeItem(CleanRun& run, std::string_view runName) {
  static constexpr std::array<std::string_view, 7> kNames = {
      "Google Chrome - Temporary Internet Files",  "Google Chrome - Cookies",
      "Google Chrome - Visited URL History",       "Google Chrome - Session",
      "Google Chrome - Stored passwords in Forms", "Google Chrome - Saved Form Information",
      "Google Chrome - Download History"};
  const auto* found = std::find(kNames.begin(), kNames.end(), runName);
  if (found == kNames.end()) return false;
  const auto item = static_cast<std::size_t>(found - kNames.begin());
  std::uint64_t bytes = 0;
  bool any = false;
  for (const std::string& profile : ChromeProfileFolders(run)) {
    if (run.Terminated()) break;
    any = true;
    bytes += RunChromeItemOn(run, item, profile);
  }
  // The database items find no files: their size is 0.
  if (any) run.SetItemSize(bytes);
  return true;
}

}  // namespace

bool RunChromeOrOperaItem(CleanRun& run, std::string_view runName) {
  return RunOperaItem(run, runName) || RunChromeItem(run, runName);
}

}  // namespace nc::cleaner
