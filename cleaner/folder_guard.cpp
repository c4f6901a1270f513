#include "cleaner/folder_guard.h"

#include <algorithm>

#include "cleaner/user_folders.h"
#include "core/text.h"

namespace nc::cleaner {

namespace {

using platform::FolderIdentity;

// No folder path has more parents than this.
constexpr int kMaxParents = 4096;

std::string_view NameOfGuarded(GuardedFolder which) {
  switch (which) {
    case GuardedFolder::None:
      return "an ordinary folder";
    case GuardedFolder::Windows:
      return "the Windows folder";
    case GuardedFolder::System:
      return "the system folder";
    case GuardedFolder::ProgramFiles:
      return "the Program Files folder";
    case GuardedFolder::Profile:
      return "the profile folder";
    case GuardedFolder::Desktop:
      return "the Desktop folder";
    case GuardedFolder::Documents:
      return "the Documents folder";
    case GuardedFolder::MyPictures:
      return "the My Pictures folder";
    case GuardedFolder::DriveRoot:
      return "a drive root";
    case GuardedFolder::AppData:
      return "the AppData folder";
    case GuardedFolder::LocalAppData:
      return "the Local AppData folder";
    case GuardedFolder::LocalLowAppData:
      return "the LocalLow AppData folder";
    case GuardedFolder::Downloads:
      return "the Downloads folder";
    case GuardedFolder::Music:
      return "the Music folder";
    case GuardedFolder::Pictures:
      return "the Pictures folder";
    case GuardedFolder::Videos:
      return "the Videos folder";
    case GuardedFolder::Program:
      return "the program's folder";
  }
  return "a guarded folder";
}

// The root that a path is spelled from ("C:\", "\\?\C:\",
// "\\server\share\", "\\?\UNC\server\share\"); "" when there is none.
std::string SpelledRoot(std::string_view path) {
  std::string text(path);
  std::replace(text.begin(), text.end(), '/', '\\');
  std::string prefix;
  std::string_view rest = text;
  if (StartsWithNoCase(rest, "\\\\?\\UNC\\")) {
    prefix = std::string(rest.substr(0, 8));
    rest.remove_prefix(8);
  } else if (StartsWith(rest, "\\\\?\\") || StartsWith(rest, "\\\\.\\")) {
    prefix = std::string(rest.substr(0, 4));
    rest.remove_prefix(4);
  } else if (StartsWith(rest, "\\\\")) {
    prefix = "\\\\";
    rest.remove_prefix(2);
  }
  if (prefix.size() != 4 && !prefix.empty()) {
    // A server and its share.
    const auto server = rest.find('\\');
    if (server == std::string_view::npos || server == 0) return {};
    const auto share = rest.find('\\', server + 1);
    const std::string_view both = rest.substr(0, share);
    if (both.size() == server + 1) return {};
    return prefix + std::string(both) + "\\";
  }
  if (rest.size() < 2 || rest[1] != ':') return {};
  return prefix + std::string(rest.substr(0, 2)) + "\\";
}

}  // namespace

bool FolderJudgement::AsksFirst() const {
  return standing == Standing::Is &&
         (folder == GuardedFolder::DriveRoot || folder == GuardedFolder::Documents ||
          folder == GuardedFolder::MyPictures);
}

bool FolderJudgement::Refused() const {
  switch (standing) {
    case Standing::Plain:
      return false;
    case Standing::Is:
      return !AsksFirst();
    case Standing::Holds:
    case Standing::Unknown:
    case Standing::Within:
      return true;
  }
  return true;
}

std::string FolderJudgement::Reason() const {
  switch (standing) {
    case Standing::Plain:
      return {};
    case Standing::Is:
      return "it is " + std::string(NameOfGuarded(folder));
    case Standing::Holds:
      return "it holds " + std::string(NameOfGuarded(folder));
    case Standing::Unknown:
      return "it cannot be opened";
    case Standing::Within:
      return "it lies in " + std::string(NameOfGuarded(folder));
  }
  return {};
}

std::vector<FolderIdentity> FolderGuard::Parents(std::string_view path) {
  platform::FileSystem& files = ports_.files;
  std::vector<FolderIdentity> parents;
  std::string current = WithoutTrailingBackslash(path);
  for (int i = 0; i < kMaxParents; ++i) {
    std::string parent = platform::FolderOf(current);
    if (parent.empty() || parent == current || EndsWith(parent, "\\")) break;
    const bool root = parent.size() == 2 && parent[1] == ':';
    if (root) parent += '\\';  // "C:" alone is the drive's current folder
    if (const auto above = files.folderIdentity(parent)) parents.push_back(*above);
    if (root) break;
    current = std::move(parent);
  }
  return parents;
}

void FolderGuard::Add(GuardedFolder what, const std::string& path, bool rulesOnly) {
  if (path.size() <= 1 || path.find('%') != std::string::npos) return;
  const auto id = ports_.files.folderIdentity(path);
  // A folder that cannot be opened cannot be emptied through another name
  // either.
  if (!id) return;
  guarded_.push_back(Guarded{what, *id, Parents(path), rulesOnly});
}

void FolderGuard::Load() {
  if (loaded_) return;
  loaded_ = true;
  platform::FileSystem& files = ports_.files;
  // In the order a folder that is two of them is named by.
  Add(GuardedFolder::Windows, files.windowsFolder());
  Add(GuardedFolder::System, files.systemFolder());
  // A 32-bit program on 64-bit Windows reaches the native system folder
  // only by this name.
  if (ports_.system.isWow64()) Add(GuardedFolder::System, files.windowsFolder() + "\\Sysnative");
  Add(GuardedFolder::ProgramFiles, ProgramFilesFolder(ports_));
  Add(GuardedFolder::ProgramFiles, files.specialFolder(platform::Csidl::ProgramFiles));
  for (const char* name : {"%ProgramFiles%", "%ProgramFiles(x86)%", "%ProgramW6432%"}) {
    Add(GuardedFolder::ProgramFiles, files.expandEnvironment(name));
  }
  Add(GuardedFolder::Profile, files.expandEnvironment("%USERPROFILE%"));
  Add(GuardedFolder::Desktop, files.specialFolder(platform::Csidl::Desktop));
  const std::string documents = MyDocumentsFolder(ports_);
  if (documents.size() > 1) {
    Add(GuardedFolder::Documents, documents);
    Add(GuardedFolder::MyPictures, documents + "My Pictures");
  }
  // The roots of the drives that answer at once; a removable or CD drive
  // is known by its letter when a path is spelled from it.
  for (const std::string& root : files.logicalDrives()) {
    const platform::DriveType type = files.driveType(root);
    if (type != platform::DriveType::Fixed && type != platform::DriveType::Remote &&
        type != platform::DriveType::RamDisk) {
      continue;
    }
    if (const auto id = files.folderIdentity(root)) roots_.push_back(*id);
  }
}

void FolderGuard::LoadForRules() {
  if (loadedForRules_) return;
  loadedForRules_ = true;
  platform::FileSystem& files = ports_.files;
  namespace Csidl = platform::Csidl;
  Add(GuardedFolder::AppData, files.specialFolder(Csidl::AppData), true);
  const std::string local = files.specialFolder(Csidl::LocalAppData);
  Add(GuardedFolder::LocalAppData, local, true);
  if (local.size() > 1)
    Add(GuardedFolder::LocalLowAppData, platform::FolderOf(local) + "\\LocalLow", true);
  Add(GuardedFolder::Downloads,
      platform::ReadStringValue(
          ports_.registry, platform::RootKey::CurrentUser,
          "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
          "{374DE290-123F-4565-9164-39C4925E467B}"),
      true);
  const std::string profile = files.expandEnvironment("%USERPROFILE%");
  if (profile.size() > 1) Add(GuardedFolder::Downloads, profile + "\\Downloads", true);
  Add(GuardedFolder::Music, files.specialFolder(Csidl::MyMusic), true);
  Add(GuardedFolder::Pictures, files.specialFolder(Csidl::MyPictures), true);
  Add(GuardedFolder::Videos, files.specialFolder(Csidl::MyVideo), true);
  Add(GuardedFolder::Program, programFolder_, true);
}

FolderJudgement FolderGuard::Judge(std::string_view folder) {
  return JudgeAmong(folder, false);
}

FolderJudgement FolderGuard::JudgeForRules(std::string_view folder) {
  return JudgeAmong(folder, true);
}

FolderJudgement FolderGuard::JudgeAmong(std::string_view folder, bool forRules) {
  using Standing = FolderJudgement::Standing;
  const auto id = ports_.files.folderIdentity(folder);
  if (!id) return {Standing::Unknown, GuardedFolder::None};
  Load();
  if (forRules) LoadForRules();
  const auto counts = [&](const Guarded& guarded) { return forRules || !guarded.rulesOnly; };
  for (const Guarded& guarded : guarded_) {
    if (counts(guarded) && guarded.id == *id) return {Standing::Is, guarded.what};
  }
  bool root = std::find(roots_.begin(), roots_.end(), *id) != roots_.end();
  if (!root) {
    const std::string spelled = SpelledRoot(folder);
    if (!spelled.empty()) {
      const auto rootId = ports_.files.folderIdentity(spelled);
      root = rootId && *rootId == *id;
    }
  }
  if (root) return {Standing::Is, GuardedFolder::DriveRoot};
  if (forRules) {
    const auto program = std::find_if(guarded_.begin(), guarded_.end(), [](const Guarded& guarded) {
      return guarded.what == GuardedFolder::Program;
    });
    if (program != guarded_.end()) {
      const std::vector<FolderIdentity> parents = Parents(folder);
      if (std::find(parents.begin(), parents.end(), program->id) != parents.end()) {
        return {Standing::Within, GuardedFolder::Program};
      }
    }
  }
  for (const Guarded& guarded : guarded_) {
    if (counts(guarded) &&
        std::find(guarded.above.begin(), guarded.above.end(), *id) != guarded.above.end()) {
      return {Standing::Holds, guarded.what};
    }
  }
  return {};
}

bool FolderGuard::HoldsAskedFolder(std::string_view folder) {
  const auto id = ports_.files.folderIdentity(folder);
  if (!id) return false;
  Load();
  return std::any_of(guarded_.begin(), guarded_.end(), [&](const Guarded& guarded) {
    return (guarded.what == GuardedFolder::Documents ||
            guarded.what == GuardedFolder::MyPictures) &&
           std::find(guarded.above.begin(), guarded.above.end(), *id) != guarded.above.end();
  });
}

}  // namespace nc::cleaner
