#include "core/index_dat_overwrite.h"

#include <algorithm>
#include <array>
#include <vector>

namespace nc {
namespace {

constexpr std::size_t kBlock = 64 * 1024;

bool ReadU32(IndexFileBytes& file, std::uint64_t offset, std::uint32_t& value) {
  std::array<std::uint8_t, 4> bytes{};
  if (!file.readAt(offset, bytes)) return false;
  value = static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
          static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
  return true;
}

}  // namespace

std::uint64_t OverwriteIndexRecords(IndexFileBytes& file, std::uint8_t fill) {
  using namespace index_dat;
  std::uint64_t realSize = 0;
  if (!file.size(realSize) || realSize < kHeaderEnd) return 0;
  std::uint32_t claimedSize = 0;
  std::uint32_t table = 0;
  if (!ReadU32(file, kFileSizeOffset, claimedSize) || !ReadU32(file, kFirstTableOffset, table)) {
    return 0;
  }
  // Neither the size the header claims nor the real size is passed.
  const std::uint64_t limit = std::min<std::uint64_t>(claimedSize, realSize);
  const std::vector<std::uint8_t> block(kBlock, fill);
  std::uint64_t written = 0;
  // A table must lie after the file header and each next table after the
  // one before, so every table is visited once and the walk always ends.
  std::uint64_t h = table;
  if (h < kHeaderEnd) return 0;
  while (h != 0 && h + kTableHeaderSize <= limit) {
    std::array<std::uint8_t, 4> signature{};
    if (!file.readAt(h, signature)) break;
    if (signature != std::array<std::uint8_t, 4>{'H', 'A', 'S', 'H'}) break;
    std::uint32_t next = 0;
    if (!ReadU32(file, h + 8, next)) break;
    if (next != 0 && next <= h) break;
    // Records lie from the end of this table's header up to the next
    // table, or up to the end of the file after the last one.
    const std::uint64_t from = h + kTableHeaderSize;
    const std::uint64_t to = next == 0 ? limit : std::min<std::uint64_t>(next, limit);
    for (std::uint64_t pos = from; pos < to;) {
      const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, to - pos));
      if (!file.writeAt(pos, std::span(block.data(), n))) return written;
      pos += n;
      written += n;
    }
    h = next;
  }
  return written;
}

int IndexOverwritePasses(bool isWipeFile, int wipeNumber) {
  const int passes = isWipeFile ? wipeNumber : 0;
  return std::clamp(passes, 1, 3);
}

}  // namespace nc
