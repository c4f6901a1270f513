// Profile port: INI files read and written key by key.
//
// Section and key names are matched without regard to letter case. A
// write replaces one key and keeps the rest of the file; a missing file
// reads as empty. On Windows these are the system's profile functions.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace nc::platform {

class Profile {
 public:
  virtual ~Profile() = default;

  // The value of `key`, blanks at both ends removed, or `fallback` when
  // the file, the section or the key does not exist.
  virtual std::string readString(std::string_view file, std::string_view section,
                                 std::string_view key, std::string_view fallback) = 0;
  // Writes one key, creating the file and the section when needed.
  // False when the file could not be written.
  virtual bool writeString(std::string_view file, std::string_view section, std::string_view key,
                           std::string_view value) = 0;
  // Removes a whole section.
  virtual bool eraseSection(std::string_view file, std::string_view section) = 0;
  // Section names in file order.
  virtual std::vector<std::string> sectionNames(std::string_view file) = 0;
  // The lines of a section as written ("key=value"), in file order;
  // comment lines are left out.
  virtual std::vector<std::string> sectionLines(std::string_view file,
                                                std::string_view section) = 0;
};

}  // namespace nc::platform
