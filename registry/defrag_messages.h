// Messages of the registry compaction worker to the main window. The
// numbers are fixed; no other private message of the program shares them.
#pragma once

#include <cstdint>

namespace nc::registry {

inline constexpr std::uint32_t WM_DEFRAG_START = 0x6422;
inline constexpr std::uint32_t WM_DEFRAG_HIVE_DONE = 0x6423;

}  // namespace nc::registry
