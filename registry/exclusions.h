// Which problems are never shown: the fixed rules, the built-in list of
// harmless keys and the user's two ignore lists (IgnoreKeys and
// IgnoreValues of the settings), the "Add to &Ignore Lists" command that
// grows those lists from the problem list, and the rules of the small
// "Add to Ignore List" dialog the options dialog edits one line with.
//
// Entry points for the main window:
//   - FilterProblems: ApplyFilters(model, options) when a scan finishes with
//     entries and at the end of a repair; then RefreshCounts.
//   - "Add to &Ignore Lists": AddToIgnoreLists(model, options, selected
//     rows); then RefreshCounts. The settings are saved as usual.
//   - The options dialog: AddIgnoreLineController behind the dialog
//     ShowAddIgnoreLineDialog (ui/win32/registry_dialogs.h).
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/shell.h"
#include "registry/problem.h"
#include "registry/registry_settings.h"
#include "registry/results_model.h"

namespace nc::registry {

// Keys known to be harmless, in the order they are tried.
// clang-format off
inline constexpr std::array<std::string_view, 41> kBuiltInExcludedKeys = {
    "HKEY_CLASSES_ROOT\\.DAT",
    "HKEY_CLASSES_ROOT\\.hta",
    "HKEY_CLASSES_ROOT\\.htc",
    "HKEY_CLASSES_ROOT\\.manifest",
    "HKEY_CLASSES_ROOT\\Applications\\WINWORD.EXE\\TaskbarExceptionsIcons",
    "HKEY_CLASSES_ROOT\\CLSID\\{08EE6878-C867-4D8C-A360-FED4B6501D54}",
    "HKEY_CURRENT_USER\\Software\\Lexmark",
    "HKEY_CURRENT_USER\\Software\\JavaSoft",
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\lexmark\\MarkVision\\LexBCE\\Debug Options",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\WBEM\\WDM",
    "HKEY_USERS\\S-1-5-20\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
    "HKEY_USERS\\S-1-5-19\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
    "HKEY_USERS\\S-1-5-20\\Software\\Microsoft\\MediaPlayer\\Setup\\CreatedLinks",
    "HKEY_USERS\\S-1-5-21-6497018-2779423360-1663385191-1005\\Software\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\IMAPI\\StashInfo",
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\10.0\\Outlook\\Journal",
    "HKEY_USERS\\S-1-5-21-6497018-2779423360-1663385191-1005\\Software\\Microsoft\\Office\\10.0\\Outlook\\Journal",
    "HKEY_CURRENT_USER\\Software\\ThinPrint",
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\11.0\\Outlook\\Journal",
    "HKEY_USERS\\S-1-5-21-6497018-2779423360-1663385191-1005\\Software\\Microsoft\\Office\\11.0\\Outlook\\Journal",
    "HKEY_CURRENT_USER\\Software\\Ahead\\Nero - Burning Rom\\Database",
    "HKEY_USERS\\S-1-5-21-6497018-2779423360-1663385191-1005\\Software\\Ahead\\Nero - Burning Rom\\Database",
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Citrix Program Neighborhood",
    "HKEY_CURRENT_USER\\Software\\Funk Software, Inc.",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug",
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
    "HKEY_USERS\\S-1-5-21-1229272821-854245398-1343024091-1003\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Media Center\\MRU",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Hewlett-Packard\\DigitalImaging",
    "HKEY_CLASSES_ROOT\\CLSID\\{DFEAF541-F3E1-4c24-ACAC-99C30715084A}",
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Speech\\Recognizers\\Tokens",
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Setup\\Sysprep\\Cleanup",
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\IME\\China\\imesc\\Directories",
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\TPG\\InputPersonalization\\AnalysisTokens\\4103\\IPS",
    "HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\{B977CB2D-EC6E-4A8F-BFFE-D18682BB0D52}\\InProcServer32",
    "HKEY_CLASSES_ROOT\\CLSID\\{B977CB2D-EC6E-4A8F-BFFE-D18682BB0D52}\\InProcServer32",
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\IMEJP\\10.0\\directories",
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\PowerShell\\1\\PowerShellEngine",
    "HKEY_LOCAL_MACHINE\\Software\\ARM Software\\MacroMaker",
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.wdseml",
};
// clang-format on

// Where an entry points in the registry, as the lists see it: a key path
// (with its root name) and, for entries that designate a value, the value
// name ("@" for a default value).
struct EntryLocation {
  std::string keyPath;
  std::optional<std::string> valueName;
};

// None for a shortcut entry and for an entry whose Registry key column
// has no backslash: such entries are never removed by the lists.
std::optional<EntryLocation> LocationOfEntry(const ProblemEntry& entry);

// The fixed rules (a CLSID known to be harmless, "%USERNAME%_" texts,
// paths with a question mark), compared without regard to letter case.
bool MatchesBuiltInRule(const ProblemEntry& entry);

// True when the line of IgnoreValues ignores the entry at `location`.
bool IgnoredByValueLine(const EntryLocation& location, std::string_view line);
// True when the key line (built-in or of IgnoreKeys) excludes the entry
// whose Registry key column is `registryKey`.
bool ExcludedByKeyLine(const EntryLocation& location, std::string_view registryKey,
                       std::string_view line);

// The exclusion key list of one filter run: the built-in keys followed by
// the user's IgnoreKeys.
std::vector<std::string> ExclusionKeyList(const IgnoreLists& options);

// FilterProblems: removes, last row first, every row that matches a fixed
// rule, then every row that IgnoreValues or the exclusion key list
// ignores. Lines without any character but blanks and backslashes take no
// part (they would match every row). Returns the number of rows removed.
std::size_t ApplyFilters(ResultsModel& model, const IgnoreLists& options);

// The line "Add to &Ignore Lists" adds for an entry, and to which list.
struct IgnoreLine {
  enum class List { Keys, Values };
  List list = List::Keys;
  std::string text;
};
// None for a shortcut entry and for an entry without a backslash in its
// Registry key column.
std::optional<IgnoreLine> IgnoreLineFor(const ProblemEntry& entry);

struct IgnoreListChanges {
  std::size_t linesAdded = 0;
  std::size_t rowsRemoved = 0;
};

// "Add to &Ignore Lists" over the highlighted rows (any order; indexes out
// of range are passed over), visited from the last to the first: a line
// not yet in its list (compared without regard to case) is appended, its
// count grows and the row goes; a row whose line is already listed stays;
// a shortcut row goes without a line. The caller refreshes the counts.
IgnoreListChanges AddToIgnoreLists(ResultsModel& model, IgnoreLists& options,
                                   std::span<const std::size_t> selectedRows);

// ---- the "Add to Ignore List" dialog -------------------------------------

inline constexpr std::string_view kAddIgnoreLineCaption = "Add to Ignore List";
inline constexpr std::string_view kAddIgnoreLineLabel = "Registry Key";
inline constexpr std::string_view kAddIgnoreLineHint =
    "Enter the value or key like: HKEY_CURRENT_USER\\Software\\Microsoft";
inline constexpr std::string_view kLaunchRegistryEditorButton = "&Launch Registry Editor";

class AddIgnoreLineView {
 public:
  virtual ~AddIgnoreLineView() = default;
  virtual void SetKeyText(std::string_view text) = 0;
  virtual void EnableOk(bool enabled) = 0;
};

// The dialog's rules: OK is enabled only while the upper-cased text holds
// "HKEY_"; the editor button opens "Regedit.exe" through the shell.
class AddIgnoreLineController {
 public:
  AddIgnoreLineController(platform::Shell& shell, std::string line)
      : shell_(shell), text_(std::move(line)) {}

  void Show(AddIgnoreLineView& view);
  void KeyEdited(std::string_view text);
  void LaunchRegistryEditorClicked();
  bool OkEnabled() const;
  // The line the caller reads after OK.
  const std::string& Line() const { return text_; }

 private:
  platform::Shell& shell_;
  std::string text_;
  AddIgnoreLineView* view_ = nullptr;
};

}  // namespace nc::registry
