// INI text of any shape: parsing, rewriting and lookups never crash, and a
// rewritten document reads back to the same text.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/ini.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const nc::DecodedText decoded = nc::DecodeTextFile(bytes);
  nc::IniDocument doc = nc::IniDocument::Parse(decoded.text);

  const std::string text = doc.toText();
  if (nc::IniDocument::Parse(text).toText() != text) std::abort();

  // Names taken from the input itself, so that lookups hit.
  for (const std::string& section : doc.sectionNames()) {
    for (const auto& [key, value] : doc.entries(section)) {
      const auto found = doc.get(section, key);
      if (!found || *found != value) std::abort();
    }
    (void)doc.sectionLines(section);
  }
  const std::string head = decoded.text.substr(0, decoded.text.size() / 2);
  doc.set(head, "key", decoded.text);
  const auto back = doc.get(head, "key");
  (void)back;
  doc.eraseSection(head);
  (void)nc::EncodeTextFile(doc.toText(), decoded.encoding);
  return 0;
}
