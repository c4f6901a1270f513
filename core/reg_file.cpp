#include "core/reg_file.h"

#include <array>
#include <cstdio>

#include "core/text.h"

namespace nc {

namespace {

constexpr std::array<const char*, 7> kRootNames = {
    "HKEY_CLASSES_ROOT",     "HKEY_CURRENT_USER",   "HKEY_LOCAL_MACHINE", "HKEY_USERS",
    "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA"};

constexpr std::string_view kEol = "\r\n";
constexpr char kHexDigits[] = "0123456789ABCDEF";

// ---- reading -------------------------------------------------------------------

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// 1 to `maxDigits` hexadecimal digits, nothing else.
std::optional<std::uint32_t> ParseHex(std::string_view text, std::size_t maxDigits) {
  if (text.empty() || text.size() > maxDigits) return std::nullopt;
  std::uint32_t value = 0;
  for (char c : text) {
    const int d = HexDigit(c);
    if (d < 0) return std::nullopt;
    value = (value << 4) | static_cast<std::uint32_t>(d);
  }
  return value;
}

// Blanks, then nothing or a comment.
bool OnlyTrailer(std::string_view rest) {
  rest = Trim(rest);
  return rest.empty() || rest.front() == ';';
}

// A quoted string starting at text[0] == '"'; `consumed` is set past the
// closing quote. nullopt when the quote is not closed.
std::optional<std::string> ParseQuoted(std::string_view text, std::size_t& consumed) {
  std::string out;
  for (std::size_t i = 1; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') {
      consumed = i + 1;
      return out;
    }
    if (c == '\\' && i + 1 < text.size()) {
      const char next = text[i + 1];
      if (next == '\\' || next == '"') {
        out += next;
        ++i;
        continue;
      }
      if (next == 'n') {
        out += '\n';
        ++i;
        continue;
      }
      if (next == 'r') {
        out += '\r';
        ++i;
        continue;
      }
    }
    out += c;
  }
  return std::nullopt;
}

// "xx,xx,..." with an optional trailing comma; nullopt when malformed.
std::optional<std::vector<std::uint8_t>> ParseByteList(std::string_view text) {
  std::vector<std::uint8_t> bytes;
  text = Trim(text);
  if (!text.empty() && text.front() == ';') return bytes;  // comment only
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(',', start);
    const bool last = end == std::string_view::npos;
    if (last) end = text.size();
    std::string_view token = Trim(text.substr(start, end - start));
    if (last) {
      // A comment may follow the last byte.
      const auto semi = token.find(';');
      if (semi != std::string_view::npos) token = Trim(token.substr(0, semi));
      if (token.empty()) break;
    }
    const auto value = ParseHex(token, 2);
    if (!value) return std::nullopt;
    bytes.push_back(static_cast<std::uint8_t>(*value));
    start = end + 1;
  }
  return bytes;
}

// The UTF-16LE bytes of REGEDIT4 string data: each ANSI string between
// the NULs converted, the NULs kept.
std::vector<std::uint8_t> AnsiStringsToUtf16(const std::vector<std::uint8_t>& bytes,
                                             const AnsiToUtf8& ansi) {
  const std::string_view all(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  std::u16string units;
  std::size_t start = 0;
  while (true) {
    const auto nul = all.find('\0', start);
    const std::string_view piece = all.substr(start, nul - start);
    const std::string text = ansi                 ? ansi(piece)
                             : IsValidUtf8(piece) ? std::string(piece)
                                                  : Latin1ToUtf8(piece);
    units += Utf8ToUtf16(text);
    if (nul == std::string_view::npos) break;
    units += u'\0';
    start = nul + 1;
  }
  return Utf16LeBytes(units);
}

// A value line whose data is a hex list: only those continue on the
// next line, so a string that ends in a backslash does not swallow it.
bool IsHexListLine(std::string_view line) {
  std::size_t pos = 1;
  if (line.front() == '"') {
    if (!ParseQuoted(line, pos)) return false;
  } else if (line.front() != '@') {
    return false;
  }
  std::string_view rest = Trim(line.substr(pos));
  if (rest.empty() || rest.front() != '=') return false;
  return StartsWithNoCase(Trim(rest.substr(1)), "hex");
}

struct KeyRef {
  PredefinedRoot root = PredefinedRoot::CurrentUser;
  std::string path;
};

std::optional<KeyRef> ParseKeyPath(std::string_view full) {
  const auto slash = full.find('\\');
  const auto root = PredefinedRootFromName(full.substr(0, slash));
  if (!root) return std::nullopt;
  std::string_view path = slash == std::string_view::npos ? std::string_view() : full.substr(slash);
  while (!path.empty() && path.front() == '\\') path.remove_prefix(1);
  while (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  return KeyRef{*root, std::string(path)};
}

// One value line: "name"=data or @=data.
std::optional<RegFileOp> ParseValueLine(std::string_view line, const KeyRef& key, bool version5,
                                        const AnsiToUtf8& ansi) {
  RegFileOp op;
  op.root = key.root;
  op.path = key.path;
  std::size_t pos = 0;
  if (line.front() == '@') {
    pos = 1;
  } else {
    std::size_t consumed = 0;
    auto name = ParseQuoted(line, consumed);
    if (!name) return std::nullopt;
    op.value.name = std::move(*name);
    pos = consumed;
  }
  std::string_view rest = Trim(line.substr(pos));
  if (rest.empty() || rest.front() != '=') return std::nullopt;
  rest = Trim(rest.substr(1));
  if (rest.empty()) return std::nullopt;

  if (rest.front() == '-') {
    if (!OnlyTrailer(rest.substr(1))) return std::nullopt;
    op.kind = RegFileOp::Kind::DeleteValue;
    return op;
  }
  op.kind = RegFileOp::Kind::SetValue;
  if (rest.front() == '"') {
    std::size_t consumed = 0;
    auto text = ParseQuoted(rest, consumed);
    if (!text || !OnlyTrailer(rest.substr(consumed))) return std::nullopt;
    op.value.type = kRegSz;
    op.value.data = Utf8ToUtf16Le(*text);
    op.value.data.insert(op.value.data.end(), {0, 0});
    return op;
  }
  if (StartsWithNoCase(rest, "dword:")) {
    std::string_view digits = rest.substr(6);
    const auto semi = digits.find(';');
    if (semi != std::string_view::npos) digits = digits.substr(0, semi);
    const auto value = ParseHex(Trim(digits), 8);
    if (!value) return std::nullopt;
    op.value.type = kRegDword;
    op.value.data = {static_cast<std::uint8_t>(*value), static_cast<std::uint8_t>(*value >> 8),
                     static_cast<std::uint8_t>(*value >> 16),
                     static_cast<std::uint8_t>(*value >> 24)};
    return op;
  }
  if (!StartsWithNoCase(rest, "hex")) return std::nullopt;
  rest = rest.substr(3);
  std::uint32_t type = kRegBinary;
  if (!rest.empty() && rest.front() == '(') {
    const auto close = rest.find(')');
    if (close == std::string_view::npos) return std::nullopt;
    const auto parsed = ParseHex(rest.substr(1, close - 1), 8);
    if (!parsed) return std::nullopt;
    type = *parsed;
    rest = rest.substr(close + 1);
  }
  if (rest.empty() || rest.front() != ':') return std::nullopt;
  auto bytes = ParseByteList(rest.substr(1));
  if (!bytes) return std::nullopt;
  const bool textType = type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
  if (!version5 && textType) *bytes = AnsiStringsToUtf16(*bytes, ansi);
  op.value.type = type;
  op.value.data = std::move(*bytes);
  return op;
}

// ---- writing -------------------------------------------------------------------

void AppendQuoted(std::string& out, std::string_view text, RegFileLayout layout) {
  out += '"';
  for (char c : text) {
    if (layout == RegFileLayout::Regedit5 && (c == '\n' || c == '\r')) {
      out += c == '\n' ? "\\n" : "\\r";
      continue;
    }
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  out += '"';
}

// `prefix` ("hex:" or "hex(N):") and the bytes, broken as `layout` says;
// `lineStart` is where the value's line begins in `out`.
void AppendHexList(std::string& out, std::size_t lineStart, std::string_view prefix,
                   std::span<const std::uint8_t> bytes, RegFileLayout layout) {
  out += prefix;
  std::size_t column = out.size() - lineStart;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    out += kHexDigits[bytes[i] >> 4];
    out += kHexDigits[bytes[i] & 0x0F];
    column += 2;
    if (i + 1 == bytes.size()) break;
    out += ',';
    ++column;
    if (layout == RegFileLayout::Backup) {
      if (i > 0 && i % 25 == 0) {
        out += '\\';
        out += kEol;
      }
    } else if (column >= 77) {
      out += '\\';
      out += kEol;
      out += "  ";
      column = 2;
    }
  }
  out += kEol;
}

}  // namespace

const char* RootKeyName(PredefinedRoot root) {
  return kRootNames[static_cast<std::size_t>(root)];
}

std::optional<PredefinedRoot> PredefinedRootFromName(std::string_view name) {
  for (std::size_t i = 0; i < kRootNames.size(); ++i) {
    if (EqualsNoCase(name, kRootNames[i])) return static_cast<PredefinedRoot>(i);
  }
  return std::nullopt;
}

RegFileParse ParseRegFile(std::string_view input, const AnsiToUtf8& ansi) {
  RegFileParse result;
  if (StartsWith(input, "\xEF\xBB\xBF")) input.remove_prefix(3);
  std::string converted;
  // UTF-8, or text that keeps lone surrogate halves of a UTF-16 file
  // (Utf16ToWtf8): anything else is 8-bit text.
  if (!IsValidUtf8(input) && Utf16ToWtf8(Wtf8ToUtf16(input)) != input) {
    converted = Latin1ToUtf8(input);
    input = converted;
  }

  // Physical lines.
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < input.size()) {
    std::size_t end = input.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = input.size();
    lines.push_back(input.substr(start, end - start));
    if (end + 1 < input.size() && input[end] == '\r' && input[end + 1] == '\n') ++end;
    start = end + 1;
  }

  std::size_t i = 0;
  while (i < lines.size() && Trim(lines[i]).empty()) ++i;
  if (i == lines.size()) return result;
  const std::string_view header = Trim(lines[i]);
  if (EqualsNoCase(header, kRegedit5Header)) {
    result.version5 = true;
  } else if (!EqualsNoCase(header, kRegedit4Header)) {
    result.skippedLines = lines.size() - i;
    return result;
  }
  result.headerFound = true;
  ++i;

  std::optional<KeyRef> current;  // the key that values go to
  for (; i < lines.size(); ++i) {
    std::string_view line = Trim(lines[i]);
    if (line.empty() || line.front() == ';') continue;

    if (line.front() == '[') {
      const auto close = line.rfind(']');
      if (close == std::string_view::npos || !OnlyTrailer(line.substr(close + 1))) {
        current.reset();
        ++result.skippedLines;
        continue;
      }
      std::string_view inner = line.substr(1, close - 1);
      const bool remove = !inner.empty() && inner.front() == '-';
      if (remove) inner.remove_prefix(1);
      auto key = ParseKeyPath(inner);
      current.reset();
      if (!key) {
        ++result.skippedLines;
        continue;
      }
      RegFileOp op;
      op.kind = remove ? RegFileOp::Kind::DeleteKey : RegFileOp::Kind::CreateKey;
      op.root = key->root;
      op.path = key->path;
      result.ops.push_back(std::move(op));
      if (!remove) current = std::move(*key);
      continue;
    }

    // A value; a hex list may go on over the following lines.
    std::string logical(line);
    const bool hexList = IsHexListLine(line);
    // Comment lines inside the list are passed over.
    while (hexList && logical.back() == '\\' && i + 1 < lines.size()) {
      ++i;
      const std::string_view next = Trim(lines[i]);
      if (!next.empty() && next.front() == ';') continue;
      logical.pop_back();
      logical += next;
    }
    if (!current || (logical.front() != '"' && logical.front() != '@')) {
      ++result.skippedLines;
      continue;
    }
    auto op = ParseValueLine(logical, *current, result.version5, ansi);
    if (!op) {
      ++result.skippedLines;
      continue;
    }
    result.ops.push_back(std::move(*op));
  }
  return result;
}

std::string DecodeRegFileBytes(std::span<const std::uint8_t> bytes) {
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    return Utf16LeToUtf8(bytes.subspan(2));
  }
  std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (StartsWith(text, "\xEF\xBB\xBF")) text.remove_prefix(3);
  return IsValidUtf8(text) ? std::string(text) : Latin1ToUtf8(text);
}

std::vector<std::uint8_t> EncodeRegFileUtf16(std::string_view text) {
  std::vector<std::uint8_t> out = {0xFF, 0xFE};
  const auto body = Utf8ToUtf16Le(text);
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

std::string RegFileHeaderLine(RegFileForm form) {
  std::string line(form == RegFileForm::Ansi ? kRegedit4Header : kRegedit5Header);
  line += kEol;
  return line;
}

namespace {

// A backslash before every `special`.
std::string EscapeEach(std::string_view text, char special) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == special) out += '\\';
    out += c;
  }
  return out;
}

}  // namespace

std::string EscapeBackslashes(std::string_view text) {
  return EscapeEach(text, '\\');
}

std::string EscapeQuotes(std::string_view text) {
  return EscapeEach(text, '"');
}

std::optional<std::string> QuotableStringText(std::span<const std::uint8_t> data) {
  if (data.size() < 2 || data.size() % 2 != 0) return std::nullopt;
  const std::u16string units = Utf16LeUnits(data);
  if (units.back() != u'\0') return std::nullopt;
  const std::u16string_view text(units.data(), units.size() - 1);
  for (char16_t u : text) {
    if (u == u'\0' || u == u'\r' || u == u'\n') return std::nullopt;
  }
  std::string utf8 = Utf16ToUtf8(text);
  // A lone surrogate would come back as U+FFFD.
  if (Utf8ToUtf16(utf8) != text) return std::nullopt;
  return utf8;
}

void AppendRegKeyLine(std::string& out, std::string_view fullPath) {
  out += kEol;
  out += '[';
  out += fullPath;
  out += ']';
  out += kEol;
}

void AppendRegValueLine(std::string& out, std::string_view name, std::uint32_t type,
                        std::span<const std::uint8_t> data, RegFileLayout layout) {
  const std::size_t lineStart = out.size();
  if (name.empty()) {
    out += '@';
  } else {
    AppendQuoted(out, name, layout);
  }
  out += '=';
  if (type == kRegSz) {
    if (auto text = QuotableStringText(data)) {
      AppendQuoted(out, *text, layout);
      out += kEol;
      return;
    }
  }
  if (type == kRegDword && data.size() == 4) {
    out += "dword:";
    for (std::size_t i = 4; i-- > 0;) {
      out += kHexDigits[data[i] >> 4];
      out += kHexDigits[data[i] & 0x0F];
    }
    out += kEol;
    return;
  }
  if (type == kRegBinary) {
    AppendHexList(out, lineStart, "hex:", data, layout);
    return;
  }
  char prefix[24];
  std::snprintf(prefix, sizeof prefix, "hex(%x):", static_cast<unsigned>(type));
  AppendHexList(out, lineStart, prefix, data, layout);
}

}  // namespace nc
