// The index file reader over any bytes, its rows kept as the viewer keeps
// them: it ends, visits no more slots than it counted, keeps its progress
// within 0 to 100, every text it lists stands in the file as it was read,
// and the memory of the reader and the rows together stays under 64 MiB
// plus twice the file.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "tools/index_dat_reader.h"

namespace {

class MemoryFile : public nc::IndexFileBytes {
 public:
  explicit MemoryFile(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  bool size(std::uint64_t& n) override {
    n = bytes_.size();
    return true;
  }
  bool readAt(std::uint64_t offset, std::span<std::uint8_t> buffer) override {
    if (offset > bytes_.size() || buffer.size() > bytes_.size() - offset) std::abort();
    std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(offset), buffer.size(),
                buffer.begin());
    return true;
  }
  bool writeAt(std::uint64_t, std::span<const std::uint8_t>) override { std::abort(); }

 private:
  std::span<const std::uint8_t> bytes_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  MemoryFile file(std::span(data, size));
  nc::tools::IndexDatReader reader(file);
  nc::tools::IndexRowList rows(nc::tools::IndexRowList::BudgetFor(reader.Limit()));
  const std::uint64_t bound = (64ull << 20) + 2ull * size;
  const std::string_view whole(reinterpret_cast<const char*>(data), size);
  std::optional<nc::tools::IndexRecord> record;
  bool full = false;
  while (reader.NextSlot(record)) {
    if (reader.SlotTotal() > size / 8) std::abort();
    if (reader.SlotsVisited() > reader.SlotTotal()) std::abort();
    if (reader.Percent() < 0 || reader.Percent() > 100) std::abort();
    if (!record) continue;
    if (!reader.Counted()) std::abort();
    if (record->url.empty() || record->url.size() > nc::tools::IndexDatReader::kMaxUrlBytes) {
      std::abort();
    }
    if (record->url.find('\0') != std::string::npos) std::abort();
    // (Short texts only: the search is slow.)
    if (record->url.size() <= 64 && whole.find(record->url) == std::string_view::npos) {
      std::abort();
    }
    const std::size_t before = rows.size();
    if (!rows.Add(record->url, record->filetime)) {
      full = true;
      break;
    }
    if (rows.Url(before) != record->url || rows.Filetime(before) != record->filetime) std::abort();
    if (rows.BytesKept() > nc::tools::IndexRowList::BudgetFor(reader.Limit())) std::abort();
    if (reader.BytesHeld() + rows.BytesKept() + record->url.capacity() > bound) std::abort();
  }
  if (!reader.Counted()) std::abort();
  if (!full && reader.SlotsVisited() != reader.SlotTotal()) std::abort();
  return 0;
}
