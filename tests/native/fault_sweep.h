// A fault swept through every call of one operation, as SQLite's tests do
// with its test file system: the first run fails the first matching call,
// the next run the second, and so on, until a run goes through without a
// fault.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace nc::testing {

// Calls `attempt(nth)` for nth = 1, 2, ...; each attempt sets up a fresh
// run whose `nth` matching call fails, checks it, and answers whether a
// fault fired. The sweep ends with the first attempt in which none fired.
// It fails when the very first attempt fired nothing (the rule matches no
// call of the operation, so the sweep tested nothing) and when `limit`
// attempts in a row fired.
template <typename Attempt>
[[nodiscard]] ::testing::AssertionResult SweepFaults(Attempt&& attempt, std::uint64_t limit = 20) {
  for (std::uint64_t nth = 1; nth <= limit; ++nth) {
    if (attempt(nth)) continue;
    if (nth == 1) {
      return ::testing::AssertionFailure() << "no fault fired: the rule matches no call";
    }
    return ::testing::AssertionSuccess() << (nth - 1) << " runs with a fault";
  }
  return ::testing::AssertionFailure() << "still faulting after " << limit << " runs";
}

}  // namespace nc::testing
