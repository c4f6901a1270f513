#include "platform/win32/privileges.h"

#include <windows.h>

#include "platform/win32/error.h"
#include "platform/win32/handles.h"
#include "platform/win32/wide.h"

namespace nc::win32 {

Status EnablePrivilege(const wchar_t* name) {
  const std::string what = NarrowZ(name);
  TokenHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY,
                        token.receive())) {
    return LastError("open process token", what);
  }
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (!LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid)) {
    return LastError("look up privilege", what);
  }
  // Succeeds even when the privilege is not held; the last error tells.
  SetLastError(ERROR_SUCCESS);
  if (!AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr) ||
      GetLastError() != ERROR_SUCCESS) {
    return LastError("enable privilege", what);
  }
  return Status::Ok();
}

}  // namespace nc::win32
