// Walking registry trees for the scan sections: the string-values walk,
// the key content count, a depth-first key walk, and the small helpers
// every section uses to name a location and record a value.
//
// Walks use an explicit stack holding one open key per level of depth;
// they never recurse, stop descending at kMaxKeyDepth levels (the system
// allows 512) and check the stop request before every key and value.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/registry.h"
#include "registry/scan_context.h"

namespace nc::registry {

inline constexpr std::size_t kMaxKeyDepth = 1024;

// Keys that the HKEY_LOCAL_MACHINE walk leaves to their own sections.
inline constexpr std::array<std::string_view, 10> kMachineWalkExclusions = {
    "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDlls",
    "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths",
    "Software\\Microsoft\\Windows\\Help",
    "Software\\Microsoft\\Windows\\Html Help",
    "Software\\Classes\\Applications",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
    "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Management\\ARPCache",
};

// Keys that the HKEY_CURRENT_USER walk leaves to their own sections.
inline constexpr std::array<std::string_view, 4> kUserWalkExclusions = {
    "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
    "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
    "AppEvents\\Schemes\\Apps",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\OpenSaveMRU",
};

// A sub-key opened as itself, never as what a registry link points to:
// the walks do not enter links (the system links keys to others, such as
// the 32-bit view's "Software\Wow6432Node\Classes" to
// "Software\Classes\Wow6432Node", and walking through them would read
// those keys twice, under a name that is not theirs). `link` is set, and
// `key` holds an error, when the sub-key is a link; a link that cannot be
// opened with the access asked is still known as one.
struct SubKey {
  Result<platform::RegKey> key;
  bool link = false;
};
SubKey OpenSubKey(platform::Registry& registry, const platform::RegKey& parent,
                  std::string_view name, platform::RegAccess access);

// The key path has a part "Wow6432Node": one of the 32-bit programs' keys,
// which the system keeps below "Software\Wow6432Node",
// "Software\Classes\Wow6432Node" and HKEY_CLASSES_ROOT\Wow6432Node.
bool BelowWow6432Node(std::string_view path);

// "key\name", or just "name" when the key is empty.
std::string JoinKey(std::string_view key, std::string_view name);

// Records a value of `key` under `root`: kind 1 with the data and the
// location ROOT\key\name when the name has no backslash (a value at the
// top of a hive gets two backslashes after the root), kind 2 with the name
// and the key's location otherwise. The row keeps the value's exact name.
void AddValueEntry(ScanContext& ctx, std::string_view problem, platform::RootKey root,
                   std::string_view key, const platform::RegValue& value, std::string_view data);

// The removable-drive pre-check: with "Ignore missing files on removable
// drives" off, a path on A: or B: while that drive held no volume at scan
// start is a problem without any further test.
bool FloppyMissing(const PathTest& test, std::string_view path);

// Every string value below `root`\`startKey` (the start key included),
// depth-first, values before sub-keys. A string for which the missing-file
// test (with `extension`, existing folders accepted) holds is recorded as
// a value entry with `problem`. A key equal to an entry of `exclusions`
// (ignoring case) is skipped with everything below it; so is
// HKEY_LOCAL_MACHINE\Software\Wow6432Node\Wow6432Node. Keys are opened
// read-only; one that cannot be opened is skipped. On 64-bit Windows the
// strings of keys below a Wow6432Node are judged as 32-bit programs mean
// them, and the HKEY_LOCAL_MACHINE walk also leaves the 32-bit view's
// names of the excluded keys to their sections.
void WalkStringValues(ScanContext& ctx, platform::RootKey root, std::string_view startKey,
                      std::string_view problem, std::string_view extension,
                      std::span<const std::string_view> exclusions = {});

// 0 when the key is empty or cannot be opened (full access); else at least
// 1. A key is empty when no value lies anywhere below it and no key below
// it has more than one sub-key. A registry link below it is not followed
// (its link value counts).
std::uint32_t KeyContentCount(platform::Registry& registry, platform::RootKey root,
                              std::string_view key,
                              platform::RegView view = platform::RegView::Default);
// The same for a key already open with full access.
std::uint32_t KeyContentCount(platform::Registry& registry, const platform::RegKey& key);

// A key met by WalkKeys.
struct KeyVisit {
  const std::string& path;  // below the root
  std::string_view name;    // the key's own name ("" for the start key)
  std::string_view parent;  // the parent's path ("" for the start key)
  const platform::RegKey& key;
};

// Walks `root`\`start` depth-first (each key, then its sub-keys in
// enumeration order), opening keys with `access`. `visit(const KeyVisit&)`
// returns whether to descend into the key. A key that cannot be opened is
// skipped with its subtree, and so is a registry link below the start.
// Checks the stop request before every key.
template <class Visit>
void WalkKeys(ScanContext& ctx, platform::RootKey root, std::string_view start,
              platform::RegAccess access, Visit&& visit);

// ---- implementation ------------------------------------------------------

namespace detail {
struct KeyFrame {
  platform::RegKey key;
  std::string path;
  std::vector<std::string> children;
  std::size_t next = 0;
};
}  // namespace detail

template <class Visit>
void WalkKeys(ScanContext& ctx, platform::RootKey root, std::string_view start,
              platform::RegAccess access, Visit&& visit) {
  auto& registry = ctx.platform.registry;
  if (ctx.StopRequested()) return;
  auto first = ctx.Open(root, start, access);
  if (!first) return;
  std::vector<detail::KeyFrame> stack;
  // Most keys have no sub-keys: their paths are built in one buffer and
  // copied only for the keys the walk comes back to.
  std::string path(start);
  auto enter = [&](platform::RegKey key, std::string_view name, std::string_view parent) {
    const bool descend = visit(KeyVisit{path, name, parent, key});
    if (!descend || stack.size() >= kMaxKeyDepth) return;
    auto names = registry.subKeyNames(key);
    if (!names || names->empty()) return;
    stack.push_back(detail::KeyFrame{std::move(key), path, std::move(*names), 0});
  };
  enter(std::move(*first), {}, {});
  while (!stack.empty()) {
    if (ctx.StopRequested()) return;
    auto& top = stack.back();
    if (top.next >= top.children.size()) {
      stack.pop_back();
      continue;
    }
    const std::string& name = top.children[top.next++];
    auto child = OpenSubKey(registry, top.key, name, access).key;
    if (!child) continue;
    path.assign(top.path);
    if (!path.empty()) path += '\\';
    path += name;
    // `name` and `top.path` are used by the visit only, before a frame is
    // pushed (which may move `top`).
    enter(std::move(*child), name, top.path);
  }
}

}  // namespace nc::registry
