// Substitute desktop: a table of atoms, of registered hot keys and of
// top-level windows with their visibility.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "platform/desktop.h"

namespace nc::sim {

class SimDesktop : public platform::Desktop {
 public:
  struct Hotkey {
    platform::WindowId window = 0;
    int id = 0;
    std::uint32_t modifiers = 0;
    std::uint32_t keyCode = 0;
  };

  std::uint16_t addAtom(std::string_view name) override;
  std::uint16_t findAtom(std::string_view name) override;
  void deleteAtom(std::uint16_t atom) override;
  bool registerHotkey(platform::WindowId window, int id, std::uint32_t modifiers,
                      std::uint32_t keyCode) override;
  void unregisterHotkey(platform::WindowId window, int id) override;
  std::vector<platform::TopWindow> topLevelWindows() override;
  void showWindow(platform::WindowId window, bool shown) override;

  // Set-up and inspection.
  platform::WindowId addWindow(std::string className, bool visible = true);
  bool visible(platform::WindowId window) const;
  // How often showWindow was called for a window.
  int showCalls(platform::WindowId window) const;
  // A combination another program holds: registering it fails.
  void takeCombination(std::uint32_t modifiers, std::uint32_t keyCode);
  void setAtomsFail(bool fail) { atomsFail_ = fail; }
  const std::vector<Hotkey>& hotkeys() const { return hotkeys_; }
  std::vector<std::string> atomNames() const;

 private:
  struct Window {
    std::string className;
    bool visible = true;
    int showCalls = 0;
  };
  std::map<std::uint16_t, std::string> atoms_;
  std::uint16_t nextAtom_ = 0xC000;
  std::vector<Hotkey> hotkeys_;
  std::set<std::pair<std::uint32_t, std::uint32_t>> taken_;
  std::map<platform::WindowId, Window> windows_;
  platform::WindowId nextWindow_ = 0x10010;
  bool atomsFail_ = false;
};

}  // namespace nc::sim
