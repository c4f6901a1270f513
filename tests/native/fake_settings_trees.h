// A small pair of trees for tests of the settings code: clean items by
// name, registry sections by image index.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "app/options.h"

namespace nc::test {

class FakeSettingsTrees : public app::SettingsTrees {
 public:
  struct Node {
    std::string name;
    bool ticked = false;
  };
  struct Section {
    int imageIndex = 0;
    bool ticked = false;
  };

  std::vector<Node> cleanNodes;  // in tree order, names as stored
  std::vector<Section> sections;
  std::vector<TopNode> registryTop;
  std::vector<TopNode> cleanTop;
  std::vector<std::pair<Tree, int>> expandedCalls;

  void UntickAllCleanNodes() override {
    for (auto& node : cleanNodes) node.ticked = false;
  }
  void SelectNodeByName(std::string_view name) override {
    for (auto& node : cleanNodes) {
      if (node.name == name) {
        node.ticked = true;
        return;
      }
    }
  }
  std::vector<std::string> TickedCleanNodeNames() const override {
    std::vector<std::string> names;
    for (const auto& node : cleanNodes) {
      if (node.ticked) names.push_back(node.name);
    }
    return names;
  }
  void DeriveCleanGroupMarks() override {}  // the names here form no groups
  std::vector<std::pair<int, bool>> SectionTicks() const override {
    std::vector<std::pair<int, bool>> ticks;
    for (const auto& s : sections) ticks.emplace_back(s.imageIndex, s.ticked);
    return ticks;
  }
  void SetSectionTick(int imageIndex, bool ticked) override {
    for (auto& s : sections) {
      if (s.imageIndex == imageIndex) s.ticked = ticked;
    }
  }
  std::vector<TopNode> TopLevelNodes(Tree tree) const override {
    return tree == Tree::Registry ? registryTop : cleanTop;
  }
  void ExpandTopLevelNode(Tree tree, int position) override {
    expandedCalls.emplace_back(tree, position);
  }

  bool isTicked(std::string_view name) const {
    return std::any_of(cleanNodes.begin(), cleanNodes.end(),
                       [&](const Node& n) { return n.name == name && n.ticked; });
  }
};

}  // namespace nc::test
