// Text helpers. Text inside the program is UTF-8; UTF-16 appears only at
// the boundary with the system and in registry value bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace nc {

// Conversions between UTF-8 and UTF-16. Malformed input is replaced by
// U+FFFD, never rejected.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);
// UTF-16 units that need not be whole text (a lone surrogate half) as
// 8-bit text and back without loss: as UTF-8, with each lone half in the
// three-byte form UTF-8 forbids for surrogates. Valid UTF-8 decodes as
// Utf8ToUtf16 decodes it; other malformed bytes become U+FFFD.
std::string Utf16ToWtf8(std::u16string_view units);
std::u16string Wtf8ToUtf16(std::string_view text);
// The code points of UTF-8 text, malformed bytes as U+FFFD.
std::u32string Utf8ToUtf32(std::string_view text);
// Well-formed UTF-8: no stray or missing continuation bytes, no overlong
// forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view text);
// Each byte as the code point of the same number (ISO 8859-1).
std::string Latin1ToUtf8(std::string_view text);

// UTF-16LE bytes (registry string data, UTF-16 files) as code units; an
// odd last byte is ignored. The string_view overload takes raw bytes too.
std::u16string Utf16LeUnits(std::span<const std::uint8_t> bytes);
std::u16string Utf16LeUnits(std::string_view bytes);
// The same bytes as UTF-8 text.
std::string Utf16LeToUtf8(std::span<const std::uint8_t> bytes);
std::string Utf16LeToUtf8(std::string_view bytes);
// The UTF-16LE bytes of code units, and of UTF-8 text (no terminator).
std::vector<std::uint8_t> Utf16LeBytes(std::u16string_view units);
std::vector<std::uint8_t> Utf8ToUtf16Le(std::string_view text);

// Letter case, ASCII letters only (the rules of the product compare names
// of files, keys and sections the way the system's ANSI functions do for
// plain Latin text).
std::string UpperAscii(std::string_view text);
std::string LowerAscii(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWith(std::string_view text, std::string_view prefix);
bool EndsWith(std::string_view text, std::string_view suffix);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);

// Blanks and tabs removed at both ends.
std::string_view Trim(std::string_view text);

// A whole decimal number with an optional sign, nothing else around it
// but blanks; also "$" or "0x" followed by hexadecimal digits. Values that
// do not fit 32 bits are refused.
std::optional<std::int32_t> ParseInt32(std::string_view text);

std::vector<std::string> Split(std::string_view text, char separator);
// The lines of a text whose lines end in LF or CR LF; a final line break
// ends the last line rather than starting an empty one.
std::vector<std::string_view> SplitLines(std::string_view text);

// Adds a backslash unless the path already ends with one (or is empty).
std::string WithTrailingBackslash(std::string_view path);
std::string WithoutTrailingBackslash(std::string_view path);

// "07" for 7, "12" for 12.
std::string TwoDigits(int value);

// `value` with "," between groups of three digits: 4067 -> "4,067".
std::string GroupedDigits(std::uint64_t value);

// Kilobytes of `bytes`, rounded up, with "," between groups of three
// digits and no unit: 0 -> "0", 1 -> "1", 1048576 -> "1,024".
std::string KilobyteText(std::uint64_t bytes);

}  // namespace nc
