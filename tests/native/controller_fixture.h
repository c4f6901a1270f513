// The main window's controller over the substitute platform, with a
// recording view; the program lives in `folder`.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/main_controller.h"
#include "platform/sim/sim_platform.h"
#include "recording_main_view.h"

namespace nc::test {

class ControllerFixture : public ::testing::Test {
 protected:
  ControllerFixture() {
    EXPECT_TRUE(sim.files().createFolders(folder).ok());
    sim.system().setExecutablePath(folder + "NorvikCleaner.exe");
  }

  // Creates the controller and takes it through the first show and
  // activation, as the window does at start-up.
  app::MainController& start(std::vector<std::string> arguments = {}) {
    sim.system().setArguments(std::move(arguments));
    controller = std::make_unique<app::MainController>(
        app::MainController::Services{
            prompts ? platform::WithPrompts(sim.ports(), *prompts) : sim.ports(), sim.messages(),
            sim.messages()},
        view);
    if (desktop) controller->AttachDesktop(desktop);
    controller->OnCreate();
    controller->OnFirstShow();
    controller->OnActivate();
    sim.messages().pump();
    return *controller;
  }

  // Arranges the controller's run state as a test needs it.
  void Arrange(const std::function<void(app::MainController::RunState&)>& change) {
    auto state = controller->runState();
    change(state);
    controller->SetRunStateForTesting(state);
  }

  sim::SimPlatform sim;
  const std::string folder = "C:\\Program Files\\Norvik Cleaner\\";
  RecordingView view;
  platform::Prompts* prompts = nullptr;  // in place of the substitute's message boxes
  app::DesktopView* desktop = nullptr;   // the window's side of the boss key and tray
  std::unique_ptr<app::MainController> controller;
};

}  // namespace nc::test
