// An open file seen as the random-access bytes of a cache index file, for
// the reader of index files and the overwrite walk.
#pragma once

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

}  // namespace nc::platform
