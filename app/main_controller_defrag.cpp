// The main window's Registry Defrag page and the unattended "/Regscan"
// and "/Regdefrag" runs.
#include <cstdio>

#include "app/main_controller.h"

namespace nc::app {

namespace {

constexpr const char* kScanResultSection = "Scan Result";

// Date and time as the result file of "/Regscan" shows it.
std::string DateTimeText(const platform::LocalTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return text;
}

}  // namespace

void MainController::OnAnalyzeRegistryClicked() {
  defrag_.Analyze(silentMode_);
}

void MainController::OnDefragRegistryClicked() {
  defrag_.Defrag(silentMode_, versionCode_);
}

void MainController::RunAutoAnalyze() {
  view_.HideAll();
  auto& profile = services_.ports.profile;
  const std::string& file = commandLine_.resultFile;
  if (!file.empty()) profile.eraseSection(file, kScanResultSection);
  defrag_.Analyze(silentMode_);
  if (!file.empty()) {
    // Labels the analysis did not fill are written empty.
    const DefragLabels labels = view_.DefragLabelTexts();
    profile.writeString(file, kScanResultSection, "Current Size", labels.currentSize);
    profile.writeString(file, kScanResultSection, "New Size", labels.newSize);
    profile.writeString(file, kScanResultSection, "Size Reduction", labels.sizeReduction);
    profile.writeString(file, kScanResultSection, "Compact Percent", labels.compactPercent);
    profile.writeString(file, kScanResultSection, "Time",
                        DateTimeText(services_.ports.clock.now()));
  }
  OnClose();
}

void MainController::RunAutoDefrag() {
  view_.HideAll();
  defrag_.Analyze(silentMode_);
  // Only an analysis that enabled "Defrag Registry" goes on.
  if (defrag_.defragEnabled()) defrag_.Defrag(silentMode_, versionCode_);
  OnClose();
}

}  // namespace nc::app
