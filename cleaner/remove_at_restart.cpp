#include "cleaner/remove_at_restart.h"

#include <cstddef>

#include "core/text.h"

namespace nc::cleaner {

bool ScheduleDeleteAtReboot(CleanRun& run, std::string_view path) {
  platform::FileSystem& files = run.platform().files;
  if (!files.fileExists(path)) return true;
  return files.deleteAtRestart(path).ok();
}

void AddWininitRenames(CleanRun& run, const std::vector<std::string>& lines) {
  platform::FileSystem& files = run.platform().files;
  const std::string windows = files.windowsFolder();
  if (windows.empty()) return;
  const std::string path = platform::JoinPath(windows, "Wininit.ini");
  std::vector<std::string> content;
  if (files.fileExists(path)) {
    auto text = platform::ReadWholeFile(files, path);
    // A file that is there but cannot be read is left as it is rather
    // than replaced by the new lines alone.
    if (!text) return;
    for (const std::string_view line : SplitLines(*text)) content.emplace_back(line);
  }
  std::size_t header = content.size();
  for (std::size_t i = 0; i < content.size(); ++i) {
    if (EqualsNoCase(content[i], "[RENAME]")) {
      header = i;
      break;
    }
  }
  if (header < content.size()) {
    for (const auto& line : lines) {
      content.insert(content.begin() + static_cast<std::ptrdiff_t>(header + 1), line);
    }
  } else {
    content.emplace_back("[rename]");
    content.insert(content.end(), lines.begin(), lines.end());
  }
  std::string out;
  for (const auto& line : content) {
    out += line;
    out += "\r\n";
  }
  (void)platform::WriteWholeFile(files, path, out);
}

}  // namespace nc::cleaner
