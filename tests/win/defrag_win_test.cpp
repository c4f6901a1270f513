// Registry compaction under Wine: the hive port against the real system,
// the Defrag page on a system whose hive list is empty, the unattended
// "/Regscan" and "/Regdefrag" runs, and a real analysis of a hive seeded
// into the hive list. Wine saves a hive in a text format of its own, so
// every copy fails the whole-hive check and nothing is ever scheduled.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/win32/win_filesystem.h"
#include "platform/win32/win_hives.h"
#include "platform/win32/win_registry.h"
#include "program_under_test.h"
#include "registry/hive_file_check.h"
#include "registry/hive_list.h"
#include "win_test_support.h"
#include "window_driving.h"

namespace nc::wintest {
namespace {

constexpr int kDefragPageId = 1000 + 21;
constexpr int kHiveListId = 2101;
constexpr const wchar_t* kHiveListKey = L"SYSTEM\\CurrentControlSet\\Control\\hivelist";
constexpr const wchar_t* kSeededName = L"\\REGISTRY\\MACHINE\\SOFTWARE";
constexpr const wchar_t* kStandIn = L"C:\\windows\\system32\\config\\software";
constexpr int kHiveProgressBarId = 4203;

std::wstring Profile(const std::wstring& file, const wchar_t* section, const wchar_t* key) {
  wchar_t value[512] = {};
  GetPrivateProfileStringW(section, key, L"<missing>", value, 512, file.c_str());
  return value;
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Keeps the hive list as Wine has it (empty) around every test; the
// seeding test adds one hive and its stand-in file.
class DefragWin : public ::testing::Test {
 protected:
  void SetUp() override { Unseed(); }
  void TearDown() override { Unseed(); }

  static void Unseed() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kHiveListKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
      RegDeleteValueW(key, kSeededName);
      RegCloseKey(key);
    }
    for (const wchar_t* suffix : {L"", L".fdc", L".bak"}) {
      DeleteFileW((std::wstring(kStandIn) + suffix).c_str());
    }
  }

  static bool Seed(std::uint64_t standInBytes) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kHiveListKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
      return false;
    }
    const std::wstring device = L"\\Device\\HarddiskVolume1\\windows\\system32\\config\\software";
    const LSTATUS rc =
        RegSetValueExW(key, kSeededName, 0, REG_SZ, reinterpret_cast<const BYTE*>(device.c_str()),
                       static_cast<DWORD>((device.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    CreateDirectoryW(L"C:\\windows\\system32\\config", nullptr);
    std::ofstream out(kStandIn, std::ios::binary);
    out << std::string(static_cast<std::size_t>(standInBytes), 'h');
    return rc == ERROR_SUCCESS && out.good();
  }
};

TEST_F(DefragWin, HivePortSavesTheSoftwareHiveAndSchedulesItsReplacement) {
  if (!UnderWine()) GTEST_SKIP() << "replaces a real hive at the next start";
  win32::WinRegistry registry;
  win32::WinFileSystem files;
  win32::WinHives hives;
  // Wine lists no hives.
  EXPECT_TRUE(registry::BuildHiveList(registry, hives, files, false).keyNames.empty());
  // A hive root opens for backup as the system's backup tools open it.
  EXPECT_TRUE(hives.checkOpen(platform::RootKey::LocalMachine, "SOFTWARE", false).ok());
  EXPECT_TRUE(hives.checkOpen(platform::RootKey::LocalMachine, "SOFTWARE", true).ok());
  EXPECT_FALSE(hives.checkOpen(platform::RootKey::LocalMachine, "NOSUCHHIVE", false).ok());

  TempFolder temp(L"nc-hives");
  const std::string copy = temp.utf8() + "\\software.fdc";
  hives.enableBackupPrivilege();
  ASSERT_TRUE(registry::SaveHiveCopy(hives, files, "\\REGISTRY\\MACHINE\\SOFTWARE", copy, false));
  EXPECT_GT(registry::FileSizeOf(files, copy), 0U);
  // The system refuses to save onto a file; SaveHiveCopy deletes it first.
  auto again = hives.saveCopy(platform::RootKey::LocalMachine, "Software", false, copy);
  ASSERT_FALSE(again.ok());
  EXPECT_EQ(again.error().code, Errc::AlreadyExists);
  EXPECT_TRUE(registry::SaveHiveCopy(hives, files, "\\REGISTRY\\MACHINE\\SOFTWARE", copy, true));
  EXPECT_FALSE(
      registry::SaveHiveCopy(hives, files, "\\REGISTRY\\MACHINE\\NOSUCHHIVE", copy, false));
  EXPECT_FALSE(Exists(std::wstring(temp.path()) + L"\\software.fdc"));

  // Wine saves its own text format, which is no hive file: the copy is
  // never handed to the system, and the backup name is left alone.
  hives.enableRestorePrivilege();
  const std::string copy2 = temp.utf8() + "\\software2.fdc";
  ASSERT_TRUE(registry::SaveHiveCopy(hives, files, "\\REGISTRY\\MACHINE\\SOFTWARE", copy2, false));
  EXPECT_EQ(registry::CheckHiveFile(files, copy2), registry::HiveFileVerdict::NoSignature);
  const registry::ReplaceOutcome outcome = registry::ReplaceHive(
      hives, files, "\\REGISTRY\\MACHINE\\SOFTWARE", copy2, temp.utf8() + "\\software.bak");
  EXPECT_TRUE(outcome.notWhole);
  EXPECT_FALSE(outcome.scheduled);
  // The real volume says how much room it has.
  EXPECT_GT(files.freeSpace(copy2).value_or(0), 0U);
}

TEST_F(DefragWin, PageOfASystemWithoutAReadableHiveList) {
  ProgramUnderTest program;
  ASSERT_TRUE(program.Start());
  HWND main = program.WaitForMainWindow();
  ASSERT_NE(main, nullptr);
  SendMessageW(FindControlByText(main, L"Defrag"), BM_CLICK, 0, 0);
  Pause(200);
  HWND page = GetDlgItem(main, kDefragPageId);
  ASSERT_NE(page, nullptr);
  EXPECT_TRUE(IsWindowVisible(page));
  EXPECT_EQ(RowCount(GetDlgItem(page, kHiveListId)), 0);
  HWND analyze = FindControlByText(page, L"Analyze Registry");
  HWND defrag = FindControlByText(page, L"Defrag Registry");
  ASSERT_NE(analyze, nullptr);
  ASSERT_NE(defrag, nullptr);
  EXPECT_TRUE(IsWindowEnabled(analyze));
  EXPECT_FALSE(IsWindowEnabled(defrag));

  // With no hives the button does nothing: no dialog, no sizes.
  SendMessageW(analyze, BM_CLICK, 0, 0);
  Pause(300);
  EXPECT_EQ(FindWindowW(L"NorvikCleanerHiveProgress", nullptr), nullptr);
  EXPECT_FALSE(IsWindowEnabled(defrag));
  EXPECT_EQ(TextOf(GetDlgItem(page, 2110)), L"");
  Screenshot(main, L"defrag-page-wine.bmp");

  program.Close();
  EXPECT_EQ(program.WaitForExit(), 0);
}

TEST_F(DefragWin, UnattendedRunsEndByThemselvesWithoutHives) {
  struct Case {
    const wchar_t* arguments;
    bool resultFile;
  } cases[] = {{L"/Regscan", false}, {L"/REGSCAN", true}, {L"/regdefrag", false}};
  for (const Case& c : cases) {
    ProgramUnderTest program;
    const std::wstring result = program.file(L"result.ini");
    WritePrivateProfileStringW(L"Scan Result", L"Compact Percent", L"old", result.c_str());
    const std::wstring arguments =
        std::wstring(c.arguments) + (c.resultFile ? L" \"" + result + L"\"" : L"");
    ASSERT_TRUE(program.Start(arguments));
    EXPECT_EQ(program.WaitForExit(30000), 0) << static_cast<const void*>(c.arguments);
    // Only "/Regscan" with a file touches it: empty labels and the time.
    EXPECT_EQ(Profile(result, L"Scan Result", L"Compact Percent"), c.resultFile ? L"" : L"old");
    EXPECT_EQ(Profile(result, L"Scan Result", L"Time") != L"<missing>", c.resultFile);
  }
}

TEST_F(DefragWin, SeededHiveIsAnalysedForRealByRegscan) {
  if (!UnderWine()) GTEST_SKIP() << "seeds the system's hive list";
  ASSERT_TRUE(Seed(1024 * 1024));
  ProgramUnderTest program;
  const std::wstring result = program.file(L"result.ini");
  ASSERT_TRUE(program.Start(L"/Regscan \"" + result + L"\""));
  EXPECT_EQ(program.WaitForExit(60000), 0);
  EXPECT_EQ(Profile(result, L"Scan Result", L"Current Size"), L"1,024 KB");
  const std::wstring fresh = Profile(result, L"Scan Result", L"New Size");
  EXPECT_NE(fresh, L"");
  EXPECT_NE(fresh, L"0 KB");
  EXPECT_NE(Profile(result, L"Scan Result", L"Compact Percent"), L"");
  // The copy is removed when the program closes.
  EXPECT_FALSE(Exists(std::wstring(kStandIn) + L".fdc"));
}

// What the window showed while an analysis started from its button ran.
struct WindowAnalysis {
  double slowestAnswerMs = 0;  // WM_GETTEXT round trips to the main window
  long answers = 0;
  int barPositions = 0;  // distinct positions of the dialog's bar seen
  std::wstring messageBox;
  bool defragEnabled = false;
};

// Presses "Analyze Registry" and watches until "Defrag Registry" is
// enabled or a message box appears (which is answered with OK).
WindowAnalysis AnalyseInWindow(HWND main) {
  WindowAnalysis seen;
  SendMessageW(FindControlByText(main, L"Defrag"), BM_CLICK, 0, 0);
  HWND page = GetDlgItem(main, kDefragPageId);
  HWND defrag = FindControlByText(page, L"Defrag Registry");
  PostMessageW(FindControlByText(page, L"Analyze Registry"), BM_CLICK, 0, 0);
  DWORD pid = 0;
  GetWindowThreadProcessId(main, &pid);
  int lastPosition = -1;
  const ULONGLONG end = GetTickCount64() + 120000;
  while (GetTickCount64() < end) {
    wchar_t text[64] = {};
    DWORD_PTR result = 0;
    const ULONGLONG asked = GetTickCount64();
    SendMessageTimeoutW(main, WM_GETTEXT, 64, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000,
                        &result);
    seen.slowestAnswerMs =
        std::max(seen.slowestAnswerMs, static_cast<double>(GetTickCount64() - asked));
    ++seen.answers;
    if (HWND dialog = FindWindowW(L"NorvikCleanerHiveProgress", nullptr); dialog != nullptr) {
      const int position =
          static_cast<int>(SendMessageW(GetDlgItem(dialog, kHiveProgressBarId), PBM_GETPOS, 0, 0));
      if (position != lastPosition) ++seen.barPositions;
      lastPosition = position;
    }
    HWND box = FindWindowW(L"#32770", L"Norvik Cleaner");
    DWORD boxPid = 0;
    if (box != nullptr) GetWindowThreadProcessId(box, &boxPid);
    if (box != nullptr && boxPid == pid && IsWindowVisible(box)) {
      seen.messageBox = TextOf(GetDlgItem(box, 0xFFFF));
      PostMessageW(box, WM_COMMAND, IDOK, 0);
      WaitGone(box);
      break;
    }
    if (IsWindowEnabled(defrag) && FindWindowW(L"NorvikCleanerHiveProgress", nullptr) == nullptr) {
      break;
    }
    Sleep(5);
  }
  Pause(300);
  seen.defragEnabled = IsWindowEnabled(defrag) != FALSE;
  return seen;
}

// Presses "Defrag Registry" and answers each message box of the program
// (OK, or No to a question) until none has come for three seconds and no
// progress dialog is open; the boxes' texts in order.
std::vector<std::wstring> DefragInWindow(HWND main) {
  std::vector<std::wstring> texts;
  HWND page = GetDlgItem(main, kDefragPageId);
  PostMessageW(FindControlByText(page, L"Defrag Registry"), BM_CLICK, 0, 0);
  DWORD pid = 0;
  GetWindowThreadProcessId(main, &pid);
  ULONGLONG quietSince = GetTickCount64();
  const ULONGLONG end = quietSince + 120000;
  while (GetTickCount64() < end && GetTickCount64() - quietSince < 3000) {
    Sleep(20);
    if (FindWindowW(L"NorvikCleanerHiveProgress", nullptr) != nullptr) {
      quietSince = GetTickCount64();
      continue;
    }
    HWND box = FindWindowW(L"#32770", L"Norvik Cleaner");
    DWORD boxPid = 0;
    if (box != nullptr) GetWindowThreadProcessId(box, &boxPid);
    if (box == nullptr || boxPid != pid || !IsWindowVisible(box)) continue;
    texts.push_back(TextOf(GetDlgItem(box, 0xFFFF)));
    PostMessageW(box, WM_COMMAND, GetDlgItem(box, IDNO) != nullptr ? IDNO : IDOK, 0);
    WaitGone(box);
    quietSince = GetTickCount64();
  }
  return texts;
}

TEST_F(DefragWin, SeededHiveIsAnalysedFromThePage) {
  if (!UnderWine()) GTEST_SKIP() << "seeds the system's hive list";
  ASSERT_TRUE(Seed(1024 * 1024));
  ProgramUnderTest program;
  ASSERT_TRUE(program.Start());
  HWND main = program.WaitForMainWindow();
  ASSERT_NE(main, nullptr);
  HWND page = GetDlgItem(main, kDefragPageId);
  HWND list = GetDlgItem(page, kHiveListId);
  ASSERT_EQ(RowCount(list), 1);
  EXPECT_EQ(RemoteCellText(list, 0, 0), kSeededName);

  const WindowAnalysis seen = AnalyseInWindow(main);
  // Wine's text copy of its software key is larger than the stand-in:
  // the analysis succeeds and shows it, without advice.
  EXPECT_EQ(seen.messageBox, L"");
  EXPECT_TRUE(seen.defragEnabled);
  EXPECT_EQ(RemoteCellText(list, 0, 1), L"1,024 KB");
  EXPECT_NE(RemoteCellText(list, 0, 2), L"");
  EXPECT_EQ(TextOf(GetDlgItem(page, 2110)), L"1,024 KB");
  std::printf("analysed page: %ls | %ls | %ls | %ls; labels %ls / %ls / %ls / %ls\n",
              RemoteCellText(list, 0, 0).c_str(), RemoteCellText(list, 0, 1).c_str(),
              RemoteCellText(list, 0, 2).c_str(), RemoteCellText(list, 0, 3).c_str(),
              TextOf(GetDlgItem(page, 2110)).c_str(), TextOf(GetDlgItem(page, 2111)).c_str(),
              TextOf(GetDlgItem(page, 2112)).c_str(), TextOf(GetDlgItem(page, 2113)).c_str());
  Screenshot(main, L"defrag-page-analysed-wine.bmp");
  EXPECT_TRUE(Exists(std::wstring(kStandIn) + L".fdc"));

  // Wine's copies are not hive files: "Defrag Registry" says so for the
  // hive, schedules nothing, asks no restart question, and the live file
  // keeps every byte.
  if (seen.defragEnabled) {
    const std::vector<std::wstring> boxes = DefragInWindow(main);
    EXPECT_EQ(boxes, std::vector<std::wstring>{std::wstring(L"Failed to defrag the registry") +
                                               kSeededName});
    std::ifstream live(kStandIn, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(live), {}};
    EXPECT_EQ(bytes, std::string(1024 * 1024, 'h'));
    EXPECT_FALSE(Exists(std::wstring(kStandIn) + L".bak"));
  }
  program.Close();
  EXPECT_EQ(program.WaitForExit(), 0);
  EXPECT_FALSE(Exists(std::wstring(kStandIn) + L".fdc"));
}

// Benchmark, not a timed test: the slowest answer of the main window and
// the bar's movement while a seeded hive is analysed.
TEST_F(DefragWin, DISABLED_AnalysisBenchmarkWindowAnswers) {
  ASSERT_TRUE(Seed(4 * 1024 * 1024));
  ProgramUnderTest program;
  ASSERT_TRUE(program.Start());
  HWND main = program.WaitForMainWindow();
  ASSERT_NE(main, nullptr);
  const WindowAnalysis seen = AnalyseInWindow(main);
  std::printf(
      "hive analysis benchmark: slowest WM_GETTEXT answer %.1f ms over %ld asks; %d bar "
      "positions; message \"%ls\"\n",
      seen.slowestAnswerMs, seen.answers, seen.barPositions, seen.messageBox.c_str());
  program.Close();
  EXPECT_EQ(program.WaitForExit(60000), 0);
}

}  // namespace
}  // namespace nc::wintest
