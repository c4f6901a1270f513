// The one guard of the folders the cleaner is handed rather than chooses
// itself: a log folder named in the registry, the folders of custom lists
// and definitions files, a temporary folder from the environment. A folder
// is judged by what it is, asked of the system (FileSystem::folderIdentity),
// never by how its path is spelled: "C:\Documents and Settings\<user>"
// (a junction to the profile), "\\?\", "\\localhost\C$\", short names,
// ".." parts and trailing dots or blanks all reach the folder they name.
//
// The guarded folders are the drive roots, the Windows and system folders
// (for a 32-bit program on 64-bit Windows "Sysnative" too), Program Files
// (both views), the profile, Documents, "My Pictures" in it and the
// Desktop. A drive root, Documents and "My Pictures" may be emptied after
// the user said Yes; the others are never emptied wholesale, nor is a
// folder that holds one of them.
//
// The community rules, written by others for every system, are judged more
// strictly (JudgeForRules): the user's data folders are guarded too, and so
// is the program's own folder with everything in it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
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
  // Guarded for the community rules only.
  AppData,
  LocalAppData,
  LocalLowAppData,
  Downloads,
  Music,
  Pictures,
  Videos,
  Program,  // the program's own folder
};

struct FolderJudgement {
  enum class Standing : std::uint8_t {
    Plain,    // an ordinary folder
    Is,       // it is `folder`
    Holds,    // `folder` lies somewhere below it
    Unknown,  // it cannot be opened, so it cannot be judged
    Within,   // it lies below `folder` (JudgeForRules, the program's folder only)
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
  // lies in the program's folder", "it cannot be opened"; "" for an
  // ordinary folder.
  std::string Reason() const;
};

class FolderGuard {
 public:
  // `programFolder` is the program's own folder ("" for none).
  explicit FolderGuard(platform::Platform& ports, std::string programFolder = {})
      : ports_(ports), programFolder_(std::move(programFolder)) {}

  // What `folder` is. The guarded folders are looked up at the first call.
  FolderJudgement Judge(std::string_view folder);
  // What `folder` is to a community rule: as Judge, with AppData, Local,
  // LocalLow, Downloads, Music, Pictures and Videos guarded too, and the
  // program's folder, which a folder in it lies Within.
  FolderJudgement JudgeForRules(std::string_view folder);
  // Whether Documents or "My Pictures" lies below `folder`, so that a
  // walk through it must judge its sub-folders.
  bool HoldsAskedFolder(std::string_view folder);

 private:
  struct Guarded {
    GuardedFolder what = GuardedFolder::None;
    platform::FolderIdentity id;
    std::vector<platform::FolderIdentity> above;  // its parents, up to the drive's root
    bool rulesOnly = false;                       // guarded by JudgeForRules only
  };
  void Load();
  void LoadForRules();
  void Add(GuardedFolder what, const std::string& path, bool rulesOnly = false);
  // The identities of the folders above `path`, up to its drive's root.
  std::vector<platform::FolderIdentity> Parents(std::string_view path);
  FolderJudgement JudgeAmong(std::string_view folder, bool forRules);

  platform::Platform& ports_;
  std::string programFolder_;
  bool loaded_ = false;
  bool loadedForRules_ = false;
  std::vector<Guarded> guarded_;
  std::vector<platform::FolderIdentity> roots_;
};

}  // namespace nc::cleaner
