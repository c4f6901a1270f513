// Key trees are counted with their own stack of pending keys instead of
// recursion, to the registry's depth limit.
#include "cleaner/remove_registry.h"

#include <algorithm>
#include <cstddef>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "core/text.h"

namespace nc::cleaner {

namespace {

// Key paths are given with or without a leading backslash.
std::string_view TrimKeyPath(std::string_view path) {
  while (!path.empty() && path.front() == '\\') path.remove_prefix(1);
  while (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  return path;
}

// Deletes `keyPath` with everything below it. The key was counted
// already; a failure only goes into the item's record.
Status DeleteKeyTree(platform::Registry& registry, platform::RootKey root, std::string_view keyPath,
                     platform::RegView view) {
  const std::string_view path = TrimKeyPath(keyPath);
  if (path.empty()) return Status::Ok();
  const auto slash = path.rfind('\\');
  const std::string_view parentPath =
      slash == std::string_view::npos ? std::string_view() : path.substr(0, slash);
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  auto parent = registry.open(root, parentPath, platform::RegAccess::Full, view);
  if (!parent) return parent.error();
  return registry.deleteTree(*parent, name);
}

// The key counting and deletion shared by DeleteKeyByRootName and
// DeleteUserKey; `rootText` is the root as the log names it.
std::int32_t DeleteKeyCounted(CleanRun& run, platform::RootKey root, std::string_view rootText,
                              std::string_view keyPath, platform::RegView view) {
  // An empty path would name the root itself: never deleted.
  if (TrimKeyPath(keyPath).empty()) return 0;
  platform::Registry& registry = run.platform().registry;
  const std::int64_t counted = CountKeyValues(run, root, keyPath, view);
  std::int32_t count = static_cast<std::int32_t>(
      std::min<std::int64_t>(counted, std::numeric_limits<std::int32_t>::max()));
  {
    auto key = registry.open(root, TrimKeyPath(keyPath), platform::RegAccess::Read, view);
    if (!key) return count;
  }
  if (!run.FastMode()) {
    run.AddDetailLine("deleting registry key " + std::string(rootText) + "\\" +
                      std::string(keyPath));
    run.ScrollLog(0);
  }
  if (count == 0) count = 1;
  if (!run.TestMode()) {
    const Status deleted = DeleteKeyTree(registry, root, keyPath, view);
    if (deleted) {
      run.NoteRegistryRemoved(count);
    } else {
      run.NoteFailure(std::string(rootText) + "\\" + std::string(keyPath), deleted.error());
    }
  }
  return count;
}

using KeyDeleter = std::int32_t (*)(CleanRun&, platform::RootKey, std::string_view,
                                    std::string_view, platform::RegView);

// A name as a log line shows it: a NUL as "\0" (the line would end there).
std::string LogName(std::string_view name) {
  std::string text;
  for (char c : name) {
    if (c == '\0') {
      text += "\\0";
    } else {
      text += c;
    }
  }
  return text;
}

// Values in the tree below `base` that `below` names by exact names ("" for
// `base` itself, which must be opened as itself), a registry link counting
// as one entry and never entered, so a link back to an ancestor cannot
// make the walk go round. Keys that cannot be opened count nothing.
std::int64_t CountTreeValues(platform::Registry& registry, const platform::RegKey& base,
                             std::u16string below) {
  // Keys to visit, each with its depth; the registry allows 512 levels.
  constexpr std::size_t kMaxKeyDepth = 512;
  std::vector<std::pair<std::u16string, std::size_t>> pending;
  pending.emplace_back(std::move(below), 0);
  std::int64_t count = 0;
  while (!pending.empty()) {
    auto [path, depth] = std::move(pending.back());
    pending.pop_back();
    Result<platform::RegKey> opened = platform::RegKey();
    if (!path.empty())
      opened = registry.openSubExact(base, path, platform::RegAccess::ReadNoFollow);
    if (!opened) continue;
    const platform::RegKey& key = path.empty() ? base : *opened;
    if (registry.isLink(key).value_or(false)) {
      ++count;
      continue;
    }
    auto info = registry.info(key);
    if (!info) continue;
    count += info->valueCount;
    if (info->subKeyCount == 0 || depth >= kMaxKeyDepth) continue;
    auto names = registry.exactSubKeyNames(key);
    if (!names) continue;
    for (const auto& name : *names) {
      pending.emplace_back(path.empty() ? name : path + u'\\' + name, depth + 1);
    }
  }
  return count;
}

// Deletes the sub-key of `key` whose name text cannot carry (a lone
// surrogate half, a NUL), by that exact name, counted as DeleteKeyCounted
// counts; a name the system's deletion cannot take is a failure.
std::int32_t DeleteExactSubKey(CleanRun& run, const platform::RegKey& key,
                               const std::string& keyText, const std::u16string& name) {
  platform::Registry& registry = run.platform().registry;
  const std::string shown = keyText + LogName(Utf16ToUtf8(name));
  std::int32_t count = static_cast<std::int32_t>(std::min<std::int64_t>(
      CountTreeValues(registry, key, name), std::numeric_limits<std::int32_t>::max()));
  if (!run.FastMode()) {
    run.AddDetailLine("deleting registry key " + shown);
    run.ScrollLog(0);
  }
  if (count == 0) count = 1;
  if (!run.TestMode()) {
    const Status deleted = registry.deleteTreeExact(key, name);
    if (deleted) {
      run.NoteRegistryRemoved(count);
    } else {
      run.NoteFailure(shown, deleted.error());
    }
  }
  return count;
}

std::int32_t DeleteValuesCounted(CleanRun& run, platform::RootKey root, std::string_view rootText,
                                 std::string_view keyPath, std::string_view valueName,
                                 KeyDeleter deleteSubKey, platform::RegView view) {
  const std::string_view path = TrimKeyPath(keyPath);
  if (path.empty()) return 0;
  platform::Registry& registry = run.platform().registry;
  const bool test = run.TestMode();
  // A key that cannot be opened for writing is still counted, so that a
  // test and a clean report the same.
  auto key =
      registry.open(root, path, test ? platform::RegAccess::Read : platform::RegAccess::Full, view);
  if (!key && !test) key = registry.open(root, path, platform::RegAccess::Read, view);
  if (!key) return 0;
  const std::string keyText = std::string(rootText) + "\\" + std::string(keyPath) + "\\";
  const std::string lineStart = "deleting registry value " + keyText;
  // Clean mode: the value goes, and the item's record learns how that went.
  // A listed value goes by its exact name: its text may stand for another
  // value, or (cut at a NUL) for a shorter name's.
  const auto deleteValue = [&](std::string_view name, std::u16string_view exactName) {
    const Status deleted = registry.deleteValueExact(*key, exactName);
    if (deleted) {
      run.NoteRegistryRemoved(1);
    } else {
      run.NoteFailure(keyText + LogName(name), deleted.error());
    }
  };
  const auto logValue = [&](std::string_view name) {
    if (run.FastMode()) return;
    run.AddDetailLine(lineStart + LogName(name));
    run.ScrollLog(0);
  };

  if (!valueName.empty()) {
    auto value = registry.readValue(*key, valueName);
    if (!value) return 0;
    logValue(valueName);
    if (!test) deleteValue(valueName, value->exactName);
    return 1;
  }

  std::int32_t count = 0;
  if (auto values = registry.values(*key)) {
    for (const auto& value : *values) {
      logValue(value.name);
      if (!test) deleteValue(value.name, value.exactName);
      ++count;
    }
  }
  if (auto subKeys = registry.exactSubKeyNames(*key)) {
    const std::string base = std::string(keyPath) + "\\";
    for (const auto& subKey : *subKeys) {
      if (platform::IsWholeText(subKey)) {
        count += deleteSubKey(run, root, rootText, base + Utf16ToUtf8(subKey), view);
      } else {
        count += DeleteExactSubKey(run, *key, keyText, subKey);
      }
    }
  }
  return count;
}

std::int32_t DeleteKeyByRootNameText(CleanRun& run, platform::RootKey root,
                                     std::string_view rootText, std::string_view keyPath,
                                     platform::RegView view) {
  return DeleteKeyCounted(run, root, UpperAscii(rootText), keyPath, view);
}

std::int32_t DeleteUserKeyText(CleanRun& run, platform::RootKey root, std::string_view,
                               std::string_view keyPath, platform::RegView view) {
  return DeleteUserKey(run, root, keyPath, view);
}

}  // namespace

std::int64_t CountKeyValues(CleanRun& run, platform::RootKey root, std::string_view keyPath,
                            platform::RegView view) {
  platform::Registry& registry = run.platform().registry;
  // Sub-keys are reached by their exact names from the key itself.
  auto key = registry.open(root, TrimKeyPath(keyPath), platform::RegAccess::ReadNoFollow, view);
  if (!key) return 0;
  return CountTreeValues(registry, *key, {});
}

std::int32_t DeleteKeyByRootName(CleanRun& run, std::string_view rootName,
                                 std::string_view keyPath) {
  const auto root = platform::RootKeyFromName(rootName);
  if (!root) return 0;
  return DeleteKeyByRootNameText(run, *root, rootName, keyPath, platform::RegView::Default);
}

std::int32_t DeleteValuesByRootName(CleanRun& run, std::string_view rootName,
                                    std::string_view keyPath, std::string_view valueName) {
  const auto root = platform::RootKeyFromName(rootName);
  if (!root) return 0;
  return DeleteValuesCounted(run, *root, rootName, keyPath, valueName, DeleteKeyByRootNameText,
                             platform::RegView::Default);
}

std::int32_t DeleteUserKey(CleanRun& run, platform::RootKey root, std::string_view keyPath,
                           platform::RegView view) {
  return DeleteKeyCounted(run, root, platform::RootKeyName(root), keyPath, view);
}

std::int32_t DeleteUserValues(CleanRun& run, platform::RootKey root, std::string_view keyPath,
                              std::string_view valueName, platform::RegView view) {
  return DeleteValuesCounted(run, root, platform::RootKeyName(root), keyPath, valueName,
                             DeleteUserKeyText, view);
}

}  // namespace nc::cleaner
