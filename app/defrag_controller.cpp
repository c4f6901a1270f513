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
  hives_ = registry::BuildHiveList(ports_.registry, ports_.hives, ports_.files, isWow64_);
  hiveRows_.clear();
  // Every hive the system lists has its row; one that cannot be compacted
  // shows why where the sizes of the others go, and keeps it.
  for (std::size_t row = 0; row < hives_.rows.size(); ++row) {
    const registry::HiveRow& hive = hives_.rows[row];
    view_.AddHiveListLine(hive.keyName);
    if (hive.reason.empty()) {
      hiveRows_.push_back(row);
    } else {
      view_.SetHiveRow(row, registry::HiveSizeRow{hive.reason, "", ""});
    }
  }
}

std::size_t DefragController::RowOf(std::size_t hive) const {
  return hive < hiveRows_.size() ? hiveRows_[hive] : hive;
}

void DefragController::WaitForParkedWorkers() {
  if (parking_.empty()) return;
  ui_.waitPumping([this] {
    return std::all_of(parking_.begin(), parking_.end(),
                       [](const auto& worker) { return worker->Finished(); });
  });
  parking_.clear();
}

void DefragController::SetDefragEnabled(bool enabled) {
  defragEnabled_ = enabled;
  view_.SetDefragEnabled(enabled);
}

DefragController::SaveOutcome DefragController::SaveCopies(const registry::HiveList& hives,
                                                           bool silent) {
  // Copies of an earlier analysis are room only once they are gone.
  registry::DeleteCompactCopies(ports_.files, hives.files);
  if (const auto shortage = registry::FindSpaceShortage(ports_.files, hives.files)) {
    ports_.prompts.inform(registry::SpaceShortageText(*shortage));
    return SaveOutcome::NoSpace;
  }
  bool saveFailed = false;
  const bool finished =
      view_.RunHiveAnalysis(HiveAnalysis{ports_.hives, ports_.files, ports_.clock, hives.keyNames,
                                         hives.files, isWow64_, silent, parking_, &saveFailed});
  if (saveFailed) return SaveOutcome::Failed;
  if (!finished) return SaveOutcome::Stopped;
  return registry::SoftwareCopyTooSmall(ports_.files, hives.files) ? SaveOutcome::Failed
                                                                   : SaveOutcome::Saved;
}

void DefragController::Analyze(bool silent) {
  if (hives_.keyNames.empty()) return;
  // A worker of an earlier dialog may still write a copy.
  WaitForParkedWorkers();
  if (registry::AnyCompactCopyLocked(ports_.files, hives_.files)) {
    ports_.prompts.inform(registry::kCannotAnalyzeNow);
    return;
  }
  const SaveOutcome saved = SaveCopies(hives_, silent);
  if (saved == SaveOutcome::Failed) ports_.prompts.inform(registry::kFailedToAnalyze);
  // Whatever the copies now are, only a finished analysis vouches for them.
  SetDefragEnabled(saved == SaveOutcome::Saved);
  if (saved == SaveOutcome::Saved) ShowSizes(silent);
}

void DefragController::ShowSizes(bool silent) {
  const registry::DefragSummary summary =
      registry::SummarizeSizes(registry::MeasureHives(ports_.files, hives_.files));
  for (std::size_t i = 0; i < summary.rows.size(); ++i) view_.SetHiveRow(RowOf(i), summary.rows[i]);
  view_.SetDefragSizeLabels(DefragLabels{summary.currentSize, summary.newSize,
                                         summary.sizeReduction, summary.compactPercent});
  if (summary.lowFragmentation && !silent) {
    ports_.prompts.inform(registry::LowFragmentationAdvice(summary.compactPercent));
  }
}

void DefragController::Defrag(bool silent, int versionCode) {
  // Only copies a finished analysis made are ever handed to the system.
  if (!defragEnabled_) return;
  if (settings_.RestorePoint && !silent && platform::RestorePointSupported(versionCode) &&
      makeRestorePoint_ && !makeRestorePoint_()) {
    return;
  }
  ports_.hives.enableRestorePrivilege();
  // A worker of a dialog closed early must not write a copy meanwhile.
  WaitForParkedWorkers();
  const std::size_t count = std::min(hives_.keyNames.size(), hives_.files.size());
  auto failed = [this](std::size_t i) {
    ports_.prompts.inform(std::string(registry::kFailedToDefrag) + hives_.keyNames[i]);
  };
  // A copy the system holds for a replacement asked for earlier stays as
  // it is (the system refuses a second one); every other hive is saved
  // again now.
  std::vector<bool> pending(count);
  registry::HiveList fresh;
  for (std::size_t i = 0; i < count; ++i) {
    pending[i] =
        platform::FileLockedExclusive(ports_.files, registry::CompactCopyOf(hives_.files[i]));
    if (pending[i]) continue;
    fresh.keyNames.push_back(hives_.keyNames[i]);
    fresh.files.push_back(hives_.files[i]);
  }
  if (!fresh.files.empty()) {
    const SaveOutcome saved = SaveCopies(fresh, silent);
    if (saved != SaveOutcome::Saved) {
      // Some copies may be new and some not: none of them is handed over.
      SetDefragEnabled(false);
      if (saved == SaveOutcome::Failed) {
        for (std::size_t i = 0; i < count; ++i) failed(i);
      }
      return;
    }
    ShowSizes(true);
  }
  std::size_t scheduled = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const std::string copy = registry::CompactCopyOf(hives_.files[i]);
    const std::string backup = hives_.files[i] + std::string(registry::kHiveBackupSuffix);
    const registry::ReplaceOutcome outcome =
        pending[i]
            ? registry::ReplaceOutcome{}
            : registry::ReplaceHive(ports_.hives, ports_.files, hives_.keyNames[i], copy, backup);
    if (!outcome.scheduled) {
      failed(i);
      if (!outcome.strandedBackup.empty()) {
        ports_.prompts.inform(registry::StrandedBackupText(backup, outcome.strandedBackup));
      }
      continue;
    }
    ++scheduled;
    if (std::find(scheduledCopies_.begin(), scheduledCopies_.end(), copy) ==
        scheduledCopies_.end()) {
      scheduledCopies_.push_back(copy);
    }
  }
  // Nothing was handed to the system: a restart would change nothing.
  if (scheduled == 0 || silent) return;
  if (ports_.prompts.confirm(registry::kRestartQuestion) && !ports_.hives.requestRestart()) {
    ports_.prompts.inform(registry::kRestartRefused);
  }
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
