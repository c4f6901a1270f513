// Questions and messages to the user as message boxes owned by a window.
#pragma once

#include <windows.h>

#include "platform/prompts.h"

namespace nc::win32 {

class WinPrompts final : public platform::Prompts {
 public:
  // `owner` may be null (boxes without an owner window).
  explicit WinPrompts(HWND owner) : owner_(owner) {}
  void setOwner(HWND owner) { owner_ = owner; }

  void inform(std::string_view text) override;
  void error(std::string_view text) override;
  bool confirm(std::string_view text) override;

 private:
  HWND owner_;
};

}  // namespace nc::win32
