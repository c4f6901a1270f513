// Removal of registry keys and values on the substitute registry: what a
// key and a value count, the log lines, keys that cannot be deleted, and
// root names.
#include "cleaner/remove_registry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "clean_fixture.h"

namespace nc::testing {
namespace {

using platform::RootKey;

class RegistryRemovalTest : public CleanFixture {
 protected:
  void SetUp() override {
    sim.registry().loadRegText(
        "REGEDIT4\n\n"
        "[HKEY_CURRENT_USER\\Software\\Test\\Tree]\n"
        "\"a\"=\"1\"\n"
        "\"b\"=dword:00000002\n"
        "[HKEY_CURRENT_USER\\Software\\Test\\Tree\\Child]\n"
        "\"c\"=\"3\"\n"
        "[HKEY_CURRENT_USER\\Software\\Test\\Tree\\Child\\Grand]\n"
        "\"d\"=\"4\"\n"
        "\"e\"=\"5\"\n"
        "[HKEY_CURRENT_USER\\Software\\Test\\Tree\\Bare]\n"
        "[HKEY_CURRENT_USER\\Software\\Test\\Empty]\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Test\\Machine]\n"
        "\"m\"=\"1\"\n");
  }
  bool Key(std::string_view path, RootKey root = RootKey::CurrentUser) {
    return sim.registry().keyExists(root, path);
  }
};

TEST_F(RegistryRemovalTest, KeyCountsAreTheValuesOfTheTreeTakenBeforeDeletion) {
  EXPECT_EQ(cleaner::CountKeyValues(TestRun(), RootKey::CurrentUser, "Software\\Test\\Tree"), 5);
  EXPECT_EQ(cleaner::CountKeyValues(*run, RootKey::CurrentUser, "Software\\Test\\Missing"), 0);

  // A sub-key that cannot be opened or read is left out, its siblings are
  // still counted.
  sim.registry().loadRegText(
      "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Locked\\A]\n\"v\"=\"1\"\n"
      "[HKEY_CURRENT_USER\\Software\\Locked\\B]\n\"v\"=\"1\"\n");
  sim.registry().denyAccess(RootKey::CurrentUser, "Software\\Locked\\B");
  EXPECT_EQ(cleaner::CountKeyValues(*run, RootKey::CurrentUser, "Software\\Locked"), 1);
  sim.registry().allowAccess(RootKey::CurrentUser, "Software\\Locked\\B");
  sim.faults().failOnce(sim::PortMethod::RegistryInfo, 1, Errc::AccessDenied, "Locked\\B");
  EXPECT_EQ(cleaner::CountKeyValues(*run, RootKey::CurrentUser, "Software\\Locked"), 1);

  // Keys are counted down to 512 levels below the key, no deeper.
  std::string deep = "Software\\Deep";
  std::string text = "REGEDIT4\n\n";
  for (int level = 1; level <= 513; ++level) {
    deep += "\\k";
    if (level >= 512) text += "[HKEY_CURRENT_USER\\" + deep + "]\n\"v\"=\"1\"\n";
  }
  sim.registry().loadRegText(text);
  EXPECT_EQ(cleaner::CountKeyValues(*run, RootKey::CurrentUser, "Software\\Deep"), 1);

  EXPECT_EQ(cleaner::DeleteKeyByRootName(*run, "hkey_current_user", "Software\\Test\\Tree"), 5);
  EXPECT_TRUE(Key("Software\\Test\\Tree"));
  EXPECT_EQ(log.lines(), (std::vector<std::string>{
                             "Test: deleting registry key HKEY_CURRENT_USER\\Software\\Test\\Tree",
                         }));
  EXPECT_EQ(log.scrolls(), 1);  // registry lines scroll at once

  EXPECT_EQ(
      cleaner::DeleteKeyByRootName(CleanModeRun(), "HKEY_CURRENT_USER", "Software\\Test\\Tree"), 5);
  EXPECT_FALSE(Key("Software\\Test\\Tree"));
  EXPECT_TRUE(Key("Software\\Test"));

  // A key without values counts 1, a missing key 0; abbreviations and
  // other texts do nothing.
  EXPECT_EQ(cleaner::DeleteUserKey(*run, RootKey::CurrentUser, "Software\\Test\\Empty"), 1);
  EXPECT_EQ(cleaner::DeleteUserKey(*run, RootKey::CurrentUser, "Software\\Test\\Missing"), 0);
  EXPECT_EQ(cleaner::DeleteKeyByRootName(*run, "HKLM", "Software\\Test\\Machine"), 0);
  EXPECT_EQ(cleaner::DeleteKeyByRootName(*run, "HKEY_LOCAL", "Software\\Test\\Machine"), 0);
  EXPECT_TRUE(Key("Software\\Test\\Machine", RootKey::LocalMachine));
  EXPECT_TRUE(log.hasLine("Clean: deleting registry key HKEY_CURRENT_USER\\Software\\Test\\Empty"));
}

TEST_F(RegistryRemovalTest, RegistryLinksCountAsOneEntryAndGoAsLinks) {
  // One link points at a key elsewhere with values of its own, another
  // back at the tree's own root: each counts once and is never entered.
  sim.registry().addLink(RootKey::CurrentUser, "Software\\Test\\Tree\\ToMachine",
                         RootKey::LocalMachine, "Software\\Test\\Machine");
  sim.registry().addLink(RootKey::CurrentUser, "Software\\Test\\Tree\\Child\\Loop",
                         RootKey::CurrentUser, "Software\\Test\\Tree");
  EXPECT_EQ(cleaner::CountKeyValues(TestRun(), RootKey::CurrentUser, "Software\\Test\\Tree"), 7);
  // The count of a link alone, and of a chain of links that ends nowhere.
  EXPECT_EQ(cleaner::CountKeyValues(*run, RootKey::CurrentUser, "Software\\Test\\Tree\\ToMachine"),
            1);
  sim.registry().addLink(RootKey::CurrentUser, "Software\\Test\\Self", RootKey::CurrentUser,
                         "Software\\Test\\Self");
  EXPECT_EQ(cleaner::CountKeyValues(*run, RootKey::CurrentUser, "Software\\Test\\Self"), 1);

  EXPECT_EQ(
      cleaner::DeleteKeyByRootName(CleanModeRun(), "HKEY_CURRENT_USER", "Software\\Test\\Tree"), 7);
  EXPECT_FALSE(Key("Software\\Test\\Tree"));
  EXPECT_TRUE(sim.registry().value(RootKey::LocalMachine, "Software\\Test\\Machine", "m"));
}

TEST_F(RegistryRemovalTest, AKeyThatCannotBeDeletedIsStillCountedAndTheRootIsNeverDeleted) {
  sim.registry().denyWrite(RootKey::CurrentUser, "Software\\Test");
  EXPECT_EQ(cleaner::DeleteUserKey(CleanModeRun(), RootKey::CurrentUser, "Software\\Test\\Tree"),
            5);
  EXPECT_TRUE(Key("Software\\Test\\Tree"));
  sim.registry().allowAccess(RootKey::CurrentUser, "Software\\Test");
  sim.faults().failOnce(sim::PortMethod::RegistryDeleteTree, 1, Errc::AccessDenied);
  EXPECT_EQ(cleaner::DeleteUserKey(*run, RootKey::CurrentUser, "\\Software\\Test\\Tree\\"), 5);
  EXPECT_TRUE(Key("Software\\Test\\Tree"));

  // An empty key path would name the root itself.
  EXPECT_EQ(cleaner::DeleteUserKey(*run, RootKey::CurrentUser, ""), 0);
  EXPECT_EQ(cleaner::DeleteKeyByRootName(*run, "HKEY_CURRENT_USER", "\\"), 0);
  EXPECT_EQ(cleaner::DeleteValuesByRootName(*run, "HKEY_CURRENT_USER", "", ""), 0);
  EXPECT_TRUE(Key("Software\\Test\\Tree\\Child\\Grand"));
}

TEST_F(RegistryRemovalTest, TheItemRecordHoldsWhatWentAndWhatStayedWithWhy) {
  cleaner::CleanRun& clean = CleanModeRun();
  sim.faults().failOnce(sim::PortMethod::RegistryDeleteValue, 2, Errc::AccessDenied);
  // a goes, b stays; the sub-keys go as trees: Bare (1), Child (3 values).
  EXPECT_EQ(cleaner::DeleteValuesByRootName(clean, "HKEY_CURRENT_USER", "Software\\Test\\Tree", ""),
            6);
  const cleaner::CleanItemRecord& record = clean.ItemRecord;
  EXPECT_EQ(record.registryEntries, 1 + 1 + 3);
  ASSERT_EQ(record.failures.size(), 1u);
  EXPECT_EQ(record.failures[0].target, "HKEY_CURRENT_USER\\Software\\Test\\Tree\\b");
  EXPECT_NE(record.failures[0].reason.find("access denied"), std::string::npos);

  // A key tree that cannot be deleted is named with its root.
  sim.faults().failOnce(sim::PortMethod::RegistryDeleteTree, 1, Errc::AccessDenied);
  EXPECT_EQ(cleaner::DeleteUserKey(clean, RootKey::CurrentUser, "Software\\Test\\Empty"), 1);
  EXPECT_EQ(record.registryEntries, 5);
  ASSERT_EQ(record.failures.size(), 2u);
  EXPECT_EQ(record.failures[1].target, "HKEY_CURRENT_USER\\Software\\Test\\Empty");

  // The item's record is filed under its run name and a new one begins.
  cleaner::CleanRecord filed;
  clean.env().record = &filed;
  clean.FileItemRecord("Windows - Start Run");
  ASSERT_EQ(filed.items.size(), 1u);
  EXPECT_EQ(filed.items[0].runName, "Windows - Start Run");
  EXPECT_EQ(filed.items[0].registryEntries, 5);
  EXPECT_EQ(clean.ItemRecord.registryEntries, 0);

  // The first 100 failures of an item are kept, the rest only counted.
  for (std::size_t i = 0; i <= cleaner::CleanItemRecord::kMaxFailures; ++i) {
    clean.NoteFailure("C:\\f" + std::to_string(i),
                      Error{Errc::SharingViolation, "delete file", ""});
  }
  EXPECT_EQ(clean.ItemRecord.failures.size(), cleaner::CleanItemRecord::kMaxFailures);
  EXPECT_EQ(clean.ItemRecord.failuresLeftOut, 1u);
  EXPECT_EQ(clean.ItemRecord.FailureCount(), cleaner::CleanItemRecord::kMaxFailures + 1);
  EXPECT_EQ(clean.ItemRecord.failures.back().reason, "delete file: in use");
}

TEST_F(RegistryRemovalTest, ValuesAreCountedOneEachAndTheKeyStays) {
  // One named value.
  EXPECT_EQ(
      cleaner::DeleteValuesByRootName(TestRun(), "HKEY_CURRENT_USER", "Software\\Test\\Tree", "a"),
      1);
  EXPECT_EQ(
      cleaner::DeleteValuesByRootName(*run, "HKEY_CURRENT_USER", "Software\\Test\\Tree", "zz"), 0);
  EXPECT_EQ(cleaner::DeleteValuesByRootName(*run, "HKEY_CURRENT_USER", "Software\\Nope", "a"), 0);
  EXPECT_EQ(log.lines(),
            (std::vector<std::string>{
                "Test: deleting registry value HKEY_CURRENT_USER\\Software\\Test\\Tree\\a"}));
  EXPECT_TRUE(sim.registry().value(RootKey::CurrentUser, "Software\\Test\\Tree", "a"));

  // Every value, then every sub-key as a key (the root name as written
  // for values, upper-cased for keys).
  log.clear();
  const auto tested =
      cleaner::DeleteValuesByRootName(TestRun(), "Hkey_Current_User", "Software\\Test\\Tree", "");
  EXPECT_EQ(tested, 2 + 3 + 1);  // a, b; Child's tree; Bare counts 1
  EXPECT_EQ(log.lines(),
            (std::vector<std::string>{
                "Test: deleting registry value Hkey_Current_User\\Software\\Test\\Tree\\a",
                "Test: deleting registry value Hkey_Current_User\\Software\\Test\\Tree\\b",
                "Test: deleting registry key HKEY_CURRENT_USER\\Software\\Test\\Tree\\Bare",
                "Test: deleting registry key HKEY_CURRENT_USER\\Software\\Test\\Tree\\Child",
            }));
  const auto cleaned =
      cleaner::DeleteUserValues(CleanModeRun(), RootKey::CurrentUser, "Software\\Test\\Tree", "");
  EXPECT_EQ(cleaned, tested);
  EXPECT_TRUE(Key("Software\\Test\\Tree"));
  EXPECT_FALSE(Key("Software\\Test\\Tree\\Child"));
  EXPECT_EQ(sim.registry().saveRegText(RootKey::CurrentUser, "Software\\Test\\Tree")->find("\"a\""),
            std::string::npos);

  // Values that cannot be deleted still count.
  sim.registry().loadRegText("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Ro]\n\"v\"=\"1\"\n");
  sim.registry().denyWrite(RootKey::CurrentUser, "Software\\Ro");
  EXPECT_EQ(cleaner::DeleteUserValues(*run, RootKey::CurrentUser, "Software\\Ro", "v"), 1);
  EXPECT_TRUE(sim.registry().value(RootKey::CurrentUser, "Software\\Ro", "v"));
  EXPECT_EQ(cleaner::DeleteValuesByRootName(*run, "HKCU", "Software\\Ro", ""), 0);
}

}  // namespace
}  // namespace nc::testing
