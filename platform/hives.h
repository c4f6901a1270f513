// Hive port: what registry compaction asks of the system beyond reading
// keys. Saving a loaded hive into a new file, having the system put a
// file in place of a hive at the next start, the privileges these need,
// and the forced restart that makes the swap happen.
//
// The list of loaded hives is read through the Registry port and device
// names through FileSystem::dosDeviceName; sizes come from FileSystem.
#pragma once

#include <string_view>

#include "core/result.h"
#include "platform/registry.h"

namespace nc::platform {

class Hives {
 public:
  virtual ~Hives() = default;

  // Enable "SeBackupPrivilege" / "SeRestorePrivilege" for the process;
  // an account that does not hold them simply gets failures later.
  virtual void enableBackupPrivilege() = 0;
  virtual void enableRestorePrivilege() = 0;

  // Opens the root key of the hive loaded at `subKey` under `root` as
  // saveCopy opens it, and closes it again: whether a save can begin.
  // The key is opened for backup, as the system's backup tools open it:
  // with the backup privilege enabled, its permissions do not stand in
  // the way (SAM and SECURITY refuse even an administrator a plain read).
  // `view64` asks for the 64-bit view of the key from a 32-bit process
  // (the real software hive, not its 32-bit part).
  [[nodiscard]] virtual Status checkOpen(RootKey root, std::string_view subKey, bool view64) = 0;

  // Saves the hive loaded at `subKey` under `root` into `destination`, a
  // file that must not exist yet, opening its root as checkOpen does.
  // Blocks until the system has written the file.
  [[nodiscard]] virtual Status saveCopy(RootKey root, std::string_view subKey, bool view64,
                                        std::string_view destination) = 0;

  // Asks the system to load `newFile` in place of the hive at `subKey`
  // at the next start, keeping the current file as `oldFile` (which must
  // not exist).
  [[nodiscard]] virtual Status replace(RootKey root, std::string_view subKey,
                                       std::string_view newFile, std::string_view oldFile) = 0;

  // Enables the shutdown privilege and asks for a forced restart: open
  // programs are closed without being asked. False when refused.
  virtual bool requestRestart() = 0;
};

}  // namespace nc::platform
