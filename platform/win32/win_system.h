// The system port: version, account and process facts of the running
// system.
#pragma once

#include "platform/system.h"

namespace nc::win32 {

class WinSystem final : public platform::System {
 public:
  platform::VersionInfo version() override;
  bool isWow64() override;
  bool is64BitWindows() override;
  bool isAdministrator() override;
  std::string executablePath() override;
  std::vector<std::string> arguments() override;
  bool emptyClipboard() override;
  std::string toAnsiCodePage(std::string_view utf8) override;
  std::string fromAnsiCodePage(std::string_view ansi) override;
  // SRSetRestorePointW of SrClient.dll, looked up at run time.
  bool createRestorePoint(std::string_view description) override;
  bool showCriticalErrorBoxes(bool shown) override;
};

}  // namespace nc::win32
