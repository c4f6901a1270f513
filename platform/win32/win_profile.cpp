#include "platform/win32/win_profile.h"

#include <windows.h>

#include "core/text.h"
#include "platform/win32/wide.h"

namespace nc::win32 {

namespace {

constexpr DWORD kMaxBuffer = 1u << 24;
// Stands for "no such key"; no INI value holds these control characters.
constexpr const wchar_t* kMissing = L"\x01\x02nc-missing\x02\x01";

std::wstring FullPath(std::string_view file) {
  const std::wstring wide = LongPath(file);
  std::wstring buffer(MAX_PATH + 1, L'\0');
  while (true) {
    const DWORD got =
        GetFullPathNameW(wide.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (got == 0) return wide;
    if (got < buffer.size()) {
      buffer.resize(got);
      return buffer;
    }
    buffer.resize(got + 1);
  }
}

// The NUL-separated list the section functions fill. They return size - 2
// when the buffer was too small.
template <class Fill>
std::vector<std::string> ReadList(Fill fill) {
  std::wstring buffer(4096, L'\0');
  DWORD got = 0;
  while (true) {
    got = fill(buffer.data(), static_cast<DWORD>(buffer.size()));
    if (got + 2 < buffer.size() || buffer.size() >= kMaxBuffer) break;
    buffer.resize(buffer.size() * 4);
  }
  std::vector<std::string> items;
  std::size_t start = 0;
  while (start < got) {
    std::size_t end = buffer.find(L'\0', start);
    if (end == std::wstring::npos || end > got) end = got;
    if (end == start) break;
    items.push_back(Narrow(std::wstring_view(buffer).substr(start, end - start)));
    start = end + 1;
  }
  return items;
}

}  // namespace

std::string WinProfile::readString(std::string_view file, std::string_view section,
                                   std::string_view key, std::string_view fallback) {
  const std::wstring path = FullPath(file);
  const std::wstring wideSection = Widen(section);
  const std::wstring wideKey = Widen(key);
  std::wstring buffer(1024, L'\0');
  DWORD got = 0;
  while (true) {
    got = GetPrivateProfileStringW(wideSection.c_str(), wideKey.c_str(), kMissing, buffer.data(),
                                   static_cast<DWORD>(buffer.size()), path.c_str());
    // size - 1 means the value was cut.
    if (got + 1 < buffer.size() || buffer.size() >= kMaxBuffer) break;
    buffer.resize(buffer.size() * 4);
  }
  buffer.resize(got);
  if (buffer == kMissing) return std::string(fallback);
  return std::string(Trim(Narrow(buffer)));
}

bool WinProfile::writeString(std::string_view file, std::string_view section, std::string_view key,
                             std::string_view value) {
  return WritePrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(),
                                    Widen(value).c_str(), FullPath(file).c_str()) != FALSE;
}

bool WinProfile::eraseSection(std::string_view file, std::string_view section) {
  return WritePrivateProfileStringW(Widen(section).c_str(), nullptr, nullptr,
                                    FullPath(file).c_str()) != FALSE;
}

std::vector<std::string> WinProfile::sectionNames(std::string_view file) {
  const std::wstring path = FullPath(file);
  return ReadList([&](wchar_t* buffer, DWORD size) {
    return GetPrivateProfileSectionNamesW(buffer, size, path.c_str());
  });
}

std::vector<std::string> WinProfile::sectionLines(std::string_view file, std::string_view section) {
  const std::wstring path = FullPath(file);
  const std::wstring wideSection = Widen(section);
  std::vector<std::string> lines = ReadList([&](wchar_t* buffer, DWORD size) {
    return GetPrivateProfileSectionW(wideSection.c_str(), buffer, size, path.c_str());
  });
  std::erase_if(lines, [](const std::string& line) { return StartsWith(Trim(line), ";"); });
  return lines;
}

}  // namespace nc::win32
