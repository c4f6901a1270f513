// A community rules file of any shape: reading never crashes and stays
// within its bounds, and every path it keeps expands within its bound.
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "cleaner/community/rules.h"
#include "cleaner/community/variables.h"
#include "cleaner/community/winapp2.h"

namespace {

using namespace nc::cleaner::community;

void Check(bool condition) {
  if (!condition) std::abort();
}

void CheckExpansion(std::string_view path) {
  static const std::vector<PathVariable> table = {
      {"ProgramFiles", {"C:\\Program Files", "C:\\Program Files (x86)"}},
      {"AppData", {"C:\\Users\\u\\AppData\\Roaming", "C:\\Users\\u\\AppData\\Roaming"}},
      {"WinDir", {"C:\\Windows\\"}},
      {"Music", {}},
  };
  Check(ExpandPathVariables(path, table).size() <= kMaxExpandedPaths);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  // The whole input as one rule value of each kind.
  (void)ParseFileKey(text);
  (void)ParseRegKey(text);
  (void)ParseExcludeKey(text);
  (void)ParseDetectFile(text);
  (void)ParseDetectOs(text);
  CheckExpansion(text);

  const CommunityRules rules = ReadCommunityRules(text);
  Check(!rules.tooLarge);
  Check(rules.entries.size() <= kMaxEntries);
  Check(rules.unread.size() <= kMaxUnreadKept);
  Check(rules.unread.size() <= rules.unreadCount);
  std::size_t lastLine = 0;
  for (const UnreadLine& line : rules.unread) {
    Check(line.lineNumber > lastLine);
    lastLine = line.lineNumber;
    Check(line.text.size() <= kMaxUnreadTextBytes);
    for (const char c : line.text) Check(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F);
  }
  for (const CommunityEntry& entry : rules.entries) {
    Check(!entry.name.empty() && entry.name.size() <= kMaxNameBytes);
    Check(entry.detectKeys.size() + entry.detectFiles.size() + entry.fileRules.size() +
              entry.registryRules.size() + entry.exclusions.size() <=
          kMaxKeysPerEntry);
    for (const FileRule& rule : entry.fileRules) {
      Check(!rule.folder.empty());
      for (const auto& pattern : rule.patterns) {
        Check(!pattern.empty() && pattern.find('\\') == std::string::npos);
      }
      CheckExpansion(rule.folder);
    }
    for (const RegistryRule& rule : entry.registryRules) Check(!rule.key.keyPath.empty());
    for (const auto& file : entry.detectFiles) CheckExpansion(file);
  }
  return 0;
}
