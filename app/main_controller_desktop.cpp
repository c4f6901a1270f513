// The main window's automatic-clean timer, boss key and the options
// dialog's effect on the running program.
#include "app/main_controller.h"

namespace nc::app {

void MainController::StartBossKey() {
  if (!desktopView_ || !options_.EnableHotkey) return;
  const platform::WindowId window = desktopView_->MainWindowId();
  // A registration left by an earlier run of the program goes first.
  bossKey_.UnregisterBossKey(window);
  bossKey_.RegisterBossKey(window, options_.Hotkey);
}

void MainController::EndBossKey() {
  bossKey_.ShowHiddenWindows(options_);
  if (desktopView_) bossKey_.UnregisterBossKey(desktopView_->MainWindowId());
}

void MainController::ArmAutoCleanTimer() {
  if (desktopView_) {
    desktopView_->SetAutoCleanTimer(options_.AutoClean, CleanIntervalMs(options_.CleanInterval));
  }
}

void MainController::OnAutoCleanTimer() {
  // Never a second run, and never a clean while a scan or the fixer works
  // on the registry; the next tick tries again.
  if (closed_ || cleanBusy_ || scanRunning() || fixing_) return;
  runMode_ = cleaner::RunMode::Auto;
  StartCleanRun();
}

void MainController::OnHotkey(int id) {
  bossKey_.OnHotkey(id, options_);
}

void MainController::OnMinimizeCommand() {
  if (!desktopView_ || trayState_ == TrayState::InTray) return;  // one icon, one hiding
  if (desktopView_->AddTrayIcon()) {
    desktopView_->HideInTray();
    trayState_ = TrayState::InTray;
  } else {
    desktopView_->MinimizeOnTaskbar();
    trayState_ = TrayState::OnTaskbar;
  }
}

void MainController::OnShowMainWindow() {
  if (!desktopView_) return;
  if (trayState_ == TrayState::InTray) desktopView_->RemoveTrayIcon();
  trayState_ = TrayState::None;
  desktopView_->ShowRestored();
}

void MainController::OnWindowRestored() {
  // The taskbar button of a window that waited for a tray: it is shown
  // again and no longer goes to the tray when one starts.
  if (trayState_ == TrayState::OnTaskbar) trayState_ = TrayState::None;
}

void MainController::OnTaskbarCreated() {
  // Explorer started (again): its new tray holds none of the old icons.
  if (!desktopView_ || trayState_ == TrayState::None) return;
  if (desktopView_->AddTrayIcon()) {
    if (trayState_ == TrayState::OnTaskbar) desktopView_->HideInTray();
    trayState_ = TrayState::InTray;
  } else if (trayState_ == TrayState::InTray) {
    // A hidden window without its icon could never be reached.
    desktopView_->MinimizeOnTaskbar();
    trayState_ = TrayState::OnTaskbar;
  }
}

OptionsHost MainController::optionsHost() {
  OptionsHost host;
  host.reRegisterBossKey = [this] {
    if (!desktopView_) return;
    bossKey_.UnregisterBossKey(desktopView_->MainWindowId());
    if (options_.EnableHotkey)
      bossKey_.RegisterBossKey(desktopView_->MainWindowId(), options_.Hotkey);
  };
  host.armAutoCleanTimer = [this] { ArmAutoCleanTimer(); };
  host.writeSettings = [this] { WriteSettings(); };
  host.showSettings = [this] { view_.SetFastMode(options_.FastScan); };
  host.reloadCommunityRules = [this] { ReloadCommunityRules(); };
  return host;
}

}  // namespace nc::app
