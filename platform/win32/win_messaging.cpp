#include "platform/win32/win_messaging.h"

namespace nc::win32 {

LRESULT RunInvokeMessage(LPARAM lParam) {
  const auto* step = reinterpret_cast<const std::function<void()>*>(lParam);
  if (step != nullptr && *step) (*step)();
  return 0;
}

bool WindowMessageTarget::post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
  return PostMessageW(window_, message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam)) !=
         FALSE;
}

void WindowUiThread::invoke(const std::function<void()>& step) {
  if (GetWindowThreadProcessId(window_, nullptr) == GetCurrentThreadId()) {
    step();
    return;
  }
  SendMessageW(window_, message_, 0, reinterpret_cast<LPARAM>(&step));
}

void WindowUiThread::waitPumping(const std::function<bool()>& done) {
  while (!done()) {
    // Peeking answers messages that other threads sent to this thread.
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_SENDMESSAGE);
  }
}

}  // namespace nc::win32
