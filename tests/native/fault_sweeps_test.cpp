// Every port call of an operation fails in turn, one run per call: the
// clean of each catalogue item in both modes, the fix of every problem
// kind, the backup writer with its rewrite into the Unicode format, the
// settings writer, the restore and the registry compaction. After each run: nothing deleted that
// is not meant to go or that the backup does not hold, counts and log as
// things happened, no stray files, and a settings file that reads back.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/defrag_controller.h"
#include "app/options.h"
#include "cleaner/catalogue.h"
#include "cleaner/clean_worker.h"
#include "fake_settings_trees.h"
#include "fault_sweep.h"
#include "hive_machine.h"
#include "recording_main_view.h"
#include "registry/backups.h"
#include "registry/export_writer.h"
#include "registry/fixer.h"
#include "registry/hive_file_check.h"
#include "tests/native/clean_fixture.h"

namespace nc::testing {
namespace {

using platform::RootKey;
using registry::ProblemKind;

constexpr std::uint64_t kSweepLimit = 5000;

// Everything on the substitute drives and in the registry, as
// comparable entries.
struct Snapshot {
  std::map<std::string, std::string> files;  // host path relative to the root -> bytes
  std::set<std::string> registry;            // "[key]" and "[key]|value line"
};

std::string ReadHostFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Snapshot Take(sim::SimPlatform& sim) {
  Snapshot shot;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(sim.hostRoot())) {
    const std::string name = entry.path().lexically_relative(sim.hostRoot()).generic_string();
    shot.files[name] = entry.is_regular_file() ? ReadHostFile(entry.path()) : "<folder>";
  }
  for (const RootKey root : {RootKey::ClassesRoot, RootKey::CurrentUser, RootKey::LocalMachine}) {
    const auto text = sim.registry().saveRegText(root, "");
    if (!text) continue;
    std::istringstream lines(*text);
    std::string line, key, pending;
    while (std::getline(lines, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!line.empty() && line.back() == '\\' && line.front() != '[') {
        pending += line;  // a hex list goes on
        continue;
      }
      line = pending + line;
      pending.clear();
      if (line.empty() || line.rfind("Windows Registry", 0) == 0) continue;
      if (line.front() == '[') {
        key = line;
        shot.registry.insert(key);
      } else {
        shot.registry.insert(key + "|" + line);
      }
    }
  }
  return shot;
}

// What went missing, appeared or changed between two snapshots.
struct Change {
  std::set<std::string> removed;  // files (with their folders) and registry entries
  std::set<std::string> removedFiles;
  std::set<std::string> added;
  std::set<std::string> changed;  // files whose bytes differ
};

Change Compare(const Snapshot& before, const Snapshot& after) {
  Change change;
  for (const auto& [name, bytes] : before.files) {
    const auto found = after.files.find(name);
    if (found == after.files.end()) {
      change.removed.insert(name);
      if (bytes != "<folder>") change.removedFiles.insert(name);
    } else if (found->second != bytes) {
      change.changed.insert(name);
    }
  }
  for (const auto& [name, bytes] : after.files) {
    if (!before.files.contains(name)) change.added.insert(name);
  }
  for (const auto& entry : before.registry) {
    if (!after.registry.contains(entry)) change.removed.insert(entry);
  }
  for (const auto& entry : after.registry) {
    if (!before.registry.contains(entry)) change.added.insert(entry);
  }
  return change;
}

// The elements of `part` missing from `whole`, joined for a message.
std::string NotIn(const std::set<std::string>& part, const std::set<std::string>& whole) {
  std::string missing;
  for (const auto& entry : part) {
    if (!whole.contains(entry)) missing += entry + "; ";
  }
  return missing;
}

std::size_t NotInCount(const std::set<std::string>& part, const std::set<std::string>& whole) {
  std::size_t missing = 0;
  for (const auto& entry : part) missing += whole.contains(entry) ? 0 : 1;
  return missing;
}

// The counts a sweep visited, printed for the record.
void Report(const std::string& what, std::uint64_t points) {
  std::printf("[ sweep    ] %-55s %5llu failure points\n", what.c_str(),
              static_cast<unsigned long long>(points));
}

// Sweeps `attempt(nth, code)` (true when its fault fired) with each of
// `codes`, by default the two errors ports report most, and prints the
// failure points visited.
template <typename Attempt>
void SweepErrors(const std::string& what, Attempt&& attempt,
                 std::initializer_list<Errc> codes = {Errc::IoError, Errc::AccessDenied}) {
  for (const Errc code : codes) {
    attempt(0, code);
    std::uint64_t points = 0;
    EXPECT_TRUE(SweepFaults(
        [&](std::uint64_t nth) {
          const bool fired = attempt(nth, code);
          points += fired ? 1 : 0;
          return fired;
        },
        kSweepLimit))
        << what;
    Report(what + ", " + ErrcName(code), points);
  }
}

// ---- the clean of every catalogue item --------------------------------------------------

// A drive with something for most items to find: temporary files, recent
// documents, caches and cookies of the browsers, the lists of Explorer in
// the registry, a definitions file and a custom list.
void FillForCleaning(CleanWorld& world) {
  sim::SimPlatform& sim = world.sim;
  const std::string user = "C:\\Users\\user\\";
  const std::string local = user + "AppData\\Local\\";
  const std::string roaming = user + "AppData\\Roaming\\";
  for (const std::string& file : std::vector<std::string>{
           local + "Temp\\a.tmp",
           local + "Temp\\sub\\b.tmp",
           "C:\\Windows\\Temp\\c.tmp",
           "C:\\Windows\\Prefetch\\X.EXE-1.pf",
           "C:\\Windows\\Logs\\w.log",
           roaming + "Microsoft\\Windows\\Recent\\doc.lnk",
           local + "Microsoft\\Windows\\INetCache\\Content.IE5\\AB12\\page.htm",
           local + "Microsoft\\Windows\\INetCookies\\user@site.txt",
           local + "Microsoft\\Windows\\History\\History.IE5\\MSHist01\\index.dat",
           roaming + "Mozilla\\Firefox\\Profiles\\p.default\\cookies.txt",
           local + "Mozilla\\Firefox\\Profiles\\p.default\\cache2\\entries\\E1",
           local + "Google\\Chrome\\User Data\\Default\\Cache\\f_000001",
           local + "Google\\Chrome\\User Data\\Default\\Cookies",
           roaming + "Opera\\Opera\\cache4\\o.tmp",
           roaming + "Netscape\\NSB\\Profiles\\pbzik8cu.default\\cookies.txt",
           roaming + "Netscape\\NSB\\Profiles\\pbzik8cu.default\\history.dat",
           roaming + "Netscape\\NSB\\Profiles\\pbzik8cu.default\\prefs.js",
           roaming + "Netscape\\NSB\\Profiles\\pbzik8cu.default\\formhistory.dat",
           roaming + "Netscape\\NSB\\Profiles\\pbzik8cu.default\\Cache\\n.tmp",
           "C:\\Windows\\Minidump\\m.dmp",
       }) {
    ASSERT_TRUE(sim.writeFile(file, "data of " + file));
  }
  const std::string explorer = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\";
  sim.registry().loadRegText(
      "REGEDIT4\n\n[" + explorer + "Explorer\\RunMRU]\n\"a\"=\"cmd\\\\1\"\n\"MRUList\"=\"a\"\n[" +
      explorer + "Explorer\\RecentDocs]\n\"0\"=hex:41,00\n[" + explorer +
      "Explorer\\ComDlg32\\OpenSaveMRU\\txt]\n\"a\"=\"C:\\\\x.txt\"\n[" + explorer +
      "Explorer\\MenuOrder\\Start Menu]\n\"Order\"=hex:01\n[" + explorer +
      "Applets\\Paint\\Recent File List]\n\"File1\"=\"C:\\\\p.bmp\"\n[" + explorer +
      "Explorer\\UserAssist\\{5E6AB780-7743-11CF-A12B-00AA004AE837}\\Count]\n"
      "\"HRZR_EHACNGU\"=hex:01\n"
      "[HKEY_CURRENT_USER\\Software\\Microsoft\\Search Assistant\\ACMru\\5603]\n\"000\"=\"q\"\n"
      "[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\TypedURLs]\n"
      "\"url1\"=\"http://a.example/\"\n[" +
      explorer +
      "Explorer\\Shell Folders]\n\"Local AppData\"=\"C:\\\\Users\\\\user\\\\AppData\\\\Local\"\n"
      "\"AppData\"=\"C:\\\\Users\\\\user\\\\AppData\\\\Roaming\"\n");
  ASSERT_TRUE(world.WriteProgramFile(
      "kvrn.dat", "[Sample Tool]\r\nDelFile1=%windir%\\Logs,*.log\r\nDelFolder1=%temp%\\sub\r\n"));
  ASSERT_TRUE(world.WriteProgramFile("Custom.dat",
                                     "[<New List>]\r\nDelFile1=%LOCALAPPDATA%\\Temp,*.tmp\r\n"));
}

// The run names of every item of the catalogue, a section of the
// definitions file and a custom list.
std::vector<std::string> EveryItem() {
  std::vector<std::string> names;
  const cleaner::CleanTree tree = cleaner::BuildCleanTree();
  for (const cleaner::CleanNode& group : tree.groups()) {
    for (const cleaner::CleanNode& item : group.children) {
      names.push_back(cleaner::CleanItemName(group.text, item.text));
    }
  }
  names.push_back("Applications - Sample Tool");
  return names;
}

// One clean of one item on a fresh drive, with the `nth` port call made
// after the set-up failing (none for 0).
struct CleanOutcome {
  Change change;
  std::int32_t count = -1;  // the item's "N items" line
  bool fired = false;
  std::uint64_t calls = 0;
};

CleanOutcome CleanOnce(const std::string& name, bool testMode, std::uint64_t nth) {
  CleanWorld world;
  FillForCleaning(world);
  const Snapshot before = Take(world.sim);
  world.runMode.store(testMode ? cleaner::RunMode::Test : cleaner::RunMode::Clean);
  cleaner::CleanWorker worker(world.Environment(), {name}, 0);
  auto& faults = world.sim.faults();
  const std::uint64_t callsBefore = faults.totalCalls();
  if (nth > 0) faults.failNthCall(nth, Errc::IoError);
  worker.Execute();  // on the window's thread: its steps run at once
  world.Pump();
  CleanOutcome outcome;
  outcome.fired = faults.faultsFired() > 0;
  outcome.calls = faults.totalCalls() - callsBefore;
  faults.clearRules();
  outcome.change = Compare(before, Take(world.sim));

  // The log: the item's header, its count, then the totals or the error
  // line, and the done message carrying the same figure.
  const auto lines = world.log.lines();
  const std::string removed = testMode ? "will be removed" : "to be removed";
  EXPECT_EQ(world.log.linesContaining("Clearing ").size(), 1u) << name;
  const auto done = world.Posted(cleaner::WM_CLEAN_DONE);
  EXPECT_EQ(done.size(), 1u) << name;
  const auto counts = world.log.linesContaining(" items " + removed + "; ");
  if (!counts.empty()) {
    outcome.count = std::stoi(counts.front());
  }
  if (!lines.empty() && lines.back() == cleaner::kRunErrorLine) {
    if (!done.empty()) {
      EXPECT_EQ(done[0].lParam, cleaner::CleanMessageParam(0, true)) << name;
    }
  } else {
    EXPECT_EQ(counts.size(), 1u) << name;
    const auto totals = world.log.linesContaining("Total items " + removed + " = ");
    EXPECT_EQ(totals.size(), 1u) << name;
    if (!totals.empty() && !done.empty()) {
      EXPECT_EQ(totals[0].find("= " + std::to_string(done[0].wParam) + " ;") != std::string::npos,
                true)
          << name << ": " << totals[0];
      EXPECT_EQ(done[0].wParam, static_cast<std::uintptr_t>(outcome.count)) << name;
    }
  }
  return outcome;
}

TEST(FaultSweep, TheCleanOfEveryItemInBothModes) {
  for (const std::string& name : EveryItem()) {
    for (const bool testMode : {true, false}) {
      const std::string what = name + (testMode ? " (test)" : " (clean)");
      const CleanOutcome sound = CleanOnce(name, testMode, 0);
      if (testMode) {
        EXPECT_TRUE(sound.change.removed.empty() && sound.change.changed.empty())
            << what << " changed " << NotIn(sound.change.removed, {});
      }
      if (sound.calls == 0) continue;  // nothing on the ports: nothing to sweep
      std::uint64_t points = 0;
      EXPECT_TRUE(SweepFaults(
          [&](std::uint64_t nth) {
            const CleanOutcome hurt = CleanOnce(name, testMode, nth);
            if (!hurt.fired) return false;
            ++points;
            // Only what the sound run removes or rewrites, and no leftovers.
            EXPECT_EQ(NotIn(hurt.change.removed, sound.change.removed), "") << what << " #" << nth;
            EXPECT_EQ(NotIn(hurt.change.changed, sound.change.changed), "") << what << " #" << nth;
            EXPECT_EQ(NotIn(hurt.change.added, sound.change.added), "") << what << " #" << nth;
            // Whatever the fault kept from going is not counted as gone.
            if (hurt.count >= 0) {
              EXPECT_LE(hurt.count, sound.count) << what << " #" << nth;
              const std::size_t kept = NotInCount(sound.change.removedFiles, hurt.change.removed);
              if (!testMode) {
                EXPECT_LE(static_cast<std::int32_t>(kept), sound.count - hurt.count)
                    << what << " #" << nth;
              }
            }
            return true;
          },
          kSweepLimit))
          << what;
      Report("clean " + what, points);
    }
  }
}

// ---- the fix of every problem kind ----------------------------------------------------

constexpr const char* kBackupFolder = "C:\\Program Files\\Norvik Cleaner\\Backup";
constexpr const char* kRunFile = "C:\\Program Files\\Norvik Cleaner\\Backup\\2026_02_03_070509.reg";
constexpr const char* kShortcut = "C:\\Users\\user\\Desktop\\old.lnk";

class NoStatus : public registry::FixView {
 public:
  void SetStatusText(std::string_view text) override { last = text; }
  std::string last;
};

// One row of every kind and how to tell that what it designates is gone.
struct FixRow {
  ProblemKind kind;
  const char* data;
  const char* key;
  std::function<bool(sim::SimPlatform&)> gone;
};

std::vector<FixRow> EveryKind() {
  auto noValue = [](RootKey root, std::string path, std::string name) {
    return [=](sim::SimPlatform& sim) { return !sim.registry().value(root, path, name); };
  };
  auto noKey = [](RootKey root, std::string path) {
    return [=](sim::SimPlatform& sim) { return !sim.registry().keyExists(root, path); };
  };
  return {
      {ProblemKind::ValuePath, "gone.exe", "HKEY_CURRENT_USER\\Software\\X\\Name",
       noValue(RootKey::CurrentUser, "Software\\X", "Name")},
      {ProblemKind::ValueInKey, "C:\\dir\\file.dll", "HKEY_CURRENT_USER\\Software\\X",
       noValue(RootKey::CurrentUser, "Software\\X", "C:\\dir\\file.dll")},
      {ProblemKind::SubKey, "Old", "HKEY_CURRENT_USER\\Software\\X",
       noKey(RootKey::CurrentUser, "Software\\X\\Old")},
      {ProblemKind::ShortcutFile, "C:\\missing.exe", kShortcut,
       [](sim::SimPlatform& sim) { return !sim.files().fileExists(kShortcut); }},
      {ProblemKind::DefaultValue, "default data", "HKEY_CURRENT_USER\\Software\\X",
       noValue(RootKey::CurrentUser, "Software\\X", "")},
      {ProblemKind::UserAssistValue, "UEME_RUNPATH", "HKEY_CURRENT_USER\\Software\\X",
       noValue(RootKey::CurrentUser, "Software\\X", "HRZR_EHACNGU")},
      {ProblemKind::SubKey, "Sub", "HKEY_CLASSES_ROOT\\A", noKey(RootKey::ClassesRoot, "A\\Sub")},
      {ProblemKind::Key, "whole key", "HKEY_LOCAL_MACHINE\\Software\\Gone",
       noKey(RootKey::LocalMachine, "Software\\Gone")},
      // Text outside the code page turns the run's file into the Unicode form.
      {ProblemKind::ValuePath, "u", "HKEY_CURRENT_USER\\Software\\U\\\xE2\x82\xAC",
       noValue(RootKey::CurrentUser, "Software\\U", "\xE2\x82\xAC")},
  };
}

// Fixes every row with the `nth` port call failing; true when it fired.
bool FixOnce(std::uint64_t nth, Errc code) {
  sim::SimPlatform sim;
  EXPECT_TRUE(sim.files().createFolders(kBackupFolder).ok());
  EXPECT_TRUE(sim.writeFile(kShortcut, "link"));
  sim.clock().setNow({2026, 2, 3, 7, 5, 9, 0});
  sim.registry().loadRegText(
      "REGEDIT4\n\n"
      "[HKEY_CURRENT_USER\\Software\\X]\n\"Name\"=\"gone.exe\"\n"
      "\"C:\\\\dir\\\\file.dll\"=dword:00000001\n@=\"default data\"\n"
      "\"HRZR_EHACNGU\"=hex:01,02\n\"Keep\"=\"stay\"\n"
      "[HKEY_CURRENT_USER\\Software\\X\\Old]\n\"o\"=\"1\"\n"
      "[HKEY_CURRENT_USER\\Software\\X\\Old\\Inner]\n\"i\"=hex(2):25,00\n"
      "[HKEY_CURRENT_USER\\Software\\U]\n\"\xE2\x82\xAC\"=\"\xC3\xA9\"\n"
      "[HKEY_CLASSES_ROOT\\A\\Sub]\n\"s\"=dword:00000005\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Gone]\n\"g\"=\"3\"\n");
  registry::BackupSettings settings;
  settings.OutputDirectory = kBackupFolder;
  registry::ResultsModel results;
  const auto rows = EveryKind();
  for (const FixRow& row : rows) {
    results.Append(registry::ProblemEntry{"Problem", row.data, row.key, row.kind, true});
  }
  const Snapshot before = Take(sim);

  if (nth > 0) sim.faults().failNthCall(nth, code);
  registry::FixEnvironment env{sim.ports(), settings, 12, [] { return true; }, [] {}};
  NoStatus view;
  const registry::FixResult result = registry::FixSelectedProblems(env, results, view);
  const bool fired = sim.faults().faultsFired() > 0;
  sim.faults().clearRules();

  // Counts: one per designated thing gone; the rows left are the ones
  // whose thing is still there.
  std::size_t gone = 0;
  for (const FixRow& row : rows) gone += row.gone(sim) ? 1 : 0;
  EXPECT_EQ(result.deleted, gone) << "#" << nth;
  EXPECT_EQ(result.rowsRemoved + results.Count(), rows.size()) << "#" << nth;
  for (const auto& left : results.Rows()) {
    for (const FixRow& row : rows) {
      if (left.RegistryKey == row.key && left.Data == row.data) {
        EXPECT_FALSE(row.gone(sim)) << "#" << nth << " " << row.key;
      }
    }
  }
  if (result.outcome == registry::FixOutcome::Finished) {
    EXPECT_EQ(view.last, "Fix errors finished!") << "#" << nth;
  } else {
    EXPECT_EQ(result.outcome, registry::FixOutcome::Stopped) << "#" << nth;
    EXPECT_TRUE(result.error) << "#" << nth;
  }
  // No stray files beside the backup.
  const Change change = Compare(before, Take(sim));
  for (const auto& added : change.added) {
    if (added.front() != '[') {
      EXPECT_NE(added.find("2026_02_03_070509.reg"), std::string::npos) << "#" << nth << added;
    }
  }
  // Importing the backup brings back every key and value the run deleted.
  const std::string backup = sim.readFile(kRunFile);
  sim.registry().loadRegFile({reinterpret_cast<const std::uint8_t*>(backup.data()), backup.size()});
  Snapshot restored = Take(sim);
  Snapshot original = before;
  restored.files.clear();
  original.files.clear();
  EXPECT_EQ(NotIn(Compare(original, restored).removed, {}), "") << "#" << nth;
  return fired;
}

TEST(FaultSweep, TheFixOfEveryProblemKind) {
  SweepErrors("fix of every problem kind", FixOnce);
}

// ---- the backup writer and the rewrite into the Unicode form ---------------------------

TEST(FaultSweep, TheBackupWriterAndItsUnicodeRewrite) {
  constexpr const char* kFile = "C:\\Backup\\run.reg";
  struct Case {
    const char* what;
    std::string existing;  // "" : no file yet
    bool wholeKey;
    const char* key;
    const char* value;
  };
  const std::string ansi = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Old]\r\n\"o\"=\"1\"\r\n";
  std::string unicode = "\xFF\xFE";
  for (const char ch : std::string("Windows Registry Editor Version 5.00\r\n\r\n"
                                   "[HKEY_CURRENT_USER\\Software\\Old]\r\n\"o\"=\"1\"\r\n")) {
    unicode += ch;
    unicode += '\0';
  }
  const std::vector<Case> cases = {
      {"a key tree into a new file", "", true, "Software\\A", ""},
      {"a key tree appended", ansi, true, "Software\\A", ""},
      {"a value that rewrites the file", ansi, false, "Software\\B", "\xE2\x82\xAC"},
      {"a value appended to a Unicode file", unicode, false, "Software\\B", "\xE2\x82\xAC"},
  };
  for (const Case& c : cases) {
    auto attempt = [&](std::uint64_t nth, Errc code) {
      sim::SimPlatform sim;
      EXPECT_TRUE(sim.files().createFolders("C:\\Backup").ok());
      if (!c.existing.empty()) {
        EXPECT_TRUE(sim.writeFile(kFile, c.existing));
      }
      sim.registry().loadRegText(
          "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\A]\n\"a\"=\"1\"\n\"b\"=hex:01,02\n"
          "[HKEY_CURRENT_USER\\Software\\A\\Deep]\n\"d\"=dword:00000002\n"
          "[HKEY_CURRENT_USER\\Software\\B]\n\"\xE2\x82\xAC\"=\"\xC3\xA9\"\n");
      const Snapshot before = Take(sim);
      if (nth > 0) sim.faults().failNthCall(nth, code);
      const auto written = registry::ExportToBackup(sim.ports(), kFile, PredefinedRoot::CurrentUser,
                                                    c.wholeKey, c.value, c.key);
      const bool fired = sim.faults().faultsFired() > 0;
      sim.faults().clearRules();
      // The file still loads whole with every entry it held; the new
      // entry is in it, whole, when the writer says so.
      const std::string now = sim.readFile(kFile);
      sim::SimRegistry check;
      check.loadRegFile({reinterpret_cast<const std::uint8_t*>(now.data()), now.size()});
      if (!c.existing.empty()) {
        EXPECT_TRUE(check.value(RootKey::CurrentUser, "Software\\Old", "o")) << c.what << nth;
      }
      const auto entry = check.saveRegText(RootKey::CurrentUser, c.key);
      if (written && *written) {
        EXPECT_EQ(entry.value_or("missing"),
                  sim.registry().saveRegText(RootKey::CurrentUser, c.key).value_or("?"))
            << c.what << " #" << nth;
      } else {
        EXPECT_FALSE(written.ok()) << c.what << " #" << nth;
        if (entry) {
          EXPECT_EQ(*entry, sim.registry().saveRegText(RootKey::CurrentUser, c.key).value_or("?"))
              << c.what << " #" << nth;
        }
      }
      // No temporary file is left behind.
      const Change change = Compare(before, Take(sim));
      for (const auto& added : change.added) {
        EXPECT_NE(added.find("run.reg"), std::string::npos) << c.what << " #" << nth << added;
        EXPECT_EQ(added.find('~'), std::string::npos) << c.what << " #" << nth << added;
      }
      return fired;
    };
    SweepErrors(std::string("backup: ") + c.what, attempt);
  }
}

// ---- the settings writer ------------------------------------------------------------------

TEST(FaultSweep, TheSettingsWriterLeavesEveryKeyOldOrNew) {
  const std::string folder = "C:\\Program Files\\Norvik Cleaner\\";
  const std::string ini = app::OptionsIniPath(folder);
  test::FakeSettingsTrees trees;
  trees.cleanNodes = {{"Internet Explorer", true},
                      {"Internet Explorer - Cookies", true},
                      {"Windows - Temporary Files"}};
  trees.sections = {{1, true}, {2, false}};
  app::Options oldOptions;
  oldOptions.OutputDirectory = "C:\\Old\\";
  oldOptions.IgnoreValueCount = 3;
  oldOptions.IgnoreValues = {"v1", "v2", "v3"};
  app::Options newOptions;
  newOptions.OutputDirectory = "D:\\New\\";
  newOptions.FastScan = !oldOptions.FastScan;
  newOptions.IsWipeFile = !oldOptions.IsWipeFile;
  newOptions.IgnoreValueCount = 1;
  newOptions.IgnoreValues = {"n1"};
  newOptions.IgnoreKeyCount = 2;
  newOptions.IgnoreKeys = {"HKEY_CURRENT_USER\\K1", "HKEY_CURRENT_USER\\K2"};

  // Every key of the file, by section.
  auto keys = [&](sim::SimPlatform& sim) {
    std::map<std::string, std::string> all;
    for (const auto& section : sim.profile().sectionNames(ini)) {
      for (const auto& line : sim.profile().sectionLines(ini, section)) {
        const auto equals = line.find('=');
        all[section + "/" + line.substr(0, equals)] =
            equals == std::string::npos ? "" : line.substr(equals + 1);
      }
    }
    return all;
  };
  auto write = [&](sim::SimPlatform& sim, app::Options options, std::uint64_t nth) {
    auto newTrees = trees;
    newTrees.cleanNodes[2].ticked = nth != ~0ull;
    if (nth > 0 && nth != ~0ull) sim.faults().failNthCall(nth, Errc::DiskFull);
    app::WriteOptionsIni({sim.profile(), ini, folder}, options, nth == ~0ull ? trees : newTrees,
                         {1, 10, 20, 713, 494});
  };
  std::map<std::string, std::string> oldKeys;
  std::map<std::string, std::string> newKeys;
  std::string oldFile;
  {
    sim::SimPlatform sim;
    EXPECT_TRUE(sim.files().createFolders(folder).ok());
    write(sim, oldOptions, ~0ull);
    oldKeys = keys(sim);
    oldFile = sim.readFile(ini);
    write(sim, newOptions, 0);
    newKeys = keys(sim);
  }
  std::uint64_t points = 0;
  EXPECT_TRUE(SweepFaults(
      [&](std::uint64_t nth) {
        sim::SimPlatform sim;
        EXPECT_TRUE(sim.writeFile(ini, oldFile));
        const auto callsBefore = sim.faults().totalCalls();
        write(sim, newOptions, nth);
        const bool fired = sim.faults().faultsFired() > 0;
        sim.faults().clearRules();
        if (!fired) return false;
        ++points;
        EXPECT_GT(sim.faults().totalCalls(), callsBefore);
        // Nothing beside the file, which parses, and every key holds its
        // old or its new value.
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(sim.hostPath(folder))) {
          names.insert(entry.path().filename().string());
        }
        EXPECT_EQ(names, std::set<std::string>{"options.ini"}) << "#" << nth;
        const auto now = keys(sim);
        std::set<std::string> all;
        for (const auto* map :
             std::vector<const std::map<std::string, std::string>*>{&oldKeys, &newKeys, &now}) {
          for (const auto& [key, value] : *map) all.insert(key);
        }
        for (const auto& key : all) {
          auto valueIn = [&](const std::map<std::string, std::string>& map) {
            const auto found = map.find(key);
            return found == map.end() ? std::string("<none>") : found->second;
          };
          const std::string value = valueIn(now);
          EXPECT_TRUE(value == valueIn(oldKeys) || value == valueIn(newKeys))
              << "#" << nth << " " << key << "=" << value;
        }
        return true;
      },
      kSweepLimit));
  Report("settings writer", points);
}

// ---- the restore -------------------------------------------------------------------------

class RestoreRecorder : public registry::RestoreView {
 public:
  void SetFolderText(std::string_view) override {}
  void SetRows(const std::vector<registry::BackupRow>& newRows) override { rows = newRows; }
  void RemoveRow(std::size_t index) override { rows.erase(rows.begin() + index); }
  void SelectRow(std::optional<std::size_t>) override {}
  void EnableRestore(bool) override {}
  void EnableDelete(bool) override {}
  std::optional<std::string> BrowseForFolder(std::string_view) override { return std::nullopt; }
  bool RunWaitDialog(registry::BackupHintController& hint) override {
    struct Quiet : registry::BackupHintView {
      void SetHintText(std::string_view) override {}
      void SetBarPosition(int) override {}
      void Close(bool closedOk) override { ok = closedOk; }
      bool ok = false;
    } view;
    hint.Show(view);
    for (int i = 0; i < 100 && !hint.Closed(); ++i) hint.TimerTick();
    if (!hint.Closed()) hint.StopClicked();
    return view.ok;
  }
  std::vector<registry::BackupRow> rows;
};

TEST(FaultSweep, TheRestoreDeletesABackupOnlyOnceItIsBack) {
  constexpr const char* kFile = "C:\\Backup\\2026_02_03_070509.reg";
  auto attempt = [](std::uint64_t nth, Errc code) {
    sim::SimPlatform sim;
    registry::BackupSettings settings;
    settings.OutputDirectory = "C:\\Backup";
    EXPECT_TRUE(sim.writeFile(kFile,
                              "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Restored]\r\n"
                              "\"A\"=\"1\"\r\n\"B\"=dword:00000002\r\n"
                              "[HKEY_CURRENT_USER\\Software\\Restored\\Sub]\r\n@=\"d\"\r\n"));
    // The editor reads the file through the drive as any program would, so
    // that a fault can keep it from importing.
    sim.programs().setOnStart([&sim](std::string_view commandLine) {
      const auto open = commandLine.find('"');
      const auto close = commandLine.rfind('"');
      if (open == close) return;
      auto bytes = platform::ReadWholeFile(
          sim.files(), std::string(commandLine.substr(open + 1, close - open - 1)));
      if (bytes) sim.registry().loadRegText(*bytes);
    });
    if (nth > 0) sim.faults().failNthCall(nth, code);
    RestoreRecorder view;
    registry::RestoreController controller(
        {sim.ports(), settings, [](std::int64_t) { return std::string("t"); }});
    controller.Show(view);
    controller.SelectionChanged(0);
    controller.RestoreClicked();
    const bool fired = sim.faults().faultsFired() > 0;
    sim.faults().clearRules();

    const bool back =
        sim.registry().value(RootKey::CurrentUser, "Software\\Restored", "A").has_value() &&
        sim.registry().value(RootKey::CurrentUser, "Software\\Restored", "B").has_value() &&
        sim.registry().value(RootKey::CurrentUser, "Software\\Restored\\Sub", "").has_value();
    const bool kept = sim.files().fileExists(kFile);
    EXPECT_TRUE(kept || back) << "#" << nth << ": the backup went before it was back";
    // The list shows the file while it is there, and no file that is gone.
    EXPECT_LE(view.rows.size(), kept ? 1u : 0u) << "#" << nth;
    // A restore that did not bring everything back says so.
    if (!back && !sim.programs().started().empty()) {
      EXPECT_EQ(sim.prompts().count(sim::SimPrompts::Kind::Error), 1u) << "#" << nth;
    }
    return fired;
  };
  SweepErrors("restore", attempt);
}

// ---- registry compaction -------------------------------------------------------------------

// An analysis, "Defrag Registry" (answered Yes to the restart) and the
// program's close on three small hives, one with an earlier backup and
// one with a backup of an earlier swap set aside. True when the fault
// fired.
bool CompactOnce(std::uint64_t nth, Errc code) {
  sim::SimPlatform sim;
  std::vector<test::HiveSpec> hives = test::ThreeHives();
  const std::uint64_t sizes[][2] = {{40960, 32768}, {20480, 16384}, {8192, 12288}};
  for (std::size_t i = 0; i < hives.size(); ++i) {
    hives[i].fileSize = sizes[i][0];
    hives[i].copySize = sizes[i][1];
  }
  test::InstallHives(sim, hives);
  sim.writeFile(hives[0].file + ".bak", "earlier backup");
  sim.writeFile(hives[1].file + ".bak.prev", "set aside");
  sim.prompts().setDefaultAnswer(true);
  test::RecordingView view;
  const registry::BackupSettings settings;
  app::DefragController controller(sim.ports(), sim.messages(), view, settings, {});
  controller.ListHives();
  const Snapshot before = Take(sim);

  auto& faults = sim.faults();
  if (nth > 0) faults.failNthCall(nth, code);
  controller.Analyze(false);
  controller.Defrag(false, 12);
  const auto scheduled = sim.hives().replacements();
  sim.hives().releaseScheduled();
  controller.OnProgramClose();
  const bool fired = faults.faultsFired() > 0;
  faults.clearRules();
  const std::string what = std::string(ErrcName(code)) + " at call " + std::to_string(nth);

  for (const auto& replacement : scheduled) {
    const std::string bytes = ReadHostFile(sim.hostPath(replacement.newFile));
    EXPECT_EQ(registry::JudgeHiveHead(
                  std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
                  bytes.size()),
              registry::HiveFileVerdict::Whole)
        << what << ": " << replacement.newFile;
  }
  if (scheduled.empty()) {
    EXPECT_EQ(sim.hives().restartRequests(), 0) << what;
  }
  // Gone may be only copies the program made, and the backup whose name
  // the system takes at the restart of a scheduled swap.
  const Change change = Compare(before, Take(sim));
  for (const std::string& gone : change.removedFiles) {
    const bool copy = gone.ends_with(".fdc");
    const bool freedBackup = gone.ends_with("software.bak") && !scheduled.empty() &&
                             scheduled.front().path == "SOFTWARE";
    EXPECT_TRUE(copy || freedBackup) << what << ": deleted " << gone;
  }
  for (const std::string& changed : change.changed) {
    EXPECT_TRUE(changed.ends_with(".fdc")) << what << ": changed " << changed;
  }
  return fired;
}

TEST(FaultSweep, CompactionNeverHandsOverABrokenCopyNorDeletesWhatItDidNotMake) {
  SweepErrors("compaction", CompactOnce, {Errc::IoError, Errc::AccessDenied, Errc::DiskFull});
}

}  // namespace
}  // namespace nc::testing
