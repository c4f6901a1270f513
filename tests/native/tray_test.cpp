// The tray through the main window's controller: a minimise sends the
// window to the tray, or leaves it minimised on the taskbar when no tray
// takes the icon, and a restarted Explorer gets the icon again.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/main_controller.h"
#include "app/messages.h"
#include "controller_fixture.h"

namespace nc {
namespace {

using app::TrayState;

// The window's side of the tray: a tray that may or may not be there.
class TrayWindow : public app::DesktopView {
 public:
  platform::WindowId MainWindowId() const override { return 0x99; }
  void SetAutoCleanTimer(bool, std::uint32_t) override {}
  bool AddTrayIcon() override {
    calls.push_back("add");
    if (trayRunning) ++icons;
    return trayRunning;
  }
  void RemoveTrayIcon() override {
    calls.push_back("remove");
    if (icons > 0) --icons;
  }
  void HideInTray() override {
    calls.push_back("hide");
    shown = false;
  }
  void MinimizeOnTaskbar() override {
    calls.push_back("taskbar");
    shown = true;
  }
  void ShowRestored() override {
    calls.push_back("show");
    shown = true;
  }
  // Explorer ends: its tray and every icon in it go.
  void EndExplorer() {
    trayRunning = false;
    icons = 0;
  }
  std::vector<std::string> Take() { return std::exchange(calls, {}); }

  bool trayRunning = false;
  int icons = 0;
  bool shown = true;  // visible, on screen or as a taskbar button
  std::vector<std::string> calls;
};

class TrayTest : public test::ControllerFixture {
 protected:
  TrayTest() {
    // The window delivers its minimise command to the controller.
    sim.messages().setHandler([this](const sim::PostedMessage& m) {
      if (!controller) return;
      if (m.message == 0x0112 && m.wParam == app::kSysCommandMinimize) {
        controller->OnMinimizeCommand();
      } else {
        controller->OnMessage(m.message, m.wParam, m.lParam);
      }
    });
  }
  ~TrayTest() override {
    if (controller) controller->OnClose();
  }
  app::MainController& begin(std::vector<std::string> arguments = {}) {
    sim.system().setArguments(std::move(arguments));
    controller = std::make_unique<app::MainController>(
        app::MainController::Services{sim.ports(), sim.messages(), sim.messages()}, view);
    controller->AttachDesktop(&window);
    controller->OnCreate();
    controller->OnFirstShow();
    controller->OnActivate();
    sim.messages().pump();
    return *controller;
  }
  using Calls = std::vector<std::string>;
  TrayWindow window;
};

TEST_F(TrayTest, WithoutATrayTheWindowStaysOnTheTaskbarUntilExplorerStarts) {
  auto& c = begin();
  c.OnMinimizeCommand();  // log-on: no tray yet
  EXPECT_EQ(window.Take(), (Calls{"add", "taskbar"}));
  EXPECT_TRUE(window.shown);
  EXPECT_EQ(c.trayState(), TrayState::OnTaskbar);

  // Explorer starts: the icon is added and the window goes to the tray.
  window.trayRunning = true;
  c.OnTaskbarCreated();
  EXPECT_EQ(window.Take(), (Calls{"add", "hide"}));
  EXPECT_FALSE(window.shown);
  EXPECT_EQ(window.icons, 1);
  c.OnMinimizeCommand();  // already there: no second icon
  EXPECT_TRUE(window.Take().empty());

  // Explorer restarts: the new tray gets the icon, the window stays hidden.
  window.EndExplorer();
  window.trayRunning = true;
  c.OnTaskbarCreated();
  EXPECT_EQ(window.Take(), (Calls{"add"}));
  EXPECT_EQ(window.icons, 1);

  // Explorer ends and its next start takes no icon: the hidden window comes
  // back onto the taskbar rather than stay out of reach.
  window.EndExplorer();
  c.OnTaskbarCreated();
  EXPECT_EQ(window.Take(), (Calls{"add", "taskbar"}));
  EXPECT_TRUE(window.shown);
  EXPECT_EQ(c.trayState(), TrayState::OnTaskbar);

  // Restored by its taskbar button, it no longer goes to a tray that starts.
  c.OnWindowRestored();
  window.trayRunning = true;
  c.OnTaskbarCreated();
  EXPECT_TRUE(window.Take().empty());
  EXPECT_EQ(c.trayState(), TrayState::None);
}

TEST_F(TrayTest, TheIconComesAndGoesWithTheWindow) {
  window.trayRunning = true;
  auto& c = begin();
  c.OnTaskbarCreated();  // a window on screen has no icon to give
  c.OnMinimizeCommand();
  EXPECT_EQ(window.Take(), (Calls{"add", "hide"}));
  c.OnShowMainWindow();  // a left click on the icon, or "&Open"
  EXPECT_EQ(window.Take(), (Calls{"remove", "show"}));
  EXPECT_EQ(window.icons, 0);
  EXPECT_EQ(c.trayState(), TrayState::None);
  c.OnShowMainWindow();  // WM_SHOW_MAIN_WINDOW while shown: no icon to remove
  EXPECT_EQ(window.Take(), (Calls{"show"}));
}

// "/Auto" at log-on, before Explorer's tray exists, with a clean at
// start: the window is minimised on the taskbar and stays there while
// the clean runs; it is never hidden without an icon.
TEST_F(TrayTest, AnAutoStartWithoutATrayCleansOnTheTaskbar) {
  for (const bool trayRunning : {false, true}) {
    SCOPED_TRACE(trayRunning ? "tray" : "no tray");
    if (controller) controller->OnClose();  // its scan ends with it
    controller.reset();
    view = test::RecordingView();
    window = TrayWindow();
    window.trayRunning = trayRunning;
    sim.writeFile(folder + "options.ini", "[SChedule]\r\nStartClean=1\r\n");
    auto& c = begin({"/Auto"});
    EXPECT_EQ(c.trayState(), trayRunning ? TrayState::InTray : TrayState::OnTaskbar);
    EXPECT_EQ(c.runMode(), cleaner::RunMode::Auto);  // the start-up clean was asked for
    EXPECT_EQ(view.hidden, trayRunning);
    EXPECT_EQ(window.shown, !trayRunning);
  }
}

}  // namespace
}  // namespace nc
