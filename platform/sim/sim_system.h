// Substitute ports for the system, the shell, time, randomness and the
// questions to the user: settable tables and recorders.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"
#include "platform/filesystem.h"
#include "platform/prompts.h"
#include "platform/shell.h"
#include "platform/sim/fault_plan.h"
#include "platform/system.h"

namespace nc::sim {

// Windows 7 SP1, NT family, 64-bit process, administrator by default.
class SimSystem : public platform::System {
 public:
  platform::VersionInfo version() override;
  bool isWow64() override;
  // False unless set, or the program is set to run under WOW64.
  bool is64BitWindows() override;
  bool isAdministrator() override;
  std::string executablePath() override;
  std::vector<std::string> arguments() override;
  // Clears the clipboard text and counts the call; false while the
  // clipboard is made unavailable.
  bool emptyClipboard() override;
  // The substitute's code page is Windows-1252's Latin-1 part.
  std::string toAnsiCodePage(std::string_view utf8) override;
  std::string fromAnsiCodePage(std::string_view ansi) override;
  // Answers as set with setRestorePointResult (success by default) and
  // records each description.
  bool createRestorePoint(std::string_view description) override;
  bool showCriticalErrorBoxes(bool shown) override;
  void setRestorePointResult(bool succeeds);
  std::vector<std::string> restorePoints() const;

  void setVersion(const platform::VersionInfo& version);
  void setWow64(bool wow64);
  void set64BitWindows(bool windows64);
  void setAdministrator(bool administrator);
  void setExecutablePath(std::string_view path);
  void setArguments(std::vector<std::string> arguments);
  void setClipboardText(std::string_view text);
  std::string clipboardText() const;
  void setClipboardAvailable(bool available);
  int emptyClipboardCalls() const;
  bool criticalErrorBoxesShown() const;

 private:
  mutable std::mutex mutex_;
  platform::VersionInfo version_{6, 1, 7601, platform::kPlatformWin32Nt, "Service Pack 1"};
  bool wow64_ = false;
  bool windows64_ = false;
  bool administrator_ = true;
  std::string executablePath_ = "C:\\Program Files\\Norvik Cleaner\\NorvikCleaner.exe";
  std::vector<std::string> arguments_;
  std::string clipboard_;
  bool clipboardAvailable_ = true;
  int emptyClipboardCalls_ = 0;
  bool restorePointSucceeds_ = true;
  std::vector<std::string> restorePoints_;
  bool criticalErrorBoxes_ = true;
};

// Records what it is asked to open; "shell.openDocument" in the fault
// plan makes opening fail.
class SimShell : public platform::Shell {
 public:
  explicit SimShell(FaultPlan* faults = nullptr);
  Status openDocument(std::string_view target) override;
  void endBrowserSession() override;
  // Deletes through the file system it is given, clearing the read-only
  // and system attributes first when the plain delete is refused.
  Status deleteFileSilently(std::string_view path) override;
  bool emptyRecycleBins() override;
  // Reads the link file through the file system (see shell_link.h).
  Result<std::string> resolveShortcut(std::string_view lnkPath) override;

  void setFileSystem(platform::FileSystem* files) { files_ = files; }
  void setRecycleBinsAvailable(bool available);
  int emptyRecycleBinsCalls() const;

  FaultPlan& faults() { return *faults_; }
  std::vector<std::string> openedDocuments() const;
  int endBrowserSessionCalls() const;

 private:
  std::unique_ptr<FaultPlan> ownFaults_;
  FaultPlan* faults_;
  mutable std::mutex mutex_;
  std::vector<std::string> opened_;
  int endSessionCalls_ = 0;
  platform::FileSystem* files_ = nullptr;
  bool recycleBinsAvailable_ = true;
  int emptyRecycleBinsCalls_ = 0;
};

// A clock that moves only when told.
class SimClock : public platform::Clock {
 public:
  platform::LocalTime now() override;
  // The local time less the zone's offset (one hour east of Greenwich
  // unless told otherwise, so that local and universal times differ).
  platform::LocalTime utcNow() override;
  std::uint64_t tickMs() override;

  void setNow(const platform::LocalTime& time);
  void setUtcOffsetMinutes(int minutes);
  void setTickMs(std::uint64_t tick);
  // Moves both the local time (with calendar carries) and the tick count.
  void advance(std::uint64_t milliseconds);

 private:
  std::mutex mutex_;
  platform::LocalTime now_{2011, 3, 15, 10, 30, 0, 0};
  int utcOffsetMinutes_ = 60;
  std::uint64_t tick_ = 1000;
};

// A deterministic generator (splitmix64).
class SimRandom : public platform::Random {
 public:
  explicit SimRandom(std::uint64_t seed = 1) : state_(seed) {}
  std::uint32_t below(std::uint32_t bound) override;
  void seed(std::uint64_t seed);

 private:
  std::mutex mutex_;
  std::uint64_t state_;
};

// Scripted answers for confirm; records every text shown.
class SimPrompts : public platform::Prompts {
 public:
  enum class Kind { Inform, Error, Confirm };
  struct Record {
    Kind kind;
    std::string text;
  };

  void inform(std::string_view text) override;
  void error(std::string_view text) override;
  bool confirm(std::string_view text) override;

  // The next confirm returns `yes`; answers are used in order, and when
  // none is left the default answer (No, the default button) is given.
  void answerConfirm(bool yes);
  void setDefaultAnswer(bool yes);
  std::vector<Record> records() const;
  std::size_t count(Kind kind) const;
  void clear();

 private:
  mutable std::mutex mutex_;
  std::deque<bool> answers_;
  bool defaultAnswer_ = false;
  std::vector<Record> records_;
};

}  // namespace nc::sim
