// Figures for the registry scan under Wine (run with
// --gtest_also_run_disabled_tests): a scan of every section over the
// prefix's whole registry, from the Scan button to "Finished!", and the
// time of each section run alone with the real ports.
#include "program_under_test.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>

#include "platform/win32/win_platform.h"
#include "registry/locations.h"
#include "registry/registry_settings.h"
#include "registry/section_table.h"
#include "registry/sections.h"

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

class CountingSink : public registry::ScanSink {
 public:
  void SetSectionStatus(std::string_view) override {}
  void SetKeyLine(std::string_view) override { ++keys; }
  void AppendProblem(const registry::ProblemEntry&) override { ++problems; }
  std::size_t keys = 0;
  std::size_t problems = 0;
};

TEST(ScanBenchmark, DISABLED_EachSectionAlone) {
  win32::WinPlatform ports;
  const registry::ScanSettings options;
  const std::atomic<bool> stop{false};
  double total = 0;
  for (const auto& section : registry::AllSections()) {
    CountingSink sink;
    registry::ScanContext ctx{
        ports.bundle(),
        sink,
        stop,
        registry::PathTest{
            ports.files(), registry::BuildScannedDrives(ports.files(), options.IncludeRemoveMedia),
            false, false, options.IncludeRemoveMedia, registry::IsWow64(ports.system())},
        false,
        {section.id}};
    const auto start = std::chrono::steady_clock::now();
    registry::RunSection(ctx, section.id);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    total += seconds;
    std::printf("section %2d %-40.*s %7.3f s, %zu key lines, %zu problems\n", section.id,
                static_cast<int>(section.caption.size()), section.caption.data(), seconds,
                sink.keys, sink.problems);
  }
  std::printf("every section alone: %.2f s\n", total);
}

}  // namespace
}  // namespace nc::wintest
