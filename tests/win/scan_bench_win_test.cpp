// Figures for the registry scan under Wine (run with
// --gtest_also_run_disabled_tests): a scan of every section over the
// prefix's whole registry, from the Scan button to "Finished!", and the
// time of each section run alone with the real ports; and the sections
// that read both registry views on 64-bit Windows, over a prefix seeded in
// both, against the same sections reading one view.
#include "program_under_test.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "platform/win32/wide.h"
#include "platform/win32/win_platform.h"
#include "registry/locations.h"
#include "registry/registry_settings.h"
#include "registry/section_table.h"
#include "registry/sections.h"
#include "win_test_support.h"

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

// The system port as the scan saw it before it read both views: 64-bit
// Windows is not told, so each section reads one view.
class OneViewSystem : public platform::System {
 public:
  explicit OneViewSystem(platform::System& inner) : inner_(inner) {}
  platform::VersionInfo version() override { return inner_.version(); }
  bool isWow64() override { return inner_.isWow64(); }
  bool is64BitWindows() override { return false; }
  bool isAdministrator() override { return inner_.isAdministrator(); }
  std::string executablePath() override { return inner_.executablePath(); }
  std::vector<std::string> arguments() override { return inner_.arguments(); }
  bool emptyClipboard() override { return inner_.emptyClipboard(); }
  std::string toAnsiCodePage(std::string_view utf8) override { return inner_.toAnsiCodePage(utf8); }
  std::string fromAnsiCodePage(std::string_view ansi) override {
    return inner_.fromAnsiCodePage(ansi);
  }
  bool createRestorePoint(std::string_view description) override {
    return inner_.createRestorePoint(description);
  }
  bool showCriticalErrorBoxes(bool shown) override { return inner_.showCriticalErrorBoxes(shown); }

 private:
  platform::System& inner_;
};

// Seeds each view through its own regedit: 2,000 uninstall entries (one in
// ten without an uninstall command, the others naming a program that is
// gone), 2,000 shared DLLs and 1,000 application paths, all naming files
// in folders of their own that are gone. With `remove` the same file
// deletes them again.
std::string BenchEntries(const std::string& tag, bool remove) {
  constexpr const char* kCv = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
  std::string text = "REGEDIT4\r\n\r\n";
  for (int i = 0; i < 2000; ++i) {
    const std::string n = tag + "-" + std::to_string(i);
    text += std::string(remove ? "[-" : "[") + kCv + "\\Uninstall\\NorvikBench" + n + "]\r\n";
    if (remove) continue;
    text += "\"DisplayName\"=\"Norvik bench " + n + "\"\r\n";
    text += "\"DisplayIcon\"=\"C:\\\\NorvikBench\\\\" + n + "\\\\app.exe,0\"\r\n";
    if (i % 10 != 0) {
      text += "\"UninstallString\"=\"C:\\\\NorvikBench\\\\" + n + "\\\\uninst.exe /S\"\r\n";
    }
    text += "\r\n";
  }
  text += std::string("\r\n[") + kCv + "\\SharedDlls]\r\n";
  for (int i = 0; i < 2000; ++i) {
    const std::string n = tag + "-" + std::to_string(i);
    text += "\"C:\\\\NorvikBench\\\\" + n + "\\\\lib.dll\"=" + (remove ? "-" : "dword:00000001") +
            "\r\n";
  }
  for (int i = 0; i < 1000; ++i) {
    const std::string n = tag + "-" + std::to_string(i);
    text += std::string("\r\n") + (remove ? "[-" : "[") + kCv + "\\App Paths\\norvikbench" + n +
            ".exe]\r\n";
    if (!remove) text += "@=\"C:\\\\NorvikBench\\\\" + n + "\\\\app.exe\"\r\n";
  }
  return text + "\r\n";
}

TEST(ScanBenchmark, DISABLED_BothRegistryViewsAgainstOneView) {
  if (sizeof(void*) == 4) GTEST_SKIP() << "the figure is the 64-bit program's";
  win32::WinPlatform ports;
  ASSERT_TRUE(ports.system().is64BitWindows());
  TempFolder scratch(L"nc-views-bench");
  wchar_t windows[MAX_PATH] = {};
  const std::wstring folder(windows, GetWindowsDirectoryW(windows, MAX_PATH));
  // The 32-bit regedit writes the 32-bit view; the 64-bit one (this is
  // the 64-bit build's figure) the 64-bit view.
  const std::pair<std::string, std::wstring> editors[] = {
      {"32", folder + L"\\syswow64\\regedit.exe"}, {"64", folder + L"\\regedit.exe"}};
  auto import = [&](bool remove) {
    for (const auto& [tag, editor] : editors) {
      const std::string file =
          scratch.utf8() + "\\bench" + tag + (remove ? "-remove" : "") + ".reg";
      ASSERT_TRUE(platform::WriteWholeFile(ports.files(), file, BenchEntries(tag, remove)).ok());
      ASSERT_TRUE(RunAndWait(L"\"" + editor + L"\" /s \"" + win32::Widen(file) + L"\""));
    }
  };
  import(true);  // leftovers of a run that stopped halfway
  const auto seeding = std::chrono::steady_clock::now();
  import(false);
  std::printf("seeded both views in %.2f s\n",
              std::chrono::duration<double>(std::chrono::steady_clock::now() - seeding).count());

  OneViewSystem oneView(ports.system());
  platform::Platform before = ports.bundle();
  platform::Platform beforePorts{before.registry, before.files, before.profile, oneView,
                                 before.shell,    before.clock, before.random,  before.programs,
                                 before.prompts,  before.hives, before.browser, before.desktop};
  const std::atomic<bool> stop{false};
  // Best of `rounds` scans of `sections` each way, which alternate going
  // first so that neither always meets a cold cache; the rows of each way.
  auto measure = [&](const std::vector<int>& sections, int rounds, const char* what) {
    const std::size_t count = sections.size();
    // One scan of the sections: the time of each, and the rows.
    auto scan = [&](const platform::Platform& bundle, std::vector<double>& best) {
      CountingSink sink;
      registry::ScanContext ctx{
          bundle,
          sink,
          stop,
          registry::PathTest{ports.files(), registry::BuildScannedDrives(ports.files(), true),
                             false, false, true, registry::IsWow64(ports.system())},
          false,
          sections};
      double total = 0;
      for (std::size_t i = 0; i < count; ++i) {
        const auto start = std::chrono::steady_clock::now();
        registry::RunSection(ctx, sections[i]);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        best[i] = std::min(best[i], seconds);
        total += seconds;
      }
      return std::pair{total, sink.problems};
    };
    std::vector<double> bestOneSection(count, 1e9);
    std::vector<double> bestBothSection(count, 1e9);
    double bestOne = 1e9;
    double bestBoth = 1e9;
    std::size_t rowsOne = 0;
    std::size_t rowsBoth = 0;
    for (int round = 0; round < rounds; ++round) {
      double one = 0;
      double both = 0;
      for (int turn = 0; turn < 2; ++turn) {
        if ((turn == 0) == (round % 2 == 0)) {
          std::tie(one, rowsOne) = scan(beforePorts, bestOneSection);
        } else {
          std::tie(both, rowsBoth) = scan(ports.bundle(), bestBothSection);
        }
      }
      std::printf("%s, round %d: one view %.3f s (%zu rows), both views %.3f s (%zu rows)\n", what,
                  round, one, rowsOne, both, rowsBoth);
      bestOne = std::min(bestOne, one);
      bestBoth = std::min(bestBoth, both);
    }
    for (std::size_t i = 0; i < count; ++i) {
      if (bestBothSection[i] < 0.005 && bestOneSection[i] < 0.005) continue;
      std::printf("  section %2d, best: one view %.3f s, both views %.3f s\n", sections[i],
                  bestOneSection[i], bestBothSection[i]);
    }
    std::printf(
        "%s, best of %d: one view %.3f s (%zu rows), both views %.3f s (%zu rows), "
        "ratio %.2f\n",
        what, rounds, bestOne, rowsOne, bestBoth, rowsBoth, bestBoth / bestOne);
    EXPECT_GT(rowsBoth, rowsOne) << what;
  };
  measure({7, 8, 15, 21, 23, 5}, 7, "sections 7, 8, 15, 21, 23 and the HKEY_LOCAL_MACHINE walk");
  std::vector<int> every;
  for (const auto& section : registry::AllSections()) every.push_back(section.id);
  measure(every, 3, "every section");
  import(true);
}

}  // namespace
}  // namespace nc::wintest
