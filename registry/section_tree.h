// The sections tree of the registry page as a model: the 24
// nodes in tree order, their tick marks and the rules a press on a tick
// mark follows, the list of chosen sections a scan runs, and the
// settings' view of the tree.
//
// Shape: the root "My Computers" (level 0); below it "Files and Folders"
// (level 1) with the four hives (level 2), and every other section at
// level 1. A node's image index is its section id. The tree cannot be
// collapsed.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace nc::registry {

struct SectionTreeNode {
  int imageIndex = 0;
  std::string_view caption;
  int level = 0;
  bool ticked = true;
  bool expanded = true;

  // The state image the tree shows: 1 not ticked, 2 ticked.
  int StateImage() const { return ticked ? 2 : 1; }
};

class SectionTree {
 public:
  // Every section, ticked and expanded (the settings' defaults).
  SectionTree();

  const std::vector<SectionTreeNode>& Nodes() const { return nodes_; }
  // The node of an image index; null for an unknown one.
  const SectionTreeNode* Node(int imageIndex) const;
  bool IsTicked(int imageIndex) const;

  // A press on a node's tick mark: flips it, then
  // - the root passes its new mark to every node;
  // - a second-level node passes it to its children (the hives under
  //   "Files and Folders"), and the root is ticked when at least one
  //   second-level node is;
  // - a hive ticks its parent when at least one hive is ticked and
  //   unticks it otherwise; the root then follows its children the same
  //   way.
  // Unknown image indexes do nothing.
  void ToggleNode(int imageIndex);

  // Sets one mark as it is, without the rules (restoring the settings).
  void SetTicked(int imageIndex, bool ticked);

  // Collapsing is refused.
  static bool CanCollapse() { return false; }

  // The chosen sections for a scan: the image index of every ticked node,
  // depth first (tree order), as decimal text. The root and "Files and
  // Folders" are included when ticked; they run nothing.
  std::vector<std::string> ChosenSectionList() const;

  // The settings' view.
  std::vector<std::pair<int, bool>> SectionTicks() const;
  struct TopNode {
    int imageIndex = 0;
    bool expanded = false;
  };
  std::vector<TopNode> TopLevelNodes() const;
  // Expands the top-level node at `position` and everything below it.
  void ExpandTopLevelNode(int position);

 private:
  SectionTreeNode* Find(int imageIndex);
  // Index of a node's parent; -1 for the root.
  int ParentOf(std::size_t index) const;
  // Whether any direct child of the node at `index` is ticked.
  bool AnyChildTicked(std::size_t index) const;

  std::vector<SectionTreeNode> nodes_;
};

}  // namespace nc::registry
