// The ports the behaviour code is given, bundled. The program owns one
// bundle of real ports; tests build one over the substitute ports.
#pragma once

#include "platform/clock.h"
#include "platform/filesystem.h"
#include "platform/messaging.h"
#include "platform/profile.h"
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
};

}  // namespace nc::platform
