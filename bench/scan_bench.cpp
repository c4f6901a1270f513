// The four whole-hive walks of the registry scan against a bare walk that
// opens every key and reads every value of the same registry.
//
// The registry stands in for a well-used machine: 500,000 keys and about
// 1,500,000 values in vendor \ product \ version \ settings nesting, most
// of them below HKEY_LOCAL_MACHINE\Software. Values are mostly short
// strings, with DWORDs and some paths (program folders and files that
// exist, one program in twenty removed, a tenth of the documents named
// in the settings deleted).
//
//   nc_bench --benchmark_filter=ScanWalks
//
// reports, per run, the bare walk and the hive walks in seconds (means),
// their ratio, the ratio of the best of each and the process's peak
// resident memory.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/sim/sim_platform.h"
#include "registry/sections.h"

namespace {

using nc::platform::RegAccess;
using nc::platform::RegKey;
using nc::platform::RootKey;

constexpr std::size_t kTotalKeys = 500000;

class CountingSink : public nc::registry::ScanSink {
 public:
  void SetSectionStatus(std::string_view) override {}
  void SetKeyLine(std::string_view text) override { keyLines += text.size() > 0 ? 1 : 0; }
  void AppendProblem(const nc::registry::ProblemEntry&) override { ++problems; }
  std::size_t keyLines = 0;
  std::size_t problems = 0;
};

// Where the generated vendors go: the root, the key below which they sit,
// and the share of the vendors.
struct HivePart {
  RootKey root;
  const char* base;
  int vendors;
};
constexpr HivePart kParts[] = {
    {RootKey::LocalMachine, "Software", 400},
    {RootKey::ClassesRoot, "", 40},
    {RootKey::CurrentUser, "Software", 45},
    {RootKey::Users, "S-1-5-21-1004336348-1177238915-682003330-1000\\Software", 15},
};
constexpr int kProductsPerVendor = 10;
constexpr int kVersionsPerProduct = 3;
// Documents named in the settings; the last tenth no longer exist.
constexpr std::size_t kDocuments = 500;

struct World {
  nc::sim::SimPlatform sim;
  std::size_t keys = 0;
  std::size_t values = 0;
  std::size_t pathValues = 0;
};

class Builder {
 public:
  explicit Builder(World& world) : world_(world), reg_(world.sim.registry()) {}

  void Build() {
    int vendorsTotal = 0;
    for (const auto& part : kParts) vendorsTotal += part.vendors;
    const std::size_t fixedKeys = static_cast<std::size_t>(vendorsTotal) *
                                  (1 + kProductsPerVendor * (1 + kVersionsPerProduct));
    const std::size_t versions =
        static_cast<std::size_t>(vendorsTotal) * kProductsPerVendor * kVersionsPerProduct;
    leavesPerVersion_ = (kTotalKeys - fixedKeys) / versions;
    extraLeaves_ = (kTotalKeys - fixedKeys) % versions;

    int vendorIndex = 0;
    for (const auto& part : kParts) {
      for (int v = 0; v < part.vendors; ++v, ++vendorIndex) Vendor(part, vendorIndex);
    }
  }

 private:
  RegKey Create(RootKey root, const std::string& path) {
    auto key = reg_.create(root, path);
    if (!key) std::abort();
    ++world_.keys;
    return std::move(*key);
  }
  void Str(const RegKey& key, std::string_view name, std::string_view text, bool path = false) {
    if (!nc::platform::WriteStringValue(reg_, key, name, text).ok()) std::abort();
    ++world_.values;
    if (path) ++world_.pathValues;
  }
  void Dword(const RegKey& key, std::string_view name, std::uint32_t value) {
    if (!nc::platform::WriteDwordValue(reg_, key, name, value).ok()) std::abort();
    ++world_.values;
  }
  static std::string Join(std::string_view base, std::string_view name) {
    return base.empty() ? std::string(name) : std::string(base) + "\\" + std::string(name);
  }

  void Vendor(const HivePart& part, int index) {
    const std::string vendor = "Vendor" + std::to_string(index);
    const std::string path = Join(part.base, vendor);
    const RegKey key = Create(part.root, path);
    if (index % 3 == 0) Str(key, "", vendor + " Corporation");
    for (int p = 0; p < kProductsPerVendor; ++p) Product(part, path, vendor, p);
  }

  void Product(const HivePart& part, const std::string& vendorPath, const std::string& vendor,
               int index) {
    const std::string product = "Product" + std::to_string(index);
    const std::string path = Join(vendorPath, product);
    const std::string folder = "C:\\Program Files\\" + vendor + "\\" + product;
    const RegKey key = Create(part.root, path);
    // Programs that are still installed have their folder and program.
    const bool installed = (++products_ % 20) != 0;
    if (installed) {
      if (!world_.sim.writeFile(folder + "\\" + product + ".exe", "MZ")) std::abort();
    }
    Str(key, "InstallDir", folder, true);
    Str(key, "Version", std::to_string(index % 7 + 1) + ".0");
    Dword(key, "Language", 1033);
    for (int v = 0; v < kVersionsPerProduct; ++v) Version(part, path, folder, product, v);
  }

  void Version(const HivePart& part, const std::string& productPath, const std::string& folder,
               const std::string& product, int index) {
    const std::string path = Join(productPath, std::to_string(index + 1) + ".0");
    const RegKey key = Create(part.root, path);
    Str(key, "Path", "\"" + folder + "\\" + product + ".exe\" /startup", true);
    Dword(key, "Installed", 1);
    const std::size_t leaves = leavesPerVersion_ + (versionIndex_++ < extraLeaves_ ? 1 : 0);
    for (std::size_t l = 0; l < leaves; ++l) Leaf(part, path, l);
  }

  void Leaf(const HivePart& part, const std::string& versionPath, std::size_t index) {
    static constexpr const char* kNames[] = {"Settings", "Options", "Window", "Toolbars",
                                             "Recent",   "Plugins", "Layout", "Colors"};
    const std::string name = std::string(kNames[index % 8]) + std::to_string(index / 8);
    const RegKey key = Create(part.root, Join(versionPath, name));
    ++leaves_;
    Str(key, "Position", std::to_string(leaves_ % 800) + ",120,640,480");
    Dword(key, "Flags", static_cast<std::uint32_t>(leaves_));
    if (leaves_ % 20 == 0) {
      // Documents opened with the program; one in ten has been deleted.
      Str(key, "LastFile",
          "C:\\Users\\user\\Documents\\report" + std::to_string(leaves_ / 20 % kDocuments) + ".doc",
          true);
    } else if (leaves_ % 20 == 1) {
      Str(key, "Icon", "C:\\Windows\\system32\\shell32.dll," + std::to_string(leaves_ % 50), true);
    } else if (leaves_ % 20 == 2) {
      Str(key, "Sounds", "C:\\Windows\\Media", true);
    } else {
      Str(key, "Theme", leaves_ % 3 == 0 ? "Classic Blue" : "default");
    }
    if (leaves_ % 10 == 0) Str(key, "User", "Administrator");
  }

  World& world_;
  nc::sim::SimRegistry& reg_;
  std::size_t leavesPerVersion_ = 0;
  std::size_t extraLeaves_ = 0;
  std::size_t versionIndex_ = 0;
  std::size_t leaves_ = 0;
  int products_ = 0;
};

World& TheWorld() {
  // Destroyed at exit, which removes the world's host folders.
  static const std::unique_ptr<World> world = [] {
    auto w = std::make_unique<World>();
    if (!w->sim.writeFile("C:\\Windows\\Media\\ding.wav", "RIFF")) std::abort();
    if (!w->sim.writeFile("C:\\Windows\\system32\\shell32.dll", "MZ")) std::abort();
    for (std::size_t d = 0; d < kDocuments * 9 / 10; ++d) {
      const std::string doc = "C:\\Users\\user\\Documents\\report" + std::to_string(d) + ".doc";
      if (!w->sim.writeFile(doc, "doc")) std::abort();
    }
    Builder(*w).Build();
    return w;
  }();
  return *world;
}

// Opens every key of the four walks' trees and reads every value, in the
// same order and with the same calls as the scan.
std::size_t BareWalk(nc::platform::Registry& registry) {
  struct Frame {
    RegKey key;
    std::vector<std::string> children;
    std::size_t next = 0;
  };
  std::size_t bytes = 0;
  const std::pair<RootKey, const char*> starts[] = {{RootKey::ClassesRoot, ""},
                                                    {RootKey::CurrentUser, ""},
                                                    {RootKey::LocalMachine, "Software"},
                                                    {RootKey::Users, ""}};
  for (const auto& [root, start] : starts) {
    std::vector<Frame> stack;
    auto visit = [&](RegKey key) {
      if (auto values = registry.values(key)) {
        for (const auto& value : *values) bytes += value.data.size();
      }
      if (auto names = registry.subKeyNames(key); names && !names->empty()) {
        stack.push_back(Frame{std::move(key), std::move(*names)});
      }
    };
    auto first = registry.open(root, start, RegAccess::Read);
    if (!first) continue;
    visit(std::move(*first));
    while (!stack.empty()) {
      auto& top = stack.back();
      if (top.next >= top.children.size()) {
        stack.pop_back();
        continue;
      }
      auto child = registry.openSub(top.key, top.children[top.next++], RegAccess::Read);
      if (child) visit(std::move(*child));
    }
  }
  return bytes;
}

std::size_t HiveWalks(World& world, CountingSink& sink, const char* drives = "c") {
  const std::atomic<bool> stop{false};
  nc::registry::ScanContext ctx{
      world.sim.ports(),
      sink,
      stop,
      nc::registry::PathTest{world.sim.files(), drives, false, false, true, false},
      false,
      {3, 4, 5, 6}};
  for (RootKey root :
       {RootKey::ClassesRoot, RootKey::CurrentUser, RootKey::LocalMachine, RootKey::Users}) {
    nc::registry::ScanHiveFilesAndFolders(ctx, root);
  }
  return sink.problems;
}

double PeakRssMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

double Seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

void ScanWalks(benchmark::State& state) {
  World& world = TheWorld();
  double bare = 0;
  double walks = 0;
  double bestBare = 1e9;
  double bestWalks = 1e9;
  std::size_t problems = 0;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(BareWalk(world.sim.registry()));
    const auto t1 = std::chrono::steady_clock::now();
    CountingSink sink;
    problems = HiveWalks(world, sink);
    const auto t2 = std::chrono::steady_clock::now();
    bare += Seconds(t1 - t0);
    walks += Seconds(t2 - t1);
    bestBare = std::min(bestBare, Seconds(t1 - t0));
    bestWalks = std::min(bestWalks, Seconds(t2 - t1));
    state.SetIterationTime(Seconds(t2 - t0));
  }
  const auto n = static_cast<double>(state.iterations());
  state.counters["bare_s"] = bare / n;
  state.counters["walks_s"] = walks / n;
  state.counters["ratio"] = walks / bare;
  // The best of each, which a busy machine disturbs least.
  state.counters["best_ratio"] = bestWalks / bestBare;
  state.counters["problems"] = static_cast<double>(problems);
  state.counters["keys"] = static_cast<double>(world.keys);
  state.counters["values"] = static_cast<double>(world.values);
  state.counters["path_values"] = static_cast<double>(world.pathValues);
  state.counters["peak_rss_MB"] = PeakRssMegabytes();
}
BENCHMARK(ScanWalks)->UseManualTime()->Iterations(5)->Unit(benchmark::kSecond);

void BareWalkOnly(benchmark::State& state) {
  World& world = TheWorld();
  for (auto _ : state) benchmark::DoNotOptimize(BareWalk(world.sim.registry()));
}
BENCHMARK(BareWalkOnly)->Iterations(3)->Unit(benchmark::kMillisecond);

void HiveWalksOnly(benchmark::State& state) {
  World& world = TheWorld();
  for (auto _ : state) {
    CountingSink sink;
    benchmark::DoNotOptimize(HiveWalks(world, sink));
  }
}
BENCHMARK(HiveWalksOnly)->Iterations(3)->Unit(benchmark::kMillisecond);

// The walks with no drive scanned: no path reaches the file system, so
// this is the cost of the walk and of reading the strings.
void HiveWalksWithoutFiles(benchmark::State& state) {
  World& world = TheWorld();
  for (auto _ : state) {
    CountingSink sink;
    benchmark::DoNotOptimize(HiveWalks(world, sink, ""));
  }
}
BENCHMARK(HiveWalksWithoutFiles)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
