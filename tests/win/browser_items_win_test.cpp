// The browser items with the real system: Firefox- and Chrome-shaped
// profiles in the prefix's application data, cleaned by the items over
// the real ports and through the real window; a database locked by
// another connection; and the refusals while a browser window is open.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "../common/browser_databases.h"
#include "app/options.h"
#include "cleaner/browser_items.h"
#include "cleaner/clean_log.h"
#include "cleaner/clean_run.h"
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

// The prefix's Mozilla and Google folders, made by the test and removed
// after it; a test is skipped when a browser's folder was there before.
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
    return {Path(roaming_) / L"Mozilla", Path(local_) / L"Google"};
  }
  static void Write(const fs::path& file, std::size_t bytes) {
    std::ofstream(file, std::ios::binary) << std::string(bytes, 'x');
  }

  win32::WinPlatform ports_;
  std::string roaming_;
  std::string local_;
  fs::path profile_;
  fs::path chrome_;
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
  ClickClean(main);
  ASSERT_TRUE(WaitFor([&] {
    return TextOf(GetDlgItem(Page(main), kIdCleanBar)) == L"Finished!" &&
           HasLine(main, L"Total items to be removed");
  })) << "the clean never finished";
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

TEST_F(BrowserWindowWin, AnOpenBrowserWindowRefusesTheCleanOfItsGroup) {
  struct Case {
    const wchar_t* className;
    const wchar_t* item;
    const wchar_t* refusal;
  };
  const Case cases[] = {
      {L"MozillaWindowClass", L"Mozilla Firefox - Cookies", L"Please close Mozilla Firefox first!"},
      {L"MozillaUIWindowClass", L"Mozilla Firefox - Cookies",
       L"Please close Mozilla Firefox first!"},
      {L"Chrome_WidgetWin_1", L"Google Chrome - Download History",
       L"Please close Google Chrome first!"},
  };
  // Only a ticked group is refused.
  std::vector<std::wstring> both = kFirefoxGroup;
  both.insert(both.end(), kChromeGroup.begin(), kChromeGroup.end());
  HWND main = Start(both);
  ASSERT_NE(main, nullptr);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.className);
    BrowserWindowOfClass browser(c.className);
    ASSERT_NE(browser.get(), nullptr);
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
}

}  // namespace
}  // namespace nc::wintest
