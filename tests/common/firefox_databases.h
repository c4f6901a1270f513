// Firefox's databases as today's Firefox writes them, after its published
// table layouts (Places and the cookie store), with few rows: "places.sqlite",
// "favicons.sqlite" and "cookies.sqlite", each in write-ahead-log mode as
// Firefox keeps them. Made with the SQLite library itself, apart from the
// wrapper under test.
#pragma once

#include <sqlite3.h>

#include <filesystem>
#include <string>

#include "browser_databases.h"

namespace nc::testing {

// Places 1..5 on four origins (1 and 5 share a.example); bookmarks 2 and 4
// point at places 2 and 4, the folders at none; visits, typed text, page
// interactions with a search, a download's annotation on place 3 and one
// on the bookmarked place 2; a keyword and a key of moz_meta, which stay.
inline constexpr const char* kCurrentPlaces =
    "CREATE TABLE moz_origins (id INTEGER PRIMARY KEY, prefix TEXT NOT NULL, host TEXT NOT NULL, "
    "frecency INTEGER NOT NULL, recalc_frecency INTEGER NOT NULL DEFAULT 0, alt_frecency "
    "INTEGER, recalc_alt_frecency INTEGER NOT NULL DEFAULT 0, UNIQUE (prefix, host));"
    "CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url LONGVARCHAR, title LONGVARCHAR, "
    "rev_host LONGVARCHAR, visit_count INTEGER DEFAULT 0, hidden INTEGER DEFAULT 0 NOT NULL, "
    "typed INTEGER DEFAULT 0 NOT NULL, frecency INTEGER DEFAULT -1 NOT NULL, last_visit_date "
    "INTEGER, guid TEXT, foreign_count INTEGER DEFAULT 0 NOT NULL, url_hash INTEGER DEFAULT 0 "
    "NOT NULL, description TEXT, preview_image_url TEXT, site_name TEXT, origin_id INTEGER "
    "REFERENCES moz_origins(id), recalc_frecency INTEGER NOT NULL DEFAULT 0, alt_frecency "
    "INTEGER, recalc_alt_frecency INTEGER NOT NULL DEFAULT 0);"
    "CREATE TABLE moz_historyvisits (id INTEGER PRIMARY KEY, from_visit INTEGER, place_id "
    "INTEGER, visit_date INTEGER, visit_type INTEGER, session INTEGER, source INTEGER DEFAULT 0 "
    "NOT NULL, triggeringPlaceId INTEGER);"
    "CREATE TABLE moz_inputhistory (place_id INTEGER NOT NULL, input LONGVARCHAR NOT NULL, "
    "use_count INTEGER, PRIMARY KEY (place_id, input));"
    "CREATE TABLE moz_bookmarks (id INTEGER PRIMARY KEY, type INTEGER, fk INTEGER DEFAULT NULL, "
    "parent INTEGER, position INTEGER, title LONGVARCHAR, keyword_id INTEGER, folder_type TEXT, "
    "dateAdded INTEGER, lastModified INTEGER, guid TEXT, syncStatus INTEGER NOT NULL DEFAULT 0, "
    "syncChangeCounter INTEGER NOT NULL DEFAULT 1);"
    "CREATE TABLE moz_keywords (id INTEGER PRIMARY KEY AUTOINCREMENT, keyword TEXT UNIQUE, "
    "place_id INTEGER, post_data TEXT);"
    "CREATE TABLE moz_anno_attributes (id INTEGER PRIMARY KEY, name VARCHAR(32) UNIQUE NOT "
    "NULL);"
    "CREATE TABLE moz_annos (id INTEGER PRIMARY KEY, place_id INTEGER NOT NULL, "
    "anno_attribute_id INTEGER, content LONGVARCHAR, flags INTEGER DEFAULT 0, expiration "
    "INTEGER DEFAULT 0, type INTEGER DEFAULT 0, dateAdded INTEGER DEFAULT 0, lastModified "
    "INTEGER DEFAULT 0);"
    "CREATE TABLE moz_meta (key TEXT PRIMARY KEY, value NOT NULL) WITHOUT ROWID;"
    "CREATE TABLE moz_places_metadata_search_queries (id INTEGER PRIMARY KEY, terms TEXT NOT "
    "NULL UNIQUE);"
    "CREATE TABLE moz_places_metadata (id INTEGER PRIMARY KEY, place_id INTEGER NOT NULL, "
    "referrer_place_id INTEGER, created_at INTEGER NOT NULL DEFAULT 0, updated_at INTEGER NOT "
    "NULL DEFAULT 0, total_view_time INTEGER NOT NULL DEFAULT 0, typing_time INTEGER NOT NULL "
    "DEFAULT 0, key_presses INTEGER NOT NULL DEFAULT 0, scrolling_time INTEGER NOT NULL DEFAULT "
    "0, scrolling_distance INTEGER NOT NULL DEFAULT 0, document_type INTEGER NOT NULL DEFAULT 0, "
    "search_query_id INTEGER, FOREIGN KEY (place_id) REFERENCES moz_places(id) ON DELETE "
    "CASCADE, FOREIGN KEY (referrer_place_id) REFERENCES moz_places(id) ON DELETE CASCADE, "
    "FOREIGN KEY(search_query_id) REFERENCES moz_places_metadata_search_queries(id) ON DELETE "
    "CASCADE CHECK(place_id != referrer_place_id));"
    "CREATE INDEX moz_places_url_hashindex ON moz_places (url_hash);"
    "CREATE INDEX moz_historyvisits_placedateindex ON moz_historyvisits (place_id, visit_date);"
    "INSERT INTO moz_origins (id, prefix, host, frecency) VALUES (1, 'https://', 'a.example', "
    "300), (2, 'https://', 'b.example', 200), (3, 'https://', 'c.example', 100), "
    "(4, 'https://', 'd.example', 50);"
    "INSERT INTO moz_places (id, url, title, rev_host, visit_count, frecency, last_visit_date, "
    "origin_id, foreign_count) VALUES "
    "(1, 'https://a.example/', 'A', 'elpmaxe.a.', 3, 2000, 1700000000000000, 1, 0), "
    "(2, 'https://b.example/', 'B', 'elpmaxe.b.', 5, 1800, 1700000100000000, 2, 1), "
    "(3, 'https://c.example/x', 'C', 'elpmaxe.c.', 1, 90, 1700000200000000, 3, 0), "
    "(4, 'https://d.example/', 'D', 'elpmaxe.d.', 2, 700, 1700000300000000, 4, 2), "
    "(5, 'https://a.example/page', 'A2', 'elpmaxe.a.', 1, 100, 1700000400000000, 1, 0);"
    "INSERT INTO moz_historyvisits (place_id, visit_date, visit_type) VALUES "
    "(1, 1700000000000000, 2), (2, 1700000100000000, 1), (3, 1700000200000000, 1), "
    "(4, 1700000300000000, 1), (5, 1700000400000000, 1);"
    "INSERT INTO moz_inputhistory VALUES (1, 'a.exa', 1.0), (2, 'b.exa', 0.5);"
    "INSERT INTO moz_bookmarks (id, type, fk, parent, position, title, guid) VALUES "
    "(1, 2, NULL, 0, 0, '', 'root________'), (2, 2, NULL, 1, 0, 'menu', 'menu________'), "
    "(3, 1, 2, 2, 0, 'B', 'bookmark_b__'), (4, 1, 4, 2, 1, 'D', 'bookmark_d__');"
    "INSERT INTO moz_keywords (keyword, place_id) VALUES ('dd', 4);"
    "INSERT INTO moz_anno_attributes VALUES (1, 'downloads/destinationFileURI'), "
    "(2, 'bookmarkProperties/description');"
    "INSERT INTO moz_annos (place_id, anno_attribute_id, content) VALUES "
    "(3, 1, 'file:///C:/Users/user/Downloads/c-example-secret.zip'), (2, 2, 'kept');"
    "INSERT INTO moz_meta VALUES ('origin_frecency_count', 4);"
    "INSERT INTO moz_places_metadata_search_queries VALUES (1, 'c example secret search');"
    "INSERT INTO moz_places_metadata (place_id, referrer_place_id, total_view_time, "
    "search_query_id) VALUES (3, 1, 5000, 1), (2, NULL, 700, NULL);";

// The icons of the places above: pages 1..3 are linked to an icon each;
// the icons of a.example and d.example are their sites' root icons, which
// Firefox finds by the site (d.example's is linked to no page).
inline constexpr const char* kCurrentFavicons =
    "CREATE TABLE moz_pages_w_icons (id INTEGER PRIMARY KEY, page_url TEXT NOT NULL, "
    "page_url_hash INTEGER NOT NULL);"
    "CREATE TABLE moz_icons (id INTEGER PRIMARY KEY, icon_url TEXT NOT NULL, "
    "fixed_icon_url_hash INTEGER NOT NULL, width INTEGER NOT NULL DEFAULT 0, root INTEGER NOT "
    "NULL DEFAULT 0, color INTEGER, expire_ms INTEGER NOT NULL DEFAULT 0, flags INTEGER NOT NULL "
    "DEFAULT 0, data BLOB);"
    "CREATE TABLE moz_icons_to_pages (page_id INTEGER NOT NULL, icon_id INTEGER NOT NULL, "
    "expire_ms INTEGER NOT NULL DEFAULT 0, PRIMARY KEY (page_id, icon_id), FOREIGN KEY (page_id) "
    "REFERENCES moz_pages_w_icons ON DELETE CASCADE, FOREIGN KEY (icon_id) REFERENCES moz_icons "
    "ON DELETE CASCADE) WITHOUT ROWID;"
    "CREATE TABLE moz_meta (key TEXT PRIMARY KEY, value NOT NULL) WITHOUT ROWID;"
    "CREATE INDEX moz_pages_w_icons_urlhashindex ON moz_pages_w_icons (page_url_hash);"
    "INSERT INTO moz_pages_w_icons VALUES (1, 'https://a.example/', 11), "
    "(2, 'https://b.example/', 12), (3, 'https://c.example/x', 13), (4, 'https://d.example/', 14);"
    "INSERT INTO moz_icons (id, icon_url, fixed_icon_url_hash, width, root, data) VALUES "
    "(1, 'https://a.example/favicon.ico', 21, 16, 1, x'00'), "
    "(2, 'https://b.example/icon.png', 22, 32, 0, x'00'), "
    "(3, 'https://c.example/c-icon.png', 23, 32, 0, x'00'), "
    "(4, 'https://d.example/favicon.ico', 24, 16, 1, x'00');"
    "INSERT INTO moz_icons_to_pages (page_id, icon_id) VALUES (1, 1), (2, 2), (3, 3);"
    "INSERT INTO moz_meta VALUES ('pages_count', 4);";

// Today's cookie store (schema version 16).
inline constexpr const char* kCurrentCookies =
    "PRAGMA user_version = 16;"
    "CREATE TABLE moz_cookies (id INTEGER PRIMARY KEY, originAttributes TEXT NOT NULL DEFAULT '', "
    "name TEXT, value TEXT, host TEXT, path TEXT, expiry INTEGER, lastAccessed INTEGER, "
    "creationTime INTEGER, isSecure INTEGER, isHttpOnly INTEGER, inBrowserElement INTEGER "
    "DEFAULT 0, sameSite INTEGER DEFAULT 0, schemeMap INTEGER DEFAULT 0, "
    "isPartitionedAttributeSet INTEGER DEFAULT 0, updateTime INTEGER, CONSTRAINT moz_uniqueid "
    "UNIQUE (name, host, path, originAttributes));"
    "INSERT INTO moz_cookies (name, value, host, path, expiry) VALUES "
    "('sid', 'abc', '.a.example', '/', 1800000000000), ('pref', 'x', 'b.example', '/', 0);";

// Creates the database in write-ahead-log mode. With `keepLog` the log
// stays beside it holding every row, with its index ("-shm"), as a
// Firefox that was ended without closing its databases leaves them;
// otherwise it is copied back at the close, as Firefox closes them.
inline bool MakeWalDatabase(const std::filesystem::path& file, const std::string& sql,
                            bool keepLog = false) {
  std::error_code ec;
  std::filesystem::create_directories(file.parent_path(), ec);
  sqlite3* db = nullptr;
  bool ok = sqlite3_open(Utf8Path(file).c_str(), &db) == SQLITE_OK &&
            sqlite3_exec(db, "PRAGMA journal_mode = WAL", nullptr, nullptr, nullptr) == SQLITE_OK;
  if (ok && keepLog) {
    // The header is written before the rows, so that only the log holds them.
    ok = sqlite3_exec(db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr) ==
             SQLITE_OK &&
         sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr) == SQLITE_OK;
  }
  ok = ok && sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
  sqlite3_close(db);
  return ok;
}

}  // namespace nc::testing
