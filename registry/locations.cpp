#include "registry/locations.h"

#include <algorithm>
#include <array>
#include <exception>

#include "core/text.h"

namespace nc::registry {

// ---- location texts -------------------------------------------------------

std::optional<platform::RootKey> RootKeyFromName(std::string_view name) {
  return platform::RootKeyFromName(name);
}

std::string LocationText(platform::RootKey root, std::string_view path) {
  while (!path.empty() && path.front() == '\\') path.remove_prefix(1);
  std::string text = platform::RootKeyName(root);
  if (!path.empty()) {
    text += '\\';
    text += path;
  }
  return text;
}

std::string JoinLocation(std::string_view location, std::string_view name) {
  std::string text(location);
  text += '\\';
  text += name;
  return text;
}

namespace {

constexpr std::string_view kMachineSoftware = "HKEY_LOCAL_MACHINE\\Software";
constexpr std::string_view kWow6432Node = "\\Wow6432Node";
constexpr std::string_view kClasses = "\\Classes";

// The length of "HKEY_LOCAL_MACHINE\Software" at the start of `location`
// as a whole key name; 0 when it does not start so.
std::size_t MachineSoftwareLength(std::string_view location) {
  if (!StartsWithNoCase(location, kMachineSoftware)) return 0;
  if (location.size() > kMachineSoftware.size() && location[kMachineSoftware.size()] != '\\') {
    return 0;
  }
  return kMachineSoftware.size();
}

// Where the 32-bit view's "\Wow6432Node" goes in a location below
// "HKEY_LOCAL_MACHINE\Software": after "Software", or after
// "Software\Classes", whose 32-bit keys the system keeps below a
// Wow6432Node of its own (linking "Software\Wow6432Node\Classes" to it);
// 0 for any other location.
std::size_t ViewPartAt(std::string_view location) {
  const std::size_t at = MachineSoftwareLength(location);
  if (at == 0) return 0;
  const std::string_view rest = location.substr(at);
  if (StartsWithNoCase(rest, kClasses) &&
      (rest.size() == kClasses.size() || rest[kClasses.size()] == '\\')) {
    return at + kClasses.size();
  }
  return at;
}

}  // namespace

std::optional<std::string> Wow6432NodeLocation(std::string_view location) {
  const std::size_t at = ViewPartAt(location);
  if (at == 0 || WithoutWow6432Node(location)) return std::nullopt;
  std::string moved(location);
  moved.insert(at, kWow6432Node);
  return moved;
}

std::optional<std::string> WithoutWow6432Node(std::string_view location) {
  std::size_t at = ViewPartAt(location);
  if (at == 0) return std::nullopt;
  if (!StartsWithNoCase(location.substr(at), kWow6432Node)) at = MachineSoftwareLength(location);
  if (!StartsWithNoCase(location.substr(at), kWow6432Node)) return std::nullopt;
  const std::size_t end = at + kWow6432Node.size();
  if (location.size() > end && location[end] != '\\') return std::nullopt;
  std::string moved(location);
  moved.erase(at, kWow6432Node.size());
  return moved;
}

std::optional<std::string> Wow6432NodePath(std::string_view path) {
  constexpr std::string_view kRoot = "HKEY_LOCAL_MACHINE\\";
  auto moved = Wow6432NodeLocation(std::string(kRoot) + std::string(path));
  if (moved) moved->erase(0, kRoot.size());
  return moved;
}

platform::RegView ViewOfLocation(platform::RootKey root) {
  return root == platform::RootKey::LocalMachine ? platform::RegView::Bits64
                                                 : platform::RegView::Default;
}

std::optional<Location> ParseLocation(std::string_view text) {
  const auto slash = text.find('\\');
  const auto root = RootKeyFromName(text.substr(0, slash));
  if (!root) return std::nullopt;
  Location location;
  location.root = *root;
  if (slash != std::string_view::npos) location.path = std::string(text.substr(slash + 1));
  return location;
}

std::string_view KeyPartOf(std::string_view location) {
  const auto slash = location.rfind('\\');
  return slash == std::string_view::npos ? std::string_view() : location.substr(0, slash);
}

std::string_view LastPartOf(std::string_view location) {
  const auto slash = location.rfind('\\');
  return slash == std::string_view::npos ? location : location.substr(slash + 1);
}

// ---- the missing-file test -----------------------------------------------

namespace {

constexpr std::array<std::string_view, 3> kProgramExtensions = {".exe", ".com", ".bat"};

// Position of `part` in `text` ignoring ASCII letter case.
std::size_t FindNoCase(std::string_view text, std::string_view part) {
  return UpperAscii(text).find(UpperAscii(part));
}

bool ContainsNoCase(std::string_view text, std::string_view part) {
  return FindNoCase(text, part) != std::string::npos;
}

bool IsSeparator(char c) {
  return kArgumentSeparators.find(c) != std::string_view::npos;
}

// Blanks and control characters removed at both ends.
std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  return text;
}

class PathJudge {
 public:
  PathJudge(const PathTest& test, bool allowFolder) : test_(test), allowFolder_(allowFolder) {}

  bool IsFile(std::string_view path) const {
    return !path.empty() && path.size() <= kMaxPathChars && test_.files.fileExists(path);
  }
  bool IsFolder(std::string_view path) const {
    return !path.empty() && path.size() <= kMaxPathChars && test_.files.folderExists(path);
  }
  // `probe` with ".exe", ".com" or ".bat" appended is an existing file.
  bool IsProgramWithoutExtension(std::string_view probe) const {
    if (probe.empty() || probe.size() + 4 > kMaxPathChars) return false;
    for (std::string_view extension : kProgramExtensions) {
      std::string name(probe);
      name += extension;
      if (test_.files.fileExists(name)) return true;
    }
    return false;
  }
  // The tries made on the text read so far when the folder exists.
  bool Found(std::string_view probe) const {
    if (IsFile(probe)) return true;
    if (allowFolder_ && IsFolder(probe)) return true;
    return IsProgramWithoutExtension(probe);
  }

  // The drive letter is one of the scanned drives and ":\" follows it.
  bool PassesDriveTest(std::string_view candidate) const {
    if (candidate.size() < 3 || candidate[1] != ':' || candidate[2] != '\\') return false;
    const char letter = LowerAscii(candidate.substr(0, 1))[0];
    return letter >= 'a' && letter <= 'z' && test_.ScannedDrives.find(letter) != std::string::npos;
  }
  // Reporting removable drives, a path on an empty floppy drive is missing
  // without touching the drive.
  bool OnEmptyFloppy(std::string_view candidate) const {
    if (test_.IncludeRemoveMedia) return false;
    if (StartsWithNoCase(candidate, "A:\\") && !test_.FloppyA) return true;
    if (StartsWithNoCase(candidate, "B:\\") && !test_.FloppyB) return true;
    return false;
  }

  bool Wow64() const { return test_.IsWow64; }
  platform::FileSystem& Files() const { return test_.files; }

 private:
  const PathTest& test_;
  bool allowFolder_;
};

// Walks a command line whose folder exists: the text before each argument
// separator is tried, then the whole text, then the text without its
// trailing semicolons one at a time.
bool MissingInExistingFolder(const PathJudge& judge, std::string_view candidate,
                             std::size_t folderLength) {
  for (std::size_t i = folderLength; i < candidate.size(); ++i) {
    // Longer probes cannot exist; the rest only appends characters.
    if (i > kMaxPathChars) break;
    if (IsSeparator(candidate[i]) && judge.Found(candidate.substr(0, i))) return false;
  }
  std::string_view probe = candidate;
  while (true) {
    if (judge.Found(probe)) return false;
    if (probe.empty() || probe.back() != ';') return true;
    probe.remove_suffix(1);
    if (probe.empty()) return true;
  }
}

// Walks a command line whose folder does not exist: every prefix is tried
// as a file, and before each separator with a program extension.
bool MissingWithoutFolder(const PathJudge& judge, std::string_view candidate) {
  const std::size_t limit = std::min(candidate.size(), kMaxPathChars);
  for (std::size_t i = 0; i < limit; ++i) {
    if (IsSeparator(candidate[i]) && judge.IsProgramWithoutExtension(candidate.substr(0, i))) {
      return false;
    }
    if (judge.IsFile(candidate.substr(0, i + 1))) return false;
  }
  return true;
}

// A path as a 32-bit program on 64-bit Windows means it: its system folder
// is SysWOW64, its Program Files variables name the "(x86)" folders, and
// "<Windows>\Sysnative" is the native system folder (taken only once the
// variables are `expanded`, so that it is not moved again).
void In32BitFolders(std::string& path, std::string_view systemFolder, bool expanded) {
  static constexpr std::pair<std::string_view, std::string_view> kVariables[] = {
      {"%ProgramFiles%", "%ProgramFiles(x86)%"},
      {"%CommonProgramFiles%", "%CommonProgramFiles(x86)%"},
  };
  for (const auto& [variable, variable32] : kVariables) {
    if (StartsWithNoCase(path, variable)) {
      path.replace(0, variable.size(), variable32);
      return;
    }
  }
  const auto slash = systemFolder.rfind('\\');
  if (slash == std::string_view::npos) return;
  auto inFolder = [&](std::string_view folder) {
    return StartsWithNoCase(path, folder) &&
           (path.size() == folder.size() || path[folder.size()] == '\\');
  };
  if (inFolder(systemFolder)) {
    path.replace(slash + 1, systemFolder.size() - slash - 1, "SysWOW64");
    return;
  }
  const std::string sysnative = std::string(systemFolder.substr(0, slash + 1)) + "Sysnative";
  if (expanded && inFolder(sysnative)) path.replace(0, sysnative.size(), systemFolder);
}

bool Judge(const PathTest& test, std::string_view text, std::string_view extension,
           bool allowFolder) {
  const PathJudge judge(test, allowFolder);
  // The system reads a string up to its first NUL.
  text = text.substr(0, text.find('\0'));

  if (text.empty()) return false;
  if (text.find('?') != std::string_view::npos) return false;
  if (ContainsNoCase(text, "\\hp")) return false;
  if (judge.Wow64() &&
      (ContainsNoCase(text, "system32") || ContainsNoCase(text, "ProgramFiles") ||
       ContainsNoCase(text, "Program Files") || ContainsNoCase(text, "\\Windows\\SysWOW64"))) {
    return false;
  }

  std::string candidate(text);
  if (candidate.front() == '"') {
    candidate.erase(0, 1);
    if (candidate.empty()) return false;
    const auto quote = candidate.find('"');
    if (quote != std::string::npos) candidate.resize(quote);
  }

  if (test.Entries32Bit) In32BitFolders(candidate, test.SystemFolder, false);

  if (!candidate.empty() && candidate.front() == '%') {
    const auto close = candidate.find('%', 1);
    // A variable without its closing "%" names nothing that can be judged.
    if (close == std::string::npos) return false;
    const std::string expanded =
        ExpandFolderVariable(judge.Files(), std::string_view(candidate).substr(0, close + 1));
    if (!expanded.empty() && expanded.front() == '%') return false;
    candidate = expanded + candidate.substr(close + 1);
  }

  if (judge.Wow64() &&
      (ContainsNoCase(candidate, "system32") || ContainsNoCase(candidate, "Program Files"))) {
    return false;
  }
  if (test.Entries32Bit) In32BitFolders(candidate, test.SystemFolder, true);

  if (!extension.empty()) {
    const auto at = FindNoCase(candidate, extension);
    if (at == std::string::npos) return false;
    candidate.resize(at);
    candidate += extension;
    if (!judge.PassesDriveTest(candidate)) return false;
    if (judge.OnEmptyFloppy(candidate)) return true;
    return !judge.IsFile(candidate);
  }

  if (candidate.empty()) return false;
  if (!judge.PassesDriveTest(candidate)) return false;
  if (judge.OnEmptyFloppy(candidate)) return true;
  // A second path in the same string.
  if (candidate.find(":\\", 3) != std::string::npos) return false;

  const std::size_t folderLength = candidate.rfind('\\') + 1;
  const std::string_view folder = std::string_view(candidate).substr(0, folderLength);
  const bool folderExists = judge.IsFolder(folder);
  if (folderLength == candidate.size() && folderExists) return false;
  if (folderExists) return MissingInExistingFolder(judge, candidate, folderLength);
  return MissingWithoutFolder(judge, candidate);
}

}  // namespace

bool FileReferenceMissing(const PathTest& test, std::string_view text, std::string_view extension,
                          bool allowFolder) {
  try {
    return Judge(test, text, extension, allowFolder);
  } catch (const std::exception&) {
    return false;
  }
}

std::string ExpandFolderVariable(platform::FileSystem& files, std::string_view text) {
  // The expansion buffer holds 1024 characters with the terminating NUL.
  const std::string expanded = files.expandEnvironment(text);
  if (expanded.size() >= 1024) return std::string(text);
  const std::string_view trimmed = TrimBlanks(expanded);
  if (!trimmed.empty() && trimmed.size() <= kMaxPathChars && files.folderExists(trimmed)) {
    return std::string(trimmed);
  }
  return std::string(text);
}

// ---- scan inputs -----------------------------------------------------------

bool IsWow64(platform::System& system) {
  return system.isWow64();
}

std::string BuildScannedDrives(platform::FileSystem& files, bool includeRemoveMedia) {
  std::string drives;
  if (!includeRemoveMedia) {
    drives = "ab";
    for (char letter = 'c'; letter <= 'z'; ++letter) drives += letter;
    return drives;
  }
  for (char letter = 'c'; letter <= 'z'; ++letter) {
    const std::string root{letter, ':', '\\'};
    if (files.driveType(root) == platform::DriveType::Fixed) drives += letter;
  }
  return drives;
}

FloppyPresence TestFloppyDrives(platform::FileSystem& files) {
  FloppyPresence presence;
  presence.a = files.volumePresent("a:\\");
  presence.b = files.volumePresent("b:\\");
  return presence;
}

// ---- small helpers ---------------------------------------------------------

std::string Rot13(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') {
      c = static_cast<char>('a' + (c - 'a' + 13) % 26);
    } else if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>('A' + (c - 'A' + 13) % 26);
    }
  }
  return out;
}

std::string ShortcutTarget(platform::Shell& shell, std::string_view lnkPath) {
  auto target = shell.resolveShortcut(lnkPath);
  return target ? std::move(target).value() : std::string();
}

bool DeleteFileByShell(platform::Shell& shell, std::string_view path) {
  return shell.deleteFileSilently(path).ok();
}

}  // namespace nc::registry
