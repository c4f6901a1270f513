// A Chromium profile's "Bookmarks" file of any shape: the reader never
// crashes, and every address it gives is one the text holds as a string.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "cleaner/chrome_bookmarks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto urls = nc::cleaner::ParseBookmarkUrls(bytes);
  // A whole value has a quote around every address it gives.
  if (urls && !urls->empty() && bytes.find('"') == std::string_view::npos) std::abort();
  return 0;
}
