// The in-place overwrite of a cache index file on the substitute platform,
// against `dd conv=notrunc` writing the same number of bytes over a copy.
// The file is 16 MiB: a header, eight hash tables 2 MiB apart and 120,000
// records of 128 bytes between them; the overwrite makes three passes.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/options.h"
#include "cleaner/clean_log.h"
#include "cleaner/clean_run.h"
#include "cleaner/index_dat_files.h"
#include "cleaner/run_mode.h"
#include "platform/sim/sim_platform.h"

namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kFileSize = 16u << 20;
constexpr std::uint32_t kTableSpacing = 2u << 20;
constexpr int kRecords = 120000;
constexpr int kRecordSize = 128;
constexpr int kPasses = 3;
constexpr const char* kPath = "C:\\Cache\\Content.IE5\\index.dat";

class NoLog : public nc::cleaner::CleanLog {
 public:
  void AddLine(std::string_view) override {}
  void ScrollToEnd() override {}
};

void PutU32(std::string& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
}

std::string IndexFile() {
  std::string b(kFileSize, '\0');
  b.replace(0, 27, "Client UrlCache MMF Ver 5.2");
  PutU32(b, 28, kFileSize);
  PutU32(b, 32, 0x4000);
  for (std::uint32_t at = 0x4000; at < kFileSize; at += kTableSpacing) {
    b.replace(at, 4, "HASH");
    PutU32(b, at + 4, 0x1000);
    PutU32(b, at + 8, at + kTableSpacing < kFileSize ? at + kTableSpacing : 0);
  }
  // Records fill the space after the first table's header, skipping the
  // other tables' headers.
  std::size_t pos = 0x4020;
  for (int r = 0; r < kRecords && pos + kRecordSize <= kFileSize; ++r) {
    if ((pos - 0x4000) % kTableSpacing + kRecordSize > kTableSpacing) pos += 32;
    b.replace(pos, 4, "URL ");
    b[pos + 8] = static_cast<char>(r);
    pos += kRecordSize;
  }
  return b;
}

struct Bench {
  Bench() {
    options.IsWipeFile = true;
    options.WipeNumber = kPasses;
    const std::string bytes = IndexFile();
    sim.writeFile(kPath, bytes);
    copy = sim.hostRoot() / "dd-copy.dat";
    std::ofstream(copy, std::ios::binary) << bytes;
  }
  nc::sim::SimPlatform sim;
  NoLog log;
  nc::app::Options options;
  std::atomic<nc::cleaner::RunMode> runMode{nc::cleaner::RunMode::Clean};
  fs::path copy;
};

Bench& Shared() {
  static Bench bench;
  return bench;
}

void BM_OverwriteCacheIndex(benchmark::State& state) {
  Bench& b = Shared();
  for (auto _ : state) {
    nc::cleaner::CleanRun run(nc::cleaner::CleanEnvironment{b.sim.workerContext(12), b.log,
                                                            b.runMode, b.options, "C:\\"});
    nc::cleaner::OverwriteCacheIndex(run, kPath);
  }
  const std::string after = b.sim.readFile(kPath);
  if (after.size() != kFileSize) state.SkipWithError("the file changed its size");
  if (after.compare(0x4020, 4, std::string(4, '\0')) != 0 ||
      after.compare(0x4000, 4, "HASH") != 0) {
    state.SkipWithError("the records were not overwritten or a table header was");
  }
  state.counters["MiB_per_run"] = kPasses * (kFileSize >> 20);
}

void BM_DdNotrunc(benchmark::State& state) {
  Bench& b = Shared();
  const std::string command = "dd if=/dev/zero of='" + b.copy.string() +
                              "' bs=64k count=" + std::to_string(kFileSize / 65536) +
                              " conv=notrunc status=none";
  for (auto _ : state) {
    for (int pass = 0; pass < kPasses; ++pass) {
      if (std::system(command.c_str()) != 0) state.SkipWithError("dd failed");
    }
  }
  state.counters["MiB_per_run"] = kPasses * (kFileSize >> 20);
}

BENCHMARK(BM_OverwriteCacheIndex)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_DdNotrunc)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
