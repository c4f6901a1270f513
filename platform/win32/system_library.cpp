#include "platform/win32/system_library.h"

#include <string>

#include "platform/win32/handles.h"

namespace nc::win32 {

namespace {

// The LOAD_LIBRARY_SEARCH_ flags work where AddDllDirectory exists (not
// before Windows 8 without update KB2533623).
bool HasSearchFlags() {
  static const bool has = LoadProc<FARPROC>(L"kernel32.dll", "AddDllDirectory") != nullptr;
  return has;
}

}  // namespace

HMODULE LoadSystemLibrary(const wchar_t* fileName) {
  wchar_t folder[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  std::wstring path(folder, length);
  if (path.back() != L'\\') path += L'\\';
  path += fileName;
  // A full path picks the file; the flag picks where the libraries it
  // needs come from: the system folder, not the program's folder.
  return LoadLibraryExW(
      path.c_str(), nullptr,
      HasSearchFlags() ? LOAD_LIBRARY_SEARCH_SYSTEM32 : LOAD_WITH_ALTERED_SEARCH_PATH);
}

bool RestrictLibrarySearchToSystemFolder() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  using SetDllDirectoryFn = BOOL(WINAPI*)(LPCWSTR);
  // Looked up, never imported: older systems lack both.
  const auto setDefault =
      LoadProc<SetDefaultDllDirectoriesFn>(L"kernel32.dll", "SetDefaultDllDirectories");
  if (setDefault != nullptr && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return true;
  if (const auto setDirectory = LoadProc<SetDllDirectoryFn>(L"kernel32.dll", "SetDllDirectoryW")) {
    setDirectory(L"");
  }
  return false;
}

}  // namespace nc::win32
