// The backup file writer on the substitute platform: file names, the
// header, key blocks and their order, every value type line by line, the
// hex line breaking, escaping, the version 5 form for text outside the
// ANSI code page, file errors, and round trips through the substitute
// registry's .reg loader.
#include "registry/export_writer.h"

#include <gtest/gtest.h>

#include <functional>

#include <string>
#include <vector>

#include "core/text.h"
#include "platform/sim/sim_platform.h"

namespace nc::testing {
namespace {

using platform::RegType;
using platform::RegValue;
using platform::RootKey;
using registry::ExportToBackup;
using registry::PredefinedRoot;

constexpr const char* kFile = "C:\\Backup\\run.reg";

std::uint32_t T(RegType type) {
  return static_cast<std::uint32_t>(type);
}

std::vector<std::uint8_t> Counting(std::size_t n) {
  std::vector<std::uint8_t> bytes(n);
  for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<std::uint8_t>(i);
  return bytes;
}

std::vector<std::uint8_t> Utf16(std::u16string_view units) {
  std::vector<std::uint8_t> out;
  for (char16_t u : units) {
    out.push_back(static_cast<std::uint8_t>(u & 0xFF));
    out.push_back(static_cast<std::uint8_t>(u >> 8));
  }
  return out;
}

std::vector<std::string> Lines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const auto end = text.find("\r\n", start);
    if (end == std::string_view::npos) {
      lines.emplace_back(text.substr(start));
      break;
    }
    lines.emplace_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

// The text of a version 5 file (UTF-16LE after its byte-order mark).
std::string Version5Text(std::string_view bytes) {
  EXPECT_TRUE(StartsWith(bytes, "\xFF\xFE"));
  std::u16string units;
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
    units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                   (static_cast<unsigned char>(bytes[i + 1]) << 8));
  }
  return Utf16ToUtf8(units);
}

class ExportWriterTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(sim.files().createFolders("C:\\Backup").ok()); }

  platform::Platform Ports() { return sim.ports(); }

  void Set(std::string_view path, std::string_view name, std::uint32_t type,
           const std::vector<std::uint8_t>& data, RootKey root = RootKey::CurrentUser) {
    auto key = sim.registry().create(root, path);
    ASSERT_TRUE(key.ok());
    if (name.find('\0') != std::string_view::npos) {
      // Only the system's native calls make such a name.
      ASSERT_TRUE(sim.registry().writeExactValue(root, path, Utf8ToUtf16(name), type, data));
      return;
    }
    ASSERT_TRUE(sim.registry().writeValue(*key, name, type, data).ok());
  }
  void Key(std::string_view path) {
    ASSERT_TRUE(sim.registry().create(RootKey::CurrentUser, path));
  }

  Result<bool> ExportKey(std::string_view path, PredefinedRoot root = PredefinedRoot::CurrentUser) {
    return ExportToBackup(Ports(), kFile, root, true, {}, path);
  }
  Result<bool> ExportValue(std::string_view path, std::string_view name) {
    return ExportToBackup(Ports(), kFile, PredefinedRoot::CurrentUser, false, name, path);
  }
  std::string File() { return sim.readFile(kFile); }
  std::vector<std::string> FileLines() { return Lines(File()); }
  // The lines of a single value exported from Software\V.
  std::vector<std::string> ValueLines(std::string_view name, std::uint32_t type,
                                      const std::vector<std::uint8_t>& data) {
    Set("Software\\V", name, type, data);
    EXPECT_TRUE(ExportValue("Software\\V", name).ok());
    auto lines = FileLines();
    lines.erase(lines.begin(), lines.begin() + 3);  // header, empty line, key line
    return lines;
  }

  sim::SimPlatform sim;
};

// ---- file name, header and blocks ---------------------------------------------

TEST(BackupFileName, CarriesTheRunStartWithTwoDigitFields) {
  sim::SimClock clock;
  clock.setNow({2026, 2, 3, 7, 5, 9, 0});
  EXPECT_EQ(registry::MakeBackupFileName("C:\\Prog\\Backup", clock),
            "C:\\Prog\\Backup\\2026_02_03_070509.reg");
  EXPECT_EQ(registry::MakeBackupFileName("C:\\Prog\\Backup\\", clock),
            "C:\\Prog\\Backup\\2026_02_03_070509.reg");
  clock.setNow({2011, 12, 31, 23, 59, 58, 999});
  EXPECT_EQ(registry::MakeBackupFileName("D:\\b", clock), "D:\\b\\2011_12_31_235958.reg");
  clock.advance(1000);
  EXPECT_EQ(registry::MakeBackupFileName("D:\\b", clock), "D:\\b\\2011_12_31_235959.reg");
}

TEST(BackupRootNames, NameAllSevenPredefinedRoots) {
  using registry::RootKeyName;
  EXPECT_STREQ(RootKeyName(PredefinedRoot::ClassesRoot), "HKEY_CLASSES_ROOT");
  EXPECT_STREQ(RootKeyName(PredefinedRoot::CurrentUser), "HKEY_CURRENT_USER");
  EXPECT_STREQ(RootKeyName(PredefinedRoot::LocalMachine), "HKEY_LOCAL_MACHINE");
  EXPECT_STREQ(RootKeyName(PredefinedRoot::Users), "HKEY_USERS");
  EXPECT_STREQ(RootKeyName(PredefinedRoot::PerformanceData), "HKEY_PERFORMANCE_DATA");
  EXPECT_STREQ(RootKeyName(PredefinedRoot::CurrentConfig), "HKEY_CURRENT_CONFIG");
  EXPECT_STREQ(RootKeyName(PredefinedRoot::DynData), "HKEY_DYN_DATA");
  for (RootKey root : {RootKey::ClassesRoot, RootKey::CurrentUser, RootKey::LocalMachine,
                       RootKey::Users, RootKey::CurrentConfig}) {
    EXPECT_EQ(registry::ToPortRoot(registry::ToPredefinedRoot(root)), root);
    EXPECT_STREQ(RootKeyName(registry::ToPredefinedRoot(root)), platform::RootKeyName(root));
  }
}

TEST_F(ExportWriterTest, NewFileHasTheHeaderAndLaterEntriesOnlyTheirBlocks) {
  Set("Software\\A", "n", T(RegType::String), platform::StringData("1"));
  Set("Software\\B", "m", T(RegType::Dword), platform::DwordData(2));
  ASSERT_TRUE(ExportKey("Software\\A").ok());
  ASSERT_TRUE(ExportValue("Software\\B", "m").ok());
  EXPECT_EQ(File(),
            "REGEDIT4\r\n"
            "\r\n[HKEY_CURRENT_USER\\Software\\A]\r\n\"n\"=\"1\"\r\n"
            "\r\n[HKEY_CURRENT_USER\\Software\\B]\r\n\"m\"=dword:00000002\r\n");
}

TEST_F(ExportWriterTest, AnExistingFileIsAppendedToAndAnEmptyOneGetsTheHeader) {
  Set("Software\\A", "", T(RegType::String), platform::StringData("d"));
  ASSERT_TRUE(sim.writeFile(kFile, "REGEDIT4\r\n\r\n[HKEY_USERS\\x]\r\n"));
  ASSERT_TRUE(ExportValue("Software\\A", "").ok());
  EXPECT_EQ(
      File(),
      "REGEDIT4\r\n\r\n[HKEY_USERS\\x]\r\n\r\n[HKEY_CURRENT_USER\\Software\\A]\r\n@=\"d\"\r\n");

  // A file left empty by an earlier failure would never import without
  // its header.
  ASSERT_TRUE(sim.writeFile(kFile, ""));
  ASSERT_TRUE(ExportValue("Software\\A", "").ok());
  EXPECT_EQ(File(), "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\A]\r\n@=\"d\"\r\n");
}

TEST_F(ExportWriterTest, WholeKeyIsWrittenDepthFirstInEnumerationOrder) {
  Set("Software\\K", "v", T(RegType::String), platform::StringData("k"));
  Set("Software\\K\\A", "a", T(RegType::Dword), platform::DwordData(1));
  Set("Software\\K\\A\\C", "c", T(RegType::Dword), platform::DwordData(3));
  Set("Software\\K\\B", "b", T(RegType::Dword), platform::DwordData(2));
  Key("Software\\K\\B\\Empty");
  ASSERT_TRUE(ExportKey("Software\\K\\").ok());  // the trailing backslash is dropped
  EXPECT_EQ(FileLines(), (std::vector<std::string>{
                             "REGEDIT4", "", "[HKEY_CURRENT_USER\\Software\\K]", "\"v\"=\"k\"", "",
                             "[HKEY_CURRENT_USER\\Software\\K\\A]", "\"a\"=dword:00000001", "",
                             "[HKEY_CURRENT_USER\\Software\\K\\A\\C]", "\"c\"=dword:00000003", "",
                             "[HKEY_CURRENT_USER\\Software\\K\\B]", "\"b\"=dword:00000002", "",
                             "[HKEY_CURRENT_USER\\Software\\K\\B\\Empty]"}));
}

TEST_F(ExportWriterTest, ATreeThatCannotBeReadWholeIsAnErrorAndWritesNothing) {
  struct Case {
    const char* name;
    std::function<void()> arrange;
  };
  const std::vector<Case> cases = {
      {"a sub-key refused to everyone",
       [&] { sim.registry().denyAccess(RootKey::CurrentUser, "Software\\K\\A\\Deep"); }},
      {"a sub-key only a deletion may open",
       [&] { sim.registry().denyRead(RootKey::CurrentUser, "Software\\K\\A"); }},
      {"values that cannot be listed",
       [&] { sim.faults().failOnce(sim::PortMethod::RegistryEnumValues, 2, Errc::AccessDenied); }},
      {"sub-keys that cannot be listed",
       [&] { sim.faults().failOnce(sim::PortMethod::RegistryEnumKeys, 3, Errc::IoError); }},
  };
  for (const Case& c : cases) {
    SetUp();
    Set("Software\\K\\A", "a", T(RegType::Dword), platform::DwordData(1));
    Set("Software\\K\\A\\Deep", "d", T(RegType::Dword), platform::DwordData(4));
    Set("Software\\K\\B", "b", T(RegType::Dword), platform::DwordData(2));
    c.arrange();
    EXPECT_FALSE(ExportKey("Software\\K").ok()) << c.name;
    EXPECT_FALSE(sim.files().fileExists(kFile)) << c.name;
    sim.registry().allowAccess(RootKey::CurrentUser, "Software\\K\\A");
    sim.registry().allowAccess(RootKey::CurrentUser, "Software\\K\\A\\Deep");
    sim.faults().reset();
  }
  // A value that cannot be read is an error too; one that is gone is not.
  sim.faults().failOnce(sim::PortMethod::RegistryReadValue, 1, Errc::AccessDenied);
  EXPECT_FALSE(ExportValue("Software\\K\\A", "a").ok());
  EXPECT_TRUE(ExportValue("Software\\K\\A", "gone").ok());
}

TEST_F(ExportWriterTest, NamesWithLineBreaksOrNulsAreNotBackedUp) {
  struct Case {
    std::string tree, key, value;
  };
  const std::vector<Case> cases = {
      {"Software\\N1", "Software\\N1\\line\nbreak", "v"},
      {"Software\\N2", "Software\\N2\\plain", "carriage\rreturn"},
      {"Software\\N3", "Software\\N3\\plain", std::string("n\0ul", 4)},
  };
  for (const auto& [tree, key, value] : cases) {
    Set(key, value, T(RegType::Dword), platform::DwordData(1));
    auto whole = ExportKey(tree);
    ASSERT_TRUE(whole.ok());
    EXPECT_FALSE(*whole) << key;
    auto one = ExportValue(key, value);
    ASSERT_TRUE(one.ok());
    EXPECT_FALSE(*one) << key;
    EXPECT_FALSE(sim.files().fileExists(kFile)) << key;
  }
}

TEST_F(ExportWriterTest, MissingKeysAndRootsThePortCannotReachGiveAKeyLineAlone) {
  ASSERT_TRUE(ExportKey("Software\\Gone").ok());
  ASSERT_TRUE(ExportKey("Counters", PredefinedRoot::PerformanceData).ok());
  ASSERT_TRUE(ExportKey("Config", PredefinedRoot::DynData).ok());
  ASSERT_TRUE(ExportValue("Software\\Gone", "x").ok());
  EXPECT_EQ(FileLines(), (std::vector<std::string>{
                             "REGEDIT4", "", "[HKEY_CURRENT_USER\\Software\\Gone]", "",
                             "[HKEY_PERFORMANCE_DATA\\Counters]", "", "[HKEY_DYN_DATA\\Config]", "",
                             "[HKEY_CURRENT_USER\\Software\\Gone]"}));
}

TEST_F(ExportWriterTest, DeepTreesAreWalkedWithoutRecursionUpToTheDepthBound) {
  std::string path = "Software\\Deep";
  for (std::size_t i = 0; i < registry::kMaxExportDepth; ++i) path += "\\k";
  Key(path);
  ASSERT_TRUE(ExportKey("Software\\Deep").ok());
  // One block (empty line and key line) per level, down to the bound.
  EXPECT_EQ(FileLines().size(), 1 + 2 * (registry::kMaxExportDepth + 1));
  // One level more cannot be backed up whole.
  ASSERT_TRUE(sim.files().deleteFile(kFile).ok());
  Key(path + "\\k");
  EXPECT_FALSE(ExportKey("Software\\Deep").ok());
  EXPECT_FALSE(sim.files().fileExists(kFile));
}

// ---- value lines ------------------------------------------------------------

TEST_F(ExportWriterTest, StringsAreQuotedAndEscapedNamesToo) {
  EXPECT_EQ(ValueLines("say \"x\"", T(RegType::String), platform::StringData("C:\\a \"b\" \\\"")),
            (std::vector<std::string>{"\"say \\\"x\\\"\"=\"C:\\\\a \\\"b\\\" \\\\\\\"\""}));
}

TEST_F(ExportWriterTest, DefaultValueIsWrittenWithTheAtSign) {
  EXPECT_EQ(ValueLines("", T(RegType::String), platform::StringData("")),
            (std::vector<std::string>{"@=\"\""}));
}

TEST_F(ExportWriterTest, DwordsHaveEightUpperCaseDigits) {
  Set("Software\\V", "a", T(RegType::Dword), platform::DwordData(255));
  Set("Software\\V", "b", T(RegType::Dword), platform::DwordData(0xFFFFFFFFu));
  Set("Software\\V", "c", T(RegType::Dword), platform::DwordData(0xABCDEF01u));
  // A DWORD of the wrong size keeps its bytes.
  Set("Software\\V", "d", T(RegType::Dword), {0x12, 0x34});
  ASSERT_TRUE(ExportKey("Software\\V").ok());
  EXPECT_EQ(FileLines(),
            (std::vector<std::string>{"REGEDIT4", "", "[HKEY_CURRENT_USER\\Software\\V]",
                                      "\"a\"=dword:000000FF", "\"b\"=dword:FFFFFFFF",
                                      "\"c\"=dword:ABCDEF01", "\"d\"=hex(4):12,34"}));
}

TEST_F(ExportWriterTest, AnEmptyBinaryValueIsHexAlone) {
  EXPECT_EQ(ValueLines("e", T(RegType::Binary), {}), (std::vector<std::string>{"\"e\"=hex:"}));
}

TEST_F(ExportWriterTest, BinaryLineBreaking) {
  const std::string first26 =
      "00,01,02,03,04,05,06,07,08,09,0A,0B,0C,0D,0E,0F,10,11,12,13,14,15,16,17,18,19";
  Set("Software\\V", "b26", T(RegType::Binary), Counting(26));
  Set("Software\\V", "b27", T(RegType::Binary), Counting(27));
  Set("Software\\V", "b51", T(RegType::Binary), Counting(51));
  Set("Software\\V", "b52", T(RegType::Binary), Counting(52));
  ASSERT_TRUE(ExportKey("Software\\V").ok());
  const std::string next25 =
      "1A,1B,1C,1D,1E,1F,20,21,22,23,24,25,26,27,28,29,2A,2B,2C,2D,2E,2F,30,31,32";
  EXPECT_EQ(FileLines(),
            (std::vector<std::string>{"REGEDIT4", "", "[HKEY_CURRENT_USER\\Software\\V]",
                                      "\"b26\"=hex:" + first26,  // fits one line
                                      "\"b27\"=hex:" + first26 + ",\\", "1A",
                                      "\"b51\"=hex:" + first26 + ",\\", next25,
                                      "\"b52\"=hex:" + first26 + ",\\", next25 + ",\\", "33"}));
}

TEST_F(ExportWriterTest, ALongBinaryValueHasFullContinuationLines) {
  const auto lines = ValueLines("big", T(RegType::Binary), Counting(1000));
  // 26 + 38 * 25 + 24 = 1000 bytes.
  ASSERT_EQ(lines.size(), 40u);
  EXPECT_TRUE(StartsWith(lines[0], "\"big\"=hex:00,01,"));
  for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
    EXPECT_TRUE(EndsWith(lines[i], ",\\")) << i;
    if (i > 0) {
      EXPECT_EQ(lines[i].size(), 25u * 3 + 1) << i;  // "XX," * 25 and the backslash
    }
  }
  EXPECT_EQ(lines.back(),
            "D0,D1,D2,D3,D4,D5,D6,D7,D8,D9,DA,DB,DC,DD,DE,DF,E0,E1,E2,E3,E4,E5,E6,E7");
}

TEST_F(ExportWriterTest, TypesWithoutAWordOfTheirOwnKeepTypeAndBytes) {
  Set("Software\\V", "x", T(RegType::ExpandString), platform::StringData("%TEMP%\\\xC3\xA9"));
  Set("Software\\V", "m", T(RegType::MultiString),
      platform::MultiStringData({"a", "b\1c"}));  // a control character is kept
  Set("Software\\V", "n", T(RegType::None), {1, 2});
  Set("Software\\V", "q", T(RegType::Qword), {1, 0, 0, 0, 0, 0, 0, 0x80});
  Set("Software\\V", "z", T(RegType::None), {});
  Set("Software\\V", "r", T(RegType::ResourceList), {9});
  ASSERT_TRUE(ExportKey("Software\\V").ok());
  EXPECT_EQ(FileLines(),
            (std::vector<std::string>{"REGEDIT4", "", "[HKEY_CURRENT_USER\\Software\\V]",
                                      // ANSI bytes with the NUL: "%TEMP%\é"
                                      "\"x\"=hex(2):25,54,45,4D,50,25,5C,E9,00",
                                      "\"m\"=hex(7):61,00,62,01,63,00,00", "\"n\"=hex(0):01,02",
                                      "\"q\"=hex(b):01,00,00,00,00,00,00,80",
                                      "\"z\"=hex(0):", "\"r\"=hex(8):09"}));
}

TEST_F(ExportWriterTest, StringHexListsBreakLikeBinaryOnes) {
  const auto lines =
      ValueLines("x", T(RegType::ExpandString), platform::StringData(std::string(30, 'a')));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(
      lines[0], "\"x\"=hex(2):" + [] {
        std::string s;
        for (int i = 0; i < 26; ++i) s += "61,";
        return s + "\\";
      }());
  EXPECT_EQ(lines[1], "61,61,61,61,00");
}

TEST_F(ExportWriterTest, AnsiTextIsWrittenInTheCodePage) {
  Set("Software\\Caf\xC3\xA9", "n\xC3\xA9", T(RegType::String), platform::StringData("\xC3\xBC"));
  ASSERT_TRUE(ExportKey("Software\\Caf\xC3\xA9").ok());
  EXPECT_EQ(File(),
            "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Caf\xE9]\r\n\"n\xE9\"=\"\xFC\"\r\n");
}

// ---- text outside the ANSI code page -----------------------------------------------

TEST_F(ExportWriterTest, TextOutsideTheCodePageMakesAVersion5File) {
  const std::string omega = "\xCE\xA9";  // U+03A9
  Set("Software\\" + omega, "n" + omega, T(RegType::String), platform::StringData("v" + omega));
  Set("Software\\" + omega, "x", T(RegType::ExpandString), platform::StringData("e" + omega));
  ASSERT_TRUE(ExportKey("Software\\" + omega).ok());
  const std::string text = Version5Text(File());
  EXPECT_EQ(Lines(text), (std::vector<std::string>{"Windows Registry Editor Version 5.00", "",
                                                   "[HKEY_CURRENT_USER\\Software\\" + omega + "]",
                                                   "\"n" + omega + "\"=\"v" + omega + "\"",
                                                   "\"x\"=hex(2):65,00,A9,03,00,00"}));
}

TEST_F(ExportWriterTest, ANameOrOneMultiStringPieceAloneMakesAVersion5File) {
  const std::string omega = "\xCE\xA9";  // U+03A9
  Set("Software\\N", "n" + omega, T(RegType::Dword), platform::DwordData(1));
  Set("Software\\M", "m", T(RegType::MultiString), platform::MultiStringData({"a", omega}));
  ASSERT_TRUE(ExportKey("Software\\N").ok());
  EXPECT_TRUE(StartsWith(File(), "\xFF\xFE"));
  ASSERT_TRUE(sim.files().deleteFile(kFile).ok());
  ASSERT_TRUE(ExportKey("Software\\M").ok());
  EXPECT_TRUE(StartsWith(File(), "\xFF\xFE"));
}

TEST_F(ExportWriterTest, StringsWithLineBreaksOrNulsBecomeUtf16HexLists) {
  Set("Software\\V", "lines", T(RegType::String), platform::StringData("a\r\nb"));
  Set("Software\\V", "nul", T(RegType::String), Utf16(std::u16string(u"a\0b\0", 4)));
  Set("Software\\V", "raw", T(RegType::String), {0x41, 0x00});  // no terminator
  ASSERT_TRUE(ExportKey("Software\\V").ok());
  EXPECT_EQ(Lines(Version5Text(File())),
            (std::vector<std::string>{
                "Windows Registry Editor Version 5.00", "", "[HKEY_CURRENT_USER\\Software\\V]",
                "\"lines\"=hex(1):61,00,0D,00,0A,00,62,00,00,00",
                "\"nul\"=hex(1):61,00,00,00,62,00,00,00", "\"raw\"=hex(1):41,00"}));
}

TEST_F(ExportWriterTest, AnAnsiFileTurnsIntoVersion5WhenALaterEntryNeedsIt) {
  Set("Software\\A", "s", T(RegType::String), platform::StringData("\xC3\xA9\\\"q"));
  Set("Software\\A", "m", T(RegType::MultiString), platform::MultiStringData({"\xC3\xBC", "z"}));
  Set("Software\\A", "b", T(RegType::Binary), Counting(30));
  Set("Software\\B", "k", T(RegType::String), platform::StringData("\xE2\x82\xAC"));  // U+20AC
  ASSERT_TRUE(ExportKey("Software\\A").ok());
  ASSERT_TRUE(StartsWith(File(), "REGEDIT4\r\n"));
  ASSERT_TRUE(ExportValue("Software\\B", "k").ok());
  const std::string first26 =
      "00,01,02,03,04,05,06,07,08,09,0A,0B,0C,0D,0E,0F,10,11,12,13,14,15,16,17,18,19";
  EXPECT_EQ(Lines(Version5Text(File())),
            (std::vector<std::string>{
                "Windows Registry Editor Version 5.00", "", "[HKEY_CURRENT_USER\\Software\\A]",
                "\"s\"=\"\xC3\xA9\\\\\\\"q\"", "\"m\"=hex(7):FC,00,00,00,7A,00,00,00,00,00",
                "\"b\"=hex:" + first26 + ",\\", "1A,1B,1C,1D", "",
                "[HKEY_CURRENT_USER\\Software\\B]", "\"k\"=\"\xE2\x82\xAC\""}));
  // Entries after that are appended in the same form.
  Set("Software\\C", "c", T(RegType::Dword), platform::DwordData(7));
  ASSERT_TRUE(ExportValue("Software\\C", "c").ok());
  const auto lines = Lines(Version5Text(File()));
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2], "[HKEY_CURRENT_USER\\Software\\C]");
  EXPECT_EQ(lines.back(), "\"c\"=dword:00000007");
}

// ---- failures ------------------------------------------------------------------

TEST_F(ExportWriterTest, AFileThatCannotBeCreatedOrWrittenIsAnError) {
  Set("Software\\A", "s", T(RegType::String), platform::StringData("x"));
  sim.faults().failOnce(sim::PortMethod::FilesOpen, 1, Errc::AccessDenied, "run.reg");
  auto st = ExportValue("Software\\A", "s");
  ASSERT_FALSE(st.ok());
  EXPECT_EQ(st.error().code, Errc::AccessDenied);
  EXPECT_FALSE(sim.files().fileExists(kFile));

  sim.faults().failOnce(sim::PortMethod::FilesWrite, 1, Errc::DiskFull, "run.reg");
  st = ExportValue("Software\\A", "s");
  ASSERT_FALSE(st.ok());
  EXPECT_EQ(st.error().code, Errc::DiskFull);

  sim.faults().failOnce(sim::PortMethod::FilesFlush, 1, Errc::IoError, "run.reg");
  EXPECT_FALSE(ExportValue("Software\\A", "s").ok());
}

TEST_F(ExportWriterTest, AFailedConversionLeavesTheOldFileWhole) {
  Set("Software\\A", "s", T(RegType::String), platform::StringData("x"));
  Set("Software\\B", "k", T(RegType::String), platform::StringData("\xE2\x82\xAC"));
  ASSERT_TRUE(ExportValue("Software\\A", "s").ok());
  const std::string before = File();
  sim.faults().failOnce(sim::PortMethod::FilesWrite, 1, Errc::DiskFull);
  EXPECT_FALSE(ExportValue("Software\\B", "k").ok());
  EXPECT_EQ(File(), before);
}

// ---- round trips through the substitute registry's loader ---------------------------

class ExportRoundTrip : public ExportWriterTest, public ::testing::WithParamInterface<bool> {};

TEST_P(ExportRoundTrip, BringsBackNamesTypesAndBytes) {
  const bool nonAnsi = GetParam();
  const std::string extra = nonAnsi ? "\xCE\xA9" : "\xC3\xA9";
  const std::string base = "Software\\Trip" + extra;
  Set(base, "", T(RegType::String), platform::StringData("default"));
  Set(base, "q\"uote\\", T(RegType::String), platform::StringData("C:\\x \"y\"" + extra));
  Set(base, "exp", T(RegType::ExpandString), platform::StringData("%SystemRoot%\\" + extra));
  Set(base, "multi", T(RegType::MultiString), platform::MultiStringData({"one", extra, "three"}));
  Set(base, "dw", T(RegType::Dword), platform::DwordData(0x80000001u));
  Set(base, "qw", T(RegType::Qword), {1, 2, 3, 4, 5, 6, 7, 8});
  Set(base, "none", T(RegType::None), {0xAA});
  for (std::size_t n : {0u, 26u, 27u, 1000u}) {
    Set(base + "\\bin", "b" + std::to_string(n), T(RegType::Binary), Counting(n));
  }
  Set(base + "\\bin\\" + extra, extra, T(RegType::Dword), platform::DwordData(5));

  const auto before = sim.registry().saveRegText(RootKey::CurrentUser, base);
  ASSERT_TRUE(before.ok());
  ASSERT_TRUE(ExportKey(base).ok());
  auto software = sim.registry().open(RootKey::CurrentUser, "Software", platform::RegAccess::Full);
  ASSERT_TRUE(software.ok());
  ASSERT_TRUE(sim.registry().deleteTree(*software, "Trip" + extra).ok());

  const std::string bytes = File();
  EXPECT_EQ(StartsWith(bytes, "\xFF\xFE"), nonAnsi);
  const auto report = sim.registry().loadRegFile(
      {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
  EXPECT_EQ(report.skippedLines, 0u);
  const auto after = sim.registry().saveRegText(RootKey::CurrentUser, base);
  ASSERT_TRUE(after.ok());
  EXPECT_EQ(*after, *before);
}

INSTANTIATE_TEST_SUITE_P(AnsiAndVersion5, ExportRoundTrip, ::testing::Bool());

TEST_P(ExportRoundTrip, StringsThatAreNotWholeUtf16ComeBackByteForByte) {
  // An odd byte count, or a lone surrogate, has no code-page bytes: the
  // file becomes version 5 with the exact bytes, whether it starts with
  // the entry or was plain REGEDIT4 before.
  const bool fileStartsAnsi = GetParam();
  if (fileStartsAnsi) {
    Set("Software\\Plain", "s", T(RegType::String), platform::StringData("x"));
    ASSERT_TRUE(ExportKey("Software\\Plain").ok());
  }
  const std::string base = "Software\\Odd";
  std::vector<std::uint8_t> oddExpand = platform::StringData("%TEMP%\\a");
  oddExpand.push_back(0x41);
  std::vector<std::uint8_t> oddMulti = platform::MultiStringData({"one", "two"});
  oddMulti.pop_back();
  const std::vector<std::uint8_t> loneSurrogate = {'a', 0, 0x00, 0xD8, 0, 0};
  Set(base, "expand", T(RegType::ExpandString), oddExpand);
  Set(base, "multi", T(RegType::MultiString), oddMulti);
  Set(base, "surrogate", T(RegType::ExpandString), loneSurrogate);
  const auto before = sim.registry().saveRegText(RootKey::CurrentUser, base);
  ASSERT_TRUE(before.ok());
  ASSERT_TRUE(ExportKey(base).ok());
  auto software = sim.registry().open(RootKey::CurrentUser, "Software", platform::RegAccess::Full);
  ASSERT_TRUE(software.ok());
  ASSERT_TRUE(sim.registry().deleteTree(*software, "Odd").ok());

  const std::string bytes = File();
  EXPECT_TRUE(StartsWith(bytes, "\xFF\xFE"));
  const auto report = sim.registry().loadRegFile(
      {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
  EXPECT_EQ(report.skippedLines, 0u);
  EXPECT_EQ(sim.registry().value(RootKey::CurrentUser, base, "expand")->data, oddExpand);
  EXPECT_EQ(sim.registry().value(RootKey::CurrentUser, base, "multi")->data, oddMulti);
  EXPECT_EQ(sim.registry().value(RootKey::CurrentUser, base, "surrogate")->data, loneSurrogate);
  EXPECT_EQ(*sim.registry().saveRegText(RootKey::CurrentUser, base), *before);
}

}  // namespace
}  // namespace nc::testing
