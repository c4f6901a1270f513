// The restore dialog's rules (listing, restore through the registry
// editor, delete, other folders), the wait dialog's bar and Stop, and the
// Tools page's full backup and Windows Backup.
#include "registry/backups.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/reg_file.h"
#include "platform/sim/sim_platform.h"
#include "platform/sim/sim_programs.h"

namespace nc::registry {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Kind = sim::SimPrompts::Kind;

TEST(WaitBar, StepsSlowDownTowardsTheEnd) {
  EXPECT_EQ(NextWaitBarPosition(0), 10);
  EXPECT_EQ(NextWaitBarPosition(300), 310);
  EXPECT_EQ(NextWaitBarPosition(301), 306);
  EXPECT_EQ(NextWaitBarPosition(400), 405);
  EXPECT_EQ(NextWaitBarPosition(401), 404);
  EXPECT_EQ(NextWaitBarPosition(450), 453);
  EXPECT_EQ(NextWaitBarPosition(451), 453);
  EXPECT_EQ(NextWaitBarPosition(490), 492);
  EXPECT_EQ(NextWaitBarPosition(491), 492);
  EXPECT_EQ(NextWaitBarPosition(499), 500);
  EXPECT_EQ(NextWaitBarPosition(500), 500);

  // From 0 the bar reaches its end after a known number of ticks.
  int position = 0;
  int ticks = 0;
  while (position < kWaitBarMax && ticks < 1000) {
    position = NextWaitBarPosition(position);
    ++ticks;
  }
  EXPECT_EQ(position, 500);
  EXPECT_EQ(ticks, 31 + 19 + 16 + 19 + 9);
}

class RecordingHintView : public BackupHintView {
 public:
  void SetHintText(std::string_view text) override { hint = std::string(text); }
  void SetBarPosition(int position) override { positions.push_back(position); }
  void Close(bool ok) override { closes.push_back(ok); }
  std::string hint;
  std::vector<int> positions;
  std::vector<bool> closes;
};

TEST(WaitDialog, ClosesWithOkWhenTheEditorEnds) {
  sim::SimPrograms programs;
  programs.setPollsUntilFinished(3);
  auto process = programs.start("Regedit /s \"C:\\a.reg\"", platform::StartShow::Hidden, 0);
  ASSERT_TRUE(process);
  BackupHintController hint(*process.value(), "Restore registry...");
  RecordingHintView view;
  hint.Show(view);
  EXPECT_EQ(view.hint, "Restore registry...");
  for (int i = 0; i < 5; ++i) hint.TimerTick();
  EXPECT_THAT(view.positions, ElementsAre(0, 10, 20, 30));
  EXPECT_THAT(view.closes, ElementsAre(true));
  EXPECT_FALSE(programs.started()[0].terminated);
}

TEST(WaitDialog, StopEndsTheEditorAndClosesWithCancel) {
  sim::SimPrograms programs;
  programs.setPollsUntilFinished(-1);
  auto process = programs.start("Regedit /e \"C:\\all.reg\"", platform::StartShow::Hidden, 0);
  ASSERT_TRUE(process);
  BackupHintController hint(*process.value(), "Backup registry...");
  RecordingHintView view;
  hint.Show(view);
  for (int i = 0; i < 100; ++i) hint.TimerTick();
  EXPECT_EQ(hint.Position(), 500);
  EXPECT_TRUE(view.closes.empty());
  hint.StopClicked();
  hint.StopClicked();
  hint.TimerTick();
  EXPECT_THAT(view.closes, ElementsAre(false));
  EXPECT_TRUE(programs.started()[0].terminated);
}

TEST(RunRegistryEditor, HiddenStartAndMissingEditor) {
  sim::SimPlatform sim;
  sim::SimPrograms programs;
  std::vector<std::string> shown;
  const WaitDialogRunner runner = [&](BackupHintController& hint) -> bool {
    shown.push_back(hint.Hint());
    RecordingHintView view;
    hint.Show(view);
    while (!hint.Closed()) hint.TimerTick();
    return view.closes.back();
  };
  EXPECT_TRUE(RunRegistryEditor(programs, sim.prompts(), "Regedit /s \"C:\\x y.reg\"",
                                kRestoreWaitText, runner));
  ASSERT_EQ(programs.started().size(), 1u);
  EXPECT_EQ(programs.started()[0].commandLine, "Regedit /s \"C:\\x y.reg\"");
  EXPECT_EQ(programs.started()[0].show, platform::StartShow::Hidden);
  EXPECT_THAT(shown, ElementsAre("Restore registry..."));

  programs.setStartFails(true);
  EXPECT_FALSE(RunRegistryEditor(programs, sim.prompts(), "Regedit /s \"C:\\x.reg\"",
                                 kRestoreWaitText, runner));
  EXPECT_EQ(shown.size(), 1u);
  ASSERT_EQ(sim.prompts().records().size(), 1u);
  EXPECT_EQ(sim.prompts().records()[0].kind, Kind::Inform);
  EXPECT_EQ(sim.prompts().records()[0].text, "Please check if Regedit.exe exists.");
}

TEST(FormatSize, KilobytesRoundedUpAndGrouped) {
  EXPECT_EQ(FormatSizeKB(0), "0 KB");
  EXPECT_EQ(FormatSizeKB(1), "1 KB");
  EXPECT_EQ(FormatSizeKB(2048), "2 KB");
  EXPECT_EQ(FormatSizeKB(1025), "2 KB");
  EXPECT_EQ(FormatSizeKB(1262343168), "1,232,757 KB");
}

class RecordingRestoreView : public RestoreView {
 public:
  void SetFolderText(std::string_view text) override { folder = std::string(text); }
  void SetRows(const std::vector<BackupRow>& newRows) override { rows = newRows; }
  void RemoveRow(std::size_t index) override { rows.erase(rows.begin() + index); }
  void SelectRow(std::optional<std::size_t> index) override { selected = index; }
  void EnableRestore(bool enabled) override { restoreEnabled = enabled; }
  void EnableDelete(bool enabled) override { deleteEnabled = enabled; }
  std::optional<std::string> BrowseForFolder(std::string_view prompt) override {
    prompts.emplace_back(prompt);
    return pick;
  }
  bool RunWaitDialog(BackupHintController& hint) override {
    hints.push_back(hint.Hint());
    RecordingHintView view;
    hint.Show(view);
    for (int i = 0; i < ticksBeforeStop && !hint.Closed(); ++i) hint.TimerTick();
    if (!hint.Closed()) hint.StopClicked();
    return view.closes.back();
  }

  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& row : rows) names.push_back(row.name);
    return names;
  }

  std::string folder;
  std::vector<BackupRow> rows;
  std::optional<std::size_t> selected;
  bool restoreEnabled = true;
  bool deleteEnabled = true;
  std::optional<std::string> pick;
  std::vector<std::string> prompts;
  std::vector<std::string> hints;
  int ticksBeforeStop = 1000;
};

class RestoreDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    options.OutputDirectory = "C:\\Backup";
    // The editor imports the file named in its command line.
    programs.setOnStart([this](std::string_view commandLine) {
      const auto open = commandLine.find('"');
      const auto close = commandLine.rfind('"');
      if (commandLine.substr(0, 10) != "Regedit /s" || open == close) return;
      sim.registry().loadRegText(
          sim.readFile(std::string(commandLine.substr(open + 1, close - open - 1))));
    });
  }
  RestoreController Controller() {
    return RestoreController(
        {sim.ports(), options, [](std::int64_t t) { return "t" + std::to_string(t > 0); }});
  }
  void Seed() {
    ASSERT_TRUE(
        sim.writeFile("C:\\Backup\\2026_02_03_070509.reg",
                      "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Restored]\n\"A\"=\"1\"\n"));
    ASSERT_TRUE(sim.writeFile("C:\\Backup\\2026_02_04_080000.REG", std::string(2048, 'x')));
    ASSERT_TRUE(sim.writeFile("C:\\Backup\\notes.txt", "n"));
    ASSERT_TRUE(sim.files().createFolders("C:\\Backup\\old.reg"));
    ASSERT_TRUE(sim.writeFile("C:\\Backup\\a.reg", "x"));
  }

  sim::SimPlatform sim;
  sim::SimPrograms& programs = sim.programs();
  registry::BackupSettings options;
  RecordingRestoreView view;
};

TEST_F(RestoreDialog, ListsRegFilesNewestFirstWithSizes) {
  Seed();
  RestoreController controller = Controller();
  controller.Show(view);
  EXPECT_EQ(view.folder, "C:\\Backup");
  EXPECT_THAT(view.rows, ElementsAre(BackupRow{"a.reg", "t1", "1 KB"},
                                     BackupRow{"2026_02_04_080000.REG", "t1", "2 KB"},
                                     BackupRow{"2026_02_03_070509.reg", "t1", "1 KB"}));
  EXPECT_FALSE(view.selected);
  EXPECT_FALSE(view.restoreEnabled);
  EXPECT_FALSE(view.deleteEnabled);
  EXPECT_THAT(sim.prompts().records(), IsEmpty());

  controller.SelectionChanged(1);
  EXPECT_TRUE(view.restoreEnabled);
  EXPECT_TRUE(view.deleteEnabled);
  controller.SelectionChanged(std::nullopt);
  EXPECT_FALSE(view.restoreEnabled);
  controller.SelectionChanged(9);
  EXPECT_FALSE(controller.Selected());
}

TEST_F(RestoreDialog, MissingFolderThenAnotherFolder) {
  RestoreController controller = Controller();
  controller.Show(view);
  EXPECT_THAT(view.rows, IsEmpty());
  ASSERT_EQ(sim.prompts().records().size(), 1u);
  EXPECT_EQ(sim.prompts().records()[0].text, "can not find the backup folder.");

  // Cancelling the picker changes nothing.
  controller.BrowseClicked();
  EXPECT_THAT(view.prompts, ElementsAre("Please select the directory to add"));
  EXPECT_EQ(view.folder, "C:\\Backup");

  ASSERT_TRUE(sim.writeFile("C:\\Other\\x.reg", "x"));
  view.pick = "C:\\Other";
  controller.BrowseClicked();
  EXPECT_EQ(view.folder, "C:\\Other");
  EXPECT_THAT(view.Names(), ElementsAre("x.reg"));
  EXPECT_EQ(options.OutputDirectory, "C:\\Backup");

  controller.OpenDirectoryClicked();
  EXPECT_THAT(sim.shell().openedDocuments(), ElementsAre("C:\\Other"));
}

TEST_F(RestoreDialog, RestoreImportsAndDeletesTheFile) {
  Seed();
  RestoreController controller = Controller();
  controller.Show(view);
  controller.RestoreClicked();  // nothing selected: nothing happens
  EXPECT_THAT(programs.started(), IsEmpty());

  controller.SelectionChanged(2);
  controller.RestoreClicked();
  ASSERT_EQ(programs.started().size(), 1u);
  EXPECT_EQ(programs.started()[0].commandLine, "Regedit /s \"C:\\Backup\\2026_02_03_070509.reg\"");
  EXPECT_THAT(view.hints, ElementsAre("Restore registry..."));
  EXPECT_TRUE(sim.registry().keyExists(platform::RootKey::CurrentUser, "Software\\Restored"));
  // DeleteBackupFile is on: the file and its row go, the new last row is
  // selected.
  EXPECT_FALSE(sim.files().fileExists("C:\\Backup\\2026_02_03_070509.reg"));
  EXPECT_THAT(view.Names(), ElementsAre("a.reg", "2026_02_04_080000.REG"));
  EXPECT_EQ(view.selected, 1u);
  EXPECT_TRUE(view.restoreEnabled);
}

TEST_F(RestoreDialog, RestoreKeepsTheFileWhenToldOrStopped) {
  Seed();
  options.DeleteBackupFile = false;
  {
    RestoreController controller = Controller();
    controller.Show(view);
    controller.SelectionChanged(0);
    controller.RestoreClicked();
    EXPECT_TRUE(sim.files().fileExists("C:\\Backup\\a.reg"));
    EXPECT_EQ(view.rows.size(), 3u);
  }
  options.DeleteBackupFile = true;
  programs.setPollsUntilFinished(-1);
  view.ticksBeforeStop = 3;
  RestoreController controller = Controller();
  controller.Show(view);
  controller.SelectionChanged(0);
  controller.RestoreClicked();
  EXPECT_TRUE(programs.started().back().terminated);
  EXPECT_TRUE(sim.files().fileExists("C:\\Backup\\a.reg"));
  EXPECT_EQ(view.rows.size(), 3u);

  // An editor that cannot start leaves the file too.
  programs.setStartFails(true);
  controller.RestoreClicked();
  EXPECT_TRUE(sim.files().fileExists("C:\\Backup\\a.reg"));
  EXPECT_EQ(sim.prompts().count(Kind::Inform), 1u);
}

TEST_F(RestoreDialog, TheFileGoesOnlyWhenTheImportBroughtItBack) {
  struct Case {
    const char* name;
    std::string content;
    std::uint32_t exitCode;
    bool imports;
    bool kept;
  };
  const std::string good = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Restored]\n\"A\"=\"1\"\n";
  const std::vector<Case> cases = {
      {"imported and reported", good, 0, true, false},
      {"the editor reported a failure", good, 1, true, true},
      {"nothing came back", good, 0, false, true},
      {"no header", "[HKEY_CURRENT_USER\\Software\\Restored]\n", 0, true, true},
      {"a byte-order mark alone", "\xFF\xFE", 0, true, true},
  };
  for (const Case& c : cases) {
    programs.setExitCode(c.exitCode);
    ASSERT_TRUE(sim.writeFile("C:\\Backup\\r.reg", c.content));
    auto root =
        sim.registry().open(platform::RootKey::CurrentUser, "Software", platform::RegAccess::Full);
    if (root) (void)sim.registry().deleteTree(*root, "Restored");
    if (!c.imports) programs.setOnStart([](std::string_view) {});
    sim.prompts().clear();
    RestoreController controller = Controller();
    controller.Show(view);
    controller.SelectionChanged(0);
    controller.RestoreClicked();
    EXPECT_EQ(sim.files().fileExists("C:\\Backup\\r.reg"), c.kept) << c.name;
    ASSERT_EQ(sim.prompts().count(Kind::Error), c.kept ? 1u : 0u) << c.name;
    if (c.kept) {
      EXPECT_EQ(sim.prompts().records().back().text,
                "The registry editor did not bring back everything in\r\nC:\\Backup\\r.reg\r\n"
                "The backup file was kept.");
    }
    SetUp();
  }
}

TEST(BackupSpotCheck, EveryKindOfEntryIsCheckedAcrossTheFile) {
  sim::SimPlatform sim;
  std::string text =
      "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\S]\r\n";
  for (int i = 0; i < 500; ++i) text += "\"v" + std::to_string(i) + "\"=dword:00000001\r\n";
  text += "\"s\"=\"\xCE\xA9\"\r\n[-HKEY_CURRENT_USER\\Software\\Gone]\r\n";
  text += "[HKEY_CURRENT_USER\\Software\\S]\r\n\"old\"=-\r\n";
  const auto encoded = EncodeRegFileUtf16(text);
  ASSERT_TRUE(sim.writeFile("C:\\b.reg", std::string(encoded.begin(), encoded.end())));
  sim.registry().loadRegText(text);
  const platform::Platform ports = sim.ports();
  EXPECT_TRUE(registry::BackupIsInRegistry(ports, "C:\\b.reg"));

  auto key =
      sim.registry().open(platform::RootKey::CurrentUser, "Software\\S", platform::RegAccess::Full);
  ASSERT_TRUE(key.ok());
  const std::vector<std::function<void()>> breaks = {
      [&] { ASSERT_TRUE(sim.registry().deleteValue(*key, "s").ok()); },  // the last value
      [&] { ASSERT_TRUE(sim.registry().writeValue(*key, "v0", 4, platform::DwordData(2)).ok()); },
      [&] { ASSERT_TRUE(sim.registry().create(platform::RootKey::CurrentUser, "Software\\Gone")); },
      [&] { ASSERT_TRUE(platform::WriteStringValue(sim.registry(), *key, "old", "x").ok()); },
  };
  for (std::size_t i = 0; i < breaks.size(); ++i) {
    sim.registry().loadRegText(text);
    breaks[i]();
    EXPECT_FALSE(registry::BackupIsInRegistry(ports, "C:\\b.reg")) << i;
  }
  // A sample of two looks at the first and the last entry only.
  sim.registry().loadRegText(text);
  breaks[1]();
  EXPECT_TRUE(registry::BackupIsInRegistry(ports, "C:\\b.reg", 2));
  breaks[0]();
  sim.registry().loadRegText("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\S]\n\"old\"=\"x\"\n");
  EXPECT_FALSE(registry::BackupIsInRegistry(ports, "C:\\b.reg", 2));
  EXPECT_FALSE(registry::BackupIsInRegistry(ports, "C:\\missing.reg"));
}

TEST_F(RestoreDialog, DeleteSelectsTheSamePlaceOrTheLastRow) {
  Seed();
  RestoreController controller = Controller();
  controller.Show(view);
  controller.DeleteClicked();  // nothing selected
  EXPECT_EQ(view.rows.size(), 3u);

  controller.SelectionChanged(0);
  controller.DeleteClicked();
  EXPECT_FALSE(sim.files().fileExists("C:\\Backup\\a.reg"));
  EXPECT_THAT(view.Names(), ElementsAre("2026_02_04_080000.REG", "2026_02_03_070509.reg"));
  EXPECT_EQ(view.selected, 0u);

  controller.SelectionChanged(1);
  controller.DeleteClicked();
  EXPECT_THAT(view.Names(), ElementsAre("2026_02_04_080000.REG"));
  EXPECT_EQ(view.selected, 0u);

  // A file the shell cannot delete keeps its row.
  sim.faults().failFrom(sim::PortMethod::FilesDeleteFile, 1, Errc::SharingViolation);
  controller.DeleteClicked();
  EXPECT_THAT(view.Names(), ElementsAre("2026_02_04_080000.REG"));
  sim.faults().clearRules();

  controller.DeleteClicked();
  EXPECT_THAT(view.rows, IsEmpty());
  EXPECT_FALSE(view.selected);
  EXPECT_FALSE(view.restoreEnabled);
  EXPECT_FALSE(view.deleteEnabled);
  EXPECT_TRUE(sim.files().fileExists("C:\\Backup\\notes.txt"));
}

TEST(FullBackup, NameExtensionAndOverwriteQuestion) {
  sim::SimPlatform sim;
  sim::SimPrograms programs;
  std::vector<std::string> asked;
  std::optional<std::string> answer = "C:\\all";
  const SaveFileAsker ask = [&](const SaveFileRequest& request) {
    asked.push_back(std::string(request.title) + "|" + std::string(request.filter));
    return answer;
  };
  // The editor writes the file named in its command line.
  programs.setOnStart([&](std::string_view commandLine) {
    const auto open = commandLine.find('"');
    sim.writeFile(std::string(commandLine.substr(open + 1, commandLine.size() - open - 2)),
                  "REGEDIT4\n");
  });
  const WaitDialogRunner wait = [](BackupHintController& hint) {
    while (!hint.Closed()) hint.TimerTick();
    return true;
  };

  EXPECT_EQ(BackupFullRegistry(sim.files(), programs, sim.prompts(), ask, wait),
            SaveOutcome::Saved);
  EXPECT_THAT(asked, ElementsAre("Save full registry|Registry backup files (*.reg)|*.REG"));
  ASSERT_EQ(programs.started().size(), 1u);
  EXPECT_EQ(programs.started()[0].commandLine, "Regedit /e \"C:\\all.reg\"");
  EXPECT_EQ(programs.started()[0].show, platform::StartShow::Hidden);
  EXPECT_TRUE(sim.files().fileExists("C:\\all.reg"));

  // An existing file and No: nothing runs.
  answer = "C:\\all.reg";
  EXPECT_EQ(BackupFullRegistry(sim.files(), programs, sim.prompts(), ask, wait),
            SaveOutcome::Declined);
  EXPECT_EQ(programs.started().size(), 1u);
  ASSERT_EQ(sim.prompts().records().size(), 1u);
  EXPECT_EQ(sim.prompts().records()[0].text, "C:\\all.reg has existed,overite it?");

  answer = "C:\\ALL.Reg";
  sim.prompts().answerConfirm(true);
  EXPECT_EQ(BackupFullRegistry(sim.files(), programs, sim.prompts(), ask, wait),
            SaveOutcome::Saved);
  EXPECT_EQ(programs.started().back().commandLine, "Regedit /e \"C:\\ALL.Reg\"");

  answer = std::nullopt;
  EXPECT_EQ(BackupFullRegistry(sim.files(), programs, sim.prompts(), ask, wait),
            SaveOutcome::Cancelled);
  EXPECT_EQ(programs.started().size(), 2u);
}

TEST(WindowsBackup, ProgramPathAndAvailability) {
  sim::SimPlatform sim;
  const std::string expected = sim.files().windowsFolder() + "\\system32\\ntbackup.exe";
  EXPECT_EQ(WindowsBackupProgram(sim.files()), expected);
  OpenWindowsBackup(sim.files(), sim.shell());
  EXPECT_THAT(sim.shell().openedDocuments(), ElementsAre(expected));
  sim.shell().faults().failFrom(sim::PortMethod::ShellOpenDocument, 1, Errc::NotFound);
  OpenWindowsBackup(sim.files(), sim.shell());
  EXPECT_THAT(sim.prompts().records(), IsEmpty());

  for (int code : {1, 2, 3, 4, 8}) EXPECT_FALSE(WindowsBackupAvailable(code)) << code;
  for (int code : {0, 5, 6, 7, 9, 10}) EXPECT_TRUE(WindowsBackupAvailable(code)) << code;
}

}  // namespace
}  // namespace nc::registry
