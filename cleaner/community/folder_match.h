// File and folder names matched against the community rules' patterns,
// and the folders a path with wildcards in its parts stands for
// ("%LocalAppData%\Packages\Microsoft.*\AC"). Matching never enters a
// symbolic link, junction or other reparse point: a link that a wildcard
// part matches is left out, so a rule cannot be led out of the tree it
// names. A path written with a part a wildcard cannot match ("C:\a\*")
// still follows the links it names by name, as the system reads it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/filesystem.h"

namespace nc::cleaner::community {

// Whether `name` matches `pattern`, "*" standing for any run of characters
// and "?" for one, without regard to letter case; "*.*" matches every
// name, as the system's own searches do.
bool MatchesPattern(std::string_view pattern, std::string_view name);
bool HasWildcard(std::string_view text);
// The "*" and "?" of all the patterns.
std::size_t CountWildcards(const std::vector<std::string>& patterns);

struct MatchedFolders {
  std::vector<std::string> folders;  // existing folders, each with its trailing backslash
  bool cut = false;                  // more than `limit` folders matched a wildcard part
};
// The existing folders `path` stands for: a fully qualified path ("C:\",
// "\\server\share\") whose parts may hold wildcards. A path that is not
// fully qualified, or holds a "." or ".." part, stands for none. At most
// `limit` folders are taken from wildcard parts, in the system's order.
MatchedFolders MatchFolders(platform::FileSystem& files, std::string_view path, std::size_t limit);

// Whether a file or folder matches `path`, whose parts (the last one
// included) may hold wildcards.
bool AnyPathMatches(platform::FileSystem& files, std::string_view path, std::size_t limit);

}  // namespace nc::cleaner::community
