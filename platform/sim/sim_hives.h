// The substitute hive port. A hive is "loaded" when its key exists in the
// substitute registry. Its root opens for a save as the system's backup
// open does: a key refused to readers (as SAM and SECURITY are) opens only
// once the backup privilege is enabled. Each hive can be given the size of the copy its
// save writes (a whole hive file: a base block whose write completed and
// bins up to that size; sizes under a base block and one bin are just
// filler), or the exact bytes of the copy, and the time the save takes (the substitute clock moves
// on by that much; a real pause can be added for tests that need a save in flight). Replacements,
// privileges and restart requests are recorded. A scheduled replacement holds its new file open
// without sharing, as the system does until the restart. Faults: "registry.saveKey" and
// "registry.replaceKey" of the shared plan.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/filesystem.h"
#include "platform/hives.h"
#include "platform/sim/fault_plan.h"
#include "platform/sim/sim_registry.h"
#include "platform/sim/sim_system.h"

namespace nc::sim {

// One save asked of the port.
struct HiveSave {
  platform::RootKey root = platform::RootKey::LocalMachine;
  std::string subKey;
  bool view64 = false;
  std::string destination;
};

// One line of a machine's hivelist key and what lies behind it.
struct ListedHive {
  std::string keyName;     // the value's name
  std::string listedPath;  // the value's text, as the system writes it
  // The loaded key ("" for none: an application hive) and whether it
  // refuses readers.
  platform::RootKey root = platform::RootKey::LocalMachine;
  std::string subKey;
  bool refusesReaders = false;
  std::string file;  // its drive-letter path; "" when no drive holds it
  std::uint64_t fileSize = 0;
  std::uint64_t copySize = 0;  // what a save of it writes
};

// The hives of Windows 10 and 11, listed as they list them: HARDWARE
// without a file, BCD00000000 on the boot volume (\Device\HarddiskVolume1,
// which has no drive letter), the system hives on \Device\HarddiskVolume3
// (C:), SAM and SECURITY, which refuse even an administrator's plain read,
// a user's hive in the "\??\C:\" form and an application hive below
// \REGISTRY\A\. SimPlatform::modelWindows10Hives installs them.
std::vector<ListedHive> Windows10Hives();

class SimHives : public platform::Hives {
 public:
  SimHives(SimRegistry& registry, platform::FileSystem& files, SimClock& clock, FaultPlan& faults);
  ~SimHives() override;

  // ---- the port --------------------------------------------------------
  void enableBackupPrivilege() override;
  void enableRestorePrivilege() override;
  Status checkOpen(platform::RootKey root, std::string_view subKey, bool view64) override;
  Status saveCopy(platform::RootKey root, std::string_view subKey, bool view64,
                  std::string_view destination) override;
  Status replace(platform::RootKey root, std::string_view subKey, std::string_view newFile,
                 std::string_view oldFile) override;
  bool requestRestart() override;

  // ---- set-up and records ------------------------------------------------
  // What saving the hive at root\subKey writes: `copySize` bytes, taking
  // `saveMs` of substitute time and `realPause` of real time. A hive
  // without such a line saves its keys as .reg text.
  void setSave(platform::RootKey root, std::string_view subKey, std::uint64_t copySize,
               std::uint64_t saveMs = 0,
               std::chrono::milliseconds realPause = std::chrono::milliseconds(0));
  // Saving the hive writes exactly `bytes`.
  void setSaveBytes(platform::RootKey root, std::string_view subKey,
                    std::vector<std::uint8_t> bytes);
  // Runs inside every save, after the destination file was created and
  // before it is written (a test can stop a run while a hive is saved).
  void setDuringSave(std::function<void(const HiveSave&)> hook);
  // The restart request is refused from now on.
  void refuseRestart(bool refuse);

  std::vector<HiveSave> saves() const;
  std::vector<HiveReplacement> replacements() const;
  int restartRequests() const;
  bool backupPrivilegeEnabled() const;
  bool restorePrivilegeEnabled() const;
  // Drops the hold on the scheduled new files, as a restart would.
  void releaseScheduled();

 private:
  struct SaveLine {
    std::uint64_t copySize = 0;
    std::uint64_t saveMs = 0;
    std::chrono::milliseconds realPause{0};
    std::optional<std::vector<std::uint8_t>> bytes;
  };
  static std::string KeyOf(platform::RootKey root, std::string_view subKey);

  SimRegistry& registry_;
  platform::FileSystem& files_;
  SimClock& clock_;
  FaultPlan& faults_;

  mutable std::mutex mutex_;
  std::map<std::string, SaveLine> lines_;
  std::function<void(const HiveSave&)> duringSave_;
  std::vector<HiveSave> saves_;
  std::vector<HiveReplacement> replacements_;
  std::vector<std::unique_ptr<platform::File>> held_;
  int restarts_ = 0;
  bool refuseRestart_ = false;
  bool backup_ = false;
  bool restore_ = false;
};

}  // namespace nc::sim
