// Figures for the registry scan under Wine (run with
// --gtest_also_run_disabled_tests): a scan of every section over the
// prefix's whole registry, from the Scan button to "Finished!".
#include "program_under_test.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

namespace nc::wintest {
namespace {

TEST(ScanBenchmark, DISABLED_EverySectionOverTheWholeRegistry) {
  ProgramUnderTest program;
  ASSERT_TRUE(program.Start());
  HWND main = program.WaitForMainWindow();
  ASSERT_NE(main, nullptr);
  HWND page = GetDlgItem(main, 1000 + 18);
  HWND bar = GetDlgItem(page, 2205);
  const auto start = std::chrono::steady_clock::now();
  PostMessageW(GetDlgItem(page, 2207), BM_CLICK, 0, 0);
  while (TextOf(bar) != L"Finished!" &&
         std::chrono::steady_clock::now() - start < std::chrono::minutes(10)) {
    Sleep(5);
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const auto rows = SendMessageW(GetDlgItem(page, 2202), LVM_GETITEMCOUNT, 0, 0);
  std::printf("registry scan benchmark: all sections, whole registry: %.2f s, %ld problems\n",
              seconds, static_cast<long>(rows));
  program.Close();
  EXPECT_EQ(program.WaitForExit(60000), 0);
}

}  // namespace
}  // namespace nc::wintest
