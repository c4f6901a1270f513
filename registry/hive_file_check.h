// Whether a file is a whole registry hive, judged from its base block
// before the file is handed to the system as a hive: the system loads a
// replacement at the next start, and a truncated or half-written copy
// there can leave the machine unable to start.
//
// A hive file starts with a 4,096-byte base block: "regf", a primary and
// a secondary sequence number (equal once a write has completed), the
// major version (1) at offset 20, the file type (0, a primary file rather
// than a log) at 28, the format (1, memory-mapped bins) at 32, the length
// of the hive bins that follow the base block at offset 40 (a whole
// number of 4,096-byte pages), and at offset 508 the XOR of the block's
// first 127 double words (0 counts as 1, all bits set as all bits but the
// lowest). The first bin starts right after the base block with "hbin".
//
// Only the base block and the first bin's signature are judged: a hive
// whose header is whole but whose cells are damaged inside passes, since
// the system's own save is what wrote the copy being judged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "platform/filesystem.h"

namespace nc::registry {

inline constexpr std::size_t kHiveBaseBlockSize = 4096;
// The base block and the signature of the first bin.
inline constexpr std::size_t kHiveHeadSize = kHiveBaseBlockSize + 4;

enum class HiveFileVerdict {
  Whole,
  Unreadable,        // the file cannot be opened or read
  TooShort,          // shorter than a base block and one bin signature
  NoSignature,       // no "regf" at the start
  SequenceMismatch,  // a write to the hive did not complete
  BadChecksum,
  NotPrimary,          // the file type is not 0 (a transaction log, for example)
  UnknownFormat,       // the format is not 1
  UnsupportedVersion,  // the major version is not 1
  BinsNotWholePages,   // the bins' length is not a multiple of 4,096
  BinsOutsideFile,     // the bins' length is 0 or reaches past the end of the file
  NoFirstBin,          // no "hbin" after the base block
};

const char* HiveFileVerdictName(HiveFileVerdict verdict);

// The checksum the base block should carry, from its first 508 bytes.
std::uint32_t HiveBaseBlockChecksum(std::span<const std::uint8_t> baseBlock);

// Judges `head` (the first kHiveHeadSize bytes of the file, or all of a
// shorter file) of a file of `fileSize` bytes.
HiveFileVerdict JudgeHiveHead(std::span<const std::uint8_t> head, std::uint64_t fileSize);

// Opens and judges the file at `path`; the size is asked of the open file.
HiveFileVerdict CheckHiveFile(platform::FileSystem& files, std::string_view path);

}  // namespace nc::registry
