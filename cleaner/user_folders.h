// The folders and the account facts that the removal primitives and the
// definitions files ask about: My Documents (asked about before it is
// emptied), Program Files, the roaming application data, administrator
// rights.
#pragma once

#include <string>

#include "platform/platform.h"

namespace nc::cleaner {

std::string MyDocumentsFolder(platform::Platform& platform);  // with trailing backslash
std::string ProgramFilesFolder(platform::Platform& platform);
// Ends the browser session before it answers.
std::string UserAppDataFolder(platform::Platform& platform);  // with trailing backslash
bool IsAdministrator(platform::Platform& platform);

}  // namespace nc::cleaner
