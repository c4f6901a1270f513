// The temporary-files item over a large tree on the substitute platform,
// against the plain tools: a test run against a recursive enumeration of
// the same tree (entries counted, file sizes summed), and a clean run
// against `rm -rf` of a copy. The tree is 1,000 folders of 100 files.
// Peak memory is the process's maximum resident size (getrusage).
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/options.h"
#include "cleaner/clean_log.h"
#include "cleaner/clean_run.h"
#include "cleaner/run_mode.h"
#include "cleaner/windows_items.h"
#include "platform/sim/sim_platform.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFolders = 1000;
constexpr int kFilesPerFolder = 100;

// Counts lines instead of keeping them (a list control keeps them in the
// program; that cost is not ours to measure here).
class CountingLog : public nc::cleaner::CleanLog {
 public:
  void AddLine(std::string_view line) override { bytes += line.size(); }
  void ScrollToEnd() override { ++scrolls; }
  std::uint64_t bytes = 0;
  std::uint64_t scrolls = 0;
};

struct Bench {
  Bench() {
    seed = sim.hostRoot() / "seed";
    for (int d = 0; d < kFolders; ++d) {
      const fs::path folder = seed / ("Folder " + std::to_string(d));
      fs::create_directories(folder);
      for (int f = 0; f < kFilesPerFolder; ++f) {
        std::ofstream(folder / ("~tmp" + std::to_string(f) + ".tmp")) << std::string(64, 'x');
      }
    }
    temp = sim.hostPath(sim.files().tempFolder());
  }

  // Makes the temporary folder a fresh copy of the tree.
  void FillTemp() {
    fs::remove_all(temp);
    fs::copy(seed, temp, fs::copy_options::recursive);
  }

  std::int32_t RunItem(bool testMode, bool fast) {
    options.FastScan = fast;
    runMode.store(testMode ? nc::cleaner::RunMode::Test : nc::cleaner::RunMode::Clean);
    nc::cleaner::CleanRun run(
        nc::cleaner::CleanEnvironment{sim.workerContext(0), log, runMode, options, "C:\\"});
    nc::cleaner::RunWindowsItem(run, "Windows - Temporary Files");
    return run.ItemCount;
  }

  nc::sim::SimPlatform sim;
  CountingLog log;
  nc::app::Options options;
  std::atomic<nc::cleaner::RunMode> runMode{nc::cleaner::RunMode::Test};
  fs::path seed;
  fs::path temp;
};

Bench& Shared() {
  static Bench bench;
  return bench;
}

void ReportPeakMemory(benchmark::State& state) {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_rss_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void BM_Enumerate(benchmark::State& state) {
  Bench& b = Shared();
  b.FillTemp();
  for (auto _ : state) {
    std::uint64_t files = 0;
    std::uint64_t bytes = 0;
    for (const auto& entry : fs::recursive_directory_iterator(b.temp)) {
      if (entry.is_regular_file()) {
        ++files;
        bytes += entry.file_size();
      }
    }
    if (files != kFolders * kFilesPerFolder) state.SkipWithError("the tree is incomplete");
    benchmark::DoNotOptimize(bytes);
  }
  state.counters["files"] = kFolders * kFilesPerFolder;
  ReportPeakMemory(state);
}

void BM_TestRun(benchmark::State& state) {
  Bench& b = Shared();
  b.FillTemp();
  const bool fast = state.range(0) != 0;
  for (auto _ : state) {
    if (b.RunItem(true, fast) != kFolders * kFilesPerFolder) {
      state.SkipWithError("the test run counted a different number of files");
    }
  }
  state.SetLabel(fast ? "Fast mode" : "with file lines");
  ReportPeakMemory(state);
}

void BM_RmRf(benchmark::State& state) {
  Bench& b = Shared();
  const fs::path copy = b.sim.hostRoot() / "rm-copy";
  const std::string command = "rm -rf '" + copy.string() + "'";
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove_all(copy);
    fs::copy(b.seed, copy, fs::copy_options::recursive);
    ::sync();  // the copy's writes are not charged to the removal
    state.ResumeTiming();
    if (std::system(command.c_str()) != 0) state.SkipWithError("rm -rf failed");
  }
  ReportPeakMemory(state);
}

void BM_CleanRun(benchmark::State& state) {
  Bench& b = Shared();
  const bool fast = state.range(0) != 0;
  for (auto _ : state) {
    state.PauseTiming();
    b.FillTemp();
    ::sync();
    state.ResumeTiming();
    if (b.RunItem(false, fast) != kFolders * kFilesPerFolder) {
      state.SkipWithError("the clean run removed a different number of files");
    }
  }
  state.SetLabel(fast ? "Fast mode" : "with file lines");
  ReportPeakMemory(state);
}

BENCHMARK(BM_Enumerate)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_TestRun)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_RmRf)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CleanRun)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
