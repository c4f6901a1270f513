// The profile port over the system's private profile (INI) functions.
// Relative file names are made full first: the system would otherwise
// look for them in the Windows folder.
#pragma once

#include "platform/profile.h"

namespace nc::win32 {

class WinProfile final : public platform::Profile {
 public:
  std::string readString(std::string_view file, std::string_view section, std::string_view key,
                         std::string_view fallback) override;
  bool writeString(std::string_view file, std::string_view section, std::string_view key,
                   std::string_view value) override;
  bool eraseSection(std::string_view file, std::string_view section) override;
  std::vector<std::string> sectionNames(std::string_view file) override;
  std::vector<std::string> sectionLines(std::string_view file, std::string_view section) override;
};

}  // namespace nc::win32
