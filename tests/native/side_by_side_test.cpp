// A clean and a registry scan on their own threads at once, over one
// registry and one drive, each cancelled at a point drawn from a seeded
// generator: built for the thread sanitizer to watch them meet (the
// message queue, the registry, the files, the log and the results).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "cleaner/clean_worker.h"
#include "registry/scan_session.h"
#include "registry/section_tree.h"
#include "registry/sections.h"
#include "tests/native/clean_fixture.h"

namespace nc::testing {
namespace {

using namespace std::chrono_literals;

class QuietStatus : public registry::ScanStatusView {
 public:
  void SetSectionStatus(std::string_view) override { ++changes; }
  void SetKeyLine(std::string_view) override { ++changes; }
  int changes = 0;
};

// Something for both to find: shortcuts, temporary files and the lists of
// Explorer that the clean removes while the scan reads them.
void Fill(CleanWorld& world) {
  const std::string local = "C:\\Users\\user\\AppData\\Local\\";
  for (int i = 0; i < 150; ++i) {
    ASSERT_TRUE(world.sim.writeFile(local + "Temp\\f" + std::to_string(i) + ".tmp", "temp"));
    ASSERT_TRUE(
        world.sim.writeFile("C:\\Users\\user\\AppData\\Roaming\\Microsoft\\Windows\\Recent\\d" +
                                std::to_string(i) + ".lnk",
                            "link"));
  }
  std::string reg =
      "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion"
      "\\Explorer\\RunMRU]\n";
  for (int i = 0; i < 40; ++i) reg += "\"" + std::to_string(i) + "\"=\"C:\\\\gone" + "\"\n";
  reg += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs]\n";
  for (int i = 0; i < 40; ++i) {
    reg += "\"C:\\\\missing\\\\lib" + std::to_string(i) + ".dll\"=dword:00000001\n";
  }
  world.sim.registry().loadRegText(reg);
}

TEST(SideBySide, ACleanAndAScanCancelledAtRandomPoints) {
  const std::vector<std::string> items = {"Windows - Temporary Files", "Windows - Recent Documents",
                                          "Windows - Start Run", "Windows - Windows Log Files"};
  std::mt19937 random(20261207);
  for (int round = 0; round < 12; ++round) {
    CleanWorld world;
    Fill(world);
    world.runMode.store(cleaner::RunMode::Clean);
    registry::ScanSettings scanSettings;
    registry::ResultsModel results;
    QuietStatus status;
    registry::ScanSession scan(registry::ScanEnvironment{world.sim.workerContext(world.versionCode),
                                                         scanSettings, registry::RunSection},
                               status, results);
    cleaner::CleanWorker clean(world.Environment(), items, 0, 7);

    // Each is cancelled after a drawn number of pumps (0: at once); a
    // draw beyond its run lets it end by itself.
    const int cleanAt = std::uniform_int_distribution<int>(0, 15)(random);
    const int scanAt = std::uniform_int_distribution<int>(0, 60)(random);
    ASSERT_EQ(scan.Start(registry::SectionTree().ChosenSectionList(), true),
              registry::ScanStartOutcome::Started);
    clean.Start();
    bool cleanCancelled = false;
    bool scanCancelled = false;
    bool scanDone = false;
    for (int pump = 0; pump < 100000 && !(clean.Finished() && (scanDone || scanCancelled));
         ++pump) {
      world.sim.messages().pumpUntil([] { return false; }, 1ms);
      if (pump == cleanAt && !clean.Finished()) {
        clean.RequestStop();
        cleanCancelled = true;
      }
      if (pump == scanAt && scan.Running()) scanCancelled = scan.Cancel();
      if (!scanDone && !scanCancelled && !world.Posted(registry::WM_SCAN_DONE).empty()) {
        scanDone = scan.OnScanDone();
      }
    }
    ASSERT_TRUE(clean.Finished()) << "round " << round;
    clean.Join();
    world.Pump();
    EXPECT_FALSE(scan.Running()) << "round " << round;

    // A cancelled clean tells the window nothing more; one that ran out
    // ends with its totals and the done message.
    const auto done = world.Posted(cleaner::WM_CLEAN_DONE);
    if (!cleanCancelled) {
      ASSERT_EQ(done.size(), 1u) << "round " << round;
      EXPECT_EQ(done[0].lParam, cleaner::CleanMessageParam(7)) << "round " << round;
      EXPECT_EQ(world.log.linesContaining("Total items to be removed = ").size(), 1u);
    }
    // A scan cancelled before its end gets no end notice handled; every
    // row left is ticked either way.
    EXPECT_EQ(results.TickedCount(), results.Count()) << "round " << round;
    if (scanCancelled) {
      EXPECT_FALSE(scan.OnScanDone()) << "round " << round;
    }
    world.sim.messages().stop();
  }
}

}  // namespace
}  // namespace nc::testing
