#include "cleaner/custom_list_editor.h"

#include <utility>

#include "cleaner/definitions.h"
#include "core/text.h"

namespace nc::cleaner {

namespace {

constexpr std::string_view kRegistryRowPrefix = "HKEY_";

// Characters, not bytes, of UTF-8 text.
std::size_t CharacterCount(std::string_view text) {
  std::size_t count = 0;
  for (const char c : text) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
  }
  return count;
}

}  // namespace

// ---- "Add Registry" ------------------------------------------------------

void AddRegistryController::FillFrom(std::string_view entry) {
  const auto comma = entry.find(',');
  if (comma == std::string_view::npos) {
    kind_ = RegistryEntryKind::DeleteKey;
    key_ = std::string(entry);
    valueName_.clear();
  } else {
    key_ = std::string(entry.substr(0, comma));
    valueName_ = std::string(entry.substr(comma + 1));
    kind_ = valueName_.empty() ? RegistryEntryKind::DeleteValuesUnderKey
                               : RegistryEntryKind::DeleteValue;
  }
}

void AddRegistryController::Show(AddRegistryView& view) {
  view_ = &view;
  view.SetKeyText(key_);
  view.SetValueNameText(valueName_);
  view.SetKind(kind_);
  Refresh();
}

void AddRegistryController::KeyEdited(std::string_view text) {
  key_ = std::string(text);
  Refresh();
}

void AddRegistryController::ValueNameEdited(std::string_view text) {
  valueName_ = std::string(text);
  Refresh();
}

void AddRegistryController::KindChosen(RegistryEntryKind kind) {
  kind_ = kind;
  Refresh();
}

void AddRegistryController::RunRegistryEditorClicked() {
  // Nothing to tell the user when the editor does not start: the system
  // shows its own message for a program it cannot find.
  (void)shell_.openDocument(kRegistryEditorProgram);
}

bool AddRegistryController::OkEnabled() const {
  if (UpperAscii(key_).find(kRegistryRowPrefix) == std::string::npos) return false;
  return kind_ != RegistryEntryKind::DeleteValue || !valueName_.empty();
}

std::string AddRegistryController::EntryText() const {
  switch (kind_) {
    case RegistryEntryKind::DeleteKey:
      return key_;
    case RegistryEntryKind::DeleteValuesUnderKey:
      return key_ + ",";
    case RegistryEntryKind::DeleteValue:
      return key_ + "," + valueName_;
  }
  return key_;
}

void AddRegistryController::Refresh() {
  if (view_ == nullptr) return;
  view_->EnableValueName(ValueNameEnabled());
  view_->EnableOk(OkEnabled());
}

// ---- "Add File and Folder" -----------------------------------------------

void AddFolderController::Show(AddFolderView& view) {
  view_ = &view;
  view.SetMode(mode_);
  view.SetFolderText(folder_);
  view.SetDeletingMode(deletingMode_);
  view.SetMaskText(mask_);
  ApplyMode();
}

void AddFolderController::ModeChosen(FolderEntryMode mode) {
  mode_ = mode;
  ApplyMode();
}

void AddFolderController::FolderEdited(std::string_view text) {
  if (text == folder_) return;
  folder_ = std::string(text);
  ApplyMode();
}

void AddFolderController::BrowseClicked() {
  if (view_ == nullptr) return;
  const std::string initial = files_.folderExists(folder_) ? folder_ : std::string();
  auto chosen = view_->BrowseForFolder(kBrowseFolderTitle, initial);
  if (!chosen) return;
  folder_ = std::move(*chosen);
  view_->SetFolderText(folder_);
  ApplyMode();
}

void AddFolderController::FileSelected(std::optional<std::size_t> index) {
  selectedFile_ = index && *index < fileNames_.size() ? index : std::nullopt;
  RefreshOk();
}

void AddFolderController::DeletingModeChosen(FolderDeletingMode mode) {
  deletingMode_ = mode;
  if (view_ != nullptr) view_->EnableMask(deletingMode_ == FolderDeletingMode::DeleteByMask);
  RefreshOk();
}

void AddFolderController::MaskEdited(std::string_view text) {
  mask_ = std::string(text);
  RefreshOk();
}

bool AddFolderController::OkEnabled() const {
  if (!files_.folderExists(folder_)) return false;
  if (mode_ == FolderEntryMode::SingleFile) return selectedFile_.has_value();
  return deletingMode_ == FolderDeletingMode::DeleteFolder || CharacterCount(mask_) > 2;
}

std::string AddFolderController::EntryText() const {
  if (mode_ == FolderEntryMode::SingleFile) {
    return selectedFile_ ? folder_ + "," + fileNames_[*selectedFile_] : folder_;
  }
  if (deletingMode_ == FolderDeletingMode::DeleteFolder) return folder_;
  return folder_ + "," + mask_;
}

void AddFolderController::ApplyMode() {
  fileNames_.clear();
  selectedFile_.reset();
  if (mode_ == FolderEntryMode::SingleFile && !folder_.empty() && files_.folderExists(folder_)) {
    if (auto entries = files_.list(folder_)) {
      for (const auto& entry : *entries) {
        if (!entry.isFolder()) fileNames_.push_back(entry.name);
      }
    }
  }
  if (view_ == nullptr) return;
  view_->ShowFileGroup(mode_ == FolderEntryMode::SingleFile);
  view_->SetFiles(fileNames_);
  view_->EnableMask(deletingMode_ == FolderDeletingMode::DeleteByMask);
  RefreshOk();
}

void AddFolderController::RefreshOk() {
  if (view_ != nullptr) view_->EnableOk(OkEnabled());
}

// ---- "Custom Lists" ------------------------------------------------------

NewCustomItemController::NewCustomItemController(platform::Platform platform,
                                                 std::string programFolder)
    : platform_(platform), programFolder_(std::move(programFolder)) {}

std::string NewCustomItemController::ListFile() const {
  return WithTrailingBackslash(programFolder_) + std::string(kCustomListFileName);
}

void NewCustomItemController::Show(NewCustomItemView& view) {
  view_ = &view;
  view.SetTitle(kCustomListsTitle);
  rows_ = ReadCustomListRows(platform_.profile, ListFile());
  selected_.reset();
  for (const std::string& row : rows_) view.AddRow(row);
  RefreshButtons();
}

void NewCustomItemController::AddFileFolderClicked() {
  if (view_ == nullptr) return;
  AddFolderController child(platform_.files);
  if (view_->RunAddFolder(child) && child.OkEnabled()) AppendRow(child.EntryText());
}

void NewCustomItemController::AddRegistryClicked() {
  if (view_ == nullptr) return;
  AddRegistryController child(platform_.shell);
  if (view_->RunAddRegistry(child) && child.OkEnabled()) AppendRow(child.EntryText());
}

void NewCustomItemController::EditClicked() {
  if (view_ == nullptr || !EditEnabled()) return;
  const std::size_t index = *selected_;
  AddRegistryController child(platform_.shell);
  child.FillFrom(rows_[index]);
  if (!view_->RunAddRegistry(child) || !child.OkEnabled()) return;
  if (index >= rows_.size()) return;
  rows_[index] = child.EntryText();
  view_->SetRowText(index, rows_[index]);
  RefreshButtons();
}

void NewCustomItemController::RemoveClicked() {
  if (view_ == nullptr || !selected_ || *selected_ >= rows_.size()) return;
  const std::size_t index = *selected_;
  rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(index));
  selected_.reset();
  view_->RemoveRow(index);
  if (!rows_.empty()) {
    selected_ = index < rows_.size() ? index : rows_.size() - 1;
    view_->SelectRow(*selected_);
  }
  RefreshButtons();
}

void NewCustomItemController::SelectionChanged(std::optional<std::size_t> index) {
  selected_ = index && *index < rows_.size() ? index : std::nullopt;
  RefreshButtons();
}

void NewCustomItemController::SelectAll() {
  if (view_ == nullptr) return;
  for (std::size_t i = 0; i < rows_.size(); ++i) view_->SetRowChecked(i, true);
}

void NewCustomItemController::SelectNone() {
  if (view_ == nullptr) return;
  for (std::size_t i = 0; i < rows_.size(); ++i) view_->SetRowChecked(i, false);
}

bool NewCustomItemController::OkClicked() {
  if (!OkEnabled()) return false;
  // The system's profile functions give no reason when they fail; the
  // dialog closes either way, as it always has.
  (void)WriteCustomListRows(platform_.profile, ListFile(), rows_);
  return true;
}

bool NewCustomItemController::EditEnabled() const {
  return selected_ && *selected_ < rows_.size() && IsRegistryRow(rows_[*selected_]);
}

void NewCustomItemController::AppendRow(std::string text) {
  rows_.push_back(std::move(text));
  if (view_ != nullptr) view_->AddRow(rows_.back());
  RefreshButtons();
}

void NewCustomItemController::RefreshButtons() {
  if (view_ == nullptr) return;
  view_->EnableEdit(EditEnabled());
  view_->EnableRemove(RemoveEnabled());
  view_->EnableOk(OkEnabled());
}

// ---- the list file -------------------------------------------------------

bool IsRegistryRow(std::string_view row) {
  return StartsWith(UpperAscii(row), kRegistryRowPrefix);
}

std::vector<std::string> ReadCustomListRows(platform::Profile& profile, std::string_view file) {
  std::vector<std::string> rows;
  for (const std::string& line : profile.sectionLines(file, kCustomListSection)) {
    const auto equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string_view value = Trim(std::string_view(line).substr(equals + 1));
    if (!value.empty()) rows.emplace_back(value);
  }
  return rows;
}

bool WriteCustomListRows(platform::Profile& profile, std::string_view file,
                         const std::vector<std::string>& rows) {
  bool ok = true;
  for (const std::string& name : profile.sectionNames(file)) {
    if (EqualsNoCase(Trim(name), kCustomListSection)) {
      ok = profile.eraseSection(file, kCustomListSection);
      break;
    }
  }
  int registryRows = 0;
  int fileRows = 0;
  for (const std::string& row : rows) {
    const std::string key = IsRegistryRow(row) ? "DelRegValue" + std::to_string(++registryRows)
                                               : "DelFile" + std::to_string(++fileRows);
    ok = profile.writeString(file, kCustomListSection, key, row) && ok;
  }
  return ok;
}

}  // namespace nc::cleaner
