// Builds cache index files ("index.dat") byte by byte for tests and
// benchmarks: a header, hash tables with their slots, and records.
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
  IndexDatBuilder& Table(std::size_t at, std::uint32_t blocks, std::uint32_t next) {
    bytes.replace(at, 4, "HASH");
    return U32(at + 4, blocks).U32(at + 8, next);
  }
  // Slot `index` of the table at `table`: a marker and a record offset.
  IndexDatBuilder& Slot(std::size_t table, std::size_t index, std::uint8_t marker,
                        std::uint32_t record) {
    bytes[table + 32 + index * 8] = static_cast<char>(marker);
    return U32(table + 32 + index * 8 + 4, record);
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
  b.Table(0x4000, static_cast<std::uint32_t>((records * 8 + 32 + 127) / 128), 0);
  for (std::size_t i = 0; i < records; ++i) {
    const std::size_t at = 0x100000 + i * 128;
    b.Slot(0x4000, i, 0, static_cast<std::uint32_t>(at));
    b.Url(at, "http://host" + std::to_string(i) + ".example/page", 125911584000000000ull + i);
  }
  return b.bytes;
}

// 1 January 2000, 12:34:56.789 UTC as a FILETIME.
inline constexpr std::uint64_t kY2kFiletime =
    125911584000000000ull + (12ull * 3600 + 34 * 60 + 56) * 10000000 + 7890000;

}  // namespace nc::testing
