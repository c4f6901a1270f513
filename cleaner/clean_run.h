// The state of one clean run that the removal primitives and the item
// procedures share: the mode, the counters of the current item and of the
// run, the log and the progress messages.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cleaner/clean_log.h"
#include "cleaner/clean_record.h"
#include "cleaner/clean_settings.h"
#include "cleaner/folder_guard.h"
#include "cleaner/run_mode.h"
#include "core/result.h"
#include "platform/platform.h"

namespace nc::cleaner {

namespace community {
struct CommunityCatalogue;
}

// What a run is given by the main window.
struct CleanEnvironment {
  // Progress and done messages go to the main window, per-item
  // bookkeeping steps run on its thread, and so do folder questions and
  // the administrator notice, through the ports' prompts (Ask, Tell).
  platform::WorkerContext context;
  CleanLog& log;
  // The main window's run mode (RunMode::Test means list without deleting);
  // read each time a rule must decide.
  const std::atomic<RunMode>& runMode;
  // Fast mode is read anew for every line.
  const CleanSettings& settings;
  std::string programFolder;  // with trailing backslash
  // Where the items' records go (an unattended run's report); none by
  // default. Written on the window's thread only.
  CleanRecord* record = nullptr;
  // The community entries the run's community items designate; none when
  // the community rules are off.
  std::shared_ptr<const community::CommunityCatalogue> community = nullptr;
  // Written to the log before the first item.
  std::vector<std::string> openingLines{};
};

class CleanRun {
 public:
  explicit CleanRun(CleanEnvironment env);

  CleanEnvironment& env() { return env_; }
  platform::Platform& platform() { return env_.context.ports; }
  // The guard every deleting primitive of the run asks; it looks the
  // guarded folders up once, at its first question.
  FolderGuard& Guard() { return guard_; }

  // True while the main window's run mode is the test mode.
  bool TestMode() const;
  // Fast mode: no per-file, per-entry, per-key or per-value lines.
  bool FastMode() const;

  // "Test: " or "Clean: ", fixed when the run was created.
  const std::string& LogPrefix() const { return logPrefix_; }
  // "will be removed" or "to be removed", fixed when the run was created.
  const std::string& RemovedWord() const { return removedWord_; }

  // The identity the run's messages carry (clean_messages.h).
  void SetRunId(std::uint32_t id) { runId_ = id; }
  std::uint32_t RunId() const { return runId_; }

  // Termination: asked for by Cancel, checked between items and inside
  // every folder walk.
  void RequestStop() { stop_.store(true); }
  bool Terminated() const { return stop_.load(); }

  // A Yes/No question (folder questions) or a notice to the user, shown
  // on the window's thread, so that it is modal to the window, while the
  // worker waits. A run that is stopped asks nothing, and a stop while the
  // question is open (the window closing) makes the answer No.
  bool Ask(std::string_view question);
  void Tell(std::string_view notice);

  // Appends a line to the log.
  void AddLine(std::string_view line);
  // A detail line (a file, URL, entry, key or value): written only when
  // Fast mode is off. The text is added after `LogPrefix`.
  void AddDetailLine(std::string_view text);
  // n = 0 scrolls to the end at once; otherwise n is halved in clean mode
  // and the log is scrolled every n calls.
  void ScrollLog(int n);

  // After one more item was counted: posts WM_CLEAN_PROGRESS with the
  // run's total so far when more than 2 seconds passed since the last.
  void ReportProgress();

  // Counters of the current item (reset by ResetItemCounters) and of the
  // run.
  std::int32_t ItemCount = 0;
  std::uint64_t ItemSize = 0;
  std::string ItemSizeText = "0";
  std::string ScratchPath;
  std::int32_t TotalItems = 0;
  std::uint64_t TotalSize = 0;
  std::int32_t LogLineCounter = 0;
  std::uint64_t LastProgressPost = 0;  // clock tick in milliseconds

  // Sets the size of the current item and its kilobyte text.
  void SetItemSize(std::uint64_t bytes);

  // What the removal primitives did in clean mode, for the record of the
  // current item.
  void NoteFileRemoved() { ++ItemRecord.files; }
  void NoteRegistryRemoved(std::int32_t entries) { ItemRecord.registryEntries += entries; }
  void NoteFailure(std::string_view target, const Error& error);
  // Files the current item's record under `runName` and starts the next.
  void FileItemRecord(std::string_view runName);
  CleanItemRecord ItemRecord;

 private:
  CleanEnvironment env_;
  FolderGuard guard_{env_.context.ports, env_.programFolder};
  std::string logPrefix_;
  std::string removedWord_;
  std::atomic<bool> stop_{false};
  std::uint32_t runId_ = 0;
};

}  // namespace nc::cleaner
