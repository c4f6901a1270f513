// The rules that decide whether a clean run starts, apart from the window:
// which items it runs, and the refusals (nothing ticked, a run already
// going, a ticked browser that is open, the confirmation declined).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "cleaner/catalogue.h"
#include "cleaner/run_mode.h"
#include "platform/filesystem.h"
#include "platform/programs.h"
#include "platform/prompts.h"
#include "platform/registry.h"

namespace nc::cleaner {

inline constexpr std::string_view kNothingSelectedText =
    "Please select the sections which you want to scan from the left list.";
inline constexpr std::string_view kCloseFirefoxText = "Please close Mozilla Firefox first!";
inline constexpr std::string_view kCloseChromeText = "Please close Google Chrome first!";

struct CleanStartContext {
  const CleanTree& tree;
  RunMode runMode = RunMode::Clean;  // as the caller has set it
  // CleanBusy of the window: set while the confirmation is shown and when
  // the run starts, cleared again when the confirmation is declined.
  bool& cleanBusy;
  bool askBeforeClear = true;    // "IsAskBeforeClear"
  bool unattendedClear = false;  // UnattendedClear
  platform::Programs& programs;  // which browsers are open: Firefox's windows
  platform::Prompts& prompts;
  // Where the browsers' profiles are and whether their locks are held.
  platform::Registry& registry;
  platform::FileSystem& files;
  // Shows the confirmation dialog modally; true when the user goes on.
  std::function<bool()> confirmClean;
  // Nobody may be asked (the session is ending): no confirmation and no
  // message; a refusal is silent.
  bool askNothing = false;
};

enum class CleanStartOutcome {
  Start,            // create the worker with `runNames`
  NothingSelected,  // told the user, unless the run is unattended
  Busy,             // a run is going; nothing shown
  FirefoxRunning,   // told the user
  ChromeRunning,    // told the user
  ChromiumRunning,  // another Chromium browser runs; told the user `refusal`
  Declined,         // the confirmation was answered No
};

// A ticked item an unattended run leaves out, and why.
struct SkippedCleanItem {
  std::string runName;
  std::string browser;  // the group of the open browser: "Mozilla Firefox"
  std::string reason;   // "Please close Mozilla Firefox first!"
};

struct CleanStartDecision {
  CleanStartOutcome outcome = CleanStartOutcome::NothingSelected;
  std::vector<std::string> runNames;  // the ticked items, in tree order
  std::string refusal;                // the text of a refusal for a running browser
  // An unattended "/Clear": the items of the open browsers, left out of
  // `runNames` instead of a refusal.
  std::vector<SkippedCleanItem> skipped;
};

// Collects the ticked items and applies the refusals in order. Messages
// go through `prompts`, one at a time (`cleanBusy` is set while one is
// open); the confirmation through `confirmClean`. Outside
// the real clean after a counting pass (RunMode::Clean) a running browser
// with a ticked item refuses a clean, never a test: Firefox by its
// window class or a profile's held "parent.lock", a Chromium browser by
// its held "User Data\lockfile" (so an open Edge never blocks a clean of
// Chrome). The group's own mark plays no part: its items decide. In an
// unattended "/Clear" nobody can close the browser: its items are left
// out (`skipped`) without a message and the rest of the run goes on; when
// nothing is left, the outcome is the first open browser's refusal, again
// without a message. The confirmation is asked unless it is switched off,
// the run is a test or the start unattended.
CleanStartDecision PrepareCleanStart(const CleanStartContext& context);

}  // namespace nc::cleaner
