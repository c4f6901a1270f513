#include "window_driving.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include "program_under_test.h"

namespace nc::wintest {

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  while (GetTickCount64() < end) {
    if (condition()) return true;
    Pause(50);
  }
  return condition();
}

void PostClick(HWND dialog, int id) {
  PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void Click(HWND dialog, int id) {
  SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void Type(HWND dialog, int id, const std::wstring& text) {
  SendMessageW(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

bool Enabled(HWND dialog, int id) {
  return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

int SelectedRow(HWND list) {
  return static_cast<int>(
      SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), MAKELPARAM(LVNI_SELECTED, 0)));
}

void SelectRow(HWND list, int row) {
  LVITEMW item{};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

void Screenshot(HWND window, const wchar_t* name) {
  wchar_t value[MAX_PATH] = {};
  if (GetEnvironmentVariableW(L"NC_BUILD_DIR", value, MAX_PATH) == 0) return;
  Sleep(150);  // let it paint
  EXPECT_TRUE(SaveWindowBitmap(window, ScreenshotDir() + L"\\" + name));
}

}  // namespace nc::wintest
