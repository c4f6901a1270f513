// The shell port: ShellExecute, shell file operations, shell links and
// WinINet.
#pragma once

#include "platform/shell.h"

namespace nc::win32 {

class WinShell final : public platform::Shell {
 public:
  Status openDocument(std::string_view target) override;
  void endBrowserSession() override;
  Status deleteFileSilently(std::string_view path) override;
  bool emptyRecycleBins() override;
  Result<std::string> resolveShortcut(std::string_view lnkPath) override;
};

}  // namespace nc::win32
