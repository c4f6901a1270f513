// Substitute programs port: a table of windows and a record of the
// programs started and the keystrokes sent.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/programs.h"

namespace nc::sim {

class SimPrograms : public platform::Programs {
 public:
  // What became of one started program.
  struct Started {
    std::string commandLine;
    // The program file the system ran: the command line's first word, a
    // bare name taken from the system folder, after the file-system
    // redirection of a 32-bit program (modelRedirection).
    std::string program;
    bool native = false;  // started with startNative
    platform::StartShow show = platform::StartShow::Normal;
    std::uint32_t waitIdleMs = 0;
    bool finished = false;
    bool terminated = false;
    int polls = 0;  // finished() calls so far
  };
  struct SentKeys {
    std::string windowClass;
    std::vector<platform::KeyStroke> keys;
  };

  Result<std::unique_ptr<platform::ChildProcess>> start(std::string_view commandLine,
                                                        platform::StartShow show,
                                                        std::uint32_t waitIdleMs) override;
  Result<std::unique_ptr<platform::ChildProcess>> startNative(std::string_view commandLine,
                                                              platform::StartShow show,
                                                              std::uint32_t waitIdleMs) override;
  platform::WindowId findWindow(std::string_view className) override;
  platform::WindowId findChildWindow(platform::WindowId parent,
                                     std::string_view className) override;
  void showMaximized(platform::WindowId window) override;
  void sendKeys(platform::WindowId window, std::span<const platform::KeyStroke> keys) override;

  // The file-system redirection of a 32-bit program on 64-bit Windows,
  // while `is32BitOn64Bit` answers yes: a program started from
  // "<windows>\System32" is the one in "<windows>\SysWOW64", and so is
  // "<windows>\regedit.exe"; one in "<windows>\Sysnative" is the one in
  // System32. startNative turns the redirection off. Without this model
  // nothing is redirected, as for a 64-bit program.
  void modelRedirection(std::function<bool()> is32BitOn64Bit, std::string windowsFolder);
  // Starting fails with NotFound while set.
  void setStartFails(bool fails);
  // Each started program reports itself finished after this many polls
  // (0: at the first); a negative count keeps it running until ended.
  void setPollsUntilFinished(int polls);
  // The exit code of programs that end by themselves (0 unless set).
  void setExitCode(std::uint32_t code);
  // Called with the command line of each program started, before start
  // returns (a test lets the program do its work here).
  void setOnStart(std::function<void(std::string_view)> onStart);

  // Windows: a top-level window of a class, and a child of a class below
  // the top-level window of another; a window's id is its place + 1.
  platform::WindowId addWindow(std::string_view className);
  platform::WindowId addChildWindow(platform::WindowId parent, std::string_view className);
  // Closes a window: it is found no more (ids of the others stay).
  void closeWindow(platform::WindowId window);

  std::vector<Started> started() const;
  std::vector<SentKeys> sentKeys() const;
  std::vector<std::string> maximized() const;

 private:
  struct Window {
    std::string className;
    platform::WindowId parent = 0;
  };
  class Process;

  Result<std::unique_ptr<platform::ChildProcess>> launch(std::string_view commandLine,
                                                         platform::StartShow show,
                                                         std::uint32_t waitIdleMs, bool native);
  std::string programOf(std::string_view commandLine, bool redirected) const;
  std::string classOf(platform::WindowId window) const;

  mutable std::mutex mutex_;
  bool startFails_ = false;
  int pollsUntilFinished_ = 0;
  std::uint32_t exitCode_ = 0;
  std::function<void(std::string_view)> onStart_;
  std::function<bool()> is32BitOn64Bit_;
  std::string windowsFolder_ = "C:\\Windows";
  std::vector<std::shared_ptr<Started>> started_;
  std::vector<Window> windows_;
  std::vector<SentKeys> sent_;
  std::vector<std::string> maximized_;
};

}  // namespace nc::sim
