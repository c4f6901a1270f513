// The Registry page of the real program under Wine: seeded problems in
// the real registry are found by a scan started with "Scan", listed with
// their three columns and counted.
#include "program_under_test.h"
#include "window_driving.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace nc::wintest {
namespace {

constexpr int kRegistryPage = 1000 + 18;
constexpr int kIdProblemList = 2202;
constexpr int kIdRegistryBar = 2205;
constexpr int kIdRegistryStatus = 2206;
constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

bool ValueExists(const wchar_t* name) {
  HKEY run = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_READ, &run) != ERROR_SUCCESS) return false;
  const bool found =
      RegQueryValueExW(run, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  RegCloseKey(run);
  return found;
}

class RegistryPageWin : public ::testing::Test {
 protected:
  void SetUp() override {
    HKEY run = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &run, nullptr),
              ERROR_SUCCESS);
    // Not below Program Files or System32, which a 32-bit scanner on 64-bit
    // Windows leaves unjudged: the test runs in both builds.
    const wchar_t missing[] = L"C:\\Norvik Gone\\gone.exe /autostart";
    RegSetValueExW(run, L"NorvikGoneProgram", 0, REG_SZ, reinterpret_cast<const BYTE*>(missing),
                   sizeof missing);
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    const std::wstring present = std::wstring(windows) + L"\\notepad.exe";
    RegSetValueExW(run, L"NorvikPresentProgram", 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(present.c_str()),
                   static_cast<DWORD>((present.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(run);
  }
  void TearDown() override {
    HKEY run = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_ALL_ACCESS, &run) == ERROR_SUCCESS) {
      RegDeleteValueW(run, L"NorvikGoneProgram");
      RegDeleteValueW(run, L"NorvikPresentProgram");
      RegCloseKey(run);
    }
  }
};

TEST_F(RegistryPageWin, ScanFindsTheSeededStartupProblemAndCountsIt) {
  ProgramUnderTest program;
  const std::wstring ini = program.file(L"options.ini");
  for (int id = 1; id <= 24; ++id) {
    WritePrivateProfileStringW(L"TreeViewNodeCheck", std::to_wstring(id).c_str(),
                               id == 14 ? L"1" : L"0", ini.c_str());
  }
  ASSERT_TRUE(program.Start());
  HWND main = program.WaitForMainWindow();
  ASSERT_NE(main, nullptr);
  PostMessageW(FindControlByText(main, L"Registry"), BM_CLICK, 0, 0);
  HWND page = GetDlgItem(main, kRegistryPage);
  ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(page) != FALSE; }, 5000));

  PostMessageW(FindControlByText(page, L"Scan"), BM_CLICK, 0, 0);
  HWND bar = GetDlgItem(page, kIdRegistryBar);
  ASSERT_TRUE(WaitFor([&] { return TextOf(bar) == L"Finished!"; }, 120000))
      << "the scan never finished";

  HWND list = GetDlgItem(page, kIdProblemList);
  const auto rows = RowCount(list);
  bool found = false;
  for (int row = 0; row < rows; ++row) {
    EXPECT_NE(RemoteCellText(list, row, 1).find(L"NorvikPresent"), 0u);
    if (RemoteCellText(list, row, 2).find(L"NorvikGoneProgram") != std::wstring::npos) {
      found = true;
      EXPECT_EQ(RemoteCellText(list, row, 0), L"Non-existent Startup Programs");
      EXPECT_EQ(RemoteCellText(list, row, 1), L"C:\\Norvik Gone\\gone.exe /autostart");
      EXPECT_EQ(RemoteCellText(list, row, 2),
                L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\"
                L"NorvikGoneProgram");
      // Every row is ticked when the scan ends.
      EXPECT_EQ(SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK),
                static_cast<LRESULT>(INDEXTOSTATEIMAGEMASK(2)));
    }
  }
  EXPECT_TRUE(found) << rows << " rows, none for the seeded value";
  const std::wstring counts = TextOf(GetDlgItem(page, kIdRegistryStatus));
  EXPECT_EQ(counts, L" " + std::to_wstring(rows) + L" Errors Found,  " + std::to_wstring(rows) +
                        L" Errors Selected.");
  EXPECT_TRUE(IsWindowVisible(FindControlByText(page, L"Restore")));
  Screenshot(main, L"registry-after-scan.bmp");

  // Fix Errors: the backup folder does not exist yet and is made on Yes.
  for (int row = 0; row < rows; ++row) {
    if (RemoteCellText(list, row, 2).find(L"NorvikGoneProgram") == std::wstring::npos) {
      SetRemoteRowState(list, row, LVIS_STATEIMAGEMASK, INDEXTOSTATEIMAGEMASK(1));
    }
  }
  PostMessageW(FindControlByText(page, L"Fix Errors"), BM_CLICK, 0, 0);
  HWND question = WaitForWindow(L"#32770", L"Norvik Cleaner", 10000);
  ASSERT_NE(question, nullptr);
  PostMessageW(question, WM_COMMAND, IDYES, 0);
  ASSERT_TRUE(WaitFor([&] { return !ValueExists(L"NorvikGoneProgram"); }, 20000));
  EXPECT_TRUE(ValueExists(L"NorvikPresentProgram"));
  ASSERT_TRUE(WaitFor(
      [&] { return TextOf(GetDlgItem(page, kIdRegistryStatus)) == L"Fix errors finished!"; },
      10000));
  std::error_code ec;
  const auto backups = std::filesystem::directory_iterator(program.file(L"Backup"), ec);
  ASSERT_FALSE(ec);
  int backupFiles = 0;
  for (const auto& entry : backups) backupFiles += entry.is_regular_file() ? 1 : 0;
  EXPECT_EQ(backupFiles, 1);

  // Restore lists the new backup and brings the value back.
  PostMessageW(FindControlByText(page, L"Restore"), BM_CLICK, 0, 0);
  HWND restore = nullptr;
  ASSERT_TRUE(WaitFor(
      [&] {
        restore = FindWindowW(L"NorvikCleanerRestore", nullptr);
        return restore != nullptr && GetDlgItem(restore, 4403) != nullptr;
      },
      10000));
  HWND backupList = GetDlgItem(restore, 4403);
  ASSERT_TRUE(WaitFor([&] { return RowCount(backupList) == 1; }, 5000));
  Screenshot(restore, L"registry-restore-dialog.bmp");
  SetRemoteRowState(backupList, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  Pause(200);
  PostMessageW(GetDlgItem(restore, 4404), BM_CLICK, 0, 0);
  EXPECT_TRUE(WaitFor([&] { return ValueExists(L"NorvikGoneProgram"); }, 60000))
      << "the restore did not bring the value back";
  WaitFor(
      [&] {
        return IsWindowEnabled(GetDlgItem(restore, 4404)) == FALSE || RowCount(backupList) == 0;
      },
      10000);
  PostMessageW(restore, WM_COMMAND, IDCANCEL, 0);
  Pause(500);
  program.Close();
  EXPECT_EQ(program.WaitForExit(), 0);
}

}  // namespace
}  // namespace nc::wintest
