// The registry page's models: the section table, the sections tree with
// its tick rules and settings, and the problem list with its ticking
// commands and counts line.
#include "registry/section_tree.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/settings_trees.h"
#include "cleaner/catalogue.h"
#include "registry/results_model.h"
#include "registry/section_table.h"

namespace nc::registry {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::vector<int> Ticked(const SectionTree& tree) {
  std::vector<int> ids;
  for (const auto& node : tree.Nodes()) {
    if (node.ticked) ids.push_back(node.imageIndex);
  }
  return ids;
}

SectionTree Unticked() {
  SectionTree tree;
  tree.ToggleNode(kRootSectionId);
  return tree;
}

TEST(SectionTable, TextsOfTheSections) {
  ASSERT_EQ(AllSections().size(), 24u);
  for (int id = 1; id <= 24; ++id) EXPECT_EQ(SectionById(id).id, id);
  EXPECT_EQ(SectionById(0).id, 0);
  EXPECT_EQ(SectionById(25).caption, "");

  EXPECT_EQ(SectionById(1).caption, "My Computers");
  EXPECT_EQ(SectionById(1).statusText, "");
  EXPECT_EQ(SectionById(2).problemText, "");
  EXPECT_EQ(SectionById(5).statusText, "Scanning: HKEY_LOCAL_MACHINE");
  EXPECT_EQ(SectionById(6).problemText, "Non-existent File or Folder");
  EXPECT_EQ(SectionById(10).statusText, "Scanning: Software Locations");
  EXPECT_EQ(SectionById(12).statusText, "Scanning: Fonts Sections");
  EXPECT_EQ(SectionById(13).statusText, "Scanning: Invalid Help Files");
  EXPECT_EQ(SectionById(18).problemText, "Missing ShortCut reference");
  EXPECT_EQ(SectionById(21).problemText, "Installer Refrence Issue");
  EXPECT_EQ(SectionById(22).statusText, "");
  EXPECT_EQ(SectionById(22).problemText, "Open with Application Issue");
  EXPECT_EQ(SectionById(24).problemText, "Non-existent MRU and History Lists file");
  EXPECT_TRUE(IsHiveWalk(3) && IsHiveWalk(6));
  EXPECT_FALSE(IsHiveWalk(2) || IsHiveWalk(7));
}

TEST(SectionTree, ShapeAndDefaults) {
  const SectionTree tree;
  ASSERT_EQ(tree.Nodes().size(), 24u);
  EXPECT_EQ(tree.Nodes()[0].caption, "My Computers");
  EXPECT_EQ(tree.Nodes()[0].level, 0);
  EXPECT_EQ(tree.Node(2)->caption, "Files and Folders");
  EXPECT_EQ(tree.Node(2)->level, 1);
  for (int hive = 3; hive <= 6; ++hive) EXPECT_EQ(tree.Node(hive)->level, 2);
  for (int id = 7; id <= 24; ++id) EXPECT_EQ(tree.Node(id)->level, 1);
  EXPECT_EQ(tree.Node(20)->caption, "Invalid ActiveX");
  EXPECT_EQ(tree.Node(7)->StateImage(), 2);
  EXPECT_EQ(tree.Node(99), nullptr);
  EXPECT_FALSE(SectionTree::CanCollapse());
  EXPECT_EQ(tree.ChosenSectionList().size(), 24u);
}

TEST(SectionTree, RootPassesItsMarkToEveryNode) {
  SectionTree tree;
  tree.ToggleNode(1);
  EXPECT_THAT(Ticked(tree), IsEmpty());
  EXPECT_EQ(tree.Node(4)->StateImage(), 1);
  EXPECT_THAT(tree.ChosenSectionList(), IsEmpty());
  tree.ToggleNode(1);
  EXPECT_EQ(Ticked(tree).size(), 24u);
}

TEST(SectionTree, GroupPassesItsMarkToTheHivesAndTheRootFollows) {
  SectionTree tree = Unticked();
  tree.ToggleNode(kFilesAndFoldersId);
  EXPECT_THAT(Ticked(tree), ElementsAre(1, 2, 3, 4, 5, 6));
  tree.ToggleNode(9);
  EXPECT_THAT(tree.ChosenSectionList(), ElementsAre("1", "2", "3", "4", "5", "6", "9"));
  tree.ToggleNode(kFilesAndFoldersId);
  EXPECT_THAT(Ticked(tree), ElementsAre(1, 9));
  tree.ToggleNode(9);
  EXPECT_THAT(Ticked(tree), IsEmpty());
}

TEST(SectionTree, HiveTicksItsGroupAndTheRoot) {
  SectionTree tree = Unticked();
  tree.ToggleNode(6);  // HKEY_USERS alone
  EXPECT_THAT(Ticked(tree), ElementsAre(1, 2, 6));
  tree.ToggleNode(4);
  EXPECT_THAT(Ticked(tree), ElementsAre(1, 2, 4, 6));
  tree.ToggleNode(6);
  EXPECT_THAT(Ticked(tree), ElementsAre(1, 2, 4));
  tree.ToggleNode(4);
  EXPECT_THAT(Ticked(tree), IsEmpty());

  // The root stays ticked while another section is.
  tree.ToggleNode(15);
  tree.ToggleNode(3);
  tree.ToggleNode(3);
  EXPECT_THAT(Ticked(tree), ElementsAre(1, 15));
  tree.ToggleNode(42);  // unknown: nothing
  EXPECT_THAT(Ticked(tree), ElementsAre(1, 15));
}

TEST(SectionTree, SettingsSeeTheTreeThroughTheSettingsTrees) {
  SectionTree tree;
  cleaner::CleanTree clean = cleaner::BuildCleanTree();
  cleaner::UntickAllNodes(clean);
  cleaner::SelectNodeByName(clean, "Windows");
  app::ProgramSettingsTrees trees(clean, tree);

  app::Options options;
  options.TreeViewNodeCheck.fill(false);
  options.TreeViewNodeCheck[7] = true;
  options.TreeViewNodeCheck[12] = true;
  app::RestoreSectionTicks(options, trees);
  // Restored as stored, without the tick rules.
  EXPECT_THAT(Ticked(tree), ElementsAre(7, 12));
  const auto ticks = trees.SectionTicks();
  ASSERT_EQ(ticks.size(), 24u);
  EXPECT_EQ(ticks[6], std::make_pair(7, true));
  EXPECT_EQ(ticks[0], std::make_pair(1, false));

  // The clean tree's part goes to the catalogue.
  EXPECT_THAT(trees.TickedCleanNodeNames(), ElementsAre("Windows"));
  trees.UntickAllCleanNodes();
  EXPECT_THAT(trees.TickedCleanNodeNames(), IsEmpty());
  EXPECT_EQ(trees.TopLevelNodes(app::SettingsTrees::Tree::Clean).size(), clean.groups().size());

  const auto top = trees.TopLevelNodes(app::SettingsTrees::Tree::Registry);
  ASSERT_EQ(top.size(), 1u);
  EXPECT_EQ(top[0].imageIndex, 1);
  EXPECT_TRUE(top[0].expanded);
  trees.ExpandTopLevelNode(app::SettingsTrees::Tree::Registry, 0);
  trees.ExpandTopLevelNode(app::SettingsTrees::Tree::Registry, 5);
  clean.groups()[0].expanded = false;
  trees.ExpandTopLevelNode(app::SettingsTrees::Tree::Clean, 0);
  EXPECT_TRUE(clean.groups()[0].expanded);
  EXPECT_TRUE(clean.groups()[0].children.front().expanded);
}

// Records what the list control is told.
struct RecordingView : ResultsView {
  std::vector<std::string> calls;
  void RowsCleared() override { calls.push_back("clear"); }
  void RowAppended(const ProblemEntry& e) override { calls.push_back("add " + e.Data); }
  void RowRemoved(std::size_t index) override {
    calls.push_back("remove " + std::to_string(index));
  }
  void RowTickChanged(std::size_t index, bool ticked) override {
    calls.push_back((ticked ? "tick " : "untick ") + std::to_string(index));
  }
};

ProblemEntry Row(std::string problem, std::string data) {
  return ProblemEntry{std::move(problem), std::move(data), "HKEY_CURRENT_USER\\K",
                      ProblemKind::ValuePath, false};
}

TEST(ResultsModel, RowsTicksAndCounts) {
  ResultsModel model;
  RecordingView view;
  model.SetView(&view);
  model.Append(Row("A", "1"));
  model.Append(Row("B", "2"));
  model.Append(Row("A", "3"));
  EXPECT_EQ(model.CountsText(), " 3 Errors Found,  0 Errors Selected.");

  model.SetTicked(0, true);
  model.SetTicked(2, true);
  EXPECT_EQ(model.CountsText(), " 3 Errors Found,  2 Errors Selected.");
  model.SetAllTicked(true);
  EXPECT_EQ(model.TickedCount(), 3u);
  model.SetTickedOfType(2, false);  // every "A"
  EXPECT_FALSE(model.Rows()[0].Ticked);
  EXPECT_TRUE(model.Rows()[1].Ticked);
  model.SetTicked(7, true);  // out of range: nothing
  model.SetTickedOfType(7, true);

  EXPECT_TRUE(model.RemoveLast());
  EXPECT_EQ(model.Rows().back().Data, "2");
  EXPECT_TRUE(model.Remove(0));
  EXPECT_FALSE(model.Remove(5));
  model.Clear();
  EXPECT_FALSE(model.RemoveLast());
  EXPECT_EQ(model.CountsText(), " 0 Errors Found,  0 Errors Selected.");

  EXPECT_THAT(view.calls, ElementsAre("add 1", "add 2", "add 3", "tick 0", "tick 2", "tick 1",
                                      "untick 0", "untick 2", "remove 2", "remove 0", "clear"));
}

TEST(ResultsModel, ColumnsAndEmptyListWidths) {
  EXPECT_THAT(kProblemColumns, ElementsAre("Problem", "Data", "Registry key"));
  EXPECT_THAT(EmptyListColumnWidths(450), ElementsAre(100, 190, 140));
  EXPECT_THAT(EmptyListColumnWidths(500), ElementsAre(111, 211, 155));
  EXPECT_THAT(EmptyListColumnWidths(0), ElementsAre(0, 0, 0));
}

}  // namespace
}  // namespace nc::registry
