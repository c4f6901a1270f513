// Reading a cache index file of 50,000 records (13 MiB, laid out as the
// browser writes it) on the substitute platform: the reader alone, the
// viewer's whole "&Show" with its time texts, and msiecfexport (Debian
// package libmsiecf-utils, an independent reader of the same format; the
// benchmark is skipped where it is not installed) on the same file, whose
// set of addresses is compared with ours. With NC_INDEX_DAT=<path of a
// real index.dat> the same run on that file instead:
//   apt-get install libmsiecf-utils
//   NC_INDEX_DAT=/path/index.dat build/native/nc_bench --benchmark_filter=IndexDat
// msiecfexport runs under a 2 GiB address-space limit.
//
// The viewer's memory on hostile files: every slot pointing at one record,
// a chain of empty tables 16 bytes apart, and records overlapping so that
// each has a 32 KiB text. Each reports the rows listed, the text they
// hold, the memory the list keeps and the process's peak so far, against
// 64 MiB plus twice the file; run one at a time for its own peak:
//   build/native/nc_bench --benchmark_filter='IndexDatHostile/0/'
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "../tests/common/index_dat_builder.h"
#include "app/index_dat_viewer.h"
#include "platform/index_file_bytes.h"
#include "platform/sim/sim_platform.h"
#include "tools/index_dat_reader.h"

namespace {

constexpr std::size_t kRecords = 50000;
constexpr const char* kPath = "C:\\Cache\\Content.IE5\\index.dat";

struct Fixture {
  Fixture() {
    const char* real = std::getenv("NC_INDEX_DAT");
    std::string bytes;
    if (real != nullptr) {
      std::ifstream in(real, std::ios::binary);
      bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    builtFile = real == nullptr;
    sim.writeFile(kPath, builtFile ? nc::testing::RealIndexFile(kRecords) : bytes);
  }
  nc::sim::SimPlatform sim;
  bool builtFile = true;
};

Fixture& Shared() {
  static Fixture fixture;
  return fixture;
}

std::vector<nc::tools::IndexRecord> ReadOnce(nc::platform::Platform ports) {
  auto file = ports.files.open(kPath, nc::platform::FileOpen::ReadExisting,
                               nc::platform::FileShare::ReadWrite);
  if (!file) return {};
  nc::platform::FileBytes bytes(**file);
  return nc::tools::IndexDatReader::ReadAll(bytes);
}

void BM_IndexDatReader(benchmark::State& state) {
  Fixture& f = Shared();
  for (auto _ : state) {
    const auto records = ReadOnce(f.sim.ports());
    if (f.builtFile && records.size() != kRecords) {
      state.SkipWithError("not every record was read");
    }
    state.counters["records"] = static_cast<double>(records.size());
  }
}

class QuietView : public nc::app::IndexDatViewerView {
 public:
  void SetFileName(std::string_view path) override { name = path; }
  std::string FileName() override { return name; }
  void FocusFileName() override {}
  std::optional<std::string> ChooseFile(std::string_view) override { return std::nullopt; }
  void SetRowCount(std::size_t n) override { rows = n; }
  void SetTotal(std::string_view) override {}
  void ShowProgress(int) override {}
  void ShowMessage(std::string_view, std::string_view) override {}
  void SetDeleteVisible(bool) override {}
  void PumpMessages() override {}
  void CloseWindow() override {}
  std::string name = kPath;
  std::size_t rows = 0;
};

class UtcText : public nc::tools::TimeText {
 public:
  std::optional<nc::tools::CalendarTime> ToLocal(std::uint64_t ft) override {
    return nc::tools::UtcCalendar(ft);
  }
  std::string Format(const nc::tools::CalendarTime& t) override {
    char text[40];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d %02d:%02d:%02d", t.day, t.month, t.year,
                  t.hour, t.minute, t.second);
    return text;
  }
};

void BM_IndexDatViewerShow(benchmark::State& state) {
  Fixture& f = Shared();
  nc::platform::Platform ports = f.sim.ports();
  QuietView view;
  UtcText time;
  nc::app::IndexDatViewer viewer(ports, view, time, {});
  for (auto _ : state) {
    viewer.OnShow();
    if (f.builtFile && view.rows != kRecords) state.SkipWithError("not every row was listed");
  }
  state.counters["text_MiB"] = static_cast<double>(viewer.Rows().TextBytes()) / (1 << 20);
  state.counters["kept_MiB"] = static_cast<double>(viewer.Rows().BytesKept()) / (1 << 20);
}

// msiecfexport on the same file; skipped when it is not installed.
void BM_IndexDatMsiecfexport(benchmark::State& state) {
  Fixture& f = Shared();
  if (std::system("command -v msiecfexport >/dev/null 2>&1") != 0) {
    state.SkipWithError("msiecfexport is not installed (apt-get install libmsiecf-utils)");
    return;
  }
  const std::string host = f.sim.hostPath(kPath).string();
  const std::string out = host + ".msiecfexport.txt";
  const std::string command =
      "ulimit -v 2097152; msiecfexport '" + host + "' > '" + out + "' 2>/dev/null";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) state.SkipWithError("msiecfexport failed");
  }
  // The same addresses: every "Location" line it printed, against ours.
  std::set<std::string> theirs;
  std::ifstream in(out);
  for (std::string line; std::getline(in, line);) {
    const auto colon = line.find(": ");
    if (line.rfind("Location", 0) == 0 && colon != std::string::npos) {
      theirs.insert(line.substr(colon + 2));
    }
  }
  std::set<std::string> ours;
  for (auto& r : ReadOnce(f.sim.ports())) ours.insert(r.url);
  if (f.builtFile && ours.size() != kRecords) state.SkipWithError("not every record was read");
  state.counters["same_addresses"] = theirs == ours ? 1 : 0;
  state.counters["their_addresses"] = static_cast<double>(theirs.size());
  state.counters["our_addresses"] = static_cast<double>(ours.size());
}

double PeakMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024;  // KiB on Linux
}

void BM_IndexDatHostile(benchmark::State& state) {
  const char* path = "C:\\Hostile\\index.dat";
  nc::sim::SimPlatform sim;
  std::size_t size = 0;
  {
    std::string bytes;
    switch (state.range(0)) {
      case 0:
        bytes = nc::testing::SameRecordIndexFile(256 * 1024);
        break;
      case 1:
        bytes = nc::testing::EmptyTableChainFile(64u << 20);
        break;
      default:
        bytes = nc::testing::OverlappingRecordsFile(256 * 1024);
        break;
    }
    size = bytes.size();
    sim.writeFile(path, bytes);
  }
  nc::platform::Platform ports = sim.ports();
  QuietView view;
  view.name = path;
  UtcText time;
  nc::app::IndexDatViewer viewer(ports, view, time, {});
  for (auto _ : state) viewer.OnShow();
  const nc::tools::IndexRowList& rows = viewer.Rows();
  state.counters["rows"] = static_cast<double>(rows.size());
  state.counters["text_MiB"] = static_cast<double>(rows.TextBytes()) / (1 << 20);
  state.counters["kept_MiB"] = static_cast<double>(rows.BytesKept()) / (1 << 20);
  state.counters["peak_MiB"] = PeakMiB();
  state.counters["bound_MiB"] = 64 + 2.0 * static_cast<double>(size) / (1 << 20);
}

BENCHMARK(BM_IndexDatReader)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IndexDatViewerShow)->Unit(benchmark::kMillisecond);
// One Show alone, for timing the whole process against msiecfexport.
BENCHMARK(BM_IndexDatViewerShow)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_IndexDatMsiecfexport)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_IndexDatHostile)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
