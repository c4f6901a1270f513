#include "platform/win32/win_filesystem.h"

#include <windows.h>

#include <shlobj.h>

#include <algorithm>
#include <limits>

#include "core/text.h"
#include "platform/win32/error.h"
#include "platform/win32/handles.h"
#include "platform/win32/wide.h"

namespace nc::win32 {

using platform::DriveType;
using platform::FileEntry;
using platform::FileOpen;
using platform::FileShare;

namespace {

constexpr DWORD kMaxWideBuffer = 32768;  // the longest path or variable the system knows

// FILETIME counts 100 ns steps from 1601-01-01.
std::int64_t UnixSeconds(const FILETIME& time) {
  const auto ticks = static_cast<std::int64_t>(
      (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
  constexpr std::int64_t kEpochDiff = 116444736000000000LL;
  constexpr std::int64_t kTicksPerSecond = 10000000LL;
  const std::int64_t since = ticks - kEpochDiff;
  return since >= 0 ? since / kTicksPerSecond : -((-since + kTicksPerSecond - 1) / kTicksPerSecond);
}

FileEntry EntryFrom(const WIN32_FIND_DATAW& data) {
  FileEntry entry;
  entry.name = NarrowZ(data.cFileName);
  entry.attributes = data.dwFileAttributes;
  entry.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  entry.lastWrite = UnixSeconds(data.ftLastWriteTime);
  return entry;
}

bool IsDots(const wchar_t* name) {
  return (name[0] == L'.' && name[1] == 0) || (name[0] == L'.' && name[1] == L'.' && name[2] == 0);
}

// Calls `fill(buffer, size)` (which returns the characters written, or the
// size needed with the NUL when the buffer was too small) with a growing
// buffer; "" when it fails.
template <class Fill>
std::wstring Grow(Fill fill) {
  std::wstring buffer(MAX_PATH + 1, L'\0');
  while (true) {
    const DWORD got = fill(buffer.data(), static_cast<DWORD>(buffer.size()));
    if (got == 0) return {};
    if (got < buffer.size()) {
      buffer.resize(got);
      return buffer;
    }
    if (buffer.size() >= kMaxWideBuffer) return {};
    buffer.resize(std::max<std::size_t>(got + 1, buffer.size() * 2));
  }
}

std::wstring RootWithBackslash(std::string_view root) {
  return Widen(WithTrailingBackslash(root));
}

class WinFile final : public platform::File {
 public:
  WinFile(FileHandle handle, std::string path)
      : handle_(std::move(handle)), path_(std::move(path)) {}

  Result<platform::FileFacts> facts() override {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle_.get(), &info)) return LastError("file facts", path_);
    const DWORD notPlain = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    return platform::FileFacts{(info.dwFileAttributes & notPlain) == 0, info.nNumberOfLinks};
  }

  Result<std::uint64_t> size() override {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(handle_.get(), &size)) return LastError("size of file", path_);
    return static_cast<std::uint64_t>(size.QuadPart);
  }

  Status seek(std::uint64_t offset) override {
    LARGE_INTEGER to{};
    to.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(handle_.get(), to, nullptr, FILE_BEGIN)) return LastError("seek", path_);
    return Status::Ok();
  }

  Result<std::size_t> read(std::span<std::uint8_t> buffer) override {
    const auto want =
        static_cast<DWORD>(std::min<std::size_t>(buffer.size(), std::numeric_limits<DWORD>::max()));
    DWORD got = 0;
    if (!ReadFile(handle_.get(), buffer.data(), want, &got, nullptr)) {
      return LastError("read file", path_);
    }
    return static_cast<std::size_t>(got);
  }

  Status write(std::span<const std::uint8_t> data) override {
    while (!data.empty()) {
      const auto want =
          static_cast<DWORD>(std::min<std::size_t>(data.size(), std::numeric_limits<DWORD>::max()));
      DWORD wrote = 0;
      if (!WriteFile(handle_.get(), data.data(), want, &wrote, nullptr)) {
        return LastError("write file", path_);
      }
      if (wrote == 0) return Error{Errc::DiskFull, "write file", path_};
      data = data.subspan(wrote);
    }
    return Status::Ok();
  }

  Status flush() override {
    if (!FlushFileBuffers(handle_.get())) return LastError("flush file", path_);
    return Status::Ok();
  }

 private:
  FileHandle handle_;
  std::string path_;
};

}  // namespace

Result<std::vector<FileEntry>> WinFileSystem::list(std::string_view folder) {
  WIN32_FIND_DATAW data{};
  FindHandle find(FindFirstFileExW(LongPath(platform::JoinPath(folder, "*")).c_str(),
                                   FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0));
  std::vector<FileEntry> entries;
  if (!find) {
    const DWORD code = GetLastError();
    // The root of an empty drive has not even "." and "..".
    if (code == ERROR_FILE_NOT_FOUND && folderExists(folder)) return entries;
    return Win32Error(code, "list folder", folder);
  }
  do {
    if (!IsDots(data.cFileName)) entries.push_back(EntryFrom(data));
  } while (FindNextFileW(find.get(), &data));
  const DWORD code = GetLastError();
  if (code != ERROR_NO_MORE_FILES) return Win32Error(code, "list folder", folder);
  return entries;
}

Result<FileEntry> WinFileSystem::stat(std::string_view path) {
  if (path.find_first_of("*?") != std::string_view::npos) {
    return Error{Errc::InvalidArgument, "find file", std::string(path)};
  }
  const std::wstring wide = LongPath(WithoutTrailingBackslash(path));
  WIN32_FIND_DATAW data{};
  FindHandle find(
      FindFirstFileExW(wide.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0));
  if (find) return EntryFrom(data);
  const DWORD code = GetLastError();
  // A drive root is no directory entry; its attributes still exist.
  WIN32_FILE_ATTRIBUTE_DATA attributes{};
  if (!GetFileAttributesExW(LongPath(path).c_str(), GetFileExInfoStandard, &attributes)) {
    return Win32Error(code, "find file", path);
  }
  FileEntry entry;
  entry.name = platform::NameOf(WithoutTrailingBackslash(path));
  entry.attributes = attributes.dwFileAttributes;
  entry.size =
      (static_cast<std::uint64_t>(attributes.nFileSizeHigh) << 32) | attributes.nFileSizeLow;
  entry.lastWrite = UnixSeconds(attributes.ftLastWriteTime);
  return entry;
}

bool WinFileSystem::fileExists(std::string_view path) {
  const DWORD attributes = GetFileAttributesW(LongPath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool WinFileSystem::folderExists(std::string_view path) {
  const DWORD attributes = GetFileAttributesW(LongPath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::optional<std::uint32_t> WinFileSystem::attributes(std::string_view path) {
  const DWORD attributes = GetFileAttributesW(LongPath(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  return static_cast<std::uint32_t>(attributes);
}

Result<platform::FolderIdentity> WinFileSystem::folderIdentity(std::string_view path) {
  // Attribute access is enough and is granted where listing is not (the
  // junctions Windows makes refuse to be listed). Backup semantics open a
  // folder; without FILE_FLAG_OPEN_REPARSE_POINT links are followed to the
  // folder they lead to. No "insert a disk" box for an empty drive.
  const UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS);
  FileHandle folder(CreateFileW(LongPath(path).c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  const DWORD code = folder ? ERROR_SUCCESS : GetLastError();
  SetErrorMode(previous);
  if (!folder) return Win32Error(code, "folder identity", path);
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(folder.get(), &info)) return LastError("folder identity", path);
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    return Error{Errc::NotFound, "folder identity", std::string(path)};
  }
  return platform::FolderIdentity{
      info.dwVolumeSerialNumber,
      (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

Status WinFileSystem::deleteFile(std::string_view path) {
  if (!DeleteFileW(LongPath(path).c_str())) return LastError("delete file", path);
  return Status::Ok();
}

Status WinFileSystem::removeFolder(std::string_view path) {
  // A junction or folder link goes as the link; its target stays.
  if (!RemoveDirectoryW(LongPath(WithoutTrailingBackslash(path)).c_str())) {
    return LastError("remove folder", path);
  }
  return Status::Ok();
}

Status WinFileSystem::createFolders(std::string_view path) {
  const std::string target = WithoutTrailingBackslash(path);
  if (target.empty()) return Error{Errc::InvalidArgument, "create folder", std::string(path)};
  // Climb to the first folder that exists, then create downwards.
  std::vector<std::string> missing;
  std::string current = target;
  while (!current.empty() && !folderExists(current)) {
    if (fileExists(current)) return Error{Errc::AlreadyExists, "create folder", current};
    missing.push_back(current);
    std::string parent = platform::FolderOf(current);
    if (parent == current || parent.size() <= 2 || EndsWith(parent, "\\")) break;  // "C:", "\\"
    current = std::move(parent);
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    if (!CreateDirectoryW(LongPath(*it).c_str(), nullptr)) {
      const DWORD code = GetLastError();
      if (code == ERROR_ALREADY_EXISTS && folderExists(*it)) continue;  // made meanwhile
      return Win32Error(code, "create folder", *it);
    }
  }
  return Status::Ok();
}

Status WinFileSystem::setAttributes(std::string_view path, std::uint32_t attributes) {
  if (!SetFileAttributesW(LongPath(path).c_str(), attributes)) {
    return LastError("set attributes", path);
  }
  return Status::Ok();
}

Status WinFileSystem::moveFile(std::string_view from, std::string_view to) {
  if (!MoveFileExW(LongPath(from).c_str(), LongPath(to).c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) {
    return LastError("move file", from);
  }
  return Status::Ok();
}

Status WinFileSystem::moveFileNoReplace(std::string_view from, std::string_view to) {
  // Without MOVEFILE_REPLACE_EXISTING the system refuses an existing
  // target (ERROR_ALREADY_EXISTS) in the same step as the move.
  if (!MoveFileExW(LongPath(from).c_str(), LongPath(to).c_str(), MOVEFILE_COPY_ALLOWED)) {
    return LastError("move file", to);
  }
  return Status::Ok();
}

Result<std::unique_ptr<platform::File>> WinFileSystem::open(std::string_view path, FileOpen mode,
                                                            FileShare share) {
  DWORD access = GENERIC_READ;
  DWORD disposition = OPEN_EXISTING;
  DWORD flags = FILE_ATTRIBUTE_NORMAL;
  switch (mode) {
    case FileOpen::ReadExisting:
      break;
    case FileOpen::ReadWriteExisting:
      access = GENERIC_READ | GENERIC_WRITE;
      break;
    case FileOpen::ReadWriteNoFollow:
      access = GENERIC_READ | GENERIC_WRITE;
      flags |= FILE_FLAG_OPEN_REPARSE_POINT;
      break;
    case FileOpen::CreateAlways:
      access = GENERIC_WRITE;
      disposition = CREATE_ALWAYS;
      break;
  }
  DWORD sharing = 0;
  switch (share) {
    case FileShare::None:
      break;
    case FileShare::Read:
      sharing = FILE_SHARE_READ;
      break;
    case FileShare::ReadWrite:
      sharing = FILE_SHARE_READ | FILE_SHARE_WRITE;
      break;
  }
  FileHandle handle(
      CreateFileW(LongPath(path).c_str(), access, sharing, nullptr, disposition, flags, nullptr));
  if (!handle) return LastError("open file", path);
  return std::unique_ptr<platform::File>(
      std::make_unique<WinFile>(std::move(handle), std::string(path)));
}

Status WinFileSystem::deleteAtRestart(std::string_view path) {
  if (!MoveFileExW(LongPath(path).c_str(), nullptr,
                   MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING)) {
    return LastError("delete at restart", path);
  }
  return Status::Ok();
}

Result<std::string> WinFileSystem::shortPath(std::string_view path) {
  const std::wstring wide = Widen(path);
  const std::wstring result = Grow(
      [&](wchar_t* buffer, DWORD size) { return GetShortPathNameW(wide.c_str(), buffer, size); });
  if (result.empty()) return LastError("short path", path);
  return Narrow(result);
}

std::string WinFileSystem::specialFolder(int csidl) {
  wchar_t buffer[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer))) return {};
  return WithoutTrailingBackslash(NarrowZ(buffer));
}

std::string WinFileSystem::tempFolder() {
  return Narrow(Grow([](wchar_t* buffer, DWORD size) { return GetTempPathW(size, buffer); }));
}

std::string WinFileSystem::windowsFolder() {
  return WithoutTrailingBackslash(Narrow(Grow([](wchar_t* buffer, DWORD size) {
    return static_cast<DWORD>(GetWindowsDirectoryW(buffer, size));
  })));
}

std::string WinFileSystem::systemFolder() {
  return WithoutTrailingBackslash(Narrow(Grow([](wchar_t* buffer, DWORD size) {
    return static_cast<DWORD>(GetSystemDirectoryW(buffer, size));
  })));
}

std::vector<std::string> WinFileSystem::logicalDrives() {
  std::wstring buffer(128, L'\0');
  while (true) {
    const DWORD got = GetLogicalDriveStringsW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (got == 0) return {};
    if (got < buffer.size()) {
      buffer.resize(got);
      break;
    }
    buffer.resize(got + 1);
  }
  std::vector<std::string> drives;
  std::size_t start = 0;
  while (start < buffer.size()) {
    const std::size_t end = buffer.find(L'\0', start);
    const std::size_t stop = end == std::wstring::npos ? buffer.size() : end;
    if (stop > start)
      drives.push_back(Narrow(std::wstring_view(buffer).substr(start, stop - start)));
    start = stop + 1;
  }
  return drives;
}

DriveType WinFileSystem::driveType(std::string_view root) {
  const UINT type = GetDriveTypeW(RootWithBackslash(root).c_str());
  return type <= DRIVE_RAMDISK ? static_cast<DriveType>(type) : DriveType::Unknown;
}

bool WinFileSystem::volumePresent(std::string_view root) {
  // No "insert a disk" box for an empty drive.
  const UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS);
  const BOOL present = GetVolumeInformationW(RootWithBackslash(root).c_str(), nullptr, 0, nullptr,
                                             nullptr, nullptr, nullptr, 0);
  SetErrorMode(previous);
  return present != FALSE;
}

Result<std::uint64_t> WinFileSystem::freeSpace(std::string_view path) {
  // Any folder of the volume will do; a file's own folder always exists.
  const std::string folder = platform::FolderOf(path);
  ULARGE_INTEGER available{};
  if (!GetDiskFreeSpaceExW(RootWithBackslash(folder.empty() ? path : folder).c_str(), &available,
                           nullptr, nullptr)) {
    return LastError("free space", path);
  }
  return static_cast<std::uint64_t>(available.QuadPart);
}

std::string WinFileSystem::dosDeviceName(std::string_view drive) {
  const std::wstring name = Widen(WithoutTrailingBackslash(drive));
  std::wstring buffer(MAX_PATH, L'\0');
  while (true) {
    const DWORD got =
        QueryDosDeviceW(name.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (got != 0) return NarrowZ(buffer.c_str());
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || buffer.size() >= kMaxWideBuffer) return {};
    buffer.resize(buffer.size() * 2);
  }
}

std::string WinFileSystem::expandEnvironment(std::string_view text) {
  if (text.empty()) return {};
  const std::wstring wide = Widen(text);
  std::wstring buffer(wide.size() + MAX_PATH, L'\0');
  while (true) {
    const DWORD got =
        ExpandEnvironmentStringsW(wide.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (got == 0) return std::string(text);
    if (got <= buffer.size()) return NarrowZ(buffer.c_str());
    buffer.resize(got);
  }
}

}  // namespace nc::win32
