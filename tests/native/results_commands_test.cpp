// The problem list's pop-up commands: enabling, ticking, the text report
// and opening a row's location in the registry editor by keystrokes.
#include "registry/results_commands.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/text.h"
#include "platform/sim/sim_platform.h"
#include "platform/sim/sim_programs.h"

namespace nc::registry {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Kind = platform::KeyStroke::Kind;

ResultsModel ThreeRows() {
  ResultsModel model;
  model.Append(
      {"Invalid file", "C:\\a.exe", "HKEY_CURRENT_USER\\Run\\A", ProblemKind::ValuePath, true});
  model.Append({"Invalid class", "{1}", "HKEY_CLASSES_ROOT\\CLSID", ProblemKind::SubKey, false});
  model.Append(
      {"Invalid file", "C:\\b.exe", "HKEY_CURRENT_USER\\Run\\B", ProblemKind::ValuePath, true});
  return model;
}

std::vector<bool> Ticks(const ResultsModel& model) {
  std::vector<bool> ticks;
  for (const auto& row : model.Rows()) ticks.push_back(row.Ticked);
  return ticks;
}

TEST(ResultsMenu, ItemsInOrderWithSeparatorsAndShortcut) {
  std::vector<std::string> captions;
  for (const auto& item : kResultsMenu) {
    if (item.separatorBefore) captions.emplace_back("-");
    captions.emplace_back(item.caption);
  }
  EXPECT_THAT(captions,
              ElementsAre("&Select Item", "&Deselect Item", "-", "Select All of T&ype",
                          "Deselect A&ll of Type", "-", "Select &All", "D&eselect All", "-",
                          "Add to &Ignore Lists", "-", "Save as &Text...", "-", "&RegEdit..."));
  EXPECT_EQ(kResultsMenu.back().shortcut, "Ctrl+R");
}

TEST(ResultsMenu, EnablingRules) {
  ResultsModel empty;
  ResultsModel model = ThreeRows();
  const std::vector<std::size_t> none;
  const std::vector<std::size_t> second = {1};
  const std::vector<std::size_t> stale = {7};
  for (const auto& item : kResultsMenu) {
    const ResultsCommand c = item.command;
    const bool always = c == ResultsCommand::SelectAll || c == ResultsCommand::DeselectAll;
    const bool needsEntries = c == ResultsCommand::SaveAsText;
    SCOPED_TRACE(std::string(item.caption));
    EXPECT_EQ(CommandEnabled(c, none, empty), always);
    EXPECT_EQ(CommandEnabled(c, none, model), always || needsEntries);
    EXPECT_EQ(CommandEnabled(c, stale, model), always || needsEntries);
    EXPECT_TRUE(CommandEnabled(c, second, model));
  }
}

TEST(TickCommands, ItemTypeAndAll) {
  ResultsModel model = ThreeRows();
  const std::vector<std::size_t> first = {0, 1};
  const std::vector<std::size_t> second = {1};
  const std::vector<std::size_t> none;

  EXPECT_TRUE(RunTickCommand(model, ResultsCommand::SelectItem, second));
  EXPECT_THAT(Ticks(model), ElementsAre(true, true, true));
  EXPECT_TRUE(RunTickCommand(model, ResultsCommand::DeselectAllOfType, first));
  EXPECT_THAT(Ticks(model), ElementsAre(false, true, false));
  EXPECT_EQ(model.CountsText(), " 3 Errors Found,  1 Errors Selected.");
  EXPECT_TRUE(RunTickCommand(model, ResultsCommand::DeselectItem, second));
  EXPECT_THAT(Ticks(model), ElementsAre(false, false, false));
  EXPECT_TRUE(
      RunTickCommand(model, ResultsCommand::SelectAllOfType, {std::vector<std::size_t>{2}}));
  EXPECT_THAT(Ticks(model), ElementsAre(true, false, true));
  EXPECT_TRUE(RunTickCommand(model, ResultsCommand::SelectAll, none));
  EXPECT_THAT(Ticks(model), ElementsAre(true, true, true));
  EXPECT_TRUE(RunTickCommand(model, ResultsCommand::DeselectAll, none));
  EXPECT_THAT(Ticks(model), ElementsAre(false, false, false));

  EXPECT_FALSE(RunTickCommand(model, ResultsCommand::SelectItem, none));
  EXPECT_FALSE(RunTickCommand(model, ResultsCommand::SelectAllOfType, none));
  EXPECT_FALSE(RunTickCommand(model, ResultsCommand::SaveAsText, second));
  EXPECT_THAT(Ticks(model), ElementsAre(false, false, false));
}

TEST(Report, LinesWithTwoSeparatorsEach) {
  ResultsModel model;
  model.Append(
      {"Invalid file", "C:\\a.exe", "HKEY_CURRENT_USER\\Run\\A", ProblemKind::ValuePath, true});
  model.Append({"Missing", "", "HKEY_CLASSES_ROOT\\x", ProblemKind::Key, false});
  const std::string text = ReportText(model);
  EXPECT_EQ(text,
            "Invalid file  ^^^  C:\\a.exe  ^^^  HKEY_CURRENT_USER\\Run\\A\r\n"
            "Missing  ^^^    ^^^  HKEY_CLASSES_ROOT\\x\r\n");
  EXPECT_EQ(ReportText(ResultsModel()), "");
}

TEST(Report, FileNameGetsTxtUnlessExactlyTxt) {
  EXPECT_EQ(ReportFileName("C:\\r\\report.TXT"), "C:\\r\\report.TXT.txt");
  EXPECT_EQ(ReportFileName("C:\\r\\report.txt"), "C:\\r\\report.txt");
  EXPECT_EQ(ReportFileName("C:\\r\\report"), "C:\\r\\report.txt");
  EXPECT_EQ(ReportFileName("C:\\r.d\\report"), "C:\\r.d\\report.txt");
  EXPECT_EQ(ReportFileName("C:\\r\\report.log"), "C:\\r\\report.log.txt");
  EXPECT_EQ(FileExtension("C:\\a.b\\c"), "");
  EXPECT_EQ(FileExtension("c.Reg"), ".Reg");
}

class SaveReport : public ::testing::Test {
 protected:
  SaveFileAsker Answer(std::optional<std::string> path) {
    return [this, path](const SaveFileRequest& request) {
      asked.emplace_back(std::string(request.title) + "|" + std::string(request.filter));
      return path;
    };
  }
  sim::SimPlatform sim;
  std::vector<std::string> asked;
};

TEST_F(SaveReport, WritesAnsiTextAndAsksBeforeReplacing) {
  ResultsModel model;
  model.Append({"Invalid file", "C:\\caf\xc3\xa9\\\xe4\xb8\xad.exe", "HKEY_CURRENT_USER\\Run\\A",
                ProblemKind::ValuePath, true});
  model.Append({"Invalid class", "{1}", "HKEY_CLASSES_ROOT\\CLSID", ProblemKind::SubKey, false});

  EXPECT_EQ(SaveResultsAsText(sim.ports(), sim.prompts(), model, Answer("C:\\report.TXT")),
            SaveOutcome::Saved);
  EXPECT_THAT(asked, ElementsAre("Save as Text|Text files (*.txt)|*.txt"));
  const std::string written = sim.readFile("C:\\report.TXT.txt");
  const std::vector<std::string> lines = Split(written, '\n');
  ASSERT_EQ(lines.size(), 3u);
  // Latin-1 "é" as one byte, the CJK character as "?".
  EXPECT_EQ(lines[0], "Invalid file  ^^^  C:\\caf\xe9\\?.exe  ^^^  HKEY_CURRENT_USER\\Run\\A\r");
  EXPECT_EQ(lines[1], "Invalid class  ^^^  {1}  ^^^  HKEY_CLASSES_ROOT\\CLSID\r");
  EXPECT_EQ(lines[2], "");
  EXPECT_THAT(sim.prompts().records(), IsEmpty());

  // An existing file: No keeps it, Yes replaces it.
  ResultsModel one;
  one.Append({"P", "D", "HKEY_CURRENT_USER\\K", ProblemKind::Key, true});
  EXPECT_EQ(SaveResultsAsText(sim.ports(), sim.prompts(), one, Answer("C:\\report.TXT.txt")),
            SaveOutcome::Declined);
  ASSERT_EQ(sim.prompts().records().size(), 1u);
  EXPECT_EQ(sim.prompts().records()[0].text, "C:\\report.TXT.txt has existed,overite it?");
  EXPECT_EQ(sim.readFile("C:\\report.TXT.txt"), written);

  sim.prompts().answerConfirm(true);
  EXPECT_EQ(SaveResultsAsText(sim.ports(), sim.prompts(), one, Answer("C:\\report.TXT.txt")),
            SaveOutcome::Saved);
  EXPECT_EQ(sim.readFile("C:\\report.TXT.txt"), "P  ^^^  D  ^^^  HKEY_CURRENT_USER\\K\r\n");
}

TEST_F(SaveReport, CancelWritesNothingAndAFailedWriteKeepsTheOldFile) {
  ResultsModel model = ThreeRows();
  EXPECT_EQ(SaveResultsAsText(sim.ports(), sim.prompts(), model, Answer(std::nullopt)),
            SaveOutcome::Cancelled);
  EXPECT_FALSE(sim.files().fileExists("C:\\r.txt"));

  ASSERT_TRUE(sim.writeFile("C:\\r.txt", "old"));
  sim.prompts().answerConfirm(true);
  sim.faults().failOnce(sim::PortMethod::FilesWrite, 1, Errc::DiskFull);
  EXPECT_EQ(SaveResultsAsText(sim.ports(), sim.prompts(), model, Answer("C:\\r.txt")),
            SaveOutcome::Failed);
  EXPECT_EQ(sim.readFile("C:\\r.txt"), "old");
  EXPECT_EQ(sim.prompts().count(sim::SimPrompts::Kind::Error), 1u);
}

class RegEdit : public ::testing::Test {
 protected:
  void SetUp() override {
    sim.registry().loadRegText(
        "REGEDIT4\n\n"
        "[HKEY_CURRENT_USER\\Software\\Vendor]\n\"Tool\"=\"C:\\\\gone.exe\"\n\n"
        "[HKEY_CURRENT_USER\\Software\\Vendor\\Sub]\n\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Locked]\n");
  }
  RegEditTarget Resolve(ProblemKind kind, std::string key, std::string data = "") {
    return ResolveRegEditTarget(sim.registry(), {"P", std::move(data), std::move(key), kind, true});
  }
  sim::SimPlatform sim;
  sim::SimPrograms programs;
};

TEST_F(RegEdit, LocationByKind) {
  using Action = RegEditTarget::Action;
  // Kind 1 opens the key without the value.
  RegEditTarget t = Resolve(ProblemKind::ValuePath, "HKEY_CURRENT_USER\\Software\\Vendor\\Tool");
  EXPECT_EQ(t.action, Action::Navigate);
  EXPECT_EQ(t.rootName, "HKEY_CURRENT_USER");
  EXPECT_EQ(t.keyPath, "Software\\Vendor");
  EXPECT_EQ(t.valueName, "");
  // Kind 3 opens the sub-key named in Data.
  t = Resolve(ProblemKind::SubKey, "HKEY_CURRENT_USER\\Software\\Vendor", "Sub");
  EXPECT_EQ(t.action, Action::Navigate);
  EXPECT_EQ(t.keyPath, "Software\\Vendor\\Sub");
  // A short root name; the last part as a value of an existing key.
  t = Resolve(ProblemKind::Key, "hkcu\\Software\\Vendor\\tool");
  EXPECT_EQ(t.action, Action::Navigate);
  EXPECT_EQ(t.rootName, "HKEY_CURRENT_USER");
  EXPECT_EQ(t.keyPath, "Software\\Vendor");
  EXPECT_EQ(t.valueName, "tool");
  // A key the account may not open still counts as there.
  sim.registry().denyAccess(platform::RootKey::LocalMachine, "Software\\Locked");
  t = Resolve(ProblemKind::Key, "HKLM\\Software\\Locked\\Anything");
  EXPECT_EQ(t.action, Action::Navigate);
  EXPECT_EQ(t.keyPath, "Software\\Locked");
  EXPECT_EQ(t.valueName, "Anything");

  EXPECT_EQ(Resolve(ProblemKind::Key, "HKEY_CURRENT_USER\\Software\\Vendor\\Gone").action,
            Action::NotFound);
  EXPECT_EQ(Resolve(ProblemKind::Key, "HKEY_CURRENT_USER\\Software\\Nothing\\Gone").action,
            Action::NotFound);
  EXPECT_EQ(Resolve(ProblemKind::Key, "HKEY_NOWHERE\\Software").action, Action::NotFound);
  EXPECT_EQ(Resolve(ProblemKind::ShortcutFile, "C:\\Desk\\a.lnk").action, Action::NotFound);
  EXPECT_EQ(Resolve(ProblemKind::Key, "C:\\dir\\file").action, Action::NotFound);
  EXPECT_EQ(Resolve(ProblemKind::Key, "HKEY_CURRENT_USER").action, Action::Nothing);
}

TEST_F(RegEdit, TreeAndListKeys) {
  const auto tree = RegEditTreeKeys("HKEY_CU\\Sé");
  ASSERT_EQ(tree.size(), 30u + 3u + 7u + 2u + 2u);
  for (int i = 0; i < 30; ++i) EXPECT_EQ(tree[i], (KeyStroke{Kind::KeyDown, kVkLeft}));
  EXPECT_EQ(tree[30], (KeyStroke{Kind::Pause, 10}));
  EXPECT_EQ(tree[31], (KeyStroke{Kind::KeyDown, kVkRight}));
  EXPECT_EQ(tree[32], (KeyStroke{Kind::Pause, 10}));
  EXPECT_EQ(tree[33], (KeyStroke{Kind::Char, 'H'}));
  EXPECT_EQ(tree[39], (KeyStroke{Kind::Char, 'U'}));
  EXPECT_EQ(tree[40], (KeyStroke{Kind::KeyDown, kVkRight}));
  EXPECT_EQ(tree[41], (KeyStroke{Kind::Pause, 10}));
  EXPECT_EQ(tree[42], (KeyStroke{Kind::Char, 'S'}));
  EXPECT_EQ(tree[43], (KeyStroke{Kind::Char, 0xE9}));

  EXPECT_THAT(RegEditListKeys(""), IsEmpty());
  EXPECT_THAT(RegEditListKeys("ab"),
              ElementsAre(KeyStroke{Kind::KeyDown, kVkDown}, KeyStroke{Kind::Pause, 10},
                          KeyStroke{Kind::Char, 'a'}, KeyStroke{Kind::Char, 'b'}));
}

TEST_F(RegEdit, NavigatesARunningEditor) {
  const auto editor = programs.addWindow(kRegEditWindowClass);
  const auto frame = programs.addChildWindow(editor, "REGEDIT");
  programs.addChildWindow(frame, kRegEditTreeClass);
  programs.addChildWindow(frame, kRegEditListClass);

  const RegEditTarget t = OpenInRegistryEditor(
      sim.registry(), programs, sim.prompts(),
      {"P", "", "HKCU\\Software\\Vendor\\Tool", ProblemKind::ValueInKey, true});
  EXPECT_EQ(t.action, RegEditTarget::Action::Navigate);
  EXPECT_THAT(programs.started(), IsEmpty());
  EXPECT_THAT(programs.maximized(), ElementsAre(std::string(kRegEditWindowClass)));
  const auto sent = programs.sentKeys();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].windowClass, kRegEditTreeClass);
  EXPECT_EQ(sent[0].keys, RegEditTreeKeys("HKEY_CURRENT_USER\\Software\\Vendor"));
  EXPECT_EQ(sent[1].windowClass, kRegEditListClass);
  EXPECT_EQ(sent[1].keys, RegEditListKeys("Tool"));
  EXPECT_THAT(sim.prompts().records(), IsEmpty());
}

TEST_F(RegEdit, StartsTheEditorWhenNoneRunsAndGivesUpWithoutItsWindow) {
  EXPECT_FALSE(NavigateRegistryEditor(programs, "HKEY_CURRENT_USER", "Software", ""));
  ASSERT_EQ(programs.started().size(), 1u);
  EXPECT_EQ(programs.started()[0].commandLine, "regedit.exe");
  EXPECT_EQ(programs.started()[0].show, platform::StartShow::Normal);
  EXPECT_EQ(programs.started()[0].waitIdleMs, 200u);
  EXPECT_THAT(programs.sentKeys(), IsEmpty());

  // The started editor shows its window in time.
  programs.setOnStart([this](std::string_view) {
    const auto editor = programs.addWindow(kRegEditWindowClass);
    programs.addChildWindow(editor, kRegEditTreeClass);
    programs.addChildWindow(editor, kRegEditListClass);
  });
  EXPECT_TRUE(NavigateRegistryEditor(programs, "HKEY_CURRENT_USER", "\\Software", ""));
  ASSERT_EQ(programs.sentKeys().size(), 2u);
  EXPECT_EQ(programs.sentKeys()[0].keys, RegEditTreeKeys("HKEY_CURRENT_USER\\Software"));
  EXPECT_THAT(programs.sentKeys()[1].keys, IsEmpty());

  EXPECT_FALSE(NavigateRegistryEditor(programs, "HKEY_CURRENT_USER", "", "v"));
  EXPECT_EQ(programs.sentKeys().size(), 2u);
}

TEST_F(RegEdit, MissingLocationIsReported) {
  programs.addWindow(kRegEditWindowClass);
  OpenInRegistryEditor(sim.registry(), programs, sim.prompts(),
                       {"P", "C:\\x.exe", "C:\\Desk\\a.lnk", ProblemKind::ShortcutFile, true});
  OpenInRegistryEditor(
      sim.registry(), programs, sim.prompts(),
      {"P", "", "HKEY_CURRENT_USER\\Software\\Vendor\\Gone", ProblemKind::Key, true});
  OpenInRegistryEditor(sim.registry(), programs, sim.prompts(),
                       {"P", "", "HKEY_CURRENT_USER", ProblemKind::Key, true});
  const auto records = sim.prompts().records();
  ASSERT_EQ(records.size(), 2u);
  for (const auto& record : records) {
    EXPECT_EQ(record.kind, sim::SimPrompts::Kind::Inform);
    EXPECT_EQ(record.text, "Please check whether the registry key or value exist.");
  }
  EXPECT_THAT(programs.maximized(), IsEmpty());
}

}  // namespace
}  // namespace nc::registry
