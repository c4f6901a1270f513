#include "platform/win32/wide.h"

#include <cwchar>

#include "core/text.h"

namespace nc::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the Windows build has 16-bit wchar_t");

std::wstring Widen(std::string_view text) {
  // ASCII, by far the most common text, maps unit for unit.
  std::wstring wide(text.size(), L'\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x80) {
      const std::u16string units = Utf8ToUtf16(text);
      return std::wstring(units.begin(), units.end());
    }
    wide[i] = static_cast<wchar_t>(c);
  }
  return wide;
}

std::string Narrow(std::wstring_view text) {
  const std::u16string units(text.begin(), text.end());
  return Utf16ToUtf8(units);
}

std::string NarrowZ(const wchar_t* text) {
  if (text == nullptr) return {};
  return Narrow(std::wstring_view(text, std::wcslen(text)));
}

std::wstring LongPath(std::string_view path) {
  std::wstring wide = Widen(path);
  constexpr std::size_t kMaxPlainPath = 259;  // MAX_PATH less the terminating NUL
  if (wide.size() <= kMaxPlainPath || wide.starts_with(L"\\\\?\\")) return wide;
  for (auto& c : wide) {
    if (c == L'/') c = L'\\';  // "\\?\" paths are taken literally
  }
  if (wide.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + wide.substr(2);
  return L"\\\\?\\" + wide;
}

}  // namespace nc::win32
