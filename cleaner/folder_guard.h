// The one guard of the folders the cleaner is handed rather than chooses
// itself: a log folder named in the registry, the folders of custom lists
// and definitions files, a temporary folder from the environment. A folder
// is judged by what it is, asked of the system (FileSystem::folderIdentity),
// never by how its path is spelled: "C:\Documents and Settings\<user>"
// (a junction to the profile), "\\?\", "\\localhost\C$\", short names,
// ".." parts and trailing dots or blanks all reach the folder they name.
//
// The guarded folders are the drive roots, the Windows and system folders,
// Program Files (both views), the profile, Documents, "My Pictures" in it
// and the Desktop. A drive root, Documents and "My Pictures" may be
// emptied after the user said Yes; the others are never emptied wholesale,
// nor is a folder that holds one of them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace nc::cleaner {

enum class GuardedFolder : std::uint8_t {
  None,
  Windows,
  System,
  ProgramFiles,
  Profile,
  Desktop,
  Documents,
  MyPictures,
  DriveRoot,
};

struct FolderJudgement {
  enum class Standing : std::uint8_t {
    Plain,    // an ordinary folder
    Is,       // it is `folder`
    Holds,    // `folder` lies somewhere below it
    Unknown,  // it cannot be opened, so it cannot be judged
  };
  Standing standing = Standing::Plain;
  GuardedFolder folder = GuardedFolder::None;

  bool Is(GuardedFolder which) const { return standing == Standing::Is && folder == which; }
  // A drive root, Documents or "My Pictures" in it: the user is asked
  // before it is emptied.
  bool AsksFirst() const;
  // Nothing is emptied wholesale here: a guarded folder that is not asked
  // about, a folder that holds a guarded folder, or one that cannot be
  // judged.
  bool Refused() const;
  // "it is the profile folder", "it holds the Documents folder", "it
  // cannot be opened"; "" for an ordinary folder.
  std::string Reason() const;
};

class FolderGuard {
 public:
  explicit FolderGuard(platform::Platform& ports) : ports_(ports) {}

  // What `folder` is. The guarded folders are looked up at the first call.
  FolderJudgement Judge(std::string_view folder);
  // Whether Documents or "My Pictures" lies below `folder`, so that a
  // walk through it must judge its sub-folders.
  bool HoldsAskedFolder(std::string_view folder);

 private:
  struct Guarded {
    GuardedFolder what = GuardedFolder::None;
    platform::FolderIdentity id;
    std::vector<platform::FolderIdentity> above;  // its parents, up to the drive's root
  };
  void Load();
  void Add(GuardedFolder what, const std::string& path);

  platform::Platform& ports_;
  bool loaded_ = false;
  std::vector<Guarded> guarded_;
  std::vector<platform::FolderIdentity> roots_;
};

}  // namespace nc::cleaner
