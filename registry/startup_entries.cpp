#include "registry/startup_entries.h"

#include "core/text.h"
#include "registry/locations.h"

namespace nc::registry {

namespace {

using platform::RootKey;

constexpr std::string_view kCurrentVersion = "Software\\Microsoft\\Windows\\CurrentVersion\\";

void AddKeyValues(const platform::Platform& ports, RootKey root, const std::string& path,
                  std::vector<StartupEntry>& entries) {
  auto key = ports.registry.open(root, path, platform::RegAccess::Read);
  if (!key) return;
  auto values = ports.registry.values(*key);
  if (!values) return;
  const std::string location = std::string(platform::RootKeyName(root)) + "\\" + path;
  for (const platform::RegValue& value : *values) {
    const std::optional<std::string> text = platform::ValueText(value);
    if (!text) continue;
    entries.push_back({StartupValueCaption(value.name), *text, location, value.exactName});
  }
}

void AddShortcuts(const platform::Platform& ports, int csidl, const char* location,
                  std::vector<StartupEntry>& entries) {
  const std::string folder = ports.files.specialFolder(csidl);
  if (folder.empty()) return;
  auto listing = ports.files.list(folder);
  if (!listing) return;
  for (const platform::FileEntry& file : *listing) {
    if (file.isFolder() || !EndsWith(LowerAscii(file.name), ".lnk")) continue;
    std::string target = ShortcutTarget(ports.shell, WithTrailingBackslash(folder) + file.name);
    if (target.empty()) continue;
    entries.push_back({file.name, std::move(target), location});
  }
}

// The folder a Startup location names; "" for a registry location.
std::string StartupFolderOf(const platform::Platform& ports, const std::string& location) {
  if (location == kUserStartupLocation) return ports.files.specialFolder(platform::Csidl::Startup);
  if (location == kCommonStartupLocation) {
    return ports.files.specialFolder(platform::Csidl::CommonStartup);
  }
  return {};
}

}  // namespace

std::string StartupValueCaption(const std::string& valueName) {
  std::string caption;
  caption.reserve(valueName.size());
  for (char c : valueName) {
    if (c == '\0') {
      caption += "\\0";
    } else {
      caption += c;
    }
  }
  return caption;
}

std::vector<std::string> StartupKeyPaths(int versionCode) {
  std::vector<std::string> paths;
  for (const char* rest : {"Run", "Policies\\Explorer\\Run", "RunOnce"}) {
    paths.push_back(std::string(kCurrentVersion) + rest);
  }
  if ((versionCode >= 1 && versionCode <= 4) || versionCode == 8) {
    paths.push_back(std::string(kCurrentVersion) + "RunServices");
  }
  return paths;
}

std::vector<StartupEntry> ListStartupEntries(const platform::Platform& ports, int versionCode) {
  std::vector<StartupEntry> entries;
  for (const std::string& path : StartupKeyPaths(versionCode)) {
    AddKeyValues(ports, RootKey::CurrentUser, path, entries);
    AddKeyValues(ports, RootKey::LocalMachine, path, entries);
  }
  AddShortcuts(ports, platform::Csidl::Startup, kUserStartupLocation, entries);
  AddShortcuts(ports, platform::Csidl::CommonStartup, kCommonStartupLocation, entries);
  return entries;
}

StartupDeletion RemoveStartupEntry(const platform::Platform& ports, const StartupEntry& entry) {
  if (entry.location == kUserStartupLocation || entry.location == kCommonStartupLocation) {
    const std::string folder = StartupFolderOf(ports, entry.location);
    // A name from the list is a plain file name; anything that could
    // reach outside the folder is refused.
    if (folder.empty() || entry.caption.empty() ||
        entry.caption.find_first_of("\\/:") != std::string::npos || entry.caption == "." ||
        entry.caption == "..") {
      return StartupDeletion::NotDeleted;
    }
    return DeleteFileByShell(ports.shell, WithTrailingBackslash(folder) + entry.caption)
               ? StartupDeletion::Deleted
               : StartupDeletion::NotDeleted;
  }
  const auto slash = entry.location.find('\\');
  if (slash == std::string::npos) return StartupDeletion::NotDeleted;
  const auto root = platform::RootKeyFromName(std::string_view(entry.location).substr(0, slash));
  if (!root) return StartupDeletion::NotDeleted;
  auto key = ports.registry.open(*root, std::string_view(entry.location).substr(slash + 1),
                                 platform::RegAccess::Full);
  if (!key) return StartupDeletion::NotDeleted;
  const Status deleted = entry.valueName ? ports.registry.deleteValueExact(*key, *entry.valueName)
                                         : ports.registry.deleteValue(*key, entry.caption);
  if (deleted) return StartupDeletion::Deleted;
  return deleted.error().code == Errc::NotSupported ? StartupDeletion::NameRefused
                                                    : StartupDeletion::NotDeleted;
}

bool DeleteStartupEntry(const platform::Platform& ports, const StartupEntry& entry) {
  return RemoveStartupEntry(ports, entry) == StartupDeletion::Deleted;
}

}  // namespace nc::registry
