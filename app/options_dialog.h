// The options dialog's state and rules. The dialog edits a private copy of
// the settings; OK validates the copy, copies it back, applies it to the
// running program (boss key, automatic-clean timer, autostart value, the
// community rules when their box changed) and
// writes "options.ini" and "Cookies.ini" (unless "Cookies.ini" could not be
// read when the dialog opened). Cancel changes nothing, the ignore lists
// included. The window talks to it through OptionsView.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/options.h"
#include "platform/desktop.h"
#include "platform/platform.h"

namespace nc::app {

inline constexpr const char* kAutostartKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr const char* kAutostartValue = "Norvik Cleaner";
inline constexpr const char* kHotkeyTestAtomName = "NorvikHotkey_Test";
inline constexpr const char* kFallbackCookieFolder = "c:\\windows\\cookies\\";
// Beside the keep list when "Cookies.ini" exists but cannot be read.
inline constexpr const char* kKeepListReadOnlyText =
    "\"Cookies.ini\" cannot be read. The keep list is shown read-only, and OK leaves the file "
    "as it is.";
// Beside "Show community rules" when the rules file cannot be shown.
inline constexpr const char* kCommunityRulesMissingText =
    "Winapp2.ini is not in the program's folder.";
inline constexpr const char* kCommunityRulesUnreadableText = "Winapp2.ini could not be read.";

// The autostart command: the program's path in quotes, so that a path
// with blanks starts this program, then " /Auto".
std::string AutostartCommand(std::string_view programPath);

// The password as stored, and back: letters mirrored within their case,
// digits through a table; every other character kept.
std::string ScramblePassword(std::string_view plain);
std::string UnscramblePassword(std::string_view scrambled);
// The error of the "Set Password" dialog's OK, none when the two agree.
std::optional<std::string> CheckNewPassword(std::string_view password, std::string_view confirm);

enum class OptionsTab { Common, Cookies, Schedule, BossKey, IgnoreLists };
enum class IgnoreListKind { Values, Keys };
enum class CookieList { Delete, Keep };

// The controls that hold plain values, as one record.
struct OptionsForm {
  bool autoRun = false;  // "Auto run when the computer starts"
  bool askBeforeClear = false;
  bool verifyPassword = false;
  bool wipeFile = false;
  int wipeListPosition = 0;  // "1".."10" at 0..9
  bool deleteBackupFile = false;
  bool includeRemoveMedia = false;
  bool includeCdDrive = false;
  bool restorePoint = false;
  bool fastScan = false;
  bool showLogTempInternetFiles = false;
  bool showLogRecycleBin = false;
  std::string outputDirectory;
  bool autoClean = false;
  int cleanInterval = 0;  // the chosen radio, -1 when none
  bool startClean = false;
  bool shutdownClean = false;
  bool useBossKey = false;  // "Assign Boss Key to this hotkey"
  std::string hotkeyText;
  bool enableIE = false;
  bool enableNetscape = false;
  bool enableOpera = false;
  bool enableFirefox = false;
  bool communityRules = false;  // "Show community rules (Winapp2.ini)"

  bool operator==(const OptionsForm&) const = default;
};

struct IgnoreRow {
  std::string text;
  bool ticked = false;
};

class OptionsView {
 public:
  virtual ~OptionsView() = default;

  virtual OptionsForm Form() const = 0;
  virtual void SetForm(const OptionsForm& form) = 0;
  virtual void SetHotkeyText(std::string_view text) = 0;
  virtual void SetIntervalsEnabled(bool enabled) = 0;
  // The overwrite box's hint: enabled and shown at once, or disabled.
  virtual void SetWipeHintEnabled(bool enabled) = 0;
  virtual void ShowTab(OptionsTab tab) = 0;
  virtual void FocusOutputDirectory() = 0;

  virtual void ShowCookies(const std::vector<std::string>& toDelete, int deleteSelection,
                           const std::vector<std::string>& toKeep, int keepSelection) = 0;
  // The selected row of a cookie list, -1 when none.
  virtual int CookieSelection(CookieList list) const = 0;
  // The keep list cannot be read: `notice` is shown beside it, and the
  // buttons that move names between the lists are disabled.
  virtual void SetKeepListReadOnly(std::string_view notice) = 0;
  // The version and entry count of the community rules file, or why there
  // are none.
  virtual void SetCommunityRulesInfo(std::string_view text) = 0;

  virtual std::vector<IgnoreRow> IgnoreRows(IgnoreListKind kind) const = 0;
  virtual void SetIgnoreRows(IgnoreListKind kind, const std::vector<IgnoreRow>& rows) = 0;
  virtual int IgnoreSelection(IgnoreListKind kind) const = 0;
  virtual IgnoreListKind ShownIgnoreList() const = 0;

  // Small dialogs and boxes owned by the dialog.
  virtual void ShowError(std::string_view text) = 0;
  // A Yes/No question; true for Yes.
  virtual bool Confirm(std::string_view text) = 0;
  virtual void ShowInformation(std::string_view title, std::string_view text) = 0;
  // "Add to Ignore List" preset with `line`; none after Cancel.
  virtual std::optional<std::string> EditIgnoreLine(std::string_view line) = 0;
  virtual std::optional<std::string> ChooseFolder() = 0;
  // "Set Password" with both fields preset; the new password after OK.
  virtual std::optional<std::string> AskNewPassword(std::string_view current) = 0;
  // The dialog's window, which the hotkey test registers its trial key for.
  virtual platform::WindowId DialogWindowId() const = 0;
};

// What OK applies to the running program, after the settings are copied
// back.
struct OptionsHost {
  // Unregisters the boss key and, when it is in use, registers it again.
  std::function<void()> reRegisterBossKey;
  // Re-arms the automatic-clean timer from AutoClean and CleanInterval.
  std::function<void()> armAutoCleanTimer;
  // Writes "options.ini".
  std::function<void()> writeSettings;
  // Shows what changed in the main window ("Fast Mode" takes FastScan).
  std::function<void()> showSettings;
  // Reads the community rules again (or drops them) after CommunityRules
  // changed, and redraws the clean tree.
  std::function<void()> reloadCommunityRules;
};

class OptionsDialog {
 public:
  OptionsDialog(platform::Platform ports, std::string programFolder, Options& settings,
                OptionsHost host, OptionsView& view);

  // Fills the controls; the caller then shows the dialog.
  void Open();
  // False keeps the dialog open.
  bool OnOk();
  // Nothing was changed; the copy is dropped.
  void OnCancel() {}

  void OnAutoCleanClicked(bool checked);
  void OnWipeFileClicked(bool checked);
  void OnBrowseOutputDirectory();
  // A key pressed in the hotkey field; the field shows only what this
  // writes.
  void OnHotkeyKeyDown(std::uint32_t keyCode, bool ctrl, bool shift, bool alt);
  void OnSetPassword();

  void OnAddCookie();
  void OnRemoveCookie();
  void OnAddAllCookies();
  void OnRemoveAllCookies();
  void OnCookieDoubleClick(CookieList list);
  void OnViewCookie();

  void OnIgnoreAdd();
  void OnIgnoreEdit();
  void OnIgnoreRemove();

  const Options& copy() const { return copy_; }
  const std::string& cookieFolder() const { return cookieFolder_; }
  const std::vector<std::string>& cookiesToDelete() const { return toDelete_; }
  const std::vector<std::string>& cookiesToKeep() const { return toKeep_; }
  // "Cookies.ini" exists but cannot be read: nothing moves, OK keeps it.
  bool keepListReadOnly() const { return keepListReadOnly_; }

 private:
  OptionsForm FormOf(const Options& options) const;
  void ReadForm(const OptionsForm& form);
  // The backup folder of the field exists, or is made on the user's Yes;
  // false keeps the dialog open.
  bool BackupFolderReady(const std::string& folder);
  bool HotkeyTest(const OptionsForm& form);
  void LoadCookies();
  void ShowCommunityRulesInfo();
  void MoveCookie(CookieList from);
  void MoveAllCookies(CookieList from);
  void ShowCookies(int deleteSelection, int keepSelection);
  bool AutostartOn();
  void WriteAutostart(bool on);

  platform::Platform ports_;
  std::string programFolder_;
  Options& settings_;
  OptionsHost host_;
  OptionsView& view_;
  Options copy_;
  // The boss key as the dialog opened, and after a passed test.
  bool openUseBossKey_ = false;
  std::string openHotkeyText_;
  std::string openKeyName_;
  std::uint16_t openKeyCode_ = 0;
  std::string cookieFolder_;
  std::vector<std::string> toDelete_;
  std::vector<std::string> toKeep_;
  bool keepListReadOnly_ = false;
};

}  // namespace nc::app
