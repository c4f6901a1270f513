#include "cleaner/community/rules.h"

#include <array>
#include <charconv>
#include <utility>

#include "core/text.h"

namespace nc::cleaner::community {

namespace {

// The fields of a value between "|" (or ";"), each without blanks around.
std::vector<std::string> Fields(std::string_view text, char separator) {
  std::vector<std::string> fields = Split(text, separator);
  for (std::string& field : fields) field = std::string(Trim(field));
  return fields;
}

// A file name with wildcards: what a pattern or an excluded name may be.
bool IsFilePattern(std::string_view pattern) {
  if (pattern.empty() || pattern == "." || pattern == "..") return false;
  return pattern.find_first_of("\\/") == std::string_view::npos;
}

// "a;b;c" as file patterns; nullopt when any of them is not one.
std::optional<std::vector<std::string>> ParsePatterns(std::string_view text) {
  std::vector<std::string> patterns = Fields(text, ';');
  for (const std::string& pattern : patterns) {
    if (!IsFilePattern(pattern)) return std::nullopt;
  }
  return patterns;
}

std::optional<platform::RootKey> RootFromName(std::string_view name) {
  using platform::RootKey;
  static constexpr std::array<std::pair<std::string_view, RootKey>, 5> kShortNames{{
      {"HKCR", RootKey::ClassesRoot},
      {"HKCU", RootKey::CurrentUser},
      {"HKLM", RootKey::LocalMachine},
      {"HKU", RootKey::Users},
      {"HKCC", RootKey::CurrentConfig},
  }};
  for (const auto& [shortName, root] : kShortNames) {
    if (EqualsNoCase(name, shortName)) return root;
  }
  return platform::RootKeyFromName(name);
}

// "major.minor" with both numbers below 1000.
std::optional<WindowsVersion> ParseVersion(std::string_view text) {
  const auto dot = text.find('.');
  if (dot == std::string_view::npos) return std::nullopt;
  const auto number = [](std::string_view digits) -> std::optional<int> {
    if (digits.empty() || digits.size() > 3) return std::nullopt;
    if (digits.find_first_not_of("0123456789") != std::string_view::npos) return std::nullopt;
    int value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return value;
  };
  const auto major = number(text.substr(0, dot));
  const auto minor = number(text.substr(dot + 1));
  if (!major || !minor) return std::nullopt;
  return WindowsVersion{*major, *minor};
}

}  // namespace

std::optional<RegistryPath> ParseRegistryPath(std::string_view text) {
  text = Trim(text);
  if (text.find('|') != std::string_view::npos) return std::nullopt;
  const auto slash = text.find('\\');
  if (slash == std::string_view::npos) return std::nullopt;
  const auto root = RootFromName(text.substr(0, slash));
  if (!root) return std::nullopt;
  RegistryPath path{*root, {}};
  for (const std::string& part : Split(text.substr(slash + 1), '\\')) {
    if (part.empty()) continue;
    if (!path.keyPath.empty()) path.keyPath += '\\';
    path.keyPath += part;
  }
  if (path.keyPath.empty()) return std::nullopt;
  return path;
}

std::optional<FileRule> ParseFileKey(std::string_view value) {
  const std::vector<std::string> fields = Fields(value, '|');
  if (fields.size() > 3 || fields[0].empty()) return std::nullopt;
  FileRule rule;
  rule.folder = fields[0];
  if (fields.size() == 1) return rule;
  auto patterns = ParsePatterns(fields[1]);
  if (!patterns) return std::nullopt;
  rule.patterns = std::move(*patterns);
  if (fields.size() == 3) {
    if (EqualsNoCase(fields[2], "RECURSE")) {
      rule.depth = FileRuleDepth::Recurse;
    } else if (EqualsNoCase(fields[2], "REMOVESELF")) {
      rule.depth = FileRuleDepth::RemoveSelf;
    } else {
      return std::nullopt;
    }
  }
  return rule;
}

std::optional<RegistryRule> ParseRegKey(std::string_view value) {
  const std::vector<std::string> fields = Fields(value, '|');
  if (fields.size() > 2) return std::nullopt;
  auto key = ParseRegistryPath(fields[0]);
  if (!key) return std::nullopt;
  RegistryRule rule{std::move(*key), std::nullopt};
  if (fields.size() == 2) {
    if (fields[1].empty()) return std::nullopt;
    rule.valueName = fields[1];
  }
  return rule;
}

std::optional<ExclusionRule> ParseExcludeKey(std::string_view value) {
  value = Trim(value);
  const auto bar = value.find('|');
  if (bar == std::string_view::npos) return std::nullopt;
  const std::string_view kind = Trim(value.substr(0, bar));
  const std::string_view rest = value.substr(bar + 1);
  ExclusionRule rule;
  if (EqualsNoCase(kind, "REG")) {
    auto registry = ParseRegKey(rest);
    if (!registry) return std::nullopt;
    rule.kind = ExclusionKind::Registry;
    rule.registry = std::move(*registry);
    return rule;
  }
  if (EqualsNoCase(kind, "FILE")) {
    rule.kind = ExclusionKind::File;
  } else if (EqualsNoCase(kind, "PATH")) {
    rule.kind = ExclusionKind::Path;
  } else {
    return std::nullopt;
  }
  const std::vector<std::string> fields = Fields(rest, '|');
  if (fields.size() != 2 || fields[0].empty()) return std::nullopt;
  auto patterns = ParsePatterns(fields[1]);
  if (!patterns) return std::nullopt;
  rule.folder = fields[0];
  rule.patterns = std::move(*patterns);
  return rule;
}

std::optional<std::string> ParseDetectFile(std::string_view value) {
  const std::vector<std::string> fields = Fields(value, '|');
  if (fields.size() > 2 || fields[0].empty()) return std::nullopt;
  std::string path = fields[0];
  if (fields.size() == 2) {
    // "folder|name", written like a FileKey with one pattern.
    if (!IsFilePattern(fields[1]) || fields[1].find(';') != std::string::npos) return std::nullopt;
    path = WithTrailingBackslash(path) + fields[1];
  }
  const auto lastSlash = path.find_last_of('\\');
  if (lastSlash != std::string::npos &&
      path.substr(0, lastSlash).find_first_of("*?") != std::string::npos) {
    return std::nullopt;
  }
  return path;
}

std::optional<WindowsVersionRange> ParseDetectOs(std::string_view value) {
  const std::vector<std::string> fields = Fields(value, '|');
  if (fields.size() != 2) return std::nullopt;
  WindowsVersionRange range;
  for (int side = 0; side < 2; ++side) {
    if (fields[side].empty()) continue;
    auto version = ParseVersion(fields[side]);
    if (!version) return std::nullopt;
    (side == 0 ? range.min : range.max) = version;
  }
  if (!range.min && !range.max) return std::nullopt;
  if (range.min && range.max && *range.max < *range.min) return std::nullopt;
  return range;
}

std::optional<std::string_view> LangSecRefName(int number) {
  static constexpr std::array<std::pair<int, std::string_view>, 26> kNames{{
      {3001, "Internet Explorer"},
      {3005, "Microsoft Edge (legacy)"},
      {3006, "Edge Chromium"},
      {3021, "Applications"},
      {3022, "Internet"},
      {3023, "Multimedia"},
      {3024, "Utilities"},
      {3025, "Windows"},
      {3026, "Firefox"},
      {3027, "Opera"},
      {3028, "Safari"},
      {3029, "Google Chrome"},
      {3030, "Thunderbird"},
      {3031, "Windows Store"},
      {3032, "CCleaner Browser"},
      {3033, "Vivaldi"},
      {3034, "Brave"},
      {3035, "Opera GX"},
      {3036, "Spotify"},
      {3037, "Avast Secure Browser"},
      {3038, "AVG Secure Browser"},
      {3039, "Arc Browser"},
      {3040, "iTunes"},
      {3042, "WhatsApp"},
      {3043, "Norton Private Browser"},
      {3044, "Avira Secure Browser"},
  }};
  for (const auto& [value, name] : kNames) {
    if (value == number) return name;
  }
  return std::nullopt;
}

}  // namespace nc::cleaner::community
