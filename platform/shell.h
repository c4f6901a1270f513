// Shell port: documents, addresses, recycle bins, shortcuts, the browser
// session of Internet Explorer.
#pragma once

#include <string>
#include <string_view>

#include "core/result.h"

namespace nc::platform {

class Shell {
 public:
  virtual ~Shell() = default;

  // Opens a document, folder or address with the "Open" verb, shown
  // normally.
  [[nodiscard]] virtual Status openDocument(std::string_view target) = 0;
  // Tells WinINet that the browser session ended (so that the shell
  // folders of the cache and cookies are current).
  virtual void endBrowserSession() = 0;
};

}  // namespace nc::platform
