// The real browser store: the URL history object of Internet Explorer
// (COM), the WinINet cache, and Protected Storage through "pstorec.dll",
// loaded at run time so that the program starts where it is missing.
#pragma once

#include "platform/browser_store.h"

namespace nc::win32 {

class WinBrowserStore : public platform::BrowserStore {
 public:
  // Initialises COM for the calling thread while the walk lives.
  std::unique_ptr<platform::UrlHistoryWalk> openUrlHistory() override;
  std::unique_ptr<platform::UrlCacheWalk> openUrlCache() override;
  std::unique_ptr<platform::ProtectedStorage> protectedStorage() override;
};

// The Protected Storage over "pstorec.dll"; exposed for tests.
std::unique_ptr<platform::ProtectedStorage> MakeWinProtectedStorage();

}  // namespace nc::win32
