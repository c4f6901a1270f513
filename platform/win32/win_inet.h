// WinINet, loaded at run time from the system folder.
//
// WinINet is not one of the system's known libraries: imported by name, it
// would be looked for in the program's folder before the system folder,
// and before the program could restrict the search. The program imports
// none of it; it loads "wininet.dll" by its full path in the system folder
// on first use, keeps it for the rest of the run, and looks each function
// up. Where the library or a function is missing, that function is null and
// the work that needs it is not done.
#pragma once

#include <windows.h>

#include <wininet.h>

namespace nc::win32 {

struct WinInetFunctions {
  decltype(&::FindFirstUrlCacheEntryW) findFirstUrlCacheEntry = nullptr;
  decltype(&::FindNextUrlCacheEntryW) findNextUrlCacheEntry = nullptr;
  decltype(&::FindCloseUrlCache) findCloseUrlCache = nullptr;
  decltype(&::DeleteUrlCacheEntryW) deleteUrlCacheEntry = nullptr;
  decltype(&::InternetSetOptionW) internetSetOption = nullptr;

  // Every function of the URL cache walk is there.
  bool hasUrlCache() const {
    return findFirstUrlCacheEntry != nullptr && findNextUrlCacheEntry != nullptr &&
           findCloseUrlCache != nullptr && deleteUrlCacheEntry != nullptr;
  }
};

// The functions, loaded on the first call (from any thread).
const WinInetFunctions& WinInet();

}  // namespace nc::win32
