// The boss key over a substitute window list, and the automatic-clean
// timer through the main window's controller.
#include <gtest/gtest.h>

#include "app/auto_clean.h"
#include "app/boss_key.h"
#include "app/main_controller.h"
#include "controller_fixture.h"
#include "platform/sim/sim_platform.h"

namespace nc {
namespace {

TEST(BossKey, TogglesOnlyTheTickedBrowserKindsAndShowsWhatItHid) {
  sim::SimPlatform sim;
  auto& desktop = sim.desktop();
  const auto firefox = desktop.addWindow("MozillaWindowClass");
  const auto firefoxOld = desktop.addWindow("MozillaUIWindowClass");
  const auto ie = desktop.addWindow("IEFrame");
  const auto opera = desktop.addWindow("OpWindow");
  const auto netscape = desktop.addWindow("NS_AE_WindowClass");
  const auto near = desktop.addWindow("mozillawindowclass");  // exact class names only
  const auto other = desktop.addWindow("Notepad");
  app::Options options;
  options.EnableFirefox = true;
  options.EnableOpera = true;

  app::BossKey key(desktop, sim.prompts());
  key.RegisterBossKey(0x42, options.Hotkey);
  ASSERT_NE(key.atom(), 0);
  ASSERT_EQ(desktop.hotkeys().size(), 1u);
  EXPECT_EQ(desktop.hotkeys()[0].modifiers, platform::HotkeyMod::Control);
  EXPECT_EQ(desktop.hotkeys()[0].keyCode, 116u);

  key.OnHotkey(key.atom() + 1, options);  // another key of the window
  EXPECT_FALSE(key.BossKeyHidden());
  key.OnHotkey(key.atom(), options);
  EXPECT_TRUE(key.BossKeyHidden());
  for (auto w : {firefox, firefoxOld, opera}) EXPECT_FALSE(desktop.visible(w)) << w;
  for (auto w : {ie, netscape, near, other}) {
    EXPECT_TRUE(desktop.visible(w)) << w;
    EXPECT_EQ(desktop.showCalls(w), 0) << w;
  }

  // Unticked while hidden: the window still comes back; one opened
  // meanwhile stays visible.
  options.EnableOpera = false;
  const auto opened = desktop.addWindow("MozillaWindowClass");
  key.OnHotkey(key.atom(), options);
  EXPECT_FALSE(key.BossKeyHidden());
  for (auto w : {firefox, firefoxOld, opera, opened}) EXPECT_TRUE(desktop.visible(w)) << w;
  key.OnHotkey(key.atom(), options);
  EXPECT_FALSE(desktop.visible(opened));
  EXPECT_TRUE(desktop.visible(opera));

  // Closing shows them again and releases the key and the atom.
  key.ShowHiddenWindows(options);
  key.UnregisterBossKey(0x42);
  EXPECT_TRUE(desktop.visible(opened));
  EXPECT_TRUE(desktop.hotkeys().empty());
  EXPECT_TRUE(desktop.atomNames().empty());
}

TEST(BossKey, ATakenCombinationShowsTheErrorAndLeavesNoWorkingKey) {
  sim::SimPlatform sim;
  sim.desktop().takeCombination(platform::HotkeyMod::Control | platform::HotkeyMod::Alt, 'H');
  app::BossKey key(sim.desktop(), sim.prompts());
  key.RegisterBossKey(0x42, app::Shortcut{true, false, true, "H", 'H'});
  EXPECT_TRUE(sim.desktop().hotkeys().empty());
  ASSERT_EQ(sim.prompts().records().size(), 1u);
  EXPECT_EQ(sim.prompts().records()[0].text, app::kBossKeyFailedText);
}

TEST(AutoClean, IntervalsOfTheSchedule) {
  const std::pair<std::int32_t, std::uint32_t> table[] = {
      {0, 900000},   {1, 1800000}, {2, 3600000}, {3, 14400000},
      {4, 28800000}, {7, 900000},  {-1, 900000}};
  for (const auto& [index, ms] : table) EXPECT_EQ(app::CleanIntervalMs(index), ms) << index;
}

class RecordingDesktopView : public app::DesktopView {
 public:
  platform::WindowId MainWindowId() const override { return 0x99; }
  void SetAutoCleanTimer(bool on, std::uint32_t intervalMs) override {
    timers.push_back(on ? static_cast<std::int64_t>(intervalMs) : -1);
  }
  bool AddTrayIcon() override { return false; }
  void RemoveTrayIcon() override {}
  void HideInTray() override {}
  void MinimizeOnTaskbar() override {}
  void ShowRestored() override {}
  std::vector<std::int64_t> timers;  // -1 for off
};

// The fixer asks for a restore point while it works; a tick then (its
// dialog pumps messages) must not start a clean beside the deletion.
class TickDuringRestorePoint : public test::RecordingView {
 public:
  bool MakeRestorePoint(platform::Prompts&) override {
    ++asked;
    controller->OnAutoCleanTimer();
    return true;
  }
  app::MainController* controller = nullptr;
  int asked = 0;
};

class ScheduleTest : public test::ControllerFixture {
 protected:
  ScheduleTest() {
    sim.messages().setHandler([this](const sim::PostedMessage& m) {
      if (controller) controller->OnMessage(m.message, m.wParam, m.lParam);
    });
  }
  ~ScheduleTest() override {
    if (controller) controller->OnClose();
    controller.reset();  // before the views it shows in
  }
  app::MainController& begin(const std::string& ini, std::vector<std::string> arguments = {},
                             app::MainView* shownIn = nullptr) {
    sim.writeFile(folder + "options.ini", ini);
    sim.system().setArguments(std::move(arguments));
    controller = std::make_unique<app::MainController>(
        app::MainController::Services{sim.ports(), sim.messages(), sim.messages()},
        shownIn ? *shownIn : view);
    controller->AttachDesktop(&desktopView);
    controller->OnCreate();
    controller->OnFirstShow();
    controller->OnActivate();
    return *controller;
  }
  RecordingDesktopView desktopView;
  TickDuringRestorePoint fixView;
};

TEST_F(ScheduleTest, TimerFollowsTheSettingsAndTicksNeverOverlapARun) {
  auto& c = begin("[SChedule]\r\nAutoClean=1\r\nCleanInterval=4\r\n");
  EXPECT_EQ(desktopView.timers, std::vector<std::int64_t>{28800000});
  cleaner::SelectNodeByName(c.cleanTree(), "Windows - Temporary Files");
  view.confirmAnswer = false;

  // A run (or its confirmation) in progress: the tick starts nothing.
  auto state = c.runState();
  state.cleanBusy = true;
  state.runMode = cleaner::RunMode::Test;
  c.SetRunStateForTesting(state);
  c.OnAutoCleanTimer();
  EXPECT_EQ(view.confirmations, 0);
  EXPECT_EQ(c.runMode(), cleaner::RunMode::Test);
  state.cleanBusy = false;
  c.SetRunStateForTesting(state);
  // Nor while a scan runs (its end is still queued).
  c.OnScanClicked();
  ASSERT_TRUE(c.scanRunning());
  c.OnAutoCleanTimer();
  EXPECT_EQ(view.confirmations, 0);
  c.OnScanClicked();  // cancels it
  sim.messages().pump();
  ASSERT_FALSE(c.scanRunning());

  c.OnAutoCleanTimer();  // an automatic run asks first, and is declined
  EXPECT_EQ(view.confirmations, 1);
  EXPECT_EQ(c.runMode(), cleaner::RunMode::Auto);
  EXPECT_FALSE(c.cleanBusy());

  // OK of the options dialog re-arms or stops the timer at once.
  c.options().CleanInterval = 1;
  c.optionsHost().armAutoCleanTimer();
  c.options().AutoClean = false;
  c.optionsHost().armAutoCleanTimer();
  EXPECT_EQ(desktopView.timers, (std::vector<std::int64_t>{28800000, 1800000, -1}));
}

TEST_F(ScheduleTest, NoCleanStartsWhileTheFixerWorks) {
  (void)sim.registry().loadRegText(
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\r\n"
      "\"Gone\"=\"C:\\\\Gone\\\\gone.exe\"\r\n");
  auto& c = begin("[Options]\r\nRestorePoint=1\r\n", {}, &fixView);
  fixView.controller = &c;
  cleaner::SelectNodeByName(c.cleanTree(), "Windows - Temporary Files");
  c.OnSectionTreeClick(1);  // only the startup programs
  c.OnSectionTreeClick(14);
  c.OnScanClicked();
  ASSERT_TRUE(sim.messages().pumpUntil([&] { return !c.scanRunning(); }, std::chrono::seconds(20)));
  ASSERT_EQ(c.results().Count(), 1u);
  sim.prompts().answerConfirm(true);  // create the backup folder
  c.OnFixErrorsClicked();
  ASSERT_EQ(fixView.asked, 1);
  EXPECT_EQ(fixView.confirmations, 0);
  EXPECT_FALSE(c.cleanBusy());
  c.OnAutoCleanTimer();  // after the fix, the next tick runs
  EXPECT_EQ(fixView.confirmations, 1);
}

TEST_F(ScheduleTest, UnattendedClearSetsNoTimerAndTheBossKeyLivesWithTheWindow) {
  begin("[SChedule]\r\nAutoClean=1\r\n", {"/Clear"});
  EXPECT_TRUE(desktopView.timers.empty());
  controller->OnClose();
  controller.reset();

  const auto browser = sim.desktop().addWindow("IEFrame");
  auto& c = begin("[Hotkey]\r\nEnableHotkey=1\r\nEnableIE=1\r\nIsShift=1\r\nCharAscII=80\r\n");
  ASSERT_EQ(sim.desktop().hotkeys().size(), 1u);
  EXPECT_EQ(sim.desktop().hotkeys()[0].window, 0x99u);
  EXPECT_EQ(sim.desktop().hotkeys()[0].modifiers,
            platform::HotkeyMod::Control | platform::HotkeyMod::Shift);
  c.OnHotkey(c.bossKey().atom());
  EXPECT_FALSE(sim.desktop().visible(browser));
  c.OnClose();
  EXPECT_TRUE(sim.desktop().visible(browser));
  EXPECT_TRUE(sim.desktop().hotkeys().empty());
  EXPECT_TRUE(sim.desktop().atomNames().empty());
}

}  // namespace
}  // namespace nc
