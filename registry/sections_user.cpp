// Sections that judge what the user's own use left behind: shortcuts,
// sound events and the lists of recently used files.
#include <array>

#include "core/text.h"
#include "registry/locations.h"
#include "registry/registry_walk.h"
#include "registry/sections.h"
#include "registry/sections_common.h"

namespace nc::registry {

using platform::RegAccess;
using platform::RootKey;

namespace {

// The folders searched for shortcuts, in order.
constexpr std::array<int, 6> kShortcutFolders = {
    platform::Csidl::CommonStartMenu, kCsidlCommonDesktop,        platform::Csidl::AppData,
    platform::Csidl::Recent,          platform::Csidl::StartMenu, platform::Csidl::Desktop,
};
constexpr std::size_t kMaxFolderDepth = 256;

constexpr std::string_view kSoundSchemes = "AppEvents\\Schemes\\Apps";
constexpr std::string_view kOpenSaveMru =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\OpenSaveMRU";
constexpr std::string_view kUserAssistCount =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\UserAssist\\"
    "{75048700-EF1F-11D0-9888-006097DEACF9}\\Count";
constexpr std::size_t kMaxUserAssistData = 32767;

bool ContainsNoCase(std::string_view text, std::string_view part) {
  return UpperAscii(text).find(UpperAscii(part)) != std::string::npos;
}

bool IsShortcutName(std::string_view name) {
  const auto dot = name.rfind('.');
  return dot != std::string_view::npos && LowerAscii(name.substr(dot)) == ".lnk";
}

// A local path on one of the scanned drives ("c:\...").
bool OnScannedDrive(const PathTest& test, std::string_view path) {
  if (path.size() < 3 || path[1] != ':' || path[2] != '\\') return false;
  const char letter = LowerAscii(path.substr(0, 1))[0];
  return test.ScannedDrives.find(letter) != std::string::npos;
}

// Judges the target of one shortcut file.
void JudgeShortcut(ScanContext& ctx, const std::string& lnkPath) {
  ctx.ShowKey(lnkPath);
  const std::string target = ShortcutTarget(ctx.platform.shell, lnkPath);
  const PathTest& test = ctx.pathTest;
  if (test.IsWow64 &&
      (ContainsNoCase(target, "system32") || ContainsNoCase(target, "ProgramFiles") ||
       ContainsNoCase(target, "Program Files"))) {
    return;
  }
  if (target.empty() || !OnScannedDrive(test, target)) return;
  if (FloppyMissing(test, target) ||
      (FileReferenceMissing(test, target, {}, false) && !ctx.platform.files.folderExists(target))) {
    ctx.Add(std::string(SectionProblem(18)), target, lnkPath, ProblemKind::ShortcutFile);
  }
}

struct FolderFrame {
  std::string path;
  std::vector<platform::FileEntry> entries;
  std::size_t next = 0;
};

// Every shortcut in `folder` and below, in the order the folders list
// their entries; a folder is entered where it is met. Links to other
// folders are not followed.
void ScanShortcutFolder(ScanContext& ctx, const std::string& folder) {
  auto& files = ctx.platform.files;
  std::vector<FolderFrame> stack;
  if (auto entries = files.list(folder)) stack.push_back(FolderFrame{folder, std::move(*entries)});
  while (!stack.empty()) {
    if (ctx.StopRequested()) return;
    auto& top = stack.back();
    if (top.next >= top.entries.size()) {
      stack.pop_back();
      continue;
    }
    const auto& entry = top.entries[top.next++];
    std::string path = platform::JoinPath(top.path, entry.name);
    if (entry.isFolder()) {
      if (entry.isLink() || entry.name == "." || entry.name == "..") continue;
      if (stack.size() >= kMaxFolderDepth) continue;
      if (auto entries = files.list(path)) {
        stack.push_back(FolderFrame{std::move(path), std::move(*entries)});
      }
      continue;
    }
    if (IsShortcutName(entry.name)) JudgeShortcut(ctx, path);
  }
}

// The decoded UserAssist value names and their run counts.
void ScanUserAssist(ScanContext& ctx) {
  if (ctx.StopRequested()) return;
  auto& registry = ctx.platform.registry;
  auto key = ctx.Open(RootKey::CurrentUser, kUserAssistCount, RegAccess::Full);
  if (!key) return;
  ctx.ShowKey(kUserAssistCount);
  const auto values = registry.values(*key);
  if (!values) return;
  const std::string location = LocationText(RootKey::CurrentUser, kUserAssistCount);
  for (const auto& value : *values) {
    if (ctx.StopRequested()) return;
    if (value.data.size() > kMaxUserAssistData) continue;
    std::string name = Rot13(value.name);
    bool bad = false;
    const auto colon = name.find(':');
    if (name.find(".lnk") == std::string::npos && colon != std::string::npos) {
      bad = FileReferenceMissing(ctx.pathTest, std::string_view(name).substr(colon + 1), {}, true);
    }
    // The run count is the number at offset 4; shorter data carries none
    // and is judged on its path alone.
    bool neverRun = false;
    if (value.data.size() >= 8) {
      std::uint32_t count = 0;
      for (std::size_t i = 0; i < 4; ++i) {
        count |= static_cast<std::uint32_t>(value.data[4 + i]) << (8 * i);
      }
      neverRun = count == 0;
    }
    if (bad || neverRun) {
      ctx.Add(std::string(SectionProblem(24)), std::move(name), location,
              ProblemKind::UserAssistValue, value.exactName);
    }
  }
}

}  // namespace

void ScanShortcuts(ScanContext& ctx) {
  BeginSection(ctx, 18);
  for (int csidl : kShortcutFolders) {
    if (ctx.StopRequested()) return;
    const std::string folder = ctx.platform.files.specialFolder(csidl);
    if (!folder.empty()) ScanShortcutFolder(ctx, folder);
  }
}

void ScanSoundEvents(ScanContext& ctx) {
  BeginSection(ctx, 19);
  auto& registry = ctx.platform.registry;
  WalkKeys(ctx, RootKey::CurrentUser, kSoundSchemes, RegAccess::Full, [&](const KeyVisit& visit) {
    ctx.ShowKey(visit.path);
    const std::string name = LowerAscii(visit.name);
    if (name != ".current" && name != ".default" && name != "utopia0") return true;
    if (ctx.StopRequested()) return false;
    auto value = registry.readValue(visit.key, "");
    if (!value) return true;
    const auto sound = platform::ValueText(*value);
    if (sound && FileReferenceMissing(ctx.pathTest, *sound, {}, false)) {
      ctx.Add(std::string(SectionProblem(19)), *sound,
              LocationText(RootKey::CurrentUser, visit.path), ProblemKind::DefaultValue);
    }
    return true;
  });
}

// The open and save dialogs' lists; false when a stop was asked for.
bool ScanOpenSaveLists(ScanContext& ctx, std::string_view problem) {
  auto& registry = ctx.platform.registry;
  auto& files = ctx.platform.files;
  std::vector<std::string> extensions;
  if (!ctx.StopRequested()) {
    if (auto key = ctx.Open(RootKey::CurrentUser, kOpenSaveMru, RegAccess::Full)) {
      ctx.ShowKey(kOpenSaveMru);
      // The sub-keys are named after the extensions the dialogs saw.
      if (auto names = registry.subKeyNames(*key)) extensions = std::move(*names);
      if (auto values = registry.values(*key)) {
        for (const auto& value : *values) {
          if (ctx.StopRequested()) return false;
          const auto text = platform::ValueText(value);
          if (!text || !OnScannedDrive(ctx.pathTest, *text)) continue;
          bool found = false;
          for (const auto& extension : extensions) {
            if (extension == "*") continue;
            const std::string candidate = *text + "." + extension;
            if (candidate.size() <= kMaxPathChars && files.fileExists(candidate)) {
              found = true;
              break;
            }
          }
          if (!found) AddValueEntry(ctx, problem, RootKey::CurrentUser, kOpenSaveMru, value, *text);
        }
      }
    }
  }
  for (const auto& extension : extensions) {
    if (ctx.StopRequested()) return false;
    WalkStringValues(ctx, RootKey::CurrentUser, JoinKey(kOpenSaveMru, extension), problem, {});
  }
  return true;
}

void ScanMruLists(ScanContext& ctx) {
  BeginSection(ctx, 24);
  const std::string_view problem = SectionProblem(24);
  {
    // The lists name files on any drive, removable ones included.
    platform::NoCriticalErrorBoxes quiet(ctx.platform.system);
    if (!ScanOpenSaveLists(ctx, problem)) return;
  }
  ScanUserAssist(ctx);
}

}  // namespace nc::registry
