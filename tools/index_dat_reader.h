// The reader of browser cache index files ("index.dat"): the URLs its hash
// tables point to, each with its time stamp.
//
// A file is read in two passes. The counting pass adds up the slots of every
// hash table (it drives the progress shown to the user); the listing pass
// then visits the slots one by one, so that a caller can keep its window
// alive between slots and stop at any time.
//
// Nothing in the file is trusted: tables are followed only forwards (a
// chain pointing back ends), every offset, length and text is checked
// against the smaller of the size the header claims and the real size of
// the file, and a text without its closing NUL ends at the end of the file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
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

  // Reads the header and makes the counting pass. A file that cannot be
  // read, or whose header does not fit, has no slots.
  explicit IndexDatReader(IndexFileBytes& file);
  IndexDatReader(const IndexDatReader&) = delete;
  IndexDatReader& operator=(const IndexDatReader&) = delete;

  // The number of slots the counting pass found.
  std::uint64_t SlotTotal() const { return slotTotal_; }
  // The slots visited so far by the listing pass.
  std::uint64_t SlotsVisited() const { return visited_; }
  // Progress of the listing pass, 0 to 100; never divides by zero.
  int Percent() const;

  // Visits the next slot. Returns false when the listing pass is over;
  // otherwise `record` holds the slot's record, or nothing for an empty
  // slot, a record out of range, one of another kind or one without text.
  bool NextSlot(std::optional<IndexRecord>& record);

  // Both passes at once: every record of the file.
  static std::vector<IndexRecord> ReadAll(IndexFileBytes& file);

 private:
  struct Table {
    std::uint64_t offset = 0;
    std::uint64_t slots = 0;
  };
  bool Read(std::uint64_t offset, std::uint8_t* out, std::size_t n);
  const std::uint8_t* Block(std::uint64_t index);
  bool ReadU32(std::uint64_t offset, std::uint32_t& value);
  std::optional<IndexRecord> RecordAt(std::uint64_t offset);
  std::string TextAt(std::uint64_t offset);

  IndexFileBytes& file_;
  std::uint64_t limit_ = 0;  // no byte at or past this is read
  std::vector<Table> tables_;
  std::uint64_t slotTotal_ = 0;
  std::size_t table_ = 0;   // table of the next slot
  std::uint64_t slot_ = 0;  // next slot within that table
  std::uint64_t visited_ = 0;

  // Small reads go through a cache of the file's blocks, read when first
  // needed: a whole file of up to 64 MiB, mapped by block number beyond.
  std::vector<std::vector<std::uint8_t>> blocks_;
  std::vector<std::uint64_t> tags_;  // block number + 1 held in each entry; 0: none
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
