#include "app/boss_key.h"

namespace nc::app {

bool BrowserClassEnabled(const Options& options, std::string_view className) {
  if (className == "IEFrame") return options.EnableIE;
  if (className == "NS_AE_WindowClass") return options.EnableNetscape;
  if (className == "MozillaWindowClass" || className == "MozillaUIWindowClass") {
    return options.EnableFirefox;
  }
  if (className == "OpWindow") return options.EnableOpera;
  return false;
}

std::uint32_t HotkeyModifiers(const Shortcut& shortcut) {
  std::uint32_t modifiers = 0;
  if (shortcut.Ctrl) modifiers |= platform::HotkeyMod::Control;
  if (shortcut.Shift) modifiers |= platform::HotkeyMod::Shift;
  if (shortcut.Alt) modifiers |= platform::HotkeyMod::Alt;
  return modifiers;
}

void BossKey::RegisterBossKey(platform::WindowId window, const Shortcut& hotkey) {
  // A key the hotkey field cannot name (0 after only modifiers, or a code
  // written by hand) would make every press of the modifiers, or some
  // unknown key, hide the browsers: nothing is registered.
  if (!HotkeyKeyInTable(hotkey.KeyCode)) {
    atom_ = 0;
    return;
  }
  atom_ = desktop_.addAtom(kBossKeyAtomName);
  if (atom_ == 0 ||
      !desktop_.registerHotkey(window, atom_, HotkeyModifiers(hotkey), hotkey.KeyCode)) {
    prompts_.error(kBossKeyFailedText);
  }
}

void BossKey::UnregisterBossKey(platform::WindowId window) {
  const std::uint16_t atom = desktop_.findAtom(kBossKeyAtomName);
  if (atom != 0) {
    desktop_.unregisterHotkey(window, atom);
    desktop_.deleteAtom(atom);
  }
  atom_ = 0;
}

void BossKey::OnHotkey(int id, const Options& options) {
  // Another hot key of the window never toggles the browsers.
  if (atom_ == 0 || id != atom_) return;
  hidden_ = !hidden_;
  ToggleBrowserWindows(hidden_, options);
}

void BossKey::ShowHiddenWindows(const Options& options) {
  if (!hidden_) return;
  hidden_ = false;
  ToggleBrowserWindows(false, options);
}

void BossKey::ToggleBrowserWindows(bool hide, const Options& options) {
  for (const platform::TopWindow& window : desktop_.topLevelWindows()) {
    const bool enabled = BrowserClassEnabled(options, window.className);
    if (hide && enabled) {
      desktop_.showWindow(window.id, false);
      hiddenWindows_.insert(window.id);
    } else if (!hide && (enabled || hiddenWindows_.count(window.id) != 0)) {
      desktop_.showWindow(window.id, true);
    }
  }
  if (!hide) hiddenWindows_.clear();
}

}  // namespace nc::app
