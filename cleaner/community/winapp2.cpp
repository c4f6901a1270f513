#include "cleaner/community/winapp2.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <set>
#include <utility>

#include "core/text.h"

namespace nc::cleaner::community {

namespace {

enum class KeyKind {
  Category,  // LangSecRef and Section share one place
  Detect,
  DetectFile,
  DetectOs,
  Warning,
  FileKey,
  RegKey,
  ExcludeKey,
};

enum class Numbering {
  None,      // "Warning"
  Optional,  // "Detect" is "Detect1"
  Required,  // "FileKey1"
};

struct KeySpec {
  std::string_view name;
  KeyKind kind;
  Numbering numbering;
};

constexpr std::array<KeySpec, 9> kKeys{{
    {"LangSecRef", KeyKind::Category, Numbering::None},
    {"Section", KeyKind::Category, Numbering::None},
    {"Detect", KeyKind::Detect, Numbering::Optional},
    {"DetectFile", KeyKind::DetectFile, Numbering::Optional},
    {"DetectOS", KeyKind::DetectOs, Numbering::None},
    {"Warning", KeyKind::Warning, Numbering::None},
    {"FileKey", KeyKind::FileKey, Numbering::Required},
    {"RegKey", KeyKind::RegKey, Numbering::Required},
    {"ExcludeKey", KeyKind::ExcludeKey, Numbering::Required},
}};

// Key numbers run from 1 and have at most this many digits.
constexpr std::size_t kMaxNumberDigits = 6;

struct ParsedKey {
  const KeySpec* spec = nullptr;  // null: a key this reader does not know
  unsigned number = 0;            // 0 for keys without numbers
  bool badNumber = false;
};

ParsedKey ParseKeyName(std::string_view key) {
  std::size_t digits = key.size();
  while (digits > 0 && key[digits - 1] >= '0' && key[digits - 1] <= '9') --digits;
  const std::string_view name = key.substr(0, digits);
  const std::string_view number = key.substr(digits);
  ParsedKey parsed;
  for (const KeySpec& spec : kKeys) {
    if (EqualsNoCase(name, spec.name)) parsed.spec = &spec;
  }
  if (!parsed.spec) return parsed;
  if (number.empty()) {
    if (parsed.spec->numbering == Numbering::Required) parsed.badNumber = true;
    if (parsed.spec->numbering == Numbering::Optional) parsed.number = 1;
    return parsed;
  }
  if (parsed.spec->numbering == Numbering::None) {
    parsed.spec = nullptr;  // "Warning2" is no key of the format
    return parsed;
  }
  if (number.size() > kMaxNumberDigits || number.front() == '0') {
    parsed.badNumber = true;
    return parsed;
  }
  std::from_chars(number.data(), number.data() + number.size(), parsed.number);
  return parsed;
}

// "4,067" -> 4067.
std::optional<std::size_t> ParseGroupedCount(std::string_view text) {
  std::size_t value = 0;
  bool any = false;
  for (const char c : text) {
    if (c == ',') continue;
    if (c < '0' || c > '9' || value > 100'000'000) return std::nullopt;
    value = value * 10 + static_cast<std::size_t>(c - '0');
    any = true;
  }
  if (!any) return std::nullopt;
  return value;
}

std::optional<int> ParseLangSecRef(std::string_view text) {
  int value = 0;
  if (text.empty() || text.size() > 6) return std::nullopt;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < 0) return std::nullopt;
  return value;
}

// Rules gathered with their key numbers, put in number order at the end.
template <typename T>
using Numbered = std::vector<std::pair<unsigned, T>>;

// With `numbers`, the key numbers go there in the same order.
template <typename T>
std::vector<T> InNumberOrder(Numbered<T>& items, std::vector<unsigned>* numbers = nullptr) {
  std::stable_sort(items.begin(), items.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<T> ordered;
  ordered.reserve(items.size());
  for (auto& item : items) {
    if (numbers != nullptr) numbers->push_back(item.first);
    ordered.push_back(std::move(item.second));
  }
  return ordered;
}

class Reader {
 public:
  explicit Reader(CommunityRules& rules) : rules_(rules) {}

  void Read(std::string_view text) {
    std::size_t pos = 0;
    std::size_t lineNumber = 0;
    while (pos < text.size()) {
      std::size_t end = text.find('\n', pos);
      if (end == std::string_view::npos) end = text.size();
      std::string_view line = text.substr(pos, end - pos);
      pos = end + 1;
      ++lineNumber;
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      ReadLine(lineNumber, line);
    }
    FinishEntry();
  }

 private:
  void ReadLine(std::size_t lineNumber, std::string_view raw) {
    const std::string_view line = Trim(raw);
    if (line.size() > kMaxLineBytes) {
      // A section line too long to read still ends the entry before it.
      if (line.front() == '[') FinishEntry();
      if (open_ && StartsWithNoCase(line, "ExcludeKey")) ++current_.unreadExclusions;
      Unread(lineNumber, raw, "line too long");
      return;
    }
    if (line.empty()) return;
    if (line.front() == ';') {
      if (!seenSection_) ReadHeaderComment(line.substr(1));
      return;
    }
    if (line.front() == '[') {
      ReadSectionLine(lineNumber, line);
      return;
    }
    ReadKeyLine(lineNumber, raw, line);
  }

  void ReadHeaderComment(std::string_view comment) {
    comment = Trim(comment);
    constexpr std::string_view kVersion = "Version:";
    constexpr std::string_view kCount = "# of entries:";
    if (!rules_.version && StartsWithNoCase(comment, kVersion)) {
      const std::string_view version = Trim(comment.substr(kVersion.size()));
      if (!version.empty() && version.size() <= kMaxNameBytes)
        rules_.version = std::string(version);
    } else if (!rules_.statedEntryCount && StartsWithNoCase(comment, kCount)) {
      rules_.statedEntryCount = ParseGroupedCount(Trim(comment.substr(kCount.size())));
    }
  }

  void ReadSectionLine(std::size_t lineNumber, std::string_view line) {
    seenSection_ = true;
    FinishEntry();
    if (line.back() != ']') {
      Unread(lineNumber, line, "malformed section");
      return;
    }
    std::string_view name = Trim(line.substr(1, line.size() - 2));
    if (name == "*" || EndsWith(name, " *")) name = Trim(name.substr(0, name.size() - 1));
    if (name.empty() || name.size() > kMaxNameBytes) {
      Unread(lineNumber, line, "malformed section");
      return;
    }
    if (rules_.entries.size() >= kMaxEntries) {
      Unread(lineNumber, line, "too many entries");
      return;
    }
    open_ = true;
    current_.name = std::string(name);
  }

  void ReadKeyLine(std::size_t lineNumber, std::string_view raw, std::string_view line) {
    const auto equals = line.find('=');
    if (equals == std::string_view::npos) {
      Unread(lineNumber, raw, "not a key");
      return;
    }
    if (!open_) {
      Unread(lineNumber, raw, seenSection_ ? "outside any entry" : "before the first entry");
      return;
    }
    const ParsedKey key = ParseKeyName(Trim(line.substr(0, equals)));
    const std::string_view value = Trim(line.substr(equals + 1));
    const bool exclusion = key.spec && key.spec->kind == KeyKind::ExcludeKey;
    const bool detection =
        key.spec && (key.spec->kind == KeyKind::Detect || key.spec->kind == KeyKind::DetectFile ||
                     key.spec->kind == KeyKind::DetectOs);
    const char* problem = nullptr;
    if (++keyCount_ > kMaxKeysPerEntry) {
      problem = "too many keys";
    } else if (!key.spec) {
      problem = "unknown key";
    } else if (key.badNumber) {
      problem = "malformed key number";
    } else if (!seenKeys_.emplace(key.spec->kind, key.number).second) {
      problem = "repeated key";
    } else {
      problem = ReadValue(*key.spec, key.number, value);
    }
    if (problem) {
      if (exclusion) ++current_.unreadExclusions;
      if (detection) ++current_.unreadDetections;
      Unread(lineNumber, raw, problem);
    }
  }

  // Takes one key's value into the entry; the reason when it is refused.
  const char* ReadValue(const KeySpec& spec, unsigned number, std::string_view value) {
    switch (spec.kind) {
      case KeyKind::Category:
        if (spec.name == "Section") {
          if (value.empty() || value.size() > kMaxNameBytes) return "malformed Section";
          current_.category = std::string(value);
          return nullptr;
        } else {
          const auto langSecRef = ParseLangSecRef(value);
          if (!langSecRef) return "malformed LangSecRef";
          const auto name = LangSecRefName(*langSecRef);
          if (!name) return "unknown LangSecRef";
          current_.langSecRef = langSecRef;
          current_.category = std::string(*name);
          return nullptr;
        }
      case KeyKind::Detect:
        return Take(detectKeys_, number, ParseRegistryPath(value), "malformed Detect");
      case KeyKind::DetectFile:
        return Take(detectFiles_, number, ParseDetectFile(value), "malformed DetectFile");
      case KeyKind::DetectOs:
        current_.detectOs = ParseDetectOs(value);
        return current_.detectOs ? nullptr : "malformed DetectOS";
      case KeyKind::Warning:
        if (value.empty() || value.size() > kMaxWarningBytes) return "malformed Warning";
        current_.warning = std::string(value);
        return nullptr;
      case KeyKind::FileKey:
        return Take(fileRules_, number, ParseFileKey(value), "malformed FileKey");
      case KeyKind::RegKey:
        return Take(registryRules_, number, ParseRegKey(value), "malformed RegKey");
      case KeyKind::ExcludeKey:
        return Take(exclusions_, number, ParseExcludeKey(value), "malformed ExcludeKey");
    }
    return "unknown key";
  }

  template <typename T>
  static const char* Take(Numbered<T>& into, unsigned number, std::optional<T> rule,
                          const char* problem) {
    if (!rule) return problem;
    into.emplace_back(number, std::move(*rule));
    return nullptr;
  }

  void Unread(std::size_t lineNumber, std::string_view line, std::string_view reason) {
    ++rules_.unreadCount;
    if (rules_.unread.size() >= kMaxUnreadKept) return;
    std::size_t size = std::min(line.size(), kMaxUnreadTextBytes);
    // Never end inside a UTF-8 sequence.
    if (size < line.size()) {
      while (size > 0 && (static_cast<unsigned char>(line[size]) & 0xC0) == 0x80) --size;
    }
    std::string text(line.substr(0, size));
    for (char& c : text) {
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    }
    rules_.unread.push_back(UnreadLine{lineNumber, std::move(text), reason});
  }

  // Ends the entry being read, if any: its rules in number order.
  void FinishEntry() {
    if (!open_) return;
    current_.detectKeys = InNumberOrder(detectKeys_);
    current_.detectFiles = InNumberOrder(detectFiles_);
    current_.fileRules = InNumberOrder(fileRules_, &current_.fileKeyNumbers);
    current_.registryRules = InNumberOrder(registryRules_, &current_.regKeyNumbers);
    current_.exclusions = InNumberOrder(exclusions_);
    rules_.entries.push_back(std::move(current_));
    current_ = CommunityEntry{};
    detectKeys_.clear();
    detectFiles_.clear();
    fileRules_.clear();
    registryRules_.clear();
    exclusions_.clear();
    seenKeys_.clear();
    keyCount_ = 0;
    open_ = false;
  }

  CommunityRules& rules_;
  bool seenSection_ = false;
  bool open_ = false;  // inside an entry that is being read
  CommunityEntry current_;
  std::size_t keyCount_ = 0;
  std::set<std::pair<KeyKind, unsigned>> seenKeys_;
  Numbered<RegistryPath> detectKeys_;
  Numbered<std::string> detectFiles_;
  Numbered<FileRule> fileRules_;
  Numbered<RegistryRule> registryRules_;
  Numbered<ExclusionRule> exclusions_;
};

}  // namespace

CommunityRules ReadCommunityRules(std::string_view text) {
  CommunityRules rules;
  if (text.size() > kMaxFileBytes) {
    rules.tooLarge = true;
    return rules;
  }
  Reader reader(rules);
  if (StartsWith(text, "\xFF\xFE")) {
    reader.Read(Utf16LeToUtf8(text.substr(2)));
  } else {
    if (StartsWith(text, "\xEF\xBB\xBF")) text.remove_prefix(3);
    reader.Read(text);
  }
  return rules;
}

}  // namespace nc::cleaner::community
