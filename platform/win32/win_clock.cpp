#include "platform/win32/win_clock.h"

#include <windows.h>

namespace nc::win32 {

platform::LocalTime WinClock::now() {
  SYSTEMTIME time{};
  GetLocalTime(&time);
  return {time.wYear,   time.wMonth,  time.wDay,         time.wHour,
          time.wMinute, time.wSecond, time.wMilliseconds};
}

platform::LocalTime WinClock::utcNow() {
  SYSTEMTIME time{};
  GetSystemTime(&time);
  return {time.wYear,   time.wMonth,  time.wDay,         time.wHour,
          time.wMinute, time.wSecond, time.wMilliseconds};
}

std::uint64_t WinClock::tickMs() {
  return GetTickCount64();
}

WinRandom::WinRandom() {
  LARGE_INTEGER counter{};
  QueryPerformanceCounter(&counter);
  const auto ticks = static_cast<std::uint64_t>(counter.QuadPart) ^ GetTickCount64();
  std::seed_seq seed{static_cast<std::uint32_t>(ticks), static_cast<std::uint32_t>(ticks >> 32),
                     static_cast<std::uint32_t>(GetCurrentProcessId())};
  engine_.seed(seed);
}

std::uint32_t WinRandom::below(std::uint32_t bound) {
  if (bound <= 1) return 0;
  return std::uniform_int_distribution<std::uint32_t>(0, bound - 1)(engine_);
}

}  // namespace nc::win32
