// One problem found by the registry scan: a row of the problem list.
#pragma once

#include <string>

namespace nc::registry {

// What a problem designates, and so what the repair removes.
enum ProblemKind : int {
  pkKey = 0,              // the whole key (Registry key column)
  pkValuePath = 1,        // the value: key column is ROOT\key\valuename
  pkValueInKey = 2,       // the value named in Data (names with backslashes)
  pkSubKey = 3,           // the sub-key named in Data
  pkShortcutFile = 4,     // the .lnk file in the key column
  pkDefaultValue = 5,     // the key's default value
  pkUserAssistValue = 6,  // the value whose name is Rot13 of Data
};

struct ProblemEntry {
  std::string Problem;      // the section's problem text
  std::string Data;         // the offending data, a value name or a sub-key name
  std::string RegistryKey;  // a registry location, or a file path for shortcuts
  ProblemKind Kind = pkKey;
  bool Ticked = false;

  bool operator==(const ProblemEntry&) const = default;
};

}  // namespace nc::registry
