// The ports the behaviour code is given, bundled, and the context every
// worker and window controller runs in. The program owns one bundle of
// real ports; tests build one over the substitute ports.
#pragma once

#include "platform/browser_store.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/filesystem.h"
#include "platform/hives.h"
#include "platform/messaging.h"
#include "platform/profile.h"
#include "platform/programs.h"
#include "platform/prompts.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/system.h"

namespace nc::platform {

struct Platform {
  Registry& registry;
  FileSystem& files;
  Profile& profile;
  System& system;
  Shell& shell;
  Clock& clock;
  Random& random;
  Programs& programs;
  Prompts& prompts;  // message boxes over the main window
  Hives& hives;      // saving and replacing registry hives
  BrowserStore& browser;
  Desktop& desktop;  // atoms, hot keys, other programs' windows
};

// The same ports with other prompts (an unattended run answers its own
// questions).
inline Platform WithPrompts(const Platform& ports, Prompts& prompts) {
  return Platform{ports.registry, ports.files, ports.profile, ports.system,
                  ports.shell,    ports.clock, ports.random,  ports.programs,
                  prompts,        ports.hives, ports.browser, ports.desktop};
}

// What a worker is given by the main window: the ports, the window its
// messages go to, the window's thread for short steps, and the version
// code of the system (WindowsVersionCode).
struct WorkerContext {
  Platform ports;
  MessageTarget& mainWindow;
  UiThread& ui;
  int versionCode = 0;
};

}  // namespace nc::platform
