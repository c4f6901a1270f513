// The cookie keep list: names of cookie files that the cookie clean must
// leave alone. It lives in "Cookies.ini" in the program folder, section
// "Cookies to Keep" with "Count" and the names under the keys "0" to
// Count-1. The options dialog writes it; the cookie clean reads it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/profile.h"

namespace nc::cleaner {

// "Cookies.ini" in the program folder (given with or without trailing
// backslash).
std::string CookieKeepListPath(std::string_view programFolder);

// The names in list order. Empty names are skipped; a damaged count never
// reads past the lines the section holds; a missing file is an empty list.
std::vector<std::string> ReadCookieKeepList(platform::Profile& profile, std::string_view path);

// Writes "Count" and the names "0".. in list order. Entries beyond the new
// count that an older, longer list left in the file stay there, unread.
// False when the file could not be written.
bool WriteCookieKeepList(platform::Profile& profile, std::string_view path,
                         const std::vector<std::string>& names);

}  // namespace nc::cleaner
