// Chrome's databases as today's versions write them, from the schemas the
// browser publishes with its own tests: "History" (version 70), "Web Data"
// (version 160, and 120 for the address tables between), "Favicons"
// (version 9) and "Network\Cookies" (version 24), each with a few rows,
// and a profile's "Bookmarks" file. Chrome keeps them in rollback-journal
// mode (its write-ahead log is off by default), as these are made. Beside
// them, the real files of older versions in tests/data/real/chrome.
#pragma once

#include "browser_databases.h"

namespace nc::testing {

// Two downloads, three addresses of their chains, one slice; two visited
// addresses.
inline constexpr const char* kChromeHistory70 =
    "CREATE TABLE meta(key LONGVARCHAR NOT NULL UNIQUE PRIMARY KEY, value LONGVARCHAR);"
    "INSERT INTO meta VALUES('version','70'),('last_compatible_version','16');"
    "CREATE TABLE urls(id INTEGER PRIMARY KEY AUTOINCREMENT,url LONGVARCHAR,title LONGVARCHAR,"
    "visit_count INTEGER DEFAULT 0 NOT NULL,typed_count INTEGER DEFAULT 0 NOT NULL,"
    "last_visit_time INTEGER NOT NULL,hidden INTEGER DEFAULT 0 NOT NULL);"
    "CREATE TABLE visits(id INTEGER PRIMARY KEY AUTOINCREMENT,url INTEGER NOT NULL,"
    "visit_time INTEGER NOT NULL,from_visit INTEGER,transition INTEGER DEFAULT 0 NOT NULL);"
    "CREATE TABLE downloads (id INTEGER PRIMARY KEY,guid VARCHAR NOT NULL,current_path "
    "LONGVARCHAR NOT NULL,target_path LONGVARCHAR NOT NULL,start_time INTEGER NOT NULL,"
    "received_bytes INTEGER NOT NULL,total_bytes INTEGER NOT NULL,state INTEGER NOT NULL,"
    "danger_type INTEGER NOT NULL,interrupt_reason INTEGER NOT NULL,hash BLOB NOT NULL,end_time "
    "INTEGER NOT NULL,opened INTEGER NOT NULL,last_access_time INTEGER NOT NULL,transient "
    "INTEGER NOT NULL,referrer VARCHAR NOT NULL,site_url VARCHAR NOT NULL,embedder_download_data "
    "VARCHAR NOT NULL,tab_url VARCHAR NOT NULL,tab_referrer_url VARCHAR NOT NULL,http_method "
    "VARCHAR NOT NULL,by_ext_id VARCHAR NOT NULL,by_ext_name VARCHAR NOT NULL,by_web_app_id "
    "VARCHAR NOT NULL,etag VARCHAR NOT NULL,last_modified VARCHAR NOT NULL,mime_type VARCHAR(255) "
    "NOT NULL,original_mime_type VARCHAR(255) NOT NULL);"
    "CREATE TABLE downloads_url_chains (id INTEGER NOT NULL,chain_index INTEGER NOT NULL,url "
    "LONGVARCHAR NOT NULL, PRIMARY KEY (id, chain_index) );"
    "CREATE TABLE downloads_slices (download_id INTEGER NOT NULL,offset INTEGER NOT NULL,"
    "received_bytes INTEGER NOT NULL,finished INTEGER NOT NULL DEFAULT 0,PRIMARY KEY "
    "(download_id, offset) );"
    "CREATE INDEX urls_url_index ON urls (url);"
    "INSERT INTO urls (url, title, last_visit_time) VALUES ('https://a.example/', 'A', 1), "
    "('https://b.example/', 'B', 2);"
    "INSERT INTO visits (url, visit_time) VALUES (1, 1), (2, 2);"
    "INSERT INTO downloads VALUES (1,'g1','C:\\x.zip.crdownload','C:\\x.zip',1,2,9,0,0,0,x'',0,0,"
    "0,0,'','','','','','GET','','','','','','application/zip','application/zip'), "
    "(2,'g2','C:\\y.pdf','C:\\y.pdf',3,4,4,1,0,0,x'',5,1,6,0,'','','','','','GET','','','','','',"
    "'application/pdf','application/pdf');"
    "INSERT INTO downloads_url_chains VALUES (1,0,'https://a.example/x'),"
    "(1,1,'https://cdn.a.example/x.zip'),(2,0,'https://b.example/y.pdf');"
    "INSERT INTO downloads_slices VALUES (1,0,2,0);";

// Today's tables: "autofill" and the addresses ("addresses",
// "address_type_tokens"); beside them what the form item keeps.
inline constexpr const char* kChromeWebData160 =
    "CREATE TABLE meta(key LONGVARCHAR NOT NULL UNIQUE PRIMARY KEY, value LONGVARCHAR);"
    "INSERT INTO meta VALUES('version','160'),('last_compatible_version','160');"
    "CREATE TABLE autofill (name VARCHAR, value VARCHAR, value_lower VARCHAR, date_created "
    "INTEGER DEFAULT 0, date_last_used INTEGER DEFAULT 0, count INTEGER DEFAULT 1, PRIMARY KEY "
    "(name, value));"
    "CREATE TABLE credit_cards (guid VARCHAR PRIMARY KEY, name_on_card VARCHAR, expiration_month "
    "INTEGER, expiration_year INTEGER, card_number_encrypted BLOB, date_modified INTEGER NOT NULL "
    "DEFAULT 0, use_count INTEGER NOT NULL DEFAULT 0, use_date INTEGER NOT NULL DEFAULT 0, "
    "billing_address_id VARCHAR, nickname VARCHAR, is_user_confirmed INTEGER NOT NULL DEFAULT 0);"
    "CREATE TABLE masked_credit_cards (id VARCHAR, name_on_card VARCHAR, network VARCHAR, "
    "last_four VARCHAR, exp_month INTEGER DEFAULT 0, exp_year INTEGER DEFAULT 0);"
    "CREATE TABLE autofill_sync_metadata (model_type INTEGER NOT NULL, storage_key VARCHAR NOT "
    "NULL, value BLOB, PRIMARY KEY (model_type, storage_key));"
    "CREATE TABLE addresses (guid VARCHAR PRIMARY KEY, use_count INTEGER NOT NULL DEFAULT 0, "
    "use_date INTEGER NOT NULL DEFAULT 0, date_modified INTEGER NOT NULL DEFAULT 0, language_code "
    "VARCHAR, label VARCHAR, initial_creator_id INTEGER DEFAULT 0, record_type INTEGER);"
    "CREATE TABLE address_type_tokens (guid VARCHAR, type INTEGER, value VARCHAR, "
    "verification_status INTEGER DEFAULT 0, observations BLOB, PRIMARY KEY (guid, type));"
    "CREATE TABLE local_ibans (guid VARCHAR PRIMARY KEY, use_count INTEGER NOT NULL DEFAULT 0, "
    "use_date INTEGER NOT NULL DEFAULT 0, value_encrypted VARCHAR, nickname VARCHAR);"
    "CREATE TABLE keywords (id INTEGER PRIMARY KEY,short_name VARCHAR NOT NULL,keyword VARCHAR "
    "NOT NULL,favicon_url VARCHAR NOT NULL,url VARCHAR NOT NULL);"
    "CREATE INDEX autofill_name ON autofill(name);"
    "INSERT INTO autofill (name, value, value_lower) VALUES ('q', 'Text', 'text'), "
    "('email', 'me@example.org', 'me@example.org');"
    "INSERT INTO credit_cards (guid, name_on_card) VALUES ('c1', 'Ada L');"
    "INSERT INTO masked_credit_cards (id, last_four) VALUES ('m1', '1234');"
    "INSERT INTO autofill_sync_metadata VALUES (1, 'k', x'00');"
    "INSERT INTO addresses (guid, record_type) VALUES ('a1', 0), ('a2', 1);"
    "INSERT INTO address_type_tokens (guid, type, value) VALUES ('a1', 3, 'Ada'), "
    "('a1', 77, 'Oslo'), ('a2', 3, 'Ada');"
    "INSERT INTO local_ibans (guid, nickname) VALUES ('i1', 'main');"
    "INSERT INTO keywords (short_name, keyword, favicon_url, url) VALUES ('Example', "
    "'example.org', '', 'https://example.org/?q={searchTerms}');";

// The address tables of the versions between (local, and the account's).
inline constexpr const char* kChromeWebData120 =
    "CREATE TABLE meta(key LONGVARCHAR NOT NULL UNIQUE PRIMARY KEY, value LONGVARCHAR);"
    "INSERT INTO meta VALUES('version','120'),('last_compatible_version','119');"
    "CREATE TABLE autofill (name VARCHAR, value VARCHAR, value_lower VARCHAR, date_created "
    "INTEGER DEFAULT 0, date_last_used INTEGER DEFAULT 0, count INTEGER DEFAULT 1, PRIMARY KEY "
    "(name, value));"
    "CREATE TABLE credit_cards ( guid VARCHAR PRIMARY KEY, name_on_card VARCHAR);"
    "CREATE TABLE contact_info( guid VARCHAR PRIMARY KEY, use_count INTEGER NOT NULL DEFAULT 0);"
    "CREATE TABLE contact_info_type_tokens( guid VARCHAR, type INTEGER, value VARCHAR, PRIMARY "
    "KEY (guid, type));"
    "CREATE TABLE local_addresses ( guid VARCHAR PRIMARY KEY, use_count INTEGER NOT NULL DEFAULT "
    "0);"
    "CREATE TABLE local_addresses_type_tokens( guid VARCHAR, type INTEGER, value VARCHAR, "
    "PRIMARY KEY (guid, type));"
    "CREATE TABLE server_addresses (id VARCHAR,company_name VARCHAR);"
    "CREATE TABLE keywords (id INTEGER PRIMARY KEY,short_name VARCHAR NOT NULL,keyword VARCHAR "
    "NOT NULL);"
    "INSERT INTO autofill (name, value, value_lower) VALUES ('q', 'Text', 'text');"
    "INSERT INTO credit_cards VALUES ('c1', 'Ada L');"
    "INSERT INTO contact_info (guid) VALUES ('k1');"
    "INSERT INTO contact_info_type_tokens VALUES ('k1', 3, 'Ada');"
    "INSERT INTO local_addresses (guid) VALUES ('l1'), ('l2');"
    "INSERT INTO local_addresses_type_tokens VALUES ('l1', 3, 'Ada'), ('l2', 3, 'Bo');"
    "INSERT INTO server_addresses VALUES ('s1', 'Acme');"
    "INSERT INTO keywords (short_name, keyword) VALUES ('Example', 'example.org');";

// Icons of four page addresses: icon 1 of a.example and b.example, icon 2
// of c.example only, icon 3 (a touch icon) of a.example; a bitmap each.
inline constexpr const char* kChromeFavicons9 =
    "CREATE TABLE meta(key LONGVARCHAR NOT NULL UNIQUE PRIMARY KEY, value LONGVARCHAR);"
    "INSERT INTO meta VALUES('version','9'),('last_compatible_version','9');"
    "CREATE TABLE favicons(id INTEGER PRIMARY KEY,url LONGVARCHAR NOT NULL,icon_type INTEGER "
    "DEFAULT 1);"
    "CREATE TABLE favicon_bitmaps(id INTEGER PRIMARY KEY,icon_id INTEGER NOT NULL,last_updated "
    "INTEGER DEFAULT 0,image_data BLOB,width INTEGER DEFAULT 0,height INTEGER DEFAULT 0,"
    "last_requested INTEGER DEFAULT 0);"
    "CREATE TABLE icon_mapping(id INTEGER PRIMARY KEY,page_url LONGVARCHAR NOT NULL,icon_id "
    "INTEGER,page_url_type INTEGER);"
    "CREATE INDEX icon_mapping_page_url_idx ON icon_mapping(page_url);"
    "INSERT INTO favicons VALUES (1,'https://a.example/favicon.ico',1),"
    "(2,'https://c.example/favicon.ico',1),(3,'https://a.example/touch.png',2);"
    "INSERT INTO favicon_bitmaps VALUES (1,1,5,x'89504e47',16,16,0),(2,2,5,x'89504e47',16,16,0),"
    "(3,3,5,x'89504e47',180,180,0);"
    "INSERT INTO icon_mapping VALUES (1,'https://a.example/',1,0),(2,'https://b.example/',1,0),"
    "(3,'https://c.example/',2,0),(4,'https://a.example/',3,0);";

// Two cookies of today's layout.
inline constexpr const char* kChromeCookies24 =
    "CREATE TABLE meta(key LONGVARCHAR NOT NULL UNIQUE PRIMARY KEY, value LONGVARCHAR);"
    "INSERT INTO meta VALUES('version','24'),('last_compatible_version','24');"
    "CREATE TABLE cookies(creation_utc INTEGER NOT NULL,host_key TEXT NOT NULL,"
    "top_frame_site_key TEXT NOT NULL,name TEXT NOT NULL,value TEXT NOT NULL,encrypted_value "
    "BLOB NOT NULL,path TEXT NOT NULL,expires_utc INTEGER NOT NULL,is_secure INTEGER NOT NULL,"
    "is_httponly INTEGER NOT NULL,last_access_utc INTEGER NOT NULL,has_expires INTEGER NOT NULL,"
    "is_persistent INTEGER NOT NULL,priority INTEGER NOT NULL,samesite INTEGER NOT NULL,"
    "source_scheme INTEGER NOT NULL,source_port INTEGER NOT NULL,last_update_utc INTEGER NOT "
    "NULL,source_type INTEGER NOT NULL,has_cross_site_ancestor INTEGER NOT NULL);"
    "CREATE UNIQUE INDEX cookies_unique_index ON cookies(host_key, top_frame_site_key, "
    "has_cross_site_ancestor, name, path, source_scheme, source_port);"
    "INSERT INTO cookies VALUES (1,'.a.example','','sid','',x'763130',"
    "'/',9,1,1,1,1,1,1,0,2,443,1,0,0),(2,'b.example','','p','1',x'','/',9,0,0,2,1,1,1,1,2,443,2,"
    "0,0);";

// A "Bookmarks" file that names a.example (in the bar) and an address
// with an escaped character (in a folder of "Other bookmarks").
inline constexpr const char* kChromeBookmarks =
    "\xEF\xBB\xBF{\r\n   \"checksum\": \"0f1e\",\r\n   \"roots\": {\r\n"
    "      \"bookmark_bar\": { \"children\": [ { \"date_added\": \"13300000000000000\", "
    "\"guid\": \"00000000-0000-4000-a000-000000000001\", \"id\": \"5\", \"meta_info\": { "
    "\"last_visited_desktop\": \"13300000000000001\" }, \"name\": \"A\", \"type\": \"url\", "
    "\"url\": \"https://a.example/\" } ], \"id\": \"1\", \"name\": \"Bookmarks bar\", "
    "\"type\": \"folder\" },\r\n"
    "      \"other\": { \"children\": [ { \"children\": [ { \"id\": \"7\", \"name\": "
    "\"Caf\\u00e9\", \"type\": \"url\", \"url\": \"https://d.example/caf\\u00e9\" } ], "
    "\"id\": \"6\", \"name\": \"Folder\", \"type\": \"folder\" } ], \"id\": \"2\", "
    "\"name\": \"Other bookmarks\", \"type\": \"folder\" },\r\n"
    "      \"synced\": { \"children\": [ ], \"id\": \"3\", \"name\": \"Mobile bookmarks\", "
    "\"type\": \"folder\" }\r\n   },\r\n   \"version\": 1\r\n}\r\n";

}  // namespace nc::testing
