// Builds cache index files ("index.dat") byte by byte for tests and
// benchmarks: a header, hash tables with their slots, and records.
//
// A hash table has a 16-byte header ("HASH", its length in 128-byte units,
// the offset of the next table and its number in the chain) and its slots
// right after it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nc::testing {

class IndexDatBuilder {
 public:
  // A file of `size` zero bytes whose header claims `size` and names the
  // first table at `firstTable`.
  IndexDatBuilder(std::size_t size, std::uint32_t firstTable) : bytes(size, 0) {
    const std::string_view magic = "Client UrlCache MMF Ver 5.2";
    bytes.replace(0, magic.size(), magic);
    U32(28, static_cast<std::uint32_t>(size));
    U32(32, firstTable);
  }
  IndexDatBuilder& U32(std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(v >> (8 * i));
    return *this;
  }
  IndexDatBuilder& U64(std::size_t at, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) bytes[at + i] = static_cast<char>(v >> (8 * i));
    return *this;
  }
  // A hash table of `blocks` 128-byte units at `at`, chained to `next`.
  IndexDatBuilder& Table(std::size_t at, std::uint32_t blocks, std::uint32_t next,
                         std::uint32_t number = 0) {
    bytes.replace(at, 4, "HASH");
    return U32(at + 4, blocks).U32(at + 8, next).U32(at + 12, number);
  }
  static constexpr std::size_t kSlotsAt = 16;  // slots start after the table's header
  // Slot `index` of the table at `table`: a marker (the low byte of the
  // record's hash) and a record offset.
  IndexDatBuilder& Slot(std::size_t table, std::size_t index, std::uint8_t marker,
                        std::uint32_t record) {
    const std::size_t at = table + kSlotsAt + index * 8;
    U32(at, marker);
    return U32(at + 4, record);
  }
  // A "URL " or "LEAK" record: time at +16, text at +textOffset (the byte
  // at +52); a textOffset of 0 means no text.
  IndexDatBuilder& Url(std::size_t at, std::string_view url, std::uint64_t filetime,
                       std::string_view kind = "URL ", std::uint8_t textOffset = 0x68) {
    bytes.replace(at, 4, kind);
    U64(at + 16, filetime);
    bytes[at + 52] = static_cast<char>(textOffset);
    if (textOffset != 0) Text(at + textOffset, url);
    return *this;
  }
  // A "REDR" record: time at +8, text at +16.
  IndexDatBuilder& Redirect(std::size_t at, std::string_view url, std::uint64_t filetime) {
    bytes.replace(at, 4, "REDR");
    U64(at + 8, filetime);
    return Text(at + 16, url);
  }
  // Text with its NUL, as far as the file reaches.
  IndexDatBuilder& Text(std::size_t at, std::string_view text) {
    for (std::size_t i = 0; i <= text.size() && at + i < bytes.size(); ++i) {
      bytes[at + i] = i < text.size() ? text[i] : '\0';
    }
    return *this;
  }
  std::vector<std::uint8_t> Bytes() const { return {bytes.begin(), bytes.end()}; }

  std::string bytes;
};

// A file of `records` "URL " records of 128 bytes ("http://host<n>.example/page"),
// from 1 MiB on, listed by one hash table at 0x4000; 16 MiB for 120,000.
inline std::string LargeIndexFile(std::size_t records) {
  const std::size_t size = std::max<std::size_t>(0x1000000, 0x100000 + records * 128);
  IndexDatBuilder b(size, 0x4000);
  b.Table(0x4000, static_cast<std::uint32_t>((records * 8 + 16 + 127) / 128), 0);
  for (std::size_t i = 0; i < records; ++i) {
    const std::size_t at = 0x100000 + i * 128;
    b.Slot(0x4000, i, 0, static_cast<std::uint32_t>(at));
    b.Url(at, "http://host" + std::to_string(i) + ".example/page", 125911584000000000ull + i);
  }
  return b.bytes;
}

// The address of record `i` of RealIndexFile.
inline std::string RealIndexUrl(std::size_t i) {
  return "http://host" + std::to_string(i) + ".example/page";
}

// A file of `records` "URL " records laid out as the browser writes them,
// so that other readers of the format take it as well: the file header
// with its block counts, cache size limit and four cache folders, the
// allocation bitmap at 0x250 (one bit for each 128-byte block from
// 0x4000), a chain of 4 KiB hash tables from 0x4000 whose unused slots
// hold 0x0BADF00D, and after them records of two blocks, each with both
// time stamps and its address at offset 0x68.
inline std::string RealIndexFile(std::size_t records) {
  constexpr std::size_t kTableBytes = 4096;
  constexpr std::size_t kSlotsPerTable = (kTableBytes - IndexDatBuilder::kSlotsAt) / 8;
  constexpr std::size_t kRecordBytes = 256;
  const std::size_t tables =
      std::max<std::size_t>(1, (records + kSlotsPerTable - 1) / kSlotsPerTable);
  const std::size_t firstRecord = 0x4000 + tables * kTableBytes;
  const std::size_t size = (firstRecord + records * kRecordBytes + 0x3FFF) / 0x4000 * 0x4000;
  IndexDatBuilder b(size, 0x4000);
  const std::size_t usedBlocks = (firstRecord - 0x4000 + records * kRecordBytes) / 128;
  b.U32(36, static_cast<std::uint32_t>((size - 0x4000) / 128));  // blocks
  b.U32(40, static_cast<std::uint32_t>(usedBlocks));             // allocated blocks
  b.U64(48, 50ull << 20);                                        // cache size limit
  b.U32(72, 4);                                                  // cache folders
  for (std::size_t i = 0; i < 4; ++i)
    b.bytes.replace(76 + i * 12 + 4, 8, 8, static_cast<char>('A' + i));
  for (std::size_t block = 0; block < usedBlocks; ++block) {
    b.bytes[0x250 + block / 8] = static_cast<char>(b.bytes[0x250 + block / 8] | 1 << (block % 8));
  }
  for (std::size_t t = 0; t < tables; ++t) {
    const std::size_t at = 0x4000 + t * kTableBytes;
    const auto next = static_cast<std::uint32_t>(t + 1 < tables ? at + kTableBytes : 0);
    b.Table(at, kTableBytes / 128, next, static_cast<std::uint32_t>(t));
    for (std::size_t s = 0; s < kSlotsPerTable; ++s) {
      b.U32(at + IndexDatBuilder::kSlotsAt + s * 8, 0x0BADF00D);
      b.U32(at + IndexDatBuilder::kSlotsAt + s * 8 + 4, 0x0BADF00D);
    }
  }
  for (std::size_t i = 0; i < records; ++i) {
    const std::size_t at = firstRecord + i * kRecordBytes;
    const std::size_t table = 0x4000 + i / kSlotsPerTable * kTableBytes;
    // A hash whose low bits are clear marks a URL record.
    b.U32(table + IndexDatBuilder::kSlotsAt + i % kSlotsPerTable * 8,
          static_cast<std::uint32_t>(i * 64 + 64));
    b.U32(table + IndexDatBuilder::kSlotsAt + i % kSlotsPerTable * 8 + 4,
          static_cast<std::uint32_t>(at));
    b.Url(at, RealIndexUrl(i), 125911584000000000ull + i);
    b.U32(at + 4, kRecordBytes / 128).U64(at + 8, 125911584000000000ull + i);
    b.bytes[at + 56] = static_cast<char>(0xFF);  // in no cache folder
  }
  return b.bytes;
}

// A file of `size` bytes whose one hash table fills it up to a single
// "URL " record near its end, every slot pointing at that record, whose
// text runs without a NUL to the end of the file.
inline std::string SameRecordIndexFile(std::size_t size) {
  const std::size_t record = size - 0x8100;
  IndexDatBuilder b(size, 0x4000);
  b.Table(0x4000, static_cast<std::uint32_t>((record - 0x4000) / 128), 0);
  for (std::size_t i = 0; i < (record - 0x4000 - IndexDatBuilder::kSlotsAt) / 8; ++i) {
    b.Slot(0x4000, i, 0, static_cast<std::uint32_t>(record));
  }
  b.Url(record, "", 1);
  std::fill(b.bytes.begin() + static_cast<std::ptrdiff_t>(record + 0x68), b.bytes.end(), 'q');
  return b.bytes;
}

// A file of `size` bytes holding nothing but a chain of hash tables 16
// bytes apart, each without slots.
inline std::string EmptyTableChainFile(std::size_t size) {
  IndexDatBuilder b(size, 0x4000);
  for (std::size_t at = 0x4000; at + 16 <= size; at += 16) {
    b.Table(at, 1, static_cast<std::uint32_t>(at + 32 <= size ? at + 16 : 0));
  }
  return b.bytes;
}

// A file of `size` bytes (at least 256 KiB) whose records overlap: its
// second half repeats "URL ", and one hash table points at every fourth
// byte of it, so that every record's text (at its offset 85, the letter U)
// runs 32 KiB and more without a NUL.
inline std::string OverlappingRecordsFile(std::size_t size) {
  const std::size_t half = size / 2;
  IndexDatBuilder b(size, 0x4000);
  const std::size_t slots = (half - 0x4000 - IndexDatBuilder::kSlotsAt) / 8;
  b.Table(0x4000, static_cast<std::uint32_t>((half - 0x4000) / 128), 0);
  for (std::size_t at = half; at + 4 <= size; at += 4) b.bytes.replace(at, 4, "URL ");
  for (std::size_t i = 0; i < slots && half + i * 4 + 0x8000 + 85 < size; ++i) {
    b.Slot(0x4000, i, 0, static_cast<std::uint32_t>(half + i * 4));
  }
  return b.bytes;
}

// 1 January 2000, 12:34:56.789 UTC as a FILETIME.
inline constexpr std::uint64_t kY2kFiletime =
    125911584000000000ull + (12ull * 3600 + 34 * 60 + 56) * 10000000 + 7890000;

}  // namespace nc::testing
