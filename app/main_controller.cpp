#include "app/main_controller.h"

#include <algorithm>
#include <cstdio>

#include "app/messages.h"
#include "core/text.h"
#include "platform/version_code.h"
#include "registry/sections.h"

namespace nc::app {

namespace {

constexpr int kPageTags[] = {kTagCleaner, kTagRegistry, kTagTools, kTagDefrag};
constexpr int kPageButtonTags[] = {kTagCleaner, kTagRegistry, kTagDefrag,
                                   kTagTools,   kTagOptions,  kTagMore};

}  // namespace

MainController::MainController(Services services, MainView& view)
    : prompts_(services.ports.prompts),
      services_{platform::WithPrompts(services.ports, prompts_), services.window, services.ui},
      view_(view),
      cleanTree_(cleaner::BuildCleanTree()) {}

MainController::~MainController() {
  // Workers write into the log and the settings: they end first.
  if (cleanWorker_) cleanWorker_->RequestStop();
  for (auto& worker : endingWorkers_) worker->RequestStop();
  JoinCleanWorkers();
}

MainController::RunState MainController::runState() const {
  return RunState{runMode_.load(),    cleanBusy_,        cleanTotal_,          cleanRun_,
                  cleanProgressStep_, scanProgressStep_, defrag_.hives().files};
}

void MainController::SetRunStateForTesting(const RunState& state) {
  runMode_ = state.runMode;
  cleanBusy_ = state.cleanBusy;
  cleanTotal_ = state.cleanTotal;
  cleanRun_ = state.cleanRun;
  cleanProgressStep_ = state.cleanProgressStep;
  scanProgressStep_ = state.scanProgressStep;
  defrag_.SetHivesForTesting(
      {std::vector<std::string>(state.hiveFiles.size()), state.hiveFiles, {}});
}

platform::WorkerContext MainController::workerContext() const {
  return platform::WorkerContext{services_.ports, services_.window, services_.ui, versionCode_};
}

platform::WorkerContext MainController::cleanWorkerContext() {
  return platform::WorkerContext{platform::WithPrompts(services_.ports, workerQuestions_),
                                 services_.window, services_.ui, versionCode_};
}

bool MainController::EndOpenWorkerQuestion() {
  if (!workerQuestions_.open()) return false;
  // This runs inside the question's message box, on whose answer the
  // worker waits: the run is cancelled (so the answer counts as No), the
  // box is answered, and the close comes again once it is gone.
  if (cleanBusy_) CancelClean();
  view_.EndWorkerQuestion();
  services_.window.post(kCloseRequest, 0, 0);
  return true;
}

SettingsFile MainController::settingsFile() const {
  return SettingsFile{services_.ports.profile, OptionsIniPath(programFolder_), programFolder_};
}

void MainController::OnCreate() {
  auto& system = services_.ports.system;
  programFolder_ = WithTrailingBackslash(platform::FolderOf(system.executablePath()));
  commandLine_ = ParseCommandLine(system.arguments());
  // Nobody answers the boxes of a "/Clear" run, from the boss key's below on.
  prompts_.SetUnattended(commandLine_.runSwitch == RunSwitch::Clear);

  view_.SetCaption(std::string(kProductName) + " " + kVersionText);
  view_.SetTitle(kProductName, kSubtitle);
  view_.SetPageVisible(kTagRegistry, false);
  view_.SetPageVisible(kTagTools, false);
  view_.SetRegistryStatus("");

  // The clean tree with the Chromium browsers that are installed and the
  // installed applications that the definitions file knows, then the
  // settings: options, ticked items, window bounds.
  cleaner::AddChromiumBrowserGroups(cleanTree_, services_.ports.registry, services_.ports.files);
  cleaner::ApplicationNodes(cleanTree_, services_.ports.registry, services_.ports.profile,
                            programFolder_);
  ReadOptionsIni(settingsFile(), options_, trees_, view_.Metrics());
  LoadCommunityRules();
  SaveExpandState(options_, trees_, false);
  view_.ShowCleanTree(cleanTree_);
  view_.SetFastMode(options_.FastScan);

  versionCode_ = platform::WindowsVersionCode(system.version());
  if (platform::IsWin9xCode(versionCode_)) view_.SetWindowsBackupVisible(false);

  view_.ShowSectionTree(sectionTree_);  // always fully expanded
  scanSession_ = std::make_unique<registry::ScanSession>(
      registry::ScanEnvironment{workerContext(), options_, &registry::RunSection}, scanStatus_,
      results_);
  results_.SetView(&view_.ProblemList());

  view_.ClearDefragSizeLabels();
  silentMode_ = false;
  if (!platform::CompactionSupported(versionCode_)) {
    view_.SetAnalyzeEnabled(false);
    view_.AddHiveListLine(kUnsupportedWindowsLine);
  }
  OnPageButton(kTagCleaner);
  StartBossKey();
}

void MainController::OnFirstShow() {
  view_.Layout();
  RestoreSectionTicks(options_, trees_);
  view_.RefreshSectionTreeMarks(sectionTree_);
  if (platform::CompactionSupported(versionCode_)) {
    defrag_.ListHives();
    if (commandLine_.runSwitch == RunSwitch::Regdefrag) {
      silentMode_ = true;
      services_.window.post(WM_AUTO_DEFRAG, 0, 0);
    } else if (commandLine_.runSwitch == RunSwitch::Regscan) {
      silentMode_ = true;
      services_.window.post(WM_AUTO_ANALYZE, 0, 0);
    }
  }
  if (options_.WindowState == 2) {
    services_.window.post(/*WM_SYSCOMMAND*/ 0x0112, kSysCommandMaximize, 0);
  }
}

void MainController::OnActivate() {
  // The window becomes active again after each of its dialogs closes;
  // the start-up steps below belong to the first activation only.
  if (activated_) return;
  activated_ = true;

  if (options_.WindowState == 2) {
    view_.Maximize();
  } else {
    // Bounds saved off every screen (older versions saved a minimised
    // window's icon position) come back onto the nearest monitor.
    const ScreenRect bounds = BoundsOnScreen(
        {options_.Left, options_.Top, options_.Width, options_.Height}, view_.MonitorWorkAreas());
    options_.Left = bounds.left;
    options_.Top = bounds.top;
    options_.Width = bounds.width;
    options_.Height = bounds.height;
    view_.SetBounds(options_.Left, options_.Top, options_.Width, options_.Height);
  }
  if (commandLine_.runSwitch != RunSwitch::Clear) ArmAutoCleanTimer();
  if (commandLine_.runSwitch == RunSwitch::Auto) {
    services_.window.post(/*WM_SYSCOMMAND*/ 0x0112, kSysCommandMinimize, 1);
    if (options_.StartClean) services_.window.post(WM_AUTO_CLEAN, 0, 0);
  }
  if (commandLine_.runSwitch == RunSwitch::Clear) {
    unattendedClear_ = true;
    services_.window.post(WM_AUTO_CLEAN, 0, 0);
  }
}

void MainController::WriteSettings() {
  MergeCommunityTicks(options_.CommunityTicks, cleaner::community::ShownCommunityNames(cleanTree_),
                      cleaner::community::TickedCommunityNames(cleanTree_));
  WriteOptionsIni(settingsFile(), options_, trees_, view_.Placement());
}

void MainController::OnClose() {
  if (closed_ || EndOpenWorkerQuestion()) return;
  closed_ = true;
  // Errors while closing never keep the program from ending.
  try {
    // A running clean or scan is cancelled as its button would, and
    // ended before the settings they read are written and freed.
    if (cleanBusy_) CancelClean();
    JoinCleanWorkers();
    if (scanRunning()) scanSession_->Cancel();
    selectedItems_.clear();
    SaveExpandState(options_, trees_, true);
    WriteSettings();
    defrag_.OnProgramClose();
  } catch (...) {
  }
  if (unattended_.Active()) FinishUnattendedReport(true);
  EndBossKey();
  view_.Destroy();
}

bool MainController::OnQueryEndSession() {
  if (options_.ShutdownClean && !cleanBusy_) {
    // The session may be cut off during the clean: the settings are kept
    // first. Nobody is there to answer: the clean asks nothing, and its
    // folder questions are answered No.
    WriteSettings();
    sessionEnding_ = true;
    workerQuestions_.SetSilent(true);
    runMode_ = cleaner::RunMode::Auto;
    StartCleanRun();
    // The clean at shutdown is what the user asked for: it ends before
    // the close below, which would otherwise cancel it.
    services_.ui.waitPumping([this] { return !cleanWorker_ || cleanWorker_->Finished(); });
    cleanBusy_ = false;
    cleanRun_ = 0;
  }
  WriteSettings();
  OnClose();
  return true;
}

bool MainController::OnMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
  switch (message) {
    case cleaner::WM_CLEAN_PROGRESS:
      if (!IsCurrentCleanRun(cleaner::CleanRunOf(lParam))) return true;
      if (runMode_ == cleaner::RunMode::Clean && cleanTotal_ != 0) {
        // The counting pass and the clean may disagree (files came or went
        // between them): the bar never goes past its end.
        const std::int64_t position = static_cast<std::int64_t>(wParam) * 1000 / cleanTotal_;
        cleanBar_.SetPosition(static_cast<int>(std::clamp<std::int64_t>(position, 0, 1000)));
        ShowCleanBar();
      }
      return true;
    case cleaner::WM_CLEAN_DONE:
      if (IsCurrentCleanRun(cleaner::CleanRunOf(lParam))) {
        FinishCleanRun(wParam, cleaner::CleanDoneAfterError(lParam));
      }
      return true;
    case WM_CLEAN_AFTER_COUNT:
      // wParam: the counting run; a cancel meanwhile has ended it.
      if (IsCurrentCleanRun(static_cast<std::uint32_t>(wParam))) AfterCountingPass();
      return true;
    case registry::WM_SCAN_SECTION_DONE:
      RefreshCounts();
      return true;
    case registry::WM_SCAN_DONE:
      if (scanSession_ && scanSession_->OnScanDone()) FinishScan();
      return true;
    case WM_AUTO_ANALYZE:
      RunAutoAnalyze();
      return true;
    case WM_AUTO_CLEAN:
      // A "/Auto" start has already sent the window to the tray; when no
      // tray took the icon it stays minimised on the taskbar, not hidden.
      if (trayState_ != TrayState::OnTaskbar) view_.HideAll();
      if (!BeginUnattendedRun()) {
        EndUnattendedRunIfIdle();
        return true;
      }
      if (!cleanBusy_) {
        runMode_ = cleaner::RunMode::Auto;
        StartCleanRun();
      }
      // Then "Scan" is pressed by code; the clean and the scan run side
      // by side. A "/Clear" run with nothing left running ends at once.
      if (!scanRunning()) OnScanClicked();
      EndUnattendedRunIfIdle();
      return true;
    case kCloseRequest:
      OnClose();
      return true;
    case WM_AUTO_DEFRAG:
      RunAutoDefrag();
      return true;
    default:
      return false;
  }
}

void MainController::OnPageButton(int tag) {
  bool isPage = false;
  for (int page : kPageTags) isPage = isPage || page == tag;
  if (!isPage) return;
  for (int button : kPageButtonTags) {
    if (button / 16 == tag / 16) view_.SetPageButtonHighlighted(button, false);
  }
  for (int page : kPageTags) view_.SetPageVisible(page, page == tag);
  view_.SetPageButtonHighlighted(tag, true);
  shownPage_ = tag;
}

void MainController::OpenAddress(const char* address) {
  (void)services_.ports.shell.openDocument(address);
}

void MainController::OnFastModeClicked(bool checked) {
  options_.FastScan = checked;
  // A run that lists its lines takes the box from its next line on; the
  // counting pass stays fast.
  if (cleanBusy_ && !countingPass_) runSettings_.FastScan = checked;
}

void MainController::OnMoreCommand(MoreCommand command) {
  switch (command) {
    case MoreCommand::OnlineHelp:
      OpenAddress(kHelpPage);
      break;
    case MoreCommand::Homepage:
      OpenAddress(kHomePage);
      break;
    case MoreCommand::CheckForUpdate:
      OpenAddress(kUpdatePage);
      break;
    case MoreCommand::About:
      view_.ShowAbout();
      break;
  }
}

void MainController::OnTitleClicked() {
  OpenAddress(kHomePage);
}

void MainController::OnUpdateLinkClicked() {
  OpenAddress(kUpdatePage);
}

}  // namespace nc::app
