#include "ui/win32/defrag_progress_dialog.h"

#include <commctrl.h>

#include <memory>
#include <string>

#include "platform/win32/win_messaging.h"
#include "registry/defrag_messages.h"
#include "ui/win32/window.h"

namespace nc::ui {

namespace {

constexpr int kWidth = 440;
constexpr int kHeight = 180;
constexpr UINT_PTR kTimerId = 1;

class HiveProgressWindow : public Window, public app::HiveProgressView {
 public:
  explicit HiveProgressWindow(const app::HiveAnalysis& analysis) : analysis_(analysis) {}

  ~HiveProgressWindow() override {
    rules_.reset();  // parks a worker that still runs
    if (font_ != nullptr) DeleteObject(font_);
  }

  bool Run(HWND owner) {
    RECT ownerRect{};
    if (owner != nullptr && IsWindowVisible(owner)) {
      GetWindowRect(owner, &ownerRect);
    } else {
      SystemParametersInfoW(SPI_GETWORKAREA, 0, &ownerRect, 0);
    }
    const int x = ownerRect.left + (ownerRect.right - ownerRect.left - kWidth) / 2;
    const int y = ownerRect.top + (ownerRect.bottom - ownerRect.top - kHeight) / 2;
    if (!CreateWindowOfClass(kHiveProgressClass, Wide(app::kHiveProgressCaption).c_str(),
                             WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME, x, y, kWidth,
                             kHeight, owner, nullptr)) {
      return false;
    }
    target_ = std::make_unique<win32::WindowMessageTarget>(hwnd());
    rules_ = std::make_unique<app::HiveProgressDialog>(analysis_, *target_, *this);
    rules_->OnShow();
    if (owner != nullptr) EnableWindow(owner, FALSE);
    if (!analysis_.silent) ShowWindow(hwnd(), SW_SHOW);
    rules_->OnActivate();  // also when the window system does not activate it
    MSG msg;
    while (!closed_) {
      const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
      if (got <= 0) {
        // The program is ending: the analysis ends with it.
        if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
        rules_->OnClose();
        break;
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    const bool finished = rules_->Succeeded();
    rules_.reset();
    if (owner != nullptr) {
      EnableWindow(owner, TRUE);
      if (IsWindowVisible(owner)) SetActiveWindow(owner);
    }
    if (IsWindow(hwnd())) DestroyWindow(hwnd());
    return finished;
  }

  // app::HiveProgressView
  void SetProgress(int position) override {
    SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
  }
  void SetStatusLabel(std::string_view text) override {
    SetWindowTextW(status_, Wide(text).c_str());
  }
  void SetCheckingText(std::string_view text) override {
    SetWindowTextW(text_, Wide(text).c_str());
  }
  void SetStopEnabled(bool enabled) override { EnableWindow(stop_, enabled ? TRUE : FALSE); }
  void SetTimerOn(bool on) override {
    if (on) {
      SetTimer(hwnd(), kTimerId, app::kHiveProgressTimerMs, nullptr);
    } else {
      KillTimer(hwnd(), kTimerId);
    }
  }
  void Hide() override { ShowWindow(hwnd(), SW_HIDE); }
  void Close() override { closed_ = true; }

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    switch (message) {
      case WM_CREATE:
        CreateControls();
        return 0;
      case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE && rules_) rules_->OnActivate();
        return Window::HandleMessage(message, wParam, lParam);
      case WM_TIMER:
        if (wParam == kTimerId && rules_) rules_->OnTimer();
        return 0;
      case registry::WM_DEFRAG_START:
      case registry::WM_DEFRAG_HIVE_DONE:
        if (rules_) {
          rules_->OnMessage(message, static_cast<std::uintptr_t>(wParam),
                            static_cast<std::intptr_t>(lParam));
        }
        return 0;
      case WM_CLOSE:
        if (rules_) rules_->OnClose();
        return 0;
      default:
        return Window::HandleMessage(message, wParam, lParam);
    }
  }

  void OnCommand(int id, int code, HWND control) override {
    if (id == kHiveProgressStopId && code == BN_CLICKED && rules_) {
      rules_->OnStop();
      return;
    }
    Window::OnCommand(id, code, control);
  }

 private:
  HWND Child(const wchar_t* cls, const std::wstring& text, DWORD style, int x, int y, int w, int h,
             int id) {
    HWND child = CreateWindowExW(0, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, x, y, w, h,
                                 hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleW(nullptr), nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
    return child;
  }

  void CreateControls() {
    font_ = MakeFont(13, FW_NORMAL);
    status_ = Child(L"STATIC", Wide(app::kHiveProgressWorking), SS_LEFTNOWORDWRAP, 16, 12,
                    kWidth - 40, 18, kHiveProgressStatusId);
    Child(L"STATIC", Wide(app::kHiveProgressChecking), SS_LEFTNOWORDWRAP, 16, 40, 64, 18, 0);
    text_ = Child(L"EDIT", L"", ES_READONLY | ES_AUTOHSCROLL | WS_BORDER, 80, 38, kWidth - 104, 20,
                  kHiveProgressTextId);
    bar_ = Child(PROGRESS_CLASSW, L"", 0, 16, 70, kWidth - 40, 18, kHiveProgressBarId);
    SendMessageW(bar_, PBM_SETRANGE32, 0, app::kHiveProgressBarMax);
    stop_ = Child(L"BUTTON", L"Stop", WS_TABSTOP | BS_PUSHBUTTON, (kWidth - 90) / 2, 102, 90, 25,
                  kHiveProgressStopId);
  }

  app::HiveAnalysis analysis_;
  std::unique_ptr<win32::WindowMessageTarget> target_;
  std::unique_ptr<app::HiveProgressDialog> rules_;
  HWND status_ = nullptr;
  HWND text_ = nullptr;
  HWND bar_ = nullptr;
  HWND stop_ = nullptr;
  HFONT font_ = nullptr;
  bool closed_ = false;
};

}  // namespace

bool ShowHiveProgressDialog(HWND owner, const app::HiveAnalysis& analysis) {
  HiveProgressWindow window(analysis);
  return window.Run(owner);
}

}  // namespace nc::ui
