#include "app/startup_manager.h"

namespace nc::app {

void StartupManager::OnStartupClicked() {
  view_.ClearStartupList();
  entries_ = registry::ListStartupEntries(ports_, versionCode_);
  for (const registry::StartupEntry& entry : entries_) {
    view_.AddStartupRow(entry.caption, entry.file, entry.location);
  }
  if (!entries_.empty()) view_.SizeStartupColumns();
}

void StartupManager::OnDeleteEntryClicked() {
  for (std::size_t row = entries_.size(); row-- > 0;) {
    if (!view_.StartupRowTicked(row)) continue;
    (void)registry::DeleteStartupEntry(ports_, entries_[row]);
    view_.RemoveStartupRow(row);
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(row));
  }
}

}  // namespace nc::app
