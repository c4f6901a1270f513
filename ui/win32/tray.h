// The notification-area icon of the main window: one icon whose id is the
// window handle, with the tip and callback message of the program, and
// its menu ("&Open", "Online &Help", "&Exit").
#pragma once

#include <windows.h>

namespace nc::ui {

inline constexpr const wchar_t* kTrayTip =
    L"Left Click to activate Cleaner\r\nRight Click to popup menu";

// Commands of the tray menu.
inline constexpr int kIdTrayOpen = 3201;
inline constexpr int kIdTrayHelp = 3202;
inline constexpr int kIdTrayExit = 3203;

class TrayIcon {
 public:
  TrayIcon() = default;
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;
  ~TrayIcon() { Remove(); }

  // Adds the icon for `window`; false when no tray took it. A tray that
  // restarted is given the icon again by a second call; the caller never
  // adds it twice to one tray.
  bool Add(HWND window, UINT callbackMessage, HICON icon);
  void Remove();
  bool shown() const { return window_ != nullptr; }

  // Opens the menu at the mouse position, owned by `window`; its commands
  // arrive as WM_COMMAND.
  static void ShowMenu(HWND window);

 private:
  HWND window_ = nullptr;
};

}  // namespace nc::ui
