// The shared registry helpers: location texts, the missing-file test with
// its quotes, variables, drives, floppies, 32-on-64 skips and argument
// search, folder variables, drive sets, ROT13, shortcuts and the silent
// delete.
#include "registry/locations.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/sim/shell_link.h"
#include "platform/sim/sim_platform.h"

namespace nc::registry {
namespace {

using platform::DriveType;
using platform::RootKey;

// The substitute file system of a platform, counting the existence tests
// and remembering the longest path asked about.
class CountingFiles : public sim::SimFileSystem {
 public:
  explicit CountingFiles(const std::filesystem::path& hostC) { addDrive('C', hostC); }
  bool fileExists(std::string_view path) override {
    Note(path);
    return SimFileSystem::fileExists(path);
  }
  bool folderExists(std::string_view path) override {
    Note(path);
    return SimFileSystem::folderExists(path);
  }
  int calls = 0;
  std::size_t longest = 0;

 private:
  void Note(std::string_view path) {
    ++calls;
    longest = std::max(longest, path.size());
  }
};

class PathTestFixture : public ::testing::Test {
 protected:
  PathTestFixture() {
    sim.writeFile("C:\\Windows\\notepad.exe", "MZ");
    sim.writeFile("C:\\Windows\\system32\\shell32.dll", "MZ");
    sim.writeFile("C:\\Program Files\\App\\app.exe", "MZ");
    sim.writeFile("C:\\App\\lib.dll", "MZ");
    sim.writeFile("C:\\x\\ocx.dll", "MZ");
    EXPECT_TRUE(sim.files().createFolders("C:\\Tools\\sub").ok());
  }

  bool Missing(std::string_view text, std::string_view extension = {}, bool allowFolder = false) {
    return FileReferenceMissing(test, text, extension, allowFolder);
  }

  sim::SimPlatform sim;
  PathTest test{sim.files(), "c", false, false, true, false};
};

TEST_F(PathTestFixture, TextsThatCannotBeJudged) {
  EXPECT_FALSE(Missing(""));
  EXPECT_FALSE(Missing("C:\\gone\\what?.exe"));
  EXPECT_FALSE(Missing("C:\\HP\\gone.exe"));  // "\hp" in any case
  EXPECT_FALSE(Missing("\""));
  EXPECT_FALSE(Missing("%"));
  EXPECT_FALSE(Missing("rundll32.exe shell32.dll,Control_RunDLL"));
  EXPECT_FALSE(Missing("\\\\server\\share\\gone.exe"));
  // Two paths in one string.
  EXPECT_FALSE(Missing("C:\\Tools\\run.exe C:\\data\\x.txt"));
  // Present files.
  EXPECT_FALSE(Missing("C:\\Windows\\notepad.exe"));
  EXPECT_FALSE(Missing("c:\\WINDOWS\\NOTEPAD.EXE"));
  EXPECT_TRUE(Missing("C:\\Windows\\gone.exe"));
}

TEST_F(PathTestFixture, QuotedPathIsJudgedWithoutItsArguments) {
  EXPECT_FALSE(Missing("\"C:\\Program Files\\App\\app.exe\" -run"));
  EXPECT_TRUE(Missing("\"C:\\Program Files\\App\\gone.exe\" -run C:\\Windows\\notepad.exe"));
  // No closing quote: the rest is the candidate.
  EXPECT_FALSE(Missing("\"C:\\Program Files\\App\\app.exe"));
}

TEST_F(PathTestFixture, TextBeforeEachSeparatorIsTried) {
  EXPECT_FALSE(Missing("C:\\Windows\\notepad.exe /p"));
  EXPECT_FALSE(Missing("C:\\Windows\\notepad.exe,1"));
  EXPECT_TRUE(Missing("C:\\Windows\\wordpad.exe /p"));
  // The folder of the candidate is "C:\Windows\notepad.exe /dir=\", which
  // does not exist: every prefix is tried instead.
  EXPECT_FALSE(Missing("C:\\Windows\\notepad.exe /dir=\\temp"));
  EXPECT_TRUE(Missing("C:\\Windows\\wordpad.exe /dir=\\temp"));
}

TEST_F(PathTestFixture, ProgramExtensionsAreTried) {
  sim.writeFile("C:\\App\\tool.exe", "MZ");
  sim.writeFile("C:\\App\\old.com", "MZ");
  sim.writeFile("C:\\App\\setup.bat", "@echo");
  EXPECT_FALSE(Missing("C:\\App\\tool"));
  EXPECT_FALSE(Missing("C:\\App\\tool -x"));
  EXPECT_FALSE(Missing("C:\\App\\old"));
  EXPECT_FALSE(Missing("C:\\App\\setup /q"));
  EXPECT_TRUE(Missing("C:\\App\\other"));
  // Folder missing: the extensions are tried before each separator.
  EXPECT_FALSE(Missing("C:\\App\\tool /out=\\log"));
}

TEST_F(PathTestFixture, TrailingSemicolonsAreDroppedOneAtATime) {
  EXPECT_FALSE(Missing("C:\\App\\lib.dll;"));
  EXPECT_FALSE(Missing("C:\\App\\lib.dll;;;"));
  EXPECT_TRUE(Missing("C:\\App\\gone.dll;"));
  EXPECT_TRUE(Missing("C:\\App\\;"));
}

TEST_F(PathTestFixture, FoldersCountOnlyWhereAllowed) {
  EXPECT_FALSE(Missing("C:\\Windows\\"));
  EXPECT_TRUE(Missing("C:\\Nowhere\\"));
  EXPECT_TRUE(Missing("C:\\Tools\\sub /x"));
  EXPECT_FALSE(Missing("C:\\Tools\\sub /x", {}, true));
  EXPECT_FALSE(Missing("C:\\Tools\\sub", {}, true));
}

TEST_F(PathTestFixture, ExtensionCutsTheCandidate) {
  EXPECT_FALSE(Missing("C:\\x\\ocx.dll,1", ".dll"));
  EXPECT_FALSE(Missing("C:\\X\\OCX.DLL,1", ".dll"));
  EXPECT_TRUE(Missing("C:\\x\\gone.dll,1", ".dll"));
  EXPECT_FALSE(Missing("C:\\x\\ocx.ocx", ".dll"));  // no ".dll" at all
  EXPECT_FALSE(Missing("ocx.dll", ".dll"));         // drive test
  // Arguments after the extension may name a second path.
  EXPECT_TRUE(Missing("C:\\x\\gone.dll C:\\x\\ocx.dll", ".dll"));
}

TEST_F(PathTestFixture, FolderVariablesAreExpanded) {
  EXPECT_FALSE(Missing("%SystemRoot%\\system32\\shell32.dll", ".dll"));
  EXPECT_TRUE(Missing("%SystemRoot%\\system32\\gone.dll", ".dll"));
  EXPECT_TRUE(Missing("%windir%\\gone.exe"));
  // Not defined, or not a folder: the "%" stays and the text is not judged.
  EXPECT_FALSE(Missing("%NotDefined%\\gone.dll", ".dll"));
  sim.files().setEnvironment("NotAFolder", "C:\\Windows\\notepad.exe");
  EXPECT_FALSE(Missing("%NotAFolder%\\gone.dll", ".dll"));
  // Without a closing "%" nothing is judged, with or without extension.
  EXPECT_FALSE(Missing("%SystemRoot\\gone.dll", ".dll"));
  EXPECT_FALSE(Missing("%SystemRoot\\gone.exe"));
  EXPECT_TRUE(Missing("\"%SystemRoot%\\gone.exe\" /x"));
}

TEST_F(PathTestFixture, ExpandFolderVariableKeepsTextThatNamesNoFolder) {
  auto& files = sim.files();
  EXPECT_EQ(ExpandFolderVariable(files, "%SystemRoot%"), "C:\\Windows");
  files.setEnvironment("PADDED", "  C:\\Windows\t ");
  EXPECT_EQ(ExpandFolderVariable(files, "%PADDED%"), "C:\\Windows");
  EXPECT_EQ(ExpandFolderVariable(files, "%Missing%"), "%Missing%");
  files.setEnvironment("FILE", "C:\\Windows\\notepad.exe");
  EXPECT_EQ(ExpandFolderVariable(files, "%FILE%"), "%FILE%");
  // An expansion of 1024 characters or more does not fit the buffer.
  files.setEnvironment("HUGE", "C:\\Windows" + std::string(1100, ' '));
  EXPECT_EQ(ExpandFolderVariable(files, "%HUGE%"), "%HUGE%");
  files.setEnvironment("FITS", "C:\\Windows" + std::string(1000, ' '));
  EXPECT_EQ(ExpandFolderVariable(files, "%FITS%"), "C:\\Windows");
}

TEST_F(PathTestFixture, ThirtyTwoBitProcessOnSixtyFourBitWindowsSkipsRedirectedFolders) {
  const char* redirected[] = {"C:\\Windows\\System32\\gone.dll",
                              "C:\\Program Files\\Gone\\gone.exe", "C:\\ProgramFiles\\gone.exe",
                              "C:\\Windows\\SysWOW64\\gone.dll",
                              "%SystemRoot%\\SYSTEM32\\gone.dll"};
  for (const char* text : redirected) EXPECT_TRUE(Missing(text)) << text;
  test.IsWow64 = true;
  for (const char* text : redirected) EXPECT_FALSE(Missing(text)) << text;
  // A variable that expands into a redirected folder.
  sim.files().setEnvironment("PF", "C:\\Program Files");
  EXPECT_FALSE(Missing("%PF%\\Gone\\gone.exe"));
  EXPECT_TRUE(Missing("C:\\Windows\\gone.exe"));
}

TEST_F(PathTestFixture, DrivesOutsideTheSetAreNotJudged) {
  sim.addDrive('D');
  EXPECT_FALSE(Missing("D:\\gone.exe"));
  test.ScannedDrives = BuildScannedDrives(sim.files(), true);
  EXPECT_EQ(test.ScannedDrives, "cd");
  EXPECT_TRUE(Missing("D:\\gone.exe"));
  EXPECT_TRUE(Missing("d:\\gone.dll", ".dll"));
  EXPECT_FALSE(Missing("E:\\gone.exe"));
}

TEST_F(PathTestFixture, EmptyFloppyGivesMissingWithoutTouchingTheDrive) {
  sim.addDrive('A', DriveType::Removable, true);
  sim.writeFile("A:\\setup.exe", "MZ");
  test.IncludeRemoveMedia = false;
  test.ScannedDrives = BuildScannedDrives(sim.files(), false);
  // The flag taken at scan start wins over the disk now in the drive.
  EXPECT_TRUE(Missing("A:\\setup.exe"));
  EXPECT_TRUE(Missing("a:\\setup.exe", ".exe"));
  EXPECT_TRUE(Missing("B:\\setup.exe"));
  test.FloppyA = true;
  EXPECT_FALSE(Missing("A:\\setup.exe"));
  EXPECT_TRUE(Missing("A:\\gone.exe"));
  // Reporting removable drives off: A: is not even in the set.
  test.IncludeRemoveMedia = true;
  test.ScannedDrives = BuildScannedDrives(sim.files(), true);
  test.FloppyA = false;
  EXPECT_FALSE(Missing("A:\\gone.exe"));
}

TEST(FileReferenceMissingBadInput, EmbeddedNulsEndTheText) {
  sim::SimPlatform sim;
  sim.writeFile("C:\\Windows\\notepad.exe", "MZ");
  PathTest test{sim.files(), "c", false, false, true, false};
  using namespace std::string_literals;
  EXPECT_FALSE(FileReferenceMissing(test, "C:\\Windows\\notepad.exe\0junk"s, {}));
  EXPECT_TRUE(FileReferenceMissing(test, "C:\\gone.exe\0C:\\Windows\\notepad.exe"s, {}));
  EXPECT_FALSE(FileReferenceMissing(test, "\0C:\\gone.exe"s, {}));
  EXPECT_FALSE(FileReferenceMissing(test, "C:\\Windows\\notepad.exe\0"s, ".exe"));
}

TEST(FileReferenceMissingBadInput, LongTextsFullOfSeparatorsStayBounded) {
  sim::SimPlatform sim;
  sim.writeFile("C:\\App\\lib.dll", "MZ");
  CountingFiles files(sim.hostPath("C:\\"));
  PathTest test{files, "c", false, false, true, false};

  const std::string separators = " *,/:;<>|";
  std::string noise;
  while (noise.size() < 32767) noise += separators;
  noise.resize(32767 - 10);

  const std::string texts[] = {
      "C:\\App\\" + noise,      // folder exists
      "C:\\Nowhere\\" + noise,  // folder missing
      "C:\\App\\lib.dll" + std::string(32000, ';'),
      "C:\\" + std::string(32000, '\\') + "x",
      std::string(32767, ';'),
      "%" + std::string(32000, '%'),
      "\"" + std::string(32000, ' '),
  };
  for (const auto& text : texts) {
    files.calls = 0;
    (void)FileReferenceMissing(test, text, {});
    (void)FileReferenceMissing(test, text, ".dll", true);
    EXPECT_LT(files.calls, 4000) << text.substr(0, 20);
    EXPECT_LE(files.longest, kMaxPathChars) << text.substr(0, 20);
  }
  // The trailing semicolons are still dropped down to the file.
  EXPECT_FALSE(FileReferenceMissing(test, texts[2], {}));
}

TEST(RegistryLocations, RootNamesAndLocationTexts) {
  EXPECT_EQ(RootKeyFromName("hkey_local_machine"), RootKey::LocalMachine);
  EXPECT_EQ(RootKeyFromName("HKEY_CURRENT_CONFIG"), RootKey::CurrentConfig);
  EXPECT_FALSE(RootKeyFromName("HKLM"));
  EXPECT_FALSE(RootKeyFromName(""));

  EXPECT_EQ(LocationText(RootKey::ClassesRoot, "\\CLSID\\{x}"), "HKEY_CLASSES_ROOT\\CLSID\\{x}");
  EXPECT_EQ(LocationText(RootKey::Users, ""), "HKEY_USERS");
  EXPECT_EQ(JoinLocation("HKEY_USERS\\.DEFAULT", "Value"), "HKEY_USERS\\.DEFAULT\\Value");

  const auto parsed = ParseLocation("HKEY_CURRENT_USER\\Software\\Microsoft");
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->root, RootKey::CurrentUser);
  EXPECT_EQ(parsed->path, "Software\\Microsoft");
  EXPECT_EQ(ParseLocation("HKEY_USERS")->path, "");
  EXPECT_FALSE(ParseLocation("HKCU\\Software"));

  EXPECT_EQ(KeyPartOf("HKEY_USERS\\a\\value"), "HKEY_USERS\\a");
  EXPECT_EQ(LastPartOf("HKEY_USERS\\a\\value"), "value");
  EXPECT_EQ(KeyPartOf("value"), "");
  EXPECT_EQ(LastPartOf("value"), "value");
}

TEST(RegistryLocations, Rot13RotatesLettersOnly) {
  EXPECT_EQ(Rot13("abc"), "nop");
  EXPECT_EQ(Rot13("NOP xyz"), "ABC klm");
  const std::string text = "UEME_RUNPATH:C:\\Program Files\\App 1.0\\app.exe {7}";
  EXPECT_EQ(Rot13(Rot13(text)), text);
  EXPECT_EQ(Rot13("123 -_\\:"), "123 -_\\:");
  EXPECT_EQ(Rot13("\xC3\xA9"), "\xC3\xA9");
}

TEST(ScanInputs, DriveSetFollowsTheRemovableDrivesSetting) {
  sim::SimPlatform sim;
  sim.addDrive('A', DriveType::Removable, false);
  sim.addDrive('D', DriveType::CdRom);
  sim.addDrive('F', DriveType::Fixed);
  sim.addDrive('G', DriveType::Removable);
  sim.addDrive('Z', DriveType::Fixed);
  EXPECT_EQ(BuildScannedDrives(sim.files(), true), "cfz");
  EXPECT_EQ(BuildScannedDrives(sim.files(), false), "abcdefghijklmnopqrstuvwxyz");
}

TEST(ScanInputs, FloppyPresenceAndWow64) {
  sim::SimPlatform sim;
  EXPECT_FALSE(TestFloppyDrives(sim.files()).a);
  sim.addDrive('A', DriveType::Removable, false);
  sim.addDrive('B', DriveType::Removable, true);
  const auto presence = TestFloppyDrives(sim.files());
  EXPECT_FALSE(presence.a);
  EXPECT_TRUE(presence.b);

  EXPECT_FALSE(IsWow64(sim.system()));
  sim.system().setWow64(true);
  EXPECT_TRUE(IsWow64(sim.system()));
}

TEST(Shortcuts, TargetsOfLinkFilesAndWhatIsNotOne) {
  sim::SimPlatform sim;
  const std::string target =
      "C:\\Program Files\\\xC3\x9C"
      "ber\\app.exe";
  ASSERT_TRUE(sim.writeFile("C:\\Links\\app.lnk", sim::MakeShellLinkBytes(target)));
  ASSERT_TRUE(sim.writeFile("C:\\Links\\text.lnk", "not a shortcut at all"));
  EXPECT_EQ(ShortcutTarget(sim.shell(), "C:\\Links\\app.lnk"), target);
  EXPECT_EQ(ShortcutTarget(sim.shell(), "C:\\Links\\text.lnk"), "");
  EXPECT_EQ(ShortcutTarget(sim.shell(), "C:\\Links\\gone.lnk"), "");

  auto notLink = sim.shell().resolveShortcut("C:\\Links\\text.lnk");
  ASSERT_FALSE(notLink);
  EXPECT_EQ(notLink.error().code, Errc::InvalidArgument);
  auto gone = sim.shell().resolveShortcut("C:\\Links\\gone.lnk");
  ASSERT_FALSE(gone);
  EXPECT_EQ(gone.error().code, Errc::NotFound);
}

// Builds a link by hand: header with the given flags, an optional item
// list, and a LinkInfo without Unicode paths (header 0x1C) whose path is
// split into base and suffix.
std::string AnsiLink(bool withIdList, std::string_view base, std::string_view suffix) {
  std::string bytes = sim::MakeShellLinkBytes("X").substr(0, 0x4C);
  bytes[0x14] = static_cast<char>(withIdList ? 0x03 : 0x02);
  if (withIdList) {
    bytes += std::string("\x04\x00", 2);
    bytes += std::string("\x02\x00\x00\x00", 4);
  }
  std::string info(0x1C, '\0');
  auto put = [&](std::size_t at, std::size_t value) {
    for (int i = 0; i < 4; ++i) info[at + i] = static_cast<char>(value >> (8 * i) & 0xFF);
  };
  const std::size_t basePos = info.size();
  info += std::string(base) + '\0';
  const std::size_t suffixPos = info.size();
  info += std::string(suffix) + '\0';
  put(0, info.size());
  put(4, 0x1C);
  put(8, 1);
  put(0x10, basePos);
  put(0x18, suffixPos);
  return bytes + info;
}

TEST(Shortcuts, LinkFormatParsing) {
  auto plain = sim::ParseShellLinkTarget(AnsiLink(false, "C:\\Dir\\", "file.txt"));
  ASSERT_TRUE(plain);
  EXPECT_EQ(*plain, "C:\\Dir\\file.txt");
  auto withIds = sim::ParseShellLinkTarget(AnsiLink(true, "D:\\a.exe", ""));
  ASSERT_TRUE(withIds);
  EXPECT_EQ(*withIds, "D:\\a.exe");

  // Only an item list: no local path to report.
  std::string idOnly = AnsiLink(true, "D:\\a.exe", "").substr(0, 0x4C + 6);
  idOnly[0x14] = 0x01;
  auto none = sim::ParseShellLinkTarget(idOnly);
  ASSERT_FALSE(none);
  EXPECT_EQ(none.error().code, Errc::NotFound);

  // Every truncation and every single-byte change is refused or read,
  // never read past the end.
  const std::string link = sim::MakeShellLinkBytes("C:\\Windows\\notepad.exe");
  for (std::size_t length = 0; length + 4 < link.size(); ++length) {
    auto cut = sim::ParseShellLinkTarget(std::string_view(link).substr(0, length));
    EXPECT_FALSE(cut) << length;
  }
  for (std::size_t at = 0; at < link.size(); ++at) {
    std::string changed = link;
    changed[at] = static_cast<char>(changed[at] ^ 0xFF);
    (void)sim::ParseShellLinkTarget(changed);
  }
}

TEST(ShellDelete, RemovesFilesEvenReadOnlyOnes) {
  sim::SimPlatform sim;
  sim.writeFile("C:\\Links\\old.lnk", "x");
  ASSERT_TRUE(sim.files().setAttributes("C:\\Links\\old.lnk", platform::FileAttr::ReadOnly).ok());
  EXPECT_TRUE(DeleteFileByShell(sim.shell(), "C:\\Links\\old.lnk"));
  EXPECT_FALSE(sim.files().fileExists("C:\\Links\\old.lnk"));
  EXPECT_FALSE(DeleteFileByShell(sim.shell(), "C:\\Links\\old.lnk"));
}

}  // namespace
}  // namespace nc::registry
