#include "registry/section_tree.h"

#include "registry/section_table.h"

namespace nc::registry {

SectionTree::SectionTree() {
  for (const SectionInfo& section : AllSections()) {
    nodes_.push_back(SectionTreeNode{section.id, section.caption, section.level, true, true});
  }
}

const SectionTreeNode* SectionTree::Node(int imageIndex) const {
  for (const auto& node : nodes_) {
    if (node.imageIndex == imageIndex) return &node;
  }
  return nullptr;
}

SectionTreeNode* SectionTree::Find(int imageIndex) {
  for (auto& node : nodes_) {
    if (node.imageIndex == imageIndex) return &node;
  }
  return nullptr;
}

bool SectionTree::IsTicked(int imageIndex) const {
  const SectionTreeNode* node = Node(imageIndex);
  return node != nullptr && node->ticked;
}

int SectionTree::ParentOf(std::size_t index) const {
  const int level = nodes_[index].level;
  for (std::size_t i = index; i-- > 0;) {
    if (nodes_[i].level < level) return static_cast<int>(i);
  }
  return -1;
}

bool SectionTree::AnyChildTicked(std::size_t index) const {
  const int level = nodes_[index].level;
  for (std::size_t i = index + 1; i < nodes_.size() && nodes_[i].level > level; ++i) {
    if (nodes_[i].level == level + 1 && nodes_[i].ticked) return true;
  }
  return false;
}

void SectionTree::ToggleNode(int imageIndex) {
  std::size_t index = 0;
  while (index < nodes_.size() && nodes_[index].imageIndex != imageIndex) ++index;
  if (index == nodes_.size()) return;
  SectionTreeNode& node = nodes_[index];
  node.ticked = !node.ticked;

  if (node.level == 0) {
    for (auto& other : nodes_) other.ticked = node.ticked;
    return;
  }
  if (node.level == 1) {
    for (std::size_t i = index + 1; i < nodes_.size() && nodes_[i].level > 1; ++i) {
      nodes_[i].ticked = node.ticked;
    }
  } else {
    const int parent = ParentOf(index);
    if (parent >= 0) {
      nodes_[static_cast<std::size_t>(parent)].ticked =
          AnyChildTicked(static_cast<std::size_t>(parent));
    }
  }
  // The root follows its children.
  for (std::size_t i = 0; i < nodes_.size(); ++i) {
    if (nodes_[i].level == 0) nodes_[i].ticked = AnyChildTicked(i);
  }
}

void SectionTree::SetTicked(int imageIndex, bool ticked) {
  if (SectionTreeNode* node = Find(imageIndex)) node->ticked = ticked;
}

std::vector<std::string> SectionTree::ChosenSectionList() const {
  // The nodes are kept in depth-first order already.
  std::vector<std::string> list;
  for (const auto& node : nodes_) {
    if (node.StateImage() == 2) list.push_back(std::to_string(node.imageIndex));
  }
  return list;
}

std::vector<std::pair<int, bool>> SectionTree::SectionTicks() const {
  std::vector<std::pair<int, bool>> ticks;
  ticks.reserve(nodes_.size());
  for (const auto& node : nodes_) ticks.emplace_back(node.imageIndex, node.ticked);
  return ticks;
}

std::vector<SectionTree::TopNode> SectionTree::TopLevelNodes() const {
  std::vector<TopNode> top;
  for (const auto& node : nodes_) {
    if (node.level == 0) top.push_back({node.imageIndex, node.expanded});
  }
  return top;
}

void SectionTree::ExpandTopLevelNode(int position) {
  if (position < 0) return;
  int top = -1;
  for (auto& node : nodes_) {
    if (node.level == 0) ++top;
    if (top > position) break;
    if (top == position) node.expanded = true;
  }
}

}  // namespace nc::registry
