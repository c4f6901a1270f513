// The browser items with the real system: Firefox- and Chrome-shaped
// profiles in the prefix's application data, cleaned by the items over
// the real ports and through the real window; an Edge profile and a
// second Chrome profile seeded from the shared fixtures and cleaned
// through the window; a database locked by another connection; the
// refusals while a browser runs (its window, or its profile's lock held
// as the browser holds it); and the figures of a large cache of two
// Chrome profiles and Edge against a bare walk; a Chrome profile of real
// files cleaned through the window.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "../common/browser_databases.h"
#include "../common/chrome_databases.h"
#include "app/options.h"
#include "cleaner/browser_items.h"
#include "cleaner/clean_log.h"
#include "cleaner/clean_run.h"
#include "cleaner/clean_worker.h"
#include "platform/win32/handles.h"
#include "platform/win32/wide.h"
#include "platform/win32/win_platform.h"
#include "program_under_test.h"
#include "win_test_support.h"
#include "window_driving.h"
#include "worker_stand_ins.h"

namespace nc::wintest {
namespace {

namespace fs = std::filesystem;
using nc::testing::Count;
using nc::testing::Ids;
using nc::testing::MakeDatabase;

constexpr int kCleanerPage = 1000 + 17;
constexpr int kIdCleanTree = 2001;
constexpr int kIdLog = 2002;
constexpr int kIdCleanBar = 2003;
// The group and its items, as the settings file keeps a ticked group.
const std::vector<std::wstring> kFirefoxGroup = {L"Mozilla Firefox",
                                                 L"Mozilla Firefox - Cookies",
                                                 L"Mozilla Firefox - Visited URL History",
                                                 L"Mozilla Firefox - Temporary Internet Files",
                                                 L"Mozilla Firefox - Download Manager",
                                                 L"Mozilla Firefox - Autocomplete History",
                                                 L"Mozilla Firefox - Preferences",
                                                 L"Mozilla Firefox - Saved Form Information"};
const std::vector<std::wstring> kEdgeGroup = {L"Microsoft Edge",
                                              L"Microsoft Edge - Temporary Internet Files",
                                              L"Microsoft Edge - Cookies",
                                              L"Microsoft Edge - Visited URL History",
                                              L"Microsoft Edge - Session",
                                              L"Microsoft Edge - Stored passwords in Forms",
                                              L"Microsoft Edge - Saved Form Information",
                                              L"Microsoft Edge - Download History"};
const std::vector<std::wstring> kChromeGroup = {L"Google Chrome",
                                                L"Google Chrome - Temporary Internet Files",
                                                L"Google Chrome - Cookies",
                                                L"Google Chrome - Visited URL History",
                                                L"Google Chrome - Session",
                                                L"Google Chrome - Stored passwords in Forms",
                                                L"Google Chrome - Saved Form Information",
                                                L"Google Chrome - Download History"};

class NullLog : public cleaner::CleanLog {
 public:
  void AddLine(std::string_view) override {}
  void ScrollToEnd() override {}
};

// The prefix's Mozilla, Google and Edge folders, made by the test and
// removed after it; a test is skipped when a browser's folder was there
// before.
class BrowserProfilesWin : public ::testing::Test {
 protected:
  void SetUp() override {
    roaming_ = ports_.files().specialFolder(platform::Csidl::AppData);
    local_ = ports_.files().specialFolder(platform::Csidl::LocalAppData);
    ASSERT_FALSE(roaming_.empty());
    ASSERT_FALSE(local_.empty());
    for (const fs::path& folder : Owned()) {
      if (fs::exists(folder)) GTEST_SKIP() << "the prefix has a browser folder of its own";
    }
    profile_ = Path(roaming_) / L"Mozilla\\Firefox\\Profiles\\nc4tests.default";
    chrome_ = Path(local_) / L"Google\\Chrome\\User Data\\Default";
    edgeData_ = Path(local_) / L"Microsoft\\Edge\\User Data";
    fs::create_directories(profile_ / L"Cache");
    fs::create_directories(chrome_);
    ASSERT_TRUE(MakeDatabase(profile_ / L"places.sqlite", testing::kFirefoxPlaces));
    ASSERT_TRUE(MakeDatabase(chrome_ / L"Web Data", testing::kChromeWebData));
    ASSERT_TRUE(MakeDatabase(chrome_ / L"History", testing::kChromeHistory));
    Write(profile_ / L"cookies.sqlite", 3000);
    Write(profile_ / L"Cache" / L"0A1B2C3D", 5000);
  }
  void TearDown() override {
    for (const fs::path& folder : Owned()) RemoveTree(folder.wstring());
  }

  static fs::path Path(const std::string& utf8) { return fs::path(win32::Widen(utf8)); }
  std::vector<fs::path> Owned() const {
    return {Path(roaming_) / L"Mozilla", Path(local_) / L"Google",
            Path(local_) / L"Microsoft\\Edge"};
  }
  static void Write(const fs::path& file, std::size_t bytes) {
    std::ofstream(file, std::ios::binary) << std::string(bytes, 'x');
  }

  win32::WinPlatform ports_;
  std::string roaming_;
  std::string local_;
  fs::path profile_;
  fs::path chrome_;
  fs::path edgeData_;
};

// ---- the items over the real ports ---------------------------------------------------

TEST_F(BrowserProfilesWin, DatabaseRowsGoInACleanAndStayInATest) {
  NullLog log;
  NoMessageTarget target;
  SameThreadUi ui;
  app::Options options;
  std::atomic<cleaner::RunMode> mode{cleaner::RunMode::Test};
  auto run = [&](const char* name, cleaner::RunMode runMode) {
    mode.store(runMode);
    cleaner::CleanRun r(cleaner::CleanEnvironment{
        platform::WorkerContext{ports_.bundle(), target, ui, 0}, log, mode, options, "C:\\"});
    EXPECT_TRUE(cleaner::RunBrowserItem(r, name)) << name;
  };
  const std::vector<const char*> items = {
      "Mozilla Firefox - Visited URL History", "Google Chrome - Stored passwords in Forms",
      "Google Chrome - Saved Form Information", "Google Chrome - Download History"};
  const std::string places = ReadBytes((profile_ / L"places.sqlite").wstring());
  const std::string webData = ReadBytes((chrome_ / L"Web Data").wstring());
  for (const char* name : items) run(name, cleaner::RunMode::Test);
  EXPECT_EQ(ReadBytes((profile_ / L"places.sqlite").wstring()), places);
  EXPECT_EQ(ReadBytes((chrome_ / L"Web Data").wstring()), webData);

  for (const char* name : items) run(name, cleaner::RunMode::Clean);
  EXPECT_EQ(Ids(profile_ / L"places.sqlite", "moz_places"), "2,4");
  EXPECT_EQ(Count(profile_ / L"places.sqlite", "moz_historyvisits"), "0");
  for (const char* table : {"logins", "autofill", "autofill_dates", "autofill_profile_names"}) {
    EXPECT_EQ(Count(chrome_ / L"Web Data", table), "0") << table;
  }
  EXPECT_EQ(Count(chrome_ / L"Web Data", "keywords"), "1");
  EXPECT_EQ(Count(chrome_ / L"History", "downloads"), "0");
  EXPECT_EQ(Count(chrome_ / L"History", "urls"), "1");
}

TEST_F(BrowserProfilesWin, ReadOnlyPlacesAndAProfileLinkedOutsideKeepEveryByte) {
  const TempFolder outside(L"ncoutside");
  const fs::path elsewhere = fs::path(outside.path()) / L"places.sqlite";
  ASSERT_TRUE(MakeDatabase(elsewhere, testing::kFirefoxPlaces));
  const fs::path link = profile_.parent_path() / L"linked.default";
  if (!MakeJunction(link.wstring(), outside.path())) {
    using CreateLink = BOOLEAN(WINAPI*)(LPCWSTR, LPCWSTR, DWORD);
    auto create = reinterpret_cast<CreateLink>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "CreateSymbolicLinkW")));
    if (create != nullptr) create(link.c_str(), outside.path().c_str(), 1 | 2);
  }
  // Wine may make no folder link; the read-only file is checked anyway.
  const auto found = ports_.files().stat(testing::Utf8Path(link));
  const bool linked = found && found->isLink();
  const fs::path places = profile_ / L"places.sqlite";
  ASSERT_TRUE(SetFileAttributesW(places.c_str(), FILE_ATTRIBUTE_READONLY));
  const std::string before = ReadBytes(places.wstring());
  const std::string outsideBefore = ReadBytes(elsewhere.wstring());

  NullLog log;
  NoMessageTarget target;
  SameThreadUi ui;
  app::Options options;
  std::atomic<cleaner::RunMode> mode{cleaner::RunMode::Clean};
  cleaner::CleanRun run(cleaner::CleanEnvironment{
      platform::WorkerContext{ports_.bundle(), target, ui, 0}, log, mode, options, "C:\\"});
  std::string raised;
  try {
    cleaner::RunBrowserItem(run, "Mozilla Firefox - Visited URL History");
  } catch (const cleaner::SqliteException& e) {
    raised = e.what();
  }
  SetFileAttributesW(places.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_NE(raised.find("Error [8]: Attempt to write a readonly database."), std::string::npos)
      << raised;
  EXPECT_EQ(ReadBytes(places.wstring()), before);
  EXPECT_EQ(ReadBytes(elsewhere.wstring()), outsideBefore);
  if (!linked) GTEST_SKIP() << "no folder link could be made: only the read-only file was checked";
}

// Figures under Wine (run with --gtest_also_run_disabled_tests): the Chrome
// cache of 20,000 files and the download item over a History database of
// about 100 MB, through the real ports.
TEST_F(BrowserProfilesWin, DISABLED_ChromeCacheAndDownloadsOverALargeProfile) {
  const fs::path history = chrome_ / L"History";
  fs::remove(history);
  ASSERT_TRUE(MakeDatabase(
      history, std::string(testing::kChromeHistory) +
                   "BEGIN; WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE "
                   "i < 100000) INSERT INTO urls (url, title, last_visit_time) SELECT "
                   "'http://site' || i || '.example/' || hex(randomblob(300)), "
                   "hex(randomblob(40)), i FROM n; INSERT INTO downloads (full_path, url, "
                   "start_time, received_bytes, total_bytes, state) SELECT 'C:\\f.zip', url, "
                   "id, 1, 1, 1 FROM urls WHERE id <= 20000; COMMIT;"));
  fs::create_directories(chrome_ / L"Cache");
  for (int i = 0; i < 20000; ++i) Write(chrome_ / L"Cache" / (L"f_" + std::to_wstring(i)), 1024);
  NullLog log;
  NoMessageTarget target;
  SameThreadUi ui;
  app::Options options;
  std::atomic<cleaner::RunMode> mode{cleaner::RunMode::Clean};
  auto timed = [&](const char* name) {
    cleaner::CleanRun r(cleaner::CleanEnvironment{
        platform::WorkerContext{ports_.bundle(), target, ui, 0}, log, mode, options, "C:\\"});
    const ULONGLONG start = GetTickCount64();
    cleaner::RunBrowserItem(r, name);
    std::printf("%s: %llu ms, %d items\n", name, GetTickCount64() - start, r.ItemCount);
  };
  std::printf("History: %.1f MB\n", static_cast<double>(fs::file_size(history)) / 1e6);
  timed("Google Chrome - Temporary Internet Files");
  timed("Google Chrome - Download History");
  EXPECT_EQ(Count(history, "downloads"), "0");
}

// ---- through the window --------------------------------------------------------------

class BrowserWindowWin : public BrowserProfilesWin {
 protected:
  // Ticks the items, no confirmation, detail lines shown; starts the
  // program and waits for its window.
  HWND Start(const std::vector<std::wstring>& items) {
    Tick(items);
    if (!program_.Start()) return nullptr;
    return program_.WaitForMainWindow();
  }
  void Tick(const std::vector<std::wstring>& items) {
    const std::wstring ini = program_.file(L"options.ini");
    WritePrivateProfileStringW(L"NodeSelected", L"SelectedCount",
                               std::to_wstring(items.size()).c_str(), ini.c_str());
    for (std::size_t i = 0; i < items.size(); ++i) {
      WritePrivateProfileStringW(L"NodeSelected", std::to_wstring(i + 1).c_str(), items[i].c_str(),
                                 ini.c_str());
    }
    WritePrivateProfileStringW(L"Settings", L"FastScan", L"0", ini.c_str());
    WritePrivateProfileStringW(L"Options", L"IsAskBeforeClear", L"0", ini.c_str());
  }
  static HWND Page(HWND main) { return GetDlgItem(main, kCleanerPage); }
  static std::vector<std::wstring> LogLines(HWND main) {
    return ListBoxLines(GetDlgItem(Page(main), kIdLog));
  }
  static bool HasLine(HWND main, const std::wstring& text) {
    for (const auto& line : LogLines(main)) {
      if (line.find(text) != std::wstring::npos) return true;
    }
    return false;
  }
  static void ClickClean(HWND main) {
    HWND button = FindControlByText(main, L"Clean");
    ASSERT_NE(button, nullptr);
    PostMessageW(button, BM_CLICK, 0, 0);
  }
  // Cleans and waits until the clean has finished and written its total.
  void CleanToTheEnd(HWND main) {
    ClickClean(main);
    ASSERT_TRUE(WaitFor([&] {
      return TextOf(GetDlgItem(Page(main), kIdCleanBar)) == L"Finished!" &&
             HasLine(main, L"Total items to be removed");
    })) << "the clean never finished";
  }
  void TearDown() override {
    if (program_.Running()) {
      CloseWindowsOf({L"#32770"});
      program_.Close();
      program_.WaitForExit();
    }
    BrowserProfilesWin::TearDown();
  }

  ProgramUnderTest program_;
};

TEST_F(BrowserWindowWin, TheFirefoxGroupIsCleanedThroughTheWindow) {
  HWND main = Start(kFirefoxGroup);
  ASSERT_NE(main, nullptr);
  CleanToTheEnd(main);
  if (HasFatalFailure()) return;
  Screenshot(main, L"firefox-after-clean.bmp");
  EXPECT_TRUE(HasLine(main, L"Clean: deleting " + (profile_ / L"cookies.sqlite").wstring()));
  EXPECT_TRUE(HasLine(main, L"Clearing, please wait..."));
  EXPECT_FALSE(fs::exists(profile_ / L"cookies.sqlite"));
  EXPECT_FALSE(fs::exists(profile_ / L"Cache" / L"0A1B2C3D"));
  EXPECT_TRUE(fs::exists(profile_ / L"Cache"));
  EXPECT_EQ(Ids(profile_ / L"places.sqlite", "moz_places"), "2,4");
  EXPECT_EQ(Count(profile_ / L"places.sqlite", "moz_historyvisits"), "0");
}

TEST_F(BrowserWindowWin, ALockedDatabaseEndsTheRunWithItsErrorAndTheWindowIdle) {
  sqlite3* raw = nullptr;
  ASSERT_EQ(sqlite3_open(testing::Utf8Path(chrome_ / L"History").c_str(), &raw), SQLITE_OK);
  std::unique_ptr<sqlite3, int (*)(sqlite3*)> locker(raw, sqlite3_close);
  ASSERT_EQ(sqlite3_exec(raw, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  const std::string before = ReadBytes((chrome_ / L"History").wstring());

  HWND main = Start({L"Google Chrome - Download History", L"Google Chrome - Session"});
  ASSERT_NE(main, nullptr);
  ClickClean(main);
  ASSERT_TRUE(WaitFor([&] { return HasLine(main, L"The run stopped on an error."); }))
      << "the run did not stop";
  EXPECT_TRUE(HasLine(main, L"Error [5]: The database file is locked."));
  EXPECT_FALSE(HasLine(main, L"Total items to be removed"));
  EXPECT_TRUE(WaitFor([&] { return FindControlByText(main, L"Test") != nullptr; }, 5000));
  EXPECT_EQ(FindControlByText(main, L"Cancel"), nullptr);
  locker.reset();
  EXPECT_EQ(ReadBytes((chrome_ / L"History").wstring()), before);
  EXPECT_EQ(Count(chrome_ / L"History", "downloads"), "2");
}

TEST_F(BrowserWindowWin, AnUnattendedClearEndsWhenAStatementNeverDoes) {
  const fs::path places = profile_ / L"places.sqlite";
  fs::remove(places);
  ASSERT_TRUE(
      MakeDatabase(places, std::string(testing::kFirefoxPlaces) + testing::kEndlessVisitsTrigger));
  Tick({L"Mozilla Firefox - Visited URL History"});
  // The program's own limit of two minutes, shortened for the test.
  const std::wstring variable = win32::Widen(cleaner::kStatementLimitVariable);
  ASSERT_TRUE(SetEnvironmentVariableW(variable.c_str(), L"3000"));
  const bool started = program_.Start(L"/Clear");
  SetEnvironmentVariableW(variable.c_str(), nullptr);
  ASSERT_TRUE(started);
  const ULONGLONG start = GetTickCount64();
  // It ends, with 1: the item failed.
  EXPECT_EQ(program_.WaitForExit(120000), 1) << "the unattended run never ended";
  std::printf("/Clear with an endless places database ended after %llu ms\n",
              GetTickCount64() - start);
  // The places deleted before the endless statement came back with it.
  EXPECT_EQ(Ids(places, "moz_places"), "1,2,3,4,5");
  EXPECT_EQ(Count(places, "moz_historyvisits"), "3");
}

// A top-level window of a browser's class, made by this test.
class BrowserWindowOfClass {
 public:
  explicit BrowserWindowOfClass(const wchar_t* className) : className_(className) {
    WNDCLASSW type{};
    type.lpfnWndProc = DefWindowProcW;
    type.hInstance = GetModuleHandleW(nullptr);
    type.lpszClassName = className;
    RegisterClassW(&type);
    window_ = CreateWindowW(className, L"Browser", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                            nullptr, type.hInstance, nullptr);
  }
  ~BrowserWindowOfClass() {
    DestroyWindow(window_);
    UnregisterClassW(className_, GetModuleHandleW(nullptr));
  }
  HWND get() const { return window_; }

 private:
  const wchar_t* className_;
  HWND window_ = nullptr;
};

// A profile lock held as its browser holds it while it runs: Chromium
// writes "User Data\lockfile" letting others read and has it deleted
// when closed; Firefox holds "parent.lock" without sharing.
class HeldLock {
 public:
  enum class Kind { Chromium, Firefox };
  HeldLock(const fs::path& file, Kind kind) {
    const bool chromium = kind == Kind::Chromium;
    file_.reset(
        CreateFileW(file.c_str(), chromium ? GENERIC_WRITE : GENERIC_READ | GENERIC_WRITE,
                    chromium ? FILE_SHARE_READ : 0, nullptr, chromium ? CREATE_ALWAYS : OPEN_ALWAYS,
                    FILE_ATTRIBUTE_NORMAL | (chromium ? FILE_FLAG_DELETE_ON_CLOSE : 0), nullptr));
  }
  bool held() const { return file_.valid(); }

 private:
  win32::FileHandle file_;
};

TEST_F(BrowserWindowWin, ARunningBrowserRefusesTheCleanOfItsGroup) {
  struct Case {
    const char* name;
    const wchar_t* className;  // a window of the browser's class, or null
    fs::path lock;             // a lock held, or empty
    HeldLock::Kind kind;
    const wchar_t* refusal;
  };
  const Case cases[] = {
      {"Firefox's window",
       L"MozillaWindowClass",
       {},
       HeldLock::Kind::Firefox,
       L"Please close Mozilla Firefox first!"},
      {"Firefox's old window",
       L"MozillaUIWindowClass",
       {},
       HeldLock::Kind::Firefox,
       L"Please close Mozilla Firefox first!"},
      {"Firefox's profile lock", nullptr, profile_ / L"parent.lock", HeldLock::Kind::Firefox,
       L"Please close Mozilla Firefox first!"},
      {"Chrome's lock", nullptr, chrome_.parent_path() / L"lockfile", HeldLock::Kind::Chromium,
       L"Please close Google Chrome first!"},
      {"Edge's lock", nullptr, edgeData_ / L"lockfile", HeldLock::Kind::Chromium,
       L"Please close Microsoft Edge first!"},
  };
  // Every group ticked; Edge's group is there as its folder is.
  fs::create_directories(edgeData_);
  std::vector<std::wstring> all = kFirefoxGroup;
  all.insert(all.end(), kChromeGroup.begin(), kChromeGroup.end());
  all.insert(all.end(), kEdgeGroup.begin(), kEdgeGroup.end());
  HWND main = Start(all);
  ASSERT_NE(main, nullptr);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<BrowserWindowOfClass> browser;
    if (c.className != nullptr) {
      browser = std::make_unique<BrowserWindowOfClass>(c.className);
      ASSERT_NE(browser->get(), nullptr);
    }
    std::unique_ptr<HeldLock> lock;
    if (!c.lock.empty()) {
      lock = std::make_unique<HeldLock>(c.lock, c.kind);
      ASSERT_TRUE(lock->held());
    }
    ClickClean(main);
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor([&] {
      box = FindWindowW(L"#32770", L"Norvik Cleaner");
      return box != nullptr && FindControlByText(box, c.refusal) != nullptr;
    })) << "no refusal";
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitGone(box));
    EXPECT_TRUE(fs::exists(profile_ / L"cookies.sqlite"));
    EXPECT_EQ(Count(chrome_ / L"History", "downloads"), "2");
    EXPECT_NE(FindControlByText(main, L"Test"), nullptr);  // the window stays idle
  }
  // Chromium deletes its lock when it ends.
  EXPECT_FALSE(fs::exists(edgeData_ / L"lockfile"));
}

// "/Clear" with nobody at the machine and Firefox open, the settings
// naming "Mozilla Firefox - Cookies" alone (its group unticked), as an
// administrator writes them: no box waits, the cookies stay, the report
// marks the item failed and the run ends by itself with 1.
TEST_F(BrowserWindowWin, AnUnattendedClearLeavesAnOpenBrowserAloneWithoutABox) {
  Tick({L"Mozilla Firefox - Cookies"});
  BrowserWindowOfClass firefox(L"MozillaWindowClass");
  ASSERT_NE(firefox.get(), nullptr);
  const std::wstring report = program_.file(L"run.json");
  ASSERT_TRUE(program_.Start(L"/Clear \"" + report + L"\""));
  EXPECT_EQ(program_.WaitForExit(120000), 1) << "-1: the run waits on a box";
  EXPECT_TRUE(fs::exists(profile_ / L"cookies.sqlite"));
  const auto r = nlohmann::json::parse(ReadBytes(report), nullptr, false);
  ASSERT_TRUE(r.is_object()) << ReadBytes(report);
  ASSERT_EQ(r["clean"]["items"].size(), 1u) << r.dump(2);
  const auto& item = r["clean"]["items"][0];
  EXPECT_EQ(item["runName"], "Mozilla Firefox - Cookies");
  ASSERT_FALSE(item["failures"].empty()) << r.dump(2);
  EXPECT_EQ(item["failures"][0]["reason"], "Please close Mozilla Firefox first!");
  EXPECT_EQ(r["exitCode"], 1);
}

// ---- the Chromium family through the window ------------------------------------------

// Beside the Chrome profile of the fixture, a second Chrome profile and an
// Edge profile of today's layout, from the fixtures both builds share.
TEST_F(BrowserWindowWin, TheEdgeGroupAndASecondChromeProfileAreCleanedThroughTheWindow) {
  const fs::path chrome1 = chrome_.parent_path() / L"Profile 1";
  const fs::path edge = edgeData_ / L"Default";
  ASSERT_TRUE(testing::MakeChromeProfile(chrome1, true));
  ASSERT_TRUE(testing::MakeChromeProfile(edge, true));
  std::vector<std::wstring> both = kChromeGroup;
  both.insert(both.end(), kEdgeGroup.begin(), kEdgeGroup.end());
  HWND main = Start(both);
  ASSERT_NE(main, nullptr);
  CleanToTheEnd(main);
  if (HasFatalFailure()) return;
  // The tree scrolled down to the groups of Chrome and Edge.
  HWND tree = GetDlgItem(Page(main), kIdCleanTree);
  for (int line = 0; line < 39; ++line) SendMessageW(tree, WM_VSCROLL, SB_LINEDOWN, 0);
  Screenshot(main, L"chromium-after-clean.bmp");
  EXPECT_TRUE(HasLine(main, L"Clean: Clearing Microsoft Edge - Cookies ..."));
  for (const fs::path& profile : {chrome1, edge}) {
    SCOPED_TRACE(testing::Utf8Path(profile));
    EXPECT_TRUE(HasLine(main, L"Clean: deleting " + (profile / L"Network\\Cookies").wstring()));
    for (const wchar_t* gone :
         {L"Network\\Cookies", L"Network\\Cookies-journal", L"Cache\\Cache_Data\\data_0",
          L"Code Cache\\js\\index", L"GPUCache\\index", L"Login Data", L"History",
          L"Service Worker\\CacheStorage\\0f1e2d3c\\index.txt"}) {
      EXPECT_FALSE(fs::exists(profile / gone)) << testing::Utf8Path(profile / gone);
    }
    EXPECT_TRUE(fs::exists(profile / L"Preferences"));
    EXPECT_TRUE(fs::exists(profile / L"Cache"));
    EXPECT_EQ(Count(profile / L"Web Data", "logins"), "0");
    EXPECT_EQ(Count(profile / L"Web Data", "autofill"), "0");
    EXPECT_EQ(Count(profile / L"Web Data", "keywords"), "1");
  }
  EXPECT_EQ(Count(chrome_ / L"Web Data", "logins"), "0");
}

// Figures under Wine (run with --gtest_also_run_disabled_tests): 20,000
// cache files of 1 KB spread over Chrome's "Default" and "Profile 1" and
// Edge's "Default", emptied by the cache items through the clean worker
// as an unattended run ("/Clear") runs them, against a bare walk that
// lists the same folders and deletes the same files through the same
// shell call. The two take turns over fresh copies; the best of three of
// each counts.
TEST_F(BrowserProfilesWin, DISABLED_CacheOfTwoChromeProfilesAndEdgeAgainstABareWalk) {
  constexpr int kFiles = 20000;
  const std::vector<fs::path> profiles = {chrome_, chrome_.parent_path() / L"Profile 1",
                                          edgeData_ / L"Default"};
  for (const fs::path& profile : profiles) {
    ASSERT_TRUE(testing::WriteProfileFiles(profile, {{"Preferences", 2500}}));
  }
  // Fresh cache folders each time, so that neither side meets folders
  // the other has emptied.
  auto seed = [&] {
    for (const fs::path& profile : profiles) {
      fs::remove_all(profile / L"Cache");
      fs::create_directories(profile / L"Cache\\Cache_Data");
    }
    for (int i = 0; i < kFiles; ++i) {
      Write(profiles[static_cast<std::size_t>(i % 3)] / L"Cache\\Cache_Data" /
                (L"f_" + std::to_wstring(i)),
            1024);
    }
  };
  using Clock = std::chrono::steady_clock;
  auto seconds = [](Clock::duration d) { return std::chrono::duration<double>(d).count(); };

  NullLog log;
  NoMessageTarget target;
  SameThreadUi ui;
  app::Options options;  // as a missing settings file gives: Fast mode on
  std::atomic<cleaner::RunMode> mode{cleaner::RunMode::Auto};
  auto items = [&] {
    seed();
    const auto start = Clock::now();
    cleaner::CleanWorker worker(
        cleaner::CleanEnvironment{platform::WorkerContext{ports_.bundle(), target, ui, 0}, log,
                                  mode, options, "C:\\"},
        {"Google Chrome - Temporary Internet Files", "Microsoft Edge - Temporary Internet Files"},
        0);
    worker.Execute();
    const double taken = seconds(Clock::now() - start);
    // Every file went, with the folder below the cache folder.
    for (const fs::path& profile : profiles) EXPECT_TRUE(fs::is_empty(profile / L"Cache"));
    return taken;
  };
  std::function<long(const std::string&)> walk = [&](const std::string& folder) {
    long deleted = 0;
    auto entries = ports_.files().list(folder);
    if (!entries) return deleted;
    for (const auto& entry : *entries) {
      const std::string path = platform::JoinPath(folder, entry.name);
      if (entry.isFolder()) {
        if (!entry.isLink()) deleted += walk(path);
      } else if (ports_.shell().deleteFileSilently(path)) {
        ++deleted;
      }
    }
    return deleted;
  };
  long walked = 0;
  auto bare = [&] {
    seed();
    const auto start = Clock::now();
    walked = 0;
    for (const fs::path& profile : profiles) walked += walk(testing::Utf8Path(profile / L"Cache"));
    return seconds(Clock::now() - start);
  };
  double bestItems = 1e9;
  double bestBare = 1e9;
  // They take turns going first.
  for (int round = 0; round < 3; ++round) {
    double walkTime = 0;
    double itemTime = 0;
    if (round % 2 == 0) {
      walkTime = bare();
      itemTime = items();
    } else {
      itemTime = items();
      walkTime = bare();
    }
    std::printf("round %d: bare walk %.2f s, cache items %.2f s\n", round + 1, walkTime, itemTime);
    bestBare = std::min(bestBare, walkTime);
    bestItems = std::min(bestItems, itemTime);
  }
  std::printf(
      "Chromium cache benchmark: %d files of 1 KB in Chrome Default, Chrome Profile 1 and Edge "
      "Default; bare walk %.2f s (%ld deleted); cache items as /Clear runs them %.2f s; "
      "ratio %.2f\n",
      kFiles, bestBare, walked, bestItems, bestItems / bestBare);
  EXPECT_EQ(walked, kFiles);
}

// ---- a profile of real files through the window ----------------------------------------

// Chrome's "Default" of real files (Chrome 58's "History", Chrome 68's
// "Cookies", a real "Preferences") with today's "Web Data", "Favicons",
// "Bookmarks", sessions and caches, and a Chrome Beta profile with Chrome
// 57's "History": every Chrome item but the history first, then the
// history in a second start. The real files are copied from the test
// data beside the tests, never opened there.
TEST_F(BrowserWindowWin, AChromeProfileOfRealFilesIsCleanedThroughTheWindow) {
  const fs::path real = fs::path(BinDir()) / L"testdata" / L"real" / L"chrome";
  const fs::path userData = chrome_.parent_path();
  const fs::path beta = Path(local_) / L"Google\\Chrome Beta\\User Data\\Default";
  auto copy = [](const fs::path& from, const fs::path& to) {
    fs::create_directories(to.parent_path());
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
    fs::permissions(to, fs::perms::owner_write, fs::perm_options::add);
  };
  fs::remove(chrome_ / L"History");
  fs::remove(chrome_ / L"Web Data");
  copy(real / L"History-58", chrome_ / L"History");
  copy(real / L"Cookies-68", chrome_ / L"Cookies");
  copy(real / L"Preferences", chrome_ / L"Preferences");
  copy(real / L"History-57", beta / L"History");
  copy(real / L"Preferences", beta / L"Preferences");
  ASSERT_TRUE(MakeDatabase(chrome_ / L"Web Data", testing::kChromeWebData160));
  ASSERT_TRUE(MakeDatabase(chrome_ / L"Favicons", testing::kChromeFavicons9));
  std::ofstream(chrome_ / L"Bookmarks", std::ios::binary) << testing::kChromeBookmarks;
  const std::vector<fs::path> gone = {chrome_ / L"Cookies",
                                      chrome_ / L"Sessions\\Session_13345678901234567",
                                      chrome_ / L"Sessions\\Tabs_1",
                                      chrome_ / L"Login Data For Account",
                                      chrome_ / L"DawnCache\\data_0",
                                      chrome_ / L"Service Worker\\ScriptCache\\0a1b_0",
                                      userData / L"GrShaderCache\\data_0",
                                      beta / L"GPUCache\\index"};
  for (const fs::path& file : gone) {
    if (fs::exists(file)) continue;
    fs::create_directories(file.parent_path());
    Write(file, 700);
  }
  Write(chrome_ / L"Shortcuts", 4096);
  Write(chrome_ / L"History-journal", 0);
  const std::string urls58 = Count(chrome_ / L"History", "urls");
  const std::string urls57 = Count(beta / L"History", "urls");
  ASSERT_EQ(Count(chrome_ / L"History", "downloads_url_chains"), "1");

  std::vector<std::wstring> items = kChromeGroup;
  items.erase(std::find(items.begin(), items.end(), L"Google Chrome - Visited URL History"));
  HWND main = Start(items);
  ASSERT_NE(main, nullptr);
  CleanToTheEnd(main);
  if (HasFatalFailure()) return;
  Screenshot(main, L"chrome-real-files-after-clean.bmp");
  EXPECT_TRUE(HasLine(main, L"Clean: deleting " + (chrome_ / L"Cookies").wstring()));
  for (const fs::path& file : gone) EXPECT_FALSE(fs::exists(file)) << file.string();
  for (const fs::path& history : {chrome_ / L"History", beta / L"History"}) {
    EXPECT_EQ(Count(history, "downloads"), "0");
    EXPECT_EQ(Count(history, "downloads_url_chains"), "0");
  }
  EXPECT_EQ(Count(chrome_ / L"History", "downloads_slices"), "0");
  EXPECT_EQ(Count(chrome_ / L"History", "urls"), urls58);
  EXPECT_EQ(Count(beta / L"History", "urls"), urls57);
  EXPECT_EQ(Count(chrome_ / L"Web Data", "autofill") + Count(chrome_ / L"Web Data", "addresses"),
            "00");
  EXPECT_EQ(Count(chrome_ / L"Web Data", "credit_cards"), "1");
  EXPECT_EQ(Ids(chrome_ / L"Favicons", "icon_mapping"), "1,2,3,4");
  EXPECT_TRUE(fs::exists(chrome_ / L"Sessions"));
  EXPECT_TRUE(fs::exists(userData / L"GrShaderCache"));
  EXPECT_EQ(ReadBytes((chrome_ / L"Preferences").wstring()),
            ReadBytes((real / L"Preferences").wstring()));
  program_.Close();
  ASSERT_EQ(program_.WaitForExit(), 0);

  // The history: the files, and the icons of pages no bookmark names.
  main = Start({L"Google Chrome - Visited URL History"});
  ASSERT_NE(main, nullptr);
  CleanToTheEnd(main);
  if (HasFatalFailure()) return;
  for (const fs::path& file : {chrome_ / L"History", chrome_ / L"History-journal",
                               chrome_ / L"Shortcuts", beta / L"History"}) {
    EXPECT_FALSE(fs::exists(file)) << file.string();
  }
  EXPECT_EQ(Ids(chrome_ / L"Favicons", "icon_mapping"), "1,4");
  EXPECT_EQ(Ids(chrome_ / L"Favicons", "favicons"), "1,3");
  EXPECT_TRUE(fs::exists(chrome_ / L"Bookmarks"));
}

}  // namespace
}  // namespace nc::wintest
