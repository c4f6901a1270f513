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
  // Deletes one file the way the shell does for a silent delete without
  // confirmation and without the recycle bin: read-only and system files
  // go too. A failure is returned, never shown: no box waits for a click.
  [[nodiscard]] virtual Status deleteFileSilently(std::string_view path) = 0;
  // Empties every recycle bin without confirmation, progress or sound;
  // false when the system offers no way to.
  virtual bool emptyRecycleBins() = 0;
  // The target path of a shell link file (.lnk); NotFound when the link
  // or its local target path is missing, InvalidArgument when the file is
  // not a shell link.
  [[nodiscard]] virtual Result<std::string> resolveShortcut(std::string_view lnkPath) = 0;
};

}  // namespace nc::platform
