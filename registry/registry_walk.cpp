#include "registry/registry_walk.h"

#include "core/text.h"
#include "registry/locations.h"

namespace nc::registry {

using platform::RegAccess;
using platform::RegKey;
using platform::RootKey;

namespace {

constexpr std::string_view kWowInsideWow = "Software\\Wow6432Node\\Wow6432Node";

struct ValueWalkFrame {
  RegKey key;
  std::string path;
  std::vector<std::string> children;
  std::size_t next = 0;
};

}  // namespace

std::string JoinKey(std::string_view key, std::string_view name) {
  std::string path;
  path.reserve(key.size() + 1 + name.size());
  path += key;
  if (!key.empty()) path += '\\';
  path += name;
  return path;
}

void AddValueEntry(ScanContext& ctx, std::string_view problem, RootKey root, std::string_view key,
                   std::string_view name, std::string_view data) {
  if (name.find('\\') == std::string_view::npos) {
    std::string location = platform::RootKeyName(root);
    location += '\\';
    location += key;
    location += '\\';
    location += name;
    ctx.Add(std::string(problem), std::string(data), std::move(location), pkValuePath);
  } else {
    ctx.Add(std::string(problem), std::string(name), LocationText(root, key), pkValueInKey);
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
  auto skipped = [&](std::string_view key) {
    for (std::string_view excluded : exclusions) {
      if (EqualsNoCase(key, excluded)) return true;
    }
    return machine && StartsWithNoCase(key, kWowInsideWow);
  };

  std::vector<ValueWalkFrame> stack;
  // Judges the values of an open key, then makes its sub-keys the next to
  // walk. False when a stop was requested.
  auto examine = [&](RegKey key, std::string path) {
    ctx.sink.SetKeyLine(path);
    if (auto values = registry.values(key)) {
      for (const auto& value : *values) {
        if (ctx.StopRequested()) return false;
        const auto text = platform::ValueText(value);
        if (!text) continue;
        if (FileReferenceMissing(ctx.pathTest, *text, extension, true)) {
          AddValueEntry(ctx, problem, root, path, value.name, *text);
        }
      }
    }
    if (stack.size() >= kMaxKeyDepth) return true;
    auto names = registry.subKeyNames(key);
    if (names && !names->empty()) {
      stack.push_back(ValueWalkFrame{std::move(key), std::move(path), std::move(*names), 0});
    }
    return true;
  };

  if (ctx.StopRequested() || skipped(startKey)) return;
  auto first = registry.open(root, startKey, RegAccess::Read);
  if (!first) return;
  if (!examine(std::move(*first), std::string(startKey))) return;
  while (!stack.empty()) {
    if (ctx.StopRequested()) return;
    auto& top = stack.back();
    if (top.next >= top.children.size()) {
      stack.pop_back();
      continue;
    }
    const std::string& name = top.children[top.next++];
    std::string path = JoinKey(top.path, name);
    if (skipped(path)) continue;
    auto child = registry.openSub(top.key, name, RegAccess::Read);
    if (!child) continue;
    if (!examine(std::move(*child), std::move(path))) return;
  }
}

std::uint32_t KeyContentCount(platform::Registry& registry, RootKey root, std::string_view key) {
  auto opened = registry.open(root, key, RegAccess::Full);
  if (!opened) return 0;
  RegKey current = std::move(*opened);
  // A chain of keys with one sub-key each is followed down; a key with a
  // value or with two sub-keys ends it.
  for (std::size_t depth = 0; depth < kMaxKeyDepth; ++depth) {
    const auto info = registry.info(current);
    if (!info) return 0;
    if (info->valueCount >= 1) return info->valueCount;
    if (info->subKeyCount >= 2) return info->subKeyCount;
    if (info->subKeyCount == 0) return 0;
    const auto names = registry.subKeyNames(current);
    if (!names || names->empty()) return 0;
    auto next = registry.openSub(current, names->front(), RegAccess::Full);
    if (!next) return 0;
    current = std::move(*next);
  }
  // Deeper than any key the system makes: not judged empty.
  return 1;
}

}  // namespace nc::registry
