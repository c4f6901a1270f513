// The clean item tree: the catalogue, the installed applications, the
// tick marks, and what the settings file keeps of them.
#include "cleaner/catalogue.h"
#include "app/settings_trees.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/options.h"
#include "tests/native/clean_fixture.h"

namespace nc::cleaner {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

int GroupIndex(const CleanTree& tree, std::string_view text) {
  for (std::size_t i = 0; i < tree.groups().size(); ++i) {
    if (tree.groups()[i].text == text) return static_cast<int>(i);
  }
  ADD_FAILURE() << "no group " << text;
  return -1;
}

NodeRef Item(const CleanTree& tree, std::string_view group, std::string_view item) {
  const int g = GroupIndex(tree, group);
  const auto& children = tree.groups()[static_cast<std::size_t>(g)].children;
  for (std::size_t i = 0; i < children.size(); ++i) {
    if (children[i].text == item) return NodeRef{g, static_cast<int>(i)};
  }
  ADD_FAILURE() << "no item " << group << " - " << item;
  return NodeRef{g, -1};
}

std::vector<std::string> Texts(const CleanNode& group) {
  std::vector<std::string> texts;
  for (const auto& child : group.children) texts.push_back(child.text);
  return texts;
}

// A tree after the settings were read with nothing stored.
CleanTree UntickedTree() {
  CleanTree tree = BuildCleanTree();
  UntickAllNodes(tree);
  return tree;
}

TEST(CleanCatalogue, GroupsCarryTheImageIndexesAndTheDefinitionsItemsSitWhereTheWindowShowsThem) {
  const CleanTree tree = BuildCleanTree();
  std::vector<std::pair<std::string, int>> groups;
  for (const auto& group : tree.groups()) {
    groups.emplace_back(group.text, group.imageIndex);
    EXPECT_EQ(group.level, 0);
    EXPECT_EQ(group.state, kStateNone);
    for (const auto& child : group.children) {
      EXPECT_EQ(child.level, 1);
      EXPECT_EQ(child.state, kStateNone);
    }
  }
  EXPECT_THAT(groups, ElementsAre(std::pair<std::string, int>{"Internet Explorer", 1},
                                  std::pair<std::string, int>{"Windows", 2},
                                  std::pair<std::string, int>{"Netscape", 3},
                                  std::pair<std::string, int>{"Opera", 4},
                                  std::pair<std::string, int>{"Mozilla Firefox", 5},
                                  std::pair<std::string, int>{"Google Chrome", 11},
                                  std::pair<std::string, int>{"Advanced", 6},
                                  std::pair<std::string, int>{"Microsoft Office", 7},
                                  std::pair<std::string, int>{"Instant Messengers", 8},
                                  std::pair<std::string, int>{"Applications", 9},
                                  std::pair<std::string, int>{"Custom Lists", 10}));

  EXPECT_EQ(Texts(*tree.group("Windows")).back(), "Windows Log Files");
  EXPECT_THAT(
      Texts(*tree.group("Instant Messengers")),
      ElementsAre("MSN Messenger", "Yahoo! Messenger", "ICQ", "AOL Instant Messenger", "Skype"));
  const auto advanced = Texts(*tree.group("Advanced"));
  ASSERT_EQ(advanced.size(), 8u);
  EXPECT_THAT(
      std::vector<std::string>(advanced.begin() + 5, advanced.end()),
      ElementsAre("Google Toolbar History", "MSN Toolbar History", "Yahoo! Toolbar History"));
  EXPECT_THAT(
      Texts(*tree.group("Mozilla Firefox")),
      ElementsAre("Cookies", "Visited URL History", "Download Manager", "Temporary Internet Files",
                  "Autocomplete History", "Preferences", "Saved Form Information"));
  EXPECT_THAT(Texts(*tree.group("Applications")), IsEmpty());
  EXPECT_THAT(Texts(*tree.group("Custom Lists")), ElementsAre("<New List>"));
  EXPECT_EQ(CleanItemName("Windows", "Recent Documents"), "Windows - Recent Documents");
}

TEST(CleanCatalogue, GroupMarkFollowsItsItemsAndItemsFollowTheirGroup) {
  CleanTree tree = UntickedTree();
  const int windows = GroupIndex(tree, "Windows");

  // Ticking the group ticks every item.
  EXPECT_EQ(ToggleNodeCheck(tree, {windows, -1}, TreeHit::StatePicture), ToggleResult::Toggled);
  EXPECT_TRUE(IsGroupChecked(tree, "Windows"));
  EXPECT_EQ(CollectCheckedItems(tree).size(), 9u);
  EXPECT_EQ(CollectCheckedItems(tree).front(), "Windows - Recent Documents");
  EXPECT_EQ(CollectCheckedItems(tree).back(), "Windows - Windows Log Files");

  // Unticking the group unticks every item; ticking one item ticks the
  // group again; unticking that last item unticks the group.
  ToggleNodeCheck(tree, {windows, -1}, TreeHit::StatePicture);
  EXPECT_THAT(CollectCheckedItems(tree), IsEmpty());
  const NodeRef clipboard = Item(tree, "Windows", "Clipboard");
  const NodeRef temp = Item(tree, "Windows", "Temporary Files");
  ToggleNodeCheck(tree, clipboard, TreeHit::StatePicture);
  ToggleNodeCheck(tree, temp, TreeHit::StatePicture);
  EXPECT_TRUE(IsGroupChecked(tree, "Windows"));
  EXPECT_THAT(CollectCheckedItems(tree),
              ElementsAre("Windows - Temporary Files", "Windows - Clipboard"));
  ToggleNodeCheck(tree, clipboard, TreeHit::StatePicture);
  EXPECT_TRUE(IsGroupChecked(tree, "Windows"));
  ToggleNodeCheck(tree, temp, TreeHit::StatePicture);
  EXPECT_FALSE(IsGroupChecked(tree, "Windows"));

  // Items are collected in tree order across groups.
  ToggleNodeCheck(tree, Item(tree, "Google Chrome", "Session"), TreeHit::StatePicture);
  ToggleNodeCheck(tree, Item(tree, "Internet Explorer", "Cookies"), TreeHit::StatePicture);
  EXPECT_THAT(CollectCheckedItems(tree),
              ElementsAre("Internet Explorer - Cookies", "Google Chrome - Session"));
  EXPECT_TRUE(IsGroupChecked(tree, "Google Chrome"));
  EXPECT_FALSE(IsGroupChecked(tree, "google chrome"));
}

TEST(CleanCatalogue, AnEmptyApplicationsGroupCanBeTickedButSelectsNothing) {
  CleanTree tree = UntickedTree();
  const int applications = GroupIndex(tree, "Applications");
  EXPECT_EQ(ToggleNodeCheck(tree, {applications, -1}, TreeHit::StatePicture),
            ToggleResult::Toggled);
  EXPECT_TRUE(IsGroupChecked(tree, "Applications"));
  EXPECT_THAT(CollectCheckedItems(tree), IsEmpty());
  EXPECT_THAT(TickedNodeNames(tree), ElementsAre("Applications"));
}

TEST(CleanCatalogue, TheLabelOfNewListOpensTheEditorWhileItsStatePictureOnlyToggles) {
  CleanTree tree = UntickedTree();
  const NodeRef newList = Item(tree, "Custom Lists", "<New List>");

  EXPECT_EQ(ToggleNodeCheck(tree, newList, TreeHit::Label), ToggleResult::OpenCustomListEditor);
  EXPECT_EQ(tree.node(newList)->state, kStateUnticked);

  EXPECT_EQ(ToggleNodeCheck(tree, newList, TreeHit::StatePicture), ToggleResult::Toggled);
  EXPECT_EQ(tree.node(newList)->state, kStateTicked);
  EXPECT_THAT(CollectCheckedItems(tree), ElementsAre("Custom Lists - <New List>"));

  // Other labels, presses beside a node and nodes out of range do nothing.
  EXPECT_EQ(ToggleNodeCheck(tree, Item(tree, "Windows", "Clipboard"), TreeHit::Label),
            ToggleResult::Nothing);
  EXPECT_EQ(ToggleNodeCheck(tree, newList, TreeHit::Elsewhere), ToggleResult::Nothing);
  EXPECT_EQ(ToggleNodeCheck(tree, {99, -1}, TreeHit::StatePicture), ToggleResult::Nothing);
  EXPECT_EQ(ToggleNodeCheck(tree, {0, 99}, TreeHit::StatePicture), ToggleResult::Nothing);
  EXPECT_EQ(tree.node(newList)->state, kStateTicked);

  // Before the settings are read there is no mark to flip.
  CleanTree fresh = BuildCleanTree();
  EXPECT_EQ(ToggleNodeCheck(fresh, {0, -1}, TreeHit::StatePicture), ToggleResult::Nothing);
  EXPECT_EQ(fresh.groups()[0].children[0].state, kStateNone);
}

TEST(CleanCatalogue, StoredNamesTickAGroupByItsTextAndAnItemByItsRunName) {
  CleanTree tree = UntickedTree();
  SelectNodeByName(tree, "Opera");
  SelectNodeByName(tree, "Windows - Clipboard");
  SelectNodeByName(tree, "Applications - Uninstalled Program");  // gone: ignored
  SelectNodeByName(tree, "windows - recent documents");          // letter case differs
  SelectNodeByName(tree, "");

  // The group is ticked by itself, without its items; the item's group is
  // not recomputed.
  EXPECT_TRUE(IsGroupChecked(tree, "Opera"));
  EXPECT_FALSE(IsGroupChecked(tree, "Windows"));
  EXPECT_THAT(CollectCheckedItems(tree), ElementsAre("Windows - Clipboard"));
  EXPECT_THAT(TickedNodeNames(tree), ElementsAre("Windows - Clipboard", "Opera"));
}

class ApplicationNodesTest : public testing::CleanFixture {
 protected:
  void Uninstall(std::string_view subKey, std::string_view displayName) {
    std::string text =
        "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\"
        "CurrentVersion\\Uninstall\\" +
        std::string(subKey) + "]\n";
    if (!displayName.empty()) text += "\"DisplayName\"=\"" + std::string(displayName) + "\"\n";
    sim.registry().loadRegText(text);
  }
  std::vector<std::string> Applications() {
    CleanTree tree = BuildCleanTree();
    ApplicationNodes(tree, sim.registry(), sim.profile(), kProgramFolder);
    for (const auto& child : tree.group("Applications")->children) {
      EXPECT_EQ(child.level, 1);
      EXPECT_EQ(child.state, kStateNone);
    }
    return Texts(*tree.group("Applications"));
  }
};

TEST_F(ApplicationNodesTest, InstalledProgramsAddTheirSectionsOnce) {
  ASSERT_TRUE(WriteProgramFile("kvrn.dat",
                               "[Windows Log Files]\nfile1=%windir%\\*.log\n"
                               "[ICQ Pro 2003b]\nfile1=x\n"
                               "[WinRAR]\nfile1=x\n"
                               "[Adobe Reader]\nfile1=x\n"
                               "[Skype]\nfile1=x\n"));
  Uninstall("{A1}", "Adobe Reader 9.1");  // display name contains the section
  Uninstall("WinRAR archiver", "winrar archiver");
  Uninstall("ICQ", "ICQ");  // the section contains the display name
  Uninstall("{B2}", "Adobe Reader 9.1 - Language Pack");
  Uninstall("NoName", "");  // no display name: skipped, would match everything
  Uninstall("Other", "Some Game");

  // In the enumeration order of the uninstall entries (sorted by name);
  // each section once.
  EXPECT_THAT(Applications(), ElementsAre("ICQ Pro 2003b", "WinRAR", "Adobe Reader"));
}

TEST_F(ApplicationNodesTest, NothingIsAddedWithoutTheDefinitionsFileOrTheUninstallKey) {
  Uninstall("WinRAR archiver", "WinRAR archiver");
  EXPECT_THAT(Applications(), IsEmpty());

  testing::CleanWorld withoutKey;
  ASSERT_TRUE(withoutKey.WriteProgramFile("kvrn.dat", "[WinRAR]\nfile1=x\n"));
  CleanTree tree = BuildCleanTree();
  ApplicationNodes(tree, withoutKey.sim.registry(), withoutKey.sim.profile(), kProgramFolder);
  EXPECT_THAT(Texts(*tree.group("Applications")), IsEmpty());

  // Without an Applications group nothing happens at all.
  ASSERT_TRUE(WriteProgramFile("kvrn.dat", "[WinRAR]\nfile1=x\n"));
  CleanTree noGroup(std::vector<CleanNode>{tree.groups()[0]});
  ApplicationNodes(noGroup, sim.registry(), sim.profile(), kProgramFolder);
  EXPECT_EQ(noGroup.groups().size(), 1u);
}

class CleanTreeSettingsTest : public testing::CleanFixture {
 protected:
  CleanTreeSettingsTest()
      : file{sim.profile(), app::OptionsIniPath(kProgramFolder), kProgramFolder},
        trees(tree, sections) {}

  std::string Stored(std::string_view key) {
    return sim.profile().readString(file.path, "NodeSelected", key, "<none>");
  }

  app::SettingsFile file;
  CleanTree tree = UntickedTree();
  registry::SectionTree sections;
  app::ProgramSettingsTrees trees;
};

TEST_F(CleanTreeSettingsTest, TickedNodesSurviveARestartAndOldKeysAreNotRead) {
  ToggleNodeCheck(tree, {GroupIndex(tree, "Applications"), -1}, TreeHit::StatePicture);
  ToggleNodeCheck(tree, Item(tree, "Windows", "Clipboard"), TreeHit::StatePicture);
  ToggleNodeCheck(tree, Item(tree, "Opera", "Cookies"), TreeHit::StatePicture);
  app::WriteOptionsIni(file, options, trees, {});
  // Group, item, and the item's group ticked with it, in tree order.
  EXPECT_EQ(Stored("SelectedCount"), "5");
  EXPECT_EQ(Stored("1"), "Windows");
  EXPECT_EQ(Stored("2"), "Windows - Clipboard");
  EXPECT_EQ(Stored("3"), "Opera");
  EXPECT_EQ(Stored("4"), "Opera - Cookies");
  EXPECT_EQ(Stored("5"), "Applications");

  // Unticking the last one leaves four names; key 5 stays in the file but
  // is not read.
  ToggleNodeCheck(tree, {GroupIndex(tree, "Applications"), -1}, TreeHit::StatePicture);
  app::WriteOptionsIni(file, options, trees, {});
  EXPECT_EQ(Stored("SelectedCount"), "4");
  EXPECT_EQ(Stored("4"), "Opera - Cookies");
  EXPECT_EQ(Stored("5"), "Applications");

  CleanTree restarted = BuildCleanTree();
  app::ProgramSettingsTrees restartedTrees(restarted, sections);
  app::Options read;
  app::ReadOptionsIni(file, read, restartedTrees, {});
  EXPECT_EQ(read.SelectedCount, 4);
  EXPECT_THAT(TickedNodeNames(restarted),
              ElementsAre("Windows", "Windows - Clipboard", "Opera", "Opera - Cookies"));
  EXPECT_THAT(CollectCheckedItems(restarted),
              ElementsAre("Windows - Clipboard", "Opera - Cookies"));
  EXPECT_FALSE(IsGroupChecked(restarted, "Applications"));
  EXPECT_EQ(restarted.group("Applications")->state, kStateUnticked);
  EXPECT_EQ(restarted.group("Netscape")->children[0].state, kStateUnticked);
}

// A file written by hand names items without their groups, or groups
// without items: read, each group's mark follows its items, as a click
// leaves it. A group without items keeps its stored mark.
TEST_F(CleanTreeSettingsTest, EachGroupsMarkIsDerivedFromItsItemsWhenRead) {
  const std::pair<std::vector<std::string>, std::vector<std::string>> cases[] = {
      {{"Mozilla Firefox - Cookies"}, {"Mozilla Firefox"}},
      {{"Mozilla Firefox"}, {}},
      {{"Windows", "Opera - Cookies", "Applications"}, {"Opera", "Applications"}},
  };
  for (const auto& [stored, tickedGroups] : cases) {
    SCOPED_TRACE(stored.front());
    const auto count = std::to_string(stored.size());
    sim.profile().writeString(file.path, "NodeSelected", "SelectedCount", count);
    for (std::size_t i = 0; i < stored.size(); ++i)
      sim.profile().writeString(file.path, "NodeSelected", std::to_string(i + 1), stored[i]);
    CleanTree read = BuildCleanTree();
    app::ProgramSettingsTrees readTrees(read, sections);
    app::ReadOptionsIni(file, options, readTrees, {});
    std::vector<std::string> groups;
    for (const CleanNode& group : read.groups())
      if (group.state == kStateTicked) groups.push_back(group.text);
    EXPECT_EQ(groups, tickedGroups);
  }
}

TEST_F(CleanTreeSettingsTest, ExpansionIsStoredByImageIndexAndTheCleanTreeWinsTheSharedSlot) {
  tree.SetExpanded({GroupIndex(tree, "Google Chrome"), -1}, true);
  tree.SetExpanded({GroupIndex(tree, "Internet Explorer"), -1}, false);
  // The registry tree's top node (always expanded) has slot 1 too.
  app::SaveExpandState(options, trees, true);
  EXPECT_TRUE(options.FirstNodeExpand[11]);
  EXPECT_FALSE(options.FirstNodeExpand[1]);
  EXPECT_FALSE(options.FirstNodeExpand[2]);

  // Restoring expands the flagged groups with their items, and the top
  // node of the registry tree with its sections; nothing is collapsed.
  CleanTree restarted = BuildCleanTree();
  registry::SectionTree restartedSections;
  restarted.SetExpanded({GroupIndex(restarted, "Windows"), -1}, true);
  options.FirstNodeExpand[1] = true;
  app::ProgramSettingsTrees restartedTrees(restarted, restartedSections);
  app::SaveExpandState(options, restartedTrees, false);
  const CleanNode& chrome = *restarted.group("Google Chrome");
  EXPECT_TRUE(chrome.expanded);
  EXPECT_TRUE(chrome.children.back().expanded);
  EXPECT_TRUE(restarted.group("Internet Explorer")->expanded);
  EXPECT_TRUE(restarted.group("Windows")->expanded);
  EXPECT_FALSE(restarted.group("Opera")->expanded);
  for (const auto& node : restartedSections.Nodes()) EXPECT_TRUE(node.expanded);

  // The section ticks go through the image index.
  trees.SetSectionTick(3, false);
  const auto ticks = trees.SectionTicks();
  ASSERT_EQ(ticks.size(), 24u);
  EXPECT_EQ(ticks[0], (std::pair<int, bool>{1, true}));
  EXPECT_EQ(ticks[2], (std::pair<int, bool>{3, false}));
}

}  // namespace
}  // namespace nc::cleaner
