// The settings a clean run reads. Each run reads its own copy, taken from
// the program's settings record when it starts, so Options changed during
// a run apply to the next one. Fast mode in that copy is read anew for
// every line: the window's "Fast Mode" box changes a listing run from its
// next line, and the counting pass sets it there alone.
#pragma once

#include <atomic>
#include <cstdint>

namespace nc::cleaner {

// A switch one thread reads while another sets it (Fast mode: the worker
// reads it for every line, the window's "Fast Mode" box sets it). Copies take its current state, so
// the settings record stays a value that the options dialog can copy.
class SharedSwitch {
 public:
  SharedSwitch(bool on = false) : on_(on) {}  // NOLINT: reads as a bool
  SharedSwitch(const SharedSwitch& other) : on_(other.on_.load()) {}
  SharedSwitch& operator=(const SharedSwitch& other) {
    on_.store(other.on_.load());
    return *this;
  }
  SharedSwitch& operator=(bool on) {
    on_.store(on);
    return *this;
  }
  operator bool() const { return on_.load(); }  // NOLINT: reads as a bool

 private:
  std::atomic<bool> on_;
};

struct CleanSettings {
  bool IsWipeFile = false;
  std::int32_t WipeNumber = 1;  // overwrite passes, 1..10
  SharedSwitch FastScan = true;
  bool ShowLogTempInternetFiles = false;
  bool ShowLogRecycleBin = false;
};

}  // namespace nc::cleaner
