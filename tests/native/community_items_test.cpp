// Community entries as clean items of the main window: their groups, the
// setting that shows them, their ticks in options.ini, the warning
// question, Test and Clean through the worker, the unattended report and
// the log of lines the reader left out.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "app/main_controller.h"
#include "app/options_dialog.h"
#include "cleaner/community/catalogue.h"
#include "controller_fixture.h"
#include "recording_options_view.h"

namespace nc {
namespace {

using namespace std::chrono_literals;
using cleaner::kStateTicked;
using cleaner::kStateUnticked;

// Alpha and Delta apply (their folders exist), Beta by its registry key,
// Gamma nowhere.
constexpr const char* kRules =
    "; Version: 100\r\n"
    "[Alpha Tool *]\r\nLangSecRef=3021\r\nDetectFile=%LocalAppData%\\Alpha\r\n"
    "FileKey1=%LocalAppData%\\Alpha|*.log\r\n"
    "[Beta Game *]\r\nSection=Games\r\nDetect=HKCU\\Software\\Beta\r\n"
    "RegKey1=HKCU\\Software\\Beta\\History\r\n"
    "[Gamma Missing *]\r\nSection=Games\r\nDetectFile=%LocalAppData%\\Gamma\r\n"
    "FileKey1=%LocalAppData%\\Gamma|*.*\r\n"
    "[Delta Saves *]\r\nSection=Games\r\nWarning=Your saved games go too.\r\n"
    "DetectFile=%LocalAppData%\\Delta\r\nFileKey1=%LocalAppData%\\Delta|*.sav\r\n";

class CommunityItemsTest : public test::ControllerFixture {
 protected:
  CommunityItemsTest() {
    sim.messages().setHandler([this](const sim::PostedMessage& m) {
      if (controller) controller->OnMessage(m.message, m.wParam, m.lParam);
    });
    local = sim.files().specialFolder(platform::Csidl::LocalAppData) + "\\";
    sim.writeFile(local + "Alpha\\a.log", std::string(2048, 'x'));
    sim.writeFile(local + "Alpha\\b.log", "y");
    sim.writeFile(local + "Alpha\\keep.txt", "z");
    sim.writeFile(local + "Delta\\one.sav", "s");
    (void)sim.registry().loadRegText(
        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Beta\\History]\r\n\"a\"=\"1\"\r\n");
  }
  ~CommunityItemsTest() override {
    if (controller) controller->OnClose();
  }

  std::string ini() const { return folder + "options.ini"; }
  void setting(bool on) {
    sim.profile().writeString(ini(), "Options", "CommunityRules", on ? "1" : "0");
  }
  void rulesFile(const std::string& text) { sim.writeFile(folder + "Winapp2.ini", text); }
  // Ends the program as its window closes (writing options.ini).
  void stop() {
    if (!controller) return;
    controller->OnClose();
    controller.reset();
  }
  void restart() {
    stop();
    start();
  }
  bool pumpUntilIdle() {
    return sim.messages().pumpUntil(
        [this] { return !controller->cleanBusy() && sim.messages().pending() == 0; }, 10s);
  }

  // Captions of the community groups and their items, "caption: a, b".
  std::vector<std::string> shown() const {
    std::vector<std::string> groups;
    for (const auto& group : controller->cleanTree().groups()) {
      if (!group.community) continue;
      std::string line = group.text + ":";
      for (const auto& item : group.children) line += " " + item.text + ";";
      groups.push_back(line);
    }
    return groups;
  }
  cleaner::NodeRef ref(const std::string& group, const std::string& item = "") const {
    const auto& groups = controller->cleanTree().groups();
    for (std::size_t g = 0; g < groups.size(); ++g) {
      if (groups[g].text != group) continue;
      if (item.empty()) return {static_cast<int>(g), -1};
      for (std::size_t c = 0; c < groups[g].children.size(); ++c) {
        if (groups[g].children[c].text == item) return {static_cast<int>(g), static_cast<int>(c)};
      }
    }
    ADD_FAILURE() << "no node " << group << " / " << item;
    return {-1, -1};
  }
  int state(const std::string& group, const std::string& item = "") const {
    const auto* node = controller->cleanTree().node(ref(group, item));
    return node == nullptr ? -1 : node->state;
  }
  void click(const std::string& group, const std::string& item = "") {
    controller->OnCleanTreeClick(ref(group, item), cleaner::TreeHit::StatePicture);
  }
  std::vector<std::string> logWith(std::string_view text) const {
    std::vector<std::string> found;
    for (const auto& line : view.log.Lines()) {
      if (line.find(text) != std::string::npos) found.push_back(line);
    }
    return found;
  }

  std::string local;
};

TEST_F(CommunityItemsTest, GroupsAppearWithTheSettingOnForTheEntriesThatApply) {
  struct Case {
    const char* name;
    const char* setting;  // nullptr: no key
    bool file;
    std::vector<std::string> groups;
  };
  const std::vector<std::string> all = {"Community - Applications: Alpha Tool;",
                                        "Community - Games: Beta Game; Delta Saves;"};
  const Case cases[] = {
      {"no setting", nullptr, true, {}},   {"setting off", "0", true, {}},
      {"on without file", "1", false, {}}, {"on", "1", true, all},
      {"on, any number", "7", true, all},
  };
  for (const Case& c : cases) {
    stop();
    sim.profile().eraseSection(ini(), "Options");
    if (c.setting != nullptr)
      sim.profile().writeString(ini(), "Options", "CommunityRules", c.setting);
    (void)sim.files().deleteFile(folder + "Winapp2.ini");
    if (c.file) rulesFile(kRules);
    if (controller)
      restart();
    else
      start();
    EXPECT_EQ(shown(), c.groups) << c.name;
    // Built-in groups come first and keep their own order.
    const auto& groups = controller->cleanTree().groups();
    const auto firstCommunity =
        std::find_if(groups.begin(), groups.end(), [](const auto& g) { return g.community; });
    EXPECT_TRUE(std::none_of(firstCommunity, groups.end(), [](const auto& g) {
      return !g.community;
    })) << c.name;
    EXPECT_EQ(controller->options().CommunityRules,
              c.setting != nullptr && std::string_view(c.setting) != "0")
        << c.name;
  }
}

TEST_F(CommunityItemsTest, TicksLiveUnderTheirOwnSectionAndSurviveRestartsAndNewFiles) {
  setting(true);
  rulesFile(kRules);
  // A tick of an entry that does not apply here is kept as it is.
  sim.profile().writeString(ini(), "Community", "Gamma Missing", "1");
  start();
  click("Community - Applications", "Alpha Tool");
  click("Windows", "Clipboard");
  restart();

  EXPECT_EQ(sim.profile().readString(ini(), "Community", "Alpha Tool", ""), "1");
  EXPECT_EQ(sim.profile().readString(ini(), "Community", "Gamma Missing", ""), "1");
  EXPECT_EQ(sim.profile().readString(ini(), "Community", "Beta Game", ""), "");
  // The list older programs read holds the built-in ticks only.
  for (const auto& line : sim.profile().sectionLines(ini(), "NodeSelected")) {
    EXPECT_EQ(line.find("Community"), std::string::npos) << line;
  }
  EXPECT_EQ(sim.profile().readString(ini(), "NodeSelected", "SelectedCount", ""), "2");
  EXPECT_EQ(state("Community - Applications", "Alpha Tool"), kStateTicked);
  EXPECT_EQ(state("Community - Applications"), kStateTicked);
  EXPECT_EQ(state("Community - Games", "Beta Game"), kStateUnticked);

  struct Step {
    const char* name;
    std::string file;
    bool setting;
    int alpha;  // state of Alpha Tool in "Community - <group>", -1 when not shown
    std::string group;
  };
  const Step steps[] = {
      // A new version moves the entry to another category: the tick follows the name.
      {"new version",
       "; Version: 101\r\n[Alpha Tool *]\r\nSection=Tools\r\n"
       "DetectFile=%LocalAppData%\\Alpha\r\nFileKey1=%LocalAppData%\\Alpha|*.log\r\n",
       true, kStateTicked, "Tools"},
      {"setting off", kRules, false, -1, ""},
      {"entry gone", "; Version: 102\r\n", true, -1, ""},
      {"back again", kRules, true, kStateTicked, "Applications"},
  };
  for (const Step& s : steps) {
    stop();
    rulesFile(s.file);
    setting(s.setting);
    start();
    if (s.alpha < 0) {
      EXPECT_TRUE(shown().empty() || shown().front().find("Alpha") == std::string::npos) << s.name;
    } else {
      EXPECT_EQ(state("Community - " + s.group, "Alpha Tool"), s.alpha) << s.name;
    }
    EXPECT_EQ(sim.profile().readString(ini(), "Community", "Alpha Tool", ""), "1") << s.name;
    EXPECT_EQ(sim.profile().readString(ini(), "Community", "Gamma Missing", ""), "1") << s.name;
  }

  // Unticking removes the key.
  click("Community - Applications", "Alpha Tool");
  restart();
  EXPECT_EQ(sim.profile().readString(ini(), "Community", "Alpha Tool", ""), "");
  EXPECT_EQ(state("Community - Applications", "Alpha Tool"), kStateUnticked);
}

// The options dialog's box turns the groups on and off in the running
// program as OK closes it; Cancel leaves them, and ticks outlive a time off.
TEST_F(CommunityItemsTest, OptionsBoxShowsAndHidesTheGroupsOnOk) {
  setting(false);
  rulesFile(kRules);
  auto& c = start();
  ASSERT_TRUE(shown().empty());
  const std::vector<std::string> all = {"Community - Applications: Alpha Tool;",
                                        "Community - Games: Beta Game; Delta Saves;"};
  struct Step {
    const char* name;
    bool tick;
    bool ok;
    std::vector<std::string> groups;
    const char* stored;
  };
  const Step steps[] = {
      {"ticked, OK", true, true, all, "1"},
      {"unticked, Cancel", false, false, all, "1"},
      {"unticked, OK", false, true, {}, "0"},
      {"ticked again, OK", true, true, all, "1"},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    test::RecordingOptionsView options;
    options.confirmAnswer = true;  // the default backup folder is made
    app::OptionsDialog dialog(sim.ports(), folder, c.options(), c.optionsHost(), options);
    dialog.Open();
    EXPECT_EQ(options.communityRulesInfo, "Version: 100, 4 entries");
    EXPECT_NE(options.form.communityRules, step.tick);
    options.form.communityRules = step.tick;
    const int treeShows = view.treeShows;
    if (step.ok) {
      ASSERT_TRUE(dialog.OnOk());
    } else {
      dialog.OnCancel();
    }
    EXPECT_EQ(shown(), step.groups);
    EXPECT_EQ(view.treeShows > treeShows, step.ok);
    EXPECT_EQ(sim.profile().readString(ini(), "Options", "CommunityRules", ""), step.stored);
    if (&step == &steps[0]) click("Community - Applications", "Alpha Tool");
  }
  EXPECT_EQ(state("Community - Applications", "Alpha Tool"), kStateTicked);
  EXPECT_EQ(c.community()->rules.version, "100");
}

TEST_F(CommunityItemsTest, TickingAnEntryWithAWarningAsksAndNoLeavesItUnticked) {
  setting(true);
  rulesFile(kRules);
  struct Case {
    const char* name;
    std::string item;  // "" clicks the group
    std::vector<bool> answers;
    int beta, delta;
    std::size_t questions;
  };
  const Case cases[] = {
      {"item, yes", "Delta Saves", {true}, kStateUnticked, kStateTicked, 1},
      {"item, no", "Delta Saves", {false}, kStateUnticked, kStateUnticked, 1},
      {"item without warning", "Beta Game", {}, kStateTicked, kStateUnticked, 0},
      {"group, no", "", {false}, kStateTicked, kStateUnticked, 1},
      {"group, yes", "", {true}, kStateTicked, kStateTicked, 1},
  };
  for (const Case& c : cases) {
    if (controller)
      restart();
    else
      start();
    cleaner::community::ApplyCommunityTicks(controller->cleanTree(), {});
    sim.prompts().clear();
    for (const bool yes : c.answers) sim.prompts().answerConfirm(yes);
    click("Community - Games", c.item);
    EXPECT_EQ(state("Community - Games", "Beta Game"), c.beta) << c.name;
    EXPECT_EQ(state("Community - Games", "Delta Saves"), c.delta) << c.name;
    EXPECT_EQ(state("Community - Games"),
              c.beta == kStateTicked || c.delta == kStateTicked ? kStateTicked : kStateUnticked)
        << c.name;
    const auto records = sim.prompts().records();
    ASSERT_EQ(records.size(), c.questions) << c.name;
    if (c.questions == 1) {
      EXPECT_NE(records[0].text.find("Your saved games go too."), std::string::npos) << c.name;
      EXPECT_NE(records[0].text.find("Delta Saves"), std::string::npos) << c.name;
    }
  }
  // Unticking asks nothing.
  sim.prompts().clear();
  click("Community - Games", "Delta Saves");
  EXPECT_EQ(state("Community - Games", "Delta Saves"), kStateUnticked);
  EXPECT_TRUE(sim.prompts().records().empty());
}

TEST_F(CommunityItemsTest, TestListsWhatCleanRemovesThroughTheWorker) {
  setting(true);
  rulesFile(kRules);
  sim.profile().writeString(ini(), "Settings", "FastScan", "0");
  auto& c = start();
  click("Community - Applications", "Alpha Tool");
  click("Community - Games", "Beta Game");

  const auto listed = [&](std::string_view prefix) {
    std::vector<std::string> lines;
    for (const auto& line : view.log.Lines()) {
      if (line.starts_with(prefix) && (line.find(local) != std::string::npos ||
                                       line.find("Software\\Beta") != std::string::npos)) {
        lines.push_back(line.substr(prefix.size()));
      }
    }
    return lines;
  };
  c.OnTestClicked();
  ASSERT_TRUE(pumpUntilIdle());
  EXPECT_EQ(logWith("Clearing Community - Applications - Alpha Tool ...").size(), 1u);
  EXPECT_EQ(logWith("Clearing Community - Games - Beta Game ...").size(), 1u);
  const auto tested = listed("Test: ");
  EXPECT_EQ(tested.size(), 3u);  // two files, one key
  EXPECT_TRUE(sim.files().fileExists(local + "Alpha\\a.log"));

  c.OnCleanClicked();
  ASSERT_TRUE(pumpUntilIdle());
  EXPECT_EQ(listed("Clean: "), tested);
  EXPECT_FALSE(sim.files().fileExists(local + "Alpha\\a.log"));
  EXPECT_FALSE(sim.files().fileExists(local + "Alpha\\b.log"));
  EXPECT_TRUE(sim.files().fileExists(local + "Alpha\\keep.txt"));
  EXPECT_TRUE(sim.files().fileExists(local + "Delta\\one.sav"));
  EXPECT_FALSE(sim.registry()
                   .open(platform::RootKey::CurrentUser, "Software\\Beta\\History",
                         platform::RegAccess::Read)
                   .ok());
}

TEST_F(CommunityItemsTest, ClearReportsACommunityItemByItsRunName) {
  setting(true);
  rulesFile(kRules);
  sim.profile().writeString(ini(), "Community", "Alpha Tool", "1");
  const std::string report = "C:\\Reports\\run.json";
  auto& c = start({"/Clear", report});
  sim.messages().pumpUntil([&] { return c.closed(); }, 20s);
  ASSERT_TRUE(c.closed());
  const auto text = platform::ReadWholeFile(sim.files(), report);
  ASSERT_TRUE(text.ok());
  const auto r = nlohmann::json::parse(*text);
  ASSERT_EQ(r["clean"]["items"].size(), 1u);
  EXPECT_EQ(r["clean"]["items"][0]["runName"], "Community - Applications - Alpha Tool");
  EXPECT_EQ(r["clean"]["items"][0]["files"], 2);
  EXPECT_FALSE(sim.files().fileExists(local + "Alpha\\a.log"));
  // The run's end kept the tick.
  EXPECT_EQ(sim.profile().readString(ini(), "Community", "Alpha Tool", ""), "1");
}

TEST_F(CommunityItemsTest, LinesTheReaderLeftOutAreLoggedByTheFirstTestOnly) {
  setting(true);
  rulesFile(std::string(kRules) + "Bogus=1\r\nnot a key at all\r\n");
  auto& c = start();
  click("Community - Applications", "Alpha Tool");
  struct Run {
    bool clean;
    std::size_t countLines;
  };
  // A Clean's counting pass and the Clean itself show nothing; the first
  // Test shows them, later Tests do not; a reload shows them again.
  const Run runs[] = {{true, 0}, {false, 1}, {false, 0}};
  for (const Run& run : runs) {
    run.clean ? c.OnCleanClicked() : c.OnTestClicked();
    ASSERT_TRUE(pumpUntilIdle());
    EXPECT_EQ(logWith("Winapp2.ini: 2 lines were not understood").size(), run.countLines);
    EXPECT_EQ(logWith("Winapp2.ini line 19: ").size(), run.countLines);
    EXPECT_EQ(logWith("Winapp2.ini line 20: ").size(), run.countLines);
  }
  c.ReloadCommunityRules();
  EXPECT_EQ(state("Community - Applications", "Alpha Tool"), kStateTicked);
  c.OnTestClicked();
  ASSERT_TRUE(pumpUntilIdle());
  EXPECT_EQ(logWith("Winapp2.ini: 2 lines were not understood").size(), 1u);
}

// The real file: every group is a community caption, in order, and every
// item designates an entry of its own.
TEST_F(CommunityItemsTest, TheRealFileShowsWhatAppliesUnderStableCaptions) {
  std::ifstream in(NC_SOURCE_DIR "/tests/data/winapp2/Winapp2.ini", std::ios::binary);
  ASSERT_TRUE(in) << "tests/data/winapp2/Winapp2.ini";
  std::ostringstream text;
  text << in.rdbuf();
  rulesFile(text.str());
  setting(true);
  (void)sim.registry().loadRegText("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\7-Zip]\r\n");
  auto& c = start();
  ASSERT_NE(c.community(), nullptr);
  EXPECT_EQ(c.community()->rules.version, "260730");
  const auto* utilities = c.cleanTree().group("Community - Utilities");
  ASSERT_NE(utilities, nullptr);
  EXPECT_TRUE(std::any_of(utilities->children.begin(), utilities->children.end(),
                          [](const auto& item) { return item.text == "7-Zip"; }));
  std::vector<std::string> captions;
  std::size_t items = 0;
  for (const auto& group : c.cleanTree().groups()) {
    if (!group.community) continue;
    EXPECT_TRUE(group.text.starts_with("Community - ")) << group.text;
    captions.push_back(group.text);
    for (const auto& item : group.children) {
      ++items;
      const auto* entry = c.community()->EntryOf(cleaner::CleanItemName(group.text, item.text));
      ASSERT_NE(entry, nullptr) << item.text;
      EXPECT_EQ(entry->name, item.text);
    }
  }
  EXPECT_EQ(items, c.community()->byRunName.size());
  EXPECT_LT(items, c.community()->rules.entries.size());
  EXPECT_TRUE(std::is_sorted(captions.begin(), captions.end(), [](const auto& a, const auto& b) {
    std::string la = a, lb = b;
    for (auto& ch : la) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    for (auto& ch : lb) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return la < lb;
  }));
}

}  // namespace
}  // namespace nc
