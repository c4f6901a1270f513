// Bytes of any shape read as a shell link: never a crash or a read past
// the end; a target that is read is written back to a link that reads the
// same.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/text.h"
#include "platform/sim/shell_link.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto target = nc::sim::ParseShellLinkTarget(std::span<const std::uint8_t>(data, size));
  if (!target) return 0;
  if (target->empty()) std::abort();
  // Only text that survives UTF-16 unchanged can come back unchanged.
  if (nc::Utf16ToUtf8(nc::Utf8ToUtf16(*target)) != *target) return 0;
  if (target->find('\0') != std::string::npos) std::abort();
  const auto again = nc::sim::ParseShellLinkTarget(nc::sim::MakeShellLinkBytes(*target));
  if (!again || *again != *target) std::abort();
  return 0;
}
