// The switches the program can be started with. Only the first argument
// selects a mode; the second is the result file of "/Regscan" or the
// report file of "/Clear" and "/Auto".
#pragma once

#include <string>
#include <vector>

namespace nc::app {

enum class RunSwitch {
  None,
  Auto,       // "/Auto", exactly so: the start from the autostart entry
  Clear,      // "/Clear", any case: clean, scan and fix unattended
  Regdefrag,  // "/Regdefrag", any case: unattended compaction
  Regscan,    // "/Regscan" [result file], any case: unattended analysis
};

struct CommandLine {
  RunSwitch runSwitch = RunSwitch::None;
  // The file "/Regscan" reports into; empty when none was given or for
  // any other switch.
  std::string resultFile;
  // The JSON report of an unattended "/Clear" or "/Auto" run (run_report.h);
  // empty when none was given or for any other switch.
  std::string reportFile;
};

CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

}  // namespace nc::app
