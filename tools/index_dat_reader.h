// The reader of browser cache index files ("index.dat"): the URLs its hash
// tables point to, each with its time stamp.
//
// A file is read in two passes, both step by step so that a caller can keep
// its window alive between steps and stop at any time. The counting pass
// follows the chain of hash tables and adds up their slots (it drives the
// progress shown to the user); the listing pass follows the chain again and
// visits the slots one by one. Neither keeps a list of the tables, so a
// chain of thousands of tiny tables costs no memory.
//
// A hash table starts with a 16-byte header ("HASH", its length in
// 128-byte units, the offset of the next table and its number in the
// chain); its slots follow at once.
//
// Nothing in the file is trusted: tables are followed only forwards (a
// chain pointing back ends), every offset, length and text is checked
// against the smaller of the size the header claims and the real size of
// the file, a text without its closing NUL ends at the end of the file, and
// a record that many slots point to is listed once.
#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/index_dat_overwrite.h"

namespace nc::tools {

// One listed record: its URL text and its raw FILETIME.
struct IndexRecord {
  std::string url;
  std::uint64_t filetime = 0;
};

class IndexDatReader {
 public:
  // Texts longer than this are cut: no browser keeps longer addresses, and
  // a file whose records all run to its end must not exhaust memory.
  static constexpr std::size_t kMaxUrlBytes = 32 * 1024;
  // The header of a hash table; its slots start right after it.
  static constexpr std::uint64_t kTableHeaderBytes = 16;

  // Reads the file header. A file that cannot be read, or whose header
  // does not fit, has no slots.
  explicit IndexDatReader(IndexFileBytes& file);
  IndexDatReader(const IndexDatReader&) = delete;
  IndexDatReader& operator=(const IndexDatReader&) = delete;

  // One step of the counting pass: adds up the slots of the next table.
  // False, doing nothing, once the chain is over.
  bool CountStep();
  void CountAll();
  bool Counted() const { return counted_; }

  // The number of slots the counting pass found so far.
  std::uint64_t SlotTotal() const { return slotTotal_; }
  // The slots visited so far by the listing pass.
  std::uint64_t SlotsVisited() const { return visited_; }
  // Progress of the listing pass, 0 to 100 (0 while counting); never
  // divides by zero.
  int Percent() const;
  // The bytes of the file that may be read: the smaller of the size the
  // header claims and the real size.
  std::uint64_t Limit() const { return limit_; }
  // The memory the reader holds now: its cache of the file's blocks and
  // its note of the records listed.
  std::uint64_t BytesHeld() const;

  // One step: of the counting pass while it runs, then of the listing
  // pass, which visits the next slot or passes over a table without
  // slots. Returns false when the listing pass is over; otherwise `record`
  // holds the slot's record, or nothing for an empty slot, a record out of
  // range or already listed, one of another kind or one without text.
  bool NextSlot(std::optional<IndexRecord>& record);

  // Both passes at once: every record of the file.
  static std::vector<IndexRecord> ReadAll(IndexFileBytes& file);

 private:
  struct Table {
    std::uint64_t offset = 0;
    std::uint64_t slots = 0;
    std::uint64_t next = 0;  // 0: the last table
  };
  // The table at `offset`: nothing without its header or signature. A
  // next offset that does not lie further on ends the chain there.
  std::optional<Table> TableAt(std::uint64_t offset);
  // Whether the record at `offset` was met before; notes it if not.
  bool SeenBefore(std::uint64_t offset);
  bool Read(std::uint64_t offset, std::uint8_t* out, std::size_t n);
  const std::uint8_t* Block(std::uint64_t index);
  bool ReadU32(std::uint64_t offset, std::uint32_t& value);
  std::optional<IndexRecord> RecordAt(std::uint64_t offset);
  std::string TextAt(std::uint64_t offset);

  IndexFileBytes& file_;
  std::uint64_t limit_ = 0;  // no byte at or past this is read
  std::uint64_t firstTable_ = 0;
  std::uint64_t countAt_ = 0;  // next table of the counting pass; 0: none
  bool counted_ = false;
  std::uint64_t slotTotal_ = 0;
  std::uint64_t listAt_ = 0;  // next table of the listing pass; 0: none
  Table table_;               // the table being listed
  std::uint64_t slot_ = 0;    // next slot within that table
  std::uint64_t visited_ = 0;
  // One bit for every byte offset of the file: set once a slot pointing
  // there was visited.
  std::vector<std::uint64_t> seen_;

  // Small reads go through a cache of the file's blocks, read when first
  // needed: a whole file of up to 64 MiB, mapped by block number beyond.
  std::vector<std::vector<std::uint8_t>> blocks_;
  std::vector<std::uint64_t> tags_;  // block number + 1 held in each entry; 0: none
};

// The rows of one listing, kept compactly and within a budget: the texts
// side by side in large pieces and, for each row, where its text lies and
// its time stamp. A file that lists the same long text over and over (its
// records overlapping) can therefore not make the list outgrow the budget.
class IndexRowList {
 public:
  // The budget for the rows of a file of `fileBytes`: a fixed amount and
  // half the file. The texts of a real file lie side by side in it and
  // take less than half of it.
  static constexpr std::uint64_t kFixedBudget = 32ull << 20;
  static std::uint64_t BudgetFor(std::uint64_t fileBytes) { return kFixedBudget + fileBytes / 2; }

  explicit IndexRowList(std::uint64_t budget = kFixedBudget)
      : budget_(std::min(budget, kMaxBudget)) {}

  // Adds a row; false, adding nothing, when it would pass the budget.
  bool Add(std::string_view url, std::uint64_t filetime);
  // Empties the list and gives its memory back; the new budget applies.
  void Clear(std::uint64_t budget);

  std::size_t size() const { return rows_.size(); }
  // Empty for a row out of range.
  std::string_view Url(std::size_t row) const;
  std::uint64_t Filetime(std::size_t row) const;
  // The bytes of text of all rows.
  std::uint64_t TextBytes() const { return textBytes_; }
  // The memory the list holds: its pieces of text and its rows.
  std::uint64_t BytesKept() const;

 private:
  // The pieces of text grow from 32 KiB (the longest text) to 256 KiB, so
  // that a short list holds little more than its texts. Positions count
  // the bytes of all pieces before, in order.
  static constexpr std::size_t kFirstPieceBytes = 32 * 1024;
  static constexpr std::size_t kPieceBytes = 256 * 1024;
  static std::size_t PieceBytes(std::size_t piece);
  static std::uint64_t PieceStart(std::size_t piece);
  static std::size_t PieceAt(std::uint64_t position);
  // Every text's position must fit 32 bits.
  static constexpr std::uint64_t kMaxBudget = 0xFFFFFFFFull - kPieceBytes;
  struct Row {
    std::uint64_t filetime = 0;
    std::uint32_t position = 0;
    std::uint32_t length = 0;  // at most IndexDatReader::kMaxUrlBytes
  };
  std::uint64_t budget_;
  std::vector<std::unique_ptr<char[]>> pieces_;
  std::size_t pieceUsed_ = 0;     // bytes used of the last piece
  std::uint64_t pieceBytes_ = 0;  // bytes of all pieces
  std::deque<Row> rows_;
  std::uint64_t textBytes_ = 0;
};

// Calendar fields of a time, as the system gives them.
struct CalendarTime {
  int year = 0, month = 0, dayOfWeek = 0, day = 0;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

// Turns a FILETIME into calendar fields and texts: the system's local time
// and date format on Windows, universal time in the substitute.
class TimeText {
 public:
  virtual ~TimeText() = default;
  // The local calendar fields of a FILETIME; nothing when it converts not.
  virtual std::optional<CalendarTime> ToLocal(std::uint64_t filetime) = 0;
  // The short date and long time of valid fields.
  virtual std::string Format(const CalendarTime& time) = 0;
};

inline constexpr const char* kNotAvailable = "Not Available";

// The display text of a FILETIME: the formatted local time when every field
// lies in range and the time is not the zero date (30 December 1899,
// midnight); "Not Available" otherwise.
std::string DisplayTime(std::uint64_t filetime, TimeText& text);

// Universal calendar fields of a FILETIME (100 ns since 1 January 1601);
// nothing for values the system refuses (the top bit set).
std::optional<CalendarTime> UtcCalendar(std::uint64_t filetime);

// Whether an address may be handed to the shell: http://, https:// and
// ftp:// only (any letter case), without control characters or quotes.
// Anything else read from a file, such as a program path or a "file:" or
// "javascript:" address, never is.
bool IsWebAddress(std::string_view url);

}  // namespace nc::tools
