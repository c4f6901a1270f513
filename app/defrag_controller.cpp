#include "app/defrag_controller.h"

#include <algorithm>

#include "app/defrag_progress.h"
#include "core/text.h"
#include "platform/version_code.h"
#include "registry/defrag_analysis.h"

namespace nc::app {

DefragController::DefragController(platform::Platform ports, platform::UiThread& ui,
                                   DefragPageView& view, const registry::BackupSettings& settings,
                                   std::function<bool()> makeRestorePoint)
    : ports_(ports),
      ui_(ui),
      view_(view),
      settings_(settings),
      makeRestorePoint_(std::move(makeRestorePoint)) {}

DefragController::~DefragController() {
  for (auto& worker : parking_) worker->RequestStop();
  parking_.clear();  // each joins
}

void DefragController::ListHives() {
  isWow64_ = ports_.system.isWow64();
  hives_ = registry::BuildHiveList(ports_.registry, ports_.files, isWow64_);
  for (const std::string& name : hives_.keyNames) view_.AddHiveListLine(name);
}

void DefragController::WaitForParkedWorkers() {
  if (parking_.empty()) return;
  ui_.waitPumping([this] {
    return std::all_of(parking_.begin(), parking_.end(),
                       [](const auto& worker) { return worker->Finished(); });
  });
  parking_.clear();
}

void DefragController::Analyze(bool silent) {
  if (hives_.keyNames.empty()) return;
  // A worker of an earlier dialog may still write a copy.
  WaitForParkedWorkers();
  if (registry::AnyCompactCopyLocked(ports_.files, hives_.files)) {
    ports_.prompts.inform(registry::kCannotAnalyzeNow);
    return;
  }
  const bool finished =
      view_.RunHiveAnalysis(HiveAnalysis{ports_.hives, ports_.files, ports_.clock, hives_.keyNames,
                                         hives_.files, isWow64_, silent, parking_});
  if (finished && registry::SoftwareCopyTooSmall(ports_.files, hives_.files)) {
    ports_.prompts.inform(registry::kFailedToAnalyze);
    return;
  }
  defragEnabled_ = finished;
  view_.SetDefragEnabled(finished);
  if (!finished) return;
  ShowSizes(silent);
}

void DefragController::ShowSizes(bool silent) {
  const registry::DefragSummary summary =
      registry::SummarizeSizes(registry::MeasureHives(ports_.files, hives_.files));
  for (std::size_t i = 0; i < summary.rows.size(); ++i) view_.SetHiveRow(i, summary.rows[i]);
  view_.SetDefragSizeLabels(DefragLabels{summary.currentSize, summary.newSize,
                                         summary.sizeReduction, summary.compactPercent});
  if (summary.lowFragmentation && !silent) {
    ports_.prompts.inform(registry::LowFragmentationAdvice(summary.compactPercent));
  }
}

void DefragController::Defrag(bool silent, int versionCode) {
  if (settings_.RestorePoint && !silent && platform::RestorePointSupported(versionCode) &&
      makeRestorePoint_ && !makeRestorePoint_()) {
    return;
  }
  ports_.hives.enableRestorePrivilege();
  for (std::size_t i = 0; i < hives_.keyNames.size() && i < hives_.files.size(); ++i) {
    const std::string copy = registry::CompactCopyOf(hives_.files[i]);
    const std::string backup = hives_.files[i] + std::string(registry::kHiveBackupSuffix);
    if (registry::ReplaceHive(ports_.hives, ports_.files, hives_.keyNames[i], copy, backup)) {
      if (std::find(scheduledCopies_.begin(), scheduledCopies_.end(), copy) ==
          scheduledCopies_.end()) {
        scheduledCopies_.push_back(copy);
      }
    } else {
      ports_.prompts.inform(std::string(registry::kFailedToDefrag) + hives_.keyNames[i]);
    }
  }
  if (silent) return;
  if (ports_.prompts.confirm(registry::kRestartQuestion)) (void)ports_.hives.requestRestart();
}

void DefragController::OnProgramClose() {
  WaitForParkedWorkers();
  for (const std::string& file : hives_.files) {
    const std::string copy = registry::CompactCopyOf(file);
    // A copy handed to the system must be there at the restart.
    if (std::find(scheduledCopies_.begin(), scheduledCopies_.end(), copy) !=
        scheduledCopies_.end()) {
      continue;
    }
    if (ports_.files.fileExists(copy)) (void)ports_.files.deleteFile(copy);
  }
}

}  // namespace nc::app
