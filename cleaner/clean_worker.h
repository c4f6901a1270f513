// The clean worker: runs the ticked clean items one after another on its
// own thread, writes the log, counts items and bytes per item and for the
// run, and tells the main window how far it got.
//
// Messages to the main window, each with the run's identity in lParam
// (clean_messages.h): WM_CLEAN_PROGRESS (wParam = items so far) after each
// item and at most every 2 seconds within one; WM_CLEAN_DONE (wParam =
// TotalItems) after the totals. A run cancelled with RequestStop posts
// nothing more: the window has reset itself. A run that stops on an error
// writes kRunErrorLine and posts WM_CLEAN_DONE with the error mark, so
// that the window leaves "Cancel".
//
// Lifetime: the worker writes to the log, the settings, the run mode and
// the window's message ports it was given; its owner must keep them alive
// until the worker has ended. The destructor requests the stop and joins.
// While the worker waits in UiThread::invoke (before and after each item,
// and while a question to the user is open) it needs the window's thread
// to answer: join from that thread only when
// the window no longer answers steps (the Win32 window is destroyed, the
// substitute queue is stopped), or after the worker has finished.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "cleaner/clean_messages.h"
#include "cleaner/clean_run.h"

namespace nc::cleaner {

// The line between items and around the totals: 107 hyphens.
inline constexpr std::string_view kCleanSeparator =
    "----------------------------------------------------------------------------------------------"
    "-"
    "------------";
// Written when an item ends the run with an error.
inline constexpr std::string_view kRunErrorLine = "The run stopped on an error.";

class CleanWorker {
 public:
  // `runNames` are the run names in the order to run them; `expectedTotal`
  // is the count of the counting pass (0 when there was none); `runId` is
  // the identity its messages carry.
  CleanWorker(CleanEnvironment env, std::vector<std::string> runNames, std::int32_t expectedTotal,
              std::uint32_t runId = 0);
  ~CleanWorker();
  CleanWorker(const CleanWorker&) = delete;
  CleanWorker& operator=(const CleanWorker&) = delete;

  // Runs Execute on a new thread; a second call does nothing.
  void Start();
  // Cancel: the run stops before the next item or the next file.
  void RequestStop() { run_.RequestStop(); }
  // Waits until the thread has ended; does nothing when it never started
  // or was joined already.
  void Join();
  // Execute has returned.
  bool Finished() const { return finished_.load(); }

  // The run itself (Start runs it on the worker's thread; tests may call
  // it directly).
  void Execute();

  // Per-item bookkeeping; Execute runs them on the window's thread.
  void ResetItemCounters();
  void ReportItemDone();

  CleanRun& run() { return run_; }
  const std::vector<std::string>& RunNames() const { return runNames_; }
  std::int32_t ExpectedTotal() const { return expectedTotal_; }
  // Index of the run name being processed; -1 before the first.
  std::int32_t CurrentIndex() const { return currentIndex_.load(); }

 private:
  void RunAll();

  CleanRun run_;
  std::vector<std::string> runNames_;
  std::int32_t expectedTotal_ = 0;
  std::atomic<std::int32_t> currentIndex_{-1};
  std::atomic<bool> finished_{false};
  std::thread thread_;
};

// True for the run names that have a procedure of their own (the
// "Windows", "Advanced", browser, Office and messenger items); every other
// name, custom lists aside, is a section of the definitions file.
bool IsFixedItemName(std::string_view runName);

// Runs one clean item: a community item ("Community - " first) from the
// run's community catalogue, a custom list entry ("Custom Lists -" anywhere in
// the name) from "Custom.dat", a fixed item by its procedure, anything
// else from the section of "kvrn.dat" that the name selects.
void DispatchCleanItem(CleanRun& run, std::string_view runName);

// The Internet Explorer, Office, messenger, Firefox, Netscape, Opera and
// Chrome items of the fixed table.
void RunBrowserOrOfficeItem(CleanRun& run, std::string_view runName);

}  // namespace nc::cleaner
