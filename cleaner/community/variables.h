// The %Variables% of the community rules file's paths ("%AppData%\Vendor")
// expanded from a table that the caller fills from the system: each name
// stands for a list of folders, because on 64-bit Windows %ProgramFiles%
// and %CommonProgramFiles% stand for both the 64-bit and the 32-bit folder.
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace nc::cleaner::community {

// The names the format defines, and the few more the real file uses (Temp,
// UserName, and HomeDrive as SystemDrive's twin).
inline constexpr std::array<std::string_view, 18> kPathVariables = {
    "AppData",     "LocalAppData",  "LocalLowAppData", "UserProfile",
    "Documents",   "Music",         "Pictures",        "Video",
    "Public",      "CommonAppData", "ProgramData",     "WinDir",
    "SystemDrive", "HomeDrive",     "ProgramFiles",    "CommonProgramFiles",
    "Temp",        "UserName",
};

struct PathVariable {
  std::string name;                  // without "%", any letter case
  std::vector<std::string> folders;  // empty when the system has none
};

// Every path `path` stands for, its "%Name%" parts replaced by each folder
// of the table (names compared without regard to letter case; with two
// variables, every pair). Folders are put in as they are, never expanded
// again; a folder's trailing "\" and the path's next "\" become one. Empty
// when the path names a variable the table lacks or gives no folder, holds
// a lone "%" or "%%", or would stand for more than kMaxExpandedPaths paths:
// such a rule is skipped, never guessed at. No path appears twice (compared
// without regard to letter case).
inline constexpr std::size_t kMaxExpandedPaths = 64;
std::vector<std::string> ExpandPathVariables(std::string_view path,
                                             std::span<const PathVariable> table);

}  // namespace nc::cleaner::community
