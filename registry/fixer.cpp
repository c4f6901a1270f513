#include "registry/fixer.h"

#include <utility>

#include "core/text.h"
#include "platform/version_code.h"
#include "registry/locations.h"

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

// Backup and deletion of what one row designates; an error only when the
// backup could not be written.
Result<bool> FixRow(FixEnvironment& env, const platform::Platform& ports,
                    const std::string& backupFile, const ProblemEntry& row) {
  const std::string_view location = row.RegistryKey;
  if (row.Kind == ProblemKind::ShortcutFile) return DeleteFileByShell(env.ports.shell, location);

  const auto slash = location.find('\\');
  const std::string_view root = location.substr(0, slash);
  const std::string_view path = location.substr(slash + 1);
  switch (row.Kind) {
    case ProblemKind::Key:
      return DeleteKeyWithBackup(ports, backupFile, root, path);
    case ProblemKind::ValuePath: {
      const auto parts = SplitAtLastBackslash(path);
      return DeleteValueWithBackup(ports, backupFile, root, parts.parent, true, parts.name);
    }
    case ProblemKind::ValueInKey:
      return DeleteValueWithBackup(ports, backupFile, root, path, true, row.Data);
    case ProblemKind::SubKey:
      // A row without a sub-key name designates nothing (never the
      // parent key itself).
      if (row.Data.empty()) return false;
      return DeleteKeyWithBackup(ports, backupFile, root, std::string(path) + "\\" + row.Data);
    case ProblemKind::DefaultValue:
      return DeleteValueWithBackup(ports, backupFile, root, path, true, {});
    case ProblemKind::UserAssistValue:
      return DeleteValueWithBackup(ports, backupFile, root, path, true, Rot13(row.Data));
    default:
      return false;
  }
}

}  // namespace

std::string MissingBackupFolderQuestion(std::string_view folder) {
  std::string text(folder);
  text += ",can not find the backup folder.\r\ncreates a new directory?";
  return text;
}

Result<bool> DeleteKeyWithBackup(const platform::Platform& ports, std::string_view backupFile,
                                 std::string_view rootName, std::string_view keyPath) {
  const auto root = RootKeyFromName(rootName);
  if (!root) return false;
  const std::string path = WithoutTrailingBackslash(keyPath);
  if (path.empty()) return false;
  {
    // Full access, as the backup and the deletion need: a key this account
    // cannot change is neither backed up nor deleted.
    auto key = ports.registry.open(*root, path, platform::RegAccess::Full, ViewOfLocation(*root));
    if (!key) return false;
  }
  auto backedUp = ExportToBackup(ports, backupFile, ToPredefinedRoot(*root), true, {}, path);
  if (!backedUp || !*backedUp) return backedUp;
  const auto parts = SplitAtLastBackslash(path);
  auto parent =
      ports.registry.open(*root, parts.parent, platform::RegAccess::Full, ViewOfLocation(*root));
  if (!parent) return false;
  return ports.registry.deleteTree(*parent, parts.name).ok();
}

Result<bool> DeleteValueWithBackup(const platform::Platform& ports, std::string_view backupFile,
                                   std::string_view rootName, std::string_view keyPath, bool backup,
                                   std::string_view valueName) {
  const auto root = RootKeyFromName(rootName);
  if (!root) return false;
  auto key = ports.registry.open(*root, keyPath, platform::RegAccess::Full, ViewOfLocation(*root));
  if (!key) return false;
  if (!ports.registry.readValue(*key, valueName)) return false;
  if (backup) {
    auto backedUp =
        ExportToBackup(ports, backupFile, ToPredefinedRoot(*root), false, valueName, keyPath);
    if (!backedUp || !*backedUp) return backedUp;
  }
  return ports.registry.deleteValue(*key, valueName).ok();
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
    auto fixed = FixRow(env, ports, result.backupFile, row);
    if (!fixed) {
      result.outcome = FixOutcome::Stopped;
      result.error = fixed.error();
      return result;
    }
    if (*fixed) ++result.deleted;
    results.Remove(i);
    ++result.rowsRemoved;
  }
  view.SetStatusText(kFixFinishedText);
  if (env.filterProblems) env.filterProblems();
  result.outcome = FixOutcome::Finished;
  return result;
}

}  // namespace nc::registry
