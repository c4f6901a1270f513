// Registry files (.reg): "REGEDIT4" in the ANSI code page and "Windows
// Registry Editor Version 5.00" in UTF-16LE with a byte-order mark.
//
// Reading: the bytes of a file become text (DecodeRegFileBytes), the text
// a list of operations (ParseRegFile): create a key, delete a key tree,
// set or delete a value. Malformed lines are counted and skipped.
//
// Writing: the header, key lines and value lines, with escaping and the
// "hex(N):" byte lists broken over lines. Rendering gives UTF-8 text; the
// caller encodes it (ANSI code page or EncodeRegFileUtf16), since only the
// system knows its code page.
//
// Value types are the system's numbers; value data are the bytes the
// system stores (strings as UTF-16LE with their NULs).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace nc {

inline constexpr std::string_view kRegedit4Header = "REGEDIT4";
inline constexpr std::string_view kRegedit5Header = "Windows Registry Editor Version 5.00";

// The value types the format treats apart from plain byte lists.
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiSz = 7;

// The seven predefined root keys, by their full names.
enum class PredefinedRoot : std::uint8_t {
  ClassesRoot,
  CurrentUser,
  LocalMachine,
  Users,
  PerformanceData,
  CurrentConfig,
  DynData,
};

// "HKEY_CLASSES_ROOT" ... "HKEY_DYN_DATA".
const char* RootKeyName(PredefinedRoot root);
// The full name without regard to letter case; abbreviations such as
// "HKLM" are not root names in these files.
std::optional<PredefinedRoot> PredefinedRootFromName(std::string_view name);

// ---- reading -------------------------------------------------------------------

struct RegFileValue {
  std::string name;  // "" is the default value
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;

  bool operator==(const RegFileValue&) const = default;
};

struct RegFileOp {
  enum class Kind { CreateKey, DeleteKey, SetValue, DeleteValue };
  Kind kind = Kind::CreateKey;
  PredefinedRoot root = PredefinedRoot::CurrentUser;
  std::string path;    // below the root, no leading or trailing backslash
  RegFileValue value;  // SetValue: name, type, data; DeleteValue: name

  bool operator==(const RegFileOp&) const = default;
};

struct RegFileParse {
  bool version5 = false;     // "Windows Registry Editor Version 5.00"
  bool headerFound = false;  // without a header nothing is read
  std::vector<RegFileOp> ops;
  std::size_t skippedLines = 0;
};

// Turns the ANSI bytes of one string (no NUL inside) into UTF-8.
using AnsiToUtf8 = std::function<std::string(std::string_view ansi)>;

// Text that is not valid UTF-8 is read as Latin-1. REGEDIT4 keeps the
// string types (hex(1), hex(2), hex(7)) as ANSI bytes: each string
// between the NULs goes through `ansi` (when empty: kept when it is valid
// UTF-8, else read as Latin-1) and is stored as UTF-16LE.
RegFileParse ParseRegFile(std::string_view text, const AnsiToUtf8& ansi = {});

// A file's bytes as text: UTF-16LE with its byte-order mark is converted,
// a UTF-8 mark dropped, other bytes taken as UTF-8 when they are valid
// UTF-8 and as Latin-1 otherwise.
std::string DecodeRegFileBytes(std::span<const std::uint8_t> bytes);
// The byte-order mark and the UTF-16LE bytes of `text`, as a version 5
// file is stored.
std::vector<std::uint8_t> EncodeRegFileUtf16(std::string_view text);

// ---- writing -------------------------------------------------------------------

enum class RegFileForm { Ansi, Unicode };

enum class RegFileLayout {
  // The backup files: a hex list holds 26 bytes on its first line and 25
  // on each further one, a broken line ends with ",\" and the next starts
  // at column 0; names escape backslashes and quotes only.
  Backup,
  // As the version 5 editor exports: lines up to 80 columns, continuation
  // lines indented by two blanks; line breaks in names written as \n, \r.
  Regedit5,
};

// The header line of a file, with its line end.
std::string RegFileHeaderLine(RegFileForm form);

// Every backslash doubled.
std::string EscapeBackslashes(std::string_view text);
// A backslash before every double quote.
std::string EscapeQuotes(std::string_view text);

// The text of REG_SZ data that a quoted string gives back byte for byte:
// one NUL at the end and nowhere else, no line break, valid UTF-16;
// nullopt otherwise.
std::optional<std::string> QuotableStringText(std::span<const std::uint8_t> data);

// An empty line, then "[<fullPath>]": the start of each key block.
void AppendRegKeyLine(std::string& out, std::string_view fullPath);

// One value line with its line end: "@" or the quoted name, "=", then
// REG_SZ in quotes when QuotableStringText allows, a four-byte REG_DWORD
// as "dword:" and eight upper-case digits, REG_BINARY as "hex:" and
// everything else as "hex(N):" with `data` as given (a REGEDIT4 writer
// passes the ANSI bytes of expand- and multi-strings).
void AppendRegValueLine(std::string& out, std::string_view name, std::uint32_t type,
                        std::span<const std::uint8_t> data, RegFileLayout layout);

}  // namespace nc
