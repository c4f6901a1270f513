#include "ui/win32/ask_delete_dialog.h"

#include "ui/win32/modal_dialog.h"

namespace nc::ui {

namespace {

constexpr int kIdDontShow = 101;

class AskDelete : public ModalDialog {
 public:
  explicit AskDelete(const std::function<void(bool)>& dontShowAgain)
      : dontShowAgain_(dontShowAgain) {}
  ~AskDelete() override {
    if (bold_ != nullptr) DeleteObject(bold_);
  }

 protected:
  void OnCreate() override {
    bold_ = MakeFont(13, FW_BOLD);
    HWND first = Label("Are you sure you want to start to clean the selected item?", 16, 14, 380);
    SendMessageW(first, WM_SETFONT, reinterpret_cast<WPARAM>(bold_), FALSE);
    Label("It's better to close all programs you want to clear their", 16, 42, 380);
    Label(" history, the software can not delete the entries being used", 16, 60, 380);
    Label("by those programs such as Internet Explorer.", 16, 78, 380);
    HWND last = Label("Are you sure you wish to proceed?", 16, 106, 380);
    SendMessageW(last, WM_SETFONT, reinterpret_cast<WPARAM>(bold_), FALSE);
    Control(L"BUTTON", "Don't show me this message again", WS_TABSTOP | BS_AUTOCHECKBOX, 16, 134,
            260, 20, kIdDontShow);
    Button("&OK", 220, 164, 80, IDOK, BS_DEFPUSHBUTTON);
    Button("&Cancel", 310, 164, 80, IDCANCEL);
  }
  void OnShown() override { SetFocus(Item(IDOK)); }
  void OnCommand(int id, int code, HWND control) override {
    switch (id) {
      case IDOK:
        Close(true);
        break;
      case IDCANCEL:
        Close(false);
        break;
      case kIdDontShow:
        if (code == BN_CLICKED) {
          dontShowAgain_(SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED);
        }
        break;
      default:
        break;
    }
  }

 private:
  const std::function<void(bool)>& dontShowAgain_;
  HFONT bold_ = nullptr;
};

}  // namespace

bool AskDeleteDialog(HWND owner, const std::function<void(bool)>& dontShowAgain) {
  AskDelete dialog(dontShowAgain);
  return dialog.Run(owner, L"NorvikCleanerAskDelete", "Run Cleaner", 410, 200);
}

}  // namespace nc::ui
