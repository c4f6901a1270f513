#include "cleaner/index_dat_files.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/index_dat_overwrite.h"
#include "core/text.h"

namespace nc::cleaner {
namespace {

// Folders nested deeper than this are not searched.
constexpr std::size_t kMaxFolderDepth = 512;

// An open file as the overwrite walk sees it.
class OpenIndexFile : public IndexFileBytes {
 public:
  explicit OpenIndexFile(platform::File& file) : file_(file) {}
  bool size(std::uint64_t& bytes) override {
    auto s = file_.size();
    if (!s) return false;
    bytes = *s;
    return true;
  }
  bool readAt(std::uint64_t offset, std::span<std::uint8_t> buffer) override {
    if (!file_.seek(offset).ok()) return false;
    std::size_t done = 0;
    while (done < buffer.size()) {
      auto n = file_.read(buffer.subspan(done));
      if (!n || *n == 0) return false;
      done += *n;
    }
    return true;
  }
  bool writeAt(std::uint64_t offset, std::span<const std::uint8_t> data) override {
    return file_.seek(offset).ok() && file_.write(data).ok();
  }

 private:
  platform::File& file_;
};

}  // namespace

void OverwriteCacheIndex(CleanRun& run, std::string_view path) {
  platform::Platform& ports = run.platform();
  if (!ports.files.fileExists(path)) return;
  const CleanSettings& settings = run.env().settings;
  const int passes = IndexOverwritePasses(settings.IsWipeFile, settings.WipeNumber);
  for (int pass = 1; pass <= passes; ++pass) {
    auto file = ports.files.open(path, platform::FileOpen::ReadWriteExisting,
                                 platform::FileShare::ReadWrite);
    if (!file) return;
    const auto fill = static_cast<std::uint8_t>(pass == passes ? 0 : ports.random.below(255));
    OpenIndexFile bytes(**file);
    (void)OverwriteIndexRecords(bytes, fill);
    (void)(*file)->flush();
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
