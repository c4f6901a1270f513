#include "platform/win32/win_inet.h"

#include "platform/win32/system_library.h"

namespace nc::win32 {

namespace {

template <typename Fn>
void Find(HMODULE module, const char* name, Fn& fn) {
  fn = reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

WinInetFunctions Load() {
  WinInetFunctions functions;
  // Never freed: a cache walk may still hold one of its handles when the
  // program ends.
  const HMODULE module = LoadSystemLibrary(L"wininet.dll");
  if (module == nullptr) return functions;
  Find(module, "FindFirstUrlCacheEntryW", functions.findFirstUrlCacheEntry);
  Find(module, "FindNextUrlCacheEntryW", functions.findNextUrlCacheEntry);
  Find(module, "FindCloseUrlCache", functions.findCloseUrlCache);
  Find(module, "DeleteUrlCacheEntryW", functions.deleteUrlCacheEntry);
  Find(module, "InternetSetOptionW", functions.internetSetOption);
  return functions;
}

}  // namespace

const WinInetFunctions& WinInet() {
  static const WinInetFunctions functions = Load();
  return functions;
}

}  // namespace nc::win32
