// INI documents: sections of key=value lines, read and rewritten the way
// the system's profile functions do.
//
// The document keeps every line as written (comments, blank lines, lines
// without '=') so that changing one key rewrites only that line. Section
// and key names match without regard to ASCII letter case; blanks around
// names and values are ignored when reading. A section that appears more
// than once reads as one: lookups go through its parts in file order and
// the first key found wins.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nc {

class IniDocument {
 public:
  static IniDocument Parse(std::string_view text);
  // Every line ended by "\r\n".
  std::string toText() const;

  // The value of a key, blanks at both ends removed; nullopt when the
  // section or the key does not exist.
  std::optional<std::string> get(std::string_view section, std::string_view key) const;
  // Replaces the value of an existing key (keeping the name as written)
  // or adds the key at the end of the section, adding the section at the
  // end of the document when needed.
  void set(std::string_view section, std::string_view key, std::string_view value);
  // Removes one key; false when it did not exist.
  bool eraseKey(std::string_view section, std::string_view key);
  // Removes every part of a section with its lines; false when absent.
  bool eraseSection(std::string_view section);

  bool hasSection(std::string_view section) const;
  // Section names in file order, each once, as first written.
  std::vector<std::string> sectionNames() const;
  // The lines of a section without comment and blank lines, blanks at
  // both ends removed, in file order.
  std::vector<std::string> sectionLines(std::string_view section) const;
  // Keys and values of a section in file order (first of each key).
  std::vector<std::pair<std::string, std::string>> entries(std::string_view section) const;

 private:
  enum class Kind { Blank, Comment, Section, Key, Other };
  struct Line {
    Kind kind = Kind::Other;
    std::string raw;
    std::string name;   // section or key name, trimmed
    std::string value;  // key value, trimmed
  };

  static Line ParseLine(std::string_view raw);
  // Index of the line of `key` in `section`, or npos.
  std::size_t findKey(std::string_view section, std::string_view key) const;

  std::vector<Line> lines_;
};

// How a text file's bytes were encoded.
enum class TextEncoding { Utf8, Utf8Bom, Utf16LeBom };

struct DecodedText {
  std::string text;  // UTF-8
  TextEncoding encoding = TextEncoding::Utf8;
};

// Decodes a file's bytes: a UTF-8 byte-order mark is dropped, UTF-16LE
// text with its mark is converted; anything else is taken as UTF-8.
DecodedText DecodeTextFile(std::string_view bytes);
// The bytes to write for `text` in `encoding` (with its mark).
std::string EncodeTextFile(std::string_view text, TextEncoding encoding);

}  // namespace nc
