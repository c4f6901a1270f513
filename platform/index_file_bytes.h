// An open file seen as the random-access bytes of a cache index file, for
// the reader of index files and the overwrite walk.
#pragma once

#include <memory>
#include <string_view>

#include "core/index_dat_overwrite.h"
#include "platform/filesystem.h"

namespace nc::platform {

class FileBytes : public IndexFileBytes {
 public:
  explicit FileBytes(File& file) : file_(file) {}
  bool size(std::uint64_t& bytes) override;
  bool readAt(std::uint64_t offset, std::span<std::uint8_t> buffer) override;
  bool writeAt(std::uint64_t offset, std::span<const std::uint8_t> data) override;

 private:
  File& file_;
};

// Opens an index file to be overwritten in place, shared with the browser
// that keeps it open. The name itself is opened, never what a link points
// to, and the open file, not the path, must be a plain file with this one
// name: a hard link whose other names lie elsewhere keeps its bytes.
// Nothing otherwise, and when it cannot be opened.
std::unique_ptr<File> OpenIndexToOverwrite(FileSystem& files, std::string_view path);

}  // namespace nc::platform
