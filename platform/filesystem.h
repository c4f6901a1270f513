// File-system port: files, folders, drives and the system's folders.
//
// Paths are Windows paths in UTF-8 ("C:\Users\me\file.txt"); names are
// compared without regard to letter case, as the system does. Nothing
// here follows a symbolic link or junction when deleting: a reparse point
// is reported by `list` with `FileAttr::ReparsePoint` and removed as the
// link itself.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"

namespace nc::platform {

// File attribute bits as the system numbers them.
namespace FileAttr {
inline constexpr std::uint32_t ReadOnly = 0x1;
inline constexpr std::uint32_t Hidden = 0x2;
inline constexpr std::uint32_t System = 0x4;
inline constexpr std::uint32_t Directory = 0x10;
inline constexpr std::uint32_t Archive = 0x20;
inline constexpr std::uint32_t Normal = 0x80;
inline constexpr std::uint32_t ReparsePoint = 0x400;
}  // namespace FileAttr

struct FileEntry {
  std::string name;  // without the folder
  std::uint32_t attributes = 0;
  std::uint64_t size = 0;
  std::int64_t lastWrite = 0;  // seconds since 1970-01-01 UTC

  bool isFolder() const { return (attributes & FileAttr::Directory) != 0; }
  bool isLink() const { return (attributes & FileAttr::ReparsePoint) != 0; }
};

enum class FileShare : std::uint8_t { None, Read, ReadWrite };
enum class FileOpen : std::uint8_t {
  ReadExisting,       // read access, the file must exist
  ReadWriteExisting,  // read and write access, the file must exist
  ReadWriteNoFollow,  // as ReadWriteExisting, but a link is opened as itself, not followed
  CreateAlways,       // write access, created or truncated
};

// What an open file is, asked of the open handle rather than the path.
struct FileFacts {
  bool plainFile = false;   // not a folder, not a link or other reparse point
  std::uint32_t links = 0;  // names the file has (hard links)
};

// An open file. Closed when destroyed.
class File {
 public:
  virtual ~File() = default;
  [[nodiscard]] virtual Result<FileFacts> facts() = 0;
  [[nodiscard]] virtual Result<std::uint64_t> size() = 0;
  [[nodiscard]] virtual Status seek(std::uint64_t offset) = 0;
  // Bytes read; 0 at the end.
  [[nodiscard]] virtual Result<std::size_t> read(std::span<std::uint8_t> buffer) = 0;
  [[nodiscard]] virtual Status write(std::span<const std::uint8_t> data) = 0;
  // Flushes the system's buffers to the disk.
  [[nodiscard]] virtual Status flush() = 0;
};

// Which folder a path reaches, as the system knows it: the volume's serial
// number and the folder's file number on it. Every spelling of one folder
// ("C:\Documents and Settings\ann" through its junction, "\\?\C:\...",
// "\\localhost\C$\...", short names, ".." parts, trailing dots or
// blanks) gives the same identity.
struct FolderIdentity {
  std::uint64_t volume = 0;
  std::uint64_t file = 0;
  bool operator==(const FolderIdentity&) const = default;
};

enum class DriveType : std::uint8_t {
  Unknown = 0,
  NoRootDir = 1,
  Removable = 2,
  Fixed = 3,
  Remote = 4,
  CdRom = 5,
  RamDisk = 6,
};

// Shell special folders used by the program (CSIDL numbers).
namespace Csidl {
inline constexpr int Personal = 0x05;
inline constexpr int Favorites = 0x06;
inline constexpr int Recent = 0x08;
inline constexpr int StartMenu = 0x0b;
inline constexpr int Programs = 0x02;
inline constexpr int Startup = 0x07;
inline constexpr int MyMusic = 0x0d;
inline constexpr int MyVideo = 0x0e;
inline constexpr int Desktop = 0x10;
inline constexpr int AppData = 0x1a;
inline constexpr int LocalAppData = 0x1c;
inline constexpr int InternetCache = 0x20;
inline constexpr int Cookies = 0x21;
inline constexpr int History = 0x22;
inline constexpr int CommonAppData = 0x23;
inline constexpr int Windows = 0x24;
inline constexpr int System = 0x25;
inline constexpr int ProgramFiles = 0x26;
inline constexpr int MyPictures = 0x27;
inline constexpr int CommonStartMenu = 0x16;
inline constexpr int CommonPrograms = 0x17;
inline constexpr int CommonStartup = 0x18;
}  // namespace Csidl

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Every entry of a folder ("." and ".." left out), hidden and system
  // entries included, in the system's order.
  [[nodiscard]] virtual Result<std::vector<FileEntry>> list(std::string_view folder) = 0;
  // What a directory search for exactly this path finds (the path may
  // name a file or a folder; a trailing wildcard is not expanded).
  [[nodiscard]] virtual Result<FileEntry> stat(std::string_view path) = 0;
  virtual bool fileExists(std::string_view path) = 0;
  virtual bool folderExists(std::string_view path) = 0;
  // The attributes of the file or folder at `path`, or nothing when there
  // is none: one question that answers both of the two above.
  virtual std::optional<std::uint32_t> attributes(std::string_view path) = 0;

  // Opens the folder at `path` as the system reads the path (links and
  // junctions on the way and at its end followed) and tells which folder
  // it is. Fails when there is no such folder or it cannot be opened; a
  // file system that cannot tell says NotSupported.
  [[nodiscard]] virtual Result<FolderIdentity> folderIdentity(std::string_view path) {
    return Error{Errc::NotSupported, "folder identity", std::string(path)};
  }

  // Deletes one file as it is (read-only files fail with AccessDenied,
  // files held open with SharingViolation); a link is removed as a link.
  [[nodiscard]] virtual Status deleteFile(std::string_view path) = 0;
  // Removes an empty folder (or a folder link, without touching its
  // target).
  [[nodiscard]] virtual Status removeFolder(std::string_view path) = 0;
  // Creates a folder and its missing parents.
  [[nodiscard]] virtual Status createFolders(std::string_view path) = 0;
  [[nodiscard]] virtual Status setAttributes(std::string_view path, std::uint32_t attributes) = 0;
  // Renames or moves a file, replacing an existing target.
  [[nodiscard]] virtual Status moveFile(std::string_view from, std::string_view to) = 0;
  // Renames or moves a file to a name thought free: fails with
  // AlreadyExists, changing nothing, when a file or folder has that name,
  // even one that appeared after the name was looked at.
  [[nodiscard]] virtual Status moveFileNoReplace(std::string_view from, std::string_view /*to*/) {
    return Error{Errc::NotSupported, "move file", std::string(from)};
  }

  [[nodiscard]] virtual Result<std::unique_ptr<File>> open(std::string_view path, FileOpen mode,
                                                           FileShare share) = 0;
  // Asks the system to delete the file when it next starts.
  [[nodiscard]] virtual Status deleteAtRestart(std::string_view path) = 0;

  // The 8.3 form of an existing path.
  [[nodiscard]] virtual Result<std::string> shortPath(std::string_view path) = 0;
  // A special folder (CSIDL number) without trailing backslash; "" when
  // the system has none.
  virtual std::string specialFolder(int csidl) = 0;
  // The temporary folder, with its trailing backslash as the system
  // reports it.
  virtual std::string tempFolder() = 0;
  virtual std::string windowsFolder() = 0;  // without trailing backslash
  virtual std::string systemFolder() = 0;   // without trailing backslash

  // "C:\", "D:\", ... of the drives that exist.
  virtual std::vector<std::string> logicalDrives() = 0;
  virtual DriveType driveType(std::string_view root) = 0;
  // Whether the drive holds a readable volume (a floppy or CD inserted).
  virtual bool volumePresent(std::string_view root) = 0;
  // The device behind a drive ("C:" -> "\Device\HarddiskVolume1").
  virtual std::string dosDeviceName(std::string_view drive) = 0;
  // The bytes the account may still write on the volume that holds
  // `path` (a file or folder on a drive).
  [[nodiscard]] virtual Result<std::uint64_t> freeSpace(std::string_view path) {
    return Error{Errc::NotSupported, "free space", std::string(path)};
  }
  // %NAME% references replaced by the environment's values; unknown
  // names stay as written.
  virtual std::string expandEnvironment(std::string_view text) = 0;
  // The path under which a library that opens files by itself (SQLite)
  // finds the file at `path`; "" when there is none.
  virtual std::string nativePath(std::string_view path) { return std::string(path); }
};

// Whole-file helpers built on the port.
Result<std::string> ReadWholeFile(FileSystem& fs, std::string_view path);
// Writes to a temporary file beside `path` and moves it over `path`, so
// a failure leaves the old file intact.
Status WriteWholeFile(FileSystem& fs, std::string_view path, std::string_view content);

// True when the file exists and cannot be opened for reading and writing
// without sharing (another program holds it).
bool FileLockedExclusive(FileSystem& fs, std::string_view path);

// The folder part of a path without trailing backslash ("C:\a\b.txt" ->
// "C:\a"); the name part ("b.txt").
std::string FolderOf(std::string_view path);
std::string NameOf(std::string_view path);
// Joins a folder and a name with exactly one backslash.
std::string JoinPath(std::string_view folder, std::string_view name);

}  // namespace nc::platform
