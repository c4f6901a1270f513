// The commands of the problem list's pop-up menu: which are enabled, the
// ticking commands, "Save as &Text..." (the report) and "&RegEdit..."
// (OpenInRegistryEditor, which opens the row's location in the system's
// registry editor by typing it into the editor's tree).
//
// Entry points for the main window (which builds the menu from
// kResultsMenu and owns the list's selection):
//   - CommandEnabled(command, selection, model) when the menu opens;
//   - RunTickCommand(model, command, selection), then RefreshCounts;
//   - "Add to &Ignore Lists": AddToIgnoreLists (registry/exclusions.h);
//   - SaveResultsAsText(ports, prompts, model, askFile), with askFile from
//     ui::SaveFileAsker(owner) (ui/win32/registry_dialogs.h);
//   - OpenInRegistryEditor(registry, programs, prompts, row) for
//     "&RegEdit..." and Ctrl+R, with programs a win32::WinPrograms.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "platform/programs.h"
#include "platform/prompts.h"
#include "registry/problem.h"
#include "registry/results_model.h"

namespace nc::registry {

enum class ResultsCommand {
  SelectItem,
  DeselectItem,
  SelectAllOfType,
  DeselectAllOfType,
  SelectAll,
  DeselectAll,
  AddToIgnoreLists,
  SaveAsText,
  RegEdit,
};

struct ResultsMenuItem {
  ResultsCommand command;
  std::string_view caption;
  std::string_view shortcut;  // shown after a tab; "" for none
  bool separatorBefore;
};

// The pop-up menu of the problem list, in order.
inline constexpr std::array<ResultsMenuItem, 9> kResultsMenu = {{
    {ResultsCommand::SelectItem, "&Select Item", "", false},
    {ResultsCommand::DeselectItem, "&Deselect Item", "", false},
    {ResultsCommand::SelectAllOfType, "Select All of T&ype", "", true},
    {ResultsCommand::DeselectAllOfType, "Deselect A&ll of Type", "", false},
    {ResultsCommand::SelectAll, "Select &All", "", true},
    {ResultsCommand::DeselectAll, "D&eselect All", "", false},
    {ResultsCommand::AddToIgnoreLists, "Add to &Ignore Lists", "", true},
    {ResultsCommand::SaveAsText, "Save as &Text...", "", true},
    {ResultsCommand::RegEdit, "&RegEdit...", "Ctrl+R", true},
}};

// The highlighted rows of the list, in list order; the first one is "the
// selected row" of the single-row commands.
using ResultsSelection = std::span<const std::size_t>;

// Row commands need a highlighted row, "Save as &Text..." needs entries,
// "Select &All" and "D&eselect All" are always enabled.
bool CommandEnabled(ResultsCommand command, ResultsSelection selection, const ResultsModel& model);

// The ticking commands (the others do nothing here); false when the
// command did nothing because no row is selected.
bool RunTickCommand(ResultsModel& model, ResultsCommand command, ResultsSelection selection);

// ---- "Save as &Text..." -----------------------------------------------------

inline constexpr std::string_view kReportSeparator = "  ^^^  ";
inline constexpr std::string_view kSaveReportTitle = "Save as Text";
inline constexpr std::string_view kSaveReportFilter = "Text files (*.txt)|*.txt";
inline constexpr std::string_view kFileExistsQuestion = " has existed,overite it?";

// A save-file question: title, filter in "Description|*.ext" pairs; the
// chosen path or none when cancelled.
struct SaveFileRequest {
  std::string_view title;
  std::string_view filter;
};
using SaveFileAsker = std::function<std::optional<std::string>(const SaveFileRequest&)>;

// One line per row: Problem, separator, Data, separator, Registry key;
// every line ends with CR LF.
std::string ReportText(const ResultsModel& model);

// The extension of a file name as the system sees it: from the last dot
// of the name part, "" when there is none.
std::string_view FileExtension(std::string_view path);

// The chosen name with ".txt" appended unless its extension is exactly
// ".txt" ("report.TXT" gives "report.TXT.txt").
std::string ReportFileName(std::string_view chosen);

enum class SaveOutcome { Cancelled, Declined, Saved, Failed };

// The whole command: ask for the file, append the extension, ask before
// replacing a file, write the report in the ANSI code page. A write that
// fails leaves any old file intact and is reported with an error box.
SaveOutcome SaveResultsAsText(platform::Platform ports, platform::Prompts& prompts,
                              const ResultsModel& model, const SaveFileAsker& askFile);

// ---- "&RegEdit..." ----------------------------------------------------------

inline constexpr std::string_view kCheckLocationMessage =
    "Please check whether the registry key or value exist.";

// What OpenInRegistryEditor decided for a row.
struct RegEditTarget {
  enum class Action { Nothing, NotFound, Navigate };
  Action action = Action::Nothing;
  std::string rootName;   // "HKEY_CURRENT_USER"
  std::string keyPath;    // below the root
  std::string valueName;  // "" to open the key alone
};

// The location text of a row: the key part of a value path, the sub-key
// of a sub-key row, nothing for a shortcut, else the Registry key column.
std::string RegEditLocationText(const ProblemEntry& entry);
// "HKLM", "HKCU", "HKU", "HKCR", "HKCC" (any case) as full root names;
// anything else unchanged.
std::string FullRootName(std::string_view root);
// Decides where the editor goes: an existing key, else an existing value
// (the last part of the location) in an existing key.
RegEditTarget ResolveRegEditTarget(platform::Registry& registry, const ProblemEntry& entry);

using platform::KeyStroke;

inline constexpr std::uint32_t kVkLeft = 0x25;
inline constexpr std::uint32_t kVkRight = 0x27;
inline constexpr std::uint32_t kVkDown = 0x28;
inline constexpr std::string_view kRegEditWindowClass = "RegEdit_RegEdit";
inline constexpr std::string_view kRegEditTreeClass = "SysTreeView32";
inline constexpr std::string_view kRegEditListClass = "SysListView32";
inline constexpr std::string_view kRegEditProgram = "regedit.exe";

// The keys for the editor's tree: collapse to the top (30 Left arrows),
// open the top node, then type the path, a backslash being a Right arrow.
std::vector<KeyStroke> RegEditTreeKeys(std::string_view path);
// The keys for the editor's value list: a Down arrow and the value name;
// nothing without a value name.
std::vector<KeyStroke> RegEditListKeys(std::string_view valueName);

// NavigateRegistryEditor: finds the editor's window (starting the editor
// when there is none), shows it maximised and types the location into its
// tree and the value name into its list. False when the editor or its
// windows could not be reached; nothing is shown to the user then.
bool NavigateRegistryEditor(platform::Programs& programs, std::string_view rootName,
                            std::string_view keyPath, std::string_view valueName);

// "&RegEdit..." on a row: resolves the target, tells the user when there
// is nothing to open, otherwise navigates.
RegEditTarget OpenInRegistryEditor(platform::Registry& registry, platform::Programs& programs,
                                   platform::Prompts& prompts, const ProblemEntry& entry);

}  // namespace nc::registry
