#include "platform/protected_storage.h"

namespace nc::platform {

std::string CutItemName(std::string_view name) {
  std::size_t characters = 0;
  std::size_t end = 0;
  while (end < name.size()) {
    // A character is a lead byte and the continuation bytes after it.
    std::size_t next = end + 1;
    while (next < name.size() && (static_cast<unsigned char>(name[next]) & 0xC0) == 0x80) ++next;
    if (++characters > ProtectedStorage::kMaxNameLength) break;
    end = next;
  }
  return std::string(name.substr(0, end));
}

}  // namespace nc::platform
