// The index.dat viewer's real window under Wine: opened from the Tools
// page of the running program, and made in this process to be fed files
// that lie about themselves while it must stay responsive.
#include "ui/win32/index_dat_viewer.h"

#include <windows.h>

#include <commctrl.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "../common/index_dat_builder.h"
#include "platform/win32/wide.h"
#include "platform/win32/win_platform.h"
#include "program_under_test.h"
#include "win_test_support.h"
#include "window_driving.h"

namespace nc::wintest {
namespace {

namespace ids = ui::index_dat_ids;
using testing::IndexDatBuilder;

void WriteFile(const std::wstring& path, const std::string& bytes) {
  std::ofstream(std::filesystem::path(path), std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Two URL records, an empty slot and a redirect.
std::string SmallIndex() {
  IndexDatBuilder b(0x1000, 0x100);
  b.Table(0x100, 2, 0);
  b.Slot(0x100, 0, 0, 0x200).Url(0x200, "http://a.example/", testing::kY2kFiletime);
  b.Slot(0x100, 1, 3, 0);
  b.Slot(0x100, 2, 0, 0x300).Url(0x300, "https://b.example/x", 0xFFFFFFFFFFFFFFFFull);
  b.Slot(0x100, 3, 0, 0x400).Redirect(0x400, "http://moved.example/", testing::kY2kFiletime);
  return b.bytes;
}

// Whether the window answers a message within two seconds.
bool Responsive(HWND window) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &result) != 0;
}

// A key pressed with Ctrl and Alt held, as the window's thread sees it:
// the two threads share one input state while the key state is changed.
void PressWithControlAlt(HWND target, WPARAM key) {
  const DWORD ui = GetWindowThreadProcessId(target, nullptr);
  const DWORD self = GetCurrentThreadId();
  AttachThreadInput(self, ui, TRUE);
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_CONTROL] = keys[VK_MENU] = 0x80;
  SetKeyboardState(keys);
  SendMessageW(target, WM_NULL, 0, 0);
  PostMessageW(target, WM_SYSKEYDOWN, key, 1 | (1 << 29));
  Sleep(200);
  keys[VK_CONTROL] = keys[VK_MENU] = 0;
  SetKeyboardState(keys);
  AttachThreadInput(self, ui, FALSE);
}

bool Shown(HWND dialog, int id) {
  return IsWindowVisible(GetDlgItem(dialog, id)) != FALSE;
}

int Progress(HWND dialog) {
  return static_cast<int>(SendMessageW(GetDlgItem(dialog, ids::kProgress), PBM_GETPOS, 0, 0));
}

TEST(IndexDatViewerWin, OpensFromTheToolsPageAndListsAFileBuiltHere) {
  TempFolder root(L"nc-indexdat");
  const std::wstring path = root.path() + L"\\index.dat";
  WriteFile(path, SmallIndex());
  ProgramUnderTest program;
  ASSERT_TRUE(program.Start());
  HWND main = program.WaitForMainWindow();
  ASSERT_NE(main, nullptr);
  SendMessageW(FindControlByText(main, L"Tools"), BM_CLICK, 0, 0);
  HWND button = FindControlByText(main, L"Index.dat Viewer...");
  ASSERT_NE(button, nullptr);
  PostMessageW(button, BM_CLICK, 0, 0);
  HWND viewer = WaitForWindow(ui::kIndexDatViewerClass);
  ASSERT_NE(viewer, nullptr);
  EXPECT_EQ(TextOf(viewer), L"Index.dat file viewer");
  EXPECT_FALSE(IsWindowEnabled(main));
  for (const wchar_t* text : {L"Index.dat file location", L"...", L"Total Record:",
                              L"&More Index.dat", L"&Show", L"&Close"}) {
    EXPECT_NE(FindControlByText(viewer, text), nullptr) << win32::Narrow(text);
  }
  const std::wstring initial = TextOf(GetDlgItem(viewer, ids::kFileName));
  EXPECT_TRUE(initial.ends_with(L"\\Content.IE5\\index.dat")) << win32::Narrow(initial);
  EXPECT_EQ(TextOf(GetDlgItem(viewer, ids::kTotal)), L"0");
  EXPECT_FALSE(Shown(viewer, ids::kDelete));
  EXPECT_FALSE(Shown(viewer, ids::kProgress));

  SetWindowTextW(GetDlgItem(viewer, ids::kFileName), path.c_str());
  PostClick(viewer, ids::kShow);
  ASSERT_TRUE(WaitFor([&] { return TextOf(GetDlgItem(viewer, ids::kTotal)) == L"3"; }));
  HWND list = GetDlgItem(viewer, ids::kList);
  ASSERT_EQ(RowCount(list), 3);
  EXPECT_EQ(RemoteCellText(list, 0, 0), L"http://a.example/");
  EXPECT_EQ(RemoteCellText(list, 1, 0), L"https://b.example/x");
  EXPECT_EQ(RemoteCellText(list, 1, 1), L"Not Available");
  EXPECT_EQ(RemoteCellText(list, 2, 0), L"http://moved.example/");
  EXPECT_TRUE(RemoteCellText(list, 2, 1).find(L"2000") != std::wstring::npos)
      << win32::Narrow(RemoteCellText(list, 2, 1));
  EXPECT_TRUE(Shown(viewer, ids::kProgress));
  EXPECT_EQ(Progress(viewer), 100);
  Screenshot(viewer, L"indexdat-viewer.bmp");

  PostClick(viewer, ids::kClose);
  EXPECT_TRUE(WaitGone(viewer));
  EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(main) != FALSE; }));
  program.Close();
  EXPECT_EQ(program.WaitForExit(), 0);
}

class IndexDatViewerInProcess : public ::testing::Test {
 protected:
  void SetUp() override {
    owner_ = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100,
                             600, 400, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  }
  void TearDown() override {
    if (owner_ != nullptr) DestroyWindow(owner_);
  }
  // Shows the viewer on this thread while `drive` works it from another.
  void Run(const std::function<void(HWND)>& drive) {
    std::thread driver([&] {
      HWND viewer = WaitForWindow(ui::kIndexDatViewerClass);
      if (viewer != nullptr) drive(viewer);
      CloseWindowsOf({L"#32770", ui::kIndexDatViewerClass});
    });
    ui::ShowIndexDatViewer(owner_, platform_.bundle(), {});
    driver.join();
  }
  std::wstring File(const wchar_t* name, const std::string& bytes) {
    const std::wstring path = root_.path() + L"\\" + name;
    WriteFile(path, bytes);
    return path;
  }

  win32::WinPlatform platform_;
  TempFolder root_{L"nc-indexdat"};
  HWND owner_ = nullptr;
};

TEST_F(IndexDatViewerInProcess, FilesThatLieListWhatTheyHoldAndNeverHangTheWindow) {
  const std::string good = SmallIndex();
  IndexDatBuilder claims(0x1000, 0x100);
  claims.bytes = good;
  claims.U32(28, 0x7FFFFFFF).Table(0x100, 0xFFFFFFFF, 0);
  IndexDatBuilder zero(0x1000, 0x100);
  zero.Table(0x100, 0, 0);
  IndexDatBuilder loop(0x1000, 0x100);
  loop.bytes = good;
  loop.Table(0x100, 2, 0x800).Table(0x800, 0xFFFFFFFF, 0x100);
  struct Case {
    const wchar_t* name;
    std::string bytes;
    const wchar_t* total;
  };
  const std::vector<Case> cases = {
      {L"truncated.dat", good.substr(0, 0x280), L"1"},
      {L"header-only.dat", good.substr(0, 20), L"0"},
      {L"claims-more.dat", claims.bytes, L"3"},
      {L"zero-blocks.dat", zero.bytes, L"0"},
      {L"huge-blocks.dat", IndexDatBuilder(0x1000, 0x100).Table(0x100, 0xFFFFFFFF, 0).bytes, L"0"},
      {L"loop.dat", loop.bytes, L"3"},
  };
  for (const Case& c : cases) File(c.name, c.bytes);
  Run([&](HWND viewer) {
    for (const Case& c : cases) {
      SCOPED_TRACE(win32::Narrow(c.name));
      SetWindowTextW(GetDlgItem(viewer, ids::kFileName), (root_.path() + L"\\" + c.name).c_str());
      Click(viewer, ids::kShow);
      EXPECT_TRUE(Responsive(viewer));
      EXPECT_EQ(TextOf(GetDlgItem(viewer, ids::kTotal)), c.total);
      EXPECT_EQ(RowCount(GetDlgItem(viewer, ids::kList)), _wtoi(c.total));
      EXPECT_EQ(Progress(viewer), 100);
    }
    // Ctrl+Alt+S shows "&Delete", which overwrites the named file's records.
    EXPECT_FALSE(Shown(viewer, ids::kDelete));
    PressWithControlAlt(GetDlgItem(viewer, ids::kList), 'S');
    ASSERT_TRUE(WaitFor([&] { return Shown(viewer, ids::kDelete); }, 5000));
    SetWindowTextW(GetDlgItem(viewer, ids::kFileName), (root_.path() + L"\\loop.dat").c_str());
    Click(viewer, ids::kDelete);
    const std::string after = ReadBytes(root_.path() + L"\\loop.dat");
    ASSERT_EQ(after.size(), loop.bytes.size());
    EXPECT_EQ(after.substr(0, 0x120), loop.bytes.substr(0, 0x120));
    EXPECT_EQ(after.find_first_not_of('\0', 0x120), 0x800u);  // up to the next table
  });
}

TEST_F(IndexDatViewerInProcess, ALargeFileKeepsTheWindowAliveAndShowAgainOrEscapeEndsCleanly) {
  const std::wstring big = File(L"big.dat", testing::LargeIndexFile(120000));
  const std::wstring small = File(L"small.dat", SmallIndex());
  Run([&](HWND viewer) {
    HWND name = GetDlgItem(viewer, ids::kFileName);
    HWND total = GetDlgItem(viewer, ids::kTotal);
    // From "&Show" to the filled list, answering messages all along.
    SetWindowTextW(name, big.c_str());
    const auto start = std::chrono::steady_clock::now();
    PostClick(viewer, ids::kShow);
    int answered = 0;
    while (TextOf(total) != L"120000") {
      ASSERT_TRUE(Responsive(viewer)) << "after " << answered << " answers";
      ++answered;
      Sleep(20);
    }
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    std::printf("[ index.dat viewer ] 120,000 records listed %lld ms after Show\n",
                static_cast<long long>(ms));
    EXPECT_EQ(RowCount(GetDlgItem(viewer, ids::kList)), 120000);
    EXPECT_EQ(CellText(GetDlgItem(viewer, ids::kList), 119999, 0),
              L"http://host119999.example/page");

    // "&Show" pressed again while the parse runs (the second click waits
    // in the queue for the first parse's look at its messages): one
    // parse's rows, not two.
    PostClick(viewer, ids::kShow);
    PostClick(viewer, ids::kShow);
    PostClick(viewer, ids::kShow);
    ASSERT_TRUE(WaitFor([&] { return Progress(viewer) < 100; }, 5000));
    ASSERT_TRUE(WaitFor([&] { return Progress(viewer) == 100; }));
    EXPECT_TRUE(Responsive(viewer));
    EXPECT_EQ(TextOf(total), L"120000");
    EXPECT_EQ(RowCount(GetDlgItem(viewer, ids::kList)), 120000);

    // Escape during a parse closes the window once the parse has ended.
    SetWindowTextW(name, small.c_str());
    Click(viewer, ids::kShow);
    EXPECT_EQ(TextOf(total), L"3");
    SetWindowTextW(name, big.c_str());
    PostClick(viewer, ids::kShow);
    PostMessageW(GetDlgItem(viewer, ids::kList), WM_KEYDOWN, VK_ESCAPE, 1);
    EXPECT_TRUE(WaitGone(viewer));
  });
}

}  // namespace
}  // namespace nc::wintest
