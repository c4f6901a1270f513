// Sections that judge installation records: the installer's own lists,
// the "Open with" registrations and empty uninstall entries.
#include <set>

#include "core/text.h"
#include "registry/locations.h"
#include "registry/registry_walk.h"
#include "registry/sections.h"
#include "registry/sections_common.h"

namespace nc::registry {

using platform::RegAccess;
using platform::RegKey;
using platform::RootKey;

namespace {

constexpr std::string_view kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr std::string_view kInstallerFolders =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders";
constexpr std::string_view kArpCache =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Management\\ARPCache";
constexpr std::string_view kApplications = "Software\\Classes\\Applications";

struct KeyFrame {
  RegKey key;
  std::string path;
  std::vector<std::string> children;
  std::size_t next = 0;
};

// Finds, depth-first from `start`, every key that has a "command" sub-key
// whose default value is missing or a string, and calls
// `found(path, command)` for each in the order they are met. Below a key
// with a "command" sub-key the search goes on with the names of the
// command key's own sub-keys, appended to the key's path; the key's other
// sub-keys are not searched.
template <class Found>
void FindCommands(ScanContext& ctx, std::string_view start, Found&& found) {
  auto& registry = ctx.platform.registry;
  std::vector<KeyFrame> stack;
  auto visit = [&](RegKey key, std::string path) {
    ctx.ShowKey(path);
    Result<std::vector<std::string>> next = std::vector<std::string>();
    if (auto command = registry.openSub(key, "command", RegAccess::Full)) {
      auto value = registry.readValue(*command, "");
      if (value) {
        if (auto text = platform::ValueText(*value)) found(path, *text);
      } else if (value.error().code == Errc::NotFound) {
        found(path, std::string());
      }
      next = registry.subKeyNames(*command);
    } else {
      next = registry.subKeyNames(key);
    }
    if (next && !next->empty() && stack.size() < kMaxKeyDepth) {
      stack.push_back(KeyFrame{std::move(key), std::move(path), std::move(*next)});
    }
  };

  if (ctx.StopRequested()) return;
  auto first = ctx.Open(RootKey::LocalMachine, start, RegAccess::Full);
  if (!first) return;
  visit(std::move(*first), std::string(start));
  while (!stack.empty()) {
    if (ctx.StopRequested()) return;
    auto& top = stack.back();
    if (top.next >= top.children.size()) {
      stack.pop_back();
      continue;
    }
    const std::string& name = top.children[top.next++];
    auto child = OpenSubKey(registry, top.key, name, RegAccess::Full).key;
    if (!child) continue;
    visit(std::move(*child), JoinKey(top.path, name));
  }
}

}  // namespace

void ScanInstaller(ScanContext& ctx) {
  BeginSection(ctx, 21);
  const std::string_view problem = SectionProblem(21);
  auto& registry = ctx.platform.registry;

  // Programs named by the uninstall entries.
  WalkStringValues(ctx, RootKey::LocalMachine, kUninstall, problem, ".exe");

  // Folders the installer keeps: the value names are the paths.
  if (ctx.StopRequested()) return;
  if (auto key = ctx.Open(RootKey::LocalMachine, kInstallerFolders, RegAccess::Full)) {
    ctx.ShowKey(kInstallerFolders);
    if (auto values = registry.values(*key)) {
      const std::string location = LocationText(RootKey::LocalMachine, kInstallerFolders);
      for (const auto& value : *values) {
        if (ctx.StopRequested()) return;
        if (FileReferenceMissing(ctx.pathTest, value.name, {}, true)) {
          ctx.Add(std::string(problem), value.name, location, ProblemKind::ValueInKey,
                  value.exactName);
        }
      }
    }
  }

  // Cached Add/Remove data of programs that have no uninstall entry.
  if (ctx.StopRequested()) return;
  std::set<std::string> installed;
  if (auto key = ctx.Open(RootKey::LocalMachine, kUninstall, RegAccess::Read)) {
    if (auto names = registry.subKeyNames(*key)) {
      for (const auto& name : *names) installed.insert(UpperAscii(name));
    }
  }
  if (auto key = ctx.Open(RootKey::LocalMachine, kArpCache, RegAccess::Read)) {
    ctx.ShowKey(kArpCache);
    if (auto names = registry.subKeyNames(*key)) {
      const std::string location = LocationText(RootKey::LocalMachine, kArpCache);
      for (const auto& name : *names) {
        if (ctx.StopRequested()) return;
        if (installed.count(UpperAscii(name)) == 0) {
          ctx.Add(std::string(problem), name, location, ProblemKind::SubKey);
        }
      }
    }
  }
}

// The search of each application yields its commands in depth-first
// order in one pass; that is the order in which a search restarted from
// the application after each match would return them.
void ScanOpenWithApplications(ScanContext& ctx) {
  const std::string_view problem = SectionProblem(22);
  auto& registry = ctx.platform.registry;
  if (ctx.StopRequested()) return;
  auto base = ctx.Open(RootKey::LocalMachine, kApplications, RegAccess::Full);
  if (!base) return;
  const auto names = registry.subKeyNames(*base);
  if (!names) return;
  for (const auto& name : *names) {
    if (ctx.StopRequested()) return;
    FindCommands(ctx, JoinKey(kApplications, name),
                 [&](const std::string& path, const std::string& command) {
                   if (command.empty() || FileReferenceMissing(ctx.pathTest, command, {}, false)) {
                     ctx.Add(std::string(problem), command,
                             LocationText(RootKey::LocalMachine, path) + "\\command",
                             ProblemKind::Key);
                   }
                 });
  }
}

void ScanUninstallerEntries(ScanContext& ctx) {
  BeginSection(ctx, 23);
  const std::string_view problem = SectionProblem(23);
  auto& registry = ctx.platform.registry;
  std::vector<KeyFrame> stack;
  auto enter = [&](RegKey key, std::string path) {
    ctx.ShowKey(path);
    if (stack.size() >= kMaxKeyDepth) return;
    auto names = registry.subKeyNames(key);
    if (names && !names->empty()) {
      stack.push_back(KeyFrame{std::move(key), std::move(path), std::move(*names)});
    }
  };

  if (ctx.StopRequested()) return;
  auto first = ctx.Open(RootKey::LocalMachine, kUninstall, RegAccess::Full);
  if (!first) return;
  enter(std::move(*first), std::string(kUninstall));
  // Each sub-key is judged, then descended into, empty or not.
  while (!stack.empty()) {
    if (ctx.StopRequested()) return;
    auto& top = stack.back();
    if (top.next >= top.children.size()) {
      stack.pop_back();
      continue;
    }
    const std::string& name = top.children[top.next++];
    // A key that cannot be opened with full access counts as empty; a
    // registry link is neither judged nor entered.
    auto [child, link] = OpenSubKey(registry, top.key, name, RegAccess::Full);
    if (link) continue;
    if (!child || KeyContentCount(registry, *child) == 0) {
      ctx.Add(std::string(problem), name, LocationText(RootKey::LocalMachine, top.path),
              ProblemKind::SubKey);
    }
    if (child) enter(std::move(*child), JoinKey(top.path, name));
  }
}

}  // namespace nc::registry
