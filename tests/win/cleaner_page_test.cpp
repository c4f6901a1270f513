// The Cleaner page of the real program under Wine, driven from outside:
// a test run lists the seeded files, a clean removes them after the
// confirmation, a run can be cancelled, and the log can be saved.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "program_under_test.h"
#include "win_test_support.h"
#include "window_driving.h"

namespace nc::wintest {
namespace {

namespace fs = std::filesystem;

constexpr int kCleanerPage = 1000 + 17;
constexpr int kIdLog = 2002;
constexpr int kIdCleanBar = 2003;
constexpr int kIdSaveLog = 2007;
constexpr const wchar_t* kItem = L"Windows - Temporary Files";

class CleanerPageWin : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(seed_ / L"inner"); }

  void Seed(int count) {
    for (int i = 0; i < count; ++i) {
      std::ofstream(seed_ / (L"file" + std::to_wstring(i) + L".tmp")) << "junk " << i;
    }
    std::ofstream(seed_ / L"inner" / L"deep.tmp") << "deep";
  }
  static HWND Page(HWND main) { return GetDlgItem(main, kCleanerPage); }
  static std::wstring BarText(HWND main) { return TextOf(GetDlgItem(Page(main), kIdCleanBar)); }
  static std::vector<std::wstring> LogLines(HWND main) {
    return ListBoxLines(GetDlgItem(Page(main), kIdLog));
  }
  static bool Contains(const std::vector<std::wstring>& lines, const std::wstring& text) {
    for (const auto& line : lines) {
      if (line.find(text) != std::wstring::npos) return true;
    }
    return false;
  }
  static void Click(HWND main, const wchar_t* caption) {
    HWND button = FindControlByText(main, caption);
    ASSERT_NE(button, nullptr) << "no button";
    // Posted: a click may open a modal dialog in the program.
    PostMessageW(button, BM_CLICK, 0, 0);
  }

  TempFolder scratch_{L"ncseed"};
  const fs::path seed_{scratch_.path()};
};

TEST_F(CleanerPageWin, TestListsTheSeededFilesThenCleanRemovesThemAfterAsking) {
  Seed(20);
  ProgramUnderTest program;
  program.TickOnlyCleanerItem(kItem, false);
  ASSERT_TRUE(program.Start());
  HWND main = program.WaitForMainWindow();
  ASSERT_NE(main, nullptr);
  Screenshot(main, L"cleaner-before-run.bmp");

  Click(main, L"Test");
  ASSERT_TRUE(WaitFor([&] { return BarText(main) == L"Finished!"; })) << "test run never finished";
  const auto lines = LogLines(main);
  const std::wstring prefix = L"Test: deleting " + seed_.wstring();
  EXPECT_TRUE(Contains(lines, L"Test: Clearing Windows - Temporary Files ..."));
  EXPECT_TRUE(Contains(lines, prefix + L"\\file0.tmp"));
  EXPECT_TRUE(Contains(lines, prefix + L"\\inner\\deep.tmp"));
  EXPECT_TRUE(Contains(lines, L"items will be removed;"));
  EXPECT_TRUE(fs::exists(seed_ / L"file0.tmp"));
  EXPECT_EQ(TextOf(FindControlByText(main, L"Test")), L"Test");
  Screenshot(main, L"cleaner-after-test.bmp");

  Click(main, L"Clean");
  HWND ask = nullptr;
  ASSERT_TRUE(WaitFor([&] {
    ask = FindWindowW(nullptr, L"Run Cleaner");
    return ask != nullptr && FindControlByText(ask, L"Don't show me this message again") != nullptr;
  }));
  PostMessageW(GetDlgItem(ask, IDOK), BM_CLICK, 0, 0);
  ASSERT_TRUE(WaitFor([&] {
    return BarText(main) == L"Finished!" && Contains(LogLines(main), L"to be removed");
  })) << "clean never finished";
  EXPECT_FALSE(fs::exists(seed_ / L"file0.tmp"));
  EXPECT_FALSE(fs::exists(seed_ / L"inner"));
  EXPECT_TRUE(Contains(LogLines(main), L"Clean: Clearing Windows - Temporary Files ..."));
  Screenshot(main, L"cleaner-after-clean.bmp");
  program.Close();
  EXPECT_EQ(program.WaitForExit(), 0);
}

TEST_F(CleanerPageWin, CancelStopsATestRunAndTheButtonReadsTestAgain) {
  // Enough files that the run, even on a quiet machine, outlasts the two
  // clicks by far: the window may take the run's posted messages between
  // two sent ones, so a short run could end before the second click.
  Seed(20000);
  ProgramUnderTest program;
  program.TickOnlyCleanerItem(kItem, false);
  ASSERT_TRUE(program.Start());
  HWND main = program.WaitForMainWindow();
  ASSERT_NE(main, nullptr);
  // The clicks are sent, not posted, so that the caption is read right
  // after each one has been handled.
  HWND test = FindControlByText(main, L"Test");
  ASSERT_NE(test, nullptr);
  SendMessageW(test, BM_CLICK, 0, 0);
  EXPECT_EQ(TextOf(test), L"Cancel");
  SendMessageW(test, BM_CLICK, 0, 0);
  EXPECT_EQ(TextOf(test), L"Test");
  Pause(500);
  EXPECT_NE(BarText(main), L"Finished!");
  EXPECT_FALSE(Contains(LogLines(main), L"Total items will be removed"));
  EXPECT_TRUE(fs::exists(seed_ / L"file0.tmp"));
  program.Close();
  EXPECT_EQ(program.WaitForExit(), 0);
}

TEST_F(CleanerPageWin, TheLogIsSavedToATextFile) {
  Seed(3);
  ProgramUnderTest program;
  program.TickOnlyCleanerItem(kItem, false);
  ASSERT_TRUE(program.Start());
  HWND main = program.WaitForMainWindow();
  ASSERT_NE(main, nullptr);
  Click(main, L"Test");
  ASSERT_TRUE(WaitFor([&] { return BarText(main) == L"Finished!"; }));

  PostMessageW(main, WM_COMMAND, kIdSaveLog, 0);  // the log menu's only entry
  HWND dialog = WaitForWindow(nullptr, L"Save as Text");
  ASSERT_NE(dialog, nullptr);
  const std::wstring target = program.file(L"saved log");
  HWND name = GetDlgItem(dialog, 0x47c);  // the file name box
  if (name == nullptr) name = FindWindowExW(dialog, nullptr, L"Edit", nullptr);
  ASSERT_NE(name, nullptr);
  SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(target.c_str()));
  PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(WaitFor([&] { return fs::exists(target + L".txt"); }));
  Pause(300);
  const std::string text = ReadBytes(target + L".txt");
  EXPECT_EQ(text.rfind("This file was generated by Norvik Cleaner\r\n", 0), 0u);
  EXPECT_NE(text.find("Test: Clearing Windows - Temporary Files ..."), std::string::npos);
  program.Close();
  EXPECT_EQ(program.WaitForExit(), 0);
}

// After a run the log scrolls sideways to its widest line in pixels: a
// line of wide letters is wider than many longer lines of narrow ones.
TEST_F(CleanerPageWin, TheLogScrollsToItsWidestLineInPixelsNotInLetters) {
  for (int i = 0; i < 100; ++i) {
    std::ofstream(seed_ / (std::wstring(60, L'i') + std::to_wstring(i) + L".tmp")) << "n";
  }
  const std::wstring wide = std::wstring(30, L'W') + L".tmp";
  std::ofstream(seed_ / wide) << "w";
  ProgramUnderTest program;
  program.TickOnlyCleanerItem(kItem, false);
  ASSERT_TRUE(program.Start());
  HWND main = program.WaitForMainWindow();
  ASSERT_NE(main, nullptr);
  Click(main, L"Test");
  ASSERT_TRUE(WaitFor([&] { return BarText(main) == L"Finished!"; })) << "test run never finished";
  const std::wstring line = L"Test: deleting " + (seed_ / wide).wstring();
  ASSERT_TRUE(Contains(LogLines(main), line));

  // The log's font, measured here.
  HFONT font =
      CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                  CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Tahoma");
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32W(dc, line.c_str(), static_cast<int>(line.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  DeleteObject(font);
  const LRESULT extent = SendMessageW(GetDlgItem(Page(main), kIdLog), LB_GETHORIZONTALEXTENT, 0, 0);
  EXPECT_GE(extent, size.cx + 10);
  program.Close();
  EXPECT_EQ(program.WaitForExit(), 0);
}

TEST_F(CleanerPageWin, ClosingDuringAConfirmedCleanEndsCleanlyAndWritesTheSettings) {
  Seed(2000);
  ProgramUnderTest program;
  program.TickOnlyCleanerItem(kItem, true);
  WritePrivateProfileStringW(L"Options", L"IsAskBeforeClear", L"0",
                             program.file(L"options.ini").c_str());
  ASSERT_TRUE(program.Start());
  HWND main = program.WaitForMainWindow();
  ASSERT_NE(main, nullptr);
  Click(main, L"Clean");
  Pause(300);
  program.Close();
  EXPECT_EQ(program.WaitForExit(), 0);
  // The item is stored, after its group, whose mark follows its items.
  wchar_t group[64] = {}, item[64] = {};
  GetPrivateProfileStringW(L"NodeSelected", L"1", L"", group, 64,
                           program.file(L"options.ini").c_str());
  GetPrivateProfileStringW(L"NodeSelected", L"2", L"", item, 64,
                           program.file(L"options.ini").c_str());
  EXPECT_STREQ(group, L"Windows");
  EXPECT_STREQ(item, kItem);
}

}  // namespace
}  // namespace nc::wintest
