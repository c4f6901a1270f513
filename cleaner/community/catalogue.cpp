#include "cleaner/community/catalogue.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "cleaner/community/detection.h"
#include "cleaner/community/runner.h"
#include "core/text.h"

namespace nc::cleaner::community {
namespace {

// The file's bytes, or why there are none.
struct BoundedText {
  RulesFileState state = RulesFileState::Missing;
  std::string text;
};

BoundedText ReadBounded(platform::FileSystem& files, std::string_view path) {
  auto file = files.open(path, platform::FileOpen::ReadExisting, platform::FileShare::Read);
  if (!file) {
    return {
        file.error().code == Errc::NotFound ? RulesFileState::Missing : RulesFileState::Unreadable,
        {}};
  }
  std::string content;
  std::array<std::uint8_t, 65536> buffer{};
  while (true) {
    auto got = (*file)->read(buffer);
    if (!got) return {RulesFileState::Unreadable, {}};
    if (*got == 0) break;
    content.append(reinterpret_cast<const char*>(buffer.data()), *got);
    if (content.size() > kMaxFileBytes) return {RulesFileState::TooLarge, {}};
  }
  return {RulesFileState::Read, std::move(content)};
}

bool LessNoCase(const std::string& a, const std::string& b) {
  const std::string la = LowerAscii(a), lb = LowerAscii(b);
  return la != lb ? la < lb : a < b;
}

void MarkGroupFromItems(CleanNode& group) {
  const bool any = std::any_of(group.children.begin(), group.children.end(),
                               [](const CleanNode& c) { return c.state == kStateTicked; });
  group.state = any ? kStateTicked : kStateUnticked;
}

}  // namespace

const CommunityEntry* CommunityCatalogue::EntryOf(std::string_view runName) const {
  const auto it = byRunName.find(runName);
  return it == byRunName.end() ? nullptr : &rules.entries[it->second];
}

std::string CommunityGroupCaption(std::string_view category) {
  return std::string(kCommunityGroupPrefix) +
         std::string(category.empty() ? kOtherCategory : category);
}

bool IsCommunityName(std::string_view name) {
  return name.starts_with(kCommunityGroupPrefix);
}

std::shared_ptr<const CommunityCatalogue> DetectCommunityEntries(platform::Platform& ports,
                                                                 CommunityRules rules) {
  auto catalogue = std::make_shared<CommunityCatalogue>();
  catalogue->rules = std::move(rules);
  catalogue->vars = ResolveCommunityVariables(ports);
  std::map<std::string, std::size_t> groupOf;  // caption -> index into groups
  std::set<std::string> names;
  const auto& entries = catalogue->rules.entries;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const CommunityEntry& entry = entries[i];
    if (entry.name.empty() || names.contains(entry.name)) continue;
    if (!EntryApplies(ports, entry, catalogue->vars)) continue;
    names.insert(entry.name);
    const std::string caption = CommunityGroupCaption(entry.category);
    auto [at, added] = groupOf.emplace(caption, catalogue->groups.size());
    if (added) catalogue->groups.push_back(CommunityGroup{caption, {}});
    catalogue->groups[at->second].entries.push_back(i);
    catalogue->byRunName.emplace(CleanItemName(caption, entry.name), i);
  }
  std::sort(catalogue->groups.begin(), catalogue->groups.end(),
            [](const CommunityGroup& a, const CommunityGroup& b) {
              return LessNoCase(a.caption, b.caption);
            });
  return catalogue;
}

CommunityRulesFile ReadCommunityRulesFile(platform::FileSystem& files,
                                          std::string_view programFolder) {
  const std::string path =
      WithTrailingBackslash(programFolder) + std::string(kCommunityRulesFileName);
  BoundedText read = ReadBounded(files, path);
  CommunityRulesFile out;
  out.state = read.state;
  if (read.state == RulesFileState::Read) out.rules = ReadCommunityRules(read.text);
  if (read.state == RulesFileState::TooLarge) out.rules.tooLarge = true;
  return out;
}

std::shared_ptr<const CommunityCatalogue> LoadCommunityCatalogue(platform::Platform& ports,
                                                                 std::string_view programFolder) {
  // A missing or unreadable file gives an empty catalogue.
  return DetectCommunityEntries(
      ports, std::move(ReadCommunityRulesFile(ports.files, programFolder).rules));
}

void ReplaceCommunityGroups(CleanTree& tree, const CommunityCatalogue* catalogue) {
  auto& groups = tree.groups();
  std::erase_if(groups, [](const CleanNode& group) { return group.community; });
  if (catalogue == nullptr) return;
  for (const CommunityGroup& source : catalogue->groups) {
    CleanNode group;
    group.text = source.caption;
    group.state = kStateUnticked;
    group.community = true;
    for (const std::size_t index : source.entries) {
      CleanNode item;
      item.text = catalogue->rules.entries[index].name;
      item.state = kStateUnticked;
      item.level = 1;
      item.community = true;
      group.children.push_back(std::move(item));
    }
    groups.push_back(std::move(group));
  }
}

std::set<std::string> TickedCommunityNames(const CleanTree& tree) {
  std::set<std::string> names;
  for (const CleanNode& group : tree.groups()) {
    if (!group.community) continue;
    for (const CleanNode& item : group.children) {
      if (item.state == kStateTicked) names.insert(item.text);
    }
  }
  return names;
}

std::set<std::string> ShownCommunityNames(const CleanTree& tree) {
  std::set<std::string> names;
  for (const CleanNode& group : tree.groups()) {
    if (!group.community) continue;
    for (const CleanNode& item : group.children) names.insert(item.text);
  }
  return names;
}

void ApplyCommunityTicks(CleanTree& tree, const std::set<std::string>& ticked) {
  for (CleanNode& group : tree.groups()) {
    if (!group.community) continue;
    for (CleanNode& item : group.children) {
      item.state = ticked.contains(item.text) ? kStateTicked : kStateUnticked;
    }
    MarkGroupFromItems(group);
  }
}

std::string WarningQuestion(const CommunityEntry& entry) {
  return entry.name + ":\n\n" + entry.warning.value_or("") + "\n\nTick it anyway?";
}

void ConfirmCommunityWarnings(CleanTree& tree, NodeRef ref, const CommunityCatalogue& catalogue,
                              platform::Prompts& prompts) {
  CleanNode* group = tree.node(NodeRef{ref.group, -1});
  if (group == nullptr || !group->community) return;
  const int first = ref.child < 0 ? 0 : ref.child;
  const int last = ref.child < 0 ? static_cast<int>(group->children.size()) : ref.child + 1;
  for (int c = first; c < last; ++c) {
    CleanNode* item = tree.node(NodeRef{ref.group, c});
    if (item == nullptr || item->state != kStateTicked) continue;
    const CommunityEntry* entry = catalogue.EntryOf(CleanItemName(group->text, item->text));
    if (entry == nullptr || !entry->warning) continue;
    if (!prompts.confirm(WarningQuestion(*entry))) item->state = kStateUnticked;
  }
  MarkGroupFromItems(*group);
}

std::vector<std::string> UnreadLogLines(const CommunityRules& rules) {
  const std::string file(kCommunityRulesFileName);
  if (rules.tooLarge) {
    return {file + " is larger than " + std::to_string(kMaxFileBytes / (1024 * 1024)) +
            " MB and was not read."};
  }
  if (rules.unreadCount == 0) return {};
  std::vector<std::string> lines;
  lines.push_back(file + ": " + std::to_string(rules.unreadCount) +
                  (rules.unreadCount == 1 ? " line was" : " lines were") +
                  " not understood and left out" +
                  (rules.unread.size() < rules.unreadCount
                       ? " (the first " + std::to_string(rules.unread.size()) + " follow)."
                       : "."));
  for (const UnreadLine& line : rules.unread) {
    lines.push_back(file + " line " + std::to_string(line.lineNumber) + ": " +
                    std::string(line.reason) + ": " + line.text);
  }
  return lines;
}

void RunCommunityItem(CleanRun& run, std::string_view runName) {
  const CommunityCatalogue* catalogue = run.env().community.get();
  const CommunityEntry* entry = catalogue == nullptr ? nullptr : catalogue->EntryOf(runName);
  if (entry == nullptr) {
    run.SetItemSize(0);
    return;
  }
  RunCommunityEntry(run, *entry, catalogue->vars);
}

}  // namespace nc::cleaner::community
