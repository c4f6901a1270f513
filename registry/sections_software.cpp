// Sections that judge what programs registered about themselves: the
// Start Menu order, obsolete software keys, fonts, help files, startup
// programs, Add/Remove Programs and services.
#include <algorithm>
#include <array>
#include <set>

#include "core/text.h"
#include "platform/version_code.h"
#include "registry/locations.h"
#include "registry/registry_walk.h"
#include "registry/sections.h"
#include "registry/sections_common.h"

namespace nc::registry {

using platform::RegAccess;
using platform::RootKey;

namespace {

constexpr std::array<std::string_view, 3> kMenuOrderKeys = {
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MenuOrder\\Start Menu2\\Programs",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MenuOrder\\Start Menu\\Programs",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MenuOrder\\Start Menu\\&Programs",
};
constexpr std::string_view kFonts9x = "Software\\Microsoft\\Windows\\CurrentVersion\\Fonts";
constexpr std::string_view kFontsNt = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
constexpr std::array<std::string_view, 2> kHelpKeys = {
    "Software\\Microsoft\\Windows\\Help",
    "Software\\Microsoft\\Windows\\Html Help",
};
constexpr std::array<std::string_view, 2> kRunKeys = {
    "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
    "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
};
constexpr std::string_view kMsConfigStartup =
    "Software\\Microsoft\\Shared Tools\\MSConfig\\startupreg";
constexpr std::string_view kUninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr std::string_view kServices = "SYSTEM\\CurrentControlSet\\Services";

// Names of the entries of a folder, upper-cased; folders or files only.
std::set<std::string> NamesInFolder(platform::FileSystem& files, std::string_view folder,
                                    bool wantFolders) {
  std::set<std::string> names;
  if (folder.empty()) return names;
  auto entries = files.list(folder);
  if (!entries) return names;
  for (const auto& entry : *entries) {
    if (entry.isFolder() != wantFolders) continue;
    if (entry.name == "." || entry.name == "..") continue;
    names.insert(UpperAscii(entry.name));
  }
  return names;
}

bool Contains(const std::set<std::string>& upperNames, std::string_view name) {
  return upperNames.count(UpperAscii(name)) != 0;
}

// Calls `judge(value, text)` for every string value of `root`\`key`
// (opened with full access) until a stop is requested.
template <class Judge>
void ForEachStringValue(ScanContext& ctx, RootKey root, std::string_view key, Judge&& judge) {
  if (ctx.StopRequested()) return;
  auto& registry = ctx.platform.registry;
  auto opened = ctx.Open(root, key, RegAccess::Full);
  if (!opened) return;
  ctx.ShowKey(key);
  const auto values = registry.values(*opened);
  if (!values) return;
  for (const auto& value : *values) {
    if (ctx.StopRequested()) return;
    const auto text = platform::ValueText(value);
    if (text) judge(value, *text);
  }
}

// Calls `visit(name, key)` for every sub-key of `root`\`key` that can be
// opened with full access, until a stop is requested. The key display
// shows each sub-key.
template <class Visit>
void ForEachSubKey(ScanContext& ctx, RootKey root, std::string_view key, Visit&& visit) {
  if (ctx.StopRequested()) return;
  auto& registry = ctx.platform.registry;
  auto parent = ctx.Open(root, key, RegAccess::Full);
  if (!parent) return;
  ctx.ShowKey(key);
  const auto names = registry.subKeyNames(*parent);
  if (!names) return;
  for (const auto& name : *names) {
    if (ctx.StopRequested()) return;
    auto sub = OpenSubKey(registry, *parent, name, RegAccess::Full).key;
    if (!sub) continue;
    ctx.ShowKey(JoinKey(key, name));
    visit(name, *sub);
  }
}

// The text of a string value of an open key; none when the value is
// missing or of another type.
std::optional<std::string> StringValue(platform::Registry& registry, const platform::RegKey& key,
                                       std::string_view name) {
  auto value = registry.readValue(key, name);
  if (!value) return std::nullopt;
  return platform::ValueText(*value);
}

}  // namespace

void ScanStartMenu(ScanContext& ctx) {
  BeginSection(ctx, 9);
  auto& files = ctx.platform.files;
  std::set<std::string> folders =
      NamesInFolder(files, files.specialFolder(platform::Csidl::Programs), true);
  folders.merge(NamesInFolder(files, files.specialFolder(platform::Csidl::CommonPrograms), true));

  auto& registry = ctx.platform.registry;
  for (std::string_view key : kMenuOrderKeys) {
    if (ctx.StopRequested()) return;
    auto opened = ctx.Open(RootKey::CurrentUser, key, RegAccess::Full);
    if (!opened) continue;
    ctx.ShowKey(key);
    const auto names = registry.subKeyNames(*opened);
    if (!names) continue;
    const std::string location = LocationText(RootKey::CurrentUser, key);
    for (const auto& name : *names) {
      if (ctx.StopRequested()) return;
      if (!Contains(folders, name)) {
        ctx.Add(std::string(SectionProblem(9)), name, location, ProblemKind::SubKey);
      }
    }
  }
}

void ScanObsoleteSoftware(ScanContext& ctx) {
  BeginSection(ctx, 10);
  auto& registry = ctx.platform.registry;
  for (RootKey root : {RootKey::CurrentUser, RootKey::LocalMachine}) {
    if (ctx.StopRequested()) return;
    auto software = ctx.Open(root, "Software", RegAccess::Full);
    if (!software) continue;
    const auto names = registry.subKeyNames(*software);
    if (!names) continue;
    const std::string location = LocationText(root, "Software");
    for (const auto& name : *names) {
      if (ctx.StopRequested()) return;
      // The 32-bit programs' keys, read in a pass of their own.
      if (ctx.TwoViews() && EqualsNoCase(name, "Wow6432Node")) continue;
      ctx.ShowKey(JoinKey("Software", name));
      // A key that cannot be opened with full access counts as empty; a
      // registry link is not a program's key (the 32-bit view's "Classes"
      // is one, to "Software\Classes\Wow6432Node").
      auto [sub, link] = OpenSubKey(registry, *software, name, RegAccess::Full);
      if (link) continue;
      if (!sub || KeyContentCount(registry, *sub) == 0) {
        ctx.Add(std::string(SectionProblem(10)), name, location, ProblemKind::SubKey);
      }
    }
  }
}

void ScanFonts(ScanContext& ctx) {
  BeginSection(ctx, 12);
  const int code = platform::WindowsVersionCode(ctx.platform.system.version());
  const std::string_view key = platform::IsWin9xCode(code) ? kFonts9x : kFontsNt;
  auto& files = ctx.platform.files;
  const std::set<std::string> fontFiles =
      NamesInFolder(files, files.specialFolder(kCsidlFonts), false);
  ForEachStringValue(
      ctx, RootKey::LocalMachine, key,
      [&](const platform::RegValue& value, const std::string& data) {
        // A bare file name in the Fonts folder is fine; any
        // other bare name fails the drive test and is fine.
        const bool problem =
            FloppyMissing(ctx.pathTest, data) ||
            (!Contains(fontFiles, data) && FileReferenceMissing(ctx.pathTest, data, {}, false));
        if (problem) {
          AddValueEntry(ctx, SectionProblem(12), RootKey::LocalMachine, key, value, data);
        }
      });
}

void ScanHelpFiles(ScanContext& ctx) {
  BeginSection(ctx, 13);
  for (std::string_view key : kHelpKeys) {
    // The value name is the help file, the data the folder that holds it.
    ForEachStringValue(ctx, RootKey::LocalMachine, key,
                       [&](const platform::RegValue& value, const std::string& data) {
                         const std::string path = WithTrailingBackslash(data) + value.name;
                         if (FloppyMissing(ctx.pathTest, path) ||
                             FileReferenceMissing(ctx.pathTest, path, {}, false)) {
                           AddValueEntry(ctx, SectionProblem(13), RootKey::LocalMachine, key, value,
                                         path);
                         }
                       });
  }
}

void ScanStartupPrograms(ScanContext& ctx) {
  BeginSection(ctx, 14);
  const std::string_view problem = SectionProblem(14);
  for (RootKey root : {RootKey::CurrentUser, RootKey::LocalMachine}) {
    for (std::string_view key : kRunKeys) {
      ForEachStringValue(ctx, root, key,
                         [&](const platform::RegValue& value, const std::string& data) {
                           if (data.empty() || data == "\"\"" ||
                               FileReferenceMissing(ctx.pathTest, data, {}, false)) {
                             AddValueEntry(ctx, problem, root, key, value, data);
                           }
                         });
    }
  }
  // Entries that the system configuration tool disabled.
  auto& registry = ctx.platform.registry;
  ForEachSubKey(ctx, RootKey::LocalMachine, kMsConfigStartup,
                [&](const std::string& name, const platform::RegKey& sub) {
                  if (ctx.StopRequested()) return;
                  const auto command = StringValue(registry, sub, "command");
                  if (command && FileReferenceMissing(ctx.pathTest, *command, {}, false)) {
                    ctx.Add(std::string(problem), *command,
                            LocationText(RootKey::LocalMachine, JoinKey(kMsConfigStartup, name)),
                            ProblemKind::Key);
                  }
                });
}

void ScanAddRemovePrograms(ScanContext& ctx) {
  BeginSection(ctx, 15);
  auto& registry = ctx.platform.registry;
  const std::string location = LocationText(RootKey::LocalMachine, kUninstall);
  ForEachSubKey(ctx, RootKey::LocalMachine, kUninstall,
                [&](const std::string& name, const platform::RegKey& sub) {
                  // Keys named by a product code belong to the installer.
                  if (StartsWith(name, "{")) return;
                  if (ctx.StopRequested()) return;
                  const auto values = registry.values(sub);
                  if (!values) return;
                  const bool listed = std::any_of(
                      values->begin(), values->end(), [](const platform::RegValue& value) {
                        return value.name.find("UninstallString") != std::string::npos ||
                               EqualsNoCase(value.name, "SystemComponent");
                      });
                  if (!listed)
                    ctx.Add(std::string(SectionProblem(15)), name, location, ProblemKind::SubKey);
                });
}

void ScanWindowsServices(ScanContext& ctx) {
  BeginSection(ctx, 17);
  auto& registry = ctx.platform.registry;
  ForEachSubKey(ctx, RootKey::LocalMachine, kServices,
                [&](const std::string& name, const platform::RegKey& sub) {
                  if (UpperAscii(name).find("SLSVC") != std::string::npos) return;
                  if (ctx.StopRequested()) return;
                  const auto image = StringValue(registry, sub, "ImagePath");
                  if (image && FileReferenceMissing(ctx.pathTest, *image, {}, true)) {
                    std::string location =
                        LocationText(RootKey::LocalMachine, JoinKey(kServices, name));
                    location += "\\ImagePath";
                    ctx.Add(std::string(SectionProblem(17)), *image, std::move(location),
                            ProblemKind::ValuePath);
                  }
                });
}

}  // namespace nc::registry
