#include "registry/hive_list.h"

#include "core/text.h"
#include "registry/hive_file_check.h"

namespace nc::registry {

namespace {

// A device name found in an upper-cased path where a path separator or
// the end follows it ("\Device\HarddiskVolume1" is not inside
// "\Device\HarddiskVolume10\...").
std::size_t FindDevice(std::string_view upperPath, std::string_view upperDevice) {
  for (std::size_t pos = upperPath.find(upperDevice); pos != std::string_view::npos;
       pos = upperPath.find(upperDevice, pos + 1)) {
    const std::size_t end = pos + upperDevice.size();
    if (end == upperPath.size() || upperPath[end] == '\\') return pos;
  }
  return std::string_view::npos;
}

// Position of the nth backslash (1-based), or npos.
std::size_t NthBackslash(std::string_view text, int n) {
  std::size_t pos = std::string_view::npos;
  for (int i = 0; i < n; ++i) {
    pos = text.find('\\', pos == std::string_view::npos ? 0 : pos + 1);
    if (pos == std::string_view::npos) return pos;
  }
  return pos;
}

std::string WithSysnative(platform::FileSystem& files, std::string path, bool isWow64) {
  return isWow64 ? SysnativePath(files, path) : path;
}

// Below \REGISTRY\A\ the system loads hives that programs open for
// themselves (Amcache.hve): they have no key under a root.
bool IsApplicationHive(std::string_view keyName) {
  return UpperAscii(keyName).find("\\REGISTRY\\A\\") != std::string::npos;
}

// "\??\C:\x", "\DosDevices\C:\x" and "\GLOBAL??\C:\x" to "C:\x"; "" for
// other paths.
std::string DrivePathOf(std::string_view path) {
  for (std::string_view prefix : {"\\??\\", "\\DosDevices\\", "\\GLOBAL??\\"}) {
    if (!StartsWithNoCase(path, prefix)) continue;
    const std::string_view rest = path.substr(prefix.size());
    const bool letter = rest.size() >= 2 && rest[1] == ':' &&
                        ((rest[0] >= 'a' && rest[0] <= 'z') || (rest[0] >= 'A' && rest[0] <= 'Z'));
    if (letter && (rest.size() == 2 || rest[2] == '\\')) return std::string(rest);
  }
  return {};
}

// Where a hive path as the system lists it lies on a drive: the existing
// file ("" when there is none), and whether a drive letter stands for its
// volume at all.
struct LocatedHiveFile {
  std::string file;
  bool onDrive = false;
};

LocatedHiveFile LocateHiveFile(platform::FileSystem& files, std::string_view path, bool isWow64) {
  LocatedHiveFile located;
  if (std::string drivePath = DrivePathOf(path); !drivePath.empty()) {
    located.onDrive = true;
    drivePath = WithSysnative(files, std::move(drivePath), isWow64);
    if (files.fileExists(drivePath)) located.file = std::move(drivePath);
    return located;
  }
  const std::string upper = UpperAscii(path);
  if (upper.find("DEVICE\\HARDDISK") != std::string::npos) {
    for (const std::string& root : files.logicalDrives()) {
      if (root.size() < 2 || files.driveType(root) != platform::DriveType::Fixed) continue;
      const std::string drive = root.substr(0, 2);
      const std::string device = UpperAscii(files.dosDeviceName(drive));
      if (device.empty()) continue;
      const std::size_t pos = FindDevice(upper, device);
      if (pos == std::string::npos) continue;
      located.onDrive = true;
      std::string candidate =
          WithSysnative(files, drive + std::string(path.substr(pos + device.size())), isWow64);
      if (files.fileExists(candidate)) {
        located.file = std::move(candidate);
        return located;
      }
      break;
    }
  }
  std::string converted = DeviceToDriveLetterPath(files, path);
  if (converted.empty()) return located;
  located.onDrive = true;
  converted = WithSysnative(files, converted, isWow64);
  if (files.fileExists(converted)) located.file = std::move(converted);
  return located;
}

// Why the hive named `keyName`, whose file the system lists as `path`,
// cannot be compacted; "" with `file` set when it can.
std::string_view JudgeHive(platform::Hives& hives, platform::FileSystem& files,
                           std::string_view keyName, std::string_view path, bool isWow64,
                           std::string& file) {
  if (IsApplicationHive(keyName)) return kHiveApplication;
  if (path.empty()) return kHiveNoFile;
  const std::optional<HiveOpen> open = HiveOpenOf(keyName, isWow64);
  if (!open) return kHiveCannotOpen;
  LocatedHiveFile located = LocateHiveFile(files, path, isWow64);
  if (located.file.empty()) return located.onDrive ? kHiveFileNotFound : kHiveNoDriveLetter;
  if (!hives.checkOpen(open->key.root, open->key.subKey, open->view64).ok()) {
    return kHiveCannotOpen;
  }
  file = std::move(located.file);
  return {};
}

}  // namespace

HiveList BuildHiveList(platform::Registry& registry, platform::Hives& hives,
                       platform::FileSystem& files, bool isWow64) {
  HiveList list;
  auto key =
      registry.open(platform::RootKey::LocalMachine, kHiveListKey, platform::RegAccess::Read);
  if (!key) return list;
  auto values = registry.values(*key);
  if (!values) return list;
  // As the system's own backup tools do: the hive roots open for backup,
  // whatever their permissions say (SAM and SECURITY refuse a plain read).
  hives.enableBackupPrivilege();
  hives.enableRestorePrivilege();
  for (const platform::RegValue& value : *values) {
    if (value.type != static_cast<std::uint32_t>(platform::RegType::String) &&
        value.type != static_cast<std::uint32_t>(platform::RegType::ExpandString)) {
      continue;
    }
    const std::optional<std::string> text = platform::ValueText(value);
    if (!text) continue;
    std::string file;
    const std::string_view reason = JudgeHive(hives, files, value.name, *text, isWow64, file);
    list.rows.push_back(HiveRow{value.name, std::string(reason)});
    if (!reason.empty()) continue;
    list.keyNames.push_back(value.name);
    list.files.push_back(std::move(file));
  }
  return list;
}

std::string HivePathToFilePath(platform::FileSystem& files, std::string_view path, bool isWow64) {
  return LocateHiveFile(files, path, isWow64).file;
}

std::string DeviceToDriveLetterPath(platform::FileSystem& files, std::string_view path) {
  std::string full(path);
  if (!StartsWith(full, "\\") && StartsWithNoCase(full, "Device")) full.insert(0, "\\");
  const std::string upper = UpperAscii(full);
  std::size_t cut = std::string::npos;
  if (upper.find("DEVICE\\HARDDISKVOLUME") != std::string::npos) {
    cut = NthBackslash(full, 3);
  } else if (upper.find("DEVICE\\HARDDISK") != std::string::npos) {
    cut = NthBackslash(full, 4);
  }
  const std::string device = cut == std::string::npos ? full : full.substr(0, cut);
  const std::string rest = cut == std::string::npos ? std::string() : full.substr(cut);
  for (char letter = 'a'; letter <= 'z'; ++letter) {
    const std::string drive = std::string(1, letter) + ":";
    const std::string name = files.dosDeviceName(drive);
    if (name.empty()) continue;
    if (EqualsNoCase(device, name) || EqualsNoCase(device, "\\" + name)) return drive + rest;
  }
  return {};
}

std::string SysnativePath(platform::FileSystem& files, std::string_view path) {
  const std::size_t pos = LowerAscii(path).find("system32");
  if (pos == std::string::npos) return std::string(path);
  std::string candidate = std::string(path.substr(0, pos)) + "sysnative" +
                          std::string(path.substr(pos + std::string_view("system32").size()));
  return files.fileExists(candidate) ? candidate : std::string(path);
}

std::optional<HiveKey> HiveKeyOf(std::string_view keyName) {
  const std::string upper = UpperAscii(keyName);
  constexpr std::string_view kMachine = "REGISTRY\\MACHINE\\";
  constexpr std::string_view kUser = "REGISTRY\\USER\\";
  if (const auto pos = upper.find(kMachine); pos != std::string::npos) {
    return HiveKey{platform::RootKey::LocalMachine,
                   std::string(keyName.substr(pos + kMachine.size()))};
  }
  if (const auto pos = upper.find(kUser); pos != std::string::npos) {
    return HiveKey{platform::RootKey::Users, std::string(keyName.substr(pos + kUser.size()))};
  }
  return std::nullopt;
}

std::uint64_t FileSizeOf(platform::FileSystem& files, std::string_view path) {
  auto entry = files.stat(path);
  return entry ? entry->size : 0;
}

std::optional<HiveOpen> HiveOpenOf(std::string_view keyName, bool isWow64) {
  std::optional<HiveKey> key = HiveKeyOf(keyName);
  if (!key || key->subKey.empty()) return std::nullopt;
  const bool view64 = isWow64 && key->root == platform::RootKey::LocalMachine &&
                      UpperAscii(keyName).find("SOFTWARE") != std::string::npos;
  return HiveOpen{std::move(*key), view64};
}

bool SaveHiveCopy(platform::Hives& hives, platform::FileSystem& files, std::string_view keyName,
                  std::string_view destination, bool isWow64) {
  const std::optional<HiveOpen> open = HiveOpenOf(keyName, isWow64);
  if (files.fileExists(destination) && !files.deleteFile(destination).ok()) return false;
  if (!open) return false;
  return hives.saveCopy(open->key.root, open->key.subKey, open->view64, destination).ok();
}

namespace {

// "<old>.prev", "<old>.prev2", ...: the names an earlier backup may be set
// aside under, in the order they are tried.
constexpr int kAsideNames = 100;
std::string AsideName(std::string_view oldFile, int n) {
  return std::string(oldFile) + ".prev" + (n == 1 ? "" : std::to_string(n));
}

// Moves `oldFile` to the first aside name that is free; the move itself
// never replaces a file, so a name taken between the look and the move is
// passed over. Where it went, or "" when it could not be moved.
std::string SetAside(platform::FileSystem& files, std::string_view oldFile) {
  for (int n = 1; n <= kAsideNames; ++n) {
    std::string name = AsideName(oldFile, n);
    if (files.attributes(name)) continue;
    const Status moved = files.moveFileNoReplace(oldFile, name);
    if (moved) return name;
    if (moved.error().code != Errc::AlreadyExists) return {};
  }
  return {};
}

}  // namespace

ReplaceOutcome ReplaceHive(platform::Hives& hives, platform::FileSystem& files,
                           std::string_view keyName, std::string_view newFile,
                           std::string_view oldFile) {
  ReplaceOutcome outcome;
  const std::optional<HiveKey> key = HiveKeyOf(keyName);
  if (!key) return outcome;
  if (CheckHiveFile(files, newFile) != HiveFileVerdict::Whole) {
    outcome.notWhole = true;
    return outcome;
  }
  // The system needs the backup name free. An earlier backup is set
  // aside rather than deleted until the system has accepted the swap.
  std::string aside;
  if (files.fileExists(oldFile)) {
    aside = SetAside(files, oldFile);
    if (aside.empty()) return outcome;
  }
  if (!hives.replace(key->root, key->subKey, newFile, oldFile).ok()) {
    // Put back only where nothing has taken the name meanwhile.
    if (!aside.empty() && !files.moveFileNoReplace(aside, oldFile).ok()) {
      outcome.strandedBackup = aside;
    }
    return outcome;
  }
  if (!aside.empty()) (void)files.deleteFile(aside);
  outcome.scheduled = true;
  return outcome;
}

}  // namespace nc::registry
