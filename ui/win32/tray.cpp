#include "ui/win32/tray.h"

#include <shellapi.h>

#include <cwchar>

namespace nc::ui {

namespace {

NOTIFYICONDATAW IconData(HWND window) {
  NOTIFYICONDATAW data{};
  // The first form of the record: tip up to 63 characters.
  data.cbSize = NOTIFYICONDATAW_V1_SIZE;
  data.hWnd = window;
  data.uID = static_cast<UINT>(reinterpret_cast<UINT_PTR>(window));
  return data;
}

}  // namespace

bool TrayIcon::Add(HWND window, UINT callbackMessage, HICON icon) {
  NOTIFYICONDATAW data = IconData(window);
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = callbackMessage;
  data.hIcon = icon;
  wcsncpy(data.szTip, kTrayTip, 63);
  if (Shell_NotifyIconW(NIM_ADD, &data) == FALSE) return false;
  window_ = window;
  return true;
}

void TrayIcon::Remove() {
  if (window_ == nullptr) return;
  NOTIFYICONDATAW data = IconData(window_);
  Shell_NotifyIconW(NIM_DELETE, &data);
  window_ = nullptr;
}

void TrayIcon::ShowMenu(HWND window) {
  HMENU menu = CreatePopupMenu();
  AppendMenuW(menu, MF_STRING, kIdTrayOpen, L"&Open");
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, MF_STRING, kIdTrayHelp, L"Online &Help");
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, MF_STRING, kIdTrayExit, L"&Exit");
  POINT at{};
  GetCursorPos(&at);
  SetForegroundWindow(window);
  TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, window, nullptr);
  // Lets the menu close when the user clicks elsewhere.
  PostMessageW(window, WM_NULL, 0, 0);
  DestroyMenu(menu);
}

}  // namespace nc::ui
