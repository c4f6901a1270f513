#include "cleaner/index_dat_files.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/index_dat_overwrite.h"
#include "core/text.h"
#include "platform/index_file_bytes.h"

namespace nc::cleaner {
namespace {

// Folders nested deeper than this are not searched.
constexpr std::size_t kMaxFolderDepth = 512;

}  // namespace

void OverwriteCacheIndex(CleanRun& run, std::string_view path) {
  platform::Platform& ports = run.platform();
  if (!ports.files.fileExists(path)) return;
  const CleanSettings& settings = run.env().settings;
  const int passes = IndexOverwritePasses(settings.IsWipeFile, settings.WipeNumber);
  for (int pass = 1; pass <= passes; ++pass) {
    const auto file = platform::OpenIndexToOverwrite(ports.files, path);
    if (!file) return;
    const auto fill = static_cast<std::uint8_t>(pass == passes ? 0 : ports.random.below(255));
    platform::FileBytes bytes(*file);
    (void)OverwriteIndexRecords(bytes, fill);
    (void)file->flush();
  }
}

void OverwriteIndexFilesUnder(CleanRun& run, std::string_view folder) {
  platform::FileSystem& files = run.platform().files;
  if (!files.folderExists(folder)) return;
  // Folders still to list, with their depth; the starting folder is 0.
  std::vector<std::pair<std::string, std::size_t>> pending{{std::string(folder), 0}};
  while (!pending.empty() && !run.Terminated()) {
    auto [current, depth] = std::move(pending.back());
    pending.pop_back();
    auto entries = files.list(current);
    if (!entries) continue;
    for (const auto& entry : *entries) {
      const std::string path = platform::JoinPath(current, entry.name);
      if (entry.isLink()) continue;
      if (entry.isFolder()) {
        if (depth < kMaxFolderDepth) pending.emplace_back(path, depth + 1);
      } else if (depth > 0 && UpperAscii(entry.name) == "INDEX.DAT") {
        OverwriteCacheIndex(run, path);
      }
    }
  }
}

}  // namespace nc::cleaner
