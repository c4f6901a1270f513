#include "cleaner/community/detection.h"

#include <optional>
#include <utility>

#include "cleaner/community/folder_match.h"
#include "core/text.h"

namespace nc::cleaner::community {

namespace {

namespace Csidl = platform::Csidl;

// The environment's value of `name`, "" when it has none.
std::string Environment(platform::FileSystem& files, std::string_view name) {
  const std::string reference = "%" + std::string(name) + "%";
  std::string value = files.expandEnvironment(reference);
  if (value == reference || value.find('%') != std::string::npos) return {};
  return value;
}

// The folders of the first names the environment has, each once.
std::vector<std::string> EnvironmentFolders(platform::FileSystem& files,
                                            std::initializer_list<std::string_view> names) {
  std::vector<std::string> folders;
  for (const std::string_view name : names) {
    std::string value = WithoutTrailingBackslash(Environment(files, name));
    if (value.empty()) continue;
    bool known = false;
    for (const std::string& folder : folders) known = known || EqualsNoCase(folder, value);
    if (!known) folders.push_back(std::move(value));
  }
  return folders;
}

std::vector<std::string> One(std::string folder) {
  folder = WithoutTrailingBackslash(folder);
  if (folder.empty()) return {};
  return {std::move(folder)};
}

std::vector<std::string> FoldersOf(platform::Platform& ports, std::string_view name) {
  platform::FileSystem& files = ports.files;
  const bool both = ports.system.is64BitWindows();
  if (name == "AppData") return One(files.specialFolder(Csidl::AppData));
  if (name == "LocalAppData") return One(files.specialFolder(Csidl::LocalAppData));
  if (name == "LocalLowAppData") {
    const std::string local = files.specialFolder(Csidl::LocalAppData);
    return local.empty() ? std::vector<std::string>{}
                         : One(platform::FolderOf(local) + "\\LocalLow");
  }
  if (name == "UserProfile") return EnvironmentFolders(files, {"USERPROFILE"});
  if (name == "Documents") return One(files.specialFolder(Csidl::Personal));
  if (name == "Music") return One(files.specialFolder(Csidl::MyMusic));
  if (name == "Pictures") return One(files.specialFolder(Csidl::MyPictures));
  if (name == "Video") return One(files.specialFolder(Csidl::MyVideo));
  if (name == "Public") return EnvironmentFolders(files, {"PUBLIC"});
  if (name == "CommonAppData") return One(files.specialFolder(Csidl::CommonAppData));
  if (name == "ProgramData") {
    auto folders = EnvironmentFolders(files, {"ProgramData"});
    return folders.empty() ? One(files.specialFolder(Csidl::CommonAppData)) : folders;
  }
  if (name == "WinDir") return One(files.windowsFolder());
  if (name == "SystemDrive") return EnvironmentFolders(files, {"SystemDrive"});
  if (name == "HomeDrive") return EnvironmentFolders(files, {"HOMEDRIVE"});
  if (name == "ProgramFiles") {
    if (!both) return EnvironmentFolders(files, {"ProgramFiles"});
    return EnvironmentFolders(files, {"ProgramW6432", "ProgramFiles", "ProgramFiles(x86)"});
  }
  if (name == "CommonProgramFiles") {
    if (!both) return EnvironmentFolders(files, {"CommonProgramFiles"});
    return EnvironmentFolders(
        files, {"CommonProgramW6432", "CommonProgramFiles", "CommonProgramFiles(x86)"});
  }
  if (name == "Temp") return One(files.tempFolder());
  if (name == "UserName") return EnvironmentFolders(files, {"USERNAME"});
  return {};
}

// The path with its "<Windows>\System32" part named "Sysnative".
std::string NativeSystemPath(platform::Platform& ports, std::string path) {
  const std::string system = ports.files.windowsFolder() + "\\System32";
  if (system.size() <= 9 || !StartsWithNoCase(path, system)) return path;
  if (path.size() != system.size() && path[system.size()] != '\\') return path;
  return ports.files.windowsFolder() + "\\Sysnative" + path.substr(system.size());
}

bool KeyExists(platform::Platform& ports, const RegistryPath& key) {
  for (const ViewedKey& viewed : KeyInViews(ports, key)) {
    if (ports.registry.open(key.root, viewed.keyPath, platform::RegAccess::Read, viewed.view)) {
      return true;
    }
  }
  return false;
}

bool VersionInRange(platform::Platform& ports, const WindowsVersionRange& range) {
  const platform::VersionInfo info = ports.system.version();
  const WindowsVersion running{static_cast<int>(info.major), static_cast<int>(info.minor)};
  if (range.min && running < *range.min) return false;
  if (range.max && running > *range.max) return false;
  return true;
}

// "Software\Vendor" -> "Software\Wow6432Node\Vendor"; nullopt for keys
// outside Software, which the views share.
std::optional<std::string> Wow6432NodePath(std::string_view keyPath) {
  const auto slash = keyPath.find('\\');
  if (slash == std::string_view::npos || !EqualsNoCase(keyPath.substr(0, slash), "Software")) {
    return std::nullopt;
  }
  const std::string_view rest = keyPath.substr(slash + 1);
  if (StartsWithNoCase(rest, "Wow6432Node")) return std::nullopt;
  return std::string(keyPath.substr(0, slash)) + "\\Wow6432Node\\" + std::string(rest);
}

// Whether the 32-bit view has a key of its own at `path`: a real key, no
// registry link, on every step of its Wow6432Node path.
bool Own32BitKey(platform::Registry& registry, std::string_view path) {
  Result<platform::RegKey> key = Error{Errc::NotFound, "open key", std::string(path)};
  bool first = true;
  for (const std::string& part : Split(path, '\\')) {
    if (part.empty()) continue;
    key = first ? registry.open(platform::RootKey::LocalMachine, part,
                                platform::RegAccess::ReadNoFollow, platform::RegView::Bits64)
                : registry.openSub(*key, part, platform::RegAccess::ReadNoFollow);
    first = false;
    if (!key || registry.isLink(*key).value_or(false)) return false;
  }
  return key.ok();
}

}  // namespace

std::vector<PathVariable> ResolveCommunityVariables(platform::Platform& ports) {
  std::vector<PathVariable> vars;
  for (const std::string_view name : kPathVariables) {
    vars.push_back(PathVariable{std::string(name), FoldersOf(ports, name)});
  }
  return vars;
}

std::vector<std::string> RulePaths(platform::Platform& ports, std::string_view path,
                                   std::span<const PathVariable> vars) {
  std::vector<std::string> paths = ExpandPathVariables(path, vars);
  if (ports.system.isWow64()) {
    for (std::string& each : paths) each = NativeSystemPath(ports, std::move(each));
  }
  return paths;
}

std::vector<ViewedKey> KeyInViews(platform::Platform& ports, const RegistryPath& key) {
  if (key.root != platform::RootKey::LocalMachine || !ports.system.is64BitWindows()) {
    return {ViewedKey{key.keyPath, platform::RegView::Default}};
  }
  std::vector<ViewedKey> keys{ViewedKey{key.keyPath, platform::RegView::Bits64}};
  const auto own = Wow6432NodePath(key.keyPath);
  if (own && Own32BitKey(ports.registry, *own)) {
    keys.push_back(ViewedKey{*own, platform::RegView::Bits64});
  }
  return keys;
}

bool EntryApplies(platform::Platform& ports, const CommunityEntry& entry,
                  std::span<const PathVariable> vars) {
  if (entry.detectOs && !VersionInRange(ports, *entry.detectOs)) return false;
  if (entry.detectKeys.empty() && entry.detectFiles.empty()) return entry.unreadDetections == 0;
  for (const RegistryPath& key : entry.detectKeys) {
    if (KeyExists(ports, key)) return true;
  }
  for (const std::string& file : entry.detectFiles) {
    for (const std::string& path : RulePaths(ports, file, vars)) {
      if (AnyPathMatches(ports.files, path, kMaxFoldersPerRule)) return true;
    }
  }
  return false;
}

}  // namespace nc::cleaner::community
