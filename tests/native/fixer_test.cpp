// Fixing ticked problems on the substitute platform: the backup folder
// question, the restore point gate, one backup file per run, the walk
// from the last row, what every problem kind removes, root names, and
// runs that stop because the backup cannot be written.
#include "registry/fixer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/text.h"
#include "fault_sweep.h"
#include "platform/sim/sim_platform.h"

namespace nc::testing {
namespace {

using platform::RootKey;
using registry::FixOutcome;
using registry::ProblemEntry;
using registry::ProblemKind;

constexpr const char* kFolder = "C:\\Program Files\\Norvik Cleaner\\Backup";
constexpr const char* kRunFile = "C:\\Program Files\\Norvik Cleaner\\Backup\\2026_02_03_070509.reg";

class RecordingFixView : public registry::FixView {
 public:
  void SetStatusText(std::string_view text) override { statuses.emplace_back(text); }
  std::vector<std::string> statuses;
};

class FixerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    options.OutputDirectory = kFolder;
    ASSERT_TRUE(sim.files().createFolders(kFolder).ok());
    sim.clock().setNow({2026, 2, 3, 7, 5, 9, 0});
    sim.registry().loadRegText(
        "REGEDIT4\n\n"
        "[HKEY_CURRENT_USER\\Software\\X]\n"
        "\"Name\"=\"gone.exe\"\n"
        "\"C:\\\\dir\\\\file.dll\"=dword:00000001\n"
        "@=\"default data\"\n"
        "\"HRZR_EHACNGU\"=hex:01,02\n"
        "\"Keep\"=\"stay\"\n"
        "[HKEY_CURRENT_USER\\Software\\X\\Old]\n"
        "\"o\"=\"1\"\n"
        "[HKEY_CURRENT_USER\\Software\\X\\Old\\Inner]\n"
        "\"i\"=\"2\"\n"
        "[HKEY_CLASSES_ROOT\\A\\Sub]\n"
        "\"s\"=dword:00000005\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Gone]\n"
        "\"g\"=\"3\"\n");
  }

  registry::FixEnvironment Env() {
    return registry::FixEnvironment{sim.ports(), options, 12,
                                    [this] {
                                      ++restorePointShown;
                                      return restorePointAnswer;
                                    },
                                    [this] { ++filtered; }};
  }

  registry::FixResult Fix() {
    auto env = Env();
    return registry::FixSelectedProblems(env, results, view);
  }

  void Row(std::string data, std::string key, ProblemKind kind, bool ticked = true) {
    results.Append(ProblemEntry{"Problem", std::move(data), std::move(key), kind, ticked});
  }

  bool HasValue(RootKey root, std::string_view path, std::string_view name) {
    return sim.registry().value(root, path, name).has_value();
  }
  bool HasKey(RootKey root, std::string_view path) { return sim.registry().keyExists(root, path); }
  std::string Backup() { return sim.readFile(kRunFile); }

  sim::SimPlatform sim;
  registry::BackupSettings options;
  registry::ResultsModel results;
  RecordingFixView view;
  int restorePointShown = 0;
  bool restorePointAnswer = true;
  int filtered = 0;
};

// ---- every problem kind ---------------------------------------------------------------

TEST_F(FixerTest, EveryKindRemovesWhatItDesignatesAfterBackingItUp) {
  ASSERT_TRUE(sim.writeFile("C:\\Users\\user\\Desktop\\old.lnk", "link"));
  Row("gone.exe", "HKEY_CURRENT_USER\\Software\\X\\Name", registry::ProblemKind::ValuePath);
  Row("C:\\dir\\file.dll", "HKEY_CURRENT_USER\\Software\\X", registry::ProblemKind::ValueInKey);
  Row("Old", "HKEY_CURRENT_USER\\Software\\X", registry::ProblemKind::SubKey);
  Row("C:\\missing.exe", "C:\\Users\\user\\Desktop\\old.lnk", registry::ProblemKind::ShortcutFile);
  Row("default data", "HKEY_CURRENT_USER\\Software\\X", registry::ProblemKind::DefaultValue);
  Row("UEME_RUNPATH", "HKEY_CURRENT_USER\\Software\\X", registry::ProblemKind::UserAssistValue);
  Row("Sub", "HKEY_CLASSES_ROOT\\A", registry::ProblemKind::SubKey);
  Row("whole key", "HKEY_LOCAL_MACHINE\\Software\\Gone", registry::ProblemKind::Key);

  const auto result = Fix();
  EXPECT_EQ(result.outcome, FixOutcome::Finished);
  EXPECT_EQ(result.backupFile, kRunFile);
  EXPECT_EQ(result.rowsRemoved, 8u);
  EXPECT_EQ(result.deleted, 8u);
  EXPECT_TRUE(results.Empty());

  EXPECT_FALSE(HasValue(RootKey::CurrentUser, "Software\\X", "Name"));
  EXPECT_FALSE(HasValue(RootKey::CurrentUser, "Software\\X", "C:\\dir\\file.dll"));
  EXPECT_FALSE(HasKey(RootKey::CurrentUser, "Software\\X\\Old"));
  EXPECT_FALSE(sim.files().fileExists("C:\\Users\\user\\Desktop\\old.lnk"));
  EXPECT_FALSE(HasValue(RootKey::CurrentUser, "Software\\X", ""));
  EXPECT_FALSE(HasValue(RootKey::CurrentUser, "Software\\X", "HRZR_EHACNGU"));
  EXPECT_FALSE(HasKey(RootKey::ClassesRoot, "A\\Sub"));
  EXPECT_TRUE(HasKey(RootKey::ClassesRoot, "A"));
  EXPECT_FALSE(HasKey(RootKey::LocalMachine, "Software\\Gone"));
  EXPECT_TRUE(HasValue(RootKey::CurrentUser, "Software\\X", "Keep"));

  // Rows are visited from the last, so the file holds them in that order;
  // the shortcut adds nothing.
  EXPECT_EQ(Backup(),
            "REGEDIT4\r\n"
            "\r\n[HKEY_LOCAL_MACHINE\\Software\\Gone]\r\n\"g\"=\"3\"\r\n"
            "\r\n[HKEY_CLASSES_ROOT\\A\\Sub]\r\n\"s\"=dword:00000005\r\n"
            "\r\n[HKEY_CURRENT_USER\\Software\\X]\r\n\"HRZR_EHACNGU\"=hex:01,02\r\n"
            "\r\n[HKEY_CURRENT_USER\\Software\\X]\r\n@=\"default data\"\r\n"
            "\r\n[HKEY_CURRENT_USER\\Software\\X\\Old]\r\n\"o\"=\"1\"\r\n"
            "\r\n[HKEY_CURRENT_USER\\Software\\X\\Old\\Inner]\r\n\"i\"=\"2\"\r\n"
            "\r\n[HKEY_CURRENT_USER\\Software\\X]\r\n\"C:\\\\dir\\\\file.dll\"=dword:00000001\r\n"
            "\r\n[HKEY_CURRENT_USER\\Software\\X]\r\n\"Name\"=\"gone.exe\"\r\n");
  EXPECT_EQ(view.statuses, std::vector<std::string>{"Fix errors finished!"});
  EXPECT_EQ(filtered, 1);

  // Loading the backup brings everything back.
  sim.registry().loadRegText(Backup());
  EXPECT_TRUE(HasValue(RootKey::CurrentUser, "Software\\X", "Name"));
  EXPECT_TRUE(HasValue(RootKey::CurrentUser, "Software\\X\\Old\\Inner", "i"));
  EXPECT_TRUE(HasValue(RootKey::LocalMachine, "Software\\Gone", "g"));
}

TEST_F(FixerTest, AValuePathWithoutKeyNamesAValueOfTheRoot) {
  auto root = sim.registry().open(RootKey::CurrentUser, "", platform::RegAccess::Full);
  ASSERT_TRUE(root.ok());
  ASSERT_TRUE(platform::WriteStringValue(sim.registry(), *root, "TopValue", "t").ok());
  Row("t", "HKEY_CURRENT_USER\\TopValue", registry::ProblemKind::ValuePath);
  Fix();
  EXPECT_FALSE(HasValue(RootKey::CurrentUser, "", "TopValue"));
  EXPECT_EQ(Backup(), "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\]\r\n\"TopValue\"=\"t\"\r\n");
}

TEST_F(FixerTest, RootNamesAreTheFiveFullNamesInAnyCase) {
  Row("x", "hkey_current_user\\Software\\X\\Name", registry::ProblemKind::ValuePath);
  Row("x", "HKLM\\Software\\Gone", registry::ProblemKind::Key);
  Row("x", "HKEY_DYN_DATA\\Software\\Gone", registry::ProblemKind::Key);
  Row("x", "HKLM\\Software\\Gone\\g", registry::ProblemKind::ValuePath);
  const auto result = Fix();
  EXPECT_EQ(result.rowsRemoved, 4u);
  EXPECT_EQ(result.deleted, 1u);
  EXPECT_FALSE(HasValue(RootKey::CurrentUser, "Software\\X", "Name"));
  EXPECT_TRUE(HasKey(RootKey::LocalMachine, "Software\\Gone"));
  EXPECT_EQ(Backup(),
            "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\X]\r\n\"Name\"=\"gone.exe\"\r\n");
}

TEST_F(FixerTest, RowsThatDesignateNothingAreRemovedWithoutAChange) {
  const auto before = sim.registry().saveRegText(RootKey::CurrentUser, "Software");
  Row("x", "HKEY_CURRENT_USER\\Software\\Missing", registry::ProblemKind::Key);
  Row("x", "HKEY_CURRENT_USER\\Software\\X\\Nope", registry::ProblemKind::ValuePath);
  Row("", "HKEY_CURRENT_USER\\Software\\X", registry::ProblemKind::SubKey);  // no sub-key name
  Row("x", "HKEY_CURRENT_USER\\", registry::ProblemKind::Key);               // the root itself
  Row("x", "HKEY_CURRENT_USER\\Software\\X", static_cast<ProblemKind>(9));
  const auto result = Fix();
  EXPECT_EQ(result.outcome, FixOutcome::Finished);
  EXPECT_EQ(result.rowsRemoved, 5u);
  EXPECT_EQ(result.deleted, 0u);
  EXPECT_EQ(sim.registry().saveRegText(RootKey::CurrentUser, "Software").value_or(""),
            before.value_or("?"));
  EXPECT_FALSE(sim.files().fileExists(kRunFile));
}

TEST_F(FixerTest, KeysAndValuesThisAccountCannotChangeAreLeftAlone) {
  sim.registry().denyWrite(RootKey::CurrentUser, "Software\\X\\Old");
  sim.registry().denyWrite(RootKey::LocalMachine, "Software\\Gone");
  Row("x", "HKEY_CURRENT_USER\\Software\\X\\Old", registry::ProblemKind::Key);
  Row("x", "HKEY_LOCAL_MACHINE\\Software\\Gone\\g", registry::ProblemKind::ValuePath);
  // Inner itself may change, but its parent may not: backed up, not deleted.
  Row("x", "HKEY_CURRENT_USER\\Software\\X\\Old\\Inner", registry::ProblemKind::Key);
  const auto result = Fix();
  EXPECT_EQ(result.rowsRemoved, 3u);
  EXPECT_EQ(result.deleted, 0u);
  EXPECT_TRUE(HasValue(RootKey::CurrentUser, "Software\\X\\Old\\Inner", "i"));
  EXPECT_TRUE(HasValue(RootKey::LocalMachine, "Software\\Gone", "g"));
  EXPECT_EQ(Backup(),
            "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\X\\Old\\Inner]\r\n\"i\"=\"2\"\r\n");
}

TEST_F(FixerTest, WhatABackupCannotHoldWholeIsNeverDeleted) {
  // A value name with a line break cannot be carried: not fixed, its row
  // stays, and the run goes on. A tree with a key only the deletion could
  // open stops the run before anything of it goes.
  auto x = sim.registry().open(RootKey::CurrentUser, "Software\\X", platform::RegAccess::Full);
  ASSERT_TRUE(x.ok());
  ASSERT_TRUE(platform::WriteStringValue(sim.registry(), *x, "two\nlines", "v").ok());
  sim.registry().denyRead(RootKey::CurrentUser, "Software\\X\\Old\\Inner");
  Row("old", "HKEY_CURRENT_USER\\Software\\X\\Old", registry::ProblemKind::Key);
  Row("lines", "HKEY_CURRENT_USER\\Software\\X\\two\nlines", registry::ProblemKind::ValuePath);
  Row("keep", "HKEY_CURRENT_USER\\Software\\X\\Keep", registry::ProblemKind::ValuePath);
  const auto result = Fix();
  EXPECT_EQ(result.outcome, FixOutcome::Stopped);
  EXPECT_EQ(result.deleted, 1u);
  EXPECT_EQ(result.rowsRemoved, 1u);
  ASSERT_EQ(results.Count(), 2u);
  EXPECT_EQ(results.Rows()[0].Data, "old");
  EXPECT_EQ(results.Rows()[1].Data, "lines");
  EXPECT_TRUE(HasValue(RootKey::CurrentUser, "Software\\X", "two\nlines"));
  EXPECT_FALSE(HasValue(RootKey::CurrentUser, "Software\\X", "Keep"));
  EXPECT_TRUE(HasKey(RootKey::CurrentUser, "Software\\X\\Old\\Inner"));
  EXPECT_EQ(Backup(), "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\X]\r\n\"Keep\"=\"stay\"\r\n");
}

TEST_F(FixerTest, AKeyTreeHoldingARegistryLinkIsNotFixed) {
  // No registry file can make the link again: the tree stays whole and
  // the run goes on with the next row.
  sim.registry().addLink(RootKey::CurrentUser, "Software\\X\\Old\\Inner\\Link",
                         RootKey::ClassesRoot, "A");
  Row("old", "HKEY_CURRENT_USER\\Software\\X\\Old", registry::ProblemKind::Key);
  Row("link", "HKEY_CURRENT_USER\\Software\\X\\Old\\Inner", registry::ProblemKind::Key);
  Row("keep", "HKEY_CURRENT_USER\\Software\\X\\Keep", registry::ProblemKind::ValuePath);
  const auto result = Fix();
  EXPECT_EQ(result.outcome, FixOutcome::Finished);
  EXPECT_EQ(result.deleted, 1u);
  EXPECT_TRUE(HasValue(RootKey::CurrentUser, "Software\\X\\Old", "o"));
  EXPECT_TRUE(HasKey(RootKey::CurrentUser, "Software\\X\\Old\\Inner\\Link"));
  EXPECT_TRUE(HasValue(RootKey::ClassesRoot, "A\\Sub", "s"));
  EXPECT_EQ(Backup(), "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\X]\r\n\"Keep\"=\"stay\"\r\n");
}

// ---- the walk ----------------------------------------------------------------------

TEST_F(FixerTest, UntickedRowsAndRowsWithoutBackslashStay) {
  // Both are passed over: the ticked row before them is still fixed.
  Row("c", "HKEY_CURRENT_USER\\Software\\X\\Keep", registry::ProblemKind::ValuePath);
  Row("a", "HKEY_CURRENT_USER\\Software\\X\\Name", registry::ProblemKind::ValuePath, false);
  Row("b", "NoBackslash.lnk", registry::ProblemKind::ShortcutFile);
  const auto result = Fix();
  EXPECT_EQ(result.rowsRemoved, 1u);
  ASSERT_EQ(results.Count(), 2u);
  EXPECT_EQ(results.Rows()[0].Data, "a");
  EXPECT_EQ(results.Rows()[1].Data, "b");
  EXPECT_TRUE(HasValue(RootKey::CurrentUser, "Software\\X", "Name"));
  EXPECT_FALSE(HasValue(RootKey::CurrentUser, "Software\\X", "Keep"));
}

TEST_F(FixerTest, NothingTickedWritesNoFileButFinishes) {
  Row("a", "HKEY_CURRENT_USER\\Software\\X\\Name", registry::ProblemKind::ValuePath, false);
  const auto result = Fix();
  EXPECT_EQ(result.outcome, FixOutcome::Finished);
  EXPECT_EQ(results.Count(), 1u);
  EXPECT_FALSE(sim.files().fileExists(kRunFile));
  EXPECT_EQ(view.statuses, std::vector<std::string>{"Fix errors finished!"});
}

TEST_F(FixerTest, TwoRowsForOneValueBackItUpOnce) {
  Row("first", "HKEY_CURRENT_USER\\Software\\X\\Name", registry::ProblemKind::ValuePath);
  Row("second", "HKEY_CURRENT_USER\\Software\\X\\Name", registry::ProblemKind::ValuePath);
  const auto result = Fix();
  EXPECT_EQ(result.rowsRemoved, 2u);
  EXPECT_EQ(result.deleted, 1u);
  EXPECT_EQ(Backup(),
            "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\X]\r\n\"Name\"=\"gone.exe\"\r\n");
}

TEST_F(FixerTest, EachRunWritesItsOwnFileNamedAfterItsStart) {
  Row("a", "HKEY_CURRENT_USER\\Software\\X\\Name", registry::ProblemKind::ValuePath);
  const auto first = Fix();
  sim.clock().advance(1000);
  Row("b", "HKEY_CURRENT_USER\\Software\\X\\Keep", registry::ProblemKind::ValuePath);
  const auto second = Fix();
  EXPECT_EQ(first.backupFile, kRunFile);
  EXPECT_EQ(second.backupFile, std::string(kFolder) + "\\2026_02_03_070510.reg");
  EXPECT_TRUE(sim.files().fileExists(first.backupFile));
  EXPECT_TRUE(sim.files().fileExists(second.backupFile));
}

TEST_F(FixerTest, AFailedDeletionStillRemovesTheRow) {
  Row("a", "HKEY_CURRENT_USER\\Software\\X\\Name", registry::ProblemKind::ValuePath);
  sim.faults().failOnce(sim::PortMethod::RegistryDeleteValue, 1, Errc::AccessDenied);
  const auto result = Fix();
  EXPECT_EQ(result.rowsRemoved, 1u);
  EXPECT_EQ(result.deleted, 0u);
  EXPECT_TRUE(HasValue(RootKey::CurrentUser, "Software\\X", "Name"));
  EXPECT_FALSE(Backup().empty());
}

// ---- backup folder and restore point -----------------------------------------------

TEST_F(FixerTest, AMissingBackupFolderIsCreatedOnYes) {
  options.OutputDirectory = "C:\\New\\Deeper\\Backup";
  Row("a", "HKEY_CURRENT_USER\\Software\\X\\Name", registry::ProblemKind::ValuePath);
  sim.prompts().answerConfirm(true);
  const auto result = Fix();
  ASSERT_EQ(sim.prompts().records().size(), 1u);
  EXPECT_EQ(sim.prompts().records()[0].text,
            "C:\\New\\Deeper\\Backup,can not find the backup folder.\r\ncreates a new directory?");
  EXPECT_EQ(result.outcome, FixOutcome::Finished);
  EXPECT_TRUE(sim.files().folderExists("C:\\New\\Deeper\\Backup"));
  EXPECT_TRUE(sim.files().fileExists("C:\\New\\Deeper\\Backup\\2026_02_03_070509.reg"));
}

TEST_F(FixerTest, AMissingBackupFolderAndNoChangesNothing) {
  options.OutputDirectory = "C:\\New\\Backup";
  Row("a", "HKEY_CURRENT_USER\\Software\\X\\Name", registry::ProblemKind::ValuePath);
  sim.prompts().answerConfirm(false);
  EXPECT_EQ(Fix().outcome, FixOutcome::FolderDeclined);
  EXPECT_FALSE(sim.files().folderExists("C:\\New\\Backup"));
  EXPECT_EQ(results.Count(), 1u);
  EXPECT_TRUE(HasValue(RootKey::CurrentUser, "Software\\X", "Name"));
  EXPECT_TRUE(view.statuses.empty());

  sim.prompts().answerConfirm(true);
  sim.faults().failOnce(sim::PortMethod::FilesCreateFolders, 1, Errc::AccessDenied);
  const auto notCreated = Fix();
  EXPECT_EQ(notCreated.outcome, FixOutcome::FolderNotCreated);
  ASSERT_TRUE(notCreated.error.has_value());
  EXPECT_EQ(notCreated.error->code, Errc::AccessDenied);
  EXPECT_EQ(results.Count(), 1u);
  EXPECT_TRUE(view.statuses.empty());
}

TEST_F(FixerTest, AnEmptyListEndsBeforeTheRestorePoint) {
  options.RestorePoint = true;
  EXPECT_EQ(Fix().outcome, FixOutcome::NoRows);
  EXPECT_EQ(restorePointShown, 0);
  EXPECT_TRUE(view.statuses.empty());
}

TEST_F(FixerTest, TheRestorePointComesFirstWhenAskedForAndSupported) {
  Row("a", "HKEY_CURRENT_USER\\Software\\X\\Name", registry::ProblemKind::ValuePath);
  Fix();  // setting off
  EXPECT_EQ(restorePointShown, 0);

  options.RestorePoint = true;
  Row("b", "HKEY_CURRENT_USER\\Software\\X\\Keep", registry::ProblemKind::ValuePath);
  restorePointAnswer = false;  // the user stopped after a failure
  EXPECT_EQ(Fix().outcome, FixOutcome::RestorePointCancelled);
  EXPECT_EQ(restorePointShown, 1);
  EXPECT_TRUE(HasValue(RootKey::CurrentUser, "Software\\X", "Keep"));
  EXPECT_EQ(results.Count(), 1u);

  restorePointAnswer = true;
  EXPECT_EQ(Fix().outcome, FixOutcome::Finished);
  EXPECT_EQ(restorePointShown, 2);
  EXPECT_FALSE(HasValue(RootKey::CurrentUser, "Software\\X", "Keep"));
}

TEST_F(FixerTest, NoRestorePointWhereTheSystemHasNone) {
  options.RestorePoint = true;
  Row("a", "HKEY_CURRENT_USER\\Software\\X\\Name", registry::ProblemKind::ValuePath);
  auto env = Env();
  env.versionCode = 7;  // Windows 2000
  EXPECT_EQ(registry::FixSelectedProblems(env, results, view).outcome, FixOutcome::Finished);
  EXPECT_EQ(restorePointShown, 0);
}

// ---- backups that cannot be written ---------------------------------------------------

struct BackupFault {
  sim::PortMethod method;
  Errc code;
};

class FixerFaultTest : public FixerTest, public ::testing::WithParamInterface<BackupFault> {};

TEST_P(FixerFaultTest, TheRunStopsAndTheRowKeepsItsData) {
  Row("a", "HKEY_CURRENT_USER\\Software\\X\\Name", registry::ProblemKind::ValuePath);
  Row("b", "HKEY_CURRENT_USER\\Software\\X\\Old", registry::ProblemKind::Key);
  Row("c", "HKEY_CURRENT_USER\\Software\\X\\Keep", registry::ProblemKind::ValuePath);
  // The third backup written (the first row) fails.
  sim.faults().failOnce(GetParam().method, 3, GetParam().code, ".reg");
  const auto result = Fix();
  EXPECT_EQ(result.outcome, FixOutcome::Stopped);
  ASSERT_TRUE(result.error.has_value());
  EXPECT_EQ(result.error->code, GetParam().code);
  EXPECT_EQ(result.rowsRemoved, 2u);
  ASSERT_EQ(results.Count(), 1u);
  EXPECT_EQ(results.Rows()[0].Data, "a");
  EXPECT_TRUE(HasValue(RootKey::CurrentUser, "Software\\X", "Name"));
  EXPECT_FALSE(HasKey(RootKey::CurrentUser, "Software\\X\\Old"));
  EXPECT_TRUE(view.statuses.empty());
  EXPECT_EQ(filtered, 0);
}

TEST_P(FixerFaultTest, NothingIsDeletedForAnyFailingBackup) {
  // Each time, what is gone from the registry is exactly what the file
  // holds, and a run ends unfinished exactly when its backup failed.
  EXPECT_TRUE(SweepFaults(
      [&](std::uint64_t nth) {
        SetUp();
        results.Clear();
        view.statuses.clear();
        EXPECT_TRUE(sim.files().deleteFile(kRunFile).ok() || !sim.files().fileExists(kRunFile));
        Row("a", "HKEY_CURRENT_USER\\Software\\X\\Name", registry::ProblemKind::ValuePath);
        Row("b", "HKEY_CURRENT_USER\\Software\\X\\Old", registry::ProblemKind::Key);
        Row("c", "HKEY_CURRENT_USER\\Software\\X\\Keep", registry::ProblemKind::ValuePath);
        sim.faults().reset();
        sim.faults().failOnce(GetParam().method, nth, GetParam().code, ".reg");
        const auto result = Fix();
        const bool fired = sim.faults().faultsFired() > 0;
        const std::string file = Backup();
        EXPECT_EQ(HasValue(RootKey::CurrentUser, "Software\\X", "Keep"),
                  file.find("\"Keep\"") == std::string::npos)
            << nth;
        EXPECT_EQ(HasKey(RootKey::CurrentUser, "Software\\X\\Old"),
                  file.find("\"o\"=\"1\"") == std::string::npos)
            << nth;
        EXPECT_EQ(result.outcome == FixOutcome::Finished, !fired) << nth;
        if (fired) {
          EXPECT_EQ(results.Count(), 3 - result.rowsRemoved) << nth;
        }
        return fired;
      },
      10));
}

INSTANTIATE_TEST_SUITE_P(
    ReadOnlyFolderAndFullDisk, FixerFaultTest,
    ::testing::Values(BackupFault{sim::PortMethod::FilesOpen, Errc::AccessDenied},
                      BackupFault{sim::PortMethod::FilesWrite, Errc::DiskFull}));

// ---- the delete operations on their own -------------------------------------------------

TEST_F(FixerTest, DeleteValueWithoutBackupLeavesTheFileAlone) {
  const platform::Platform ports = sim.ports();
  auto deleted = registry::DeleteValueWithBackup(ports, kRunFile, "HKEY_CURRENT_USER",
                                                 "Software\\X", false, "Keep");
  ASSERT_TRUE(deleted.ok());
  EXPECT_TRUE(*deleted);
  EXPECT_FALSE(sim.files().fileExists(kRunFile));
  deleted = registry::DeleteValueWithBackup(ports, kRunFile, "HKEY_CURRENT_USER", "Software\\X",
                                            false, "Keep");
  ASSERT_TRUE(deleted.ok());
  EXPECT_FALSE(*deleted);
}

}  // namespace
}  // namespace nc::testing
