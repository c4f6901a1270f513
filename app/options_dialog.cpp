#include "app/options_dialog.h"

#include <algorithm>
#include <tuple>

#include "app/boss_key.h"
#include "cleaner/community/catalogue.h"
#include "cleaner/cookie_keep_list.h"
#include "core/text.h"
#include "registry/fixer.h"

namespace nc::app {

namespace {

constexpr const char* kBackupFolderMissing = "can not find the backup folder.";
constexpr const char* kHotkeyBlank = "The hotkey setting cannot be blank.";
constexpr const char* kHotkeyAtomFailed = "Hotkey setting failed, please run application again!";
constexpr const char* kHotkeyTaken = "The hotkey for Boss Key failed, please try to use other key!";
constexpr const char* kPasswordsDiffer = "Two passwords must be the same!";

// Digits of a stored password: the second table undoes the first.
constexpr char kScrambleDigits[] = "7346051892";
constexpr char kUnscrambleDigits[] = "4691253078";

std::string MapPassword(std::string_view text, const char* digits) {
  std::string out;
  for (char c : text) {
    if (c >= 'a' && c <= 'z') {
      out += static_cast<char>('a' + ('z' - c));
    } else if (c >= 'A' && c <= 'Z') {
      out += static_cast<char>('A' + ('Z' - c));
    } else if (c >= '0' && c <= '9') {
      out += digits[c - '0'];
    } else {
      out += c;
    }
  }
  return out;
}

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

// A control that shows a setting as it is stored, and that setting.
template <typename FormValue, typename SettingValue>
struct Mirror {
  FormValue OptionsForm::*form;
  SettingValue Options::*options;
};

// The controls that show their setting unchanged; the form is filled from
// them and read back into them through this one table.
constexpr std::tuple kMirrors{
    Mirror<bool, bool>{&OptionsForm::askBeforeClear, &Options::IsAskBeforeClear},
    Mirror<bool, bool>{&OptionsForm::verifyPassword, &Options::VerifyPassword},
    Mirror<bool, bool>{&OptionsForm::wipeFile, &Options::IsWipeFile},
    Mirror<bool, bool>{&OptionsForm::deleteBackupFile, &Options::DeleteBackupFile},
    Mirror<bool, bool>{&OptionsForm::includeRemoveMedia, &Options::IncludeRemoveMedia},
    Mirror<bool, bool>{&OptionsForm::includeCdDrive, &Options::IncludeCDdrive},
    Mirror<bool, bool>{&OptionsForm::restorePoint, &Options::RestorePoint},
    Mirror<bool, cleaner::SharedSwitch>{&OptionsForm::fastScan, &Options::FastScan},
    Mirror<bool, bool>{&OptionsForm::showLogTempInternetFiles, &Options::ShowLogTempInternetFiles},
    Mirror<bool, bool>{&OptionsForm::showLogRecycleBin, &Options::ShowLogRecycleBin},
    Mirror<std::string, std::string>{&OptionsForm::outputDirectory, &Options::OutputDirectory},
    Mirror<bool, bool>{&OptionsForm::autoClean, &Options::AutoClean},
    Mirror<bool, bool>{&OptionsForm::startClean, &Options::StartClean},
    Mirror<bool, bool>{&OptionsForm::shutdownClean, &Options::ShutdownClean},
    Mirror<bool, bool>{&OptionsForm::useBossKey, &Options::EnableHotkey},
    Mirror<bool, bool>{&OptionsForm::enableIE, &Options::EnableIE},
    Mirror<bool, bool>{&OptionsForm::enableNetscape, &Options::EnableNetscape},
    Mirror<bool, bool>{&OptionsForm::enableOpera, &Options::EnableOpera},
    Mirror<bool, bool>{&OptionsForm::enableFirefox, &Options::EnableFirefox},
    Mirror<bool, bool>{&OptionsForm::communityRules, &Options::CommunityRules},
};

template <typename Visit>
void ForEachMirror(Visit visit) {
  std::apply([&](const auto&... mirror) { (visit(mirror), ...); }, kMirrors);
}

bool HasTxtFile(platform::FileSystem& files, std::string_view folder) {
  auto entries = files.list(folder);
  if (!entries.ok()) return false;
  return std::any_of(entries->begin(), entries->end(), [](const platform::FileEntry& entry) {
    return !entry.isFolder() && EndsWith(LowerAscii(entry.name), ".txt");
  });
}

}  // namespace

std::string AutostartCommand(std::string_view programPath) {
  return "\"" + std::string(programPath) + "\" /Auto";
}

std::string ScramblePassword(std::string_view plain) {
  return MapPassword(plain, kScrambleDigits);
}

std::string UnscramblePassword(std::string_view scrambled) {
  return MapPassword(scrambled, kUnscrambleDigits);
}

std::optional<std::string> CheckNewPassword(std::string_view password, std::string_view confirm) {
  if (password != confirm) return std::string(kPasswordsDiffer);
  return std::nullopt;
}

OptionsDialog::OptionsDialog(platform::Platform ports, std::string programFolder, Options& settings,
                             OptionsHost host, OptionsView& view)
    : ports_(ports),
      programFolder_(WithTrailingBackslash(programFolder)),
      settings_(settings),
      host_(std::move(host)),
      view_(view) {}

OptionsForm OptionsDialog::FormOf(const Options& o) const {
  OptionsForm f;
  ForEachMirror([&](const auto& m) { f.*m.form = o.*m.options; });
  f.wipeListPosition = std::clamp(o.WipeNumber, 1, 10) - 1;
  // A value written by hand outside the five choices ticks none.
  f.cleanInterval = o.CleanInterval >= 0 && o.CleanInterval <= 4 ? o.CleanInterval : -1;
  f.hotkeyText = ShortcutToText(o.Hotkey, ShortcutSeparator::TwoBlanks);
  return f;
}

void OptionsDialog::Open() {
  copy_ = settings_;
  OptionsForm form = FormOf(copy_);
  form.autoRun = AutostartOn();
  view_.SetForm(form);
  view_.SetIntervalsEnabled(form.autoClean);
  view_.SetWipeHintEnabled(form.wipeFile);

  auto rows = [](const std::vector<std::string>& lines, std::int32_t count) {
    std::vector<IgnoreRow> out;
    const auto n =
        std::min<std::size_t>(lines.size(), static_cast<std::size_t>(std::max(count, 0)));
    for (std::size_t i = 0; i < n; ++i) out.push_back({lines[i], false});
    return out;
  };
  view_.SetIgnoreRows(IgnoreListKind::Values, rows(copy_.IgnoreValues, copy_.IgnoreValueCount));
  view_.SetIgnoreRows(IgnoreListKind::Keys, rows(copy_.IgnoreKeys, copy_.IgnoreKeyCount));

  openUseBossKey_ = form.useBossKey;
  openHotkeyText_ = form.hotkeyText;
  openKeyName_ = copy_.Hotkey.KeyName;
  openKeyCode_ = copy_.Hotkey.KeyCode;
  view_.ShowTab(OptionsTab::Common);
  ShowCommunityRulesInfo();
  LoadCookies();
}

void OptionsDialog::ShowCommunityRulesInfo() {
  namespace community = cleaner::community;
  // Read afresh: the file may have been replaced since the program read it,
  // and the program reads none while the rules are not shown.
  const community::CommunityRulesFile file =
      community::ReadCommunityRulesFile(ports_.files, programFolder_);
  switch (file.state) {
    case community::RulesFileState::Missing:
      view_.SetCommunityRulesInfo(kCommunityRulesMissingText);
      return;
    case community::RulesFileState::Unreadable:
    case community::RulesFileState::TooLarge:
      view_.SetCommunityRulesInfo(kCommunityRulesUnreadableText);
      return;
    case community::RulesFileState::Read:
      break;
  }
  const std::size_t count = file.rules.entries.size();
  std::string text = "Version: " + file.rules.version.value_or("unknown") + ", ";
  text += GroupedDigits(count) + (count == 1 ? " entry" : " entries");
  view_.SetCommunityRulesInfo(text);
}

bool OptionsDialog::AutostartOn() {
  auto key = ports_.registry.open(platform::RootKey::CurrentUser, kAutostartKey,
                                  platform::RegAccess::Read);
  if (!key.ok()) return false;
  auto value = ports_.registry.readValue(*key, kAutostartValue);
  if (!value.ok()) return false;
  const auto text = platform::ValueText(*value);
  return text && Contains(*text, "/Auto");
}

void OptionsDialog::WriteAutostart(bool on) {
  // Failures here are not reported: the settings are saved regardless.
  auto key = ports_.registry.create(platform::RootKey::CurrentUser, kAutostartKey);
  if (!key.ok()) return;
  if (on) {
    (void)platform::WriteStringValue(ports_.registry, *key, kAutostartValue,
                                     AutostartCommand(ports_.system.executablePath()));
  } else {
    (void)ports_.registry.deleteValue(*key, kAutostartValue);
  }
}

void OptionsDialog::ReadForm(const OptionsForm& f) {
  ForEachMirror([&](const auto& m) { copy_.*m.options = f.*m.form; });
  copy_.WipeNumber = std::clamp(f.wipeListPosition, 0, 9) + 1;
  if (f.cleanInterval >= 0) copy_.CleanInterval = f.cleanInterval;
  copy_.Hotkey.Ctrl = Contains(f.hotkeyText, "Ctrl");
  copy_.Hotkey.Shift = Contains(f.hotkeyText, "Shift");
  copy_.Hotkey.Alt = Contains(f.hotkeyText, "Alt");

  auto lines = [](const std::vector<IgnoreRow>& rows) {
    std::vector<std::string> out;
    for (const IgnoreRow& row : rows) out.push_back(row.text);
    return out;
  };
  copy_.IgnoreValues = lines(view_.IgnoreRows(IgnoreListKind::Values));
  copy_.IgnoreValueCount = static_cast<std::int32_t>(copy_.IgnoreValues.size());
  copy_.IgnoreKeys = lines(view_.IgnoreRows(IgnoreListKind::Keys));
  copy_.IgnoreKeyCount = static_cast<std::int32_t>(copy_.IgnoreKeys.size());
}

bool OptionsDialog::OnOk() {
  OptionsForm form = view_.Form();
  if (!BackupFolderReady(form.outputDirectory)) {
    view_.ShowTab(OptionsTab::Common);
    view_.FocusOutputDirectory();
    return false;
  }
  ReadForm(form);
  const bool bossKeyChanged =
      form.useBossKey != openUseBossKey_ || (form.useBossKey && form.hotkeyText != openHotkeyText_);
  if (bossKeyChanged && form.useBossKey && !HotkeyTest(form)) return false;

  const bool communityRulesChanged = copy_.CommunityRules != settings_.CommunityRules;
  settings_ = copy_;
  if (communityRulesChanged && host_.reloadCommunityRules) host_.reloadCommunityRules();
  if (bossKeyChanged && host_.reRegisterBossKey) host_.reRegisterBossKey();
  if (host_.armAutoCleanTimer) host_.armAutoCleanTimer();
  if (copy_.StartClean && !form.autoRun) {
    form.autoRun = true;
    view_.SetForm(form);
  }
  WriteAutostart(form.autoRun);
  if (host_.writeSettings) host_.writeSettings();
  if (host_.showSettings) host_.showSettings();
  // A keep list that could not be read is never overwritten: the empty
  // list shown would make the next cookie clean remove every cookie.
  if (!keepListReadOnly_) {
    (void)cleaner::WriteCookieKeepList(ports_.profile, cleaner::CookieKeepListPath(programFolder_),
                                       toKeep_);
  }
  return true;
}

bool OptionsDialog::BackupFolderReady(const std::string& folder) {
  auto& files = ports_.files;
  // A relative folder would be made wherever the current folder is: it is
  // refused as a missing one is.
  if (!IsFullFolderPath(folder)) {
    view_.ShowError(folder + "," + kBackupFolderMissing);
    return false;
  }
  if (files.folderExists(folder)) return true;
  // The default folder is made by the first repair; the user is asked here
  // as the repair asks.
  if (!view_.Confirm(registry::MissingBackupFolderQuestion(folder))) return false;
  if (!files.createFolders(folder).ok() || !files.folderExists(folder)) {
    view_.ShowError(folder + "," + kBackupFolderMissing);
    return false;
  }
  return true;
}

bool OptionsDialog::HotkeyTest(const OptionsForm& form) {
  if (form.hotkeyText.empty()) {
    view_.ShowError(kHotkeyBlank);
    return false;
  }
  auto& desktop = ports_.desktop;
  const std::uint16_t atom = desktop.addAtom(kHotkeyTestAtomName);
  if (atom == 0) {
    view_.ShowError(kHotkeyAtomFailed);
    return false;
  }
  if (form.hotkeyText != openHotkeyText_) {
    const platform::WindowId window = view_.DialogWindowId();
    // A field that shows only modifiers has no key to register.
    if (copy_.Hotkey.KeyCode == 0 ||
        !desktop.registerHotkey(window, atom, HotkeyModifiers(copy_.Hotkey),
                                copy_.Hotkey.KeyCode)) {
      view_.ShowError(kHotkeyTaken);
      view_.SetHotkeyText(openHotkeyText_);
      OptionsForm reverted = view_.Form();
      reverted.hotkeyText = openHotkeyText_;
      ReadForm(reverted);
      copy_.Hotkey.KeyName = openKeyName_;
      copy_.Hotkey.KeyCode = openKeyCode_;
      desktop.unregisterHotkey(window, atom);
      desktop.deleteAtom(atom);
      return false;
    }
    desktop.unregisterHotkey(window, atom);
    openKeyName_ = copy_.Hotkey.KeyName;
    openKeyCode_ = copy_.Hotkey.KeyCode;
  }
  desktop.deleteAtom(atom);
  return true;
}

void OptionsDialog::OnAutoCleanClicked(bool checked) {
  view_.SetIntervalsEnabled(checked);
}

void OptionsDialog::OnWipeFileClicked(bool checked) {
  view_.SetWipeHintEnabled(checked);
}

void OptionsDialog::OnBrowseOutputDirectory() {
  if (auto folder = view_.ChooseFolder()) {
    OptionsForm form = view_.Form();
    form.outputDirectory = *folder;
    view_.SetForm(form);
  }
}

void OptionsDialog::OnHotkeyKeyDown(std::uint32_t keyCode, bool ctrl, bool shift, bool alt) {
  std::string text;
  if (ctrl) text += "Ctrl  ";
  if (shift) text += "Shift  ";
  if (alt) text += "Alt  ";
  const bool loneModifier = keyCode == 16 || keyCode == 17 || keyCode == 18;
  const std::string name = loneModifier ? std::string() : HotkeyKeyName(keyCode);
  if (!loneModifier && name.empty()) {
    // A key the boss key cannot use: the field is emptied.
    text.clear();
    copy_.Hotkey.KeyName.clear();
    copy_.Hotkey.KeyCode = 0;
  } else {
    text += name;
    copy_.Hotkey.KeyName = name;
    copy_.Hotkey.KeyCode = loneModifier ? 0 : static_cast<std::uint16_t>(keyCode);
  }
  view_.SetHotkeyText(text);
}

void OptionsDialog::OnSetPassword() {
  if (auto password = view_.AskNewPassword(UnscramblePassword(copy_.Password))) {
    copy_.Password = ScramblePassword(*password);
  }
}

// ---- cookies ----------------------------------------------------------------

void OptionsDialog::LoadCookies() {
  auto& files = ports_.files;
  ports_.shell.endBrowserSession();
  cookieFolder_ = WithTrailingBackslash(files.specialFolder(platform::Csidl::Cookies));
  // The list as the cookie clean takes it: a missing file is an empty
  // list; one that exists but cannot be read or parsed is shown read-only.
  auto keep = cleaner::ReadCookieKeepListForClean(files, ports_.profile,
                                                  cleaner::CookieKeepListPath(programFolder_));
  keepListReadOnly_ = !keep.has_value();
  toKeep_ = keep.value_or(std::vector<std::string>{});
  if (keepListReadOnly_) view_.SetKeepListReadOnly(kKeepListReadOnlyText);
  toDelete_.clear();
  if (cookieFolder_ == "\\" || !files.folderExists(cookieFolder_)) {
    cookieFolder_ = kFallbackCookieFolder;
    if (!files.folderExists(cookieFolder_)) {
      ShowCookies(-1, toKeep_.empty() ? -1 : 0);
      return;
    }
  }
  // Protected mode keeps the cookies in "Low".
  const std::string low = cookieFolder_ + "Low";
  if (files.folderExists(low) && !HasTxtFile(files, cookieFolder_) && HasTxtFile(files, low)) {
    cookieFolder_ = low + "\\";
  }
  if (auto entries = files.list(cookieFolder_); entries.ok()) {
    for (const platform::FileEntry& entry : *entries) {
      if (entry.isFolder() || !Contains(entry.name, ".txt")) continue;
      if (std::find(toKeep_.begin(), toKeep_.end(), entry.name) != toKeep_.end()) continue;
      toDelete_.push_back(entry.name);
    }
  }
  ShowCookies(toDelete_.empty() ? -1 : 0, toKeep_.empty() ? -1 : 0);
}

void OptionsDialog::ShowCookies(int deleteSelection, int keepSelection) {
  view_.ShowCookies(toDelete_, deleteSelection, toKeep_, keepSelection);
}

void OptionsDialog::MoveCookie(CookieList from) {
  if (keepListReadOnly_) return;
  auto& source = from == CookieList::Delete ? toDelete_ : toKeep_;
  auto& target = from == CookieList::Delete ? toKeep_ : toDelete_;
  const int selected = view_.CookieSelection(from);
  const int otherSelected =
      view_.CookieSelection(from == CookieList::Delete ? CookieList::Keep : CookieList::Delete);
  if (selected < 0 || selected >= static_cast<int>(source.size())) return;
  target.push_back(source[static_cast<std::size_t>(selected)]);
  source.erase(source.begin() + selected);
  // The selection goes on to the next entry, or the first after the last.
  int sourceSelection = -1;
  if (!source.empty()) sourceSelection = selected < static_cast<int>(source.size()) ? selected : 0;
  int targetSelection = otherSelected;
  if (from == CookieList::Delete) targetSelection = 0;
  if (from == CookieList::Keep && target.size() == 1) targetSelection = 0;
  if (from == CookieList::Delete) {
    ShowCookies(sourceSelection, targetSelection);
  } else {
    ShowCookies(targetSelection, sourceSelection);
  }
}

void OptionsDialog::MoveAllCookies(CookieList from) {
  if (keepListReadOnly_) return;
  auto& source = from == CookieList::Delete ? toDelete_ : toKeep_;
  auto& target = from == CookieList::Delete ? toKeep_ : toDelete_;
  if (source.empty()) return;
  target.insert(target.end(), source.begin(), source.end());
  source.clear();
  if (from == CookieList::Delete) {
    ShowCookies(-1, 0);
  } else {
    ShowCookies(0, -1);
  }
}

void OptionsDialog::OnAddCookie() {
  MoveCookie(CookieList::Delete);
}
void OptionsDialog::OnRemoveCookie() {
  MoveCookie(CookieList::Keep);
}
void OptionsDialog::OnAddAllCookies() {
  MoveAllCookies(CookieList::Delete);
}
void OptionsDialog::OnRemoveAllCookies() {
  MoveAllCookies(CookieList::Keep);
}
void OptionsDialog::OnCookieDoubleClick(CookieList list) {
  MoveCookie(list);
}

void OptionsDialog::OnViewCookie() {
  const int selected = view_.CookieSelection(CookieList::Delete);
  if (selected < 0 || selected >= static_cast<int>(toDelete_.size())) return;
  const std::string& name = toDelete_[static_cast<std::size_t>(selected)];
  auto content = platform::ReadWholeFile(ports_.files, cookieFolder_ + name);
  if (!content.ok()) return;
  std::string text;
  for (std::string_view line : SplitLines(*content)) {
    text += "\r\n";
    text += line;
  }
  view_.ShowInformation(name, text);
}

// ---- ignore lists -------------------------------------------------------------

void OptionsDialog::OnIgnoreAdd() {
  const IgnoreListKind kind = view_.ShownIgnoreList();
  if (auto line = view_.EditIgnoreLine("")) {
    auto rows = view_.IgnoreRows(kind);
    rows.push_back({*line, false});
    view_.SetIgnoreRows(kind, rows);
  }
}

void OptionsDialog::OnIgnoreEdit() {
  const IgnoreListKind kind = view_.ShownIgnoreList();
  auto rows = view_.IgnoreRows(kind);
  const int selected = view_.IgnoreSelection(kind);
  if (selected < 0 || selected >= static_cast<int>(rows.size())) return;
  if (auto line = view_.EditIgnoreLine(rows[static_cast<std::size_t>(selected)].text)) {
    rows[static_cast<std::size_t>(selected)].text = *line;
    view_.SetIgnoreRows(kind, rows);
  }
}

void OptionsDialog::OnIgnoreRemove() {
  const IgnoreListKind kind = view_.ShownIgnoreList();
  auto rows = view_.IgnoreRows(kind);
  std::erase_if(rows, [](const IgnoreRow& row) { return row.ticked; });
  view_.SetIgnoreRows(kind, rows);
}

}  // namespace nc::app
