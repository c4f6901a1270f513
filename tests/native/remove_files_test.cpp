// Removal of files and folders on the substitute platform: log lines,
// counting in test and clean mode, masks, kept names, the folder questions,
// links, deep trees, cancelling and secure wipe.
#include "cleaner/remove_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/messages.h"
#include "clean_fixture.h"
#include "core/text.h"

namespace nc::testing {
namespace {

namespace fs = std::filesystem;
using cleaner::CleanRun;
using platform::FileOpen;
using platform::FileShare;

// A log that runs a callback on every line it records.
class HookedLog : public RecordingLog {
 public:
  std::function<void(const std::string&)> onLine;
  void AddLine(std::string_view line) override {
    RecordingLog::AddLine(line);
    if (onLine) onLine(std::string(line));
  }
};

class RemovalTest : public CleanFixture {
 protected:
  std::string temp = sim.files().tempFolder();  // with trailing backslash

  std::string T(std::string_view relative) const { return temp + std::string(relative); }
  void Write(std::string_view path, std::string_view content = "data") {
    ASSERT_TRUE(sim.writeFile(path, content)) << path;
  }
  bool Exists(std::string_view path) { return sim.files().fileExists(path); }
  bool FolderExists(std::string_view path) { return sim.files().folderExists(path); }

  // A run over `hooked` instead of the fixture's log.
  CleanRun& HookedRun(bool testMode) {
    runMode.store(testMode ? cleaner::RunMode::Test : cleaner::RunMode::Clean);
    auto env = Environment();
    run = std::make_unique<CleanRun>(cleaner::CleanEnvironment{env.context, hooked, env.runMode,
                                                               env.settings, env.programFolder});
    return *run;
  }

  // The files of a small tree under the temporary folder, with sizes.
  void SeedTree() {
    Write(T("a.txt"), "12345");
    Write(T("Sub\\b.log"), "1234567890");
    Write(T("Sub\\Deeper\\c.bin"), std::string(5000, 'x'));
    ASSERT_TRUE(sim.files().createFolders(T("Empty")).ok());
  }

  HookedLog hooked;
};

// ---- files and folder trees -------------------------------------------------

TEST_F(RemovalTest, TestRunListsEveryFileInOrderAndChangesNothing) {
  SeedTree();
  CleanRun& r = TestRun();
  std::int32_t counter = 0;
  const auto bytes =
      cleaner::DeleteFolderContents(r, temp, {.removeFolder = false, .logFiles = true}, counter);
  EXPECT_EQ(counter, 3);
  EXPECT_EQ(bytes, 5u + 10u + 5000u);
  EXPECT_EQ(log.lines(), (std::vector<std::string>{
                             "Test: deleting " + T("a.txt"),
                             "Test: deleting " + T("Sub\\b.log"),
                             "Test: deleting " + T("Sub\\Deeper\\c.bin"),
                         }));
  EXPECT_TRUE(Exists(T("Sub\\Deeper\\c.bin")));
  EXPECT_TRUE(FolderExists(T("Empty")));
  EXPECT_TRUE(sim.prompts().records().empty());
}

TEST_F(RemovalTest, CleanRunRemovesFilesAndSubFoldersAndReportsTheSameFigures) {
  SeedTree();
  std::int32_t tested = 0;
  const auto testBytes = cleaner::DeleteFolderContents(
      TestRun(), temp, {.removeFolder = false, .logFiles = true}, tested);
  log.clear();
  std::int32_t cleaned = 0;
  const auto cleanBytes = cleaner::DeleteFolderContents(
      CleanModeRun(), temp, {.removeFolder = false, .logFiles = true}, cleaned);
  EXPECT_EQ(cleaned, tested);
  EXPECT_EQ(cleanBytes, testBytes);
  EXPECT_EQ(log.linesContaining("Clean: deleting ").size(), 3u);
  EXPECT_FALSE(Exists(T("a.txt")));
  EXPECT_FALSE(FolderExists(T("Sub")));
  EXPECT_FALSE(FolderExists(T("Empty")));
  EXPECT_TRUE(FolderExists(temp));  // kept: the remove-folder flag is off

  // With the flag the folder itself goes too.
  Write("C:\\Junk\\x.tmp");
  std::int32_t counter = 0;
  cleaner::DeleteFolderContents(CleanModeRun(), "C:\\Junk",
                                {.removeFolder = true, .logFiles = true}, counter);
  EXPECT_FALSE(FolderExists("C:\\Junk"));
  // ... but not in test mode.
  Write("C:\\Junk2\\x.tmp");
  cleaner::DeleteFolderContents(TestRun(), "C:\\Junk2", {.removeFolder = true, .logFiles = true},
                                counter);
  EXPECT_TRUE(Exists("C:\\Junk2\\x.tmp"));
}

TEST_F(RemovalTest, FilesThatCannotBeDeletedCountInTestModeOnly) {
  Write(T("free.txt"), "1");
  Write(T("locked.txt"), "22");
  Write(T("readonly.txt"), "333");
  Write(T("Held\\refused.txt"), "4444");
  ASSERT_TRUE(sim.files().setAttributes(T("readonly.txt"), platform::FileAttr::ReadOnly).ok());
  auto holder = sim.files().open(T("locked.txt"), FileOpen::ReadExisting, FileShare::None);
  ASSERT_TRUE(holder.ok());
  sim.faults().failFrom(sim::PortMethod::FilesDeleteFile, 1, Errc::AccessDenied, "refused");

  std::int32_t tested = 0;
  const auto testBytes = cleaner::DeleteFolderContents(
      TestRun(), temp, {.removeFolder = false, .logFiles = true}, tested);
  EXPECT_EQ(tested, 4);
  EXPECT_EQ(testBytes, 10u);

  std::int32_t cleaned = 0;
  const auto cleanBytes = cleaner::DeleteFolderContents(
      CleanModeRun(), temp, {.removeFolder = false, .logFiles = true}, cleaned);
  // Clean mode counts exactly what went: the locked and the refused file
  // stay, and so does the folder holding the refused one.
  EXPECT_TRUE(Exists(T("locked.txt")));
  EXPECT_TRUE(Exists(T("Held\\refused.txt")));
  EXPECT_FALSE(Exists(T("free.txt")));
  const bool readOnlyGone = !Exists(T("readonly.txt"));
  EXPECT_EQ(cleaned, 1 + (readOnlyGone ? 1 : 0));
  EXPECT_EQ(cleanBytes, 1u + (readOnlyGone ? 3u : 0u));
  // Every file was still tried and logged.
  EXPECT_EQ(log.linesContaining("Clean: deleting ").size(), 4u);
}

TEST_F(RemovalTest, LogFlagAndFastModeSuppressFileLines) {
  SeedTree();
  std::int32_t counter = 0;
  cleaner::DeleteFolderContents(TestRun(), temp, {.removeFolder = false, .logFiles = false},
                                counter);
  EXPECT_EQ(counter, 3);
  EXPECT_EQ(log.size(), 0u);
  options.FastScan = true;
  cleaner::DeleteFolderContents(TestRun(), temp, {.removeFolder = false, .logFiles = true},
                                counter);
  EXPECT_EQ(counter, 6);
  EXPECT_EQ(log.size(), 0u);
  EXPECT_EQ(log.scrolls(), 0);
}

TEST_F(RemovalTest, FileLinesScrollEveryFiftyInTestAndTwentyFiveInClean) {
  for (int i = 0; i < 120; ++i) Write(T("f" + std::to_string(1000 + i)));
  std::int32_t counter = 0;
  cleaner::DeleteFolderContents(TestRun(), temp, {.removeFolder = false, .logFiles = true},
                                counter);
  EXPECT_EQ(log.scrolls(), 2);
  log.clear();
  cleaner::DeleteFolderContents(CleanModeRun(), temp, {.removeFolder = false, .logFiles = true},
                                counter);
  EXPECT_EQ(log.scrolls(), 4);

  // A scroll at once (0) leaves the count of lines alone; the count
  // restarts at each scroll of its own. A step of 1 halved in clean mode
  // still scrolls every line.
  log.clear();
  CleanRun& test = TestRun();
  for (int i = 0; i < 30; ++i) test.ScrollLog(50);
  test.ScrollLog(0);
  for (int i = 0; i < 20; ++i) test.ScrollLog(50);
  EXPECT_EQ(log.scrolls(), 2);
  for (int i = 0; i < 49; ++i) test.ScrollLog(50);
  EXPECT_EQ(log.scrolls(), 2);
  log.clear();
  CleanRun& clean = CleanModeRun();
  for (int i = 0; i < 3; ++i) clean.ScrollLog(1);
  EXPECT_EQ(log.scrolls(), 3);
}

TEST_F(RemovalTest, KeepNameIsHonouredAtEveryDepthAndKeepsItsFolders) {
  Write(T("index.dat"));
  Write(T("other.dat"));
  Write(T("A\\INDEX.DAT"));
  Write(T("A\\x.txt"));
  Write(T("A\\B\\Index.Dat"));
  Write(T("C\\y.txt"));
  std::int32_t tested = 0;
  cleaner::DeleteFolderContents(
      TestRun(), temp, {.removeFolder = false, .logFiles = true, .keepName = "index.dat"}, tested);
  EXPECT_EQ(tested, 3);
  EXPECT_TRUE(log.linesContaining("ndex.").empty() && log.linesContaining("NDEX").empty());

  std::int32_t cleaned = 0;
  cleaner::DeleteFolderContents(CleanModeRun(), temp,
                                {.removeFolder = true, .logFiles = true, .keepName = "index.dat"},
                                cleaned);
  EXPECT_EQ(cleaned, 3);
  EXPECT_TRUE(Exists(T("index.dat")));
  EXPECT_TRUE(Exists(T("A\\INDEX.DAT")));
  EXPECT_TRUE(Exists(T("A\\B\\Index.Dat")));
  EXPECT_FALSE(Exists(T("A\\x.txt")));
  EXPECT_FALSE(FolderExists(T("C")));
  EXPECT_TRUE(FolderExists(temp));  // it holds a kept file
}

TEST_F(RemovalTest, NamesOutsideAnsiAreListedDeletedAndComparedWithoutCase) {
  const std::string cyrillic = "Отчёт за март.txt";
  const std::string cjk = "临时文件\\数据.tmp";
  Write(T(cyrillic), "abc");
  Write(T(cjk), "de");
  Write(T("Папка\\ИНДЕКС.DAT"), "kept");
  std::int32_t tested = 0;
  cleaner::DeleteFolderContents(
      TestRun(), temp, {.removeFolder = false, .logFiles = true, .keepName = "индекс.dat"}, tested);
  EXPECT_EQ(tested, 2);
  EXPECT_TRUE(log.hasLine("Test: deleting " + T(cyrillic)));
  EXPECT_TRUE(log.hasLine("Test: deleting " + T(cjk)));

  std::int32_t cleaned = 0;
  cleaner::DeleteFolderContents(CleanModeRun(), temp,
                                {.removeFolder = false, .logFiles = true, .keepName = "индекс.dat"},
                                cleaned);
  EXPECT_EQ(cleaned, 2);
  EXPECT_FALSE(Exists(T(cyrillic)));
  EXPECT_FALSE(FolderExists(T("临时文件")));
  EXPECT_TRUE(Exists(T("Папка\\ИНДЕКС.DAT")));

  // Masks upper-case the same letters.
  Write("C:\\M\\ФАЙЛ1.TMP");
  Write("C:\\M\\файл2.tmp");
  Write("C:\\M\\другой.tmp");
  std::int32_t matched = 0;
  cleaner::DeleteFilesByMask(CleanModeRun(), "C:\\M", "Файл*.Tmp", {.recurse = false}, matched);
  EXPECT_EQ(matched, 2);
  EXPECT_TRUE(Exists("C:\\M\\другой.tmp"));

  // Each letter pairs with its own capital only, as the system compares
  // names; signs and letters without a capital of their own stay as they
  // are. (A non-ASCII first letter takes every name the wide way.)
  struct Pair {
    const char* file;
    const char* maskStart;
    bool matched;
  };
  const Pair pairs[] = {
      {"éaz", "ÉAZ", true}, {"é{", "É[", false}, {"é`", "É@", false}, {"àþ", "ÀÞ", true},
      {"÷", "×", false},    {"ÿ", "Ÿ", true},    {"ā", "Ā", true},    {"ĺň", "ĹŇ", true},
      {"žź", "ŽŹ", true},   {"ı", "İ", false},   {"αω", "ΑΩ", true},  {"ёя", "ЁЯ", true},
  };
  for (std::size_t i = 0; i < std::size(pairs); ++i) {
    const std::string folder = "C:\\Letters\\" + std::to_string(i) + "\\";
    Write(folder + pairs[i].file + ".x");
    std::int32_t found = 0;
    cleaner::DeleteFilesByMask(TestRun(), folder, std::string(pairs[i].maskStart) + "*",
                               {.recurse = false}, found);
    EXPECT_EQ(found, pairs[i].matched ? 1 : 0) << pairs[i].file;
  }
}

TEST_F(RemovalTest, MissingFoldersAndTheBareBackslashGiveNothing) {
  std::int32_t counter = 0;
  EXPECT_EQ(cleaner::DeleteFolderContents(CleanModeRun(), "C:\\Nowhere",
                                          {.removeFolder = true, .logFiles = true}, counter),
            0u);
  EXPECT_EQ(cleaner::DeleteFolderContents(CleanModeRun(), "\\",
                                          {.removeFolder = true, .logFiles = true}, counter),
            0u);
  EXPECT_EQ(cleaner::DeleteFolderContents(CleanModeRun(), "",
                                          {.removeFolder = true, .logFiles = true}, counter),
            0u);
  EXPECT_EQ(
      cleaner::DeleteFilesByMask(CleanModeRun(), "C:\\Nowhere", "*.*", {.recurse = true}, counter),
      0u);
  EXPECT_EQ(cleaner::DeleteFolderTree(CleanModeRun(), "C:\\Nowhere", {.logFiles = true}, counter),
            0u);
  EXPECT_EQ(counter, 0);
  EXPECT_TRUE(sim.prompts().records().empty());
}

TEST_F(RemovalTest, FilesThatVanishDuringTheWalkAreSkippedSilently) {
  Write(T("A\\1.txt"));
  Write(T("A\\2.txt"));
  Write(T("B\\3.txt"));
  Write(T("C\\4.txt"));
  // While the first file is being logged, another program removes a file
  // further on and a whole folder that the walk has not reached.
  hooked.onLine = [&](const std::string& line) {
    if (line.find("1.txt") == std::string::npos) return;
    fs::remove(sim.hostPath(T("A\\2.txt")));
    fs::remove_all(sim.hostPath(T("B")));
  };
  std::int32_t counter = 0;
  cleaner::DeleteFolderContents(HookedRun(false), temp, {.removeFolder = false, .logFiles = true},
                                counter);
  EXPECT_EQ(counter, 2);  // 1.txt and 4.txt
  EXPECT_FALSE(FolderExists(T("A")));
  EXPECT_FALSE(FolderExists(T("C")));
}

// ---- links ------------------------------------------------------------------------

TEST_F(RemovalTest, LinksAreRemovedAsLinksAndTheirTargetsStayIntact) {
  const std::string documents = "C:\\Users\\user\\Documents";
  Write(documents + "\\thesis.doc", "precious");
  Write(documents + "\\Photos\\cat.jpg", "meow");
  ASSERT_TRUE(sim.files().createFolders(T("Cache")).ok());
  fs::create_directory_symlink(sim.hostPath(documents), sim.hostPath(T("Cache")) / "Docs");
  fs::create_symlink(sim.hostPath(documents + "\\thesis.doc"), sim.hostPath(T("Cache")) / "t.lnk");
  Write(T("Cache\\plain.tmp"), "x");
  // A second name, inside the cleaned folder, of a file that lives outside.
  Write(documents + "\\diary.txt", "dear diary");
  fs::create_hard_link(sim.hostPath(documents + "\\diary.txt"), sim.hostPath(T("Cache")) / "h.tmp");

  std::int32_t tested = 0;
  cleaner::DeleteFolderContents(TestRun(), temp, {.removeFolder = false, .logFiles = true}, tested);
  EXPECT_EQ(tested, 3);  // the two links and the plain file; nothing behind the folder link
  EXPECT_TRUE(log.linesContaining("thesis").empty());
  EXPECT_TRUE(log.linesContaining("cat.jpg").empty());
  EXPECT_TRUE(fs::is_symlink(sim.hostPath(T("Cache")) / "Docs"));  // a test run removes nothing

  options.IsWipeFile = true;  // a wipe through the file link would overwrite the target
  options.WipeNumber = 2;
  std::int32_t cleaned = 0;
  cleaner::DeleteFolderContents(CleanModeRun(), temp, {.removeFolder = false, .logFiles = true},
                                cleaned);
  EXPECT_EQ(cleaned, 3);
  EXPECT_FALSE(FolderExists(T("Cache")));
  EXPECT_EQ(sim.readFile(documents + "\\thesis.doc"), "precious");
  EXPECT_EQ(sim.readFile(documents + "\\diary.txt"), "dear diary");
  EXPECT_EQ(sim.readFile(documents + "\\Photos\\cat.jpg"), "meow");

  // A caller that hands a listed link to DeleteFolderTree gets the link
  // removed and nothing behind it.
  fs::create_directory_symlink(sim.hostPath(documents), sim.hostPath(T("Docs2")));
  std::int32_t counter = 0;
  EXPECT_EQ(cleaner::DeleteFolderTree(TestRun(), T("Docs2"), {.logFiles = true}, counter), 0u);
  EXPECT_TRUE(fs::is_symlink(sim.hostPath(T("Docs2"))));
  EXPECT_EQ(cleaner::DeleteFolderTree(CleanModeRun(), T("Docs2"), {.logFiles = true}, counter), 0u);
  EXPECT_EQ(counter, 0);
  EXPECT_FALSE(fs::is_symlink(sim.hostPath(T("Docs2"))));
  EXPECT_EQ(sim.readFile(documents + "\\thesis.doc"), "precious");

  // DeleteFilesByMask does not enter a folder link either.
  fs::create_directory_symlink(sim.hostPath(documents), sim.hostPath(T("Docs3")));
  counter = 0;
  cleaner::DeleteFilesByMask(CleanModeRun(), temp, "*.doc", {.recurse = true}, counter);
  EXPECT_EQ(counter, 0);
  EXPECT_EQ(sim.readFile(documents + "\\thesis.doc"), "precious");
}

// ---- depth and cancelling ---------------------------------------------------------

TEST_F(RemovalTest, DeepTreesOnTheSubstituteDiskAreWalkedAndRemoved) {
  // The substitute file system resolves every path component by component,
  // so the real tree here is kept at 120 levels; the thousand-level case
  // runs over the in-memory chain below.
  constexpr int kDepth = 120;
  fs::path host = sim.hostPath(temp);
  for (int i = 0; i < kDepth; ++i) {
    host /= "d";
    fs::create_directory(host);
    if (i % 10 == 9) std::ofstream(host / "f.txt") << "abc";
  }
  std::int32_t tested = 0;
  EXPECT_EQ(cleaner::DeleteFolderContents(TestRun(), temp,
                                          {.removeFolder = false, .logFiles = false}, tested),
            36u);
  EXPECT_EQ(tested, 12);
  std::int32_t cleaned = 0;
  EXPECT_EQ(cleaner::DeleteFolderContents(CleanModeRun(), temp,
                                          {.removeFolder = false, .logFiles = false}, cleaned),
            36u);
  EXPECT_EQ(cleaned, 12);
  EXPECT_FALSE(FolderExists(T("d")));
}

TEST_F(RemovalTest, CancellingStopsWithinOneFile) {
  for (int i = 0; i < 40; ++i) Write(T("Big\\f" + std::to_string(100 + i) + ".tmp"));
  for (const bool testMode : {true, false}) {
    hooked.clear();
    int seen = 0;
    hooked.onLine = [&](const std::string&) {
      if (++seen == 5) run->RequestStop();
    };
    std::int32_t counter = 0;
    cleaner::DeleteFolderContents(HookedRun(testMode), temp,
                                  {.removeFolder = false, .logFiles = true}, counter);
    EXPECT_EQ(hooked.size(), 5u) << testMode;
    EXPECT_EQ(counter, 5) << testMode;
  }
  // The clean run removed five files, no more; the folder stays.
  EXPECT_EQ(sim.files().list(T("Big"))->size(), 35u);

  // A stopped run does not start another walk.
  std::int32_t counter = 0;
  EXPECT_EQ(cleaner::DeleteFilesByMask(*run, temp, "*.*", {.recurse = true}, counter), 0u);
  EXPECT_EQ(counter, 0);
}

TEST_F(RemovalTest, ProgressIsPostedAtMostEveryTwoSecondsWithTheRunTotal) {
  for (int i = 0; i < 6; ++i) Write(T("p" + std::to_string(i)));
  // 1,000 ms per file: exactly two seconds is not yet enough, the third
  // file (3,000 ms) and the sixth (3,000 ms after that) post. 667 ms per
  // file: the third (2,001 ms) and the sixth post.
  for (const int step : {1000, 667}) {
    posted.clear();
    hooked.onLine = [&](const std::string&) { sim.clock().advance(step); };
    CleanRun& r = HookedRun(true);
    r.TotalItems = 100;
    cleaner::DeleteFolderContents(r, temp, {.removeFolder = false, .logFiles = true}, r.ItemCount);
    Pump();
    const auto progress = Posted(cleaner::WM_CLEAN_PROGRESS);
    ASSERT_EQ(progress.size(), 2u) << step;
    EXPECT_EQ(progress[0].wParam, 103u) << step;
    EXPECT_EQ(progress[1].wParam, 106u) << step;
    // lParam is reserved: only WM_CLEAN_DONE carries a flag there.
    EXPECT_EQ(progress[0].lParam, 0) << step;
    EXPECT_EQ(progress[1].lParam, 0) << step;
  }
}

// ---- masks ----------------------------------------------------------------------

TEST_F(RemovalTest, MaskMatchesOnlyItsFirstStarAndExactNamesWithCase) {
  const std::string dir = "C:\\Masks\\";
  for (const char* name : {"FILE0001.CHK", "file0002.chk", "other.chk", "A.DMP", "memory.dmp",
                           "abc", "README", "aXbYc", "FILE"}) {
    Write(dir + name);
  }
  struct Case {
    const char* mask;
    std::vector<std::string> matched;
  };
  const Case cases[] = {
      {"File*.chk", {"FILE0001.CHK", "file0002.chk"}},
      {"*.dmp", {"A.DMP", "memory.dmp"}},
      {"memory.dmp", {"memory.dmp"}},
      {"MEMORY.DMP", {}},  // no star: the exact name, letter case included
      {"ab*bc", {"abc"}},  // prefix and suffix may overlap
      {"*.*",
       {"A.DMP", "abc", "aXbYc", "FILE", "FILE0001.CHK", "file0002.chk", "memory.dmp", "other.chk",
        "README"}},
      {"a*b*c", {}},  // the second star is literal
      {"FILE", {"FILE"}},
      {"*",
       {"A.DMP", "abc", "aXbYc", "FILE", "FILE0001.CHK", "file0002.chk", "memory.dmp", "other.chk",
        "README"}},
      {"", {}},
  };
  for (const auto& c : cases) {
    log.clear();
    std::int32_t counter = 0;
    cleaner::DeleteFilesByMask(TestRun(), dir, c.mask, {.recurse = false}, counter);
    std::vector<std::string> expected;
    for (const auto& name : c.matched) expected.push_back("Test: deleting " + dir + name);
    EXPECT_EQ(log.lines(), expected) << c.mask;
    EXPECT_EQ(counter, static_cast<std::int32_t>(c.matched.size())) << c.mask;
  }
}

TEST_F(RemovalTest, MaskDeletionEntersSubFoldersOnlyWhenAskedAndNeverRemovesFolders) {
  Write("C:\\Dumps\\top.dmp", "12");
  Write("C:\\Dumps\\keep.txt");
  Write("C:\\Dumps\\Inner\\deep.DMP", "345");
  std::int32_t counter = 0;
  EXPECT_EQ(
      cleaner::DeleteFilesByMask(TestRun(), "C:\\Dumps", "*.dmp", {.recurse = false}, counter), 2u);
  EXPECT_EQ(counter, 1);
  counter = 0;
  EXPECT_EQ(
      cleaner::DeleteFilesByMask(CleanModeRun(), "C:\\Dumps", "*.dmp", {.recurse = true}, counter),
      5u);
  EXPECT_EQ(counter, 2);
  EXPECT_TRUE(Exists("C:\\Dumps\\keep.txt"));
  EXPECT_FALSE(Exists("C:\\Dumps\\Inner\\deep.DMP"));
  EXPECT_TRUE(FolderExists("C:\\Dumps\\Inner"));
}

// ---- folder questions ---------------------------------------------------------------

TEST_F(RemovalTest, DriveRootsAreAskedAboutInCleanModeOnly) {
  sim.addDrive('D');
  Write("D:\\a.tmp");
  Write("D:\\Sub\\b.tmp");

  std::int32_t counter = 0;
  cleaner::DeleteFolderContents(TestRun(), "D:\\", {.removeFolder = false, .logFiles = true},
                                counter);
  EXPECT_EQ(counter, 2);
  EXPECT_TRUE(sim.prompts().records().empty());

  // No (the default button): nothing happens.
  counter = 0;
  EXPECT_EQ(cleaner::DeleteFolderContents(CleanModeRun(),
                                          "D:", {.removeFolder = false, .logFiles = true}, counter),
            0u);
  EXPECT_EQ(counter, 0);
  ASSERT_EQ(sim.prompts().records().size(), 1u);
  EXPECT_EQ(sim.prompts().records()[0].kind, sim::SimPrompts::Kind::Confirm);
  EXPECT_EQ(sim.prompts().records()[0].text,
            "Do you want to delete all files and folders under D:\\?");
  EXPECT_TRUE(Exists("D:\\a.tmp"));

  // A mask without a star names one file: no question for the root.
  sim.prompts().clear();
  counter = 0;
  cleaner::DeleteFilesByMask(CleanModeRun(), "D:\\", "a.tmp", {.recurse = false}, counter);
  EXPECT_EQ(counter, 1);
  EXPECT_TRUE(sim.prompts().records().empty());
  // With a star (or no mask at all) the root question comes first.
  cleaner::DeleteFilesByMask(CleanModeRun(), "D:\\", "*.tmp", {.recurse = true}, counter);
  cleaner::DeleteFilesByMask(CleanModeRun(), "D:\\", "", {.recurse = true}, counter);
  EXPECT_EQ(sim.prompts().count(sim::SimPrompts::Kind::Confirm), 2u);
  EXPECT_TRUE(Exists("D:\\Sub\\b.tmp"));

  // Yes: the drive is emptied.
  sim.prompts().answerConfirm(true);
  counter = 0;
  cleaner::DeleteFolderContents(CleanModeRun(), "D:\\", {.removeFolder = false, .logFiles = true},
                                counter);
  EXPECT_EQ(counter, 1);
  EXPECT_FALSE(FolderExists("D:\\Sub"));
}

TEST_F(RemovalTest, MyDocumentsAndMyPicturesAreAskedAboutWithEachPrimitivesText) {
  const std::string documents = "C:\\Users\\user\\Documents\\";
  // "My Pictures" as a folder of its own, as before Vista made it a
  // junction to "Pictures".
  std::filesystem::remove(sim.hostPath(documents + "My Pictures"));
  Write(documents + "letter.doc");
  Write(documents + "My Pictures\\cat.jpg");
  std::int32_t counter = 0;

  cleaner::DeleteFolderContents(CleanModeRun(), "c:\\users\\USER\\documents",
                                {.removeFolder = false, .logFiles = true}, counter);
  cleaner::DeleteFolderTree(CleanModeRun(), documents + "MY PICTURES", {.logFiles = true}, counter);
  cleaner::DeleteFilesByMask(CleanModeRun(), documents, "*.doc", {.recurse = false}, counter);
  cleaner::DeleteFilesByMask(CleanModeRun(), documents + "My Pictures", "cat.jpg",
                             {.recurse = false}, counter);
  EXPECT_EQ(counter, 0);
  std::vector<std::string> texts;
  for (const auto& record : sim.prompts().records()) texts.push_back(record.text);
  EXPECT_EQ(texts,
            (std::vector<std::string>{
                "Do you want to delete all files and folders under "
                "c:\\users\\USER\\documents\\?",
                "Do you want to delete all files and folders under " + documents + "MY PICTURES\\?",
                "Do you want to delete the files on " + documents + "?",
                "Do you want to delete the files on " + documents + "My Pictures\\?",
            }));

  // The profile that holds them is never emptied.
  sim.prompts().clear();
  Write("C:\\Users\\user\\junk.tmp");
  cleaner::DeleteFolderContents(CleanModeRun(), "C:\\Users\\user",
                                {.removeFolder = false, .logFiles = true}, counter);
  EXPECT_TRUE(sim.prompts().records().empty());
  EXPECT_TRUE(Exists("C:\\Users\\user\\junk.tmp"));

  // Met as a sub-folder of a walk of the drive the user agreed to, My
  // Documents is asked about too; No skips it and the walk goes on.
  sim.prompts().answerConfirm(true);
  cleaner::DeleteFolderContents(CleanModeRun(), "C:\\", {.removeFolder = false, .logFiles = true},
                                counter);
  EXPECT_EQ(sim.prompts().count(sim::SimPrompts::Kind::Confirm), 2u);
  EXPECT_FALSE(Exists("C:\\Users\\user\\junk.tmp"));
  EXPECT_TRUE(Exists(documents + "letter.doc"));
  EXPECT_TRUE(Exists(documents + "My Pictures\\cat.jpg"));
}

// ---- secure wipe ------------------------------------------------------------------

TEST_F(RemovalTest, WipeOverwritesEachPassWithOneRandomByteAndKeepsTheSize) {
  const std::string file = "C:\\Secret\\plan.txt";
  Write(file, std::string(10000, 'S'));
  sim.random().seed(42);
  sim::SimRandom expected(42);
  std::uint32_t last = 0;
  for (int i = 0; i < 3; ++i) last = expected.below(255);
  const auto writesBefore = sim.faults().calls(sim::PortMethod::FilesWrite);
  cleaner::WipeFileContents(CleanModeRun(), file, 3);
  EXPECT_EQ(sim.readFile(file), std::string(10000, static_cast<char>(last)));
  // Three passes of 4096 + 4096 + 1808 bytes, each flushed.
  EXPECT_EQ(sim.faults().calls(sim::PortMethod::FilesWrite) - writesBefore, 9u);
  EXPECT_EQ(sim.faults().calls(sim::PortMethod::FilesFlush), 3u);
  EXPECT_EQ(sim.files().openFileCount(), 0u);

  Write(file, "keep");
  cleaner::WipeFileContents(*run, file, 0);
  cleaner::WipeFileContents(*run, file, -1);
  EXPECT_EQ(sim.readFile(file), "keep");
  cleaner::WipeFileContents(*run, "C:\\Secret\\missing.txt", 2);  // nothing to do
}

TEST_F(RemovalTest, SecureDeletionWipesFreeFilesButNotLockedOnes) {
  options.IsWipeFile = true;
  options.WipeNumber = 3;
  const std::string free = "C:\\W\\free.txt";
  const std::string locked = "C:\\W\\locked.txt";
  Write(free, "free");
  Write(locked, "locked");
  CleanRun& r = CleanModeRun();
  const auto writesBeforeWipe = sim.faults().calls(sim::PortMethod::FilesWrite);
  EXPECT_TRUE(cleaner::DeleteFileLogged(r, free, true));
  EXPECT_FALSE(Exists(free));
  EXPECT_EQ(sim.faults().calls(sim::PortMethod::FilesWrite) - writesBeforeWipe, 3u);  // one a pass

  {
    auto holder = sim.files().open(locked, FileOpen::ReadExisting, FileShare::None);
    ASSERT_TRUE(holder.ok());
    const auto writesBefore = sim.faults().calls(sim::PortMethod::FilesWrite);
    EXPECT_FALSE(cleaner::DeleteFileLogged(r, locked, true));
    EXPECT_EQ(sim.faults().calls(sim::PortMethod::FilesWrite), writesBefore);
  }
  EXPECT_EQ(sim.readFile(locked), "locked");

  // A wipe that fails half way is abandoned; the file is deleted anyway.
  sim.faults().failOnce(sim::PortMethod::FilesWrite, 1, Errc::DiskFull, "broken");
  Write("C:\\W\\broken.txt", std::string(9000, 'b'));
  EXPECT_TRUE(cleaner::DeleteFileLogged(r, "C:\\W\\broken.txt", false));
  EXPECT_FALSE(Exists("C:\\W\\broken.txt"));

  // In test mode nothing is wiped or deleted, and the file still counts.
  EXPECT_TRUE(cleaner::DeleteFileLogged(TestRun(), locked, true));
  EXPECT_EQ(sim.readFile(locked), "locked");
  EXPECT_EQ(log.lines().back(), "Test: deleting " + locked);
}

// A file system that passes every call to the substitute one; tests
// override what they need.
class ForwardingFileSystem : public platform::FileSystem {
 public:
  explicit ForwardingFileSystem(sim::SimFileSystem& inner) : inner_(inner) {}

  Result<std::vector<platform::FileEntry>> list(std::string_view f) override {
    return inner_.list(f);
  }
  Result<platform::FileEntry> stat(std::string_view p) override { return inner_.stat(p); }
  bool fileExists(std::string_view p) override { return inner_.fileExists(p); }
  bool folderExists(std::string_view p) override { return inner_.folderExists(p); }
  std::optional<std::uint32_t> attributes(std::string_view p) override {
    return inner_.attributes(p);
  }
  Result<platform::FolderIdentity> folderIdentity(std::string_view p) override {
    return inner_.folderIdentity(p);
  }
  Status deleteFile(std::string_view p) override { return inner_.deleteFile(p); }
  Status removeFolder(std::string_view p) override { return inner_.removeFolder(p); }
  Status createFolders(std::string_view p) override { return inner_.createFolders(p); }
  Status setAttributes(std::string_view p, std::uint32_t a) override {
    return inner_.setAttributes(p, a);
  }
  Status moveFile(std::string_view a, std::string_view b) override { return inner_.moveFile(a, b); }
  Result<std::unique_ptr<platform::File>> open(std::string_view p, FileOpen m,
                                               FileShare s) override {
    return inner_.open(p, m, s);
  }
  Status deleteAtRestart(std::string_view p) override { return inner_.deleteAtRestart(p); }
  Result<std::string> shortPath(std::string_view p) override { return inner_.shortPath(p); }
  std::string specialFolder(int c) override { return inner_.specialFolder(c); }
  std::string tempFolder() override { return inner_.tempFolder(); }
  std::string windowsFolder() override { return inner_.windowsFolder(); }
  std::string systemFolder() override { return inner_.systemFolder(); }
  std::vector<std::string> logicalDrives() override { return inner_.logicalDrives(); }
  platform::DriveType driveType(std::string_view r) override { return inner_.driveType(r); }
  bool volumePresent(std::string_view r) override { return inner_.volumePresent(r); }
  std::string dosDeviceName(std::string_view d) override { return inner_.dosDeviceName(d); }
  std::string expandEnvironment(std::string_view t) override { return inner_.expandEnvironment(t); }

 protected:
  sim::SimFileSystem& inner_;
};

// A shell whose silent delete goes to the file system it is given.
class FilesShell : public platform::Shell {
 public:
  explicit FilesShell(platform::FileSystem& files) : files_(files) {}
  Status openDocument(std::string_view) override { return Status::Ok(); }
  void endBrowserSession() override {}
  Status deleteFileSilently(std::string_view path) override { return files_.deleteFile(path); }
  bool emptyRecycleBins() override { return true; }
  Result<std::string> resolveShortcut(std::string_view lnk) override {
    return Error{Errc::NotSupported, "resolve shortcut", std::string(lnk)};
  }

 private:
  platform::FileSystem& files_;
};

// A run over the substitute ports with another file system (and a shell
// deleting through it).
struct SwappedFilesRun {
  SwappedFilesRun(RemovalTest& t, platform::FileSystem& files, bool testMode)
      : shell(files), ports(t.sim.ports()) {
    t.runMode.store(testMode ? cleaner::RunMode::Test : cleaner::RunMode::Clean);
    platform::Platform bundle{ports.registry, files,       ports.profile, ports.system,
                              shell,          ports.clock, ports.random,  ports.programs,
                              ports.prompts,  ports.hives, ports.browser, ports.desktop};
    run = std::make_unique<CleanRun>(cleaner::CleanEnvironment{
        platform::WorkerContext{bundle, t.sim.messages(), t.sim.messages(), t.versionCode}, t.log,
        t.runMode, t.options, RemovalTest::kProgramFolder});
  }
  FilesShell shell;
  platform::Platform ports;
  std::unique_ptr<CleanRun> run;
};

// A file system that hands out one file of `size` bytes which records the
// writes instead of storing them.
class HugeFileSystem : public ForwardingFileSystem {
 public:
  HugeFileSystem(sim::SimFileSystem& inner, std::string path, std::uint64_t size)
      : ForwardingFileSystem(inner), path_(std::move(path)), size_(size) {}

  struct Recorder : platform::File {
    HugeFileSystem* owner = nullptr;
    std::uint64_t position = 0;
    Result<platform::FileFacts> facts() override { return platform::FileFacts{true, 1}; }
    Result<std::uint64_t> size() override { return owner->size_; }
    Status seek(std::uint64_t offset) override {
      position = offset;
      return Status::Ok();
    }
    Result<std::size_t> read(std::span<std::uint8_t>) override { return std::size_t{0}; }
    Status write(std::span<const std::uint8_t> data) override {
      if (data.size() > owner->largestPiece) owner->largestPiece = data.size();
      // Every piece comes from the one buffer filled for the pass.
      if (owner->pieceStart == nullptr) owner->pieceStart = data.data();
      if (data.data() != owner->pieceStart || data.back() != data.front()) owner->mixedPiece = true;
      position += data.size();
      owner->written += data.size();
      owner->end = position;
      return Status::Ok();
    }
    Status flush() override {
      ++owner->flushes;
      return Status::Ok();
    }
  };

  Result<std::unique_ptr<platform::File>> open(std::string_view path, FileOpen mode,
                                               FileShare share) override {
    if (path != path_) return inner_.open(path, mode, share);
    auto file = std::make_unique<Recorder>();
    file->owner = this;
    return std::unique_ptr<platform::File>(std::move(file));
  }
  Result<platform::FileEntry> stat(std::string_view path) override {
    if (path != path_) return inner_.stat(path);
    platform::FileEntry entry;
    entry.name = platform::NameOf(path);
    entry.attributes = platform::FileAttr::Archive;
    entry.size = size_;
    return entry;
  }
  bool fileExists(std::string_view path) override {
    return path == path_ || inner_.fileExists(path);
  }

  std::string path_;
  std::uint64_t size_;
  std::uint64_t written = 0;
  std::uint64_t end = 0;
  std::size_t largestPiece = 0;
  bool mixedPiece = false;
  const std::uint8_t* pieceStart = nullptr;
  int flushes = 0;
};

// A chain of folders "C:\Chain\d\d\...", `depth` levels below the top,
// kept in memory: each level holds the next and, every hundred levels, a
// file "f.txt" of 3 bytes.
class ChainFileSystem : public ForwardingFileSystem {
 public:
  static constexpr std::string_view kTop = "C:\\Chain";

  ChainFileSystem(sim::SimFileSystem& inner, int depth)
      : ForwardingFileSystem(inner),
        depth_(depth),
        folderGone_(static_cast<std::size_t>(depth) + 1),
        fileGone_(static_cast<std::size_t>(depth) + 1) {}

  static bool HasFile(int level) { return level > 0 && level % 100 == 0; }

  Result<std::vector<platform::FileEntry>> list(std::string_view folder) override {
    const int level = Level(folder);
    if (level < 0) return inner_.list(folder);
    std::vector<platform::FileEntry> entries;
    if (level < depth_ && !folderGone_[Index(level + 1)]) {
      entries.push_back({"d", platform::FileAttr::Directory, 0, 0});
    }
    if (HasFile(level) && !fileGone_[Index(level)]) {
      entries.push_back({"f.txt", platform::FileAttr::Archive, 3, 0});
    }
    return entries;
  }
  bool folderExists(std::string_view path) override {
    const int level = Level(path);
    return level >= 0 ? !folderGone_[Index(level)] : inner_.folderExists(path);
  }
  Result<platform::FolderIdentity> folderIdentity(std::string_view path) override {
    const int level = Level(path);
    if (level < 0 || folderGone_[Index(level)]) return inner_.folderIdentity(path);
    return platform::FolderIdentity{0xC4A1, static_cast<std::uint64_t>(level) + 1};
  }
  Status deleteFile(std::string_view path) override {
    const std::string folder = platform::FolderOf(path);
    const int level = Level(folder);
    if (level < 0) return inner_.deleteFile(path);
    if (platform::NameOf(path) != "f.txt" || !HasFile(level) || fileGone_[Index(level)]) {
      return Error{Errc::NotFound, "delete file", std::string(path)};
    }
    fileGone_[Index(level)] = true;
    return Status::Ok();
  }
  Status removeFolder(std::string_view path) override {
    const int level = Level(path);
    if (level < 0) return inner_.removeFolder(path);
    const bool childLeft = level < depth_ && !folderGone_[Index(level + 1)];
    if (childLeft || (HasFile(level) && !fileGone_[Index(level)])) {
      return Error{Errc::NotEmpty, "remove folder", std::string(path)};
    }
    folderGone_[Index(level)] = true;
    return Status::Ok();
  }

  // Levels removed, files deleted.
  int foldersRemoved() const {
    return static_cast<int>(std::count(folderGone_.begin(), folderGone_.end(), true));
  }
  int filesDeleted() const {
    return static_cast<int>(std::count(fileGone_.begin(), fileGone_.end(), true));
  }

 private:
  static std::size_t Index(int level) { return static_cast<std::size_t>(level); }
  // The level of a folder of the chain (0 for the top), -1 for any other
  // path.
  int Level(std::string_view path) const {
    if (!StartsWith(path, kTop)) return -1;
    path.remove_prefix(kTop.size());
    if (!path.empty() && path.back() == '\\') path.remove_suffix(1);
    if (path.size() % 2 != 0) return -1;
    for (std::size_t i = 0; i < path.size(); i += 2) {
      if (path[i] != '\\' || path[i + 1] != 'd') return -1;
    }
    const int level = static_cast<int>(path.size() / 2);
    return level <= depth_ ? level : -1;
  }

  int depth_;
  std::vector<bool> folderGone_;
  std::vector<bool> fileGone_;
};

TEST_F(RemovalTest, AThousandLevelsAreWalkedWithoutRecursionAndRemovedBottomUp) {
  ChainFileSystem chain(sim.files(), 1000);
  {
    SwappedFilesRun test(*this, chain, true);
    std::int32_t counter = 0;
    EXPECT_EQ(cleaner::DeleteFolderContents(*test.run, "C:\\Chain",
                                            {.removeFolder = false, .logFiles = true}, counter),
              30u);
    EXPECT_EQ(counter, 10);
    EXPECT_EQ(log.size(), 10u);
    // Each level lists its sub-folder first: the deepest file comes first.
    const std::size_t head = std::string("Test: deleting C:\\Chain").size();
    EXPECT_EQ(log.lines().front().size(), head + 2000 + 6);
    EXPECT_EQ(log.lines().back().size(), head + 200 + 6);
  }
  SwappedFilesRun clean(*this, chain, false);
  std::int32_t counter = 0;
  EXPECT_EQ(cleaner::DeleteFolderContents(*clean.run, "C:\\Chain",
                                          {.removeFolder = false, .logFiles = true}, counter),
            30u);
  EXPECT_EQ(counter, 10);
  EXPECT_EQ(chain.filesDeleted(), 10);
  EXPECT_EQ(chain.foldersRemoved(), 1000);  // every level but the top
}

TEST_F(RemovalTest, WalksStopAtTheDepthBound) {
  // 8,192 levels below the top: the walk opens 8,192 folders (the top and
  // 8,191 below it) and leaves the last one.
  ChainFileSystem chain(sim.files(), 8192);
  SwappedFilesRun clean(*this, chain, false);
  std::int32_t counter = 0;
  cleaner::DeleteFolderContents(*clean.run, "C:\\Chain", {.removeFolder = false, .logFiles = false},
                                counter);
  EXPECT_EQ(counter, 81);                // levels 100 .. 8,100
  EXPECT_EQ(chain.foldersRemoved(), 0);  // the deepest opened level still holds the rest
}

TEST_F(RemovalTest, WipeCoversFilesOfTwoGibibytesAndMore) {
  constexpr std::uint64_t kSize = (std::uint64_t{1} << 31) + 4096 * 3 + 17;
  HugeFileSystem huge(sim.files(), "C:\\big.vhd", kSize);
  SwappedFilesRun clean(*this, huge, false);
  cleaner::WipeFileContents(*clean.run, "C:\\big.vhd", 2);
  EXPECT_EQ(huge.written, 2 * kSize);
  EXPECT_EQ(huge.end, kSize);  // the size is not changed
  EXPECT_EQ(huge.largestPiece, 4096u);
  EXPECT_FALSE(huge.mixedPiece);
  EXPECT_EQ(huge.flushes, 2);
}

}  // namespace
}  // namespace nc::testing
