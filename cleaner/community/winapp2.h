// The reader of the community rules file Winapp2.ini: an INI text whose
// sections "[Name *]" are clean items and whose keys say where the item
// belongs (LangSecRef or Section), when it applies (Detect, DetectFile,
// DetectOS), what to warn about (Warning) and what it removes (FileKeyN,
// RegKeyN) or keeps (ExcludeKeyN). The header comments "; Version: N" and
// "; # of entries: N" give the file's version and the count it states.
//
// Reading never stops at a line it does not understand: an unknown key, a
// malformed value, a second key of the same name and number, a line before
// the first section that is not a comment, a line past a bound. Such a line
// is counted and skipped, and the first kMaxUnreadKept of them are kept
// with their line numbers for the log of a Test run. Key names are compared
// without regard to letter case, keys may come in any order and their
// numbers may have gaps; rules are kept in the order of their numbers.
// Lines end in CR LF or LF; a UTF-8 byte order mark is skipped and a UTF-16
// (little-endian, with its mark) file is read as well.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cleaner/community/rules.h"

namespace nc::cleaner::community {

// Bounds, so that a crafted file can neither hang nor bloat the program.
// The real file (version 260730) is 1.8 MB with 4,067 entries; its largest
// entry has 430 keys and its longest line is 1,048 bytes.
inline constexpr std::size_t kMaxFileBytes = 16 * 1024 * 1024;  // larger: nothing read
inline constexpr std::size_t kMaxEntries = 40'000;              // later sections skipped
inline constexpr std::size_t kMaxKeysPerEntry = 4'000;          // later keys skipped
inline constexpr std::size_t kMaxLineBytes = 8'192;             // longer lines skipped
inline constexpr std::size_t kMaxNameBytes = 512;  // longer entry names and Section texts skipped
inline constexpr std::size_t kMaxWarningBytes = 2'048;   // longer warnings skipped
inline constexpr std::size_t kMaxUnreadKept = 200;       // lines not understood kept, all counted
inline constexpr std::size_t kMaxUnreadTextBytes = 256;  // text kept of each of them

// One clean item.
struct CommunityEntry {
  std::string name;  // the section name without its trailing " *"
  // The LangSecRef's name ("Applications") or the Section text as written;
  // empty when the entry has neither.
  std::string category;
  std::optional<int> langSecRef;
  std::vector<RegistryPath> detectKeys;  // DetectN
  std::vector<std::string> detectFiles;  // DetectFileN
  std::optional<WindowsVersionRange> detectOs;
  std::optional<std::string> warning;
  std::vector<FileRule> fileRules;          // FileKeyN
  std::vector<RegistryRule> registryRules;  // RegKeyN
  std::vector<ExclusionRule> exclusions;    // ExcludeKeyN
  // The N of each FileKeyN and RegKeyN, beside its rule, for the log.
  std::vector<unsigned> fileKeyNumbers;
  std::vector<unsigned> regKeyNumbers;
  // ExcludeKey lines of this entry that were not understood. Files they were
  // meant to keep are not known to be kept, so such an entry must not be
  // cleaned.
  std::size_t unreadExclusions = 0;
  // Detect, DetectFile and DetectOS lines of this entry that were not
  // understood: without them the entry would seem to apply everywhere.
  std::size_t unreadDetections = 0;
};

// A line the reader did not understand.
struct UnreadLine {
  std::size_t lineNumber = 0;  // from 1
  // The line, cut to kMaxUnreadTextBytes on a character boundary, control
  // characters as "?".
  std::string text;
  std::string_view reason;  // "unknown key", "malformed FileKey", ...
};

struct CommunityRules {
  bool tooLarge = false;                        // over kMaxFileBytes: nothing was read
  std::optional<std::string> version;           // "; Version: 260730" -> "260730"
  std::optional<std::size_t> statedEntryCount;  // "; # of entries: 4,067" -> 4067
  std::vector<CommunityEntry> entries;          // in file order
  std::size_t unreadCount = 0;                  // every line not understood
  std::vector<UnreadLine> unread;               // the first kMaxUnreadKept of them
};

CommunityRules ReadCommunityRules(std::string_view text);

}  // namespace nc::cleaner::community
