// The Firefox items over the files of real profiles and over databases of
// today's layouts: what each item removes, and what it leaves, down to the
// bytes of the files.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "../common/firefox_databases.h"
#include "clean_fixture.h"
#include "cleaner/browser_items.h"

namespace nc::testing {
namespace {

namespace fs = std::filesystem;

const std::string kProfile =
    "C:\\Users\\user\\AppData\\Roaming\\Mozilla\\Firefox\\Profiles\\p.default\\";

std::string RealFile(const char* name) {
  std::ifstream in(std::string(NC_SOURCE_DIR "/tests/data/real/firefox/") + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

class FirefoxItemsTest : public CleanFixture {
 protected:
  fs::path Host(const std::string& name) { return sim.hostPath(kProfile + name); }
  void Clean(const char* item) { EXPECT_TRUE(cleaner::RunBrowserItem(MakeRun(false), item)); }
  // The file and its log as they are now, "" for each one missing.
  std::string Bytes(const std::string& name) {
    return sim.readFile(kProfile + name) + sim.readFile(kProfile + name + "-wal");
  }
};

TEST_F(FirefoxItemsTest, HistoryLeavesNoAddressButTheBookmarks) {
  struct Check {
    const char* file;
    const char* query;
    const char* expected;
  };
  const std::vector<Check> old = {
      {"places.sqlite", "select group_concat(id) from moz_places", "2,4"},
      {"places.sqlite", "select count(*) from moz_historyvisits", "0"},
      {"places.sqlite", "select count(*) from moz_bookmarks", "4"},
      {"places.sqlite",
       "select group_concat(visit_count||last_visit_date||frecency) from moz_places", "000,000"}};
  std::vector<Check> current = old;
  current.insert(current.end(),
                 {{"places.sqlite", "select group_concat(id) from moz_origins", "2,4"},
                  {"places.sqlite", "select count(*) from moz_inputhistory", "0"},
                  {"places.sqlite", "select count(*) from moz_places_metadata", "0"},
                  {"places.sqlite", "select count(*) from moz_places_metadata_search_queries", "0"},
                  {"places.sqlite", "select group_concat(place_id) from moz_annos", "2"},
                  {"places.sqlite", "select count(*) from moz_keywords", "1"},
                  {"places.sqlite", "select count(*) from moz_meta", "1"},
                  {"favicons.sqlite", "select group_concat(id) from moz_pages_w_icons", "2,4"},
                  {"favicons.sqlite", "select group_concat(page_id) from moz_icons_to_pages", "2"},
                  {"favicons.sqlite", "select group_concat(id) from moz_icons", "2,4"}});
  struct Case {
    const char* name;
    bool current;
    bool logLeft;  // Firefox's log is still beside the file, and a reader holds it open
  };
  for (const Case& c : {Case{"Firefox 3", false, false}, Case{"today's, closed", true, false},
                        Case{"today's, log left and read", true, true}}) {
    SCOPED_TRACE(c.name);
    fs::remove_all(Host(""));
    std::unique_ptr<sqlite3, int (*)(sqlite3*)> reader(nullptr, sqlite3_close);
    if (c.current) {
      ASSERT_TRUE(MakeWalDatabase(Host("places.sqlite"), kCurrentPlaces, c.logLeft));
      ASSERT_TRUE(MakeWalDatabase(Host("favicons.sqlite"), kCurrentFavicons, c.logLeft));
    } else {
      ASSERT_TRUE(MakeDatabase(Host("places.sqlite"), kFirefoxPlaces));
    }
    if (c.logLeft) {
      ASSERT_TRUE(fs::exists(Host("places.sqlite-wal")));
      sqlite3* raw = nullptr;
      ASSERT_EQ(sqlite3_open(Utf8Path(Host("places.sqlite")).c_str(), &raw), SQLITE_OK);
      reader.reset(raw);
      ASSERT_EQ(sqlite3_exec(raw, "SELECT count(*) FROM moz_places", nullptr, nullptr, nullptr),
                SQLITE_OK);
    }
    Clean("Mozilla Firefox - Visited URL History");
    for (const Check& check : c.current ? current : old) {
      EXPECT_EQ(QueryText(Host(check.file), check.query), check.expected) << check.query;
    }
    // Neither the file nor its log keeps a deleted address or typed text.
    for (const char* file : {"places.sqlite", "favicons.sqlite"}) {
      const std::string bytes = Bytes(file);
      for (const char* gone : {"a.example", "c.example", "e.example", "secret"}) {
        EXPECT_EQ(bytes.find(gone), std::string::npos) << file << ": " << gone;
      }
    }
  }
}

TEST_F(FirefoxItemsTest, FileItemsTakeTheirFilesOfRealAndCurrentProfiles) {
  struct Case {
    const char* item;
    std::vector<std::string> gone;
  };
  const std::vector<std::string> all = {"cookies.sqlite",     "cookies.sqlite-wal",
                                        "cookies.sqlite-shm", "downloads.sqlite",
                                        "places.sqlite",      "favicons.sqlite"};
  for (const Case& c : {Case{"Mozilla Firefox - Cookies",
                             {"cookies.sqlite", "cookies.sqlite-wal", "cookies.sqlite-shm"}},
                        Case{"Mozilla Firefox - Download Manager", {"downloads.sqlite"}},
                        Case{"Mozilla Firefox - Visited URL History", {}}}) {
    for (bool real : {true, false}) {
      SCOPED_TRACE(std::string(c.item) + (real ? ", real files" : ", today's files"));
      fs::remove_all(Host(""));
      if (real) {
        ASSERT_TRUE(
            sim.writeFile(kProfile + "cookies.sqlite", RealFile("cookies-firefox10.sqlite")));
      } else {
        ASSERT_TRUE(MakeWalDatabase(Host("cookies.sqlite"), kCurrentCookies, true));
      }
      ASSERT_TRUE(sim.writeFile(kProfile + "downloads.sqlite", RealFile("downloads.sqlite")));
      ASSERT_TRUE(MakeWalDatabase(Host("places.sqlite"), kCurrentPlaces));
      ASSERT_TRUE(MakeWalDatabase(Host("favicons.sqlite"), kCurrentFavicons));
      std::vector<std::string> before;
      for (const std::string& name : all) before.push_back(sim.readFile(kProfile + name));
      Clean(c.item);
      for (std::size_t i = 0; i < all.size(); ++i) {
        const bool goes = std::find(c.gone.begin(), c.gone.end(), all[i]) != c.gone.end();
        const bool database = all[i] == "places.sqlite" || all[i] == "favicons.sqlite";
        if (goes) {
          EXPECT_FALSE(fs::exists(Host(all[i]))) << all[i];
        } else if (!database || !c.gone.empty()) {
          EXPECT_EQ(sim.readFile(kProfile + all[i]), before[i]) << all[i];
        }
      }
    }
  }
}

}  // namespace
}  // namespace nc::testing
