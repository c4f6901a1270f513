// Files, folders, processes and registry keys for the Windows tests, made
// and read with the system's own calls, apart from the ports under test.
#pragma once

#include <windows.h>

#include <string>

namespace nc::wintest {

// Whether the tests run under Wine rather than on Windows.
bool UnderWine();

// A new folder below the temporary folder, "<prefix>-<process>-<n>",
// removed with all it holds when the object dies.
class TempFolder {
 public:
  explicit TempFolder(const std::wstring& prefix);
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::wstring& path() const { return path_; }
  // The path in UTF-8, as the ports take it.
  std::string utf8() const;

 private:
  std::wstring path_;
};

// Removes a folder and all it holds, depth first: links are removed as
// links and never followed, read-only bits are cleared. A missing folder
// is no error.
void RemoveTree(const std::wstring& folder);

// Makes `link` a new folder junction to `target` (FSCTL_SET_REPARSE_POINT);
// false when the system cannot, with its error left in GetLastError().
bool MakeJunction(const std::wstring& link, const std::wstring& target);

// The bytes of a file; "" when it cannot be read.
std::string ReadBytes(const std::wstring& path);
std::string ReadBytes(const std::string& utf8Path);

// Runs a command line in a hidden window and waits up to `timeoutMs` for
// it to end; false when it could not start.
bool RunAndWait(const std::wstring& commandLine, DWORD timeoutMs = 120000);

// Whether HKEY_CURRENT_USER\<path> exists.
bool UserKeyExists(const std::wstring& path);

// Sets or deletes a value through the native calls, which take the name as
// a counted string: it may hold a NUL, as the wide calls' names cannot.
// Success as the calls report it.
bool SetValueByCountedName(HKEY key, const std::wstring& name, DWORD type, const void* data,
                           DWORD size);
bool DeleteValueByCountedName(HKEY key, const std::wstring& name);

// Adds a URL cache entry for `url` with a small local file, as the browser
// does, and tells whether the cache holds one.
bool SeedCacheEntry(const std::wstring& url);
bool InCache(const std::wstring& url);

}  // namespace nc::wintest
