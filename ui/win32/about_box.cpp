#include "ui/win32/about_box.h"

#include <commctrl.h>
#include <shellapi.h>

#include <string>

#include "app/main_controller.h"
#include "ui/win32/modal_dialog.h"

namespace nc::ui {

namespace {

constexpr int kIdLink = 101;

class AboutBox : public ModalDialog {
 public:
  ~AboutBox() override {
    if (bold_ != nullptr) DeleteObject(bold_);
  }

 protected:
  void OnCreate() override {
    bold_ = MakeFont(18, FW_BOLD);
    HWND title = Control(L"STATIC", app::kProductName, SS_LEFT, 20, 14, 320, 24, -1);
    SendMessageW(title, WM_SETFONT, reinterpret_cast<WPARAM>(bold_), FALSE);
    Label(std::string("Version: ") + app::kVersionText + "   Bulid 20121011", 20, 46, 320);
    Label("Privacy cleaner, registry cleaner and registry defragmenter.", 20, 68, 380);
    Label("Copyright \xC2\xA9 2012 Norvik Software. All rights reserved.", 20, 90, 380);
    const std::string link = std::string("<a>") + app::kHomePage + "</a>";
    if (Control(WC_LINK, link, WS_TABSTOP, 20, 114, 320, 20, kIdLink) == nullptr) {
      Label(app::kHomePage, 20, 114, 320);
    }
    Button("OK", 170, 146, 80, IDOK, BS_DEFPUSHBUTTON);
  }
  void OnShown() override { SetFocus(Item(IDOK)); }
  void OnCommand(int id, int, HWND) override {
    if (id == IDOK || id == IDCANCEL) Close(id == IDOK);
  }
  LRESULT OnNotify(const NMHDR& header) override {
    if (header.idFrom == kIdLink && (header.code == NM_CLICK || header.code == NM_RETURN)) {
      ShellExecuteW(hwnd(), L"open", Wide(app::kHomePage).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    }
    return 0;
  }

 private:
  HFONT bold_ = nullptr;
};

}  // namespace

void ShowAboutBox(HWND owner) {
  AboutBox box;
  box.Run(owner, L"NorvikCleanerAbout", "About Norvik Cleaner", 420, 184);
}

}  // namespace nc::ui
