// One community entry (community/winapp2.h) run as a clean item over the
// run's removal primitives, so that Test lists exactly what Clean removes,
// links are never followed, secure deletion is honoured and the counts,
// sizes and log lines are those of every other item.
//
// The rules are written by others for every system, so each is judged
// before it runs, and a rule that is refused is left out with a line in
// the log naming it ("FileKey3 of Discord is refused: ..."):
// - a rule that reaches below its folder (RECURSE, REMOVESELF) whose folder
//   is, or holds, a guarded folder (FolderGuard::JudgeForRules: a drive
//   root, Windows, the system folder, Program Files, the profile, AppData,
//   Local, LocalLow, Documents, Desktop, Downloads, Music, Pictures,
//   Videos); the folder is judged by what it is, not how it is spelled;
// - any rule in the program's own folder, or holding it when it recurses;
// - a rule whose folder exists but cannot be judged;
// - a rule whose patterns hold more than kMaxRuleWildcards wildcards;
// - a registry rule that would remove what an ExcludeKey keeps.
// An entry with an ExcludeKey line that could not be read is refused as a
// whole: what that line keeps is not known.
#pragma once

#include <cstddef>
#include <span>

#include "cleaner/clean_run.h"
#include "cleaner/community/detection.h"
#include "cleaner/community/variables.h"
#include "cleaner/community/winapp2.h"

namespace nc::cleaner::community {

// "*" and "?" allowed over all the patterns of one FileKey.
inline constexpr std::size_t kMaxRuleWildcards = 10;
// Folders below a rule's folder deeper than this are not searched.
inline constexpr std::size_t kMaxRuleDepth = 256;

// Runs the entry's FileKeys, then its RegKeys, in number order, keeping
// what its ExcludeKeys keep; counts into ItemCount and sets ItemSize and
// ItemSizeText to the bytes of the files found. A file that two rules
// match is counted once. `vars` is ResolveCommunityVariables' table.
// Whether the entry applies (EntryApplies) is the caller's question.
//
// In a FileKey, every path its variables stand for has its wildcard parts
// matched (kMaxFoldersPerRule folders at most; a line says so when a rule
// was cut short). A plain rule removes the matching files of the folder,
// RECURSE those of its sub-folders too, and REMOVESELF then removes the
// sub-folders it emptied and the folder itself when it is empty (in clean
// mode; those removals are not counted). Sub-folders that are links are
// never entered. A RegKey removes a key with everything below it, or one
// value; an HKLM rule acts in both views on 64-bit Windows.
void RunCommunityEntry(CleanRun& run, const CommunityEntry& entry,
                       std::span<const PathVariable> vars);

}  // namespace nc::cleaner::community
