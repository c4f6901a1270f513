// The editor of the user's custom list "Custom.dat": the "Custom Lists"
// dialog with its rows, and the two dialogs that make one row, "Add File
// and Folder" and "Add Registry".
//
// Each dialog is a controller here and a view in ui/win32. The controllers
// hold the state and every rule (what is enabled, what a row means, what
// is written); the views only show what they are told and report what the
// user did. A controller is given its view when the dialog is shown.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace nc::cleaner {

// ---- "Add Registry" ------------------------------------------------------

inline constexpr std::string_view kAddRegistryCaption = "Add Registry";
inline constexpr std::string_view kRegistryKeyLabel = "Registry Key";
inline constexpr std::string_view kRegistryKeyHint =
    "Enter the registry key like: HKEY_CURRENT_USER\\Software\\Microsoft";
inline constexpr std::string_view kValueNameLabel = "Value Name";
inline constexpr std::string_view kDeleteKeyChoice = "Delete key";
inline constexpr std::string_view kDeleteValuesChoice = "Delete values under the key";
inline constexpr std::string_view kDeleteValueChoice = "Delete value";
inline constexpr std::string_view kRunRegistryEditorButton = "&Run Registry Editor";
inline constexpr std::string_view kRegistryEditorProgram = "Regedit.exe";

enum class RegistryEntryKind { DeleteKey, DeleteValuesUnderKey, DeleteValue };

class AddRegistryView {
 public:
  virtual ~AddRegistryView() = default;
  virtual void SetKeyText(std::string_view text) = 0;
  virtual void SetValueNameText(std::string_view text) = 0;
  virtual void SetKind(RegistryEntryKind kind) = 0;
  virtual void EnableValueName(bool enabled) = 0;
  virtual void EnableOk(bool enabled) = 0;
};

class AddRegistryController {
 public:
  explicit AddRegistryController(platform::Shell& shell) : shell_(shell) {}

  // Starts from an existing row instead of an empty key: "key" deletes the
  // key, "key," the values under it, "key,name" the one value.
  void FillFrom(std::string_view entry);

  // The dialog is up: it shows the state and reports to this controller.
  void Show(AddRegistryView& view);
  void KeyEdited(std::string_view text);
  void ValueNameEdited(std::string_view text);
  void KindChosen(RegistryEntryKind kind);
  void RunRegistryEditorClicked();
  // True when the dialog closes with the entry accepted.
  bool OkClicked() const { return OkEnabled(); }

  bool OkEnabled() const;
  bool ValueNameEnabled() const { return kind_ == RegistryEntryKind::DeleteValue; }
  RegistryEntryKind Kind() const { return kind_; }
  const std::string& Key() const { return key_; }
  const std::string& ValueName() const { return valueName_; }
  // The row this dialog makes: "key", "key," or "key,name".
  std::string EntryText() const;

 private:
  void Refresh();

  platform::Shell& shell_;
  AddRegistryView* view_ = nullptr;
  std::string key_;
  std::string valueName_;
  RegistryEntryKind kind_ = RegistryEntryKind::DeleteKey;
};

// ---- "Add File and Folder" -----------------------------------------------

inline constexpr std::string_view kAddFolderCaption = "Add File and Folder";
inline constexpr std::string_view kSingleFileChoice = "Delete single file";
inline constexpr std::string_view kFoldersChoice = "Delete folders containing multiple files";
inline constexpr std::string_view kSelectFolderGroup = "Select a folder";
inline constexpr std::string_view kSelectFileGroup = "Select file";
inline constexpr std::string_view kDeletingModeGroup = "Select deleting mode";
inline constexpr std::string_view kDeleteFolderChoice = "Delete this folder";
inline constexpr std::string_view kDeleteByMaskChoice =
    "Delete files in this folder(use wildcard match)";
inline constexpr std::string_view kMaskHint = "(For example: *.txt)";
inline constexpr std::string_view kInitialMask = "*.";
inline constexpr std::string_view kBrowseFolderTitle = "Please select the directory to add";

enum class FolderEntryMode { SingleFile, Folders };
enum class FolderDeletingMode { DeleteFolder, DeleteByMask };

class AddFolderView {
 public:
  virtual ~AddFolderView() = default;
  virtual void SetMode(FolderEntryMode mode) = 0;
  // Shows the "Select file" group (true) or, in its place, the "Select
  // deleting mode" group (false).
  virtual void ShowFileGroup(bool fileGroup) = 0;
  virtual void SetFolderText(std::string_view text) = 0;
  // Replaces the names of the file list; nothing is selected after.
  virtual void SetFiles(const std::vector<std::string>& names) = 0;
  virtual void SetDeletingMode(FolderDeletingMode mode) = 0;
  virtual void SetMaskText(std::string_view text) = 0;
  virtual void EnableMask(bool enabled) = 0;
  virtual void EnableOk(bool enabled) = 0;
  // The system's folder picker (file-system folders only) with `title`,
  // opening at `initialFolder` when it is not empty. The chosen folder, or
  // nullopt when the user cancelled.
  virtual std::optional<std::string> BrowseForFolder(std::string_view title,
                                                     std::string_view initialFolder) = 0;
};

class AddFolderController {
 public:
  explicit AddFolderController(platform::FileSystem& files) : files_(files) {}

  void Show(AddFolderView& view);
  void ModeChosen(FolderEntryMode mode);
  void FolderEdited(std::string_view text);
  void BrowseClicked();
  // The row of the file list now selected; nullopt for none.
  void FileSelected(std::optional<std::size_t> index);
  void DeletingModeChosen(FolderDeletingMode mode);
  void MaskEdited(std::string_view text);
  bool OkClicked() const { return OkEnabled(); }

  bool OkEnabled() const;
  FolderEntryMode Mode() const { return mode_; }
  FolderDeletingMode DeletingMode() const { return deletingMode_; }
  const std::string& Folder() const { return folder_; }
  const std::vector<std::string>& Files() const { return fileNames_; }
  // The row this dialog makes: "folder,file", "folder" or "folder,mask".
  std::string EntryText() const;

 private:
  // Lists the folder's files again (single-file mode) and shows the state.
  void ApplyMode();
  void RefreshOk();

  platform::FileSystem& files_;
  AddFolderView* view_ = nullptr;
  FolderEntryMode mode_ = FolderEntryMode::SingleFile;
  FolderDeletingMode deletingMode_ = FolderDeletingMode::DeleteFolder;
  std::string folder_;
  std::string mask_{kInitialMask};
  std::vector<std::string> fileNames_;
  std::optional<std::size_t> selectedFile_;
};

// ---- "Custom Lists" ------------------------------------------------------

inline constexpr std::string_view kCustomListsCaption = "Custom Lists";
inline constexpr std::string_view kCustomListsTitle = "Edit Custom Item";
inline constexpr std::string_view kContentColumn = "Content";
inline constexpr std::string_view kAddFileFolderButton = "Add &File && Folder";
inline constexpr std::string_view kAddRegistryButton = "Add &Registry";
inline constexpr std::string_view kEditButton = "&Edit";
inline constexpr std::string_view kRemoveButton = "R&emove Selected";
inline constexpr std::string_view kSelectAllItem = "Select &All";
inline constexpr std::string_view kSelectNoneItem = "Select &None";

class NewCustomItemView {
 public:
  virtual ~NewCustomItemView() = default;
  virtual void SetTitle(std::string_view text) = 0;
  virtual void AddRow(std::string_view text) = 0;
  virtual void SetRowText(std::size_t index, std::string_view text) = 0;
  virtual void RemoveRow(std::size_t index) = 0;
  // Selects the row and gives the list the focus.
  virtual void SelectRow(std::size_t index) = 0;
  virtual void SetRowChecked(std::size_t index, bool checked) = 0;
  virtual void EnableEdit(bool enabled) = 0;
  virtual void EnableRemove(bool enabled) = 0;
  virtual void EnableOk(bool enabled) = 0;
  // Show the child dialog modally over this one, bound to `controller`;
  // true when it was closed with OK.
  virtual bool RunAddFolder(AddFolderController& controller) = 0;
  virtual bool RunAddRegistry(AddRegistryController& controller) = 0;
};

class NewCustomItemController {
 public:
  // `programFolder` ends with a backslash; the list is its "Custom.dat".
  NewCustomItemController(platform::Platform platform, std::string programFolder);

  // Reads the rows of "<New List>" and shows them.
  void Show(NewCustomItemView& view);
  void AddFileFolderClicked();
  void AddRegistryClicked();
  // "&Edit", and a double-click on a row.
  void EditClicked();
  void RemoveClicked();
  void SelectionChanged(std::optional<std::size_t> index);
  void SelectAll();
  void SelectNone();
  // Writes the list when OK is enabled; true when the dialog closes.
  bool OkClicked();
  // Closes without writing.
  void CancelClicked() {}

  bool EditEnabled() const;
  bool RemoveEnabled() const { return selected_.has_value(); }
  bool OkEnabled() const { return !rows_.empty(); }
  const std::vector<std::string>& Rows() const { return rows_; }
  std::optional<std::size_t> Selected() const { return selected_; }
  std::string ListFile() const;

 private:
  void AppendRow(std::string text);
  void RefreshButtons();

  platform::Platform platform_;
  std::string programFolder_;
  NewCustomItemView* view_ = nullptr;
  std::vector<std::string> rows_;
  std::optional<std::size_t> selected_;
};

// The rows of the custom list: the values of section "<New List>" in file
// order. Lines without "=" and empty values are not rows.
std::vector<std::string> ReadCustomListRows(platform::Profile& profile, std::string_view file);
// Replaces section "<New List>" with the rows: "DelRegValue<n>" for rows
// that start with "HKEY_" (any letter case), "DelFile<m>" for the others,
// each kind numbered from 1. False when the file could not be written.
bool WriteCustomListRows(platform::Profile& profile, std::string_view file,
                         const std::vector<std::string>& rows);
// Whether a row names a registry key or value.
bool IsRegistryRow(std::string_view row);

}  // namespace nc::cleaner
