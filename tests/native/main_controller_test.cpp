// The main window's controller: creation, first show, activation,
// closing, the unattended switches and page switching, against a
// recording view.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include <chrono>

#include "app/main_controller.h"
#include "app/messages.h"
#include "controller_fixture.h"
#include "platform/sim/sim_platform.h"

namespace nc {
namespace {

using app::MainController;
using test::RecordingView;

class MainControllerTest : public test::ControllerFixture {
 protected:
  MainControllerTest() {
    sim.messages().setHandler([this](const sim::PostedMessage& m) { posted.push_back(m); });
  }

  std::vector<std::uint32_t> postedNumbers() const {
    std::vector<std::uint32_t> numbers;
    for (const auto& m : posted) numbers.push_back(m.message);
    return numbers;
  }
  std::string ini(const char* section, const char* key) {
    return sim.profile().readString(folder + "options.ini", section, key, "<missing>");
  }
  void setWindows(std::uint32_t platformId, std::uint32_t major, std::uint32_t minor) {
    platform::VersionInfo v;
    v.platformId = platformId;
    v.major = major;
    v.minor = minor;
    sim.system().setVersion(v);
  }

  std::vector<sim::PostedMessage> posted;
};

// The window tells its messages apart by number alone: a message posted by
// one worker must never be taken for another's, nor for one that other
// programs post (WM_SHOW_MAIN_WINDOW).
TEST(PrivateMessages, NoTwoShareANumber) {
  auto numbers = app::kPrivateMessages;
  std::sort(numbers.begin(), numbers.end());
  EXPECT_EQ(std::adjacent_find(numbers.begin(), numbers.end()), numbers.end());
  EXPECT_EQ(app::WM_SHOW_MAIN_WINDOW, 0x5405u);
}

TEST_F(MainControllerTest, CreationShowsTheProductAndTheCleanerPage) {
  auto& c = start();
  EXPECT_EQ(view.caption, "Norvik Cleaner 2.8");
  EXPECT_EQ(view.title, "Norvik Cleaner");
  EXPECT_EQ(view.subtitle, "Optimize your computer performance");
  EXPECT_EQ(view.registryStatus, "");
  EXPECT_TRUE(view.pageVisible[app::kTagCleaner]);
  EXPECT_FALSE(view.pageVisible[app::kTagRegistry]);
  EXPECT_FALSE(view.pageVisible[app::kTagTools]);
  EXPECT_FALSE(view.pageVisible[app::kTagDefrag]);
  EXPECT_TRUE(view.highlighted[app::kTagCleaner]);
  EXPECT_TRUE(view.fastMode);  // the default of a missing settings file
  EXPECT_EQ(c.versionCode(), 12);
  EXPECT_TRUE(view.analyzeEnabled);
  EXPECT_TRUE(view.windowsBackupVisible);
  EXPECT_EQ(view.layouts, 1);
  EXPECT_EQ(c.runMode(), cleaner::RunMode::Clean);
  EXPECT_EQ(c.runState().scanProgressStep, 10);
  EXPECT_FALSE(c.cleanBusy());
  // The saved bounds (centred at design size by default) are applied.
  EXPECT_EQ(view.bounds, (std::array<int, 4>{(1024 - 713) / 2, (768 - 494) / 2, 713, 494}));
  EXPECT_TRUE(posted.empty());
}

TEST_F(MainControllerTest, PageButtonsShowTheirPageAndHighlightOnlyThemselves) {
  auto& c = start();
  c.OnPageButton(app::kTagRegistry);
  EXPECT_TRUE(view.pageVisible[app::kTagRegistry]);
  EXPECT_FALSE(view.pageVisible[app::kTagCleaner]);
  EXPECT_TRUE(view.highlighted[app::kTagRegistry]);
  EXPECT_FALSE(view.highlighted[app::kTagCleaner]);
  c.OnPageButton(app::kTagDefrag);
  EXPECT_TRUE(view.pageVisible[app::kTagDefrag]);
  EXPECT_FALSE(view.pageVisible[app::kTagRegistry]);
  EXPECT_EQ(c.shownPage(), app::kTagDefrag);
  // Options and More are not pages.
  c.OnPageButton(app::kTagMore);
  EXPECT_EQ(c.shownPage(), app::kTagDefrag);
  EXPECT_TRUE(view.pageVisible[app::kTagDefrag]);
}

TEST_F(MainControllerTest, OldWindowsHideBackupAndUnsupportedOnesLoseCompaction) {
  setWindows(platform::kPlatformWin32Windows, 4, 10);  // Windows 98
  start({"/Regdefrag"});
  EXPECT_FALSE(view.windowsBackupVisible);
  EXPECT_FALSE(view.analyzeEnabled);
  EXPECT_EQ(view.hiveLines,
            std::vector<std::string>{"The software does not support the current Windows system!"});
  // The compaction switch is ignored: the normal window starts.
  EXPECT_FALSE(controller->silentMode());
  EXPECT_TRUE(posted.empty());
}

TEST_F(MainControllerTest, UnattendedSwitchesPostTheirMessagesOnce) {
  start({"/REGSCAN", "C:\\result.ini"});
  EXPECT_TRUE(controller->silentMode());
  EXPECT_EQ(postedNumbers(), std::vector<std::uint32_t>{app::WM_AUTO_ANALYZE});

  // Activation after a dialog closed repeats nothing.
  posted.clear();
  controller->OnActivate();
  sim.messages().pump();
  EXPECT_TRUE(posted.empty());
}

TEST_F(MainControllerTest, ClearStartsTheUnattendedRunAtActivation) {
  start({"/clear"});
  EXPECT_TRUE(controller->unattendedClear());
  EXPECT_EQ(postedNumbers(), std::vector<std::uint32_t>{app::WM_AUTO_CLEAN});
}

TEST_F(MainControllerTest, AnUnattendedClearWithNothingToRunStillEnds) {
  auto& c = start({"/Clear"});
  sim.messages().setHandler(
      [&](const sim::PostedMessage& m) { c.OnMessage(m.message, m.wParam, m.lParam); });
  EXPECT_TRUE(c.OnMessage(app::WM_AUTO_CLEAN, 0, 0));
  // Nothing is ticked to clean; the scan of the (nearly empty) registry
  // runs and the program ends after it.
  sim.messages().pumpUntil([&] { return c.closed(); }, std::chrono::seconds(20));
  EXPECT_TRUE(view.hidden);
  EXPECT_EQ(c.runMode(), cleaner::RunMode::Auto);
  EXPECT_TRUE(c.closed());
  EXPECT_EQ(ini("Settings", "FastScan"), "1");  // the settings were written
}

TEST_F(MainControllerTest, AutoMinimisesToTheTrayAndCleansOnlyWhenAsked) {
  start({"/Auto"});
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_EQ(posted[0].message, 0x0112u);
  EXPECT_EQ(posted[0].wParam, app::kSysCommandMinimize);
  EXPECT_EQ(posted[0].lParam, 1);

  posted.clear();
  sim.profile().writeString(folder + "options.ini", "SChedule", "StartClean", "1");
  controller.reset();
  view = RecordingView();
  start({"/Auto"});
  EXPECT_EQ(postedNumbers(), (std::vector<std::uint32_t>{0x0112u, app::WM_AUTO_CLEAN}));

  posted.clear();
  controller.reset();
  start({"/auto"});  // not the tray start
  EXPECT_TRUE(posted.empty());
}

TEST_F(MainControllerTest, RegscanWithAResultFileRewritesOnlyItsSection) {
  const std::string result = "C:\\result.ini";
  sim.profile().writeString(result, "Scan Result", "Current Size", "old");
  sim.profile().writeString(result, "Scan Result", "Stale", "x");
  sim.profile().writeString(result, "Other", "Keep", "yes");
  auto& c = start({"/Regscan", result});
  view.labels = {"1,232,757 KB", "", "", ""};
  EXPECT_TRUE(c.OnMessage(app::WM_AUTO_ANALYZE, 0, 0));
  EXPECT_TRUE(view.hidden);
  EXPECT_EQ(view.destroyed, 1);
  auto value = [&](const char* section, const char* key) {
    return sim.profile().readString(result, section, key, "<missing>");
  };
  EXPECT_EQ(value("Scan Result", "Current Size"), "1,232,757 KB");
  EXPECT_EQ(value("Scan Result", "New Size"), "");
  EXPECT_EQ(value("Scan Result", "Compact Percent"), "");
  EXPECT_EQ(value("Scan Result", "Time"), "2011-03-15 10:30:00");
  EXPECT_EQ(value("Scan Result", "Stale"), "<missing>");
  EXPECT_EQ(value("Other", "Keep"), "yes");
}

TEST_F(MainControllerTest, RegscanWithoutAFileWritesNothingAndCloses) {
  auto& c = start({"/Regscan"});
  const auto before = sim.profile().sectionNames(folder + "options.ini");
  EXPECT_TRUE(c.OnMessage(app::WM_AUTO_ANALYZE, 0, 0));
  EXPECT_EQ(view.destroyed, 1);
  EXPECT_TRUE(c.closed());
}

TEST_F(MainControllerTest, ClosingWritesTheSettingsAndRemovesLeftOverHiveCopies) {
  auto& c = start();
  sim.writeFile("C:\\Windows\\system32\\config\\SOFTWARE.fdc", "copy");
  Arrange([](auto& s) {
    s.hiveFiles = {"C:\\Windows\\system32\\config\\SOFTWARE",
                   "C:\\Windows\\system32\\config\\SYSTEM"};
  });
  cleaner::SelectNodeByName(c.cleanTree(), "Windows - Clipboard");
  view.placement = {3, -4, -4, 1032, 776};
  c.OnClose();
  EXPECT_EQ(ini("NodeSelected", "1"), "Windows - Clipboard");
  EXPECT_EQ(ini("Window", "State"), "3");
  EXPECT_FALSE(sim.files().fileExists("C:\\Windows\\system32\\config\\SOFTWARE.fdc"));
  EXPECT_EQ(view.destroyed, 1);
  c.OnClose();  // a second close does nothing more
  EXPECT_EQ(view.destroyed, 1);

  // The next start opens maximised without reading the bounds.
  posted.clear();
  view = RecordingView();
  start();
  EXPECT_EQ(view.maximized, 1);
  EXPECT_EQ(view.bounds, (std::array<int, 4>{-1, -1, -1, -1}));
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_EQ(posted[0].wParam, app::kSysCommandMaximize);
}

// Older versions saved a minimised window's icon position (state 2 with
// bounds at -32000): the window opens on the nearest monitor all the same.
TEST_F(MainControllerTest, BoundsSavedOffTheScreenOpenOnTheNearestMonitor) {
  const std::string file = folder + "options.ini";
  for (const auto& [key, value] :
       {std::pair{"State", "2"}, std::pair{"Left", "-32000"}, std::pair{"Top", "-32000"},
        std::pair{"Width", "713"}, std::pair{"Height", "494"}}) {
    sim.profile().writeString(file, "Window", key, value);
  }
  view.workAreas = {{0, 0, 1024, 738}, {-1280, 0, 1280, 1024}};
  auto& c = start();
  EXPECT_EQ(view.bounds, (std::array<int, 4>{-1280, 0, 713, 494}));
  EXPECT_EQ(c.options().Left, -1280);
}

TEST_F(MainControllerTest, SessionEndWritesTheSettingsAndLetsWindowsGoOn) {
  auto& c = start();
  c.options().IsWipeFile = true;
  EXPECT_TRUE(c.OnQueryEndSession());
  EXPECT_EQ(ini("Options", "IsWipeFile"), "1");
  EXPECT_TRUE(c.closed());
}

TEST_F(MainControllerTest, LinksAndTheMoreMenuOpenTheirPages) {
  auto& c = start();
  c.OnMoreCommand(app::MoreCommand::OnlineHelp);
  c.OnMoreCommand(app::MoreCommand::Homepage);
  c.OnMoreCommand(app::MoreCommand::CheckForUpdate);
  c.OnTitleClicked();
  c.OnUpdateLinkClicked();
  c.OnMoreCommand(app::MoreCommand::About);
  EXPECT_EQ(sim.shell().openedDocuments(),
            (std::vector<std::string>{app::kHelpPage, app::kHomePage, app::kUpdatePage,
                                      app::kHomePage, app::kUpdatePage}));
  EXPECT_EQ(view.abouts, 1);
}

TEST_F(MainControllerTest, FastModeBoxChangesTheSetting) {
  auto& c = start();
  c.OnFastModeClicked(false);
  EXPECT_FALSE(c.options().FastScan);
  c.OnClose();
  EXPECT_EQ(ini("Settings", "FastScan"), "0");
}

}  // namespace
}  // namespace nc
