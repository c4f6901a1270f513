// Time and randomness where a rule depends on them.
#pragma once

#include <cstdint>

namespace nc::platform {

struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalTime now() = 0;
  // The same moment in Coordinated Universal Time.
  virtual LocalTime utcNow() = 0;
  // Milliseconds from an arbitrary start, never going back.
  virtual std::uint64_t tickMs() = 0;
};

class Random {
 public:
  virtual ~Random() = default;
  // A value from 0 to bound - 1.
  virtual std::uint32_t below(std::uint32_t bound) = 0;
};

}  // namespace nc::platform
