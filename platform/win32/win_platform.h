// The real ports of the Windows build, one of each, and the bundle the
// behaviour code is given.
#pragma once

#include "platform/platform.h"
#include "platform/win32/win_browser_store.h"
#include "platform/win32/win_clock.h"
#include "platform/win32/win_desktop.h"
#include "platform/win32/win_filesystem.h"
#include "platform/win32/win_hives.h"
#include "platform/win32/win_profile.h"
#include "platform/win32/win_programs.h"
#include "platform/win32/win_prompts.h"
#include "platform/win32/win_registry.h"
#include "platform/win32/win_shell.h"
#include "platform/win32/win_system.h"

namespace nc::win32 {

class WinPlatform {
 public:
  WinPlatform() = default;
  WinPlatform(const WinPlatform&) = delete;
  WinPlatform& operator=(const WinPlatform&) = delete;

  platform::Platform bundle() {
    return {registry_, files_,    profile_, system_, shell_,   clock_,
            random_,   programs_, prompts_, hives_,  browser_, desktop_};
  }

  WinRegistry& registry() { return registry_; }
  WinFileSystem& files() { return files_; }
  WinProfile& profile() { return profile_; }
  WinSystem& system() { return system_; }
  WinShell& shell() { return shell_; }
  WinClock& clock() { return clock_; }
  WinRandom& random() { return random_; }
  WinPrograms& programs() { return programs_; }
  WinHives& hives() { return hives_; }
  // Message boxes are owned by this window once it is set.
  WinPrompts& prompts() { return prompts_; }
  WinBrowserStore& browser() { return browser_; }
  WinDesktop& desktop() { return desktop_; }

 private:
  WinRegistry registry_;
  WinFileSystem files_;
  WinProfile profile_;
  WinSystem system_;
  WinShell shell_;
  WinClock clock_;
  WinRandom random_;
  WinPrograms programs_;
  WinPrompts prompts_{nullptr};
  WinHives hives_;
  WinBrowserStore browser_;
  WinDesktop desktop_;
};

}  // namespace nc::win32
