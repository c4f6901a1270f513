// The page addresses a Chromium profile's "Bookmarks" file names. The file
// is JSON written by the browser; it is read, never trusted: a file that
// is too large, nested too deep or not JSON at all gives no answer, so
// that a damaged file never passes for a profile without bookmarks.
#pragma once

#include <cstddef>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "platform/filesystem.h"

namespace nc::cleaner {

// The largest "Bookmarks" file read, and the deepest nesting of its
// objects and arrays.
inline constexpr std::uint64_t kMaxBookmarksBytes = 64ull << 20;
inline constexpr int kMaxBookmarksDepth = 200;

// Every string value of a member named "url", at any depth, as UTF-8;
// nullopt when the text is not one whole JSON value (a byte-order mark
// before it and white space around it allowed) or nests deeper than
// kMaxBookmarksDepth.
std::optional<std::set<std::string>> ParseBookmarkUrls(std::string_view json);

// The addresses of the profile's bookmarks file `path`: an empty set when
// there is no file of that name; nullopt when there is one that cannot be
// read (a folder, a link, locked, larger than kMaxBookmarksBytes) or
// parsed.
std::optional<std::set<std::string>> ReadBookmarkUrls(platform::FileSystem& files,
                                                      const std::string& path);

}  // namespace nc::cleaner
