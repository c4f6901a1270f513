// The items of the group "Opera" and of the Chromium groups ("Google
// Chrome", "Microsoft Edge", ...): masks over Opera's folder and each
// profile of a Chromium browser, the cache folders, and the rows of the
// "Web Data", "History" and "Favicons" databases.
#include <algorithm>
#include <array>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "cleaner/browser_items.h"
#include "cleaner/chrome_bookmarks.h"
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
// itself and comes first, and the folders of its "_side_profiles" that
// hold a "Preferences" file come last. Each profile as its path below
// `userData` ("" for the folder itself).
std::vector<std::string> ChromiumProfiles(CleanRun& run, const ChromiumBrowser& browser,
                                          const std::string& userData) {
  platform::FileSystem& files = run.platform().files;
  auto isPlainFile = [&files](const std::string& path) {
    const auto attributes = files.attributes(path);
    return attributes &&
           (*attributes & (platform::FileAttr::Directory | platform::FileAttr::ReparsePoint)) == 0;
  };
  // The profiles among the sub-folders of `below` (relative to userData).
  auto profilesIn = [&](const std::string& below, bool skipOwn) {
    std::vector<std::pair<std::string, std::string>> found;  // upper-cased name, relative folder
    auto entries = files.list(userData + below);
    if (!entries) return found;
    for (const auto& entry : *entries) {
      if (run.Terminated()) return decltype(found){};
      if (!entry.isFolder() || entry.isLink()) continue;
      std::string upper = UpperAscii(entry.name);
      if (skipOwn && upper == "SYSTEM PROFILE") continue;
      std::string folder = below + entry.name + "\\";
      if (!(skipOwn && browser.original && upper == "DEFAULT") &&
          !isPlainFile(userData + folder + "Preferences")) {
        continue;
      }
      found.emplace_back(std::move(upper), std::move(folder));
    }
    std::sort(found.begin(), found.end());
    return found;
  };
  std::vector<std::string> profiles;
  if (browser.folderIsProfile && isPlainFile(userData + "Preferences")) profiles.emplace_back();
  for (auto& profile : profilesIn("", true)) profiles.push_back(std::move(profile.second));
  if (browser.folderIsProfile &&
      ExistingFolder(run.platform(), userData + "_side_profiles\\") != "") {
    for (auto& profile : profilesIn("_side_profiles\\", false)) {
      profiles.push_back(std::move(profile.second));
    }
  }
  if (run.Terminated()) return {};
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

// The items in the order of ChromiumItems.
enum ChromiumItem : std::size_t {
  kCacheItem,
  kCookiesItem,
  kHistoryItem,
  kSessionItem,
  kPasswordsItem,
  kFormsItem,
  kDownloadsItem,
};

constexpr std::array<std::string_view, 1> kLoginTables = {"logins"};
constexpr std::array<std::string_view, 3> kDownloadTables = {"downloads", "downloads_url_chains",
                                                             "downloads_slices"};

// The tables of "Web Data" that hold what forms were filled with: the
// entries ("autofill", of old also "autofill_dates") and the addresses,
// which each version kept under other names ("autofill_profile*", then
// "local_addresses*" and "contact_info*", today "addresses" and
// "address_type_tokens"). Cards, keywords and the rest stay.
bool IsFormTable(std::string_view name) {
  const std::string lower = LowerAscii(name);
  const std::string_view table = lower;
  return table == "autofill" || table == "autofill_dates" || table == "addresses" ||
         table == "address_type_tokens" || table.starts_with("autofill_profile") ||
         table.starts_with("local_addresses") || table.starts_with("contact_info");
}

// A table name as an SQL identifier.
std::string QuotedName(std::string_view name) {
  std::string quoted = "\"";
  for (const char c : name) {
    quoted += c;
    if (c == '"') quoted += '"';
  }
  return quoted + "\"";
}

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

// Empties the form tables that "Web Data" has; a clean only.
void ClearFormTables(CleanRun& run, const std::string& profile) {
  if (run.TestMode() || run.Terminated()) return;
  WithDatabase(run, profile + "Web Data", [&](SqliteDatabase& database) {
    const auto tables = database.QueryTable("SELECT name FROM sqlite_master WHERE type = 'table'");
    std::vector<std::string> names;
    for (int row = 0; row < tables->RowCount(); ++row) {
      if (const auto* name = std::get_if<std::string>(&tables->Value(row, 0))) {
        if (IsFormTable(*name)) names.push_back(*name);
      }
    }
    for (const std::string& name : names) {
      if (run.Terminated()) return;
      database.RunStatement("DELETE FROM " + QuotedName(name));
    }
  });
}

// The page addresses of "Favicons" that no bookmark of the profile names,
// with the icons no page is left to; a clean only. A "Bookmarks" file
// that cannot be read leaves "Favicons" as it is.
void ClearFaviconPages(CleanRun& run, const std::string& profile) {
  if (run.TestMode() || run.Terminated()) return;
  platform::FileSystem& files = run.platform().files;
  if (!files.fileExists(profile + "Favicons")) return;
  const auto bookmarks = ReadBookmarkUrls(files, profile + "Bookmarks");
  if (!bookmarks) return;
  WithDatabase(run, profile + "Favicons", [&](SqliteDatabase& database) {
    if (!database.HasTable("icon_mapping")) return;
    const auto pages = database.QueryTable("SELECT rowid, page_url FROM icon_mapping");
    std::vector<std::int64_t> gone;
    for (int row = 0; row < pages->RowCount(); ++row) {
      const auto* id = std::get_if<std::int64_t>(&pages->Value(row, 0));
      const auto* url = std::get_if<std::string>(&pages->Value(row, 1));
      if (id != nullptr && (url == nullptr || !bookmarks->contains(*url))) gone.push_back(*id);
    }
    constexpr std::size_t kBatch = 500;
    for (std::size_t first = 0; first < gone.size(); first += kBatch) {
      if (run.Terminated()) return;
      std::string list;
      for (std::size_t i = first; i < std::min(gone.size(), first + kBatch); ++i) {
        if (!list.empty()) list += ',';
        list += std::to_string(gone[i]);
      }
      database.RunStatement("DELETE FROM icon_mapping WHERE rowid IN (" + list + ")");
    }
    const std::string kept = "(SELECT icon_id FROM icon_mapping WHERE icon_id IS NOT NULL)";
    if (database.HasTable("favicon_bitmaps")) {
      database.RunStatement("DELETE FROM favicon_bitmaps WHERE icon_id NOT IN " + kept);
    }
    if (database.HasTable("favicons")) {
      database.RunStatement("DELETE FROM favicons WHERE id NOT IN " + kept);
    }
  });
}

// Each name is passed once: a test run, which deletes nothing, would
// count a file again under a second pass of its name. The journals go
// with their databases: a journal left beside a new database of its name
// would be played into it.
std::uint64_t ChromeHistory(CleanRun& run, const ChromiumProfile& profile) {
  std::uint64_t bytes =
      ProfileMasks(run, profile,
                   {"Archived History", "Archived History-journal", "History", "History-journal",
                    "Thumbnails", "Visited Links", "Current Tabs", "Last Tabs", "Top Sites",
                    "Top Sites-journal", "History Provider Cache", "Network Action Predictor",
                    "Network Action Predictor-journal", "Shortcuts", "Shortcuts-journal"});
  std::vector<std::string> indexes;
  if (auto entries = run.platform().files.list(profile.folder)) {
    for (const auto& entry : *entries) {
      if (!entry.isFolder() && UpperAscii(entry.name).find("HISTORY INDEX") != std::string::npos) {
        indexes.push_back(entry.name);
      }
    }
  }
  for (const std::string& name : indexes) bytes += ProfileMasks(run, profile, {name});
  ClearFaviconPages(run, profile.folder);
  return bytes;
}

// The cache folders of a profile: the disk cache, the compiled scripts
// and shaders, the caches of the sites' service workers and their
// scripts.
std::uint64_t ChromeCaches(CleanRun& run, const std::string& profile) {
  std::uint64_t bytes = 0;
  for (std::string_view cache :
       {"Cache", "Code Cache", "GPUCache", "DawnCache", "DawnGraphiteCache", "DawnWebGPUCache",
        "Service Worker\\CacheStorage", "Service Worker\\ScriptCache"}) {
    bytes += EmptyFolder(run, profile + std::string(cache));
  }
  return bytes;
}

// The shader caches the browser keeps beside its profiles.
std::uint64_t ChromeSharedCaches(CleanRun& run, const std::string& userData) {
  return EmptyFolder(run, userData + "GrShaderCache") + EmptyFolder(run, userData + "ShaderCache");
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
    case kCacheItem: {
      std::uint64_t bytes = ChromeCaches(run, profile.folder);
      if (!localTwin.empty()) bytes += ChromeCaches(run, localTwin);
      return bytes;
    }
    case kCookiesItem:
      return ChromeCookies(run, profile);
    case kHistoryItem:
      return ChromeHistory(run, profile);
    case kSessionItem:
      // Today's sessions: "Session_*", "Tabs_*" in "Sessions".
      return ProfileMasks(run, profile, {"Current Session", "Last Session"}) +
             EmptyFolder(run, profile.folder + "Sessions");
    case kPasswordsItem:
      ClearTables(run, profile.folder, "Web Data", kLoginTables);
      return ProfileMasks(run, profile,
                          {"Login Data", "Login Data-journal", "Login Data For Account",
                           "Login Data For Account-journal"});
    case kFormsItem:
      ClearFormTables(run, profile.folder);
      return 0;
    default:
      ClearTables(run, profile.folder, "History", kDownloadTables);
      return 0;
  }
}

// The item over one channel's "User Data" folder.
std::uint64_t RunChromiumItemIn(CleanRun& run, std::size_t item, const ChromiumBrowser& browser,
                                const std::string& userData, const std::string& localData,
                                bool& any) {
  std::uint64_t bytes = 0;
  if (item == kCacheItem) {
    bytes += ChromeSharedCaches(run, userData);
    if (!localData.empty()) bytes += ChromeSharedCaches(run, localData);
  }
  for (const std::string& profile : ChromiumProfiles(run, browser, userData)) {
    if (run.Terminated()) break;
    any = true;
    const std::string localTwin =
        localData.empty() ? std::string() : ExistingFolder(run.platform(), localData + profile);
    // Opera's own folder holds the other profiles.
    bytes += RunChromiumItemOn(run, item, {userData + profile, !profile.empty()}, localTwin);
  }
  return bytes;
}

bool RunChromiumItem(CleanRun& run, std::string_view runName) {
  std::size_t item = 0;
  const ChromiumBrowser* browser = ChromiumItemOf(runName, item);
  if (browser == nullptr) return false;
  platform::Platform& ports = run.platform();
  const std::string base = ChromiumBaseFolder(ports.registry, ports.files, *browser);
  if (base.empty()) return true;
  // Opera keeps its caches below the local application data.
  const std::string local =
      browser->roaming && item == kCacheItem ? LocalAppDataFolder(ports) : std::string();
  std::uint64_t bytes = 0;
  bool any = false;
  for (const std::string_view channel : browser->userData) {
    if (channel.empty() || run.Terminated()) continue;
    const std::string userData = ExistingFolder(ports, base + std::string(channel) + "\\");
    if (userData.empty()) continue;
    const std::string localData =
        local.empty() ? std::string() : ExistingFolder(ports, local + std::string(channel) + "\\");
    bytes += RunChromiumItemIn(run, item, *browser, userData, localData, any);
  }
  // The database items find no files: their size is 0.
  if (any || bytes > 0) run.SetItemSize(bytes);
  return true;
}

}  // namespace

bool RunChromeOrOperaItem(CleanRun& run, std::string_view runName) {
  return RunOperaItem(run, runName) || RunChromiumItem(run, runName);
}

}  // namespace nc::cleaner
