#include "ui/win32/defrag_progress_dialog.h"

#include <commctrl.h>

#include <memory>
#include <string>

#include "platform/win32/win_messaging.h"
#include "registry/defrag_messages.h"
#include "ui/win32/modal_dialog.h"

namespace nc::ui {

namespace {

constexpr int kWidth = 434;
constexpr int kHeight = 146;
constexpr UINT_PTR kTimerId = 1;

class HiveProgressWindow : public ModalDialog, public app::HiveProgressView {
 public:
  explicit HiveProgressWindow(const app::HiveAnalysis& analysis) : analysis_(analysis) {}

  ~HiveProgressWindow() override {
    rules_.reset();  // parks a worker that still runs
  }

  bool Show(HWND owner) {
    Run(owner, kHiveProgressClass, app::kHiveProgressCaption, kWidth, kHeight);
    const bool finished = rules_ && rules_->Succeeded();
    rules_.reset();
    return finished;
  }

  // app::HiveProgressView
  void SetProgress(int position) override {
    SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
  }
  void SetStatusLabel(std::string_view text) override { SetText(kHiveProgressStatusId, text); }
  void SetCheckingText(std::string_view text) override { SetText(kHiveProgressTextId, text); }
  void SetStopEnabled(bool enabled) override { Enable(kHiveProgressStopId, enabled); }
  void SetTimerOn(bool on) override {
    if (on) {
      SetTimer(hwnd(), kTimerId, app::kHiveProgressTimerMs, nullptr);
    } else {
      KillTimer(hwnd(), kTimerId);
    }
  }
  void Hide() override { ShowWindow(hwnd(), SW_HIDE); }
  void Close() override { ModalDialog::Close(true); }

 protected:
  void OnCreate() override {
    Label(app::kHiveProgressWorking, 16, 12, kWidth - 32, kHiveProgressStatusId);
    Label(app::kHiveProgressChecking, 16, 40, 64);
    Control(L"EDIT", "", ES_READONLY | ES_AUTOHSCROLL | WS_BORDER, 80, 38, kWidth - 96, 20,
            kHiveProgressTextId);
    bar_ = Control(PROGRESS_CLASSW, "", 0, 16, 70, kWidth - 32, 18, kHiveProgressBarId);
    SendMessageW(bar_, PBM_SETRANGE32, 0, app::kHiveProgressBarMax);
    Button("Stop", (kWidth - 90) / 2, 102, 90, kHiveProgressStopId);
    target_ = std::make_unique<win32::WindowMessageTarget>(hwnd());
    rules_ = std::make_unique<app::HiveProgressDialog>(analysis_, *target_, *this);
    rules_->OnShow();
  }
  bool Visible() const override { return !analysis_.silent; }
  // Also when the window system does not activate the window.
  void OnShown() override { rules_->OnActivate(); }
  // The program is ending: the analysis ends with it.
  void OnQuit() override { rules_->OnClose(); }
  void OnTimer() override { rules_->OnTimer(); }

  // "Stop"; Esc does nothing.
  void OnCommand(int id, int code, HWND) override {
    if (id == kHiveProgressStopId && code == BN_CLICKED) rules_->OnStop();
  }

  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    switch (message) {
      case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE && rules_) rules_->OnActivate();
        break;
      case registry::WM_DEFRAG_START:
      case registry::WM_DEFRAG_HIVE_DONE:
        if (rules_) {
          rules_->OnMessage(message, static_cast<std::uintptr_t>(wParam),
                            static_cast<std::intptr_t>(lParam));
        }
        return 0;
      case WM_CLOSE:  // the close box, or the worker's close request
        if (rules_) rules_->OnClose();
        return 0;
      default:
        break;
    }
    return ModalDialog::HandleMessage(message, wParam, lParam);
  }

 private:
  app::HiveAnalysis analysis_;
  std::unique_ptr<win32::WindowMessageTarget> target_;
  std::unique_ptr<app::HiveProgressDialog> rules_;
  HWND bar_ = nullptr;
};

}  // namespace

bool ShowHiveProgressDialog(HWND owner, const app::HiveAnalysis& analysis) {
  HiveProgressWindow window(analysis);
  return window.Show(owner);
}

}  // namespace nc::ui
