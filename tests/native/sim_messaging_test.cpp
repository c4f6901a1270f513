// The substitute message loop between workers and the window, and the small
// substitute ports (clock, random numbers, prompts, system, shell).
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "platform/sim/sim_platform.h"

namespace nc::sim {
namespace {

using namespace std::chrono_literals;

TEST(SimMessaging, PostedMessagesAndStepsArriveInOrder) {
  MessageQueue queue;
  std::vector<std::uint32_t> seen;
  queue.setHandler([&](const PostedMessage& m) { seen.push_back(m.message); });
  EXPECT_TRUE(queue.post(0x401, 1, -1));
  EXPECT_TRUE(queue.post(0x402, 2, -2));
  EXPECT_EQ(queue.pending(), 2u);
  const auto delivered = queue.pump();
  ASSERT_EQ(delivered.size(), 2u);
  EXPECT_EQ(delivered[1].wParam, 2u);
  EXPECT_EQ(delivered[1].lParam, -2);
  EXPECT_EQ(seen, (std::vector<std::uint32_t>{0x401, 0x402}));
  EXPECT_TRUE(queue.pump().empty());

  // On the window's own thread a step runs at once.
  bool ran = false;
  queue.invoke([&] { ran = true; });
  EXPECT_TRUE(ran);
}

TEST(SimMessaging, WorkerInvokeWaitsForTheWindowThreadToPump) {
  MessageQueue queue;
  std::vector<int> order;  // touched only on this thread
  std::atomic<bool> workerDone{false};
  std::thread::id stepThread;
  std::thread worker([&] {
    queue.post(1, 0, 0);
    queue.invoke([&] {
      stepThread = std::this_thread::get_id();
      order.push_back(2);
    });
    queue.post(3, 0, 0);
    workerDone = true;
  });
  queue.setHandler([&](const PostedMessage& m) { order.push_back(static_cast<int>(m.message)); });
  ASSERT_TRUE(queue.pumpUntil([&] { return workerDone.load() && queue.pending() == 0; }, 10s));
  worker.join();
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(stepThread, std::this_thread::get_id());
}

TEST(SimMessaging, StepErrorsReachTheWorker) {
  MessageQueue queue;
  std::atomic<bool> caught{false};
  std::thread worker([&] {
    try {
      queue.invoke([] { throw std::runtime_error("step failed"); });
    } catch (const std::runtime_error&) {
      caught = true;
    }
  });
  ASSERT_TRUE(queue.pumpUntil([&] { return caught.load(); }, 10s));
  worker.join();
}

TEST(SimMessaging, StopReleasesAWaitingWorker) {
  MessageQueue queue;
  std::atomic<bool> returned{false};
  bool ran = false;
  std::thread worker([&] {
    queue.invoke([&] { ran = true; });
    returned = true;
  });
  while (queue.pending() == 0) std::this_thread::sleep_for(1ms);
  queue.stop();
  worker.join();
  EXPECT_TRUE(returned);
  EXPECT_TRUE(queue.pump().empty());
  EXPECT_FALSE(ran);
  EXPECT_FALSE(queue.post(1, 0, 0));
}

TEST(SimClockAndRandom, ClockAdvancesAcrossMonthsAndRandomRepeatsPerSeed) {
  SimClock clock;
  clock.setNow({2012, 2, 28, 23, 59, 59, 500});
  clock.setTickMs(100);
  clock.advance(2 * 86400000ULL + 600);
  const auto t = clock.now();
  EXPECT_EQ(t.year, 2012);
  EXPECT_EQ(t.month, 3);
  EXPECT_EQ(t.day, 2);
  EXPECT_EQ(t.hour, 0);
  EXPECT_EQ(t.second, 0);
  EXPECT_EQ(t.millisecond, 100);
  EXPECT_EQ(clock.tickMs(), 2 * 86400000ULL + 700);
  clock.setNow({2010, 12, 31, 23, 0, 0, 0});
  clock.advance(3600000);
  EXPECT_EQ(clock.now().year, 2011);
  EXPECT_EQ(clock.now().month, 1);
  EXPECT_EQ(clock.now().day, 1);

  SimRandom a(42);
  SimRandom b(42);
  std::vector<std::uint32_t> seq;
  bool varied = false;
  for (int i = 0; i < 50; ++i) {
    const std::uint32_t x = a.below(256);
    EXPECT_LT(x, 256u);
    EXPECT_EQ(x, b.below(256));
    varied = varied || (!seq.empty() && x != seq.back());
    seq.push_back(x);
  }
  EXPECT_TRUE(varied);
  a.seed(42);
  EXPECT_EQ(a.below(256), seq[0]);
}

TEST(SimPromptsAndSystem, RecordWhatTheUserWasShownAndAnswerAsScripted) {
  SimPlatform sim;
  auto& prompts = sim.prompts();
  prompts.answerConfirm(true);
  EXPECT_TRUE(prompts.confirm("Delete?"));
  EXPECT_FALSE(prompts.confirm("Again?"));  // No is the default button
  prompts.inform("Done");
  prompts.error("Failed");
  ASSERT_EQ(prompts.records().size(), 4u);
  EXPECT_EQ(prompts.records()[1].text, "Again?");
  EXPECT_EQ(prompts.count(SimPrompts::Kind::Confirm), 2u);
  EXPECT_EQ(prompts.count(SimPrompts::Kind::Error), 1u);

  auto& system = sim.system();
  system.setClipboardText("secret");
  EXPECT_TRUE(sim.ports().system.emptyClipboard());
  EXPECT_EQ(system.clipboardText(), "");
  system.setClipboardAvailable(false);
  EXPECT_FALSE(system.emptyClipboard());
  EXPECT_EQ(system.emptyClipboardCalls(), 2);

  auto& shell = sim.shell();
  sim.faults().failOnce(PortMethod::ShellOpenDocument, 1, Errc::NotFound);
  EXPECT_FALSE(shell.openDocument("http://example.invalid/").ok());
  EXPECT_TRUE(shell.openDocument("C:\\report.txt").ok());
  EXPECT_EQ(shell.openedDocuments(), std::vector<std::string>{"C:\\report.txt"});
  shell.endBrowserSession();
  EXPECT_EQ(shell.endBrowserSessionCalls(), 1);
}

}  // namespace
}  // namespace nc::sim
