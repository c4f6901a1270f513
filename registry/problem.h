// One problem found by the registry scan: a row of the problem list.
#pragma once

#include <optional>
#include <string>

namespace nc::registry {

// What a problem designates, and so what the repair removes.
enum class ProblemKind : int {
  Key = 0,              // the whole key (the registry key column)
  ValuePath = 1,        // the value: the key column is ROOT\key\valuename
  ValueInKey = 2,       // the value named in the data column (names with backslashes)
  SubKey = 3,           // the sub-key named in the data column
  ShortcutFile = 4,     // the .lnk file in the key column
  DefaultValue = 5,     // the key's default value
  UserAssistValue = 6,  // the value whose name is Rot13 of the data column
};

struct ProblemEntry {
  std::string Problem;      // the section's problem text
  std::string Data;         // the offending data, a value name or a sub-key name
  std::string RegistryKey;  // a registry location, or a file path for shortcuts
  ProblemKind Kind = ProblemKind::Key;
  bool Ticked = false;
  // For a row that designates a named value: the name exactly as the scan
  // read it (the text shown may not carry it: a NUL, a lone surrogate
  // half). The repair deletes by this name when it is set.
  std::optional<std::u16string> ValueName{};

  bool operator==(const ProblemEntry&) const = default;
};

}  // namespace nc::registry
