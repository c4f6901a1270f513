// Clock and random numbers of the running system.
#pragma once

#include <random>

#include "platform/clock.h"

namespace nc::win32 {

class WinClock final : public platform::Clock {
 public:
  platform::LocalTime now() override;
  platform::LocalTime utcNow() override;
  std::uint64_t tickMs() override;
};

// A Mersenne twister seeded from the clock when made.
class WinRandom final : public platform::Random {
 public:
  WinRandom();
  std::uint32_t below(std::uint32_t bound) override;

 private:
  std::mt19937 engine_;
};

}  // namespace nc::win32
