// The programs Windows starts at logon: the string values of the run keys
// of the current user and of the machine, and the shortcuts of the user's
// and the all-users Startup folders. Listed whether or not the program
// still exists; deleted one by one without a backup.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace nc::registry {

// Location texts of the two Startup folders.
inline constexpr const char* kUserStartupLocation = "Startup";
inline constexpr const char* kCommonStartupLocation = "Common Startup";

struct StartupEntry {
  std::string caption;   // the value name, or the shortcut's file name
  std::string file;      // the value's data as stored, or the shortcut's target
  std::string location;  // "HKEY_CURRENT_USER\<key path>", "Startup" or "Common Startup"
  // A listed value's name exactly as the registry keeps it; the deletion
  // goes by this name, so that it hits the value shown even where the
  // caption cannot carry the name. Without it the caption is the name.
  std::optional<std::u16string> valueName{};
};

// What deleting an entry came to.
enum class StartupDeletion {
  Deleted,
  NotDeleted,   // missing, no rights, no root: silent
  NameRefused,  // the system's deletion cannot be given the value's name
};

// The caption of a value: its name, with each NUL in it shown as "\0"
// (a list row would end at the first one); a lone surrogate half shows as
// U+FFFD.
std::string StartupValueCaption(const std::string& valueName);

// The key paths read, in order, each under HKEY_CURRENT_USER and then
// HKEY_LOCAL_MACHINE; "RunServices" only on Windows 95, 98 and Me
// (`versionCode` 1 to 4 or 8).
std::vector<std::string> StartupKeyPaths(int versionCode);

// Every REG_SZ and REG_EXPAND_SZ value of the run keys in their listing
// order, then the ".lnk" files of the user's and the all-users Startup
// folders whose target resolves. Keys and folders that cannot be read give
// nothing.
std::vector<StartupEntry> ListStartupEntries(const platform::Platform& ports, int versionCode);

// Deletes what the entry stands for: the shortcut through the shell, the
// value from its key without a backup. A missing value or file, a key that
// cannot be opened for writing or a location that names no root deletes
// nothing; a value whose exact name the system's deletion cannot take
// (one holding a NUL) is refused and left in place.
StartupDeletion RemoveStartupEntry(const platform::Platform& ports, const StartupEntry& entry);
// True when something was deleted.
bool DeleteStartupEntry(const platform::Platform& ports, const StartupEntry& entry);

}  // namespace nc::registry
