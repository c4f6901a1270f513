// The Cleaner page's runs through the main window's controller: test,
// clean with its counting pass, cancel, progress, animation, refusals,
// closing during a run and the saved log.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/main_controller.h"
#include "app/messages.h"
#include "app/options_dialog.h"
#include "controller_fixture.h"
#include "platform/sim/sim_platform.h"
#include "recording_options_view.h"

namespace nc {
namespace {

using app::MainController;
using namespace std::chrono_literals;

class CleanPageTest : public test::ControllerFixture {
 protected:
  CleanPageTest() {
    sim.messages().setHandler([this](const sim::PostedMessage& m) {
      posted.push_back(m);
      if (controller) controller->OnMessage(m.message, m.wParam, m.lParam);
    });
    temp = sim.files().tempFolder();
    for (int i = 0; i < 5; ++i) {
      sim.writeFile(temp + "junk" + std::to_string(i) + ".tmp", std::string(2048, 'x'));
    }
    sim.writeFile(temp + "sub\\deep.tmp", "y");
  }
  ~CleanPageTest() override {
    if (controller) controller->OnClose();
  }

  void tick(const char* item) { cleaner::SelectNodeByName(controller->cleanTree(), item); }
  bool pumpUntilIdle() {
    return sim.messages().pumpUntil(
        [this] { return !controller->cleanBusy() && sim.messages().pending() == 0; }, 10s);
  }
  int countPosted(std::uint32_t message) const {
    int n = 0;
    for (const auto& m : posted) n += m.message == message ? 1 : 0;
    return n;
  }
  bool logHas(std::string_view text) const {
    for (const auto& line : view.log.Lines()) {
      if (line.find(text) != std::string::npos) return true;
    }
    return false;
  }

  std::string temp;
  std::vector<sim::PostedMessage> posted;
};

TEST_F(CleanPageTest, ATestRunListsWithoutDeletingAndEndsFinished) {
  auto& c = start();
  tick("Windows - Temporary Files");
  c.OnTestClicked();
  EXPECT_TRUE(c.cleanBusy());
  EXPECT_EQ(view.testCaption, "Cancel");
  EXPECT_TRUE(view.timer);
  EXPECT_EQ(c.runState().cleanProgressStep, 50);
  EXPECT_TRUE(view.doubleBuffered);
  ASSERT_TRUE(pumpUntilIdle());

  EXPECT_EQ(view.testCaption, "Test");
  EXPECT_FALSE(view.timer);
  EXPECT_FALSE(view.doubleBuffered);
  EXPECT_EQ(view.fits, 1);
  ASSERT_FALSE(view.cleanBars.empty());
  EXPECT_EQ(view.cleanBars.back().position, 1000);
  EXPECT_EQ(view.cleanBars.back().Caption(), "Finished!");
  EXPECT_TRUE(logHas("Test: Clearing Windows - Temporary Files ..."));
  EXPECT_TRUE(logHas("6 items will be removed"));
  EXPECT_TRUE(sim.files().fileExists(temp + "junk0.tmp"));
  EXPECT_EQ(view.confirmations, 0);  // a test asks nothing
}

TEST_F(CleanPageTest, CleanAsksOnceCountsInvisiblyThenCleansWithAGrowingPercentage) {
  auto& c = start();
  tick("Windows - Temporary Files");
  c.options().FastScan = false;
  c.OnCleanClicked();
  // The counting pass: fast, invisible, captioned.
  EXPECT_TRUE(c.countingPass());
  EXPECT_FALSE(view.logVisible);
  EXPECT_TRUE(c.runSettings().FastScan);
  EXPECT_FALSE(c.options().FastScan);  // the setting itself never changes
  EXPECT_EQ(view.cleanBars.back().Caption(), "Prepare to clean...");
  EXPECT_EQ(c.runMode(), cleaner::RunMode::Test);
  EXPECT_FALSE(view.timer);
  ASSERT_TRUE(pumpUntilIdle());

  EXPECT_EQ(view.confirmations, 1);
  EXPECT_EQ(c.runState().cleanTotal, 6);
  EXPECT_EQ(countPosted(app::WM_CLEAN_AFTER_COUNT), 1);
  EXPECT_EQ(countPosted(cleaner::WM_CLEAN_DONE), 2);
  EXPECT_FALSE(c.runSettings().FastScan);  // the real pass lists as set
  EXPECT_TRUE(view.logVisible);
  EXPECT_EQ(c.runMode(), cleaner::RunMode::Clean);
  EXPECT_EQ(view.cleanBars.back().Caption(), "Finished!");
  EXPECT_TRUE(logHas("Clean: Clearing Windows - Temporary Files ..."));
  EXPECT_FALSE(logHas("Test: Clearing"));  // the counting lines were cleared
  EXPECT_FALSE(sim.files().fileExists(temp + "junk0.tmp"));
  EXPECT_FALSE(sim.files().fileExists(temp + "sub\\deep.tmp"));
}

TEST_F(CleanPageTest, ProgressMovesTheBarOnlyInARealCleanAndNeverDividesByZero) {
  auto& c = start();
  Arrange([](auto& s) {  // as during a test run
    s.cleanBusy = true;
    s.cleanRun = 4;
    s.runMode = cleaner::RunMode::Test;
    s.cleanTotal = 10;
  });
  const std::intptr_t run4 = cleaner::CleanMessageParam(4);
  const std::size_t shown = view.cleanBars.size();
  c.OnMessage(cleaner::WM_CLEAN_PROGRESS, 5, run4);
  EXPECT_EQ(view.cleanBars.size(), shown);
  Arrange([](auto& s) {
    s.runMode = cleaner::RunMode::Clean;
    s.cleanTotal = 0;
  });
  c.OnMessage(cleaner::WM_CLEAN_PROGRESS, 5, run4);
  EXPECT_EQ(view.cleanBars.size(), shown);
  Arrange([](auto& s) { s.cleanTotal = 8; });
  c.OnMessage(cleaner::WM_CLEAN_PROGRESS, 3, cleaner::CleanMessageParam(3));  // an earlier run's
  EXPECT_EQ(view.cleanBars.size(), shown);
  c.OnMessage(cleaner::WM_CLEAN_PROGRESS, 3, run4);
  ASSERT_EQ(view.cleanBars.size(), shown + 1);
  EXPECT_EQ(view.cleanBars.back().position, 375);
  EXPECT_EQ(view.cleanBars.back().Caption(), "37%");
  // The clean found more than the counting pass: the bar stops at its end.
  c.OnMessage(cleaner::WM_CLEAN_PROGRESS, 13, run4);
  EXPECT_EQ(view.cleanBars.back().position, 1000);
  EXPECT_EQ(view.cleanBars.back().Caption(), "100%");
  Arrange([](auto& s) { s.cleanBusy = false; });
}

TEST_F(CleanPageTest, CancelDuringTheCountingPassRestoresTheLogAndFastMode) {
  auto& c = start();
  tick("Windows - Temporary Files");
  c.options().FastScan = false;
  c.OnCleanClicked();
  c.OnTestClicked();  // reads "Cancel"
  EXPECT_EQ(view.testCaption, "Test");
  EXPECT_FALSE(c.cleanBusy());
  EXPECT_FALSE(c.countingPass());
  EXPECT_TRUE(view.logVisible);
  EXPECT_FALSE(c.options().FastScan);
  EXPECT_FALSE(view.timer);
  // Nothing of the cancelled run reaches the window afterwards.
  sim.messages().pumpUntil([] { return false; }, 200ms);
  EXPECT_EQ(countPosted(app::WM_CLEAN_AFTER_COUNT), 0);
  EXPECT_TRUE(sim.files().fileExists(temp + "junk0.tmp"));
}

// A cancelled run may have posted its end just before the cancel; that
// end, or the step to the clean after a counting pass, must never act on
// the run started after it.
TEST_F(CleanPageTest, MessagesOfACancelledRunNeverReachTheNextRun) {
  auto& c = start();
  tick("Windows - Temporary Files");
  c.OnTestClicked();
  const std::uint32_t cancelled = c.runState().cleanRun;
  c.OnTestClicked();  // Cancel
  c.OnTestClicked();  // and a new Test at once
  ASSERT_TRUE(c.cleanBusy());
  ASSERT_NE(c.runState().cleanRun, cancelled);
  c.OnMessage(cleaner::WM_CLEAN_DONE, 6, cleaner::CleanMessageParam(cancelled));
  EXPECT_TRUE(c.cleanBusy());
  EXPECT_EQ(view.testCaption, "Cancel");
  ASSERT_TRUE(pumpUntilIdle());
  EXPECT_EQ(view.cleanBars.back().Caption(), "Finished!");

  // Clean: the counting pass ends and is cancelled before its step to the
  // real clean is handled.
  c.options().IsAskBeforeClear = false;
  c.OnCleanClicked();
  const std::uint32_t counting = c.runState().cleanRun;
  c.OnMessage(cleaner::WM_CLEAN_DONE, 6, cleaner::CleanMessageParam(counting));
  c.OnTestClicked();  // Cancel
  c.OnMessage(app::WM_CLEAN_AFTER_COUNT, counting, 0);
  EXPECT_FALSE(c.cleanBusy());
  EXPECT_EQ(c.runMode(), cleaner::RunMode::Test);
  sim.messages().pumpUntil([] { return false; }, 200ms);
  EXPECT_FALSE(c.cleanBusy());
  EXPECT_TRUE(sim.files().fileExists(temp + "junk0.tmp"));
}

TEST_F(CleanPageTest, ACountingPassThatStoppedOnAnErrorCleansNothing) {
  auto& c = start();
  tick("Windows - Temporary Files");
  c.OnCleanClicked();
  ASSERT_TRUE(c.countingPass());
  c.OnMessage(cleaner::WM_CLEAN_DONE, 2, cleaner::CleanMessageParam(c.runState().cleanRun, true));
  EXPECT_FALSE(c.cleanBusy());
  EXPECT_TRUE(view.logVisible);
  EXPECT_EQ(view.cleanBars.back().Caption(), "Finished!");
  sim.messages().pumpUntil([] { return false; }, 300ms);
  EXPECT_EQ(countPosted(app::WM_CLEAN_AFTER_COUNT), 0);
  EXPECT_TRUE(sim.files().fileExists(temp + "junk0.tmp"));
}

TEST_F(CleanPageTest, TheAnimationStepsWrapsAndOnlyMovesTheShownPagesBar) {
  auto& c = start();
  Arrange([](auto& s) { s.cleanProgressStep = 50; });
  for (int i = 0; i < 19; ++i) c.OnAnimationTick();
  EXPECT_EQ(c.cleanBar().position, 950);
  c.OnAnimationTick();
  EXPECT_EQ(c.cleanBar().position, 0);  // 1000 wraps to 0

  c.OnPageButton(app::kTagRegistry);
  Arrange([](auto& s) { s.scanProgressStep = 3; });
  c.OnAnimationTick();
  EXPECT_EQ(c.cleanBar().position, 0);  // the Cleaner page is hidden
  EXPECT_EQ(c.registryBar().position, 3);
  for (int i = 0; i < 333; ++i) c.OnAnimationTick();
  EXPECT_EQ(c.registryBar().position, 1002 - 1002);  // passed 1000: back to 0

  // A step that lands exactly on 1000: the clean bar starts again, the
  // registry bar shows its end for one tick.
  Arrange([](auto& s) { s.scanProgressStep = 250; });
  for (int i = 0; i < 4; ++i) c.OnAnimationTick();
  EXPECT_EQ(c.registryBar().position, 1000);
  c.OnAnimationTick();
  EXPECT_EQ(c.registryBar().position, 0);
}

// After a run the bar reads "Finished!": a later tick (the timer also
// runs for a scan) neither moves it nor keeps the timer for it.
TEST_F(CleanPageTest, TheFinishedBarStaysAndStopsTheAnimation) {
  auto& c = start();
  tick("Windows - Temporary Files");
  c.OnTestClicked();
  ASSERT_TRUE(pumpUntilIdle());
  ASSERT_EQ(c.cleanBar().Caption(), "Finished!");
  view.timer = true;
  const std::size_t shown = view.cleanBars.size();
  c.OnAnimationTick();
  EXPECT_EQ(c.cleanBar().position, 1000);
  EXPECT_EQ(c.cleanBar().Caption(), "Finished!");
  EXPECT_EQ(view.cleanBars.size(), shown);
  EXPECT_FALSE(view.timer);
}

TEST_F(CleanPageTest, RefusalsNothingTickedAndASecondStartWhileBusy) {
  auto& c = start();
  c.OnTestClicked();
  ASSERT_EQ(sim.prompts().records().size(), 1u);
  EXPECT_EQ(sim.prompts().records()[0].text,
            "Please select the sections which you want to scan from the left list.");
  EXPECT_FALSE(c.cleanBusy());

  tick("Windows - Temporary Files");
  c.OnTestClicked();
  ASSERT_TRUE(c.cleanBusy());
  c.OnCleanClicked();  // refused: the running test keeps its mode
  EXPECT_EQ(c.runMode(), cleaner::RunMode::Test);
  EXPECT_EQ(view.confirmations, 0);
  ASSERT_TRUE(pumpUntilIdle());
  EXPECT_TRUE(sim.files().fileExists(temp + "junk0.tmp"));
}

TEST_F(CleanPageTest, DecliningTheConfirmationStartsNothingAndTheBoxCanSwitchItOff) {
  auto& c = start();
  tick("Windows - Temporary Files");
  view.confirmAnswer = false;
  view.tickDontShowAgain = true;
  c.OnCleanClicked();
  EXPECT_FALSE(c.cleanBusy());
  EXPECT_EQ(view.testCaption, "Test");
  EXPECT_FALSE(c.options().IsAskBeforeClear);
  EXPECT_TRUE(sim.files().fileExists(temp + "junk0.tmp"));
}

// The window is busy while the confirmation is open: a session end behind
// it starts no clean at shutdown, and the answer given after the close
// starts nothing either.
TEST_F(CleanPageTest, ASessionEndBehindTheConfirmationStartsNoRun) {
  auto& c = start();
  tick("Windows - Temporary Files");
  c.options().ShutdownClean = true;
  bool busyWhileAsked = false;
  view.whileConfirming = [&] {
    busyWhileAsked = c.cleanBusy();
    EXPECT_TRUE(c.OnQueryEndSession());
  };
  c.OnCleanClicked();  // answered OK after the session end
  EXPECT_TRUE(busyWhileAsked);
  EXPECT_TRUE(c.closed());
  EXPECT_FALSE(c.cleanBusy());
  sim.messages().pumpUntil([] { return false; }, 200ms);
  EXPECT_EQ(countPosted(cleaner::WM_CLEAN_DONE), 0);
  EXPECT_TRUE(sim.files().fileExists(temp + "junk0.tmp"));
}

// With "clean at shutdown" on, the session end runs the clean to its end
// before the window closes.
TEST_F(CleanPageTest, ASessionEndWithShutdownCleanCleansFirstThenCloses) {
  auto& c = start();
  tick("Windows - Temporary Files");
  c.options().ShutdownClean = true;
  EXPECT_TRUE(c.OnQueryEndSession());
  EXPECT_EQ(c.runMode(), cleaner::RunMode::Auto);
  EXPECT_FALSE(sim.files().fileExists(temp + "junk0.tmp"));
  EXPECT_FALSE(c.cleanBusy());
  EXPECT_TRUE(c.closed());
  EXPECT_EQ(sim.profile().readString(folder + "options.ini", "SChedule", "ShutdownClean", ""), "1");
}

TEST_F(CleanPageTest, ClosingDuringACleanStopsAndJoinsTheWorkerAndWritesTheSettings) {
  for (int i = 0; i < 300; ++i) {
    sim.writeFile(temp + "many\\f" + std::to_string(i) + ".tmp", "z");
  }
  auto& c = start();
  tick("Windows - Temporary Files");
  c.options().IsAskBeforeClear = false;
  c.OnCleanClicked();
  // Let the counting pass end and the real clean begin.
  sim.messages().pumpUntil([&] { return c.runMode() == cleaner::RunMode::Clean; }, 10s);
  c.OnClose();
  EXPECT_FALSE(c.cleanBusy());
  EXPECT_TRUE(view.destroyed == 1);
  EXPECT_EQ(sim.profile().readString(folder + "options.ini", "NodeSelected", "1", ""),
            "Windows - Temporary Files");
  // What is left is what a finished clean would have removed anyway.
  const auto left = sim.files().list(temp);
  ASSERT_TRUE(left.ok());
  for (const auto& entry : *left) {
    EXPECT_TRUE(entry.isFolder() || entry.name.ends_with(".tmp")) << entry.name;
  }
}

// Message boxes whose question the user has not answered yet when
// `whileOpen` runs (a close arriving in the box's own message loop); then
// the user clicks Yes. Records the thread each box was shown on.
class OpenQuestion : public platform::Prompts {
 public:
  void inform(std::string_view text) override { told.emplace_back(text); }
  void error(std::string_view text) override { told.emplace_back(text); }
  bool confirm(std::string_view text) override {
    asked.emplace_back(text);
    threads.push_back(std::this_thread::get_id());
    if (whileOpen) whileOpen();
    return true;
  }
  std::function<void()> whileOpen;
  std::vector<std::string> asked, told;
  std::vector<std::thread::id> threads;
};

// A folder question of the clean is asked on the window's thread; a close
// or a session end while it is open answers it No, cancels the run, and
// the window closes once the box is gone.
TEST_F(CleanPageTest, AWorkersQuestionIsAskedOnTheWindowsThreadAndACloseAnswersItNo) {
  for (const bool sessionEnd : {false, true}) {
    SCOPED_TRACE(sessionEnd ? "session end" : "close");
    controller.reset();
    view = test::RecordingView();
    sim.addDrive('D');
    sim.writeFile("D:\\a.tmp", "a");
    sim.writeFile(folder + "Custom.dat", "[<New List>]\r\nDelFile1=D:\\,*.tmp\r\n");
    OpenQuestion question;
    prompts = &question;
    auto& c = start();
    tick("Custom Lists - <New List>");
    c.options().IsAskBeforeClear = false;
    c.options().ShutdownClean = true;
    question.whileOpen = [&] {
      if (sessionEnd) {
        EXPECT_TRUE(c.OnQueryEndSession());
      } else {
        c.OnClose();
      }
      EXPECT_FALSE(c.closed());  // not inside the box
      EXPECT_FALSE(c.cleanBusy());
    };
    c.OnCleanClicked();
    ASSERT_TRUE(sim.messages().pumpUntil([&] { return c.closed(); }, 10s));
    EXPECT_EQ(question.asked,
              std::vector<std::string>{"Do you want to delete all files and folders under D:\\?"});
    EXPECT_EQ(question.threads, std::vector<std::thread::id>{std::this_thread::get_id()});
    EXPECT_EQ(view.questionsEnded, 1);
    EXPECT_EQ(view.destroyed, 1);
    EXPECT_TRUE(sim.files().fileExists("D:\\a.tmp"));
    // The item stays ticked (read again, it ticks its group, stored first).
    const auto stored = [&](const char* key) {
      return sim.profile().readString(folder + "options.ini", "NodeSelected", key, "");
    };
    EXPECT_TRUE(stored("1") == "Custom Lists - <New List>" ||
                stored("2") == "Custom Lists - <New List>");
    prompts = nullptr;
  }
}

// OK in the options dialog while a clean runs: the running worker keeps
// the settings it started with, the file never gets the counting pass's
// Fast mode, the next run takes the changes, and "Fast Mode" shows the
// stored setting.
TEST_F(CleanPageTest, OptionsOkDuringACleanChangesOnlyTheNextRun) {
  auto& c = start();
  tick("Windows - Temporary Files");
  c.OnFastModeClicked(false);
  view.fastMode = false;  // the box the user unticked
  ASSERT_TRUE(sim.files().createFolders(c.options().OutputDirectory).ok());
  c.OnCleanClicked();
  ASSERT_TRUE(c.countingPass());

  test::RecordingOptionsView options;
  app::OptionsDialog dialog(sim.ports(), folder, c.options(), c.optionsHost(), options);
  dialog.Open();
  EXPECT_FALSE(options.form.fastScan);  // the stored setting, not the pass's
  options.form.wipeFile = true;
  ASSERT_TRUE(dialog.OnOk());
  EXPECT_EQ(sim.profile().readString(folder + "options.ini", "Settings", "FastScan", ""), "0");
  EXPECT_EQ(sim.profile().readString(folder + "options.ini", "Options", "IsWipeFile", ""), "1");
  EXPECT_FALSE(view.fastMode);
  EXPECT_TRUE(c.runSettings().FastScan);  // the counting pass goes on as it started
  EXPECT_FALSE(c.runSettings().IsWipeFile);

  ASSERT_TRUE(pumpUntilIdle());
  // The clean after the count is the next run.
  EXPECT_EQ(c.runMode(), cleaner::RunMode::Clean);
  EXPECT_TRUE(c.runSettings().IsWipeFile);
  EXPECT_FALSE(c.runSettings().FastScan);
  EXPECT_FALSE(c.options().FastScan);
  EXPECT_FALSE(view.fastMode);
  EXPECT_FALSE(sim.files().fileExists(temp + "junk0.tmp"));
}

// Tells of an open browser; something may happen while the box is open.
class BrowserNotice : public platform::Prompts {
 public:
  void inform(std::string_view text) override {
    told.emplace_back(text);
    if (whileOpen) whileOpen();
  }
  void error(std::string_view) override {}
  bool confirm(std::string_view) override { return false; }
  std::function<void()> whileOpen;
  std::vector<std::string> told;
};

// One question at a time: a timed clean that finds a ticked browser open
// shows one box; the ticks (and a press of "Clean") while it is open
// start nothing and open no second box.
TEST_F(CleanPageTest, ABrowserOpenAtATimedCleanIsToldInOneBox) {
  BrowserNotice notice;
  prompts = &notice;
  auto& c = start();
  tick("Mozilla Firefox - Cookies");
  tick("Mozilla Firefox");
  const auto firefox = sim.programs().addWindow("MozillaWindowClass");
  notice.whileOpen = [&] {
    EXPECT_TRUE(c.cleanBusy());
    c.OnAutoCleanTimer();
    c.OnAutoCleanTimer();
    c.OnCleanClicked();
  };
  c.OnAutoCleanTimer();
  EXPECT_EQ(notice.told, std::vector<std::string>{"Please close Mozilla Firefox first!"});
  EXPECT_FALSE(c.cleanBusy());
  EXPECT_EQ(view.confirmations, 0);
  // A later tick, the box gone, tells again; with the browser closed it runs.
  notice.whileOpen = nullptr;
  c.OnAutoCleanTimer();
  EXPECT_EQ(notice.told.size(), 2u);
  sim.programs().closeWindow(firefox);
  view.confirmAnswer = false;
  c.OnAutoCleanTimer();
  EXPECT_EQ(view.confirmations, 1);
  prompts = nullptr;
}

// The main window that checks the settings file when a run starts.
class FileAtRunStart : public test::RecordingView {
 public:
  void ClearLog() override {
    if (atStart) atStart();
    RecordingView::ClearLog();
  }
  std::function<void()> atStart;
};

// A clean at the session's end asks nothing: no confirmation, no box of
// an open browser, and its folder questions are answered No unseen. The
// settings are written before it starts and again after it.
TEST_F(CleanPageTest, ASessionEndCleanAsksNothingAndKeepsTheSettingsFirst) {
  for (const bool browserOpen : {false, true}) {
    SCOPED_TRACE(browserOpen ? "browser open" : "no browser");
    sim.addDrive('D');
    sim.writeFile("D:\\a.tmp", "a");
    sim.writeFile(temp + "junk0.tmp", "x");
    sim.writeFile(folder + "Custom.dat", "[<New List>]\r\nDelFile1=D:\\,*.tmp\r\n");
    sim.writeFile(folder + "options.ini", "[SChedule]\r\nShutdownClean=1\r\n");
    OpenQuestion question;
    FileAtRunStart window;
    auto c = std::make_unique<MainController>(
        MainController::Services{platform::WithPrompts(sim.ports(), question), sim.messages(),
                                 sim.messages()},
        window);
    c->OnCreate();
    c->OnFirstShow();
    c->OnActivate();
    cleaner::SelectNodeByName(c->cleanTree(), "Custom Lists - <New List>");
    cleaner::SelectNodeByName(c->cleanTree(), "Windows - Temporary Files");
    cleaner::SelectNodeByName(c->cleanTree(), "Mozilla Firefox - Cookies");
    cleaner::SelectNodeByName(c->cleanTree(), "Mozilla Firefox");
    const auto firefox = browserOpen ? sim.programs().addWindow("MozillaWindowClass") : 0;
    c->options().WipeNumber = 7;  // changed since the file was read
    int runs = 0;
    window.atStart = [&] {
      ++runs;
      EXPECT_EQ(sim.profile().readString(folder + "options.ini", "Options", "WipeNumber", ""), "7");
    };
    EXPECT_TRUE(c->OnQueryEndSession());
    EXPECT_TRUE(c->closed());
    EXPECT_EQ(window.confirmations, 0);
    EXPECT_TRUE(question.asked.empty());
    EXPECT_TRUE(question.told.empty());
    EXPECT_EQ(runs, browserOpen ? 0 : 1);
    EXPECT_TRUE(sim.files().fileExists("D:\\a.tmp"));  // its folder question was No
    EXPECT_EQ(sim.files().fileExists(temp + "junk0.tmp"), browserOpen);
    EXPECT_EQ(sim.profile().readString(folder + "options.ini", "Options", "WipeNumber", ""), "7");
    c.reset();
    if (browserOpen) sim.programs().closeWindow(firefox);
  }
}

TEST_F(CleanPageTest, TheTreeTogglesMarksAndTheNewListLabelOpensTheEditor) {
  auto& c = start();
  const auto& groups = c.cleanTree().groups();
  int customGroup = -1;
  for (std::size_t i = 0; i < groups.size(); ++i) {
    if (groups[i].text == "Custom Lists") customGroup = static_cast<int>(i);
  }
  ASSERT_GE(customGroup, 0);
  c.OnCleanTreeClick({customGroup, 0}, cleaner::TreeHit::Label);
  EXPECT_EQ(view.editorOpens, 1);
  c.OnCleanTreeClick({customGroup, 0}, cleaner::TreeHit::StatePicture);
  EXPECT_EQ(view.editorOpens, 1);
  EXPECT_EQ(view.markRefreshes, 1);
  EXPECT_EQ(cleaner::CollectCheckedItems(c.cleanTree()),
            std::vector<std::string>{"Custom Lists - <New List>"});
}

TEST_F(CleanPageTest, TheLogIsSavedAsTextWithItsHeaderAndAnOverwriteQuestion) {
  auto& c = start();
  EXPECT_FALSE(c.SaveLogEnabled());
  tick("Windows - Temporary Files");
  c.OnTestClicked();
  ASSERT_TRUE(pumpUntilIdle());
  ASSERT_TRUE(c.SaveLogEnabled());

  view.savePath = "C:\\log";
  c.OnSaveLog();
  const std::string saved = sim.readFile("C:\\log.txt");
  EXPECT_EQ(saved.rfind("This file was generated by Norvik Cleaner\r\nVisit ", 0), 0u);
  EXPECT_NE(saved.find(" for the latest version\r\n\r\n"), std::string::npos);
  EXPECT_NE(saved.find("Test: Clearing Windows - Temporary Files ...\r\n"), std::string::npos);

  view.savePath = "C:\\log.txt";
  sim.prompts().answerConfirm(false);
  sim.writeFile("C:\\log.txt", "keep");
  c.OnSaveLog();
  EXPECT_EQ(sim.readFile("C:\\log.txt"), "keep");
  EXPECT_EQ(sim.prompts().records().back().text, "C:\\log.txt has existed,overite it?");
  view.savePath = "C:\\log.TXT";  // not exactly ".txt": the extension is added
  c.OnSaveLog();
  EXPECT_TRUE(sim.files().fileExists("C:\\log.TXT.txt"));
}

TEST_F(CleanPageTest, AnUnattendedClearCleansWithoutAskingAndEnds) {
  sim.profile().writeString(folder + "options.ini", "NodeSelected", "SelectedCount", "1");
  sim.profile().writeString(folder + "options.ini", "NodeSelected", "1",
                            "Windows - Temporary Files");
  auto& c = start({"/Clear"});
  ASSERT_TRUE(c.unattendedClear());
  sim.messages().pumpUntil([&] { return c.closed(); }, 10s);
  EXPECT_TRUE(c.closed());
  EXPECT_TRUE(view.hidden);
  EXPECT_EQ(view.confirmations, 0);
  EXPECT_FALSE(sim.files().fileExists(temp + "junk0.tmp"));
}

}  // namespace
}  // namespace nc
