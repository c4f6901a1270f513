// The dispatch from a section id to its routine, and the passes over the
// two views of HKEY_LOCAL_MACHINE\Software on 64-bit Windows. Kept apart
// from the section table so that code needing only the texts does not pull
// in every section routine.
#include <string>

#include "core/text.h"
#include "registry/locations.h"
#include "registry/sections.h"

namespace nc::registry {

namespace {

// Sections that read fixed keys below HKEY_LOCAL_MACHINE\Software.
bool ReadsMachineSoftware(int id) {
  switch (id) {
    case 7:
    case 8:
    case 10:
    case 11:
    case 12:
    case 13:
    case 14:
    case 15:
    case 21:
    case 22:
    case 23:
      return true;
    default:
      return false;
  }
}

void RunRoutine(ScanContext& ctx, int id) {
  switch (id) {
    case 3:
      ScanHiveFilesAndFolders(ctx, platform::RootKey::ClassesRoot);
      break;
    case 4:
      ScanHiveFilesAndFolders(ctx, platform::RootKey::CurrentUser);
      break;
    case 5:
      ScanHiveFilesAndFolders(ctx, platform::RootKey::LocalMachine);
      break;
    case 6:
      ScanHiveFilesAndFolders(ctx, platform::RootKey::Users);
      break;
    case 7:
      ScanSharedDlls(ctx);
      break;
    case 8:
      ScanSoftwareLocations(ctx);
      break;
    case 9:
      ScanStartMenu(ctx);
      break;
    case 10:
      ScanObsoleteSoftware(ctx);
      break;
    case 11:
      ScanFileExtensions(ctx);
      break;
    case 12:
      ScanFonts(ctx);
      break;
    case 13:
      ScanHelpFiles(ctx);
      break;
    case 14:
      ScanStartupPrograms(ctx);
      break;
    case 15:
      ScanAddRemovePrograms(ctx);
      break;
    case 16:
      ScanCustomControls(ctx);
      break;
    case 17:
      ScanWindowsServices(ctx);
      break;
    case 18:
      ScanShortcuts(ctx);
      break;
    case 19:
      ScanSoundEvents(ctx);
      break;
    case 20:
      ScanInvalidActiveX(ctx);
      break;
    case 21:
      ScanInstaller(ctx);
      break;
    case 22:
      ScanOpenWithApplications(ctx);
      break;
    case 23:
      ScanUninstallerEntries(ctx);
      break;
    case 24:
      ScanMruLists(ctx);
      break;
    default:
      break;  // the root, "Files and Folders" and unknown ids
  }
}

// Whether the 32-bit view keeps a key of its own for `path` (a key below
// HKEY_LOCAL_MACHINE): one below Wow6432Node, reached without passing a
// registry link. A key the views share has no such key, or a link there
// to the key of the 64-bit view.
bool Own32BitKey(platform::Registry& registry, std::string_view path) {
  const auto own = Wow6432NodePath(path);
  if (!own) return false;
  Result<platform::RegKey> key = Error{Errc::NotFound, "open key", *own};
  for (const std::string& part : Split(*own, '\\')) {
    if (part.empty()) continue;
    key = key ? registry.openSub(*key, part, platform::RegAccess::ReadNoFollow)
              : registry.open(platform::RootKey::LocalMachine, part,
                              platform::RegAccess::ReadNoFollow, platform::RegView::Bits64);
    if (!key || registry.isLink(*key).value_or(false)) return false;
  }
  return key.ok();
}

// The view state of the second pass, undone however the pass ends.
class SecondPass {
 public:
  explicit SecondPass(ScanContext& ctx) : ctx_(ctx) {
    ctx_.viewPass = ViewPass::Second;
    ctx_.machineView = platform::RegView::Bits32;
    // A 32-bit program judges 32-bit entries as it always has.
    ctx_.pathTest.Entries32Bit = !ctx_.pathTest.IsWow64;
  }
  ~SecondPass() {
    ctx_.viewPass = ViewPass::Only;
    ctx_.machineView = platform::RegView::Bits64;
    ctx_.pathTest.Entries32Bit = false;
  }
  SecondPass(const SecondPass&) = delete;
  SecondPass& operator=(const SecondPass&) = delete;

 private:
  ScanContext& ctx_;
};

}  // namespace

Result<platform::RegKey> ScanContext::Open(platform::RootKey root, std::string_view path,
                                           platform::RegAccess access) {
  const bool machine = root == platform::RootKey::LocalMachine;
  if (viewPass == ViewPass::Second && (!machine || !Own32BitKey(platform.registry, path))) {
    return Error{Errc::NotFound, "open key", LocationText(root, path)};
  }
  return platform.registry.open(root, path, access,
                                machine ? machineView : platform::RegView::Default);
}

void ScanContext::ShowKey(std::string_view path) {
  if (viewPass != ViewPass::Second) {
    sink.SetKeyLine(path);
    return;
  }
  sink.SetKeyLine(Wow6432NodePath(path).value_or(std::string(path)));
}

void ScanContext::Add(std::string problem, std::string data, std::string registryKey,
                      ProblemKind kind, std::optional<std::u16string> valueName) {
  if (viewPass == ViewPass::Second) {
    // A key elsewhere reads the same in both views.
    auto moved = Wow6432NodeLocation(registryKey);
    if (!moved) return;
    registryKey = std::move(*moved);
  }
  // A name that its text carries needs no second copy.
  if (valueName && platform::IsWholeText(*valueName)) valueName.reset();
  sink.AppendProblem(ProblemEntry{std::move(problem), std::move(data), std::move(registryKey), kind,
                                  false, std::move(valueName)});
}

void RunSection(ScanContext& ctx, int id) {
  const bool twoViews = ctx.platform.system.is64BitWindows();
  ctx.machineView = twoViews ? platform::RegView::Bits64 : platform::RegView::Default;
  // Needed by the second pass and by the walk of HKEY_LOCAL_MACHINE, which
  // judges the keys below Wow6432Node as 32-bit entries in a single pass.
  if (twoViews && ctx.pathTest.SystemFolder.empty()) {
    ctx.pathTest.SystemFolder = ctx.platform.files.specialFolder(platform::Csidl::System);
  }
  if (!twoViews || !ReadsMachineSoftware(id)) {
    ctx.viewPass = ViewPass::Only;
    RunRoutine(ctx, id);
    return;
  }
  ctx.viewPass = ViewPass::First;
  RunRoutine(ctx, id);
  if (ctx.StopRequested()) {
    ctx.viewPass = ViewPass::Only;
    return;
  }
  const SecondPass pass(ctx);
  RunRoutine(ctx, id);
}

}  // namespace nc::registry
