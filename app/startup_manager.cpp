#include "app/startup_manager.h"

#include <algorithm>

namespace nc::app {

std::string StartupNamesRefusedText(const std::vector<std::string>& captions) {
  std::string text =
      "Windows can not delete a registry value whose name contains a NUL character. "
      "These entries were not deleted and stay in the list:";
  for (const std::string& caption : captions) text += "\r\n" + caption;
  return text;
}

void StartupManager::OnStartupClicked() {
  view_.ClearStartupList();
  std::vector<registry::StartupEntry> listed = registry::ListStartupEntries(ports_, versionCode_);
  entries_.clear();
  for (registry::StartupEntry& entry : listed) {
    // An entry whose row the list did not take is dropped, so that row n
    // always stands for entries_[n].
    if (view_.AddStartupRow(entry.caption, entry.file, entry.location)) {
      entries_.push_back(std::move(entry));
    }
  }
  if (!entries_.empty()) view_.SizeStartupColumns();
}

void StartupManager::OnDeleteEntryClicked() {
  std::vector<std::string> refused;
  for (std::size_t row = entries_.size(); row-- > 0;) {
    if (!view_.StartupRowTicked(row)) continue;
    if (registry::RemoveStartupEntry(ports_, entries_[row]) ==
        registry::StartupDeletion::NameRefused) {
      refused.push_back(entries_[row].caption);
      continue;
    }
    view_.RemoveStartupRow(row);
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(row));
  }
  if (refused.empty()) return;
  std::reverse(refused.begin(), refused.end());
  ports_.prompts.inform(StartupNamesRefusedText(refused));
}

}  // namespace nc::app
