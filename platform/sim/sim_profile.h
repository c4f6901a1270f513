// The substitute profile: INI files kept as real files in the substitute
// file system, read and rewritten with core/ini.
//
// A write reads the file, changes the document and writes the whole file
// back through WriteWholeFile (a temporary file moved over the old one),
// so a failure never leaves a truncated file. A file name without a
// folder is taken from the Windows folder, as the system does. Text is
// UTF-8; files with a UTF-8 or UTF-16LE byte-order mark are read and
// written back in their encoding. Values read lose one pair of enclosing
// quotes, as with the system's function.
#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/ini.h"
#include "platform/filesystem.h"
#include "platform/profile.h"

namespace nc::sim {

class SimProfile : public platform::Profile {
 public:
  explicit SimProfile(platform::FileSystem& files) : files_(files) {}

  std::string readString(std::string_view file, std::string_view section, std::string_view key,
                         std::string_view fallback) override;
  bool writeString(std::string_view file, std::string_view section, std::string_view key,
                   std::string_view value) override;
  bool eraseSection(std::string_view file, std::string_view section) override;
  std::vector<std::string> sectionNames(std::string_view file) override;
  std::vector<std::string> sectionLines(std::string_view file, std::string_view section) override;

 private:
  struct Loaded {
    IniDocument doc;
    TextEncoding encoding = TextEncoding::Utf8;
  };
  std::string pathOf(std::string_view file);
  // The document of a file; an empty one when the file does not exist;
  // nullopt when it exists but cannot be read.
  std::optional<Loaded> load(const std::string& path);
  bool store(const std::string& path, const Loaded& loaded);

  platform::FileSystem& files_;
  std::mutex mutex_;
};

}  // namespace nc::sim
