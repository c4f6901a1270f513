// Browser databases for the tests, with the table layouts the browsers
// write: Firefox's places (places, visits, bookmarks whose folders have no
// place), Chrome's "Web Data" (logins and part of the autofill tables) and
// "History" (downloads beside the visited addresses). Made and read with
// the SQLite library itself, apart from the wrapper under test. Beside
// them, whole profile folders as the browsers leave them: Chrome's
// profile of its first years and of today, Firefox's profiles with the
// old "Cache" and with "cache2".
#pragma once

#include <sqlite3.h>

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace nc::testing {

// Places 1..5; bookmarks 2 and 4 point at places 2 and 4, the folders
// (fk NULL) at none; three visits.
inline constexpr const char* kFirefoxPlaces =
    "CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url LONGVARCHAR, title LONGVARCHAR, "
    "rev_host LONGVARCHAR, visit_count INTEGER DEFAULT 0, hidden INTEGER DEFAULT 0 NOT NULL, "
    "typed INTEGER DEFAULT 0 NOT NULL, favicon_id INTEGER, frecency INTEGER DEFAULT -1 NOT NULL, "
    "last_visit_date INTEGER);"
    "CREATE TABLE moz_historyvisits (id INTEGER PRIMARY KEY, from_visit INTEGER, "
    "place_id INTEGER, visit_date INTEGER, visit_type INTEGER, session INTEGER);"
    "CREATE TABLE moz_bookmarks (id INTEGER PRIMARY KEY, type INTEGER, fk INTEGER DEFAULT NULL, "
    "parent INTEGER, position INTEGER, title LONGVARCHAR, keyword_id INTEGER, folder_type TEXT, "
    "dateAdded INTEGER, lastModified INTEGER);"
    "INSERT INTO moz_places (id, url) VALUES (1, 'http://a.example/'), (2, 'http://b.example/'), "
    "(3, 'http://c.example/'), (4, 'http://d.example/'), (5, 'http://e.example/');"
    "INSERT INTO moz_historyvisits (place_id, visit_date) VALUES (1, 10), (3, 20), (4, 30);"
    "INSERT INTO moz_bookmarks (id, type, fk, parent, title) VALUES (1, 2, NULL, 0, 'root'), "
    "(2, 1, 2, 1, 'b'), (3, 2, NULL, 1, 'menu'), (4, 1, 4, 3, 'd');";

// "logins" and four of the seven autofill tables, each with rows, and
// "keywords", which no item touches.
inline constexpr const char* kChromeWebData =
    "CREATE TABLE meta (key LONGVARCHAR NOT NULL UNIQUE PRIMARY KEY, value LONGVARCHAR);"
    "CREATE TABLE keywords (id INTEGER PRIMARY KEY, short_name VARCHAR NOT NULL, "
    "keyword VARCHAR NOT NULL);"
    "CREATE TABLE logins (origin_url VARCHAR NOT NULL, action_url VARCHAR, "
    "username_element VARCHAR, username_value VARCHAR, password_element VARCHAR, "
    "password_value BLOB, submit_element VARCHAR, signon_realm VARCHAR NOT NULL, "
    "ssl_valid INTEGER NOT NULL, preferred INTEGER NOT NULL, date_created INTEGER NOT NULL, "
    "blacklisted_by_user INTEGER NOT NULL, scheme INTEGER NOT NULL);"
    "CREATE TABLE autofill (name VARCHAR, value VARCHAR, value_lower VARCHAR, "
    "pair_id INTEGER PRIMARY KEY, count INTEGER DEFAULT 1);"
    "CREATE TABLE autofill_dates (pair_id INTEGER DEFAULT 0, date_created INTEGER DEFAULT 0);"
    "CREATE TABLE autofill_profiles (guid VARCHAR PRIMARY KEY, company_name VARCHAR, "
    "address_line_1 VARCHAR, city VARCHAR, date_modified INTEGER NOT NULL DEFAULT 0);"
    "CREATE TABLE autofill_profile_names (guid VARCHAR, first_name VARCHAR, "
    "middle_name VARCHAR, last_name VARCHAR);"
    "INSERT INTO meta VALUES ('version', '29');"
    "INSERT INTO keywords (short_name, keyword) VALUES ('Example', 'example.org');"
    "INSERT INTO logins VALUES ('http://a.example/', '', 'u', 'me', 'p', x'01', '', "
    "'http://a.example/', 0, 1, 5, 0, 0);"
    "INSERT INTO autofill (name, value, value_lower) VALUES ('q', 'Text', 'text'), "
    "('email', 'me@example.org', 'me@example.org');"
    "INSERT INTO autofill_dates VALUES (1, 100), (2, 200);"
    "INSERT INTO autofill_profiles (guid, city) VALUES ('g1', 'Oslo');"
    "INSERT INTO autofill_profile_names VALUES ('g1', 'Ada', '', 'L');";

// "downloads" beside "urls", which the download item leaves.
inline constexpr const char* kChromeHistory =
    "CREATE TABLE urls (id INTEGER PRIMARY KEY, url LONGVARCHAR, title LONGVARCHAR, "
    "visit_count INTEGER DEFAULT 0 NOT NULL, typed_count INTEGER DEFAULT 0 NOT NULL, "
    "last_visit_time INTEGER NOT NULL, hidden INTEGER DEFAULT 0 NOT NULL, "
    "favicon_id INTEGER DEFAULT 0 NOT NULL);"
    "CREATE TABLE downloads (id INTEGER PRIMARY KEY, full_path LONGVARCHAR NOT NULL, "
    "url LONGVARCHAR NOT NULL, start_time INTEGER NOT NULL, received_bytes INTEGER NOT NULL, "
    "total_bytes INTEGER NOT NULL, state INTEGER NOT NULL);"
    "INSERT INTO urls (url, last_visit_time) VALUES ('http://a.example/', 1);"
    "INSERT INTO downloads (full_path, url, start_time, received_bytes, total_bytes, state) "
    "VALUES ('C:\\x.zip', 'http://a.example/x.zip', 1, 2, 2, 1), "
    "('C:\\y.zip', 'http://a.example/y.zip', 3, 4, 4, 1);";

// Added to kFirefoxPlaces: deleting a visit never ends, for a trigger on
// the visits reads a view that counts without end.
inline constexpr const char* kEndlessVisitsTrigger =
    "CREATE VIEW nc_endless AS WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n) "
    "SELECT count(*) FROM n;"
    "CREATE TRIGGER nc_forever AFTER DELETE ON moz_historyvisits BEGIN SELECT * FROM nc_endless; "
    "END;";

inline std::string Utf8Path(const std::filesystem::path& path) {
  const auto text = path.u8string();
  return std::string(text.begin(), text.end());
}

// Creates (or extends) the database file with the statements; false on
// any failure.
inline bool MakeDatabase(const std::filesystem::path& file, const std::string& sql) {
  std::error_code ec;
  std::filesystem::create_directories(file.parent_path(), ec);
  sqlite3* db = nullptr;
  bool ok = sqlite3_open(Utf8Path(file).c_str(), &db) == SQLITE_OK &&
            sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
  sqlite3_close(db);
  return ok;
}

// The first column of the first row of a query as text ("<error>" when the
// query fails, "" without a row).
inline std::string QueryText(const std::filesystem::path& file, const std::string& sql) {
  sqlite3* db = nullptr;
  std::string out = "<error>";
  if (sqlite3_open_v2(Utf8Path(file).c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK) {
      const int step = sqlite3_step(statement);
      if (step == SQLITE_ROW) {
        const unsigned char* text = sqlite3_column_text(statement, 0);
        out = text != nullptr ? reinterpret_cast<const char*>(text) : "";
      } else if (step == SQLITE_DONE) {
        out.clear();
      }
    }
    sqlite3_finalize(statement);
  }
  sqlite3_close(db);
  return out;
}

// The ids of a table's rows, "1,2,3" ("<error>" when the query fails).
inline std::string Ids(const std::filesystem::path& file, const std::string& table,
                       const std::string& column = "id") {
  return QueryText(file, "select coalesce(group_concat(" + column + "), '') from (select " +
                             column + " from " + table + " order by 1)");
}

inline std::string Count(const std::filesystem::path& file, const std::string& table) {
  return QueryText(file, "select count(*) from " + table);
}

// ---- profile folders ---------------------------------------------------------------

// A file of a profile: its path below the profile folder and its size.
struct ProfileFile {
  const char* path;
  std::size_t size;
};

// Chrome's "Default" profile as Chrome wrote it in its first years: the
// cookies beside the history, one "Cache" folder, no "Network" folder.
// "History" and "Web Data" are databases besides (the journals are empty:
// SQLite would play a journal with bytes back into its database).
inline const std::vector<ProfileFile>& OldChromeProfileFiles() {
  static const std::vector<ProfileFile> files = {
      {"Archived History", 2048}, {"Cache/data_0", 8192},
      {"Cache/data_1", 270336},   {"Cache/f_000001", 5000},
      {"Cache/index", 262512},    {"Cookies", 7168},
      {"Cookies-journal", 0},     {"Current Session", 1200},
      {"Current Tabs", 900},      {"History Index 2011-04", 3072},
      {"History-journal", 0},     {"Last Session", 1100},
      {"Last Tabs", 800},         {"Local Storage/http_www.example.org_0.localstorage", 3072},
      {"Login Data", 4096},       {"Thumbnails", 6144},
      {"Top Sites", 4096},        {"Visited Links", 131072},
  };
  return files;
}

// A profile of today's Chrome: "Preferences" marks the folder as a
// profile; the cookies are in "Network", the caches in four folders; the
// sessions and the databases of "Service Worker" and "Local Storage" are
// folders of their own. "History" and "Web Data" are databases besides.
inline const std::vector<ProfileFile>& CurrentChromeProfileFiles() {
  static const std::vector<ProfileFile> files = {
      {"Cache/Cache_Data/data_0", 8192},
      {"Cache/Cache_Data/data_1", 270336},
      {"Cache/Cache_Data/f_000001", 12000},
      {"Cache/Cache_Data/index", 262512},
      {"Code Cache/js/index", 24},
      {"Code Cache/js/1a2b3c4d5e6f7a8b_0", 9000},
      {"Code Cache/wasm/index", 24},
      {"GPUCache/data_0", 8192},
      {"GPUCache/index", 262512},
      {"History-journal", 0},
      {"Login Data", 40960},
      {"Network/Cookies", 20480},
      {"Network/Cookies-journal", 0},
      {"Network/Network Persistent State", 2000},
      {"Preferences", 30000},
      {"Service Worker/CacheStorage/0f1e2d3c/index.txt", 300},
      {"Service Worker/CacheStorage/0f1e2d3c/6a9b0c1d-2e3f/0a1b2c3d4e5f_0", 7000},
      {"Service Worker/Database/000003.log", 1000},
      {"Sessions/Session_13345678901234567", 4000},
      {"Top Sites", 20480},
      {"Visited Links", 131072},
  };
  return files;
}

// The files of a Firefox profile of the roaming folder; the same for the
// old and the current layouts.
inline const std::vector<ProfileFile>& FirefoxProfileFiles() {
  static const std::vector<ProfileFile> files = {
      {"cookies.sqlite", 524288}, {"downloads.sqlite", 98304}, {"formhistory.sqlite", 196608},
      {"history.dat", 3000},      {"prefs.js", 12000},         {"signons3.txt", 600},
      {"times.json", 30},
  };
  return files;
}

// The cache of a Firefox profile before "cache2" ("Cache" in both
// profile folders).
inline const std::vector<ProfileFile>& OldFirefoxCacheFiles() {
  static const std::vector<ProfileFile> files = {
      {"Cache/_CACHE_001_", 20480},
      {"Cache/_CACHE_MAP_", 4096},
      {"Cache/0/1A/2B3C4Dd01", 7000},
  };
  return files;
}

// Today's Firefox cache, in the profile's local folder.
inline const std::vector<ProfileFile>& Cache2Files() {
  static const std::vector<ProfileFile> files = {
      {"cache2/entries/0A1B2C3D4E5F60718293A4B5C6D7E8F901234567", 15000},
      {"cache2/entries/1F2E3D4C5B6A79880716253443526170FEDCBA98", 3000},
      {"cache2/doomed/", 0},
      {"cache2/index", 8192},
      {"startupCache/startupCache.8.little", 9000},
  };
  return files;
}

// Writes the files below `folder` ("name/" is an empty folder); false on
// any failure.
inline bool WriteProfileFiles(const std::filesystem::path& folder,
                              const std::vector<ProfileFile>& files) {
  std::error_code ec;
  for (const ProfileFile& file : files) {
    const std::string_view name = file.path;
    const std::filesystem::path target = folder / std::filesystem::path(name);
    if (name.ends_with('/')) {
      std::filesystem::create_directories(target, ec);
      if (ec) return false;
      continue;
    }
    std::filesystem::create_directories(target.parent_path(), ec);
    if (ec) return false;
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out << std::string(file.size, 'b');
    if (!out) return false;
  }
  return true;
}

// A Chrome profile folder with its files and its "History" and "Web Data"
// databases; `current` for today's layout, else the old one.
// `preferences` adds "Preferences" to the old layout (the current one
// always has it).
inline bool MakeChromeProfile(const std::filesystem::path& profile, bool current,
                              bool preferences = false) {
  // The databases first: opening one removes a journal left beside it.
  if (!MakeDatabase(profile / "History", kChromeHistory) ||
      !MakeDatabase(profile / "Web Data", kChromeWebData)) {
    return false;
  }
  if (!current && preferences && !WriteProfileFiles(profile, {{"Preferences", 2500}})) return false;
  return WriteProfileFiles(profile,
                           current ? CurrentChromeProfileFiles() : OldChromeProfileFiles());
}

// A Firefox profile of the roaming folder with its places database, and
// its cache: "Cache" in both folders (old) or "cache2" in the local one
// (current). `local` may be empty: no local folder.
inline bool MakeFirefoxProfile(const std::filesystem::path& roaming,
                               const std::filesystem::path& local, bool current) {
  if (!WriteProfileFiles(roaming, FirefoxProfileFiles())) return false;
  if (!MakeDatabase(roaming / "places.sqlite", kFirefoxPlaces)) return false;
  if (!current) {
    return WriteProfileFiles(roaming, OldFirefoxCacheFiles()) &&
           (local.empty() || WriteProfileFiles(local, OldFirefoxCacheFiles()));
  }
  return local.empty() || WriteProfileFiles(local, Cache2Files());
}

}  // namespace nc::testing
