// The Registry page of the main window: the sections tree, starting and
// cancelling a scan, its progress and its end.
#include "app/main_controller.h"
#include "app/messages.h"
#include "registry/backups.h"
#include "registry/exclusions.h"
#include "registry/sections.h"

namespace nc::app {

namespace {
constexpr const char* kFinishedText = "Finished!";
constexpr int kBarMax = 1000;
}  // namespace

void MainController::UpdateTimer() {
  const bool visibleTest = cleanBusy_ && runMode_ == cleaner::RunMode::Test && !countingPass_;
  SetTimer(visibleTest || scanRunning());
}

void MainController::RefreshCounts() {
  view_.SetRegistryStatus(results_.CountsText());
}

void MainController::OnSectionTreeClick(int imageIndex) {
  sectionTree_.ToggleNode(imageIndex);
  view_.RefreshSectionTreeMarks(sectionTree_);
}

void MainController::OnProblemTicked(std::size_t row, bool ticked) {
  results_.SetTicked(row, ticked);
  RefreshCounts();
}

void MainController::OnScanClicked() {
  if (!scanSession_) return;
  if (scanSession_->Running()) {
    if (scanSession_->Cancel()) FinishScan();
    return;
  }
  const auto outcome = scanSession_->Start(
      sectionTree_.ChosenSectionList(), unattendedClear_, [this](bool preparing) {
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
  scanProgressStep_ = scanSession_->ProgressStep();
  RefreshCounts();
  UpdateTimer();
}

void MainController::FinishScan() {
  UpdateTimer();
  view_.SetScanCaption("Scan");
  view_.SetScanTitle(registry::kScanIdleTitle);
  view_.SetKeyLineVisible(false);
  registryBar_.visible = true;
  registryBar_.SetPosition(kBarMax);
  registryBar_.text = kFinishedText;
  registryBar_.captionShown = true;
  view_.ShowRegistryBar(registryBar_);
  // Every row is ticked by now: the built-in exclusions and the ignore
  // lists take out what must not be touched.
  if (!results_.Empty()) {
    ApplyProblemFilters();
    view_.AutoSizeProblemColumns();
  }
  RefreshCounts();
  // An unattended "/Clear" fixes the ticked rows and ends.
  if (unattendedClear_) {
    const std::vector<registry::ProblemEntry> before = results_.Rows();
    const registry::FixResult fix = OnFixErrorsClicked();
    if (unattended_.Active())
      unattended_.RegistryRepaired(RepairFacts(before, results_.Rows(), fix));
  }
  EndUnattendedRunIfIdle();
}

void MainController::ApplyProblemFilters() {
  registry::ApplyFilters(results_, options_);
  RefreshCounts();
}

namespace {

// The registry page's status label as the repair writes it.
class StatusLabel : public registry::FixView {
 public:
  explicit StatusLabel(MainView& view) : view_(view) {}
  void SetStatusText(std::string_view text) override { view_.SetRegistryStatus(text); }

 private:
  MainView& view_;
};

// Questions of an unattended run, which nobody is there to answer: the
// backup folder is made, anything else is declined.
class UnattendedAnswers : public platform::Prompts {
 public:
  UnattendedAnswers(platform::Prompts& real, std::string backupFolderQuestion)
      : real_(real), yes_(std::move(backupFolderQuestion)) {}
  void inform(std::string_view) override {}
  void error(std::string_view text) override { real_.error(text); }
  bool confirm(std::string_view text) override { return text == yes_; }

 private:
  platform::Prompts& real_;
  std::string yes_;
};

}  // namespace

registry::FixResult MainController::OnFixErrorsClicked() {
  if (scanRunning()) return {registry::FixOutcome::NoRows, "", 0, 0, std::nullopt};
  UnattendedAnswers unattended(services_.ports.prompts,
                               registry::MissingBackupFolderQuestion(options_.OutputDirectory));
  platform::Prompts& prompts =
      unattendedClear_ ? static_cast<platform::Prompts&>(unattended) : services_.ports.prompts;
  registry::FixEnvironment env{platform::WithPrompts(services_.ports, prompts), options_,
                               versionCode_,
                               [this, &prompts] { return view_.MakeRestorePoint(prompts); },
                               [this] { registry::ApplyFilters(results_, options_); }};
  StatusLabel status(view_);
  fixing_ = true;  // no automatic clean starts meanwhile
  auto result = registry::FixSelectedProblems(env, results_, status);
  fixing_ = false;
  return result;
}

void MainController::OnRestoreClicked() {
  view_.ShowRestoreDialog();
}

void MainController::OnBackupFullRegistryClicked() {
  view_.BackupFullRegistry();
}

void MainController::OnWindowsBackupClicked() {
  registry::OpenWindowsBackup(services_.ports.files, services_.ports.shell);
}

bool MainController::ResultsCommandEnabled(registry::ResultsCommand command) const {
  const auto selection = view_.SelectedProblemRows();
  return registry::CommandEnabled(command, selection, results_);
}

void MainController::OnResultsCommand(registry::ResultsCommand command) {
  const auto selection = view_.SelectedProblemRows();
  if (!registry::CommandEnabled(command, selection, results_)) return;
  switch (command) {
    case registry::ResultsCommand::AddToIgnoreLists:
      registry::AddToIgnoreLists(results_, options_, selection);
      break;
    case registry::ResultsCommand::SaveAsText:
      registry::SaveResultsAsText(services_.ports, services_.ports.prompts, results_,
                                  view_.SaveFileAsker());
      break;
    case registry::ResultsCommand::RegEdit:
      view_.OpenInRegistryEditor(results_.Rows()[selection.front()]);
      break;
    default:
      registry::RunTickCommand(results_, command, selection);
      break;
  }
  RefreshCounts();
}

}  // namespace nc::app
