#include "win_test_support.h"

#include <wininet.h>
#include <winioctl.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/win32/wide.h"

namespace nc::wintest {

bool UnderWine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

TempFolder::TempFolder(const std::wstring& prefix) {
  static std::atomic<unsigned> made{0};
  wchar_t temp[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
  path_ = std::wstring(temp, length);
  if (!path_.empty() && path_.back() == L'\\') path_.pop_back();
  path_ += L"\\" + prefix + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(++made);
  RemoveTree(path_);  // left by an earlier process of the same number
  CreateDirectoryW(path_.c_str(), nullptr);
}

TempFolder::~TempFolder() {
  RemoveTree(path_);
}

std::string TempFolder::utf8() const {
  return win32::Narrow(path_);
}

namespace {

void RemoveTreeAt(const std::wstring& folder, int depth) {
  if (depth > 64) return;
  WIN32_FIND_DATAW found{};
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      const DWORD attributes = found.dwFileAttributes;
      const bool isLink = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
      if (!isLink && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        SetFileAttributesW(path.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
      }
      if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        DeleteFileW(path.c_str());
      } else if (isLink) {
        RemoveDirectoryW(path.c_str());
      } else {
        RemoveTreeAt(path, depth + 1);
      }
    } while (FindNextFileW(find, &found));
    FindClose(find);
  }
  RemoveDirectoryW(folder.c_str());
}

}  // namespace

void RemoveTree(const std::wstring& folder) {
  RemoveTreeAt(folder, 0);
}

bool MakeJunction(const std::wstring& link, const std::wstring& target) {
  if (!CreateDirectoryW(link.c_str(), nullptr)) return false;
  auto fail = [&] {
    const DWORD error = GetLastError();
    RemoveDirectoryW(link.c_str());
    SetLastError(error);
    return false;
  };
  HANDLE h = CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) return fail();
  const std::wstring substitute = L"\\??\\" + target;
  // ReparseTag, ReparseDataLength, Reserved, then the mount point fields.
  const std::size_t pathBytes = (substitute.size() + 1 + target.size() + 1) * sizeof(wchar_t);
  std::vector<std::uint8_t> buffer(8 + 8 + pathBytes);
  auto put16 = [&](std::size_t at, std::size_t v) {
    const auto value = static_cast<std::uint16_t>(v);
    std::memcpy(buffer.data() + at, &value, 2);
  };
  const DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
  std::memcpy(buffer.data(), &tag, 4);
  put16(4, 8 + pathBytes);
  put16(8, 0);                                           // substitute name offset
  put16(10, substitute.size() * sizeof(wchar_t));        // substitute name length
  put16(12, (substitute.size() + 1) * sizeof(wchar_t));  // print name offset
  put16(14, target.size() * sizeof(wchar_t));            // print name length
  std::memcpy(buffer.data() + 16, substitute.c_str(), (substitute.size() + 1) * sizeof(wchar_t));
  std::memcpy(buffer.data() + 16 + (substitute.size() + 1) * sizeof(wchar_t), target.c_str(),
              (target.size() + 1) * sizeof(wchar_t));
  DWORD returned = 0;
  const BOOL ok =
      DeviceIoControl(h, FSCTL_SET_REPARSE_POINT, buffer.data(), static_cast<DWORD>(buffer.size()),
                      nullptr, 0, &returned, nullptr);
  const DWORD error = GetLastError();
  CloseHandle(h);
  SetLastError(error);
  if (ok == FALSE) return fail();
  return true;
}

std::string ReadBytes(const std::wstring& path) {
  std::string bytes;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

std::string ReadBytes(const std::string& utf8Path) {
  return ReadBytes(win32::Widen(utf8Path));
}

bool RunAndWait(const std::wstring& commandLine, DWORD timeoutMs) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION process{};
  std::wstring line = commandLine;
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return false;
  }
  WaitForSingleObject(process.hProcess, timeoutMs);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

bool UserKeyExists(const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

namespace {

// UNICODE_STRING: a length in bytes, no terminator needed.
struct CountedName {
  USHORT length;
  USHORT maximumLength;
  const wchar_t* buffer;
};

CountedName Counted(const std::wstring& name) {
  const auto bytes = static_cast<USHORT>(name.size() * sizeof(wchar_t));
  return {bytes, bytes, name.data()};
}

template <class Fn>
Fn NtProc(const char* name) {
  return reinterpret_cast<Fn>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), name)));
}

}  // namespace

bool SetValueByCountedName(HKEY key, const std::wstring& name, DWORD type, const void* data,
                           DWORD size) {
  using SetValueKey = LONG(NTAPI*)(HANDLE, CountedName*, ULONG, ULONG, const void*, ULONG);
  static const auto setValueKey = NtProc<SetValueKey>("NtSetValueKey");
  CountedName counted = Counted(name);
  return setValueKey != nullptr && setValueKey(key, &counted, 0, type, data, size) == 0;
}

bool DeleteValueByCountedName(HKEY key, const std::wstring& name) {
  using DeleteValueKey = LONG(NTAPI*)(HANDLE, CountedName*);
  static const auto deleteValueKey = NtProc<DeleteValueKey>("NtDeleteValueKey");
  CountedName counted = Counted(name);
  return deleteValueKey != nullptr && deleteValueKey(key, &counted) == 0;
}

bool SeedCacheEntry(const std::wstring& url) {
  wchar_t local[MAX_PATH] = {};
  if (!CreateUrlCacheEntryW(url.c_str(), 0, L"htm", local, 0)) return false;
  if (HANDLE file = CreateFileW(local, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
      file != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(file, "<html></html>", 13, &written, nullptr);
    CloseHandle(file);
  }
  FILETIME none{};
  return CommitUrlCacheEntryW(url.c_str(), local, none, none, NORMAL_CACHE_ENTRY, nullptr, 0,
                              nullptr, nullptr) != FALSE;
}

bool InCache(const std::wstring& url) {
  DWORD size = 0;
  if (GetUrlCacheEntryInfoW(url.c_str(), nullptr, &size)) return true;
  return GetLastError() == ERROR_INSUFFICIENT_BUFFER;
}

}  // namespace nc::wintest
