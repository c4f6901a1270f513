// The desktop port: global atoms, RegisterHotKey and the top-level
// windows of the session.
#pragma once

#include "platform/desktop.h"

namespace nc::win32 {

class WinDesktop final : public platform::Desktop {
 public:
  std::uint16_t addAtom(std::string_view name) override;
  std::uint16_t findAtom(std::string_view name) override;
  void deleteAtom(std::uint16_t atom) override;
  bool registerHotkey(platform::WindowId window, int id, std::uint32_t modifiers,
                      std::uint32_t keyCode) override;
  void unregisterHotkey(platform::WindowId window, int id) override;
  std::vector<platform::TopWindow> topLevelWindows() override;
  void showWindow(platform::WindowId window, bool shown) override;
};

}  // namespace nc::win32
