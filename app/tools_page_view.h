// What the main window's controller asks of the Tools page: the two
// registry backups.
#pragma once

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

}  // namespace nc::app
