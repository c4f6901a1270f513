// What the community rules' %Variables% stand for on this system, and
// whether an entry applies to it (Detect, DetectFile, DetectOS).
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cleaner/community/variables.h"
#include "cleaner/community/winapp2.h"
#include "platform/platform.h"

namespace nc::cleaner::community {

// Every name of kPathVariables, from the system's special folders and
// environment, folders without a trailing backslash. On 64-bit Windows
// %ProgramFiles% and %CommonProgramFiles% stand for both the 64-bit and
// the 32-bit folder, whatever the program's own bitness. A name the system
// has no folder for gets none (rules that use it are skipped).
std::vector<PathVariable> ResolveCommunityVariables(platform::Platform& ports);

// The paths a rule's path stands for here: its variables expanded and,
// for a 32-bit program on 64-bit Windows, the system folder reached by
// its native name "<Windows>\Sysnative" (the other one would be the
// 32-bit programs' SysWOW64).
std::vector<std::string> RulePaths(platform::Platform& ports, std::string_view path,
                                   std::span<const PathVariable> vars);

// At most this many folders are matched by the wildcards of one path.
inline constexpr std::size_t kMaxFoldersPerRule = 1000;

// True when the entry applies here: DetectOS, when there is one, holds
// the running Windows version, and any Detect key exists (HKLM keys
// looked up in both views on 64-bit Windows) or any DetectFile matches a
// file or folder, or the entry has neither (and no Detect, DetectFile or
// DetectOS line it could not read: that one might have said no).
bool EntryApplies(platform::Platform& ports, const CommunityEntry& entry,
                  std::span<const PathVariable> vars);

// The registry views an HKLM rule acts in: the key path as written in the
// 64-bit view and, where the 32-bit view has a key of its own there, its
// "Software\Wow6432Node" path in the 64-bit view. Other keys, and every
// key on 32-bit Windows, in the program's view.
struct ViewedKey {
  std::string keyPath;
  platform::RegView view = platform::RegView::Default;
};
std::vector<ViewedKey> KeyInViews(platform::Platform& ports, const RegistryPath& key);

}  // namespace nc::cleaner::community
