// The programs port: other programs started with CreateProcess, and the
// windows of other programs driven with window messages.
#pragma once

#include "platform/programs.h"

namespace nc::win32 {

class WinPrograms final : public platform::Programs {
 public:
  Result<std::unique_ptr<platform::ChildProcess>> start(std::string_view commandLine,
                                                        platform::StartShow show,
                                                        std::uint32_t waitIdleMs) override;
  // With the file-system redirection of a 32-bit program on 64-bit Windows
  // turned off while the program is looked up and created.
  Result<std::unique_ptr<platform::ChildProcess>> startNative(std::string_view commandLine,
                                                              platform::StartShow show,
                                                              std::uint32_t waitIdleMs) override;
  platform::WindowId findWindow(std::string_view className) override;
  platform::WindowId findChildWindow(platform::WindowId parent,
                                     std::string_view className) override;
  void showMaximized(platform::WindowId window) override;
  void sendKeys(platform::WindowId window, std::span<const platform::KeyStroke> keys) override;

 private:
  static Result<std::unique_ptr<platform::ChildProcess>> Launch(std::string_view commandLine,
                                                                platform::StartShow show,
                                                                std::uint32_t waitIdleMs,
                                                                bool native);
};

}  // namespace nc::win32
