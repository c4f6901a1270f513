#include "registry/hive_file_check.h"

#include <array>

namespace nc::registry {

namespace {

constexpr std::size_t kSequence1 = 4;
constexpr std::size_t kSequence2 = 8;
constexpr std::size_t kMajorVersion = 20;
constexpr std::size_t kFileType = 28;
constexpr std::size_t kFormat = 32;
constexpr std::size_t kBinsLength = 40;
constexpr std::uint32_t kBinPage = 4096;
constexpr std::size_t kChecksum = 508;

std::uint32_t Dword(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return static_cast<std::uint32_t>(bytes[offset]) |
         static_cast<std::uint32_t>(bytes[offset + 1]) << 8 |
         static_cast<std::uint32_t>(bytes[offset + 2]) << 16 |
         static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

bool HasText(std::span<const std::uint8_t> bytes, std::size_t offset, std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (bytes[offset + i] != static_cast<std::uint8_t>(text[i])) return false;
  }
  return true;
}

}  // namespace

const char* HiveFileVerdictName(HiveFileVerdict verdict) {
  switch (verdict) {
    case HiveFileVerdict::Whole:
      return "whole";
    case HiveFileVerdict::Unreadable:
      return "unreadable";
    case HiveFileVerdict::TooShort:
      return "too short";
    case HiveFileVerdict::NoSignature:
      return "no regf signature";
    case HiveFileVerdict::SequenceMismatch:
      return "sequence numbers differ";
    case HiveFileVerdict::BadChecksum:
      return "bad checksum";
    case HiveFileVerdict::NotPrimary:
      return "not a primary file";
    case HiveFileVerdict::UnknownFormat:
      return "unknown format";
    case HiveFileVerdict::UnsupportedVersion:
      return "unsupported version";
    case HiveFileVerdict::BinsNotWholePages:
      return "bins not whole pages";
    case HiveFileVerdict::BinsOutsideFile:
      return "bins outside the file";
    case HiveFileVerdict::NoFirstBin:
      return "no first bin";
  }
  return "?";
}

std::uint32_t HiveBaseBlockChecksum(std::span<const std::uint8_t> baseBlock) {
  std::uint32_t sum = 0;
  for (std::size_t offset = 0; offset < kChecksum; offset += 4) sum ^= Dword(baseBlock, offset);
  if (sum == 0xFFFFFFFFU) return 0xFFFFFFFEU;
  if (sum == 0) return 1;
  return sum;
}

HiveFileVerdict JudgeHiveHead(std::span<const std::uint8_t> head, std::uint64_t fileSize) {
  if (head.size() < kHiveHeadSize || fileSize < kHiveHeadSize) return HiveFileVerdict::TooShort;
  if (!HasText(head, 0, "regf")) return HiveFileVerdict::NoSignature;
  if (Dword(head, kSequence1) != Dword(head, kSequence2)) {
    return HiveFileVerdict::SequenceMismatch;
  }
  if (Dword(head, kChecksum) != HiveBaseBlockChecksum(head)) return HiveFileVerdict::BadChecksum;
  if (Dword(head, kMajorVersion) != 1) return HiveFileVerdict::UnsupportedVersion;
  if (Dword(head, kFileType) != 0) return HiveFileVerdict::NotPrimary;
  if (Dword(head, kFormat) != 1) return HiveFileVerdict::UnknownFormat;
  const std::uint64_t bins = Dword(head, kBinsLength);
  if (bins % kBinPage != 0) return HiveFileVerdict::BinsNotWholePages;
  if (bins == 0 || bins > fileSize - kHiveBaseBlockSize) return HiveFileVerdict::BinsOutsideFile;
  if (!HasText(head, kHiveBaseBlockSize, "hbin")) return HiveFileVerdict::NoFirstBin;
  return HiveFileVerdict::Whole;
}

HiveFileVerdict CheckHiveFile(platform::FileSystem& files, std::string_view path) {
  auto file = files.open(path, platform::FileOpen::ReadExisting, platform::FileShare::Read);
  if (!file) return HiveFileVerdict::Unreadable;
  const Result<std::uint64_t> size = (*file)->size();
  if (!size) return HiveFileVerdict::Unreadable;
  std::array<std::uint8_t, kHiveHeadSize> head{};
  std::size_t got = 0;
  while (got < head.size()) {
    const Result<std::size_t> n = (*file)->read(std::span(head).subspan(got));
    if (!n) return HiveFileVerdict::Unreadable;
    if (*n == 0) break;
    got += *n;
  }
  return JudgeHiveHead(std::span(head).first(got), *size);
}

}  // namespace nc::registry
