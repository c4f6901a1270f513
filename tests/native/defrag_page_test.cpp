// The Registry Defrag page on a substitute machine with three hives: the
// analysis with its rows and labels, the refusals, the replacement with
// the restart question, and the unattended "/Regscan" and "/Regdefrag".
#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/messages.h"
#include "controller_fixture.h"
#include "hive_machine.h"

namespace nc::test {
namespace {

using Kind = sim::SimPrompts::Kind;

class DefragPageTest : public ControllerFixture {
 protected:
  DefragPageTest() : hives(ThreeHives()) {}

  app::MainController& startWith(std::vector<std::string> arguments = {}) {
    InstallHives(sim, hives);
    return start(std::move(arguments));
  }
  std::vector<std::string> texts(Kind kind) {
    std::vector<std::string> out;
    for (const auto& r : sim.prompts().records()) {
      if (r.kind == kind) out.push_back(r.text);
    }
    return out;
  }
  std::string copyOf(std::size_t i) const { return hives[i].file + ".fdc"; }

  std::vector<HiveSpec> hives;
};

TEST_F(DefragPageTest, AnalysisOfThreeHivesFillsTheRowsAndLabels) {
  auto& c = startWith();
  EXPECT_EQ(view.hiveLines, (std::vector<std::string>{"\\REGISTRY\\MACHINE\\SOFTWARE",
                                                      "\\REGISTRY\\MACHINE\\SYSTEM",
                                                      "\\REGISTRY\\USER\\S-1-5-21-7"}));
  c.OnAnalyzeRegistryClicked();
  EXPECT_TRUE(view.defragEnabled);
  using Row = registry::HiveSizeRow;
  EXPECT_EQ(view.hiveRows, (std::map<std::size_t, Row>{{0, {"4,000 KB", "3,000 KB", "25%"}},
                                                       {1, {"2,000 KB", "1,900 KB", "5%"}},
                                                       {2, {"500 KB", "600 KB", "0%"}}}));
  EXPECT_EQ(view.labels.currentSize, "6,500 KB");
  EXPECT_EQ(view.labels.newSize, "5,500 KB");
  EXPECT_EQ(view.labels.sizeReduction, "1,000 KB");
  EXPECT_EQ(view.labels.compactPercent, "15.4%");
  EXPECT_TRUE(sim.prompts().records().empty());
  for (const auto& [row, r] : view.hiveRows) {
    std::cout << view.hiveLines[row] << " | " << r.currentSize << " | " << r.newSize << " | "
              << r.reduction << "\n";
  }
  std::cout << "Current Registry Size: " << view.labels.currentSize
            << "  New Registry Size: " << view.labels.newSize
            << "  Size Reduction: " << view.labels.sizeReduction
            << "  Compact Percent: " << view.labels.compactPercent << "\n";
}

TEST_F(DefragPageTest, LowFragmentationAdviceOnlyOutsideSilentMode) {
  // 10,000 KB to 9,750 KB over the three hives: 2.5 percent.
  hives[0].fileSize = 6144000, hives[0].copySize = 6000000;
  hives[1].fileSize = 3072000, hives[1].copySize = 2984000;
  hives[2].fileSize = 1024000, hives[2].copySize = 1000000;
  auto& c = startWith();
  for (bool silent : {false, true}) {
    sim.prompts().clear();
    c.defrag().Analyze(silent);
    EXPECT_EQ(view.labels.compactPercent, "2.5%");
    EXPECT_TRUE(view.defragEnabled);
    EXPECT_EQ(texts(Kind::Inform).size(), silent ? 0U : 1U);
  }
}

TEST_F(DefragPageTest, RefusedAndFailedAnalysesKeepOrDropTheDefragButton) {
  auto& c = startWith();
  c.OnAnalyzeRegistryClicked();
  ASSERT_TRUE(view.defragEnabled);
  const int analyses = view.analyses;

  // A copy still held by the system: nothing runs.
  {
    auto held = sim.files().open(copyOf(1), platform::FileOpen::ReadWriteExisting,
                                 platform::FileShare::None);
    ASSERT_TRUE(held.ok());
    c.OnAnalyzeRegistryClicked();
    EXPECT_EQ(view.analyses, analyses);
    EXPECT_EQ(
        texts(Kind::Inform),
        std::vector<std::string>{"Can not analyze the registry now! Please try again later."});
    EXPECT_TRUE(view.defragEnabled);
  }

  // The software copy comes out under a quarter of its file: the copies
  // on disk are now the failed ones, and none of them may be scheduled.
  sim.prompts().clear();
  sim.hives().setSave(platform::RootKey::LocalMachine, "SOFTWARE", 1000);
  c.OnAnalyzeRegistryClicked();
  EXPECT_EQ(texts(Kind::Inform), std::vector<std::string>{"Failed to analyze the registry!"});
  EXPECT_FALSE(view.defragEnabled);
  c.OnDefragRegistryClicked();
  EXPECT_TRUE(sim.hives().replacements().empty());
  sim.hives().setSave(platform::RootKey::LocalMachine, "SOFTWARE", hives[0].copySize);

  // Stopped before the last hive: disabled.
  c.OnAnalyzeRegistryClicked();
  ASSERT_TRUE(view.defragEnabled);
  SaveGate gate(sim.hives(), "SYSTEM");
  view.onProgressPump = [&](app::HiveProgressDialog& dialog, RecordingProgressView&) {
    if (gate.held() && !dialog.stopped()) {
      dialog.OnStop();
      gate.Release();
    }
  };
  c.OnAnalyzeRegistryClicked();
  EXPECT_FALSE(view.defragEnabled);
}

TEST_F(DefragPageTest, DefragSchedulesEveryHiveAndAsksToRestart) {
  auto& c = startWith();
  sim.writeFile(hives[0].file + ".bak", "from an earlier compaction");
  c.OnAnalyzeRegistryClicked();
  sim.prompts().answerConfirm(true);
  c.OnDefragRegistryClicked();
  const auto done = sim.hives().replacements();
  ASSERT_EQ(done.size(), 3U);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(done[i].root, hives[i].root);
    EXPECT_EQ(done[i].path, hives[i].subKey);
    EXPECT_EQ(done[i].newFile, copyOf(i));
    EXPECT_EQ(done[i].oldFile, hives[i].file + ".bak");
  }
  EXPECT_FALSE(sim.files().fileExists(hives[0].file + ".bak"));  // freed for the system
  EXPECT_TRUE(sim.hives().restorePrivilegeEnabled());
  EXPECT_EQ(texts(Kind::Confirm),
            std::vector<std::string>{"You must restart your computer for the changes to take "
                                     "effect. Click the YES button to restart your computer now."});
  EXPECT_EQ(sim.hives().restartRequests(), 1);

  // Again before the restart: one failure per hive, and No keeps running.
  sim.prompts().clear();
  c.OnDefragRegistryClicked();
  EXPECT_EQ(texts(Kind::Inform), (std::vector<std::string>{
                                     "Failed to defrag the registry\\REGISTRY\\MACHINE\\SOFTWARE",
                                     "Failed to defrag the registry\\REGISTRY\\MACHINE\\SYSTEM",
                                     "Failed to defrag the registry\\REGISTRY\\USER\\S-1-5-21-7"}));
  EXPECT_EQ(sim.hives().restartRequests(), 1);
}

TEST_F(DefragPageTest, PartWayFailureKeepsTheScheduledHivesWhole) {
  auto& c = startWith();
  c.OnAnalyzeRegistryClicked();
  sim.faults().failOnce(sim::PortMethod::RegistryReplaceKey, 2, Errc::AccessDenied);
  c.OnDefragRegistryClicked();
  EXPECT_EQ(texts(Kind::Inform),
            std::vector<std::string>{"Failed to defrag the registry\\REGISTRY\\MACHINE\\SYSTEM"});
  ASSERT_EQ(sim.hives().replacements().size(), 2U);
  // Closing deletes only the copy nobody was given: the system finds the
  // scheduled ones at the restart, and every hive still has its file.
  sim.hives().releaseScheduled();
  c.OnClose();
  EXPECT_TRUE(sim.files().fileExists(copyOf(0)));
  EXPECT_FALSE(sim.files().fileExists(copyOf(1)));
  EXPECT_TRUE(sim.files().fileExists(copyOf(2)));
  for (const HiveSpec& hive : hives) EXPECT_TRUE(sim.files().fileExists(hive.file));
}

TEST_F(DefragPageTest, AgainAfterAPartWayFailureSavesAndSchedulesOnlyWhatIsNotPending) {
  auto& c = startWith();
  c.OnAnalyzeRegistryClicked();
  sim.faults().failOnce(sim::PortMethod::RegistryReplaceKey, 2, Errc::AccessDenied);
  c.OnDefragRegistryClicked();
  ASSERT_EQ(sim.hives().replacements().size(), 2U);  // the software and user hives
  sim.prompts().clear();
  const std::size_t saves = sim.hives().saves().size();
  c.OnDefragRegistryClicked();
  EXPECT_EQ(texts(Kind::Inform), (std::vector<std::string>{
                                     "Failed to defrag the registry\\REGISTRY\\MACHINE\\SOFTWARE",
                                     "Failed to defrag the registry\\REGISTRY\\USER\\S-1-5-21-7"}));
  ASSERT_EQ(sim.hives().saves().size(), saves + 1);
  EXPECT_EQ(sim.hives().saves().back().subKey, "SYSTEM");
  ASSERT_EQ(sim.hives().replacements().size(), 3U);
  EXPECT_EQ(sim.hives().replacements().back().newFile, copyOf(1));
}

TEST_F(DefragPageTest, CancelledRestorePointSchedulesNothing) {
  auto& c = startWith();
  c.options().RestorePoint = true;
  view.restorePointGoesOn = false;
  c.OnAnalyzeRegistryClicked();
  c.OnDefragRegistryClicked();
  EXPECT_EQ(view.restorePoints, 1);
  EXPECT_TRUE(sim.hives().replacements().empty());
  EXPECT_TRUE(texts(Kind::Confirm).empty());
}

TEST_F(DefragPageTest, UnattendedRunsAnalyseReportAndClose) {
  const std::string result = "C:\\result.ini";
  sim.profile().writeString(result, "Scan Result", "Stale", "x");
  sim.profile().writeString(result, "Other", "Keep", "yes");
  auto& c = startWith({"/regscan", result});
  EXPECT_TRUE(c.OnMessage(app::WM_AUTO_ANALYZE, 0, 0));
  EXPECT_TRUE(c.closed());
  auto value = [&](const char* section, const char* key) {
    return sim.profile().readString(result, section, key, "<missing>");
  };
  EXPECT_EQ(value("Scan Result", "Current Size"), "6,500 KB");
  EXPECT_EQ(value("Scan Result", "New Size"), "5,500 KB");
  EXPECT_EQ(value("Scan Result", "Size Reduction"), "1,000 KB");
  EXPECT_EQ(value("Scan Result", "Compact Percent"), "15.4%");
  EXPECT_EQ(value("Scan Result", "Stale"), "<missing>");
  EXPECT_EQ(value("Other", "Keep"), "yes");
  EXPECT_TRUE(sim.hives().replacements().empty());
  EXPECT_FALSE(sim.files().fileExists(copyOf(0)));  // removed at close
}

TEST_F(DefragPageTest, RegdefragSchedulesWithoutAsking) {
  auto& c = startWith({"/REGDEFRAG"});
  EXPECT_TRUE(c.OnMessage(app::WM_AUTO_DEFRAG, 0, 0));
  EXPECT_TRUE(view.hidden);
  EXPECT_TRUE(c.closed());
  EXPECT_EQ(sim.hives().replacements().size(), 3U);
  EXPECT_TRUE(sim.prompts().records().empty());
  EXPECT_EQ(sim.hives().restartRequests(), 0);
  EXPECT_EQ(view.restorePoints, 0);
  EXPECT_TRUE(sim.files().fileExists(copyOf(0)));  // kept for the restart
}

TEST_F(DefragPageTest, RegdefragAfterAFailedAnalysisSchedulesNothing) {
  hives[0].copySize = 1000;  // software copy under a quarter
  auto& c = startWith({"/Regdefrag"});
  EXPECT_TRUE(c.OnMessage(app::WM_AUTO_DEFRAG, 0, 0));
  EXPECT_TRUE(c.closed());
  EXPECT_TRUE(sim.hives().replacements().empty());
  EXPECT_EQ(texts(Kind::Inform), std::vector<std::string>{"Failed to analyze the registry!"});
}

TEST_F(DefragPageTest, ClosingTheProgressDialogDuringASaveAndThenTheProgram) {
  auto& c = startWith();
  SaveGate gate(sim.hives(), "SYSTEM");
  view.onProgressPump = [&](app::HiveProgressDialog& dialog, RecordingProgressView&) {
    if (gate.held()) dialog.OnClose();
  };
  c.OnAnalyzeRegistryClicked();
  EXPECT_FALSE(view.defragEnabled);
  EXPECT_EQ(c.defrag().parkedWorkers(), 1U);
  // The program's close waits for the save still under way.
  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    gate.Release();
  });
  c.OnClose();
  release.join();
  EXPECT_EQ(c.defrag().parkedWorkers(), 0U);
  EXPECT_EQ(sim.hives().saves().size(), 2U);
  for (std::size_t i = 0; i < 3; ++i) EXPECT_FALSE(sim.files().fileExists(copyOf(i)));
}

// ---- what is handed to the system ---------------------------------------------------

std::vector<std::string> Failures(std::initializer_list<const char*> names) {
  std::vector<std::string> out;
  for (const char* name : names) out.push_back(std::string("Failed to defrag the registry") + name);
  return out;
}

constexpr const char* kSoftware = "\\REGISTRY\\MACHINE\\SOFTWARE";
constexpr const char* kSystem = "\\REGISTRY\\MACHINE\\SYSTEM";
constexpr const char* kUser = "\\REGISTRY\\USER\\S-1-5-21-7";

TEST_F(DefragPageTest, ASaveThatFailsFailsTheAnalysis) {
  auto& c = startWith();
  // The disk fills after the first megabyte of the system hive's copy.
  sim.faults().failOnce(sim::PortMethod::FilesWrite, 2, Errc::DiskFull, "system.fdc");
  c.OnAnalyzeRegistryClicked();
  EXPECT_EQ(texts(Kind::Inform), std::vector<std::string>{"Failed to analyze the registry!"});
  EXPECT_FALSE(view.defragEnabled);
  EXPECT_EQ(sim.hives().saves().size(), 2U);  // the user hive is not even tried
  c.OnDefragRegistryClicked();
  EXPECT_TRUE(sim.hives().replacements().empty());

  // A copy left by an earlier analysis that cannot be deleted is never
  // taken for a fresh one.
  c.OnAnalyzeRegistryClicked();
  ASSERT_TRUE(view.defragEnabled);
  sim.prompts().clear();
  sim.faults().failFrom(sim::PortMethod::FilesDeleteFile, 1, Errc::AccessDenied, "system.fdc");
  c.OnAnalyzeRegistryClicked();
  EXPECT_EQ(texts(Kind::Inform), std::vector<std::string>{"Failed to analyze the registry!"});
  EXPECT_FALSE(view.defragEnabled);
}

TEST_F(DefragPageTest, RegdefragWithACopyCutShortSchedulesNothing) {
  sim.faults().failOnce(sim::PortMethod::FilesWrite, 2, Errc::DiskFull, "system.fdc");
  auto& c = startWith({"/Regdefrag"});
  EXPECT_TRUE(c.OnMessage(app::WM_AUTO_DEFRAG, 0, 0));
  EXPECT_TRUE(c.closed());
  EXPECT_TRUE(sim.hives().replacements().empty());
  EXPECT_EQ(sim.hives().restartRequests(), 0);
}

TEST_F(DefragPageTest, OnlyWholeHiveFilesAreScheduled) {
  struct Case {
    const char* what;
    std::function<void(RegfImage&)> damage;
  } cases[] = {
      {"cut short", [](RegfImage& i) { i.bytes.resize(6000); }},
      {"write not completed", [](RegfImage& i) { i.put(8, 7), i.seal(); }},
      {"bad checksum", [](RegfImage& i) { i.bytes[100] ^= 0x40; }},
      {"bins past the end", [](RegfImage& i) { i.put(40, 1 << 20), i.seal(); }},
      {"Wine's text format", [](RegfImage& i) { std::fill_n(i.bytes.begin(), 4, 'W'); }},
  };
  auto& c = startWith();
  for (const Case& k : cases) {
    RegfImage image(64 * 1024);
    k.damage(image);
    sim.hives().setSaveBytes(platform::RootKey::LocalMachine, "SYSTEM", image.bytes);
    c.OnAnalyzeRegistryClicked();
    ASSERT_TRUE(view.defragEnabled) << k.what;
    sim.prompts().clear();
    const std::size_t before = sim.hives().replacements().size();
    sim.prompts().answerConfirm(false);
    c.OnDefragRegistryClicked();
    EXPECT_EQ(texts(Kind::Inform), Failures({kSystem})) << k.what;
    const auto done = sim.hives().replacements();
    ASSERT_EQ(done.size(), before + 2) << k.what;
    EXPECT_EQ(done[before].newFile, copyOf(0));
    EXPECT_EQ(done[before + 1].newFile, copyOf(2));
    EXPECT_EQ(texts(Kind::Confirm).size(), 1U);
    sim.hives().releaseScheduled();
  }
}

TEST_F(DefragPageTest, DefragSchedulesCopiesSavedAtThatMoment) {
  auto& c = startWith();
  c.OnAnalyzeRegistryClicked();
  // Written to the registry after the analysis: the system hive grows.
  sim.hives().setSave(platform::RootKey::LocalMachine, "SYSTEM", 1992704);
  sim.prompts().answerConfirm(false);
  c.OnDefragRegistryClicked();
  EXPECT_EQ(sim.hives().saves().size(), 6U);
  ASSERT_EQ(sim.hives().replacements().size(), 3U);
  EXPECT_EQ(registry::FileSizeOf(sim.files(), copyOf(1)), 1992704U);
  EXPECT_EQ(view.hiveRows[1].newSize, "1,946 KB");

  // A fresh save that fails hands over nothing, stale or new, and asks
  // nothing about a restart.
  sim.hives().releaseScheduled();
  c.OnAnalyzeRegistryClicked();
  sim.prompts().clear();
  sim.faults().failOnce(sim::PortMethod::RegistrySaveKey, 3, Errc::AccessDenied);
  c.OnDefragRegistryClicked();
  EXPECT_EQ(texts(Kind::Inform), Failures({kSoftware, kSystem, kUser}));
  EXPECT_TRUE(texts(Kind::Confirm).empty());
  EXPECT_EQ(sim.hives().replacements().size(), 3U);
  EXPECT_FALSE(view.defragEnabled);
}

TEST_F(DefragPageTest, NoRestartWithoutAScheduledHiveAndARefusedRestartIsReported) {
  auto& c = startWith();
  c.OnAnalyzeRegistryClicked();
  sim.faults().failFrom(sim::PortMethod::RegistryReplaceKey, 1, Errc::AccessDenied);
  c.OnDefragRegistryClicked();
  EXPECT_EQ(texts(Kind::Inform), Failures({kSoftware, kSystem, kUser}));
  EXPECT_TRUE(texts(Kind::Confirm).empty());
  EXPECT_EQ(sim.hives().restartRequests(), 0);

  sim.faults().clearRules();
  sim.prompts().clear();
  sim.hives().refuseRestart(true);
  sim.prompts().answerConfirm(true);
  c.OnDefragRegistryClicked();
  EXPECT_EQ(sim.hives().restartRequests(), 1);
  EXPECT_EQ(texts(Kind::Inform),
            std::vector<std::string>{"Failed to restart your computer! Please restart it "
                                     "yourself for the changes to take effect."});
}

TEST_F(DefragPageTest, CopiesAreSavedOnlyWithRoomToSpare) {
  // The three hives hold 6,656,000 bytes: the margin is the 50 MB floor.
  // Copies already there are deleted first, and their room is then free.
  constexpr std::uint64_t kNeeded = 6656000 + 52428800;
  constexpr std::uint64_t kCopies = 3072000 + 1945600 + 614400;
  auto& c = startWith();
  struct Case {
    std::uint64_t free;
    bool analyse;  // else Defrag Registry after an analysis
    bool saves;
  } cases[] = {{kNeeded - 1, true, false},
               {kNeeded, true, true},
               {kNeeded - kCopies, false, true},
               {kNeeded - kCopies - 1, false, false}};
  for (const Case& k : cases) {
    if (!k.analyse) {
      sim.files().setFreeSpace('C', kNeeded);
      c.OnAnalyzeRegistryClicked();
      ASSERT_TRUE(view.defragEnabled);
      sim.hives().releaseScheduled();
    }
    sim.prompts().clear();
    sim.files().setFreeSpace('C', k.free);
    const std::size_t saves = sim.hives().saves().size();
    const std::size_t scheduled = sim.hives().replacements().size();
    k.analyse ? c.OnAnalyzeRegistryClicked() : c.OnDefragRegistryClicked();
    EXPECT_EQ(sim.hives().saves().size(), saves + (k.saves ? 3 : 0)) << k.free;
    EXPECT_EQ(view.defragEnabled, k.saves) << k.free;
    if (!k.saves) {
      EXPECT_EQ(
          texts(Kind::Inform),
          std::vector<std::string>{"There is not enough free disk space on C:\\ for the "
                                   "copies of the registry! Please free 1 KB and try again."});
      EXPECT_EQ(sim.hives().replacements().size(), scheduled);
    }
  }
  // A copy that cannot be deleted is no room: the system hive's 1,900 KB.
  sim.files().setFreeSpace('C', kNeeded);
  c.OnAnalyzeRegistryClicked();
  ASSERT_TRUE(view.defragEnabled);
  sim.files().setFreeSpace('C', kNeeded - kCopies);
  sim.faults().failOnce(sim::PortMethod::FilesDeleteFile, 1, Errc::AccessDenied, "system.fdc");
  sim.prompts().clear();
  const std::size_t saves = sim.hives().saves().size();
  c.OnAnalyzeRegistryClicked();
  EXPECT_EQ(
      texts(Kind::Inform),
      std::vector<std::string>{"There is not enough free disk space on C:\\ for the "
                               "copies of the registry! Please free 1,900 KB and try again."});
  EXPECT_EQ(sim.hives().saves().size(), saves);
  EXPECT_FALSE(view.defragEnabled);
  // Past 500 MB of hives the margin is a tenth of them: 1,002,560,000
  // bytes of hives need 1,102,816,000 free (what copies are left counting
  // only as they go).
  hives[0].fileSize = 1000000000;
  MakeSizedFile(sim, hives[0].file, hives[0].fileSize);
  (void)sim.files().deleteFile(copyOf(1));
  for (const std::uint64_t free : {1102816000 - 1, 1102816000}) {
    sim.files().setFreeSpace('C', free);
    sim.prompts().clear();
    c.OnAnalyzeRegistryClicked();
    // With room, the analysis runs, and its small software copy fails.
    EXPECT_EQ(texts(Kind::Inform).at(0).starts_with("There is not enough free disk space"),
              free < 1102816000);
  }
}

TEST_F(DefragPageTest, EarlierBackupsAreNeverDeletedUnlessTheSwapIsScheduled) {
  auto& c = startWith();
  const std::string bak = hives[0].file + ".bak";
  sim.writeFile(bak, "earlier backup");
  sim.writeFile(bak + ".prev", "older still");
  c.OnAnalyzeRegistryClicked();
  // Refused, and the earlier backup cannot be moved back under its name.
  sim.faults().failOnce(sim::PortMethod::RegistryReplaceKey, 1, Errc::AccessDenied);
  sim.faults().failOnce(sim::PortMethod::FilesMoveFile, 2, Errc::AccessDenied, ".bak");
  c.OnDefragRegistryClicked();
  EXPECT_EQ(
      texts(Kind::Inform),
      (std::vector<std::string>{std::string("Failed to defrag the registry") + kSoftware,
                                "The backup of an earlier compaction could not be put back as " +
                                    bak + "! It was kept as " + bak + ".prev2."}));
  EXPECT_EQ(sim.readFile(bak + ".prev"), "older still");
  EXPECT_EQ(sim.readFile(bak + ".prev2"), "earlier backup");

  // Scheduled: the backup the system is about to replace goes, nothing else.
  ASSERT_TRUE(sim.files().moveFile(bak + ".prev2", bak).ok());
  sim.hives().releaseScheduled();
  c.OnAnalyzeRegistryClicked();
  c.OnDefragRegistryClicked();
  EXPECT_FALSE(sim.files().fileExists(bak));
  EXPECT_FALSE(sim.files().fileExists(bak + ".prev2"));
  EXPECT_EQ(sim.readFile(bak + ".prev"), "older still");
}

// ---- the hive list of Windows 10 and 11 ---------------------------------------------

TEST_F(DefragPageTest, HivesThatCannotBeCompactedAreListedWithTheirReasonAndLeftAlone) {
  using platform::RootKey;
  sim.modelWindows10Hives();
  // Two more lines: a hive whose key is not there to open, and a file gone.
  {
    auto list = sim.registry().open(RootKey::LocalMachine, registry::kHiveListKey,
                                    platform::RegAccess::Full);
    ASSERT_TRUE(list.ok());
    const std::string config = "\\Device\\HarddiskVolume3\\Windows\\System32\\config\\";
    ASSERT_TRUE(platform::WriteStringValue(sim.registry(), *list, "\\REGISTRY\\MACHINE\\UNLOADED",
                                           config + "SOFTWARE")
                    .ok());
    ASSERT_TRUE(platform::WriteStringValue(sim.registry(), *list, "\\REGISTRY\\MACHINE\\COMPONENTS",
                                           config + "COMPONENTS")
                    .ok());
    (void)sim.registry().create(RootKey::LocalMachine, "COMPONENTS");
  }
  struct Row {
    const char* keyName;
    const char* reason;  // "" for a hive that is saved and scheduled
    const char* subKey;
  } rows[] = {
      {"\\REGISTRY\\MACHINE\\HARDWARE", "no file", ""},
      {"\\REGISTRY\\MACHINE\\BCD00000000", "no drive letter", ""},
      {"\\REGISTRY\\MACHINE\\SYSTEM", "", "SYSTEM"},
      {"\\REGISTRY\\MACHINE\\SOFTWARE", "", "SOFTWARE"},
      {"\\REGISTRY\\MACHINE\\SECURITY", "", "SECURITY"},  // opened for backup
      {"\\REGISTRY\\MACHINE\\SAM", "", "SAM"},
      {"\\REGISTRY\\MACHINE\\DRIVERS", "", "DRIVERS"},
      {"\\REGISTRY\\USER\\.DEFAULT", "", ".DEFAULT"},
      {"\\REGISTRY\\USER\\S-1-5-19", "", "S-1-5-19"},
      {"\\REGISTRY\\USER\\S-1-5-21-1-2-3-1001", "", "S-1-5-21-1-2-3-1001"},  // in the \??\C: form
      {"\\REGISTRY\\USER\\S-1-5-21-1-2-3-1001_Classes", "", "S-1-5-21-1-2-3-1001_Classes"},
      {"\\REGISTRY\\A\\{35ab0a55-07f1-4a4f-a1c0-d3e1b1e39a24}", "application hive", ""},
      {"\\REGISTRY\\MACHINE\\UNLOADED", "cannot be opened", ""},
      {"\\REGISTRY\\MACHINE\\COMPONENTS", "file not found", ""},
  };
  auto& c = start();
  // Before the analysis: every hive has its row, the others say why not.
  ASSERT_EQ(view.hiveLines.size(), std::size(rows));
  std::vector<std::string> saved;
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    EXPECT_EQ(view.hiveLines[i], rows[i].keyName);
    if (*rows[i].reason != '\0') {
      EXPECT_EQ(view.hiveRows[i], (registry::HiveSizeRow{rows[i].reason, "", ""}))
          << rows[i].keyName;
    } else {
      saved.push_back(rows[i].subKey);
      EXPECT_EQ(view.hiveRows.count(i), 0U) << rows[i].keyName;
    }
  }
  EXPECT_TRUE(sim.hives().backupPrivilegeEnabled());

  c.OnAnalyzeRegistryClicked();
  ASSERT_TRUE(view.defragEnabled);
  EXPECT_TRUE(sim.prompts().records().empty());
  std::vector<std::string> subKeys;
  for (const sim::HiveSave& save : sim.hives().saves()) subKeys.push_back(save.subKey);
  EXPECT_EQ(subKeys, saved);
  // The sizes go to the rows of the saved hives; the reasons stay.
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const bool hasReason = *rows[i].reason != '\0';
    EXPECT_EQ(view.hiveRows[i].currentSize == rows[i].reason, hasReason) << rows[i].keyName;
    EXPECT_EQ(view.hiveRows[i].newSize.empty(), hasReason) << rows[i].keyName;
  }
  EXPECT_EQ(view.hiveRows[5], (registry::HiveSizeRow{"64 KB", "40 KB", "37%"}));
  EXPECT_EQ(view.labels.currentSize, "9,344 KB");

  sim.prompts().answerConfirm(false);
  c.OnDefragRegistryClicked();
  subKeys.clear();
  for (const sim::HiveReplacement& r : sim.hives().replacements()) subKeys.push_back(r.path);
  EXPECT_EQ(subKeys, saved);
  EXPECT_TRUE(texts(Kind::Inform).empty());

  // A save that fails part-way (the disk fills after the first megabyte
  // of the software copy) still fails the whole analysis.
  sim.hives().releaseScheduled();
  sim.prompts().clear();
  sim.faults().failOnce(sim::PortMethod::FilesWrite, 2, Errc::DiskFull, "SOFTWARE.fdc");
  c.OnAnalyzeRegistryClicked();
  EXPECT_EQ(texts(Kind::Inform), std::vector<std::string>{"Failed to analyze the registry!"});
  EXPECT_FALSE(view.defragEnabled);
  c.OnDefragRegistryClicked();
  EXPECT_EQ(sim.hives().replacements().size(), saved.size());
}

}  // namespace
}  // namespace nc::test
