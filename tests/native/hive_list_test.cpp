// Finding the hives and their files, saving a compact copy and
// scheduling a replacement, on the substitute machine.
#include "registry/hive_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hive_machine.h"
#include "platform/sim/sim_platform.h"

namespace nc::test {
namespace {

using platform::RootKey;

class HiveListTest : public ::testing::Test {
 protected:
  HiveListTest() {
    // C: is \Device\HarddiskVolume1; D: a partition path; E: a volume
    // whose number starts like C:'s.
    sim.addDrive('D');
    sim.files().addDrive('D', sim.hostRoot() / "D", platform::DriveType::Fixed, true,
                         "\\Device\\Harddisk0\\Partition1");
    sim.addDrive('E');
    sim.files().addDrive('E', sim.hostRoot() / "E", platform::DriveType::Fixed, true,
                         "\\Device\\HarddiskVolume10");
    for (const char* file :
         {"C:\\WINDOWS\\system32\\config\\software", "D:\\hives\\sam", "E:\\hives\\user.dat"}) {
      MakeSizedFile(sim, file, 10);
    }
  }
  sim::SimPlatform sim;
};

TEST_F(HiveListTest, DevicePathsBecomeExistingDriveLetterPaths) {
  struct Case {
    const char* path;
    const char* expected;
  } cases[] = {
      {"\\Device\\HarddiskVolume1\\WINDOWS\\system32\\config\\software",
       "C:\\WINDOWS\\system32\\config\\software"},
      {"\\Device\\Harddisk0\\Partition1\\hives\\sam", "D:\\hives\\sam"},
      // Volume 10 is not volume 1 followed by a "0".
      {"\\Device\\HarddiskVolume10\\hives\\user.dat", "E:\\hives\\user.dat"},
      {"\\device\\harddiskvolume1\\windows\\SYSTEM32\\config\\SOFTWARE",
       "C:\\windows\\SYSTEM32\\config\\SOFTWARE"},
      {"\\Device\\HarddiskVolume1\\WINDOWS\\system32\\config\\missing", ""},
      {"\\Device\\HarddiskVolume7\\WINDOWS\\system32\\config\\software", ""},
      {"", ""},
      // The object manager's names of drive paths, as user hives are listed.
      {"\\??\\C:\\WINDOWS\\system32\\config\\software", "C:\\WINDOWS\\system32\\config\\software"},
      {"\\??\\e:\\hives\\user.dat", "e:\\hives\\user.dat"},
      {"\\DosDevices\\D:\\hives\\sam", "D:\\hives\\sam"},
      {"\\??\\C:\\hives\\sam", ""},
      {"\\??\\UNC\\server\\share\\user.dat", ""},
      {"\\??\\Volume{1}\\hives\\sam", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(registry::HivePathToFilePath(sim.files(), c.path, false), c.expected) << c.path;
  }
}

TEST_F(HiveListTest, DeviceToDriveLetterSplitsVolumesAndPartitions) {
  struct Case {
    const char* path;
    const char* expected;
  } cases[] = {
      {"\\Device\\HarddiskVolume1\\a\\b", "c:\\a\\b"},
      {"Device\\HarddiskVolume1\\a", "c:\\a"},  // the leading backslash is added
      {"\\Device\\Harddisk0\\Partition1\\x", "d:\\x"},
      {"\\Device\\HarddiskVolume10\\x", "e:\\x"},
      {"\\Device\\HarddiskVolume1", "c:"},
      {"\\Device\\HarddiskVolume2\\x", ""},
      {"\\Device\\Floppy0\\x", ""},  // compared whole: no drive is that
  };
  for (const Case& c : cases) {
    EXPECT_EQ(registry::DeviceToDriveLetterPath(sim.files(), c.path), c.expected) << c.path;
  }
}

TEST_F(HiveListTest, ThirtyTwoBitProcessSeesTheSystemFolderThroughSysnative) {
  MakeSizedFile(sim, "C:\\WINDOWS\\sysnative\\config\\software", 10);
  EXPECT_EQ(registry::SysnativePath(sim.files(), "C:\\WINDOWS\\System32\\config\\software"),
            "C:\\WINDOWS\\sysnative\\config\\software");
  EXPECT_EQ(registry::SysnativePath(sim.files(), "C:\\WINDOWS\\system32\\config\\system"),
            "C:\\WINDOWS\\system32\\config\\system");
  EXPECT_EQ(
      registry::HivePathToFilePath(
          sim.files(), "\\Device\\HarddiskVolume1\\WINDOWS\\system32\\config\\software", true),
      "C:\\WINDOWS\\sysnative\\config\\software");
}

TEST_F(HiveListTest, ListKeepsStringValuesWithAFoundFileInOrder) {
  auto key = sim.registry().create(RootKey::LocalMachine, registry::kHiveListKey);
  ASSERT_TRUE(key.ok());
  auto& reg = sim.registry();
  ASSERT_TRUE(platform::WriteStringValue(reg, *key, "\\REGISTRY\\MACHINE\\SOFTWARE",
                                         "\\Device\\HarddiskVolume1\\WINDOWS\\system32\\config\\"
                                         "software")
                  .ok());
  ASSERT_TRUE(platform::WriteStringValue(reg, *key, "\\REGISTRY\\MACHINE\\HARDWARE", "").ok());
  ASSERT_TRUE(platform::WriteDwordValue(reg, *key, "\\REGISTRY\\MACHINE\\ODD", 1).ok());
  ASSERT_TRUE(platform::WriteStringValue(reg, *key, "\\REGISTRY\\MACHINE\\GONE",
                                         "\\Device\\HarddiskVolume1\\gone")
                  .ok());
  ASSERT_TRUE(platform::WriteStringValue(reg, *key, "\\REGISTRY\\USER\\S-1-5-21-7",
                                         "\\Device\\HarddiskVolume10\\hives\\user.dat",
                                         platform::RegType::ExpandString)
                  .ok());

  (void)reg.create(RootKey::LocalMachine, "SOFTWARE");
  (void)reg.create(RootKey::Users, "S-1-5-21-7");

  const registry::HiveList list = registry::BuildHiveList(reg, sim.hives(), sim.files(), false);
  EXPECT_EQ(list.keyNames, (std::vector<std::string>{"\\REGISTRY\\MACHINE\\SOFTWARE",
                                                     "\\REGISTRY\\USER\\S-1-5-21-7"}));
  EXPECT_EQ(list.files, (std::vector<std::string>{"C:\\WINDOWS\\system32\\config\\software",
                                                  "E:\\hives\\user.dat"}));
  EXPECT_EQ(list.rows,
            (std::vector<registry::HiveRow>{{"\\REGISTRY\\MACHINE\\SOFTWARE", ""},
                                            {"\\REGISTRY\\MACHINE\\HARDWARE", "no file"},
                                            {"\\REGISTRY\\MACHINE\\GONE", "file not found"},
                                            {"\\REGISTRY\\USER\\S-1-5-21-7", ""}}));

  reg.denyAccess(RootKey::LocalMachine, registry::kHiveListKey);
  const registry::HiveList none = registry::BuildHiveList(reg, sim.hives(), sim.files(), false);
  EXPECT_TRUE(none.keyNames.empty());
  EXPECT_TRUE(none.rows.empty());
}

TEST_F(HiveListTest, SaveReplacesAnEarlierCopyAndAsksForTheRightView) {
  (void)sim.registry().create(RootKey::LocalMachine, "SOFTWARE");
  (void)sim.registry().create(RootKey::LocalMachine, "SYSTEM");
  (void)sim.registry().create(RootKey::Users, "S-1-5-21-7_Classes");
  sim.hives().setSave(RootKey::LocalMachine, "SOFTWARE", 300);
  struct Case {
    const char* name;
    bool wow64;
    bool saved;
    RootKey root;
    const char* subKey;
    bool view64;
  } cases[] = {
      {"\\REGISTRY\\MACHINE\\SOFTWARE", true, true, RootKey::LocalMachine, "SOFTWARE", true},
      {"\\REGISTRY\\MACHINE\\SOFTWARE", false, true, RootKey::LocalMachine, "SOFTWARE", false},
      {"\\REGISTRY\\MACHINE\\SYSTEM", true, true, RootKey::LocalMachine, "SYSTEM", false},
      {"\\REGISTRY\\USER\\S-1-5-21-7_Classes", true, true, RootKey::Users, "S-1-5-21-7_Classes",
       false},
      {"\\REGISTRY\\MACHINE\\NOTLOADED", false, false, RootKey::LocalMachine, "NOTLOADED", false},
  };
  const std::string copy = "C:\\copy.fdc";
  for (const Case& c : cases) {
    sim.writeFile(copy, "an earlier copy");
    const auto before = sim.hives().saves().size();
    EXPECT_EQ(registry::SaveHiveCopy(sim.hives(), sim.files(), c.name, copy, c.wow64), c.saved)
        << c.name;
    EXPECT_EQ(sim.files().fileExists(copy), c.saved) << c.name;  // the old copy is gone
    if (!c.saved) continue;
    const auto saves = sim.hives().saves();
    ASSERT_EQ(saves.size(), before + 1);
    EXPECT_EQ(saves.back().root, c.root) << c.name;
    EXPECT_EQ(saves.back().subKey, c.subKey) << c.name;
    EXPECT_EQ(saves.back().view64, c.view64) << c.name;
  }
  EXPECT_EQ(registry::FileSizeOf(sim.files(), copy), 0U);
  EXPECT_TRUE(registry::SaveHiveCopy(sim.hives(), sim.files(), "\\REGISTRY\\MACHINE\\SOFTWARE",
                                     copy, false));
  EXPECT_EQ(registry::FileSizeOf(sim.files(), copy), 300U);
}

TEST_F(HiveListTest, ReplacementFreesTheBackupNameAndKeepsItWhenRefused) {
  (void)sim.registry().create(RootKey::LocalMachine, "SOFTWARE");
  const std::string hive = "C:\\WINDOWS\\system32\\config\\software";
  const std::string copy = hive + ".fdc", bak = hive + ".bak";
  const RegfImage whole(8192);
  sim.writeFile(copy, "compact");
  sim.writeFile(bak, "backup of an earlier compaction");
  const char* name = "\\REGISTRY\\MACHINE\\SOFTWARE";
  auto replace = [&] { return registry::ReplaceHive(sim.hives(), sim.files(), name, copy, bak); };

  // Not a hive file: not handed over, and the backup is not touched.
  EXPECT_TRUE(replace().notWhole);
  EXPECT_TRUE(sim.hives().replacements().empty());
  EXPECT_EQ(sim.readFile(bak), "backup of an earlier compaction");
  sim.writeFile(copy, std::string(whole.bytes.begin(), whole.bytes.end()));

  // Refused by the system: the earlier backup is back under its name.
  sim.faults().failOnce(sim::PortMethod::RegistryReplaceKey, 1, Errc::AccessDenied);
  EXPECT_FALSE(replace().scheduled);
  EXPECT_EQ(sim.readFile(bak), "backup of an earlier compaction");
  EXPECT_TRUE(sim.hives().replacements().empty());

  // The backup name cannot be freed: nothing is asked of the system.
  sim.faults().failOnce(sim::PortMethod::FilesMoveFile, 1, Errc::AccessDenied);
  EXPECT_FALSE(replace().scheduled);
  EXPECT_TRUE(sim.hives().replacements().empty());
  EXPECT_TRUE(sim.files().fileExists(hive));

  // Accepted: the name is free and the request recorded.
  EXPECT_TRUE(replace().scheduled);
  EXPECT_FALSE(sim.files().fileExists(bak));
  EXPECT_FALSE(sim.files().fileExists(bak + ".prev"));
  ASSERT_EQ(sim.hives().replacements().size(), 1U);
  EXPECT_EQ(sim.hives().replacements()[0].path, "SOFTWARE");
  EXPECT_EQ(sim.hives().replacements()[0].newFile, copy);
  EXPECT_EQ(sim.hives().replacements()[0].oldFile, bak);

  // A second request for the same hive before the restart is refused.
  EXPECT_FALSE(replace().scheduled);
  EXPECT_EQ(sim.hives().replacements().size(), 1U);
}

TEST_F(HiveListTest, SettingABackupAsideNeverReplacesANameTakenMeanwhile) {
  (void)sim.registry().create(RootKey::LocalMachine, "SOFTWARE");
  const std::string hive = "C:\\WINDOWS\\system32\\config\\software";
  const std::string copy = hive + ".fdc", bak = hive + ".bak";
  const RegfImage whole(8192);
  sim.writeFile(copy, std::string(whole.bytes.begin(), whole.bytes.end()));
  const char* name = "\\REGISTRY\\MACHINE\\SOFTWARE";
  // Another program writes `taken` right after the name was found free.
  std::string taken;
  sim.files().setBeforeMove([&](std::string_view, std::string_view to) {
    if (to == taken) sim.writeFile(taken, "another program's file");
  });
  struct Case {
    const char* what;
    std::string taken;
    bool refused;
    bool scheduled;
    std::string stranded;
  } cases[] = {
      {"the first aside name", bak + ".prev", false, true, ""},
      {"the backup name, while the system refused", bak, true, false, bak + ".prev"},
  };
  for (const Case& c : cases) {
    sim.writeFile(bak, "backup of an earlier compaction");
    (void)sim.files().deleteFile(bak + ".prev");
    taken = c.taken;
    if (c.refused)
      sim.faults().failOnce(sim::PortMethod::RegistryReplaceKey, 1, Errc::AccessDenied);
    const registry::ReplaceOutcome outcome =
        registry::ReplaceHive(sim.hives(), sim.files(), name, copy, bak);
    EXPECT_EQ(outcome.scheduled, c.scheduled) << c.what;
    EXPECT_EQ(outcome.strandedBackup, c.stranded) << c.what;
    EXPECT_EQ(sim.readFile(c.taken), "another program's file") << c.what;
    if (!c.stranded.empty()) {
      EXPECT_EQ(sim.readFile(c.stranded), "backup of an earlier compaction") << c.what;
    }
    sim.hives().releaseScheduled();
  }
}

}  // namespace
}  // namespace nc::test
