// The clean item tree of the real main window under Wine, pressed on as
// the user would: its notifications reach the window, and the window's
// rules keep what the user did for the next start.
//
// The sections tree refuses to be collapsed by its answer to
// TVN_ITEMEXPANDING; Wine's tree view does not heed that answer for a
// collapse, so no test here can show it.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

#include "program_under_test.h"

namespace nc::wintest {
namespace {

constexpr int kCleanerPage = 1000 + 17;
constexpr int kIdCleanTree = 2001;
constexpr int kExpandSlots = 11;  // [FirstNodeExpand] 1..11

HTREEITEM Root(HWND tree) {
  return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
}

bool Expanded(HWND tree, HTREEITEM item) {
  return (SendMessageW(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), TVIS_EXPANDED) &
          TVIS_EXPANDED) != 0;
}

// A key pressed on the item, which is selected first.
void Press(HWND tree, HTREEITEM item, WPARAM key) {
  SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
  SendMessageW(tree, WM_KEYDOWN, key, 0);
  SendMessageW(tree, WM_KEYUP, key, 0);
}

int ClosedGroups(const std::wstring& ini) {
  int closed = 0;
  for (int slot = 1; slot <= kExpandSlots; ++slot) {
    const UINT open =
        GetPrivateProfileIntW(L"FirstNodeExpand", std::to_wstring(slot).c_str(), 1, ini.c_str());
    closed += open == 0 ? 1 : 0;
  }
  return closed;
}

// The clean tree of a started program: its first group.
struct CleanTree {
  HWND tree = nullptr;
  HTREEITEM group = nullptr;
};

CleanTree FirstGroup(ProgramUnderTest& program) {
  HWND main = program.WaitForMainWindow();
  if (main == nullptr) return {};
  HWND tree = GetDlgItem(GetDlgItem(main, kCleanerPage), kIdCleanTree);
  return {tree, Root(tree)};
}

TEST(MainWindow, ACleanGroupTheUserClosesStaysClosedAtTheNextStart) {
  ProgramUnderTest first;
  ASSERT_TRUE(first.Start());
  const CleanTree before = FirstGroup(first);
  ASSERT_NE(before.group, nullptr);
  ASSERT_TRUE(Expanded(before.tree, before.group));
  Press(before.tree, before.group, VK_SUBTRACT);
  EXPECT_FALSE(Expanded(before.tree, before.group));
  first.Close();
  ASSERT_EQ(first.WaitForExit(), 0);
  EXPECT_EQ(ClosedGroups(first.file(L"options.ini")), 1);

  // The next start, with the settings the first one wrote.
  ProgramUnderTest second;
  ASSERT_TRUE(
      CopyFileW(first.file(L"options.ini").c_str(), second.file(L"options.ini").c_str(), FALSE));
  ASSERT_TRUE(second.Start());
  const CleanTree after = FirstGroup(second);
  ASSERT_NE(after.group, nullptr);
  EXPECT_FALSE(Expanded(after.tree, after.group));
  // Opened again, it is remembered open.
  Press(after.tree, after.group, VK_ADD);
  EXPECT_TRUE(Expanded(after.tree, after.group));
  second.Close();
  ASSERT_EQ(second.WaitForExit(), 0);
  EXPECT_EQ(ClosedGroups(second.file(L"options.ini")), 0);
}

}  // namespace
}  // namespace nc::wintest
