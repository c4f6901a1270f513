// Desktop port: global atoms, system-wide hot keys and the top-level
// windows of other programs (the boss key hides and shows them).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nc::platform {

// A window handle, opaque to the behaviour code.
using WindowId = std::uintptr_t;

// Modifier bits of a hot key, numbered as the system numbers them.
namespace HotkeyMod {
inline constexpr std::uint32_t Alt = 0x1;
inline constexpr std::uint32_t Control = 0x2;
inline constexpr std::uint32_t Shift = 0x4;
}  // namespace HotkeyMod

struct TopWindow {
  WindowId id = 0;
  std::string className;
};

class Desktop {
 public:
  virtual ~Desktop() = default;

  // Global atoms; 0 stands for "none" (adding failed, or not found).
  virtual std::uint16_t addAtom(std::string_view name) = 0;
  virtual std::uint16_t findAtom(std::string_view name) = 0;
  virtual void deleteAtom(std::uint16_t atom) = 0;

  // A hot key delivered to `window` with `id`; false when the combination
  // is taken or the call failed.
  virtual bool registerHotkey(WindowId window, int id, std::uint32_t modifiers,
                              std::uint32_t keyCode) = 0;
  virtual void unregisterHotkey(WindowId window, int id) = 0;

  // Every top-level window, in the system's order, each once.
  virtual std::vector<TopWindow> topLevelWindows() = 0;
  // Hides a window, or shows it as it was (SW_SHOW).
  virtual void showWindow(WindowId window, bool shown) = 0;
};

}  // namespace nc::platform
