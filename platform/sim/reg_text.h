// Registry export text (.reg files): "REGEDIT4" and "Windows Registry
// Editor Version 5.00".
//
// The parser turns text into a list of operations (create a key, delete a
// key tree, set or delete a value); malformed lines are counted and
// skipped. The writer produces version-5 text, string types written as
// hex(N) keep their UTF-16LE bytes as regedit 5 does.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"

namespace nc::sim {

struct RegTextOp {
  enum class Kind { CreateKey, DeleteKey, SetValue, DeleteValue };
  Kind kind = Kind::CreateKey;
  platform::RootKey root = platform::RootKey::CurrentUser;
  std::string path;          // below the root, no leading or trailing backslash
  platform::RegValue value;  // SetValue: name, type, data; DeleteValue: name
};

struct RegTextParse {
  bool version5 = false;     // "Windows Registry Editor Version 5.00"
  bool headerFound = false;  // without a header nothing is read
  std::vector<RegTextOp> ops;
  std::size_t skippedLines = 0;
};

RegTextParse ParseRegText(std::string_view text);

// A file's bytes as text: UTF-16LE with its byte-order mark is converted,
// a UTF-8 mark dropped, other bytes taken as UTF-8 when they are valid
// UTF-8 and as Latin-1 otherwise.
std::string DecodeRegFileBytes(std::span<const std::uint8_t> bytes);
// UTF-16LE bytes with a byte-order mark, as regedit 5 writes its files.
std::vector<std::uint8_t> EncodeRegFileUtf16(std::string_view text);

// One key block for the writer.
struct RegTextKey {
  std::string fullPath;  // "HKEY_CURRENT_USER\Software\..."
  std::vector<platform::RegValue> values;
};

// Version-5 text: header, then each key block followed by a blank line;
// lines end with "\r\n".
std::string WriteRegText(const std::vector<RegTextKey>& keys);
// The line (with continuations) for one value, without the line end.
std::string FormatRegValue(const platform::RegValue& value);

bool IsValidUtf8(std::string_view text);

}  // namespace nc::sim
