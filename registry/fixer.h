// Fixing the ticked problems of the registry page ("Fix Errors"): the
// backup folder, an optional restore point, one backup file per run, and
// the walk over the rows from the last to the first that backs up and
// deletes what each ticked row designates.
//
// The backup of a key or value is on the disk before it is deleted. When
// a backup cannot be written the run stops at once: that row keeps its
// key or value and stays in the list with every row not yet visited.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"
#include "platform/platform.h"
#include "platform/prompts.h"
#include "registry/export_writer.h"
#include "registry/registry_settings.h"
#include "registry/results_model.h"

namespace nc::registry {

inline constexpr std::string_view kFixFinishedText = "Fix errors finished!";

// The question asked when the backup folder is missing.
std::string MissingBackupFolderQuestion(std::string_view folder);

// Delete operations shared by the fixer and the startup manager. The root
// name is one of the five full names in any letter case ("HKLM" and other
// short forms designate nothing). Each returns true when the key or value
// was deleted and false when it was not there or could not be deleted;
// an error only when the backup could not be written, and then nothing
// was deleted.

// What one delete operation came to.
enum class Removal {
  Deleted,
  NotDeleted,  // not there, no rights, no root, or the deletion failed
  Refused,     // the backup file cannot carry a name (or a link) in it: nothing deleted
};

// Backs up the key with everything below it, then deletes it. An empty
// key path (the root itself) designates nothing. A tree that the backup
// cannot hold whole (a key or value name with a NUL or a line break, a
// registry link) is refused and left as it is.
// When nothing was deleted, `why` (if given) receives the system's reason
// (NotFound when there was nothing to delete).
Result<Removal> RemoveKeyWithBackup(const platform::Platform& ports, std::string_view backupFile,
                                    std::string_view rootName, std::string_view keyPath,
                                    Error* why = nullptr);
// Backs up the value of exactly this name when `backup` is set, then
// deletes it by that name. A name the backup cannot carry, or (without
// backup) the system's deletion cannot be given, is refused.
Result<Removal> RemoveValueWithBackup(const platform::Platform& ports, std::string_view backupFile,
                                      std::string_view rootName, std::string_view keyPath,
                                      bool backup, std::u16string_view exactName,
                                      Error* why = nullptr);

// The same by a text name, true when deleted.
Result<bool> DeleteKeyWithBackup(const platform::Platform& ports, std::string_view backupFile,
                                 std::string_view rootName, std::string_view keyPath);
// Backs up the value when `backup` is set, then deletes it; "" is the
// default value. Without backup the file is not touched.
Result<bool> DeleteValueWithBackup(const platform::Platform& ports, std::string_view backupFile,
                                   std::string_view rootName, std::string_view keyPath, bool backup,
                                   std::string_view valueName);

// What a fix run needs from the program.
struct FixEnvironment {
  platform::Platform ports;  // its prompts ask about the backup folder
  const BackupSettings& settings;
  int versionCode = 0;  // WindowsVersionCode
  // Shows the restore point dialog modally; false when it ended with
  // Cancel (the user chose not to go on). Asked only when the setting is
  // on and the system has System Restore.
  std::function<bool()> makeRestorePoint;
  // The problem filters, run over the remaining rows after a finished run.
  std::function<void()> filterProblems;
};

// The status label of the registry page.
class FixView {
 public:
  virtual ~FixView() = default;
  virtual void SetStatusText(std::string_view text) = 0;
};

enum class FixOutcome {
  Finished,               // status set, filters run
  FolderDeclined,         // the user answered No: nothing changed
  FolderNotCreated,       // the folder could not be made: nothing changed
  NoRows,                 // the list is empty
  RestorePointCancelled,  // the restore point failed and the user stopped
  Stopped,                // a backup could not be written: see `error`
};

// A ticked row whose fix changed nothing although its entry is there:
// the key could not be opened for writing, the deletion failed, or no
// backup can hold its names.
struct FixFailure {
  std::string problem;        // the row's problem text
  std::string location;       // the key, with the value or sub-key it names
  std::string reason;         // "open key: access denied", ...
  bool stayedListed = false;  // refused: the row is still in the list
};

struct FixResult {
  FixOutcome outcome = FixOutcome::Finished;
  std::string backupFile;  // the run's backup file ("" before the walk)
  std::size_t rowsRemoved = 0;
  std::size_t deleted = 0;  // keys, values and shortcut files deleted
  std::optional<Error> error;
  // Rows left in the list, ticked, because no backup can carry a name in
  // what they designate: as the message names them, in list order.
  std::vector<std::string> refused{};
  // Every ticked row that was not fixed, refused ones included, in list
  // order. A row whose entry was already gone is not among them.
  std::vector<FixFailure> failures{};
};

// The message after a fix that left rows whose names no backup can
// carry, each given as its location and data.
std::string FixNamesRefusedText(const std::vector<std::string>& rows);

// "Fix Errors" over the problem list. A row whose backup is refused stays
// in the list, ticked, and one message names them all.
FixResult FixSelectedProblems(FixEnvironment& env, ResultsModel& results, FixView& view);

}  // namespace nc::registry
