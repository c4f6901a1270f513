// What the clean engine's tests share: a substitute platform with drive C:,
// a log that records its lines, the message queue standing for the main
// window, scripted prompts, the settings record, the main window's run
// mode and a CleanRun over all of them.
//
// The fixture lives on the test thread, which is the user-interface
// thread of the message queue: a worker's invoke() waits until the test
// pumps. Posted messages are recorded as they are pumped (the fixture owns
// the queue's handler; do not replace it).
//
// Fast mode is off by default here (the program's default is on) so that
// the detail lines of an item show in the log.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "app/messages.h"
#include "app/options.h"
#include "cleaner/clean_log.h"
#include "cleaner/clean_run.h"
#include "cleaner/run_mode.h"
#include "platform/sim/sim_platform.h"
#include "platform/version_code.h"

namespace nc::testing {

// A log that keeps its lines; safe to write from a worker thread.
class RecordingLog : public cleaner::CleanLog {
 public:
  void AddLine(std::string_view line) override {
    std::lock_guard lock(mutex_);
    lines_.emplace_back(line);
  }
  void ScrollToEnd() override {
    std::lock_guard lock(mutex_);
    ++scrolls_;
  }

  std::vector<std::string> lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
  }
  std::size_t size() const {
    std::lock_guard lock(mutex_);
    return lines_.size();
  }
  int scrolls() const {
    std::lock_guard lock(mutex_);
    return scrolls_;
  }
  // Lines that contain `part`, in order.
  std::vector<std::string> linesContaining(std::string_view part) const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> found;
    for (const auto& line : lines_) {
      if (line.find(part) != std::string::npos) found.push_back(line);
    }
    return found;
  }
  bool hasLine(std::string_view line) const {
    std::lock_guard lock(mutex_);
    return std::find(lines_.begin(), lines_.end(), line) != lines_.end();
  }
  void clear() {
    std::lock_guard lock(mutex_);
    lines_.clear();
    scrolls_ = 0;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
  int scrolls_ = 0;
};

// The whole world of a clean run; usable by itself where a test needs a
// second one.
class CleanWorld {
 public:
  // The program's folder on the substitute drive C:.
  static constexpr const char* kProgramFolder = "C:\\Program Files\\Norvik Cleaner\\";

  CleanWorld() {
    std::filesystem::create_directories(sim.hostPath(kProgramFolder));
    options.FastScan = false;
    versionCode = platform::WindowsVersionCode(sim.system().version());
    sim.messages().setHandler([this](const sim::PostedMessage& m) { posted.push_back(m); });
  }

  // The environment a run is given; the run mode is read from `runMode`
  // each time a rule asks.
  cleaner::CleanEnvironment Environment() {
    return cleaner::CleanEnvironment{sim.workerContext(versionCode), log, runMode, options,
                                     kProgramFolder};
  }

  // Sets the run mode (test mode lists, clean mode deletes) and makes a
  // new run over the environment; the previous run is replaced.
  cleaner::CleanRun& MakeRun(bool testMode) {
    runMode.store(testMode ? cleaner::RunMode::Test : cleaner::RunMode::Clean);
    run = std::make_unique<cleaner::CleanRun>(Environment());
    return *run;
  }
  cleaner::CleanRun& TestRun() { return MakeRun(true); }
  cleaner::CleanRun& CleanModeRun() { return MakeRun(false); }

  // A file beside the program (for example "kvrn.dat" or "Custom.dat").
  std::string ProgramFile(std::string_view name) const {
    return std::string(kProgramFolder) + std::string(name);
  }
  bool WriteProgramFile(std::string_view name, std::string_view content) {
    return sim.writeFile(ProgramFile(name), content);
  }

  // Runs the queued steps and records the posted messages.
  void Pump() { sim.messages().pump(); }
  bool PumpUntil(const std::function<bool()>& done,
                 std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    return sim.messages().pumpUntil(done, timeout);
  }
  // The recorded messages with number `message`, in order.
  std::vector<sim::PostedMessage> Posted(std::uint32_t message) const {
    std::vector<sim::PostedMessage> found;
    for (const auto& m : posted) {
      if (m.message == message) found.push_back(m);
    }
    return found;
  }

  sim::SimPlatform sim;
  RecordingLog log;
  app::Options options;
  std::atomic<nc::cleaner::RunMode> runMode{cleaner::RunMode::Test};
  int versionCode = 0;
  std::unique_ptr<cleaner::CleanRun> run;
  std::vector<sim::PostedMessage> posted;  // recorded while pumping
};

class CleanFixture : public ::testing::Test, public CleanWorld {};

}  // namespace nc::testing
