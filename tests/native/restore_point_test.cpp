// The restore point window's rules and its worker on the substitute
// platform: the request, the answer message, the failure question, the
// progress bar, and closing the window before the answer.
#include "registry/restore_point.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/messages.h"
#include "platform/sim/sim_platform.h"

namespace nc::testing {
namespace {

using registry::SystemPointResult;

class RecordingPointView : public registry::SystemPointView {
 public:
  void SetProgress(int position) override { positions.push_back(position); }
  void Close() override { ++closes; }
  std::vector<int> positions;
  int closes = 0;
};

// A system whose restore point request waits until released, or throws.
class GatedSystem : public sim::SimSystem {
 public:
  bool createRestorePoint(std::string_view description) override {
    std::unique_lock lock(mutex_);
    entered_ = true;
    changed_.notify_all();
    changed_.wait(lock, [this] { return released_; });
    if (throws) throw std::runtime_error("service error");
    lock.unlock();
    return SimSystem::createRestorePoint(description);
  }
  void WaitEntered() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return entered_; });
  }
  void Release() {
    std::lock_guard lock(mutex_);
    released_ = true;
    changed_.notify_all();
  }
  bool throws = false;

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool entered_ = false;
  bool released_ = false;
};

class RestorePointTest : public ::testing::Test {
 protected:
  // Shows the dialog and pumps its messages until it closes.
  SystemPointResult Show(platform::System& system) {
    registry::SystemPointDialog dialog(system, sim.prompts(), sim.messages(), view);
    sim.messages().setHandler([&](const sim::PostedMessage& m) {
      messages.push_back(m);
      if (m.message == registry::WM_RESTORE_POINT_DONE) dialog.OnRestorePointDone(m.lParam);
    });
    dialog.OnShow();
    EXPECT_TRUE(sim.messages().pumpUntil([&] { return dialog.Done(); }, std::chrono::seconds(10)));
    return dialog.Result();
  }

  sim::SimPlatform sim;
  RecordingPointView view;
  std::vector<sim::PostedMessage> messages;
};

TEST_F(RestorePointTest, SuccessGoesOnWithoutAQuestion) {
  EXPECT_EQ(Show(sim.system()), SystemPointResult::Ok);
  EXPECT_EQ(sim.system().restorePoints(), std::vector<std::string>{"Made by Norvik Cleaner"});
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].message, 0x5412u);
  EXPECT_EQ(messages[0].wParam, 0u);
  EXPECT_EQ(messages[0].lParam, 0);
  EXPECT_TRUE(sim.prompts().records().empty());
  EXPECT_EQ(view.closes, 1);
}

TEST_F(RestorePointTest, FailureAsksAndTheAnswerDecides) {
  sim.system().setRestorePointResult(false);
  sim.prompts().answerConfirm(true);
  EXPECT_EQ(Show(sim.system()), SystemPointResult::Ok);
  ASSERT_EQ(sim.prompts().records().size(), 1u);
  EXPECT_EQ(sim.prompts().records()[0].text, "Restore Point creation Failed! Contiue to fix?");
  EXPECT_EQ(messages.at(0).lParam, 1);

  sim.prompts().answerConfirm(false);
  EXPECT_EQ(Show(sim.system()), SystemPointResult::Cancel);
  EXPECT_EQ(sim.prompts().records().size(), 2u);
}

TEST_F(RestorePointTest, AnErrorInsideTheWorkerStillAnswersWithAFailure) {
  GatedSystem system;
  system.throws = true;
  system.Release();
  sim.prompts().answerConfirm(false);
  EXPECT_EQ(Show(system), SystemPointResult::Cancel);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].lParam, 1);
}

TEST_F(RestorePointTest, ClosingBeforeTheAnswerCancelsAndWaitsForTheWorker) {
  GatedSystem system;
  {
    registry::SystemPointDialog dialog(system, sim.prompts(), sim.messages(), view);
    dialog.OnShow();
    system.WaitEntered();
    dialog.OnClose();
    EXPECT_EQ(dialog.Result(), SystemPointResult::Cancel);
    EXPECT_EQ(view.closes, 1);
    // A late answer, delivered while the closed dialog still exists,
    // changes nothing and asks nothing.
    system.Release();
    bool answered = false;
    sim.messages().setHandler([&](const sim::PostedMessage& m) {
      if (m.message != registry::WM_RESTORE_POINT_DONE) return;
      answered = true;
      dialog.OnRestorePointDone(1);
    });
    EXPECT_TRUE(sim.messages().pumpUntil([&] { return answered; }, std::chrono::seconds(10)));
    sim.messages().setHandler({});
  }  // the dialog joins its worker here
  EXPECT_TRUE(sim.prompts().records().empty());
  EXPECT_EQ(view.closes, 1);
}

TEST(SystemPointProgress, StepsShrinkAsTheBarFills) {
  std::vector<int> seen{0};
  for (int i = 0; i < 60; ++i) seen.push_back(registry::NextSystemPointProgress(seen.back()));
  const std::vector<int> start{0, 10, 20, 30, 40, 45, 50, 55, 58, 61, 63};
  EXPECT_EQ(std::vector<int>(seen.begin(), seen.begin() + 11), start);
  EXPECT_EQ(registry::NextSystemPointProgress(80), 82);
  EXPECT_EQ(registry::NextSystemPointProgress(81), 82);
  EXPECT_EQ(registry::NextSystemPointProgress(99), 100);
  EXPECT_EQ(registry::NextSystemPointProgress(100), 100);
  EXPECT_EQ(registry::NextSystemPointProgress(130), 130);
  EXPECT_EQ(seen.back(), 100);
}

TEST_F(RestorePointTest, TheTimerMovesTheBarUntilTheAnswer) {
  GatedSystem system;
  registry::SystemPointDialog dialog(system, sim.prompts(), sim.messages(), view);
  sim.messages().setHandler([&](const sim::PostedMessage& m) {
    if (m.message == registry::WM_RESTORE_POINT_DONE) dialog.OnRestorePointDone(m.lParam);
  });
  dialog.OnShow();
  for (int i = 0; i < 4; ++i) dialog.OnTimer();
  EXPECT_EQ(view.positions, (std::vector<int>{0, 10, 20, 30, 40}));
  system.Release();
  ASSERT_TRUE(sim.messages().pumpUntil([&] { return dialog.Done(); }, std::chrono::seconds(10)));
  dialog.OnTimer();
  EXPECT_EQ(dialog.Progress(), 40);
  EXPECT_EQ(dialog.Result(), SystemPointResult::Ok);
}

}  // namespace
}  // namespace nc::testing
