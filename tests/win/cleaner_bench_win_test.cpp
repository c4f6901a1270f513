// Figures for the clean log under Wine (run with
// --gtest_also_run_disabled_tests): a test run over 20,000 files from the
// Test button to "Finished!" in the real window, against the same worker
// writing into a log that drops its lines, taking turns, each the best of
// five; and the longest time the window took to answer WM_GETTEXT
// meanwhile.
#include "program_under_test.h"
#include "win_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "app/options.h"
#include "cleaner/clean_worker.h"
#include "cleaner/run_mode.h"
#include "platform/win32/win_platform.h"
#include "platform/win32/win_prompts.h"

namespace nc::wintest {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kFiles = 20000;

class DroppedLog : public cleaner::CleanLog {
 public:
  void AddLine(std::string_view) override { lines.fetch_add(1); }
  void ScrollToEnd() override {}
  std::atomic<long> lines{0};
};

// Posts nowhere; runs steps at once (the worker's own thread stands in
// for the window's, as nothing here has a window).
class NoWindow : public platform::MessageTarget, public platform::UiThread {
 public:
  bool post(std::uint32_t, std::uintptr_t, std::intptr_t) override { return true; }
  void invoke(const std::function<void()>& step) override { step(); }
  void waitPumping(const std::function<bool()>& done) override {
    while (!done()) Sleep(1);
  }
};

double Seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

TEST(CleanerBenchmark, DISABLED_TestRunOverManyFilesInTheWindowAgainstADroppedLog) {
  const TempFolder scratch(L"ncbench");
  const fs::path seed = scratch.path();
  for (int folder = 0; folder < 100; ++folder) {
    const fs::path dir = seed / (L"d" + std::to_wstring(folder));
    fs::create_directories(dir);
    for (int i = 0; i < kFiles / 100; ++i) {
      std::ofstream(dir / (L"f" + std::to_wstring(i) + L".tmp")) << "x";
    }
  }

  // The worker alone, writing into a log that drops its lines.
  win32::WinPlatform platform;
  NoWindow window;
  win32::WinPrompts prompts(nullptr);
  DroppedLog log;
  std::atomic<nc::cleaner::RunMode> runMode{cleaner::RunMode::Test};
  cleaner::CleanSettings options;
  options.FastScan = false;
  auto bareRun = [&] {
    log.lines = 0;
    const auto bareStart = Clock::now();
    cleaner::CleanWorker worker(
        cleaner::CleanEnvironment{
            platform::WorkerContext{platform::WithPrompts(platform.bundle(), prompts), window,
                                    window, 12},
            log, runMode, options, "C:\\"},
        {"Windows - Temporary Files"}, 0);
    worker.Execute();
    return Seconds(Clock::now() - bareStart);
  };
  // Warms the file system's caches.
  bareRun();

  // The real window, from the Test button to "Finished!". The click is
  // sent, so that the run has started (and the bar's caption is cleared)
  // before the first question; the bar is asked every few milliseconds.
  ProgramUnderTest program;
  program.TickOnlyCleanerItem(L"Windows - Temporary Files", false);
  ASSERT_TRUE(program.Start());
  HWND main = program.WaitForMainWindow();
  ASSERT_NE(main, nullptr);
  HWND bar = GetDlgItem(GetDlgItem(main, 1000 + 17), 2003);
  HWND test = FindControlByText(main, L"Test");
  double slowestAnswer = 0;
  long answers = 0;
  auto windowRun = [&] {
    const auto windowStart = Clock::now();
    SendMessageW(test, BM_CLICK, 0, 0);
    while (true) {
      wchar_t text[64] = {};
      DWORD_PTR result = 0;
      const auto asked = Clock::now();
      SendMessageTimeoutW(bar, WM_GETTEXT, 64, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000,
                          &result);
      slowestAnswer = std::max(slowestAnswer, Seconds(Clock::now() - asked));
      ++answers;
      if (std::wstring(text) == L"Finished!") break;
      if (Seconds(Clock::now() - windowStart) > 600) break;
      Sleep(5);
    }
    return Seconds(Clock::now() - windowStart);
  };

  // The two take turns, so that both meet the machine in the same state;
  // the best of five of each counts.
  double bare = 1e9;
  double inWindow = 1e9;
  for (int round = 0; round < 5; ++round) {
    bare = std::min(bare, bareRun());
    inWindow = std::min(inWindow, windowRun());
  }
  std::printf(
      "clean log benchmark: %d files; worker with a dropped log %.2f s (%ld lines); "
      "Test to Finished! in the window %.2f s; ratio %.2f; slowest WM_GETTEXT answer %.1f ms "
      "over %ld asks\n",
      kFiles, bare, log.lines.load(), inWindow, inWindow / bare, slowestAnswer * 1000, answers);
  program.Close();
  EXPECT_EQ(program.WaitForExit(60000), 0);
}

}  // namespace
}  // namespace nc::wintest
