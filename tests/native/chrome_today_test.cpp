// The Chrome items on the files of today's Chrome and on files real
// browsers wrote (tests/data/real/chrome, copied before each clean): what
// each item removes and what it leaves, the bookmarks that keep a page's
// icon, and the reader of the "Bookmarks" file.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "../common/browser_databases.h"
#include "../common/chrome_databases.h"
#include "clean_fixture.h"
#include "cleaner/browser_items.h"
#include "cleaner/chrome_bookmarks.h"

namespace nc::testing {
namespace {

namespace fs = std::filesystem;

const std::string kUserData = "C:\\Users\\user\\AppData\\Local\\Google\\Chrome\\User Data\\";
const std::string kDefault = kUserData + "Default\\";

// A database: made from statements, or a real file's name.
struct Source {
  const char* sql;
  const char* real;
};
const std::vector<Source> kHistories = {{kChromeHistory, nullptr},
                                        {kChromeHistory70, nullptr},
                                        {nullptr, "History-57"},
                                        {nullptr, "History-58"}};

class ChromeTodayTest : public CleanFixture {
 protected:
  void SetUp() override {
    sim.registry().loadRegText(
        "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
        "Shell Folders]\n\"Local AppData\"=\"C:\\\\Users\\\\user\\\\AppData\\\\Local\"\n");
  }
  fs::path Host(const std::string& path) { return sim.hostPath(path); }
  static fs::path Real(const char* name) {
    return fs::path(NC_SOURCE_DIR) / "tests" / "data" / "real" / "chrome" / name;
  }
  // Places the database at `path` (never the original: a copy).
  void Place(const Source& source, const std::string& path) {
    fs::create_directories(Host(path).parent_path());
    if (source.sql != nullptr) {
      ASSERT_TRUE(MakeDatabase(Host(path), source.sql));
      return;
    }
    fs::copy_file(Real(source.real), Host(path), fs::copy_options::overwrite_existing);
    fs::permissions(Host(path), fs::perms::owner_write, fs::perm_options::add);
  }
  void Write(const std::string& path, const std::string& content = "x") {
    ASSERT_TRUE(sim.writeFile(path, content));
  }
  cleaner::CleanRun& Run(const std::string& runName, bool test) {
    cleaner::CleanRun& r = MakeRun(test);
    EXPECT_TRUE(cleaner::RunBrowserItem(r, runName));
    return r;
  }
  bool Exists(const std::string& path) { return fs::exists(Host(path)); }
  bool HasTable(const std::string& path, const std::string& table) {
    return QueryText(Host(path),
                     "select count(*) from sqlite_master where name = '" + table + "'") == "1";
  }
  // "table=rows ..." of the tables that the file has.
  std::string Rows(const std::string& path, const std::vector<std::string>& tables) {
    std::string out;
    for (const auto& table : tables) {
      if (HasTable(path, table)) out += table + "=" + Count(Host(path), table) + " ";
    }
    return out;
  }
};

// ---- Download History --------------------------------------------------------------

TEST_F(ChromeTodayTest, DownloadHistoryEmptiesEveryDownloadTableOfEachHistory) {
  const std::vector<std::string> downloads = {"downloads", "downloads_url_chains",
                                              "downloads_slices"};
  // The rows before, by table, as each file has them.
  const std::vector<std::string> before = {"downloads=2 ",
                                           "downloads=2 downloads_url_chains=3 downloads_slices=1 ",
                                           "downloads=1 downloads_url_chains=1 ",
                                           "downloads=1 downloads_url_chains=1 "
                                           "downloads_slices=0 "};
  for (std::size_t i = 0; i < kHistories.size(); ++i) {
    SCOPED_TRACE(i);
    fs::remove_all(Host(kUserData));
    const std::string history = kDefault + "History";
    Place(kHistories[i], history);
    const std::string urls = Count(Host(history), "urls");
    ASSERT_EQ(Rows(history, downloads), before[i]);
    Run("Google Chrome - Download History", true);
    EXPECT_EQ(Rows(history, downloads), before[i]);
    const cleaner::CleanRun& cleaned = Run("Google Chrome - Download History", false);
    EXPECT_EQ(cleaned.ItemCount, 0);
    std::string empty = before[i];
    for (char& c : empty) {
      if (c >= '1' && c <= '9') c = '0';
    }
    EXPECT_EQ(Rows(history, downloads), empty);
    EXPECT_EQ(Count(Host(history), "urls"), urls);
  }
}

// ---- Saved Form Information ----------------------------------------------------------

TEST_F(ChromeTodayTest, SavedFormInformationEmptiesTheFormTablesOfEachVersion) {
  struct Case {
    const char* sql;
    std::vector<std::string> gone;
    std::string kept;  // Rows of the tables kept, after the clean as before
  };
  const std::vector<std::string> keptTables = {"keywords",
                                               "credit_cards",
                                               "masked_credit_cards",
                                               "local_ibans",
                                               "server_addresses",
                                               "autofill_sync_metadata",
                                               "meta",
                                               "logins"};
  const std::vector<Case> cases = {
      {kChromeWebData,
       {"autofill", "autofill_dates", "autofill_profiles", "autofill_profile_names"},
       "keywords=1 meta=1 logins=1 "},
      {kChromeWebData120,
       {"autofill", "contact_info", "contact_info_type_tokens", "local_addresses",
        "local_addresses_type_tokens"},
       "keywords=1 credit_cards=1 server_addresses=1 meta=2 "},
      {kChromeWebData160,
       {"autofill", "addresses", "address_type_tokens"},
       "keywords=1 credit_cards=1 masked_credit_cards=1 local_ibans=1 autofill_sync_metadata=1 "
       "meta=2 "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.gone.back());
    fs::remove_all(Host(kUserData));
    const std::string webData = kDefault + "Web Data";
    Place({c.sql, nullptr}, webData);
    const std::string full = Rows(webData, c.gone);
    Run("Google Chrome - Saved Form Information", true);
    EXPECT_EQ(Rows(webData, c.gone), full);
    Run("Google Chrome - Saved Form Information", false);
    for (const auto& table : c.gone) {
      ASSERT_TRUE(HasTable(webData, table)) << table;
      EXPECT_EQ(Count(Host(webData), table), "0") << table;
    }
    EXPECT_EQ(Rows(webData, keptTables), c.kept);
  }
}

// ---- Visited URL History ---------------------------------------------------------------

TEST_F(ChromeTodayTest, VisitedUrlHistoryRemovesItsFilesAndTheIconsOfPagesNoBookmarkNames) {
  struct Case {
    const char* name;
    std::optional<std::string> bookmarks;  // nullopt: no file
    bool folder;                           // "Bookmarks" is a folder
    const char* mapping;                   // ids left in icon_mapping, favicons, favicon_bitmaps
    const char* icons;
  };
  const std::string damaged = std::string(kChromeBookmarks).substr(0, 300);
  const std::string deep = std::string(300, '[') + std::string(300, ']');
  const std::vector<Case> cases = {
      {"bookmarks of a.example and d.example", kChromeBookmarks, false, "1,4", "1,3"},
      {"no file: no bookmarks", std::nullopt, false, "", ""},
      {"a bookmark of c.example",
       R"({"roots":{"other":{"children":[{"url":"https://c.example/"}]}}})", false, "3", "2"},
      {"damaged: everything kept", damaged, false, "1,2,3,4", "1,2,3"},
      {"too deep: everything kept", deep, false, "1,2,3,4", "1,2,3"},
      {"a folder: everything kept", std::nullopt, true, "1,2,3,4", "1,2,3"},
  };
  const std::vector<std::string> gone = {"History",           "History-journal",
                                         "Shortcuts",         "Shortcuts-journal",
                                         "Visited Links",     "Top Sites",
                                         "Top Sites-journal", "Archived History",
                                         "Current Tabs",      "History Index 2013-05"};
  const std::vector<std::string> kept = {"Bookmarks.bak", "Favicons", "Preferences", "Web Data",
                                         "Login Data"};
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.name);
    fs::remove_all(Host(kUserData));
    Place(kHistories[i % kHistories.size()], kDefault + "History");
    Place({kChromeFavicons9, nullptr}, kDefault + "Favicons");
    Place({kChromeWebData160, nullptr}, kDefault + "Web Data");
    Place({nullptr, "Preferences"}, kDefault + "Preferences");
    for (const auto& name : gone) {
      if (name != "History") Write(kDefault + name);
    }
    Write(kDefault + "Bookmarks.bak", kChromeBookmarks);
    Write(kDefault + "Login Data");
    if (c.bookmarks) Write(kDefault + "Bookmarks", *c.bookmarks);
    if (c.folder) fs::create_directories(Host(kDefault + "Bookmarks"));
    const std::string favicons = kDefault + "Favicons";

    const cleaner::CleanRun& tested = Run("Google Chrome - Visited URL History", true);
    EXPECT_EQ(tested.ItemCount, static_cast<int>(gone.size()));
    EXPECT_EQ(Ids(Host(favicons), "icon_mapping"), "1,2,3,4");
    Run("Google Chrome - Visited URL History", false);
    for (const auto& name : gone) EXPECT_FALSE(Exists(kDefault + name)) << name;
    for (const auto& name : kept) EXPECT_TRUE(Exists(kDefault + name)) << name;
    EXPECT_EQ(c.bookmarks.has_value() || c.folder, Exists(kDefault + "Bookmarks"));
    EXPECT_EQ(Ids(Host(favicons), "icon_mapping"), c.mapping);
    EXPECT_EQ(Ids(Host(favicons), "favicons"), c.icons);
    EXPECT_EQ(Ids(Host(favicons), "favicon_bitmaps"), c.icons);
    EXPECT_EQ(Count(Host(kDefault + "Web Data"), "autofill"), "2");
  }
}

// ---- the items that remove files ---------------------------------------------------------

// "Default" as Chrome 68 left it (real "Cookies", "History" and
// "Preferences"), "Profile 1" as today's Chrome leaves it.
TEST_F(ChromeTodayTest, FileItemsOnAProfileOfRealFilesAndOneOfToday) {
  struct Case {
    const char* item;
    std::vector<std::string> gone;  // below "User Data"
  };
  const std::vector<Case> cases = {
      {"Cookies",
       {"Default\\Cookies", "Profile 1\\Network\\Cookies", "Profile 1\\Network\\Cookies-journal"}},
      {"Session",
       {"Default\\Current Session", "Default\\Last Session",
        "Profile 1\\Sessions\\Session_13345678901234567", "Profile 1\\Sessions\\Tabs_1334567890",
        "Profile 1\\Sessions\\Apps_1334567890"}},
      {"Stored passwords in Forms",
       {"Default\\Login Data", "Profile 1\\Login Data", "Profile 1\\Login Data-journal",
        "Profile 1\\Login Data For Account", "Profile 1\\Login Data For Account-journal"}},
      {"Temporary Internet Files",
       {"Default\\Cache\\f_1", "Profile 1\\Cache\\Cache_Data\\f_2", "Profile 1\\DawnCache\\data_0",
        "Profile 1\\DawnGraphiteCache\\index", "Profile 1\\DawnWebGPUCache\\data_1",
        "Profile 1\\GPUCache\\index", "Profile 1\\Service Worker\\ScriptCache\\0a1b_0",
        "GrShaderCache\\data_0", "ShaderCache\\index"}},
  };
  const std::vector<std::string> kept = {"Default\\Preferences",
                                         "Default\\History",
                                         "Profile 1\\Preferences",
                                         "Profile 1\\Web Data",
                                         "Profile 1\\Sessions",
                                         "Profile 1\\DawnCache",
                                         "GrShaderCache",
                                         "Local State",
                                         "Profile 1\\Service Worker\\Database\\000003.log"};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.item);
    fs::remove_all(Host(kUserData));
    Place({nullptr, "Cookies-68"}, kDefault + "Cookies");
    Place({nullptr, "History-58"}, kDefault + "History");
    Place({nullptr, "Preferences"}, kDefault + "Preferences");
    Place({kChromeCookies24, nullptr}, kUserData + "Profile 1\\Network\\Cookies");
    Place({kChromeWebData160, nullptr}, kUserData + "Profile 1\\Web Data");
    Write(kUserData + "Profile 1\\Preferences", "{}");
    Write(kUserData + "Local State", "{}");
    Write(kUserData + "Profile 1\\Service Worker\\Database\\000003.log");
    for (const auto& name : cases.back().gone) Write(kUserData + name);
    for (const auto& gone : {cases[0].gone, cases[1].gone, cases[2].gone}) {
      for (const auto& name : gone) {
        if (!Exists(kUserData + name)) Write(kUserData + name);
      }
    }
    const std::string runName = std::string("Google Chrome - ") + c.item;
    const cleaner::CleanRun& tested = Run(runName, true);
    EXPECT_EQ(tested.ItemCount, static_cast<int>(c.gone.size()));
    Run(runName, false);
    for (const auto& name : c.gone) EXPECT_FALSE(Exists(kUserData + name)) << name;
    for (const auto& name : kept) EXPECT_TRUE(Exists(kUserData + name)) << name;
    EXPECT_EQ(Count(Host(kUserData + "Profile 1\\Web Data"), "logins"), "<error>");
    EXPECT_EQ(Count(Host(kDefault + "History"), "downloads"), "1");
  }
}

// ---- the "Bookmarks" file ------------------------------------------------------------------

TEST(ChromeBookmarks, OnlyAWholeValueGivesItsAddresses) {
  using Urls = std::set<std::string>;
  const std::string deepest = std::string(cleaner::kMaxBookmarksDepth, '[') + "\"u\"" +
                              std::string(cleaner::kMaxBookmarksDepth, ']');
  const struct {
    std::string json;
    std::optional<Urls> urls;
  } cases[] = {
      {"{}", Urls{}},
      {" {\"url\":\"a\",\"x\":{\"url\":\"b\"},\"l\":[{\"url\":\"c\"},\"url\"]} ",
       Urls{"a", "b", "c"}},
      {R"({"url":"\u00e9\ud83d\ude00\n\"\/"})", Urls{"\xC3\xA9\xF0\x9F\x98\x80\n\"/"}},
      {R"({"url":1,"n":[-0.5e+3,true,false,null]})", Urls{}},
      {deepest, Urls{}},
      {"[" + deepest + "]", std::nullopt},
      {"", std::nullopt},
      {"{} {}", std::nullopt},
      {R"({"url":"a",})", std::nullopt},
      {R"({"url":"\ud83d"})", std::nullopt},
      {R"({"url":"\x"})", std::nullopt},
      {"{\"url\":\"a\nb\"}", std::nullopt},
      {std::string("{\"url\":\"a\"}\0", 12), std::nullopt},
      {R"({"n":01})", std::nullopt},
      {R"({"n":tru})", std::nullopt},
      {"{\"url\":\"a", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(cleaner::ParseBookmarkUrls(c.json), c.urls) << c.json;
  }
}

}  // namespace
}  // namespace nc::testing
