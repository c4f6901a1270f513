// The overwrite walk of cache index files over any bytes: it ends, never
// writes outside the file nor makes it longer, and leaves the file header
// and every byte it did not report as written as they were.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "core/index_dat_overwrite.h"

namespace {

class MemoryFile : public nc::IndexFileBytes {
 public:
  explicit MemoryFile(std::vector<std::uint8_t> bytes) : bytes(std::move(bytes)) {}
  bool size(std::uint64_t& n) override {
    n = bytes.size();
    return true;
  }
  bool readAt(std::uint64_t offset, std::span<std::uint8_t> buffer) override {
    if (offset > bytes.size() || buffer.size() > bytes.size() - offset) return false;
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset), buffer.size(), buffer.begin());
    return true;
  }
  bool writeAt(std::uint64_t offset, std::span<const std::uint8_t> data) override {
    if (offset < nc::index_dat::kHeaderEnd) std::abort();
    if (offset > bytes.size() || data.size() > bytes.size() - offset) std::abort();
    std::copy(data.begin(), data.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
    return true;
  }
  std::vector<std::uint8_t> bytes;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::uint8_t> original(data, data + size);
  MemoryFile file(original);
  // A fill byte that differs from every byte it replaces shows each write.
  const std::uint64_t written = nc::OverwriteIndexRecords(file, 0xA5);
  if (file.bytes.size() != original.size()) std::abort();
  std::uint64_t changed = 0;
  for (std::size_t i = 0; i < size; ++i) {
    if (file.bytes[i] != original[i]) {
      if (file.bytes[i] != 0xA5) std::abort();
      ++changed;
    }
  }
  if (changed > written || written > size) std::abort();
  // A second pass over the result writes exactly the same areas.
  MemoryFile again(file.bytes);
  if (nc::OverwriteIndexRecords(again, 0x00) != written) std::abort();
  return 0;
}
