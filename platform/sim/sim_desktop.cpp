#include "platform/sim/sim_desktop.h"

#include <algorithm>

#include "core/text.h"

namespace nc::sim {

std::uint16_t SimDesktop::addAtom(std::string_view name) {
  if (atomsFail_) return 0;
  // Global atoms are counted: adding an existing name gives its atom.
  if (std::uint16_t atom = findAtom(name); atom != 0) return atom;
  atoms_[nextAtom_] = std::string(name);
  return nextAtom_++;
}

std::uint16_t SimDesktop::findAtom(std::string_view name) {
  for (const auto& [atom, atomName] : atoms_) {
    if (EqualsNoCase(atomName, name)) return atom;
  }
  return 0;
}

void SimDesktop::deleteAtom(std::uint16_t atom) {
  atoms_.erase(atom);
}

bool SimDesktop::registerHotkey(platform::WindowId window, int id, std::uint32_t modifiers,
                                std::uint32_t keyCode) {
  if (taken_.count({modifiers, keyCode}) != 0) return false;
  for (const Hotkey& key : hotkeys_) {
    if ((key.window == window && key.id == id) ||
        (key.modifiers == modifiers && key.keyCode == keyCode)) {
      return false;
    }
  }
  hotkeys_.push_back({window, id, modifiers, keyCode});
  return true;
}

void SimDesktop::unregisterHotkey(platform::WindowId window, int id) {
  std::erase_if(hotkeys_, [&](const Hotkey& key) { return key.window == window && key.id == id; });
}

std::vector<platform::TopWindow> SimDesktop::topLevelWindows() {
  std::vector<platform::TopWindow> list;
  for (const auto& [id, window] : windows_) list.push_back({id, window.className});
  return list;
}

void SimDesktop::showWindow(platform::WindowId window, bool shown) {
  auto found = windows_.find(window);
  if (found == windows_.end()) return;
  found->second.visible = shown;
  ++found->second.showCalls;
}

platform::WindowId SimDesktop::addWindow(std::string className, bool visible) {
  windows_[nextWindow_] = Window{std::move(className), visible, 0};
  return nextWindow_++;
}

bool SimDesktop::visible(platform::WindowId window) const {
  auto found = windows_.find(window);
  return found != windows_.end() && found->second.visible;
}

int SimDesktop::showCalls(platform::WindowId window) const {
  auto found = windows_.find(window);
  return found == windows_.end() ? 0 : found->second.showCalls;
}

void SimDesktop::takeCombination(std::uint32_t modifiers, std::uint32_t keyCode) {
  taken_.insert({modifiers, keyCode});
}

std::vector<std::string> SimDesktop::atomNames() const {
  std::vector<std::string> names;
  for (const auto& entry : atoms_) names.push_back(entry.second);
  return names;
}

}  // namespace nc::sim
