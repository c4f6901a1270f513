// Messages of the registry compaction worker and its progress dialog. The
// private numbers are fixed; no other private message of the program
// shares them.
#pragma once

#include <cstdint>

namespace nc::registry {

// Posted by the progress dialog to itself to start the worker.
inline constexpr std::uint32_t WM_DEFRAG_START = 0x6422;
// Posted by the worker after each hive: wParam the milliseconds the first
// hive took, lParam the number of hives finished so far.
inline constexpr std::uint32_t WM_DEFRAG_HIVE_DONE = 0x6423;
// The worker's close request at its end: the window system's close
// message (WM_CLOSE), so the dialog closes as if closed by the user.
inline constexpr std::uint32_t kDefragCloseRequest = 0x0010;

}  // namespace nc::registry
