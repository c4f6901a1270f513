// Win32 error codes become portable errors here, in exactly one function.
#pragma once

#include <string_view>

#include "core/result.h"

namespace nc::win32 {

// A Win32 error code (GetLastError) or registry status (LSTATUS).
Errc ErrcFromWin32(unsigned long code);

// An error for `op` on `path` with the given code.
Error Win32Error(unsigned long code, std::string_view op, std::string_view path);
// The same with the calling thread's last error.
Error LastError(std::string_view op, std::string_view path);

}  // namespace nc::win32
