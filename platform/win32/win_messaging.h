// Messages between workers and a window.
//
// `WindowUiThread::invoke` from another thread sends `kInvokeMessage`
// (WM_APP + 0x100) to the window with the step's address in lParam; the
// window procedure must answer that message with
// `return nc::win32::RunInvokeMessage(lParam);`.
#pragma once

#include <windows.h>

#include "platform/messaging.h"

namespace nc::win32 {

inline constexpr UINT kInvokeMessage = WM_APP + 0x100;

// Runs the step carried by a kInvokeMessage; returns 0.
LRESULT RunInvokeMessage(LPARAM lParam);

class WindowMessageTarget final : public platform::MessageTarget {
 public:
  explicit WindowMessageTarget(HWND window) : window_(window) {}
  bool post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;

 private:
  HWND window_;
};

class WindowUiThread final : public platform::UiThread {
 public:
  explicit WindowUiThread(HWND window, UINT invokeMessage = kInvokeMessage)
      : window_(window), message_(invokeMessage) {}
  // Blocks until the window's thread has run `step`; does nothing when
  // the window is gone.
  void invoke(const std::function<void()>& step) override;
  // Answers messages sent from other threads (the invoke steps) while it
  // waits; posted messages stay in the queue.
  void waitPumping(const std::function<bool()>& done) override;

 private:
  HWND window_;
  UINT message_;
};

}  // namespace nc::win32
