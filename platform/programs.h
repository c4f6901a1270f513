// Programs port: other programs this program starts, watches and ends,
// and the windows of other programs it sends keystrokes to.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

#include "core/result.h"

namespace nc::platform {

// A program this program started. Destroying the object lets go of the
// program without ending it.
class ChildProcess {
 public:
  virtual ~ChildProcess() = default;
  // The program has ended (asked without waiting).
  virtual bool finished() = 0;
  // Ends the program at once, with exit code 0.
  virtual void terminate() = 0;
  // The program's exit code once it has ended; none before, or when the
  // system cannot tell.
  virtual std::optional<std::uint32_t> exitCode() = 0;
};

enum class StartShow : std::uint8_t {
  Hidden,  // window hidden, standard handles empty
  Normal,
};

// A window of another program; 0 is none.
using WindowId = std::uintptr_t;

// One keystroke sent to a window, or a pause between keystrokes.
struct KeyStroke {
  enum class Kind : std::uint8_t { KeyDown, Char, Pause };
  Kind kind = Kind::KeyDown;
  std::uint32_t code = 0;  // virtual-key code, character (UTF-32) or milliseconds

  bool operator==(const KeyStroke&) const = default;
};

class Programs {
 public:
  virtual ~Programs() = default;

  // Starts a command line; its first word is looked up as the system looks
  // up programs. With `waitIdleMs` above 0, waits at most that long until
  // the new program waits for input.
  [[nodiscard]] virtual Result<std::unique_ptr<ChildProcess>> start(std::string_view commandLine,
                                                                    StartShow show,
                                                                    std::uint32_t waitIdleMs) = 0;
  // As start, but the program is the system's native one: a 32-bit
  // program on 64-bit Windows looks it up with the file-system redirection
  // turned off, so that "<Windows>\regedit.exe" and "<Windows>\System32"
  // name the 64-bit programs, not those of SysWOW64.
  [[nodiscard]] virtual Result<std::unique_ptr<ChildProcess>> startNative(
      std::string_view commandLine, StartShow show, std::uint32_t waitIdleMs) = 0;

  // A top-level window of this class; 0 when there is none.
  virtual WindowId findWindow(std::string_view className) = 0;
  // The first window of this class below `parent` (at any depth).
  virtual WindowId findChildWindow(WindowId parent, std::string_view className) = 0;
  virtual void showMaximized(WindowId window) = 0;
  // Brings the window to the foreground and sends it the keystrokes in
  // order, waiting where a pause says so.
  virtual void sendKeys(WindowId window, std::span<const KeyStroke> keys) = 0;
};

}  // namespace nc::platform
