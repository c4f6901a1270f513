#include "ui/win32/ask_delete_dialog.h"

#include "ui/win32/window.h"

namespace nc::ui {

namespace {

constexpr int kIdDontShow = 101;
constexpr int kWidth = 420;
constexpr int kHeight = 230;

class AskDelete : public Window {
 public:
  explicit AskDelete(const std::function<void(bool)>& dontShowAgain)
      : dontShowAgain_(dontShowAgain) {}
  ~AskDelete() override {
    if (font_ != nullptr) DeleteObject(font_);
    if (bold_ != nullptr) DeleteObject(bold_);
  }

  bool Run(HWND owner) {
    RECT o{};
    GetWindowRect(owner, &o);
    if (!IsWindowVisible(owner)) {
      o = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    const int x = o.left + (o.right - o.left - kWidth) / 2;
    const int y = o.top + (o.bottom - o.top - kHeight) / 2;
    if (!CreateWindowOfClass(L"NorvikCleanerAskDelete", L"Run Cleaner",
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
    return result_;
  }

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    switch (message) {
      case WM_CREATE:
        CreateControls();
        return 0;
      case WM_COMMAND:
        switch (LOWORD(wParam)) {
          case IDOK:
            result_ = true;
            done_ = true;
            return 0;
          case IDCANCEL:
            done_ = true;
            return 0;
          case kIdDontShow:
            if (HIWORD(wParam) == BN_CLICKED) {
              dontShowAgain_(SendMessageW(reinterpret_cast<HWND>(lParam), BM_GETCHECK, 0, 0) ==
                             BST_CHECKED);
            }
            return 0;
          default:
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
  HWND Child(const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h,
             int id, HFONT font) {
    HWND control = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, hwnd(),
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   GetModuleHandleW(nullptr), nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    return control;
  }

  void CreateControls() {
    font_ = MakeFont(13, FW_NORMAL);
    bold_ = MakeFont(13, FW_BOLD);
    Child(L"STATIC", L"Are you sure you want to start to clean the selected item?", 0, 16, 14, 380,
          18, 0, bold_);
    Child(L"STATIC", L"It's better to close all programs you want to clear their", 0, 16, 42, 380,
          18, 0, font_);
    Child(L"STATIC", L" history, the software can not delete the entries being used", 0, 16, 60,
          380, 18, 0, font_);
    Child(L"STATIC", L"by those programs such as Internet Explorer.", 0, 16, 78, 380, 18, 0, font_);
    Child(L"STATIC", L"Are you sure you wish to proceed?", 0, 16, 106, 380, 18, 0, bold_);
    Child(L"BUTTON", L"Don't show me this message again", WS_TABSTOP | BS_AUTOCHECKBOX, 16, 134,
          260, 20, kIdDontShow, font_);
    HWND ok = Child(L"BUTTON", L"&OK", WS_TABSTOP | BS_DEFPUSHBUTTON, kWidth - 200, kHeight - 70,
                    80, 26, IDOK, font_);
    Child(L"BUTTON", L"&Cancel", WS_TABSTOP | BS_PUSHBUTTON, kWidth - 110, kHeight - 70, 80, 26,
          IDCANCEL, font_);
    SetFocus(ok);
  }

  const std::function<void(bool)>& dontShowAgain_;
  HFONT font_ = nullptr;
  HFONT bold_ = nullptr;
  bool done_ = false;
  bool result_ = false;
};

}  // namespace

bool AskDeleteDialog(HWND owner, const std::function<void(bool)>& dontShowAgain) {
  AskDelete dialog(dontShowAgain);
  return dialog.Run(owner);
}

}  // namespace nc::ui
