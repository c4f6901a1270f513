// What the main window's controller asks of the Tools page: the two
// registry backups, and the startup list of the startup manager.
#pragma once

#include <cstddef>
#include <string_view>

namespace nc::app {

class ToolsPageView {
 public:
  virtual ~ToolsPageView() = default;

  // Shows or hides "Windows Backup...".
  virtual void SetWindowsBackupVisible(bool visible) = 0;
  // "Backup Full Registry...": the whole registry into a file the user
  // picks, with the wait dialog while the editor writes it.
  virtual void BackupFullRegistry() = 0;
};

// The startup list ("Startup Program", "File", "Location"), a report list
// with a tick box on each row.
class StartupListView {
 public:
  virtual ~StartupListView() = default;

  virtual void ClearStartupList() = 0;
  // Appends an unticked row; false when the list could not take it (no
  // row is then left behind).
  virtual bool AddStartupRow(std::string_view caption, std::string_view file,
                             std::string_view location) = 0;
  // Sizes every column to its contents.
  virtual void SizeStartupColumns() = 0;
  virtual bool StartupRowTicked(std::size_t row) const = 0;
  virtual void TickAllStartupRows(bool ticked) = 0;
  virtual void RemoveStartupRow(std::size_t row) = 0;
};

}  // namespace nc::app
