// Privileges of the process's access token.
#pragma once

#include "core/result.h"

namespace nc::win32 {

// Enables a privilege ("SeBackupPrivilege", ...) for the process. Fails
// with AccessDenied when the account does not hold it.
Status EnablePrivilege(const wchar_t* name);

}  // namespace nc::win32
