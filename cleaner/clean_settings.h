// The settings a clean run reads. The program's settings record holds
// them among the others and keeps them current while a run goes on: Fast
// mode is read anew for every line, so a change during a run takes effect
// from the next line.
#pragma once

#include <cstdint>

namespace nc::cleaner {

struct CleanSettings {
  bool IsWipeFile = false;
  std::int32_t WipeNumber = 1;  // overwrite passes, 1..10
  bool FastScan = true;
  bool ShowLogTempInternetFiles = false;
  bool ShowLogRecycleBin = false;
};

}  // namespace nc::cleaner
