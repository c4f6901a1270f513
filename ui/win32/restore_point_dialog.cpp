#include "ui/win32/restore_point_dialog.h"

#include <commctrl.h>

#include <memory>
#include <string>

#include "app/main_controller.h"
#include "app/messages.h"
#include "platform/win32/win_messaging.h"
#include "registry/restore_point.h"
#include "ui/win32/window.h"

namespace nc::ui {

namespace {

constexpr int kWidth = 400;
constexpr int kHeight = 190;
constexpr UINT_PTR kTimerId = 1;

class SystemPointWindow : public Window, public registry::SystemPointView {
 public:
  SystemPointWindow(platform::System& system, platform::Prompts& prompts)
      : system_(system), prompts_(prompts) {}

  ~SystemPointWindow() override {
    // The rules join the worker before the window's fonts go.
    rules_.reset();
    if (bold_ != nullptr) DeleteObject(bold_);
    if (font_ != nullptr) DeleteObject(font_);
  }

  bool Run(HWND owner) {
    RECT ownerRect{};
    if (owner != nullptr) {
      GetWindowRect(owner, &ownerRect);
    } else {
      SystemParametersInfoW(SPI_GETWORKAREA, 0, &ownerRect, 0);
    }
    const int x = ownerRect.left + (ownerRect.right - ownerRect.left - kWidth) / 2;
    const int y = ownerRect.top + (ownerRect.bottom - ownerRect.top - kHeight) / 2;
    if (!CreateWindowOfClass(kSystemPointClass, Wide(registry::kSystemPointCaption).c_str(),
                             WS_POPUP | WS_CAPTION, WS_EX_DLGMODALFRAME, x, y, kWidth, kHeight,
                             owner, nullptr)) {
      return false;
    }
    target_ = std::make_unique<win32::WindowMessageTarget>(hwnd());
    rules_ = std::make_unique<registry::SystemPointDialog>(system_, prompts_, *target_, *this);
    if (owner != nullptr) EnableWindow(owner, FALSE);
    ShowWindow(hwnd(), SW_SHOW);
    SetTimer(hwnd(), kTimerId, registry::kSystemPointTimerMs, nullptr);
    rules_->OnShow();
    MSG msg;
    while (!closed_ && GetMessageW(&msg, nullptr, 0, 0) > 0) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    KillTimer(hwnd(), kTimerId);
    const bool goOn = rules_->Result() == registry::SystemPointResult::Ok;
    rules_.reset();  // waits for the worker
    if (owner != nullptr) {
      EnableWindow(owner, TRUE);
      SetActiveWindow(owner);
    }
    if (IsWindow(hwnd())) DestroyWindow(hwnd());
    return goOn;
  }

  // registry::SystemPointView
  void SetProgress(int position) override {
    SendMessageW(progress_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
  }
  void Close() override { closed_ = true; }

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    switch (message) {
      case WM_CREATE:
        CreateControls();
        return 0;
      case WM_TIMER:
        if (wParam == kTimerId && rules_) rules_->OnTimer();
        return 0;
      case registry::WM_RESTORE_POINT_DONE:
        if (rules_) rules_->OnRestorePointDone(static_cast<std::intptr_t>(lParam));
        return 0;
      case WM_CLOSE:
        if (rules_) rules_->OnClose();
        return 0;
      default:
        return Window::HandleMessage(message, wParam, lParam);
    }
  }

 private:
  HWND Label(const std::wstring& text, int y, HFONT font) {
    HWND label =
        CreateWindowExW(0, L"STATIC", text.c_str(), WS_CHILD | WS_VISIBLE, 16, y, kWidth - 40, 18,
                        hwnd(), nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    return label;
  }

  void CreateControls() {
    bold_ = MakeFont(15, FW_BOLD);
    font_ = MakeFont(13, FW_NORMAL);
    Label(Wide(registry::kSystemPointTitle), 12, bold_);
    Label(Wide(std::string(app::kProductName) + " " + std::string(registry::kSystemPointLine1)), 38,
          font_);
    Label(Wide(registry::kSystemPointLine2), 56, font_);
    Label(Wide(registry::kSystemPointWait), 84, font_);
    progress_ = CreateWindowExW(
        0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, 16, 108, kWidth - 40, 18, hwnd(),
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kSystemPointProgressId)),
        GetModuleHandleW(nullptr), nullptr);
    SendMessageW(progress_, PBM_SETRANGE32, 0, registry::kSystemPointBarMax);
  }

  platform::System& system_;
  platform::Prompts& prompts_;
  std::unique_ptr<win32::WindowMessageTarget> target_;
  std::unique_ptr<registry::SystemPointDialog> rules_;
  HWND progress_ = nullptr;
  HFONT bold_ = nullptr;
  HFONT font_ = nullptr;
  bool closed_ = false;
};

}  // namespace

bool ShowSystemPointDialog(HWND owner, platform::System& system, platform::Prompts& prompts) {
  SystemPointWindow window(system, prompts);
  return window.Run(owner);
}

}  // namespace nc::ui
