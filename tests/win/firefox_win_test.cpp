// The Firefox items over databases of today's layouts with the SQLite
// library the program ships and the real file system: write-ahead logs
// left beside the files, and the bytes of the files after the clean.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>

#include "../common/firefox_databases.h"
#include "app/options.h"
#include "cleaner/browser_items.h"
#include "cleaner/clean_log.h"
#include "cleaner/clean_run.h"
#include "platform/win32/wide.h"
#include "platform/win32/win_platform.h"
#include "win_test_support.h"
#include "worker_stand_ins.h"

namespace nc::wintest {
namespace {

namespace fs = std::filesystem;

class QuietLog : public cleaner::CleanLog {
 public:
  void AddLine(std::string_view) override {}
  void ScrollToEnd() override {}
};

TEST(FirefoxWin, HistoryAndCookiesLeaveNoDeletedAddressInTheFilesOrTheirLogs) {
  win32::WinPlatform ports;
  const fs::path mozilla =
      fs::path(win32::Widen(ports.files().specialFolder(platform::Csidl::AppData))) / L"Mozilla";
  if (fs::exists(mozilla)) GTEST_SKIP() << "the prefix has a Mozilla folder of its own";
  struct Removed {
    fs::path folder;
    ~Removed() { RemoveTree(folder.wstring()); }
  } removed{mozilla};
  const fs::path profile = mozilla / L"Firefox\\Profiles\\nc4tests.default-release";
  // As a Firefox that was ended without closing its databases leaves them.
  ASSERT_TRUE(testing::MakeWalDatabase(profile / L"places.sqlite", testing::kCurrentPlaces, true));
  ASSERT_TRUE(
      testing::MakeWalDatabase(profile / L"favicons.sqlite", testing::kCurrentFavicons, true));
  ASSERT_TRUE(
      testing::MakeWalDatabase(profile / L"cookies.sqlite", testing::kCurrentCookies, true));
  ASSERT_TRUE(fs::exists(profile / L"cookies.sqlite-wal"));

  QuietLog log;
  NoMessageTarget target;
  SameThreadUi ui;
  app::Options options;
  std::atomic<cleaner::RunMode> mode{cleaner::RunMode::Clean};
  for (const char* item : {"Mozilla Firefox - Visited URL History", "Mozilla Firefox - Cookies"}) {
    cleaner::CleanRun run(cleaner::CleanEnvironment{
        platform::WorkerContext{ports.bundle(), target, ui, 0}, log, mode, options, "C:\\"});
    EXPECT_TRUE(cleaner::RunBrowserItem(run, item));
  }
  EXPECT_EQ(testing::Ids(profile / L"places.sqlite", "moz_places"), "2,4");
  EXPECT_EQ(testing::Ids(profile / L"places.sqlite", "moz_origins"), "2,4");
  EXPECT_EQ(testing::Ids(profile / L"favicons.sqlite", "moz_pages_w_icons"), "2,4");
  for (const wchar_t* file : {L"places.sqlite", L"favicons.sqlite"}) {
    const std::string bytes = ReadBytes((profile / file).wstring()) +
                              ReadBytes((profile / (std::wstring(file) + L"-wal")).wstring());
    for (const char* gone : {"a.example", "c.example", "secret"}) {
      EXPECT_EQ(bytes.find(gone), std::string::npos) << gone;
    }
  }
  for (const wchar_t* file : {L"cookies.sqlite", L"cookies.sqlite-wal", L"cookies.sqlite-shm"}) {
    EXPECT_FALSE(fs::exists(profile / file)) << fs::path(file).string();
  }
}

}  // namespace
}  // namespace nc::wintest
