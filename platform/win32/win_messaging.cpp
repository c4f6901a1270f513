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

}  // namespace nc::win32
