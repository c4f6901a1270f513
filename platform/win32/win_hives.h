// The real hive port: hive roots opened for backup, RegSaveKeyEx, RegReplaceKey, the token
// privileges and ExitWindowsEx.
#pragma once

#include "platform/hives.h"

namespace nc::win32 {

class WinHives : public platform::Hives {
 public:
  void enableBackupPrivilege() override;
  void enableRestorePrivilege() override;
  Status checkOpen(platform::RootKey root, std::string_view subKey, bool view64) override;
  Status saveCopy(platform::RootKey root, std::string_view subKey, bool view64,
                  std::string_view destination) override;
  Status replace(platform::RootKey root, std::string_view subKey, std::string_view newFile,
                 std::string_view oldFile) override;
  bool requestRestart() override;
};

}  // namespace nc::win32
