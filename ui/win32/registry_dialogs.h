// The registry page's small windows, built in code: "Add to Ignore List"
//, the restore dialog and the wait
// dialog shown while the registry editor runs. The rules
// live in registry/exclusions.h and registry/backups.h.
//
// What the main window wires:
//   - "Restore" button: ShowRestoreDialog(hwnd, ports, options).
//   - Tools page "Backup Full Registry...": BackupFullRegistry(hwnd,
//     ports); "Windows Backup...": registry::OpenWindowsBackup.
//   - Results menu "Save as &Text...": registry::SaveResultsAsText with
//     MakeSaveFileAsker(hwnd); "&RegEdit...": registry::OpenInRegistryEditor
//     with a win32::WinPrograms.
//   - Options dialog, adding or editing an ignore line:
//     ShowAddIgnoreLineDialog(hwnd, shell, line).
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "registry/backups.h"
#include "registry/results_commands.h"

namespace nc::ui {

// "Add to Ignore List" preset with `line`; the edited line after OK, none
// after Cancel.
std::optional<std::string> ShowAddIgnoreLineDialog(HWND owner, platform::Shell& shell,
                                                   std::string_view line);

// The restore dialog over `owner`, modal; the folder starts as the
// settings' backup folder. Its messages are boxes owned by the dialog.
void ShowRestoreDialog(HWND owner, platform::Platform ports,
                       const registry::BackupSettings& settings);

// "Backup Full Registry..." with the save-file dialog, the question before
// replacing a file and the wait dialog, all owned by `owner`.
registry::SaveOutcome BackupFullRegistry(HWND owner, platform::Platform ports);

// The save-file dialog for a SaveFileRequest, owned by `owner`.
registry::SaveFileAsker MakeSaveFileAsker(HWND owner);
// Shows the wait dialog modally over `owner` for each editor run.
registry::WaitDialogRunner MakeWaitDialogRunner(HWND owner);

// A file time in the user's short date and long time form, local time.
std::string LocalDateTimeText(std::int64_t unixSeconds);

// Window classes and control identifiers, for tests that drive the dialogs.
inline constexpr const wchar_t* kAddIgnoreLineClass = L"NorvikCleanerAddIgnoreLine";
inline constexpr const wchar_t* kRestoreClass = L"NorvikCleanerRestore";
inline constexpr const wchar_t* kBackupHintClass = L"NorvikCleanerBackupHint";

namespace registry_dialog_ids {
// "Add to Ignore List"
inline constexpr int kRegistryKey = 4301;  // the line to add
inline constexpr int kLaunchEditor = 4302;
// The restore dialog
inline constexpr int kFolder = 4401;  // the backup folder
inline constexpr int kBrowseFolder = 4402;
inline constexpr int kList = 4403;  // ListView1
inline constexpr int kRestore = 4404;
inline constexpr int kOpenDirectory = 4405;
inline constexpr int kDelete = 4406;
inline constexpr int kClose = IDCANCEL;
// The wait dialog
inline constexpr int kHint = 4501;  // the hint under the line
inline constexpr int kBar = 4502;   // ProgressBar1
inline constexpr int kStop = IDCANCEL;
}  // namespace registry_dialog_ids

}  // namespace nc::ui
