#include "cleaner/community/variables.h"

#include "core/text.h"

namespace nc::cleaner::community {

namespace {

bool IsNameCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '(' || c == ')';
}

const PathVariable* Find(std::span<const PathVariable> table, std::string_view name) {
  for (const PathVariable& variable : table) {
    if (EqualsNoCase(variable.name, name)) return &variable;
  }
  return nullptr;
}

// Appends `text` to each path; a "\" ending a path and one starting the
// text become one.
void AppendToAll(std::vector<std::string>& paths, std::string_view text) {
  for (std::string& path : paths) {
    if (EndsWith(path, "\\") && StartsWith(text, "\\")) {
      path.append(text.substr(1));
    } else {
      path.append(text);
    }
  }
}

}  // namespace

std::vector<std::string> ExpandPathVariables(std::string_view path,
                                             std::span<const PathVariable> table) {
  if (path.empty()) return {};
  std::vector<std::string> paths{std::string()};
  std::size_t pos = 0;
  while (pos < path.size()) {
    const auto open = path.find('%', pos);
    if (open == std::string_view::npos) {
      AppendToAll(paths, path.substr(pos));
      break;
    }
    AppendToAll(paths, path.substr(pos, open - pos));
    const auto close = path.find('%', open + 1);
    if (close == std::string_view::npos) return {};
    const std::string_view name = path.substr(open + 1, close - open - 1);
    if (name.empty()) return {};
    for (const char c : name) {
      if (!IsNameCharacter(c)) return {};
    }
    const PathVariable* variable = Find(table, name);
    if (!variable) return {};
    std::vector<std::string> next;
    for (const std::string& start : paths) {
      for (const std::string& folder : variable->folders) {
        if (folder.empty()) continue;
        if (next.size() >= kMaxExpandedPaths) return {};
        std::vector<std::string> one{start};
        AppendToAll(one, folder);
        next.push_back(std::move(one.front()));
      }
    }
    if (next.empty()) return {};
    paths = std::move(next);
    pos = close + 1;
  }
  // The same folder twice (both Program Files folders are one on 32-bit
  // Windows) would be cleaned twice.
  std::vector<std::string> unique;
  for (std::string& candidate : paths) {
    bool seen = false;
    for (const std::string& kept : unique) seen = seen || EqualsNoCase(kept, candidate);
    if (!seen) unique.push_back(std::move(candidate));
  }
  return unique;
}

}  // namespace nc::cleaner::community
