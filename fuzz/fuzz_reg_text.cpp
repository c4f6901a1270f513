// .reg files of any shape: loading never crashes, and what was loaded
// saves to text that loads back to the same registry.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "platform/sim/reg_text.h"
#include "platform/sim/sim_registry.h"

namespace {

std::string SaveAll(nc::sim::SimRegistry& reg) {
  std::string out;
  for (int r = 0; r <= static_cast<int>(nc::platform::RootKey::CurrentConfig); ++r) {
    auto text = reg.saveRegText(static_cast<nc::platform::RootKey>(r), "");
    if (text) out += *text;
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The first byte picks a header, so that most inputs get past it.
  std::vector<std::uint8_t> bytes;
  if (size > 0 && data[0] < 0x80) {
    const std::string header =
        (data[0] & 1) != 0 ? "REGEDIT4\r\n" : "Windows Registry Editor Version 5.00\r\n";
    bytes.assign(header.begin(), header.end());
    bytes.insert(bytes.end(), data + 1, data + size);
  } else {
    bytes.assign(data, data + size);
  }

  (void)nc::sim::ParseRegText(
      std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));

  nc::sim::SimRegistry first;
  first.loadRegFile(bytes);
  const std::string saved = SaveAll(first);

  nc::sim::SimRegistry second;
  for (int r = 0; r <= static_cast<int>(nc::platform::RootKey::CurrentConfig); ++r) {
    auto text = first.saveRegText(static_cast<nc::platform::RootKey>(r), "");
    if (text) second.loadRegText(*text);
  }
  if (SaveAll(second) != saved) std::abort();
  return 0;
}
