// Small shared functions that many parts of the program call.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace nc::app {

// The string value `name` of the key `path` below `root`; "" when the key
// or the value is missing, has another type or cannot be read. The key is
// never created.
std::string ReadRegistryString(platform::Registry& registry, platform::RootKey root,
                               std::string_view path, std::string_view name);

// Ends the browser session of Internet Explorer (so the shell's folders
// are current), then gives the Internet cache folder without trailing
// backslash.
std::string InternetCacheFolder(platform::Shell& shell, platform::FileSystem& files);

// Size of the file or folder a directory search finds for the path after
// expanding %VARIABLES%; 0 when nothing is found. Sizes of 2 GiB and more
// are given in full.
std::int64_t FileSizeOf(platform::FileSystem& files, std::string_view path);

// The 8.3 form of a path; "" when the system has none or it would not fit
// in 259 characters.
std::string ShortPathName(platform::FileSystem& files, std::string_view path);

// True when the file exists and cannot be opened for reading and writing
// without sharing (another program holds it).
bool FileLockedExclusive(platform::FileSystem& files, std::string_view path);

// "07" for 7, "12" for 12.
std::string TwoDigits(int value);

}  // namespace nc::app
