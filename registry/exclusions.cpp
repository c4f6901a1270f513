#include "registry/exclusions.h"

#include <algorithm>
#include <functional>

#include "core/text.h"
#include "registry/locations.h"

namespace nc::registry {

namespace {

bool ContainsNoCase(std::string_view text, std::string_view part) {
  return UpperAscii(text).find(UpperAscii(part)) != std::string::npos;
}

// A path with a question mark that is a drive path ("X:\") or holds a
// folder variable: the scan read a name the code page could not show.
bool HasUnreadablePath(std::string_view text, std::string_view afterFirstPercent) {
  if (text.find('?') == std::string_view::npos) return false;
  if (text.find(":\\") != std::string_view::npos) return true;
  const auto percent = text.find('%');
  if (percent == std::string_view::npos) return false;
  return text.substr(percent + 1).find(afterFirstPercent) != std::string_view::npos;
}

// A list line that names something: not empty, not only blanks and
// backslashes (such a line would match every row).
bool UsableLine(std::string_view line) {
  return line.find_first_not_of(" \t\\") != std::string_view::npos;
}

bool ListHolds(const std::vector<std::string>& list, std::string_view line) {
  return std::any_of(list.begin(), list.end(),
                     [&](const std::string& item) { return EqualsNoCase(item, line); });
}

}  // namespace

std::optional<EntryLocation> LocationOfEntry(const ProblemEntry& entry) {
  const std::string& key = entry.RegistryKey;
  const auto slash = key.find('\\');
  if (slash == std::string::npos) return std::nullopt;
  switch (entry.Kind) {
    case ProblemKind::Key:
      return EntryLocation{key, std::nullopt};
    case ProblemKind::ValuePath: {
      const std::string_view root = std::string_view(key).substr(0, slash);
      const std::string_view rest = std::string_view(key).substr(slash + 1);
      const std::string_view keyPart = KeyPartOf(rest);
      // A value right below the root keeps the root alone as its key.
      std::string keyPath =
          keyPart.empty() ? std::string(root) : std::string(root) + "\\" + std::string(keyPart);
      return EntryLocation{std::move(keyPath), std::string(LastPartOf(rest))};
    }
    case ProblemKind::ValueInKey:
      return EntryLocation{key, entry.Data};
    case ProblemKind::SubKey:
      return EntryLocation{JoinLocation(key, entry.Data), std::nullopt};
    case ProblemKind::ShortcutFile:
      return std::nullopt;
    case ProblemKind::DefaultValue:
      return EntryLocation{key, std::string("@")};
    case ProblemKind::UserAssistValue:
      return EntryLocation{key, Rot13(entry.Data)};
  }
  return std::nullopt;
}

bool MatchesBuiltInRule(const ProblemEntry& entry) {
  const std::string& key = entry.RegistryKey;
  const std::string& data = entry.Data;
  if (ContainsNoCase(key, "CLSID\\{DFEAF541-F3E1-4c24-ACAC-99C30715084A}")) return true;
  if (ContainsNoCase(key, "CLSID\\{DC6EFB56-9CFA-464D-8880-44885D7DC193}")) return true;
  if (ContainsNoCase(key, "%USERNAME%_") || ContainsNoCase(data, "%USERNAME%_")) return true;
  if (HasUnreadablePath(key, "%\\")) return true;
  if (HasUnreadablePath(data, "%")) return true;
  return false;
}

bool IgnoredByValueLine(const EntryLocation& location, std::string_view line) {
  if (!UsableLine(line)) return false;
  if (location.valueName) {
    return EqualsNoCase(JoinLocation(location.keyPath, *location.valueName), line);
  }
  // A key whose deletion would take an ignored value with it.
  return ContainsNoCase(line, location.keyPath);
}

bool ExcludedByKeyLine(const EntryLocation& location, std::string_view registryKey,
                       std::string_view line) {
  if (!UsableLine(line)) return false;
  const std::string listed = UpperAscii(WithTrailingBackslash(line));
  const std::string keyPath = UpperAscii(WithTrailingBackslash(location.keyPath));
  if (keyPath.find(listed) != std::string::npos) return true;
  if (location.valueName) {
    const std::string key = UpperAscii(registryKey);
    return listed == key || listed == key + "\\";
  }
  // A key that holds an excluded key is not deleted either.
  return listed.find(keyPath) != std::string::npos;
}

std::vector<std::string> ExclusionKeyList(const IgnoreLists& options) {
  std::vector<std::string> list(kBuiltInExcludedKeys.begin(), kBuiltInExcludedKeys.end());
  list.insert(list.end(), options.IgnoreKeys.begin(), options.IgnoreKeys.end());
  return list;
}

std::size_t ApplyFilters(ResultsModel& model, const IgnoreLists& options) {
  std::size_t removed = 0;
  for (std::size_t i = model.Count(); i-- > 0;) {
    if (MatchesBuiltInRule(model.Rows()[i]) && model.Remove(i)) ++removed;
  }

  const std::vector<std::string> keyLines = ExclusionKeyList(options);
  // A line names a key of HKEY_LOCAL_MACHINE\Software in both views unless
  // it names "Wow6432Node" itself: an entry found in the 32-bit view is
  // also tried under its name in the 64-bit view, against the other lines.
  auto ignoredAt = [&](const EntryLocation& location, std::string_view registryKey, bool anyView) {
    auto usable = [&](const std::string& line) {
      return !anyView || !ContainsNoCase(line, "Wow6432Node");
    };
    return std::any_of(options.IgnoreValues.begin(), options.IgnoreValues.end(),
                       [&](const std::string& line) {
                         return usable(line) && IgnoredByValueLine(location, line);
                       }) ||
           std::any_of(keyLines.begin(), keyLines.end(), [&](const std::string& line) {
             return usable(line) && ExcludedByKeyLine(location, registryKey, line);
           });
  };
  for (std::size_t i = model.Count(); i-- > 0;) {
    const ProblemEntry& entry = model.Rows()[i];
    const std::optional<EntryLocation> location = LocationOfEntry(entry);
    if (!location) continue;
    bool ignored = ignoredAt(*location, entry.RegistryKey, false);
    if (!ignored) {
      if (const auto key64 = WithoutWow6432Node(location->keyPath)) {
        const std::string registryKey64 =
            WithoutWow6432Node(entry.RegistryKey).value_or(entry.RegistryKey);
        ignored = ignoredAt(EntryLocation{*key64, location->valueName}, registryKey64, true);
      }
    }
    if (ignored && model.Remove(i)) ++removed;
  }
  return removed;
}

std::optional<IgnoreLine> IgnoreLineFor(const ProblemEntry& entry) {
  const std::string& key = entry.RegistryKey;
  if (key.find('\\') == std::string::npos) return std::nullopt;
  using List = IgnoreLine::List;
  switch (entry.Kind) {
    case ProblemKind::Key:
    case ProblemKind::DefaultValue:
      return IgnoreLine{List::Keys, key};
    case ProblemKind::ValuePath:
      return IgnoreLine{List::Values, key};
    case ProblemKind::ValueInKey:
      return IgnoreLine{List::Values, JoinLocation(key, entry.Data)};
    case ProblemKind::SubKey:
      return IgnoreLine{List::Keys, JoinLocation(key, entry.Data)};
    case ProblemKind::UserAssistValue:
      return IgnoreLine{List::Values, JoinLocation(key, Rot13(entry.Data))};
    case ProblemKind::ShortcutFile:
      return std::nullopt;
  }
  return std::nullopt;
}

IgnoreListChanges AddToIgnoreLists(ResultsModel& model, IgnoreLists& options,
                                   std::span<const std::size_t> selectedRows) {
  std::vector<std::size_t> rows(selectedRows.begin(), selectedRows.end());
  std::sort(rows.begin(), rows.end(), std::greater<>());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());

  IgnoreListChanges changes;
  for (const std::size_t row : rows) {
    if (row >= model.Count()) continue;
    const ProblemEntry& entry = model.Rows()[row];
    if (entry.RegistryKey.find('\\') == std::string::npos) continue;
    if (entry.Kind == ProblemKind::ShortcutFile) {
      if (model.Remove(row)) ++changes.rowsRemoved;
      continue;
    }
    const std::optional<IgnoreLine> line = IgnoreLineFor(entry);
    if (!line) continue;
    const bool keys = line->list == IgnoreLine::List::Keys;
    std::vector<std::string>& list = keys ? options.IgnoreKeys : options.IgnoreValues;
    if (ListHolds(list, line->text)) continue;
    list.push_back(line->text);
    ++(keys ? options.IgnoreKeyCount : options.IgnoreValueCount);
    ++changes.linesAdded;
    if (model.Remove(row)) ++changes.rowsRemoved;
  }
  return changes;
}

// ---- "Add to Ignore List" -------------------------------------------------

void AddIgnoreLineController::Show(AddIgnoreLineView& view) {
  view_ = &view;
  view.SetKeyText(text_);
  view.EnableOk(OkEnabled());
}

void AddIgnoreLineController::KeyEdited(std::string_view text) {
  text_ = std::string(text);
  if (view_ != nullptr) view_->EnableOk(OkEnabled());
}

void AddIgnoreLineController::LaunchRegistryEditorClicked() {
  // The system tells the user itself when the editor cannot be found.
  (void)shell_.openDocument("Regedit.exe");
}

bool AddIgnoreLineController::OkEnabled() const {
  return UpperAscii(text_).find("HKEY_") != std::string::npos;
}

}  // namespace nc::registry
