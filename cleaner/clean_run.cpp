#include "cleaner/clean_run.h"

#include "core/text.h"

#include "cleaner/clean_messages.h"
#include "cleaner/run_mode.h"

namespace nc::cleaner {

CleanRun::CleanRun(CleanEnvironment env) : env_(std::move(env)) {
  const bool test = TestMode();
  logPrefix_ = std::string(test ? "Test" : "Clean") + ": ";
  removedWord_ = test ? "will be removed" : "to be removed";
  LastProgressPost = env_.context.ports.clock.tickMs();
}

bool CleanRun::TestMode() const {
  return env_.runMode.load() == RunMode::Test;
}

bool CleanRun::FastMode() const {
  return env_.settings.FastScan;
}

bool CleanRun::Ask(std::string_view question) {
  bool yes = false;
  env_.context.ui.invoke([&] {
    if (!Terminated()) yes = env_.context.ports.prompts.confirm(question);
  });
  return yes && !Terminated();
}

void CleanRun::Tell(std::string_view notice) {
  env_.context.ui.invoke([&] {
    if (!Terminated()) env_.context.ports.prompts.inform(notice);
  });
}

void CleanRun::AddLine(std::string_view line) {
  env_.log.AddLine(line);
}

void CleanRun::AddDetailLine(std::string_view text) {
  if (FastMode()) return;
  env_.log.AddLine(logPrefix_ + std::string(text));
}

void CleanRun::ScrollLog(int n) {
  if (n == 0) {
    env_.log.ScrollToEnd();
    return;
  }
  if (!TestMode()) n /= 2;
  ++LogLineCounter;
  if (n <= 0 || LogLineCounter % n == 0) {
    env_.log.ScrollToEnd();
    LogLineCounter = 0;
  }
}

void CleanRun::ReportProgress() {
  const std::uint64_t now = env_.context.ports.clock.tickMs();
  if (now - LastProgressPost > 2000) {
    env_.context.mainWindow.post(WM_CLEAN_PROGRESS,
                                 static_cast<std::uintptr_t>(TotalItems + ItemCount),
                                 CleanMessageParam(runId_));
    LastProgressPost = now;
  }
}

void CleanRun::SetItemSize(std::uint64_t bytes) {
  ItemSize = bytes;
  ItemSizeText = KilobyteText(bytes);
}

void CleanRun::NoteFailure(std::string_view target, const Error& error) {
  if (ItemRecord.failures.size() >= CleanItemRecord::kMaxFailures) {
    ++ItemRecord.failuresLeftOut;
    return;
  }
  std::string reason = error.op.empty() ? std::string() : error.op + ": ";
  reason += ErrcName(error.code);
  ItemRecord.failures.push_back({std::string(target), std::move(reason)});
}

void CleanRun::FileItemRecord(std::string_view runName) {
  CleanItemRecord done = std::move(ItemRecord);
  ItemRecord = {};
  if (env_.record == nullptr) return;
  done.runName = std::string(runName);
  done.items = ItemCount;
  done.bytes = ItemSize;
  env_.record->items.push_back(std::move(done));
}

}  // namespace nc::cleaner
