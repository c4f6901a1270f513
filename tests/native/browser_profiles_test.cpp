// Browser profiles as the browsers lay them out today, on the substitute
// platform: every Chrome profile of "User Data" and its current caches
// and cookies, Firefox's "cache2"; and a machine with only the old
// layouts, whose test run still writes the log it always wrote.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "../common/browser_databases.h"
#include "clean_fixture.h"
#include "cleaner/browser_items.h"
#include "cleaner/clean_messages.h"
#include "cleaner/clean_worker.h"

namespace nc::testing {
namespace {

namespace fs = std::filesystem;
using cleaner::CleanRun;

constexpr const char* kRoaming = "C:\\Users\\user\\AppData\\Roaming\\";
constexpr const char* kLocal = "C:\\Users\\user\\AppData\\Local\\";
const std::string kUserData = std::string(kLocal) + "Google\\Chrome\\User Data\\";
const std::string kProfiles = std::string(kRoaming) + "Mozilla\\Firefox\\Profiles\\";
const std::string kLocalProfiles = std::string(kLocal) + "Mozilla\\Firefox\\Profiles\\";

const std::vector<std::string> kChromeItems = {
    "Google Chrome - Temporary Internet Files",  "Google Chrome - Cookies",
    "Google Chrome - Visited URL History",       "Google Chrome - Session",
    "Google Chrome - Stored passwords in Forms", "Google Chrome - Saved Form Information",
    "Google Chrome - Download History"};
const std::vector<std::string> kFirefoxItems = {
    "Mozilla Firefox - Temporary Internet Files", "Mozilla Firefox - Cookies",
    "Mozilla Firefox - Visited URL History",      "Mozilla Firefox - Download Manager",
    "Mozilla Firefox - Autocomplete History",     "Mozilla Firefox - Preferences",
    "Mozilla Firefox - Saved Form Information"};

class BrowserProfilesTest : public CleanFixture {
 protected:
  void SetUp() override {
    sim.registry().loadRegText(
        "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
        "Shell Folders]\n\"Local AppData\"=\"C:\\\\Users\\\\user\\\\AppData\\\\Local\"\n");
    options.ShowLogTempInternetFiles = true;
  }
  fs::path Host(const std::string& path) { return sim.hostPath(path); }
  bool Exists(const std::string& path) { return sim.files().fileExists(path); }
  CleanRun& Run(std::string_view name, bool testMode) {
    CleanRun& r = MakeRun(testMode);
    EXPECT_TRUE(cleaner::RunBrowserItem(r, name)) << name;
    return r;
  }
  // The log of a whole run of the items through the worker.
  std::vector<std::string> WorkerLog(std::vector<std::string> names, bool testMode) {
    log.clear();
    posted.clear();
    runMode.store(testMode ? cleaner::RunMode::Test : cleaner::RunMode::Clean);
    cleaner::CleanWorker worker(Environment(), std::move(names), 0);
    worker.Execute();
    Pump();
    EXPECT_EQ(Posted(cleaner::WM_CLEAN_DONE).size(), 1u);
    return log.lines();
  }
};

// ---- the old layouts ---------------------------------------------------------------

// What a test run of the Chrome and Firefox items wrote for the old
// layouts before profiles beside "Default", the current caches and
// "cache2" were cleaned.
const std::vector<std::string> kOldLayoutTestLog = {
    "Test: Clearing Google Chrome - Temporary Internet Files ...",
    "Test: deleting C:\\Users\\user\\AppData\\Local\\Google\\Chrome\\User "
    "Data\\Default\\Cache\\data_0",
    "Test: deleting C:\\Users\\user\\AppData\\Local\\Google\\Chrome\\User "
    "Data\\Default\\Cache\\data_1",
    "Test: deleting C:\\Users\\user\\AppData\\Local\\Google\\Chrome\\User "
    "Data\\Default\\Cache\\f_000001",
    "Test: deleting C:\\Users\\user\\AppData\\Local\\Google\\Chrome\\User "
    "Data\\Default\\Cache\\index",
    "",
    "4 items will be removed; 534 KB will be removed.",
    "",
    "----------------------------------------------------------------------------------------------"
    "-------------",
    "Test: Clearing Google Chrome - Cookies ...",
    "Test: deleting C:\\Users\\user\\AppData\\Local\\Google\\Chrome\\User Data\\Default\\Cookies",
    "Test: deleting C:\\Users\\user\\AppData\\Local\\Google\\Chrome\\User Data\\Default\\Local "
    "Storage\\http_www.example.org_0.localstorage",
    "",
    "2 items will be removed; 10 KB will be removed.",
    "",
    "----------------------------------------------------------------------------------------------"
    "-------------",
    "Test: Clearing Google Chrome - Visited URL History ...",
    "Test: deleting C:\\Users\\user\\AppData\\Local\\Google\\Chrome\\User Data\\Default\\Archived "
    "History",
    "Test: deleting C:\\Users\\user\\AppData\\Local\\Google\\Chrome\\User Data\\Default\\History",
    "Test: deleting "
    "C:\\Users\\user\\AppData\\Local\\Google\\Chrome\\User Data\\Default\\History-journal",
    "Test: deleting C:\\Users\\user\\AppData\\Local\\Google\\Chrome\\User "
    "Data\\Default\\Thumbnails",
    "Test: deleting C:\\Users\\user\\AppData\\Local\\Google\\Chrome\\User Data\\Default\\Visited "
    "Links",
    "Test: deleting C:\\Users\\user\\AppData\\Local\\Google\\Chrome\\User Data\\Default\\Current "
    "Tabs",
    "Test: deleting C:\\Users\\user\\AppData\\Local\\Google\\Chrome\\User Data\\Default\\Last Tabs",
    "Test: deleting C:\\Users\\user\\AppData\\Local\\Google\\Chrome\\User Data\\Default\\Top Sites",
    "Test: deleting C:\\Users\\user\\AppData\\Local\\Google\\Chrome\\User Data\\Default\\History "
    "Index 2011-04",
    "",
    "9 items will be removed; 157 KB will be removed.",
    "",
    "----------------------------------------------------------------------------------------------"
    "-------------",
    "Test: Clearing Google Chrome - Session ...",
    "Test: deleting C:\\Users\\user\\AppData\\Local\\Google\\Chrome\\User Data\\Default\\Current "
    "Session",
    "Test: deleting C:\\Users\\user\\AppData\\Local\\Google\\Chrome\\User Data\\Default\\Last "
    "Session",
    "",
    "2 items will be removed; 3 KB will be removed.",
    "",
    "----------------------------------------------------------------------------------------------"
    "-------------",
    "Test: Clearing Google Chrome - Stored passwords in Forms ...",
    "Test: deleting C:\\Users\\user\\AppData\\Local\\Google\\Chrome\\User Data\\Default\\Login "
    "Data",
    "",
    "1 items will be removed; 4 KB will be removed.",
    "",
    "----------------------------------------------------------------------------------------------"
    "-------------",
    "Test: Clearing Google Chrome - Saved Form Information ...",
    "",
    "0 items will be removed; 0 KB will be removed.",
    "",
    "----------------------------------------------------------------------------------------------"
    "-------------",
    "Test: Clearing Google Chrome - Download History ...",
    "",
    "0 items will be removed; 0 KB will be removed.",
    "",
    "----------------------------------------------------------------------------------------------"
    "-------------",
    "Test: Clearing Mozilla Firefox - Temporary Internet Files ...",
    "Test: deleting "
    "C:\\Users\\user\\AppData\\Roaming\\Mozilla\\Firefox\\Profiles\\abcd1234."
    "default\\Cache\\0\\1A\\2B3C4Dd01",
    "Test: deleting "
    "C:\\Users\\user\\AppData\\Roaming\\Mozilla\\Firefox\\Profiles\\abcd1234.default\\Cache\\_"
    "CACHE_001_",
    "Test: deleting "
    "C:\\Users\\user\\AppData\\Roaming\\Mozilla\\Firefox\\Profiles\\abcd1234.default\\Cache\\_"
    "CACHE_MAP_",
    "Test: deleting "
    "C:\\Users\\user\\AppData\\Roaming\\Mozilla\\Firefox\\Profiles\\work\\Cache\\0\\1A\\2B3C4Dd01",
    "Test: deleting "
    "C:\\Users\\user\\AppData\\Roaming\\Mozilla\\Firefox\\Profiles\\work\\Cache\\_CACHE_001_",
    "Test: deleting "
    "C:\\Users\\user\\AppData\\Roaming\\Mozilla\\Firefox\\Profiles\\work\\Cache\\_CACHE_MAP_",
    "Test: deleting "
    "C:\\Users\\user\\AppData\\Local\\Mozilla\\Firefox\\Profiles\\abcd1234."
    "default\\Cache\\0\\1A\\2B3C4Dd01",
    "Test: deleting "
    "C:\\Users\\user\\AppData\\Local\\Mozilla\\Firefox\\Profiles\\abcd1234.default\\Cache\\_CACHE_"
    "001_",
    "Test: deleting "
    "C:\\Users\\user\\AppData\\Local\\Mozilla\\Firefox\\Profiles\\abcd1234.default\\Cache\\_CACHE_"
    "MAP_",
    "",
    "9 items will be removed; 93 KB will be removed.",
    "",
    "----------------------------------------------------------------------------------------------"
    "-------------",
    "Test: Clearing Mozilla Firefox - Cookies ...",
    "Test: deleting "
    "C:\\Users\\user\\AppData\\Roaming\\Mozilla\\Firefox\\Profiles\\abcd1234.default\\cookies."
    "sqlite",
    "Test: deleting "
    "C:\\Users\\user\\AppData\\Roaming\\Mozilla\\Firefox\\Profiles\\work\\cookies.sqlite",
    "",
    "2 items will be removed; 1,024 KB will be removed.",
    "",
    "----------------------------------------------------------------------------------------------"
    "-------------",
    "Test: Clearing Mozilla Firefox - Visited URL History ...",
    "Test: deleting "
    "C:\\Users\\user\\AppData\\Roaming\\Mozilla\\Firefox\\Profiles\\abcd1234.default\\history.dat",
    "Test: deleting "
    "C:\\Users\\user\\AppData\\Roaming\\Mozilla\\Firefox\\Profiles\\work\\history.dat",
    "",
    "2 items will be removed; 6 KB will be removed.",
    "",
    "----------------------------------------------------------------------------------------------"
    "-------------",
    "Test: Clearing Mozilla Firefox - Download Manager ...",
    "Test: deleting "
    "C:\\Users\\user\\AppData\\Roaming\\Mozilla\\Firefox\\Profiles\\abcd1234.default\\downloads."
    "sqlite",
    "Test: deleting "
    "C:\\Users\\user\\AppData\\Roaming\\Mozilla\\Firefox\\Profiles\\work\\downloads.sqlite",
    "",
    "2 items will be removed; 192 KB will be removed.",
    "",
    "----------------------------------------------------------------------------------------------"
    "-------------",
    "Test: Clearing Mozilla Firefox - Autocomplete History ...",
    "Test: deleting "
    "C:\\Users\\user\\AppData\\Roaming\\Mozilla\\Firefox\\Profiles\\abcd1234.default\\signons3.txt",
    "Test: deleting "
    "C:\\Users\\user\\AppData\\Roaming\\Mozilla\\Firefox\\Profiles\\work\\signons3.txt",
    "",
    "2 items will be removed; 2 KB will be removed.",
    "",
    "----------------------------------------------------------------------------------------------"
    "-------------",
    "Test: Clearing Mozilla Firefox - Preferences ...",
    "Test: deleting "
    "C:\\Users\\user\\AppData\\Roaming\\Mozilla\\Firefox\\Profiles\\abcd1234.default\\prefs.js",
    "Test: deleting C:\\Users\\user\\AppData\\Roaming\\Mozilla\\Firefox\\Profiles\\work\\prefs.js",
    "",
    "2 items will be removed; 24 KB will be removed.",
    "",
    "----------------------------------------------------------------------------------------------"
    "-------------",
    "Test: Clearing Mozilla Firefox - Saved Form Information ...",
    "Test: deleting "
    "C:\\Users\\user\\AppData\\Roaming\\Mozilla\\Firefox\\Profiles\\abcd1234.default\\formhistory."
    "sqlite",
    "Test: deleting "
    "C:\\Users\\user\\AppData\\Roaming\\Mozilla\\Firefox\\Profiles\\work\\formhistory.sqlite",
    "",
    "2 items will be removed; 384 KB will be removed.",
    "",
    "----------------------------------------------------------------------------------------------"
    "-------------",
    "Total items will be removed = 39 ; Total files will be removed = 2,430 KB",
    "----------------------------------------------------------------------------------------------"
    "-------------",
};

TEST_F(BrowserProfilesTest, OldLayoutsGiveTheTestLogTheyAlwaysGave) {
  std::vector<std::string> names = kChromeItems;
  names.insert(names.end(), kFirefoxItems.begin(), kFirefoxItems.end());
  // "Default" had no "Preferences" in the oldest versions; both are one
  // profile.
  for (bool preferences : {false, true}) {
    SCOPED_TRACE(preferences);
    fs::remove_all(Host(kUserData));
    fs::remove_all(Host(kProfiles));
    fs::remove_all(Host(kLocalProfiles));
    ASSERT_TRUE(MakeChromeProfile(Host(kUserData + "Default"), false, preferences));
    ASSERT_TRUE(MakeFirefoxProfile(Host(kProfiles + "abcd1234.default"),
                                   Host(kLocalProfiles + "abcd1234.default"), false));
    ASSERT_TRUE(MakeFirefoxProfile(Host(kProfiles + "work"), {}, false));
    const std::vector<std::string> lines = WorkerLog(names, true);
    EXPECT_EQ(lines, kOldLayoutTestLog);
  }
}

// ---- every Chrome profile ----------------------------------------------------------

class ChromeProfilesTest : public BrowserProfilesTest {
 protected:
  // The profiles, in the order they are cleaned.
  const std::vector<std::string> profiles = {"Default", "Guest Profile", "Profile 1", "Profile 10",
                                             "Profile 2"};
  const std::string outside = "C:\\Elsewhere\\Profile\\";

  void SetUp() override {
    BrowserProfilesTest::SetUp();
    // Listed out of order on purpose: the host lists in its own order.
    for (const char* name : {"Profile 2", "Profile 10", "Default", "Profile 1", "Guest Profile"}) {
      ASSERT_TRUE(MakeChromeProfile(Host(kUserData + name), true));
    }
    ASSERT_TRUE(MakeChromeProfile(Host(kUserData + "System Profile"), true));
    // Folders of "User Data" that are no profile: no "Preferences", or a
    // folder of that name.
    ASSERT_TRUE(MakeChromeProfile(Host(kUserData + "Crashpad"), false));
    ASSERT_TRUE(MakeChromeProfile(Host(kUserData + "Odd"), false));
    fs::create_directories(Host(kUserData + "Odd\\Preferences"));
    ASSERT_TRUE(MakeChromeProfile(Host(outside), true));
    // Listed among the profiles: a link, and Chrome's own file.
    fs::create_directory_symlink(Host(outside), Host(kUserData) / "Profile 15");
    ASSERT_TRUE(WriteProfileFiles(Host(kUserData), {{"Local State", 4000}}));
  }
  // The profile folder of a "deleting" line, "" for other lines.
  std::string ProfileOf(const std::string& line) {
    const std::string head = "deleting " + kUserData;
    const auto at = line.find(head);
    if (at == std::string::npos) return {};
    const auto start = at + head.size();
    return line.substr(start, line.find('\\', start) - start);
  }
  bool Untouched(const std::string& folder) {
    for (const auto& file : CurrentChromeProfileFiles()) {
      std::string path = folder + file.path;
      std::replace(path.begin(), path.end(), '/', '\\');
      if (!Exists(path)) return false;
    }
    return true;
  }
};

TEST_F(ChromeProfilesTest, EachItemCleansEveryProfileInNameOrderAndCountsWhatItRemoves) {
  struct Case {
    const char* runName;
    std::vector<std::string> gone;  // the files counted in each profile
  };
  const std::vector<Case> cases = {
      {"Google Chrome - Temporary Internet Files",
       {"Cache\\Cache_Data\\data_0", "Cache\\Cache_Data\\data_1", "Cache\\Cache_Data\\f_000001",
        "Cache\\Cache_Data\\index", "Code Cache\\js\\index", "Code Cache\\js\\1a2b3c4d5e6f7a8b_0",
        "Code Cache\\wasm\\index", "GPUCache\\data_0", "GPUCache\\index",
        "Service Worker\\CacheStorage\\0f1e2d3c\\index.txt",
        "Service Worker\\CacheStorage\\0f1e2d3c\\6a9b0c1d-2e3f\\0a1b2c3d4e5f_0"}},
      {"Google Chrome - Cookies", {"Network\\Cookies", "Network\\Cookies-journal"}},
      {"Google Chrome - Visited URL History",
       {"History", "History-journal", "Top Sites", "Visited Links"}},
      {"Google Chrome - Stored passwords in Forms", {"Login Data"}},
  };
  const std::vector<std::string> kept = {"Preferences", "Network\\Network Persistent State",
                                         "Service Worker\\Database\\000003.log", "Web Data"};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.runName);
    log.clear();
    CleanRun& tested = Run(c.runName, true);
    const int testedCount = tested.ItemCount;
    const std::uint64_t testedSize = tested.ItemSize;
    std::uint64_t bytes = 0;
    for (const auto& profile : profiles) {
      for (const auto& file : c.gone)
        bytes += fs::file_size(Host(kUserData + profile + "\\" + file));
    }
    EXPECT_EQ(testedCount, static_cast<int>(c.gone.size() * profiles.size()));
    EXPECT_EQ(testedSize, bytes);
    // Every file once, the profiles one after the other in name order.
    std::vector<std::string> order;
    std::vector<std::string> lines = log.linesContaining("deleting");
    for (const auto& line : lines) {
      const std::string profile = ProfileOf(line);
      if (order.empty() || order.back() != profile) order.push_back(profile);
    }
    EXPECT_EQ(order, profiles);
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(std::adjacent_find(lines.begin(), lines.end()), lines.end());

    CleanRun& cleaned = Run(c.runName, false);
    EXPECT_EQ(testedCount, cleaned.ItemCount);
    EXPECT_EQ(testedSize, cleaned.ItemSize);
    for (const auto& profile : profiles) {
      for (const auto& file : c.gone) EXPECT_FALSE(Exists(kUserData + profile + "\\" + file));
      for (const auto& file : kept) EXPECT_TRUE(Exists(kUserData + profile + "\\" + file));
    }
  }
  // The cache folders themselves stay, emptied.
  for (const char* folder : {"Cache", "Code Cache", "GPUCache", "Service Worker\\CacheStorage"}) {
    EXPECT_TRUE(sim.files().folderExists(kUserData + "Profile 2\\" + folder)) << folder;
  }
  EXPECT_FALSE(sim.files().folderExists(kUserData + "Profile 2\\Code Cache\\js"));
  EXPECT_TRUE(Untouched(kUserData + "System Profile\\"));
  EXPECT_TRUE(Untouched(outside));
  for (const auto& file : OldChromeProfileFiles()) {
    std::string path = kUserData + "Crashpad\\" + file.path;
    std::replace(path.begin(), path.end(), '/', '\\');
    EXPECT_TRUE(Exists(path)) << path;
  }
  EXPECT_TRUE(Exists(kUserData + "Odd\\Cookies"));
}

TEST_F(ChromeProfilesTest, DatabaseItemsEmptyTheirTablesInEveryProfileOnly) {
  Run("Google Chrome - Saved Form Information", false);
  Run("Google Chrome - Download History", false);
  Run("Google Chrome - Stored passwords in Forms", false);
  for (const auto& profile : profiles) {
    SCOPED_TRACE(profile);
    EXPECT_EQ(Count(Host(kUserData + profile + "\\Web Data"), "autofill"), "0");
    EXPECT_EQ(Count(Host(kUserData + profile + "\\Web Data"), "logins"), "0");
    EXPECT_EQ(Count(Host(kUserData + profile + "\\History"), "downloads"), "0");
    EXPECT_EQ(Count(Host(kUserData + profile + "\\History"), "urls"), "1");
  }
  for (const std::string& folder :
       {kUserData + "System Profile\\", kUserData + "Crashpad\\", outside}) {
    SCOPED_TRACE(folder);
    EXPECT_EQ(Count(Host(folder + "Web Data"), "autofill"), "2");
    EXPECT_EQ(Count(Host(folder + "Web Data"), "logins"), "1");
    EXPECT_EQ(Count(Host(folder + "History"), "downloads"), "2");
  }
}

TEST_F(ChromeProfilesTest, DefaultIsAProfileWithoutPreferencesAndNoOtherFolderIs) {
  fs::remove(Host(kUserData + "Default\\Preferences"));
  fs::remove(Host(kUserData + "Profile 1\\Preferences"));
  CleanRun& cleaned = Run("Google Chrome - Stored passwords in Forms", false);
  EXPECT_EQ(cleaned.ItemCount, 4);
  EXPECT_FALSE(Exists(kUserData + "Default\\Login Data"));
  EXPECT_TRUE(Exists(kUserData + "Profile 1\\Login Data"));
  EXPECT_FALSE(Exists(kUserData + "Profile 2\\Login Data"));
}

TEST_F(BrowserProfilesTest, OtherNamesAreNotBrowserItems) {
  for (const char* name : {"Google Chrome - Plugins", "Google Chrome", "Mozilla Firefox - Cache"}) {
    EXPECT_FALSE(cleaner::RunBrowserItem(MakeRun(true), name)) << name;
  }
}

TEST_F(BrowserProfilesTest, CookiesFoundByTheMaskAndBesideItAreCountedOnce) {
  const std::string profile = kUserData + "Default\\";
  ASSERT_TRUE(sim.writeFile(profile + "Preferences", "{}"));
  ASSERT_TRUE(sim.writeFile(profile + "Network\\Cookies", std::string(2048, 'c')));
  ASSERT_TRUE(sim.writeFile(profile + "Network\\Cookies-journal", std::string(1024, 'j')));
  ASSERT_TRUE(sim.writeFile(profile + "Cookies-journal", "old"));  // never removed
  for (bool testMode : {true, false}) {
    SCOPED_TRACE(testMode);
    log.clear();
    CleanRun& r = Run("Google Chrome - Cookies", testMode);
    EXPECT_EQ(r.ItemCount, 2);
    EXPECT_EQ(r.ItemSize, 3072u);
    const std::string head = testMode ? "Test: deleting " : "Clean: deleting ";
    EXPECT_THAT(log.linesContaining("deleting"),
                ::testing::ElementsAre(head + profile + "Network\\Cookies",
                                       head + profile + "Network\\Cookies-journal"));
    EXPECT_EQ(Exists(profile + "Network\\Cookies"), testMode);
    EXPECT_EQ(Exists(profile + "Network\\Cookies-journal"), testMode);
  }
  EXPECT_TRUE(Exists(profile + "Cookies-journal"));
}

// ---- Firefox's cache2 --------------------------------------------------------------

TEST_F(BrowserProfilesTest, FirefoxCache2IsEmptiedInBothProfileFoldersBesideTheOldCache) {
  ASSERT_TRUE(MakeFirefoxProfile(Host(kProfiles + "x1y2z3.default-release"),
                                 Host(kLocalProfiles + "x1y2z3.default-release"), true));
  ASSERT_TRUE(MakeFirefoxProfile(Host(kProfiles + "abcd1234.default"),
                                 Host(kLocalProfiles + "abcd1234.default"), false));
  // A profile whose cache2 stayed in the roaming folder.
  ASSERT_TRUE(WriteProfileFiles(Host(kProfiles + "portable"), Cache2Files()));
  const std::string linked = "C:\\Elsewhere\\";
  ASSERT_TRUE(WriteProfileFiles(Host(linked), Cache2Files()));
  fs::create_directory_symlink(Host(linked), Host(kLocalProfiles) / "linked.default");

  CleanRun& tested = Run("Mozilla Firefox - Temporary Internet Files", true);
  const int testedCount = tested.ItemCount;
  const std::uint64_t testedSize = tested.ItemSize;
  // Three files of each cache2, three of each old Cache.
  EXPECT_EQ(testedCount, 3 * 2 + 3 * 2);
  CleanRun& cleaned = Run("Mozilla Firefox - Temporary Internet Files", false);
  EXPECT_EQ(cleaned.ItemCount, testedCount);
  EXPECT_EQ(cleaned.ItemSize, testedSize);
  for (const std::string& profile :
       {kLocalProfiles + "x1y2z3.default-release\\", kProfiles + "portable\\"}) {
    SCOPED_TRACE(profile);
    EXPECT_TRUE(sim.files().folderExists(profile + "cache2"));
    EXPECT_FALSE(sim.files().folderExists(profile + "cache2\\entries"));
    EXPECT_FALSE(Exists(profile + "cache2\\index"));
    EXPECT_TRUE(Exists(profile + "startupCache\\startupCache.8.little"));
  }
  EXPECT_FALSE(Exists(kLocalProfiles + "abcd1234.default\\Cache\\_CACHE_MAP_"));
  EXPECT_TRUE(Exists(linked + "cache2\\index"));
  EXPECT_TRUE(Exists(kProfiles + "x1y2z3.default-release\\cookies.sqlite"));
}

}  // namespace
}  // namespace nc::testing
