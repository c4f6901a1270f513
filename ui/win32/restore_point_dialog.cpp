#include "ui/win32/restore_point_dialog.h"

#include <commctrl.h>

#include <memory>
#include <string>

#include "app/main_controller.h"
#include "app/messages.h"
#include "platform/win32/win_messaging.h"
#include "registry/restore_point.h"
#include "ui/win32/modal_dialog.h"

namespace nc::ui {

namespace {

constexpr int kWidth = 394;
constexpr int kHeight = 160;
constexpr UINT_PTR kTimerId = 1;

class SystemPointWindow : public ModalDialog, public registry::SystemPointView {
 public:
  SystemPointWindow(platform::System& system, platform::Prompts& prompts)
      : system_(system), prompts_(prompts) {}

  ~SystemPointWindow() override {
    // The rules join the worker before the window's fonts go.
    rules_.reset();
    if (bold_ != nullptr) DeleteObject(bold_);
  }

  bool Show(HWND owner) {
    // No close box: the point is made or given up by the rules alone.
    Run(owner, kSystemPointClass, registry::kSystemPointCaption, kWidth, kHeight, false);
    const bool goOn = rules_ && rules_->Result() == registry::SystemPointResult::Ok;
    rules_.reset();  // waits for the worker
    return goOn;
  }

  // registry::SystemPointView
  void SetProgress(int position) override {
    SendMessageW(progress_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
  }
  void Close() override { ModalDialog::Close(true); }

 protected:
  void OnCreate() override {
    bold_ = MakeFont(15, FW_BOLD);
    HWND title = Label(registry::kSystemPointTitle, 16, 12, kWidth - 32);
    SendMessageW(title, WM_SETFONT, reinterpret_cast<WPARAM>(bold_), TRUE);
    Label(std::string(app::kProductName) + " " + std::string(registry::kSystemPointLine1), 16, 38,
          kWidth - 32);
    Label(registry::kSystemPointLine2, 16, 56, kWidth - 32);
    Label(registry::kSystemPointWait, 16, 84, kWidth - 32);
    progress_ = Control(PROGRESS_CLASSW, "", 0, 16, 108, kWidth - 32, 18, kSystemPointProgressId);
    SendMessageW(progress_, PBM_SETRANGE32, 0, registry::kSystemPointBarMax);
    target_ = std::make_unique<win32::WindowMessageTarget>(hwnd());
    rules_ = std::make_unique<registry::SystemPointDialog>(system_, prompts_, *target_, *this);
  }
  void OnShown() override {
    SetTimer(hwnd(), kTimerId, registry::kSystemPointTimerMs, nullptr);
    rules_->OnShow();
  }
  void OnTimer() override { rules_->OnTimer(); }
  // No buttons; Esc does nothing.
  void OnCommand(int, int, HWND) override {}

  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    switch (message) {
      case registry::WM_RESTORE_POINT_DONE:
        if (rules_) rules_->OnRestorePointDone(static_cast<std::intptr_t>(lParam));
        return 0;
      case WM_CLOSE:
        if (rules_) rules_->OnClose();
        return 0;
      default:
        return ModalDialog::HandleMessage(message, wParam, lParam);
    }
  }

 private:
  platform::System& system_;
  platform::Prompts& prompts_;
  std::unique_ptr<win32::WindowMessageTarget> target_;
  std::unique_ptr<registry::SystemPointDialog> rules_;
  HWND progress_ = nullptr;
  HFONT bold_ = nullptr;
};

}  // namespace

bool ShowSystemPointDialog(HWND owner, platform::System& system, platform::Prompts& prompts) {
  SystemPointWindow window(system, prompts);
  return window.Show(owner);
}

}  // namespace nc::ui
