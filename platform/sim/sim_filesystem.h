// The substitute file system: Windows paths over real host folders.
//
// A drive table maps "C:" and other letters to host folders, each with a
// drive type and a volume-present flag. Paths are resolved component by
// component without regard to ASCII letter case (an exact match first);
// names created keep the case given. What the host cannot show is kept
// in tables: the ReadOnly / Hidden / System / Archive attributes (by
// resolved path), the files held open with their sharing, the deletions
// asked for at restart, special folders, device names and environment.
// Host symbolic links stand for reparse points (junctions) and are never
// followed when deleting; addWindowsLinks makes those Windows makes in a
// profile. Paths are read as Win32 reads them: "\\?\", "\\.\",
// "\\localhost\C$\", short names ("PROGRA~1"), "." and ".." parts, and
// trailing dots and blanks. Methods consult the fault plan: "files.list",
// "files.stat", "files.deleteFile", "files.removeFolder",
// "files.createFolders", "files.setAttributes", "files.moveFile" (both
// moves; path "from -> to"), "files.open", "files.read", "files.write", "files.flush",
// "files.deleteAtRestart", "files.shortPath", "files.freeSpace",
// "files.folderIdentity".
//
// Files returned by open() must be destroyed before the file system.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/filesystem.h"
#include "platform/sim/fault_plan.h"

namespace nc::sim {

class SimFileSystem : public platform::FileSystem {
 public:
  // `faults` may be null: the file system then has a plan of its own.
  explicit SimFileSystem(FaultPlan* faults = nullptr);
  ~SimFileSystem() override;
  SimFileSystem(const SimFileSystem&) = delete;
  SimFileSystem& operator=(const SimFileSystem&) = delete;

  // ---- the port --------------------------------------------------------
  Result<std::vector<platform::FileEntry>> list(std::string_view folder) override;
  Result<platform::FileEntry> stat(std::string_view path) override;
  bool fileExists(std::string_view path) override;
  bool folderExists(std::string_view path) override;
  std::optional<std::uint32_t> attributes(std::string_view path) override;
  // The host folder's device and inode, links followed.
  Result<platform::FolderIdentity> folderIdentity(std::string_view path) override;
  Status deleteFile(std::string_view path) override;
  Status removeFolder(std::string_view path) override;
  Status createFolders(std::string_view path) override;
  Status setAttributes(std::string_view path, std::uint32_t attributes) override;
  Status moveFile(std::string_view from, std::string_view to) override;
  Status moveFileNoReplace(std::string_view from, std::string_view to) override;
  Result<std::unique_ptr<platform::File>> open(std::string_view path, platform::FileOpen mode,
                                               platform::FileShare share) override;
  Status deleteAtRestart(std::string_view path) override;
  Result<std::string> shortPath(std::string_view path) override;
  std::string specialFolder(int csidl) override;
  std::string tempFolder() override;
  std::string windowsFolder() override;
  std::string systemFolder() override;
  std::vector<std::string> logicalDrives() override;
  platform::DriveType driveType(std::string_view root) override;
  bool volumePresent(std::string_view root) override;
  std::string dosDeviceName(std::string_view drive) override;
  // What setFreeSpace gave the drive of `path`, else what its host folder's
  // volume has.
  Result<std::uint64_t> freeSpace(std::string_view path) override;
  std::string expandEnvironment(std::string_view text) override;
  // The host path of hostPath().
  std::string nativePath(std::string_view path) override;

  // ---- set-up for tests and the substitute platform ---------------------
  FaultPlan& faults() { return *faults_; }

  // Maps a drive letter to a host folder (which must exist for files to be
  // found); replaces an earlier mapping of the letter.
  void addDrive(char letter, const std::filesystem::path& hostFolder,
                platform::DriveType type = platform::DriveType::Fixed, bool volumePresent = true,
                std::string_view device = {});
  void removeDrive(char letter);
  // A drive whose volume is absent (an empty floppy or CD drive) fails
  // every file operation with IoError.
  void setVolumePresent(char letter, bool present);
  // The free space the drive reports from now on; each file deleted on
  // the drive then adds its size to it.
  void setFreeSpace(char letter, std::uint64_t bytes);

  // "" makes the system have no such folder.
  void setSpecialFolder(int csidl, std::string_view path);
  // Called with the path of every fileExists and folderExists, on the
  // caller's thread; set it before the code under test runs.
  void setOnProbe(std::function<void(std::string_view)> onProbe) { onProbe_ = std::move(onProbe); }
  // Called with the names of every move before anything is looked at, on
  // the caller's thread: another program can take a name meanwhile.
  void setBeforeMove(std::function<void(std::string_view, std::string_view)> beforeMove) {
    beforeMove_ = std::move(beforeMove);
  }
  // With or without trailing backslash; reported with one.
  void setTempFolder(std::string_view path);
  void setEnvironment(std::string_view name, std::string_view value);
  void unsetEnvironment(std::string_view name);

  // Makes `link` a junction to the folder `target` (a host symbolic link;
  // its parent must exist). False when it cannot be made.
  bool createFolderLink(std::string_view link, std::string_view target);
  // The junctions Windows makes for programs written for the older folder
  // names: "Documents and Settings" at the root of the drive of
  // `profile`'s parent, and in the profile "Application Data", "Cookies",
  // "Local Settings", "My Documents", "NetHood", "PrintHood", "Recent",
  // "SendTo", "Start Menu" and "Templates"; in "AppData\Local"
  // "Application Data" (to itself), "History" and "Temporary Internet
  // Files"; in "Documents" "My Music", "My Pictures" and "My Videos". The
  // folders that hold them are made; the folders they lead to are left to
  // whoever fills the profile (until then a link leads nowhere).
  void addWindowsLinks(std::string_view profile);

  // The host path that a Windows path resolves to (missing components
  // appended as written); empty for a path on no mapped drive.
  std::filesystem::path hostPath(std::string_view path);
  // Sets the last-write time of an existing entry (links themselves).
  bool setLastWrite(std::string_view path, std::int64_t secondsSince1970);

  // Paths given to deleteAtRestart, in order.
  std::vector<std::string> pendingDeletes() const;
  // Carries out the deletions as the system does when it starts.
  void simulateRestart();
  // Files currently held open through this file system.
  std::size_t openFileCount() const;

 private:
  friend class SimFile;
  // moveFile and moveFileNoReplace; `replace` lets an existing target go.
  Status move(std::string_view from, std::string_view to, bool replace);
  struct Drive {
    std::filesystem::path host;
    platform::DriveType type = platform::DriveType::Fixed;
    bool present = true;
    std::string device;
    std::optional<std::uint64_t> freeSpace;
  };
  struct Resolved {
    std::filesystem::path host;
    bool exists = false;
    char drive = 'C';
    std::string name;   // the last component as found on disk (or as given)
    struct stat st {};  // read without following links; kept when it exists
  };
  struct OpenRecord {
    std::uint64_t id = 0;
    bool read = false;
    bool write = false;
    platform::FileShare share = platform::FileShare::None;
  };

  // `exactMissed`: the path as written is known not to be there.
  Result<Resolved> resolveLocked(std::string_view path, std::string_view op,
                                 bool exactMissed = false) const;
  // The host path and status of an existing entry.
  struct HostEntry {
    std::string host;
    struct stat st {};
  };
  std::optional<HostEntry> findLocked(std::string_view path, std::string_view op) const;
  // The host path of a path written plainly: a mapped drive that is
  // present, then names without ".", ".." or empty parts. False for
  // anything else, which needs resolving.
  bool plainHostPathLocked(std::string_view path, std::string& host) const;
  // The name in `folder` (whose status is `st`) that equals `name` without
  // regard to case, or "".
  std::string nameNoCaseLocked(const std::string& folder, const struct stat& st,
                               std::string_view name) const;
  std::uint32_t attributesLocked(const std::filesystem::path& host) const;
  // The attributes from a status already read.
  std::uint32_t attributesOfStat(const std::string& host, const struct stat& st) const;
  platform::FileEntry entryLocked(const std::filesystem::path& host, std::string name) const;
  bool isOpenLocked(const std::string& key) const;
  void unregister(const std::string& key, std::uint64_t id);

  std::unique_ptr<FaultPlan> ownFaults_;
  FaultPlan* faults_;

  mutable std::mutex mutex_;
  std::function<void(std::string_view)> onProbe_;
  std::function<void(std::string_view, std::string_view)> beforeMove_;
  std::map<char, Drive> drives_;
  std::map<std::string, std::uint32_t> attributes_;  // by host path
  std::map<std::string, std::vector<OpenRecord>> openFiles_;
  // The names of folders searched without regard to case, by host path.
  struct FolderNames {
    ino_t inode = 0;
    timespec changed{};
    std::unordered_map<std::string, std::string> byUpperName;
  };
  static constexpr std::size_t kMaxFoldersNamed = 4096;
  mutable std::unordered_map<std::string, FolderNames> folderNames_;
  std::uint64_t nextOpenId_ = 1;
  std::vector<std::string> pendingDeletes_;
  std::map<int, std::string> specialFolders_;
  std::string tempFolder_;
  std::map<std::string, std::pair<std::string, std::string>> environment_;  // by upper name
};

}  // namespace nc::sim
