#include "registry/results_commands.h"

#include <algorithm>

#include "core/text.h"
#include "platform/filesystem.h"
#include "registry/locations.h"

namespace nc::registry {

namespace {

std::optional<std::size_t> SelectedRow(ResultsSelection selection, const ResultsModel& model) {
  for (const std::size_t row : selection) {
    if (row < model.Count()) return row;
  }
  return std::nullopt;
}

constexpr KeyStroke KeyDown(std::uint32_t key) {
  return {KeyStroke::Kind::KeyDown, key};
}
constexpr KeyStroke Pause(std::uint32_t ms) {
  return {KeyStroke::Kind::Pause, ms};
}
constexpr KeyStroke Char(std::uint32_t ch) {
  return {KeyStroke::Kind::Char, ch};
}

constexpr std::uint32_t kKeyPauseMs = 10;
constexpr int kCollapseKeys = 30;
constexpr std::uint32_t kEditorIdleWaitMs = 200;

}  // namespace

bool CommandEnabled(ResultsCommand command, ResultsSelection selection, const ResultsModel& model) {
  switch (command) {
    case ResultsCommand::SelectAll:
    case ResultsCommand::DeselectAll:
      return true;
    case ResultsCommand::SaveAsText:
      return !model.Empty();
    case ResultsCommand::SelectItem:
    case ResultsCommand::DeselectItem:
    case ResultsCommand::SelectAllOfType:
    case ResultsCommand::DeselectAllOfType:
    case ResultsCommand::AddToIgnoreLists:
    case ResultsCommand::RegEdit:
      return SelectedRow(selection, model).has_value();
  }
  return false;
}

bool RunTickCommand(ResultsModel& model, ResultsCommand command, ResultsSelection selection) {
  const std::optional<std::size_t> row = SelectedRow(selection, model);
  switch (command) {
    case ResultsCommand::SelectAll:
    case ResultsCommand::DeselectAll:
      model.SetAllTicked(command == ResultsCommand::SelectAll);
      return true;
    case ResultsCommand::SelectItem:
    case ResultsCommand::DeselectItem:
      if (!row) return false;
      model.SetTicked(*row, command == ResultsCommand::SelectItem);
      return true;
    case ResultsCommand::SelectAllOfType:
    case ResultsCommand::DeselectAllOfType:
      if (!row) return false;
      model.SetTickedOfType(*row, command == ResultsCommand::SelectAllOfType);
      return true;
    case ResultsCommand::AddToIgnoreLists:
    case ResultsCommand::SaveAsText:
    case ResultsCommand::RegEdit:
      return false;
  }
  return false;
}

// ---- "Save as &Text..." -----------------------------------------------------

std::string ReportText(const ResultsModel& model) {
  std::string text;
  for (const ProblemEntry& entry : model.Rows()) {
    text += entry.Problem;
    text += kReportSeparator;
    text += entry.Data;
    text += kReportSeparator;
    text += entry.RegistryKey;
    text += "\r\n";
  }
  return text;
}

std::string_view FileExtension(std::string_view path) {
  const auto dot = path.find_last_of(".\\/:");
  if (dot == std::string_view::npos || path[dot] != '.') return {};
  return path.substr(dot);
}

std::string ReportFileName(std::string_view chosen) {
  std::string name(chosen);
  if (FileExtension(name) != ".txt") name += ".txt";
  return name;
}

SaveOutcome SaveResultsAsText(platform::Platform ports, platform::Prompts& prompts,
                              const ResultsModel& model, const SaveFileAsker& askFile) {
  const std::optional<std::string> chosen = askFile({kSaveReportTitle, kSaveReportFilter});
  if (!chosen || chosen->empty()) return SaveOutcome::Cancelled;
  const std::string path = ReportFileName(*chosen);
  if (ports.files.fileExists(path) && !prompts.confirm(path + std::string(kFileExistsQuestion))) {
    return SaveOutcome::Declined;
  }
  const Status written =
      platform::WriteWholeFile(ports.files, path, ports.system.toAnsiCodePage(ReportText(model)));
  if (!written) {
    prompts.error("Cannot create file \"" + path + "\".");
    return SaveOutcome::Failed;
  }
  return SaveOutcome::Saved;
}

// ---- "&RegEdit..." ----------------------------------------------------------

std::string RegEditLocationText(const ProblemEntry& entry) {
  switch (entry.Kind) {
    case ProblemKind::ValuePath:
      return std::string(KeyPartOf(entry.RegistryKey));
    case ProblemKind::SubKey:
      return JoinLocation(entry.RegistryKey, entry.Data);
    case ProblemKind::ShortcutFile:
      return {};
    default:
      return entry.RegistryKey;
  }
}

std::string FullRootName(std::string_view root) {
  static constexpr std::pair<std::string_view, std::string_view> kShortNames[] = {
      {"HKLM", "HKEY_LOCAL_MACHINE"}, {"HKCU", "HKEY_CURRENT_USER"},   {"HKU", "HKEY_USERS"},
      {"HKCR", "HKEY_CLASSES_ROOT"},  {"HKCC", "HKEY_CURRENT_CONFIG"},
  };
  for (const auto& [shortName, fullName] : kShortNames) {
    if (EqualsNoCase(root, shortName)) return std::string(fullName);
  }
  return std::string(root);
}

RegEditTarget ResolveRegEditTarget(platform::Registry& registry, const ProblemEntry& entry) {
  using Action = RegEditTarget::Action;
  const std::string location = RegEditLocationText(entry);
  if (UpperAscii(location).find("HK") == std::string::npos) return {Action::NotFound, {}, {}, {}};
  const auto slash = location.find('\\');
  if (slash == std::string::npos) return {};

  const std::string rootName = FullRootName(std::string_view(location).substr(0, slash));
  const std::string path = location.substr(slash + 1);
  const std::optional<platform::RootKey> root = platform::RootKeyFromName(rootName);
  if (!root) return {Action::NotFound, {}, {}, {}};

  // A key the account may not read still exists.
  const auto exists = [](const Result<platform::RegKey>& opened) {
    return opened.ok() || opened.error().code == Errc::AccessDenied;
  };
  if (exists(registry.open(*root, path, platform::RegAccess::Read, platform::RegView::Bits64))) {
    return {Action::Navigate, rootName, path, {}};
  }
  const std::string keyPath(KeyPartOf(path));
  const std::string valueName(LastPartOf(path));
  const Result<platform::RegKey> key =
      registry.open(*root, keyPath, platform::RegAccess::Read, platform::RegView::Bits64);
  if (exists(key) && (!key.ok() || registry.readValue(key.value(), valueName).ok())) {
    return {Action::Navigate, rootName, keyPath, valueName};
  }
  return {Action::NotFound, {}, {}, {}};
}

std::vector<KeyStroke> RegEditTreeKeys(std::string_view path) {
  std::vector<KeyStroke> keys(kCollapseKeys, KeyDown(kVkLeft));
  keys.push_back(Pause(kKeyPauseMs));
  keys.push_back(KeyDown(kVkRight));
  keys.push_back(Pause(kKeyPauseMs));
  for (const std::uint32_t ch : Utf8ToUtf32(path)) {
    if (ch == '\\') {
      keys.push_back(KeyDown(kVkRight));
      keys.push_back(Pause(kKeyPauseMs));
    } else {
      keys.push_back(Char(ch));
    }
  }
  return keys;
}

std::vector<KeyStroke> RegEditListKeys(std::string_view valueName) {
  std::vector<KeyStroke> keys;
  if (valueName.empty()) return keys;
  keys.push_back(KeyDown(kVkDown));
  keys.push_back(Pause(kKeyPauseMs));
  for (const std::uint32_t ch : Utf8ToUtf32(valueName)) keys.push_back(Char(ch));
  return keys;
}

bool NavigateRegistryEditor(platform::Programs& programs, std::string_view rootName,
                            std::string_view keyPath, std::string_view valueName) {
  if (keyPath.empty()) return false;
  if (keyPath.front() == '\\') keyPath.remove_prefix(1);
  const std::string path = std::string(rootName) + "\\" + std::string(keyPath);

  platform::WindowId editor = programs.findWindow(kRegEditWindowClass);
  if (editor == 0) {
    // The editor goes on running on its own; only its window matters. The
    // native one, which names the keys as the rows do.
    (void)programs.startNative(kRegEditProgram, platform::StartShow::Normal, kEditorIdleWaitMs);
    editor = programs.findWindow(kRegEditWindowClass);
    if (editor == 0) return false;
  }
  programs.showMaximized(editor);
  const platform::WindowId tree = programs.findChildWindow(editor, kRegEditTreeClass);
  if (tree == 0) return false;
  const std::vector<KeyStroke> treeKeys = RegEditTreeKeys(path);
  programs.sendKeys(tree, treeKeys);
  const platform::WindowId list = programs.findChildWindow(editor, kRegEditListClass);
  if (list == 0) return false;
  const std::vector<KeyStroke> listKeys = RegEditListKeys(valueName);
  programs.sendKeys(list, listKeys);
  return true;
}

RegEditTarget OpenInRegistryEditor(platform::Registry& registry, platform::Programs& programs,
                                   platform::Prompts& prompts, const ProblemEntry& entry) {
  RegEditTarget target = ResolveRegEditTarget(registry, entry);
  switch (target.action) {
    case RegEditTarget::Action::NotFound:
      prompts.inform(kCheckLocationMessage);
      break;
    case RegEditTarget::Action::Navigate:
      NavigateRegistryEditor(programs, target.rootName, target.keyPath, target.valueName);
      break;
    case RegEditTarget::Action::Nothing:
      break;
  }
  return target;
}

}  // namespace nc::registry
