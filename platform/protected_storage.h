// Protected Storage: the per-user store in which older versions of
// Windows keep the browser's form auto-completion data and saved
// passwords. Items are grouped by type and subtype (each a 16-byte
// identifier) and named by text.
//
// Every failure gives an empty list, an empty name or false; nothing is
// ever shown to the user. Where the service is missing, `Available` is
// false and `Open` fails.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace nc::platform {

// A type, subtype or provider identifier (a GUID, in its memory layout).
using StorageId = std::array<std::uint8_t, 16>;

class ProtectedStorage {
 public:
  // Lists are fetched from the service this many entries at a time.
  static constexpr std::size_t kBatch = 16;
  // Item names are cut to this many characters.
  static constexpr std::size_t kMaxNameLength = 255;

  virtual ~ProtectedStorage() = default;

  // True when the service can be reached at all on this system.
  virtual bool Available() = 0;
  // Opens the current user's storage of a provider (none: the default
  // provider); an open storage is closed first. True when a provider was
  // obtained.
  virtual bool Open(const StorageId* provider = nullptr) = 0;
  // Releases the provider; also done on destruction.
  virtual void Close() = 0;

  virtual std::vector<StorageId> EnumTypes() = 0;
  virtual std::vector<StorageId> EnumSubtypes(const StorageId& type) = 0;
  // Item names, each cut to kMaxNameLength characters.
  virtual std::vector<std::string> EnumItems(const StorageId& type, const StorageId& subtype) = 0;
  // The display name of a type; "" on failure.
  virtual std::string GetTypeName(const StorageId& type) = 0;
  virtual bool DeleteItem(const StorageId& type, const StorageId& subtype,
                          std::string_view name) = 0;
};

// Drains an enumerator: `fetch` fills at most kBatch entries of the span
// it is given and returns how many it filled; asking ends when it fills
// none (or claims more than it was given room for).
template <class T, class Fetch>
std::vector<T> FetchInBatches(Fetch&& fetch) {
  std::vector<T> all;
  std::array<T, ProtectedStorage::kBatch> batch{};
  for (;;) {
    const std::size_t got = fetch(std::span<T>(batch));
    if (got == 0 || got > batch.size()) break;
    all.insert(all.end(), batch.begin(), batch.begin() + static_cast<std::ptrdiff_t>(got));
  }
  return all;
}

// An item name cut to kMaxNameLength characters (UTF-8 sequences are not
// split).
std::string CutItemName(std::string_view name);

}  // namespace nc::platform
