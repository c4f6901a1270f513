// A hive analysis of three hives totalling 1 GB on the substitute machine
// (each save writes a copy as large as its hive) against a plain copy of
// the same hive files with cp, measured in one run.
//
//   nc_bench --benchmark_filter=HiveAnalysis
//
// reports the analysis and the copy in seconds and their ratio. Neither
// side waits for the disk (the substitute save does not flush, and cp is
// not followed by sync); the dirty pages of the set-up and of the
// analysis are written out, untimed, before each side starts.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/defrag_progress.h"
#include "platform/sim/sim_platform.h"
#include "registry/hive_list.h"

namespace {

using nc::platform::RootKey;

struct Hive {
  const char* name;
  RootKey root;
  const char* subKey;
  const char* file;
  std::uint64_t bytes;
};
constexpr std::uint64_t kMiB = 1024 * 1024;
constexpr Hive kHives[] = {
    {"\\REGISTRY\\MACHINE\\SOFTWARE", RootKey::LocalMachine, "SOFTWARE",
     "C:\\WINDOWS\\system32\\config\\software", 640 * kMiB},
    {"\\REGISTRY\\MACHINE\\SYSTEM", RootKey::LocalMachine, "SYSTEM",
     "C:\\WINDOWS\\system32\\config\\system", 256 * kMiB},
    {"\\REGISTRY\\USER\\S-1-5-21-7", RootKey::Users, "S-1-5-21-7",
     "C:\\Documents and Settings\\me\\NTUSER.DAT", 128 * kMiB},
};

class QuietView : public nc::app::HiveProgressView {
 public:
  void SetProgress(int) override {}
  void SetStatusLabel(std::string_view) override {}
  void SetCheckingText(std::string_view) override {}
  void SetStopEnabled(bool) override {}
  void SetTimerOn(bool) override {}
  void Hide() override {}
  void Close() override { closed = true; }
  bool closed = false;
};

// Real bytes, so that neither side gains from holes in the files.
void WriteFilled(const std::filesystem::path& path, std::uint64_t bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  const std::string block(kMiB, 'h');
  for (std::uint64_t left = bytes; left > 0; left -= kMiB) out.write(block.data(), kMiB);
}

double Seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

void HiveAnalysisAgainstCopy(benchmark::State& state) {
  nc::sim::SimPlatform sim;
  auto list = sim.registry().create(RootKey::LocalMachine, nc::registry::kHiveListKey);
  std::vector<std::string> names, files;
  for (const Hive& hive : kHives) {
    (void)sim.registry().create(hive.root, hive.subKey);
    (void)nc::platform::WriteStringValue(
        sim.registry(), *list, hive.name,
        std::string("\\Device\\HarddiskVolume1") + (hive.file + 2));
    WriteFilled(sim.hostPath(hive.file), hive.bytes);
    sim.hives().setSave(hive.root, hive.subKey, hive.bytes);
    names.push_back(hive.name);
    files.push_back(hive.file);
  }
  double analysis = 0, copy = 0;
  // Each side starts with no dirty pages waiting for the disk.
  const auto settle = [] { (void)std::system("sync"); };
  for (auto _ : state) {
    settle();
    std::vector<std::unique_ptr<nc::registry::DefragWorker>> parking;
    nc::sim::MessageQueue queue;
    QuietView view;
    const auto t0 = std::chrono::steady_clock::now();
    {
      nc::app::HiveProgressDialog dialog(
          nc::app::HiveAnalysis{sim.hives(), sim.files(), sim.clock(), names, files, false, true,
                                parking},
          queue, view);
      dialog.OnShow();
      dialog.OnActivate();
      while (!view.closed) {
        for (const auto& m : queue.pump()) {
          if (m.message == nc::registry::kDefragCloseRequest) {
            dialog.OnClose();
          } else {
            dialog.OnMessage(m.message, m.wParam, m.lParam);
          }
        }
        if (!view.closed) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      if (!dialog.Succeeded()) state.SkipWithError("the analysis did not finish");
    }
    const auto t1 = std::chrono::steady_clock::now();
    std::string command = "cp --sparse=never";
    for (const std::string& file : files) command += " '" + sim.hostPath(file).string() + "'";
    const auto target = sim.hostRoot() / "cp-target";
    std::filesystem::create_directories(target);
    command += " '" + target.string() + "/'";
    settle();
    const auto t2 = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) state.SkipWithError("cp failed");
    const auto t3 = std::chrono::steady_clock::now();
    analysis = Seconds(t1 - t0);
    copy = Seconds(t3 - t2);
    state.SetIterationTime(analysis);
    std::filesystem::remove_all(target);
  }
  state.counters["analysis_s"] = analysis;
  state.counters["cp_s"] = copy;
  state.counters["ratio"] = copy > 0 ? analysis / copy : 0;
}
BENCHMARK(HiveAnalysisAgainstCopy)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
