// The report and exit code of unattended runs: the outcome rules, the JSON
// schema as a reader parses it, and whole "/Clear" and "/Auto" runs of the
// controller over the substitute platform.
#include <gtest/gtest.h>

#include <chrono>
#include <nlohmann/json.hpp>
#include <string>

#include "app/main_controller.h"
#include "app/messages.h"
#include "app/run_report.h"
#include "cleaner/clean_starter.h"
#include "controller_fixture.h"
#include "platform/sim/fault_plan.h"

namespace nc {
namespace {

using app::RunOutcome;
using app::RunReport;
using nlohmann::json;
using namespace std::chrono_literals;

RunReport CleanedReport() {
  RunReport report;
  report.version = "2.8.0";
  report.mode = "/Clear";
  report.started = {2026, 12, 7, 21, 5, 3, 0};
  report.ended = {2026, 12, 7, 21, 6, 0, 0};
  report.cleanStarted = true;
  report.clean.items.push_back({"Windows - Temporary Files", 5, 5, 0, 10240, {}, 0});
  report.clean.items.push_back({"Windows - Start Run", 3, 0, 3, 0, {}, 0});
  report.withRegistry = true;
  report.registry.scanned = true;
  report.registry.sections = {{"Invalid Run entry", 2, 2}};
  report.registry.backupFile = "C:\\Norvik\\Backup\\NC_2026.reg";
  return report;
}

TEST(RunReport, OutcomeAndExitCodeOfEachShapeOfRun) {
  struct Case {
    const char* name;
    void (*change)(RunReport&);
    RunOutcome outcome;
    int exitCode;
  };
  const Case cases[] = {
      {"all done", [](RunReport&) {}, RunOutcome::Done, 0},
      {"a file stayed",
       [](RunReport& r) {
         r.clean.items[0].failures.push_back({"C:\\t\\a.tmp", "in use"});
       },
       RunOutcome::Failures, 1},
      {"failures past the kept ones", [](RunReport& r) { r.clean.items[1].failuresLeftOut = 3; },
       RunOutcome::Failures, 1},
      {"a browser was open",
       [](RunReport& r) {
         r.cleanStarted = false;
         r.clean.items.clear();
         r.cleanRefused = true;
       },
       RunOutcome::Refused, 1},
      {"the clean stopped on an error", [](RunReport& r) { r.cleanStoppedOnError = true; },
       RunOutcome::Failures, 1},
      {"closed before the end", [](RunReport& r) { r.interrupted = true; }, RunOutcome::Failures,
       1},
      {"a problem stayed in the registry", [](RunReport& r) { r.registry.sections[0].fixed = 1; },
       RunOutcome::Failures, 1},
      {"the backup could not be written",
       [](RunReport& r) { r.registry.failure = "the backup could not be written"; },
       RunOutcome::Failures, 1},
      {"registry problems left by /Auto, which does not fix",
       [](RunReport& r) {
         r.withRegistry = false;
         r.registry.sections[0].fixed = 0;
       },
       RunOutcome::Done, 0},
      {"nothing ticked to clean, the scan ran",
       [](RunReport& r) {
         r.cleanStarted = false;
         r.clean.items.clear();
       },
       RunOutcome::Done, 0},
      {"nothing ran at all",
       [](RunReport& r) {
         r.cleanStarted = false;
         r.clean.items.clear();
         r.registry.scanned = false;
       },
       RunOutcome::CouldNotRun, 2},
      {"a box answered without a window",
       [](RunReport& r) {
         r.answeredBoxes.push_back({"question", "Delete?", "No"});
       },
       RunOutcome::Failures, 1},
      {"settings file not writable",
       [](RunReport& r) { r.couldNotRun = "the settings file cannot be written"; },
       RunOutcome::CouldNotRun, 2},
  };
  for (const Case& c : cases) {
    RunReport report = CleanedReport();
    c.change(report);
    EXPECT_EQ(app::OutcomeOf(report), c.outcome) << c.name;
    EXPECT_EQ(app::ExitCodeOf(app::OutcomeOf(report)), c.exitCode) << c.name;
    EXPECT_EQ(json::parse(app::ReportJson(report))["exitCode"], c.exitCode) << c.name;
  }
}

// The schema a reader of the report relies on.
void ExpectReportSchema(const json& r) {
  ASSERT_TRUE(r.is_object());
  EXPECT_EQ(r["schema"], app::kReportSchemaVersion);
  EXPECT_EQ(r["program"], "Norvik Cleaner");
  EXPECT_EQ(r["version"], app::kFullVersion);
  for (const char* key : {"mode", "runId", "started", "ended", "outcome"}) {
    EXPECT_TRUE(r[key].is_string()) << key;
  }
  for (const char* key : {"started", "ended"}) {
    EXPECT_EQ(r[key].get<std::string>().size(), 20u) << key;
    EXPECT_EQ(r[key].get<std::string>().back(), 'Z') << key;
  }
  EXPECT_TRUE(r["exitCode"].is_number_integer());
  EXPECT_TRUE(r["interrupted"].is_boolean());
  const json& clean = r["clean"];
  EXPECT_TRUE(clean["started"].is_boolean());
  EXPECT_TRUE(clean["stoppedOnError"].is_boolean());
  ASSERT_TRUE(clean["items"].is_array());
  std::int64_t files = 0, entries = 0, items = 0, failures = 0;
  std::uint64_t bytes = 0;
  for (const json& item : clean["items"]) {
    EXPECT_TRUE(item["runName"].is_string());
    for (const char* key : {"items", "files", "registryEntries", "bytes", "failuresLeftOut"}) {
      EXPECT_TRUE(item[key].is_number_unsigned() || item[key].is_number_integer()) << key;
    }
    ASSERT_TRUE(item["failures"].is_array());
    for (const json& failure : item["failures"]) {
      EXPECT_TRUE(failure["target"].is_string());
      EXPECT_TRUE(failure["reason"].is_string());
    }
    items += item["items"].get<std::int64_t>();
    files += item["files"].get<std::int64_t>();
    entries += item["registryEntries"].get<std::int64_t>();
    bytes += item["bytes"].get<std::uint64_t>();
    failures += static_cast<std::int64_t>(item["failures"].size()) +
                item["failuresLeftOut"].get<std::int64_t>();
  }
  const json& totals = r["totals"];
  EXPECT_EQ(totals["items"], items);
  EXPECT_EQ(totals["files"], files);
  EXPECT_EQ(totals["registryEntries"], entries);
  EXPECT_EQ(totals["bytes"], bytes);
  EXPECT_EQ(totals["failures"], failures);
  if (r.contains("registry")) {
    const json& registry = r["registry"];
    EXPECT_TRUE(registry["scanned"].is_boolean());
    EXPECT_TRUE(registry["backupFile"].is_string());
    EXPECT_TRUE(registry["failure"].is_string());
    ASSERT_TRUE(registry["failures"].is_array());
    for (const json& failure : registry["failures"]) {
      for (const char* key : {"problem", "key", "reason"}) EXPECT_TRUE(failure[key].is_string());
    }
    std::int64_t found = 0, fixed = 0;
    for (const json& section : registry["sections"]) {
      EXPECT_TRUE(section["problem"].is_string());
      found += section["found"].get<std::int64_t>();
      fixed += section["fixed"].get<std::int64_t>();
    }
    EXPECT_EQ(registry["found"], found);
    EXPECT_EQ(registry["fixed"], fixed);
    EXPECT_EQ(totals["registryProblemsFound"], found);
    EXPECT_EQ(totals["registryProblemsFixed"], fixed);
  }
}

TEST(RunReport, TheJsonHoldsEveryFactUnderItsKey) {
  RunReport report = CleanedReport();
  report.version = app::kFullVersion;
  report.clean.items[0].failures.push_back({"C:\\Temp\\held.tmp", "delete file: in use"});
  // A name that is not valid UTF-8 never stops the report.
  report.clean.items[0].failures.push_back({"C:\\Temp\\bad\xff.tmp", "delete file: access denied"});
  const json r = json::parse(app::ReportJson(report));
  ExpectReportSchema(r);
  EXPECT_EQ(r["mode"], "/Clear");
  EXPECT_EQ(r["started"], "2026-12-07T21:05:03Z");
  EXPECT_EQ(r["outcome"], "failures");
  EXPECT_EQ(r["clean"]["items"][0]["failures"][0]["target"], "C:\\Temp\\held.tmp");
  EXPECT_EQ(r["registry"]["backupFile"], "C:\\Norvik\\Backup\\NC_2026.reg");
  EXPECT_EQ(r["totals"]["bytes"], 10240);

  report.withRegistry = false;  // "/Auto": no registry part
  EXPECT_FALSE(json::parse(app::ReportJson(report)).contains("registry"));
}

TEST(RunReport, RegistryProblemsAreCountedBySectionBeforeAndAfterTheRepair) {
  using registry::ProblemEntry;
  const std::vector<ProblemEntry> before = {
      {"Invalid file extension", ".abc", "HKEY_CLASSES_ROOT\\.abc", {}, true},
      {"Invalid Run entry", "x", "HKEY_CURRENT_USER\\Run", {}, true},
      {"Invalid file extension", ".def", "HKEY_CLASSES_ROOT\\.def", {}, true},
      {"Invalid file extension", ".ign", "HKEY_CLASSES_ROOT\\.ign", {}, false},  // not ticked
  };
  const std::vector<ProblemEntry> after = {before[2], before[3]};
  const auto sections = app::CountFixedBySection(before, after);
  ASSERT_EQ(sections.size(), 2u);
  EXPECT_EQ(sections[0].problem, "Invalid file extension");
  EXPECT_EQ(sections[0].found, 2u);
  EXPECT_EQ(sections[0].fixed, 1u);
  EXPECT_EQ(sections[1].problem, "Invalid Run entry");
  EXPECT_EQ(sections[1].found, 1u);
  EXPECT_EQ(sections[1].fixed, 1u);
}

// Whole unattended runs of the controller, with "Windows - Temporary
// Files" ticked over six files in the temporary folder.
class UnattendedReportTest : public test::ControllerFixture {
 protected:
  UnattendedReportTest() {
    sim.messages().setHandler([this](const sim::PostedMessage& m) {
      if (controller) controller->OnMessage(m.message, m.wParam, m.lParam);
    });
    temp = sim.files().tempFolder();
    for (int i = 0; i < 6; ++i) {
      sim.writeFile(temp + "junk" + std::to_string(i) + ".tmp", std::string(1024, 'x'));
    }
    const std::string ini = folder + "options.ini";
    sim.profile().writeString(ini, "NodeSelected", "SelectedCount", "1");
    sim.profile().writeString(ini, "NodeSelected", "1", "Windows - Temporary Files");
  }
  ~UnattendedReportTest() override {
    if (controller) controller->OnClose();
  }

  // Runs the program with `arguments` until the run is over.
  void run(std::vector<std::string> arguments) {
    auto& c = start(std::move(arguments));
    sim.messages().pumpUntil([&] { return c.closed() || ended(); }, 20s);
  }
  bool ended() {
    if (controller->cleanBusy() || controller->scanRunning() || sim.messages().pending() != 0) {
      return false;
    }
    const json r = readReport();
    return r.is_object() && r["outcome"] != "running";
  }
  json readReport() {
    auto text = platform::ReadWholeFile(sim.files(), report);
    if (!text) return json();
    return json::parse(*text);
  }

  std::string temp;
  const std::string report = "C:\\Reports\\run.json";
};

TEST_F(UnattendedReportTest, AClearWithAFileThatStaysReportsItAndEndsWithOne) {
  sim.faults().failFrom(sim::PortMethod::FilesDeleteFile, 1, Errc::AccessDenied, "junk2.tmp");
  run({"/Clear", report});
  ASSERT_TRUE(controller->closed());
  const json r = readReport();
  ExpectReportSchema(r);
  EXPECT_EQ(r["mode"], "/Clear");
  ASSERT_EQ(r["clean"]["items"].size(), 1u);
  const json& item = r["clean"]["items"][0];
  EXPECT_EQ(item["runName"], "Windows - Temporary Files");
  EXPECT_EQ(item["files"], 5);
  EXPECT_EQ(item["bytes"], 5 * 1024);
  ASSERT_EQ(item["failures"].size(), 1u);
  EXPECT_EQ(item["failures"][0]["target"], temp + "junk2.tmp");
  EXPECT_NE(item["failures"][0]["reason"].get<std::string>().find("access denied"),
            std::string::npos);
  EXPECT_TRUE(r["registry"]["scanned"]);
  EXPECT_EQ(r["outcome"], "failures");
  EXPECT_EQ(controller->exitCode(), 1);
  EXPECT_TRUE(sim.files().fileExists(temp + "junk2.tmp"));
  EXPECT_FALSE(sim.files().fileExists(temp + "junk1.tmp"));
}

TEST_F(UnattendedReportTest, ASettingsFileThatCannotBeWrittenStopsTheRunBeforeAnythingGoes) {
  sim.faults().failFrom(sim::PortMethod::FilesOpen, 1, Errc::AccessDenied, "options.ini.tmp~");
  run({"/clear", report});
  ASSERT_TRUE(controller->closed());
  const json r = readReport();
  ExpectReportSchema(r);
  EXPECT_EQ(r["outcome"], "could not run");
  EXPECT_NE(r["couldNotRunBecause"].get<std::string>().find("options.ini"), std::string::npos);
  EXPECT_FALSE(r["clean"]["started"]);
  EXPECT_EQ(controller->exitCode(), 2);
  for (int i = 0; i < 6; ++i)
    EXPECT_TRUE(sim.files().fileExists(temp + "junk" + std::to_string(i) + ".tmp"));
}

TEST_F(UnattendedReportTest, AReportThatCannotBeWrittenNeverStopsTheCleanAndTurnsZeroIntoOne) {
  sim.faults().failFrom(sim::PortMethod::FilesOpen, 1, Errc::AccessDenied, "run.json");
  run({"/Clear", report});
  ASSERT_TRUE(controller->closed());
  EXPECT_FALSE(sim.files().fileExists(report));
  for (int i = 0; i < 6; ++i)
    EXPECT_FALSE(sim.files().fileExists(temp + "junk" + std::to_string(i) + ".tmp"));
  EXPECT_EQ(controller->exitCode(), 1);

  // Without a report file the same run ends with 0.
  controller.reset();
  for (int i = 0; i < 6; ++i) sim.writeFile(temp + "junk" + std::to_string(i) + ".tmp", "x");
  auto& c = start({"/Clear"});
  sim.messages().pumpUntil([&] { return c.closed(); }, 20s);
  EXPECT_EQ(c.exitCode(), 0);
}

// A report never passes for another run's: the run's start replaces the file
// with a "running" report under a fresh id, and a file that cannot be
// written is deleted. Times are universal: the substitute machine's clock is
// one hour east of Greenwich.
TEST_F(UnattendedReportTest, EachRunReplacesTheLastReportAtItsStartAndGivesUniversalTimes) {
  sim.clock().setNow({2026, 12, 8, 0, 30, 5, 0});
  sim.writeFile(report, "{\"outcome\": \"done\", \"exitCode\": 0}");
  auto& c = start({"/Clear", report});
  sim.messages().pumpUntil([&] { return readReport()["outcome"] == "running"; }, 20s);
  const json running = readReport();
  EXPECT_EQ(running["outcome"], "running");
  EXPECT_EQ(running["started"], "2026-12-07T23:30:05Z");
  EXPECT_EQ(running["mode"], "/Clear");
  EXPECT_FALSE(running.contains("exitCode"));
  const std::string id = running["runId"];
  EXPECT_EQ(id.size(), 36u);
  sim.messages().pumpUntil([&] { return c.closed(); }, 20s);
  const json first = readReport();
  ExpectReportSchema(first);
  EXPECT_EQ(first["runId"], id);
  EXPECT_NE(first["outcome"], "running");

  // The next run's report cannot be written: the last one is gone, not kept.
  controller.reset();
  sim.faults().failFrom(sim::PortMethod::FilesOpen, 1, Errc::AccessDenied, "run.json.tmp~");
  auto& d = start({"/Clear", report});
  sim.messages().pumpUntil([&] { return d.closed(); }, 20s);
  EXPECT_FALSE(sim.files().fileExists(report));
  EXPECT_EQ(d.exitCode(), 1);
  sim.faults().clearRules();
  controller.reset();
  auto& e = start({"/Clear", report});
  sim.messages().pumpUntil([&] { return e.closed(); }, 20s);
  EXPECT_NE(readReport()["runId"], id);
}

// A "/Clear" whose fix of the machine's entry the system refuses: only what
// was deleted and backed up counts as fixed; the refused fix is listed with
// its key and the system's reason, and the run ends with 1, though the row
// leaves the list as before.
TEST_F(UnattendedReportTest, AFixTheSystemRefusesIsNotCountedAsFixedAndIsListed) {
  const std::string runKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  sim.registry().loadRegText(R"(REGEDIT4

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Run]
"Ghost"="C:\\Gone\\ghost.exe"

[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run]
"Gone"="C:\\Gone\\gone.exe"
)");
  // The system refuses the deletion of the machine's entry.
  sim.faults().failFrom(sim::PortMethod::RegistryDeleteValue, 1, Errc::AccessDenied, "Ghost");
  run({"/Clear", report});
  ASSERT_TRUE(controller->closed());
  const json r = readReport();
  ExpectReportSchema(r);
  const json& registry = r["registry"];
  ASSERT_EQ(registry["failures"].size(), 1u) << registry.dump();
  EXPECT_EQ(registry["failures"][0]["key"], "HKEY_LOCAL_MACHINE\\" + runKey + "\\Ghost");
  EXPECT_EQ(registry["failures"][0]["reason"], "delete value: access denied");
  EXPECT_EQ(registry["fixed"].get<int>() + 1, registry["found"].get<int>());
  EXPECT_EQ(r["outcome"], "failures");
  EXPECT_EQ(controller->exitCode(), 1);
  EXPECT_TRUE(sim.registry().value(platform::RootKey::LocalMachine, runKey, "Ghost"));
  EXPECT_FALSE(sim.registry().value(platform::RootKey::CurrentUser, runKey, "Gone"));
}

TEST_F(UnattendedReportTest, AutoReportsItsCleanAtStartWithoutARegistryPartAndKeepsRunning) {
  sim.profile().writeString(folder + "options.ini", "SChedule", "StartClean", "1");
  run({"/Auto", report});
  EXPECT_FALSE(controller->closed());
  const json r = readReport();
  ExpectReportSchema(r);
  EXPECT_EQ(r["mode"], "/Auto");
  EXPECT_FALSE(r.contains("registry"));
  EXPECT_EQ(r["totals"]["files"], 6);
  EXPECT_EQ(r["outcome"], "done");
  EXPECT_EQ(controller->exitCode(), 0);
}

// The window's side of the boss key: no tray, nothing else.
class QuietDesktop : public app::DesktopView {
 public:
  platform::WindowId MainWindowId() const override { return 0x99; }
  void SetAutoCleanTimer(bool, std::uint32_t) override {}
  bool AddTrayIcon() override { return false; }
  void RemoveTrayIcon() override {}
  void HideInTray() override {}
  void MinimizeOnTaskbar() override {}
  void ShowRestored() override {}
};

// The boxes a run can meet: "/Clear", with nobody at the machine, shows
// none, answers each (an open browser's items fail, a folder question is
// No, a hot key failure is noted), writes its report and ends with 1.
// "/Auto" runs with the user there and shows them. Parameters: the case
// of the table below, and whether the run is "/Clear".
class UnattendedBoxesTest : public UnattendedReportTest,
                            public ::testing::WithParamInterface<std::tuple<int, bool>> {};

TEST_P(UnattendedBoxesTest, ClearAnswersEveryBoxWithoutAWindowAndAutoShowsIt) {
  static QuietDesktop quiet;  // outlives the controller, which the fixture closes
  const std::string cookies =
      "C:\\Users\\user\\AppData\\Roaming\\Mozilla\\Firefox\\Profiles\\p\\cookies.txt";
  const auto set = [&](const char* section, const char* key, const char* value) {
    sim.profile().writeString(folder + "options.ini", section, key, value);
  };
  struct Case {
    std::function<void()> arrange;
    std::string box;   // the box's text
    const char* kind;  // how the report names the answered box; none for a failed item
    std::string kept;  // what the run leaves
  };
  const Case cases[] = {
      {[&] {  // an open browser; its item ticked alone, as an administrator writes it
         set("NodeSelected", "2", "Mozilla Firefox - Cookies");
         sim.programs().addWindow("MozillaWindowClass");
       },
       std::string(cleaner::kCloseFirefoxText), nullptr, cookies},
      {[&] {  // a custom list naming a drive root
         set("NodeSelected", "2", "Custom Lists - <New List>");
         sim.writeFile(folder + "Custom.dat", "[<New List>]\r\nDelFile1=D:\\,*.tmp\r\n");
       },
       "Do you want to delete all files and folders under D:\\?", "question", "D:\\a.tmp"},
      {[&] {  // a boss key taken by another copy
         set("Hotkey", "EnableHotkey", "1");
         set("Hotkey", "IsAlt", "1");
         set("Hotkey", "CharAscII", "72");
         sim.desktop().takeCombination(platform::HotkeyMod::Control | platform::HotkeyMod::Alt,
                                       'H');
         desktop = &quiet;
       },
       app::kBossKeyFailedText, "error", cookies},
  };
  const auto [index, clear] = GetParam();
  const Case& c = cases[index];
  set("SChedule", "StartClean", "1");
  set("NodeSelected", "SelectedCount", "2");
  sim.writeFile(cookies, "c");
  sim.addDrive('D');
  sim.writeFile("D:\\a.tmp", "a");
  c.arrange();
  run({clear ? "/Clear" : "/Auto", report});
  const json r = readReport();
  ExpectReportSchema(r);
  EXPECT_TRUE(sim.files().fileExists(c.kept));
  std::vector<std::string> shown;
  for (const auto& record : sim.prompts().records()) shown.push_back(record.text);
  EXPECT_EQ(shown, clear ? std::vector<std::string>{} : std::vector<std::string>{c.box});
  if (!clear) return;
  EXPECT_FALSE(sim.files().fileExists(temp + "junk0.tmp"));  // the rest of the run went on
  EXPECT_TRUE(controller->closed());
  EXPECT_EQ(controller->exitCode(), 1);
  EXPECT_TRUE(r["registry"]["scanned"]);
  if (c.kind == nullptr) {
    ASSERT_FALSE(r["clean"]["items"].empty());
    EXPECT_EQ(r["clean"]["items"][0]["runName"], "Mozilla Firefox - Cookies");
    EXPECT_EQ(r["clean"]["items"][0]["failures"][0]["reason"], c.box);
  } else {
    ASSERT_TRUE(r.contains("answeredWithoutWindow"));
    EXPECT_EQ(r["answeredWithoutWindow"][0]["text"], c.box);
    EXPECT_EQ(r["answeredWithoutWindow"][0]["kind"], c.kind);
    EXPECT_EQ(r["answeredWithoutWindow"][0]["answer"],
              c.kind == std::string("error") ? "OK" : "No");
  }
}

INSTANTIATE_TEST_SUITE_P(Boxes, UnattendedBoxesTest,
                         ::testing::Combine(::testing::Values(0, 1, 2), ::testing::Bool()));

}  // namespace
}  // namespace nc
