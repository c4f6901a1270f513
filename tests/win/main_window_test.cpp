// The real main window under Wine, driven from outside like another
// program would: class, caption, size, page buttons, settings at close,
// and the unattended switches.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "program_under_test.h"
#include "win_test_support.h"
#include "window_driving.h"

namespace nc::wintest {
namespace {

constexpr int kPageIdBase = 1000;

std::wstring Profile(const std::wstring& file, const wchar_t* section, const wchar_t* key) {
  wchar_t value[512] = {};
  GetPrivateProfileStringW(section, key, L"<missing>", value, 512, file.c_str());
  return value;
}

bool PageShown(HWND main, int tag) {
  HWND page = GetDlgItem(main, kPageIdBase + tag);
  return page != nullptr && IsWindowVisible(page);
}

TEST(MainWindow, ShowsItsCaptionSizeAndPagesAndSwitchesPages) {
  ProgramUnderTest program;
  ASSERT_TRUE(program.Start());
  HWND main = program.WaitForMainWindow();
  ASSERT_NE(main, nullptr) << "no main window appeared";

  EXPECT_EQ(FindWindowW(L"Norvik Cleaner Made by Norvik Software", nullptr), main);
  EXPECT_EQ(TextOf(main), L"Norvik Cleaner 2.8");
  RECT client{};
  GetClientRect(main, &client);
  EXPECT_EQ(client.right, 697);
  EXPECT_EQ(client.bottom, 456);

  // Centred on the screen.
  RECT frame{};
  GetWindowRect(main, &frame);
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  EXPECT_NEAR(frame.left, (screenWidth - (frame.right - frame.left)) / 2, 2);

  // The six buttons stand in their order, top to bottom.
  const wchar_t* order[] = {L"Cleaner", L"Registry", L"Defrag", L"Tools", L"Options", L"More"};
  int lastTop = -1;
  for (const wchar_t* caption : order) {
    HWND button = FindControlByText(main, caption);
    ASSERT_NE(button, nullptr) << "no button " << static_cast<const void*>(caption);
    RECT r{};
    GetWindowRect(button, &r);
    EXPECT_GT(r.top, lastTop);
    lastTop = r.top;
  }
  EXPECT_TRUE(PageShown(main, 17));
  EXPECT_FALSE(PageShown(main, 18));
  EXPECT_FALSE(PageShown(main, 19));
  EXPECT_FALSE(PageShown(main, 21));
  Screenshot(main, L"main-window-cleaner.bmp");

  SendMessageW(FindControlByText(main, L"Registry"), BM_CLICK, 0, 0);
  Pause(200);
  EXPECT_TRUE(PageShown(main, 18));
  EXPECT_FALSE(PageShown(main, 17));
  EXPECT_FALSE(PageShown(main, 19));
  EXPECT_FALSE(PageShown(main, 21));

  SendMessageW(FindControlByText(main, L"Defrag"), BM_CLICK, 0, 0);
  Pause(200);
  EXPECT_TRUE(PageShown(main, 21));
  EXPECT_FALSE(PageShown(main, 18));
  Screenshot(main, L"main-window-defrag.bmp");

  // The window cannot be made smaller than its minimum size.
  SetWindowPos(main, nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER);
  Pause(200);
  GetWindowRect(main, &frame);
  EXPECT_GE(frame.right - frame.left, 626);
  EXPECT_GE(frame.bottom - frame.top, 455);

  program.Close();
  EXPECT_EQ(program.WaitForExit(), 0);
  const std::wstring ini = program.file(L"options.ini");
  EXPECT_EQ(Profile(ini, L"Window", L"State"), L"1");
  EXPECT_EQ(Profile(ini, L"Options", L"IsAskBeforeClear"), L"1");
  EXPECT_EQ(Profile(ini, L"Settings", L"FastScan"), L"1");
  // A backup folder inside the program's folder is kept relative to it.
  EXPECT_EQ(Profile(ini, L"Options", L"OutputDirectory"), L"Backup");
}

// The hints of the tool-tip windows `main` owns, read from its process.
std::vector<std::wstring> HintsOf(HWND main) {
  std::vector<std::wstring> hints;
  DWORD pid = 0;
  GetWindowThreadProcessId(main, &pid);
  HANDLE process =
      OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  if (process == nullptr) return hints;
  constexpr SIZE_T kChars = 512;
  void* remote = VirtualAllocEx(process, nullptr, sizeof(TTTOOLINFOW) + kChars * sizeof(wchar_t),
                                MEM_COMMIT, PAGE_READWRITE);
  auto* remoteText = reinterpret_cast<wchar_t*>(static_cast<char*>(remote) + sizeof(TTTOOLINFOW));
  for (HWND tips = nullptr;
       remote != nullptr && (tips = FindWindowExW(nullptr, tips, TOOLTIPS_CLASSW, nullptr));) {
    if (GetWindow(tips, GW_OWNER) != main) continue;
    const auto count = SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      TTTOOLINFOW tool{};
      tool.cbSize = sizeof tool;
      tool.lpszText = remoteText;
      const wchar_t none = L'\0';
      WriteProcessMemory(process, remoteText, &none, sizeof none, nullptr);
      WriteProcessMemory(process, remote, &tool, sizeof tool, nullptr);
      if (SendMessageW(tips, TTM_ENUMTOOLSW, static_cast<WPARAM>(i),
                       reinterpret_cast<LPARAM>(remote)) == FALSE) {
        continue;
      }
      std::vector<wchar_t> text(kChars + 1, L'\0');
      ReadProcessMemory(process, remoteText, text.data(), kChars * sizeof(wchar_t), nullptr);
      hints.emplace_back(text.data());
    }
  }
  if (remote != nullptr) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  CloseHandle(process);
  return hints;
}

TEST(MainWindow, ToolsPageShowsItsGroupCaptionAndTheViewerButtonsHint) {
  ProgramUnderTest program;
  ASSERT_TRUE(program.Start());
  HWND main = program.WaitForMainWindow();
  ASSERT_NE(main, nullptr);
  SendMessageW(FindControlByText(main, L"Tools"), BM_CLICK, 0, 0);
  ASSERT_TRUE(WaitFor([&] { return PageShown(main, 19); }, 5000));
  EXPECT_EQ(TextOf(GetDlgItem(main, kPageIdBase + 19)), L"Tools");
  Screenshot(main, L"tools-page.bmp");
  const auto hints = HintsOf(main);
  EXPECT_NE(std::find(hints.begin(), hints.end(), L"Read the contents of your index.dat files"),
            hints.end())
      << hints.size() << " hints";
  program.Close();
  EXPECT_EQ(program.WaitForExit(), 0);
}

TEST(MainWindow, OpensMaximisedWhenItClosedMaximised) {
  ProgramUnderTest program;
  WritePrivateProfileStringW(L"Window", L"State", L"3", program.file(L"options.ini").c_str());
  WritePrivateProfileStringW(L"Options", L"WipeNumber", L"11",
                             program.file(L"options.ini").c_str());
  ASSERT_TRUE(program.Start());
  HWND main = program.WaitForMainWindow();
  ASSERT_NE(main, nullptr);
  Pause(500);
  EXPECT_TRUE(IsZoomed(main));
  program.Close();
  EXPECT_EQ(program.WaitForExit(), 0);
  const std::wstring ini = program.file(L"options.ini");
  EXPECT_EQ(Profile(ini, L"Window", L"State"), L"3");
  EXPECT_EQ(Profile(ini, L"Options", L"WipeNumber"), L"1");
}

// Closed while minimised, the window saves its restored bounds, not its
// icon position, and opens there again.
TEST(MainWindow, ClosedMinimisedItOpensWhereItWasRestored) {
  ProgramUnderTest program;
  const std::wstring ini = program.file(L"options.ini");
  ASSERT_TRUE(program.Start());
  HWND main = program.WaitForMainWindow();
  ASSERT_NE(main, nullptr);
  SetWindowPos(main, nullptr, 40, 30, 720, 500, SWP_NOZORDER | SWP_NOACTIVATE);
  Pause(300);
  RECT restored{};
  GetWindowRect(main, &restored);
  ShowWindow(main, SW_MINIMIZE);
  ASSERT_TRUE(WaitFor([&] { return IsIconic(main) != FALSE; }, 5000));
  program.Close();
  ASSERT_EQ(program.WaitForExit(), 0);
  EXPECT_EQ(Profile(ini, L"Window", L"State"), L"2");
  EXPECT_EQ(Profile(ini, L"Window", L"Left"), std::to_wstring(restored.left));
  EXPECT_EQ(Profile(ini, L"Window", L"Top"), std::to_wstring(restored.top));
  EXPECT_EQ(Profile(ini, L"Window", L"Width"), std::to_wstring(restored.right - restored.left));

  ProgramUnderTest again;
  CopyFileW(ini.c_str(), again.file(L"options.ini").c_str(), FALSE);
  ASSERT_TRUE(again.Start());
  main = again.WaitForMainWindow();
  ASSERT_NE(main, nullptr);
  Pause(300);
  RECT reopened{};
  GetWindowRect(main, &reopened);
  EXPECT_EQ(reopened.left, restored.left);
  EXPECT_EQ(reopened.top, restored.top);
  Screenshot(main, L"main-window-reopened-after-minimised-close.bmp");
  again.Close();
  EXPECT_EQ(again.WaitForExit(), 0);
}

// A clean's folder question is a message box of the window's own thread,
// modal to the window; closing the program or ending the session while it
// is open answers it No (the probe file stays) and the program ends.
TEST(MainWindow, AWorkersQuestionIsModalAndACloseOrSessionEndAnswersItNo) {
  const std::filesystem::path probe = L"C:\\ncprobe-question.tmp";
  for (const bool sessionEnd : {false, true}) {
    SCOPED_TRACE(sessionEnd ? "session end" : "close");
    std::ofstream(probe) << "keep";
    ProgramUnderTest program;
    std::ofstream(std::filesystem::path(program.file(L"Custom.dat")), std::ios::binary)
        << "[<New List>]\r\nDelFile1=C:\\,ncprobe*.tmp\r\n";
    program.TickOnlyCleanerItem(L"Custom Lists - <New List>", true);
    WritePrivateProfileStringW(L"Options", L"IsAskBeforeClear", L"0",
                               program.file(L"options.ini").c_str());
    ASSERT_TRUE(program.Start());
    HWND main = program.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    PostMessageW(FindControlByText(main, L"Clean"), BM_CLICK, 0, 0);
    HWND box = WaitForWindow(L"#32770", L"Norvik Cleaner");
    ASSERT_NE(box, nullptr) << "no question";
    EXPECT_NE(FindControlByText(box, L"Do you want to delete all files and folders under C:\\?"),
              nullptr);
    EXPECT_EQ(GetWindow(box, GW_OWNER), main);
    EXPECT_EQ(GetWindowThreadProcessId(box, nullptr), GetWindowThreadProcessId(main, nullptr));
    EXPECT_FALSE(IsWindowEnabled(main));
    if (!sessionEnd) Screenshot(box, L"clean-folder-question.bmp");
    if (sessionEnd) {
      DWORD_PTR answer = 0;
      EXPECT_NE(
          SendMessageTimeoutW(main, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 10000, &answer), 0);
      EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE));
    } else {
      program.Close();
    }
    EXPECT_EQ(program.WaitForExit(), 0);
    EXPECT_TRUE(std::filesystem::exists(probe));
  }
  std::filesystem::remove(probe);
}

TEST(MainWindow, RegscanWritesItsResultSectionAndEnds) {
  ProgramUnderTest program;
  const std::wstring result = program.file(L"result.ini");
  WritePrivateProfileStringW(L"Scan Result", L"Stale", L"x", result.c_str());
  WritePrivateProfileStringW(L"Other", L"Keep", L"yes", result.c_str());
  ASSERT_TRUE(program.Start(L"/regscan \"" + result + L"\""));
  EXPECT_EQ(program.WaitForExit(), 0);
  EXPECT_EQ(Profile(result, L"Scan Result", L"Stale"), L"<missing>");
  EXPECT_NE(Profile(result, L"Scan Result", L"Time"), L"<missing>");
  EXPECT_EQ(Profile(result, L"Scan Result", L"Current Size"), L"");
  EXPECT_EQ(Profile(result, L"Other", L"Keep"), L"yes");
}

TEST(MainWindow, AnUnattendedClearCleansScansFixesAndEndsOnItsOwn) {
  // A Run value naming a program that is gone: the scan finds it and the
  // fix removes it after backing it up.
  HKEY run = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                            0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &run, nullptr),
            ERROR_SUCCESS);
  const wchar_t gone[] = L"C:\\NorvikNowhere\\gone.exe";
  RegSetValueExW(run, L"NorvikClearProbe", 0, REG_SZ, reinterpret_cast<const BYTE*>(gone),
                 sizeof gone);
  ProgramUnderTest program;
  ASSERT_TRUE(program.Start(L"/CLEAR"));
  EXPECT_EQ(program.WaitForExit(120000), 0);
  EXPECT_NE(ReadBytes(program.file(L"options.ini")).find("[Window]"), std::string::npos);
  EXPECT_NE(RegQueryValueExW(run, L"NorvikClearProbe", nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  RegDeleteValueW(run, L"NorvikClearProbe");
  RegCloseKey(run);
  int backups = 0;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(program.file(L"Backup"), ec)) {
    backups += entry.is_regular_file() ? 1 : 0;
  }
  EXPECT_EQ(backups, 1);
}

TEST(MainWindow, AnswersMessagesFromOtherPrograms) {
  ProgramUnderTest program;
  ASSERT_TRUE(program.Start());
  HWND main = program.WaitForMainWindow();
  ASSERT_NE(main, nullptr);
  // The window answers its text across processes promptly.
  DWORD_PTR answer = 0;
  wchar_t text[64] = {};
  EXPECT_NE(SendMessageTimeoutW(main, WM_GETTEXT, 64, reinterpret_cast<LPARAM>(text),
                                SMTO_ABORTIFHUNG, 2000, &answer),
            0);
  EXPECT_STREQ(text, L"Norvik Cleaner 2.8");
  program.Close();
  EXPECT_EQ(program.WaitForExit(), 0);
}

}  // namespace
}  // namespace nc::wintest
