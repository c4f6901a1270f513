// The community entries as clean items: the rules file "Winapp2.ini" of
// the program's folder read and its entries detected, the groups of the
// clean tree they make, their run names, their ticks and warnings.
//
// Each category is one group after the built-in groups, captioned
// "Community - <category>" ("Community - Other" for entries without one);
// groups are in alphabetical order of their captions (letter case aside),
// items in file order. Only entries that apply here are shown, each name
// once (the first entry of a name wins). An item's run name is that of any
// other item: "Community - Games - Steam".
//
// A catalogue is made once and never changed; the clean worker keeps the
// one its run started with, so a new file read meanwhile does not touch a
// running clean.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "cleaner/catalogue.h"
#include "cleaner/clean_run.h"
#include "cleaner/community/variables.h"
#include "cleaner/community/winapp2.h"
#include "platform/platform.h"
#include "platform/prompts.h"

namespace nc::cleaner::community {

inline constexpr std::string_view kCommunityRulesFileName = "Winapp2.ini";
inline constexpr std::string_view kCommunityGroupPrefix = "Community - ";
inline constexpr std::string_view kOtherCategory = "Other";

struct CommunityGroup {
  std::string caption;               // "Community - Games"
  std::vector<std::size_t> entries;  // indices into rules.entries, in file order
};

struct CommunityCatalogue {
  CommunityRules rules;
  std::vector<PathVariable> vars;
  std::vector<CommunityGroup> groups;
  std::map<std::string, std::size_t, std::less<>> byRunName;  // run name -> entry index

  // The entry a run name designates; null when there is none.
  const CommunityEntry* EntryOf(std::string_view runName) const;
};

// "Community - <category>", "Community - Other" for an empty category.
std::string CommunityGroupCaption(std::string_view category);

// True for a run name or group caption of the community groups.
bool IsCommunityName(std::string_view name);

// Groups the entries of `rules` that apply here (EntryApplies with the
// variables of this system).
std::shared_ptr<const CommunityCatalogue> DetectCommunityEntries(platform::Platform& ports,
                                                                 CommunityRules rules);

// What reading the rules file gave.
enum class RulesFileState {
  Read,        // rules holds what the reader took from it
  Missing,     // no such file
  Unreadable,  // it exists but could not be opened or read
  TooLarge,    // over kMaxFileBytes: nothing was read (rules.tooLarge)
};

struct CommunityRulesFile {
  RulesFileState state = RulesFileState::Missing;
  CommunityRules rules;  // empty unless state is Read (tooLarge when TooLarge)
};

// Reads and parses "Winapp2.ini" in `programFolder`; never more than
// kMaxFileBytes of it is held.
CommunityRulesFile ReadCommunityRulesFile(platform::FileSystem& files,
                                          std::string_view programFolder);

// Reads "Winapp2.ini" in `programFolder` (with trailing backslash) and
// detects its entries. A missing or unreadable file gives an empty
// catalogue; a file over kMaxFileBytes is not read (rules.tooLarge).
std::shared_ptr<const CommunityCatalogue> LoadCommunityCatalogue(platform::Platform& ports,
                                                                 std::string_view programFolder);

// The community groups of `tree` (CleanNode::community) replaced by those
// of `catalogue` (none when it is null), after the built-in groups, every
// node unticked and collapsed.
void ReplaceCommunityGroups(CleanTree& tree, const CommunityCatalogue* catalogue);

// Entry names as the settings file keeps ticks: the ticked community items.
std::set<std::string> TickedCommunityNames(const CleanTree& tree);
// The names of every community item shown.
std::set<std::string> ShownCommunityNames(const CleanTree& tree);
// Ticks the community items whose names are in `ticked`, unticks the rest,
// and gives each community group the mark of its items.
void ApplyCommunityTicks(CleanTree& tree, const std::set<std::string>& ticked);

// After a press at `ref` ticked nodes: each community item it ticked whose
// entry has a Warning is shown to the user as a Yes/No question; No
// unticks it. The group's mark follows its items again. Nothing is asked
// for nodes that were unticked, or outside the community groups.
void ConfirmCommunityWarnings(CleanTree& tree, NodeRef ref, const CommunityCatalogue& catalogue,
                              platform::Prompts& prompts);

// The question shown for an entry's warning.
std::string WarningQuestion(const CommunityEntry& entry);

// The log lines about a file the reader did not fully understand: one line
// with the count of such lines, then one per kept line with its number;
// one line for a file too large to read; nothing when all was read.
std::vector<std::string> UnreadLogLines(const CommunityRules& rules);

// Runs the community item `runName` of the run's catalogue; an item the
// catalogue does not know finds nothing.
void RunCommunityItem(CleanRun& run, std::string_view runName);

}  // namespace nc::cleaner::community
