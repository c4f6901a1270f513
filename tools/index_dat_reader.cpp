#include "tools/index_dat_reader.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace nc::tools {
namespace {

constexpr std::size_t kBlockBytes = 64 * 1024;
constexpr std::uint64_t kCachedBlocks = 1024;  // 64 MiB
constexpr std::uint64_t kBlockUnit = 128;      // a table spans B units
constexpr std::uint64_t kSlotBytes = 8;

bool Is(const std::array<std::uint8_t, 4>& sig, const char (&text)[5]) {
  return std::memcmp(sig.data(), text, 4) == 0;
}

std::uint64_t Le64(const std::uint8_t* b) {
  std::uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = v << 8 | b[i];
  return v;
}

}  // namespace

IndexDatReader::IndexDatReader(IndexFileBytes& file) : file_(file) {
  using namespace index_dat;
  std::uint64_t realSize = 0;
  if (!file_.size(realSize) || realSize < kHeaderEnd) return;
  limit_ = realSize;  // until the header is read
  std::uint32_t claimed = 0;
  std::uint32_t first = 0;
  if (!ReadU32(kFileSizeOffset, claimed) || !ReadU32(kFirstTableOffset, first)) {
    limit_ = 0;
    return;
  }
  limit_ = std::min<std::uint64_t>(claimed, realSize);
  // The first table must lie after the file header.
  if (first >= kHeaderEnd) firstTable_ = first;
  countAt_ = firstTable_;
  listAt_ = firstTable_;
}

std::optional<IndexDatReader::Table> IndexDatReader::TableAt(std::uint64_t h) {
  if (h == 0 || h + kTableHeaderBytes > limit_) return std::nullopt;
  std::array<std::uint8_t, 4> sig{};
  std::uint32_t blocks = 0;
  std::uint32_t next = 0;
  if (!Read(h, sig.data(), 4) || !Is(sig, "HASH")) return std::nullopt;
  if (!ReadU32(h + 4, blocks) || !ReadU32(h + 8, next)) return std::nullopt;
  // Each table must lie after the one before, so that every table is
  // visited once. Slots end where the table ends, where the next table
  // begins and where the file ends, so that no byte is read as a slot
  // twice.
  Table t;
  t.offset = h;
  t.next = next > h ? next : 0;
  std::uint64_t end = std::min<std::uint64_t>(h + std::uint64_t{blocks} * kBlockUnit, limit_);
  if (t.next != 0) end = std::min<std::uint64_t>(end, t.next);
  const std::uint64_t from = h + kTableHeaderBytes;
  t.slots = end > from ? (end - from) / kSlotBytes : 0;
  return t;
}

bool IndexDatReader::CountStep() {
  if (counted_) return false;
  const auto t = TableAt(countAt_);
  if (!t) {
    counted_ = true;
    return false;
  }
  slotTotal_ += t->slots;
  countAt_ = t->next;
  return true;
}

void IndexDatReader::CountAll() {
  while (CountStep()) {
  }
}

int IndexDatReader::Percent() const {
  if (!counted_) return 0;
  if (slotTotal_ == 0) return 100;
  return static_cast<int>(std::min<std::uint64_t>(100, visited_ * 100 / slotTotal_));
}

std::uint64_t IndexDatReader::BytesHeld() const {
  std::uint64_t bytes = seen_.capacity() * sizeof(std::uint64_t);
  for (const auto& block : blocks_) bytes += block.capacity();
  return bytes;
}

bool IndexDatReader::SeenBefore(std::uint64_t offset) {
  if (seen_.empty()) seen_.assign(static_cast<std::size_t>((limit_ + 63) / 64), 0);
  std::uint64_t& word = seen_[static_cast<std::size_t>(offset / 64)];
  const std::uint64_t bit = std::uint64_t{1} << (offset % 64);
  if ((word & bit) != 0) return true;
  word |= bit;
  return false;
}

bool IndexDatReader::NextSlot(std::optional<IndexRecord>& record) {
  record.reset();
  if (!counted_ && CountStep()) return true;
  // The file may change between the passes (the browser writes it while
  // it is read): the listing never visits more slots than were counted.
  if (visited_ >= slotTotal_) return false;
  if (slot_ >= table_.slots) {
    const auto t = TableAt(listAt_);
    if (!t) return false;
    table_ = *t;
    slot_ = 0;
    listAt_ = t->next;
    if (t->slots == 0) return true;  // passed over
  }
  const std::uint64_t at = table_.offset + kTableHeaderBytes + slot_ * kSlotBytes;
  ++slot_;
  ++visited_;
  std::array<std::uint8_t, kSlotBytes> slot{};
  if (!Read(at, slot.data(), slot.size())) return true;
  if (slot[0] == 1 || slot[0] == 3) return true;  // empty slot
  const std::uint64_t offset = static_cast<std::uint64_t>(slot[4]) | slot[5] << 8 | slot[6] << 16 |
                               static_cast<std::uint64_t>(slot[7]) << 24;
  if (offset >= limit_ || SeenBefore(offset)) return true;
  record = RecordAt(offset);
  return true;
}

std::optional<IndexRecord> IndexDatReader::RecordAt(std::uint64_t r) {
  std::array<std::uint8_t, 4> sig{};
  if (!Read(r, sig.data(), 4)) return std::nullopt;
  std::array<std::uint8_t, 8> time{};
  IndexRecord record;
  if (Is(sig, "URL ") || Is(sig, "LEAK")) {
    std::uint8_t textOffset = 0;
    if (!Read(r + 52, &textOffset, 1) || textOffset == 0) return std::nullopt;
    if (!Read(r + 16, time.data(), time.size())) return std::nullopt;
    record.url = TextAt(r + textOffset);
  } else if (Is(sig, "REDR")) {
    if (!Read(r + 8, time.data(), time.size())) return std::nullopt;
    record.url = TextAt(r + 16);
  } else {
    return std::nullopt;
  }
  if (record.url.empty()) return std::nullopt;
  record.filetime = Le64(time.data());
  return record;
}

std::string IndexDatReader::TextAt(std::uint64_t offset) {
  std::string text;
  while (offset < limit_ && text.size() < kMaxUrlBytes) {
    const std::size_t want = static_cast<std::size_t>(
        std::min<std::uint64_t>({limit_ - offset, kMaxUrlBytes - text.size(), 256}));
    std::array<std::uint8_t, 256> chunk{};
    if (!Read(offset, chunk.data(), want)) break;
    const auto* first = chunk.data();
    const auto* end = std::find(first, first + want, std::uint8_t{0});
    text.append(reinterpret_cast<const char*>(first), static_cast<std::size_t>(end - first));
    if (end != first + want) break;
    offset += want;
  }
  return text;
}

const std::uint8_t* IndexDatReader::Block(std::uint64_t index) {
  if (blocks_.empty()) {
    const std::uint64_t count = (limit_ + kBlockBytes - 1) / kBlockBytes;
    blocks_.resize(static_cast<std::size_t>(std::clamp<std::uint64_t>(count, 1, kCachedBlocks)));
    tags_.assign(blocks_.size(), 0);
  }
  const auto entry = static_cast<std::size_t>(index % blocks_.size());
  if (tags_[entry] != index + 1) {
    const std::uint64_t start = index * kBlockBytes;
    std::vector<std::uint8_t>& block = blocks_[entry];
    block.resize(static_cast<std::size_t>(std::min<std::uint64_t>(kBlockBytes, limit_ - start)));
    tags_[entry] = 0;
    if (!file_.readAt(start, block)) return nullptr;
    tags_[entry] = index + 1;
  }
  return blocks_[entry].data();
}

bool IndexDatReader::Read(std::uint64_t offset, std::uint8_t* out, std::size_t n) {
  if (offset > limit_ || n > limit_ - offset) return false;
  while (n > 0) {
    const std::uint64_t index = offset / kBlockBytes;
    const std::uint8_t* block = Block(index);
    if (block == nullptr) return false;
    const auto from = static_cast<std::size_t>(offset - index * kBlockBytes);
    const std::size_t take = std::min<std::size_t>(n, kBlockBytes - from);
    std::memcpy(out, block + from, take);
    out += take;
    offset += take;
    n -= take;
  }
  return true;
}

bool IndexDatReader::ReadU32(std::uint64_t offset, std::uint32_t& value) {
  std::array<std::uint8_t, 4> b{};
  if (!Read(offset, b.data(), b.size())) return false;
  value = static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
          static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
  return true;
}

std::vector<IndexRecord> IndexDatReader::ReadAll(IndexFileBytes& file) {
  IndexDatReader reader(file);
  reader.CountAll();
  std::vector<IndexRecord> records;
  std::optional<IndexRecord> record;
  while (reader.NextSlot(record)) {
    if (record) records.push_back(std::move(*record));
  }
  return records;
}

std::size_t IndexRowList::PieceBytes(std::size_t piece) {
  return piece < 3 ? kFirstPieceBytes << piece : kPieceBytes;
}

std::uint64_t IndexRowList::PieceStart(std::size_t piece) {
  if (piece < 3) return (std::uint64_t{kFirstPieceBytes} << piece) - kFirstPieceBytes;
  return 7 * std::uint64_t{kFirstPieceBytes} + (piece - 3) * std::uint64_t{kPieceBytes};
}

std::size_t IndexRowList::PieceAt(std::uint64_t position) {
  std::size_t piece = 0;
  while (piece < 3 && position >= PieceStart(piece + 1)) ++piece;
  if (piece < 3) return piece;
  return static_cast<std::size_t>(3 + (position - PieceStart(3)) / kPieceBytes);
}

bool IndexRowList::Add(std::string_view url, std::uint64_t filetime) {
  url = url.substr(0, IndexDatReader::kMaxUrlBytes);
  const std::size_t next = pieces_.size();
  const bool newPiece = pieces_.empty() || PieceBytes(next - 1) - pieceUsed_ < url.size();
  const std::uint64_t after = BytesKept() + sizeof(Row) + (newPiece ? PieceBytes(next) : 0);
  if (after > budget_) return false;
  if (newPiece) {
    pieces_.push_back(std::make_unique<char[]>(PieceBytes(next)));
    pieceBytes_ += PieceBytes(next);
    pieceUsed_ = 0;
  }
  Row row;
  row.filetime = filetime;
  row.position = static_cast<std::uint32_t>(PieceStart(pieces_.size() - 1) + pieceUsed_);
  row.length = static_cast<std::uint32_t>(url.size());
  std::copy(url.begin(), url.end(), pieces_.back().get() + pieceUsed_);
  rows_.push_back(row);
  pieceUsed_ += url.size();
  textBytes_ += url.size();
  return true;
}

void IndexRowList::Clear(std::uint64_t budget) {
  budget_ = std::min(budget, kMaxBudget);
  std::deque<Row>().swap(rows_);
  std::vector<std::unique_ptr<char[]>>().swap(pieces_);
  pieceUsed_ = 0;
  pieceBytes_ = 0;
  textBytes_ = 0;
}

std::string_view IndexRowList::Url(std::size_t row) const {
  if (row >= rows_.size()) return {};
  const Row& r = rows_[row];
  const std::size_t piece = PieceAt(r.position);
  return {pieces_[piece].get() + static_cast<std::size_t>(r.position - PieceStart(piece)),
          r.length};
}

std::uint64_t IndexRowList::Filetime(std::size_t row) const {
  return row < rows_.size() ? rows_[row].filetime : 0;
}

std::uint64_t IndexRowList::BytesKept() const {
  return pieceBytes_ + rows_.size() * sizeof(Row);
}

std::optional<CalendarTime> UtcCalendar(std::uint64_t filetime) {
  if (filetime >> 63) return std::nullopt;
  constexpr std::uint64_t kTicksPerMs = 10000;
  constexpr std::uint64_t kMsPerDay = 86400000;
  const std::uint64_t ms = filetime / kTicksPerMs;
  const auto days = static_cast<std::int64_t>(ms / kMsPerDay);
  const std::uint64_t rest = ms % kMsPerDay;
  CalendarTime t;
  t.millisecond = static_cast<int>(rest % 1000);
  t.second = static_cast<int>(rest / 1000 % 60);
  t.minute = static_cast<int>(rest / 60000 % 60);
  t.hour = static_cast<int>(rest / 3600000);
  t.dayOfWeek = static_cast<int>((days + 1) % 7);  // 1 January 1601 was a Monday
  // Civil date, counted from 1 March 1600 so that leap days end a year;
  // 1 January 1601 is day 306 of that count.
  const std::int64_t z = days + 306;
  const std::int64_t era = z / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  t.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  t.year = static_cast<int>(1600 + era * 400 + yoe + (t.month <= 2 ? 1 : 0));
  return t;
}

std::string DisplayTime(std::uint64_t filetime, TimeText& text) {
  const auto t = text.ToLocal(filetime);
  if (!t) return kNotAvailable;
  const bool inRange = t->year <= 2500 && t->month <= 12 && t->dayOfWeek <= 7 && t->day <= 31 &&
                       t->hour <= 24 && t->minute <= 60 && t->second <= 60 &&
                       t->millisecond <= 1000;
  const bool zeroDate = t->year == 1899 && t->month == 12 && t->day == 30 && t->hour == 0 &&
                        t->minute == 0 && t->second == 0 && t->millisecond == 0;
  if (!inRange || zeroDate) return kNotAvailable;
  return text.Format(*t);
}

bool IsWebAddress(std::string_view url) {
  static constexpr std::string_view kSchemes[] = {"http://", "https://", "ftp://"};
  for (std::string_view scheme : kSchemes) {
    if (url.size() <= scheme.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < scheme.size() && same; ++i) {
      const char c = url[i];
      same = (c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) == scheme[i];
    }
    if (!same) continue;
    // Control characters and quotes (which could end the quoted address on
    // the browser's command line) never reach the shell; real addresses
    // carry them percent-encoded.
    return std::none_of(url.begin(), url.end(), [](char c) {
      return static_cast<unsigned char>(c) < 0x20 || c == 0x7F || c == '"';
    });
  }
  return false;
}

}  // namespace nc::tools
