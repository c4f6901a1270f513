#include "platform/sim/reg_text.h"

#include <optional>

#include "core/text.h"

namespace nc::sim {

namespace {

using platform::RegType;

constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";

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

std::string Latin1ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x80) {
      out += c;
    } else {
      out += static_cast<char>(0xC0 | (b >> 6));
      out += static_cast<char>(0x80 | (b & 0x3F));
    }
  }
  return out;
}

std::vector<std::uint8_t> Utf16Bytes(std::string_view utf8) {
  std::vector<std::uint8_t> out;
  for (char16_t unit : Utf8ToUtf16(utf8)) {
    out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    out.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return out;
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

struct KeyRef {
  platform::RootKey root = platform::RootKey::CurrentUser;
  std::string path;
};

std::optional<KeyRef> ParseKeyPath(std::string_view full) {
  const auto slash = full.find('\\');
  const std::string_view rootName = full.substr(0, slash);
  const auto root = platform::RootKeyFromName(rootName);
  if (!root) return std::nullopt;
  std::string_view path = slash == std::string_view::npos ? std::string_view() : full.substr(slash);
  while (!path.empty() && path.front() == '\\') path.remove_prefix(1);
  while (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  return KeyRef{*root, std::string(path)};
}

// One value line: "name"=data or @=data.
std::optional<RegTextOp> ParseValueLine(std::string_view line, const KeyRef& key, bool version5) {
  RegTextOp op;
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
    op.kind = RegTextOp::Kind::DeleteValue;
    return op;
  }
  op.kind = RegTextOp::Kind::SetValue;
  if (rest.front() == '"') {
    std::size_t consumed = 0;
    auto text = ParseQuoted(rest, consumed);
    if (!text || !OnlyTrailer(rest.substr(consumed))) return std::nullopt;
    op.value.type = static_cast<std::uint32_t>(RegType::String);
    op.value.data = platform::StringData(*text);
    return op;
  }
  if (StartsWithNoCase(rest, "dword:")) {
    std::string_view digits = rest.substr(6);
    const auto semi = digits.find(';');
    if (semi != std::string_view::npos) digits = digits.substr(0, semi);
    const auto value = ParseHex(Trim(digits), 8);
    if (!value) return std::nullopt;
    op.value.type = static_cast<std::uint32_t>(RegType::Dword);
    op.value.data = platform::DwordData(*value);
    return op;
  }
  if (!StartsWithNoCase(rest, "hex")) return std::nullopt;
  rest = rest.substr(3);
  std::uint32_t type = static_cast<std::uint32_t>(RegType::Binary);
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
  const bool textType = type == static_cast<std::uint32_t>(RegType::String) ||
                        type == static_cast<std::uint32_t>(RegType::ExpandString) ||
                        type == static_cast<std::uint32_t>(RegType::MultiString);
  if (!version5 && textType) {
    // REGEDIT4 keeps string types in the ANSI code page.
    const std::string_view ansi(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    *bytes = Utf16Bytes(IsValidUtf8(ansi) ? std::string(ansi) : Latin1ToUtf8(ansi));
  }
  op.value.type = type;
  op.value.data = std::move(*bytes);
  return op;
}

}  // namespace

bool IsValidUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto b0 = static_cast<unsigned char>(text[i]);
    std::size_t extra = 0;
    char32_t cp = 0;
    if (b0 < 0x80) {
      ++i;
      continue;
    } else if ((b0 & 0xE0) == 0xC0) {
      extra = 1;
      cp = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
      extra = 2;
      cp = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
      extra = 3;
      cp = b0 & 0x07;
    } else {
      return false;
    }
    if (i + extra >= text.size()) return false;
    for (std::size_t k = 1; k <= extra; ++k) {
      const auto b = static_cast<unsigned char>(text[i + k]);
      if ((b & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (b & 0x3F);
    }
    static constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += extra + 1;
  }
  return true;
}

RegTextParse ParseRegText(std::string_view input) {
  RegTextParse result;
  if (StartsWith(input, "\xEF\xBB\xBF")) input.remove_prefix(3);
  std::string converted;
  if (!IsValidUtf8(input)) {
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
  if (EqualsNoCase(header, kHeader5)) {
    result.version5 = true;
  } else if (!EqualsNoCase(header, kHeader4)) {
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
      RegTextOp op;
      op.kind = remove ? RegTextOp::Kind::DeleteKey : RegTextOp::Kind::CreateKey;
      op.root = key->root;
      op.path = key->path;
      result.ops.push_back(std::move(op));
      if (!remove) current = std::move(*key);
      continue;
    }

    // A value, possibly continued on the following lines.
    std::string logical(line);
    while (!logical.empty() && logical.back() == '\\' && i + 1 < lines.size()) {
      logical.pop_back();
      ++i;
      const std::string_view next = Trim(lines[i]);
      if (!next.empty() && next.front() == ';') continue;
      logical += next;
    }
    if (!current || (logical.front() != '"' && logical.front() != '@')) {
      ++result.skippedLines;
      continue;
    }
    auto op = ParseValueLine(logical, *current, result.version5);
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
    std::u16string units((bytes.size() - 2) / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
      units[i] = static_cast<char16_t>(bytes[2 + 2 * i] | (bytes[3 + 2 * i] << 8));
    }
    return Utf16ToUtf8(units);
  }
  std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (StartsWith(text, "\xEF\xBB\xBF")) text.remove_prefix(3);
  return IsValidUtf8(text) ? std::string(text) : Latin1ToUtf8(text);
}

std::vector<std::uint8_t> EncodeRegFileUtf16(std::string_view text) {
  std::vector<std::uint8_t> out = {0xFF, 0xFE};
  const auto body = Utf16Bytes(text);
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

namespace {

std::string Quote(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      if (c == '\\' || c == '"') out += '\\';
      out += c;
    }
  }
  out += '"';
  return out;
}

// A REG_SZ that a quoted string gives back byte for byte.
bool WritableAsString(const platform::RegValue& value) {
  const auto& d = value.data;
  if (d.size() < 2 || d.size() % 2 != 0) return false;
  if (d[d.size() - 1] != 0 || d[d.size() - 2] != 0) return false;
  const auto text = platform::ValueText(value);
  if (!text || text->find_first_of("\r\n") != std::string::npos) return false;
  return platform::StringData(*text) == d;
}

}  // namespace

std::string FormatRegValue(const platform::RegValue& value) {
  std::string line = value.name.empty() ? std::string("@") : Quote(value.name);
  line += '=';
  if (value.type == static_cast<std::uint32_t>(RegType::String) && WritableAsString(value)) {
    line += Quote(*platform::ValueText(value));
    return line;
  }
  if (value.type == static_cast<std::uint32_t>(RegType::Dword) && value.data.size() == 4) {
    static constexpr char kDigits[] = "0123456789abcdef";
    const std::uint32_t v = *platform::ValueDword(value);
    line += "dword:";
    for (int shift = 28; shift >= 0; shift -= 4) line += kDigits[(v >> shift) & 0xF];
    return line;
  }
  static constexpr char kDigits[] = "0123456789abcdef";
  if (value.type == static_cast<std::uint32_t>(RegType::Binary)) {
    line += "hex:";
  } else {
    std::string type;
    std::uint32_t t = value.type;
    do {
      type.insert(type.begin(), kDigits[t & 0xF]);
      t >>= 4;
    } while (t != 0);
    line += "hex(" + type + "):";
  }
  std::size_t column = line.size();
  for (std::size_t i = 0; i < value.data.size(); ++i) {
    line += kDigits[value.data[i] >> 4];
    line += kDigits[value.data[i] & 0xF];
    column += 2;
    if (i + 1 < value.data.size()) {
      line += ',';
      ++column;
      if (column >= 77) {
        line += "\\\r\n  ";
        column = 2;
      }
    }
  }
  return line;
}

std::string WriteRegText(const std::vector<RegTextKey>& keys) {
  std::string out(kHeader5);
  out += "\r\n\r\n";
  for (const auto& key : keys) {
    out += '[';
    out += key.fullPath;
    out += "]\r\n";
    for (const auto& value : key.values) {
      out += FormatRegValue(value);
      out += "\r\n";
    }
    out += "\r\n";
  }
  return out;
}

}  // namespace nc::sim
