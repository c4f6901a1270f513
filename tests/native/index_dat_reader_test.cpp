// The index file reader: records of every kind, files that lie about
// themselves, the time text and the addresses the shell may open.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "../common/index_dat_builder.h"
#include "tools/index_dat_reader.h"

namespace nc::testing {
namespace {

using tools::IndexDatReader;
using tools::IndexRecord;

class MemoryBytes : public IndexFileBytes {
 public:
  explicit MemoryBytes(std::vector<std::uint8_t> b) : bytes(std::move(b)) {}
  bool size(std::uint64_t& n) override {
    n = bytes.size();
    return true;
  }
  bool readAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
    ++reads;
    if (offset > bytes.size() || out.size() > bytes.size() - offset) return false;
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset), out.size(), out.begin());
    return true;
  }
  bool writeAt(std::uint64_t, std::span<const std::uint8_t>) override { return false; }
  std::vector<std::uint8_t> bytes;
  int reads = 0;
};

std::vector<std::string> Urls(const std::vector<IndexRecord>& records) {
  std::vector<std::string> urls;
  for (const auto& r : records) urls.push_back(r.url);
  return urls;
}

// One table of 2 blocks (30 slots) at 0x100; records from 0x200.
IndexDatBuilder OneTable(std::size_t size = 0x1000) {
  IndexDatBuilder b(size, 0x100);
  b.Table(0x100, 2, 0);
  return b;
}

TEST(IndexDatReader, ListsEveryKindOfRecordAndPassesOverTheRest) {
  IndexDatBuilder b = OneTable();
  b.Slot(0x100, 0, 0, 0x200).Url(0x200, "http://a.example/", kY2kFiletime);
  b.Slot(0x100, 1, 1, 0x300).Url(0x300, "http://empty-1/", 5);  // marker 1: empty
  b.Slot(0x100, 2, 3, 0x300);                                   // marker 3: empty
  b.Slot(0x100, 3, 0, 0x400).Url(0x400, "Visited: x@file:///c:/a.txt", 7, "LEAK");
  b.Slot(0x100, 4, 0, 0x500).Redirect(0x500, "http://moved.example/", 9);
  b.Slot(0x100, 5, 0, 0x600).Url(0x600, "", 0, "URL ", 0);  // no text: not listed
  b.Slot(0x100, 6, 0, 0x700).Text(0x700, "HASHxxxx");       // another kind
  b.Slot(0x100, 7, 0, 0x1000);                              // at the file's end
  b.Slot(0x100, 8, 0, 0xFFFFFFFF);
  MemoryBytes file(b.Bytes());
  const auto records = IndexDatReader::ReadAll(file);
  ASSERT_EQ(Urls(records),
            (std::vector<std::string>{"http://a.example/", "Visited: x@file:///c:/a.txt",
                                      "http://moved.example/"}));
  EXPECT_EQ(records[0].filetime, kY2kFiletime);
  EXPECT_EQ(records[1].filetime, 7u);
  EXPECT_EQ(records[2].filetime, 9u);  // read at offset 8 of a redirect
}

TEST(IndexDatReader, CountsSlotsOfEveryTableAndReportsProgress) {
  IndexDatBuilder b(0x2000, 0x100);
  b.Table(0x100, 2, 0x800).Table(0x800, 4, 0);  // 30 + 62 slots
  b.Slot(0x800, 61, 0, 0x1000).Url(0x1000, "http://last/", 1);
  MemoryBytes file(b.Bytes());
  IndexDatReader reader(file);
  reader.CountAll();
  EXPECT_EQ(reader.SlotTotal(), 92u);
  std::optional<IndexRecord> record;
  std::vector<int> percents;
  std::string last;
  while (reader.NextSlot(record)) {
    percents.push_back(reader.Percent());
    if (record) last = record->url;
  }
  EXPECT_EQ(reader.SlotsVisited(), 92u);
  EXPECT_EQ(last, "http://last/");
  EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
  EXPECT_EQ(percents.back(), 100);
}

// Files that claim more than they hold, or point where they should not.
struct HostileCase {
  const char* name;
  std::function<void(IndexDatBuilder&)> damage;
  std::vector<std::string> urls;
  std::uint64_t slots;
  std::size_t cutTo = 0;  // the file is cut to this size when not 0
};

class HostileIndexFile : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileIndexFile, EndsAndListsOnlyWhatTheFileHolds) {
  const HostileCase& c = GetParam();
  IndexDatBuilder b = OneTable();
  b.Slot(0x100, 0, 0, 0x200).Url(0x200, "http://a/", 1);
  c.damage(b);
  std::vector<std::uint8_t> bytes = b.Bytes();
  if (c.cutTo != 0) bytes.resize(c.cutTo);
  MemoryBytes file(bytes);
  IndexDatReader reader(file);
  reader.CountAll();
  EXPECT_EQ(reader.SlotTotal(), c.slots);
  std::vector<IndexRecord> records;
  std::optional<IndexRecord> record;
  while (reader.NextSlot(record)) {
    if (record) records.push_back(*record);
    ASSERT_LE(reader.SlotsVisited(), reader.SlotTotal());
  }
  EXPECT_EQ(Urls(records), c.urls);
  EXPECT_GE(reader.Percent(), 0);
  EXPECT_LE(reader.Percent(), 100);
}

const std::string kTail(40, 'z');

INSTANTIATE_TEST_SUITE_P(
    Cases, HostileIndexFile,
    ::testing::Values(
        HostileCase{"ChainPointingBackEnds",
                    [](IndexDatBuilder& b) { b.Table(0x100, 2, 0x800).Table(0x800, 2, 0x100); },
                    {"http://a/"},
                    60},
        HostileCase{"ChainPointingAtItselfEnds",
                    [](IndexDatBuilder& b) { b.Table(0x100, 2, 0x100); },
                    {"http://a/"},
                    30},
        HostileCase{"HeaderClaimingMoreUsesTheRealSize",
                    [](IndexDatBuilder& b) {
                      b.U32(28, 0x7FFFFFFF).Table(0x100, 0x10000, 0);
                      b.Slot(0x100, 1, 0, 0xF00).Url(0xF00, "http://cut/", 2, "URL ", 0x68);
                    },
                    {"http://a/", "http://cut/"},
                    (0x1000 - 0x110) / 8},
        HostileCase{"HeaderClaimingLessEndsRecordsThere",
                    [](IndexDatBuilder& b) {
                      b.U32(28, 0x800);
                      b.Slot(0x100, 1, 0, 0x900).Url(0x900, "http://past-claim/", 2);
                    },
                    {"http://a/"},
                    30},
        HostileCase{"UrlWithoutNulEndsAtTheEndOfTheFile",
                    [](IndexDatBuilder& b) {
                      b.Slot(0x100, 1, 0, 0xF80).Url(0xF80, "", 3, "URL ", 0x58);
                      b.bytes.replace(0xFD8, 40, kTail);
                    },
                    {"http://a/", kTail},
                    30},
        HostileCase{"TextOffsetPastTheEndIsPassedOver",
                    [](IndexDatBuilder& b) {
                      b.Slot(0x100, 1, 0, 0xFC0).Url(0xFC0, "", 3, "URL ", 0);
                      b.bytes[0xFC0 + 52] = static_cast<char>(0xF0);
                    },
                    {"http://a/"},
                    30},
        HostileCase{
            "RecordWhoseOffsetByteLiesPastTheEnd",
            [](IndexDatBuilder& b) { b.Slot(0x100, 1, 0, 0xFF0).bytes.replace(0xFF0, 4, "URL "); },
            {"http://a/"},
            30},
        HostileCase{"TablesClaimingTheSameBytesEndAtTheNextTable",
                    [](IndexDatBuilder& b) {
                      for (std::uint32_t at = 0x100; at < 0xF00; at += 0x40) {
                        b.Table(at, 0xFFFFFFFF, at + 0x40 < 0xF00 ? at + 0x40 : 0);
                      }
                    },
                    {},
                    55 * 6 + (0x1000 - 0xED0) / 8},
        HostileCase{
            "ZeroBlockCountHasNoSlots", [](IndexDatBuilder& b) { b.Table(0x100, 0, 0); }, {}, 0},
        HostileCase{"HugeBlockCountIsCutToTheFile",
                    [](IndexDatBuilder& b) { b.Table(0x100, 0xFFFFFFFF, 0); },
                    {"http://a/"},
                    (0x1000 - 0x110) / 8},
        HostileCase{"TruncatedInsideTheTable", [](IndexDatBuilder&) {}, {}, 6, 0x140},
        HostileCase{"TruncatedInsideTheHeader", [](IndexDatBuilder&) {}, {}, 0, 30},
        HostileCase{"FirstTableInsideTheHeader", [](IndexDatBuilder& b) { b.U32(32, 8); }, {}, 0},
        HostileCase{"FirstTableRightAfterTheHeader",
                    [](IndexDatBuilder& b) { b.U32(32, 36).Table(36, 2, 0); },
                    {},
                    30},
        HostileCase{"TableWithoutSlotsIsPassedOver",
                    [](IndexDatBuilder& b) {
                      b.Table(0x100, 0, 0x800).Table(0x800, 2, 0).Slot(0x800, 3, 0, 0x200);
                    },
                    {"http://a/"},
                    30},
        HostileCase{"NoHashSignature",
                    [](IndexDatBuilder& b) { b.bytes.replace(0x100, 4, "HASX"); },
                    {},
                    0}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(IndexDatReader, CutsEndlessTextAndReadsEachBlockOnce) {
  // 200 records whose texts all run without a NUL to the end of the file.
  constexpr std::size_t kSize = 0x80000;
  IndexDatBuilder b(kSize, 0x100);
  b.Table(0x100, 16, 0);
  std::fill(b.bytes.begin() + 0x10000, b.bytes.end(), 'q');
  for (std::size_t i = 0; i < 200; ++i) {
    const std::size_t at = 0x10000 + i * 0x80;
    b.Slot(0x100, i, 0, static_cast<std::uint32_t>(at));
    b.bytes.replace(at, 4, "URL ");
    b.bytes[at + 52] = 0x68;
  }
  MemoryBytes file(b.Bytes());
  const auto records = IndexDatReader::ReadAll(file);
  ASSERT_EQ(records.size(), 200u);
  for (const auto& r : records) ASSERT_EQ(r.url.size(), IndexDatReader::kMaxUrlBytes);
  EXPECT_LE(file.reads, static_cast<int>(kSize / 0x10000));
}

TEST(IndexDatReader, ListsEveryRecordOfAFileLaidOutAsTheBrowserWritesIt) {
  // Three tables of 510 slots: the first two slots of each follow its
  // 16-byte header at once.
  const std::string bytes = RealIndexFile(1200);
  MemoryBytes file({bytes.begin(), bytes.end()});
  const auto records = IndexDatReader::ReadAll(file);
  ASSERT_EQ(records.size(), 1200u);
  for (std::size_t i = 0; i < records.size(); ++i) {
    ASSERT_EQ(records[i].url, RealIndexUrl(i)) << i;
    ASSERT_EQ(records[i].filetime, 125911584000000000ull + i) << i;
  }
}

TEST(IndexDatReader, ListsARecordOnceHoweverManySlotsPointAtIt) {
  IndexDatBuilder b = OneTable();
  b.Url(0x200, "http://a/", 1).Url(0x300, "http://b/", 2).Url(0x400, "", 0, "URL ", 0);
  const std::uint32_t targets[] = {0x200, 0x200, 0x300, 0x400, 0x200, 0x400, 0x300, 0x200};
  for (std::size_t i = 0; i < std::size(targets); ++i) b.Slot(0x100, i, 0, targets[i]);
  MemoryBytes file(b.Bytes());
  EXPECT_EQ(Urls(IndexDatReader::ReadAll(file)),
            (std::vector<std::string>{"http://a/", "http://b/"}));

  // Every slot of a 256 KiB file on one record of endless text.
  const std::string same = SameRecordIndexFile(256 * 1024);
  MemoryBytes sameFile({same.begin(), same.end()});
  const auto records = IndexDatReader::ReadAll(sameFile);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].url, std::string(IndexDatReader::kMaxUrlBytes, 'q'));
}

TEST(IndexDatReader, CountsAChainOfEmptyTablesOneStepATableWithoutKeepingIt) {
  constexpr std::size_t kSize = 1 << 20;
  const std::string bytes = EmptyTableChainFile(kSize);
  MemoryBytes file({bytes.begin(), bytes.end()});
  IndexDatReader reader(file);
  std::size_t steps = 0;
  std::optional<IndexRecord> record;
  while (reader.NextSlot(record)) {
    ASSERT_FALSE(record);
    ASSERT_EQ(reader.Percent(), 0);
    ++steps;
  }
  EXPECT_EQ(steps, (kSize - 0x4000) / 16);  // the counting pass alone: no slots to list
  EXPECT_TRUE(reader.Counted());
  EXPECT_EQ(reader.SlotTotal(), 0u);
  EXPECT_EQ(reader.Percent(), 100);
  EXPECT_LE(reader.BytesHeld(), kSize);  // the file's blocks only
}

TEST(IndexRowList, KeepsTextsWholeAndStopsAtItsBudget) {
  tools::IndexRowList rows(tools::IndexRowList::BudgetFor(1 << 20));
  for (int i = 0; i < 20000; ++i) {
    ASSERT_TRUE(rows.Add("http://host" + std::to_string(i) + "/", static_cast<std::uint64_t>(i)));
  }
  for (int i = 0; i < 20000; i += 997) {
    EXPECT_EQ(rows.Url(static_cast<std::size_t>(i)), "http://host" + std::to_string(i) + "/");
    EXPECT_EQ(rows.Filetime(static_cast<std::size_t>(i)), static_cast<std::uint64_t>(i));
  }
  EXPECT_EQ(rows.Url(20000), "");
  // Long texts until the budget is spent: the list holds little more than
  // the texts themselves.
  const std::string longText(IndexDatReader::kMaxUrlBytes, 'x');
  while (rows.Add(longText, 7)) {
  }
  EXPECT_LE(rows.BytesKept(), tools::IndexRowList::BudgetFor(1 << 20));
  // (It stops short by less than one piece of 256 KiB.)
  EXPECT_GT(rows.BytesKept(), tools::IndexRowList::BudgetFor(1 << 20) - (256 << 10));
  EXPECT_LT(rows.BytesKept(), rows.TextBytes() * 2);
  EXPECT_EQ(rows.Url(rows.size() - 1), longText);
  EXPECT_EQ(rows.Filetime(rows.size() - 1), 7u);
  rows.Clear(tools::IndexRowList::kFixedBudget);
  EXPECT_EQ(rows.size(), 0u);
  EXPECT_EQ(rows.BytesKept(), 0u);
}

class FixedTime : public tools::TimeText {
 public:
  std::optional<tools::CalendarTime> ToLocal(std::uint64_t ft) override {
    if (override) return *override;
    return tools::UtcCalendar(ft);
  }
  std::string Format(const tools::CalendarTime& t) override {
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d w%d", t.year, t.month,
                  t.day, t.hour, t.minute, t.second, t.millisecond, t.dayOfWeek);
    return text;
  }
  std::optional<tools::CalendarTime> override;
};

TEST(IndexDatTime, CalendarFieldsAndTheValidityRule) {
  FixedTime text;
  struct Case {
    std::uint64_t filetime;
    const char* shown;
  };
  const Case cases[] = {
      {kY2kFiletime, "2000-01-01 12:34:56.789 w6"},
      {0, "1601-01-01 00:00:00.000 w1"},
      {116444736000000000ull, "1970-01-01 00:00:00.000 w4"},
      {116444736000000000ull + 951782400ull * 10000000, "2000-02-29 00:00:00.000 w2"},
      {0xFFFFFFFFFFFFFFFFull, "Not Available"},
      {94353120000000000ull, "Not Available"},   // 30 December 1899, the zero date
      {0x7FFFFFFFFFFFFFFFull, "Not Available"},  // year 30828
  };
  for (const Case& c : cases)
    EXPECT_EQ(tools::DisplayTime(c.filetime, text), c.shown) << c.filetime;
  // Fields a system should never give are refused one by one.
  const tools::CalendarTime good{2001, 2, 3, 4, 5, 6, 7, 8};
  const std::vector<std::function<void(tools::CalendarTime&)>> breaks = {
      [](auto& t) { t.year = 2501; },   [](auto& t) { t.month = 13; },
      [](auto& t) { t.dayOfWeek = 8; }, [](auto& t) { t.day = 32; },
      [](auto& t) { t.hour = 25; },     [](auto& t) { t.minute = 61; },
      [](auto& t) { t.second = 61; },   [](auto& t) { t.millisecond = 1001; }};
  text.override = good;
  EXPECT_NE(tools::DisplayTime(1, text), "Not Available");
  for (const auto& brk : breaks) {
    text.override = good;
    brk(*text.override);
    EXPECT_EQ(tools::DisplayTime(1, text), "Not Available");
  }
}

TEST(IndexDatAddresses, OnlyWebAddressesMayBeOpened) {
  const std::pair<const char*, bool> cases[] = {
      {"http://example.com/", true},
      {"HTTPS://Example.com/a?b=c", true},
      {"ftp://files.example/x", true},
      {"http://", false},
      {"file:///C:/Windows/System32/calc.exe", false},
      {"C:\\Windows\\System32\\cmd.exe", false},
      {"javascript:alert(1)", false},
      {"Visited: user@http://example.com/", false},
      {" http://example.com/", false},
      {"http://example.com/\r\ncalc.exe", false},
      {"http://x/\" --new-window \"file:///C:/", false},
      {"mailto:a@b", false},
      {"", false},
  };
  for (auto [url, web] : cases) EXPECT_EQ(tools::IsWebAddress(url), web) << url;
}

}  // namespace
}  // namespace nc::testing
