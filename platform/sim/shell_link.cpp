#include "platform/sim/shell_link.h"

#include <algorithm>
#include <array>
#include <optional>

#include "core/text.h"

namespace nc::sim {

namespace {

constexpr std::uint32_t kHeaderSize = 0x4C;
constexpr std::array<std::uint8_t, 16> kLinkClsid = {
    0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
constexpr std::uint32_t kHasLinkTargetIdList = 0x1;
constexpr std::uint32_t kHasLinkInfo = 0x2;
constexpr std::uint32_t kVolumeIdAndLocalBasePath = 0x1;
constexpr std::uint32_t kLinkInfoHeaderWithUnicode = 0x24;
constexpr std::uint32_t kLinkInfoHeaderMinimum = 0x1C;

Error Malformed(std::string_view why) {
  return Error{Errc::InvalidArgument, "read shortcut", std::string(why)};
}

// Little-endian reads that refuse to run past the data.
class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> data) : data_(data) {}

  std::optional<std::uint32_t> U32(std::size_t at) const {
    if (at > data_.size() || data_.size() - at < 4) return std::nullopt;
    return static_cast<std::uint32_t>(data_[at]) | static_cast<std::uint32_t>(data_[at + 1]) << 8 |
           static_cast<std::uint32_t>(data_[at + 2]) << 16 |
           static_cast<std::uint32_t>(data_[at + 3]) << 24;
  }
  std::optional<std::uint16_t> U16(std::size_t at) const {
    if (at > data_.size() || data_.size() - at < 2) return std::nullopt;
    return static_cast<std::uint16_t>(data_[at] | data_[at + 1] << 8);
  }
  // A NUL-terminated 8-bit string starting at `at` and ending before `end`.
  std::optional<std::string> Ansi(std::size_t at, std::size_t end) const {
    std::string text;
    for (std::size_t i = at; i < end && i < data_.size(); ++i) {
      if (data_[i] == 0) return text;
      text.push_back(static_cast<char>(data_[i]));
    }
    return std::nullopt;
  }
  // A NUL-terminated UTF-16LE string starting at `at` and ending before
  // `end`, as UTF-8.
  std::optional<std::string> Unicode(std::size_t at, std::size_t end) const {
    end = std::min(end, data_.size());
    if (at >= end) return std::nullopt;
    const std::u16string units = Utf16LeUnits(data_.subspan(at, end - at));
    const auto nul = units.find(u'\0');
    if (nul == std::u16string::npos) return std::nullopt;
    return Utf16ToUtf8(std::u16string_view(units).substr(0, nul));
  }

 private:
  std::span<const std::uint8_t> data_;
};

void PutU32(std::string& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8)
    out.push_back(static_cast<char>(value >> shift & 0xFF));
}

void PutU32At(std::string& out, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i)
    out[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i) & 0xFF);
}

}  // namespace

Result<std::string> ParseShellLinkTarget(std::span<const std::uint8_t> bytes) {
  const Reader in(bytes);
  if (in.U32(0) != kHeaderSize || bytes.size() < kHeaderSize) return Malformed("header");
  for (std::size_t i = 0; i < kLinkClsid.size(); ++i) {
    if (bytes[4 + i] != kLinkClsid[i]) return Malformed("class id");
  }
  const std::uint32_t flags = *in.U32(0x14);

  std::size_t at = kHeaderSize;
  if ((flags & kHasLinkTargetIdList) != 0) {
    const auto idListSize = in.U16(at);
    if (!idListSize) return Malformed("item list size");
    at += 2 + static_cast<std::size_t>(*idListSize);
    if (at > bytes.size()) return Malformed("item list");
  }
  if ((flags & kHasLinkInfo) == 0) return Error{Errc::NotFound, "read shortcut", "no local path"};

  const auto infoSize = in.U32(at);
  const auto infoHeaderSize = in.U32(at + 4);
  const auto infoFlags = in.U32(at + 8);
  if (!infoSize || !infoHeaderSize || !infoFlags) return Malformed("link info");
  if (*infoSize > bytes.size() - at || *infoHeaderSize < kLinkInfoHeaderMinimum ||
      *infoHeaderSize > *infoSize) {
    return Malformed("link info size");
  }
  if ((*infoFlags & kVolumeIdAndLocalBasePath) == 0) {
    return Error{Errc::NotFound, "read shortcut", "no local path"};
  }
  const std::size_t end = at + *infoSize;
  // Offsets are relative to the LinkInfo and must fall inside it.
  auto inside = [&](std::uint32_t offset) -> std::optional<std::size_t> {
    if (offset == 0 || offset >= *infoSize) return std::nullopt;
    return at + offset;
  };

  if (*infoHeaderSize >= kLinkInfoHeaderWithUnicode) {
    const auto baseOffset = in.U32(at + 0x1C);
    const auto suffixOffset = in.U32(at + 0x20);
    if (baseOffset && *baseOffset != 0) {
      const auto basePos = inside(*baseOffset);
      if (!basePos) return Malformed("unicode base path offset");
      auto base = in.Unicode(*basePos, end);
      if (!base) return Malformed("unicode base path");
      if (suffixOffset && *suffixOffset != 0) {
        const auto suffixPos = inside(*suffixOffset);
        if (!suffixPos) return Malformed("unicode suffix offset");
        auto suffix = in.Unicode(*suffixPos, end);
        if (!suffix) return Malformed("unicode suffix");
        *base += *suffix;
      }
      if (base->empty()) return Error{Errc::NotFound, "read shortcut", "empty path"};
      return *base;
    }
  }

  const auto basePos = inside(*in.U32(at + 0x10));
  if (!basePos) return Malformed("base path offset");
  auto base = in.Ansi(*basePos, end);
  if (!base) return Malformed("base path");
  const auto suffixOffset = *in.U32(at + 0x18);
  if (suffixOffset != 0) {
    const auto suffixPos = inside(suffixOffset);
    if (!suffixPos) return Malformed("suffix offset");
    auto suffix = in.Ansi(*suffixPos, end);
    if (!suffix) return Malformed("suffix");
    *base += *suffix;
  }
  if (base->empty()) return Error{Errc::NotFound, "read shortcut", "empty path"};
  return *base;
}

Result<std::string> ParseShellLinkTarget(std::string_view bytes) {
  return ParseShellLinkTarget(std::span<const std::uint8_t>(
      reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

std::string MakeShellLinkBytes(std::string_view target) {
  std::string out;
  // Header: size, class id, flags (LinkInfo only), then attributes, three
  // times, size, icon, show command (normal), hot key and reserved fields.
  PutU32(out, kHeaderSize);
  out.append(reinterpret_cast<const char*>(kLinkClsid.data()), kLinkClsid.size());
  PutU32(out, kHasLinkInfo);
  PutU32(out, 0x20);  // FILE_ATTRIBUTE_ARCHIVE
  out.append(24, '\0');
  PutU32(out, 0);  // file size
  PutU32(out, 0);  // icon index
  PutU32(out, 1);  // SW_SHOWNORMAL
  out.append(12, '\0');

  // LinkInfo with Unicode offsets: header, volume id, ANSI base path, empty
  // ANSI suffix, Unicode base path, empty Unicode suffix.
  const std::size_t info = out.size();
  out.append(kLinkInfoHeaderWithUnicode, '\0');
  const std::size_t volumeId = out.size() - info;
  PutU32(out, 0x11);  // VolumeIDSize
  PutU32(out, 3);     // DRIVE_FIXED
  PutU32(out, 0x12345678);
  PutU32(out, 0x10);  // VolumeLabelOffset: the empty label below
  out.push_back('\0');
  const std::size_t basePath = out.size() - info;
  out.append(target);
  out.push_back('\0');
  const std::size_t suffix = out.size() - info;
  out.push_back('\0');
  const std::size_t basePathUnicode = out.size() - info;
  for (char16_t unit : Utf8ToUtf16(target)) {
    out.push_back(static_cast<char>(unit & 0xFF));
    out.push_back(static_cast<char>(unit >> 8));
  }
  out.append(2, '\0');
  const std::size_t suffixUnicode = out.size() - info;
  out.append(2, '\0');
  const auto infoSize = static_cast<std::uint32_t>(out.size() - info);

  PutU32At(out, info + 0x00, infoSize);
  PutU32At(out, info + 0x04, kLinkInfoHeaderWithUnicode);
  PutU32At(out, info + 0x08, kVolumeIdAndLocalBasePath);
  PutU32At(out, info + 0x0C, static_cast<std::uint32_t>(volumeId));
  PutU32At(out, info + 0x10, static_cast<std::uint32_t>(basePath));
  PutU32At(out, info + 0x14, 0);
  PutU32At(out, info + 0x18, static_cast<std::uint32_t>(suffix));
  PutU32At(out, info + 0x1C, static_cast<std::uint32_t>(basePathUnicode));
  PutU32At(out, info + 0x20, static_cast<std::uint32_t>(suffixUnicode));

  PutU32(out, 0);  // the terminal block of the extra data
  return out;
}

}  // namespace nc::sim
