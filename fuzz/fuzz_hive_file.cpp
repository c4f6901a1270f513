// Any bytes as the start of a hive file: judging them never crashes or
// reads past them, and a file judged whole really has every mark of one.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>

#include "registry/hive_file_check.h"

namespace {

std::uint32_t Dword(const std::uint8_t* p) {
  std::uint32_t value = 0;
  std::memcpy(&value, p, sizeof value);  // the fuzzers run on little-endian hosts
  return value;
}

void Judge(std::span<const std::uint8_t> head, std::uint64_t fileSize) {
  using nc::registry::HiveFileVerdict;
  if (nc::registry::JudgeHiveHead(head, fileSize) != HiveFileVerdict::Whole) return;
  const std::uint8_t* p = head.data();
  const std::uint64_t bins = Dword(p + 40);
  const bool whole = head.size() >= nc::registry::kHiveHeadSize && std::memcmp(p, "regf", 4) == 0 &&
                     Dword(p + 4) == Dword(p + 8) &&
                     Dword(p + 508) == nc::registry::HiveBaseBlockChecksum(head) && bins != 0 &&
                     4096 + bins <= fileSize && std::memcmp(p + 4096, "hbin", 4) == 0;
  if (!whole) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  const auto head = bytes.first(std::min(size, nc::registry::kHiveHeadSize));
  Judge(head, size);
  // The file may be longer than what was read of it, or claim any size.
  if (size >= 8) Judge(head, Dword(data) * 4096ULL + Dword(data + 4));
  return 0;
}
