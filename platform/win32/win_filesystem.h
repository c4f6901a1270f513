// The file-system port over the wide Win32 file functions. Paths longer
// than MAX_PATH are passed with the "\\?\" prefix.
#pragma once

#include "platform/filesystem.h"

namespace nc::win32 {

class WinFileSystem final : public platform::FileSystem {
 public:
  Result<std::vector<platform::FileEntry>> list(std::string_view folder) override;
  Result<platform::FileEntry> stat(std::string_view path) override;
  bool fileExists(std::string_view path) override;
  bool folderExists(std::string_view path) override;
  std::optional<std::uint32_t> attributes(std::string_view path) override;
  // Opens the folder itself (not its contents) and asks the open handle.
  Result<platform::FolderIdentity> folderIdentity(std::string_view path) override;

  Status deleteFile(std::string_view path) override;
  Status removeFolder(std::string_view path) override;
  Status createFolders(std::string_view path) override;
  Status setAttributes(std::string_view path, std::uint32_t attributes) override;
  Status moveFile(std::string_view from, std::string_view to) override;
  Status moveFileNoReplace(std::string_view from, std::string_view to) override;

  Result<std::unique_ptr<platform::File>> open(std::string_view path, platform::FileOpen mode,
                                               platform::FileShare share) override;
  Status deleteAtRestart(std::string_view path) override;

  Result<std::string> shortPath(std::string_view path) override;
  std::string specialFolder(int csidl) override;
  std::string tempFolder() override;
  std::string windowsFolder() override;
  std::string systemFolder() override;

  std::vector<std::string> logicalDrives() override;
  platform::DriveType driveType(std::string_view root) override;
  bool volumePresent(std::string_view root) override;
  std::string dosDeviceName(std::string_view drive) override;
  Result<std::uint64_t> freeSpace(std::string_view path) override;
  std::string expandEnvironment(std::string_view text) override;
};

}  // namespace nc::win32
