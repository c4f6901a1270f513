// The Registry Defrag page's rules: the hive list shown at start, the
// analysis ("Analyze Registry") with its checks and sizes, and the
// replacement of the hives at the next start ("Defrag Registry") with the
// restart question. "Defrag Registry" saves every hive again first, so
// that nothing written to the registry since the analysis is rolled back
// at the restart, and hands the system only copies that are whole hive
// files. Runs on the user-interface thread; the analysis
// worker belongs to the progress dialog, and workers whose dialog was
// closed early are kept here until they end.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/defrag_page_view.h"
#include "platform/messaging.h"
#include "platform/platform.h"
#include "registry/defrag_worker.h"
#include "registry/hive_list.h"
#include "registry/registry_settings.h"

namespace nc::app {

class DefragController {
 public:
  // `makeRestorePoint` shows the restore point dialog; false for Cancel.
  DefragController(platform::Platform ports, platform::UiThread& ui, DefragPageView& view,
                   const registry::BackupSettings& settings,
                   std::function<bool()> makeRestorePoint);
  // Waits for parked workers.
  ~DefragController();
  DefragController(const DefragController&) = delete;
  DefragController& operator=(const DefragController&) = delete;

  // First show of the window: the hive lists and one row per hive the
  // system lists, those that cannot be compacted with their reason.
  void ListHives();
  // "Analyze Registry". `silent`: no advice, hidden progress dialog.
  void Analyze(bool silent);
  // "Defrag Registry". `silent`: no restore point and no restart question.
  void Defrag(bool silent, int versionCode);

  bool defragEnabled() const { return defragEnabled_; }
  bool isWow64() const { return isWow64_; }
  const registry::HiveList& hives() const { return hives_; }
  void SetHivesForTesting(registry::HiveList hives) {
    hives_ = std::move(hives);
    hiveRows_.clear();
  }

  // Closing the program: waits (answering the window system) for workers
  // whose dialog was closed early, then deletes the compact copies that
  // are left, except those handed to the system for a replacement.
  void OnProgramClose();
  std::size_t parkedWorkers() const { return parking_.size(); }

 private:
  enum class SaveOutcome { Saved, Stopped, Failed, NoSpace };
  // Saves fresh copies of `hives` through the progress dialog, with the
  // checks of an analysis: room on the volumes first, every save
  // succeeded, the software copy not under a quarter of its hive.
  SaveOutcome SaveCopies(const registry::HiveList& hives, bool silent);
  void SetDefragEnabled(bool enabled);
  void WaitForParkedWorkers();
  void ShowSizes(bool silent);
  // The page's row of compactable hive `hive`.
  std::size_t RowOf(std::size_t hive) const;

  platform::Platform ports_;
  platform::UiThread& ui_;
  DefragPageView& view_;
  const registry::BackupSettings& settings_;
  std::function<bool()> makeRestorePoint_;
  registry::HiveList hives_;
  std::vector<std::size_t> hiveRows_;  // the row of each compactable hive
  bool isWow64_ = false;
  bool defragEnabled_ = false;
  std::vector<std::string> scheduledCopies_;
  std::vector<std::unique_ptr<registry::DefragWorker>> parking_;
};

}  // namespace nc::app
