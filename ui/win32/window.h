// A window class registered once per kind, whose messages reach a C++
// object. Subclasses override HandleMessage; anything they do not handle
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

 private:
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  HWND hwnd_ = nullptr;
};

// Wide text of a UTF-8 string, and back.
std::wstring Wide(std::string_view text);
std::string Utf8(const std::wstring& text);

// The window's text as UTF-8.
std::string WindowText(HWND hwnd);

// A font of the given height in pixels and weight; the caller owns it.
HFONT MakeFont(int height, int weight, const wchar_t* face = L"Tahoma");

}  // namespace nc::ui
