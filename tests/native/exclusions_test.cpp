// Which problems the filter run removes (fixed rules, the built-in keys,
// the user's ignore lists), how "Add to &Ignore Lists" grows the lists,
// and the rules of the "Add to Ignore List" dialog.
#include "registry/exclusions.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

#include "platform/sim/sim_platform.h"
#include "registry/locations.h"

namespace nc::registry {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

ProblemEntry Entry(ProblemKind kind, std::string key, std::string data = "x",
                   std::string problem = "Invalid") {
  return ProblemEntry{std::move(problem), std::move(data), std::move(key), kind, true};
}

std::vector<std::string> Keys(const ResultsModel& model) {
  std::vector<std::string> keys;
  for (const auto& row : model.Rows()) keys.push_back(row.RegistryKey + "|" + row.Data);
  return keys;
}

ResultsModel Model(std::vector<ProblemEntry> entries) {
  ResultsModel model;
  for (auto& entry : entries) model.Append(std::move(entry));
  return model;
}

TEST(BuiltInKeys, FortyOneInOrder) {
  ASSERT_EQ(kBuiltInExcludedKeys.size(), 41u);
  EXPECT_EQ(kBuiltInExcludedKeys[0], "HKEY_CLASSES_ROOT\\.DAT");
  EXPECT_EQ(kBuiltInExcludedKeys[7], "HKEY_CURRENT_USER\\Software\\JavaSoft");
  EXPECT_EQ(kBuiltInExcludedKeys[14],
            "HKEY_USERS\\S-1-5-21-6497018-2779423360-1663385191-1005\\Software\\Microsoft\\Windows "
            "NT\\CurrentVersion\\AeDebug");
  EXPECT_EQ(kBuiltInExcludedKeys[40],
            "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\."
            "wdseml");
  for (const auto key : kBuiltInExcludedKeys) {
    EXPECT_TRUE(ParseLocation(key).has_value()) << key;
  }

  registry::IgnoreLists options;
  options.IgnoreKeys = {"HKEY_CURRENT_USER\\Mine"};
  const auto list = ExclusionKeyList(options);
  ASSERT_EQ(list.size(), 42u);
  EXPECT_EQ(list.front(), kBuiltInExcludedKeys.front());
  EXPECT_EQ(list.back(), "HKEY_CURRENT_USER\\Mine");
}

TEST(EntryLocation, ByKind) {
  const auto of = [](ProblemKind kind, std::string key, std::string data) {
    return LocationOfEntry(Entry(kind, std::move(key), std::move(data)));
  };
  auto loc = of(ProblemKind::Key, "HKEY_CURRENT_USER\\Software\\A", "d");
  ASSERT_TRUE(loc);
  EXPECT_EQ(loc->keyPath, "HKEY_CURRENT_USER\\Software\\A");
  EXPECT_FALSE(loc->valueName);

  loc = of(ProblemKind::ValuePath, "HKEY_LOCAL_MACHINE\\Software\\Run\\Tool", "C:\\t.exe");
  ASSERT_TRUE(loc);
  EXPECT_EQ(loc->keyPath, "HKEY_LOCAL_MACHINE\\Software\\Run");
  EXPECT_EQ(loc->valueName, "Tool");

  loc = of(ProblemKind::ValuePath, "HKEY_LOCAL_MACHINE\\Tool", "");
  ASSERT_TRUE(loc);
  EXPECT_EQ(loc->keyPath, "HKEY_LOCAL_MACHINE");
  EXPECT_EQ(loc->valueName, "Tool");

  loc = of(ProblemKind::ValueInKey, "HKEY_LOCAL_MACHINE\\Software\\Shared", "C:\\a\\b.dll");
  ASSERT_TRUE(loc);
  EXPECT_EQ(loc->keyPath, "HKEY_LOCAL_MACHINE\\Software\\Shared");
  EXPECT_EQ(loc->valueName, "C:\\a\\b.dll");

  loc = of(ProblemKind::SubKey, "HKEY_CLASSES_ROOT\\CLSID", "{1}");
  ASSERT_TRUE(loc);
  EXPECT_EQ(loc->keyPath, "HKEY_CLASSES_ROOT\\CLSID\\{1}");
  EXPECT_FALSE(loc->valueName);

  loc = of(ProblemKind::DefaultValue,
           "HKEY_CURRENT_USER\\AppEvents\\Schemes\\Apps\\.Default\\Beep\\.Current", "C:\\beep.wav");
  ASSERT_TRUE(loc);
  EXPECT_EQ(loc->valueName, "@");

  loc = of(ProblemKind::UserAssistValue, "HKEY_CURRENT_USER\\UA\\Count", "UEME_RUNPATH:C:\\a.exe");
  ASSERT_TRUE(loc);
  EXPECT_EQ(loc->valueName, Rot13("UEME_RUNPATH:C:\\a.exe"));

  EXPECT_FALSE(of(ProblemKind::ShortcutFile, "C:\\Users\\me\\Desktop\\a.lnk", "C:\\gone.exe"));
  EXPECT_FALSE(of(ProblemKind::Key, "HKEY_CURRENT_USER", ""));
}

TEST(BuiltInRules, EachRuleIgnoringCase) {
  EXPECT_TRUE(MatchesBuiltInRule(
      Entry(ProblemKind::Key,
            "HKEY_CLASSES_ROOT\\clsid\\{dfeaf541-f3e1-4C24-acac-99c30715084a}\\Inproc")));
  EXPECT_TRUE(MatchesBuiltInRule(
      Entry(ProblemKind::SubKey,
            "HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\{DC6EFB56-9CFA-464D-8880-"
            "44885D7DC193}")));
  EXPECT_TRUE(
      MatchesBuiltInRule(Entry(ProblemKind::Key, "HKEY_CURRENT_USER\\Software\\%username%_cache")));
  EXPECT_TRUE(MatchesBuiltInRule(
      Entry(ProblemKind::ValueInKey, "HKEY_CURRENT_USER\\Software\\A", "%USERNAME%_x")));
  // Rule 4: a question mark in the key with a drive path or "%...%\".
  EXPECT_TRUE(MatchesBuiltInRule(Entry(ProblemKind::Key, "HKEY_CURRENT_USER\\Software\\C:\\d?r")));
  EXPECT_TRUE(
      MatchesBuiltInRule(Entry(ProblemKind::Key, "HKEY_CURRENT_USER\\Software\\%APPDATA%\\d?r")));
  EXPECT_FALSE(
      MatchesBuiltInRule(Entry(ProblemKind::Key, "HKEY_CURRENT_USER\\Software\\%APPDATA%d?r")));
  EXPECT_FALSE(
      MatchesBuiltInRule(Entry(ProblemKind::Key, "HKEY_CURRENT_USER\\Software\\d?r", "C:\\x")));
  // Rule 5: a question mark in the data with a drive path or two "%".
  EXPECT_TRUE(MatchesBuiltInRule(
      Entry(ProblemKind::ValuePath, "HKEY_CURRENT_USER\\Run\\A", "C:\\dir\\?x")));
  EXPECT_TRUE(MatchesBuiltInRule(
      Entry(ProblemKind::ValuePath, "HKEY_CURRENT_USER\\Run\\A", "%WINDIR%?.dll")));
  EXPECT_TRUE(
      MatchesBuiltInRule(Entry(ProblemKind::ValuePath, "HKEY_CURRENT_USER\\Run\\A", "%%?.dll")));
  EXPECT_FALSE(MatchesBuiltInRule(
      Entry(ProblemKind::ValuePath, "HKEY_CURRENT_USER\\Run\\A", "%WINDIR?.dll")));
  EXPECT_FALSE(
      MatchesBuiltInRule(Entry(ProblemKind::ValuePath, "HKEY_CURRENT_USER\\Run\\A", "C:\\dir\\x")));
  EXPECT_FALSE(
      MatchesBuiltInRule(Entry(ProblemKind::ValuePath, "HKEY_CURRENT_USER\\Run\\A", "what?")));
}

TEST(ApplyFilters, BuiltInKeysRemoveBelowAndAbove) {
  registry::IgnoreLists options;
  ResultsModel model = Model({
      Entry(ProblemKind::ValuePath,
            "HKEY_CURRENT_USER\\Software\\JavaSoft\\Prefs\\x"),      // below line 8
      Entry(ProblemKind::Key, "HKEY_CLASSES_ROOT\\CLSID"),           // holds line 6
      Entry(ProblemKind::Key, "HKEY_CLASSES_ROOT\\.dat"),            // line 1, other case
      Entry(ProblemKind::Key, "HKEY_CLASSES_ROOT\\.datx"),           // not below ".DAT"
      Entry(ProblemKind::ValueInKey, "HKEY_CLASSES_ROOT", "CLSID"),  // no location
      Entry(ProblemKind::ShortcutFile, "C:\\Users\\me\\Desktop\\JavaSoft.lnk", "C:\\gone.exe"),
      Entry(ProblemKind::ValueInKey, "HKEY_CURRENT_USER\\Software\\Lexmark",
            "v"),  // value in a listed key
      Entry(ProblemKind::ValuePath, "HKEY_CURRENT_USER\\Software\\Lexmark2\\v"),
  });
  EXPECT_EQ(ApplyFilters(model, options), 4u);
  EXPECT_THAT(Keys(model), ElementsAre("HKEY_CLASSES_ROOT\\.datx|x", "HKEY_CLASSES_ROOT|CLSID",
                                       "C:\\Users\\me\\Desktop\\JavaSoft.lnk|C:\\gone.exe",
                                       "HKEY_CURRENT_USER\\Software\\Lexmark2\\v|x"));
}

TEST(ApplyFilters, ValueLineRemovesTheValueAndItsKey) {
  registry::IgnoreLists options;
  options.IgnoreValues = {
      "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\MyTool",
      "HKEY_CURRENT_USER\\AppEvents\\Beep\\@"};
  options.IgnoreValueCount = 2;
  const std::string run = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  ResultsModel model = Model({
      Entry(ProblemKind::ValuePath, run + "\\MyTool", "C:\\gone.exe"),
      Entry(ProblemKind::ValuePath, run + "\\Other", "C:\\gone.exe"), Entry(ProblemKind::Key, run),
      Entry(ProblemKind::ValueInKey, run, "mytool"),  // equal ignoring case
      Entry(ProblemKind::DefaultValue, "HKEY_CURRENT_USER\\AppEvents\\Beep", "C:\\beep.wav"),
      Entry(ProblemKind::DefaultValue, "HKEY_CURRENT_USER\\AppEvents\\Ding", "C:\\ding.wav"),
      Entry(ProblemKind::SubKey, "HKEY_CURRENT_USER\\AppEvents", "Beep"),  // would take "@" with it
  });
  EXPECT_EQ(ApplyFilters(model, options), 5u);
  EXPECT_THAT(Keys(model), ElementsAre(run + "\\Other|C:\\gone.exe",
                                       "HKEY_CURRENT_USER\\AppEvents\\Ding|C:\\ding.wav"));
}

TEST(ApplyFilters, UserKeyLinesJoinTheBuiltInOnes) {
  registry::IgnoreLists options;
  options.IgnoreKeys = {"HKEY_LOCAL_MACHINE\\Software\\Vendor\\",
                        "hkey_current_user\\Software\\App"};
  options.IgnoreKeyCount = 2;
  ResultsModel model = Model({
      Entry(ProblemKind::Key, "HKEY_LOCAL_MACHINE\\Software\\Vendor\\Tool\\Paths"),
      Entry(ProblemKind::ValuePath,
            "HKEY_LOCAL_MACHINE\\Software\\Vendor"),  // kind 1: the value "Vendor"
      Entry(ProblemKind::ValuePath, "HKEY_CURRENT_USER\\Software\\App"),  // K equals the line
      Entry(ProblemKind::ValuePath, "HKEY_CURRENT_USER\\Software\\Apps\\v"),
      Entry(ProblemKind::SubKey, "HKEY_CURRENT_USER\\Software", "App"),
      Entry(ProblemKind::Key, "HKEY_CURRENT_USER\\Software"),  // holds a listed key
  });
  EXPECT_EQ(ApplyFilters(model, options), 5u);
  EXPECT_THAT(Keys(model), ElementsAre("HKEY_CURRENT_USER\\Software\\Apps\\v|x"));

  // A line added later takes part in the next run.
  options.IgnoreKeys.push_back("HKEY_CURRENT_USER\\Software\\Apps");
  EXPECT_EQ(ApplyFilters(model, options), 1u);
  EXPECT_TRUE(model.Empty());
}

TEST(ApplyFilters, EmptyAndBackslashOnlyLinesMatchNothing) {
  registry::IgnoreLists options;
  options.IgnoreKeys = {"", "\\", "  "};
  options.IgnoreValues = {"", "\\"};
  ResultsModel model =
      Model({Entry(ProblemKind::Key, "HKEY_CURRENT_USER\\Software\\Any"),
             Entry(ProblemKind::ValuePath, "HKEY_CURRENT_USER\\Software\\Any\\v")});
  EXPECT_EQ(ApplyFilters(model, options), 0u);
  EXPECT_EQ(model.Count(), 2u);
}

TEST(ApplyFilters, EmptyListAndRuleRows) {
  registry::IgnoreLists options;
  ResultsModel empty;
  EXPECT_EQ(ApplyFilters(empty, options), 0u);

  ResultsModel model =
      Model({Entry(ProblemKind::ValuePath, "HKEY_CURRENT_USER\\Run\\A", "C:\\dir\\?x"),
             Entry(ProblemKind::ValuePath, "HKEY_CURRENT_USER\\Run\\B", "C:\\dir\\x")});
  EXPECT_EQ(ApplyFilters(model, options), 1u);
  EXPECT_THAT(Keys(model), ElementsAre("HKEY_CURRENT_USER\\Run\\B|C:\\dir\\x"));
}

TEST(IgnoreLines, LineAndListByKind) {
  using List = IgnoreLine::List;
  const auto line = [](ProblemKind kind, std::string key, std::string data) {
    return IgnoreLineFor(Entry(kind, std::move(key), std::move(data)));
  };
  auto l = line(ProblemKind::Key, "HKEY_CURRENT_USER\\A", "d");
  ASSERT_TRUE(l);
  EXPECT_EQ(l->list, List::Keys);
  EXPECT_EQ(l->text, "HKEY_CURRENT_USER\\A");
  l = line(ProblemKind::DefaultValue, "HKEY_CURRENT_USER\\A", "d");
  EXPECT_EQ(l->list, List::Keys);
  EXPECT_EQ(l->text, "HKEY_CURRENT_USER\\A");
  l = line(ProblemKind::ValuePath, "HKEY_CURRENT_USER\\A\\v", "d");
  EXPECT_EQ(l->list, List::Values);
  EXPECT_EQ(l->text, "HKEY_CURRENT_USER\\A\\v");
  l = line(ProblemKind::ValueInKey, "HKEY_CURRENT_USER\\A", "C:\\x.dll");
  EXPECT_EQ(l->list, List::Values);
  EXPECT_EQ(l->text, "HKEY_CURRENT_USER\\A\\C:\\x.dll");
  l = line(ProblemKind::SubKey, "HKEY_CLASSES_ROOT\\CLSID", "{1}");
  EXPECT_EQ(l->list, List::Keys);
  EXPECT_EQ(l->text, "HKEY_CLASSES_ROOT\\CLSID\\{1}");
  l = line(ProblemKind::UserAssistValue, "HKEY_CURRENT_USER\\UA", "HRZR_EHACNGU:P:\\n.rkr");
  EXPECT_EQ(l->list, List::Values);
  EXPECT_EQ(l->text, "HKEY_CURRENT_USER\\UA\\UEME_RUNPATH:C:\\a.exe");
  EXPECT_FALSE(line(ProblemKind::ShortcutFile, "C:\\a.lnk", "C:\\b.exe"));
  EXPECT_FALSE(line(ProblemKind::Key, "HKEY_CURRENT_USER", ""));
}

TEST(AddToIgnoreLists, AddsRemovesAndCounts) {
  registry::IgnoreLists options;
  options.IgnoreValues = {"HKEY_CURRENT_USER\\Run\\Old"};
  options.IgnoreValueCount = 1;
  ResultsModel model = Model({
      Entry(ProblemKind::Key, "HKEY_CURRENT_USER\\Software\\Gone"),  // 0
      Entry(ProblemKind::ValuePath, "HKEY_CURRENT_USER\\Run\\old"),  // 1 listed
      Entry(ProblemKind::UserAssistValue, "HKEY_CURRENT_USER\\UA", "HRZR_EHACNGU:n.rkr"),  // 2
      Entry(ProblemKind::ShortcutFile, "C:\\Desk\\a.lnk", "C:\\gone.exe"),                 // 3
      Entry(ProblemKind::Key, "HKEY_CURRENT_USER", ""),               // 4 passed over
      Entry(ProblemKind::SubKey, "HKEY_CLASSES_ROOT\\CLSID", "{9}"),  // 5 not selected
  });
  const std::vector<std::size_t> selected = {4, 0, 2, 1, 3, 6, 99};  // 6 and 99: past the end
  const IgnoreListChanges changes = AddToIgnoreLists(model, options, selected);
  EXPECT_EQ(changes.linesAdded, 2u);
  EXPECT_EQ(changes.rowsRemoved, 3u);
  EXPECT_THAT(options.IgnoreKeys, ElementsAre("HKEY_CURRENT_USER\\Software\\Gone"));
  EXPECT_EQ(options.IgnoreKeyCount, 1);
  EXPECT_THAT(options.IgnoreValues, ElementsAre("HKEY_CURRENT_USER\\Run\\Old",
                                                "HKEY_CURRENT_USER\\UA\\UEME_RUNPATH:a.exe"));
  EXPECT_EQ(options.IgnoreValueCount, 2);
  EXPECT_THAT(Keys(model), ElementsAre("HKEY_CURRENT_USER\\Run\\old|x", "HKEY_CURRENT_USER|",
                                       "HKEY_CLASSES_ROOT\\CLSID|{9}"));
  EXPECT_EQ(model.CountsText(), " 3 Errors Found,  3 Errors Selected.");

  // What was added keeps the same rows out of the next filter run.
  ResultsModel again =
      Model({Entry(ProblemKind::Key, "HKEY_CURRENT_USER\\Software\\Gone\\Sub"),
             Entry(ProblemKind::UserAssistValue, "HKEY_CURRENT_USER\\UA", "HRZR_EHACNGU:n.rkr")});
  EXPECT_EQ(ApplyFilters(again, options), 2u);
}

TEST(AddToIgnoreLists, SameLocationTwiceAddsOnceAndKeepsOneRow) {
  registry::IgnoreLists options;
  ResultsModel model = Model({Entry(ProblemKind::ValuePath, "HKEY_CURRENT_USER\\Run\\A", "one"),
                              Entry(ProblemKind::ValuePath, "HKEY_CURRENT_USER\\Run\\a", "two")});
  const std::vector<std::size_t> selected = {0, 1};
  const IgnoreListChanges changes = AddToIgnoreLists(model, options, selected);
  EXPECT_EQ(changes.linesAdded, 1u);
  EXPECT_THAT(options.IgnoreValues, ElementsAre("HKEY_CURRENT_USER\\Run\\a"));
  EXPECT_EQ(options.IgnoreValueCount, 1);
  EXPECT_THAT(Keys(model), ElementsAre("HKEY_CURRENT_USER\\Run\\A|one"));

  const IgnoreListChanges none = AddToIgnoreLists(model, options, {});
  EXPECT_EQ(none.linesAdded + none.rowsRemoved, 0u);
  EXPECT_EQ(model.Count(), 1u);
}

class RecordingAddIgnoreView : public AddIgnoreLineView {
 public:
  void SetKeyText(std::string_view text) override { key = std::string(text); }
  void EnableOk(bool enabled) override { ok = enabled; }
  std::string key;
  bool ok = true;
};

TEST(AddIgnoreLineDialog, OkNeedsARootAndTheEditorButtonOpensRegedit) {
  sim::SimPlatform sim;
  AddIgnoreLineController controller(sim.shell(), "HKEY_CURRENT_USER\\Software\\X");
  RecordingAddIgnoreView view;
  controller.Show(view);
  EXPECT_EQ(view.key, "HKEY_CURRENT_USER\\Software\\X");
  EXPECT_TRUE(view.ok);
  controller.KeyEdited("Software\\X");
  EXPECT_FALSE(view.ok);
  controller.KeyEdited("hkey_local_machine\\x");
  EXPECT_TRUE(view.ok);
  EXPECT_EQ(controller.Line(), "hkey_local_machine\\x");
  controller.KeyEdited("");
  EXPECT_FALSE(view.ok);

  AddIgnoreLineController fresh(sim.shell(), "");
  fresh.Show(view);
  EXPECT_FALSE(view.ok);
  fresh.LaunchRegistryEditorClicked();
  EXPECT_THAT(sim.shell().openedDocuments(), ElementsAre("Regedit.exe"));
}

}  // namespace
}  // namespace nc::registry
