// The index.dat viewer's window logic over a recording view: the file name
// checks, the listing, what reaches the shell, the hidden overwrite, and
// what the user may do while a parse is running.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "../common/index_dat_builder.h"
#include "app/index_dat_viewer.h"
#include "platform/sim/sim_platform.h"

namespace nc::testing {
namespace {

using app::IndexDatViewer;

class RecordingView : public app::IndexDatViewerView {
 public:
  void SetFileName(std::string_view path) override { fileName = path; }
  std::string FileName() override { return fileName; }
  void FocusFileName() override { ++focused; }
  std::optional<std::string> ChooseFile(std::string_view) override { return chosen; }
  void SetRowCount(std::size_t n) override { rows = n; }
  void SetTotal(std::string_view text) override { total = text; }
  void ShowProgress(int percent) override { progress.push_back(percent); }
  void ShowMessage(std::string_view text, std::string_view caption) override {
    messages.push_back(std::string(caption) + ": " + std::string(text));
  }
  void SetDeleteVisible(bool visible) override { deleteVisible = visible; }
  void PumpMessages() override {
    ++pumps;
    if (clock != nullptr) clock->advance(advanceMs);
    // One scripted user action, run from inside the parse.
    if (onPump) std::exchange(onPump, nullptr)();
  }
  void CloseWindow() override { ++closed; }

  std::string fileName;
  std::optional<std::string> chosen;
  std::size_t rows = 0;
  std::string total;
  std::vector<int> progress;
  std::vector<std::string> messages;
  bool deleteVisible = true;
  int focused = 0, pumps = 0, closed = 0;
  std::function<void()> onPump;
  sim::SimClock* clock = nullptr;  // moved on by advanceMs at each pump
  std::uint64_t advanceMs = 0;
};

class UtcTime : public tools::TimeText {
 public:
  std::optional<tools::CalendarTime> ToLocal(std::uint64_t ft) override {
    return tools::UtcCalendar(ft);
  }
  std::string Format(const tools::CalendarTime& t) override {
    return std::to_string(t.year) + "-" + std::to_string(t.month) + "-" + std::to_string(t.day);
  }
};

// An index file whose one table lists `urls` in its first slots, after
// `empty` empty slots.
std::string IndexWith(const std::vector<std::string>& urls, std::size_t empty = 0) {
  IndexDatBuilder b(0x1000 + (urls.size() + 4) * 0x100, 0x100);
  b.Table(0x100, static_cast<std::uint32_t>((urls.size() + empty) * 8 / 128 + 2), 0);
  for (std::size_t i = 0; i < empty; ++i) b.Slot(0x100, i, 3, 0);
  for (std::size_t i = 0; i < urls.size(); ++i) {
    const auto at = static_cast<std::uint32_t>(0x1000 + i * 0x100);
    b.Slot(0x100, empty + i, 0, at).Url(at, urls[i], kY2kFiletime);
  }
  return b.bytes;
}

std::vector<std::string> ManyUrls(const std::string& prefix, int n) {
  std::vector<std::string> urls;
  for (int i = 0; i < n; ++i) urls.push_back(prefix + std::to_string(i));
  return urls;
}

class IndexDatViewerTest : public ::testing::Test {
 protected:
  IndexDatViewerTest() { sim.files().setSpecialFolder(0x20, "C:\\Cache"); }
  std::vector<std::string> Rows() const {
    std::vector<std::string> rows;
    for (std::size_t i = 0; i < viewer.RowCount(); ++i) rows.push_back(viewer.RowText(i, 0));
    return rows;
  }
  void Show(const std::string& path) {
    view.fileName = path;
    viewer.OnShow();
  }

  sim::SimPlatform sim;
  platform::Platform ports = sim.ports();
  RecordingView view;
  UtcTime time;
  IndexDatViewer viewer{ports, view, time, {.IsWipeFile = true, .WipeNumber = 7}};
};

TEST_F(IndexDatViewerTest, OpensOnTheCacheIndexAndListsItsRecords) {
  viewer.OnOpen();
  EXPECT_EQ(sim.shell().endBrowserSessionCalls(), 1);
  EXPECT_EQ(view.fileName, "C:\\Cache\\Content.IE5\\index.dat");
  EXPECT_EQ(view.total, "0");
  EXPECT_FALSE(view.deleteVisible);

  ASSERT_TRUE(sim.writeFile(view.fileName, IndexWith({"http://a/", "http://b/"}, 1)));
  viewer.OnShow();
  EXPECT_EQ(Rows(), (std::vector<std::string>{"http://a/", "http://b/"}));
  EXPECT_EQ(viewer.RowText(1, 1), "2000-1-1");
  EXPECT_EQ(viewer.RowText(2, 0), "");
  EXPECT_EQ(view.rows, 2u);
  EXPECT_EQ(view.total, "2");
  EXPECT_EQ(view.progress.front(), 0);
  EXPECT_EQ(view.progress.back(), 100);
  EXPECT_TRUE(std::is_sorted(view.progress.begin(), view.progress.end()));

  view.chosen = "D:\\other.dat";
  viewer.OnBrowse();
  EXPECT_EQ(view.fileName, "D:\\other.dat");
}

// Index files written by Internet Explorer list the same records as
// msiecfexport (libmsiecf) exports from them: the ".urls" file beside each
// holds its export and says how it was made.
TEST_F(IndexDatViewerTest, ListsEveryRecordOfIndexFilesWrittenByTheBrowser) {
  struct Case {
    const char* name;
    std::size_t records;  // "Number of items" of the export
  };
  for (const Case& c :
       {Case{"History.IE5-index.dat", 15}, Case{"MSHist012013031020130311-index.dat", 23}}) {
    SCOPED_TRACE(c.name);
    const std::string real = std::string(NC_SOURCE_DIR "/tests/data/real/index.dat/") + c.name;
    std::ifstream file(real, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(file), {}};
    ASSERT_FALSE(bytes.empty());
    std::vector<std::string> exported;
    std::ifstream urls(real + ".urls");
    for (std::string line; std::getline(urls, line);) {
      if (!line.starts_with('#')) exported.push_back(line);
    }
    ASSERT_EQ(exported.size(), c.records);

    ASSERT_TRUE(sim.writeFile("C:\\Real\\index.dat", bytes));
    Show("C:\\Real\\index.dat");
    std::vector<std::string> listed = Rows();
    EXPECT_EQ(view.total, std::to_string(c.records));
    for (std::size_t i = 0; i < viewer.RowCount(); ++i) {
      EXPECT_NE(viewer.RowText(i, 1), tools::kNotAvailable) << listed[i];
    }
    std::sort(listed.begin(), listed.end());
    std::sort(exported.begin(), exported.end());
    EXPECT_EQ(listed, exported);
  }
}

TEST_F(IndexDatViewerTest, ShowRefusesMissingFilesAndOtherExtensions) {
  ASSERT_TRUE(sim.writeFile("C:\\h\\history.DAT", IndexWith({"http://h/"})));
  ASSERT_TRUE(sim.writeFile("C:\\h\\index.bak", IndexWith({"http://b/"})));
  ASSERT_TRUE(sim.writeFile("C:\\h\\index.dat.txt", IndexWith({"http://t/"})));
  const std::pair<const char*, bool> cases[] = {{"C:\\h\\history.DAT", true},
                                                {"C:\\h\\index.bak", false},
                                                {"C:\\h\\index.dat.txt", false},
                                                {"C:\\h\\missing.dat", false},
                                                {"", false}};
  for (auto [path, accepted] : cases) {
    view.messages.clear();
    view.focused = 0;
    Show(path);
    EXPECT_EQ(view.messages.empty(), accepted) << path;
    EXPECT_EQ(view.focused, accepted ? 0 : 1) << path;
    if (!accepted) {
      EXPECT_EQ(view.messages.front(),
                "Index.dat file viewer: Please enter the correct index.dat file name.");
    }
  }
}

TEST_F(IndexDatViewerTest, DoubleClickOpensWebAddressesOnly) {
  const std::vector<std::string> urls = {"http://a.example/",   "C:\\Windows\\system32\\calc.exe",
                                         "https://b.example/",  "file:///C:/evil.exe",
                                         "javascript:alert(1)", "ftp://c.example/f",
                                         "Visited: u@http://d/"};
  ASSERT_TRUE(sim.writeFile("C:\\i\\index.dat", IndexWith(urls)));
  Show("C:\\i\\index.dat");
  ASSERT_EQ(viewer.RowCount(), urls.size());
  for (int row = -1; row <= static_cast<int>(urls.size()); ++row) viewer.OnRowDoubleClicked(row);
  EXPECT_EQ(
      sim.shell().openedDocuments(),
      (std::vector<std::string>{"http://a.example/", "https://b.example/", "ftp://c.example/f"}));
  viewer.OnMore();
  EXPECT_EQ(sim.shell().openedDocuments().back(), app::kIndexDatInfoPage);
}

TEST_F(IndexDatViewerTest, ActionsDuringAParseNeverMixTwoParses) {
  const std::string one = IndexWith(ManyUrls("http://one/", 300));
  ASSERT_TRUE(sim.writeFile("C:\\i\\one.dat", one));
  ASSERT_TRUE(sim.writeFile("C:\\i\\two.dat", IndexWith(ManyUrls("http://two/", 200))));
  using Action = std::function<void(IndexDatViewer&, RecordingView&)>;
  const auto show = [](const char* path) -> Action {
    return [path](IndexDatViewer& v, RecordingView& rv) {
      rv.fileName = path;
      v.OnShow();
    };
  };
  const Action close = [](IndexDatViewer& v, RecordingView&) { v.OnClose(); };
  struct Case {
    const char* name;
    std::vector<Action> during;
    std::vector<std::string> rows;
    int closed;
  };
  const Case cases[] = {
      {"ShowAgainOnTheSameFile", {show("C:\\i\\one.dat")}, ManyUrls("http://one/", 300), 0},
      {"ShowAgainOnAnotherFile", {show("C:\\i\\two.dat")}, ManyUrls("http://two/", 200), 0},
      {"ShowAgainTwice",
       {show("C:\\i\\two.dat"), show("C:\\i\\one.dat")},
       ManyUrls("http://one/", 300),
       0},
      {"ShowAgainOnAWrongName", {show("C:\\i\\none.dat")}, {}, 0},
      {"Close", {close}, {}, 1},
      {"CloseTwiceThenShow", {close, close, show("C:\\i\\two.dat")}, {}, 1},
      {"DeleteIsRefused",
       {[](IndexDatViewer& v, RecordingView&) { v.OnDelete(); }},
       ManyUrls("http://one/", 300),
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingView v;
    IndexDatViewer subject{ports, v, time, {}};
    show("C:\\i\\one.dat")(subject, v);  // a first, undisturbed parse
    ASSERT_EQ(subject.RowCount(), 300u);
    v.onPump = [&] {
      EXPECT_TRUE(subject.Parsing());
      for (const Action& action : c.during) action(subject, v);
      EXPECT_EQ(v.closed, 0);  // never while the parse is on the stack
    };
    show("C:\\i\\one.dat")(subject, v);
    EXPECT_FALSE(subject.Parsing());
    std::vector<std::string> rows;
    for (std::size_t i = 0; i < subject.RowCount(); ++i) rows.push_back(subject.RowText(i, 0));
    EXPECT_EQ(rows, c.rows);
    EXPECT_EQ(v.rows, c.rows.size());
    EXPECT_EQ(v.total, std::to_string(c.rows.size()));
    EXPECT_EQ(v.closed, c.closed);
    EXPECT_GT(v.pumps, 1);
  }
  EXPECT_EQ(sim.readFile("C:\\i\\one.dat"), one);
}

TEST_F(IndexDatViewerTest, LooksAtMessagesAtOnceAndThenByTime) {
  ASSERT_TRUE(sim.writeFile("C:\\i\\one.dat", IndexWith(ManyUrls("http://one/", 300))));
  view.clock = &sim.clock();
  const std::pair<std::uint64_t, int> cases[] = {
      {0, 1}, {IndexDatViewer::kPumpIntervalMs - 1, 1}, {IndexDatViewer::kPumpIntervalMs, 4}};
  for (auto [advance, pumps] : cases) {
    view.pumps = 0;
    view.advanceMs = advance;
    Show("C:\\i\\one.dat");  // a table to count and 318 slots: checked 4 times
    EXPECT_EQ(view.pumps, pumps) << advance;
    EXPECT_EQ(viewer.RowCount(), 300u);
  }
}

TEST_F(IndexDatViewerTest, HostileFilesListEachRecordOnceWithinTheBudget) {
  constexpr std::size_t kSize = 256 * 1024;
  const struct {
    const char* name;
    std::string bytes;
    std::size_t rows;  // 0: as many as the budget holds
  } cases[] = {{"every slot on one record", SameRecordIndexFile(kSize), 1},
               {"overlapping records of endless text", OverlappingRecordsFile(kSize), 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(sim.writeFile("C:\\i\\index.dat", c.bytes));
    Show("C:\\i\\index.dat");
    const tools::IndexRowList& rows = viewer.Rows();
    if (c.rows != 0) {
      EXPECT_EQ(rows.size(), c.rows);
    }
    EXPECT_EQ(view.rows, rows.size());
    EXPECT_EQ(view.total, std::to_string(rows.size()));
    EXPECT_EQ(view.progress.back(), 100);
    EXPECT_EQ(rows.Url(0).size(), tools::IndexDatReader::kMaxUrlBytes);  // cut
    EXPECT_LE(rows.BytesKept(), tools::IndexRowList::BudgetFor(kSize));
    EXPECT_LT(rows.BytesKept(), 2 * rows.TextBytes());
  }
  // The budget cut the second list short of its 14,334 records.
  EXPECT_GT(viewer.RowCount(), 1000u);
  EXPECT_LT(viewer.RowCount(), 1100u);
}

TEST_F(IndexDatViewerTest, TheCountingPassAnswersTheWindowToo) {
  // 15,360 tables without slots: nothing to list, all of it counting.
  ASSERT_TRUE(sim.writeFile("C:\\i\\index.dat", EmptyTableChainFile(256 * 1024)));
  view.clock = &sim.clock();
  view.advanceMs = IndexDatViewer::kPumpIntervalMs;
  Show("C:\\i\\index.dat");
  EXPECT_EQ(view.pumps, 15360 / 64);
  EXPECT_EQ(view.total, "0");
  // Closing during the counting pass ends it.
  view.pumps = 0;
  view.onPump = [&] { viewer.OnClose(); };
  Show("C:\\i\\index.dat");
  EXPECT_EQ(view.pumps, 1);
  EXPECT_EQ(view.closed, 1);
}

TEST_F(IndexDatViewerTest, DeleteOverwritesTheRecordsOfANamedIndexFile) {
  const std::string original = IndexWith({"http://a/", "http://b/"});
  ASSERT_TRUE(sim.writeFile("C:\\i\\index.dat", original));
  ASSERT_TRUE(sim.writeFile("C:\\i\\index.bak", original));
  viewer.OnRevealDelete();
  EXPECT_TRUE(view.deleteVisible);
  view.fileName = "C:\\i\\index.bak";
  viewer.OnDelete();
  EXPECT_EQ(sim.readFile("C:\\i\\index.bak"), original);
  EXPECT_EQ(view.messages.size(), 1u);
  view.fileName = "C:\\i\\index.dat";
  viewer.OnDelete();
  const std::string after = sim.readFile("C:\\i\\index.dat");
  ASSERT_EQ(after.size(), original.size());
  EXPECT_EQ(after.substr(0, 0x120), original.substr(0, 0x120));        // header and table header
  EXPECT_EQ(after.find_first_not_of('\0', 0x120), std::string::npos);  // last pass: zeros
  EXPECT_EQ(viewer.RowCount(), 0u);
  Show("C:\\i\\index.dat");
  EXPECT_EQ(viewer.RowCount(), 0u);

  // A second name of a file elsewhere keeps that file's bytes.
  ASSERT_TRUE(sim.writeFile("C:\\other\\kept.dat", original));
  std::filesystem::create_hard_link(sim.hostPath("C:\\other\\kept.dat"),
                                    sim.hostPath("C:\\i\\linked.dat"));
  view.fileName = "C:\\i\\linked.dat";
  viewer.OnDelete();
  EXPECT_EQ(sim.readFile("C:\\other\\kept.dat"), original);
}

}  // namespace
}  // namespace nc::testing
