// The scan worker: runs the chosen registry sections one after another on
// its own thread.
//
// Per section it waits for a rendezvous with the window's thread, runs the
// section's routine and, through a step on that thread, posts
// WM_SCAN_SECTION_DONE unless a stop was requested. After the last
// section it shows "Optimizing...Do not close the dialog." and "Please
// wait..." and posts WM_SCAN_DONE, in one step on the window's thread and
// only when no stop was requested: a cancelled scan is finished by the
// window itself, so it never gets a second notice. An unexpected
// exception inside a section ends the run; the end is still shown and
// posted.
//
// Lifetime: the worker writes to the sink, reads the settings and posts
// to the window it was given; its owner keeps them alive until the worker
// has ended. The destructor requests the stop and joins. While the worker
// waits in UiThread::invoke it needs the window's thread to answer: join
// from that thread only when the window no longer answers steps, or after
// Finished() is true.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/messaging.h"
#include "platform/platform.h"
#include "registry/locations.h"
#include "registry/registry_settings.h"
#include "registry/scan_context.h"

namespace nc::registry {

// Messages the scan worker posts to the main window; the numbers are fixed.
inline constexpr std::uint32_t WM_SCAN_SECTION_DONE = 0x6413;
inline constexpr std::uint32_t WM_SCAN_DONE = 0x6414;

inline constexpr std::string_view kScanOptimizingText = "Optimizing...Do not close the dialog.";
inline constexpr std::string_view kScanPleaseWaitText = "Please wait...";

// Runs the routine of one section id (RunSection in the program).
using SectionRunner = std::function<void(ScanContext&, int)>;

// What a scan is given by the main window.
struct ScanEnvironment {
  platform::WorkerContext context;
  const ScanSettings& settings;
  SectionRunner runSection;  // RunSection in the program
};

// The sink the sections write to: the key being read is shown at most
// every kKeyLineIntervalMs (the latest one; a walk reads thousands of keys
// a second and every line shown costs a step on the window's thread). A
// line held back is shown before any later status text or problem entry
// and at the end of each section, so what the window shows keeps the
// worker's order and ends as the worker left it.
class KeyLineThrottle final : public ScanSink {
 public:
  static constexpr std::uint64_t kKeyLineIntervalMs = 50;

  KeyLineThrottle(ScanSink& inner, platform::Clock& clock) : inner_(inner), clock_(clock) {}

  void SetSectionStatus(std::string_view text) override;
  void SetKeyLine(std::string_view text) override;
  void AppendProblem(const ProblemEntry& entry) override;
  // Shows the line held back, if any.
  void Flush();

 private:
  ScanSink& inner_;
  platform::Clock& clock_;
  std::string pending_;
  bool hasPending_ = false;
  bool shownAny_ = false;
  std::uint64_t lastShownMs_ = 0;
};

class ScanWorker {
 public:
  // `sectionList`: the chosen section ids as decimal text, in tree order.
  // Builds the drive set and takes the 32-on-64 and Windows 7 flags.
  ScanWorker(ScanEnvironment env, ScanSink& sink, std::vector<std::string> sectionList);
  ~ScanWorker();
  ScanWorker(const ScanWorker&) = delete;
  ScanWorker& operator=(const ScanWorker&) = delete;

  // Set by the window before Start when removable drives are reported.
  void SetFloppyPresence(const FloppyPresence& presence);

  // Runs Execute on a new thread; a second call does nothing.
  void Start();
  void RequestStop() { stop_.store(true); }
  bool StopRequested() const { return stop_.load(); }
  // Waits until the thread has ended; does nothing when it never started
  // or was joined already.
  void Join();
  // Execute has returned.
  bool Finished() const { return finished_.load(); }
  // WM_SCAN_DONE was posted (set on the window's thread, just before).
  bool DonePosted() const { return donePosted_.load(); }
  // An unexpected exception ended the run.
  bool EndedByError() const { return endedByError_.load(); }

  // The run itself (Start runs it on the worker's thread).
  void Execute();

  const std::vector<std::string>& SectionList() const { return sections_; }
  const ScanContext& Context() const { return ctx_; }

 private:
  void RunSections();

  ScanEnvironment env_;
  ScanSink& sink_;
  std::vector<std::string> sections_;
  std::atomic<bool> stop_{false};
  KeyLineThrottle keyLines_;
  ScanContext ctx_;
  std::atomic<bool> finished_{false};
  std::atomic<bool> donePosted_{false};
  std::atomic<bool> endedByError_{false};
  bool started_ = false;
  std::thread thread_;
};

// The chosen ids of a section list: each entry as a number, non-numbers
// as 0.
std::vector<int> SectionIds(const std::vector<std::string>& sectionList);

// The activity bar's step per timer tick: 10, 5, 4, 3 or 2 for 0 to 4
// chosen whole-hive walks (ids 3 to 6).
int ScanProgressStep(const std::vector<std::string>& sectionList);
// The bar's position after one tick: back to 0 once it passes 1000.
int NextScanBarPosition(int position, int step);

}  // namespace nc::registry
