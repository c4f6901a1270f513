// The clean item tree as data: the fixed catalogue of groups and items,
// the application items found at start-up, the tick marks and what the
// settings file keeps of them.
//
// The window's tree view mirrors this model: it hands mouse clicks to
// ToggleNodeCheck and redraws the marks from the nodes; the worker gets the
// run names from CollectCheckedItems.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/filesystem.h"
#include "platform/profile.h"
#include "platform/registry.h"

namespace nc::cleaner {

// Tick marks as the tree's state pictures.
inline constexpr int kStateNone = 0;  // no picture: the settings were not read yet
inline constexpr int kStateUnticked = 1;
inline constexpr int kStateTicked = 2;

inline constexpr std::string_view kApplicationsGroup = "Applications";
inline constexpr std::string_view kNewListItem = "<New List>";
inline constexpr std::string_view kDefinitionsFile = "kvrn.dat";

struct CleanNode {
  std::string text;
  int imageIndex = 0;  // groups 1..17; plays no role for items
  int state = kStateNone;
  int level = 0;  // 0 group, 1 item
  bool expanded = false;
  // A group of community entries or one of its items: its tick is kept
  // apart from the other nodes' (community/catalogue.h).
  bool community = false;
  std::vector<CleanNode> children;  // items of a group; empty for an item
};

// A node by position: the group, and the item within it or -1 for the
// group itself.
struct NodeRef {
  int group = 0;
  int child = -1;
};

class CleanTree {
 public:
  CleanTree() = default;
  explicit CleanTree(std::vector<CleanNode> groups) : groups_(std::move(groups)) {}

  std::vector<CleanNode>& groups() { return groups_; }
  const std::vector<CleanNode>& groups() const { return groups_; }

  // The node at `ref`; null when there is none.
  CleanNode* node(NodeRef ref);
  const CleanNode* node(NodeRef ref) const;

  // The group whose text is exactly `text`; null when there is none.
  const CleanNode* group(std::string_view text) const;

  // Expands or collapses a node as the user does.
  void SetExpanded(NodeRef ref, bool expanded);

 private:
  std::vector<CleanNode> groups_;
};

// The catalogue as the window shows it before the installed applications
// are added: every group with its items in display order, no marks.
CleanTree BuildCleanTree();

// Adds a group for each Chromium browser besides Google Chrome one of
// whose channels' "User Data" folders exists (ChromiumBrowsers, in their order), right
// after "Google Chrome", with Chrome's items. Called once while the tree
// is built, before the settings are read.
void AddChromiumBrowserGroups(CleanTree& tree, platform::Registry& registry,
                              platform::FileSystem& files);

// The run name of an item: "Windows - Recent Documents".
std::string CleanItemName(std::string_view group, std::string_view item);

// Adds to the "Applications" group (found ignoring letter case) one item
// for every section of the definitions file "kvrn.dat" in
// `programFolder` that an installed program's uninstall entry under
// HKEY_LOCAL_MACHINE matches: the section name occurs in the display name
// or the display name in the section name, ignoring letter case. A
// section is added once however many entries match it. A missing file or
// uninstall key adds nothing.
void ApplicationNodes(CleanTree& tree, platform::Registry& registry, platform::Profile& profile,
                      std::string_view programFolder);

// The run names of the ticked items in tree order; ticked groups add
// nothing.
std::vector<std::string> CollectCheckedItems(const CleanTree& tree);

// Ticks the node a stored name designates: a group by its text, an item by
// its run name. Names that designate nothing, or a community node, are
// ignored.
void SelectNodeByName(CleanTree& tree, std::string_view name);

// Every node unticked (settings are about to be applied).
void UntickAllNodes(CleanTree& tree);

// The names the settings file stores: every ticked node in tree order, a
// group by its text, an item by its run name; community nodes left out.
std::vector<std::string> TickedNodeNames(const CleanTree& tree);

// True when the group with exactly this text is ticked.
bool IsGroupChecked(const CleanTree& tree, std::string_view groupText);

// True when an item of the group with exactly this text is ticked: what a
// run of the group's items depends on, whatever the group's own mark says.
bool GroupHasTickedItem(const CleanTree& tree, std::string_view groupText);

// Each group with items gets its mark from them: ticked when one of its
// items is, unticked otherwise. The settings reader calls it once the
// stored names are ticked, so that a list naming items alone (as an
// administrator writes it) shows and guards their groups as a click would.
void DeriveGroupMarks(CleanTree& tree);

// Where a mouse press landed on a node.
enum class TreeHit { Elsewhere, Label, StatePicture };

enum class ToggleResult {
  Nothing,
  Toggled,               // marks changed; redraw them
  OpenCustomListEditor,  // the caller shows the custom list editor
};

// A mouse press on a node. A press on the label of "<New List>" asks for
// the custom list editor. A press on the state picture flips the mark; a
// group passes its new mark to all its items, an item ticks its group when
// at least one item of the group is ticked and unticks it otherwise.
ToggleResult ToggleNodeCheck(CleanTree& tree, NodeRef ref, TreeHit hit);

}  // namespace nc::cleaner
