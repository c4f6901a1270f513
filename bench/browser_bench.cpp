// The Chrome items over a well-used profile on the substitute platform: a
// "History" database of about 100 MB (visited addresses, their visits and
// the downloads) and a cache folder of 20,000 files. The download item's
// database step is set beside the `sqlite3` command running the same
// statements on a copy of the same file.
//
//   nc_bench --benchmark_filter=Chrome
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "app/options.h"
#include "cleaner/browser_items.h"
#include "cleaner/clean_log.h"
#include "cleaner/clean_run.h"
#include "cleaner/run_mode.h"
#include "platform/sim/sim_platform.h"

namespace {

namespace fs = std::filesystem;

constexpr int kUrls = 100'000;      // about 1 KB each with their visits
constexpr int kDownloads = 20'000;  // the rows the download item deletes
constexpr int kCacheFiles = 20'000;
constexpr const char* kProfile =
    "C:\\Users\\user\\AppData\\Local\\Google\\Chrome\\User Data\\Default\\";

class CountingLog : public nc::cleaner::CleanLog {
 public:
  void AddLine(std::string_view line) override { bytes += line.size(); }
  void ScrollToEnd() override {}
  std::uint64_t bytes = 0;
};

bool Exec(sqlite3* db, const std::string& sql) {
  return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

// Writes the History template with the library itself.
bool MakeHistory(const fs::path& file) {
  sqlite3* db = nullptr;
  bool ok = sqlite3_open(file.string().c_str(), &db) == SQLITE_OK;
  ok = ok && Exec(db,
                  "PRAGMA journal_mode=DELETE; BEGIN;"
                  "CREATE TABLE urls (id INTEGER PRIMARY KEY, url LONGVARCHAR, title LONGVARCHAR,"
                  " visit_count INTEGER DEFAULT 0 NOT NULL, last_visit_time INTEGER NOT NULL);"
                  "CREATE INDEX urls_url_index ON urls (url);"
                  "CREATE TABLE visits (id INTEGER PRIMARY KEY, url INTEGER NOT NULL,"
                  " visit_time INTEGER NOT NULL, transition INTEGER DEFAULT 0 NOT NULL);"
                  "CREATE TABLE downloads (id INTEGER PRIMARY KEY, full_path LONGVARCHAR NOT NULL,"
                  " url LONGVARCHAR NOT NULL, start_time INTEGER NOT NULL,"
                  " received_bytes INTEGER NOT NULL, total_bytes INTEGER NOT NULL,"
                  " state INTEGER NOT NULL);");
  ok = ok &&
       Exec(db, "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                    std::to_string(kUrls) +
                    ") INSERT INTO urls (url, title, last_visit_time) SELECT"
                    " 'http://site' || i || '.example/' || hex(randomblob(200)),"
                    " 'Page ' || i || ' ' || hex(randomblob(40)), i FROM n;"
                    "INSERT INTO visits (url, visit_time) SELECT id, last_visit_time FROM urls;"
                    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                    std::to_string(kDownloads) +
                    ") INSERT INTO downloads (full_path, url, start_time, received_bytes,"
                    " total_bytes, state) SELECT 'C:\\Downloads\\file' || i || '.zip',"
                    " 'http://files.example/' || hex(randomblob(64)), i, 1000, 1000, 1 FROM n;"
                    "COMMIT;");
  sqlite3_close(db);
  return ok;
}

struct Bench {
  Bench() {
    sim.registry().loadRegText(
        "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
        "Shell Folders]\n\"Local AppData\"=\"C:\\\\Users\\\\user\\\\AppData\\\\Local\"\n");
    profile = sim.hostPath(kProfile);
    fs::create_directories(profile);
    history = sim.hostRoot() / "History.template";
    if (!MakeHistory(history)) throw std::runtime_error("the History template was not made");
  }

  void RestoreHistory() {
    fs::copy_file(history, profile / "History", fs::copy_options::overwrite_existing);
  }
  void FillCache() {
    const fs::path cache = profile / "Cache";
    fs::create_directories(cache);
    const std::string data(1024, 'c');
    for (int i = 0; i < kCacheFiles; ++i) {
      std::ofstream(cache / ("f_" + std::to_string(i))) << data;
    }
  }
  std::int32_t Run(std::string_view item) {
    runMode.store(nc::cleaner::RunMode::Clean);
    options.FastScan = true;
    nc::cleaner::CleanRun run(
        nc::cleaner::CleanEnvironment{sim.workerContext(0), log, runMode, options, "C:\\"});
    nc::cleaner::RunBrowserItem(run, item);
    return run.ItemCount;
  }

  nc::sim::SimPlatform sim;
  CountingLog log;
  nc::app::Options options;
  std::atomic<nc::cleaner::RunMode> runMode{nc::cleaner::RunMode::Clean};
  fs::path profile;
  fs::path history;
};

Bench& Shared() {
  static Bench bench;
  return bench;
}

void BM_ChromeCacheAndDownloads(benchmark::State& state) {
  Bench& b = Shared();
  for (auto _ : state) {
    state.PauseTiming();
    b.RestoreHistory();
    b.FillCache();
    state.ResumeTiming();
    if (b.Run("Google Chrome - Temporary Internet Files") != kCacheFiles) {
      state.SkipWithError("the cache was not emptied");
    }
    try {
      b.Run("Google Chrome - Download History");
    } catch (const std::exception& e) {
      state.SkipWithError(e.what());
    }
  }
  state.counters["history_MB"] = static_cast<double>(fs::file_size(b.history)) / 1e6;
}

void BM_ChromeDownloadStep(benchmark::State& state) {
  Bench& b = Shared();
  for (auto _ : state) {
    state.PauseTiming();
    b.RestoreHistory();
    state.ResumeTiming();
    try {
      b.Run("Google Chrome - Download History");
    } catch (const std::exception& e) {
      state.SkipWithError(e.what());
    }
  }
}

// The same statements through the Debian command on a copy.
void BM_ChromeDownloadStepSqlite3Command(benchmark::State& state) {
  Bench& b = Shared();
  const fs::path copy = b.sim.hostRoot() / "History.copy";
  const std::string command =
      "sqlite3 '" + copy.string() +
      "' \"select [sql] from sqlite_master where [type] = 'table' and lower(name) = "
      "'downloads' ; DELETE FROM downloads;\" >/dev/null";
  for (auto _ : state) {
    state.PauseTiming();
    fs::copy_file(b.history, copy, fs::copy_options::overwrite_existing);
    state.ResumeTiming();
    if (std::system(command.c_str()) != 0) state.SkipWithError("sqlite3 failed");
  }
}

BENCHMARK(BM_ChromeCacheAndDownloads)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ChromeDownloadStep)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_ChromeDownloadStepSqlite3Command)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
