// The Registry page through the main window's controller: the sections
// tree, a scan from Scan to "Finished!", cancel, the counts and the
// unattended run.
#include <gtest/gtest.h>

#include <chrono>

#include "app/main_controller.h"
#include "app/messages.h"
#include "controller_fixture.h"
#include "platform/sim/sim_platform.h"

namespace nc {
namespace {

using app::MainController;
using namespace std::chrono_literals;

constexpr const char* kSeeded =
    "Windows Registry Editor Version 5.00\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\r\n"
    "\"Gone\"=\"C:\\\\Program Files\\\\Gone\\\\gone.exe /start\"\r\n"
    "\"Here\"=\"C:\\\\Windows\\\\here.exe\"\r\n";

class RegistryPageTest : public test::ControllerFixture {
 protected:
  RegistryPageTest() {
    sim.writeFile("C:\\Windows\\here.exe", "MZ");
    sim.registry().loadRegText(kSeeded);
    sim.messages().setHandler([this](const sim::PostedMessage& m) {
      if (controller) controller->OnMessage(m.message, m.wParam, m.lParam);
    });
  }
  ~RegistryPageTest() override {
    if (controller) controller->OnClose();
  }

  // Only the Startup Programs section stays ticked.
  void chooseStartupOnly(MainController& c) {
    c.OnSectionTreeClick(1);  // the root: everything off
    c.OnSectionTreeClick(14);
  }
  bool pumpUntilScanEnds() {
    return sim.messages().pumpUntil([this] { return !controller->scanRunning(); }, 20s);
  }
  // An unattended "/Clear" with only the Startup Programs section ticked
  // in the settings file, run until the program closes; whether the
  // missing program's Run value is still there afterwards.
  bool unattendedClearLeavesTheValue() {
    for (int id = 1; id <= 24; ++id) {
      sim.profile().writeString(folder + "options.ini", "TreeViewNodeCheck", std::to_string(id),
                                id == 14 ? "1" : "0");
    }
    auto& c = start({"/Clear"});
    sim.messages().pumpUntil([&] { return c.closed(); }, 20s);
    EXPECT_TRUE(c.closed());
    // Nobody is there to answer a question.
    EXPECT_EQ(sim.prompts().count(sim::SimPrompts::Kind::Confirm), 0u);
    auto key = sim.registry().open(platform::RootKey::CurrentUser,
                                   "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                                   platform::RegAccess::Read);
    EXPECT_TRUE(key.ok());
    return key.ok() && sim.registry().readValue(*key, "Gone").ok();
  }
};

TEST_F(RegistryPageTest, AScanFindsTheMissingStartupProgramAndEndsFinished) {
  auto& c = start();
  EXPECT_EQ(view.sectionTreeShows, 1);
  chooseStartupOnly(c);
  c.OnScanClicked();
  EXPECT_TRUE(c.scanRunning());
  EXPECT_EQ(view.scanCaption, "Cancel");
  EXPECT_TRUE(view.keyLineVisible);
  EXPECT_EQ(c.runState().scanProgressStep, 10);  // no hive walk chosen
  EXPECT_TRUE(view.timer);
  ASSERT_TRUE(pumpUntilScanEnds());

  EXPECT_EQ(view.scanCaption, "Scan");
  EXPECT_EQ(view.scanTitle, "Select the sections to scan");
  EXPECT_FALSE(view.keyLineVisible);  // Restore shows again
  EXPECT_FALSE(view.timer);
  ASSERT_FALSE(view.registryBars.empty());
  EXPECT_EQ(view.registryBars.back().Caption(), "Finished!");
  ASSERT_EQ(view.problems.rows.size(), 1u);
  EXPECT_EQ(view.problems.rows[0].Problem, "Non-existent Startup Programs");
  EXPECT_TRUE(view.problems.rows[0].Ticked);
  EXPECT_EQ(view.registryStatus, c.results().CountsText());
  EXPECT_EQ(view.columnFits, 1);

  // Unticking a row changes the counts.
  c.OnProblemTicked(0, false);
  EXPECT_EQ(c.results().TickedCount(), 0u);
  EXPECT_EQ(view.registryStatus, c.results().CountsText());
}

TEST_F(RegistryPageTest, NothingTickedIsRefusedWithAMessage) {
  auto& c = start();
  c.OnSectionTreeClick(1);
  c.OnScanClicked();
  EXPECT_FALSE(c.scanRunning());
  ASSERT_EQ(sim.prompts().records().size(), 1u);
  EXPECT_EQ(sim.prompts().records()[0].text,
            "Please select the sections which you want to scan from the left list.");
  EXPECT_EQ(view.scanCaption, "Scan");
  EXPECT_FALSE(view.keyLineVisible);
}

TEST_F(RegistryPageTest, CancelFinishesTheScanAtOnce) {
  auto& c = start();
  c.OnScanClicked();  // every section
  ASSERT_TRUE(c.scanRunning());
  c.OnScanClicked();  // "Cancel"
  EXPECT_FALSE(c.scanRunning());
  EXPECT_EQ(view.scanCaption, "Scan");
  EXPECT_EQ(view.registryBars.back().Caption(), "Finished!");
  // A late notice of the cancelled scan changes nothing.
  const auto bars = view.registryBars.size();
  c.OnMessage(registry::WM_SCAN_DONE, 0, 0);
  EXPECT_EQ(view.registryBars.size(), bars);
}

TEST_F(RegistryPageTest, SectionTicksAreKeptInTheSettings) {
  {
    auto& c = start();
    chooseStartupOnly(c);
    c.OnClose();
    controller.reset();
  }
  auto value = [&](const char* key) {
    return sim.profile().readString(folder + "options.ini", "TreeViewNodeCheck", key, "");
  };
  EXPECT_EQ(value("14"), "1");
  EXPECT_EQ(value("7"), "0");
  auto& c = start();
  EXPECT_TRUE(c.sectionTree().IsTicked(14));
  EXPECT_FALSE(c.sectionTree().IsTicked(7));
}

TEST_F(RegistryPageTest, FixErrorsBacksUpAndRemovesTheTickedValue) {
  auto& c = start();
  chooseStartupOnly(c);
  c.OnScanClicked();
  ASSERT_TRUE(pumpUntilScanEnds());
  ASSERT_EQ(c.results().Count(), 1u);
  sim.prompts().answerConfirm(true);  // create the missing backup folder
  const auto result = c.OnFixErrorsClicked();
  EXPECT_EQ(result.outcome, registry::FixOutcome::Finished);
  EXPECT_TRUE(c.results().Empty());
  EXPECT_TRUE(view.problems.rows.empty());
  EXPECT_EQ(view.registryStatus, "Fix errors finished!");
  const std::string run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  auto key = sim.registry().open(platform::RootKey::CurrentUser, run, platform::RegAccess::Read);
  ASSERT_TRUE(key.ok());
  EXPECT_FALSE(sim.registry().readValue(*key, "Gone").ok());
  EXPECT_TRUE(sim.registry().readValue(*key, "Here").ok());
  const std::string backup = sim.readFile(result.backupFile);
  EXPECT_NE(backup.find("gone.exe"), std::string::npos);
}

TEST_F(RegistryPageTest, ThePopUpMenuTicksSavesAndAddsToTheIgnoreList) {
  auto& c = start();
  chooseStartupOnly(c);
  c.OnScanClicked();
  ASSERT_TRUE(pumpUntilScanEnds());
  EXPECT_FALSE(c.ResultsCommandEnabled(registry::ResultsCommand::DeselectItem));
  view.selectedRows = {0};
  c.OnResultsCommand(registry::ResultsCommand::DeselectItem);
  EXPECT_EQ(c.results().TickedCount(), 0u);
  EXPECT_EQ(view.registryStatus, c.results().CountsText());
  view.reportPath = "C:\\report";
  c.OnResultsCommand(registry::ResultsCommand::SaveAsText);
  EXPECT_NE(sim.readFile("C:\\report.txt").find("Non-existent Startup Programs  ^^^  "),
            std::string::npos);
  c.OnResultsCommand(registry::ResultsCommand::AddToIgnoreLists);
  EXPECT_TRUE(c.results().Empty());
  EXPECT_EQ(c.options().IgnoreValueCount, 1);
  // The next scan leaves the ignored value out.
  c.OnScanClicked();
  ASSERT_TRUE(pumpUntilScanEnds());
  EXPECT_TRUE(c.results().Empty());
}

TEST_F(RegistryPageTest, AnUnattendedClearScansAndEnds) {
  // The problem was fixed and backed up first.
  EXPECT_FALSE(unattendedClearLeavesTheValue());
  EXPECT_TRUE(view.problems.rows.empty());
  const auto backups = sim.files().list(folder + "Backup");
  ASSERT_TRUE(backups.ok());
  EXPECT_EQ(backups->size(), 1u);
}

TEST_F(RegistryPageTest, AnUnattendedClearWhoseRestorePointFailsAsksNothingAndFixesNothing) {
  sim.profile().writeString(folder + "options.ini", "Options", "RestorePoint", "1");
  view.restorePointFails = true;
  // The question takes its default, No: the repair stops with nothing
  // changed.
  EXPECT_TRUE(unattendedClearLeavesTheValue());
  EXPECT_EQ(view.restorePoints, 1);
}

}  // namespace
}  // namespace nc
