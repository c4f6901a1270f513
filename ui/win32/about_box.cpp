#include "ui/win32/about_box.h"

#include <commctrl.h>
#include <shellapi.h>

#include <string>

#include "app/main_controller.h"
#include "ui/win32/window.h"

namespace nc::ui {

namespace {

constexpr int kIdOk = IDOK;
constexpr int kIdLink = 101;
constexpr int kWidth = 360;
constexpr int kHeight = 210;

class AboutBox : public Window {
 public:
  bool Run(HWND owner) {
    RECT ownerRect{};
    GetWindowRect(owner, &ownerRect);
    const int x = ownerRect.left + (ownerRect.right - ownerRect.left - kWidth) / 2;
    const int y = ownerRect.top + (ownerRect.bottom - ownerRect.top - kHeight) / 2;
    if (!CreateWindowOfClass(L"NorvikCleanerAbout", L"About Norvik Cleaner",
                             WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME, x, y, kWidth,
                             kHeight, owner, nullptr)) {
      return false;
    }
    EnableWindow(owner, FALSE);
    ShowWindow(hwnd(), SW_SHOW);
    MSG msg;
    while (!done_ && GetMessageW(&msg, nullptr, 0, 0) > 0) {
      if (!IsDialogMessageW(hwnd(), &msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
    }
    EnableWindow(owner, TRUE);
    SetActiveWindow(owner);
    if (IsWindow(hwnd())) DestroyWindow(hwnd());
    return true;
  }

  ~AboutBox() override {
    if (bold_ != nullptr) DeleteObject(bold_);
    if (font_ != nullptr) DeleteObject(font_);
  }

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    switch (message) {
      case WM_CREATE:
        CreateControls();
        return 0;
      case WM_COMMAND:
        if (LOWORD(wParam) == kIdOk || LOWORD(wParam) == IDCANCEL) done_ = true;
        return 0;
      case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->idFrom == kIdLink && (header->code == NM_CLICK || header->code == NM_RETURN)) {
          ShellExecuteW(hwnd(), L"open", Wide(app::kHomePage).c_str(), nullptr, nullptr,
                        SW_SHOWNORMAL);
        }
        return 0;
      }
      case WM_CLOSE:
        done_ = true;
        return 0;
      default:
        return Window::HandleMessage(message, wParam, lParam);
    }
  }

 private:
  HWND Label(const wchar_t* text, int y, HFONT font) {
    HWND label = CreateWindowExW(0, L"STATIC", text, WS_CHILD | WS_VISIBLE, 20, y, kWidth - 40, 20,
                                 hwnd(), nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    return label;
  }

  void CreateControls() {
    bold_ = MakeFont(18, FW_BOLD);
    font_ = MakeFont(13, FW_NORMAL);
    Label(Wide(app::kProductName).c_str(), 14, bold_);
    Label(L"Version: 2.8   Bulid 20121011", 42, font_);
    Label(L"Privacy cleaner, registry cleaner and registry defragmenter.", 64, font_);
    Label(L"Copyright \u00A9 2012 Norvik Software. All rights reserved.", 86, font_);
    const std::wstring link = L"<a>" + Wide(app::kHomePage) + L"</a>";
    HWND syslink = CreateWindowExW(0, WC_LINK, link.c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP, 20,
                                   110, kWidth - 40, 20, hwnd(),
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdLink)),
                                   GetModuleHandleW(nullptr), nullptr);
    if (syslink == nullptr) Label(Wide(app::kHomePage).c_str(), 110, font_);
    SendMessageW(syslink, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
    HWND ok = CreateWindowExW(
        0, L"BUTTON", L"OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, kWidth / 2 - 40,
        kHeight - 70, 80, 26, hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdOk)),
        GetModuleHandleW(nullptr), nullptr);
    SendMessageW(ok, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
    SetFocus(ok);
  }

  HFONT bold_ = nullptr;
  HFONT font_ = nullptr;
  bool done_ = false;
};

}  // namespace

void ShowAboutBox(HWND owner) {
  AboutBox box;
  box.Run(owner);
}

}  // namespace nc::ui
