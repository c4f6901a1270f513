// The Firefox, Netscape, Opera and Chrome items on the substitute platform:
// which files each run name removes, Netscape's choice of profile, the
// cache steps, the rows deleted from the browsers' databases, and bad
// database files that end the run without changing a byte.
#include "cleaner/browser_items.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "../common/browser_databases.h"
#include "../common/firefox_databases.h"
#include "clean_fixture.h"
#include "cleaner/clean_messages.h"
#include "cleaner/clean_worker.h"
#include "core/text.h"

namespace nc::testing {
namespace {

namespace fs = std::filesystem;
using cleaner::CleanRun;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr const char* kRoaming = "C:\\Users\\user\\AppData\\Roaming\\";
constexpr const char* kLocal = "C:\\Users\\user\\AppData\\Local\\";
const std::string kProfiles = std::string(kRoaming) + "Mozilla\\Firefox\\Profiles\\";
const std::string kLocalProfiles = std::string(kLocal) + "Mozilla\\Firefox\\Profiles\\";
const std::string kNetscape = std::string(kRoaming) + "Netscape\\NSB\\Profiles\\";
const std::string kOpera = std::string(kRoaming) + "Opera\\";
const std::string kOperaLocal = std::string(kLocal) + "Opera\\";
const std::string kChrome = std::string(kLocal) + "Google\\Chrome\\User Data\\Default\\";

class BrowserItemsTest : public CleanFixture {
 protected:
  void SetUp() override {
    sim.registry().loadRegText(
        "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
        "Shell Folders]\n\"Local AppData\"=\"C:\\\\Users\\\\user\\\\AppData\\\\Local\"\n");
  }
  CleanRun& Run(std::string_view name, bool testMode) {
    CleanRun& r = MakeRun(testMode);
    EXPECT_TRUE(cleaner::RunBrowserItem(r, name)) << name;
    return r;
  }
  void Write(const std::string& path, std::string_view content = "data") {
    ASSERT_TRUE(sim.writeFile(path, content)) << path;
  }
  bool Exists(const std::string& path) { return sim.files().fileExists(path); }
  fs::path Host(const std::string& path) { return sim.hostPath(path); }
  void MakeDb(const std::string& path, const char* sql) {
    ASSERT_TRUE(MakeDatabase(Host(path), sql));
  }
  std::string Bytes(const std::string& path) { return sim.readFile(path); }
};

// ---- files by mask -----------------------------------------------------------------

TEST_F(BrowserItemsTest, EachMaskItemRemovesItsFilesAndNoOthers) {
  struct Case {
    const char* runName;
    std::vector<std::string> gone;
    std::vector<std::string> kept;
  };
  const std::string p1 = kProfiles + "abcd1234.default\\";
  const std::string p2 = kProfiles + "work\\sub\\";
  const std::string ns = kNetscape + "pbzik8cu.default\\";
  const std::vector<Case> cases = {
      {"Mozilla Firefox - Cookies",
       {p1 + "cookies.txt", p1 + "cookies-old.txt", p1 + "cookies.sqlite", p2 + "cookies.sqlite"},
       {p1 + "cookies.sqlite-journal", p1 + "mycookies.txt"}},
      {"Mozilla Firefox - Download Manager",
       {p1 + "downloads.rdf", p2 + "downloads.sqlite"},
       {p1 + "downloads.sqlite.bak"}},
      {"Mozilla Firefox - Autocomplete History",
       {p1 + "signons.txt", p2 + "signons3.txt"},
       {p1 + "signons2.txt"}},
      {"Mozilla Firefox - Preferences", {p1 + "prefs.js", p2 + "prefs.js"}, {p1 + "user.js"}},
      {"Mozilla Firefox - Saved Form Information",
       {p1 + "formhistory.dat", p2 + "formhistory.sqlite"},
       {p1 + "formhistory.sqlite-wal"}},
      // Netscape's masks stay in the profile folder itself.
      {"Netscape - Cookies", {ns + "cookies.txt", ns + "cookies2.txt"}, {ns + "sub\\cookies.txt"}},
      {"Netscape - Visited URL History", {ns + "history.dat"}, {ns + "sub\\history.dat"}},
      {"Netscape - Preferences", {ns + "prefs.js"}, {ns + "sub\\prefs.js"}},
      {"Netscape - Saved Form Information",
       {ns + "formhistory.dat"},
       {ns + "sub\\formhistory.dat"}},
      {"Opera - Cookies", {kOpera + "cookies4.dat", kOpera + "a\\profile\\cookies4.dat"}, {}},
      {"Opera - Visited URL History",
       {kOpera + "global.dat", kOpera + "vlink4.dat", kOpera + "b\\autosave.win"},
       {kOpera + "global.dat.old"}},
      {"Opera - Recently Typed URLs", {kOpera + "opera.dir", kOpera + "typed_history.xml"}, {}},
      {"Opera - Autocomplete History", {kOpera + "profile\\wand.dat"}, {}},
      {"Opera - Transfers", {kOpera + "download.dat"}, {kOperaLocal + "download.dat"}},
      {"Google Chrome - Session",
       {kChrome + "Current Session", kChrome + "Last Session", kChrome + "x\\Last Session"},
       {kChrome + "Current Tabs"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.runName);
    std::uint64_t bytes = 0;
    for (const auto& path : c.gone) {
      Write(path, std::string(600, 'g'));
      bytes += 600;
    }
    for (const auto& path : c.kept) Write(path);
    CleanRun& tested = Run(c.runName, true);
    EXPECT_EQ(tested.ItemCount, static_cast<int>(c.gone.size()));
    EXPECT_EQ(tested.ItemSize, bytes);
    for (const auto& path : c.gone) EXPECT_TRUE(Exists(path)) << path;
    CleanRun& cleaned = Run(c.runName, false);
    EXPECT_EQ(cleaned.ItemCount, static_cast<int>(c.gone.size()));
    EXPECT_EQ(cleaned.ItemSizeText, KilobyteText(bytes));
    for (const auto& path : c.gone) EXPECT_FALSE(Exists(path)) << path;
    for (const auto& path : c.kept) EXPECT_TRUE(Exists(path)) << path;
  }
}

TEST_F(BrowserItemsTest, NetscapeTakesItsNamedProfileThenADefaultThenTheLastListed) {
  struct Case {
    std::vector<std::string> profiles;
    std::string chosen;
  };
  const std::vector<Case> cases = {
      {{"aaa", "pbzik8cu.default", "x.default"}, "pbzik8cu.default"},
      {{"aaa", "b.default", "c.default", "zzz"}, "b.default"},
      {{"mmm", "aaa", "zzz"}, "zzz"},
      {{}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.chosen);
    fs::remove_all(Host(kNetscape));
    fs::create_directories(Host(kNetscape));
    for (const auto& profile : c.profiles) Write(kNetscape + profile + "\\prefs.js");
    CleanRun& cleaned = Run("Netscape - Preferences", false);
    EXPECT_EQ(cleaned.ItemCount, c.chosen.empty() ? 0 : 1);
    for (const auto& profile : c.profiles) {
      EXPECT_EQ(Exists(kNetscape + profile + "\\prefs.js"), profile != c.chosen) << profile;
    }
  }
}

// ---- caches ------------------------------------------------------------------------

TEST_F(BrowserItemsTest, CachesOfEveryProfileAreEmptiedWithANoticeOrFileLines) {
  const std::vector<std::string> caches = {kProfiles + "a.default\\Cache\\",
                                           kProfiles + "work\\Cache\\",
                                           kLocalProfiles + "a.default\\Cache\\"};
  for (bool showLines : {false, true}) {
    SCOPED_TRACE(showLines);
    options.ShowLogTempInternetFiles = showLines;
    for (const auto& cache : caches) {
      Write(cache + "0\\1A2B", std::string(1024, 'c'));
      Write(cache + "_CACHE_MAP_", "m");
    }
    Write(kProfiles + "a.default\\Other\\keep.bin");
    log.clear();
    CleanRun& tested = Run("Mozilla Firefox - Temporary Internet Files", true);
    EXPECT_EQ(tested.ItemCount, 6);
    EXPECT_EQ(tested.ItemSize, 3u * 1025u);
    EXPECT_FALSE(log.hasLine("Clearing, please wait..."));  // never in a test run
    log.clear();
    CleanRun& cleaned = Run("Mozilla Firefox - Temporary Internet Files", false);
    EXPECT_EQ(cleaned.ItemCount, 6);
    EXPECT_EQ(log.hasLine("Clearing, please wait..."), !showLines);
    EXPECT_EQ(log.linesContaining("deleting").size(), showLines ? 6u : 0u);
    for (const auto& cache : caches) {
      EXPECT_TRUE(sim.files().folderExists(cache)) << cache;
      EXPECT_FALSE(sim.files().folderExists(cache + "0")) << cache;
    }
    EXPECT_TRUE(Exists(kProfiles + "a.default\\Other\\keep.bin"));
  }
  // Netscape writes its notice before it looks for a profile.
  options.ShowLogTempInternetFiles = false;
  log.clear();
  EXPECT_EQ(Run("Netscape - Temporary Internet Files", false).ItemCount, 0);
  EXPECT_THAT(log.lines(), ElementsAre("Clearing, please wait..."));
  Write(kNetscape + "x.default\\Cache\\a", "aa");
  Write(kNetscape + "x.default\\b");
  EXPECT_EQ(Run("Netscape - Temporary Internet Files", false).ItemSize, 2u);
  EXPECT_FALSE(Exists(kNetscape + "x.default\\Cache\\a"));
  EXPECT_TRUE(Exists(kNetscape + "x.default\\b"));
}

TEST_F(BrowserItemsTest, OperaCache4FoldersOfBothFoldersAreEmptiedAndStay) {
  for (const auto& base : {kOpera + "a", kOpera + "b", kOperaLocal + "c"}) {
    Write(base + "\\profile\\cache4\\opr0001.tmp", std::string(2048, 'o'));
    Write(base + "\\profile\\cache4\\sub\\opr0002.tmp", std::string(1024, 'o'));
  }
  Write(kOpera + "a\\profile\\cache\\old.tmp");
  options.FastScan = true;
  CleanRun& cleaned = Run("Opera - Temporary Internet Files", false);
  EXPECT_EQ(cleaned.ItemCount, 6);
  EXPECT_EQ(cleaned.ItemSizeText, "9");
  EXPECT_TRUE(sim.files().folderExists(kOpera + "b\\profile\\cache4"));
  EXPECT_FALSE(sim.files().folderExists(kOperaLocal + "c\\profile\\cache4\\sub"));
  EXPECT_TRUE(Exists(kOpera + "a\\profile\\cache\\old.tmp"));
  // Fast mode alone silences the file lines; there is no notice.
  EXPECT_THAT(log.linesContaining("please wait"), IsEmpty());
}

TEST_F(BrowserItemsTest, ChromeFilesOfHistoryCookiesAndCacheWithTheirIndexes) {
  const std::vector<std::string> history = {"History",
                                            "Archived History",
                                            "Thumbnails",
                                            "Visited Links",
                                            "Current Tabs",
                                            "Last Tabs",
                                            "Top Sites",
                                            "History Provider Cache",
                                            "Network Action Predictor",
                                            "History Index 2011-04",
                                            "History Index 2011-05",
                                            "Extension\\History"};
  for (const auto& name : history) Write(kChrome + name, "hh");
  Write(kChrome + "Sub\\History Index 2011-04");  // passed as a mask: reached too
  Write(kChrome + "History-journal");
  Write(kChrome + "Sub\\History Index 2012-01");  // not beside History: stays
  // A test run counts what the clean removes, each file once.
  CleanRun& tested = Run("Google Chrome - Visited URL History", true);
  const int testedCount = tested.ItemCount;
  const std::uint64_t testedSize = tested.ItemSize;
  CleanRun& cleaned = Run("Google Chrome - Visited URL History", false);
  EXPECT_EQ(cleaned.ItemCount, static_cast<int>(history.size()) + 2);
  EXPECT_EQ(testedCount, cleaned.ItemCount);
  EXPECT_EQ(testedSize, cleaned.ItemSize);
  for (const auto& name : history) EXPECT_FALSE(Exists(kChrome + name)) << name;
  EXPECT_FALSE(Exists(kChrome + "History-journal"));
  EXPECT_TRUE(Exists(kChrome + "Sub\\History Index 2012-01"));

  Write(kChrome + "Cookies", "cc");
  Write(kChrome + "Local Storage\\http_a.localstorage", "l");
  Write(kChrome + "Cache\\data_1", "d");
  EXPECT_EQ(Run("Google Chrome - Cookies", false).ItemSize, 3u);
  EXPECT_EQ(Run("Google Chrome - Temporary Internet Files", false).ItemCount, 1);
  EXPECT_TRUE(sim.files().folderExists(kChrome + "Local Storage"));
  EXPECT_TRUE(sim.files().folderExists(kChrome + "Cache"));
}

TEST_F(BrowserItemsTest, WithoutTheBrowsersNothingChangesAnywhere) {
  // Files a missing folder setting would reach through the drive root.
  const std::vector<std::string> bait = {
      "C:\\Google\\Chrome\\User Data\\Default\\Cookies", "C:\\Cookies", "C:\\Cache\\x",
      "C:\\Mozilla\\Firefox\\Profiles\\a.default\\Cache\\x", "C:\\Opera\\a\\profile\\cache4\\x"};
  for (const auto& path : bait) Write(path);
  sim.registry().loadRegText(
      "REGEDIT4\n\n[-HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
      "Shell Folders]\n");
  for (const char* name :
       {"Google Chrome - Temporary Internet Files", "Google Chrome - Cookies",
        "Google Chrome - Visited URL History", "Google Chrome - Session",
        "Google Chrome - Stored passwords in Forms", "Google Chrome - Saved Form Information",
        "Google Chrome - Download History", "Mozilla Firefox - Temporary Internet Files",
        "Mozilla Firefox - Cookies", "Opera - Temporary Internet Files", "Netscape - Cookies"}) {
    CleanRun& cleaned = Run(name, false);
    EXPECT_EQ(cleaned.ItemCount, 0) << name;
    EXPECT_EQ(cleaned.ItemSizeText, "0") << name;
  }
  for (const auto& path : bait) EXPECT_TRUE(Exists(path)) << path;
}

// ---- databases ---------------------------------------------------------------------

// Every profile that profiles.ini names, relative or absolute, and every
// folder of Profiles that holds a places database, whatever its name.
TEST_F(BrowserItemsTest, FirefoxHistoryCleansEveryProfileOfProfilesIniAndOfTheProfilesFolder) {
  const std::string firefox = std::string(kRoaming) + "Mozilla\\Firefox\\";
  Write(firefox + "profiles.ini",
        "[Install308046B0AF4A39CB]\r\nDefault=Profiles/abcd1234.default-release\r\n"
        "[Profile4]\r\nName=no path\r\n[Profile5]\r\nIsRelative=1\r\nPath=Profiles/icons\r\n"
        "[Profile1]\r\nName=work\r\nIsRelative=0\r\nPath=C:\\Elsewhere\\work\r\n"
        "[Profile0]\r\nName=default\r\nIsRelative=1\r\nPath=Profiles/abcd1234.default-release\r\n"
        "[Profile2]\r\nIsRelative=1\r\nPath=../../Outside\r\n"
        "[Profile3]\r\nIsRelative=0\r\nPath=Relative\\Only\r\n");
  struct Case {
    std::string places;
    bool cleaned;
  };
  const std::vector<Case> cases = {
      {kProfiles + "abcd1234.default-release\\places.sqlite", true},  // relative
      {"C:\\Elsewhere\\work\\places.sqlite", true},                   // absolute
      {kProfiles + "work\\places.sqlite", true},                      // no ".default"
      {std::string(kRoaming) + "Outside\\places.sqlite", false},      // climbs out
      {"C:\\Relative\\Only\\places.sqlite", false},                   // not a full path
  };
  std::vector<std::string> before;
  for (const Case& c : cases) {
    MakeDb(c.places, kFirefoxPlaces);
    before.push_back(Bytes(c.places));
  }
  Write(kProfiles + "abcd1234.default-release\\history.dat", std::string(3000, 'h'));
  // Without a places database, the favicons cannot tell the bookmarks.
  const std::string icons = kProfiles + "icons\\favicons.sqlite";
  MakeDb(icons, kCurrentFavicons);
  const std::string iconsBefore = Bytes(icons);

  CleanRun& tested = Run("Mozilla Firefox - Visited URL History", true);
  EXPECT_EQ(tested.ItemCount, 1);
  EXPECT_EQ(tested.ItemSizeText, "3");
  for (std::size_t i = 0; i < cases.size(); ++i) EXPECT_EQ(Bytes(cases[i].places), before[i]);

  CleanRun& cleaned = Run("Mozilla Firefox - Visited URL History", false);
  EXPECT_EQ(cleaned.ItemCount, 1);  // the rows are not counted
  EXPECT_EQ(Bytes(icons), iconsBefore);
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].places);
    if (!cases[i].cleaned) {
      EXPECT_EQ(Bytes(cases[i].places), before[i]);
      continue;
    }
    EXPECT_EQ(Ids(Host(cases[i].places), "moz_places"), "2,4");
    EXPECT_EQ(Count(Host(cases[i].places), "moz_historyvisits"), "0");
    EXPECT_EQ(Count(Host(cases[i].places), "moz_bookmarks"), "4");
  }
}

TEST_F(BrowserItemsTest, ChromeDatabaseItemsEmptyTheirTablesInACleanOnly) {
  const std::string webData = kChrome + "Web Data";
  const std::string history = kChrome + "History";
  MakeDb(webData, kChromeWebData);
  MakeDb(history, kChromeHistory);
  Write(kChrome + "Login Data", std::string(2048, 'l'));
  const std::string webBefore = Bytes(webData);
  const std::string historyBefore = Bytes(history);

  CleanRun& passwords = Run("Google Chrome - Stored passwords in Forms", true);
  EXPECT_EQ(passwords.ItemCount, 1);
  EXPECT_EQ(passwords.ItemSizeText, "2");
  for (const char* name :
       {"Google Chrome - Saved Form Information", "Google Chrome - Download History"}) {
    CleanRun& tested = Run(name, true);
    EXPECT_EQ(tested.ItemCount, 0) << name;
    EXPECT_EQ(tested.ItemSizeText, "0") << name;
  }
  EXPECT_EQ(Bytes(webData), webBefore);
  EXPECT_EQ(Bytes(history), historyBefore);

  Run("Google Chrome - Stored passwords in Forms", false);
  EXPECT_EQ(Count(Host(webData), "logins"), "0");
  EXPECT_EQ(Count(Host(webData), "autofill"), "2");
  EXPECT_FALSE(Exists(kChrome + "Login Data"));
  CleanRun& forms = Run("Google Chrome - Saved Form Information", false);
  EXPECT_EQ(forms.ItemCount, 0);
  for (const char* table :
       {"autofill", "autofill_dates", "autofill_profiles", "autofill_profile_names"}) {
    EXPECT_EQ(Count(Host(webData), table), "0") << table;
  }
  EXPECT_EQ(Count(Host(webData), "keywords"), "1");
  EXPECT_EQ(Count(Host(webData), "meta"), "1");
  Run("Google Chrome - Download History", false);
  EXPECT_EQ(Count(Host(history), "downloads"), "0");
  EXPECT_EQ(Count(Host(history), "urls"), "1");
}

// Bad database files, run through the worker as the window runs them.
class BrowserDatabaseFailureTest : public BrowserItemsTest {
 protected:
  std::unique_ptr<cleaner::CleanWorker> Worker(std::vector<std::string> names) {
    runMode.store(cleaner::RunMode::Clean);
    return std::make_unique<cleaner::CleanWorker>(Environment(), std::move(names), 0);
  }
};

TEST_F(BrowserDatabaseFailureTest, BadPlacesFilesEndTheRunWithTheirErrorAndKeepTheirBytes) {
  const std::string profile = kProfiles + "abcd1234.default\\";
  const std::string places = profile + "places.sqlite";
  MakeDb(kRoaming + std::string("seed.sqlite"), kFirefoxPlaces);
  const std::string good = Bytes(kRoaming + std::string("seed.sqlite"));
  std::string corrupt = good;
  for (std::size_t i = 100; i < 300; ++i) corrupt[i] = 'Z';
  struct Case {
    const char* name;
    std::string bytes;
    const char* error;  // a line of the log; "" when the run goes on
    std::function<void()> prepare = {};
  };
  std::unique_ptr<sqlite3, int (*)(sqlite3*)> locker(nullptr, sqlite3_close);
  const std::vector<Case> cases = {
      {"empty", "", ""},
      {"not a database", std::string(4096, 'x'),
       "Error [26]: File opened that is not a database file."},
      {"truncated", good.substr(0, 60), "Error [11]: The database disk image is malformed."},
      {"corrupt", corrupt, "Error [11]: The database disk image is malformed."},
      {"no bookmarks", "", "Error [1]: SQL error or missing database.",
       [&] {
         MakeDb(places,
                "CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url LONGVARCHAR);"
                "INSERT INTO moz_places (url) VALUES ('http://a.example/');"
                "CREATE TABLE moz_historyvisits (id INTEGER PRIMARY KEY);"
                "INSERT INTO moz_historyvisits VALUES (1);");
       }},
      {"read-only", good, "Error [8]: Attempt to write a readonly database.",
       [&] { ASSERT_TRUE(sim.files().setAttributes(places, platform::FileAttr::ReadOnly).ok()); }},
      {"locked", good, "Error [5]: The database file is locked.",
       [&] {
         sqlite3* raw = nullptr;
         sqlite3_open(Utf8Path(Host(places)).c_str(), &raw);
         locker.reset(raw);
         ASSERT_EQ(sqlite3_exec(raw, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(Host(kProfiles));
    Write(places, c.bytes);
    if (c.prepare) c.prepare();
    Write(profile + "prefs.js");
    const std::string before = Bytes(places);
    log.clear();
    posted.clear();
    auto worker =
        Worker({"Mozilla Firefox - Visited URL History", "Mozilla Firefox - Preferences"});
    worker->Execute();
    Pump();
    locker.reset();
    (void)sim.files().setAttributes(places, platform::FileAttr::Normal);
    EXPECT_EQ(Bytes(places), before);
    ASSERT_EQ(Posted(cleaner::WM_CLEAN_DONE).size(), 1u);
    if (*c.error == '\0') {
      EXPECT_EQ(Posted(cleaner::WM_CLEAN_DONE)[0].lParam, 0);
      EXPECT_FALSE(Exists(profile + "prefs.js"));
      continue;
    }
    EXPECT_EQ(Posted(cleaner::WM_CLEAN_DONE)[0].lParam, cleaner::kCleanDoneAfterError);
    EXPECT_TRUE(log.hasLine(c.error)) << ::testing::PrintToString(log.lines());
    EXPECT_EQ(log.lines().back(), cleaner::kRunErrorLine);
    EXPECT_THAT(log.linesContaining("Total"), IsEmpty());
    EXPECT_TRUE(Exists(profile + "prefs.js"));  // the run ended before the next item
  }
}

TEST_F(BrowserDatabaseFailureTest, AStatementThatNeverEndsIsStoppedAndTheDatabaseKept) {
  const std::string profile = kProfiles + "abcd1234.default\\";
  const std::string places = profile + "places.sqlite";
  const std::string limitVariable(cleaner::kStatementLimitVariable);
  struct Case {
    const char* name;
    cleaner::RunMode mode;
    const char* limit;     // the test-only variable; nullptr: not set
    const char* stopLine;  // "" for a run that only Cancel ends
  };
  const std::vector<Case> cases = {
      {"unattended", cleaner::RunMode::Auto, nullptr,
       "The statement ran longer than 120 seconds and was stopped."},
      {"unattended, limit shortened", cleaner::RunMode::Auto, "250",
       "The statement ran longer than 250 ms and was stopped."},
      {"unattended, a longer limit is ignored", cleaner::RunMode::Auto, "999999",
       "The statement ran longer than 120 seconds and was stopped."},
      {"a clean with the user there", cleaner::RunMode::Clean, nullptr, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(Host(kProfiles));
    MakeDb(places, (std::string(kFirefoxPlaces) + kEndlessVisitsTrigger).c_str());
    Write(profile + "prefs.js");
    if (c.limit != nullptr) {
      sim.files().setEnvironment(limitVariable, c.limit);
    } else {
      sim.files().unsetEnvironment(limitVariable);
    }
    log.clear();
    posted.clear();
    runMode.store(c.mode);
    cleaner::CleanWorker worker(
        Environment(), {"Mozilla Firefox - Visited URL History", "Mozilla Firefox - Preferences"},
        0);
    worker.Start();
    // Each look moves the clock on by a second.
    const bool unattended = *c.stopLine != '\0';
    const bool ended = PumpUntil(
        [&] {
          sim.clock().setTickMs(sim.clock().tickMs() + 1000);
          return worker.Finished();
        },
        std::chrono::milliseconds(unattended ? 20000 : 1500));
    EXPECT_EQ(ended, unattended);
    if (!ended) {
      worker.RequestStop();  // Cancel, or the program's close
      EXPECT_TRUE(PumpUntil([&] { return worker.Finished(); }));
    }
    worker.Join();
    Pump();
    // The places deleted before the endless statement came back with it.
    EXPECT_EQ(Ids(Host(places), "moz_places"), "1,2,3,4,5");
    EXPECT_EQ(Count(Host(places), "moz_historyvisits"), "3");
    EXPECT_TRUE(Exists(profile + "prefs.js"));  // no further item ran
    if (!unattended) {
      EXPECT_THAT(Posted(cleaner::WM_CLEAN_DONE), IsEmpty());
      EXPECT_THAT(log.linesContaining("Error"), IsEmpty());
      EXPECT_FALSE(log.hasLine(cleaner::kRunErrorLine));
      continue;
    }
    ASSERT_EQ(Posted(cleaner::WM_CLEAN_DONE).size(), 1u);
    EXPECT_EQ(Posted(cleaner::WM_CLEAN_DONE)[0].lParam, cleaner::kCleanDoneAfterError);
    EXPECT_TRUE(log.hasLine("Error [9]: Operation terminated by sqlite3_interrupt()."))
        << ::testing::PrintToString(log.lines());
    EXPECT_TRUE(log.hasLine(c.stopLine));
    EXPECT_EQ(log.lines().back(), cleaner::kRunErrorLine);
  }
  sim.files().unsetEnvironment(limitVariable);
}

TEST_F(BrowserDatabaseFailureTest, AProfileThatLinksOutsideIsNotEntered) {
  const std::string outside = "C:\\Elsewhere\\";
  MakeDb(outside + "places.sqlite", kFirefoxPlaces);
  Write(outside + "Cache\\keep.bin");
  Write(outside + "cookies.sqlite");
  const std::string before = Bytes(outside + "places.sqlite");
  fs::create_directories(Host(kProfiles));
  fs::create_directory_symlink(Host(outside), Host(kProfiles) / "linked.default");
  for (const char* name :
       {"Mozilla Firefox - Visited URL History", "Mozilla Firefox - Temporary Internet Files",
        "Mozilla Firefox - Cookies"}) {
    EXPECT_EQ(Run(name, false).ItemCount, 0) << name;
  }
  EXPECT_EQ(Bytes(outside + "places.sqlite"), before);
  EXPECT_TRUE(Exists(outside + "Cache\\keep.bin"));
  EXPECT_TRUE(Exists(outside + "cookies.sqlite"));
}

}  // namespace
}  // namespace nc::testing
