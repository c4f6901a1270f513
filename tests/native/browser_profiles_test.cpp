// Browser profiles as the browsers lay them out today, on the substitute
// platform: every Chrome profile of "User Data" and its current caches
// and cookies, Firefox's "cache2"; and a machine with only the old
// layouts, whose test run still writes the log it always wrote.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

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
    "8 items will be removed; 157 KB will be removed.",
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
    "Total items will be removed = 38 ; Total files will be removed = 2,430 KB",
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

}  // namespace
}  // namespace nc::testing
