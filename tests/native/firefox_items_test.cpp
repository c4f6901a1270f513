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
#include <string_view>
#include <utility>
#include <vector>

#include "../common/firefox_databases.h"
#include "clean_fixture.h"
#include "cleaner/browser_items.h"

namespace nc::testing {
namespace {

namespace fs = std::filesystem;

const std::string kProfiles = "C:\\Users\\user\\AppData\\Roaming\\Mozilla\\Firefox\\Profiles\\";
const std::string kProfile = kProfiles + "p.default\\";

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

// "real" holds files of real profiles; "p.default" today's cookie store
// with the log and index that Firefox leaves while it runs.
TEST_F(FirefoxItemsTest, FileItemsTakeTheirFilesOfRealAndCurrentProfiles) {
  const std::vector<std::string> files = {
      "real\\cookies.sqlite",          "real\\downloads.sqlite",        "p.default\\cookies.sqlite",
      "p.default\\cookies.sqlite-wal", "p.default\\cookies.sqlite-shm", "p.default\\places.sqlite"};
  for (const auto& [item, gone] : std::vector<std::pair<const char*, const char*>>{
           {"Mozilla Firefox - Cookies", "cookies"},
           {"Mozilla Firefox - Download Manager", "downloads"},
           {"Mozilla Firefox - Visited URL History", "places"}}) {
    SCOPED_TRACE(item);
    fs::remove_all(sim.hostPath(kProfiles));
    ASSERT_TRUE(sim.writeFile(kProfiles + files[0], RealFile("cookies-firefox10.sqlite")));
    ASSERT_TRUE(sim.writeFile(kProfiles + files[1], RealFile("downloads.sqlite")));
    ASSERT_TRUE(MakeWalDatabase(Host("cookies.sqlite"), kCurrentCookies, true));
    ASSERT_TRUE(MakeWalDatabase(Host("places.sqlite"), kCurrentPlaces));
    std::vector<std::string> before;
    for (const std::string& file : files) before.push_back(sim.readFile(kProfiles + file));
    Clean(item);
    for (std::size_t i = 0; i < files.size(); ++i) {
      if (files[i].find(gone) == std::string::npos) {
        EXPECT_EQ(sim.readFile(kProfiles + files[i]), before[i]) << files[i];
      } else if (std::string_view(gone) != "places") {
        EXPECT_FALSE(sim.files().fileExists(kProfiles + files[i])) << files[i];
      }
    }
  }
}

}  // namespace
}  // namespace nc::testing
