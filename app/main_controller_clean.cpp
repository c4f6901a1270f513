// The Cleaner page of the main window: starting, cancelling and finishing
// clean runs, the counting pass before a clean, the progress bar and the
// saved log.
#include <algorithm>

#include "app/main_controller.h"
#include "app/messages.h"
#include "cleaner/clean_starter.h"
#include "core/text.h"

namespace nc::app {

namespace {
constexpr const char* kPrepareText = "Prepare to clean...";
constexpr const char* kFinishedText = "Finished!";
constexpr int kBarMax = 1000;
// Why the unattended clean did not start, for its report.
void NoteUnattendedCleanNotStarted(UnattendedReport& report,
                                   const cleaner::CleanStartDecision& decision) {
  switch (decision.outcome) {
    case cleaner::CleanStartOutcome::FirefoxRunning:
      report.CleanNotStarted(cleaner::kCloseFirefoxText, true);
      break;
    case cleaner::CleanStartOutcome::ChromeRunning:
      report.CleanNotStarted(cleaner::kCloseChromeText, true);
      break;
    case cleaner::CleanStartOutcome::ChromiumRunning:
      report.CleanNotStarted(decision.refusal, true);
      break;
    case cleaner::CleanStartOutcome::NothingSelected:
      report.CleanNotStarted("no clean item is ticked", false);
      break;
    case cleaner::CleanStartOutcome::Busy:
      report.CleanNotStarted("a clean was running already", true);
      break;
    case cleaner::CleanStartOutcome::Declined:
    case cleaner::CleanStartOutcome::Start:
      report.CleanNotStarted("the clean was declined", true);
      break;
  }
}

}  // namespace

void MainController::SetTimer(bool on) {
  timerOn_ = on;
  view_.SetAnimationTimer(on);
}

void MainController::SetTestCaption(const char* caption) {
  testCaption_ = caption;
  view_.SetTestCaption(caption);
}

void MainController::ShowCleanBar() {
  view_.ShowCleanBar(cleanBar_);
}

void MainController::OnTestClicked() {
  if (testCaption_ == "Cancel") {
    CancelClean();
    return;
  }
  if (cleanBusy_) return;
  runMode_ = cleaner::RunMode::Test;
  StartCleanRun();
}

void MainController::OnCleanClicked() {
  if (cleanBusy_) return;
  cleanTotal_ = 0;
  runMode_ = cleaner::RunMode::CleanRequest;
  StartCleanRun();
}

void MainController::StartCleanRun() {
  // The window's own CleanBusy is set while the confirmation is open, so
  // that a session end or a timer behind it starts no second run.
  cleaner::CleanStartContext context{cleanTree_,
                                     runMode_.load(),
                                     cleanBusy_,
                                     options_.IsAskBeforeClear,
                                     unattendedClear_,
                                     services_.ports.programs,
                                     services_.ports.prompts,
                                     services_.ports.registry,
                                     services_.ports.files,
                                     [this] {
                                       return view_.ConfirmClean([this](bool dontShowAgain) {
                                         options_.IsAskBeforeClear = !dontShowAgain;
                                       });
                                     },
                                     sessionEnding_};
  cleaner::CleanStartDecision decision = cleaner::PrepareCleanStart(context);
  unattended_.CleanItemsSkipped(decision.skipped);
  if (decision.outcome != cleaner::CleanStartOutcome::Start) {
    NoteUnattendedCleanNotStarted(unattended_, decision);
    if (decision.outcome == cleaner::CleanStartOutcome::Declined) cleanBusy_ = false;
    return;
  }
  // The window was closed (or the session ended) behind the confirmation.
  if (closed_) {
    cleanBusy_ = false;
    return;
  }
  selectedItems_ = std::move(decision.runNames);

  // A cancelled run may still be ending its last file; never two at once.
  JoinCleanWorkers();

  cleanBusy_ = true;
  SetTestCaption("Cancel");
  cleanBar_.visible = true;
  // The worker reads a copy of the settings made for its run: OK in the
  // options dialog meanwhile changes the next run, never this one, and the
  // stored settings never hold the counting pass's Fast mode.
  runSettings_ = options_;
  if (runMode_ == cleaner::RunMode::CleanRequest) {
    // The counting pass: a test in fast mode whose lines stay invisible.
    countingPass_ = true;
    view_.SetLogLinesVisible(false);
    runSettings_.FastScan = true;
    cleanBar_.text = kPrepareText;
    cleanBar_.captionShown = true;
    runMode_ = cleaner::RunMode::Test;
  } else {
    cleanBar_.SetPosition(0);
    cleanBar_.captionShown = runMode_ == cleaner::RunMode::Clean;
  }
  ShowCleanBar();
  view_.ClearLog();
  view_.SetLogDoubleBuffered(true);

  lastCleanRun_ = lastCleanRun_ % (cleaner::kCleanRunIdLimit - 1) + 1;
  cleanRun_ = lastCleanRun_;
  cleaner::CleanEnvironment env{cleanWorkerContext(), view_.Log(), runMode_, runSettings_,
                                programFolder_};
  // The unattended run's clean records what it does for the report.
  if (runMode_ != cleaner::RunMode::Test) env.record = unattended_.StartClean();
  env.community = community_;
  // What the rules file's reader left out is told once, by the first Test.
  if (community_ && runMode_ == cleaner::RunMode::Test && !countingPass_ && !unreadLogged_) {
    env.openingLines = cleaner::community::UnreadLogLines(community_->rules);
    unreadLogged_ = true;
  }
  cleanWorker_ = std::make_unique<cleaner::CleanWorker>(std::move(env), selectedItems_, cleanTotal_,
                                                        cleanRun_);
  cleanWorker_->Start();

  cleanProgressStep_ = runMode_ == cleaner::RunMode::Test ? 50 : 20;
  UpdateTimer();
}

void MainController::CancelClean() {
  SetTestCaption("Test");
  view_.SetLogDoubleBuffered(false);
  if (cleanWorker_) {
    cleanWorker_->RequestStop();
    endingWorkers_.push_back(std::move(cleanWorker_));
  }
  cleanBusy_ = false;
  cleanRun_ = 0;
  UpdateTimer();
  if (countingPass_) {
    countingPass_ = false;
    view_.SetLogLinesVisible(true);
  }
}

void MainController::FinishCleanRun(std::uintptr_t total, bool failed) {
  if (countingPass_ && failed) {
    countingPass_ = false;
    view_.SetLogLinesVisible(true);
  } else if (countingPass_) {
    cleanTotal_ = static_cast<std::int32_t>(total);
    view_.ClearLog();
    services_.window.post(WM_CLEAN_AFTER_COUNT, cleanRun_, 0);
    return;
  }
  unattended_.CleanEnded(failed);
  SetTestCaption("Test");
  view_.SetLogDoubleBuffered(false);
  view_.FitLogToLines();
  cleanBar_.SetPosition(kBarMax);
  cleanBar_.text = kFinishedText;
  cleanBar_.captionShown = true;
  ShowCleanBar();
  cleanBusy_ = false;
  cleanRun_ = 0;
  UpdateTimer();
  EndUnattendedRunIfIdle();
}

void MainController::AfterCountingPass() {
  countingPass_ = false;
  view_.SetLogLinesVisible(true);
  runMode_ = cleaner::RunMode::Clean;
  cleanBusy_ = false;
  cleanRun_ = 0;
  StartCleanRun();
}

void MainController::OnAnimationTick() {
  if (shownPage_ == kTagCleaner) {
    if (cleanBar_.captionShown && cleanBar_.text == kFinishedText) {
      // The run is over: the bar keeps showing that.
      UpdateTimer();
    } else {
      int position = cleanBar_.position + cleanProgressStep_;
      if (position >= kBarMax) position = 0;
      // The counting pass keeps its caption until it ends.
      if (countingPass_) {
        cleanBar_.position = position;
      } else {
        cleanBar_.SetPosition(position);
      }
      ShowCleanBar();
    }
  }
  if (shownPage_ == kTagRegistry) {
    int position = registryBar_.position + scanProgressStep_;
    if (position > kBarMax) position = 0;
    registryBar_.SetPosition(position);
    view_.ShowRegistryBar(registryBar_);
  }
}

void MainController::OnCleanTreeClick(cleaner::NodeRef node, cleaner::TreeHit hit) {
  switch (cleaner::ToggleNodeCheck(cleanTree_, node, hit)) {
    case cleaner::ToggleResult::Toggled:
      if (community_) {
        cleaner::community::ConfirmCommunityWarnings(cleanTree_, node, *community_,
                                                     services_.ports.prompts);
      }
      view_.RefreshCleanTreeMarks(cleanTree_);
      break;
    case cleaner::ToggleResult::OpenCustomListEditor:
      view_.OpenCustomListEditor();
      break;
    case cleaner::ToggleResult::Nothing:
      break;
  }
}

void MainController::LoadCommunityRules() {
  // Ticks of the items shown so far are kept before their groups go.
  MergeCommunityTicks(options_.CommunityTicks, cleaner::community::ShownCommunityNames(cleanTree_),
                      cleaner::community::TickedCommunityNames(cleanTree_));
  community_ = options_.CommunityRules
                   ? cleaner::community::LoadCommunityCatalogue(services_.ports, programFolder_)
                   : nullptr;
  cleaner::community::ReplaceCommunityGroups(cleanTree_, community_.get());
  cleaner::community::ApplyCommunityTicks(cleanTree_, options_.CommunityTicks);
  unreadLogged_ = false;
}

void MainController::ReloadCommunityRules() {
  LoadCommunityRules();
  view_.ShowCleanTree(cleanTree_);
}

void MainController::OnCleanTreeExpanded(cleaner::NodeRef node, bool expanded) {
  cleanTree_.SetExpanded(node, expanded);
}

bool MainController::SaveLogEnabled() const {
  return !view_.LogLines().empty();
}

void MainController::OnSaveLog() {
  if (!SaveLogEnabled()) return;
  std::string path = view_.AskSaveLogPath();
  if (path.empty()) return;
  const std::string name = platform::NameOf(path);
  const auto dot = name.find_last_of('.');
  if (dot == std::string::npos || name.substr(dot) != ".txt") path += ".txt";
  auto& files = services_.ports.files;
  if (files.fileExists(path) &&
      !services_.ports.prompts.confirm(path + " has existed,overite it?")) {
    return;
  }
  std::string text = std::string("This file was generated by ") + kProductName + "\r\n";
  text += std::string("Visit ") + kHomePage + " for the latest version\r\n\r\n";
  for (const std::string& line : view_.LogLines()) text += line + "\r\n";
  if (!platform::WriteWholeFile(files, path, services_.ports.system.toAnsiCodePage(text))) {
    services_.ports.prompts.error("The log could not be saved to " + path + ".");
  }
}

void MainController::JoinCleanWorkers() {
  if (cleanWorker_) endingWorkers_.push_back(std::move(cleanWorker_));
  services_.ui.waitPumping([this] {
    return std::all_of(endingWorkers_.begin(), endingWorkers_.end(),
                       [](const auto& worker) { return worker->Finished(); });
  });
  for (auto& worker : endingWorkers_) worker->Join();
  endingWorkers_.clear();
}

void MainController::EndUnattendedRunIfIdle() {
  if (cleanBusy_ || scanRunning() || closed_) return;
  if (unattended_.Active()) FinishUnattendedReport(false);
  if (unattendedClear_) OnClose();
}

bool MainController::BeginUnattendedRun() {
  const RunSwitch mode = commandLine_.runSwitch;
  if ((mode != RunSwitch::Clear && mode != RunSwitch::Auto) || unattended_.Begun()) return true;
  const bool clear = mode == RunSwitch::Clear;
  unattended_.Begin(kFullVersion, clear ? "/Clear" : "/Auto", commandLine_.reportFile, clear,
                    services_.ports.clock.utcNow(), MakeRunId(services_.ports.random),
                    services_.ports.files);
  // The run's settings are written at its end: a settings file that
  // cannot be written (a read-only program folder) stops the run before
  // anything is removed. The probe writes a key with the value it has.
  const std::string ini = OptionsIniPath(programFolder_);
  if (!services_.ports.profile.writeString(ini, "Options", "WipeNumber",
                                           std::to_string(options_.WipeNumber))) {
    unattended_.CouldNotRun("the settings file " + ini + " cannot be written");
    return false;
  }
  unattended_.ExpectClean();
  return true;
}

void MainController::FinishUnattendedReport(bool interrupted) {
  unattended_.report().answeredBoxes = prompts_.answered();
  exitCode_ =
      unattended_.Finish(services_.ports.files, services_.ports.clock.utcNow(), interrupted);
}

}  // namespace nc::app
