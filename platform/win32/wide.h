// UTF-8 <-> UTF-16 at the boundary with the wide Win32 functions.
//
// Everything in platform/win32 may include <windows.h>; nothing above it
// may. Text crosses into the system here and nowhere else.
#pragma once

#include <string>
#include <string_view>

namespace nc::win32 {

std::wstring Widen(std::string_view text);
std::string Narrow(std::wstring_view text);
// The text of a NUL-terminated wide buffer.
std::string NarrowZ(const wchar_t* text);

// A path the wide file functions accept at any length: paths longer than
// MAX_PATH - 1 characters get the "\\?\" prefix ("\\?\UNC\" for network
// paths); shorter ones are passed as written.
std::wstring LongPath(std::string_view path);

}  // namespace nc::win32
