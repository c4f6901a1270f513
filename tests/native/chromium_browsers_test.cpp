// The Chromium browsers beside Google Chrome: which groups the clean tree
// shows for which folders, the items behind their run names, what the
// settings file keeps of them (and an older file without their keys),
// and the refusal of a clean while a browser holds its profile's lock.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "../common/browser_databases.h"
#include "app/options.h"
#include "app/settings_trees.h"
#include "clean_fixture.h"
#include "cleaner/browser_items.h"
#include "cleaner/catalogue.h"
#include "cleaner/chromium_browsers.h"
#include "cleaner/clean_starter.h"
#include "cleaner/clean_worker.h"
#include "registry/section_tree.h"

namespace nc::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

constexpr const char* kLocal = "C:\\Users\\user\\AppData\\Local\\";
constexpr const char* kRoaming = "C:\\Users\\user\\AppData\\Roaming\\";
const std::string kChrome = std::string(kLocal) + "Google\\Chrome\\User Data\\";
const std::string kEdge = std::string(kLocal) + "Microsoft\\Edge\\User Data\\";
const std::string kBrave = std::string(kLocal) + "BraveSoftware\\Brave-Browser\\User Data\\";
const std::string kVivaldi = std::string(kLocal) + "Vivaldi\\User Data\\";
const std::string kOpera = std::string(kRoaming) + "Opera Software\\Opera Stable\\";
const std::string kOperaLocal = std::string(kLocal) + "Opera Software\\Opera Stable\\";
const std::string kFirefox = std::string(kRoaming) + "Mozilla\\Firefox\\Profiles\\";

class ChromiumBrowsersTest : public CleanFixture {
 protected:
  void SetUp() override {
    sim.registry().loadRegText(
        "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
        "Shell Folders]\n\"Local AppData\"=\"C:\\\\Users\\\\user\\\\AppData\\\\Local\"\n");
  }
  void TearDown() override { held.clear(); }

  fs::path Host(const std::string& path) { return sim.hostPath(path); }
  void MakeFolder(const std::string& path) { fs::create_directories(Host(path)); }
  // Holds the file open as the browser does: writing, others may read.
  void Hold(const std::string& path) {
    ASSERT_TRUE(sim.writeFile(path, ""));
    auto file =
        sim.files().open(path, platform::FileOpen::ReadWriteExisting, platform::FileShare::Read);
    ASSERT_TRUE(file.ok());
    held.push_back(std::move(file.value()));
  }
  cleaner::CleanTree Tree() {
    cleaner::CleanTree tree = cleaner::BuildCleanTree();
    cleaner::AddChromiumBrowserGroups(tree, sim.registry(), sim.files());
    return tree;
  }
  static std::vector<std::string> GroupTexts(const cleaner::CleanTree& tree) {
    std::vector<std::string> texts;
    for (const auto& group : tree.groups()) texts.push_back(group.text);
    return texts;
  }

  std::vector<std::unique_ptr<platform::File>> held;
};

// ---- which groups, where -------------------------------------------------------------

TEST_F(ChromiumBrowsersTest, EachBrowserHasItsGroupAfterChromeOnlyWhenItsFolderExists) {
  struct Case {
    const char* name;
    std::vector<std::string> folders;   // made as folders
    std::vector<std::string> asFiles;   // made as plain files
    std::vector<std::string> expected;  // the groups between Chrome and "Advanced"
  };
  const std::vector<Case> cases = {
      {"nothing installed", {}, {}, {}},
      {"Edge alone", {kEdge}, {}, {"Microsoft Edge"}},
      {"listed in the table's order",
       {kOpera, kVivaldi, kEdge},
       {},
       {"Microsoft Edge", "Vivaldi", "Opera (Chromium)"}},
      {"all four",
       {kBrave, kEdge, kOpera, kVivaldi},
       {},
       {"Microsoft Edge", "Brave", "Vivaldi", "Opera (Chromium)"}},
      // The folder above "User Data", or a file of its name, is no browser.
      {"only a parent or a file",
       {std::string(kLocal) + "BraveSoftware\\Brave-Browser\\"},
       {std::string(kLocal) + "Vivaldi\\User Data"},
       {}},
      // Opera's data lies in the roaming folder, not the local one.
      {"Opera's local folder alone", {kOperaLocal}, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(Host("C:\\Users"));
    for (const auto& folder : c.folders) MakeFolder(folder);
    for (const auto& file : c.asFiles) ASSERT_TRUE(sim.writeFile(file, "x"));
    const cleaner::CleanTree tree = Tree();
    std::vector<std::string> expected = {"Internet Explorer", "Windows",      "Netscape", "Opera",
                                         "Mozilla Firefox",   "Google Chrome"};
    expected.insert(expected.end(), c.expected.begin(), c.expected.end());
    for (const char* rest :
         {"Advanced", "Microsoft Office", "Instant Messengers", "Applications", "Custom Lists"}) {
      expected.emplace_back(rest);
    }
    EXPECT_THAT(GroupTexts(tree), ElementsAreArray(expected));
    for (const std::string& group : c.expected) {
      const cleaner::CleanNode& node = *tree.group(group);
      EXPECT_EQ(node.imageIndex, cleaner::ChromiumBrowserOfGroup(group)->imageIndex);
      std::vector<std::string> items;
      for (const auto& child : node.children) items.push_back(child.text);
      std::vector<std::string> chrome;
      for (const auto& child : tree.group("Google Chrome")->children) chrome.push_back(child.text);
      EXPECT_EQ(items, chrome);
    }
    // The old Opera keeps its own items.
    EXPECT_EQ(tree.group("Opera")->children.front().text, "Recently Typed URLs");
  }
}

// ---- the items behind the run names --------------------------------------------------

TEST_F(ChromiumBrowsersTest, RunNamesCleanTheProfilesOfTheirOwnBrowserOnly) {
  struct Case {
    const char* group;
    std::string userData;
    std::string firstProfile;  // below userData
    std::string caches;        // where the first profile's caches lie
  };
  const std::vector<Case> cases = {
      {"Microsoft Edge", kEdge, "Default\\", kEdge + "Default\\"},
      {"Brave", kBrave, "Default\\", kBrave + "Default\\"},
      {"Vivaldi", kVivaldi, "Default\\", kVivaldi + "Default\\"},
      // Opera's folder is its profile; its caches are in the local folder.
      {"Opera (Chromium)", kOpera, "", kOperaLocal},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.group);
    fs::remove_all(Host("C:\\Users"));
    ASSERT_TRUE(MakeChromeProfile(Host(kChrome + "Default"), true));
    ASSERT_TRUE(MakeChromeProfile(Host(c.userData + c.firstProfile), true));
    ASSERT_TRUE(MakeChromeProfile(Host(c.userData + "Profile 1"), true));
    ASSERT_TRUE(WriteProfileFiles(
        Host(c.caches), {{"Cache/Cache_Data/f_000009", 6000}, {"GPUCache/data_1", 3000}}));
    // Not a profile: no "Preferences".
    ASSERT_TRUE(WriteProfileFiles(Host(c.userData + "Crashpad"), {{"Cookies", 100}}));

    const std::string group = c.group;
    const auto items = cleaner::ChromiumItems();
    // The worker hands the names to these items, not to the definitions
    // file.
    {
      log.clear();
      runMode.store(cleaner::RunMode::Test);
      cleaner::CleanWorker worker(Environment(), {group + " - Cookies"}, 0);
      worker.Execute();
      Pump();
      EXPECT_TRUE(log.hasLine("Test: deleting " + c.userData + "Profile 1\\Network\\Cookies"));
    }
    std::vector<int> counted;
    for (const std::string_view item : items) {
      cleaner::CleanRun& r = MakeRun(true);
      ASSERT_TRUE(cleaner::RunBrowserItem(r, cleaner::CleanItemName(group, item)));
      counted.push_back(r.ItemCount);
    }
    // Cache: the eleven files of four cache folders in each of the two
    // profiles, and the two of the first profile's (Opera: local) caches.
    EXPECT_EQ(counted[0], 2 * 11 + 2);
    std::vector<int> cleaned;
    for (const std::string_view item : items) {
      cleaner::CleanRun& r = MakeRun(false);
      ASSERT_TRUE(cleaner::RunBrowserItem(r, cleaner::CleanItemName(group, item)));
      cleaned.push_back(r.ItemCount);
    }
    EXPECT_EQ(cleaned, counted);
    for (const std::string& profile : {c.userData + c.firstProfile, c.userData + "Profile 1\\"}) {
      EXPECT_FALSE(fs::exists(Host(profile + "Network\\Cookies")));
      EXPECT_FALSE(fs::exists(Host(profile + "Cache\\Cache_Data\\data_0")));
      EXPECT_FALSE(fs::exists(Host(profile + "Login Data")));
      EXPECT_EQ(Count(Host(profile + "Web Data"), "autofill"), "0");
      EXPECT_FALSE(fs::exists(Host(profile + "History")));
      EXPECT_TRUE(fs::exists(Host(profile + "Preferences")));
    }
    EXPECT_FALSE(fs::exists(Host(c.caches + "Cache\\Cache_Data\\f_000009")));
    EXPECT_FALSE(fs::exists(Host(c.caches + "GPUCache\\data_1")));
    EXPECT_TRUE(fs::exists(Host(c.userData + "Crashpad\\Cookies")));
    // Chrome's own profile is left alone.
    EXPECT_TRUE(fs::exists(Host(kChrome + "Default\\Network\\Cookies")));
    EXPECT_EQ(Count(Host(kChrome + "Default\\History"), "downloads"), "2");
  }
  // A name of no item, and a group's name with another browser's item
  // name, are no browser items.
  for (const char* name : {"Microsoft Edge - Transfers", "Microsoft Edge-Cookies",
                           "Opera (Chromium) - Recently Typed URLs", "Brave - "}) {
    EXPECT_FALSE(cleaner::RunBrowserItem(MakeRun(true), name)) << name;
  }
}

// ---- what the settings file keeps ----------------------------------------------------

class ChromiumSettingsTest : public ChromiumBrowsersTest {
 protected:
  app::SettingsFile File() {
    return app::SettingsFile{sim.profile(), app::OptionsIniPath(kProgramFolder), kProgramFolder};
  }
  std::string Key(std::string_view section, std::string_view key) {
    return sim.profile().readString(File().path, section, key, "<missing>");
  }
  // A start of the program: the tree, the settings read, the expansion
  // restored.
  cleaner::CleanTree Started(app::Options& settings) {
    cleaner::CleanTree tree = Tree();
    app::ProgramSettingsTrees trees(tree, sections);
    app::ReadOptionsIni(File(), settings, trees, {});
    app::SaveExpandState(settings, trees, false);
    return tree;
  }
  // Its close: the expansion stored, the settings written.
  void Closed(cleaner::CleanTree& tree, app::Options& settings) {
    app::ProgramSettingsTrees trees(tree, sections);
    app::SaveExpandState(settings, trees, true);
    app::WriteOptionsIni(File(), settings, trees, {});
  }
  registry::SectionTree sections;
};

TEST_F(ChromiumSettingsTest, TicksAndExpansionSurviveARestartAndAnOlderFileLoadsUnchanged) {
  // A file written before the Chromium groups: eleven expand flags, Chrome
  // and the old Opera ticked.
  const std::string ini = File().path;
  ASSERT_TRUE(sim.writeFile(ini,
                            "[NodeSelected]\r\nSelectedCount=3\r\n1=Google Chrome\r\n"
                            "2=Google Chrome - Cookies\r\n3=Opera - Cookies\r\n"
                            "[FirstNodeExpand]\r\n1=1\r\n2=1\r\n3=1\r\n4=0\r\n5=1\r\n6=1\r\n"
                            "7=1\r\n8=1\r\n9=1\r\n10=1\r\n11=0\r\n"));
  MakeFolder(kEdge);
  MakeFolder(kOpera);
  app::Options first;
  cleaner::CleanTree tree = Started(first);
  EXPECT_THAT(cleaner::CollectCheckedItems(tree),
              ElementsAre("Opera - Cookies", "Google Chrome - Cookies"));
  EXPECT_FALSE(tree.group("Google Chrome")->expanded);
  EXPECT_FALSE(tree.group("Opera")->expanded);
  // The new groups: nothing ticked, expanded as every group is by default.
  EXPECT_TRUE(tree.group("Microsoft Edge")->expanded);
  EXPECT_TRUE(tree.group("Opera (Chromium)")->expanded);
  EXPECT_EQ(tree.group("Microsoft Edge")->state, cleaner::kStateUnticked);

  // Edge's cookies ticked, Opera (Chromium) collapsed; the next start
  // shows both as they were left.
  const int edge = 6;
  ASSERT_EQ(tree.groups()[edge].text, "Microsoft Edge");
  ASSERT_EQ(cleaner::ToggleNodeCheck(tree, {edge, 1}, cleaner::TreeHit::StatePicture),
            cleaner::ToggleResult::Toggled);
  tree.SetExpanded({7, -1}, false);
  ASSERT_EQ(tree.groups()[7].text, "Opera (Chromium)");
  Closed(tree, first);
  EXPECT_EQ(Key("FirstNodeExpand", "4"), "0");
  EXPECT_EQ(Key("FirstNodeExpand", "11"), "0");
  EXPECT_EQ(Key("FirstNodeExpand", "12"), "1");
  EXPECT_EQ(Key("FirstNodeExpand", "15"), "0");

  app::Options again;
  cleaner::CleanTree restarted = Started(again);
  EXPECT_THAT(
      cleaner::CollectCheckedItems(restarted),
      ElementsAre("Opera - Cookies", "Google Chrome - Cookies", "Microsoft Edge - Cookies"));
  EXPECT_TRUE(cleaner::IsGroupChecked(restarted, "Microsoft Edge"));
  EXPECT_FALSE(restarted.group("Opera (Chromium)")->expanded);
  EXPECT_TRUE(restarted.group("Microsoft Edge")->expanded);

  // Opera uninstalled: its group is gone, its flag is kept as it was.
  fs::remove_all(Host(kOpera));
  app::Options third;
  cleaner::CleanTree without = Started(third);
  EXPECT_EQ(without.group("Opera (Chromium)"), nullptr);
  Closed(without, third);
  EXPECT_EQ(Key("FirstNodeExpand", "15"), "0");
  EXPECT_EQ(Key("NodeSelected", "SelectedCount"), "5");
}

// ---- running browsers ----------------------------------------------------------------

TEST_F(ChromiumBrowsersTest, ABrowserHoldingItsLockRefusesACleanOfItsOwnGroupOnly) {
  struct Case {
    const char* name;
    std::vector<std::string> heldFiles;   // held open as the browser holds them
    std::vector<std::string> staleFiles;  // left behind, held by nobody
    const char* ticked;                   // the group whose item is ticked
    const char* window;                   // a top-level window's class, or null
    cleaner::RunMode mode;
    const char* refusal;  // null: the clean starts
  };
  using cleaner::RunMode;
  const std::vector<Case> cases = {
      {"Chrome runs",
       {kChrome + "lockfile"},
       {},
       "Google Chrome",
       nullptr,
       RunMode::CleanRequest,
       "Please close Google Chrome first!"},
      {"Edge runs, Chrome is cleaned",
       {kEdge + "lockfile"},
       {},
       "Google Chrome",
       nullptr,
       RunMode::CleanRequest,
       nullptr},
      {"a Chromium window without Chrome",
       {},
       {},
       "Google Chrome",
       "Chrome_WidgetWin_1",
       RunMode::CleanRequest,
       nullptr},
      {"Chrome ended without removing its lock",
       {},
       {kChrome + "lockfile"},
       "Google Chrome",
       nullptr,
       RunMode::CleanRequest,
       nullptr},
      {"Edge runs",
       {kEdge + "lockfile"},
       {},
       "Microsoft Edge",
       nullptr,
       RunMode::Auto,
       "Please close Microsoft Edge first!"},
      {"Brave runs",
       {kBrave + "lockfile"},
       {},
       "Brave",
       nullptr,
       RunMode::CleanRequest,
       "Please close Brave first!"},
      {"Vivaldi runs",
       {kVivaldi + "lockfile"},
       {},
       "Vivaldi",
       nullptr,
       RunMode::CleanRequest,
       "Please close Vivaldi first!"},
      {"Opera runs",
       {kOpera + "lockfile"},
       {},
       "Opera (Chromium)",
       nullptr,
       RunMode::CleanRequest,
       "Please close Opera first!"},
      {"the old Opera is never judged by the new one's lock",
       {kOpera + "lockfile"},
       {},
       "Opera",
       nullptr,
       RunMode::CleanRequest,
       nullptr},
      {"Edge runs, a test",
       {kEdge + "lockfile"},
       {},
       "Microsoft Edge",
       nullptr,
       RunMode::Test,
       nullptr},
      {"Firefox's profile is locked",
       {kFirefox + "a1b2.default\\parent.lock"},
       {},
       "Mozilla Firefox",
       nullptr,
       RunMode::CleanRequest,
       "Please close Mozilla Firefox first!"},
      {"Firefox left its lock file",
       {},
       {kFirefox + "a1b2.default\\parent.lock"},
       "Mozilla Firefox",
       nullptr,
       RunMode::CleanRequest,
       nullptr},
      {"Firefox's window",
       {},
       {},
       "Mozilla Firefox",
       "MozillaWindowClass",
       RunMode::CleanRequest,
       "Please close Mozilla Firefox first!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    held.clear();
    fs::remove_all(Host("C:\\Users"));
    for (const std::string& folder : {kChrome, kEdge, kBrave, kVivaldi, kOpera}) {
      MakeFolder(folder);
    }
    for (const auto& file : c.heldFiles) Hold(file);
    for (const auto& file : c.staleFiles) ASSERT_TRUE(sim.writeFile(file, ""));
    const auto window = c.window ? sim.programs().addWindow(c.window) : 0;
    cleaner::CleanTree tree = Tree();
    cleaner::UntickAllNodes(tree);
    cleaner::SelectNodeByName(tree, c.ticked);
    cleaner::SelectNodeByName(tree, cleaner::CleanItemName(c.ticked, "Cookies"));
    bool busy = false;
    sim.prompts().clear();
    const auto decision = cleaner::PrepareCleanStart(
        cleaner::CleanStartContext{tree, c.mode, busy, false, false, sim.programs(), sim.prompts(),
                                   sim.registry(), sim.files(), [] { return true; }});
    if (window != 0) sim.programs().closeWindow(window);
    std::vector<std::string> shown;
    for (const auto& record : sim.prompts().records()) shown.push_back(record.text);
    if (c.refusal == nullptr) {
      EXPECT_EQ(decision.outcome, cleaner::CleanStartOutcome::Start);
      EXPECT_TRUE(shown.empty());
    } else {
      EXPECT_NE(decision.outcome, cleaner::CleanStartOutcome::Start);
      EXPECT_EQ(decision.refusal, c.refusal);
      EXPECT_THAT(shown, ElementsAre(c.refusal));
      EXPECT_FALSE(busy);
    }
  }
}

}  // namespace
}  // namespace nc::testing
