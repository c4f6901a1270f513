// The loaded registry hives and their files, and the two calls that act
// on one hive: saving a compact copy and scheduling its replacement.
//
// The system lists its hives in the hivelist key as values whose names
// are registry names ("\REGISTRY\MACHINE\SOFTWARE") and whose texts are
// device paths ("\Device\HarddiskVolume1\WINDOWS\system32\config\software").
// The rules here turn those into drive-letter paths of existing files.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/filesystem.h"
#include "platform/hives.h"
#include "platform/registry.h"

namespace nc::registry {

inline constexpr std::string_view kHiveListKey = "SYSTEM\\CurrentControlSet\\Control\\hivelist";
// The compact copy of a hive lies beside its file; the system keeps the
// replaced file under the backup name.
inline constexpr std::string_view kCompactCopySuffix = ".fdc";
inline constexpr std::string_view kHiveBackupSuffix = ".bak";

// Why a loaded hive is listed but never saved or scheduled: the texts of
// its row on the Defrag page.
inline constexpr std::string_view kHiveNoFile = "no file";  // a volatile hive (HARDWARE)
inline constexpr std::string_view kHiveApplication = "application hive";  // below \REGISTRY\A\.
inline constexpr std::string_view kHiveNoDriveLetter = "no drive letter";
inline constexpr std::string_view kHiveFileNotFound = "file not found";
inline constexpr std::string_view kHiveCannotOpen = "cannot be opened";

// One row of the hive list as the system lists the hives: the registry
// name, and why the hive cannot be compacted ("" when it can).
struct HiveRow {
  std::string keyName;
  std::string reason;
  bool operator==(const HiveRow&) const = default;
};

// Two parallel lists of the hives that can be compacted: entry i of
// `keyNames` is the registry name of a loaded hive, entry i of `files`
// the drive-letter path of its file. `rows` holds every hive the system
// lists, in its order, those that cannot be compacted with their reason;
// the compactable ones appear there in the order of `keyNames`.
struct HiveList {
  std::vector<std::string> keyNames;
  std::vector<std::string> files;
  std::vector<HiveRow> rows;
};

// Reads the hive list: string and expand-string values, in enumeration
// order. A hive is compactable when its name is a machine or user key,
// its file is found on a drive, and its root opens as a save opens it,
// with the backup and restore privileges, which this enables. Application
// hives, volatile hives (no file), files on volumes without a drive
// letter, missing files and keys that do not open are listed with their
// reason. Empty when the key cannot be opened (an account without
// administrator rights).
HiveList BuildHiveList(platform::Registry& registry, platform::Hives& hives,
                       platform::FileSystem& files, bool isWow64);

// A hive file path as the system lists it (a device path, or a drive path
// in the object manager's form "\??\C:\...") to an existing drive-letter
// path; "" when none is found. Tries the fixed drives whose device name
// appears in the path first, then DeviceToDriveLetterPath.
std::string HivePathToFilePath(platform::FileSystem& files, std::string_view path, bool isWow64);

// "\Device\HarddiskVolume1\x" or "\Device\Harddisk0\Partition1\x" to
// "c:\x" by the device names of the drives a to z; "" when no drive
// stands for the device.
std::string DeviceToDriveLetterPath(platform::FileSystem& files, std::string_view path);

// For a 32-bit process on 64-bit Windows: the path with its first
// "system32" (any case) replaced by "sysnative" when that file exists,
// else the path unchanged.
std::string SysnativePath(platform::FileSystem& files, std::string_view path);

// The root and sub-key of a hive's registry name ("\REGISTRY\MACHINE\X"
// is HKEY_LOCAL_MACHINE\X, "\REGISTRY\USER\X" HKEY_USERS\X); nothing for
// other names.
struct HiveKey {
  platform::RootKey root = platform::RootKey::LocalMachine;
  std::string subKey;
};
std::optional<HiveKey> HiveKeyOf(std::string_view keyName);

// The size of a file as a directory listing gives it; 0 when it does not
// exist.
std::uint64_t FileSizeOf(platform::FileSystem& files, std::string_view path);

// The root and sub-key of a hive that can be saved, opened as a save
// opens it: the software hive in the 64-bit view from a 32-bit process
// on 64-bit Windows. nullopt for a name that is no machine or user key.
struct HiveOpen {
  HiveKey key;
  bool view64 = false;
};
std::optional<HiveOpen> HiveOpenOf(std::string_view keyName, bool isWow64);

// Saves the hive into `destination`, deleting an earlier file there
// first. A machine hive whose name holds "SOFTWARE" is saved from the
// 64-bit view in a 32-bit process on 64-bit Windows. True when saved;
// false too when the earlier file could not be deleted, so a stale copy
// is never taken for a fresh one.
bool SaveHiveCopy(platform::Hives& hives, platform::FileSystem& files, std::string_view keyName,
                  std::string_view destination, bool isWow64);

struct ReplaceOutcome {
  bool scheduled = false;
  // Not scheduled because `newFile` is not a whole hive file.
  bool notWhole = false;
  // An earlier backup that was set aside and could not be put back under
  // its name: where it is now ("" when nothing was stranded).
  std::string strandedBackup;
};

// Asks the system to swap `newFile` in for the hive at the next start,
// keeping the current file as `oldFile`. Only a whole hive file is handed
// over. The backup name is freed first: an earlier backup under that name
// is set aside under a free name (nothing there is ever deleted or
// replaced, not even a file that took the chosen name meanwhile) and put
// back when the system refuses, so a refusal never costs the backup of an
// earlier compaction; once the system accepted, the earlier backup goes.
ReplaceOutcome ReplaceHive(platform::Hives& hives, platform::FileSystem& files,
                           std::string_view keyName, std::string_view newFile,
                           std::string_view oldFile);

}  // namespace nc::registry
