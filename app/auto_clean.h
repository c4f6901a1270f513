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

// The window's side of the timer and of the boss key.
class DesktopView {
 public:
  virtual ~DesktopView() = default;
  // The main window, to which the boss key is delivered.
  virtual platform::WindowId MainWindowId() const = 0;
  // Starts (again, from zero) or stops the periodic automatic-clean timer.
  virtual void SetAutoCleanTimer(bool on, std::uint32_t intervalMs) = 0;
};

}  // namespace nc::app
