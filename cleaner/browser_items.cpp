#include "cleaner/browser_items.h"

#include "core/text.h"

namespace nc::cleaner {

bool RunBrowserItem(CleanRun& run, std::string_view runName) {
  return RunMozillaItem(run, runName) || RunChromeOrOperaItem(run, runName);
}

std::string LocalAppDataFolder(platform::Platform& ports) {
  const std::string folder = platform::ReadStringValue(
      ports.registry, platform::RootKey::CurrentUser,
      "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "Local AppData");
  // Without the value the folders below it would become folders of the
  // current drive's root.
  if (WithoutTrailingBackslash(folder).empty()) return {};
  return WithTrailingBackslash(folder);
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
  try {
    SqliteDatabase database(native, readOnly);
    work(database);
  } catch (const SqliteException& failure) {
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
