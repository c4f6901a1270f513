// The cookie keep list: names of cookie files that the cookie clean must
// leave alone. It lives in "Cookies.ini" in the program folder, section
// "Cookies to Keep" with "Count" and the names under the keys "0" to
// Count-1. The options dialog writes it; the cookie clean reads it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/filesystem.h"
#include "platform/profile.h"

namespace nc::cleaner {

// "Cookies.ini" in the program folder (given with or without trailing
// backslash).
std::string CookieKeepListPath(std::string_view programFolder);

// The names in list order. Empty names are skipped; a damaged count never
// reads past the lines the section holds; a missing file is an empty list.
std::vector<std::string> ReadCookieKeepList(platform::Profile& profile, std::string_view path);

// The keep list as the cookie clean and the options dialog must take it
// (the dialog shows a list it cannot trust read-only): the names as above
// when the file is missing (an empty list) or sound; nothing when the file
// exists but cannot be read, or its "Count" is missing, not a number or
// negative. A list that cannot be trusted keeps every cookie.
std::optional<std::vector<std::string>> ReadCookieKeepListForClean(platform::FileSystem& files,
                                                                   platform::Profile& profile,
                                                                   std::string_view path);
// The log line of a cookie clean that keeps every cookie for that reason.
inline constexpr std::string_view kKeepListUnreadableLine =
    "The keep list \"Cookies.ini\" cannot be read; no cookie is removed.";

// Writes "Count" and the names "0".. in list order. Entries beyond the new
// count that an older, longer list left in the file stay there, unread.
// False when the file could not be written.
bool WriteCookieKeepList(platform::Profile& profile, std::string_view path,
                         const std::vector<std::string>& names);

}  // namespace nc::cleaner
