#include "cleaner/chrome_bookmarks.h"

#include <array>
#include <cstdint>
#include <vector>

namespace nc::cleaner {

namespace {

// A strict reader of one JSON value that keeps the strings of "url"
// members. Recursion is bounded by kMaxBookmarksDepth.
class BookmarkJson {
 public:
  explicit BookmarkJson(std::string_view text) : text_(text) {}

  std::optional<std::set<std::string>> Parse() {
    if (text_.starts_with("\xEF\xBB\xBF")) at_ = 3;
    SkipSpace();
    if (!Value(0, false)) return std::nullopt;
    SkipSpace();
    if (at_ != text_.size()) return std::nullopt;
    return std::move(urls_);
  }

 private:
  bool More() const { return at_ < text_.size(); }
  char Peek() const { return text_[at_]; }
  void SkipSpace() {
    while (More() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\n' || Peek() == '\r')) ++at_;
  }
  bool Take(char c) {
    if (!More() || Peek() != c) return false;
    ++at_;
    return true;
  }
  bool Word(std::string_view word) {
    if (text_.substr(at_, word.size()) != word) return false;
    at_ += word.size();
    return true;
  }

  // One value; `isUrl` keeps it when it is a string.
  bool Value(int depth, bool isUrl) {
    if (!More()) return false;
    switch (Peek()) {
      case '{':
        return depth < kMaxBookmarksDepth && Object(depth + 1);
      case '[':
        return depth < kMaxBookmarksDepth && Array(depth + 1);
      case '"': {
        std::string value;
        if (!String(value)) return false;
        if (isUrl) urls_.insert(std::move(value));
        return true;
      }
      case 't':
        return Word("true");
      case 'f':
        return Word("false");
      case 'n':
        return Word("null");
      default:
        return Number();
    }
  }

  bool Object(int depth) {
    ++at_;  // '{'
    SkipSpace();
    if (Take('}')) return true;
    for (;;) {
      SkipSpace();
      std::string name;
      if (!String(name)) return false;
      SkipSpace();
      if (!Take(':')) return false;
      SkipSpace();
      if (!Value(depth, name == "url")) return false;
      SkipSpace();
      if (Take('}')) return true;
      if (!Take(',')) return false;
    }
  }

  bool Array(int depth) {
    ++at_;  // '['
    SkipSpace();
    if (Take(']')) return true;
    for (;;) {
      SkipSpace();
      if (!Value(depth, false)) return false;
      SkipSpace();
      if (Take(']')) return true;
      if (!Take(',')) return false;
    }
  }

  static bool Digit(char c) { return c >= '0' && c <= '9'; }
  bool Digits() {
    const std::size_t start = at_;
    while (More() && Digit(Peek())) ++at_;
    return at_ > start;
  }
  bool Number() {
    Take('-');
    if (Take('0')) {
      // no leading zeros
    } else if (!Digits()) {
      return false;
    }
    if (Take('.') && !Digits()) return false;
    if (More() && (Peek() == 'e' || Peek() == 'E')) {
      ++at_;
      if (!Take('+')) Take('-');
      if (!Digits()) return false;
    }
    return true;
  }

  bool Hex4(std::uint32_t& value) {
    if (text_.size() - at_ < 4) return false;
    value = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = text_[at_++];
      value <<= 4;
      if (Digit(c)) {
        value |= static_cast<std::uint32_t>(c - '0');
      } else if (c >= 'a' && c <= 'f') {
        value |= static_cast<std::uint32_t>(c - 'a' + 10);
      } else if (c >= 'A' && c <= 'F') {
        value |= static_cast<std::uint32_t>(c - 'A' + 10);
      } else {
        return false;
      }
    }
    return true;
  }

  static void AppendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (code >> 18));
      out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }

  // A "\u" escape, a surrogate pair as one character.
  bool Unicode(std::string& out) {
    std::uint32_t code = 0;
    if (!Hex4(code)) return false;
    if (code >= 0xDC00 && code <= 0xDFFF) return false;
    if (code >= 0xD800 && code <= 0xDBFF) {
      std::uint32_t low = 0;
      if (!Word("\\u") || !Hex4(low) || low < 0xDC00 || low > 0xDFFF) return false;
      code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
    }
    AppendUtf8(out, code);
    return true;
  }

  bool String(std::string& out) {
    if (!Take('"')) return false;
    while (More()) {
      const char c = text_[at_++];
      if (c == '"') return true;
      if (static_cast<unsigned char>(c) < 0x20) return false;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (!More()) return false;
      const char e = text_[at_++];
      switch (e) {
        case '"':
        case '\\':
        case '/':
          out += e;
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u':
          if (!Unicode(out)) return false;
          break;
        default:
          return false;
      }
    }
    return false;
  }

  std::string_view text_;
  std::size_t at_ = 0;
  std::set<std::string> urls_;
};

}  // namespace

std::optional<std::set<std::string>> ParseBookmarkUrls(std::string_view json) {
  return BookmarkJson(json).Parse();
}

std::optional<std::set<std::string>> ReadBookmarkUrls(platform::FileSystem& files,
                                                      const std::string& path) {
  const auto attributes = files.attributes(path);
  if (!attributes) return std::set<std::string>{};
  if ((*attributes & (platform::FileAttr::Directory | platform::FileAttr::ReparsePoint)) != 0) {
    return std::nullopt;
  }
  auto file = files.open(path, platform::FileOpen::ReadExisting, platform::FileShare::Read);
  if (!file) return std::nullopt;
  auto size = (*file)->size();
  if (!size || *size > kMaxBookmarksBytes) return std::nullopt;
  std::string text;
  std::array<std::uint8_t, 65536> buffer{};
  for (;;) {
    auto got = (*file)->read(buffer);
    if (!got) return std::nullopt;
    if (*got == 0) break;
    text.append(reinterpret_cast<const char*>(buffer.data()), *got);
    // The file grew while it was read.
    if (text.size() > kMaxBookmarksBytes) return std::nullopt;
  }
  return ParseBookmarkUrls(text);
}

}  // namespace nc::cleaner
