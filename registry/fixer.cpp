#include "registry/fixer.h"

#include <algorithm>
#include <utility>

#include "core/text.h"
#include "platform/version_code.h"
#include "registry/locations.h"
#include "registry/startup_entries.h"

namespace nc::registry {

namespace {

struct SplitPath {
  std::string_view parent;  // "" for a key right below the root
  std::string_view name;
};

SplitPath SplitAtLastBackslash(std::string_view path) {
  const auto pos = path.find_last_of('\\');
  if (pos == std::string_view::npos) return {{}, path};
  return {path.substr(0, pos), path.substr(pos + 1)};
}

// The value a row names: the exact name the scan read, or else its text.
std::u16string ValueNameOf(const ProblemEntry& row, std::string_view text) {
  return row.ValueName ? *row.ValueName : Utf8ToUtf16(text);
}

// Backup and deletion of what one row designates; an error only when the
// backup could not be written.
Result<Removal> FixRow(FixEnvironment& env, const platform::Platform& ports,
                       const std::string& backupFile, const ProblemEntry& row, Error* why) {
  const std::string_view location = row.RegistryKey;
  if (row.Kind == ProblemKind::ShortcutFile) {
    if (DeleteFileByShell(env.ports.shell, location)) return Removal::Deleted;
    *why = {env.ports.files.fileExists(location) ? Errc::IoError : Errc::NotFound, "delete file",
            std::string(location)};
    return Removal::NotDeleted;
  }

  const auto slash = location.find('\\');
  const std::string_view root = location.substr(0, slash);
  const std::string_view path = location.substr(slash + 1);
  switch (row.Kind) {
    case ProblemKind::Key:
      return RemoveKeyWithBackup(ports, backupFile, root, path, why);
    case ProblemKind::ValuePath: {
      const auto parts = SplitAtLastBackslash(path);
      return RemoveValueWithBackup(ports, backupFile, root, parts.parent, true,
                                   ValueNameOf(row, parts.name), why);
    }
    case ProblemKind::ValueInKey:
      return RemoveValueWithBackup(ports, backupFile, root, path, true, ValueNameOf(row, row.Data),
                                   why);
    case ProblemKind::SubKey:
      // A row without a sub-key name designates nothing (never the
      // parent key itself).
      if (row.Data.empty()) {
        *why = {Errc::NotFound, "open key", std::string(location)};
        return Removal::NotDeleted;
      }
      return RemoveKeyWithBackup(ports, backupFile, root, std::string(path) + "\\" + row.Data, why);
    case ProblemKind::DefaultValue:
      return RemoveValueWithBackup(ports, backupFile, root, path, true, {}, why);
    case ProblemKind::UserAssistValue:
      return RemoveValueWithBackup(ports, backupFile, root, path, true,
                                   ValueNameOf(row, Rot13(row.Data)), why);
    default:
      *why = {Errc::NotSupported, "fix", std::string(location)};
      return Removal::NotDeleted;
  }
}

// A row as the refusal message names it; a NUL shows as "\0".
std::string RowText(const ProblemEntry& row) {
  std::string text = row.RegistryKey;
  if (row.Kind == ProblemKind::ValueInKey || row.Kind == ProblemKind::SubKey ||
      row.Kind == ProblemKind::UserAssistValue) {
    text += '\\';
    text += row.Data;
  }
  return StartupValueCaption(text);
}

}  // namespace

std::string MissingBackupFolderQuestion(std::string_view folder) {
  std::string text(folder);
  text += ",can not find the backup folder.\r\ncreates a new directory?";
  return text;
}

Result<Removal> RemoveKeyWithBackup(const platform::Platform& ports, std::string_view backupFile,
                                    std::string_view rootName, std::string_view keyPath,
                                    Error* why) {
  Error ignored;
  Error& reason = why ? *why : ignored;
  const auto root = RootKeyFromName(rootName);
  const std::string path = WithoutTrailingBackslash(keyPath);
  if (!root || path.empty()) {
    reason = {Errc::NotFound, "open key", std::string(rootName) + "\\" + path};
    return Removal::NotDeleted;
  }
  {
    // Full access, as the backup and the deletion need: a key this account
    // cannot change is neither backed up nor deleted.
    auto key = ports.registry.open(*root, path, platform::RegAccess::Full, ViewOfLocation(*root));
    if (!key) {
      reason = key.error();
      return Removal::NotDeleted;
    }
  }
  auto backedUp = ExportToBackup(ports, backupFile, ToPredefinedRoot(*root), true, {}, path);
  if (!backedUp) return backedUp.error();
  if (!*backedUp) return Removal::Refused;
  const auto parts = SplitAtLastBackslash(path);
  auto parent =
      ports.registry.open(*root, parts.parent, platform::RegAccess::Full, ViewOfLocation(*root));
  if (!parent) {
    reason = parent.error();
    return Removal::NotDeleted;
  }
  const Status deleted = ports.registry.deleteTree(*parent, parts.name);
  if (deleted) return Removal::Deleted;
  reason = deleted.error();
  return Removal::NotDeleted;
}

Result<Removal> RemoveValueWithBackup(const platform::Platform& ports, std::string_view backupFile,
                                      std::string_view rootName, std::string_view keyPath,
                                      bool backup, std::u16string_view exactName, Error* why) {
  Error ignored;
  Error& reason = why ? *why : ignored;
  const auto root = RootKeyFromName(rootName);
  if (!root) {
    reason = {Errc::NotFound, "open key", std::string(rootName)};
    return Removal::NotDeleted;
  }
  auto key = ports.registry.open(*root, keyPath, platform::RegAccess::Full, ViewOfLocation(*root));
  if (!key) {
    reason = key.error();
    return Removal::NotDeleted;
  }
  const std::u16string name(exactName);
  if (auto read = platform::ReadExactValue(ports.registry, *key, name); !read) {
    reason = read.error();
    return Removal::NotDeleted;
  }
  if (backup) {
    auto backedUp = ExportValueToBackup(ports, backupFile, ToPredefinedRoot(*root), keyPath, name);
    if (!backedUp) return backedUp.error();
    if (!*backedUp) return Removal::Refused;
  }
  const Status deleted = ports.registry.deleteValueExact(*key, name);
  if (deleted) return Removal::Deleted;
  reason = deleted.error();
  return deleted.error().code == Errc::NotSupported ? Removal::Refused : Removal::NotDeleted;
}

Result<bool> DeleteKeyWithBackup(const platform::Platform& ports, std::string_view backupFile,
                                 std::string_view rootName, std::string_view keyPath) {
  auto removed = RemoveKeyWithBackup(ports, backupFile, rootName, keyPath);
  if (!removed) return removed.error();
  return *removed == Removal::Deleted;
}

Result<bool> DeleteValueWithBackup(const platform::Platform& ports, std::string_view backupFile,
                                   std::string_view rootName, std::string_view keyPath, bool backup,
                                   std::string_view valueName) {
  auto removed =
      RemoveValueWithBackup(ports, backupFile, rootName, keyPath, backup, Utf8ToUtf16(valueName));
  if (!removed) return removed.error();
  return *removed == Removal::Deleted;
}

std::string FixNamesRefusedText(const std::vector<std::string>& rows) {
  std::string text =
      "A backup file can not hold the names of these registry entries. "
      "They were not fixed and stay in the list:";
  for (const std::string& row : rows) text += "\r\n" + row;
  return text;
}

FixResult FixSelectedProblems(FixEnvironment& env, ResultsModel& results, FixView& view) {
  FixResult result;
  auto& files = env.ports.files;
  const std::string& folder = env.settings.OutputDirectory;
  if (!files.folderExists(folder)) {
    if (!env.ports.prompts.confirm(MissingBackupFolderQuestion(folder))) {
      result.outcome = FixOutcome::FolderDeclined;
      return result;
    }
    if (auto st = files.createFolders(folder); !st || !files.folderExists(folder)) {
      result.outcome = FixOutcome::FolderNotCreated;
      if (!st) result.error = st.error();
      return result;
    }
  }
  if (results.Empty()) {
    result.outcome = FixOutcome::NoRows;
    return result;
  }
  if (env.settings.RestorePoint && platform::RestorePointSupported(env.versionCode) &&
      env.makeRestorePoint && !env.makeRestorePoint()) {
    result.outcome = FixOutcome::RestorePointCancelled;
    return result;
  }

  result.backupFile = MakeBackupFileName(folder, env.ports.clock);
  const platform::Platform& ports = env.ports;
  for (std::size_t i = results.Count(); i-- > 0;) {
    const ProblemEntry& row = results.Rows()[i];
    if (!row.Ticked) continue;
    if (row.RegistryKey.find('\\') == std::string::npos) continue;
    Error why{Errc::NotFound, "", ""};
    auto fixed = FixRow(env, ports, result.backupFile, row, &why);
    if (!fixed) {
      result.outcome = FixOutcome::Stopped;
      result.error = fixed.error();
      return result;
    }
    if (*fixed == Removal::Refused) {
      // Nothing deleted: the row stays, to be seen.
      result.refused.push_back(RowText(row));
      result.failures.push_back(
          {row.Problem, RowText(row), "a backup file cannot hold its names", true});
      continue;
    }
    if (*fixed == Removal::Deleted) ++result.deleted;
    // An entry that was already gone leaves nothing to fix; any other
    // failure is the row's, though the row leaves the list as before.
    if (*fixed == Removal::NotDeleted && why.code != Errc::NotFound) {
      result.failures.push_back({row.Problem, RowText(row), why.op + ": " + ErrcName(why.code)});
    }
    results.Remove(i);
    ++result.rowsRemoved;
  }
  view.SetStatusText(kFixFinishedText);
  std::reverse(result.failures.begin(), result.failures.end());
  if (!result.refused.empty()) {
    std::reverse(result.refused.begin(), result.refused.end());
    env.ports.prompts.inform(FixNamesRefusedText(result.refused));
  }
  if (env.filterProblems) env.filterProblems();
  result.outcome = FixOutcome::Finished;
  return result;
}

}  // namespace nc::registry
