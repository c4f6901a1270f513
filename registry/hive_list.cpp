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

}  // namespace

HiveList BuildHiveList(platform::Registry& registry, platform::FileSystem& files, bool isWow64) {
  HiveList list;
  auto key =
      registry.open(platform::RootKey::LocalMachine, kHiveListKey, platform::RegAccess::Read);
  if (!key) return list;
  auto values = registry.values(*key);
  if (!values) return list;
  for (const platform::RegValue& value : *values) {
    if (value.type != static_cast<std::uint32_t>(platform::RegType::String) &&
        value.type != static_cast<std::uint32_t>(platform::RegType::ExpandString)) {
      continue;
    }
    const std::optional<std::string> text = platform::ValueText(value);
    if (!text || text->empty()) continue;
    std::string file = HivePathToFilePath(files, *text, isWow64);
    if (file.empty()) continue;
    list.keyNames.push_back(value.name);
    list.files.push_back(std::move(file));
  }
  return list;
}

std::string HivePathToFilePath(platform::FileSystem& files, std::string_view path, bool isWow64) {
  const std::string upper = UpperAscii(path);
  if (upper.find("DEVICE\\HARDDISK") != std::string::npos) {
    for (const std::string& root : files.logicalDrives()) {
      if (root.size() < 2 || files.driveType(root) != platform::DriveType::Fixed) continue;
      const std::string drive = root.substr(0, 2);
      const std::string device = UpperAscii(files.dosDeviceName(drive));
      if (device.empty()) continue;
      const std::size_t pos = FindDevice(upper, device);
      if (pos == std::string::npos) continue;
      std::string candidate =
          WithSysnative(files, drive + std::string(path.substr(pos + device.size())), isWow64);
      if (files.fileExists(candidate)) return candidate;
      break;
    }
  }
  std::string converted = DeviceToDriveLetterPath(files, path);
  if (converted.empty()) return {};
  converted = WithSysnative(files, converted, isWow64);
  return files.fileExists(converted) ? converted : std::string();
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

bool SaveHiveCopy(platform::Hives& hives, platform::FileSystem& files, std::string_view keyName,
                  std::string_view destination, bool isWow64) {
  const std::optional<HiveKey> key = HiveKeyOf(keyName);
  if (files.fileExists(destination) && !files.deleteFile(destination).ok()) return false;
  if (!key) return false;
  const bool view64 = isWow64 && key->root == platform::RootKey::LocalMachine &&
                      UpperAscii(keyName).find("SOFTWARE") != std::string::npos;
  return hives.saveCopy(key->root, key->subKey, view64, destination).ok();
}

namespace {

// "<old>.prev", "<old>.prev2", ...: the first name nothing has; "" when
// none of them is free.
std::string FreeAsideName(platform::FileSystem& files, std::string_view oldFile) {
  constexpr int kTries = 100;
  for (int n = 1; n <= kTries; ++n) {
    std::string name = std::string(oldFile) + ".prev" + (n == 1 ? "" : std::to_string(n));
    if (!files.attributes(name)) return name;
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
    aside = FreeAsideName(files, oldFile);
    if (aside.empty() || !files.moveFile(oldFile, aside).ok()) return outcome;
  }
  if (!hives.replace(key->root, key->subKey, newFile, oldFile).ok()) {
    if (!aside.empty() && !files.moveFile(aside, oldFile).ok()) outcome.strandedBackup = aside;
    return outcome;
  }
  if (!aside.empty()) (void)files.deleteFile(aside);
  outcome.scheduled = true;
  return outcome;
}

}  // namespace nc::registry
