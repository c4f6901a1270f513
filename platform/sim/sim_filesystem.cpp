#include "platform/sim/sim_filesystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>

#include "core/text.h"

namespace nc::sim {

namespace fs = std::filesystem;
using platform::FileShare;
using platform::FileAttr::Archive;
using platform::FileAttr::Directory;
using platform::FileAttr::Hidden;
using platform::FileAttr::Normal;
using platform::FileAttr::ReadOnly;
using platform::FileAttr::ReparsePoint;
using platform::FileAttr::System;

namespace {

constexpr std::uint32_t kKeptAttributes = ReadOnly | Hidden | System | Archive;

Error Fail(Errc code, std::string_view op, std::string_view path) {
  return Error{code, std::string(op), std::string(path)};
}

Errc FromErrno(int err) {
  switch (err) {
    case ENOENT:
    case ENOTDIR:
      return Errc::NotFound;
    case EACCES:
    case EPERM:
    case EROFS:
      return Errc::AccessDenied;
    case EEXIST:
      return Errc::AlreadyExists;
    case ENOSPC:
      return Errc::DiskFull;
    case ENOTEMPTY:
      return Errc::NotEmpty;
    case EINVAL:
    case ENAMETOOLONG:
      return Errc::InvalidArgument;
    default:
      return Errc::IoError;
  }
}

bool Lstat(const fs::path& p, struct stat& st) {
  return ::lstat(p.c_str(), &st) == 0;
}

bool IsHostDir(const fs::path& p) {
  struct stat st {};
  return Lstat(p, st) && S_ISDIR(st.st_mode);
}

// Whether a status read without following links is that of a folder or of
// a link to one.
bool IsFolderStat(const char* p, const struct stat& st) {
  if (S_ISDIR(st.st_mode)) return true;
  if (!S_ISLNK(st.st_mode)) return false;
  struct stat target {};
  return ::stat(p, &target) == 0 && S_ISDIR(target.st_mode);
}

// Whether a path names a folder, a link to a folder included.
bool IsFolderLike(const fs::path& p) {
  struct stat st {};
  return Lstat(p, st) && IsFolderStat(p.c_str(), st);
}

struct ParsedPath {
  char drive = 0;
  std::vector<std::string> parts;
};

// The drive of an administrative share of this machine ("localhost\C$",
// "127.0.0.1\c$"), or 0; `rest` is left after the share's name.
char LocalShareDrive(std::string_view& rest) {
  const auto slash = rest.find('\\');
  if (slash == std::string_view::npos) return 0;
  const std::string_view server = rest.substr(0, slash);
  if (!EqualsNoCase(server, "localhost") && server != "127.0.0.1") return 0;
  std::string_view share = rest.substr(slash + 1);
  if (share.size() < 2 || share[1] != '$' || (share.size() > 2 && share[2] != '\\')) return 0;
  const char letter = UpperAscii(share.substr(0, 1))[0];
  if (letter < 'A' || letter > 'Z') return 0;
  rest = share.substr(2);
  return letter;
}

// A path as the system reads it. "\\?\" paths are taken as written; other
// paths lose "." parts, ".." takes the name before it away, a single dot
// at the end of a name goes, and so do dots and blanks at the end of the
// path. "\\localhost\C$\", "\\127.0.0.1\C$\", "\\?\UNC\localhost\C$\" and
// "\\.\C:\" reach drive C: as well.
std::optional<ParsedPath> ParseWindowsPath(std::string_view path) {
  std::string rest;
  char letter = 0;
  bool verbatim = false;
  if (StartsWith(path, "\\\\?\\UNC\\")) {
    std::string_view share = path.substr(8);
    letter = LocalShareDrive(share);
    if (letter == 0) return std::nullopt;
    rest = share;
    verbatim = true;
  } else if (StartsWith(path, "\\\\?\\") || StartsWith(path, "\\\\.\\")) {
    verbatim = path[2] == '?';
    path.remove_prefix(4);
  } else if (StartsWith(path, "\\\\")) {
    std::string_view share = path.substr(2);
    letter = LocalShareDrive(share);
    if (letter == 0) return std::nullopt;
    rest = share;
  }
  if (letter == 0) {
    if (path.size() < 2 || path[1] != ':') return std::nullopt;
    letter = UpperAscii(path.substr(0, 1))[0];
    if (letter < 'A' || letter > 'Z') return std::nullopt;
    rest = path.substr(2);
  }
  ParsedPath parsed;
  parsed.drive = letter;
  std::replace(rest.begin(), rest.end(), '/', '\\');
  if (!verbatim && !rest.empty() && rest.back() != '\\') {
    while (!rest.empty() && (rest.back() == '.' || rest.back() == ' ')) {
      // "C:\a\.." and "C:\a\." keep their meaning.
      const auto slash = rest.rfind('\\');
      const std::string_view last = std::string_view(rest).substr(slash + 1);
      if (last == "." || last == "..") break;
      rest.pop_back();
    }
  }
  for (auto& part : Split(rest, '\\')) {
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parsed.parts.empty()) parsed.parts.pop_back();
      continue;
    }
    if (!verbatim && part.size() > 1 && part.back() == '.' && part[part.size() - 2] != '.') {
      part.pop_back();
    }
    if (part.find_first_of("*?<>|\"") != std::string::npos) return std::nullopt;
    parsed.parts.push_back(std::move(part));
  }
  return parsed;
}

// The drive letter of "C:", "C:\" or "c".
char DriveLetter(std::string_view root) {
  if (root.empty()) return 0;
  const char letter = UpperAscii(root.substr(0, 1))[0];
  if (letter < 'A' || letter > 'Z') return 0;
  if (root.size() > 1 && root[1] != ':') return 0;
  return letter;
}

bool ShortNameChar(char c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
  return std::string_view("!#$%&'()-@^_`{}~").find(c) != std::string_view::npos;
}

bool IsValidShortName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  const auto dot = name.find('.');
  const std::string_view base = name.substr(0, dot);
  const std::string_view ext =
      dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
  if (base.empty() || base.size() > 8 || ext.size() > 3) return false;
  if (dot != std::string_view::npos && ext.empty()) return false;
  for (char c : base) {
    if (!ShortNameChar(c)) return false;
  }
  for (char c : ext) {
    if (!ShortNameChar(c)) return false;
  }
  return true;
}

std::string ShortPart(std::string_view text, std::size_t limit) {
  std::string out;
  for (char c : text) {
    if (out.size() == limit) break;
    if (c == ' ' || c == '.') continue;
    if (std::string_view("+,;=[]").find(c) != std::string_view::npos) {
      out += '_';
    } else if (ShortNameChar(c)) {
      out += c;
    } else if (static_cast<unsigned char>(c) >= 0xC0) {
      out += '_';  // one per non-ASCII character (its lead byte)
    }
  }
  return UpperAscii(out);
}

// The generated 8.3 name of a long name ("Program Files" -> "PROGRA~1").
std::string ShortName(std::string_view name) {
  const auto dot = name.rfind('.');
  const bool hasExt = dot != std::string_view::npos && dot > 0;
  std::string base = ShortPart(hasExt ? name.substr(0, dot) : name, 6);
  if (base.empty()) base = "_";
  std::string out = base + "~1";
  if (hasExt) {
    const std::string ext = ShortPart(name.substr(dot + 1), 3);
    if (!ext.empty()) out += "." + ext;
  }
  return out;
}

bool OpenConflicts(bool read, bool write, FileShare share, bool otherRead, bool otherWrite,
                   FileShare otherShare) {
  const auto allowsRead = [](FileShare s) { return s != FileShare::None; };
  const auto allowsWrite = [](FileShare s) { return s == FileShare::ReadWrite; };
  if (read && !allowsRead(otherShare)) return true;
  if (write && !allowsWrite(otherShare)) return true;
  if (otherRead && !allowsRead(share)) return true;
  if (otherWrite && !allowsWrite(share)) return true;
  return false;
}

}  // namespace

// ---- open files -----------------------------------------------------------------

class SimFile : public platform::File {
 public:
  SimFile(SimFileSystem* owner, int fd, std::string key, std::uint64_t id, std::string winPath,
          bool canRead, bool canWrite)
      : owner_(owner),
        fd_(fd),
        key_(std::move(key)),
        id_(id),
        winPath_(std::move(winPath)),
        canRead_(canRead),
        canWrite_(canWrite) {}
  ~SimFile() override {
    ::close(fd_);
    owner_->unregister(key_, id_);
  }
  SimFile(const SimFile&) = delete;
  SimFile& operator=(const SimFile&) = delete;

  Result<platform::FileFacts> facts() override {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return Fail(FromErrno(errno), "file facts", winPath_);
    return platform::FileFacts{S_ISREG(st.st_mode), static_cast<std::uint32_t>(st.st_nlink)};
  }

  Result<std::uint64_t> size() override {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return Fail(FromErrno(errno), "size", winPath_);
    return static_cast<std::uint64_t>(st.st_size);
  }

  Status seek(std::uint64_t offset) override {
    if (::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0) {
      return Fail(FromErrno(errno), "seek", winPath_);
    }
    return Status::Ok();
  }

  Result<std::size_t> read(std::span<std::uint8_t> buffer) override {
    if (auto e = owner_->faults_->checkError(PortMethod::FilesRead, "read file", winPath_))
      return *e;
    if (!canRead_) return Fail(Errc::AccessDenied, "read file", winPath_);
    const ssize_t got = ::read(fd_, buffer.data(), buffer.size());
    if (got < 0) return Fail(FromErrno(errno), "read file", winPath_);
    return static_cast<std::size_t>(got);
  }

  Status write(std::span<const std::uint8_t> data) override {
    if (auto e = owner_->faults_->checkError(PortMethod::FilesWrite, "write file", winPath_))
      return *e;
    if (!canWrite_) return Fail(Errc::AccessDenied, "write file", winPath_);
    std::size_t done = 0;
    while (done < data.size()) {
      const ssize_t put = ::write(fd_, data.data() + done, data.size() - done);
      if (put < 0) {
        if (errno == EINTR) continue;
        return Fail(FromErrno(errno), "write file", winPath_);
      }
      done += static_cast<std::size_t>(put);
    }
    return Status::Ok();
  }

  Status flush() override {
    if (auto e = owner_->faults_->checkError(PortMethod::FilesFlush, "flush file", winPath_))
      return *e;
    return Status::Ok();
  }

 private:
  SimFileSystem* owner_;
  int fd_;
  std::string key_;
  std::uint64_t id_;
  std::string winPath_;
  bool canRead_;
  bool canWrite_;
};

// ---- set-up -----------------------------------------------------------------------

SimFileSystem::SimFileSystem(FaultPlan* faults) : faults_(faults) {
  if (faults_ == nullptr) {
    ownFaults_ = std::make_unique<FaultPlan>();
    faults_ = ownFaults_.get();
  }
  const std::string user = "C:\\Users\\user";
  const std::string roaming = user + "\\AppData\\Roaming";
  const std::string local = user + "\\AppData\\Local";
  const std::string startMenu = roaming + "\\Microsoft\\Windows\\Start Menu";
  const std::string commonStart = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu";
  specialFolders_ = {
      {platform::Csidl::Personal, user + "\\Documents"},
      {platform::Csidl::Favorites, user + "\\Favorites"},
      {platform::Csidl::Recent, roaming + "\\Microsoft\\Windows\\Recent"},
      {platform::Csidl::StartMenu, startMenu},
      {platform::Csidl::Programs, startMenu + "\\Programs"},
      {platform::Csidl::Startup, startMenu + "\\Programs\\Startup"},
      {platform::Csidl::Desktop, user + "\\Desktop"},
      {platform::Csidl::AppData, roaming},
      {platform::Csidl::LocalAppData, local},
      {platform::Csidl::InternetCache, local + "\\Microsoft\\Windows\\INetCache"},
      {platform::Csidl::Cookies, local + "\\Microsoft\\Windows\\INetCookies"},
      {platform::Csidl::History, local + "\\Microsoft\\Windows\\History"},
      {platform::Csidl::CommonAppData, "C:\\ProgramData"},
      {platform::Csidl::Windows, "C:\\Windows"},
      {platform::Csidl::System, "C:\\Windows\\system32"},
      {platform::Csidl::ProgramFiles, "C:\\Program Files"},
      {platform::Csidl::MyPictures, user + "\\Pictures"},
      {platform::Csidl::MyMusic, user + "\\Music"},
      {platform::Csidl::MyVideo, user + "\\Videos"},
      {platform::Csidl::CommonStartMenu, commonStart},
      {platform::Csidl::CommonPrograms, commonStart + "\\Programs"},
      {platform::Csidl::CommonStartup, commonStart + "\\Programs\\Startup"},
  };
  tempFolder_ = local + "\\Temp\\";
  const std::pair<const char*, std::string> env[] = {
      {"SystemDrive", "C:"},
      {"SystemRoot", "C:\\Windows"},
      {"windir", "C:\\Windows"},
      {"USERNAME", "user"},
      {"USERPROFILE", user},
      {"HOMEDRIVE", "C:"},
      {"HOMEPATH", "\\Users\\user"},
      {"APPDATA", roaming},
      {"LOCALAPPDATA", local},
      {"TEMP", local + "\\Temp"},
      {"TMP", local + "\\Temp"},
      {"ProgramFiles", "C:\\Program Files"},
      {"ProgramData", "C:\\ProgramData"},
      {"ALLUSERSPROFILE", "C:\\ProgramData"},
      {"CommonProgramFiles", "C:\\Program Files\\Common Files"},
  };
  for (const auto& [name, value] : env) environment_[UpperAscii(name)] = {name, value};
}

SimFileSystem::~SimFileSystem() = default;

void SimFileSystem::addDrive(char letter, const fs::path& hostFolder, platform::DriveType type,
                             bool present, std::string_view device) {
  const char upper = DriveLetter(std::string_view(&letter, 1));
  if (upper == 0) return;
  std::lock_guard lock(mutex_);
  Drive drive;
  drive.host = hostFolder;
  drive.type = type;
  drive.present = present;
  drive.device = device.empty() ? "\\Device\\HarddiskVolume" + std::to_string(drives_.size() + 1)
                                : std::string(device);
  drives_[upper] = std::move(drive);
}

void SimFileSystem::removeDrive(char letter) {
  std::lock_guard lock(mutex_);
  drives_.erase(DriveLetter(std::string_view(&letter, 1)));
}

void SimFileSystem::setVolumePresent(char letter, bool present) {
  std::lock_guard lock(mutex_);
  const auto it = drives_.find(DriveLetter(std::string_view(&letter, 1)));
  if (it != drives_.end()) it->second.present = present;
}

void SimFileSystem::setSpecialFolder(int csidl, std::string_view path) {
  std::lock_guard lock(mutex_);
  specialFolders_[csidl] = WithoutTrailingBackslash(path);
}

void SimFileSystem::setTempFolder(std::string_view path) {
  std::lock_guard lock(mutex_);
  tempFolder_ = WithTrailingBackslash(path);
}

void SimFileSystem::setEnvironment(std::string_view name, std::string_view value) {
  std::lock_guard lock(mutex_);
  environment_[UpperAscii(name)] = {std::string(name), std::string(value)};
}

void SimFileSystem::unsetEnvironment(std::string_view name) {
  std::lock_guard lock(mutex_);
  environment_.erase(UpperAscii(name));
}

// ---- resolution -----------------------------------------------------------------

Result<SimFileSystem::Resolved> SimFileSystem::resolveLocked(std::string_view path,
                                                             std::string_view op,
                                                             bool exactMissed) const {
  const auto parsed = ParseWindowsPath(path);
  if (!parsed) return Fail(Errc::InvalidArgument, op, path);
  const auto drive = drives_.find(parsed->drive);
  if (drive == drives_.end()) return Fail(Errc::NotFound, op, path);
  if (!drive->second.present) return Fail(Errc::IoError, op, path);

  Resolved out;
  out.drive = parsed->drive;
  out.host = drive->second.host;
  // Most paths are written as they are stored: one look at the whole path
  // settles them. Only a miss searches part by part without regard to case.
  std::size_t settled = 0;  // parts already resolved into out.host
  if (!parsed->parts.empty()) {
    fs::path exact = out.host;
    for (const auto& part : parsed->parts) exact /= part;
    if (!exactMissed && Lstat(exact, out.st)) {
      out.host = std::move(exact);
      out.name = parsed->parts.back();
      out.exists = true;
      return out;
    }
    // Usually only the last part is missing or written in another case.
    fs::path parent = exact.parent_path();
    if (Lstat(parent, out.st) && IsFolderStat(parent.c_str(), out.st)) {
      out.host = std::move(parent);
      settled = parsed->parts.size() - 1;
    }
  }
  if (settled == 0)
    out.exists = Lstat(out.host, out.st) && IsFolderStat(out.host.c_str(), out.st);
  else
    out.exists = true;
  for (std::size_t i = settled; i < parsed->parts.size(); ++i) {
    const std::string& part = parsed->parts[i];
    const bool inFolder = out.exists && IsFolderStat(out.host.c_str(), out.st);
    out.exists = false;
    out.name = part;
    if (inFolder) {
      fs::path exact = out.host / part;
      if (Lstat(exact, out.st)) {
        out.host = std::move(exact);
        out.exists = true;
        continue;
      }
      if (auto found = nameNoCaseLocked(out.host.string(), out.st, part); !found.empty()) {
        out.host /= found;
        out.name = std::move(found);
        out.exists = Lstat(out.host, out.st);
        continue;
      }
    }
    out.host /= part;
  }
  return out;
}

std::string SimFileSystem::nameNoCaseLocked(const std::string& folder, const struct stat& st,
                                            std::string_view name) const {
  // A folder's change time moves whenever a name in it is added, removed or
  // renamed, and the clock that stamps it ticks far faster than this margin:
  // names read from a folder unchanged for longer than it stay right for as
  // long as its change time stays the same.
  constexpr long long kSettledNanoseconds = 200'000'000;
  const auto nanoseconds = [](const timespec& t) {
    return static_cast<long long>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
  };
  if (const auto it = folderNames_.find(folder); it != folderNames_.end()) {
    if (it->second.inode == st.st_ino &&
        nanoseconds(it->second.changed) == nanoseconds(st.st_ctim)) {
      const auto hit = it->second.byUpperName.find(UpperAscii(name));
      return hit == it->second.byUpperName.end() ? std::string() : hit->second;
    }
    folderNames_.erase(it);
  }

  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return {};
  FolderNames names;
  names.inode = st.st_ino;
  names.changed = st.st_ctim;
  std::vector<std::string> longNames;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view entryName = entry->d_name;
    if (entryName == "." || entryName == "..") continue;
    names.byUpperName.emplace(UpperAscii(entryName), entryName);
    if (!IsValidShortName(entryName)) longNames.emplace_back(entryName);
  }
  ::closedir(dir);
  // A long name is found by its short name too ("DOCUME~1"), unless an
  // entry bears that name itself.
  for (std::string& longName : longNames) {
    names.byUpperName.emplace(ShortName(longName), std::move(longName));
  }
  std::string found;
  if (const auto hit = names.byUpperName.find(UpperAscii(name)); hit != names.byUpperName.end()) {
    found = hit->second;
  }

  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  if (nanoseconds(st.st_ctim) + kSettledNanoseconds < nanoseconds(now)) {
    if (folderNames_.size() >= kMaxFoldersNamed) folderNames_.clear();
    folderNames_.emplace(folder, std::move(names));
  }
  return found;
}

fs::path SimFileSystem::hostPath(std::string_view path) {
  std::lock_guard lock(mutex_);
  const auto parsed = ParseWindowsPath(path);
  if (!parsed) return {};
  const auto drive = drives_.find(parsed->drive);
  if (drive == drives_.end()) return {};
  const bool present = drive->second.present;
  drive->second.present = true;
  auto resolved = resolveLocked(path, "resolve");
  drive->second.present = present;
  return resolved ? resolved->host : fs::path();
}

std::string SimFileSystem::nativePath(std::string_view path) {
  return hostPath(path).string();
}

std::uint32_t SimFileSystem::attributesLocked(const fs::path& host) const {
  struct stat st {};
  if (!Lstat(host, st)) return 0;
  return attributesOfStat(host.string(), st);
}

std::uint32_t SimFileSystem::attributesOfStat(const std::string& host,
                                              const struct stat& st) const {
  std::uint32_t attrs = 0;
  const auto kept = attributes_.find(host);
  if (S_ISLNK(st.st_mode)) {
    attrs |= ReparsePoint;
    if (IsFolderStat(host.c_str(), st)) attrs |= Directory;
  } else if (S_ISDIR(st.st_mode)) {
    attrs |= Directory;
  } else if (kept == attributes_.end()) {
    attrs |= Archive;  // as a freshly written file
  }
  if (kept != attributes_.end()) attrs |= kept->second;
  if (attrs == 0) attrs = Normal;
  return attrs;
}

platform::FileEntry SimFileSystem::entryLocked(const fs::path& host, std::string name) const {
  platform::FileEntry entry;
  entry.name = std::move(name);
  struct stat st {};
  if (Lstat(host, st)) {
    entry.attributes = attributesOfStat(host.string(), st);
    if (S_ISREG(st.st_mode)) entry.size = static_cast<std::uint64_t>(st.st_size);
    entry.lastWrite = static_cast<std::int64_t>(st.st_mtime);
  }
  return entry;
}

bool SimFileSystem::isOpenLocked(const std::string& key) const {
  const auto it = openFiles_.find(key);
  return it != openFiles_.end() && !it->second.empty();
}

void SimFileSystem::unregister(const std::string& key, std::uint64_t id) {
  std::lock_guard lock(mutex_);
  const auto it = openFiles_.find(key);
  if (it == openFiles_.end()) return;
  auto& records = it->second;
  records.erase(std::remove_if(records.begin(), records.end(),
                               [id](const OpenRecord& r) { return r.id == id; }),
                records.end());
  if (records.empty()) openFiles_.erase(it);
}

// ---- the port ---------------------------------------------------------------------

Result<std::vector<platform::FileEntry>> SimFileSystem::list(std::string_view folder) {
  if (auto e = faults_->checkError(PortMethod::FilesList, "list folder", folder)) return *e;
  std::lock_guard lock(mutex_);
  auto resolved = resolveLocked(folder, "list folder");
  if (!resolved) return resolved.error();
  if (!resolved->exists || !IsFolderLike(resolved->host)) {
    return Fail(Errc::NotFound, "list folder", folder);
  }
  std::vector<platform::FileEntry> entries;
  std::error_code ec;
  for (fs::directory_iterator it(resolved->host, ec), end; !ec && it != end; it.increment(ec)) {
    entries.push_back(entryLocked(it->path(), it->path().filename().string()));
  }
  if (ec) return Fail(FromErrno(ec.value()), "list folder", folder);
  // NTFS order: by the upper-cased name (each computed once).
  std::vector<std::pair<std::string, std::size_t>> keys;
  keys.reserve(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i)
    keys.emplace_back(UpperAscii(entries[i].name), i);
  std::sort(keys.begin(), keys.end(), [&](const auto& a, const auto& b) {
    return a.first != b.first ? a.first < b.first : entries[a.second].name < entries[b.second].name;
  });
  std::vector<platform::FileEntry> sorted;
  sorted.reserve(entries.size());
  for (const auto& key : keys) sorted.push_back(std::move(entries[key.second]));
  return sorted;
}

Result<platform::FileEntry> SimFileSystem::stat(std::string_view path) {
  if (auto e = faults_->checkError(PortMethod::FilesStat, "find file", path)) return *e;
  std::lock_guard lock(mutex_);
  auto resolved = resolveLocked(path, "find file");
  if (!resolved) return resolved.error();
  if (!resolved->exists) return Fail(Errc::NotFound, "find file", path);
  return entryLocked(resolved->host, resolved->name);
}

std::optional<SimFileSystem::HostEntry> SimFileSystem::findLocked(std::string_view path,
                                                                  std::string_view op) const {
  std::string host;
  const bool plain = plainHostPathLocked(path, host);
  if (plain) {
    struct stat st {};
    if (::lstat(host.c_str(), &st) == 0) return HostEntry{std::move(host), st};
    // Most misses are a last name missing, or written in another case,
    // in a folder that exists.
    const bool named = path.find_first_not_of('\\', 2) != std::string_view::npos;
    const auto slash = host.rfind('/');
    std::string folder = host.substr(0, slash);
    if (named && ::lstat(folder.c_str(), &st) == 0 && IsFolderStat(folder.c_str(), st)) {
      std::string found = nameNoCaseLocked(folder, st, std::string_view(host).substr(slash + 1));
      if (found.empty()) return std::nullopt;
      folder += '/';
      folder += found;
      if (::lstat(folder.c_str(), &st) != 0) return std::nullopt;
      return HostEntry{std::move(folder), st};
    }
  }
  auto resolved = resolveLocked(path, op, plain);
  if (!resolved || !resolved->exists) return std::nullopt;
  return HostEntry{resolved->host.string(), resolved->st};
}

bool SimFileSystem::plainHostPathLocked(std::string_view path, std::string& host) const {
  if (path.size() < 2 || path[1] != ':') return false;
  const auto drive = drives_.find(DriveLetter(path.substr(0, 1)));
  if (drive == drives_.end() || !drive->second.present) return false;
  const std::string_view rest = path.substr(2);
  if (!rest.empty() && rest.front() != '\\') return false;
  host = drive->second.host.string();
  if (!host.empty() && host.back() == '/') host.pop_back();
  std::size_t start = 1;
  while (start < rest.size()) {
    const auto end = std::min(rest.find('\\', start), rest.size());
    const std::string_view part = rest.substr(start, end - start);
    if (part.empty() || part == "." || part == ".." || part.back() == '.' || part.back() == ' ' ||
        part.find_first_of("/*?<>|\"") != std::string_view::npos) {
      return false;
    }
    host += '/';
    host += part;
    start = end + 1;
  }
  return true;
}

bool SimFileSystem::fileExists(std::string_view path) {
  if (onProbe_) onProbe_(path);
  std::lock_guard lock(mutex_);
  const auto found = findLocked(path, "find file");
  return found && !IsFolderStat(found->host.c_str(), found->st);
}

bool SimFileSystem::folderExists(std::string_view path) {
  if (onProbe_) onProbe_(path);
  std::lock_guard lock(mutex_);
  const auto found = findLocked(path, "find folder");
  return found && IsFolderStat(found->host.c_str(), found->st);
}

std::optional<std::uint32_t> SimFileSystem::attributes(std::string_view path) {
  std::lock_guard lock(mutex_);
  const auto found = findLocked(path, "attributes");
  if (!found) return std::nullopt;
  return attributesOfStat(found->host, found->st);
}

Result<platform::FolderIdentity> SimFileSystem::folderIdentity(std::string_view path) {
  if (auto e = faults_->checkError(PortMethod::FilesFolderIdentity, "folder identity", path))
    return *e;
  std::lock_guard lock(mutex_);
  auto resolved = resolveLocked(path, "folder identity");
  if (!resolved) return resolved.error();
  struct stat st {};
  if (!resolved->exists || ::stat(resolved->host.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    return Fail(Errc::NotFound, "folder identity", path);
  }
  return platform::FolderIdentity{static_cast<std::uint64_t>(st.st_dev),
                                  static_cast<std::uint64_t>(st.st_ino)};
}

bool SimFileSystem::createFolderLink(std::string_view link, std::string_view target) {
  const fs::path host = hostPath(link);
  const fs::path to = hostPath(target);
  if (host.empty() || to.empty()) return false;
  std::error_code ec;
  fs::create_directory_symlink(to, host, ec);
  return !ec;
}

void SimFileSystem::addWindowsLinks(std::string_view profile) {
  const std::string user = WithoutTrailingBackslash(profile);
  const std::string roaming = user + "\\AppData\\Roaming";
  const std::string local = user + "\\AppData\\Local";
  const std::string documents = user + "\\Documents";
  const std::string shell = roaming + "\\Microsoft\\Windows";
  const std::pair<std::string, std::string> links[] = {
      {platform::FolderOf(platform::FolderOf(user)) + "\\Documents and Settings",
       platform::FolderOf(user)},
      {user + "\\Application Data", roaming},
      {user + "\\Cookies", shell + "\\Cookies"},
      {user + "\\Local Settings", local},
      {user + "\\My Documents", documents},
      {user + "\\NetHood", shell + "\\Network Shortcuts"},
      {user + "\\PrintHood", shell + "\\Printer Shortcuts"},
      {user + "\\Recent", shell + "\\Recent"},
      {user + "\\SendTo", shell + "\\SendTo"},
      {user + "\\Start Menu", shell + "\\Start Menu"},
      {user + "\\Templates", shell + "\\Templates"},
      {local + "\\Application Data", local},
      {local + "\\History", local + "\\Microsoft\\Windows\\History"},
      {local + "\\Temporary Internet Files", local + "\\Microsoft\\Windows\\INetCache"},
      {documents + "\\My Music", user + "\\Music"},
      {documents + "\\My Pictures", user + "\\Pictures"},
      {documents + "\\My Videos", user + "\\Videos"},
  };
  for (const auto& [link, target] : links) {
    std::error_code ec;
    fs::create_directories(hostPath(platform::FolderOf(link)), ec);
    (void)createFolderLink(link, target);
  }
}

Status SimFileSystem::deleteFile(std::string_view path) {
  if (auto e = faults_->checkError(PortMethod::FilesDeleteFile, "delete file", path)) return *e;
  std::lock_guard lock(mutex_);
  auto resolved = resolveLocked(path, "delete file");
  if (!resolved) return resolved.error();
  if (!resolved->exists) return Fail(Errc::NotFound, "delete file", path);
  struct stat st {};
  if (!Lstat(resolved->host, st)) return Fail(Errc::NotFound, "delete file", path);
  const std::string key = resolved->host.string();
  if (S_ISDIR(st.st_mode)) return Fail(Errc::AccessDenied, "delete file", path);
  if ((attributesLocked(resolved->host) & ReadOnly) != 0) {
    return Fail(Errc::AccessDenied, "delete file", path);
  }
  if (isOpenLocked(key)) return Fail(Errc::SharingViolation, "delete file", path);
  if (::unlink(key.c_str()) != 0) return Fail(FromErrno(errno), "delete file", path);
  attributes_.erase(key);
  // The file's bytes are free again on a drive whose free space is set.
  if (auto& free = drives_.at(resolved->drive).freeSpace; free && S_ISREG(st.st_mode)) {
    *free += static_cast<std::uint64_t>(st.st_size);
  }
  return Status::Ok();
}

Status SimFileSystem::removeFolder(std::string_view path) {
  if (auto e = faults_->checkError(PortMethod::FilesRemoveFolder, "remove folder", path)) return *e;
  std::lock_guard lock(mutex_);
  auto resolved = resolveLocked(path, "remove folder");
  if (!resolved) return resolved.error();
  if (!resolved->exists) return Fail(Errc::NotFound, "remove folder", path);
  const std::string key = resolved->host.string();
  struct stat st {};
  if (!Lstat(resolved->host, st)) return Fail(Errc::NotFound, "remove folder", path);
  if (resolved->host == drives_.at(resolved->drive).host) {
    return Fail(Errc::AccessDenied, "remove folder", path);
  }
  if ((attributesLocked(resolved->host) & ReadOnly) != 0) {
    return Fail(Errc::AccessDenied, "remove folder", path);
  }
  if (S_ISLNK(st.st_mode)) {
    // The link goes; its target is not touched.
    if (::unlink(key.c_str()) != 0) return Fail(FromErrno(errno), "remove folder", path);
  } else if (!S_ISDIR(st.st_mode)) {
    return Fail(Errc::InvalidArgument, "remove folder", path);
  } else if (::rmdir(key.c_str()) != 0) {
    const int err = errno;
    return Fail(err == EEXIST ? Errc::NotEmpty : FromErrno(err), "remove folder", path);
  }
  attributes_.erase(key);
  return Status::Ok();
}

Status SimFileSystem::createFolders(std::string_view path) {
  if (auto e = faults_->checkError(PortMethod::FilesCreateFolders, "create folder", path))
    return *e;
  std::lock_guard lock(mutex_);
  const auto parsed = ParseWindowsPath(path);
  if (!parsed) return Fail(Errc::InvalidArgument, "create folder", path);
  std::string prefix = std::string(1, parsed->drive) + ":";
  if (auto root = resolveLocked(prefix, "create folder"); !root) return root.error();
  for (const auto& part : parsed->parts) {
    prefix += "\\" + part;
    auto resolved = resolveLocked(prefix, "create folder");
    if (!resolved) return resolved.error();
    if (resolved->exists) {
      if (!IsFolderLike(resolved->host)) return Fail(Errc::AlreadyExists, "create folder", path);
      continue;
    }
    if (::mkdir(resolved->host.c_str(), 0777) != 0) {
      return Fail(FromErrno(errno), "create folder", path);
    }
  }
  return Status::Ok();
}

Status SimFileSystem::setAttributes(std::string_view path, std::uint32_t attributes) {
  if (auto e = faults_->checkError(PortMethod::FilesSetAttributes, "set attributes", path))
    return *e;
  std::lock_guard lock(mutex_);
  auto resolved = resolveLocked(path, "set attributes");
  if (!resolved) return resolved.error();
  if (!resolved->exists) return Fail(Errc::NotFound, "set attributes", path);
  attributes_[resolved->host.string()] = attributes & kKeptAttributes;
  return Status::Ok();
}

Status SimFileSystem::moveFile(std::string_view from, std::string_view to) {
  return move(from, to, true);
}

Status SimFileSystem::moveFileNoReplace(std::string_view from, std::string_view to) {
  return move(from, to, false);
}

Status SimFileSystem::move(std::string_view from, std::string_view to, bool replace) {
  const std::string what = std::string(from) + " -> " + std::string(to);
  if (auto e = faults_->checkError(PortMethod::FilesMoveFile, "move file", what)) return *e;
  if (beforeMove_) beforeMove_(from, to);
  std::lock_guard lock(mutex_);
  auto source = resolveLocked(from, "move file");
  if (!source) return source.error();
  if (!source->exists) return Fail(Errc::NotFound, "move file", from);
  auto target = resolveLocked(to, "move file");
  if (!target) return target.error();
  const std::string sourceKey = source->host.string();
  if (isOpenLocked(sourceKey)) return Fail(Errc::SharingViolation, "move file", from);

  fs::path destination = target->host;
  if (target->exists && target->host == source->host) {
    // Only the letter case changes.
    destination = target->host.parent_path() / platform::NameOf(to);
  } else if (target->exists) {
    if (!replace) return Fail(Errc::AlreadyExists, "move file", to);
    if (IsHostDir(target->host)) return Fail(Errc::AccessDenied, "move file", to);
    if ((attributesLocked(target->host) & ReadOnly) != 0) {
      return Fail(Errc::AccessDenied, "move file", to);
    }
    if (isOpenLocked(target->host.string())) {
      return Fail(Errc::SharingViolation, "move file", to);
    }
  } else if (!IsFolderLike(target->host.parent_path())) {
    return Fail(Errc::NotFound, "move file", to);
  }

  std::error_code ec;
  fs::rename(source->host, destination, ec);
  if (ec == std::errc::cross_device_link) {
    ec.clear();
    fs::copy(source->host, destination,
             fs::copy_options::overwrite_existing | fs::copy_options::recursive |
                 fs::copy_options::copy_symlinks,
             ec);
    if (!ec) fs::remove_all(source->host, ec);
  }
  if (ec) return Fail(FromErrno(ec.value()), "move file", what);

  attributes_.erase(target->host.string());
  const auto kept = attributes_.find(sourceKey);
  if (kept != attributes_.end()) {
    const std::uint32_t attrs = kept->second;
    attributes_.erase(kept);
    attributes_[destination.string()] = attrs;
  }
  return Status::Ok();
}

Result<std::unique_ptr<platform::File>> SimFileSystem::open(std::string_view path,
                                                            platform::FileOpen mode,
                                                            FileShare share) {
  if (auto e = faults_->checkError(PortMethod::FilesOpen, "open file", path)) return *e;
  std::lock_guard lock(mutex_);
  auto resolved = resolveLocked(path, "open file");
  if (!resolved) return resolved.error();
  const bool read = mode != platform::FileOpen::CreateAlways;
  const bool write = mode != platform::FileOpen::ReadExisting;
  if (resolved->exists) {
    if (IsFolderLike(resolved->host)) return Fail(Errc::AccessDenied, "open file", path);
    if (write && (attributesLocked(resolved->host) & ReadOnly) != 0) {
      return Fail(Errc::AccessDenied, "open file", path);
    }
  } else if (mode != platform::FileOpen::CreateAlways ||
             !IsFolderLike(resolved->host.parent_path())) {
    return Fail(Errc::NotFound, "open file", path);
  }

  // Sharing is checked before anything is truncated.
  const std::string key = resolved->host.string();
  if (const auto it = openFiles_.find(key); it != openFiles_.end()) {
    for (const auto& other : it->second) {
      if (OpenConflicts(read, write, share, other.read, other.write, other.share)) {
        return Fail(Errc::SharingViolation, "open file", path);
      }
    }
  }

  int flags = O_CLOEXEC;
  if (mode == platform::FileOpen::ReadExisting) flags |= O_RDONLY;
  if (mode == platform::FileOpen::ReadWriteExisting) flags |= O_RDWR;
  // A link cannot be opened as itself here: the open fails instead, which
  // leaves the caller as unwilling to write as a link's own handle would.
  if (mode == platform::FileOpen::ReadWriteNoFollow) flags |= O_RDWR | O_NOFOLLOW;
  if (mode == platform::FileOpen::CreateAlways) flags |= O_WRONLY | O_CREAT | O_TRUNC;
  const int fd = ::open(key.c_str(), flags, 0666);
  if (fd < 0) return Fail(FromErrno(errno), "open file", path);

  const std::uint64_t id = nextOpenId_++;
  openFiles_[key].push_back(OpenRecord{id, read, write, share});
  std::unique_ptr<platform::File> file =
      std::make_unique<SimFile>(this, fd, key, id, std::string(path), read, write);
  return file;
}

Status SimFileSystem::deleteAtRestart(std::string_view path) {
  if (auto e = faults_->checkError(PortMethod::FilesDeleteAtRestart, "delete at restart", path))
    return *e;
  std::lock_guard lock(mutex_);
  pendingDeletes_.emplace_back(path);
  return Status::Ok();
}

std::vector<std::string> SimFileSystem::pendingDeletes() const {
  std::lock_guard lock(mutex_);
  return pendingDeletes_;
}

void SimFileSystem::simulateRestart() {
  std::lock_guard lock(mutex_);
  openFiles_.clear();
  for (const auto& path : pendingDeletes_) {
    auto resolved = resolveLocked(path, "delete at restart");
    if (!resolved || !resolved->exists) continue;
    struct stat st {};
    if (!Lstat(resolved->host, st)) continue;
    const std::string key = resolved->host.string();
    const int rc = S_ISDIR(st.st_mode) ? ::rmdir(key.c_str()) : ::unlink(key.c_str());
    if (rc == 0) attributes_.erase(key);
  }
  pendingDeletes_.clear();
}

std::size_t SimFileSystem::openFileCount() const {
  std::lock_guard lock(mutex_);
  std::size_t count = 0;
  for (const auto& entry : openFiles_) count += entry.second.size();
  return count;
}

Result<std::string> SimFileSystem::shortPath(std::string_view path) {
  if (auto e = faults_->checkError(PortMethod::FilesShortPath, "short path", path)) return *e;
  std::lock_guard lock(mutex_);
  const auto parsed = ParseWindowsPath(path);
  if (!parsed) return Fail(Errc::InvalidArgument, "short path", path);
  auto resolved = resolveLocked(path, "short path");
  if (!resolved) return resolved.error();
  if (!resolved->exists) return Fail(Errc::NotFound, "short path", path);

  std::string out = std::string(1, parsed->drive) + ":";
  std::string prefix = out;
  for (const auto& part : parsed->parts) {
    prefix += "\\" + part;
    auto step = resolveLocked(prefix, "short path");
    const std::string name = step ? step->name : part;
    out += "\\" + (IsValidShortName(name) ? name : ShortName(name));
  }
  if (parsed->parts.empty()) out += "\\";
  return out;
}

bool SimFileSystem::setLastWrite(std::string_view path, std::int64_t secondsSince1970) {
  std::lock_guard lock(mutex_);
  auto resolved = resolveLocked(path, "set time");
  if (!resolved || !resolved->exists) return false;
  struct timespec times[2];
  times[0].tv_sec = static_cast<time_t>(secondsSince1970);
  times[0].tv_nsec = 0;
  times[1] = times[0];
  return ::utimensat(AT_FDCWD, resolved->host.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0;
}

std::string SimFileSystem::specialFolder(int csidl) {
  std::lock_guard lock(mutex_);
  const auto it = specialFolders_.find(csidl);
  return it == specialFolders_.end() ? std::string() : it->second;
}

std::string SimFileSystem::tempFolder() {
  std::lock_guard lock(mutex_);
  return tempFolder_;
}

std::string SimFileSystem::windowsFolder() {
  return specialFolder(platform::Csidl::Windows);
}

std::string SimFileSystem::systemFolder() {
  return specialFolder(platform::Csidl::System);
}

std::vector<std::string> SimFileSystem::logicalDrives() {
  std::lock_guard lock(mutex_);
  std::vector<std::string> roots;
  for (const auto& entry : drives_) roots.push_back(std::string(1, entry.first) + ":\\");
  return roots;
}

platform::DriveType SimFileSystem::driveType(std::string_view root) {
  std::lock_guard lock(mutex_);
  const auto it = drives_.find(DriveLetter(root));
  return it == drives_.end() ? platform::DriveType::NoRootDir : it->second.type;
}

bool SimFileSystem::volumePresent(std::string_view root) {
  std::lock_guard lock(mutex_);
  const auto it = drives_.find(DriveLetter(root));
  return it != drives_.end() && it->second.present;
}

Result<std::uint64_t> SimFileSystem::freeSpace(std::string_view path) {
  if (auto e = faults_->checkError(PortMethod::FilesFreeSpace, "free space", path)) return *e;
  std::lock_guard lock(mutex_);
  const auto it = drives_.find(DriveLetter(path));
  if (it == drives_.end() || !it->second.present) return Fail(Errc::NotFound, "free space", path);
  if (it->second.freeSpace) return *it->second.freeSpace;
  std::error_code error;
  const fs::space_info space = fs::space(it->second.host, error);
  if (error) return Fail(Errc::IoError, "free space", path);
  return static_cast<std::uint64_t>(space.available);
}

void SimFileSystem::setFreeSpace(char letter, std::uint64_t bytes) {
  std::lock_guard lock(mutex_);
  const auto it = drives_.find(DriveLetter(std::string_view(&letter, 1)));
  if (it != drives_.end()) it->second.freeSpace = bytes;
}

std::string SimFileSystem::dosDeviceName(std::string_view drive) {
  std::lock_guard lock(mutex_);
  const auto it = drives_.find(DriveLetter(drive));
  return it == drives_.end() ? std::string() : it->second.device;
}

std::string SimFileSystem::expandEnvironment(std::string_view text) {
  std::lock_guard lock(mutex_);
  std::string out;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const auto open = text.find('%', pos);
    if (open == std::string_view::npos) break;
    const auto close = text.find('%', open + 1);
    if (close == std::string_view::npos) break;
    out.append(text.substr(pos, open - pos));
    const std::string_view name = text.substr(open + 1, close - open - 1);
    const auto it = name.empty() ? environment_.end() : environment_.find(UpperAscii(name));
    if (it != environment_.end()) {
      out += it->second.second;
      pos = close + 1;
    } else {
      // Unknown: the first '%' stays, the second may open another name.
      out += '%';
      out.append(name);
      pos = close;
    }
  }
  out.append(text.substr(pos));
  return out;
}

}  // namespace nc::sim
