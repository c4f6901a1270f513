#include "ui/win32/custom_list_dialogs.h"

#include "ui/win32/modal_dialog.h"

#include <commctrl.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "cleaner/custom_list_editor.h"
#include "ui/win32/list_box.h"
#include "ui/win32/list_view.h"
#include "ui/win32/window.h"

namespace nc::ui {

namespace {

namespace ids = custom_list_ids;
using cleaner::FolderDeletingMode;
using cleaner::FolderEntryMode;
using cleaner::RegistryEntryKind;

constexpr int kButtonHeight = ModalDialog::kButtonHeight;
constexpr int kEditHeight = ModalDialog::kEditHeight;
constexpr int kLineHeight = ModalDialog::kLineHeight;

// ---- "Add Registry" ------------------------------------------------------

class AddRegistryDialog : public ModalDialog, public cleaner::AddRegistryView {
 public:
  explicit AddRegistryDialog(cleaner::AddRegistryController& controller)
      : controller_(controller) {}

  bool Run(HWND owner) {
    return ModalDialog::Run(owner, kAddRegistryClass, cleaner::kAddRegistryCaption, 460, 262);
  }

  void SetKeyText(std::string_view text) override { SetText(ids::kKeyEdit, text); }
  void SetValueNameText(std::string_view text) override { SetText(ids::kValueNameEdit, text); }
  void SetKind(RegistryEntryKind kind) override {
    SetChecked(ids::kDeleteKey, kind == RegistryEntryKind::DeleteKey);
    SetChecked(ids::kDeleteValues, kind == RegistryEntryKind::DeleteValuesUnderKey);
    SetChecked(ids::kDeleteValue, kind == RegistryEntryKind::DeleteValue);
  }
  void EnableValueName(bool enabled) override { Enable(ids::kValueNameEdit, enabled); }
  void EnableOk(bool enabled) override { Enable(IDOK, enabled); }

 protected:
  void OnCreate() override {
    Label(cleaner::kRegistryKeyLabel, 12, 12, 436);
    Edit(12, 32, 436, ids::kKeyEdit);
    Label(cleaner::kRegistryKeyHint, 12, 58, 436);
    Group("", 12, 80, 436, 84);
    Radio(cleaner::kDeleteKeyChoice, 24, 92, 410, ids::kDeleteKey, true);
    Radio(cleaner::kDeleteValuesChoice, 24, 114, 410, ids::kDeleteValues, false);
    Radio(cleaner::kDeleteValueChoice, 24, 136, 410, ids::kDeleteValue, false);
    Label(cleaner::kValueNameLabel, 12, 174, 436);
    Edit(12, 194, 436, ids::kValueNameEdit);
    Button(cleaner::kRunRegistryEditorButton, 12, 226, 160, ids::kRunRegistryEditor);
    Button("&OK", 268, 226, 86, IDOK, BS_DEFPUSHBUTTON);
    Button("&Cancel", 362, 226, 86, IDCANCEL);
    controller_.Show(*this);
  }

  void OnCommand(int id, int code, HWND) override {
    switch (id) {
      case ids::kKeyEdit:
        if (code == EN_CHANGE) controller_.KeyEdited(Text(ids::kKeyEdit));
        break;
      case ids::kValueNameEdit:
        if (code == EN_CHANGE) controller_.ValueNameEdited(Text(ids::kValueNameEdit));
        break;
      case ids::kDeleteKey:
        if (code == BN_CLICKED) controller_.KindChosen(RegistryEntryKind::DeleteKey);
        break;
      case ids::kDeleteValues:
        if (code == BN_CLICKED) controller_.KindChosen(RegistryEntryKind::DeleteValuesUnderKey);
        break;
      case ids::kDeleteValue:
        if (code == BN_CLICKED) controller_.KindChosen(RegistryEntryKind::DeleteValue);
        break;
      case ids::kRunRegistryEditor:
        controller_.RunRegistryEditorClicked();
        break;
      case IDOK:
        if (controller_.OkClicked()) Close(true);
        break;
      case IDCANCEL:
        Close(false);
        break;
      default:
        break;
    }
  }

 private:
  cleaner::AddRegistryController& controller_;
};

// ---- "Add File and Folder" -----------------------------------------------

class AddFolderDialog : public ModalDialog, public cleaner::AddFolderView {
 public:
  explicit AddFolderDialog(cleaner::AddFolderController& controller) : controller_(controller) {}

  bool Run(HWND owner) {
    return ModalDialog::Run(owner, kAddFolderClass, cleaner::kAddFolderCaption, 440, 400);
  }

  void SetMode(FolderEntryMode mode) override {
    SetChecked(ids::kSingleFile, mode == FolderEntryMode::SingleFile);
    SetChecked(ids::kFolders, mode == FolderEntryMode::Folders);
  }
  void ShowFileGroup(bool fileGroup) override {
    for (int id : {ids::kFileGroup, ids::kFileList}) ShowItem(id, fileGroup);
    for (int id : {ids::kModeGroup, ids::kDeleteFolder, ids::kDeleteByMask, ids::kMaskEdit,
                   ids::kMaskHint}) {
      ShowItem(id, !fileGroup);
    }
  }
  void SetFolderText(std::string_view text) override { SetText(ids::kFolderEdit, text); }
  void SetFiles(const std::vector<std::string>& names) override {
    ListBox list(Item(ids::kFileList));
    list.SetRedraw(false);
    list.ResetContent();
    for (const std::string& name : names) list.AddString(name);
    list.SetRedraw(true);
    list.Invalidate();
  }
  void SetDeletingMode(FolderDeletingMode mode) override {
    SetChecked(ids::kDeleteFolder, mode == FolderDeletingMode::DeleteFolder);
    SetChecked(ids::kDeleteByMask, mode == FolderDeletingMode::DeleteByMask);
  }
  void SetMaskText(std::string_view text) override { SetText(ids::kMaskEdit, text); }
  void EnableMask(bool enabled) override { Enable(ids::kMaskEdit, enabled); }
  void EnableOk(bool enabled) override { Enable(IDOK, enabled); }
  std::optional<std::string> BrowseForFolder(std::string_view title,
                                             std::string_view initialFolder) override {
    return ui::BrowseForFolder(hwnd(), title, "", initialFolder);
  }

 protected:
  void OnCreate() override {
    Radio(cleaner::kSingleFileChoice, 12, 10, 416, ids::kSingleFile, true);
    Radio(cleaner::kFoldersChoice, 12, 32, 416, ids::kFolders, false);
    Group(cleaner::kSelectFolderGroup, 12, 58, 416, 58);
    Edit(24, 80, 350, ids::kFolderEdit);
    Button("...", 380, 79, 36, ids::kBrowse);
    // The two groups share one place; the mode shows one of them.
    Group(cleaner::kSelectFileGroup, 12, 124, 416, 226, ids::kFileGroup);
    Control(L"LISTBOX", "",
            WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, 24, 146, 392,
            192, ids::kFileList, WS_EX_CLIENTEDGE);
    Group(cleaner::kDeletingModeGroup, 12, 124, 416, 226, ids::kModeGroup);
    Radio(cleaner::kDeleteFolderChoice, 24, 148, 392, ids::kDeleteFolder, true);
    Radio(cleaner::kDeleteByMaskChoice, 24, 172, 392, ids::kDeleteByMask, false);
    Edit(44, 198, 160, ids::kMaskEdit);
    Label(cleaner::kMaskHint, 212, 202, 200, ids::kMaskHint);
    Button("&OK", 246, 362, 86, IDOK, BS_DEFPUSHBUTTON);
    Button("&Cancel", 342, 362, 86, IDCANCEL);
    controller_.Show(*this);
  }

  void OnCommand(int id, int code, HWND) override {
    switch (id) {
      case ids::kSingleFile:
        if (code == BN_CLICKED) controller_.ModeChosen(FolderEntryMode::SingleFile);
        break;
      case ids::kFolders:
        if (code == BN_CLICKED) controller_.ModeChosen(FolderEntryMode::Folders);
        break;
      case ids::kFolderEdit:
        if (code == EN_CHANGE) controller_.FolderEdited(Text(ids::kFolderEdit));
        break;
      case ids::kBrowse:
        if (code == BN_CLICKED) controller_.BrowseClicked();
        break;
      case ids::kFileList:
        if (code == LBN_SELCHANGE || code == LBN_SELCANCEL) {
          const LRESULT index = ListBox(Item(ids::kFileList)).CurrentSelection();
          controller_.FileSelected(index == LB_ERR ? std::nullopt
                                                   : std::optional<std::size_t>(index));
        } else if (code == LBN_DBLCLK) {
          OnCommand(IDOK, BN_CLICKED, nullptr);
        }
        break;
      case ids::kDeleteFolder:
        if (code == BN_CLICKED) controller_.DeletingModeChosen(FolderDeletingMode::DeleteFolder);
        break;
      case ids::kDeleteByMask:
        if (code == BN_CLICKED) controller_.DeletingModeChosen(FolderDeletingMode::DeleteByMask);
        break;
      case ids::kMaskEdit:
        if (code == EN_CHANGE) controller_.MaskEdited(Text(ids::kMaskEdit));
        break;
      case IDOK:
        if (controller_.OkClicked()) Close(true);
        break;
      case IDCANCEL:
        Close(false);
        break;
      default:
        break;
    }
  }

 private:
  cleaner::AddFolderController& controller_;
};

// ---- "Custom Lists" ------------------------------------------------------

class CustomListsDialog : public ModalDialog, public cleaner::NewCustomItemView {
 public:
  explicit CustomListsDialog(cleaner::NewCustomItemController& controller)
      : controller_(controller) {}

  bool Run(HWND owner) {
    ACCEL keys[] = {
        {FVIRTKEY | FCONTROL, 'A', static_cast<WORD>(ids::kSelectAll)},
        {FVIRTKEY | FCONTROL, 'N', static_cast<WORD>(ids::kSelectNone)},
    };
    HACCEL accelerators = CreateAcceleratorTableW(keys, 2);
    SetAccelerators(accelerators);
    const bool accepted =
        ModalDialog::Run(owner, kCustomListsClass, cleaner::kCustomListsCaption, 560, 340);
    SetAccelerators(nullptr);
    if (accelerators != nullptr) DestroyAcceleratorTable(accelerators);
    return accepted;
  }

  void SetTitle(std::string_view text) override { SetWindowTextW(hwnd(), Wide(text).c_str()); }
  void AddRow(std::string_view text) override { list_.InsertItem(list_.ItemCount(), text); }
  void SetRowText(std::size_t index, std::string_view text) override {
    list_.SetItemText(static_cast<int>(index), 0, text);
  }
  void RemoveRow(std::size_t index) override { list_.DeleteItem(static_cast<int>(index)); }
  void SelectRow(std::size_t index) override {
    const int row = static_cast<int>(index);
    list_.SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    list_.EnsureVisible(row, false);
    SetFocus(list_.hwnd());
  }
  void SetRowChecked(std::size_t index, bool checked) override {
    list_.SetCheckState(static_cast<int>(index), checked);
  }
  void EnableEdit(bool enabled) override { Enable(ids::kEdit, enabled); }
  void EnableRemove(bool enabled) override { Enable(ids::kRemove, enabled); }
  void EnableOk(bool enabled) override { Enable(IDOK, enabled); }
  bool RunAddFolder(cleaner::AddFolderController& controller) override {
    AddFolderDialog dialog(controller);
    return dialog.Run(hwnd());
  }
  bool RunAddRegistry(cleaner::AddRegistryController& controller) override {
    AddRegistryDialog dialog(controller);
    return dialog.Run(hwnd());
  }

 protected:
  void OnCreate() override {
    list_.Attach(Control(WC_LISTVIEWW, "",
                         WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL, 12, 12, 380,
                         316, ids::kList, WS_EX_CLIENTEDGE));
    list_.SetExtendedStyle(LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    list_.InsertColumn(0, cleaner::kContentColumn, 356);

    Button(cleaner::kAddFileFolderButton, 404, 12, 144, ids::kAddFileFolder);
    Button(cleaner::kAddRegistryButton, 404, 44, 144, ids::kAddRegistry);
    Button(cleaner::kEditButton, 404, 76, 144, ids::kEdit);
    Button(cleaner::kRemoveButton, 404, 108, 144, ids::kRemove);
    Button("&OK", 404, 270, 144, IDOK, BS_DEFPUSHBUTTON);
    Button("&Cancel", 404, 302, 144, IDCANCEL);
    controller_.Show(*this);
  }

  void OnCommand(int id, int, HWND) override {
    switch (id) {
      case ids::kAddFileFolder:
        controller_.AddFileFolderClicked();
        break;
      case ids::kAddRegistry:
        controller_.AddRegistryClicked();
        break;
      case ids::kEdit:
        controller_.EditClicked();
        break;
      case ids::kRemove:
        controller_.RemoveClicked();
        break;
      case ids::kSelectAll:
        controller_.SelectAll();
        break;
      case ids::kSelectNone:
        controller_.SelectNone();
        break;
      case IDOK:
        if (controller_.OkClicked()) Close(true);
        break;
      case IDCANCEL:
        controller_.CancelClicked();
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
      controller_.EditClicked();
    }
    return 0;
  }

  void OnContextMenu(HWND from, int x, int y) override {
    if (from != list_.hwnd()) return;
    if (x == -1 && y == -1) {  // from the keyboard: under the list's corner
      RECT r{};
      GetWindowRect(list_.hwnd(), &r);
      x = r.left + 8;
      y = r.top + 8;
    }
    HMENU menu = CreatePopupMenu();
    if (menu == nullptr) return;
    const std::wstring all = Wide(cleaner::kSelectAllItem) + L"\tCtrl+A";
    const std::wstring none = Wide(cleaner::kSelectNoneItem) + L"\tCtrl+N";
    AppendMenuW(menu, MF_STRING, ids::kSelectAll, all.c_str());
    AppendMenuW(menu, MF_STRING, ids::kSelectNone, none.c_str());
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, x, y, 0, hwnd(), nullptr);
    DestroyMenu(menu);
  }

 private:
  cleaner::NewCustomItemController& controller_;
  ListView list_;
};

// ---- the folder picker ---------------------------------------------------

struct BrowseStart {
  std::wstring folder;  // where the picker opens; empty for its default
};

int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM, LPARAM data) {
  if (message != BFFM_INITIALIZED) return 0;
  RECT frame{};
  GetWindowRect(window, &frame);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  SetWindowPos(window, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  const auto* start = reinterpret_cast<const BrowseStart*>(data);
  if (start != nullptr && !start->folder.empty()) {
    const auto path = reinterpret_cast<LPARAM>(start->folder.c_str());
    SendMessageW(window, BFFM_SETSELECTIONW, TRUE, path);
    // Asked once more when the dialog has settled: a tree still being
    // filled may drop the first request and stay at the desktop. The
    // folder lives until the picker has closed.
    PostMessageW(window, BFFM_SETSELECTIONW, TRUE, path);
  }
  return 0;
}

bool IsFolder(const std::wstring& path) {
  if (path.empty()) return false;
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

std::optional<std::string> BrowseForFolder(HWND owner, std::string_view title,
                                           std::string_view rootFolder, std::string_view folder) {
  BrowseStart start;
  start.folder = Wide(folder);
  if (!IsFolder(start.folder)) start.folder.clear();
  const std::wstring wideTitle = Wide(title);

  PIDLIST_ABSOLUTE root = nullptr;
  if (!rootFolder.empty()) {
    if (FAILED(SHParseDisplayName(Wide(rootFolder).c_str(), nullptr, &root, 0, nullptr))) {
      root = nullptr;
    }
  }
  BROWSEINFOW info{};
  info.hwndOwner = owner;
  info.pidlRoot = root;
  info.lpszTitle = wideTitle.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  info.lpfn = &BrowseCallback;
  info.lParam = reinterpret_cast<LPARAM>(&start);

  // No "insert a disk" boxes for empty drives while the user browses.
  const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS);
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
  SetErrorMode(oldMode);
  if (root != nullptr) CoTaskMemFree(root);
  if (chosen == nullptr) return std::nullopt;

  std::vector<wchar_t> path(32768, L'\0');
  const bool got = SHGetPathFromIDListEx(chosen, path.data(), static_cast<DWORD>(path.size()),
                                         GPFIDL_DEFAULT) != FALSE;
  CoTaskMemFree(chosen);
  if (!got || path[0] == L'\0') return std::nullopt;
  return Utf8(path.data());
}

void ShowCustomListEditor(HWND owner, nc::platform::Platform platform,
                          const std::string& programFolder) {
  cleaner::NewCustomItemController controller(platform, programFolder);
  CustomListsDialog dialog(controller);
  dialog.Run(owner);
}

}  // namespace nc::ui
