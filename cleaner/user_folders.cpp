#include "cleaner/user_folders.h"

#include "core/text.h"

namespace nc::cleaner {

std::string MyDocumentsFolder(platform::Platform& platform) {
  return WithTrailingBackslash(platform.files.specialFolder(platform::Csidl::Personal));
}

std::string ProgramFilesFolder(platform::Platform& platform) {
  return platform::ReadStringValue(platform.registry, platform::RootKey::LocalMachine,
                                   "Software\\Microsoft\\Windows\\CurrentVersion",
                                   "ProgramFilesDir");
}

std::string UserAppDataFolder(platform::Platform& platform) {
  platform.shell.endBrowserSession();
  return WithTrailingBackslash(platform.files.specialFolder(platform::Csidl::AppData));
}

bool IsAdministrator(platform::Platform& platform) {
  return platform.system.isAdministrator();
}

}  // namespace nc::cleaner
