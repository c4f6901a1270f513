#include "app/global_unit.h"

namespace nc::app {

std::string ReadRegistryString(platform::Registry& registry, platform::RootKey root,
                               std::string_view path, std::string_view name) {
  return platform::ReadStringValue(registry, root, path, name);
}

std::string InternetCacheFolder(platform::Shell& shell, platform::FileSystem& files) {
  shell.endBrowserSession();
  return files.specialFolder(platform::Csidl::InternetCache);
}

std::int64_t FileSizeOf(platform::FileSystem& files, std::string_view path) {
  auto entry = files.stat(files.expandEnvironment(path));
  if (!entry) return 0;
  return static_cast<std::int64_t>(entry->size);
}

std::string ShortPathName(platform::FileSystem& files, std::string_view path) {
  constexpr std::size_t kUsable = 259;
  auto shortened = files.shortPath(path);
  if (!shortened || shortened->size() > kUsable) return {};
  return *shortened;
}

bool FileLockedExclusive(platform::FileSystem& files, std::string_view path) {
  if (!files.fileExists(path)) return false;
  auto file = files.open(path, platform::FileOpen::ReadWriteExisting, platform::FileShare::None);
  return !file.ok();
}

std::string TwoDigits(int value) {
  return value < 10 ? "0" + std::to_string(value) : std::to_string(value);
}

}  // namespace nc::app
