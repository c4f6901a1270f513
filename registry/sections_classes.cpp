// Sections that judge class registrations: file-extension keys that carry
// nothing, COM classes and interfaces whose server files or type libraries
// are gone, and classes that name an application id nobody registered.
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/text.h"
#include "registry/locations.h"
#include "registry/registry_walk.h"
#include "registry/section_table.h"
#include "registry/sections.h"

namespace nc::registry {

using platform::RegAccess;
using platform::RegKey;
using platform::RegType;
using platform::RootKey;

namespace {

constexpr int kFileExtensionsId = 11;
constexpr int kCustomControlsId = 16;
constexpr int kInvalidActiveXId = 20;
// The HKEY_LOCAL_MACHINE walk, which already judges every string below
// HKEY_LOCAL_MACHINE\Software\Classes.
constexpr int kMachineWalkId = 5;

constexpr std::string_view kMachineClasses = "Software\\Classes";
constexpr std::string_view kUserFileExts =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts";

void ShowStatus(ScanContext& ctx, int id) {
  const std::string_view status = SectionById(id).statusText;
  if (!status.empty()) ctx.sink.SetSectionStatus(status);
}

std::string ProblemText(int id) {
  return std::string(SectionById(id).problemText);
}

// Both run conditions of the 64-bit variants hold.
bool Windows7On64(const ScanContext& ctx) {
  return ctx.IsWindows7 && ctx.pathTest.IsWow64;
}

// The text of the default value of an open key; none when it is missing
// or not a string value.
std::optional<std::string> DefaultString(platform::Registry& registry, const RegKey& key) {
  auto value = registry.readValue(key, "");
  if (!value) return std::nullopt;
  return platform::ValueText(*value);
}

// The names of the direct sub-keys of a key of HKEY_CLASSES_ROOT,
// upper-cased, asked whether a text occurs within one of them. Registered
// ids are usually met whole, so the exact name is looked up first and the
// whole list searched only for texts that are not a name themselves.
class RegisteredNames {
 public:
  RegisteredNames(platform::Registry& registry, std::string_view key) {
    auto opened = registry.open(RootKey::ClassesRoot, key, RegAccess::Full);
    if (!opened) return;
    auto names = registry.subKeyNames(*opened);
    if (!names) return;
    names_.reserve(names->size());
    for (const auto& name : *names) {
      names_.push_back(UpperAscii(name));
      exact_.insert(names_.back());
    }
  }

  // `upperText` occurs within one of the names (an empty text within any).
  bool AnyContains(const std::string& upperText) const {
    if (exact_.count(upperText) != 0) return true;
    for (const auto& name : names_) {
      if (name.find(upperText) != std::string::npos) return true;
    }
    return false;
  }

 private:
  std::vector<std::string> names_;
  std::unordered_set<std::string> exact_;
};

// The missing-file test without extension and without accepting folders.
// Many classes name the same server file, so a text met again gets the
// answer it got before.
class ServerJudge {
 public:
  explicit ServerJudge(const PathTest& test) : test_(test) {}

  bool Missing(const std::string& text) {
    if (text.size() > kMaxRememberedText) return FileReferenceMissing(test_, text, {}, false);
    if (const auto it = judged_.find(text); it != judged_.end()) return it->second;
    const bool missing = FileReferenceMissing(test_, text, {}, false);
    if (judged_.size() >= kMaxRememberedTexts) judged_.clear();
    judged_.emplace(text, missing);
    return missing;
  }

 private:
  static constexpr std::size_t kMaxRememberedText = 1024;
  static constexpr std::size_t kMaxRememberedTexts = 1 << 15;

  const PathTest& test_;
  std::unordered_map<std::string, bool> judged_;
};

// Calls `visit(name, key)` for every direct sub-key of HKEY_CLASSES_ROOT
// `parent` after showing its path; sub-keys that cannot be opened are
// passed over. Stops when a stop is requested.
template <class Visit>
void ForEachClassSubKey(ScanContext& ctx, std::string_view parent, Visit&& visit) {
  if (ctx.StopRequested()) return;
  auto& registry = ctx.platform.registry;
  auto opened = ctx.Open(RootKey::ClassesRoot, parent, RegAccess::Full);
  if (!opened) return;
  const auto names = registry.subKeyNames(*opened);
  if (!names) return;
  for (const auto& name : *names) {
    if (ctx.StopRequested()) return;
    const std::string path = JoinKey(parent, name);
    ctx.ShowKey(path);
    auto sub = OpenSubKey(registry, *opened, name, RegAccess::Full).key;
    if (!sub) continue;
    visit(name, path, *sub);
  }
}

// An extension key below HKEY_LOCAL_MACHINE\Software\Classes that holds
// nothing: no sub-keys, and no values or only an empty default value. A
// key whose default value is a number or binary data is left alone.
bool UselessMachineClass(platform::Registry& registry, const RegKey& key,
                         const platform::RegKeyInfo& info) {
  if (info.subKeyCount != 0) return false;
  const auto defaultValue = registry.readValue(key, "");
  if (defaultValue) {
    const auto type = static_cast<RegType>(defaultValue->type);
    if (type == RegType::Dword || type == RegType::Binary) return false;
  }
  if (info.valueCount == 0) return true;
  if (info.valueCount != 1 || !defaultValue) return false;
  if (const auto text = platform::ValueText(*defaultValue)) return text->empty();
  return defaultValue->data.empty();
}

void ScanMachineExtensions(ScanContext& ctx, const std::string& problem) {
  auto& registry = ctx.platform.registry;
  auto classes = ctx.Open(RootKey::LocalMachine, kMachineClasses, RegAccess::Full);
  if (!classes) return;
  const auto names = registry.subKeyNames(*classes);
  if (!names) return;
  const bool bareTest = Windows7On64(ctx);
  const std::string location = LocationText(RootKey::LocalMachine, kMachineClasses);
  for (const auto& name : *names) {
    if (ctx.StopRequested()) return;
    // The 32-bit programs' classes, read in a pass of their own.
    if (ctx.TwoViews() && EqualsNoCase(name, "Wow6432Node")) continue;
    ctx.ShowKey(JoinKey(kMachineClasses, name));
    auto sub = OpenSubKey(registry, *classes, name, RegAccess::Full).key;
    if (!sub) continue;
    const auto info = registry.info(*sub);
    if (!info) continue;
    const bool useless = bareTest ? info->subKeyCount == 0 && info->valueCount == 0
                                  : UselessMachineClass(registry, *sub, *info);
    if (useless) ctx.Add(problem, name, location, ProblemKind::SubKey);
  }
}

void ScanUserExtensions(ScanContext& ctx, const std::string& problem) {
  auto& registry = ctx.platform.registry;
  auto fileExts = ctx.Open(RootKey::CurrentUser, kUserFileExts, RegAccess::Full);
  if (!fileExts) return;
  const auto names = registry.subKeyNames(*fileExts);
  if (!names) return;
  const bool bareTest = Windows7On64(ctx);
  const std::string location = LocationText(RootKey::CurrentUser, kUserFileExts);
  for (const auto& name : *names) {
    if (ctx.StopRequested()) return;
    const std::string path = JoinKey(kUserFileExts, name);
    ctx.ShowKey(path);
    // A key the account may not open is not judged, nor a registry link.
    auto sub = OpenSubKey(registry, *fileExts, name, RegAccess::Full).key;
    if (!sub) continue;
    bool useless = false;
    if (bareTest) {
      const auto info = registry.info(*sub);
      if (!info) continue;
      useless = info->subKeyCount == 0 && info->valueCount == 0;
    } else {
      useless = KeyContentCount(registry, *sub) == 0;
    }
    if (useless) ctx.Add(problem, name, location, ProblemKind::SubKey);
  }
}

// Every key below HKEY_CLASSES_ROOT\CLSID (the key itself included) whose
// default value names a missing file, such as the InprocServer32 or
// LocalServer32 key of a class whose server is gone.
void ScanClassServers(ScanContext& ctx, const std::string& problem) {
  auto& registry = ctx.platform.registry;
  ServerJudge judge(ctx.pathTest);
  WalkKeys(ctx, RootKey::ClassesRoot, "CLSID", RegAccess::Full, [&](const KeyVisit& visit) {
    ctx.ShowKey(visit.path);
    const auto server = DefaultString(registry, visit.key);
    if (server && judge.Missing(*server)) {
      ctx.Add(problem, *server, LocationText(RootKey::ClassesRoot, visit.path), ProblemKind::Key);
    }
    return true;
  });
}

// Interfaces whose type library is not registered under
// HKEY_CLASSES_ROOT\TypeLib.
void ScanInterfaces(ScanContext& ctx, const std::string& problem) {
  if (ctx.StopRequested()) return;
  auto& registry = ctx.platform.registry;
  const RegisteredNames typeLibs(registry, "TypeLib");
  ForEachClassSubKey(ctx, "Interface",
                     [&](const std::string&, const std::string& path, const RegKey& key) {
                       const auto name = DefaultString(registry, key);
                       if (!name) return;
                       auto typeLibKey = registry.openSub(key, "TypeLib", RegAccess::Full);
                       if (!typeLibKey) return;
                       const auto lib = DefaultString(registry, *typeLibKey);
                       if (!lib || typeLibs.AnyContains(UpperAscii(*lib))) return;
                       ctx.Add(problem, *name + " - " + *lib,
                               LocationText(RootKey::ClassesRoot, path), ProblemKind::Key);
                     });
}

// Classes whose "AppID" value names no registered application id. A class
// served by the accessibility library, or whose in-process server is not
// named by a string, is never reported.
void ScanApplicationIds(ScanContext& ctx, const std::string& problem) {
  if (ctx.StopRequested()) return;
  auto& registry = ctx.platform.registry;
  const RegisteredNames appIds(registry, "AppID");
  ForEachClassSubKey(
      ctx, "CLSID", [&](const std::string& name, const std::string& path, const RegKey& key) {
        auto appIdValue = registry.readValue(key, "AppID");
        if (!appIdValue) return;
        const auto appId = platform::ValueText(*appIdValue);
        if (!appId || appId->empty()) return;
        if (appIds.AnyContains(UpperAscii(*appId)) || appIds.AnyContains(UpperAscii(name))) return;
        if (auto server = registry.openSub(key, "InprocServer32", RegAccess::Full)) {
          const auto file = DefaultString(registry, *server);
          if (!file || LowerAscii(*file).find("oleacc.dll") != std::string::npos) return;
        }
        ctx.Add(problem, *appId, LocationText(RootKey::ClassesRoot, path), ProblemKind::Key);
      });
}

}  // namespace

void ScanFileExtensions(ScanContext& ctx) {
  ShowStatus(ctx, kFileExtensionsId);
  const std::string problem = ProblemText(kFileExtensionsId);
  ScanMachineExtensions(ctx, problem);
  ScanUserExtensions(ctx, problem);
}

void ScanCustomControls(ScanContext& ctx) {
  ShowStatus(ctx, kCustomControlsId);
  const std::string problem = ProblemText(kCustomControlsId);
  if (!ctx.SectionChosen(kMachineWalkId)) ScanClassServers(ctx, problem);
  ScanInterfaces(ctx, problem);
}

void ScanInvalidActiveX(ScanContext& ctx) {
  ShowStatus(ctx, kInvalidActiveXId);
  const std::string problem = ProblemText(kInvalidActiveXId);
  // Type library files; a resource number after the file name is dropped.
  if (!ctx.SectionChosen(kMachineWalkId)) {
    WalkStringValues(ctx, RootKey::ClassesRoot, "TypeLib", problem, ".dll");
  }
  ScanApplicationIds(ctx, problem);
}

}  // namespace nc::registry
