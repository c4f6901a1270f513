// Automatic cleaning: the interval of the timer that starts an automatic
// clean, and what the main window's controller asks of the window for the
// timer, the boss key and the tray.
#pragma once

#include <array>
#include <cstdint>

#include "platform/desktop.h"

namespace nc::app {

// Captions of the "Time Intervals" choices, in the order of CleanInterval.
inline constexpr std::array<const char*, 5> kCleanIntervalCaptions = {
    "Every 15 minutes", "Every 30 minutes", "Every hour", "Every 4 hours", "Every 8 hours"};

// Milliseconds between automatic cleans for a CleanInterval; a value out
// of range (written by hand into the settings) gives 15 minutes.
std::uint32_t CleanIntervalMs(std::int32_t cleanInterval);

// Where the main window is while it is not shown: nowhere (it is shown),
// hidden with its icon in the tray, or minimised on the taskbar because
// no tray took the icon.
enum class TrayState { None, InTray, OnTaskbar };

// The window's side of the timer, the boss key and the tray.
class DesktopView {
 public:
  virtual ~DesktopView() = default;
  // The main window, to which the boss key is delivered.
  virtual platform::WindowId MainWindowId() const = 0;
  // Starts (again, from zero) or stops the periodic automatic-clean timer.
  virtual void SetAutoCleanTimer(bool on, std::uint32_t intervalMs) = 0;
  // Adds the notification-area icon (again, after the tray restarted);
  // false when no tray took it.
  virtual bool AddTrayIcon() = 0;
  virtual void RemoveTrayIcon() = 0;
  // Minimises the window towards the tray and hides it and its taskbar
  // button.
  virtual void HideInTray() = 0;
  // Minimises the window with its taskbar button, shown.
  virtual void MinimizeOnTaskbar() = 0;
  // Shows the window again, restored, and brings it to the front.
  virtual void ShowRestored() = 0;
};

}  // namespace nc::app
