#include "platform/win32/win_shell.h"

#include <windows.h>

#include <shellapi.h>
#include <wininet.h>

#include <cstdint>

#include "platform/win32/error.h"
#include "platform/win32/wide.h"

namespace nc::win32 {

Status WinShell::openDocument(std::string_view target) {
  const auto result = reinterpret_cast<std::intptr_t>(
      ShellExecuteW(nullptr, L"open", Widen(target).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (result > 32) return Status::Ok();
  // Values up to 32 are errors; most share the Win32 numbers.
  if (result == SE_ERR_NOASSOC) return Error{Errc::NotSupported, "open", std::string(target)};
  if (result == 0) return Error{Errc::IoError, "open", std::string(target)};
  return Win32Error(static_cast<unsigned long>(result), "open", target);
}

void WinShell::endBrowserSession() {
  InternetSetOptionW(nullptr, INTERNET_OPTION_END_BROWSER_SESSION, nullptr, 0);
}

}  // namespace nc::win32
