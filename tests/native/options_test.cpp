// The settings file: defaults, clamps, numbered lists and window bounds.
#include <gtest/gtest.h>

#include <array>
#include <set>
#include <string>
#include <vector>

#include "app/options.h"
#include "fake_settings_trees.h"
#include "platform/sim/sim_platform.h"

namespace nc {
namespace {

using app::Options;

class OptionsIniTest : public ::testing::Test {
 protected:
  OptionsIniTest() {
    trees.cleanNodes = {{"Internet Explorer"},
                        {"Internet Explorer - Cookies"},
                        {"Windows - Temporary Files"},
                        {"Windows - Clipboard"}};
    trees.sections = {{1, false}, {2, false}, {3, false}};
    EXPECT_TRUE(sim.files().createFolders(folder).ok());
  }

  app::SettingsFile file() { return {sim.profile(), iniPath, folder}; }
  Options read(app::WindowMetrics metrics = {1024, 768, 713, 494}) {
    Options o;
    app::ReadOptionsIni(file(), o, trees, metrics);
    return o;
  }
  void write(Options& o, app::WindowPlacement placement = {1, 10, 20, 713, 494}) {
    app::WriteOptionsIni(file(), o, trees, placement);
  }
  std::string key(const char* section, const char* name) {
    return sim.profile().readString(iniPath, section, name, "<missing>");
  }

  sim::SimPlatform sim;
  const std::string folder = "C:\\Program Files\\Norvik Cleaner\\";
  const std::string iniPath = app::OptionsIniPath(folder);
  test::FakeSettingsTrees trees;
};

TEST_F(OptionsIniTest, MissingFileGivesTheDefaults) {
  trees.cleanNodes[1].ticked = true;  // reading unticks everything first
  const Options o = read();
  EXPECT_TRUE(o.IsAskBeforeClear);
  EXPECT_TRUE(o.FastScan);
  EXPECT_FALSE(o.IsWipeFile);
  EXPECT_EQ(o.WipeNumber, 1);
  for (int i = 1; i <= 24; ++i) EXPECT_TRUE(o.TreeViewNodeCheck[i]) << i;
  for (int i = 1; i <= 11; ++i) EXPECT_TRUE(o.FirstNodeExpand[i]) << i;
  EXPECT_TRUE(trees.TickedCleanNodeNames().empty());
  EXPECT_EQ(o.Left, (1024 - 713) / 2);
  EXPECT_EQ(o.Top, (768 - 494) / 2);
  EXPECT_EQ(o.Width, 713);
  EXPECT_EQ(o.Height, 494);
  EXPECT_EQ(o.WindowState, 0);
  EXPECT_FALSE(o.EnableHotkey);
  EXPECT_TRUE(o.Hotkey.Ctrl);
  EXPECT_FALSE(o.Hotkey.Shift);
  EXPECT_FALSE(o.Hotkey.Alt);
  EXPECT_EQ(o.Hotkey.KeyName, "F5");
  EXPECT_EQ(o.Hotkey.KeyCode, 116);
  EXPECT_EQ(o.OutputDirectory, folder + "Backup");
  EXPECT_TRUE(o.DeleteBackupFile);
  EXPECT_TRUE(o.IncludeRemoveMedia);
  EXPECT_FALSE(o.IncludeCDdrive);
  EXPECT_FALSE(o.RestorePoint);
  EXPECT_FALSE(o.EnableIE || o.EnableNetscape || o.EnableFirefox || o.EnableOpera);
  EXPECT_FALSE(o.ShowLogTempInternetFiles || o.ShowLogRecycleBin);
  // No scheduled clean runs by itself, before the file is read or after.
  for (const Options& d : {Options{}, o}) {
    EXPECT_FALSE(d.AutoClean || d.StartClean || d.ShutdownClean);
    EXPECT_EQ(d.CleanInterval, 0);
  }
  EXPECT_TRUE(o.IgnoreValues.empty());
  EXPECT_TRUE(o.IgnoreKeys.empty());
}

TEST_F(OptionsIniTest, WipeNumberOutsideOneToTenReadsAsOne) {
  // "-4294967291" is below the 32-bit range; cut to 32 bits it would be 5,
  // and "-18446744073709551611" negated in 64 bits would be 5 as well.
  for (const char* value :
       {"0", "11", "-3", "abc", "2147483648", "-4294967291", "-18446744073709551611"}) {
    sim.profile().writeString(iniPath, "Options", "WipeNumber", value);
    EXPECT_EQ(read().WipeNumber, 1) << value;
  }
  // Whole numbers in decimal, "$" hex or "0x" hex, blanks around them.
  for (const char* value : {"10", " +10 ", "$A", "0x0a", "0X00A"}) {
    sim.profile().writeString(iniPath, "Options", "WipeNumber", value);
    EXPECT_EQ(read().WipeNumber, 10) << value;
  }
}

// Values written by hand that the program must not trust: a key code no
// key of the hotkey field has, and a backup folder that is not a full path.
TEST_F(OptionsIniTest, HandWrittenHotkeyCodesAndBackupFoldersAreChecked) {
  const std::pair<const char*, std::uint16_t> codes[] = {{"116", 116}, {"46", 46},   {"0", 0},
                                                         {"17", 0},    {"91", 0},    {"300", 0},
                                                         {"-1", 0},    {"65652", 0}, {"abc", 116}};
  for (const auto& [value, code] : codes) {
    sim.profile().writeString(iniPath, "Hotkey", "CharAscII", value);
    EXPECT_EQ(read().Hotkey.KeyCode, code) << value;
  }
  const std::pair<const char*, std::string> folders[] = {
      {"D:\\Backups", "D:\\Backups"},
      {"d:/b", "d:/b"},
      {"A:\\Backup", "A:\\Backup"},
      {"z:\\", "z:\\"},
      {"\\\\server\\share\\b", "\\\\server\\share\\b"},
      {"Backup", folder + "Backup"},
      {"Lists\\Old backups\\", folder + "Lists\\Old backups\\"},
      {"..\\elsewhere", folder + "Backup"},
      {"Backup\\..\\..\\x", folder + "Backup"},
      {"C:relative", folder + "Backup"},
      {"\\rooted", folder + "Backup"},
      {"", folder + "Backup"}};
  for (const auto& [value, expected] : folders) {
    sim.profile().writeString(iniPath, "Options", "OutputDirectory", value);
    EXPECT_EQ(read().OutputDirectory, expected) << value;
  }
}

// A portable folder moved elsewhere keeps the backups inside it: a backup
// folder below the program's folder is written as its path from there, in
// whatever case the user typed the program's folder; others stay full paths.
TEST_F(OptionsIniTest, ABackupFolderInsideTheProgramFolderMovesWithIt) {
  const std::pair<std::string, std::string> stored[] = {
      {folder + "Backup", "Backup"},
      {"c:\\program files\\NORVIK CLEANER\\Old\\Backup\\", "Old\\Backup\\"},
      {"C:/Program Files/Norvik Cleaner/Backup", "Backup"},
      {folder, folder},
      {"C:\\Program Files\\Norvik Cleaner2\\Backup", "C:\\Program Files\\Norvik Cleaner2\\Backup"},
      {"D:\\Backups", "D:\\Backups"}};
  for (const auto& [backup, written] : stored) {
    Options o;
    o.OutputDirectory = backup;
    write(o);
    EXPECT_EQ(key("Options", "OutputDirectory"), written) << backup;
  }
  Options o;
  o.OutputDirectory = folder + "Backup";
  write(o);
  const std::string moved = "E:\\Stick\\Norvik Cleaner\\";
  Options r;
  app::ReadOptionsIni({sim.profile(), iniPath, moved}, r, trees, {1024, 768, 713, 494});
  EXPECT_EQ(r.OutputDirectory, moved + "Backup");
}

TEST_F(OptionsIniTest, BooleansAreAnyWholeNumberButZeroAndGarbageIsTheDefault) {
  sim.profile().writeString(iniPath, "Options", "IsWipeFile", "7");
  sim.profile().writeString(iniPath, "Settings", "FastScan", "yes");
  sim.profile().writeString(iniPath, "options", "isaskbeforeclear", "0");
  const Options o = read();
  EXPECT_TRUE(o.IsWipeFile);
  EXPECT_TRUE(o.FastScan);           // not a number: the default
  EXPECT_FALSE(o.IsAskBeforeClear);  // names match in any case
}

TEST_F(OptionsIniTest, EverySettingSurvivesAWriteAndARead) {
  Options o;
  o.IsAskBeforeClear = false;
  o.IsWipeFile = true;
  o.WipeNumber = 7;
  o.EnableHotkey = true;
  o.Hotkey = {false, true, true, "Num 5", 101};
  o.EnableIE = o.EnableFirefox = true;
  o.AutoClean = true;
  o.CleanInterval = 3;
  o.StartClean = o.ShutdownClean = true;
  o.FastScan = false;
  o.FirstNodeExpand[1] = o.FirstNodeExpand[4] = false;
  o.ShowLogRecycleBin = true;
  o.OutputDirectory = "D:\\Backups \u00e9t\u00e9";
  o.DeleteBackupFile = false;
  o.IncludeRemoveMedia = false;
  o.IncludeCDdrive = true;
  o.IgnoreValues = {"HKEY_CURRENT_USER\\A\\v", "HKEY_LOCAL_MACHINE\\B\\w"};
  o.IgnoreValueCount = 2;
  o.IgnoreKeys = {"HKEY_CLASSES_ROOT\\.xyz"};
  o.IgnoreKeyCount = 1;
  o.RestorePoint = true;
  trees.sections[1].ticked = true;
  trees.sections[0].ticked = trees.sections[2].ticked = false;
  trees.sections.push_back({24, false});
  write(o, {1, 33, 44, 800, 600});

  const Options r = read();
  EXPECT_FALSE(r.IsAskBeforeClear);
  EXPECT_TRUE(r.IsWipeFile);
  EXPECT_EQ(r.WipeNumber, 7);
  EXPECT_TRUE(r.EnableHotkey);
  EXPECT_FALSE(r.Hotkey.Ctrl);
  EXPECT_TRUE(r.Hotkey.Shift);
  EXPECT_TRUE(r.Hotkey.Alt);
  EXPECT_EQ(r.Hotkey.KeyName, "Num 5");
  EXPECT_EQ(r.Hotkey.KeyCode, 101);
  EXPECT_TRUE(r.EnableIE && r.EnableFirefox);
  EXPECT_FALSE(r.EnableNetscape || r.EnableOpera);
  EXPECT_TRUE(r.AutoClean && r.StartClean && r.ShutdownClean);
  EXPECT_EQ(r.CleanInterval, 3);
  EXPECT_FALSE(r.FastScan);
  EXPECT_FALSE(r.FirstNodeExpand[1]);
  EXPECT_FALSE(r.FirstNodeExpand[4]);
  EXPECT_TRUE(r.FirstNodeExpand[5]);
  EXPECT_TRUE(r.ShowLogRecycleBin);
  EXPECT_FALSE(r.ShowLogTempInternetFiles);
  EXPECT_EQ(r.OutputDirectory, o.OutputDirectory);
  EXPECT_FALSE(r.DeleteBackupFile);
  EXPECT_FALSE(r.IncludeRemoveMedia);
  EXPECT_TRUE(r.IncludeCDdrive);
  EXPECT_EQ(r.IgnoreValues, o.IgnoreValues);
  EXPECT_EQ(r.IgnoreKeys, o.IgnoreKeys);
  EXPECT_TRUE(r.RestorePoint);
  EXPECT_FALSE(r.TreeViewNodeCheck[1]);
  EXPECT_TRUE(r.TreeViewNodeCheck[2]);
  EXPECT_FALSE(r.TreeViewNodeCheck[3]);
  EXPECT_TRUE(r.TreeViewNodeCheck[23]);  // no such node: as recorded
  EXPECT_FALSE(r.TreeViewNodeCheck[24]);
  // Seventeen expand slots (the Chromium browsers' groups from 12) and 24
  // section slots, no more.
  EXPECT_EQ(key("FirstNodeExpand", "17"), "1");
  EXPECT_EQ(key("FirstNodeExpand", "18"), "<missing>");
  EXPECT_EQ(key("TreeViewNodeCheck", "25"), "<missing>");
  EXPECT_EQ(r.Left, 33);
  EXPECT_EQ(r.Top, 44);
  EXPECT_EQ(r.Width, 800);
  EXPECT_EQ(r.Height, 600);
}

TEST_F(OptionsIniTest, TickedItemsAreNumberedAndSurplusEntriesAreLeftUnread) {
  Options o;
  trees.cleanNodes[0].ticked = true;  // a group, by its caption
  trees.cleanNodes[2].ticked = true;
  trees.cleanNodes[3].ticked = true;
  write(o);
  EXPECT_EQ(key("NodeSelected", "SelectedCount"), "3");
  EXPECT_EQ(key("NodeSelected", "1"), "Internet Explorer");
  EXPECT_EQ(key("NodeSelected", "2"), "Windows - Temporary Files");
  EXPECT_EQ(key("NodeSelected", "3"), "Windows - Clipboard");

  trees.cleanNodes[2].ticked = false;
  write(o);
  EXPECT_EQ(o.SelectedCount, 2);
  EXPECT_EQ(key("NodeSelected", "SelectedCount"), "2");
  EXPECT_EQ(key("NodeSelected", "2"), "Windows - Clipboard");
  EXPECT_EQ(key("NodeSelected", "3"), "Windows - Clipboard");  // left behind

  // Reading ticks exactly the stored names; an entry naming an item that
  // no longer exists is skipped.
  trees.cleanNodes[3].name = "Windows - Clipboard (renamed)";
  const Options r = read();
  EXPECT_EQ(r.SelectedCount, 2);
  EXPECT_TRUE(trees.isTicked("Internet Explorer"));
  EXPECT_FALSE(trees.isTicked("Windows - Temporary Files"));
  EXPECT_FALSE(trees.isTicked("Windows - Clipboard (renamed)"));
}

TEST_F(OptionsIniTest, IgnoreListsAreReadOnlyUpToTheirCounts) {
  sim.profile().writeString(iniPath, "IgnoreValue", "Count", "1");
  sim.profile().writeString(iniPath, "IgnoreValue", "Value1", "first");
  sim.profile().writeString(iniPath, "IgnoreValue", "Value2", "surplus");
  sim.profile().writeString(iniPath, "IgnoreKey", "Count", "2");
  sim.profile().writeString(iniPath, "IgnoreKey", "Key1", "k1");
  sim.profile().writeString(iniPath, "IgnoreKey", "Key2", "k2");
  const Options o = read();
  EXPECT_EQ(o.IgnoreValues, std::vector<std::string>{"first"});
  EXPECT_EQ(o.IgnoreValueCount, 1);
  EXPECT_EQ(o.IgnoreKeys, (std::vector<std::string>{"k1", "k2"}));

  // Entries without their count are not read.
  sim.profile().writeString(iniPath, "NodeSelected", "1", "Windows - Clipboard");
  EXPECT_EQ(read().SelectedCount, 0);
  EXPECT_FALSE(trees.isTicked("Windows - Clipboard"));
}

TEST_F(OptionsIniTest, ADamagedCountNeverReadsBeyondTheSection) {
  sim.profile().writeString(iniPath, "IgnoreValue", "Count", "2000000000");
  sim.profile().writeString(iniPath, "IgnoreValue", "Value1", "only");
  sim.profile().writeString(iniPath, "NodeSelected", "SelectedCount", "2147483647");
  sim.profile().writeString(iniPath, "NodeSelected", "1", "Windows - Clipboard");
  const Options o = read();
  EXPECT_LE(o.IgnoreValues.size(), 2u);
  EXPECT_EQ(o.IgnoreValues.front(), "only");
  EXPECT_TRUE(trees.isTicked("Windows - Clipboard"));
}

TEST_F(OptionsIniTest, AMaximisedWindowIsStoredAsStateThreeAndItsBoundsAreNotRead) {
  Options o;
  write(o, {3, -4, -4, 1032, 776});
  EXPECT_EQ(key("Window", "State"), "3");
  const Options r = read();
  EXPECT_EQ(r.WindowState, 2);
  EXPECT_EQ(r.Left, 0);
  EXPECT_EQ(r.Top, 0);
  EXPECT_EQ(r.Width, 0);
  EXPECT_EQ(r.Height, 0);

  // A placement the system could not give leaves the stored state alone.
  write(o, {std::nullopt, 5, 6, 700, 500});
  EXPECT_EQ(key("Window", "State"), "3");
  EXPECT_EQ(key("Window", "Left"), "5");
}

// Saved bounds off every monitor come back onto the nearest one; bounds
// that show at least in part stay where they were.
TEST(BoundsOnScreen, BoundsOffEveryMonitorComeOntoTheNearest) {
  using app::ScreenRect;
  const std::vector<ScreenRect> two = {{0, 0, 1024, 738}, {1024, 0, 1280, 1024}};
  struct Case {
    const char* what;
    ScreenRect saved;
    std::vector<ScreenRect> areas;
    ScreenRect shown;
  };
  const Case cases[] = {
      {"on screen", {100, 50, 713, 494}, two, {100, 50, 713, 494}},
      {"partly off the right monitor", {2000, 900, 713, 494}, two, {2000, 900, 713, 494}},
      {"a minimised window's icon position", {-32000, -32000, 160, 28}, two, {0, 0, 160, 28}},
      {"minimised with its normal size", {-32000, -32000, 713, 494}, two, {0, 0, 713, 494}},
      {"beyond the right monitor", {2400, 100, 713, 494}, two, {1591, 100, 713, 494}},
      {"below the left monitor", {100, 800, 713, 494}, two, {100, 244, 713, 494}},
      {"touching the left monitor's edge only", {-713, 10, 713, 494}, two, {0, 10, 713, 494}},
      {"larger than the monitor", {-3000, 0, 2000, 900}, two, {0, 0, 1024, 738}},
      {"no monitor known", {-32000, -32000, 713, 494}, {}, {-32000, -32000, 713, 494}},
      {"far out, large numbers", {2147483000, 2147483000, 713, 494}, two, {1591, 530, 713, 494}},
      {"one column on the left monitor's left edge",
       {-712, 10, 713, 494},
       two,
       {-712, 10, 713, 494}},
      {"one column on its right edge", {1023, 10, 713, 494}, {two[0]}, {1023, 10, 713, 494}},
      {"one row on its top edge", {10, -493, 713, 494}, two, {10, -493, 713, 494}},
      {"one row on its bottom edge", {10, 737, 713, 494}, {two[0]}, {10, 737, 713, 494}},
      {"no width at all", {100, 50, 0, 494}, two, {100, 50, 1, 494}},
      {"no height at all", {100, 50, 713, 0}, two, {100, 50, 713, 1}},
      {"a monitor one pixel wide", {-4000, 10, 713, 494}, {{0, 0, 1, 738}}, {0, 10, 1, 494}},
      {"a monitor one pixel high", {10, -4000, 713, 494}, {{0, 0, 1024, 1}}, {10, 0, 713, 1}},
      {"areas without width or height are no monitors",
       {-4000, -4000, 713, 494},
       {{-5000, -5000, 0, 600}, {-5000, -5000, 600, 0}, two[0]},
       {0, 0, 713, 494}},
      {"as near to two monitors: the first wins",
       {700, 1000, 600, 494},
       {{0, 0, 1000, 700}, {1000, 0, 1000, 700}},
       {400, 206, 600, 494}},
  };
  for (const Case& c : cases) {
    const ScreenRect r = app::BoundsOnScreen(c.saved, c.areas);
    EXPECT_EQ((std::array<int, 4>{r.left, r.top, r.width, r.height}),
              (std::array<int, 4>{c.shown.left, c.shown.top, c.shown.width, c.shown.height}))
        << c.what;
  }
}

TEST_F(OptionsIniTest, AWriteIntoAReadOnlyFolderIsSilentAndKeepsTheOldFile) {
  Options o;
  write(o);
  const std::string before = sim.readFile(iniPath);
  sim.faults().failFrom(sim::PortMethod::FilesOpen, 1, Errc::AccessDenied);
  o.IsWipeFile = true;
  write(o);  // no error surfaces
  sim.faults().clearRules();
  EXPECT_EQ(sim.readFile(iniPath), before);
}

TEST_F(OptionsIniTest, ExpandStateIsStoredRegistryFirstAndRestoredPerFlag) {
  // A node without a slot of its own (image 0) is neither stored nor
  // restored.
  trees.registryTop = {{0, true}, {1, false}};
  trees.cleanTop = {{1, true}, {2, false}, {11, true}};
  Options o;
  app::SaveExpandState(o, trees, true);
  EXPECT_TRUE(o.FirstNodeExpand[1]);  // the clean tree's node wins the shared slot
  EXPECT_FALSE(o.FirstNodeExpand[2]);
  EXPECT_TRUE(o.FirstNodeExpand[11]);
  EXPECT_FALSE(o.FirstNodeExpand[0]);

  app::SaveExpandState(o, trees, false);
  using Tree = app::SettingsTrees::Tree;
  const std::vector<std::pair<Tree, int>> expected = {
      {Tree::Registry, 1}, {Tree::Clean, 0}, {Tree::Clean, 2}};
  EXPECT_EQ(trees.expandedCalls, expected);

  // The last slot is read from the file like the others; a section
  // without a slot leaves the unused first entry alone.
  ASSERT_TRUE(sim.profile().writeString(iniPath, "FirstNodeExpand", "11", "0"));
  const Options stored = read();
  EXPECT_FALSE(stored.FirstNodeExpand[11]);
  EXPECT_TRUE(stored.FirstNodeExpand[10]);
  trees.sections.push_back({0, true});
  Options written;
  write(written);
  EXPECT_FALSE(written.TreeViewNodeCheck[0]);
}

TEST(ShortcutText, ModifiersInOrderWithEitherSeparator) {
  const app::Shortcut both{true, true, false, "F5", 116};
  EXPECT_EQ(app::ShortcutToText(both, app::ShortcutSeparator::Plus), "Ctrl+Shift+F5");
  EXPECT_EQ(app::ShortcutToText(both, app::ShortcutSeparator::TwoBlanks), "Ctrl  Shift  F5");
  const app::Shortcut none{false, false, false, "PageUp", 33};
  EXPECT_EQ(app::ShortcutToText(none, app::ShortcutSeparator::Plus), "PageUp");
  const app::Shortcut all{true, true, true, "Num 1", 97};
  EXPECT_EQ(app::ShortcutToText(all, app::ShortcutSeparator::Plus), "Ctrl+Shift+Alt+Num 1");
}

}  // namespace
}  // namespace nc

namespace nc {
namespace {

// [Community] holds one "Name=1" per ticked community entry; other values
// and malformed lines tick nothing, and names that could not be read back
// as themselves are not written.
TEST(CommunityTicksIniTest, ReadsTicksByValueAndWritesOnlyNamesThatReadBack) {
  sim::SimPlatform sim;
  const std::string folder = "C:\\Program Files\\Norvik Cleaner\\";
  const std::string ini = app::OptionsIniPath(folder);
  ASSERT_TRUE(sim.files().createFolders(folder).ok());
  ASSERT_TRUE(sim.writeFile(ini,
                            "[Options]\r\nCommunityRules=1\r\n[Community]\r\nOn=1\r\nTwo=2\r\n"
                            "Off=0\r\nEmpty=\r\nWord=yes\r\nno equals sign\r\n=1\r\n"
                            "  Padded  = 1 \r\n"));
  test::FakeSettingsTrees trees;
  app::Options o;
  const app::SettingsFile file{sim.profile(), ini, folder};
  app::ReadOptionsIni(file, o, trees, {1024, 768, 713, 494});
  EXPECT_TRUE(o.CommunityRules);
  EXPECT_EQ(o.CommunityTicks, (std::set<std::string>{"On", "Two", "Padded"}));

  struct Case {
    std::string name;
    bool written;
  };
  const Case cases[] = {{"Plain", true},     {"A = B", false},  {";Comment", false},
                        {"[Bracket", false}, {" Blank", false}, {"", false},
                        {"Ünïcode", true}};
  o.CommunityTicks.clear();
  for (const Case& c : cases) o.CommunityTicks.insert(c.name);
  o.CommunityRules = false;
  app::WriteOptionsIni(file, o, trees, {1, 0, 0, 713, 494});
  app::Options back;
  app::ReadOptionsIni(file, back, trees, {1024, 768, 713, 494});
  EXPECT_FALSE(back.CommunityRules);
  for (const Case& c : cases) EXPECT_EQ(back.CommunityTicks.contains(c.name), c.written) << c.name;
  EXPECT_EQ(back.CommunityTicks.size(), 2u);
}

}  // namespace
}  // namespace nc
