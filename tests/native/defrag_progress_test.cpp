// The analysis progress dialog and its worker on a substitute machine
// with three hives: the bar's estimate, stopping, closing during a save.
#include "app/defrag_progress.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "hive_machine.h"
#include "hive_progress_runner.h"

namespace nc::test {
namespace {

TEST(HiveProgressStepTest, EstimateFromTheFirstHive) {
  struct Case {
    std::uint64_t ms, copy, total;
    bool wow64;
    int step;
  } cases[] = {
      {0, 5000, 10000, false, 40},       // an instant first save
      {0, 5000, 10000, true, 17},        // halved, less 3, in a 32-bit process
      {1000, 5, 1000, false, 15},        // 5 per second: +10
      {1000, 20, 1000, false, 30},       // 20: doubled less 10
      {1000, 40, 1000, false, 40},       // 40 stays
      {1000, 900, 1000, false, 50},      // capped at 50
      {1000, 900, 1000, true, 22},       // capped, then halved less 3
      {1000, 900, 0, false, 40},         // no hive bytes to divide by
      {2000, 10240, 307200, false, 22},  // 16 per second
  };
  for (const Case& c : cases) {
    EXPECT_EQ(app::HiveProgressStep(c.ms, c.copy, c.total, c.wow64), c.step)
        << c.ms << " " << c.copy << " " << c.total;
  }
}

class HiveProgressTest : public ::testing::Test {
 protected:
  HiveProgressTest() {
    // 100 KB each; the first copy is 10 KB and takes 2 s: step 22.
    hives = ThreeHives();
    for (HiveSpec& hive : hives) hive.fileSize = 102400;
    hives[0].copySize = 10240;
    hives[0].saveMs = 2000;
    InstallHives(sim, hives);
  }

  app::HiveAnalysis analysis(bool silent = false) {
    std::vector<std::string> names, files;
    for (const HiveSpec& hive : hives) {
      names.push_back(hive.keyName);
      files.push_back(hive.file);
    }
    return app::HiveAnalysis{sim.hives(), sim.files(), sim.clock(), names,
                             files,       false,       silent,      parking};
  }

  // Pumps the dialog's messages until `done`.
  void PumpUntil(app::HiveProgressDialog& dialog, const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done() && std::chrono::steady_clock::now() < deadline) {
      for (const auto& m : queue.pump()) Deliver(dialog, m);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(done());
  }

  sim::SimPlatform sim;
  std::vector<HiveSpec> hives;
  std::vector<std::unique_ptr<registry::DefragWorker>> parking;
  sim::MessageQueue queue;
  RecordingProgressView view;
};

TEST_F(HiveProgressTest, BarFollowsTheEstimateUpToTheMilestone) {
  SaveGate gate(sim.hives(), "SYSTEM");
  app::HiveProgressDialog dialog(analysis(), queue, view);
  dialog.OnShow();
  dialog.OnActivate();
  dialog.OnActivate();  // activated again: still one worker
  PumpUntil(dialog, [&] { return dialog.index() == 1 && gate.held(); });
  EXPECT_EQ(dialog.step(), 22);
  EXPECT_EQ(dialog.position(), 333);   // one hive of three done
  EXPECT_EQ(dialog.milestone(), 666);  // where the second ends
  EXPECT_TRUE(dialog.timerOn());
  EXPECT_EQ(view.status, "Analyzing registry. Please wait.");
  dialog.OnTimer();
  EXPECT_EQ(view.checking, "\\REGISTRY\\MACHINE\\SYSTEM");
  // The second copy is still empty: the bar creeps by the step and
  // stops short of the milestone.
  EXPECT_EQ(dialog.position(), 355);
  for (int i = 0; i < 30; ++i) dialog.OnTimer();
  EXPECT_EQ(dialog.position(), 663);
  gate.Release();
  PumpUntil(dialog, [&] { return view.closed; });
  EXPECT_EQ(dialog.position(), 1000);
  EXPECT_TRUE(dialog.Succeeded());
  EXPECT_EQ(dialog.CheckingText(), "Finish");
  EXPECT_FALSE(dialog.timerOn());
  EXPECT_TRUE(sim.hives().backupPrivilegeEnabled());
  EXPECT_EQ(sim.hives().saves().size(), 3U);
  EXPECT_FALSE(view.hidden);
}

TEST_F(HiveProgressTest, StopCountsOnlyBeforeTheLastHive) {
  struct Case {
    const char* heldHive;
    std::size_t saves;
    bool finished;
    const char* text;
  } cases[] = {
      {"SYSTEM", 2, false, "\\REGISTRY\\MACHINE\\SYSTEM"},
      {"S-1-5-21-7", 3, true, "Finish"},  // too late: every hive was attempted
  };
  for (const Case& c : cases) {
    sim::SimPlatform machine;
    InstallHives(machine, hives);
    std::vector<std::unique_ptr<registry::DefragWorker>> parked;
    std::vector<std::string> names, files;
    for (const HiveSpec& hive : hives) {
      names.push_back(hive.keyName);
      files.push_back(hive.file);
    }
    SaveGate gate(machine.hives(), c.heldHive);
    bool stopped = false;
    RecordingProgressView shown;
    const bool finished = RunHiveProgress(
        app::HiveAnalysis{machine.hives(), machine.files(), machine.clock(), names, files, false,
                          true, parked},
        [&](app::HiveProgressDialog& dialog, RecordingProgressView& v) {
          if (!stopped && gate.held()) {
            dialog.OnStop();
            stopped = true;
            EXPECT_EQ(v.status, "Stop Process...");
            EXPECT_FALSE(v.stopEnabled);
            EXPECT_FALSE(dialog.timerOn());
            gate.Release();
          }
        },
        &shown);
    EXPECT_TRUE(stopped) << c.heldHive;
    EXPECT_EQ(finished, c.finished) << c.heldHive;
    EXPECT_EQ(machine.hives().saves().size(), c.saves) << c.heldHive;
    EXPECT_TRUE(parked.empty());
    EXPECT_TRUE(shown.hidden);  // silent
  }
}

TEST_F(HiveProgressTest, ClosingDuringASaveStopsTheWorkerWithoutTouchingTheDialog) {
  auto gate = std::make_unique<SaveGate>(sim.hives(), "SYSTEM");
  {
    app::HiveProgressDialog dialog(analysis(), queue, view);
    dialog.OnShow();
    dialog.OnActivate();
    PumpUntil(dialog, [&] { return gate->held(); });
    queue.pump();  // what was posted before the close
    dialog.OnClose();
    EXPECT_TRUE(view.closed);
    EXPECT_FALSE(dialog.Succeeded());
    ASSERT_EQ(parking.size(), 1U);
    EXPECT_TRUE(parking[0]->StopRequested());
  }
  // The dialog is gone; the save it interrupted completes, and nothing
  // more reaches its window.
  gate->Release();
  parking[0]->Join();
  EXPECT_TRUE(parking[0]->Finished());
  EXPECT_TRUE(queue.pump().empty());
  EXPECT_EQ(sim.hives().saves().size(), 2U);
  parking.clear();
  gate.reset();
}

}  // namespace
}  // namespace nc::test
