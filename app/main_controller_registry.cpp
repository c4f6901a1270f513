// The Registry page of the main window: the sections tree, starting and
// cancelling a scan, its progress and its end.
#include "app/main_controller.h"
#include "app/messages.h"
#include "registry/sections.h"

namespace nc::app {

namespace {
constexpr const char* kFinishedText = "Finished!";
constexpr int kBarMax = 1000;
}  // namespace

void TfrmMainController::UpdateTimer() {
  const bool visibleTest = CleanBusy && RunMode == rmTest && !countingPass_;
  SetTimer(visibleTest || scanRunning());
}

void TfrmMainController::RefreshCounts() {
  view_.SetRegistryStatus(results_.CountsText());
}

void TfrmMainController::OnSectionTreeClick(int imageIndex) {
  sectionTree_.ToggleNode(imageIndex);
  view_.RefreshSectionTreeMarks(sectionTree_);
}

void TfrmMainController::OnProblemTicked(std::size_t row, bool ticked) {
  results_.SetTicked(row, ticked);
  RefreshCounts();
}

void TfrmMainController::OnScanClicked() {
  if (!scanSession_) return;
  if (scanSession_->Running()) {
    if (scanSession_->Cancel()) FinishScan();
    return;
  }
  const auto outcome = scanSession_->Start(
      sectionTree_.ChosenSectionList(), UnattendedClear, [this](bool preparing) {
        registryBar_.text = preparing ? std::string(registry::kPreparingCaption) : std::string();
        registryBar_.captionShown = preparing;
        registryBar_.visible = true;
        view_.ShowRegistryBar(registryBar_);
      });
  if (outcome != registry::ScanStartOutcome::Started) return;
  view_.SetKeyLineVisible(true);
  view_.SetKeyLine("");
  view_.SetScanCaption("Cancel");
  registryBar_.visible = true;
  registryBar_.captionShown = false;
  registryBar_.SetPosition(0);
  view_.ShowRegistryBar(registryBar_);
  ScanProgressStep = scanSession_->ProgressStep();
  RefreshCounts();
  UpdateTimer();
}

void TfrmMainController::FinishScan() {
  UpdateTimer();
  view_.SetScanCaption("Scan");
  view_.SetScanTitle(registry::kScanIdleTitle);
  view_.SetKeyLineVisible(false);
  registryBar_.visible = true;
  registryBar_.SetPosition(kBarMax);
  registryBar_.text = kFinishedText;
  registryBar_.captionShown = true;
  view_.ShowRegistryBar(registryBar_);
  // Every row is ticked by now. The ignore lists and the built-in
  // exclusions are applied here, then the columns fit their contents.
  if (!results_.Empty()) view_.AutoSizeProblemColumns();
  RefreshCounts();
  // An unattended "/Clear" fixes the ticked rows here and ends.
  if (UnattendedClear && !CleanBusy && !closed_) OnClose();
}

}  // namespace nc::app
