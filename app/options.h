// The settings record and the settings file "options.ini" beside the
// program.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cleaner/clean_settings.h"
#include "platform/profile.h"
#include "registry/registry_settings.h"

namespace nc::app {

// The boss key.
struct Shortcut {
  bool Ctrl = true;
  bool Shift = false;
  bool Alt = false;
  std::string KeyName = "F5";   // as shown to the user: "F5", "PageUp", "Num 1"
  std::uint16_t KeyCode = 116;  // virtual-key code; 0 when only modifiers were pressed
};

enum class ShortcutSeparator { Plus, TwoBlanks };

// "Ctrl+Shift+F5", or "Ctrl  Shift  F5" with two blanks.
std::string ShortcutToText(const Shortcut& shortcut, ShortcutSeparator separator);

// The name of a virtual key as the hotkey field shows it; "" for a lone
// modifier and for keys the field does not take.
std::string HotkeyKeyName(std::uint32_t keyCode);
// A key code the boss key can use: one of the keys the hotkey field names.
bool HotkeyKeyInTable(std::int64_t keyCode);

// A folder named from a drive root ("C:\...") or a share ("\\server\...");
// anything else would be resolved against whatever the current folder is.
bool IsFullFolderPath(std::string_view path);
// The backup folder as options.ini holds it, and back. A folder inside the
// program's folder is stored as its path from there ("Backup"), so that a
// portable folder moved elsewhere keeps its backups; the program's folder
// ends with a backslash. A stored full path is taken as it is; any other
// text means the default, the program's folder followed by "Backup".
std::string BackupFolderFromIni(std::string_view stored, std::string_view programFolder);
std::string BackupFolderForIni(std::string_view folder, std::string_view programFolder);

// Every option of the program: the settings each subsystem declares for
// itself, and those of the program's own windows. Defaults are those of a
// missing settings file, apart from the window bounds and the backup
// folder, which depend on the screen and the program folder and are filled
// by ReadOptionsIni.
struct Options : cleaner::CleanSettings,
                 registry::ScanSettings,
                 registry::BackupSettings,
                 registry::IgnoreLists {
  bool IsAskBeforeClear = true;
  // The community rules file "Winapp2.ini" beside the program is read and
  // its entries that apply are shown as clean items ([Options]
  // CommunityRules).
  bool CommunityRules = false;
  // The ticked community entries by name ([Community] Name=1), kept
  // whether or not the entry is shown now, so that a tick survives a
  // new file or a system where the entry does not apply.
  std::set<std::string> CommunityTicks;
  // Never stored; kept for the options dialog.
  bool VerifyPassword = false;
  std::string Password;
  bool EnableHotkey = false;
  Shortcut Hotkey;
  bool EnableIE = false;
  bool EnableNetscape = false;
  bool EnableFirefox = false;
  bool EnableOpera = false;
  bool AutoClean = false;
  std::int32_t CleanInterval = 0;  // index into the schedule's intervals
  bool StartClean = false;
  bool ShutdownClean = false;
  std::int32_t SelectedCount = 0;
  // Expanded state of the top-level tree nodes by image index; slot 0 is
  // not used.
  std::array<bool, 18> FirstNodeExpand{};
  // Ticked registry sections by image index; slot 0 is not used.
  std::array<bool, 25> TreeViewNodeCheck{};
  std::uint8_t WindowState = 0;  // 2 when the window was saved maximised
  std::int32_t Left = 0;
  std::int32_t Top = 0;
  std::int32_t Height = 0;
  std::int32_t Width = 0;

  Options() {
    FirstNodeExpand.fill(true);
    TreeViewNodeCheck.fill(true);
    FirstNodeExpand[0] = false;
    TreeViewNodeCheck[0] = false;
  }
};

// The two trees whose marks the settings file keeps: the clean item tree
// and the registry section tree. The settings code reads and writes them
// only through this interface.
class SettingsTrees {
 public:
  enum class Tree { Registry, Clean };
  struct TopNode {
    int imageIndex = 0;
    bool expanded = false;
  };

  virtual ~SettingsTrees() = default;

  // Clean tree: untick every node; tick the node a stored name designates
  // (a group by its caption, an item by "Group - Item"; names that match
  // nothing are ignored); the names of the ticked nodes in tree order.
  virtual void UntickAllCleanNodes() = 0;
  virtual void SelectNodeByName(std::string_view name) = 0;
  virtual std::vector<std::string> TickedCleanNodeNames() const = 0;
  // Once the stored names are ticked: each group's mark follows its items.
  virtual void DeriveCleanGroupMarks() = 0;

  // Registry section tree: (image index, ticked) of every node in tree
  // order; tick every node whose image index is given.
  virtual std::vector<std::pair<int, bool>> SectionTicks() const = 0;
  virtual void SetSectionTick(int imageIndex, bool ticked) = 0;

  // Top-level nodes of a tree, in order; expanding one expands all its
  // descendants too.
  virtual std::vector<TopNode> TopLevelNodes(Tree tree) const = 0;
  virtual void ExpandTopLevelNode(Tree tree, int position) = 0;
};

// Screen and window sizes that the defaults of the window bounds need.
struct WindowMetrics {
  int screenWidth = 0;
  int screenHeight = 0;
  int windowWidth = 0;
  int windowHeight = 0;
};

// The main window's placement when the settings are written.
struct WindowPlacement {
  std::optional<int> showState;  // 1 normal, 2 minimised, 3 maximised; none when unknown
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

// A rectangle on the screen in pixels: a window's bounds, or the work area
// of a monitor (its screen without the taskbar).
struct ScreenRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

// Saved bounds that lie entirely outside every work area (a window saved
// while minimised, a monitor since removed) moved into the nearest work
// area, shrunk to it where larger; bounds that show at least in part, and
// any bounds when no work area is known, are kept.
ScreenRect BoundsOnScreen(const ScreenRect& bounds, const std::vector<ScreenRect>& workAreas);

// Where the settings live and what they are read against.
struct SettingsFile {
  platform::Profile& profile;
  std::string path;           // "...\options.ini"
  std::string programFolder;  // with trailing backslash
};

// "options.ini" in the program folder (given with or without trailing
// backslash).
std::string OptionsIniPath(std::string_view programFolder);

void ReadOptionsIni(const SettingsFile& file, Options& options, SettingsTrees& trees,
                    const WindowMetrics& metrics);
void WriteOptionsIni(const SettingsFile& file, Options& options, const SettingsTrees& trees,
                     const WindowPlacement& placement);

// The ticks of the community items shown (`shown`, of which `ticked` are
// ticked) taken into `stored`; names not shown keep their tick.
void MergeCommunityTicks(std::set<std::string>& stored, const std::set<std::string>& shown,
                         const std::set<std::string>& ticked);

// Records (store) or restores the expanded state of the top-level nodes
// of both trees; the registry tree goes first, so the clean tree's node
// with image index 1 wins the shared slot when storing.
void SaveExpandState(Options& options, SettingsTrees& trees, bool store);

// Ticks the registry sections as the settings say.
void RestoreSectionTicks(const Options& options, SettingsTrees& trees);

}  // namespace nc::app
