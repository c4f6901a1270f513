#include "app/settings_trees.h"

namespace nc::app {

void ProgramSettingsTrees::UntickAllCleanNodes() {
  cleaner::UntickAllNodes(clean_);
}

void ProgramSettingsTrees::SelectNodeByName(std::string_view name) {
  cleaner::SelectNodeByName(clean_, name);
}

std::vector<std::string> ProgramSettingsTrees::TickedCleanNodeNames() const {
  return cleaner::TickedNodeNames(clean_);
}

void ProgramSettingsTrees::DeriveCleanGroupMarks() {
  cleaner::DeriveGroupMarks(clean_);
}

std::vector<std::pair<int, bool>> ProgramSettingsTrees::SectionTicks() const {
  return sections_.SectionTicks();
}

void ProgramSettingsTrees::SetSectionTick(int imageIndex, bool ticked) {
  sections_.SetTicked(imageIndex, ticked);
}

std::vector<SettingsTrees::TopNode> ProgramSettingsTrees::TopLevelNodes(Tree tree) const {
  std::vector<TopNode> top;
  if (tree == Tree::Registry) {
    for (const auto& node : sections_.TopLevelNodes())
      top.push_back({node.imageIndex, node.expanded});
    return top;
  }
  for (const cleaner::CleanNode& group : clean_.groups()) {
    top.push_back({group.imageIndex, group.expanded});
  }
  return top;
}

void ProgramSettingsTrees::ExpandTopLevelNode(Tree tree, int position) {
  if (tree == Tree::Registry) {
    sections_.ExpandTopLevelNode(position);
    return;
  }
  cleaner::CleanNode* group = clean_.node(cleaner::NodeRef{position, -1});
  if (group == nullptr) return;
  group->expanded = true;
  for (cleaner::CleanNode& child : group->children) child.expanded = true;
}

}  // namespace nc::app
