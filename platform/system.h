// System port: version, account, privileges, processes, windows of other
// programs, clipboard, System Restore.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"

namespace nc::platform {

// What the system reports about its version.
struct VersionInfo {
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::uint32_t build = 0;
  std::uint32_t platformId = 2;  // 1 = Windows 95 family, 2 = NT family
  std::string servicePack;
};

inline constexpr std::uint32_t kPlatformWin32Windows = 1;
inline constexpr std::uint32_t kPlatformWin32Nt = 2;

class System {
 public:
  virtual ~System() = default;

  virtual VersionInfo version() = 0;
  // A 32-bit process on 64-bit Windows.
  virtual bool isWow64() = 0;
  // 64-bit Windows, whatever the program is.
  virtual bool is64BitWindows() = 0;
  // The account belongs to the built-in Administrators group.
  virtual bool isAdministrator() = 0;
  // Full path of the running program.
  virtual std::string executablePath() = 0;
  // The program's command-line arguments after the program name.
  virtual std::vector<std::string> arguments() = 0;

  // Empties the clipboard; false when it could not be opened.
  virtual bool emptyClipboard() = 0;
  // Text in the system's ANSI code page, for the files the program writes
  // in that form (saved logs and reports, REGEDIT4 backups); characters
  // the code page lacks become "?".
  virtual std::string toAnsiCodePage(std::string_view utf8) = 0;
  // Text in the ANSI code page back to UTF-8.
  virtual std::string fromAnsiCodePage(std::string_view ansi) = 0;
  // Asks System Restore for a restore point at the start of a change, with
  // this description; false when the service refused or is not there.
  // Blocks until the service answers.
  virtual bool createRestorePoint(std::string_view description) = 0;
  // Turns the system's critical-error boxes ("There is no disk in the
  // drive") off or back on for the calling thread; gives the former state.
  virtual bool showCriticalErrorBoxes(bool shown) = 0;
};

// Critical-error boxes off while the guard lives, as they were after: a
// probe of a drive without media then fails quietly instead of stopping
// on a system dialog.
class NoCriticalErrorBoxes {
 public:
  explicit NoCriticalErrorBoxes(System& system)
      : system_(system), previous_(system.showCriticalErrorBoxes(false)) {}
  ~NoCriticalErrorBoxes() { system_.showCriticalErrorBoxes(previous_); }
  NoCriticalErrorBoxes(const NoCriticalErrorBoxes&) = delete;
  NoCriticalErrorBoxes& operator=(const NoCriticalErrorBoxes&) = delete;

 private:
  System& system_;
  bool previous_;
};

}  // namespace nc::platform
