// Browser-store port: what the browser keeps behind its own programming
// interfaces rather than in plain files: the URL history, the entries of
// its file cache (WinINet), and Protected Storage.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/protected_storage.h"

namespace nc::platform {

// What deleting one URL from the history gave.
enum class UrlDelete : std::uint8_t {
  Deleted,
  Declined,  // the history answered that it did not delete it (S_FALSE)
  Failed,
};

// A walk over the URL history, one entry at a time. It belongs to the
// thread that opened it.
class UrlHistoryWalk {
 public:
  virtual ~UrlHistoryWalk() = default;
  // The next address; nothing at the end or when the history fails.
  virtual std::optional<std::string> next() = 0;
  virtual UrlDelete deleteUrl(std::string_view url) = 0;
};

// A walk over the content entries of the browser's cache (no search
// pattern), one entry at a time.
class UrlCacheWalk {
 public:
  virtual ~UrlCacheWalk() = default;
  // The source address of the next entry; nothing at the end or on any
  // error.
  virtual std::optional<std::string> next() = 0;
  // Deletes the entry of an address; false when it could not.
  virtual bool deleteEntry(std::string_view url) = 0;
};

class BrowserStore {
 public:
  virtual ~BrowserStore() = default;
  // Nothing when the history object cannot be created or cannot list.
  virtual std::unique_ptr<UrlHistoryWalk> openUrlHistory() = 0;
  // Nothing when the cache cannot be listed (or is empty).
  virtual std::unique_ptr<UrlCacheWalk> openUrlCache() = 0;
  // A new, not yet open Protected Storage object.
  virtual std::unique_ptr<ProtectedStorage> protectedStorage() = 0;
};

}  // namespace nc::platform
