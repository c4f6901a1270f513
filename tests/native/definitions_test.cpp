// The list sections of "kvrn.dat" and "Custom.dat": registry and file
// entries, the folder macros, the administrator rule and bad input.
#include "cleaner/definitions.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <string_view>

#include "clean_fixture.h"
#include "cleaner/run_mode.h"
#include "platform/registry.h"

namespace nc::cleaner {
namespace {

using platform::RootKey;
using sim::SimPrompts;

constexpr const char* kLocal = "C:\\Users\\user\\AppData\\Local";
constexpr const char* kRoaming = "C:\\Users\\user\\AppData\\Roaming";
constexpr const char* kCommon = "C:\\ProgramData";
constexpr const char* kAdminNotice = "You must have administrators user.";

// A definitions file as the editor writes it: lines ended by CR LF.
std::string Dat(std::initializer_list<std::string_view> lines) {
  std::string text;
  for (const auto line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

class DefinitionsTest : public testing::CleanFixture {
 protected:
  void SetUp() override {
    sim.registry().loadRegText(
        "REGEDIT4\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion]\r\n"
        "\"ProgramFilesDir\"=\"C:\\\\Program Files\"\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell "
        "Folders]\r\n"
        "\"Common AppData\"=\"C:\\\\ProgramData\"\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell "
        "Folders]\r\n"
        "\"Local AppData\"=\"C:\\\\Users\\\\user\\\\AppData\\\\Local\"\r\n"
        "\"AppData\"=\"C:\\\\Users\\\\user\\\\AppData\\\\Roaming\"\r\n\r\n");
  }

  // Writes `text` as kvrn.dat and runs `runName` in the given mode.
  CleanRun& Run(std::string_view text, std::string_view runName, bool testMode) {
    EXPECT_TRUE(WriteProgramFile("kvrn.dat", text));
    CleanRun& r = MakeRun(testMode);
    RunListSection(r, "kvrn.dat", runName);
    return r;
  }

  void Key(RootKey root, std::string_view path, std::initializer_list<std::string_view> names) {
    auto key = sim.registry().create(root, path);
    ASSERT_TRUE(key.ok());
    for (const auto name : names) {
      ASSERT_TRUE(platform::WriteStringValue(sim.registry(), *key, name, "x").ok());
    }
  }
  bool HasValue(RootKey root, std::string_view path, std::string_view name) {
    return sim.registry().value(root, path, name).has_value();
  }
  bool Exists(std::string_view path) {
    return sim.files().fileExists(path) || sim.files().folderExists(path);
  }
  std::size_t Notices() {
    std::size_t n = 0;
    for (const auto& record : sim.prompts().records()) {
      if (record.kind == SimPrompts::Kind::Inform && record.text == kAdminNotice) ++n;
    }
    return n;
  }
};

// ---- section names and the file ---------------------------------------------------

TEST(ListSectionNameTest, TextFromTheSecondCharacterAfterTheFirstDash) {
  EXPECT_EQ(ListSectionName("Windows - Windows Log Files"), "Windows Log Files");
  EXPECT_EQ(ListSectionName("Custom Lists - <New List>"), "<New List>");
  EXPECT_EQ(ListSectionName("Applications - Foo - Bar"), "Foo - Bar");
  EXPECT_EQ(ListSectionName("Advanced - Yahoo! Toolbar History"), "Yahoo! Toolbar History");
  EXPECT_EQ(ListSectionName("No dash at all"), "");
  EXPECT_EQ(ListSectionName("Ends with -"), "");
  EXPECT_EQ(ListSectionName("Ends with - "), "");
}

TEST_F(DefinitionsTest, MissingFileOrSectionFindsNothingAndSizeTextIsZero) {
  ASSERT_TRUE(sim.writeFile("C:\\Windows\\Temp\\a.tmp", "1234"));
  CleanRun& r = MakeRun(true);
  r.ItemCount = 0;
  r.SetItemSize(77);
  RunListSection(r, "kvrn.dat", "Applications - Foo");  // no file at all
  EXPECT_EQ(r.ItemCount, 0);
  EXPECT_EQ(r.ItemSize, 0u);
  EXPECT_EQ(r.ItemSizeText, "0");

  CleanRun& other =
      Run(Dat({"[Foo]", "DelFile1=%windir%\\Temp,*.tmp"}), "Applications - Bar", true);
  EXPECT_EQ(other.ItemCount, 0);
  EXPECT_EQ(other.ItemSizeText, "0");
  EXPECT_TRUE(log.lines().empty());
}

TEST_F(DefinitionsTest, SectionIsPickedByRunNameAndFileByName) {
  ASSERT_TRUE(sim.writeFile("C:\\Windows\\Temp\\a.tmp", "1234"));
  ASSERT_TRUE(sim.writeFile("C:\\Windows\\Temp\\b.log", "12"));
  ASSERT_TRUE(
      WriteProgramFile("Custom.dat", Dat({"[<New List>]", "DelFile1=%windir%\\Temp,*.log"})));
  ASSERT_TRUE(
      WriteProgramFile("kvrn.dat", Dat({"[Windows Log Files]", "DelFile1=%windir%\\Temp,*.tmp",
                                        "[Other]", "DelFile1=%windir%\\Temp,*.log"})));

  CleanRun& r = MakeRun(true);
  RunListSection(r, "kvrn.dat", "windows - windows log files");  // sections ignore case
  EXPECT_EQ(r.ItemCount, 1);
  EXPECT_EQ(r.ItemSize, 4u);
  EXPECT_TRUE(log.hasLine("Test: deleting C:\\Windows\\Temp\\a.tmp"));

  CleanRun& custom = MakeRun(true);
  RunListSection(custom, "Custom.dat", "Custom Lists - <New List>");
  EXPECT_EQ(custom.ItemCount, 1);
  EXPECT_EQ(custom.ItemSize, 2u);
}

// ---- registry entries ---------------------------------------------------------------

TEST_F(DefinitionsTest, RegistryEntryFormsKeyKeyCommaAndValue) {
  Key(RootKey::CurrentUser, "Software\\Whole", {"a", "b"});
  Key(RootKey::CurrentUser, "Software\\Whole\\Sub", {"c"});
  Key(RootKey::CurrentUser, "Software\\Values", {"a", "b"});
  Key(RootKey::CurrentUser, "Software\\Values\\Sub", {"c"});
  Key(RootKey::CurrentUser, "Software\\One", {"keep", "drop"});
  Key(RootKey::CurrentUser, "Software\\Empty", {});
  const std::string dat = Dat({"[Reg]", "DelRegValue1=HKEY_CURRENT_USER\\Software\\Whole",
                               "DelRegValue2=HKEY_CURRENT_USER\\Software\\Values,",
                               "DelRegValue3=HKEY_CURRENT_USER\\Software\\One,drop",
                               "DelRegValue4=hkey_current_user\\Software\\Empty",
                               "DelRegValue5=HKEY_CURRENT_USER\\Software\\Missing",
                               "DelRegValue6=HKEY_CURRENT_USER\\Software\\One,missing"});

  CleanRun& test = Run(dat, "Applications - Reg", true);
  // 3 values of Whole, 2 values + 1 of Sub's value for Values, 1 value,
  // 1 for a key without values, 0 for what is missing.
  EXPECT_EQ(test.ItemCount, 3 + 3 + 1 + 1);
  EXPECT_EQ(test.ItemSizeText, "0");
  EXPECT_TRUE(sim.registry().keyExists(RootKey::CurrentUser, "Software\\Whole\\Sub"));
  EXPECT_TRUE(HasValue(RootKey::CurrentUser, "Software\\One", "drop"));
  EXPECT_TRUE(log.hasLine("Test: deleting registry key HKEY_CURRENT_USER\\Software\\Whole"));
  EXPECT_TRUE(log.hasLine("Test: deleting registry value HKEY_CURRENT_USER\\Software\\One\\drop"));

  CleanRun& clean = Run(dat, "Applications - Reg", false);
  EXPECT_EQ(clean.ItemCount, 8);
  EXPECT_FALSE(sim.registry().keyExists(RootKey::CurrentUser, "Software\\Whole"));
  // The single comma keeps the key but takes its values and sub-keys.
  EXPECT_TRUE(sim.registry().keyExists(RootKey::CurrentUser, "Software\\Values"));
  EXPECT_FALSE(HasValue(RootKey::CurrentUser, "Software\\Values", "a"));
  EXPECT_FALSE(sim.registry().keyExists(RootKey::CurrentUser, "Software\\Values\\Sub"));
  EXPECT_TRUE(HasValue(RootKey::CurrentUser, "Software\\One", "keep"));
  EXPECT_FALSE(HasValue(RootKey::CurrentUser, "Software\\One", "drop"));
  EXPECT_FALSE(sim.registry().keyExists(RootKey::CurrentUser, "Software\\Empty"));
}

TEST_F(DefinitionsTest, RegistryEntriesThatNameNoKeyTouchNothing) {
  Key(RootKey::CurrentUser, "Software", {"top"});
  Key(RootKey::CurrentUser, "Software\\Keep", {"v"});
  Key(RootKey::CurrentUser, "Environment", {"e"});
  const std::string dat = Dat({
      "[Reg]",
      "DelRegValue1=HKCU\\Software\\Keep",            // abbreviations are not roots
      "DelRegValue2=HKEY_CURRENT_USER",               // no key at all
      "DelRegValue3=HKEY_CURRENT_USER\\",             // the root itself
      "DelRegValue4=HKEY_CURRENT_USER\\,",            // every value of the root
      "DelRegValue5=HKEY_CURRENT_USER\\\\\\,",        // the same with more separators
      "DelRegValue6=HKEY_CURRENT_USER \\Software",    // blanks make no root
      "DelRegValue7=",                                // nothing
      "DelRegValue8=\\Software\\Keep",                // no root
      "DelRegValue9=HKEY_NOWHERE\\Software\\Keep,v",  // unknown root
  });
  CleanRun& clean = Run(dat, "Applications - Reg", false);
  EXPECT_EQ(clean.ItemCount, 0);
  EXPECT_TRUE(HasValue(RootKey::CurrentUser, "Software", "top"));
  EXPECT_TRUE(HasValue(RootKey::CurrentUser, "Software\\Keep", "v"));
  EXPECT_TRUE(HasValue(RootKey::CurrentUser, "Environment", "e"));
}

TEST_F(DefinitionsTest, DoubledAndTrailingSeparatorsInKeysNameTheSameKey) {
  Key(RootKey::CurrentUser, "Software\\Foo\\Bar", {"v"});
  CleanRun& clean = Run(Dat({"[Reg]", "DelRegValue1=HKEY_CURRENT_USER\\Software\\\\Foo\\Bar\\"}),
                        "X - Reg", false);
  EXPECT_EQ(clean.ItemCount, 1);
  EXPECT_FALSE(sim.registry().keyExists(RootKey::CurrentUser, "Software\\Foo\\Bar"));
  EXPECT_TRUE(sim.registry().keyExists(RootKey::CurrentUser, "Software\\Foo"));
}

TEST(ParseRegistryEntryTest, SplitsRootKeyAndValueName) {
  auto e = ParseRegistryEntry("hkey_local_machine\\Software\\Foo,Name,With,Commas");
  ASSERT_TRUE(e.has_value());
  EXPECT_EQ(e->root, "HKEY_LOCAL_MACHINE");
  EXPECT_EQ(e->keyPath, "Software\\Foo");
  EXPECT_EQ(e->valueName, "Name,With,Commas");

  e = ParseRegistryEntry("HKEY_USERS\\.DEFAULT\\Software,");
  ASSERT_TRUE(e.has_value());
  EXPECT_EQ(e->valueName, "");

  e = ParseRegistryEntry("HKEY_CLASSES_ROOT\\.foo");
  ASSERT_TRUE(e.has_value());
  EXPECT_FALSE(e->valueName.has_value());

  EXPECT_FALSE(ParseRegistryEntry("HKEY_CURRENT_CONFIG\\,name").has_value());
  EXPECT_FALSE(ParseRegistryEntry("HKLM\\Software").has_value());
}

// ---- HKEY_LOCAL_MACHINE and the account -----------------------------------------------

class MachineRightsTest : public DefinitionsTest {
 protected:
  std::string MachineDat() {
    Key(RootKey::LocalMachine, "Software\\Vendor\\Values", {"a", "b"});
    Key(RootKey::LocalMachine, "Software\\Vendor\\Key", {"k"});
    return Dat({"[Machine]", "DelRegValue1=HKEY_LOCAL_MACHINE\\Software\\Vendor\\Values,a",
                "DelRegValue2=HKEY_LOCAL_MACHINE\\Software\\Vendor\\Values,",
                "DelRegValue3=HKEY_LOCAL_MACHINE\\Software\\Vendor\\Key"});
  }
};

TEST_F(MachineRightsTest, NonAdministratorOnNtSkipsValueEntriesWithOneNoticePerSection) {
  sim.system().setAdministrator(false);
  std::size_t notices = 0;
  for (const int code : {5, 6, 7, 9, 10, 11, 12}) {  // NT 3.x to Windows 7
    SCOPED_TRACE(code);
    versionCode = code;
    CleanRun& clean = Run(MachineDat(), "Applications - Machine", false);
    EXPECT_EQ(clean.ItemCount, 1);  // the key entry only
    EXPECT_EQ(Notices(), ++notices);
    EXPECT_TRUE(HasValue(RootKey::LocalMachine, "Software\\Vendor\\Values", "a"));
    EXPECT_TRUE(HasValue(RootKey::LocalMachine, "Software\\Vendor\\Values", "b"));
    EXPECT_FALSE(sim.registry().keyExists(RootKey::LocalMachine, "Software\\Vendor\\Key"));
  }

  // Each run of a section may show it once more; test mode too.
  Run(MachineDat(), "Applications - Machine", true);
  EXPECT_EQ(Notices(), ++notices);
}

TEST_F(MachineRightsTest, UnattendedRunShowsNoNotice) {
  sim.system().setAdministrator(false);
  versionCode = 9;
  const std::string dat = MachineDat();
  ASSERT_TRUE(WriteProgramFile("kvrn.dat", dat));
  CleanRun& r = MakeRun(false);
  runMode.store(cleaner::RunMode::Auto);
  RunListSection(r, "kvrn.dat", "Applications - Machine");
  EXPECT_EQ(r.ItemCount, 1);
  EXPECT_EQ(Notices(), 0u);
  EXPECT_TRUE(sim.prompts().records().empty());
  EXPECT_TRUE(HasValue(RootKey::LocalMachine, "Software\\Vendor\\Values", "a"));
}

TEST_F(MachineRightsTest, AdministratorsAndThe95FamilyRunValueEntries) {
  for (const int code : {1, 3, 4, 8}) {
    SCOPED_TRACE(code);
    sim.system().setAdministrator(false);
    versionCode = code;
    CleanRun& r = Run(MachineDat(), "Applications - Machine", false);
    EXPECT_EQ(r.ItemCount, 1 + 1 + 1);  // value a, then b, then the key
    EXPECT_EQ(Notices(), 0u);
    EXPECT_TRUE(sim.registry().keyExists(RootKey::LocalMachine, "Software\\Vendor\\Values"));
    EXPECT_FALSE(HasValue(RootKey::LocalMachine, "Software\\Vendor\\Values", "b"));
  }
  sim.system().setAdministrator(true);
  versionCode = 12;
  CleanRun& admin = Run(MachineDat(), "Applications - Machine", false);
  EXPECT_EQ(admin.ItemCount, 3);
  EXPECT_EQ(Notices(), 0u);
}

TEST_F(MachineRightsTest, OtherRootsNeedNoRights) {
  sim.system().setAdministrator(false);
  versionCode = 12;
  Key(RootKey::Users, ".DEFAULT\\Software\\Vendor", {"v"});
  CleanRun& r = Run(Dat({"[U]", "DelRegValue1=HKEY_USERS\\.DEFAULT\\Software\\Vendor,v"}),
                    "Applications - U", false);
  EXPECT_EQ(r.ItemCount, 1);
  EXPECT_EQ(Notices(), 0u);
  EXPECT_FALSE(HasValue(RootKey::Users, ".DEFAULT\\Software\\Vendor", "v"));
}

// ---- file entries ---------------------------------------------------------------------

class FileEntryTest : public DefinitionsTest {
 protected:
  void SetUp() override {
    DefinitionsTest::SetUp();
    ASSERT_TRUE(sim.writeFile("C:\\Windows\\Temp\\a.tmp", "aaaa"));
    ASSERT_TRUE(sim.writeFile("C:\\Windows\\Temp\\b.TMP", "bb"));
    ASSERT_TRUE(sim.writeFile("C:\\Windows\\Temp\\c.log", "c"));
    ASSERT_TRUE(sim.writeFile("C:\\Windows\\Temp\\Sub\\d.tmp", "dddddddd"));
  }
};

TEST_F(FileEntryTest, MaskDeletesMatchingFilesDirectlyInTheFolder) {
  const std::string dat = Dat({"[F]", "DelFile1=%windir%\\Temp,*.tmp"});
  CleanRun& test = Run(dat, "Windows - F", true);
  EXPECT_EQ(test.ItemCount, 2);
  EXPECT_EQ(test.ItemSize, 6u);
  EXPECT_EQ(test.ItemSizeText, "1");
  EXPECT_TRUE(Exists("C:\\Windows\\Temp\\a.tmp"));

  CleanRun& clean = Run(dat, "Windows - F", false);
  EXPECT_EQ(clean.ItemCount, 2);
  EXPECT_FALSE(Exists("C:\\Windows\\Temp\\a.tmp"));
  EXPECT_FALSE(Exists("C:\\Windows\\Temp\\b.TMP"));
  EXPECT_TRUE(Exists("C:\\Windows\\Temp\\c.log"));
  EXPECT_TRUE(Exists("C:\\Windows\\Temp\\Sub\\d.tmp"));
}

TEST_F(FileEntryTest, StarDotStarEmptiesTheTreeAndKeepsTheFolder) {
  CleanRun& clean = Run(Dat({"[F]", "DelFile1=%windir%\\Temp,*.*"}), "Windows - F", false);
  EXPECT_EQ(clean.ItemCount, 4);
  EXPECT_EQ(clean.ItemSize, 15u);
  EXPECT_TRUE(sim.files().folderExists("C:\\Windows\\Temp"));
  EXPECT_FALSE(Exists("C:\\Windows\\Temp\\c.log"));
  EXPECT_FALSE(Exists("C:\\Windows\\Temp\\Sub"));
}

TEST_F(FileEntryTest, FolderWithoutMaskIsRemoved) {
  CleanRun& clean = Run(Dat({"[F]", "DelFile1=%windir%\\Temp"}), "Windows - F", false);
  EXPECT_EQ(clean.ItemCount, 4);
  EXPECT_FALSE(Exists("C:\\Windows\\Temp"));
  EXPECT_TRUE(sim.files().folderExists("C:\\Windows"));
}

TEST_F(FileEntryTest, PlainFileNameMatchesOnlyThatName) {
  CleanRun& clean =
      Run(Dat({"[F]", "DelFile1=%windir%\\Temp,a.tmp", "DelFile2=%windir%\\Temp,B.tmp"}),
          "Windows - F", false);
  EXPECT_EQ(clean.ItemCount, 1);
  EXPECT_FALSE(Exists("C:\\Windows\\Temp\\a.tmp"));
  EXPECT_TRUE(Exists("C:\\Windows\\Temp\\b.TMP"));
}

TEST_F(FileEntryTest, MacrosAreExactCaseOnly) {
  const std::string dat = Dat({"[F]", "DelFile1=%WINDIR%\\Temp,*.tmp", "DelFile2=%Windir%\\Temp",
                               "DelFile3={local appdata}\\X", "DelFile4=%programfiles%\\X"});
  ASSERT_TRUE(sim.writeFile(std::string(kLocal) + "\\X\\f", "f"));
  ASSERT_TRUE(sim.writeFile("C:\\Program Files\\X\\f", "f"));
  CleanRun& clean = Run(dat, "Windows - F", false);
  EXPECT_EQ(clean.ItemCount, 0);
  EXPECT_TRUE(Exists("C:\\Windows\\Temp\\a.tmp"));
  EXPECT_TRUE(Exists(std::string(kLocal) + "\\X\\f"));
  EXPECT_TRUE(Exists("C:\\Program Files\\X\\f"));
}

TEST_F(FileEntryTest, EveryMacroResolvesToItsFolder) {
  const std::pair<const char*, std::string> cases[] = {
      {"%ProgramFiles%", "C:\\Program Files"},
      {"%windir%", "C:\\Windows"},
      {"{Local AppData}", kLocal},
      {"{Current AppData}", kRoaming},
      {"{Common AppData}", kCommon},
      {"{C: Drive}", "C:"},
      {"C:", "C:"},
  };
  for (const auto& [head, folder] : cases) {
    SCOPED_TRACE(head);
    ASSERT_TRUE(sim.writeFile(folder + "\\Vendor Cache\\f.bin", "12345"));
    CleanRun& clean =
        Run(Dat({"[F]", "DelFile1=" + std::string(head) + "\\Vendor Cache"}), "X - F", false);
    EXPECT_EQ(clean.ItemCount, 1);
    EXPECT_EQ(clean.ItemSize, 5u);
    EXPECT_FALSE(Exists(folder + "\\Vendor Cache"));
  }
}

TEST_F(FileEntryTest, LinesRunInFileOrderWhateverTheirNumbersAndKind) {
  Key(RootKey::CurrentUser, "Software\\Order", {"v"});
  const std::string dat = Dat(
      {"[F]", "DelFile9=%windir%\\Temp,c.log", "DelRegValue1=HKEY_CURRENT_USER\\Software\\Order",
       "xDelFilex=%windir%\\Temp,a.tmp", "  DelFile1  =  %windir%\\Temp,b.TMP  ",
       "; DelFile2=%windir%\\Temp,*.*", "DelFile3 %windir%\\Temp,*.*", "Other=%windir%\\Temp"});
  CleanRun& test = Run(dat, "X - F", true);
  EXPECT_EQ(test.ItemCount, 4);
  const auto lines = log.lines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "Test: deleting C:\\Windows\\Temp\\c.log");
  EXPECT_EQ(lines[1], "Test: deleting registry key HKEY_CURRENT_USER\\Software\\Order");
  EXPECT_EQ(lines[2], "Test: deleting C:\\Windows\\Temp\\a.tmp");
  EXPECT_EQ(lines[3], "Test: deleting C:\\Windows\\Temp\\b.TMP");
}

TEST_F(FileEntryTest, StopRequestedRunsNothingMore) {
  CleanRun& r = MakeRun(false);
  ASSERT_TRUE(WriteProgramFile("kvrn.dat", Dat({"[F]", "DelFile1=%windir%\\Temp"})));
  r.RequestStop();
  RunListSection(r, "kvrn.dat", "X - F");
  EXPECT_EQ(r.ItemCount, 0);
  EXPECT_TRUE(Exists("C:\\Windows\\Temp\\a.tmp"));
}

// ---- what a file entry may name -----------------------------------------------------

TEST(ResolveFileEntryTest, FoldersMasksAndRefusals) {
  ListMacroFolders macros;
  macros.programFiles = "C:\\Program Files";
  macros.windows = "C:\\Windows";
  macros.localAppData = kLocal;
  macros.currentAppData = "C:\\Users\\user\\AppData\\Roaming\\";
  macros.commonAppData = "";  // a system without the folder

  struct Case {
    const char* value;
    const char* folder;  // nullptr: refused
    FileListAction action;
    const char* mask;
  };
  using A = FileListAction;
  const Case cases[] = {
      {"%windir%\\Temp", "C:\\Windows\\Temp", A::RemoveFolder, ""},
      {"%windir%\\Temp,*.*", "C:\\Windows\\Temp", A::EmptyFolder, ""},
      {"%windir%\\Temp,*.tmp", "C:\\Windows\\Temp", A::DeleteByMask, "*.tmp"},
      {"%windir%\\,*.log", "C:\\Windows", A::DeleteByMask, "*.log"},
      {"%windir%\\Temp\\,a,b.txt", "C:\\Windows\\Temp", A::DeleteByMask, "a,b.txt"},
      {"{Current AppData}\\Vendor\\MRU", "C:\\Users\\user\\AppData\\Roaming\\Vendor\\MRU",
       A::RemoveFolder, ""},
      {"C:/Temp//Sub/", "C:\\Temp\\Sub", A::RemoveFolder, ""},
      {"d:\\Caches\\Données", "d:\\Caches\\Données", A::RemoveFolder, ""},
      {"\\\\server\\share\\cache", "\\\\server\\share\\cache", A::RemoveFolder, ""},
      {"A:\\Vendor Cache", "A:\\Vendor Cache", A::RemoveFolder, ""},
      {"z:\\T", "z:\\T", A::RemoveFolder, ""},
      {"a:\\T", "a:\\T", A::RemoveFolder, ""},
      // Drive roots stay drive roots, in the spelling the primitives ask about.
      {"{C: Drive}", "C:\\", A::RemoveFolder, ""},
      {"{C: Drive}\\", "C:\\", A::RemoveFolder, ""},
      {"{C: Drive}\\,*.*", "C:\\", A::EmptyFolder, ""},
      {"C:", "C:\\", A::RemoveFolder, ""},
      {"C:\\\\\\", "C:\\", A::RemoveFolder, ""},
      {"C:\\\\,*.log", "C:\\", A::DeleteByMask, "*.log"},
      // Refused.
      {"\\", nullptr, A::RemoveFolder, ""},
      {"\\Windows", nullptr, A::RemoveFolder, ""},
      {"\\,*.*", nullptr, A::RemoveFolder, ""},
      {"Temp\\Sub", nullptr, A::RemoveFolder, ""},
      {"C:Temp", nullptr, A::RemoveFolder, ""},
      {"@:\\T", nullptr, A::RemoveFolder, ""},
      {"[:\\T", nullptr, A::RemoveFolder, ""},
      {"`:\\T", nullptr, A::RemoveFolder, ""},
      {"{:\\T", nullptr, A::RemoveFolder, ""},
      {"1:\\T", nullptr, A::RemoveFolder, ""},
      {"C:\\Temp\x1f", nullptr, A::RemoveFolder, ""},
      {"C:\\Te\tmp", nullptr, A::RemoveFolder, ""},
      {"C:\\.", nullptr, A::RemoveFolder, ""},
      {"C:\\Temp\\..", nullptr, A::RemoveFolder, ""},
      {"%windir%\\..", nullptr, A::RemoveFolder, ""},
      {"%windir%\\...", nullptr, A::RemoveFolder, ""},
      {"C:\\ ", nullptr, A::RemoveFolder, ""},
      {"C:\\Temp.", nullptr, A::RemoveFolder, ""},
      {"C:\\*\\Temp", nullptr, A::RemoveFolder, ""},
      {"C:\\Temp:stream", nullptr, A::RemoveFolder, ""},
      {"\\\\?\\C:\\", nullptr, A::RemoveFolder, ""},
      {"\\\\.\\C:\\Temp", nullptr, A::RemoveFolder, ""},
      {"\\\\server\\share", nullptr, A::RemoveFolder, ""},
      {"%WINDIR%\\Temp", nullptr, A::RemoveFolder, ""},
      {"{Common AppData}\\Vendor", nullptr, A::RemoveFolder, ""},
      {"%windir%\\Temp,", nullptr, A::RemoveFolder, ""},
      // Everything in a macro folder itself.
      {"%windir%", nullptr, A::RemoveFolder, ""},
      {"%windir%\\", nullptr, A::RemoveFolder, ""},
      {"%windir%\\,*.*", nullptr, A::RemoveFolder, ""},
      {"%windir%\\,*", nullptr, A::RemoveFolder, ""},
      {"%ProgramFiles%\\", nullptr, A::RemoveFolder, ""},
      {"{Current AppData}\\", nullptr, A::RemoveFolder, ""},
      {"{Local AppData}\\\\", nullptr, A::RemoveFolder, ""},
      {"c:\\windows\\", nullptr, A::RemoveFolder, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    const auto entry = ResolveFileEntry(c.value, macros);
    if (c.folder == nullptr) {
      EXPECT_FALSE(entry.has_value()) << entry->folder;
      continue;
    }
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(entry->folder, c.folder);
    EXPECT_EQ(entry->action, c.action);
    EXPECT_EQ(entry->mask, c.mask);
  }

  // The longest path the system takes, and one character more.
  const std::string longest = "C:\\" + std::string(32764, 'a');
  ASSERT_EQ(longest.size(), 32767u);
  EXPECT_TRUE(ResolveFileEntry(longest, macros).has_value());
  EXPECT_FALSE(ResolveFileEntry(longest + "a", macros).has_value());
}

TEST_F(FileEntryTest, DriveRootIsEmptiedOnlyAfterTheQuestion) {
  ASSERT_TRUE(sim.writeFile("C:\\root.txt", "r"));
  for (const char* value : {"{C: Drive}", "C:", "C:\\\\", "{C: Drive}\\,*.*", "C:\\,*.txt"}) {
    SCOPED_TRACE(value);
    sim.prompts().clear();
    CleanRun& clean = Run(Dat({"[F]", std::string("DelFile1=") + value}), "X - F", false);
    EXPECT_EQ(sim.prompts().count(SimPrompts::Kind::Confirm), 1u);
    EXPECT_EQ(clean.ItemCount, 0);
    EXPECT_TRUE(Exists("C:\\root.txt"));
    EXPECT_TRUE(Exists("C:\\Windows\\Temp\\a.tmp"));
  }
}

TEST_F(FileEntryTest, EntriesLeavingTheirFolderOrAMacroFolderRemoveNothing) {
  ASSERT_TRUE(sim.writeFile("C:\\Windows\\win.ini", "w"));
  ASSERT_TRUE(sim.writeFile("C:\\Windows\\Program Files\\keep.txt", "k"));
  ASSERT_TRUE(sim.writeFile("C:\\Program Files\\Vendor\\keep.txt", "k"));
  const std::string dat =
      Dat({"[F]", "DelFile1=%windir%\\..", "DelFile2=%windir%\\Temp\\..\\..,*.*", "DelFile3=\\",
           "DelFile4=\\Windows", "DelFile5=Program Files", "DelFile6=%windir%",
           "DelFile7=%windir%\\,*.*", "DelFile8=%ProgramFiles%\\", "DelFile9=C:\\.\\Windows\\..",
           "DelFile10=%windir%\\,"});
  CleanRun& clean = Run(dat, "X - F", false);
  EXPECT_EQ(clean.ItemCount, 0);
  EXPECT_TRUE(sim.prompts().records().empty());
  EXPECT_TRUE(Exists("C:\\Windows\\win.ini"));
  EXPECT_TRUE(Exists("C:\\Windows\\Temp\\a.tmp"));
  EXPECT_TRUE(Exists("C:\\Windows\\Program Files\\keep.txt"));
  EXPECT_TRUE(Exists("C:\\Program Files\\Vendor\\keep.txt"));
}

TEST_F(FileEntryTest, MissingAppDataValueRefusesItsEntries) {
  ASSERT_TRUE(sim.writeFile("C:\\Vendor\\Cache\\f", "f"));
  sim.registry().loadRegText(
      "REGEDIT4\r\n\r\n"
      "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell "
      "Folders]\r\n\"Local AppData\"=-\r\n\r\n");
  CleanRun& clean = Run(Dat({"[F]", "DelFile1={Local AppData}\\Vendor\\Cache"}), "X - F", false);
  EXPECT_EQ(clean.ItemCount, 0);
  EXPECT_TRUE(Exists("C:\\Vendor\\Cache\\f"));
}

// ---- bad input ----------------------------------------------------------------------

TEST_F(FileEntryTest, MalformedLinesAreSkippedAndTheRestRuns) {
  Key(RootKey::CurrentUser, "Software\\Vendor", {"v"});
  std::string huge(1 << 20, 'A');
  const std::string dat = Dat({
      "[F]",
      "DelFile1",
      "DelRegValue1",
      "=",
      "DelFile2=",
      "DelRegValue2=",
      "DelFile3=" + huge,
      "DelFile4=%windir%\\" + huge,
      "DelFile5=%windir%\\Temp," + huge,
      "DelRegValue3=HKEY_CURRENT_USER\\" + huge,
      "DelRegValue4=HKEY_CURRENT_USER\\Software\\Vendor," + huge,
      "DelRegValue5=" + huge + "\\x",
      "DelFile6=%windir%\\Temp\\\xc3\xa9t\xc3\xa9,*.tmp",
      "DelFile7=%windir%\\Temp\\\xff\xfe\x80,*.*",
      "DelRegValue6=HKEY_CURRENT_USER\\Software\\\xe6\x97\xa5\xe6\x9c\xac",
      std::string("DelFile8=%windir%\\Te\0mp", 23),
      "DelFile9=%windir%\\Temp,c.log",
  });
  ASSERT_TRUE(sim.writeFile("C:\\Windows\\Temp\\\xc3\xa9t\xc3\xa9\\x.tmp", "xx"));
  CleanRun& clean = Run(dat, "X - F", false);
  EXPECT_EQ(clean.ItemCount, 2);  // the non-ASCII folder's file, then c.log
  EXPECT_FALSE(Exists("C:\\Windows\\Temp\\\xc3\xa9t\xc3\xa9\\x.tmp"));
  EXPECT_FALSE(Exists("C:\\Windows\\Temp\\c.log"));
  EXPECT_TRUE(Exists("C:\\Windows\\Temp\\a.tmp"));
  EXPECT_TRUE(HasValue(RootKey::CurrentUser, "Software\\Vendor", "v"));
}

TEST_F(FileEntryTest, UnreadableOrBinaryFileRunsNothing) {
  ASSERT_TRUE(WriteProgramFile("kvrn.dat", Dat({"[F]", "DelFile1=%windir%\\Temp"})));
  sim.faults().failFrom(sim::PortMethod::FilesOpen, 1, Errc::AccessDenied, "kvrn.dat");
  CleanRun& r = MakeRun(false);
  RunListSection(r, "kvrn.dat", "X - F");
  EXPECT_EQ(r.ItemCount, 0);
  EXPECT_TRUE(Exists("C:\\Windows\\Temp\\a.tmp"));
  sim.faults().clearRules();

  std::string binary;
  for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 131 + 7) % 256);
  CleanRun& garbage = Run(std::string("\xff\xfe[\0F\0]\0", 8) + binary, "X - F", false);
  EXPECT_EQ(garbage.ItemCount, 0);
  EXPECT_TRUE(Exists("C:\\Windows\\Temp\\a.tmp"));
}

}  // namespace
}  // namespace nc::cleaner
