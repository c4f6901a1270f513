#include "cleaner/community/folder_match.h"

#include <algorithm>
#include <utility>

#include "core/text.h"

namespace nc::cleaner::community {

namespace {

// Upper case as file names compare: ASCII, Latin-1, Greek and Cyrillic
// letters; other characters as they are.
char32_t Upper(char32_t c) {
  if (c >= U'a' && c <= U'z') return c - 0x20;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return c - 0x20;
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;
  return c;
}

std::u32string UpperText(std::string_view text) {
  std::u32string wide = Utf8ToUtf32(text);
  for (char32_t& c : wide) c = Upper(c);
  return wide;
}

// The root a fully qualified path starts with ("C:\", "\\server\share\")
// and the length it takes; 0 when there is none.
std::size_t RootLength(std::string_view path) {
  if (path.size() >= 3 && path[1] == ':' && path[2] == '\\') return 3;
  if (path.size() == 2 && path[1] == ':') return 2;
  if (!StartsWith(path, "\\\\")) return 0;
  const auto server = path.find('\\', 2);
  if (server == std::string_view::npos || server == 2) return 0;
  const auto share = path.find('\\', server + 1);
  if (share == server + 1) return 0;
  return share == std::string_view::npos ? path.size() : share + 1;
}

// The parts after the root; false when one is "." or "..".
bool PartsOf(std::string_view rest, std::vector<std::string>& parts) {
  for (std::string& part : Split(rest, '\\')) {
    if (part.empty()) continue;
    if (part == "." || part == "..") return false;
    parts.push_back(std::move(part));
  }
  return true;
}

// The sub-folders of each of `folders` that match `pattern`, links left
// out.
void MatchPart(platform::FileSystem& files, const std::vector<std::string>& folders,
               std::string_view pattern, std::size_t limit, MatchedFolders& into) {
  for (const std::string& folder : folders) {
    auto listed = files.list(folder);
    if (!listed) continue;
    for (const platform::FileEntry& entry : *listed) {
      if (!entry.isFolder() || entry.isLink() || !MatchesPattern(pattern, entry.name)) continue;
      if (into.folders.size() >= limit) {
        into.cut = true;
        return;
      }
      into.folders.push_back(folder + entry.name + "\\");
    }
  }
}

}  // namespace

bool HasWildcard(std::string_view text) {
  return text.find_first_of("*?") != std::string_view::npos;
}

std::size_t CountWildcards(const std::vector<std::string>& patterns) {
  std::size_t count = 0;
  for (const std::string& pattern : patterns) {
    count += static_cast<std::size_t>(
        std::count_if(pattern.begin(), pattern.end(), [](char c) { return c == '*' || c == '?'; }));
  }
  return count;
}

bool MatchesPattern(std::string_view pattern, std::string_view name) {
  if (pattern == "*.*" || pattern == "*") return true;
  const std::u32string p = UpperText(pattern);
  const std::u32string n = UpperText(name);
  // The last "*" seen and where the name stood then: a mismatch after it
  // lets that "*" take one more character.
  std::size_t pi = 0;
  std::size_t ni = 0;
  std::size_t star = std::u32string::npos;
  std::size_t starName = 0;
  while (ni < n.size()) {
    if (pi < p.size() && (p[pi] == U'?' || p[pi] == n[ni])) {
      ++pi;
      ++ni;
    } else if (pi < p.size() && p[pi] == U'*') {
      star = pi++;
      starName = ni;
    } else if (star != std::u32string::npos) {
      pi = star + 1;
      ni = ++starName;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == U'*') ++pi;
  return pi == p.size();
}

MatchedFolders MatchFolders(platform::FileSystem& files, std::string_view path, std::size_t limit) {
  MatchedFolders matched;
  const std::size_t rootLength = RootLength(path);
  if (rootLength == 0) return matched;
  std::vector<std::string> parts;
  if (HasWildcard(path.substr(0, rootLength)) || !PartsOf(path.substr(rootLength), parts)) {
    return matched;
  }
  std::vector<std::string> current{WithTrailingBackslash(path.substr(0, rootLength))};
  for (const std::string& part : parts) {
    if (!HasWildcard(part)) {
      for (std::string& folder : current) folder += part + "\\";
      continue;
    }
    MatchedFolders next;
    MatchPart(files, current, part, limit, next);
    matched.cut = matched.cut || next.cut;
    current = std::move(next.folders);
  }
  for (std::string& folder : current) {
    if (files.folderExists(folder)) matched.folders.push_back(std::move(folder));
  }
  return matched;
}

bool AnyPathMatches(platform::FileSystem& files, std::string_view path, std::size_t limit) {
  const std::string whole = WithoutTrailingBackslash(path);
  const std::string name = platform::NameOf(whole);
  const std::string folder = platform::FolderOf(whole);
  if (name.empty() || folder.empty() || folder == whole) return false;
  for (const std::string& found : MatchFolders(files, folder + "\\", limit).folders) {
    if (!HasWildcard(name)) {
      if (files.attributes(found + name)) return true;
      continue;
    }
    auto listed = files.list(found);
    if (!listed) continue;
    for (const platform::FileEntry& entry : *listed) {
      if (MatchesPattern(name, entry.name)) return true;
    }
  }
  return false;
}

}  // namespace nc::cleaner::community
