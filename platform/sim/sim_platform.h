// The substitute platform: one of each substitute port, over a temporary
// host folder that stands for drive C: and is removed with the platform.
//
// All ports share one fault plan; the registry's saveKey writes through
// the file system. The message queue's user-interface thread is the
// thread that created the platform.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "platform/sim/fault_plan.h"
#include "platform/sim/message_queue.h"
#include "platform/sim/sim_browser_store.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_filesystem.h"
#include "platform/sim/sim_hives.h"
#include "platform/sim/sim_profile.h"
#include "platform/sim/sim_programs.h"
#include "platform/sim/sim_registry.h"
#include "platform/sim/sim_system.h"

namespace nc::sim {

class SimPlatform {
 public:
  // Creates the host folder and, on C:, the Windows, system and temporary
  // folders, the user's profile and the junctions Windows makes in it and
  // at the root of C: (SimFileSystem::addWindowsLinks).
  SimPlatform();
  ~SimPlatform();
  SimPlatform(const SimPlatform&) = delete;
  SimPlatform& operator=(const SimPlatform&) = delete;

  // The bundle handed to the behaviour code.
  platform::Platform ports();
  // What a worker is given: the ports, the message queue as both the main
  // window and its thread, and a version code.
  platform::WorkerContext workerContext(int versionCode = 12);

  FaultPlan& faults() { return faults_; }
  SimRegistry& registry() { return registry_; }
  SimFileSystem& files() { return files_; }
  SimProfile& profile() { return profile_; }
  SimSystem& system() { return system_; }
  SimShell& shell() { return shell_; }
  SimClock& clock() { return clock_; }
  SimRandom& random() { return random_; }
  SimPrompts& prompts() { return prompts_; }
  SimPrograms& programs() { return programs_; }
  MessageQueue& messages() { return messages_; }
  SimHives& hives() { return hives_; }
  SimBrowserStore& browser() { return browser_; }
  SimDesktop& desktop() { return desktop_; }

  // The temporary host folder holding the drives.
  const std::filesystem::path& hostRoot() const { return root_; }
  // Maps another drive letter to a new folder below the host root.
  std::filesystem::path addDrive(char letter, platform::DriveType type = platform::DriveType::Fixed,
                                 bool volumePresent = true);

  // The hives of Windows 10 and 11 (Windows10Hives()): C: becomes
  // \Device\HarddiskVolume3 with 20 GB free, and each hive gets its key,
  // its hivelist value, a file of its size and what its save writes.
  void modelWindows10Hives();

  // Set-up helpers that bypass the fault plan: write a file (creating its
  // folders), read one ("" when missing), and the host path of a path.
  bool writeFile(std::string_view winPath, std::string_view content);
  std::string readFile(std::string_view winPath);
  std::filesystem::path hostPath(std::string_view winPath);

 private:
  std::filesystem::path root_;
  FaultPlan faults_;
  SimFileSystem files_;
  SimRegistry registry_;
  SimProfile profile_;
  SimSystem system_;
  SimShell shell_;
  SimClock clock_;
  SimRandom random_;
  SimPrompts prompts_;
  SimPrograms programs_;
  MessageQueue messages_;
  SimHives hives_{registry_, files_, clock_, faults_};
  SimBrowserStore browser_;
  SimDesktop desktop_;
};

}  // namespace nc::sim
