#include "cleaner/clean_run.h"

#include "app/messages.h"
#include "app/run_mode.h"

namespace nc::cleaner {

std::string KilobyteText(std::uint64_t bytes) {
  std::uint64_t kilobytes = bytes / 1024;
  if (bytes % 1024 != 0) ++kilobytes;
  const std::string digits = std::to_string(kilobytes);
  std::string text;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i != 0 && (digits.size() - i) % 3 == 0) text += ',';
    text += digits[i];
  }
  return text;
}

CleanRun::CleanRun(CleanEnvironment env) : env_(std::move(env)) {
  const bool test = TestMode();
  logPrefix_ = std::string(test ? "Test" : "Clean") + ": ";
  removedWord_ = test ? "will be removed" : "to be removed";
  LastProgressPost = env_.platform.clock.tickMs();
}

bool CleanRun::TestMode() const {
  return env_.runMode.load() == app::rmTest;
}

bool CleanRun::FastMode() const {
  return env_.options.FastScan;
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
  const std::uint64_t now = env_.platform.clock.tickMs();
  if (now - LastProgressPost > 2000) {
    env_.mainWindow.post(app::WM_CLEAN_PROGRESS,
                         static_cast<std::uintptr_t>(TotalItems + ItemCount), 0);
    LastProgressPost = now;
  }
}

void CleanRun::SetItemSize(std::uint64_t bytes) {
  ItemSize = bytes;
  ItemSizeText = KilobyteText(bytes);
}

}  // namespace nc::cleaner
