#include "ui/win32/options_dialog.h"

#include <commctrl.h>

#include <array>
#include <vector>

#include "app/auto_clean.h"
#include "ui/win32/custom_list_dialogs.h"
#include "ui/win32/list_box.h"
#include "ui/win32/list_view.h"
#include "ui/win32/modal_dialog.h"
#include "ui/win32/registry_dialogs.h"

namespace nc::ui {

namespace {

namespace ids = options_ids;

constexpr const wchar_t* kCaptionW = L"Norvik Cleaner";
constexpr int kClientWidth = 480;
constexpr int kClientHeight = 436;
constexpr const char* kWipeHint =
    "The more times a file is overwritten,the higher the security,and the longer the wash will "
    "take.";

constexpr UINT_PTR kRepaintTimer = 1;

// The controls of each tab, shown only while their tab is.
constexpr std::pair<app::OptionsTab, int> kTabControls[] = {
    {app::OptionsTab::Common, ids::kAutoRun},
    {app::OptionsTab::Common, ids::kAskBeforeClear},
    {app::OptionsTab::Common, ids::kWipeFile},
    {app::OptionsTab::Common, ids::kWipeNumber},
    {app::OptionsTab::Common, ids::kDeleteBackupFile},
    {app::OptionsTab::Common, ids::kIncludeRemoveMedia},
    {app::OptionsTab::Common, ids::kIncludeCdDrive},
    {app::OptionsTab::Common, ids::kRestorePoint},
    {app::OptionsTab::Common, ids::kFastScan},
    {app::OptionsTab::Common, ids::kShowLogTemp},
    {app::OptionsTab::Common, ids::kShowLogRecycleBin},
    {app::OptionsTab::Common, ids::kOutputGroup},
    {app::OptionsTab::Common, ids::kOutputDirectory},
    {app::OptionsTab::Common, ids::kBrowseOutput},
    {app::OptionsTab::Common, ids::kCommunityGroup},
    {app::OptionsTab::Common, ids::kCommunityRules},
    {app::OptionsTab::Common, ids::kCommunityInfo},
    {app::OptionsTab::Cookies, ids::kCookiesToDeleteLabel},
    {app::OptionsTab::Cookies, ids::kCookiesToDelete},
    {app::OptionsTab::Cookies, ids::kCookiesToKeepLabel},
    {app::OptionsTab::Cookies, ids::kCookiesToKeep},
    {app::OptionsTab::Cookies, ids::kAddCookie},
    {app::OptionsTab::Cookies, ids::kRemoveCookie},
    {app::OptionsTab::Cookies, ids::kAddAllCookies},
    {app::OptionsTab::Cookies, ids::kRemoveAllCookies},
    {app::OptionsTab::Cookies, ids::kViewCookie},
    {app::OptionsTab::Cookies, ids::kKeepListNotice},
    {app::OptionsTab::Schedule, ids::kAutoClean},
    {app::OptionsTab::Schedule, ids::kIntervalsGroup},
    {app::OptionsTab::Schedule, ids::kInterval0},
    {app::OptionsTab::Schedule, ids::kInterval0 + 1},
    {app::OptionsTab::Schedule, ids::kInterval0 + 2},
    {app::OptionsTab::Schedule, ids::kInterval0 + 3},
    {app::OptionsTab::Schedule, ids::kInterval0 + 4},
    {app::OptionsTab::Schedule, ids::kStartClean},
    {app::OptionsTab::Schedule, ids::kShutdownClean},
    {app::OptionsTab::BossKey, ids::kNoBossKey},
    {app::OptionsTab::BossKey, ids::kUseBossKey},
    {app::OptionsTab::BossKey, ids::kHotkey},
    {app::OptionsTab::BossKey, ids::kBrowsersGroup},
    {app::OptionsTab::BossKey, ids::kEnableIE},
    {app::OptionsTab::BossKey, ids::kEnableNetscape},
    {app::OptionsTab::BossKey, ids::kEnableOpera},
    {app::OptionsTab::BossKey, ids::kEnableFirefox},
    {app::OptionsTab::IgnoreLists, ids::kIgnoreLabel},
    {app::OptionsTab::IgnoreLists, ids::kIgnoreTabs},
    {app::OptionsTab::IgnoreLists, ids::kIgnoreValues},
    {app::OptionsTab::IgnoreLists, ids::kIgnoreKeys},
    {app::OptionsTab::IgnoreLists, ids::kIgnoreAdd},
    {app::OptionsTab::IgnoreLists, ids::kIgnoreEdit},
    {app::OptionsTab::IgnoreLists, ids::kIgnoreRemove},
};

constexpr std::array<const char*, 5> kTabCaptions = {"Common", "Cookies", "Schedule", "Boss Key",
                                                     "Ignore Lists"};

bool Pressed(int key) {
  return (GetKeyState(key) & 0x8000) != 0;
}

// ---- "Set Password" --------------------------------------------------------------

class PasswordSetDialog : public ModalDialog {
 public:
  explicit PasswordSetDialog(std::string current) : password_(std::move(current)) {}

  std::optional<std::string> Run(HWND owner) {
    if (!ModalDialog::Run(owner, kPasswordSetClass, "Set Password", 300, 120)) return std::nullopt;
    return password_;
  }

 protected:
  void OnCreate() override {
    Label("New Password:", 12, 16, 110);
    Edit(124, 12, 164, ids::kNewPassword, WS_GROUP | ES_PASSWORD);
    Label("Confirm Password:", 12, 48, 110);
    Edit(124, 44, 164, ids::kConfirmPassword, WS_GROUP | ES_PASSWORD);
    SetText(ids::kNewPassword, password_);
    SetText(ids::kConfirmPassword, password_);
    Button("&OK", 108, 84, 86, IDOK, BS_DEFPUSHBUTTON);
    Button("&Cancel", 202, 84, 86, IDCANCEL);
  }

  void OnCommand(int id, int, HWND) override {
    if (id == IDOK) {
      const std::string first = Text(ids::kNewPassword);
      if (auto error = app::CheckNewPassword(first, Text(ids::kConfirmPassword))) {
        MessageBoxW(hwnd(), Wide(*error).c_str(), kCaptionW, MB_OK | MB_ICONERROR);
        return;
      }
      password_ = first;
      Close(true);
    } else if (id == IDCANCEL) {
      Close(false);
    }
  }

 private:
  std::string password_;
};

// ---- "Options" -----------------------------------------------------------------

class OptionsWindow : public ModalDialog, public app::OptionsView {
 public:
  OptionsWindow(platform::Platform ports, const std::string& programFolder, app::Options& options,
                app::OptionsHost host)
      : shell_(ports.shell), rules_(ports, programFolder, options, std::move(host), *this) {}
  ~OptionsWindow() override {
    if (tips_ != nullptr) DestroyWindow(tips_);
  }

  bool Run(HWND owner) {
    return ModalDialog::Run(owner, kOptionsClass, "Options", kClientWidth, kClientHeight);
  }

  // ---- app::OptionsView
  app::OptionsForm Form() const override {
    app::OptionsForm f;
    f.autoRun = Checked(ids::kAutoRun);
    f.askBeforeClear = Checked(ids::kAskBeforeClear);
    f.verifyPassword = Checked(ids::kVerifyPassword);
    f.wipeFile = Checked(ids::kWipeFile);
    f.wipeListPosition = static_cast<int>(SendMessageW(Item(ids::kWipeNumber), CB_GETCURSEL, 0, 0));
    f.deleteBackupFile = Checked(ids::kDeleteBackupFile);
    f.includeRemoveMedia = Checked(ids::kIncludeRemoveMedia);
    f.includeCdDrive = Checked(ids::kIncludeCdDrive);
    f.restorePoint = Checked(ids::kRestorePoint);
    f.fastScan = Checked(ids::kFastScan);
    f.showLogTempInternetFiles = Checked(ids::kShowLogTemp);
    f.showLogRecycleBin = Checked(ids::kShowLogRecycleBin);
    f.outputDirectory = Text(ids::kOutputDirectory);
    f.autoClean = Checked(ids::kAutoClean);
    f.cleanInterval = -1;
    for (int i = 0; i < 5; ++i) {
      if (Checked(ids::kInterval0 + i)) f.cleanInterval = i;
    }
    f.startClean = Checked(ids::kStartClean);
    f.shutdownClean = Checked(ids::kShutdownClean);
    f.useBossKey = Checked(ids::kUseBossKey);
    f.hotkeyText = Text(ids::kHotkey);
    f.enableIE = Checked(ids::kEnableIE);
    f.enableNetscape = Checked(ids::kEnableNetscape);
    f.enableOpera = Checked(ids::kEnableOpera);
    f.enableFirefox = Checked(ids::kEnableFirefox);
    f.communityRules = Checked(ids::kCommunityRules);
    return f;
  }

  void SetForm(const app::OptionsForm& f) override {
    SetChecked(ids::kAutoRun, f.autoRun);
    SetChecked(ids::kAskBeforeClear, f.askBeforeClear);
    SetChecked(ids::kVerifyPassword, f.verifyPassword);
    SetChecked(ids::kWipeFile, f.wipeFile);
    SendMessageW(Item(ids::kWipeNumber), CB_SETCURSEL, static_cast<WPARAM>(f.wipeListPosition), 0);
    SetChecked(ids::kDeleteBackupFile, f.deleteBackupFile);
    SetChecked(ids::kIncludeRemoveMedia, f.includeRemoveMedia);
    SetChecked(ids::kIncludeCdDrive, f.includeCdDrive);
    SetChecked(ids::kRestorePoint, f.restorePoint);
    SetChecked(ids::kFastScan, f.fastScan);
    SetChecked(ids::kShowLogTemp, f.showLogTempInternetFiles);
    SetChecked(ids::kShowLogRecycleBin, f.showLogRecycleBin);
    SetText(ids::kOutputDirectory, f.outputDirectory);
    SetChecked(ids::kAutoClean, f.autoClean);
    for (int i = 0; i < 5; ++i) SetChecked(ids::kInterval0 + i, f.cleanInterval == i);
    SetChecked(ids::kStartClean, f.startClean);
    SetChecked(ids::kShutdownClean, f.shutdownClean);
    SetChecked(ids::kNoBossKey, !f.useBossKey);
    SetChecked(ids::kUseBossKey, f.useBossKey);
    SetText(ids::kHotkey, f.hotkeyText);
    SetChecked(ids::kEnableIE, f.enableIE);
    SetChecked(ids::kEnableNetscape, f.enableNetscape);
    SetChecked(ids::kEnableOpera, f.enableOpera);
    SetChecked(ids::kEnableFirefox, f.enableFirefox);
    SetChecked(ids::kCommunityRules, f.communityRules);
  }

  void SetHotkeyText(std::string_view text) override { SetText(ids::kHotkey, text); }

  void SetIntervalsEnabled(bool enabled) override {
    for (int i = 0; i < 5; ++i) Enable(ids::kInterval0 + i, enabled);
  }

  void SetWipeHintEnabled(bool enabled) override {
    if (tips_ == nullptr) return;
    // Enabled, the hint shows at once.
    SendMessageW(tips_, TTM_ACTIVATE, enabled ? TRUE : FALSE, 0);
    SendMessageW(tips_, TTM_SETDELAYTIME, TTDT_INITIAL, enabled ? 0 : -1);
  }

  void ShowTab(app::OptionsTab tab) override {
    TabCtrl_SetCurSel(Item(ids::kTabs), static_cast<int>(tab));
    ShowTabControls(tab);
  }

  void FocusOutputDirectory() override { SetFocus(Item(ids::kOutputDirectory)); }

  void ShowCookies(const std::vector<std::string>& toDelete, int deleteSelection,
                   const std::vector<std::string>& toKeep, int keepSelection) override {
    Fill(ids::kCookiesToDelete, toDelete, deleteSelection);
    Fill(ids::kCookiesToKeep, toKeep, keepSelection);
  }

  int CookieSelection(app::CookieList list) const override {
    const int id = list == app::CookieList::Delete ? ids::kCookiesToDelete : ids::kCookiesToKeep;
    return static_cast<int>(SendMessageW(Item(id), LB_GETCURSEL, 0, 0));
  }

  void SetKeepListReadOnly(std::string_view notice) override {
    SetText(ids::kKeepListNotice, notice);
    for (int id :
         {ids::kAddCookie, ids::kRemoveCookie, ids::kAddAllCookies, ids::kRemoveAllCookies}) {
      Enable(id, false);
    }
  }

  void SetCommunityRulesInfo(std::string_view text) override { SetText(ids::kCommunityInfo, text); }

  std::vector<app::IgnoreRow> IgnoreRows(app::IgnoreListKind kind) const override {
    ListView list(Item(ListId(kind)));
    std::vector<app::IgnoreRow> rows;
    for (int i = 0; i < list.ItemCount(); ++i) {
      std::vector<wchar_t> text(32768, L'\0');
      ListView_GetItemText(list.hwnd(), i, 0, text.data(), static_cast<int>(text.size()));
      rows.push_back({Utf8(text.data()), list.CheckState(i)});
    }
    return rows;
  }

  void SetIgnoreRows(app::IgnoreListKind kind, const std::vector<app::IgnoreRow>& rows) override {
    ListView list(Item(ListId(kind)));
    list.DeleteAllItems();
    for (const app::IgnoreRow& row : rows) {
      const int index = list.InsertItem(list.ItemCount(), row.text);
      list.SetCheckState(index, row.ticked);
    }
  }

  int IgnoreSelection(app::IgnoreListKind kind) const override {
    return ListView(Item(ListId(kind))).NextSelected();
  }

  app::IgnoreListKind ShownIgnoreList() const override {
    return TabCtrl_GetCurSel(Item(ids::kIgnoreTabs)) == 1 ? app::IgnoreListKind::Keys
                                                          : app::IgnoreListKind::Values;
  }

  void ShowError(std::string_view text) override {
    MessageBoxW(hwnd(), Wide(text).c_str(), kCaptionW, MB_OK | MB_ICONERROR);
  }
  void ShowInformation(std::string_view title, std::string_view text) override {
    MessageBoxW(hwnd(), Wide(text).c_str(), Wide(title).c_str(), MB_OK | MB_ICONINFORMATION);
  }
  bool Confirm(std::string_view text) override {
    return MessageBoxW(hwnd(), Wide(text).c_str(), kCaptionW, MB_YESNO | MB_ICONINFORMATION) ==
           IDYES;
  }
  std::optional<std::string> EditIgnoreLine(std::string_view line) override {
    return ShowAddIgnoreLineDialog(hwnd(), shell_, line);
  }
  std::optional<std::string> ChooseFolder() override {
    return BrowseForFolder(hwnd(), "Please select the directory", "", Text(ids::kOutputDirectory));
  }
  std::optional<std::string> AskNewPassword(std::string_view current) override {
    PasswordSetDialog dialog{std::string(current)};
    return dialog.Run(hwnd());
  }
  platform::WindowId DialogWindowId() const override {
    return reinterpret_cast<platform::WindowId>(hwnd());
  }

 protected:
  void OnCreate() override {
    HWND tabs =
        Control(WC_TABCONTROLW, "", WS_CLIPSIBLINGS | WS_TABSTOP, 8, 8, 464, 382, ids::kTabs);
    AddTabs(tabs, {kTabCaptions.begin(), kTabCaptions.end()});
    CreateCommon();
    CreateCookies();
    CreateSchedule();
    CreateBossKey();
    CreateIgnoreLists();
    Button("&OK", 292, 400, 86, IDOK, BS_DEFPUSHBUTTON);
    Button("&Cancel", 386, 400, 86, IDCANCEL);
    // The tab controls lie under the controls of their pages.
    SetWindowPos(Item(ids::kIgnoreTabs), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetWindowPos(tabs, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    rules_.Open();
  }

  // Themed check boxes painted in the window's very first paint keep the
  // dialog's grey; the page is shown again once that paint is done.
  void OnShown() override { SetTimer(hwnd(), kRepaintTimer, 20, nullptr); }
  void OnTimer() override {
    KillTimer(hwnd(), kRepaintTimer);
    const auto tab = static_cast<app::OptionsTab>(TabCtrl_GetCurSel(Item(ids::kTabs)));
    HWND focus = GetFocus();
    for (const auto& [owner, id] : kTabControls) ShowItem(id, false);
    ShowTabControls(tab);
    if (focus != nullptr) SetFocus(focus);
  }

  void OnCommand(int id, int code, HWND) override {
    switch (id) {
      case IDOK:
        if (rules_.OnOk()) Close(true);
        return;
      case IDCANCEL:
        rules_.OnCancel();
        Close(false);
        return;
      case ids::kAutoClean:
        rules_.OnAutoCleanClicked(Checked(ids::kAutoClean));
        return;
      case ids::kWipeFile:
        rules_.OnWipeFileClicked(Checked(ids::kWipeFile));
        return;
      case ids::kBrowseOutput:
        rules_.OnBrowseOutputDirectory();
        return;
      case ids::kSetPassword:
        rules_.OnSetPassword();
        return;
      case ids::kAddCookie:
        rules_.OnAddCookie();
        return;
      case ids::kRemoveCookie:
        rules_.OnRemoveCookie();
        return;
      case ids::kAddAllCookies:
        rules_.OnAddAllCookies();
        return;
      case ids::kRemoveAllCookies:
        rules_.OnRemoveAllCookies();
        return;
      case ids::kViewCookie:
        rules_.OnViewCookie();
        return;
      case ids::kCookiesToDelete:
      case ids::kCookiesToKeep:
        if (code == LBN_DBLCLK) {
          rules_.OnCookieDoubleClick(id == ids::kCookiesToDelete ? app::CookieList::Delete
                                                                 : app::CookieList::Keep);
        }
        return;
      case ids::kIgnoreAdd:
        rules_.OnIgnoreAdd();
        return;
      case ids::kIgnoreEdit:
        rules_.OnIgnoreEdit();
        return;
      case ids::kIgnoreRemove:
        rules_.OnIgnoreRemove();
        return;
      default:
        return;
    }
  }

  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    // The pages' controls stand on the tab control's white face.
    if (message == WM_CTLCOLORSTATIC || message == WM_CTLCOLORBTN) {
      const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
      if (id != IDOK && id != IDCANCEL && id != ids::kOutputDirectory) {
        SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
      }
    }
    // Themed controls draw their parent's background behind them: the
    // page area is the tab's face.
    if (message == WM_ERASEBKGND || message == WM_PRINTCLIENT) {
      HDC dc = reinterpret_cast<HDC>(wParam);
      RECT client{};
      GetClientRect(hwnd(), &client);
      FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
      RECT page{};
      HWND tabs = Item(ids::kTabs);
      if (tabs != nullptr && GetWindowRect(tabs, &page)) {
        MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&page), 2);
        TabCtrl_AdjustRect(tabs, FALSE, &page);
        FillRect(dc, &page, GetSysColorBrush(COLOR_WINDOW));
      }
      return 1;
    }
    return ModalDialog::HandleMessage(message, wParam, lParam);
  }

  LRESULT OnNotify(const NMHDR& header) override {
    if (header.code == TCN_SELCHANGE && header.idFrom == ids::kTabs) {
      ShowTabControls(static_cast<app::OptionsTab>(TabCtrl_GetCurSel(header.hwndFrom)));
      return 0;
    }
    if (header.code == TCN_SELCHANGE && header.idFrom == ids::kIgnoreTabs) {
      ShowIgnoreList(ShownIgnoreList());
      return 0;
    }
    return ModalDialog::OnNotify(header);
  }

 private:
  static int ListId(app::IgnoreListKind kind) {
    return kind == app::IgnoreListKind::Values ? ids::kIgnoreValues : ids::kIgnoreKeys;
  }

  bool Checked(int id) const { return SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

  HWND Check(std::string_view text, int x, int y, int width, int id) {
    return Control(L"BUTTON", text, WS_TABSTOP | WS_GROUP | BS_AUTOCHECKBOX, x, y, width,
                   kLineHeight, id);
  }

  void AddTabs(HWND tabs, const std::vector<const char*>& captions) {
    for (std::size_t i = 0; i < captions.size(); ++i) {
      std::wstring text = Wide(captions[i]);
      TCITEMW item{};
      item.mask = TCIF_TEXT;
      item.pszText = text.data();
      SendMessageW(tabs, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
  }

  void Fill(int id, const std::vector<std::string>& names, int selection) {
    ListBox list(Item(id));
    list.ResetContent();
    for (const std::string& name : names) list.AddString(name);
    SendMessageW(Item(id), LB_SETCURSEL, static_cast<WPARAM>(selection), 0);
  }

  void ShowTabControls(app::OptionsTab tab) {
    for (const auto& [owner, id] : kTabControls) {
      ShowItem(id, owner == tab);
    }
    if (tab == app::OptionsTab::IgnoreLists) ShowIgnoreList(ShownIgnoreList());
    // The tab control first, then the page's controls over it.
    RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  }

  void ShowIgnoreList(app::IgnoreListKind kind) {
    const bool shown =
        TabCtrl_GetCurSel(Item(ids::kTabs)) == static_cast<int>(app::OptionsTab::IgnoreLists);
    ShowItem(ids::kIgnoreValues, shown && kind == app::IgnoreListKind::Values);
    ShowItem(ids::kIgnoreKeys, shown && kind == app::IgnoreListKind::Keys);
  }

  void CreateCommon() {
    Check("Auto run when the computer starts", 24, 40, 420, ids::kAutoRun);
    Check("Ask before clearing the item", 24, 62, 420, ids::kAskBeforeClear);
    HWND wipe = Check("Overwrite the cleared file,Number of times", 24, 84, 270, ids::kWipeFile);
    HWND number = Control(L"COMBOBOX", "", WS_TABSTOP | WS_GROUP | WS_VSCROLL | CBS_DROPDOWNLIST,
                          300, 82, 60, 220, ids::kWipeNumber);
    for (int i = 1; i <= 10; ++i) {
      SendMessageW(number, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::to_wstring(i).c_str()));
    }
    Check("Delete backup file after restoring the registry on restore dialog", 24, 106, 430,
          ids::kDeleteBackupFile);
    Check("Ignore missing files on removable drives", 24, 128, 430, ids::kIncludeRemoveMedia);
    Check("Include all references to CD drive", 24, 150, 430, ids::kIncludeCdDrive);
    Check("Create a system restore point before repair (XP, Vista, Seven)", 24, 172, 430,
          ids::kRestorePoint);
    Check("Fast mode, not show detailed log of all cleaner settings", 24, 194, 430, ids::kFastScan);
    Check("Show detailed log of Temporary Internet Files", 24, 216, 430, ids::kShowLogTemp);
    Check("Show detailed log of Empty Recycle Bin", 24, 238, 430, ids::kShowLogRecycleBin);
    Group("Select a destination folder to backup deleted registry entries by repairing", 24, 266,
          432, 58, ids::kOutputGroup);
    Edit(36, 290, 366, ids::kOutputDirectory);
    Button("...", 410, 288, 34, ids::kBrowseOutput);
    // Fits between the folder's group and the page's lower edge (386).
    Group("Community rules", 24, 328, 432, 56, ids::kCommunityGroup);
    Check("Show community rules (Winapp2.ini)", 36, 344, 408, ids::kCommunityRules);
    Label("", 36, 364, 408, ids::kCommunityInfo);
    // Kept for the password feature, which is never shown.
    Check("Verify password when running the software", 24, 336, 300, ids::kVerifyPassword);
    Button("Set Password", 330, 334, 110, ids::kSetPassword);
    ShowItem(ids::kVerifyPassword, false);
    ShowItem(ids::kSetPassword, false);

    tips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0,
                            0, 0, hwnd(), nullptr, GetModuleHandleW(nullptr), nullptr);
    hint_ = Wide(kWipeHint);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = hwnd();
    tool.uId = reinterpret_cast<UINT_PTR>(wipe);
    tool.lpszText = hint_.data();
    SendMessageW(tips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(tips_, TTM_SETMAXTIPWIDTH, 0, 300);
  }

  void CreateCookies() {
    Label("Cookies to Delete", 24, 40, 150, ids::kCookiesToDeleteLabel);
    Control(L"LISTBOX", "", WS_TABSTOP | WS_GROUP | WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY, 24, 60,
            150, 316, ids::kCookiesToDelete, WS_EX_CLIENTEDGE);
    Label("Cookies to Keep", 294, 40, 162, ids::kCookiesToKeepLabel);
    Control(L"LISTBOX", "", WS_TABSTOP | WS_GROUP | WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY, 294, 60,
            162, 316, ids::kCookiesToKeep, WS_EX_CLIENTEDGE);
    Button("Add         =>", 182, 90, 104, ids::kAddCookie);
    Button("Remove <=", 182, 122, 104, ids::kRemoveCookie);
    Button("Add All    =>", 182, 170, 104, ids::kAddAllCookies);
    Button("Remove All <=", 182, 202, 104, ids::kRemoveAllCookies);
    Button("&View", 182, 260, 104, ids::kViewCookie);
    Control(L"STATIC", "", SS_LEFT | SS_NOPREFIX, 182, 292, 104, 84, ids::kKeepListNotice);
  }

  void CreateSchedule() {
    Check("Automatic clean enabled", 24, 44, 300, ids::kAutoClean);
    Group("Time Intervals", 24, 72, 432, 96, ids::kIntervalsGroup);
    // Two columns, filled column by column.
    for (int i = 0; i < 5; ++i) {
      const int x = i < 3 ? 40 : 250;
      const int y = 94 + (i % 3) * 22;
      Radio(app::kCleanIntervalCaptions[static_cast<std::size_t>(i)], x, y, 190,
            ids::kInterval0 + i, i == 0);
    }
    Check("Clean when Windows start", 24, 184, 300, ids::kStartClean);
    Check("Clean when Windows shut down", 24, 208, 300, ids::kShutdownClean);
  }

  void CreateBossKey() {
    Radio("Do not use Boss Key", 24, 44, 300, ids::kNoBossKey, true);
    Radio("Assign Boss Key to this hotkey", 24, 68, 300, ids::kUseBossKey, false);
    HWND field = Edit(44, 94, 250, ids::kHotkey);
    SetWindowSubclass(field, &HotkeyFieldProc, 1, reinterpret_cast<DWORD_PTR>(this));
    Group("Hide these types of windows with Boss Key", 24, 134, 432, 82, ids::kBrowsersGroup);
    Check("Internet Explorer", 40, 158, 190, ids::kEnableIE);
    Check("Netscape", 250, 158, 190, ids::kEnableNetscape);
    Check("Opera", 40, 184, 190, ids::kEnableOpera);
    Check("Mozilla Firefox", 250, 184, 190, ids::kEnableFirefox);
  }

  void CreateIgnoreLists() {
    Label("The following registry values and keys will be ignored:", 24, 40, 420,
          ids::kIgnoreLabel);
    HWND inner = Control(WC_TABCONTROLW, "", WS_CLIPSIBLINGS | WS_TABSTOP | WS_GROUP, 24, 60, 432,
                         274, ids::kIgnoreTabs);
    AddTabs(inner, {"Values", "Keys"});
    for (int id : {ids::kIgnoreValues, ids::kIgnoreKeys}) {
      ListView list(Control(WC_LISTVIEWW, "",
                            WS_TABSTOP | WS_GROUP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                            32, 88, 416, 238, id, WS_EX_CLIENTEDGE));
      list.SetExtendedStyle(LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
      list.InsertColumn(0, "Items", 390);
    }
    Button("&Add", 24, 342, 86, ids::kIgnoreAdd);
    Button("&Edit", 118, 342, 86, ids::kIgnoreEdit);
    Button("&Remove", 212, 342, 86, ids::kIgnoreRemove);
  }

  // The hotkey field shows only what the rules write: every key press goes
  // to them and typed characters are swallowed. Tab still leaves the field.
  static LRESULT CALLBACK HotkeyFieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR, DWORD_PTR self) {
    auto* dialog = reinterpret_cast<OptionsWindow*>(self);
    switch (message) {
      case WM_GETDLGCODE: {
        const auto* msg = reinterpret_cast<const MSG*>(lParam);
        if (msg != nullptr && msg->message == WM_KEYDOWN && msg->wParam == VK_TAB) break;
        return DLGC_WANTALLKEYS;
      }
      case WM_KEYDOWN:
      case WM_SYSKEYDOWN:
        dialog->rules_.OnHotkeyKeyDown(static_cast<std::uint32_t>(wParam), Pressed(VK_CONTROL),
                                       Pressed(VK_SHIFT), Pressed(VK_MENU));
        return 0;
      case WM_CHAR:
      case WM_SYSCHAR:
      case WM_KEYUP:
      case WM_SYSKEYUP:
      case WM_PASTE:
      case WM_CUT:
      case WM_CLEAR:
        return 0;
      case WM_NCDESTROY:
        RemoveWindowSubclass(field, &HotkeyFieldProc, 1);
        break;
      default:
        break;
    }
    return DefSubclassProc(field, message, wParam, lParam);
  }

  platform::Shell& shell_;
  app::OptionsDialog rules_;
  HWND tips_ = nullptr;
  std::wstring hint_;
};

}  // namespace

bool ShowOptionsDialog(HWND owner, platform::Platform ports, const std::string& programFolder,
                       app::Options& options, app::OptionsHost host) {
  OptionsWindow dialog(ports, programFolder, options, std::move(host));
  return dialog.Run(owner);
}

}  // namespace nc::ui
