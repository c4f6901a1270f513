// The clean worker: the log of a run, the totals, the messages to the main
// window, cancel and errors; and the rules that decide whether a run
// starts.
#include "cleaner/clean_worker.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "cleaner/clean_starter.h"
#include "tests/native/clean_fixture.h"

namespace nc::cleaner {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::string kSeparator(107, '-');

// Forwards to the recording log, remembers the thread of every line and
// lets a test act on a line before it is written (the action may throw).
class ObservedLog : public CleanLog {
 public:
  explicit ObservedLog(testing::RecordingLog& inner) : inner_(inner) {}

  std::function<void(std::string_view)> onLine;  // set before the run starts

  void AddLine(std::string_view line) override {
    if (onLine) onLine(line);
    {
      std::lock_guard lock(mutex_);
      threads_.emplace_back(std::string(line), std::this_thread::get_id());
    }
    inner_.AddLine(line);
  }
  void ScrollToEnd() override { inner_.ScrollToEnd(); }

  // Threads of the lines that start with `prefix`.
  std::vector<std::thread::id> ThreadsOf(std::string_view prefix) const {
    std::lock_guard lock(mutex_);
    std::vector<std::thread::id> found;
    for (const auto& [line, id] : threads_) {
      if (line.rfind(prefix, 0) == 0) found.push_back(id);
    }
    return found;
  }

 private:
  testing::RecordingLog& inner_;
  mutable std::mutex mutex_;
  std::vector<std::pair<std::string, std::thread::id>> threads_;
};

class CleanWorkerTest : public testing::CleanFixture {
 protected:
  void SetUp() override {
    ASSERT_TRUE(WriteProgramFile("kvrn.dat",
                                 "[Windows Log Files]\r\nDelFile1=%windir%\\Logs,*.log\r\n"
                                 "[Session]\r\nDelFile1=%windir%\\Logs,*.log\r\n"
                                 "[Clipboard]\r\nDelFile1=%windir%\\Logs,*.log\r\n"
                                 "[Big]\r\nDelFile1=%windir%\\Big,*.bin\r\n"
                                 "[Many]\r\nDelFile1=%windir%\\Many,*.tmp\r\n"));
    ASSERT_TRUE(
        WriteProgramFile("Custom.dat", "[<New List>]\r\nDelFile1=%windir%\\Custom,*.txt\r\n"));
    ASSERT_TRUE(sim.writeFile("C:\\Windows\\Logs\\a.log", std::string(1300, 'a')));
    ASSERT_TRUE(sim.writeFile("C:\\Windows\\Logs\\b.log", "b"));
    ASSERT_TRUE(sim.writeFile("C:\\Windows\\Custom\\c.txt", std::string(2048, 'c')));
  }

  // A worker over the observed log; the run mode is set first.
  std::unique_ptr<CleanWorker> Worker(std::vector<std::string> names, bool testMode) {
    runMode.store(testMode ? cleaner::RunMode::Test : cleaner::RunMode::Clean);
    CleanEnvironment env{sim.workerContext(versionCode), observed, runMode, options,
                         kProgramFolder};
    return std::make_unique<CleanWorker>(std::move(env), std::move(names), 0);
  }

  // Starts the worker and plays the window until it has ended.
  void RunOnThread(CleanWorker& worker) {
    worker.Start();
    ASSERT_TRUE(PumpUntil([&] { return worker.Finished(); }));
    worker.Join();
    Pump();
  }

  std::vector<std::uintptr_t> ParamsOf(std::uint32_t message) const {
    std::vector<std::uintptr_t> params;
    for (const auto& m : Posted(message)) {
      params.push_back(m.wParam);
      // Only the done message after an error carries a flag in lParam.
      if (message == cleaner::WM_CLEAN_PROGRESS) {
        EXPECT_EQ(m.lParam, 0);
      }
    }
    return params;
  }

  ObservedLog observed{log};
};

TEST_F(CleanWorkerTest, OneItemLogsHeaderFilesSummaryAndTotalsWithoutSeparatorBefore) {
  auto worker = Worker({"Windows - Windows Log Files"}, true);
  worker->Execute();
  Pump();
  EXPECT_THAT(log.lines(),
              ElementsAre("Test: Clearing Windows - Windows Log Files ...",
                          "Test: deleting C:\\Windows\\Logs\\a.log",
                          "Test: deleting C:\\Windows\\Logs\\b.log", "",
                          "2 items will be removed; 2 KB will be removed.", "", kSeparator,
                          "Total items will be removed = 2 ; Total files will be removed = 2 KB",
                          kSeparator));
  EXPECT_THAT(ParamsOf(cleaner::WM_CLEAN_PROGRESS), ElementsAre(2u));
  ASSERT_EQ(Posted(cleaner::WM_CLEAN_DONE).size(), 1u);
  EXPECT_EQ(Posted(cleaner::WM_CLEAN_DONE)[0].wParam, 2u);
  EXPECT_EQ(Posted(cleaner::WM_CLEAN_DONE)[0].lParam, 0);
  EXPECT_EQ(worker->CurrentIndex(), 0);
  EXPECT_TRUE(sim.files().fileExists("C:\\Windows\\Logs\\a.log"));

  // The same item in clean mode removes what the test listed.
  log.clear();
  posted.clear();
  auto clean = Worker({"Windows - Windows Log Files"}, false);
  clean->Execute();
  Pump();
  EXPECT_EQ(log.lines().front(), "Clean: Clearing Windows - Windows Log Files ...");
  EXPECT_TRUE(log.hasLine("2 items to be removed; 2 KB to be removed."));
  EXPECT_TRUE(log.hasLine("Total items to be removed = 2 ; Total files to be removed = 2 KB"));
  EXPECT_FALSE(sim.files().fileExists("C:\\Windows\\Logs\\a.log"));
  EXPECT_FALSE(sim.files().fileExists("C:\\Windows\\Logs\\b.log"));

  // A clean scrolls the log every 25 files, counted from the item's start,
  // and once more at the item's summary.
  for (const int files : {24, 25}) {
    for (int i = 0; i < files; ++i) {
      ASSERT_TRUE(sim.writeFile("C:\\Windows\\Many\\s" + std::to_string(i) + ".tmp", "x"));
    }
    log.clear();
    Worker({"Applications - Many"}, false)->Execute();
    EXPECT_EQ(log.scrolls(), files == 24 ? 1 : 2) << files;
  }

  // An item that counts no bytes (the clipboard) reports its counters as
  // reset at its start.
  log.clear();
  Worker({"Windows - Clipboard"}, true)->Execute();
  EXPECT_TRUE(log.hasLine("0 items will be removed; 0 KB will be removed."));
  EXPECT_TRUE(log.hasLine("Total items will be removed = 0 ; Total files will be removed = 0 KB"));
}

TEST_F(CleanWorkerTest, SeveralItemsAreSeparatedAndEachNameReachesItsOwnCleaner) {
  auto worker = Worker({"Google Chrome - Session", "Applications - Not In The File",
                        "Custom Lists - <New List>", "Windows - Windows Log Files"},
                       true);
  RunOnThread(*worker);

  // A fixed item never reads kvrn.dat, even where a section has its name;
  // a name without a section finds nothing; the custom list reads
  // Custom.dat.
  EXPECT_THAT(log.linesContaining("deleting"),
              ElementsAre("Test: deleting C:\\Windows\\Custom\\c.txt",
                          "Test: deleting C:\\Windows\\Logs\\a.log",
                          "Test: deleting C:\\Windows\\Logs\\b.log"));
  EXPECT_THAT(log.linesContaining(" items will be removed;"),
              ElementsAre("0 items will be removed; 0 KB will be removed.",
                          "0 items will be removed; 0 KB will be removed.",
                          "1 items will be removed; 2 KB will be removed.",
                          "2 items will be removed; 2 KB will be removed."));
  // A separator before items two to four and two around the totals.
  EXPECT_EQ(log.linesContaining(kSeparator).size(), 5u);
  const auto lines = log.lines();
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[0], "Test: Clearing Google Chrome - Session ...");
  EXPECT_EQ(lines[4], kSeparator);
  EXPECT_EQ(lines[5], "Test: Clearing Applications - Not In The File ...");
  // The total is rounded from the bytes of the run, not summed from the
  // rounded items (2,048 + 1,301 bytes).
  EXPECT_EQ(lines[lines.size() - 2],
            "Total items will be removed = 3 ; Total files will be removed = 4 KB");

  EXPECT_THAT(ParamsOf(cleaner::WM_CLEAN_PROGRESS), ElementsAre(0u, 0u, 1u, 3u));
  EXPECT_THAT(ParamsOf(cleaner::WM_CLEAN_DONE), ElementsAre(3u));
  EXPECT_EQ(worker->CurrentIndex(), 3);

  // Headers come from the worker, summaries from the window's thread.
  const auto self = std::this_thread::get_id();
  for (const auto id : observed.ThreadsOf("Test: Clearing")) EXPECT_NE(id, self);
  const auto summaries = observed.ThreadsOf("0 items");
  ASSERT_EQ(summaries.size(), 2u);
  for (const auto id : summaries) EXPECT_EQ(id, self);

  // A run that has ended does not start again.
  worker->Start();
  EXPECT_FALSE(PumpUntil([&] { return log.linesContaining("Clearing").size() > 4; },
                         std::chrono::milliseconds(300)));
  worker->RequestStop();
  sim.messages().stop();
}

TEST_F(CleanWorkerTest, FixedNamesAreKnownExactlyAndTheRestGoesToTheDefinitionsFile) {
  EXPECT_TRUE(IsFixedItemName("Windows - Clipboard"));
  EXPECT_TRUE(IsFixedItemName("Advanced - Paint"));
  EXPECT_TRUE(IsFixedItemName("Mozilla Firefox - Download Manager"));
  EXPECT_TRUE(IsFixedItemName("Google Chrome - Stored passwords in Forms"));
  EXPECT_TRUE(IsFixedItemName("Microsoft Edge - Stored passwords in Forms"));
  EXPECT_TRUE(IsFixedItemName("Opera (Chromium) - Cookies"));
  EXPECT_FALSE(IsFixedItemName("Opera (Chromium) - Transfers"));
  EXPECT_TRUE(IsFixedItemName("Instant Messengers - Yahoo! Messenger"));
  EXPECT_FALSE(IsFixedItemName(""));
  EXPECT_FALSE(IsFixedItemName("Windows - Windows Log Files"));
  EXPECT_FALSE(IsFixedItemName("Instant Messengers - ICQ"));
  EXPECT_FALSE(IsFixedItemName("Advanced - Google Toolbar History"));
  EXPECT_FALSE(IsFixedItemName("windows - clipboard"));

  // "windows - clipboard" differs in letter case: it is a definitions file
  // name, and the sections of that file are found ignoring case.
  CleanRun& lowerCase = TestRun();
  DispatchCleanItem(lowerCase, "windows - clipboard");
  EXPECT_EQ(lowerCase.ItemCount, 2);
  CleanRun& other = TestRun();
  DispatchCleanItem(other, "My Custom Lists - <New List>");
  EXPECT_EQ(other.ItemCount, 1);

  // A run of no items has no current item.
  auto none = Worker({}, true);
  none->Execute();
  EXPECT_EQ(none->CurrentIndex(), -1);
}

TEST_F(CleanWorkerTest, TotalsAboveFourGibibytesAreWrittenInFull) {
  // A sparse file of 4 GiB and one byte.
  ASSERT_TRUE(sim.writeFile("C:\\Windows\\Big\\huge.bin", ""));
  std::filesystem::resize_file(sim.hostPath("C:\\Windows\\Big\\huge.bin"), (1ull << 32) + 1);
  auto worker = Worker({"Applications - Big"}, true);
  worker->Execute();
  EXPECT_TRUE(log.hasLine("1 items will be removed; 4,194,305 KB will be removed."));
  EXPECT_TRUE(
      log.hasLine("Total items will be removed = 1 ; Total files will be removed = 4,194,305 KB"));
  EXPECT_EQ(worker->run().TotalSize, (1ull << 32) + 1);
}

TEST_F(CleanWorkerTest, CancelBeforeTheNextItemEndsTheRunWithoutTotalsOrDoneMessage) {
  auto worker = Worker({"Windows - Windows Log Files", "Custom Lists - <New List>"}, true);
  CleanWorker* self = worker.get();
  observed.onLine = [self](std::string_view line) {
    // Cancel pressed while the first item is reported.
    if (line.find("items will be removed;") != std::string_view::npos) self->RequestStop();
  };
  RunOnThread(*worker);
  EXPECT_THAT(log.linesContaining("Clearing"),
              ElementsAre("Test: Clearing Windows - Windows Log Files ..."));
  EXPECT_THAT(log.linesContaining("Total"), IsEmpty());
  EXPECT_THAT(log.linesContaining(kSeparator), IsEmpty());
  EXPECT_THAT(ParamsOf(cleaner::WM_CLEAN_PROGRESS), ElementsAre(2u));
  EXPECT_THAT(Posted(cleaner::WM_CLEAN_DONE), IsEmpty());
  EXPECT_TRUE(sim.files().fileExists("C:\\Windows\\Custom\\c.txt"));
}

// The "Fast Mode" box is set on the window's thread while the worker reads
// it for every line: a change takes effect from the next line, and the
// reads never race the writes.
TEST_F(CleanWorkerTest, FastModeSetDuringARunTakesEffectFromTheNextLine) {
  for (int i = 0; i < 40; ++i) {
    ASSERT_TRUE(sim.writeFile("C:\\Windows\\Many\\f" + std::to_string(i) + ".tmp", "m"));
  }
  int details = 0;
  observed.onLine = [&](std::string_view line) {
    if (line.find("deleting") != std::string_view::npos && ++details == 3) {
      sim.messages().invoke([&] { options.FastScan = true; });
    }
  };
  runMode.store(cleaner::RunMode::Test);
  CleanWorker worker(
      CleanEnvironment{sim.workerContext(versionCode), observed, runMode, options, kProgramFolder},
      {"Applications - Many"}, 0, 7);
  RunOnThread(worker);
  EXPECT_EQ(log.linesContaining("deleting").size(), 3u);
  EXPECT_TRUE(log.hasLine("40 items will be removed; 1 KB will be removed."));
  ASSERT_EQ(Posted(cleaner::WM_CLEAN_DONE).size(), 1u);
  EXPECT_EQ(Posted(cleaner::WM_CLEAN_DONE)[0].lParam, cleaner::CleanMessageParam(7));

  // The box clicked again and again while a run goes on.
  observed.onLine = nullptr;
  options.FastScan = false;
  auto toggled = Worker({"Applications - Many", "Applications - Many"}, true);
  toggled->Start();
  while (!toggled->Finished()) {
    options.FastScan = !options.FastScan;
    Pump();
  }
  toggled->Join();
  EXPECT_TRUE(log.hasLine("Total items will be removed = 80 ; Total files will be removed = 1 KB"));
}

TEST_F(CleanWorkerTest, DestroyingAWorkerStopsAndWaitsForIt) {
  auto worker = Worker({"Windows - Windows Log Files", "Custom Lists - <New List>"}, true);
  worker->Start();
  // The worker waits for the window to reset the first item's counters.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (sim.messages().pending() == 0 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::yield();
  }
  ASSERT_EQ(sim.messages().pending(), 1u);
  // The window closes: cancel, stop answering, and destroy the worker.
  worker->RequestStop();
  sim.messages().stop();
  worker.reset();
  EXPECT_THAT(log.linesContaining("Clearing"),
              ElementsAre("Test: Clearing Windows - Windows Log Files ..."));
  EXPECT_THAT(log.linesContaining("Total"), IsEmpty());
  EXPECT_THAT(log.linesContaining("deleting"), IsEmpty());
}

TEST_F(CleanWorkerTest, AnErrorInAnItemEndsTheRunAndStillTellsTheWindow) {
  auto worker = Worker({"Custom Lists - <New List>", "Windows - Windows Log Files",
                        "Applications - Not In The File"},
                       false);
  observed.onLine = [](std::string_view line) {
    if (line.find("b.log") != std::string_view::npos) throw std::runtime_error("log failed");
  };
  RunOnThread(*worker);
  const auto lines = log.lines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "The run stopped on an error.");
  EXPECT_THAT(log.linesContaining("Clearing"),
              ElementsAre("Clean: Clearing Custom Lists - <New List> ...",
                          "Clean: Clearing Windows - Windows Log Files ..."));
  EXPECT_THAT(log.linesContaining("Total"), IsEmpty());
  ASSERT_EQ(Posted(cleaner::WM_CLEAN_DONE).size(), 1u);
  // The total of the items that finished; lParam marks the error.
  EXPECT_EQ(Posted(cleaner::WM_CLEAN_DONE)[0].wParam, 1u);
  EXPECT_EQ(Posted(cleaner::WM_CLEAN_DONE)[0].lParam, kCleanDoneAfterError);
  EXPECT_TRUE(worker->Finished());

  // A run that was cancelled before it failed posts nothing.
  log.clear();
  posted.clear();
  auto cancelled = Worker({"Windows - Windows Log Files"}, true);
  CleanWorker* self = cancelled.get();
  observed.onLine = [self](std::string_view line) {
    if (line.find("b.log") != std::string_view::npos) {
      self->RequestStop();
      throw std::runtime_error("log failed");
    }
  };
  RunOnThread(*cancelled);
  EXPECT_THAT(Posted(cleaner::WM_CLEAN_DONE), IsEmpty());
}

TEST_F(CleanWorkerTest, ProgressIsPostedAtMostEveryTwoSecondsWithinAnItem) {
  for (int i = 0; i < 10; ++i) {
    ASSERT_TRUE(sim.writeFile("C:\\Windows\\Many\\f" + std::to_string(i) + ".tmp", "x"));
  }
  auto worker = Worker({"Applications - Many", "Windows - Windows Log Files"}, true);
  observed.onLine = [this](std::string_view line) {
    // Every file takes 0.7 s; the window is slow to report an item.
    if (line.find("deleting") != std::string_view::npos) sim.clock().advance(700);
    if (line.find("items will be removed;") != std::string_view::npos) sim.clock().advance(5000);
  };
  RunOnThread(*worker);
  // Within the first item after 2.1, 4.2 and 6.3 seconds, then its end;
  // the second item starts its own two seconds, so only its end is posted.
  EXPECT_THAT(ParamsOf(cleaner::WM_CLEAN_PROGRESS), ElementsAre(3u, 6u, 9u, 10u, 12u));
}

// ---- starting a run ---------------------------------------------------------

class CleanStartTest : public testing::CleanFixture {
 protected:
  CleanStartTest() { UntickAllNodes(tree); }

  void Tick(std::string_view group, std::string_view item) {
    SelectNodeByName(tree, CleanItemName(group, item));
    SelectNodeByName(tree, group);
  }
  CleanStartDecision Start(cleaner::RunMode mode) {
    return PrepareCleanStart(CleanStartContext{tree, mode, busy, askBeforeClear, unattended,
                                               sim.programs(), sim.prompts(), sim.registry(),
                                               sim.files(), [this] {
                                                 ++questions;
                                                 busyDuringQuestion = busy;
                                                 return answer;
                                               }});
  }
  std::vector<std::string> Shown() {
    std::vector<std::string> texts;
    for (const auto& record : sim.prompts().records()) texts.push_back(record.text);
    return texts;
  }

  CleanTree tree = BuildCleanTree();
  bool busy = false;
  bool askBeforeClear = true;
  bool unattended = false;
  bool answer = true;
  int questions = 0;
  bool busyDuringQuestion = false;
};

TEST_F(CleanStartTest, NothingTickedIsRefusedFirstAndSilentlyWhenUnattended) {
  busy = true;
  SelectNodeByName(tree, "Applications");  // a group alone selects nothing
  EXPECT_EQ(Start(cleaner::RunMode::Test).outcome, CleanStartOutcome::NothingSelected);
  EXPECT_EQ(Start(cleaner::RunMode::Auto).outcome, CleanStartOutcome::NothingSelected);
  EXPECT_THAT(Shown(),
              ElementsAre("Please select the sections which you want to scan from the left list."));

  Tick("Windows", "Clipboard");
  const auto decision = Start(cleaner::RunMode::CleanRequest);
  EXPECT_EQ(decision.outcome, CleanStartOutcome::Busy);
  EXPECT_EQ(Shown().size(), 1u);
  EXPECT_EQ(questions, 0);
  EXPECT_TRUE(busy);
}

TEST_F(CleanStartTest, AnOpenBrowserRefusesACleanButNotATest) {
  Tick("Mozilla Firefox", "Cookies");
  Tick("Windows", "Clipboard");
  const auto firefox = sim.programs().addWindow("MozillaWindowClass");
  EXPECT_EQ(Start(cleaner::RunMode::CleanRequest).outcome, CleanStartOutcome::FirefoxRunning);
  EXPECT_EQ(Start(cleaner::RunMode::Auto).outcome, CleanStartOutcome::FirefoxRunning);
  EXPECT_FALSE(busy);
  EXPECT_EQ(questions, 0);

  const auto test = Start(cleaner::RunMode::Test);
  EXPECT_EQ(test.outcome, CleanStartOutcome::Start);
  EXPECT_THAT(test.runNames, ElementsAre("Windows - Clipboard", "Mozilla Firefox - Cookies"));
  EXPECT_TRUE(busy);
  busy = false;
  // The real clean after the counting pass asks nothing and checks nothing.
  EXPECT_EQ(Start(cleaner::RunMode::Clean).outcome, CleanStartOutcome::Start);
  EXPECT_EQ(questions, 0);

  busy = false;
  sim.programs().closeWindow(firefox);
  const auto firefoxUi = sim.programs().addWindow("MozillaUIWindowClass");
  sim.programs().addWindow("Chrome_WidgetWin_1");
  EXPECT_EQ(Start(cleaner::RunMode::CleanRequest).outcome, CleanStartOutcome::FirefoxRunning);
  sim.programs().closeWindow(firefoxUi);
  // Chrome runs (its profile's lock is held) but is not ticked.
  sim.registry().loadRegText(
      "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\"
      "Explorer\\Shell Folders]\n\"Local AppData\"=\"C:\\\\Local\"\n");
  ASSERT_TRUE(sim.writeFile("C:\\Local\\Google\\Chrome\\User Data\\lockfile", ""));
  auto chromeLock =
      sim.files().open("C:\\Local\\Google\\Chrome\\User Data\\lockfile",
                       platform::FileOpen::ReadWriteExisting, platform::FileShare::Read);
  ASSERT_TRUE(chromeLock.ok());
  EXPECT_EQ(Start(cleaner::RunMode::CleanRequest).outcome, CleanStartOutcome::Start);
  busy = false;
  Tick("Google Chrome", "Session");
  EXPECT_EQ(Start(cleaner::RunMode::CleanRequest).outcome, CleanStartOutcome::ChromeRunning);
  EXPECT_THAT(
      Shown(),
      ElementsAre("Please close Mozilla Firefox first!", "Please close Mozilla Firefox first!",
                  "Please close Mozilla Firefox first!", "Please close Google Chrome first!"));
}

// The open-browser checks look at the ticked items, never at the group's
// own mark; an unattended "/Clear" leaves the open browsers' items out
// without a box and cleans the rest.
TEST_F(CleanStartTest, OpenBrowsersAreJudgedByTheirTickedItemsAndAClearLeavesThemOut) {
  using Names = std::vector<std::string>;
  struct Case {
    Names ticked;  // stored names; groups stay as ticked here
    bool clear;
    CleanStartOutcome outcome;
    Names runNames, skipped, shown;
  };
  const std::string ff = "Mozilla Firefox - Cookies", chrome = "Google Chrome - Session",
                    clip = "Windows - Clipboard", ffText(kCloseFirefoxText);
  const Case cases[] = {
      {{ff, clip}, false, CleanStartOutcome::FirefoxRunning, {}, {}, {ffText}},
      {{"Mozilla Firefox", clip}, false, CleanStartOutcome::Start, {clip}, {}, {}},
      {{ff, clip}, true, CleanStartOutcome::Start, {clip}, {ff}, {}},
      {{ff, chrome, clip}, true, CleanStartOutcome::Start, {clip}, {ff, chrome}, {}},
      {{ff}, true, CleanStartOutcome::FirefoxRunning, {}, {ff}, {}},
  };
  sim.programs().addWindow("MozillaWindowClass");
  sim.registry().loadRegText(
      "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\"
      "Explorer\\Shell Folders]\n\"Local AppData\"=\"C:\\\\Local\"\n");
  const std::string lockfile = "C:\\Local\\Google\\Chrome\\User Data\\lockfile";
  ASSERT_TRUE(sim.writeFile(lockfile, ""));
  auto chromeLock =
      sim.files().open(lockfile, platform::FileOpen::ReadWriteExisting, platform::FileShare::Read);
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.ticked) + (c.clear ? " /Clear" : ""));
    UntickAllNodes(tree);
    for (const std::string& name : c.ticked) SelectNodeByName(tree, name);
    sim.prompts().clear();
    busy = false;
    unattended = c.clear;
    const CleanStartDecision decision = Start(cleaner::RunMode::Auto);
    EXPECT_EQ(decision.outcome, c.outcome);
    EXPECT_EQ(decision.outcome == CleanStartOutcome::Start ? decision.runNames : Names{},
              c.runNames);
    Names skipped;
    for (const SkippedCleanItem& item : decision.skipped) {
      skipped.push_back(item.runName);
      EXPECT_EQ(item.reason, item.browser == "Mozilla Firefox" ? ffText : kCloseChromeText);
    }
    EXPECT_EQ(skipped, c.skipped);
    EXPECT_EQ(Shown(), c.shown);
  }
}

TEST_F(CleanStartTest, TheConfirmationIsAskedWhileBusyAndANoLeavesTheWindowIdle) {
  Tick("Windows", "Clipboard");
  answer = false;
  EXPECT_EQ(Start(cleaner::RunMode::CleanRequest).outcome, CleanStartOutcome::Declined);
  EXPECT_EQ(questions, 1);
  EXPECT_TRUE(busyDuringQuestion);
  EXPECT_FALSE(busy);

  answer = true;
  EXPECT_EQ(Start(cleaner::RunMode::Auto).outcome, CleanStartOutcome::Start);
  EXPECT_EQ(questions, 2);
  EXPECT_TRUE(busy);

  // Not asked in a test, when unattended, or when switched off.
  busy = false;
  EXPECT_EQ(Start(cleaner::RunMode::Test).outcome, CleanStartOutcome::Start);
  busy = false;
  unattended = true;
  EXPECT_EQ(Start(cleaner::RunMode::Auto).outcome, CleanStartOutcome::Start);
  busy = false;
  unattended = false;
  askBeforeClear = false;
  EXPECT_EQ(Start(cleaner::RunMode::CleanRequest).outcome, CleanStartOutcome::Start);
  EXPECT_EQ(questions, 2);
  EXPECT_THAT(Shown(), IsEmpty());

  // A window that cannot show the question never cleans unasked.
  busy = false;
  EXPECT_EQ(PrepareCleanStart(CleanStartContext{tree,
                                                cleaner::RunMode::CleanRequest,
                                                busy,
                                                true,
                                                false,
                                                sim.programs(),
                                                sim.prompts(),
                                                sim.registry(),
                                                sim.files(),
                                                {}})
                .outcome,
            CleanStartOutcome::Declined);
  EXPECT_FALSE(busy);
}

}  // namespace
}  // namespace nc::cleaner
