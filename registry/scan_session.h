// Starting, cancelling and finishing a registry scan, apart from the
// window: the section list, the refusal when nothing is chosen, the
// progress step, the floppy test, the worker's lifetime, and the rule
// that a cancelled scan loses exactly its last entry and is finished once.
//
// Everything here runs on the window's thread. The worker's writes reach
// the window through steps on that thread (UiThread::invoke), each
// checked against the scan it belongs to. Cancel closes that gate first,
// so nothing the worker still writes is applied, then waits for the
// worker while answering its steps (UiThread::waitPumping) and joins it,
// and only then removes the last row: exactly one row goes, and no worker
// outlives its scan.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/messaging.h"
#include "platform/platform.h"
#include "registry/results_model.h"
#include "registry/scan_worker.h"

namespace nc::registry {

inline constexpr std::string_view kNoSectionsChosenText =
    "Please select the sections which you want to scan from the left list.";
// The progress bar's caption while the floppy drives are tested.
inline constexpr std::string_view kPreparingCaption = "Prepairing...";
inline constexpr std::string_view kScanIdleTitle = "Select the sections to scan";

// The two status lines of the registry page: the section title above the
// problem list and the key line under it.
class ScanStatusView {
 public:
  virtual ~ScanStatusView() = default;
  virtual void SetSectionStatus(std::string_view text) = 0;
  virtual void SetKeyLine(std::string_view text) = 0;
};

enum class ScanStartOutcome {
  Started,
  NothingSelected,  // told the user unless unattended; nothing changed
  Busy,             // a scan runs; Scan cancels instead
};

class ScanSession {
 public:
  ScanSession(ScanEnvironment env, ScanStatusView& status, ResultsModel& results);
  // Requests the stop of every worker and joins them: call when the
  // window no longer answers steps (or the workers have ended).
  ~ScanSession();
  ScanSession(const ScanSession&) = delete;
  ScanSession& operator=(const ScanSession&) = delete;

  // Scan pressed while idle, with the tree's chosen section list. Clears
  // the results, fixes the progress step, creates the worker, tests the
  // floppy drives when removable drives are reported (`preparing` is
  // called with true before and false after, for the "Prepairing..."
  // caption) and starts the worker.
  ScanStartOutcome Start(std::vector<std::string> sectionList, bool unattendedClear,
                         const std::function<void(bool)>& preparing = {});

  // Scan pressed while running: stops the worker, drops whatever it
  // would still write, waits for it to end, removes the last row (it may
  // be incomplete) and ticks the rest. True when a scan was running: the window then runs
  // its scan-finished handling at once. False when idle.
  bool Cancel();

  // WM_SCAN_DONE arrived. True, with every row ticked, when it ends the
  // running scan; false for a notice that belongs to no running scan
  // (the scan was cancelled or already finished).
  bool OnScanDone();

  bool Running() const { return running_; }
  int ProgressStep() const { return progressStep_; }
  // The worker of the running (or last) scan; null before the first.
  const ScanWorker* Worker() const;

 private:
  class GatedSink;
  struct Run;

  void Finish();

  ScanEnvironment env_;
  ScanStatusView& status_;
  ResultsModel& results_;
  std::unique_ptr<Run> current_;
  bool running_ = false;
  int progressStep_ = 10;
};

}  // namespace nc::registry
