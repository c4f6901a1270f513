// The whole-hive walks, Shared DLLs and Software Locations, the walk's
// exclusions, order and stop, and the walk on bad registry data.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "registry/locations.h"
#include "registry/registry_walk.h"
#include "registry/sections.h"
#include "sections_fixture.h"

namespace nc::testing {
namespace {

using platform::RegType;
using platform::RootKey;
using registry::ProblemKind;

constexpr const char* kMissing = "Non-existent File or Folder";

std::uint32_t T(RegType type) {
  return static_cast<std::uint32_t>(type);
}

class HiveWalk : public SectionsTest {};

TEST_F(HiveWalk, ReportsMissingFilesOfStringValuesOnlyWithTheirKind) {
  File("C:\\Apps\\tool.exe");
  Folder("C:\\Data");
  Reg(R"([HKEY_LOCAL_MACHINE\Software\Vendor]
"Present"="C:\\Apps\\tool.exe /run"
"Gone"="C:\\Apps\\gone.exe"
"Folder"="C:\\Data"
"Expand"=hex(2):43,3a,5c,78,2e,64,6c,6c,00
"Binary"=hex:43,3a,5c,79,2e,64,6c,6c
"Count"=dword:00000000
"C:\\Apps\\lib.dll"="C:\\Apps\\lib.dll"
"C:\\Apps\\tool.exe"="C:\\Apps\\tool.exe"
"NotAPath"="hello world"
"OtherDrive"="D:\\x.exe"
)");
  registry::ScanHiveFilesAndFolders(ctx, RootKey::LocalMachine);

  EXPECT_EQ(sink.statuses, std::vector<std::string>{"Scanning: HKEY_LOCAL_MACHINE"});
  const std::vector<registry::ProblemEntry> expected = {
      Entry(kMissing, "C:\\Apps\\gone.exe", "HKEY_LOCAL_MACHINE\\Software\\Vendor\\Gone",
            ProblemKind::ValuePath),
      Entry(kMissing, "C:\\x.dll", "HKEY_LOCAL_MACHINE\\Software\\Vendor\\Expand",
            ProblemKind::ValuePath),
      // A value named by a path: the name is the data, the key the location.
      Entry(kMissing, "C:\\Apps\\lib.dll", "HKEY_LOCAL_MACHINE\\Software\\Vendor",
            ProblemKind::ValueInKey),
  };
  EXPECT_EQ(Problems(), expected);
}

// The walk remembers what exists and passes over strings that cannot
// name a scanned path; it must judge exactly as the path test does.
TEST_F(HiveWalk, JudgesEveryStringAsThePathTestDoes) {
  File("C:\\Apps\\tool.exe");
  File("C:\\Apps\\run.bat");
  File("C:\\Apps\\Sub\\deep.dll");
  Folder("C:\\Data\\Empty");
  const std::vector<std::string> texts = {
      "C:\\Apps\\tool.exe",
      "c:\\apps\\TOOL.EXE -x",
      "\"C:\\Apps\\tool.exe\" /s",
      "\"C:\\Apps\\gone.exe\" /s",
      "C:\\Apps\\run",
      "C:\\Apps\\run.bat;",
      "C:\\Apps\\Sub\\deep.dll,1",
      "C:\\Apps\\Sub\\gone.dll,1",
      "C:\\Apps\\Gone\\x.exe",
      "C:\\Apps\\Gone\\Deeper\\x.exe",
      "C:\\Apps\\Gone\\..\\tool.exe",
      "C:\\Apps\\Gone/../tool.exe",
      "C:\\Missing\\..\\Apps\\tool.exe",
      "C:\\Data\\Empty",
      "C:\\Data\\Empty\\",
      "C:\\Data\\Gone\\",
      "C:\\Data",
      "%SystemRoot%\\gone.exe",
      "%SystemRoot%\\system32",
      "%Undefined%\\x.exe",
      "\"%ProgramFiles%\\App\\app.exe\"",
      "D:\\Apps\\tool.exe",
      "Apps\\tool.exe",
      " C:\\Apps\\gone.exe",
      "\"\"",
      "\"",
      "C:",
      "C:\\",
      "C:\\Apps\\tool.exe C:\\Apps\\gone.exe",
      "rundll32.exe C:\\Apps\\gone.dll,Run",
  };
  auto key = sim.registry().create(RootKey::CurrentUser, "Software\\Judge");
  ASSERT_TRUE(key.ok());
  std::vector<std::string> expected;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    ASSERT_TRUE(
        platform::WriteStringValue(sim.registry(), *key, "v" + std::to_string(i), texts[i]).ok());
    if (registry::FileReferenceMissing(ctx.pathTest, texts[i], {}, true)) {
      expected.push_back(texts[i]);
    }
  }
  ASSERT_GE(expected.size(), 6u);  // the list holds missing ones of every shape
  registry::ScanHiveFilesAndFolders(ctx, RootKey::CurrentUser);
  std::vector<std::string> found;
  for (const auto& p : Problems()) found.push_back(p.Data);
  EXPECT_EQ(found, expected);
}

TEST_F(HiveWalk, GoesDepthFirstWithValuesBeforeSubKeysAndShowsEachKey) {
  Reg(R"([HKEY_CURRENT_USER\B]
"v"="C:\\b.exe"
[HKEY_CURRENT_USER\B\Inner]
"v"="C:\\b-inner.exe"
[HKEY_CURRENT_USER\A]
"v"="C:\\a.exe"
[HKEY_CURRENT_USER\A\Inner]
"v"="C:\\a-inner.exe"
)");
  registry::ScanHiveFilesAndFolders(ctx, RootKey::CurrentUser);
  std::vector<std::string> data;
  for (const auto& p : Problems()) data.push_back(p.Data);
  EXPECT_EQ(data, (std::vector<std::string>{"C:\\a.exe", "C:\\a-inner.exe", "C:\\b.exe",
                                            "C:\\b-inner.exe"}));
  EXPECT_EQ(sink.keyLines, (std::vector<std::string>{"", "A", "A\\Inner", "B", "B\\Inner"}));
  EXPECT_EQ(Problems()[0].RegistryKey, "HKEY_CURRENT_USER\\A\\v");
}

TEST_F(HiveWalk, MachineWalkLeavesOutTheKeysOfOtherSections) {
  std::string reg;
  for (std::string_view key : registry::kMachineWalkExclusions) {
    reg += "[HKEY_LOCAL_MACHINE\\" + std::string(key) + "\\Sub]\n\"v\"=\"C:\\\\nope.exe\"\n";
  }
  reg += R"([HKEY_LOCAL_MACHINE\Software\Wow6432Node\Wow6432Node\X]
"v"="C:\\wow-twice.exe"
[HKEY_LOCAL_MACHINE\Software\Wow6432Node\X]
"v"="C:\\wow-once.exe"
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\RunServices]
"v"="C:\\runservices.exe"
[HKEY_LOCAL_MACHINE\System\Other]
"v"="C:\\outside.exe"
)";
  Reg(reg);
  // The exclusions compare without regard to letter case.
  Reg(R"([HKEY_LOCAL_MACHINE\SOFTWARE\MICROSOFT\WINDOWS\HELP]
"v"="C:\\help.exe"
)");
  registry::ScanHiveFilesAndFolders(ctx, RootKey::LocalMachine);
  std::vector<std::string> data;
  for (const auto& p : Problems()) data.push_back(p.Data);
  EXPECT_EQ(data, (std::vector<std::string>{"C:\\runservices.exe", "C:\\wow-once.exe"}));
}

TEST_F(HiveWalk, UserWalkLeavesOutListBButTheOtherWalksDoNot) {
  std::string reg;
  for (std::string_view key : registry::kUserWalkExclusions) {
    reg += "[HKEY_CURRENT_USER\\" + std::string(key) + "]\n\"v\"=\"C:\\\\user.exe\"\n";
    reg += "[HKEY_USERS\\S-1-5-21\\" + std::string(key) + "]\n\"v\"=\"C:\\\\users.exe\"\n";
  }
  reg +=
      "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer]\n"
      "\"v\"=\"C:\\\\explorer.exe\"\n";
  Reg(reg);
  registry::ScanHiveFilesAndFolders(ctx, RootKey::CurrentUser);
  ASSERT_EQ(Problems().size(), 1u);
  EXPECT_EQ(Problems()[0].Data, "C:\\explorer.exe");

  sink.problems.clear();
  registry::ScanHiveFilesAndFolders(ctx, RootKey::Users);
  EXPECT_EQ(Problems().size(), registry::kUserWalkExclusions.size());
  EXPECT_EQ(sink.statuses.back(), "Scanning: HKEY_USERS");
}

TEST_F(HiveWalk, ClassesRootWalkStartsAtTheRootAndValuesThereGetTwoBackslashes) {
  Reg(R"([HKEY_CLASSES_ROOT\.xyz]
@="C:\\handler.exe"
)");
  auto root = sim.registry().open(RootKey::ClassesRoot, "", platform::RegAccess::Full);
  ASSERT_TRUE(root.ok());
  ASSERT_TRUE(platform::WriteStringValue(sim.registry(), *root, "Top", "C:\\top.exe").ok());
  registry::ScanHiveFilesAndFolders(ctx, RootKey::ClassesRoot);
  const std::vector<registry::ProblemEntry> expected = {
      Entry(kMissing, "C:\\top.exe", "HKEY_CLASSES_ROOT\\\\Top", ProblemKind::ValuePath),
      Entry(kMissing, "C:\\handler.exe", "HKEY_CLASSES_ROOT\\.xyz\\", ProblemKind::ValuePath),
  };
  EXPECT_EQ(Problems(), expected);
  EXPECT_EQ(sink.statuses, std::vector<std::string>{"Scanning: HKEY_CLASSES_ROOT"});
}

TEST_F(HiveWalk, StopsAtTheNextKeyOrValueOnceAStopIsRequested) {
  Reg(R"([HKEY_CURRENT_USER\A]
"1"="C:\\1.exe"
"2"="C:\\2.exe"
[HKEY_CURRENT_USER\B]
"3"="C:\\3.exe"
)");
  sink.onKeyLine = [&](std::string_view line) {
    if (line == "A") stop = true;
  };
  registry::ScanHiveFilesAndFolders(ctx, RootKey::CurrentUser);
  EXPECT_TRUE(Problems().empty());
  EXPECT_EQ(sink.keyLines, (std::vector<std::string>{"", "A"}));

  // Requested before the section: nothing is read.
  sink.keyLines.clear();
  registry::ScanHiveFilesAndFolders(ctx, RootKey::CurrentUser);
  EXPECT_TRUE(sink.keyLines.empty());
}

TEST_F(HiveWalk, BadDataNeverStopsTheWalk) {
  auto& reg = sim.registry();
  auto key = reg.create(RootKey::LocalMachine, "Software\\Bad");
  ASSERT_TRUE(key.ok());
  auto utf16 = [](std::string_view text) {
    std::vector<std::uint8_t> bytes;
    for (char c : text) {
      bytes.push_back(static_cast<std::uint8_t>(c));
      bytes.push_back(0);
    }
    return bytes;
  };
  // Text after an embedded NUL is not part of the string.
  auto embedded = utf16(std::string("C:\\nul.exe\0C:\\hidden.exe", 25));
  embedded.insert(embedded.end(), {0, 0});
  ASSERT_TRUE(reg.writeValue(*key, "Embedded", T(RegType::String), embedded).ok());
  // No terminating NUL, and an odd byte count.
  auto unterminated = utf16("C:\\open.exe");
  unterminated.push_back('x');
  ASSERT_TRUE(reg.writeValue(*key, "Unterminated", T(RegType::ExpandString), unterminated).ok());
  // One megabyte of path-like text.
  std::string huge = "C:\\";
  while (huge.size() < 512 * 1024) huge += "dir\\sub dir;";
  ASSERT_TRUE(reg.writeValue(*key, "Huge", T(RegType::String), platform::StringData(huge)).ok());
  ASSERT_TRUE(reg.writeValue(*key, "Empty", T(RegType::String), {}).ok());
  ASSERT_TRUE(
      reg.writeValue(*key, "OneByte", T(RegType::String), std::vector<std::uint8_t>{'C'}).ok());
  // Names with backslashes and odd characters.
  ASSERT_TRUE(platform::WriteStringValue(reg, *key, "C:\\odd\\name\\", "C:\\name.exe").ok());
  ASSERT_TRUE(platform::WriteStringValue(reg, *key, "\\", "C:\\slash.exe").ok());
  ASSERT_TRUE(reg.create(RootKey::LocalMachine, "Software\\Later").ok());
  Reg(R"([HKEY_LOCAL_MACHINE\Software\Later]
"v"="C:\\later.exe"
)");

  registry::ScanHiveFilesAndFolders(ctx, RootKey::LocalMachine);
  std::vector<std::pair<std::string, std::string>> found;
  for (const auto& p : Problems()) found.emplace_back(p.Data, p.RegistryKey);
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"C:\\nul.exe", "HKEY_LOCAL_MACHINE\\Software\\Bad\\Embedded"},
      {"C:\\open.exe", "HKEY_LOCAL_MACHINE\\Software\\Bad\\Unterminated"},
      {"C:\\odd\\name\\", "HKEY_LOCAL_MACHINE\\Software\\Bad"},
      {"\\", "HKEY_LOCAL_MACHINE\\Software\\Bad"},
      {"C:\\later.exe", "HKEY_LOCAL_MACHINE\\Software\\Later\\v"},
  };
  // The huge value cannot name a file; whether it is judged missing is up
  // to the path test, but it must not hold the walk up or crash it.
  std::erase_if(found, [](const auto& p) { return p.first.size() > 1000; });
  EXPECT_EQ(found, expected);
}

TEST_F(HiveWalk, DeepKeysAreWalkedWithoutRecursionAndRefusedKeysAreSkipped) {
  std::string path = "Software\\Deep";
  for (int i = 0; i < 500; ++i) path += "\\k" + std::to_string(i);
  auto deep = sim.registry().create(RootKey::LocalMachine, path);
  ASSERT_TRUE(deep.ok());
  ASSERT_TRUE(platform::WriteStringValue(sim.registry(), *deep, "v", "C:\\deep.exe").ok());
  Reg(R"([HKEY_LOCAL_MACHINE\Software\Locked\Inner]
"v"="C:\\locked.exe"
[HKEY_LOCAL_MACHINE\Software\Next]
"v"="C:\\next.exe"
)");
  sim.registry().denyAccess(RootKey::LocalMachine, "Software\\Locked");

  registry::ScanHiveFilesAndFolders(ctx, RootKey::LocalMachine);
  ASSERT_EQ(Problems().size(), 2u);
  EXPECT_EQ(Problems()[0].RegistryKey, "HKEY_LOCAL_MACHINE\\" + path + "\\v");
  EXPECT_EQ(Problems()[1].Data, "C:\\next.exe");
  EXPECT_EQ(sim.registry().openHandleCount(), 1u);  // only `deep` is still open
}

TEST_F(HiveWalk, KeyContentCountFollowsSingleChildChains) {
  Reg(R"([HKEY_CURRENT_USER\Software\Chain\a\b\c]
[HKEY_CURRENT_USER\Software\Fork\a]
[HKEY_CURRENT_USER\Software\Fork\b]
[HKEY_CURRENT_USER\Software\ValueDeep\a\b]
"x"=dword:00000001
[HKEY_CURRENT_USER\Software\Default]
@=""
[HKEY_CURRENT_USER\Software\Empty]
)");
  auto& reg = sim.registry();
  EXPECT_EQ(registry::KeyContentCount(reg, RootKey::CurrentUser, "Software\\Chain"), 0u);
  EXPECT_EQ(registry::KeyContentCount(reg, RootKey::CurrentUser, "Software\\Fork"), 2u);
  EXPECT_EQ(registry::KeyContentCount(reg, RootKey::CurrentUser, "Software\\ValueDeep"), 1u);
  EXPECT_EQ(registry::KeyContentCount(reg, RootKey::CurrentUser, "Software\\Default"), 1u);
  EXPECT_EQ(registry::KeyContentCount(reg, RootKey::CurrentUser, "Software\\Empty"), 0u);
  EXPECT_EQ(registry::KeyContentCount(reg, RootKey::CurrentUser, "Software\\Missing"), 0u);
  // A key that cannot be opened with full access counts as empty.
  reg.denyWrite(RootKey::CurrentUser, "Software\\ValueDeep\\a");
  EXPECT_EQ(registry::KeyContentCount(reg, RootKey::CurrentUser, "Software\\ValueDeep"), 0u);
}

class SharedDlls : public SectionsTest {};

TEST_F(SharedDlls, ReportsMissingFilesAndZeroCountsByValueName) {
  File("C:\\Windows\\system32\\used.dll");
  File("C:\\Windows\\system32\\unused.dll");
  Reg(R"([HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\SharedDlls]
"C:\\Windows\\system32\\used.dll"=dword:00000003
"C:\\Windows\\system32\\unused.dll"=dword:00000000
"C:\\Windows\\system32\\gone.dll"=dword:00000002
"C:\\Windows\\system32\\string.dll"="1"
"D:\\elsewhere.dll"=dword:00000001
"A:\\floppy.dll"=dword:00000001
)");
  registry::ScanSharedDlls(ctx);
  const std::string key =
      "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDlls";
  const std::vector<registry::ProblemEntry> expected = {
      Entry("Non-existent Shared Dlls", "C:\\Windows\\system32\\unused.dll", key,
            ProblemKind::ValueInKey),
      Entry("Non-existent Shared Dlls", "C:\\Windows\\system32\\gone.dll", key,
            ProblemKind::ValueInKey),
  };
  EXPECT_EQ(Problems(), expected);
  EXPECT_EQ(sink.statuses, std::vector<std::string>{"Scanning: Shared DLLs"});

  // Reporting removable drives: a path on an empty A: is missing at once.
  sink.problems.clear();
  ctx.pathTest.IncludeRemoveMedia = false;
  ctx.pathTest.ScannedDrives = "abcdefghijklmnopqrstuvwxyz";
  registry::ScanSharedDlls(ctx);
  ASSERT_EQ(Problems().size(), 4u);
  EXPECT_EQ(Problems()[2].Data, "D:\\elsewhere.dll");
  EXPECT_EQ(Problems()[3].Data, "A:\\floppy.dll");
}

TEST_F(SharedDlls, RowsKeepTheExactNameWhereTheTextCannotCarryIt) {
  const std::string key = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDlls";
  std::u16string hidden = u"C:\\gone";
  hidden += static_cast<char16_t>(0xD800);
  const auto zero = platform::DwordData(0);
  ASSERT_TRUE(sim.registry().writeExactValue(RootKey::LocalMachine, key, hidden, 4, zero));
  ASSERT_TRUE(sim.registry().writeExactValue(RootKey::LocalMachine, key, u"C:\\plain", 4, zero));
  registry::ScanSharedDlls(ctx);
  ASSERT_EQ(Problems().size(), 2u);
  EXPECT_EQ(Problems()[0].Data, "C:\\gone\xEF\xBF\xBD");
  EXPECT_TRUE(Problems()[0].ValueName == hidden);
  EXPECT_FALSE(Problems()[1].ValueName.has_value());
}

class SoftwareLocations : public SectionsTest {};

TEST_F(SoftwareLocations, WalksAppPathsWithItsOwnProblemText) {
  File("C:\\Program Files\\App\\app.exe");
  Reg(R"([HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\App Paths\app.exe]
@="C:\\Program Files\\App\\app.exe"
"Path"="C:\\Program Files\\App"
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\App Paths\old.exe]
@="C:\\Program Files\\Old\\old.exe"
"Path"="C:\\Program Files\\Old\\"
)");
  registry::ScanSoftwareLocations(ctx);
  const std::string key =
      "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\old.exe";
  const std::vector<registry::ProblemEntry> expected = {
      Entry("Software Locations Issue", "C:\\Program Files\\Old\\old.exe", key + "\\",
            ProblemKind::ValuePath),
      Entry("Software Locations Issue", "C:\\Program Files\\Old\\", key + "\\Path",
            ProblemKind::ValuePath),
  };
  EXPECT_EQ(Problems(), expected);
  EXPECT_EQ(sink.statuses, std::vector<std::string>{"Scanning: Software Locations"});
}

}  // namespace
}  // namespace nc::testing
