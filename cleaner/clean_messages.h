// Messages the clean worker posts to the main window. The numbers are
// fixed; no other private message of the program shares them.
#pragma once

#include <cstdint>

namespace nc::cleaner {

// wParam: items counted so far in the run.
inline constexpr std::uint32_t WM_CLEAN_PROGRESS = 0x5408;
// wParam: items of the run; lParam: kCleanDoneAfterError after a run that
// stopped on an error, otherwise 0.
inline constexpr std::uint32_t WM_CLEAN_DONE = 0x5409;

}  // namespace nc::cleaner
