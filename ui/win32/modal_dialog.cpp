#include "ui/win32/modal_dialog.h"

namespace nc::ui {

ModalDialog::~ModalDialog() {
  if (font_ != nullptr) DeleteObject(font_);
}

bool ModalDialog::Run(HWND owner, const wchar_t* className, std::string_view caption,
                      int clientWidth, int clientHeight, bool closeBox) {
  const DWORD style = WS_POPUP | WS_CAPTION | (closeBox ? WS_SYSMENU : 0u);
  constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
  RECT frame{0, 0, clientWidth, clientHeight};
  AdjustWindowRectEx(&frame, style, FALSE, kExStyle);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  RECT area{};
  if (owner == nullptr || !IsWindowVisible(owner) || IsIconic(owner) ||
      !GetWindowRect(owner, &area)) {
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  }
  const int x = area.left + (area.right - area.left - width) / 2;
  const int y = area.top + (area.bottom - area.top - height) / 2;
  if (!CreateWindowOfClass(className, Wide(caption).c_str(), style, kExStyle, x, y, width, height,
                           owner, nullptr)) {
    return false;
  }
  const bool ownerWasEnabled = owner != nullptr && IsWindowEnabled(owner);
  if (ownerWasEnabled) EnableWindow(owner, FALSE);
  if (!done_) {
    if (Visible()) ShowWindow(hwnd(), SW_SHOW);
    OnShown();
    HWND first = GetNextDlgTabItem(hwnd(), nullptr, FALSE);
    if (first != nullptr) SetFocus(first);
  }
  MSG msg;
  while (!done_) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) {
      // The program is ending: let the outer loop see the quit too.
      if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
      OnQuit();
      break;
    }
    if (accelerators_ != nullptr && TranslateAcceleratorW(hwnd(), accelerators_, &msg)) continue;
    if (!IsDialogMessageW(hwnd(), &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  // The owner is enabled before this window goes, so that the system
  // activates the owner and not some other program.
  if (ownerWasEnabled) EnableWindow(owner, TRUE);
  if (owner != nullptr && IsWindowVisible(owner)) SetActiveWindow(owner);
  if (IsWindow(hwnd())) DestroyWindow(hwnd());
  return accepted_;
}

void ModalDialog::Close(bool accepted) {
  accepted_ = accepted;
  done_ = true;
  // Wakes the loop when the close came from a sent message.
  if (hwnd() != nullptr) PostMessageW(hwnd(), WM_NULL, 0, 0);
}

HWND ModalDialog::Control(const wchar_t* className, std::string_view text, DWORD style, int x,
                          int y, int width, int height, int id, DWORD exStyle) {
  HWND control =
      CreateWindowExW(exStyle, className, Wide(text).c_str(), WS_CHILD | WS_VISIBLE | style, x, y,
                      width, height, hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                      GetModuleHandleW(nullptr), nullptr);
  if (control != nullptr) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  return control;
}

HWND ModalDialog::Button(std::string_view text, int x, int y, int width, int id, DWORD style) {
  return Control(L"BUTTON", text, WS_TABSTOP | BS_PUSHBUTTON | style, x, y, width, kButtonHeight,
                 id);
}

HWND ModalDialog::Radio(std::string_view text, int x, int y, int width, int id, bool firstOfGroup) {
  return Control(L"BUTTON", text, BS_AUTORADIOBUTTON | (firstOfGroup ? WS_GROUP | WS_TABSTOP : 0u),
                 x, y, width, kLineHeight, id);
}

HWND ModalDialog::Label(std::string_view text, int x, int y, int width, int id) {
  return Control(L"STATIC", text, SS_LEFT | SS_NOPREFIX, x, y, width, kLineHeight - 4, id);
}

HWND ModalDialog::Edit(int x, int y, int width, int id, DWORD style) {
  HWND edit = Control(L"EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL | style, x, y, width, kEditHeight,
                      id, WS_EX_CLIENTEDGE);
  SendMessageW(edit, EM_SETLIMITTEXT, 0, 0);
  return edit;
}

HWND ModalDialog::Group(std::string_view text, int x, int y, int width, int height, int id) {
  return Control(L"BUTTON", text, BS_GROUPBOX | WS_GROUP, x, y, width, height, id);
}

LRESULT ModalDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      font_ = MakeFont(13, FW_NORMAL);
      OnCreate();
      return 0;
    case WM_CONTEXTMENU:
      OnContextMenu(reinterpret_cast<HWND>(wParam), static_cast<short>(LOWORD(lParam)),
                    static_cast<short>(HIWORD(lParam)));
      return 0;
    case WM_TIMER:
      OnTimer();
      return 0;
    case WM_CLOSE:
      OnCommand(IDCANCEL, BN_CLICKED, nullptr);
      return 0;
    default:
      return Window::HandleMessage(message, wParam, lParam);
  }
}

}  // namespace nc::ui
