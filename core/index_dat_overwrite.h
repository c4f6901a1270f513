// The in-place overwrite of a browser cache index file ("index.dat"): the
// record areas between its hash tables are overwritten, while the file
// header and the 32 header bytes of every hash table stay as they are, so
// that the browser, which keeps the file open, still finds a valid file.
//
// The walk works on any random-access byte store (an open file, a buffer in
// memory) and trusts nothing in it: tables are followed only forwards,
// every offset and span is checked against the real size of the store, and
// nothing is written outside it or past its end.
#pragma once

#include <cstdint>
#include <span>

namespace nc {

// Random access to the bytes of one index file.
class IndexFileBytes {
 public:
  virtual ~IndexFileBytes() = default;
  // The real size in bytes; false when it cannot be had.
  virtual bool size(std::uint64_t& bytes) = 0;
  // Reads exactly buffer.size() bytes at `offset`; false otherwise.
  virtual bool readAt(std::uint64_t offset, std::span<std::uint8_t> buffer) = 0;
  // Writes all of `data` at `offset`; false on failure.
  virtual bool writeAt(std::uint64_t offset, std::span<const std::uint8_t> data) = 0;
};

namespace index_dat {
inline constexpr std::uint64_t kFileSizeOffset = 28;    // 32-bit size the header claims
inline constexpr std::uint64_t kFirstTableOffset = 32;  // 32-bit offset of the first table
inline constexpr std::uint64_t kHeaderEnd = 36;         // header: everything before this
inline constexpr std::uint64_t kTableHeaderSize = 32;   // "HASH", length, next, 20 more
}  // namespace index_dat

// Overwrites every record area of the file once with `fill`. Returns the
// number of bytes written; a failed read or write ends the walk.
std::uint64_t OverwriteIndexRecords(IndexFileBytes& file, std::uint8_t fill);

// The number of overwrite passes: `wipeNumber` when secure deletion is on,
// else none, raised to at least 1 and cut to at most 3.
int IndexOverwritePasses(bool isWipeFile, int wipeNumber);

}  // namespace nc
