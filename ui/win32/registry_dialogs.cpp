#include "ui/win32/registry_dialogs.h"

#include "ui/win32/modal_dialog.h"

#include <commctrl.h>
#include <commdlg.h>

#include <string>
#include <vector>

#include "platform/win32/win_programs.h"
#include "platform/win32/win_prompts.h"
#include "registry/exclusions.h"
#include "ui/win32/custom_list_dialogs.h"
#include "ui/win32/list_view.h"
#include "ui/win32/window.h"

namespace nc::ui {

namespace {

namespace ids = registry_dialog_ids;

constexpr std::string_view kCaption = "Norvik Cleaner";
constexpr int kButtonHeight = ModalDialog::kButtonHeight;
constexpr int kEditHeight = ModalDialog::kEditHeight;
constexpr int kLineHeight = ModalDialog::kLineHeight;
constexpr UINT_PTR kWaitTimerId = 1;

// ---- "Add to Ignore List" ---------------------------------------------------

class AddIgnoreLineDialog : public ModalDialog, public registry::AddIgnoreLineView {
 public:
  explicit AddIgnoreLineDialog(registry::AddIgnoreLineController& controller)
      : controller_(controller) {}

  bool Run(HWND owner) {
    return ModalDialog::Run(owner, kAddIgnoreLineClass, registry::kAddIgnoreLineCaption, 460, 124);
  }

  void SetKeyText(std::string_view text) override { SetText(ids::kRegistryKey, text); }
  void EnableOk(bool enabled) override { Enable(IDOK, enabled); }

 protected:
  void OnCreate() override {
    Label(registry::kAddIgnoreLineLabel, 12, 12, 436);
    Edit(12, 32, 436, ids::kRegistryKey);
    Label(registry::kAddIgnoreLineHint, 12, 60, 436);
    Button(registry::kLaunchRegistryEditorButton, 12, 88, 170, ids::kLaunchEditor);
    Button("&OK", 268, 88, 86, IDOK, BS_DEFPUSHBUTTON);
    Button("&Cancel", 362, 88, 86, IDCANCEL);
    controller_.Show(*this);
  }

  void OnCommand(int id, int code, HWND) override {
    switch (id) {
      case ids::kRegistryKey:
        if (code == EN_CHANGE) controller_.KeyEdited(Text(ids::kRegistryKey));
        break;
      case ids::kLaunchEditor:
        controller_.LaunchRegistryEditorClicked();
        break;
      case IDOK:
        if (controller_.OkEnabled()) Close(true);
        break;
      case IDCANCEL:
        Close(false);
        break;
      default:
        break;
    }
  }

 private:
  registry::AddIgnoreLineController& controller_;
};

// ---- the wait dialog ----------------------------------------------------------

class BackupHintDialog : public ModalDialog, public registry::BackupHintView {
 public:
  explicit BackupHintDialog(registry::BackupHintController& controller) : controller_(controller) {}

  bool Run(HWND owner) { return ModalDialog::Run(owner, kBackupHintClass, kCaption, 320, 112); }

  void SetHintText(std::string_view text) override { SetText(ids::kHint, text); }
  void SetBarPosition(int position) override {
    SendMessageW(Item(ids::kBar), PBM_SETPOS, static_cast<WPARAM>(position), 0);
  }
  void Close(bool ok) override {
    KillTimer(hwnd(), kWaitTimerId);
    ModalDialog::Close(ok);
  }

 protected:
  void OnCreate() override {
    Label("", 12, 12, 296, ids::kHint);
    Control(PROGRESS_CLASSW, "", 0, 12, 38, 296, 18, ids::kBar);
    SendMessageW(Item(ids::kBar), PBM_SETRANGE32, 0, registry::kWaitBarMax);
    Button("Stop", 117, 74, 86, ids::kStop);
    controller_.Show(*this);
    SetTimer(hwnd(), kWaitTimerId, registry::kWaitTimerMs, nullptr);
  }

  void OnTimer() override { controller_.TimerTick(); }

  // "Stop" and the close box both end the editor.
  void OnCommand(int id, int, HWND) override {
    if (id == ids::kStop) controller_.StopClicked();
  }

 private:
  registry::BackupHintController& controller_;
};

// ---- the restore dialog ---------------------------------------------------------

class RestoreDialog : public ModalDialog, public registry::RestoreView {
 public:
  // The dialog's message boxes are owned by the dialog, not the main window.
  RestoreDialog(platform::Platform ports, const registry::BackupSettings& settings)
      : prompts_(nullptr),
        controller_({platform::WithPrompts(ports, prompts_), settings, &LocalDateTimeText}) {}

  void Run(HWND owner) { ModalDialog::Run(owner, kRestoreClass, kCaption, 520, 330); }

  void SetFolderText(std::string_view text) override { SetText(ids::kFolder, text); }
  void SetRows(const std::vector<registry::BackupRow>& rows) override {
    list_.SetRedraw(false);
    list_.DeleteAllItems();
    for (const registry::BackupRow& row : rows) {
      const int index = list_.ItemCount();
      list_.InsertItem(index, row.name);
      list_.SetItemText(index, 1, row.date);
      list_.SetItemText(index, 2, row.size);
    }
    list_.SetRedraw(true);
    list_.Invalidate();
  }
  void RemoveRow(std::size_t index) override { list_.DeleteItem(static_cast<int>(index)); }
  void SelectRow(std::optional<std::size_t> index) override {
    list_.SetItemState(-1, 0, LVIS_SELECTED);
    if (!index) return;
    const int row = static_cast<int>(*index);
    list_.SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    list_.EnsureVisible(row, false);
  }
  void EnableRestore(bool enabled) override { Enable(ids::kRestore, enabled); }
  void EnableDelete(bool enabled) override { Enable(ids::kDelete, enabled); }
  std::optional<std::string> BrowseForFolder(std::string_view prompt) override {
    return ui::BrowseForFolder(hwnd(), prompt, "", "");
  }
  bool RunWaitDialog(registry::BackupHintController& hint) override {
    BackupHintDialog dialog(hint);
    return dialog.Run(hwnd());
  }

 protected:
  void OnCreate() override {
    prompts_.setOwner(hwnd());
    Control(L"BUTTON", registry::kBackupFolderGroup, BS_GROUPBOX, 12, 8, 496, 58, -1);
    Edit(24, 30, 420, ids::kFolder, ES_READONLY);
    Button("...", 452, 29, 44, ids::kBrowseFolder);
    list_.Attach(Control(WC_LISTVIEWW, "",
                         WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL, 12, 76, 496,
                         200, ids::kList, WS_EX_CLIENTEDGE));
    list_.SetExtendedStyle(LVS_EX_FULLROWSELECT);
    list_.InsertColumn(0, registry::kBackupFileColumn, 220, LVCFMT_LEFT);
    list_.InsertColumn(1, registry::kBackupDateColumn, 160, LVCFMT_LEFT);
    list_.InsertColumn(2, registry::kBackupSizeColumn, 92, LVCFMT_RIGHT);
    Button("&Restore", 12, 290, 92, ids::kRestore);
    Button("&Open Directory", 112, 290, 120, ids::kOpenDirectory);
    Button("&Delete", 240, 290, 92, ids::kDelete);
    Button("&Close", 416, 290, 92, ids::kClose);
  }

  // The list is filled once the window shows, so that the message about a
  // missing folder stands over the dialog.
  void OnShown() override { controller_.Show(*this); }

  void OnCommand(int id, int code, HWND) override {
    if (code != BN_CLICKED) return;
    switch (id) {
      case ids::kBrowseFolder:
        controller_.BrowseClicked();
        break;
      case ids::kRestore:
        controller_.RestoreClicked();
        break;
      case ids::kOpenDirectory:
        controller_.OpenDirectoryClicked();
        break;
      case ids::kDelete:
        controller_.DeleteClicked();
        break;
      case ids::kClose:
        Close(false);
        break;
      default:
        break;
    }
  }

  LRESULT OnNotify(const NMHDR& header) override {
    if (header.idFrom != static_cast<UINT_PTR>(ids::kList)) return 0;
    if (header.code == LVN_ITEMCHANGED) {
      const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
      if ((change.uChanged & LVIF_STATE) != 0 &&
          ((change.uOldState ^ change.uNewState) & LVIS_SELECTED) != 0) {
        const int selected = list_.NextSelected();
        controller_.SelectionChanged(selected < 0 ? std::nullopt
                                                  : std::optional<std::size_t>(selected));
      }
    } else if (header.code == NM_DBLCLK) {
      const auto& activate = reinterpret_cast<const NMITEMACTIVATE&>(header);
      if (activate.iItem >= 0) controller_.RestoreClicked();
    }
    return 0;
  }

 private:
  win32::WinPrompts prompts_;
  registry::RestoreController controller_;
  ListView list_;
};

// "Text files (*.txt)|*.txt" as the dialog wants it: NUL-separated pairs
// ending with two NULs.
std::wstring DialogFilter(std::string_view filter) {
  std::wstring wide = Wide(filter);
  for (wchar_t& c : wide) {
    if (c == L'|') c = L'\0';
  }
  wide.push_back(L'\0');
  wide.push_back(L'\0');
  return wide;
}

}  // namespace

std::optional<std::string> ShowAddIgnoreLineDialog(HWND owner, platform::Shell& shell,
                                                   std::string_view line) {
  registry::AddIgnoreLineController controller(shell, std::string(line));
  AddIgnoreLineDialog dialog(controller);
  if (!dialog.Run(owner)) return std::nullopt;
  return controller.Line();
}

void ShowRestoreDialog(HWND owner, platform::Platform ports,
                       const registry::BackupSettings& settings) {
  RestoreDialog dialog(ports, settings);
  dialog.Run(owner);
}

registry::SaveOutcome BackupFullRegistry(HWND owner, platform::Platform ports) {
  return registry::BackupFullRegistry(ports.files, ports.programs, ports.prompts,
                                      MakeSaveFileAsker(owner), MakeWaitDialogRunner(owner));
}

registry::SaveFileAsker MakeSaveFileAsker(HWND owner) {
  return [owner](const registry::SaveFileRequest& request) -> std::optional<std::string> {
    std::vector<wchar_t> file(32768, L'\0');
    const std::wstring filter = DialogFilter(request.filter);
    const std::wstring title = Wide(request.title);
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrTitle = title.c_str();
    dialog.Flags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetSaveFileNameW(&dialog) || file[0] == L'\0') return std::nullopt;
    return Utf8(file.data());
  };
}

registry::WaitDialogRunner MakeWaitDialogRunner(HWND owner) {
  return [owner](registry::BackupHintController& hint) {
    BackupHintDialog dialog(hint);
    return dialog.Run(owner);
  };
}

std::string LocalDateTimeText(std::int64_t unixSeconds) {
  constexpr std::int64_t kEpochDifference = 11644473600;  // 1601 to 1970, in seconds
  const auto ticks = static_cast<std::uint64_t>(unixSeconds + kEpochDifference) * 10000000ULL;
  FILETIME utc{static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
  FILETIME local{};
  SYSTEMTIME time{};
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &time)) return {};
  wchar_t date[128] = {};
  wchar_t clock[128] = {};
  GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, date, 128);
  GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &time, nullptr, clock, 128);
  return Utf8(std::wstring(date) + L" " + clock);
}

}  // namespace nc::ui
