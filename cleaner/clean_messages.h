// Messages the clean worker posts to the main window. The numbers are
// fixed; no other private message of the program shares them.
//
// Every run has an identity (1 and up; 0 in tests that run a worker by
// itself), which both messages carry in lParam, so that the window can
// tell the messages of a run it cancelled from those of the run it started
// after.
#pragma once

#include <cstdint>

namespace nc::cleaner {

// wParam: items counted so far in the run; lParam: CleanMessageParam.
inline constexpr std::uint32_t WM_CLEAN_PROGRESS = 0x5408;
// wParam: items of the run; lParam: CleanMessageParam, with the error
// mark after a run that stopped on an error.
inline constexpr std::uint32_t WM_CLEAN_DONE = 0x5409;

// The lowest bit of lParam: the run stopped on an error.
inline constexpr std::intptr_t kCleanDoneAfterError = 1;
// Run identities stay below this, so that lParam is positive on 32-bit
// Windows too.
inline constexpr std::uint32_t kCleanRunIdLimit = 0x3FFFFFFF;

constexpr std::intptr_t CleanMessageParam(std::uint32_t runId, bool afterError = false) {
  return static_cast<std::intptr_t>(runId % kCleanRunIdLimit) * 2 +
         (afterError ? kCleanDoneAfterError : 0);
}
constexpr std::uint32_t CleanRunOf(std::intptr_t lParam) {
  return static_cast<std::uint32_t>(lParam / 2);
}
constexpr bool CleanDoneAfterError(std::intptr_t lParam) {
  return (lParam & kCleanDoneAfterError) != 0;
}

}  // namespace nc::cleaner
