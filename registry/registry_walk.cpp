#include "registry/registry_walk.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/text.h"
#include "registry/locations.h"

namespace nc::registry {

using platform::RegAccess;
using platform::RegKey;
using platform::RootKey;

namespace {

constexpr std::string_view kWowInsideWow = "Software\\Wow6432Node\\Wow6432Node";

// The file system as a walk's path tests see it: the attributes of a path
// are asked once, answering whether a file or a folder is there, and a
// path whose folder does not exist is known to be missing without asking.
// A walk tries the same folders and command-line prefixes for many values;
// the answers hold for the few seconds a walk takes. Paths with ".." or
// "/" are always asked, since their folder is not the text before their
// last backslash.
// Everything else goes to the real port.
class ExistsCache final : public platform::FileSystem {
 public:
  explicit ExistsCache(platform::FileSystem& inner) : inner_(inner) {}

  bool fileExists(std::string_view path) override {
    if (!Plain(path)) return inner_.fileExists(path);
    const auto found = Attributes(path);
    return found && (*found & platform::FileAttr::Directory) == 0;
  }
  bool folderExists(std::string_view path) override {
    if (!Plain(path)) return inner_.folderExists(path);
    // "C:\a\" is the folder "C:\a"; a drive's root keeps its backslash.
    if (path.size() > 3 && path.back() == '\\') path.remove_suffix(1);
    return IsFolder(path);
  }
  std::optional<std::uint32_t> attributes(std::string_view path) override {
    return Plain(path) ? Attributes(path) : inner_.attributes(path);
  }

  Result<std::vector<platform::FileEntry>> list(std::string_view folder) override {
    return inner_.list(folder);
  }
  Result<platform::FileEntry> stat(std::string_view path) override { return inner_.stat(path); }
  Status deleteFile(std::string_view path) override { return inner_.deleteFile(path); }
  Status removeFolder(std::string_view path) override { return inner_.removeFolder(path); }
  Status createFolders(std::string_view path) override { return inner_.createFolders(path); }
  Status setAttributes(std::string_view path, std::uint32_t attributes) override {
    return inner_.setAttributes(path, attributes);
  }
  Status moveFile(std::string_view from, std::string_view to) override {
    return inner_.moveFile(from, to);
  }
  Status moveFileNoReplace(std::string_view from, std::string_view to) override {
    return inner_.moveFileNoReplace(from, to);
  }
  Result<std::unique_ptr<platform::File>> open(std::string_view path, platform::FileOpen mode,
                                               platform::FileShare share) override {
    return inner_.open(path, mode, share);
  }
  Status deleteAtRestart(std::string_view path) override { return inner_.deleteAtRestart(path); }
  Result<std::string> shortPath(std::string_view path) override { return inner_.shortPath(path); }
  std::string specialFolder(int csidl) override { return inner_.specialFolder(csidl); }
  std::string tempFolder() override { return inner_.tempFolder(); }
  std::string windowsFolder() override { return inner_.windowsFolder(); }
  std::string systemFolder() override { return inner_.systemFolder(); }
  std::vector<std::string> logicalDrives() override { return inner_.logicalDrives(); }
  platform::DriveType driveType(std::string_view root) override { return inner_.driveType(root); }
  bool volumePresent(std::string_view root) override { return inner_.volumePresent(root); }
  std::string dosDeviceName(std::string_view drive) override { return inner_.dosDeviceName(drive); }
  std::string expandEnvironment(std::string_view text) override {
    return inner_.expandEnvironment(text);
  }

 private:
  // Enough for the distinct folders and prefixes of a large hive; past it
  // the answers are forgotten and asked again.
  static constexpr std::size_t kMaxRemembered = 1 << 17;
  // Paths compared as the system compares them, looked up without a copy.
  struct NoCaseHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const {
      // 64-bit FNV-1a, folded to the width of size_t in a 32-bit build.
      std::uint64_t hash = 14695981039346656037ULL;
      for (char c : text) {
        hash ^= static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        hash *= 1099511628211ULL;
      }
      return static_cast<std::size_t>(hash ^ (hash >> 32));
    }
  };
  struct NoCaseEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const { return EqualsNoCase(a, b); }
  };
  using Answers =
      std::unordered_map<std::string, std::optional<std::uint32_t>, NoCaseHash, NoCaseEqual>;

  static bool Plain(std::string_view path) {
    return path.find('/') == std::string_view::npos && path.find("..") == std::string_view::npos;
  }

  // The folder of "C:\a\b" or "C:\a\b\" ("C:\a"); "" for a drive's root
  // and for paths relative to a drive, which are always asked.
  static std::string_view FolderOf(std::string_view path) {
    if (!path.empty() && path.back() == '\\') path.remove_suffix(1);
    const auto slash = path.rfind('\\');
    if (slash == std::string_view::npos || slash < 3) return {};
    return path.substr(0, slash);
  }

  // The last folder found missing, so that the many prefixes tried inside
  // it need no look-up.
  bool InsideMissingFolder(std::string_view folder) const {
    return !missingFolder_.empty() && StartsWithNoCase(folder, missingFolder_) &&
           (folder.size() == missingFolder_.size() || folder[missingFolder_.size()] == '\\');
  }

  bool IsFolder(std::string_view path) {
    const auto found = Attributes(path);
    return found && (*found & platform::FileAttr::Directory) != 0;
  }

  std::optional<std::uint32_t> Attributes(std::string_view path) {
    const std::string_view parent = FolderOf(path);
    if (!parent.empty() && InsideMissingFolder(parent)) return std::nullopt;
    if (const auto it = answers_.find(path); it != answers_.end()) return it->second;
    if (!parent.empty() && !IsFolder(parent)) {
      missingFolder_.assign(parent);
      return std::nullopt;
    }
    const auto found = inner_.attributes(path);
    if (answers_.size() >= kMaxRemembered) answers_.clear();
    answers_.emplace(std::string(path), found);
    return found;
  }

  platform::FileSystem& inner_;
  Answers answers_;
  std::string missingFolder_;
};

// Whether a string value may name a path on a scanned drive: after an
// opening quote, its text begins with a folder variable or with "X:\"
// for a scanned drive X. The path test judges every other string as not
// missing, so those are neither converted nor judged.
bool MayNameScannedPath(const platform::RegValue& value, std::string_view drives) {
  // Four units at most are looked at: a quote, a letter, a colon, a backslash.
  const std::u16string units =
      Utf16LeUnits(std::span(value.data).first(std::min<std::size_t>(value.data.size(), 8)));
  auto unit = [&](std::size_t i) { return i < units.size() ? units[i] : u'\0'; };
  const std::size_t at = unit(0) == u'"' ? 1 : 0;
  char16_t first = unit(at);
  if (first == u'%') return true;
  if (unit(at + 1) != u':' || unit(at + 2) != u'\\') return false;
  if (first >= u'A' && first <= u'Z') first = static_cast<char16_t>(first - u'A' + u'a');
  return first >= u'a' && first <= u'z' &&
         drives.find(static_cast<char>(first)) != std::string_view::npos;
}

// Judges the strings met by one walk. A string met again (the same
// program or icon is named by many keys) gets the answer it got before.
class WalkJudge {
 public:
  WalkJudge(const PathTest& test, std::string_view extension, bool entries32Bit)
      : files_(test.files),
        test_{files_,       test.ScannedDrives,      test.FloppyA,
              test.FloppyB, test.IncludeRemoveMedia, test.IsWow64,
              entries32Bit, test.SystemFolder},
        extension_(extension) {}

  // The value is a string naming a missing file or folder; its text is
  // then in `text`.
  bool Missing(const platform::RegValue& value, std::string& text) {
    if (!platform::IsStringType(value.type) || !MayNameScannedPath(value, test_.ScannedDrives)) {
      return false;
    }
    // Strings met before are known by their stored units, read up to the
    // first NUL as the system reads them, without converting them again.
    const std::string_view units = UnitsBeforeNul(value.data);
    if (units.size() > 2 * kMaxRememberedText) return Judge(value, text);
    if (const auto it = judged_.find(units); it != judged_.end()) {
      if (it->second) text = platform::ValueText(value).value_or(std::string());
      return it->second;
    }
    const bool missing = Judge(value, text);
    if (judged_.size() >= kMaxRememberedTexts) judged_.clear();
    judged_.emplace(std::string(units), missing);
    return missing;
  }

 private:
  static constexpr std::size_t kMaxRememberedText = 1024;
  static constexpr std::size_t kMaxRememberedTexts = 1 << 16;

  struct UnitsHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view units) const {
      return std::hash<std::string_view>{}(units);
    }
  };

  static std::string_view UnitsBeforeNul(const std::vector<std::uint8_t>& data) {
    std::size_t end = 0;
    while (end + 1 < data.size() && (data[end] != 0 || data[end + 1] != 0)) end += 2;
    return {reinterpret_cast<const char*>(data.data()), end};
  }

  bool Judge(const platform::RegValue& value, std::string& text) {
    auto read = platform::ValueText(value);
    if (!read) return false;
    text = std::move(*read);
    return FileReferenceMissing(test_, text, extension_, true);
  }

  ExistsCache files_;
  PathTest test_;
  std::string_view extension_;
  std::unordered_map<std::string, bool, UnitsHash, std::equal_to<>> judged_;
};

}  // namespace

SubKey OpenSubKey(platform::Registry& registry, const RegKey& parent, std::string_view name,
                  RegAccess access) {
  const bool full = access == RegAccess::Full || access == RegAccess::FullNoFollow;
  const RegAccess asItself = full ? RegAccess::FullNoFollow : RegAccess::ReadNoFollow;
  auto key = registry.openSub(parent, name, asItself);
  if (key) {
    if (!registry.isLink(*key).value_or(false)) return SubKey{std::move(key), false};
    return SubKey{Error{Errc::NotFound, "open key", std::string(name)}, true};
  }
  // Refused full access, the key may still be read as itself.
  if (full && key.error().code == Errc::AccessDenied) {
    auto read = registry.openSub(parent, name, RegAccess::ReadNoFollow);
    if (read && registry.isLink(*read).value_or(false)) return SubKey{key.error(), true};
  }
  return SubKey{std::move(key), false};
}

bool BelowWow6432Node(std::string_view path) {
  constexpr std::string_view kNode = "Wow6432Node";
  for (std::size_t at = 0; at <= path.size();) {
    const std::size_t end = std::min(path.find('\\', at), path.size());
    if (EqualsNoCase(path.substr(at, end - at), kNode)) return true;
    at = end + 1;
  }
  return false;
}

std::string JoinKey(std::string_view key, std::string_view name) {
  std::string path;
  path.reserve(key.size() + 1 + name.size());
  path += key;
  if (!key.empty()) path += '\\';
  path += name;
  return path;
}

void AddValueEntry(ScanContext& ctx, std::string_view problem, RootKey root, std::string_view key,
                   const platform::RegValue& value, std::string_view data) {
  const std::string_view name = value.name;
  if (name.find('\\') == std::string_view::npos) {
    std::string location = platform::RootKeyName(root);
    location += '\\';
    location += key;
    location += '\\';
    location += name;
    ctx.Add(std::string(problem), std::string(data), std::move(location), ProblemKind::ValuePath,
            value.exactName);
  } else {
    ctx.Add(std::string(problem), std::string(name), LocationText(root, key),
            ProblemKind::ValueInKey, value.exactName);
  }
}

bool FloppyMissing(const PathTest& test, std::string_view path) {
  if (test.IncludeRemoveMedia) return false;
  if (StartsWithNoCase(path, "A:\\")) return !test.FloppyA;
  if (StartsWithNoCase(path, "B:\\")) return !test.FloppyB;
  return false;
}

void WalkStringValues(ScanContext& ctx, RootKey root, std::string_view startKey,
                      std::string_view problem, std::string_view extension,
                      std::span<const std::string_view> exclusions) {
  auto& registry = ctx.platform.registry;
  const bool machine = root == RootKey::LocalMachine;
  // In the 64-bit view the keys of 32-bit programs are below a Wow6432Node
  // ("Software\Wow6432Node", "Software\Classes\Wow6432Node"): their
  // strings are judged as those programs mean them, and the keys other
  // sections read there are left to them.
  const bool wowNodesVisited = ctx.TwoViews() && ctx.viewPass != ViewPass::Second;
  WalkJudge judge(ctx.pathTest, extension, ctx.pathTest.Entries32Bit);
  WalkJudge judge32(ctx.pathTest, extension, !ctx.pathTest.IsWow64);
  std::vector<std::string> excluded(exclusions.begin(), exclusions.end());
  if (machine && wowNodesVisited) {
    for (std::string_view key : exclusions) {
      if (auto key32 = Wow6432NodePath(key)) excluded.push_back(std::move(*key32));
      // A Software key also by its name below Software\Wow6432Node, where a
      // system without the classes link keeps the 32-bit classes.
      if (StartsWithNoCase(key, "Software\\")) {
        excluded.push_back("Software\\Wow6432Node" + std::string(key.substr(8)));
      }
    }
  }
  std::string text;
  auto skipped = [&](std::string_view key) {
    for (const std::string& each : excluded) {
      if (EqualsNoCase(key, each)) return true;
    }
    // A 32-bit program's HKEY_CLASSES_ROOT is the 32-bit classes already;
    // Wine also shows their Wow6432Node key there, the same classes again.
    if (root == RootKey::ClassesRoot && ctx.pathTest.IsWow64 && EqualsNoCase(key, "Wow6432Node")) {
      return true;
    }
    return machine && StartsWithNoCase(key, kWowInsideWow);
  };

  WalkKeys(ctx, root, startKey, RegAccess::Read, [&](const KeyVisit& visit) {
    if (skipped(visit.path)) return false;
    ctx.ShowKey(visit.path);
    WalkJudge& judging = wowNodesVisited && BelowWow6432Node(visit.path) ? judge32 : judge;
    if (auto values = registry.values(visit.key)) {
      for (const auto& value : *values) {
        if (ctx.StopRequested()) return false;
        if (judging.Missing(value, text)) {
          AddValueEntry(ctx, problem, root, visit.path, value, text);
        }
      }
    }
    return true;
  });
}

std::uint32_t KeyContentCount(platform::Registry& registry, RootKey root, std::string_view key,
                              platform::RegView view) {
  auto opened = registry.open(root, key, RegAccess::Full, view);
  if (!opened) return 0;
  return KeyContentCount(registry, *opened);
}

std::uint32_t KeyContentCount(platform::Registry& registry, const RegKey& key) {
  RegKey below;
  // A chain of keys with one sub-key each is followed down; a key with a
  // value or with two sub-keys ends it.
  for (std::size_t depth = 0; depth < kMaxKeyDepth; ++depth) {
    const RegKey& current = below.valid() ? below : key;
    const auto info = registry.info(current);
    if (!info) return 0;
    if (info->valueCount >= 1) return info->valueCount;
    if (info->subKeyCount >= 2) return info->subKeyCount;
    if (info->subKeyCount == 0) return 0;
    const auto names = registry.subKeyNames(current);
    if (!names || names->empty()) return 0;
    auto next = registry.openSub(current, names->front(), RegAccess::FullNoFollow);
    if (!next) return 0;
    below = std::move(*next);
  }
  // Deeper than any key the system makes: not judged empty.
  return 1;
}

}  // namespace nc::registry
