// The items of the group "Opera" and of the Chromium groups ("Google
// Chrome", "Microsoft Edge", ...): masks over Opera's folder and each
// profile of a Chromium browser, the cache folders, and the rows of the
// "Web Data" and "History" databases.
#include <algorithm>
#include <array>
#include <span>
#include <string>
#include <vector>

#include "cleaner/browser_items.h"
#include "cleaner/chromium_browsers.h"
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

// The profiles of a Chromium browser's "User Data" folder, with trailing
// backslashes, in name order: the folders that hold a "Preferences" file
// ("Default", "Profile 1", "Guest Profile", ...), and Chrome's "Default"
// even without one, as its oldest versions left it. "System Profile" is
// the browser's own; links are never entered. Opera's folder is a profile
// itself and comes first. Each profile as its path below `userData`
// ("" for the folder itself).
std::vector<std::string> ChromiumProfiles(CleanRun& run, const ChromiumBrowser& browser,
                                          const std::string& userData) {
  platform::FileSystem& files = run.platform().files;
  auto isPlainFile = [&files](const std::string& path) {
    const auto attributes = files.attributes(path);
    return attributes &&
           (*attributes & (platform::FileAttr::Directory | platform::FileAttr::ReparsePoint)) == 0;
  };
  std::vector<std::string> profiles;
  if (browser.folderIsProfile && isPlainFile(userData + "Preferences")) profiles.emplace_back();
  auto entries = files.list(userData);
  if (!entries) return profiles;
  std::vector<std::pair<std::string, std::string>> found;  // upper-cased name, relative folder
  for (const auto& entry : *entries) {
    if (run.Terminated()) return {};
    if (!entry.isFolder() || entry.isLink()) continue;
    std::string upper = UpperAscii(entry.name);
    if (upper == "SYSTEM PROFILE") continue;
    std::string folder = entry.name + "\\";
    if (!(browser.original && upper == "DEFAULT") &&
        !isPlainFile(userData + folder + "Preferences")) {
      continue;
    }
    found.emplace_back(std::move(upper), std::move(folder));
  }
  std::sort(found.begin(), found.end());
  for (auto& profile : found) profiles.push_back(std::move(profile.second));
  return profiles;
}

std::uint64_t DeleteMasks(CleanRun& run, const std::string& folder,
                          const std::vector<std::string_view>& masks) {
  std::uint64_t bytes = 0;
  for (std::string_view mask : masks) {
    bytes += DeleteFilesByMask(run, folder, mask, {.recurse = true}, run.ItemCount);
  }
  return bytes;
}

// A profile folder with a trailing backslash. Its masks reach every
// folder below it, unless other profiles lie below it (Opera's folder
// that is a profile itself): then they reach its own files and those of
// its "Network" folder only.
struct ChromiumProfile {
  std::string folder;
  bool wholeTree = true;
};

std::uint64_t ProfileMasks(CleanRun& run, const ChromiumProfile& profile,
                           const std::vector<std::string_view>& masks) {
  if (profile.wholeTree) return DeleteMasks(run, profile.folder, masks);
  std::uint64_t bytes = 0;
  for (const std::string& folder : {profile.folder, profile.folder + "Network"}) {
    for (std::string_view mask : masks) {
      bytes += DeleteFilesByMask(run, folder, mask, {}, run.ItemCount);
    }
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
std::uint64_t ChromeHistory(CleanRun& run, const ChromiumProfile& profile) {
  std::uint64_t bytes = ProfileMasks(
      run, profile,
      {"Archived History", "History", "Thumbnails", "Visited Links", "Current Tabs", "Last Tabs",
       "Top Sites", "History Provider Cache", "Network Action Predictor"});
  std::vector<std::string> indexes;
  if (auto entries = run.platform().files.list(profile.folder)) {
    for (const auto& entry : *entries) {
      if (!entry.isFolder() && UpperAscii(entry.name).find("HISTORY INDEX") != std::string::npos) {
        indexes.push_back(entry.name);
      }
    }
  }
  for (const std::string& name : indexes) bytes += ProfileMasks(run, profile, {name});
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
std::uint64_t ChromeCookies(CleanRun& run, const ChromiumProfile& profile) {
  std::uint64_t bytes = ProfileMasks(run, profile, {"Cookies"});
  bytes += DeleteFilesByMask(run, profile.folder + "Network", "Cookies-journal", {}, run.ItemCount);
  bytes += EmptyFolder(run, profile.folder + "Local Storage");
  return bytes;
}

// One profile's part of an item; the bytes of the files it found. The
// cache item also empties the profile's caches below `localTwin` (the
// browser's folder of the same name below the local application data)
// when there is one.
std::uint64_t RunChromiumItemOn(CleanRun& run, std::size_t item, const ChromiumProfile& profile,
                                const std::string& localTwin) {
  switch (item) {
    case 0: {
      std::uint64_t bytes = ChromeCaches(run, profile.folder);
      if (!localTwin.empty()) bytes += ChromeCaches(run, localTwin);
      return bytes;
    }
    case 1:
      return ChromeCookies(run, profile);
    case 2:
      return ChromeHistory(run, profile);
    case 3:
      return ProfileMasks(run, profile, {"Current Session", "Last Session"});
    case 4:
      ClearTables(run, profile.folder, "Web Data", kLoginTables);
      return ProfileMasks(run, profile, {"Login Data"});
    case 5:
      ClearTables(run, profile.folder, "Web Data", kFormTables);
      return 0;
    default:
      ClearTables(run, profile.folder, "History", kDownloadTables);
      return 0;
  }
}

bool RunChromiumItem(CleanRun& run, std::string_view runName) {
  std::size_t item = 0;
  const ChromiumBrowser* browser = ChromiumItemOf(runName, item);
  if (browser == nullptr) return false;
  platform::Platform& ports = run.platform();
  const std::string userData = ChromiumUserDataFolder(ports.registry, ports.files, *browser);
  if (userData.empty()) return true;
  // Opera keeps its caches below the local application data.
  std::string localData;
  if (browser->roaming && item == 0) {
    const std::string local = LocalAppDataFolder(ports);
    if (!local.empty()) {
      localData = ExistingFolder(ports, local + std::string(browser->userData) + "\\");
    }
  }
  std::uint64_t bytes = 0;
  bool any = false;
  for (const std::string& profile : ChromiumProfiles(run, *browser, userData)) {
    if (run.Terminated()) break;
    any = true;
    const std::string localTwin =
        localData.empty() ? std::string() : ExistingFolder(ports, localData + profile);
    // Opera's own folder holds the other profiles.
    bytes += RunChromiumItemOn(run, item, {userData + profile, !profile.empty()}, localTwin);
  }
  // The database items find no files: their size is 0.
  if (any) run.SetItemSize(bytes);
  return true;
}

}  // namespace

bool RunChromeOrOperaItem(CleanRun& run, std::string_view runName) {
  return RunOperaItem(run, runName) || RunChromiumItem(run, runName);
}

}  // namespace nc::cleaner
