// A modal window built in code, the base of the program's small dialogs:
// the owner is disabled while it is open and its own message loop runs
// until Close. Subclasses build their controls in OnCreate and answer
// commands in OnCommand and notifications in OnNotify (the hooks of
// Window); the helpers below make the common controls.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <string_view>

#include "ui/win32/window.h"

namespace nc::ui {

class ModalDialog : public Window {
 public:
  static constexpr int kButtonHeight = 26;
  static constexpr int kEditHeight = 22;
  static constexpr int kLineHeight = 20;

  ~ModalDialog() override;

  // Shows the dialog centred over `owner` (or the work area) and returns
  // when it closes: true when it was closed with OK. Without `closeBox`
  // the caption has no system menu.
  bool Run(HWND owner, const wchar_t* className, std::string_view caption, int clientWidth,
           int clientHeight, bool closeBox = true);

 protected:
  virtual void OnCreate() = 0;
  // Whether the window is shown at all; a hidden one still runs its loop.
  virtual bool Visible() const { return true; }
  // After the window is shown, before its loop runs.
  virtual void OnShown() {}
  // The program is ending while the dialog is open; the loop ends next.
  virtual void OnQuit() {}
  // Every dialog answers its buttons; IDCANCEL also stands for the close box.
  void OnCommand(int id, int code, HWND control) override = 0;
  virtual void OnContextMenu(HWND, int, int) {}
  virtual void OnTimer() {}

  // Ends the loop; Run then returns `accepted`.
  void Close(bool accepted);
  void SetAccelerators(HACCEL accelerators) { accelerators_ = accelerators; }

  HWND Control(const wchar_t* className, std::string_view text, DWORD style, int x, int y,
               int width, int height, int id, DWORD exStyle = 0);
  HWND Button(std::string_view text, int x, int y, int width, int id, DWORD style = 0);
  HWND Radio(std::string_view text, int x, int y, int width, int id, bool firstOfGroup);
  HWND Label(std::string_view text, int x, int y, int width, int id = -1);
  // No limit but the control's own: long paths and keys must fit.
  HWND Edit(int x, int y, int width, int id, DWORD style = WS_GROUP);
  HWND Group(std::string_view text, int x, int y, int width, int height, int id = -1);

  HWND Item(int id) const { return GetDlgItem(hwnd(), id); }
  void Enable(int id, bool enabled) { EnableWindow(Item(id), enabled ? TRUE : FALSE); }
  void SetText(int id, std::string_view text) { SetWindowTextW(Item(id), Wide(text).c_str()); }
  std::string Text(int id) const { return WindowText(Item(id)); }
  void SetChecked(int id, bool checked) {
    SendMessageW(Item(id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  void ShowItem(int id, bool shown) { ShowWindow(Item(id), shown ? SW_SHOW : SW_HIDE); }

  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  HFONT font_ = nullptr;
  HACCEL accelerators_ = nullptr;
  bool done_ = false;
  bool accepted_ = false;
};

}  // namespace nc::ui
