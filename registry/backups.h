// Backups and restore: the restore dialog that lists the
// ".reg" backups of a folder and imports one with the system registry
// editor, the wait dialog shown while the editor runs,
// and the Tools page's "Backup Full Registry..." and "Windows Backup...".
//
// Entry points for the main window:
//   - "Restore": ui::ShowRestoreDialog
//     (ui/win32/registry_dialogs.h) over RestoreController.
//   - "Backup Full Registry...": ui::BackupFullRegistry, i.e.
//     BackupFullRegistry with the save-file dialog and the wait dialog.
//   - "Windows Backup...": OpenWindowsBackup(files, shell); the button is
//     hidden unless WindowsBackupAvailable(WindowsVersionCode).
//   - Any other editor run: RunRegistryEditor with a wait-dialog runner
//     (ui::WaitDialogRunner(owner)).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "platform/programs.h"
#include "platform/prompts.h"
#include "registry/registry_settings.h"
#include "registry/results_commands.h"

namespace nc::registry {

inline constexpr std::string_view kBackupFolderMissing = "can not find the backup folder.";
inline constexpr std::string_view kRegeditMissing = "Please check if Regedit.exe exists.";
inline constexpr std::string_view kRestoreWaitText = "Restore registry...";
inline constexpr std::string_view kBackupWaitText = "Backup registry...";
inline constexpr std::string_view kPickBackupFolderPrompt = "Please select the directory to add";
inline constexpr std::string_view kBackupFolderGroup = "Backup files are stored in the folder";
inline constexpr std::string_view kBackupFileColumn = "Backup file";
inline constexpr std::string_view kBackupDateColumn = "Date";
inline constexpr std::string_view kBackupSizeColumn = "Size";
inline constexpr std::string_view kSaveFullRegistryTitle = "Save full registry";
inline constexpr std::string_view kSaveFullRegistryFilter = "Registry backup files (*.reg)|*.REG";

// ---- the registry editor and its wait dialog --------------------------------

// "Regedit /s "<file>"" (silent import) and "Regedit /e "<file>"" (export
// of the whole registry). The import names the editor as `editor` gives it.
std::string ImportCommandLine(std::string_view file, std::string_view editor = "Regedit");
std::string ExportCommandLine(std::string_view file);
// The registry editor that restores backups: "Regedit", but for a 32-bit
// program on 64-bit Windows the editor in the Windows folder. Started, as
// every editor is, with the file-system redirection turned off
// (RunRegistryEditor), that is the 64-bit editor; the 32-bit one of
// SysWOW64 would put every key of HKEY_LOCAL_MACHINE\Software in the
// 32-bit view, while the backups name keys as the 64-bit view does.
std::string RestoringRegistryEditor(platform::System& system, platform::FileSystem& files);

inline constexpr unsigned kWaitTimerMs = 500;
inline constexpr int kWaitBarMax = 500;

// The wait bar's next position: steps of 10 up to 300, then 5 up to 400,
// 3 up to 450, 2 up to 490 and 1 up to 500, where it stays.
int NextWaitBarPosition(int position);

class BackupHintView {
 public:
  virtual ~BackupHintView() = default;
  virtual void SetHintText(std::string_view text) = 0;
  virtual void SetBarPosition(int position) = 0;
  // Ends the modal showing, with OK or with Cancel.
  virtual void Close(bool ok) = 0;
};

// The wait dialog's rules: every timer tick closes with OK when the editor
// has ended, else advances the bar; "Stop" ends the editor and closes with
// Cancel.
class BackupHintController {
 public:
  BackupHintController(platform::ChildProcess& process, std::string hint)
      : process_(process), hint_(std::move(hint)) {}

  void Show(BackupHintView& view);
  void TimerTick();
  void StopClicked();

  const std::string& Hint() const { return hint_; }
  int Position() const { return position_; }
  bool Closed() const { return closed_; }

 private:
  void Close(bool ok);

  platform::ChildProcess& process_;
  std::string hint_;
  BackupHintView* view_ = nullptr;
  int position_ = 0;
  bool closed_ = false;
};

// Shows the wait dialog modally over the controller; true when it closed
// with OK.
using WaitDialogRunner = std::function<bool(BackupHintController&)>;

// RunRegistryEditor: starts the command line hidden, as the system's native
// program (Programs::startNative), and waits in the wait dialog; true only when the program ended
// by itself, and then its exit code goes to `exitCode` when asked for. A program that does not
// start is reported with "Please check if Regedit.exe exists.".
bool RunRegistryEditor(platform::Programs& programs, platform::Prompts& prompts,
                       std::string_view commandLine, std::string_view waitText,
                       const WaitDialogRunner& showWait,
                       std::optional<std::uint32_t>* exitCode = nullptr);

// ---- the restore dialog -----------------------------------------------------

// Whether the registry holds what a backup file brings back, checked on up
// to `samples` of its entries spread over the file, its first and last
// among them: keys present, values with the same type and bytes, deleted
// keys and values absent. False for a file that cannot be read or has no
// registry-file header. Roots the registry port cannot open are skipped.
bool BackupIsInRegistry(const platform::Platform& ports, std::string_view file,
                        std::size_t samples = 4096);

// Shown when a restore did not bring its backup back; the file stays.
std::string RestoreFailedText(std::string_view file);

struct BackupFile {
  std::string name;
  std::int64_t lastWrite = 0;  // seconds since 1970-01-01 UTC
  std::uint64_t size = 0;
};

// The files (not folders) of `folder` whose upper-cased extension is
// ".REG", sorted by name descending without regard to case.
std::vector<BackupFile> ListBackupFiles(platform::FileSystem& files, std::string_view folder);

// Kilobytes rounded up, thousands grouped with ",", then " KB".
std::string FormatSizeKB(std::uint64_t bytes);

struct BackupRow {
  std::string name;
  std::string date;
  std::string size;

  bool operator==(const BackupRow&) const = default;
};

// A file time as the system shows dates and times.
using DateTimeText = std::function<std::string(std::int64_t unixSeconds)>;

class RestoreView {
 public:
  virtual ~RestoreView() = default;
  virtual void SetFolderText(std::string_view text) = 0;
  virtual void SetRows(const std::vector<BackupRow>& rows) = 0;
  virtual void RemoveRow(std::size_t index) = 0;
  virtual void SelectRow(std::optional<std::size_t> index) = 0;
  virtual void EnableRestore(bool enabled) = 0;
  virtual void EnableDelete(bool enabled) = 0;
  // The folder picker without a root folder; none when cancelled.
  virtual std::optional<std::string> BrowseForFolder(std::string_view prompt) = 0;
  // Shows the wait dialog modally; true when it closed with OK.
  virtual bool RunWaitDialog(BackupHintController& hint) = 0;
};

struct RestoreEnvironment {
  platform::Platform ports;
  const BackupSettings& settings;
  DateTimeText dateText;
};

// The restore dialog's rules. The folder starts as OutputDirectory and may be
// changed for this dialog only.
class RestoreController {
 public:
  explicit RestoreController(RestoreEnvironment env) : env_(std::move(env)) {}

  void Show(RestoreView& view);
  void SelectionChanged(std::optional<std::size_t> index);
  void BrowseClicked();
  void OpenDirectoryClicked();
  // "&Restore" and a double click on a row.
  void RestoreClicked();
  void DeleteClicked();

  const std::string& Folder() const { return folder_; }
  const std::vector<BackupFile>& Files() const { return files_; }
  std::optional<std::size_t> Selected() const { return selected_; }

 private:
  void ListFolder();
  void Select(std::optional<std::size_t> index);
  std::string SelectedPath() const;

  RestoreEnvironment env_;
  RestoreView* view_ = nullptr;
  std::string folder_;
  std::vector<BackupFile> files_;
  std::optional<std::size_t> selected_;
};

// ---- the Tools page -----------------------------------------------------------

// "Backup Full Registry...": asks for the file (".reg" appended unless the
// extension is ".REG" in any case), asks before replacing one, and exports
// the whole registry into it. Saved when the editor ended by itself.
SaveOutcome BackupFullRegistry(platform::FileSystem& files, platform::Programs& programs,
                               platform::Prompts& prompts, const SaveFileAsker& askFile,
                               const WaitDialogRunner& showWait);

// The file "Windows Backup..." opens: the expanded %SystemRoot% (or the
// text as written when it names no folder) + "\system32\ntbackup.exe".
std::string WindowsBackupProgram(platform::FileSystem& files);
// "Windows Backup...": opens that file; a failure shows nothing.
void OpenWindowsBackup(platform::FileSystem& files, platform::Shell& shell);
// The button is hidden on Windows 95, 98 and Me (version codes 1 to 4 and 8).
bool WindowsBackupAvailable(int versionCode);

}  // namespace nc::registry
