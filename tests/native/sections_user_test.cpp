// Shortcuts, Sound and Appevents, and the MRU and UserAssist lists.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/sim/shell_link.h"
#include "registry/locations.h"
#include "registry/sections.h"
#include "registry/sections_common.h"
#include "sections_fixture.h"

namespace nc::testing {
namespace {

using platform::RegType;
using platform::RootKey;
using registry::ProblemKind;

class ShortcutsSection : public SectionsTest {
 protected:
  void SetUp() override {
    sim.files().setSpecialFolder(registry::kCsidlCommonDesktop, "C:\\Users\\Public\\Desktop");
    desktop = sim.files().specialFolder(platform::Csidl::Desktop);
    startMenu = sim.files().specialFolder(platform::Csidl::StartMenu);
    commonStart = sim.files().specialFolder(platform::Csidl::CommonStartMenu);
  }
  void Link(const std::string& path, std::string_view target) {
    ASSERT_TRUE(sim.writeFile(path, sim::MakeShellLinkBytes(target))) << path;
  }
  std::vector<std::pair<std::string, std::string>> Found() const {
    std::vector<std::pair<std::string, std::string>> found;
    for (const auto& p : Problems()) {
      EXPECT_EQ(p.Problem, "Missing ShortCut reference");
      EXPECT_EQ(p.Kind, ProblemKind::ShortcutFile);
      found.emplace_back(p.RegistryKey, p.Data);
    }
    return found;
  }

  std::string desktop;
  std::string startMenu;
  std::string commonStart;
};

TEST_F(ShortcutsSection, ReportsShortcutsToMissingLocalTargetsInEveryFolder) {
  File("C:\\Tools\\tool.exe");
  Folder("C:\\Data");
  Link(desktop + "\\dead.lnk", "C:\\Program Files\\Gone\\gone.exe");
  Link(desktop + "\\LOUD.LNK", "C:\\Gone\\loud.exe");
  Link(desktop + "\\tool.lnk", "C:\\Tools\\tool.exe");
  Link(desktop + "\\folder.lnk", "C:\\Data");
  Link(desktop + "\\other-drive.lnk", "D:\\Gone\\app.exe");
  Link(desktop + "\\dead.txt", "C:\\Gone\\text.exe");  // not a shortcut by its name
  ASSERT_TRUE(sim.writeFile(desktop + "\\broken.lnk", "not a shell link at all"));
  ASSERT_TRUE(sim.writeFile(desktop + "\\empty.lnk", ""));
  Link(commonStart + "\\Programs\\Vendor\\Deep\\old.lnk", "C:\\Vendor\\old.exe");
  Link("C:\\Users\\Public\\Desktop\\public.lnk", "C:\\Public\\gone.exe");

  registry::ScanShortcuts(ctx);
  const std::vector<std::pair<std::string, std::string>> expected = {
      {commonStart + "\\Programs\\Vendor\\Deep\\old.lnk", "C:\\Vendor\\old.exe"},
      {"C:\\Users\\Public\\Desktop\\public.lnk", "C:\\Public\\gone.exe"},
      {desktop + "\\dead.lnk", "C:\\Program Files\\Gone\\gone.exe"},
      {desktop + "\\LOUD.LNK", "C:\\Gone\\loud.exe"},
  };
  EXPECT_EQ(Found(), expected);
  EXPECT_EQ(sink.statuses, std::vector<std::string>{"Scanning: Shortcuts"});
  // Every shortcut is shown, the other files are not.
  EXPECT_EQ(std::count(sink.keyLines.begin(), sink.keyLines.end(), desktop + "\\dead.txt"), 0);
  EXPECT_EQ(std::count(sink.keyLines.begin(), sink.keyLines.end(), desktop + "\\broken.lnk"), 1);
}

TEST_F(ShortcutsSection, UserStartMenuIsMetAgainBelowApplicationData) {
  // The user's Start Menu and Recent folders lie below Application Data,
  // so their shortcuts are met in both walks.
  Link(startMenu + "\\Programs\\app.lnk", "C:\\App\\app.exe");
  registry::ScanShortcuts(ctx);
  const std::vector<std::pair<std::string, std::string>> expected = {
      {startMenu + "\\Programs\\app.lnk", "C:\\App\\app.exe"},
      {startMenu + "\\Programs\\app.lnk", "C:\\App\\app.exe"},
  };
  EXPECT_EQ(Found(), expected);
}

TEST_F(ShortcutsSection, Wow64AndFloppyRules) {
  Link(desktop + "\\pf.lnk", "C:\\Program Files\\Gone\\gone.exe");
  Link(desktop + "\\sys.lnk", "C:\\Windows\\SYSTEM32\\gone.exe");
  Link(desktop + "\\floppy.lnk", "A:\\setup.exe");
  Link(desktop + "\\plain.lnk", "C:\\Gone\\plain.exe");
  ctx.pathTest.IsWow64 = true;
  ctx.pathTest.IncludeRemoveMedia = false;
  ctx.pathTest.ScannedDrives = "abc";
  registry::ScanShortcuts(ctx);
  const std::vector<std::pair<std::string, std::string>> expected = {
      {desktop + "\\floppy.lnk", "A:\\setup.exe"},
      {desktop + "\\plain.lnk", "C:\\Gone\\plain.exe"},
  };
  EXPECT_EQ(Found(), expected);
}

TEST_F(ShortcutsSection, FolderLinksAreNotFollowedAndStopEndsTheWalk) {
  Link(desktop + "\\a.lnk", "C:\\Gone\\a.exe");
  Link(desktop + "\\b.lnk", "C:\\Gone\\b.exe");
  std::error_code ec;
  std::filesystem::create_directory_symlink(sim.hostPath(desktop), sim.hostPath(desktop) / "loop",
                                            ec);
  ASSERT_FALSE(ec) << ec.message();
  sink.onKeyLine = [&](std::string_view line) {
    if (line == desktop + "\\a.lnk") stop = true;
  };
  registry::ScanShortcuts(ctx);
  // The shortcut being judged when the stop came is still finished.
  ASSERT_EQ(Problems().size(), 1u);
  EXPECT_EQ(Problems()[0].Data, "C:\\Gone\\a.exe");
}

class SoundSection : public SectionsTest {};

TEST_F(SoundSection, JudgesTheDefaultValueOfCurrentDefaultAndUtopiaKeys) {
  File("C:\\Windows\\Media\\ding.wav");
  Reg(R"([HKEY_CURRENT_USER\AppEvents\Schemes\Apps\.Default\SystemAsterisk\.Current]
@="C:\\Windows\\Media\\ding.wav"
[HKEY_CURRENT_USER\AppEvents\Schemes\Apps\.Default\SystemAsterisk\.Default]
@="C:\\Windows\\Media\\gone.wav"
[HKEY_CURRENT_USER\AppEvents\Schemes\Apps\.Default\SystemAsterisk\.Modified]
@="C:\\Windows\\Media\\modified.wav"
[HKEY_CURRENT_USER\AppEvents\Schemes\Apps\.Default\SystemAsterisk\Utopia0]
@=hex(2):25,53,79,73,74,65,6d,52,6f,6f,74,25,5c,6d,65,64,69,61,5c,75,2e,77,61,76,00
[HKEY_CURRENT_USER\AppEvents\Schemes\Apps\.Default\SystemExit\.current]
@="ding.wav"
"Other"="C:\\other.wav"
[HKEY_CURRENT_USER\AppEvents\Schemes\Apps\.current]
@="C:\\top.wav"
[HKEY_CURRENT_USER\AppEvents\Schemes\Apps\.current\.Default]
@=dword:00000001
[HKEY_CURRENT_USER\AppEvents\Schemes\Apps\Explorer\Navigating\.Current]
@=""
)");
  registry::ScanSoundEvents(ctx);
  const std::string apps = "HKEY_CURRENT_USER\\AppEvents\\Schemes\\Apps\\";
  const char* p = "Non-existent Sound File";
  // Sub-keys come in the order of their upper-cased names.
  const std::vector<registry::ProblemEntry> expected = {
      Entry(p, "C:\\top.wav", apps + ".current", ProblemKind::DefaultValue),
      Entry(p, "C:\\Windows\\Media\\gone.wav", apps + ".Default\\SystemAsterisk\\.Default",
            ProblemKind::DefaultValue),
      Entry(p, "%SystemRoot%\\media\\u.wav", apps + ".Default\\SystemAsterisk\\Utopia0",
            ProblemKind::DefaultValue),
  };
  EXPECT_EQ(Problems(), expected);
  EXPECT_EQ(sink.statuses, std::vector<std::string>{"Scanning: Sound and Appevents"});
  EXPECT_EQ(sink.keyLines.front(), "AppEvents\\Schemes\\Apps");
}

class MruSection : public SectionsTest {
 protected:
  static constexpr const char* kMru =
      "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\OpenSaveMRU";
  static constexpr const char* kCount =
      "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\UserAssist\\"
      "{75048700-EF1F-11D0-9888-006097DEACF9}\\Count";

  // A UserAssist value: the name is stored in ROT13, the run count at
  // offset 4 of the data.
  void Assist(std::string_view name, std::uint32_t count, std::size_t size = 16) {
    auto key = sim.registry().create(RootKey::CurrentUser, kCount);
    ASSERT_TRUE(key.ok());
    std::vector<std::uint8_t> data(size, 0);
    for (std::size_t i = 0; i < 4 && 4 + i < size; ++i) {
      data[4 + i] = static_cast<std::uint8_t>(count >> (8 * i));
    }
    ASSERT_TRUE(sim.registry()
                    .writeValue(*key, registry::Rot13(name),
                                static_cast<std::uint32_t>(RegType::Binary), data)
                    .ok());
  }
};

TEST_F(MruSection, OpenSaveListsAreJudgedWithTheirExtensionsThenPerExtension) {
  File("C:\\Docs\\report.txt");
  File("C:\\Docs\\letter.doc");
  const std::string mru = std::string("[HKEY_CURRENT_USER\\") + kMru;
  Reg(mru + R"(]
"a"="C:\\Docs\\report"
"b"="C:\\Docs\\letter"
"c"="C:\\Docs\\gone"
"d"="relative\\name"
"e"="D:\\Docs\\gone"
"MRUList"="abcde"
)" + mru +
      R"(\txt]
"a"="C:\\Docs\\report.txt"
"b"="C:\\Docs\\gone.txt"
)" + mru +
      R"(\*]
"a"="C:\\Docs\\star.doc"
)" + mru +
      R"(\doc]
)");
  // Every probe of a drive happens with the system's error boxes off; they
  // are back on afterwards.
  std::vector<bool> boxesAtProbe;
  sim.files().setOnProbe(
      [&](std::string_view) { boxesAtProbe.push_back(sim.system().criticalErrorBoxesShown()); });
  registry::ScanMruLists(ctx);
  sim.files().setOnProbe({});
  EXPECT_GE(boxesAtProbe.size(), 4u);
  EXPECT_EQ(std::count(boxesAtProbe.begin(), boxesAtProbe.end(), true), 0);
  EXPECT_TRUE(sim.system().criticalErrorBoxesShown());
  const std::string key = std::string("HKEY_CURRENT_USER\\") + kMru;
  const char* p = "Non-existent MRU and History Lists file";
  const std::vector<registry::ProblemEntry> expected = {
      Entry(p, "C:\\Docs\\gone", key + "\\c", ProblemKind::ValuePath),
      Entry(p, "C:\\Docs\\star.doc", key + "\\*\\a", ProblemKind::ValuePath),
      Entry(p, "C:\\Docs\\gone.txt", key + "\\txt\\b", ProblemKind::ValuePath),
  };
  EXPECT_EQ(Problems(), expected);
  EXPECT_EQ(sink.statuses, std::vector<std::string>{"Scanning: MRU and History Lists"});
}

TEST_F(MruSection, UserAssistEntriesNeverRunOrNamingMissingFilesAreReported) {
  File("C:\\Tools\\tool.exe");
  Assist("UEME_RUNPATH:C:\\Tools\\tool.exe", 5);
  Assist("UEME_RUNCPL:C:\\Tools\\tool.exe", 0);  // exists, never run
  Assist("UEME_RUNPATH:C:\\Gone\\gone.exe", 3);
  Assist("UEME_RUNPATH:C:\\Gone\\app.lnk", 2);  // shortcuts are not judged by path
  Assist("UEME_RUNPIDL:%csidl2%\\Gone.lnk", 0);
  Assist("UEME_CTLSESSION", 0, 8);
  Assist("UEME_RUNPATH:C:\\Gone\\short.exe", 0, 4);  // no run count
  Assist("UEME_RUNPATH:C:\\Tools\\tool.exe ", 0, 4);
  Assist("UEME_RUNPATH:C:\\Gone\\huge.exe", 0, 32768);  // too large to be read
  registry::ScanMruLists(ctx);
  const std::string key = std::string("HKEY_CURRENT_USER\\") + kCount;
  const char* p = "Non-existent MRU and History Lists file";
  const std::vector<registry::ProblemEntry> expected = {
      Entry(p, "UEME_RUNCPL:C:\\Tools\\tool.exe", key, ProblemKind::UserAssistValue),
      Entry(p, "UEME_RUNPATH:C:\\Gone\\gone.exe", key, ProblemKind::UserAssistValue),
      Entry(p, "UEME_RUNPIDL:%csidl2%\\Gone.lnk", key, ProblemKind::UserAssistValue),
      Entry(p, "UEME_CTLSESSION", key, ProblemKind::UserAssistValue),
      Entry(p, "UEME_RUNPATH:C:\\Gone\\short.exe", key, ProblemKind::UserAssistValue),
  };
  EXPECT_EQ(Problems(), expected);
  EXPECT_EQ(sink.keyLines, std::vector<std::string>{kCount});
}

}  // namespace
}  // namespace nc::testing
