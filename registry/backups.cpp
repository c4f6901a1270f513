#include "registry/backups.h"

#include <algorithm>

#include "core/reg_file.h"
#include "core/text.h"
#include "registry/locations.h"

namespace nc::registry {

namespace {

std::string Quoted(std::string_view text) {
  return "\"" + std::string(text) + "\"";
}

}  // namespace

// ---- the registry editor and its wait dialog --------------------------------

std::string ImportCommandLine(std::string_view file, std::string_view editor) {
  return std::string(editor) + " /s " + Quoted(file);
}

std::string RestoringRegistryEditor(platform::System& system, platform::FileSystem& files) {
  if (!system.isWow64()) return "Regedit";
  const std::string windows = files.specialFolder(platform::Csidl::Windows);
  if (windows.empty()) return "Regedit";
  return Quoted(WithTrailingBackslash(windows) + "regedit.exe");
}
std::string ExportCommandLine(std::string_view file) {
  return "Regedit /e " + Quoted(file);
}

int NextWaitBarPosition(int position) {
  int step = 0;
  if (position <= 300) {
    step = 10;
  } else if (position <= 400) {
    step = 5;
  } else if (position <= 450) {
    step = 3;
  } else if (position <= 490) {
    step = 2;
  } else {
    step = 1;
  }
  // The bar holds no position above its maximum.
  return std::min(position + step, std::max(position, kWaitBarMax));
}

void BackupHintController::Show(BackupHintView& view) {
  view_ = &view;
  position_ = 0;
  view.SetHintText(hint_);
  view.SetBarPosition(position_);
}

void BackupHintController::TimerTick() {
  if (closed_) return;
  if (process_.finished()) {
    Close(true);
    return;
  }
  position_ = NextWaitBarPosition(position_);
  if (view_ != nullptr) view_->SetBarPosition(position_);
}

void BackupHintController::StopClicked() {
  if (closed_) return;
  process_.terminate();
  Close(false);
}

void BackupHintController::Close(bool ok) {
  closed_ = true;
  if (view_ != nullptr) view_->Close(ok);
}

bool RunRegistryEditor(platform::Programs& programs, platform::Prompts& prompts,
                       std::string_view commandLine, std::string_view waitText,
                       const WaitDialogRunner& showWait, std::optional<std::uint32_t>* exitCode) {
  // The native editor: a 32-bit program on 64-bit Windows would otherwise
  // start the 32-bit one of SysWOW64, which puts every key of
  // HKEY_LOCAL_MACHINE\Software below Wow6432Node.
  auto started = programs.startNative(commandLine, platform::StartShow::Hidden, 0);
  if (!started) {
    prompts.inform(kRegeditMissing);
    return false;
  }
  BackupHintController hint(*started.value(), std::string(waitText));
  const bool ended = showWait(hint);
  if (ended && exitCode != nullptr) *exitCode = started.value()->exitCode();
  return ended;
}

// ---- the restore dialog -----------------------------------------------------

std::vector<BackupFile> ListBackupFiles(platform::FileSystem& files, std::string_view folder) {
  std::vector<BackupFile> found;
  auto entries = files.list(folder);
  if (!entries) return found;
  for (const platform::FileEntry& entry : entries.value()) {
    if (entry.isFolder()) continue;
    if (UpperAscii(FileExtension(entry.name)) != ".REG") continue;
    found.push_back({entry.name, entry.lastWrite, entry.size});
  }
  std::stable_sort(found.begin(), found.end(), [](const BackupFile& a, const BackupFile& b) {
    return UpperAscii(a.name) > UpperAscii(b.name);
  });
  return found;
}

namespace {

bool OpFound(platform::Registry& registry, const RegFileOp& op) {
  const auto root = platform::ToPortRoot(op.root);
  if (!root) return true;
  auto key = registry.open(*root, op.path, platform::RegAccess::Read, ViewOfLocation(*root));
  switch (op.kind) {
    case RegFileOp::Kind::CreateKey:
      return key.ok();
    case RegFileOp::Kind::DeleteKey:
      return !key && key.error().code == Errc::NotFound;
    case RegFileOp::Kind::SetValue: {
      if (!key) return false;
      auto value = registry.readValue(*key, op.value.name);
      return value && value->type == op.value.type && value->data == op.value.data;
    }
    case RegFileOp::Kind::DeleteValue: {
      if (!key) return key.error().code == Errc::NotFound;
      auto value = registry.readValue(*key, op.value.name);
      return !value && value.error().code == Errc::NotFound;
    }
  }
  return false;
}

}  // namespace

bool BackupIsInRegistry(const platform::Platform& ports, std::string_view file,
                        std::size_t samples) {
  auto bytes = platform::ReadWholeFile(ports.files, file);
  if (!bytes) return false;
  const std::string& raw = *bytes;
  const bool utf16 = raw.size() >= 2 && raw[0] == '\xFF' && raw[1] == '\xFE';
  const RegFileParse parsed =
      utf16 ? ParseRegFile(DecodeRegFileBytes(
                  {reinterpret_cast<const std::uint8_t*>(raw.data()), raw.size()}))
            : ParseRegFile(ports.system.fromAnsiCodePage(raw), [&ports](std::string_view ansi) {
                return ports.system.fromAnsiCodePage(ansi);
              });
  if (!parsed.headerFound) return false;
  const std::vector<RegFileOp>& ops = parsed.ops;
  if (ops.empty() || samples == 0) return true;
  const std::size_t count = std::min(samples, ops.size());
  for (std::size_t i = 0; i < count; ++i) {
    // Evenly spread, the first and the last entry included.
    const std::size_t at = count == 1 ? 0 : i * (ops.size() - 1) / (count - 1);
    if (!OpFound(ports.registry, ops[at])) return false;
  }
  return true;
}

std::string RestoreFailedText(std::string_view file) {
  std::string text = "The registry editor did not bring back everything in\r\n";
  text += file;
  text += "\r\nThe backup file was kept.";
  return text;
}

std::string FormatSizeKB(std::uint64_t bytes) {
  return KilobyteText(bytes) + " KB";
}

void RestoreController::Show(RestoreView& view) {
  view_ = &view;
  folder_ = env_.settings.OutputDirectory;
  view.SetFolderText(folder_);
  ListFolder();
}

void RestoreController::ListFolder() {
  files_.clear();
  if (!env_.ports.files.folderExists(folder_)) {
    if (view_ != nullptr) view_->SetRows({});
    Select(std::nullopt);
    env_.ports.prompts.inform(kBackupFolderMissing);
    return;
  }
  files_ = ListBackupFiles(env_.ports.files, folder_);
  std::vector<BackupRow> rows;
  rows.reserve(files_.size());
  for (const BackupFile& file : files_) {
    rows.push_back({file.name, env_.dateText ? env_.dateText(file.lastWrite) : std::string(),
                    FormatSizeKB(file.size)});
  }
  if (view_ != nullptr) view_->SetRows(rows);
  Select(std::nullopt);
}

void RestoreController::Select(std::optional<std::size_t> index) {
  if (index && *index >= files_.size()) index.reset();
  selected_ = index;
  if (view_ == nullptr) return;
  view_->SelectRow(selected_);
  view_->EnableRestore(selected_.has_value());
  view_->EnableDelete(selected_.has_value());
}

void RestoreController::SelectionChanged(std::optional<std::size_t> index) {
  if (index && *index >= files_.size()) index.reset();
  selected_ = index;
  if (view_ == nullptr) return;
  view_->EnableRestore(selected_.has_value());
  view_->EnableDelete(selected_.has_value());
}

void RestoreController::BrowseClicked() {
  if (view_ == nullptr) return;
  const std::optional<std::string> chosen = view_->BrowseForFolder(kPickBackupFolderPrompt);
  if (!chosen || chosen->empty()) return;
  folder_ = *chosen;
  view_->SetFolderText(folder_);
  ListFolder();
}

void RestoreController::OpenDirectoryClicked() {
  // The shell shows its own message when the folder cannot be opened.
  (void)env_.ports.shell.openDocument(folder_);
}

std::string RestoreController::SelectedPath() const {
  return WithTrailingBackslash(folder_) + files_[*selected_].name;
}

void RestoreController::RestoreClicked() {
  if (!selected_ || view_ == nullptr) return;
  const std::string path = SelectedPath();
  std::optional<std::uint32_t> exitCode;
  const bool ended = RunRegistryEditor(
      env_.ports.programs, env_.ports.prompts,
      ImportCommandLine(path, RestoringRegistryEditor(env_.ports.system, env_.ports.files)),
      kRestoreWaitText, [this](BackupHintController& hint) { return view_->RunWaitDialog(hint); },
      &exitCode);
  // Stopped or never started: the file stays, and a start failure was told.
  if (!ended) return;
  // The file goes only after a restore that brought its entries back.
  if ((exitCode && *exitCode != 0) || !BackupIsInRegistry(env_.ports, path)) {
    env_.ports.prompts.error(RestoreFailedText(path));
    return;
  }
  if (env_.settings.DeleteBackupFile) DeleteClicked();
}

void RestoreController::DeleteClicked() {
  if (!selected_) return;
  const std::size_t index = *selected_;
  const std::string path = SelectedPath();
  // A file that is still there keeps its row, so the list never hides a
  // backup that exists.
  if (!DeleteFileByShell(env_.ports.shell, path) && env_.ports.files.fileExists(path)) return;
  files_.erase(files_.begin() + static_cast<std::ptrdiff_t>(index));
  if (view_ != nullptr) view_->RemoveRow(index);
  if (files_.empty()) {
    Select(std::nullopt);
  } else {
    Select(std::min(index, files_.size() - 1));
  }
}

// ---- the Tools page -----------------------------------------------------------

SaveOutcome BackupFullRegistry(platform::FileSystem& files, platform::Programs& programs,
                               platform::Prompts& prompts, const SaveFileAsker& askFile,
                               const WaitDialogRunner& showWait) {
  const std::optional<std::string> chosen =
      askFile({kSaveFullRegistryTitle, kSaveFullRegistryFilter});
  if (!chosen || chosen->empty()) return SaveOutcome::Cancelled;
  std::string path = *chosen;
  if (UpperAscii(FileExtension(path)) != ".REG") path += ".reg";
  if (files.fileExists(path) && !prompts.confirm(path + std::string(kFileExistsQuestion))) {
    return SaveOutcome::Declined;
  }
  return RunRegistryEditor(programs, prompts, ExportCommandLine(path), kBackupWaitText, showWait)
             ? SaveOutcome::Saved
             : SaveOutcome::Failed;
}

std::string WindowsBackupProgram(platform::FileSystem& files) {
  return ExpandFolderVariable(files, "%SystemRoot%") + "\\system32\\ntbackup.exe";
}

void OpenWindowsBackup(platform::FileSystem& files, platform::Shell& shell) {
  (void)shell.openDocument(WindowsBackupProgram(files));
}

bool WindowsBackupAvailable(int versionCode) {
  return !((versionCode >= 1 && versionCode <= 4) || versionCode == 8);
}

}  // namespace nc::registry
