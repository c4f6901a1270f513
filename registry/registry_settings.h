// The settings the registry scan, the repair and the restore read. The
// program's settings record holds them among the others.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace nc::registry {

// Which drives the missing-file test judges.
struct ScanSettings {
  bool IncludeRemoveMedia = true;  // "Ignore missing files on removable drives"
  bool IncludeCDdrive = false;
};

// Where backups go and what happens around a repair and a restore.
struct BackupSettings {
  std::string OutputDirectory;   // with trailing backslash
  bool DeleteBackupFile = true;  // after a restore
  bool RestorePoint = false;     // a System Restore point before a repair
};

// Keys and values the scan's results leave out.
struct IgnoreLists {
  std::int32_t IgnoreValueCount = 0;
  std::vector<std::string> IgnoreValues;
  std::int32_t IgnoreKeyCount = 0;
  std::vector<std::string> IgnoreKeys;
};

}  // namespace nc::registry
