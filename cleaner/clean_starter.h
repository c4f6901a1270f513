// The rules that decide whether a clean run starts, apart from the window:
// which items it runs, and the refusals (nothing ticked, a run already
// going, a ticked browser that is open, the confirmation declined).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "cleaner/catalogue.h"
#include "platform/prompts.h"
#include "platform/system.h"

namespace nc::cleaner {

inline constexpr std::string_view kNothingSelectedText =
    "Please select the sections which you want to scan from the left list.";
inline constexpr std::string_view kCloseFirefoxText = "Please close Mozilla Firefox first!";
inline constexpr std::string_view kCloseChromeText = "Please close Google Chrome first!";

struct CleanStartContext {
  const CleanTree& tree;
  int runMode = 0;  // app::RunModeValue, as the caller has set it
  // CleanBusy of the window: set while the confirmation is shown and when
  // the run starts, cleared again when the confirmation is declined.
  bool& cleanBusy;
  bool askBeforeClear = true;    // "IsAskBeforeClear"
  bool unattendedClear = false;  // UnattendedClear
  platform::System& system;
  platform::Prompts& prompts;
  // Shows the confirmation dialog modally; true when the user goes on.
  std::function<bool()> confirmClean;
};

enum class CleanStartOutcome {
  Start,            // create the worker with `runNames`
  NothingSelected,  // told the user, unless the run is unattended
  Busy,             // a run is going; nothing shown
  FirefoxRunning,   // told the user
  ChromeRunning,    // told the user
  Declined,         // the confirmation was answered No
};

struct CleanStartDecision {
  CleanStartOutcome outcome = CleanStartOutcome::NothingSelected;
  std::vector<std::string> runNames;  // the ticked items, in tree order
};

// Collects the ticked items and applies the refusals in order. Messages
// go through `prompts`; the confirmation through `confirmClean`. Outside
// the real clean after a counting pass (app::rmClean) an open Firefox or
// Chrome refuses a clean, never a test, and the confirmation is asked
// unless it is switched off, the run is a test or the start unattended.
CleanStartDecision PrepareCleanStart(const CleanStartContext& context);

}  // namespace nc::cleaner
