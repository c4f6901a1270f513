#include "cleaner/browser_items.h"

#include <utility>

#include "cleaner/chromium_browsers.h"
#include "core/text.h"

namespace nc::cleaner {

bool RunBrowserItem(CleanRun& run, std::string_view runName) {
  return RunMozillaItem(run, runName) || RunChromeOrOperaItem(run, runName);
}

std::string LocalAppDataFolder(platform::Platform& ports) {
  return LocalAppDataFolder(ports.registry);
}

std::string ExistingFolder(platform::Platform& ports, const std::string& path) {
  if (path.empty()) return {};
  const auto attributes = ports.files.attributes(WithoutTrailingBackslash(path));
  if (!attributes || (*attributes & platform::FileAttr::Directory) == 0 ||
      (*attributes & platform::FileAttr::ReparsePoint) != 0) {
    return {};
  }
  return path;
}

std::vector<std::string> RealSubFolders(CleanRun& run, const std::string& folder) {
  std::vector<std::string> found;
  auto entries = run.platform().files.list(folder);
  if (!entries) return found;
  for (const auto& entry : *entries) {
    if (run.Terminated()) break;
    if (!entry.isFolder() || entry.isLink()) continue;
    found.push_back(platform::JoinPath(folder, entry.name));
  }
  return found;
}

std::uint64_t UnattendedStatementLimitMs(platform::Platform& ports) {
  const std::string variable = "%" + std::string(kStatementLimitVariable) + "%";
  const auto shorter = ParseInt32(ports.files.expandEnvironment(variable));
  if (shorter && *shorter > 0 &&
      static_cast<std::uint64_t>(*shorter) < kUnattendedStatementLimitMs) {
    return static_cast<std::uint64_t>(*shorter);
  }
  return kUnattendedStatementLimitMs;
}

void WithDatabase(CleanRun& run, const std::string& path,
                  const std::function<void(SqliteDatabase&)>& work) {
  platform::FileSystem& files = run.platform().files;
  const auto attributes = files.attributes(path);
  if (!attributes) return;
  if ((*attributes & (platform::FileAttr::Directory | platform::FileAttr::ReparsePoint)) != 0) {
    return;
  }
  const std::string native = files.nativePath(path);
  if (native.empty()) return;
  const bool readOnly = (*attributes & platform::FileAttr::ReadOnly) != 0;
  SqliteWatch watch;
  watch.stopRequested = [&run] { return run.Terminated(); };
  if (run.env().runMode.load() == RunMode::Auto) {
    watch.clock = &run.platform().clock;
    watch.statementLimitMs = UnattendedStatementLimitMs(run.platform());
  }
  try {
    SqliteDatabase database(native, readOnly, std::move(watch));
    if (!readOnly) database.OverwriteDeletedContent();
    database.BeginTransaction();
    work(database);
    // A stopped run keeps nothing of a half-done item.
    if (run.Terminated()) return;
    database.Commit();
    if (!readOnly) database.CheckpointWriteAheadLog();
  } catch (const SqliteException& failure) {
    // Cancel or the program's close stopped the statement: the window
    // has reset itself and wants no error lines.
    if (run.Terminated()) return;
    // The message's lines are separated by carriage returns.
    std::string_view rest = failure.what();
    for (;;) {
      const auto end = rest.find('\r');
      run.AddLine(rest.substr(0, end));
      if (end == std::string_view::npos) break;
      rest.remove_prefix(end + 1);
    }
    run.ScrollLog(0);
    throw;
  }
}

}  // namespace nc::cleaner
