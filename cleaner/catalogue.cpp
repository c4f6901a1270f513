#include "cleaner/catalogue.h"

#include <initializer_list>

#include "cleaner/chromium_browsers.h"
#include "core/text.h"

namespace nc::cleaner {
namespace {

constexpr std::string_view kUninstallKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

CleanNode Group(std::string_view text, int imageIndex,
                std::initializer_list<std::string_view> items) {
  CleanNode group;
  group.text = std::string(text);
  group.imageIndex = imageIndex;
  for (const std::string_view item : items) {
    CleanNode child;
    child.text = std::string(item);
    child.level = 1;
    group.children.push_back(std::move(child));
  }
  return group;
}

CleanNode ChromiumGroup(const ChromiumBrowser& browser) {
  CleanNode group = Group(browser.group, browser.imageIndex, {});
  for (const std::string_view item : ChromiumItems()) {
    CleanNode child;
    child.text = std::string(item);
    child.level = 1;
    group.children.push_back(std::move(child));
  }
  return group;
}

bool AnyChildTicked(const CleanNode& group) {
  for (const CleanNode& child : group.children) {
    if (child.state == kStateTicked) return true;
  }
  return false;
}

}  // namespace

CleanNode* CleanTree::node(NodeRef ref) {
  return const_cast<CleanNode*>(static_cast<const CleanTree&>(*this).node(ref));
}

const CleanNode* CleanTree::node(NodeRef ref) const {
  if (ref.group < 0 || static_cast<std::size_t>(ref.group) >= groups_.size()) return nullptr;
  const CleanNode& group = groups_[static_cast<std::size_t>(ref.group)];
  if (ref.child < 0) return &group;
  if (static_cast<std::size_t>(ref.child) >= group.children.size()) return nullptr;
  return &group.children[static_cast<std::size_t>(ref.child)];
}

const CleanNode* CleanTree::group(std::string_view text) const {
  for (const CleanNode& group : groups_) {
    if (group.text == text) return &group;
  }
  return nullptr;
}

void CleanTree::SetExpanded(NodeRef ref, bool expanded) {
  if (CleanNode* found = node(ref)) found->expanded = expanded;
}

CleanTree BuildCleanTree() {
  std::vector<CleanNode> groups;
  groups.push_back(
      Group("Internet Explorer", 1,
            {"Recently Typed URLs", "Cookies", "Visited URL History", "Last Download Location",
             "Temporary Internet Files", "Index.dat Files", "Autocomplete History"}));
  groups.push_back(Group(
      "Windows", 2,
      {"Recent Documents", "Start Run", "Search Assistant", "Empty Recycle Bin", "Temporary Files",
       "Clipboard", "Memory Dumps", "Chkdsk File Fragments", "Windows Log Files"}));
  groups.push_back(Group("Netscape", 3,
                         {"Cookies", "Visited URL History", "Temporary Internet Files",
                          "Preferences", "Saved Form Information"}));
  groups.push_back(Group("Opera", 4,
                         {"Recently Typed URLs", "Cookies", "Visited URL History",
                          "Temporary Internet Files", "Autocomplete History", "Transfers"}));
  groups.push_back(
      Group("Mozilla Firefox", 5,
            {"Cookies", "Visited URL History", "Download Manager", "Temporary Internet Files",
             "Autocomplete History", "Preferences", "Saved Form Information"}));
  groups.push_back(ChromiumGroup(ChromiumBrowsers().front()));
  groups.push_back(Group(
      "Advanced", 6,
      {"Open File History", "Menu Order Cache", "Tray Notifications Cache", "User Assist History",
       "Paint", "Google Toolbar History", "MSN Toolbar History", "Yahoo! Toolbar History"}));
  groups.push_back(Group("Microsoft Office", 7,
                         {"Access", "Excel", "FrontPage", "Powerpoint", "Word", "Recent Files"}));
  groups.push_back(
      Group("Instant Messengers", 8,
            {"MSN Messenger", "Yahoo! Messenger", "ICQ", "AOL Instant Messenger", "Skype"}));
  groups.push_back(Group(kApplicationsGroup, 9, {}));
  groups.push_back(Group("Custom Lists", 10, {kNewListItem}));
  return CleanTree(std::move(groups));
}

void AddChromiumBrowserGroups(CleanTree& tree, platform::Registry& registry,
                              platform::FileSystem& files) {
  auto& groups = tree.groups();
  auto at = groups.begin();
  while (at != groups.end() && at->text != ChromiumBrowsers().front().group) ++at;
  if (at == groups.end()) return;
  ++at;
  for (const ChromiumBrowser& browser : ChromiumBrowsers()) {
    if (browser.original || tree.group(browser.group) != nullptr) continue;
    if (ChromiumUserDataFolders(registry, files, browser).empty()) continue;
    at = groups.insert(at, ChromiumGroup(browser)) + 1;
  }
}

std::string CleanItemName(std::string_view group, std::string_view item) {
  std::string name(group);
  name += " - ";
  name += item;
  return name;
}

void ApplicationNodes(CleanTree& tree, platform::Registry& registry, platform::Profile& profile,
                      std::string_view programFolder) {
  CleanNode* applications = nullptr;
  for (CleanNode& group : tree.groups()) {
    if (EqualsNoCase(group.text, kApplicationsGroup)) {
      applications = &group;
      break;
    }
  }
  if (applications == nullptr) return;

  const std::vector<std::string> sections =
      profile.sectionNames(WithTrailingBackslash(programFolder) + std::string(kDefinitionsFile));
  if (sections.empty()) return;

  auto uninstall =
      registry.open(platform::RootKey::LocalMachine, kUninstallKey, platform::RegAccess::Read);
  if (!uninstall) return;
  auto entries = registry.subKeyNames(*uninstall);
  if (!entries) return;

  for (const std::string& entry : *entries) {
    const std::string displayName =
        platform::ReadStringValue(registry, platform::RootKey::LocalMachine,
                                  std::string(kUninstallKey) + "\\" + entry, "DisplayName");
    if (displayName.empty()) continue;
    const std::string upperDisplay = UpperAscii(displayName);
    for (const std::string& section : sections) {
      // An empty section name would match every program.
      if (section.empty()) continue;
      const std::string upperSection = UpperAscii(section);
      const bool matches = upperDisplay.find(upperSection) != std::string::npos ||
                           upperSection.find(upperDisplay) != std::string::npos;
      if (!matches) continue;
      bool present = false;
      for (const CleanNode& child : applications->children) {
        if (EqualsNoCase(child.text, section)) {
          present = true;
          break;
        }
      }
      if (present) continue;
      CleanNode child;
      child.text = section;
      child.level = 1;
      applications->children.push_back(std::move(child));
    }
  }
}

std::vector<std::string> CollectCheckedItems(const CleanTree& tree) {
  std::vector<std::string> names;
  for (const CleanNode& group : tree.groups()) {
    for (const CleanNode& child : group.children) {
      if (child.state == kStateTicked) names.push_back(CleanItemName(group.text, child.text));
    }
  }
  return names;
}

void SelectNodeByName(CleanTree& tree, std::string_view name) {
  // Each sibling level stops at its first match; a match among the items
  // of one group does not stop the walk of the following groups.
  for (CleanNode& group : tree.groups()) {
    if (group.community) continue;
    if (group.text == name) {
      group.state = kStateTicked;
      return;
    }
    for (CleanNode& child : group.children) {
      if (CleanItemName(group.text, child.text) == name) {
        child.state = kStateTicked;
        break;
      }
    }
  }
}

void UntickAllNodes(CleanTree& tree) {
  for (CleanNode& group : tree.groups()) {
    group.state = kStateUnticked;
    for (CleanNode& child : group.children) child.state = kStateUnticked;
  }
}

std::vector<std::string> TickedNodeNames(const CleanTree& tree) {
  std::vector<std::string> names;
  for (const CleanNode& group : tree.groups()) {
    if (group.community) continue;
    if (group.state == kStateTicked) names.push_back(group.text);
    for (const CleanNode& child : group.children) {
      if (child.state == kStateTicked) names.push_back(CleanItemName(group.text, child.text));
    }
  }
  return names;
}

bool IsGroupChecked(const CleanTree& tree, std::string_view groupText) {
  const CleanNode* group = tree.group(groupText);
  return group != nullptr && group->state == kStateTicked;
}

bool GroupHasTickedItem(const CleanTree& tree, std::string_view groupText) {
  const CleanNode* group = tree.group(groupText);
  return group != nullptr && AnyChildTicked(*group);
}

void DeriveGroupMarks(CleanTree& tree) {
  for (CleanNode& group : tree.groups()) {
    if (!group.children.empty())
      group.state = AnyChildTicked(group) ? kStateTicked : kStateUnticked;
  }
}

ToggleResult ToggleNodeCheck(CleanTree& tree, NodeRef ref, TreeHit hit) {
  CleanNode* node = tree.node(ref);
  if (node == nullptr) return ToggleResult::Nothing;
  if (hit == TreeHit::Label && node->text == kNewListItem) {
    return ToggleResult::OpenCustomListEditor;
  }
  if (hit != TreeHit::StatePicture) return ToggleResult::Nothing;

  if (node->state == kStateUnticked) {
    node->state = kStateTicked;
  } else if (node->state == kStateTicked) {
    node->state = kStateUnticked;
  } else {
    return ToggleResult::Nothing;
  }

  if (ref.child < 0) {
    for (CleanNode& child : node->children) child.state = node->state;
  } else {
    CleanNode& group = *tree.node(NodeRef{ref.group, -1});
    group.state = AnyChildTicked(group) ? kStateTicked : kStateUnticked;
  }
  return ToggleResult::Toggled;
}

}  // namespace nc::cleaner
