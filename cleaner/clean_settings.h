// The settings a clean run reads. The program's settings record holds
// them among the others and keeps them current while a run goes on: Fast
// mode is read anew for every line, so a change during a run takes effect
// from the next line.
#pragma once

#include <atomic>
#include <cstdint>

namespace nc::cleaner {

// A switch one thread reads while another sets it (Fast mode: the worker
// reads it for every line, the window's "Fast Mode" box and Cancel set
// it). Copies take its current state, so the settings record stays a
// value that the options dialog can copy.
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
