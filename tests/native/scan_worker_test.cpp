// The scan worker and the start, cancel and end of a scan: sections in
// tree order, the notices to the window, the progress step, cancel
// removing exactly one entry, a scan that finds nothing, and a section
// that throws.
#include "registry/scan_worker.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "app/messages.h"
#include "platform/sim/sim_platform.h"
#include "registry/scan_session.h"
#include "registry/section_table.h"
#include "registry/section_tree.h"

namespace nc::registry {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using namespace std::chrono_literals;

std::vector<std::string> Numbers(int from, int to) {
  std::vector<std::string> list;
  for (int id = from; id <= to; ++id) list.push_back(std::to_string(id));
  return list;
}

// The two status lines as the window shows them, with the thread each
// change came on.
class RecordingStatus : public ScanStatusView {
 public:
  void SetSectionStatus(std::string_view text) override {
    sectionTexts.emplace_back(text);
    threads.push_back(std::this_thread::get_id());
  }
  void SetKeyLine(std::string_view text) override {
    keyLines.emplace_back(text);
    threads.push_back(std::this_thread::get_id());
  }
  std::vector<std::string> sectionTexts;
  std::vector<std::string> keyLines;
  std::vector<std::thread::id> threads;
};

// A section routine for tests: records the ids it is given, shows the
// section's status text and adds one problem per whole-hive walk; a
// hook may add more or throw.
struct FakeSections {
  std::mutex mutex;
  std::vector<int> ran;
  std::function<void(ScanContext&, int)> hook;

  SectionRunner Runner() {
    return [this](ScanContext& ctx, int id) {
      {
        std::lock_guard lock(mutex);
        ran.push_back(id);
      }
      const SectionInfo& info = SectionById(id);
      if (!info.statusText.empty()) ctx.sink.SetSectionStatus(info.statusText);
      if (IsHiveWalk(id)) {
        ctx.sink.SetKeyLine(info.caption);
        ctx.Add(std::string(info.problemText), "C:\\gone.exe",
                std::string(info.caption) + "\\Software", ProblemKind::ValuePath);
      }
      if (hook) hook(ctx, id);
    };
  }
  std::vector<int> Ran() {
    std::lock_guard lock(mutex);
    return ran;
  }
};

class ScanFixture : public ::testing::Test {
 protected:
  ScanFixture() {
    sim.messages().setHandler([this](const sim::PostedMessage& m) { posted.push_back(m.message); });
  }
  ~ScanFixture() override {
    // The window is gone: release a worker still waiting for it.
    sim.messages().stop();
  }

  ScanSession& Session() {
    if (!session) {
      session = std::make_unique<ScanSession>(
          ScanEnvironment{sim.workerContext(versionCode), options, sections.Runner()}, status,
          results);
    }
    return *session;
  }

  std::size_t Count(std::uint32_t message) const {
    return static_cast<std::size_t>(std::count(posted.begin(), posted.end(), message));
  }
  // Pumps until the scan-finished notice arrives; true when it did.
  bool PumpUntilDone() {
    return sim.messages().pumpUntil([&] { return Count(registry::WM_SCAN_DONE) > 0; }, 10s);
  }
  std::vector<std::string> Problems() const {
    std::vector<std::string> texts;
    for (const auto& row : results.Rows()) texts.push_back(row.Problem);
    return texts;
  }

  sim::SimPlatform sim;
  registry::ScanSettings options;
  int versionCode = 12;
  RecordingStatus status;
  ResultsModel results;
  FakeSections sections;
  std::vector<std::uint32_t> posted;
  std::unique_ptr<ScanSession> session;
};

TEST_F(ScanFixture, FilesAndFoldersAloneRunsTheFourHivesInOrder) {
  SectionTree tree;
  tree.ToggleNode(kRootSectionId);  // everything off
  tree.ToggleNode(kFilesAndFoldersId);
  const auto list = tree.ChosenSectionList();
  ASSERT_THAT(list, ElementsAre("1", "2", "3", "4", "5", "6"));

  ASSERT_EQ(Session().Start(list, false), ScanStartOutcome::Started);
  EXPECT_EQ(Session().ProgressStep(), 2);
  ASSERT_TRUE(PumpUntilDone());
  EXPECT_THAT(sections.Ran(), ElementsAre(1, 2, 3, 4, 5, 6));
  // Cleared first; ids 1 and 2 show nothing; the end texts last.
  EXPECT_THAT(status.sectionTexts,
              ElementsAre("", "Scanning: HKEY_CLASSES_ROOT", "Scanning: HKEY_CURRENT_USER",
                          "Scanning: HKEY_LOCAL_MACHINE", "Scanning: HKEY_USERS",
                          "Optimizing...Do not close the dialog."));
  EXPECT_THAT(status.keyLines, ElementsAre("", "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",
                                           "HKEY_LOCAL_MACHINE", "HKEY_USERS", "Please wait..."));
  // Every write reached the window on its own thread.
  for (const auto& id : status.threads) EXPECT_EQ(id, std::this_thread::get_id());
  EXPECT_EQ(Count(registry::WM_SCAN_SECTION_DONE), 6u);
  EXPECT_EQ(posted.back(), registry::WM_SCAN_DONE);

  ASSERT_EQ(results.Count(), 4u);
  EXPECT_EQ(results.Rows()[0].RegistryKey, "HKEY_CLASSES_ROOT\\Software");
  EXPECT_EQ(results.Rows()[3].RegistryKey, "HKEY_USERS\\Software");
  EXPECT_EQ(results.TickedCount(), 0u);  // new entries wait for the end

  EXPECT_TRUE(Session().OnScanDone());
  EXPECT_FALSE(Session().Running());
  EXPECT_EQ(results.TickedCount(), 4u);
  EXPECT_EQ(results.CountsText(), " 4 Errors Found,  4 Errors Selected.");
  // A second notice for the same scan is not handled.
  EXPECT_FALSE(Session().OnScanDone());
}

TEST_F(ScanFixture, RootAloneRunsEverySectionInOrder) {
  SectionTree tree;
  tree.ToggleNode(kRootSectionId);
  tree.ToggleNode(kRootSectionId);
  ASSERT_EQ(Session().Start(tree.ChosenSectionList(), false), ScanStartOutcome::Started);
  ASSERT_TRUE(PumpUntilDone());
  std::vector<int> all;
  for (int id = 1; id <= 24; ++id) all.push_back(id);
  EXPECT_THAT(sections.Ran(), ElementsAreArray(all));
  EXPECT_EQ(Count(registry::WM_SCAN_SECTION_DONE), 24u);
  // 22 shows no text of its own: 21's stays until 23's.
  std::vector<std::string> expected{""};
  for (const auto& info : AllSections()) {
    if (!info.statusText.empty()) expected.emplace_back(info.statusText);
  }
  expected.emplace_back(kScanOptimizingText);
  EXPECT_THAT(status.sectionTexts, ElementsAreArray(expected));
  EXPECT_EQ(expected.size(), 1u + 21u + 1u);
}

// A walk reads keys far faster than anyone can read them: the window is
// shown the latest key at most every interval, and never a key after a
// later status or entry.
TEST_F(ScanFixture, KeyLinesAreShownAtMostEveryIntervalAndInTheWorkersOrder) {
  constexpr std::uint64_t kInterval = KeyLineThrottle::kKeyLineIntervalMs;
  sections.hook = [&](ScanContext& ctx, int id) {
    if (id != 3) return;
    for (int key = 1; key <= 1000; ++key) {
      ctx.sink.SetKeyLine("Key" + std::to_string(key));
      // 1 ms a key: the interval lets one line through in every interval.
      sim.clock().advance(1);
      if (key == 500)
        ctx.Add("Late", "C:\\late.exe", "HKEY_CLASSES_ROOT\\Late", ProblemKind::ValuePath);
    }
    ctx.sink.SetKeyLine("Last key of the walk");
  };
  ASSERT_EQ(Session().Start({"3", "4"}, false), ScanStartOutcome::Started);
  ASSERT_TRUE(PumpUntilDone());

  const auto& lines = status.keyLines;
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines.front(), "");
  EXPECT_EQ(lines.back(), "Please wait...");
  // The section's own line came first, then about one key per interval.
  EXPECT_EQ(lines[1], "HKEY_CLASSES_ROOT");
  const std::size_t keysShown = static_cast<std::size_t>(std::count_if(
      lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("Key", 0) == 0; }));
  EXPECT_GE(keysShown, 1000 / kInterval - 2);
  EXPECT_LE(keysShown, 1000 / kInterval + 3);
  // Held-back lines are shown before the entry after them and at the end
  // of the section, so key 500 and the walk's last key both reached it.
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Key500"), lines.end());
  const auto last = std::find(lines.begin(), lines.end(), "Last key of the walk");
  ASSERT_NE(last, lines.end());
  EXPECT_EQ(*std::next(last), "HKEY_CURRENT_USER");
  // Shown keys keep the worker's order.
  int previous = 0;
  for (const auto& line : lines) {
    if (line.rfind("Key", 0) != 0) continue;
    const int key = std::stoi(line.substr(3));
    EXPECT_GT(key, previous);
    previous = key;
  }
  ASSERT_EQ(results.Count(), 3u);
  EXPECT_EQ(results.Rows()[1].Problem, "Late");
}

TEST(ScanProgress, StepFollowsTheNumberOfHiveWalksAndTheBarWraps) {
  EXPECT_EQ(ScanProgressStep({"1", "7", "24"}), 10);
  EXPECT_EQ(ScanProgressStep({"2", "4"}), 5);
  EXPECT_EQ(ScanProgressStep({"3", "6", "9"}), 4);
  EXPECT_EQ(ScanProgressStep({"3", "4", "5"}), 3);
  EXPECT_EQ(ScanProgressStep(Numbers(1, 24)), 2);
  EXPECT_EQ(ScanProgressStep({"x", "03", ""}), 5);

  int position = 0;
  int ticks = 0;
  while (position <= 996) {
    position = NextScanBarPosition(position, 3);
    ++ticks;
  }
  EXPECT_EQ(position, 999);
  EXPECT_EQ(ticks, 333);
  EXPECT_EQ(NextScanBarPosition(position, 3), 0);
  EXPECT_EQ(NextScanBarPosition(990, 10), 1000);  // not above 1000 yet
  EXPECT_EQ(NextScanBarPosition(1000, 10), 0);
}

TEST_F(ScanFixture, CancelRemovesExactlyTheLastEntry) {
  std::atomic<bool> stoppedSeen{false};
  sections.hook = [&](ScanContext& ctx, int id) {
    if (id != 7) return;
    for (int i = 0; i < 3; ++i)
      ctx.Add("Non-existent Shared Dlls", "x" + std::to_string(i), "K", ProblemKind::ValueInKey);
    // Still inside the section when the stop comes; one more entry
    // follows the stop, as a routine between two checks would add it.
    while (!ctx.StopRequested()) std::this_thread::sleep_for(1ms);
    stoppedSeen = true;
    ctx.Add("Non-existent Shared Dlls", "late", "K", ProblemKind::ValueInKey);
    ctx.sink.SetSectionStatus("late status");
  };
  ASSERT_EQ(Session().Start({"3", "7", "8"}, false), ScanStartOutcome::Started);
  ASSERT_TRUE(sim.messages().pumpUntil([&] { return results.Count() == 4; }, 10s));

  EXPECT_TRUE(Session().Cancel());
  EXPECT_FALSE(Session().Running());
  EXPECT_THAT(Problems(), ElementsAre("Non-existent File or Folder", "Non-existent Shared Dlls",
                                      "Non-existent Shared Dlls"));
  EXPECT_EQ(results.TickedCount(), 3u);

  // Cancel has waited for the worker and joined it.
  EXPECT_TRUE(Session().Worker()->Finished());
  EXPECT_TRUE(stoppedSeen);
  sim.messages().pump();
  EXPECT_EQ(results.Count(), 3u);  // the late entry was dropped
  EXPECT_THAT(sections.Ran(), ElementsAre(3, 7));
  EXPECT_EQ(Count(registry::WM_SCAN_DONE), 0u);
  EXPECT_FALSE(Session().OnScanDone());
  EXPECT_THAT(status.sectionTexts, ::testing::Not(::testing::Contains("late status")));
  EXPECT_THAT(status.sectionTexts,
              ::testing::Not(::testing::Contains("Optimizing...Do not close the dialog.")));
  EXPECT_FALSE(Session().Cancel());

  // The next scan starts from an empty list; the old worker is joined.
  sections.hook = nullptr;
  ASSERT_EQ(Session().Start({"4"}, false), ScanStartOutcome::Started);
  ASSERT_TRUE(PumpUntilDone());
  EXPECT_TRUE(Session().OnScanDone());
  EXPECT_EQ(results.Count(), 1u);
}

TEST_F(ScanFixture, CancelWithAnEmptyListRemovesNothing) {
  std::atomic<bool> release{false};
  sections.hook = [&](ScanContext& ctx, int) {
    while (!ctx.StopRequested() && !release) std::this_thread::sleep_for(1ms);
  };
  ASSERT_EQ(Session().Start({"7"}, false), ScanStartOutcome::Started);
  ASSERT_TRUE(sim.messages().pumpUntil([&] { return !sections.Ran().empty(); }, 10s));
  EXPECT_TRUE(Session().Cancel());
  EXPECT_TRUE(results.Empty());
}

TEST_F(ScanFixture, ScanThatFindsNothingEndsWithAnEmptyList) {
  results.Append(ProblemEntry{"old", "", "K", ProblemKind::Key, true});  // a previous scan's row
  ASSERT_EQ(Session().Start({"7", "8", "12"}, false), ScanStartOutcome::Started);
  EXPECT_TRUE(results.Empty());
  EXPECT_EQ(Session().ProgressStep(), 10);
  ASSERT_TRUE(PumpUntilDone());
  EXPECT_TRUE(Session().OnScanDone());
  EXPECT_TRUE(results.Empty());
  EXPECT_EQ(results.CountsText(), " 0 Errors Found,  0 Errors Selected.");
}

TEST_F(ScanFixture, ExceptionInASectionEndsTheRunButTheWindowHearsOfIt) {
  sections.hook = [](ScanContext&, int id) {
    if (id == 8) throw std::runtime_error("broken key");
  };
  ASSERT_EQ(Session().Start({"7", "8", "9", "10"}, false), ScanStartOutcome::Started);
  ASSERT_TRUE(PumpUntilDone());
  EXPECT_THAT(sections.Ran(), ElementsAre(7, 8));
  EXPECT_EQ(Count(registry::WM_SCAN_SECTION_DONE), 1u);
  EXPECT_TRUE(Session().Worker()->EndedByError());
  EXPECT_EQ(status.sectionTexts.back(), "Optimizing...Do not close the dialog.");
  EXPECT_TRUE(Session().OnScanDone());
}

TEST_F(ScanFixture, NothingChosenIsRefusedWithAMessageUnlessUnattended) {
  results.Append(ProblemEntry{"kept", "", "K", ProblemKind::Key, true});
  EXPECT_EQ(Session().Start({}, false), ScanStartOutcome::NothingSelected);
  ASSERT_EQ(sim.prompts().records().size(), 1u);
  EXPECT_EQ(sim.prompts().records()[0].text,
            "Please select the sections which you want to scan from the left list.");
  EXPECT_EQ(Session().Start({}, true), ScanStartOutcome::NothingSelected);
  EXPECT_EQ(sim.prompts().records().size(), 1u);
  EXPECT_EQ(results.Count(), 1u);
  EXPECT_FALSE(Session().Running());
  EXPECT_EQ(Session().Worker(), nullptr);
}

TEST_F(ScanFixture, ScanInputsAreFixedWhenTheScanStarts) {
  sim.addDrive('A', platform::DriveType::Removable, false);
  sim.addDrive('B', platform::DriveType::Removable, true);
  sim.addDrive('D', platform::DriveType::CdRom);
  sim.system().setWow64(true);

  std::mutex seenMutex;
  PathTest* seen = nullptr;
  std::string drives;
  bool floppyA = true, floppyB = false, wow64 = false, windows7 = false, removable = true;
  std::vector<int> chosen;
  sections.hook = [&](ScanContext& ctx, int) {
    std::lock_guard lock(seenMutex);
    seen = &ctx.pathTest;
    drives = ctx.pathTest.ScannedDrives;
    floppyA = ctx.pathTest.FloppyA;
    floppyB = ctx.pathTest.FloppyB;
    wow64 = ctx.pathTest.IsWow64;
    removable = ctx.pathTest.IncludeRemoveMedia;
    windows7 = ctx.IsWindows7;
    chosen = ctx.chosenSections;
  };

  options.IncludeRemoveMedia = false;
  std::vector<bool> preparing;
  ASSERT_EQ(Session().Start({"7", "x"}, false, [&](bool shown) { preparing.push_back(shown); }),
            ScanStartOutcome::Started);
  ASSERT_TRUE(PumpUntilDone());
  EXPECT_TRUE(Session().OnScanDone());
  {
    std::lock_guard lock(seenMutex);
    ASSERT_NE(seen, nullptr);
    EXPECT_EQ(drives, "abcdefghijklmnopqrstuvwxyz");
    EXPECT_FALSE(floppyA);
    EXPECT_TRUE(floppyB);
    EXPECT_TRUE(wow64);
    EXPECT_FALSE(removable);
    EXPECT_TRUE(windows7);
    EXPECT_THAT(chosen, ElementsAre(7, 0));  // non-numbers count as 0
  }
  EXPECT_THAT(preparing, ElementsAre(true, false));

  // Removable drives ignored: fixed drives only, no floppy test; not
  // Windows 7.
  options.IncludeRemoveMedia = true;
  versionCode = 11;
  session.reset();
  posted.clear();
  preparing.clear();
  ASSERT_EQ(Session().Start({"7"}, false, [&](bool shown) { preparing.push_back(shown); }),
            ScanStartOutcome::Started);
  ASSERT_TRUE(PumpUntilDone());
  std::lock_guard lock(seenMutex);
  EXPECT_EQ(drives, "c");
  EXPECT_FALSE(floppyB);
  EXPECT_FALSE(windows7);
  EXPECT_THAT(preparing, IsEmpty());
}

TEST_F(ScanFixture, StaleNoticeDoesNotEndTheNextScan) {
  std::atomic<bool> release{false};
  sections.hook = [&](ScanContext& ctx, int) {
    while (!ctx.StopRequested() && !release) std::this_thread::sleep_for(1ms);
  };
  ASSERT_EQ(Session().Start({"7"}, false), ScanStartOutcome::Started);
  EXPECT_EQ(Session().Start({"8"}, false), ScanStartOutcome::Busy);
  EXPECT_TRUE(Session().Cancel());
  ASSERT_EQ(Session().Start({"8"}, false), ScanStartOutcome::Started);
  // A notice that belongs to no running scan.
  EXPECT_FALSE(Session().OnScanDone());
  EXPECT_TRUE(Session().Running());
  release = true;
  ASSERT_TRUE(PumpUntilDone());
  EXPECT_TRUE(Session().OnScanDone());
}

TEST_F(ScanFixture, ClosingTheWindowMidScanReleasesTheWorker) {
  sections.hook = [&](ScanContext& ctx, int) {
    ctx.Add("p", "d", "k", ProblemKind::Key);  // waits for the window's thread
  };
  ASSERT_EQ(Session().Start(Numbers(3, 24), false), ScanStartOutcome::Started);
  ASSERT_TRUE(sim.messages().pumpUntil([&] { return results.Count() >= 2; }, 10s));
  sim.messages().stop();
  session.reset();  // requests the stop and joins
  SUCCEED();
}

TEST(ScanWorker, WorkerAloneRunsAndPostsWithoutAWindowLoop) {
  sim::SimPlatform sim;
  registry::ScanSettings options;
  struct Sink : ScanSink {
    std::vector<ProblemEntry> rows;
    void SetSectionStatus(std::string_view) override {}
    void SetKeyLine(std::string_view) override {}
    void AppendProblem(const ProblemEntry& e) override { rows.push_back(e); }
  } sink;
  std::vector<int> ran;
  ScanWorker worker(ScanEnvironment{sim.workerContext(), options,
                                    [&](ScanContext& ctx, int id) {
                                      ran.push_back(id);
                                      ctx.Add("p", std::to_string(id), "k", ProblemKind::Key);
                                    }},
                    sink, {"5", "abc", "$10"});
  // Run on the window's own thread: every step runs at once.
  worker.Execute();
  EXPECT_THAT(ran, ElementsAre(5, 0, 16));
  EXPECT_EQ(sink.rows.size(), 3u);
  EXPECT_TRUE(worker.DonePosted());
  EXPECT_TRUE(worker.Finished());
  std::vector<std::uint32_t> messages;
  for (const auto& m : sim.messages().pump()) messages.push_back(m.message);
  EXPECT_THAT(messages, ElementsAre(registry::WM_SCAN_SECTION_DONE, registry::WM_SCAN_SECTION_DONE,
                                    registry::WM_SCAN_SECTION_DONE, registry::WM_SCAN_DONE));

  // Stopped before it starts: nothing runs and nothing is posted.
  ScanWorker stopped(ScanEnvironment{sim.workerContext(), options,
                                     [&](ScanContext&, int id) { ran.push_back(id); }},
                     sink, {"7"});
  stopped.RequestStop();
  stopped.Start();
  stopped.Join();
  EXPECT_EQ(ran.size(), 3u);
  EXPECT_FALSE(stopped.DonePosted());
  EXPECT_TRUE(sim.messages().pump().empty());
}

}  // namespace
}  // namespace nc::registry
