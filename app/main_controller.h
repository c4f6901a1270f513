// The main window's state and rules: creation, first show, activation,
// closing, session end, page switching and the private messages.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/auto_clean.h"
#include "app/boss_key.h"
#include "app/command_line.h"
#include "app/defrag_controller.h"
#include "app/main_view.h"
#include "app/options.h"
#include "app/options_dialog.h"
#include "app/run_report.h"
#include "app/settings_trees.h"
#include "app/unattended_prompts.h"
#include "app/version.h"
#include "cleaner/catalogue.h"
#include "cleaner/clean_worker.h"
#include "cleaner/community/catalogue.h"
#include "cleaner/run_mode.h"
#include "platform/messaging.h"
#include "platform/platform.h"
#include "registry/fixer.h"
#include "registry/results_commands.h"
#include "registry/results_model.h"
#include "registry/scan_session.h"
#include "registry/section_tree.h"

namespace nc::app {

inline constexpr const char* kProductName = "Norvik Cleaner";
inline constexpr const char* kVersionText = NC_VERSION_TEXT;  // "2.8"
inline constexpr const char* kFullVersion = NC_VERSION;       // "2.8.0"
inline constexpr const char* kWindowClassName = "Norvik Cleaner Made by Norvik Software";
inline constexpr const char* kSubtitle = "Optimize your computer performance";
inline constexpr int kDesignClientWidth = 697;
inline constexpr int kDesignClientHeight = 456;
inline constexpr int kMinWindowWidth = 626;
inline constexpr int kMinWindowHeight = 455;
inline constexpr const char* kUnsupportedWindowsLine =
    "The software does not support the current Windows system!";

// Addresses the title links and the "More" menu open.
inline constexpr const char* kHomePage = "https://www.norviksoftware.example/cleaner/";
inline constexpr const char* kHelpPage = "https://www.norviksoftware.example/cleaner/help/";
inline constexpr const char* kUpdatePage = "https://www.norviksoftware.example/cleaner/update/";

// The window's close request (WM_CLOSE), posted to itself to close once a
// worker's question is gone.
inline constexpr std::uint32_t kCloseRequest = 0x0010;

// Commands of the "More" menu.
enum class MoreCommand { OnlineHelp, Homepage, CheckForUpdate, About };

class MainController {
 public:
  struct Services {
    platform::Platform ports;         // prompts are message boxes over the main window
    platform::MessageTarget& window;  // posts to the main window itself
    platform::UiThread& ui;           // the window's thread, for workers
  };

  MainController(Services services, MainView& view);
  ~MainController();
  MainController(const MainController&) = delete;
  MainController& operator=(const MainController&) = delete;

  // Window events, in the order the window system delivers them.
  void OnCreate();
  void OnFirstShow();
  void OnActivate();
  void OnClose();
  // WM_QUERYENDSESSION: true lets the session end.
  bool OnQueryEndSession();
  // A private message; false when the controller does not handle it.
  bool OnMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

  void OnPageButton(int tag);
  void OnFastModeClicked(bool checked);

  // Cleaner page.
  void OnTestClicked();
  void OnCleanClicked();
  void OnAnimationTick();
  // A mouse press on a node of the clean tree.
  void OnCleanTreeClick(cleaner::NodeRef node, cleaner::TreeHit hit);
  void OnCleanTreeExpanded(cleaner::NodeRef node, bool expanded);
  // Reads the community rules file again (when the setting is on), detects
  // its entries and shows the tree with their groups; ticks of the items
  // shown before are kept. Start-up does the same before the first show.
  void ReloadCommunityRules();
  // The community entries shown; null when the setting is off.
  const cleaner::community::CommunityCatalogue* community() const { return community_.get(); }
  // "S&ave to text file" of the log's menu; enabled while the log has lines.
  void OnSaveLog();
  bool SaveLogEnabled() const;
  // Starts a clean in the current RunMode (the callers set it while no
  // clean runs).
  void StartCleanRun();

  // Registry page.
  void OnScanClicked();
  // A press on the tick mark of a section node.
  void OnSectionTreeClick(int imageIndex);
  // The user ticked or unticked a problem row.
  void OnProblemTicked(std::size_t row, bool ticked);
  // "Fix Errors": backs up and removes what the ticked rows designate.
  registry::FixResult OnFixErrorsClicked();
  void OnRestoreClicked();
  // Tools page.
  void OnBackupFullRegistryClicked();
  void OnWindowsBackupClicked();
  // The problem list's pop-up menu.
  bool ResultsCommandEnabled(registry::ResultsCommand command) const;
  void OnResultsCommand(registry::ResultsCommand command);

  // Defrag page: "Analyze Registry" and "Defrag Registry".
  void OnAnalyzeRegistryClicked();
  void OnDefragRegistryClicked();
  DefragController& defrag() { return defrag_; }

  void OnMoreCommand(MoreCommand command);

  // Timer, boss key and options dialog (main_controller_desktop.cpp).
  // The window attaches its side before OnCreate.
  void AttachDesktop(DesktopView* view) { desktopView_ = view; }
  // A tick of the automatic-clean timer.
  void OnAutoCleanTimer();
  // The tray. A minimise (the title bar's button, or the "/Auto" start)
  // sends the window to the tray; when no tray takes the icon (none at
  // log-on, Explorer not running) the window is minimised on the taskbar
  // instead, never hidden without an icon. A restarted Explorer
  // ("TaskbarCreated") gets the icon again, and a window waiting on the
  // taskbar then goes to the tray.
  void OnMinimizeCommand();
  // WM_SHOW_MAIN_WINDOW, "&Open" and a left click on the icon.
  void OnShowMainWindow();
  // The window was restored or maximised (by its taskbar button, say).
  void OnWindowRestored();
  void OnTaskbarCreated();
  TrayState trayState() const { return trayState_; }
  // WM_HOTKEY.
  void OnHotkey(int id);
  const BossKey& bossKey() const { return bossKey_; }
  // What OK of the options dialog applies to the running program.
  OptionsHost optionsHost();
  void OnTitleClicked();
  void OnUpdateLinkClicked();

  // The settings; the options dialog and the restore dialog work on them.
  Options& options() { return options_; }
  const Options& options() const { return options_; }

  // The state of the runs. Tests arrange it through SetRunStateForTesting,
  // starting from what runState gives.
  struct RunState {
    cleaner::RunMode runMode = cleaner::RunMode::Clean;
    bool cleanBusy = false;              // a clean runs or its confirmation is open
    std::int32_t cleanTotal = 0;         // items the counting pass found
    std::uint32_t cleanRun = 0;          // identity of the run going on; 0 when none
    int cleanProgressStep = 0;           // the clean bar's step per timer tick
    int scanProgressStep = 10;           // the registry bar's step per timer tick
    std::vector<std::string> hiveFiles;  // hives whose compact copies may exist
  };
  RunState runState() const;
  void SetRunStateForTesting(const RunState& state);

  cleaner::RunMode runMode() const { return runMode_.load(); }
  bool cleanBusy() const { return cleanBusy_; }
  // A "/Clear" start: no questions, and the program ends when done.
  bool unattendedClear() const { return unattendedClear_; }
  // A "/Regscan" or "/Regdefrag" start.
  bool silentMode() const { return silentMode_; }
  int versionCode() const { return versionCode_; }

  cleaner::CleanTree& cleanTree() { return cleanTree_; }
  registry::SectionTree& sectionTree() { return sectionTree_; }
  registry::ResultsModel& results() { return results_; }
  bool scanRunning() const { return scanSession_ && scanSession_->Running(); }
  const ProgressBarState& cleanBar() const { return cleanBar_; }
  const ProgressBarState& registryBar() const { return registryBar_; }
  bool countingPass() const { return countingPass_; }
  // What the clean worker of the current (or last) run reads.
  const cleaner::CleanSettings& runSettings() const { return runSettings_; }
  bool animationTimerOn() const { return timerOn_; }
  const std::string& testCaption() const { return testCaption_; }

  const CommandLine& commandLine() const { return commandLine_; }
  const std::string& programFolder() const { return programFolder_; }
  int shownPage() const { return shownPage_; }
  bool closed() const { return closed_; }
  // The process exit code: what the last unattended run ended with (0
  // when there was none).
  int exitCode() const { return exitCode_; }

 private:
  SettingsFile settingsFile() const;
  void WriteSettings();
  void OpenAddress(const char* address);
  void CancelClean();
  // `failed`: the run stopped on an error (a counting pass that failed
  // does not go on to the clean).
  void FinishCleanRun(std::uintptr_t total, bool failed);
  void AfterCountingPass();
  // A message of run `run` belongs to the run going on, not to one that is
  // over (cancelled, finished, or counted and followed by the clean).
  bool IsCurrentCleanRun(std::uint32_t run) const { return run != 0 && run == cleanRun_; }
  void SetTimer(bool on);
  void LoadCommunityRules();
  void SetTestCaption(const char* caption);
  void ShowCleanBar();
  // Waits for every clean worker to end, answering their steps meanwhile.
  void JoinCleanWorkers();
  // An unattended "/Clear" run ends when nothing is left running; the
  // report of a "/Clear" or "/Auto" run is written then.
  void EndUnattendedRunIfIdle();
  // The start of the report of a "/Clear" or "/Auto" run; false when the
  // run cannot go on (the settings file cannot be written).
  bool BeginUnattendedRun();
  void FinishUnattendedReport(bool interrupted);
  void FinishScan();
  void RefreshCounts();
  void ApplyProblemFilters();
  // The animation timer runs while a visible test or a scan needs it.
  void UpdateTimer();
  // WM_AUTO_ANALYZE ("/Regscan") and WM_AUTO_DEFRAG ("/Regdefrag").
  void RunAutoAnalyze();
  void RunAutoDefrag();

  // What the workers are given; clean workers ask through workerQuestions_.
  platform::WorkerContext workerContext() const;
  platform::WorkerContext cleanWorkerContext();
  // A close or session end while a worker's question is open: answers it
  // No, cancels the run and closes once the question is gone. False when
  // no question is open.
  bool EndOpenWorkerQuestion();

  void StartBossKey();
  void EndBossKey();
  void ArmAutoCleanTimer();

  // Every box of the window goes through this: in "/Clear" none is shown.
  // Declared before services_, whose prompts it is.
  UnattendedPrompts prompts_;
  Services services_;
  MainView& view_;
  Options options_;
  // Read by the clean worker while the window changes it.
  std::atomic<cleaner::RunMode> runMode_{cleaner::RunMode::Clean};
  bool cleanBusy_ = false;
  std::int32_t cleanTotal_ = 0;
  std::uint32_t cleanRun_ = 0;      // the run going on; 0 when none
  std::uint32_t lastCleanRun_ = 0;  // the identity given last
  int cleanProgressStep_ = 0;
  int scanProgressStep_ = 10;
  bool unattendedClear_ = false;
  bool silentMode_ = false;
  int versionCode_ = 0;
  std::vector<std::string> selectedItems_;
  CommandLine commandLine_;
  std::string programFolder_;  // with trailing backslash
  int shownPage_ = 0;
  bool activated_ = false;
  bool closed_ = false;

  cleaner::CleanTree cleanTree_;
  registry::SectionTree sectionTree_;
  ProgramSettingsTrees trees_{cleanTree_, sectionTree_};
  std::shared_ptr<const cleaner::community::CommunityCatalogue> community_;
  // The lines of the rules file that were not read were logged by a Test.
  bool unreadLogged_ = false;
  registry::ResultsModel results_;

  // The section title and the key line under the list, as the scan writes them.
  class ScanStatus : public registry::ScanStatusView {
   public:
    explicit ScanStatus(MainView& view) : view_(view) {}
    void SetSectionStatus(std::string_view text) override { view_.SetScanTitle(text); }
    void SetKeyLine(std::string_view text) override { view_.SetKeyLine(text); }

   private:
    MainView& view_;
  };
  ScanStatus scanStatus_{view_};

  // The clean workers' questions and notices: the window's message boxes,
  // shown on its thread (CleanRun::Ask), counted while open.
  class WorkerQuestions : public platform::Prompts {
   public:
    explicit WorkerQuestions(platform::Prompts& window) : window_(window) {}
    void inform(std::string_view text) override {
      if (silent_) return;
      const Open open(open_);
      window_.inform(text);
    }
    void error(std::string_view text) override {
      if (silent_) return;
      const Open open(open_);
      window_.error(text);
    }
    bool confirm(std::string_view text) override {
      if (silent_) return false;
      const Open open(open_);
      return window_.confirm(text);
    }
    bool open() const { return open_ > 0; }
    // At the session's end nobody answers: questions are No, notices unseen.
    void SetSilent(bool silent) { silent_ = silent; }

   private:
    struct Open {
      explicit Open(int& count) : count_(count) { ++count_; }
      ~Open() { --count_; }
      Open(const Open&) = delete;
      Open& operator=(const Open&) = delete;
      int& count_;
    };
    platform::Prompts& window_;
    int open_ = 0;
    bool silent_ = false;
  };
  WorkerQuestions workerQuestions_{services_.ports.prompts};
  std::unique_ptr<registry::ScanSession> scanSession_;

  ProgressBarState cleanBar_;
  ProgressBarState registryBar_;
  std::string testCaption_ = "Test";
  bool timerOn_ = false;
  bool countingPass_ = false;
  // The settings the clean worker of the current run reads.
  cleaner::CleanSettings runSettings_;
  // A clean started by the session's end: nobody is asked anything.
  bool sessionEnding_ = false;
  TrayState trayState_ = TrayState::None;
  std::unique_ptr<cleaner::CleanWorker> cleanWorker_;
  // Cancelled workers still ending; joined before a new run and at close.
  std::vector<std::unique_ptr<cleaner::CleanWorker>> endingWorkers_;
  DefragController defrag_{services_.ports, services_.ui, view_, options_,
                           [this] { return view_.MakeRestorePoint(services_.ports.prompts); }};

  DesktopView* desktopView_ = nullptr;
  BossKey bossKey_{services_.ports.desktop, services_.ports.prompts};
  bool fixing_ = false;  // the fixer is deleting (it may pump messages)
  UnattendedReport unattended_;
  int exitCode_ = 0;
};

}  // namespace nc::app
