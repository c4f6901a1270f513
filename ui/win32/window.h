// A window class registered once per kind, whose messages reach a C++
// object. The messages about a control (WM_COMMAND, WM_NOTIFY,
// WM_DRAWITEM) reach the OnCommand, OnNotify and OnDrawItem hooks;
// subclasses override those, and HandleMessage for other messages, passing
// on to Window::HandleMessage what they do not handle. What no one handles
// goes to DefWindowProc.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace nc::ui {

class Window {
 public:
  Window() = default;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  virtual ~Window();

  HWND hwnd() const { return hwnd_; }

 protected:
  // Registers `className` (once) and creates the window.
  bool CreateWindowOfClass(const wchar_t* className, const wchar_t* caption, DWORD style,
                           DWORD exStyle, int x, int y, int width, int height, HWND parent,
                           HMENU id, HICON icon = nullptr, HBRUSH background = nullptr);
  virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  // A command of a control, menu or accelerator.
  virtual void OnCommand(int id, int code, HWND control);
  // A control's notification; the result is its answer.
  virtual LRESULT OnNotify(const NMHDR& header);
  // An owner-drawn control to draw; true when it was drawn.
  virtual bool OnDrawItem(const DRAWITEMSTRUCT& item);

 private:
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  HWND hwnd_ = nullptr;
};

// A control made by the program (a child window of a system class): the
// handle and the messages every control answers. The wrappers of the
// control kinds (ListView, TreeView, ListBox) add their own; each method is
// one message to the control. Copies refer to the same control.
class ChildControl {
 public:
  ChildControl() = default;
  explicit ChildControl(HWND window) : window_(window) {}

  void Attach(HWND window) { window_ = window; }
  HWND hwnd() const { return window_; }

  void SetFont(HFONT font) {
    SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  }
  void SetRedraw(bool on) { SendMessageW(window_, WM_SETREDRAW, on ? TRUE : FALSE, 0); }
  void Invalidate() { InvalidateRect(window_, nullptr, TRUE); }

 protected:
  HWND window_ = nullptr;
};

// Wide text of a UTF-8 string, and back.
std::wstring Wide(std::string_view text);
std::string Utf8(const std::wstring& text);

// The window's text as UTF-8.
std::string WindowText(HWND hwnd);

// A child control of a system class on `parent`, with `font`, placed
// later by its page's layout.
HWND CreateChildControl(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style,
                        int id, HFONT font);
// Adds the hint `text` of `control`, a child of `owner`, to the tooltip
// window `tips`.
void AddToolTip(HWND tips, HWND owner, HWND control, const wchar_t* text);

// A font of the given height in pixels and weight; the caller owns it.
HFONT MakeFont(int height, int weight, const wchar_t* face = L"Tahoma");

}  // namespace nc::ui
