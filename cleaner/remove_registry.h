// Removal of registry keys and values for the clean worker. Each call
// counts what it removes (a key as the values of its tree, at least 1; a
// value as 1), writes one log line per key or value and changes nothing in
// test mode, so that a test and a clean report the same figures. A key
// path never names a root itself.
#pragma once

#include <cstdint>
#include <string_view>

#include "cleaner/clean_run.h"
#include "platform/registry.h"

namespace nc::cleaner {

// Registry keys and values by the full root name ("HKEY_CURRENT_USER",
// any case); other names do nothing and count 0.
std::int32_t DeleteKeyByRootName(CleanRun& run, std::string_view rootName,
                                 std::string_view keyPath);
std::int32_t DeleteValuesByRootName(CleanRun& run, std::string_view rootName,
                                    std::string_view keyPath, std::string_view valueName);
// The same below a root key, in a chosen view of HKEY_LOCAL_MACHINE.
std::int32_t DeleteUserKey(CleanRun& run, platform::RootKey root, std::string_view keyPath,
                           platform::RegView view = platform::RegView::Default);
std::int32_t DeleteUserValues(CleanRun& run, platform::RootKey root, std::string_view keyPath,
                              std::string_view valueName,
                              platform::RegView view = platform::RegView::Default);
// Number of values in the key and all its sub-keys, a registry link
// counting as one entry (never followed); 0 when it cannot be opened.
std::int64_t CountKeyValues(CleanRun& run, platform::RootKey root, std::string_view keyPath,
                            platform::RegView view = platform::RegView::Default);

}  // namespace nc::cleaner
