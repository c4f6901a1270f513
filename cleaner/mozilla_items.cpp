// The items of the groups "Mozilla Firefox" and "Netscape": masks over the
// profile folders, the cache folders of every profile ("Cache", and today
// "cache2"), and the places and favicons databases of every Firefox
// profile.
#include <algorithm>
#include <array>
#include <optional>
#include <set>
#include <string>
#include <variant>
#include <vector>

#include "cleaner/browser_items.h"
#include "cleaner/remove_files.h"
#include "cleaner/user_folders.h"
#include "core/ini.h"
#include "core/text.h"

namespace nc::cleaner {

namespace {

constexpr std::string_view kNotice = "Clearing, please wait...";

// A folder below the roaming application data; "" when there is none.
std::string BelowAppData(platform::Platform& ports, std::string_view rest) {
  const std::string appData = UserAppDataFolder(ports);
  if (WithoutTrailingBackslash(appData).empty()) return {};
  return appData + std::string(rest);
}

std::string FirefoxProfilesFolder(platform::Platform& ports) {
  return ExistingFolder(ports, BelowAppData(ports, "Mozilla\\Firefox\\Profiles"));
}

std::string FirefoxLocalProfilesFolder(platform::Platform& ports) {
  const std::string local = LocalAppDataFolder(ports);
  if (local.empty()) return {};
  return ExistingFolder(ports, local + "Mozilla\\Firefox\\Profiles");
}

// The profile Netscape uses: "pbzik8cu.default", else the first sub-folder
// whose path holds ".default", else the last one listed. With a trailing
// backslash; "" when there is none.
std::string NetscapeProfileFolder(CleanRun& run) {
  platform::Platform& ports = run.platform();
  const std::string base = ExistingFolder(ports, BelowAppData(ports, "Netscape\\NSB\\Profiles"));
  if (base.empty()) return {};
  std::string chosen = ExistingFolder(ports, base + "\\pbzik8cu.default");
  if (chosen.empty()) {
    const std::vector<std::string> profiles = RealSubFolders(run, base);
    for (const std::string& profile : profiles) {
      if (profile.find(".default") != std::string::npos) {
        chosen = profile;
        break;
      }
    }
    if (chosen.empty() && !profiles.empty()) chosen = profiles.back();
  }
  if (ExistingFolder(ports, chosen).empty()) return {};
  return WithTrailingBackslash(chosen);
}

void WriteCacheNotice(CleanRun& run) {
  if (!run.TestMode() && !run.env().settings.ShowLogTempInternetFiles) run.AddLine(kNotice);
}

std::uint64_t EmptyCache(CleanRun& run, const std::string& cache) {
  if (ExistingFolder(run.platform(), cache).empty()) return 0;
  return DeleteFolderContents(
      run, cache, {.removeFolder = false, .logFiles = run.env().settings.ShowLogTempInternetFiles},
      run.ItemCount);
}

void FirefoxCache(CleanRun& run) {
  WriteCacheNotice(run);
  platform::Platform& ports = run.platform();
  std::uint64_t bytes = 0;
  for (const std::string& profiles :
       {FirefoxProfilesFolder(ports), FirefoxLocalProfilesFolder(ports)}) {
    if (profiles.empty()) continue;
    for (const std::string& profile : RealSubFolders(run, profiles)) {
      bytes += EmptyCache(run, profile + "\\Cache");
      bytes += EmptyCache(run, profile + "\\cache2");
    }
  }
  run.SetItemSize(bytes);
}

// The largest profiles.ini read; Firefox's own is a few hundred bytes.
constexpr std::uint64_t kMaxProfilesIniBytes = 1 << 20;

// The folder a profiles.ini entry names: a path relative to the Firefox
// folder, with forward slashes, or a full path of its own. "" for a path
// that is neither, or that climbs out with "..".
std::string ProfilePath(const std::string& firefox, std::string_view path, bool relative) {
  std::string folder(path);
  std::replace(folder.begin(), folder.end(), '/', '\\');
  folder = WithoutTrailingBackslash(folder);
  if (folder.empty()) return {};
  for (std::size_t at = 0; at <= folder.size();) {
    const std::size_t end = std::min(folder.find('\\', at), folder.size());
    if (folder.compare(at, end - at, "..") == 0) return {};
    at = end + 1;
  }
  const bool full =
      (folder.size() >= 3 && folder[1] == ':' && folder[2] == '\\') || StartsWith(folder, "\\\\");
  if (relative) return full || folder.front() == '\\' ? "" : firefox + "\\" + folder;
  return full ? folder : "";
}

// The profile folders that "profiles.ini" in the Firefox folder names, in
// its order; none when it is missing, a link or implausibly large.
std::vector<std::string> ProfilesIniFolders(platform::Platform& ports, const std::string& firefox) {
  std::vector<std::string> folders;
  const std::string ini = firefox + "\\profiles.ini";
  const auto facts = ports.files.stat(ini);
  if (!facts || facts->isFolder() || facts->isLink() || facts->size > kMaxProfilesIniBytes) {
    return folders;
  }
  const auto bytes = platform::ReadWholeFile(ports.files, ini);
  if (!bytes) return folders;
  const IniDocument document = IniDocument::Parse(DecodeTextFile(*bytes).text);
  for (const std::string& section : document.sectionNames()) {
    if (!StartsWithNoCase(section, "Profile")) continue;
    const auto path = document.get(section, "Path");
    if (!path) continue;
    const bool relative = document.get(section, "IsRelative").value_or("") == "1";
    const std::string folder = ProfilePath(firefox, *path, relative);
    if (!folder.empty()) folders.push_back(folder);
  }
  return folders;
}

// The folders of Firefox's profiles, each once and in this order: those
// that profiles.ini names (relative to the Firefox folder, or absolute),
// then every sub-folder of the Profiles folder that holds a places
// database. Folders that do not exist or are links are left out.
std::vector<std::string> FirefoxProfiles(CleanRun& run, const std::string& profilesFolder) {
  platform::Platform& ports = run.platform();
  std::vector<std::string> found;
  const auto add = [&](const std::string& folder) {
    if (ExistingFolder(ports, folder).empty()) return;
    for (const std::string& known : found) {
      if (EqualsNoCase(known, folder)) return;
    }
    found.push_back(folder);
  };
  const std::string firefox = BelowAppData(ports, "Mozilla\\Firefox");
  if (!firefox.empty()) {
    for (const std::string& folder : ProfilesIniFolders(ports, firefox)) add(folder);
  }
  if (!profilesFolder.empty()) {
    for (const std::string& profile : RealSubFolders(run, profilesFolder)) {
      if (ports.files.fileExists(profile + "\\places.sqlite")) add(profile);
    }
  }
  return found;
}

// The statements that remove the visited history from a places database,
// each run only when the file has the tables (and columns) it names, so
// that the databases of Firefox 3 and of today both work. The places that
// bookmarks refer to stay, with their visits forgotten. Returns the
// addresses of the bookmarks.
std::set<std::string> CleanPlaces(SqliteDatabase& places) {
  const bool hasPlaces = places.HasTable("moz_places");
  if (hasPlaces) {
    places.RunStatement(
        "DELETE FROM moz_places WHERE id NOT IN (SELECT fk FROM moz_bookmarks where fk is "
        "not null)");
  }
  // The visits, the text typed into the address bar and the interactions
  // with pages, all of them.
  for (const char* table : {"moz_historyvisits", "moz_inputhistory", "moz_places_metadata",
                            "moz_places_metadata_search_queries"}) {
    if (places.HasTable(table)) places.RunStatement(std::string("DELETE FROM ") + table);
  }
  // The hosts that address-bar completion offers: those of no remaining place.
  if (places.HasTable("moz_origins")) {
    places.RunStatement(hasPlaces && places.HasColumn("moz_places", "origin_id")
                            ? "DELETE FROM moz_origins WHERE id NOT IN (SELECT origin_id FROM "
                              "moz_places WHERE origin_id IS NOT NULL)"
                            : "DELETE FROM moz_origins");
  }
  std::set<std::string> bookmarks;
  if (!hasPlaces) return bookmarks;
  // The annotations of removed places (a download's file, for one).
  if (places.HasTable("moz_annos") && places.HasColumn("moz_annos", "place_id")) {
    places.RunStatement("DELETE FROM moz_annos WHERE place_id NOT IN (SELECT id FROM moz_places)");
  }
  std::string counters;
  for (const char* column : {"visit_count", "last_visit_date", "frecency"}) {
    if (!places.HasColumn("moz_places", column)) continue;
    counters += (counters.empty() ? "" : ", ") + std::string(column) + " = 0";
  }
  if (!counters.empty()) places.RunStatement("UPDATE moz_places SET " + counters);
  if (!places.HasColumn("moz_places", "url")) return bookmarks;
  const auto urls = places.QueryTable("SELECT url FROM moz_places");
  for (int row = 0; row < urls->RowCount(); ++row) {
    if (const auto* url = std::get_if<std::string>(&urls->Value(row, 0))) bookmarks.insert(*url);
  }
  return bookmarks;
}

// The host (with its port) of an address, in lower case; "" for none.
std::string HostOf(std::string_view url) {
  const std::size_t scheme = url.find("://");
  if (scheme == std::string_view::npos) return {};
  url.remove_prefix(scheme + 3);
  return LowerAscii(url.substr(0, url.find_first_of("/?#")));
}

// Deletes the rows of `table` whose `column` holds one of `ids`, a few
// hundred at a time.
void DeleteByIds(SqliteDatabase& database, std::string_view table, std::string_view column,
                 const std::vector<std::int64_t>& ids) {
  constexpr std::size_t kIdsPerStatement = 500;
  for (std::size_t first = 0; first < ids.size(); first += kIdsPerStatement) {
    std::string list;
    for (std::size_t i = first; i < std::min(ids.size(), first + kIdsPerStatement); ++i) {
      list += (list.empty() ? "" : ",") + std::to_string(ids[i]);
    }
    database.RunStatement("DELETE FROM " + std::string(table) + " WHERE " + std::string(column) +
                          " IN (" + list + ")");
  }
}

// The pages of a favicons database whose address is no bookmark's, with
// their links to icons; then the icons that no page links to any more,
// except the root icons ("/favicon.ico") of the bookmarks' sites, which
// Firefox finds by the site alone. Every other icon's address would still
// name a visited site.
void CleanFavicons(SqliteDatabase& favicons, const std::set<std::string>& bookmarks) {
  if (!favicons.HasTable("moz_pages_w_icons")) return;
  const bool links = favicons.HasTable("moz_icons_to_pages");
  const auto pages = favicons.QueryTable("SELECT id, page_url FROM moz_pages_w_icons");
  std::vector<std::int64_t> gone;
  for (int row = 0; row < pages->RowCount(); ++row) {
    const auto* id = std::get_if<std::int64_t>(&pages->Value(row, 0));
    const auto* url = std::get_if<std::string>(&pages->Value(row, 1));
    if (id != nullptr && (url == nullptr || !bookmarks.contains(*url))) gone.push_back(*id);
  }
  if (links) DeleteByIds(favicons, "moz_icons_to_pages", "page_id", gone);
  DeleteByIds(favicons, "moz_pages_w_icons", "id", gone);

  if (!favicons.HasTable("moz_icons") || !favicons.HasColumn("moz_icons", "root")) return;
  std::set<std::string> sites;
  for (const std::string& url : bookmarks) sites.insert(HostOf(url));
  const auto icons = favicons.QueryTable(
      std::string("SELECT id, root, icon_url FROM moz_icons") +
      (links ? " WHERE id NOT IN (SELECT icon_id FROM moz_icons_to_pages)" : ""));
  gone.clear();
  for (int row = 0; row < icons->RowCount(); ++row) {
    const auto* id = std::get_if<std::int64_t>(&icons->Value(row, 0));
    const auto* root = std::get_if<std::int64_t>(&icons->Value(row, 1));
    const auto* url = std::get_if<std::string>(&icons->Value(row, 2));
    const bool bookmarkedSite = root != nullptr && *root != 0 && url != nullptr &&
                                !HostOf(*url).empty() && sites.contains(HostOf(*url));
    if (id != nullptr && !bookmarkedSite) gone.push_back(*id);
  }
  DeleteByIds(favicons, "moz_icons", "id", gone);
}

// The visited history of every profile: its places database, then its
// favicons database, which is cleaned only when the places database told
// which addresses are bookmarks.
void FirefoxHistoryDatabases(CleanRun& run, const std::string& profilesFolder) {
  for (const std::string& profile : FirefoxProfiles(run, profilesFolder)) {
    if (run.Terminated()) return;
    std::optional<std::set<std::string>> bookmarks;
    WithDatabase(run, profile + "\\places.sqlite",
                 [&](SqliteDatabase& places) { bookmarks = CleanPlaces(places); });
    if (!bookmarks || run.Terminated()) continue;
    WithDatabase(run, profile + "\\favicons.sqlite",
                 [&](SqliteDatabase& favicons) { CleanFavicons(favicons, *bookmarks); });
  }
}

struct MaskItem {
  std::string_view runName;
  std::array<std::string_view, 4> masks;  // "" for none
};

// The cookie database goes with its write-ahead log and the log's index.
constexpr std::array<MaskItem, 5> kFirefoxMaskItems{{
    {"Mozilla Firefox - Cookies",
     {"cookies*.txt", "cookies.sqlite", "cookies.sqlite-wal", "cookies.sqlite-shm"}},
    {"Mozilla Firefox - Download Manager", {"downloads.rdf", "downloads.sqlite"}},
    {"Mozilla Firefox - Autocomplete History", {"signons.txt", "signons3.txt"}},
    {"Mozilla Firefox - Preferences", {"prefs.js", ""}},
    {"Mozilla Firefox - Saved Form Information", {"formhistory.dat", "formhistory.sqlite"}},
}};

constexpr std::array<MaskItem, 4> kNetscapeMaskItems{{
    {"Netscape - Cookies", {"cookies*.txt", ""}},
    {"Netscape - Visited URL History", {"history.dat", ""}},
    {"Netscape - Preferences", {"prefs.js", ""}},
    {"Netscape - Saved Form Information", {"formhistory.dat", ""}},
}};

std::uint64_t DeleteItemMasks(CleanRun& run, const std::string& folder, const MaskItem& item,
                              bool recurse) {
  std::uint64_t bytes = 0;
  for (std::string_view mask : item.masks) {
    if (!mask.empty()) {
      bytes += DeleteFilesByMask(run, folder, mask, {.recurse = recurse}, run.ItemCount);
    }
  }
  return bytes;
}

bool RunFirefoxItem(CleanRun& run, std::string_view runName) {
  if (runName == "Mozilla Firefox - Temporary Internet Files") {
    FirefoxCache(run);
    return true;
  }
  const MaskItem* found = nullptr;
  for (const MaskItem& item : kFirefoxMaskItems) {
    if (item.runName == runName) found = &item;
  }
  const bool history = runName == "Mozilla Firefox - Visited URL History";
  if (found == nullptr && !history) return false;

  const std::string profiles = FirefoxProfilesFolder(run.platform());
  if (found != nullptr) {
    if (!profiles.empty()) run.SetItemSize(DeleteItemMasks(run, profiles, *found, true));
    return true;
  }
  // The databases of profiles that profiles.ini places elsewhere are
  // cleaned also without a Profiles folder.
  if (!profiles.empty()) {
    run.SetItemSize(
        DeleteFilesByMask(run, profiles, "history.dat", {.recurse = true}, run.ItemCount));
  }
  if (!run.TestMode() && !run.Terminated()) FirefoxHistoryDatabases(run, profiles);
  return true;
}

bool RunNetscapeItem(CleanRun& run, std::string_view runName) {
  if (runName == "Netscape - Temporary Internet Files") {
    WriteCacheNotice(run);
    const std::string profile = NetscapeProfileFolder(run);
    if (!profile.empty()) run.SetItemSize(EmptyCache(run, profile + "Cache"));
    return true;
  }
  for (const MaskItem& item : kNetscapeMaskItems) {
    if (item.runName != runName) continue;
    const std::string profile = NetscapeProfileFolder(run);
    if (!profile.empty()) run.SetItemSize(DeleteItemMasks(run, profile, item, false));
    return true;
  }
  return false;
}

}  // namespace

bool RunMozillaItem(CleanRun& run, std::string_view runName) {
  return RunFirefoxItem(run, runName) || RunNetscapeItem(run, runName);
}

}  // namespace nc::cleaner
