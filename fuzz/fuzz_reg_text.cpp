// .reg files of any shape: parsing never crashes; every value read,
// written again in either layout, reads back the same; and what the
// substitute registry loaded saves to text that loads back the same.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/reg_file.h"
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

// One value as a version 5 file of its own must parse to its key and
// itself. The backup layout does not escape line breaks in names.
void CheckValueRoundTrip(const nc::RegFileOp& op, nc::RegFileLayout layout) {
  if (layout == nc::RegFileLayout::Backup &&
      op.value.name.find_first_of("\r\n") != std::string::npos) {
    return;
  }
  std::string text = nc::RegFileHeaderLine(nc::RegFileForm::Unicode);
  nc::AppendRegKeyLine(text, std::string(nc::RootKeyName(op.root)) + '\\' + op.path);
  nc::AppendRegValueLine(text, op.value.name, op.value.type, op.value.data, layout);
  const nc::RegFileParse again = nc::ParseRegFile(text);
  if (again.skippedLines != 0 || again.ops.size() != 2 || again.ops[1] != op) std::abort();
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

  const nc::RegFileParse parsed = nc::ParseRegFile(nc::DecodeRegFileBytes(bytes));
  for (const nc::RegFileOp& op : parsed.ops) {
    if (op.kind != nc::RegFileOp::Kind::SetValue) continue;
    CheckValueRoundTrip(op, nc::RegFileLayout::Backup);
    CheckValueRoundTrip(op, nc::RegFileLayout::Regedit5);
  }

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
