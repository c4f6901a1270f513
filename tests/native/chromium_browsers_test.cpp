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
const std::string kChromeBeta = std::string(kLocal) + "Google\\Chrome Beta\\User Data\\";
const std::string kChromeCanary = std::string(kLocal) + "Google\\Chrome SxS\\User Data\\";
const std::string kEdgeDev = std::string(kLocal) + "Microsoft\\Edge Dev\\User Data\\";
const std::string kEdgeCanary = std::string(kLocal) + "Microsoft\\Edge SxS\\User Data\\";
const std::string kChromium = std::string(kLocal) + "Chromium\\User Data\\";
const std::string kOperaGX = std::string(kRoaming) + "Opera Software\\Opera GX Stable\\";
const std::string kOperaGXLocal = std::string(kLocal) + "Opera Software\\Opera GX Stable\\";

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
  // The texts of groups or of a group's items.
  static std::vector<std::string> Texts(const std::vector<cleaner::CleanNode>& nodes) {
    std::vector<std::string> texts;
    for (const auto& node : nodes) texts.push_back(node.text);
    return texts;
  }

  std::vector<std::unique_ptr<platform::File>> held;
};

// ---- which groups, where -------------------------------------------------------------

TEST_F(ChromiumBrowsersTest, EachBrowserHasItsGroupAfterChromeOnlyWhenItsFolderExists) {
  // Folders made (a name ending without a backslash is made as a file),
  // and the groups expected between "Google Chrome" and "Advanced".
  auto check = [&](std::vector<std::string> made, std::vector<std::string> groups) {
    SCOPED_TRACE(::testing::PrintToString(made));
    fs::remove_all(Host("C:\\Users"));
    for (const auto& path : made) {
      if (path.ends_with('\\'))
        MakeFolder(path);
      else
        ASSERT_TRUE(sim.writeFile(path, "x"));
    }
    const cleaner::CleanTree tree = Tree();
    std::vector<std::string> expected = {"Internet Explorer", "Windows",      "Netscape", "Opera",
                                         "Mozilla Firefox",   "Google Chrome"};
    expected.insert(expected.end(), groups.begin(), groups.end());
    for (const char* rest :
         {"Advanced", "Microsoft Office", "Instant Messengers", "Applications", "Custom Lists"}) {
      expected.emplace_back(rest);
    }
    EXPECT_THAT(Texts(tree.groups()), ElementsAreArray(expected));
    for (const std::string& group : groups) {
      ASSERT_NE(tree.group(group), nullptr) << group;
      EXPECT_EQ(tree.group(group)->imageIndex, cleaner::ChromiumBrowserOfGroup(group)->imageIndex);
      EXPECT_EQ(Texts(tree.group(group)->children), Texts(tree.group("Google Chrome")->children));
    }
    EXPECT_EQ(tree.group("Opera")->children.front().text, "Recently Typed URLs");
  };
  check({}, {});
  check({kEdge}, {"Microsoft Edge"});
  check({kOpera, kVivaldi, kEdge}, {"Microsoft Edge", "Vivaldi", "Opera (Chromium)"});
  check({kBrave, kEdge, kOpera, kVivaldi},
        {"Microsoft Edge", "Brave", "Vivaldi", "Opera (Chromium)"});
  // The folder above "User Data", a file of its name, Opera's local folder.
  check({std::string(kLocal) + "BraveSoftware\\Brave-Browser\\",
         std::string(kLocal) + "Vivaldi\\User Data", kOperaLocal},
        {});
  // A channel alone gives its browser's group; the two new groups last.
  check({kEdgeCanary}, {"Microsoft Edge"});
  check({kOperaGX, kChromium, kEdgeDev, kOpera},
        {"Microsoft Edge", "Opera (Chromium)", "Chromium", "Opera GX"});
}

// ---- the items behind the run names --------------------------------------------------

TEST_F(ChromiumBrowsersTest, RunNamesCleanTheProfilesOfTheirOwnBrowserOnly) {
  // The group, its "User Data", its first profile below that, and where
  // that profile's caches lie (Opera's folder is its profile, and its
  // caches are in the local folder).
  // `second` is the second profile's folder below `userData`.
  auto check = [&](const std::string& group, const std::string& userData, const std::string& first,
                   const std::string& caches, const std::string& second = "Profile 1\\") {
    SCOPED_TRACE(group + " " + userData);
    fs::remove_all(Host("C:\\Users"));
    ASSERT_TRUE(MakeChromeProfile(Host(kChrome + "Default"), true));
    ASSERT_TRUE(MakeChromeProfile(Host(userData + first), true));
    ASSERT_TRUE(MakeChromeProfile(Host(userData + second), true));
    ASSERT_TRUE(WriteProfileFiles(Host(caches), {{"Cache/f_9", 6000}, {"GPUCache/data_1", 30}}));
    // Not a profile: no "Preferences".
    ASSERT_TRUE(WriteProfileFiles(Host(userData + "Crashpad"), {{"Cookies", 100}}));
    // The worker hands the names to these items, not to the definitions file.
    log.clear();
    runMode.store(cleaner::RunMode::Test);
    cleaner::CleanWorker worker(Environment(), {group + " - Cookies"}, 0);
    worker.Execute();
    Pump();
    EXPECT_TRUE(log.hasLine("Test: deleting " + userData + second + "Network\\Cookies"));

    std::vector<int> counts[2];
    for (const bool test : {true, false}) {
      for (const std::string_view item : cleaner::ChromiumItems()) {
        cleaner::CleanRun& r = MakeRun(test);
        ASSERT_TRUE(cleaner::RunBrowserItem(r, cleaner::CleanItemName(group, item)));
        counts[test ? 0 : 1].push_back(r.ItemCount);
      }
    }
    // The eleven files of four cache folders in each of the two profiles,
    // and the first profile's two beside.
    EXPECT_EQ(counts[0][0], 2 * 11 + 2);
    EXPECT_EQ(counts[0], counts[1]);
    for (const std::string& profile : {userData + first, userData + second}) {
      for (const char* gone : {"Network\\Cookies", "Cache\\Cache_Data\\data_0", "Login Data",
                               "History", "Current Session"}) {
        EXPECT_FALSE(fs::exists(Host(profile + gone))) << profile + gone;
      }
      EXPECT_EQ(Count(Host(profile + "Web Data"), "autofill"), "0");
      EXPECT_TRUE(fs::exists(Host(profile + "Preferences")));
    }
    EXPECT_FALSE(fs::exists(Host(caches + "Cache\\f_9")));
    EXPECT_FALSE(fs::exists(Host(caches + "GPUCache\\data_1")));
    EXPECT_TRUE(fs::exists(Host(userData + "Crashpad\\Cookies")));
    // Chrome's own profile is left alone.
    EXPECT_TRUE(fs::exists(Host(kChrome + "Default\\Network\\Cookies")));
    EXPECT_EQ(Count(Host(kChrome + "Default\\History"), "downloads"), "2");
  };
  check("Microsoft Edge", kEdge, "Default\\", kEdge + "Default\\");
  check("Brave", kBrave, "Default\\", kBrave + "Default\\");
  check("Vivaldi", kVivaldi, "Default\\", kVivaldi + "Default\\");
  check("Opera (Chromium)", kOpera, "", kOperaLocal);
  // The other channels, the new groups, Opera's side profiles.
  check("Microsoft Edge", kEdgeDev, "Default\\", kEdgeDev + "Default\\");
  check("Microsoft Edge", kEdgeCanary, "Default\\", kEdgeCanary + "Default\\", "Profile 3\\");
  check("Chromium", kChromium, "Default\\", kChromium + "Default\\");
  check("Opera GX", kOperaGX, "", kOperaGXLocal, "_side_profiles\\a1b2c3\\");
  check("Opera (Chromium)", kOpera, "", kOperaLocal, "_side_profiles\\d4e5\\");
  // Chrome Beta and Canary beside the stable Chrome, in one item.
  fs::remove_all(Host("C:\\Users"));
  for (const std::string& userData : {kChrome, kChromeBeta, kChromeCanary}) {
    ASSERT_TRUE(MakeChromeProfile(Host(userData + "Default"), true));
  }
  ASSERT_TRUE(WriteProfileFiles(Host(kChromeBeta), {{"GrShaderCache/data_1", 40}}));
  cleaner::CleanRun& caches = MakeRun(false);
  ASSERT_TRUE(cleaner::RunBrowserItem(caches, "Google Chrome - Temporary Internet Files"));
  EXPECT_EQ(caches.ItemCount, 3 * 11 + 1);
  for (const std::string& userData : {kChrome, kChromeBeta, kChromeCanary}) {
    EXPECT_FALSE(fs::exists(Host(userData + "Default\\GPUCache\\index"))) << userData;
  }
  EXPECT_TRUE(fs::exists(Host(kChromeBeta + "GrShaderCache")));
  for (const char* name : {"Microsoft Edge - Transfers", "Microsoft Edge-Cookies",
                           "Opera (Chromium) - Recently Typed URLs", "Brave - "}) {
    EXPECT_FALSE(cleaner::RunBrowserItem(MakeRun(true), name)) << name;
  }
}

// ---- what the settings file keeps ----------------------------------------------------

TEST_F(ChromiumBrowsersTest, TicksAndExpansionSurviveARestartAndAnOlderFileLoadsUnchanged) {
  const app::SettingsFile file{sim.profile(), app::OptionsIniPath(kProgramFolder), kProgramFolder};
  registry::SectionTree sections;
  // A start of the program (the tree, the settings, the expansion) and its
  // close (the expansion stored, the settings written).
  auto start = [&](app::Options& settings) {
    cleaner::CleanTree tree = Tree();
    app::ProgramSettingsTrees trees(tree, sections);
    app::ReadOptionsIni(file, settings, trees, {});
    app::SaveExpandState(settings, trees, false);
    return tree;
  };
  auto close = [&](cleaner::CleanTree& tree, app::Options& settings) {
    app::ProgramSettingsTrees trees(tree, sections);
    app::SaveExpandState(settings, trees, true);
    app::WriteOptionsIni(file, settings, trees, {});
  };
  auto key = [&](std::string_view slot) {
    return sim.profile().readString(file.path, "FirstNodeExpand", slot, "<missing>");
  };
  // A file written before the Chromium groups: eleven expand flags, Chrome
  // and the old Opera ticked.
  ASSERT_TRUE(sim.writeFile(file.path,
                            "[NodeSelected]\r\nSelectedCount=3\r\n1=Google Chrome\r\n"
                            "2=Google Chrome - Cookies\r\n3=Opera - Cookies\r\n[FirstNodeExpand]"
                            "\r\n1=1\r\n2=1\r\n3=1\r\n4=0\r\n5=1\r\n6=1\r\n7=1\r\n8=1\r\n9=1\r\n"
                            "10=1\r\n11=0\r\n"));
  for (const std::string& folder : {kEdge, kBrave, kVivaldi, kOpera, kChromium, kOperaGX}) {
    MakeFolder(folder);
  }
  app::Options first;
  cleaner::CleanTree tree = start(first);
  EXPECT_THAT(cleaner::CollectCheckedItems(tree),
              ElementsAre("Opera - Cookies", "Google Chrome - Cookies"));
  EXPECT_FALSE(tree.group("Google Chrome")->expanded);
  EXPECT_FALSE(tree.group("Opera")->expanded);
  // The new groups: nothing ticked, expanded as every group is by default.
  EXPECT_TRUE(tree.group("Microsoft Edge")->expanded);
  EXPECT_TRUE(tree.group("Opera (Chromium)")->expanded);
  EXPECT_EQ(tree.group("Microsoft Edge")->state, cleaner::kStateUnticked);

  // Edge's cookies ticked, Brave and Opera (Chromium) collapsed: so at the
  // next start, each group by its own flag.
  ASSERT_EQ(tree.groups()[6].text, "Microsoft Edge");
  ASSERT_EQ(tree.groups()[7].text, "Brave");
  ASSERT_EQ(tree.groups()[9].text, "Opera (Chromium)");
  cleaner::ToggleNodeCheck(tree, {6, 1}, cleaner::TreeHit::StatePicture);
  tree.SetExpanded({7, -1}, false);
  tree.SetExpanded({9, -1}, false);
  ASSERT_EQ(tree.groups()[11].text, "Opera GX");
  tree.SetExpanded({11, -1}, false);
  close(tree, first);
  EXPECT_EQ(key("4") + key("11") + key("12") + key("13") + key("14") + key("15"), "001010");
  EXPECT_EQ(key("16") + key("17"), "10");
  app::Options again;
  cleaner::CleanTree restarted = start(again);
  EXPECT_THAT(
      cleaner::CollectCheckedItems(restarted),
      ElementsAre("Opera - Cookies", "Google Chrome - Cookies", "Microsoft Edge - Cookies"));
  EXPECT_TRUE(cleaner::IsGroupChecked(restarted, "Microsoft Edge"));
  for (const auto& [group, expanded] : {std::pair{"Microsoft Edge", true},
                                        {"Brave", false},
                                        {"Vivaldi", true},
                                        {"Opera (Chromium)", false},
                                        {"Chromium", true},
                                        {"Opera GX", false}}) {
    EXPECT_EQ(restarted.group(group)->expanded, expanded) << group;
  }

  // Opera uninstalled: its group is gone, its flag is kept as it was.
  fs::remove_all(Host(kOpera));
  app::Options third;
  cleaner::CleanTree without = start(third);
  EXPECT_EQ(without.group("Opera (Chromium)"), nullptr);
  close(without, third);
  EXPECT_EQ(key("15"), "0");
}

// ---- running browsers ----------------------------------------------------------------

TEST_F(ChromiumBrowsersTest, ABrowserHoldingItsLockRefusesACleanOfItsOwnGroupOnly) {
  using cleaner::RunMode;
  // A file held open as its browser holds it ("" for none), the group
  // whose item is ticked, the refusal expected (null: the clean starts).
  auto check = [&](const std::string& lock, const char* ticked, const char* refusal,
                   RunMode mode = RunMode::CleanRequest) {
    SCOPED_TRACE(lock + " / " + ticked);
    held.clear();
    for (const std::string& folder :
         {kChrome, kEdge, kBrave, kVivaldi, kOpera, kChromium, kOperaGX}) {
      MakeFolder(folder);
    }
    if (!lock.empty()) Hold(lock);
    cleaner::CleanTree tree = Tree();
    cleaner::UntickAllNodes(tree);
    cleaner::SelectNodeByName(tree, ticked);
    cleaner::SelectNodeByName(tree, cleaner::CleanItemName(ticked, "Cookies"));
    bool busy = false;
    sim.prompts().clear();
    const auto decision = cleaner::PrepareCleanStart(
        cleaner::CleanStartContext{tree, mode, busy, false, false, sim.programs(), sim.prompts(),
                                   sim.registry(), sim.files(), [] { return true; }});
    std::vector<std::string> shown;
    for (const auto& record : sim.prompts().records()) shown.push_back(record.text);
    if (refusal == nullptr) {
      EXPECT_EQ(decision.outcome, cleaner::CleanStartOutcome::Start);
      EXPECT_TRUE(shown.empty());
    } else {
      EXPECT_NE(decision.outcome, cleaner::CleanStartOutcome::Start);
      EXPECT_EQ(decision.refusal, refusal);
      EXPECT_THAT(shown, ElementsAre(refusal));
      EXPECT_FALSE(busy);
    }
  };
  check("", "Brave", nullptr);  // never started: no lock file
  check(kChrome + "lockfile", "Google Chrome", "Please close Google Chrome first!");
  check(kEdge + "lockfile", "Microsoft Edge", "Please close Microsoft Edge first!", RunMode::Auto);
  check(kBrave + "lockfile", "Brave", "Please close Brave first!");
  check(kVivaldi + "lockfile", "Vivaldi", "Please close Vivaldi first!");
  check(kOpera + "lockfile", "Opera (Chromium)", "Please close Opera first!");
  // Any channel's lock refuses its group's clean; the new groups by theirs.
  check(kChromeBeta + "lockfile", "Google Chrome", "Please close Google Chrome first!");
  check(kChromeCanary + "lockfile", "Google Chrome", "Please close Google Chrome first!");
  check(kEdgeDev + "lockfile", "Microsoft Edge", "Please close Microsoft Edge first!");
  check(kChromium + "lockfile", "Chromium", "Please close Chromium first!");
  check(kOperaGX + "lockfile", "Opera GX", "Please close Opera GX first!");
  check(kOperaGX + "lockfile", "Opera (Chromium)", nullptr);
  const std::string firefoxLock = kFirefox + "a1b2.default\\parent.lock";
  check(firefoxLock, "Mozilla Firefox", "Please close Mozilla Firefox first!");
  // An open Edge never blocks Chrome, nor the new Opera the old one.
  check(kEdge + "lockfile", "Google Chrome", nullptr);
  check(kOpera + "lockfile", "Opera", nullptr);
  check(kEdge + "lockfile", "Microsoft Edge", nullptr, RunMode::Test);
  // Locks left behind by browsers that ended, held by nobody.
  ASSERT_TRUE(sim.files().fileExists(kChrome + "lockfile"));
  ASSERT_TRUE(sim.files().fileExists(firefoxLock));
  check("", "Google Chrome", nullptr);
  check("", "Mozilla Firefox", nullptr);
  // A folder of the lock file's name is no lock.
  ASSERT_TRUE(sim.files().deleteFile(kBrave + "lockfile").ok());
  MakeFolder(kBrave + "lockfile\\");
  check("", "Brave", nullptr);
  // A window of Chromium's class says nothing; Firefox's still does.
  const auto chromium = sim.programs().addWindow("Chrome_WidgetWin_1");
  check("", "Google Chrome", nullptr);
  sim.programs().closeWindow(chromium);
  sim.programs().addWindow("MozillaWindowClass");
  check("", "Mozilla Firefox", "Please close Mozilla Firefox first!");
}

}  // namespace
}  // namespace nc::testing
