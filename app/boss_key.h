// The boss key: a system-wide hot key that hides the open browser windows
// at one press and shows them again at the next.
//
// It hides only the windows of the browser kinds ticked in the options
// ("Internet Explorer", "Netscape", "Opera", "Mozilla Firefox"): a user who
// unticks a browser keeps its windows on screen. Showing again also shows
// every window this key hid, even of a kind unticked meanwhile, so no
// window is ever left hidden. Runs on the main window's thread only.
#pragma once

#include <array>
#include <cstdint>
#include <set>
#include <string_view>

#include "app/options.h"
#include "platform/desktop.h"
#include "platform/prompts.h"

namespace nc::app {

// The global atom whose value is also the hot key's id.
inline constexpr const char* kBossKeyAtomName = "NorvikHotkey_Hide";
inline constexpr const char* kBossKeyFailedText =
    "The hotkey for Boss Key failed, please try to use other key!";

// Frame window classes of the browsers the boss key knows.
inline constexpr std::array<const char*, 5> kBrowserWindowClasses = {
    "IEFrame", "NS_AE_WindowClass", "MozillaWindowClass", "MozillaUIWindowClass", "OpWindow"};

// The browser kind ticked in the options that a window class belongs to;
// false for a class that is no browser's or whose kind is unticked.
bool BrowserClassEnabled(const Options& options, std::string_view className);

// MOD_CONTROL, MOD_SHIFT and MOD_ALT of a shortcut.
std::uint32_t HotkeyModifiers(const Shortcut& shortcut);

class BossKey {
 public:
  BossKey(platform::Desktop& desktop, platform::Prompts& prompts)
      : desktop_(desktop), prompts_(prompts) {}

  // Adds the atom and registers the hot key for `window`; an error box
  // when either fails (the key combination is taken). A key code outside
  // the hotkey field's keys registers nothing and says nothing.
  void RegisterBossKey(platform::WindowId window, const Shortcut& hotkey);
  // Removes a registration of `window`, a left-over one included.
  void UnregisterBossKey(platform::WindowId window);

  // WM_HOTKEY with this id: hides or shows the browser windows.
  void OnHotkey(int id, const Options& options);
  // At close: browser windows hidden by the key are shown again.
  void ShowHiddenWindows(const Options& options);

  bool BossKeyHidden() const { return hidden_; }
  std::uint16_t atom() const { return atom_; }

 private:
  // Hides or shows the browser windows among the top-level windows.
  void ToggleBrowserWindows(bool hide, const Options& options);

  platform::Desktop& desktop_;
  platform::Prompts& prompts_;
  std::uint16_t atom_ = 0;
  bool hidden_ = false;
  std::set<platform::WindowId> hiddenWindows_;
};

}  // namespace nc::app
