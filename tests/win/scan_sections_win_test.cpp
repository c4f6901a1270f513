// The registry scan sections on the real registry, files and shell: each
// test seeds what one section must find (and what it must pass over),
// runs the section with the real ports and removes what it seeded.
#include <windows.h>

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "core/text.h"
#include "platform/win32/wide.h"
#include "platform/win32/win_platform.h"
#include "registry/locations.h"
#include "registry/problem.h"
#include "registry/scan_context.h"
#include "registry/sections.h"
#include "win_test_support.h"

namespace {

using nc::platform::RegAccess;
using nc::platform::RootKey;
using nc::registry::ProblemEntry;
using nc::registry::ProblemKind;

constexpr const char* kFolder = "C:\\NorvikScanTest";
constexpr const char* kCv = "Software\\Microsoft\\Windows\\CurrentVersion";

class RecordingSink : public nc::registry::ScanSink {
 public:
  void SetSectionStatus(std::string_view text) override { statuses.emplace_back(text); }
  void SetKeyLine(std::string_view) override {}
  void AppendProblem(const ProblemEntry& entry) override { problems.push_back(entry); }

  std::vector<std::string> statuses;
  std::vector<ProblemEntry> problems;
};

std::string Join(std::string_view a, std::string_view b) {
  return std::string(a) + "\\" + std::string(b);
}

class ScanSections : public testing::Test {
 protected:
  void SetUp() override {
    RemoveFolder();
    ASSERT_TRUE(ports.files().createFolders(kFolder).ok());
    ctx.pathTest.ScannedDrives = nc::registry::BuildScannedDrives(ports.files(), true);
    ASSERT_NE(ctx.pathTest.ScannedDrives.find('c'), std::string::npos);
  }
  void TearDown() override {
    for (const auto& [root, path, name] : seededValues) {
      if (auto key = ports.registry().open(root, path, RegAccess::Full)) {
        (void)ports.registry().deleteValue(*key, name);
      }
    }
    for (const auto& [root, path] : seededKeys) {
      const auto slash = path.rfind('\\');
      if (auto parent = ports.registry().open(root, path.substr(0, slash), RegAccess::Full)) {
        (void)ports.registry().deleteTree(*parent, path.substr(slash + 1));
      }
    }
    for (const auto& file : seededFiles) (void)ports.files().deleteFile(file);
    RemoveFolder();
  }
  static void RemoveFolder() { nc::wintest::RemoveTree(nc::win32::Widen(kFolder)); }

  void File(const std::string& path) {
    ASSERT_TRUE(nc::platform::WriteWholeFile(ports.files(), path, "x").ok()) << path;
  }
  // A value in a key that may be shared with the system: only the value
  // is removed afterwards.
  void Value(RootKey root, const std::string& path, const std::string& name,
             const std::string& text) {
    auto key = ports.registry().create(root, path);
    ASSERT_TRUE(key.ok()) << path;
    ASSERT_TRUE(nc::platform::WriteStringValue(ports.registry(), *key, name, text).ok());
    seededValues.emplace_back(root, path, name);
  }
  void Dword(RootKey root, const std::string& path, const std::string& name, DWORD count) {
    auto key = ports.registry().create(root, path);
    ASSERT_TRUE(key.ok()) << path;
    ASSERT_TRUE(nc::platform::WriteDwordValue(ports.registry(), *key, name, count).ok());
    seededValues.emplace_back(root, path, name);
  }
  // A key of our own: removed with everything below it.
  void Key(RootKey root, const std::string& path) {
    ASSERT_TRUE(ports.registry().create(root, path).ok()) << path;
    seededKeys.emplace_back(root, path);
  }

  std::size_t Count(const ProblemEntry& wanted) const {
    return static_cast<std::size_t>(std::count(sink.problems.begin(), sink.problems.end(), wanted));
  }
  bool AnyWithData(std::string_view data) const {
    return std::any_of(sink.problems.begin(), sink.problems.end(),
                       [&](const ProblemEntry& p) { return p.Data == data; });
  }
  static ProblemEntry Entry(std::string problem, std::string data, std::string key,
                            ProblemKind kind) {
    return ProblemEntry{std::move(problem), std::move(data), std::move(key), kind, false};
  }

  nc::win32::WinPlatform ports;
  RecordingSink sink;
  std::atomic<bool> stop{false};
  nc::registry::ScanContext ctx{
      ports.bundle(), sink,
      stop,           nc::registry::PathTest{ports.files(), "c", false, false, true, false},
      false,          {}};
  std::vector<std::tuple<RootKey, std::string, std::string>> seededValues;
  std::vector<std::pair<RootKey, std::string>> seededKeys;
  std::vector<std::string> seededFiles;
};

TEST_F(ScanSections, StartupProgramsReportARunValueNamingAMissingProgram) {
  File(Join(kFolder, "present.exe"));
  const std::string run = Join(kCv, "Run");
  Value(RootKey::CurrentUser, run, "NorvikScanTestGone",
        "\"C:\\NorvikScanTest\\gone.exe\" /minimized");
  Value(RootKey::CurrentUser, run, "NorvikScanTestPresent", "C:\\NorvikScanTest\\present.exe /min");
  nc::registry::ScanStartupPrograms(ctx);
  EXPECT_EQ(
      Count(Entry("Non-existent Startup Programs", "\"C:\\NorvikScanTest\\gone.exe\" /minimized",
                  "HKEY_CURRENT_USER\\" + run + "\\NorvikScanTestGone",
                  nc::registry::ProblemKind::ValuePath)),
      1u);
  EXPECT_FALSE(AnyWithData("C:\\NorvikScanTest\\present.exe /min"));
  EXPECT_EQ(sink.statuses, std::vector<std::string>{"Scanning: Startup Programs"});
}

// A 32-bit scanner on 64-bit Windows sees SysWOW64 where System32 is
// named: a program that only the native System32 holds looks missing to
// it, and reporting it would have the fixer delete a working entry.
TEST_F(ScanSections, StartupProgramsTrustTheNativeSystemFolderUnderWow64) {
  ctx.pathTest.IsWow64 = nc::registry::IsWow64(ports.system());
  wchar_t windows[MAX_PATH] = {};
  const std::string folder =
      nc::win32::Narrow(std::wstring(windows, GetWindowsDirectoryW(windows, MAX_PATH)));
  const char* name = "nc-native-only.exe";
  const std::string written =
      Join(folder, ctx.pathTest.IsWow64 ? "sysnative" : "system32") + "\\" + name;
  File(written);
  seededFiles.push_back(written);
  const std::string named = Join(folder, "system32") + "\\" + name;
  ASSERT_EQ(ports.files().fileExists(named), !ctx.pathTest.IsWow64);

  const std::string run = Join(kCv, "Run");
  Value(RootKey::CurrentUser, run, "NorvikScanTestNative", named);
  Value(RootKey::CurrentUser, run, "NorvikScanTestGone", "C:\\NorvikScanTest\\gone.exe");
  nc::registry::ScanStartupPrograms(ctx);
  EXPECT_FALSE(AnyWithData(named));
  EXPECT_TRUE(AnyWithData("C:\\NorvikScanTest\\gone.exe"));
}

TEST_F(ScanSections, SharedDllsReportAZeroCountAndMissingFiles) {
  File(Join(kFolder, "used.dll"));
  File(Join(kFolder, "unused.dll"));
  const std::string shared = Join(kCv, "SharedDlls");
  Dword(RootKey::LocalMachine, shared, "C:\\NorvikScanTest\\used.dll", 3);
  Dword(RootKey::LocalMachine, shared, "C:\\NorvikScanTest\\unused.dll", 0);
  Dword(RootKey::LocalMachine, shared, "C:\\NorvikScanTest\\gone.dll", 2);
  nc::registry::ScanSharedDlls(ctx);
  const std::string key = "HKEY_LOCAL_MACHINE\\" + shared;
  EXPECT_EQ(Count(Entry("Non-existent Shared Dlls", "C:\\NorvikScanTest\\unused.dll", key,
                        nc::registry::ProblemKind::ValueInKey)),
            1u);
  EXPECT_EQ(Count(Entry("Non-existent Shared Dlls", "C:\\NorvikScanTest\\gone.dll", key,
                        nc::registry::ProblemKind::ValueInKey)),
            1u);
  EXPECT_FALSE(AnyWithData("C:\\NorvikScanTest\\used.dll"));
}

TEST_F(ScanSections, SoftwareLocationsReportAnAppPathToAMissingFile) {
  File(Join(kFolder, "present.exe"));
  const std::string gone = Join(kCv, "App Paths\\norvikscantest-gone.exe");
  const std::string present = Join(kCv, "App Paths\\norvikscantest-present.exe");
  Key(RootKey::LocalMachine, gone);
  Key(RootKey::LocalMachine, present);
  Value(RootKey::LocalMachine, gone, "", "C:\\NorvikScanTest\\Gone\\app.exe");
  Value(RootKey::LocalMachine, present, "", "C:\\NorvikScanTest\\present.exe");
  Value(RootKey::LocalMachine, present, "Path", "C:\\NorvikScanTest");
  nc::registry::ScanSoftwareLocations(ctx);
  EXPECT_EQ(
      Count(Entry("Software Locations Issue", "C:\\NorvikScanTest\\Gone\\app.exe",
                  "HKEY_LOCAL_MACHINE\\" + gone + "\\", nc::registry::ProblemKind::ValuePath)),
      1u);
  EXPECT_FALSE(AnyWithData("C:\\NorvikScanTest\\present.exe"));
  EXPECT_FALSE(AnyWithData("C:\\NorvikScanTest"));
}

TEST_F(ScanSections, AddRemoveProgramsReportAnEntryWithoutUninstallString) {
  const std::string uninstall = Join(kCv, "Uninstall");
  Key(RootKey::LocalMachine, Join(uninstall, "NorvikScanTestNoCommand"));
  Key(RootKey::LocalMachine, Join(uninstall, "NorvikScanTestWithCommand"));
  Value(RootKey::LocalMachine, Join(uninstall, "NorvikScanTestNoCommand"), "DisplayName", "x");
  Value(RootKey::LocalMachine, Join(uninstall, "NorvikScanTestWithCommand"), "UninstallString",
        "C:\\NorvikScanTest\\uninst.exe");
  nc::registry::ScanAddRemovePrograms(ctx);
  const std::string key = "HKEY_LOCAL_MACHINE\\" + uninstall;
  EXPECT_EQ(Count(Entry("Invalid Add/Remove Programs", "NorvikScanTestNoCommand", key,
                        nc::registry::ProblemKind::SubKey)),
            1u);
  EXPECT_FALSE(AnyWithData("NorvikScanTestWithCommand"));
}

TEST_F(ScanSections, ShortcutsReportADeadShortcutInTheStartMenu) {
  const std::string target = Join(kFolder, "removed.exe");
  const std::string kept = Join(kFolder, "kept.exe");
  File(target);
  File(kept);
  const std::string menu = ports.files().specialFolder(nc::platform::Csidl::StartMenu);
  ASSERT_FALSE(menu.empty());
  const std::string dead = Join(menu, "NorvikScanTest dead.lnk");
  const std::string alive = Join(menu, "NorvikScanTest alive.lnk");
  for (const auto& [lnk, to] : {std::pair{dead, target}, std::pair{alive, kept}}) {
    IShellLinkW* link = nullptr;
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_IShellLinkW, reinterpret_cast<void**>(&link))));
    link->SetPath(nc::win32::Widen(to).c_str());
    IPersistFile* file = nullptr;
    ASSERT_TRUE(SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))));
    const HRESULT saved = file->Save(nc::win32::Widen(lnk).c_str(), TRUE);
    file->Release();
    link->Release();
    ASSERT_TRUE(SUCCEEDED(saved)) << lnk;
    seededFiles.push_back(lnk);
  }
  ASSERT_TRUE(ports.files().deleteFile(target).ok());

  nc::registry::ScanShortcuts(ctx);
  const std::size_t found = Count(
      Entry("Missing ShortCut reference", target, dead, nc::registry::ProblemKind::ShortcutFile));
  // The user's Start Menu also lies below Application Data, which is
  // searched first.
  const bool menuBelowAppData =
      nc::StartsWithNoCase(menu, ports.files().specialFolder(nc::platform::Csidl::AppData) + "\\");
  EXPECT_EQ(found, menuBelowAppData ? 2u : 1u);
  EXPECT_FALSE(AnyWithData(kept));
}

TEST_F(ScanSections, SoundEventsReportASoundFileThatIsGone) {
  File(Join(kFolder, "ding.wav"));
  const std::string app = "AppEvents\\Schemes\\Apps\\NorvikScanTest";
  Key(RootKey::CurrentUser, app);
  Key(RootKey::CurrentUser, Join(app, "Gone\\.Current"));
  Key(RootKey::CurrentUser, Join(app, "Present\\.Current"));
  Value(RootKey::CurrentUser, Join(app, "Gone\\.Current"), "", "C:\\NorvikScanTest\\gone.wav");
  Value(RootKey::CurrentUser, Join(app, "Present\\.Current"), "", "C:\\NorvikScanTest\\ding.wav");
  nc::registry::ScanSoundEvents(ctx);
  EXPECT_EQ(Count(Entry("Non-existent Sound File", "C:\\NorvikScanTest\\gone.wav",
                        "HKEY_CURRENT_USER\\" + app + "\\Gone\\.Current",
                        nc::registry::ProblemKind::DefaultValue)),
            1u);
  EXPECT_FALSE(AnyWithData("C:\\NorvikScanTest\\ding.wav"));
}

TEST_F(ScanSections, UserHiveWalkFindsTheSeededValueAndLeavesOutTheRunKey) {
  const std::string own = "Software\\NorvikScanTest";
  Key(RootKey::CurrentUser, own);
  Value(RootKey::CurrentUser, own, "Document", "C:\\NorvikScanTest\\Gone\\letter.doc");
  Value(RootKey::CurrentUser, Join(kCv, "Run"), "NorvikScanTestWalk",
        "C:\\NorvikScanTest\\walk.exe");
  nc::registry::ScanHiveFilesAndFolders(ctx, RootKey::CurrentUser);
  EXPECT_EQ(Count(Entry("Non-existent File or Folder", "C:\\NorvikScanTest\\Gone\\letter.doc",
                        "HKEY_CURRENT_USER\\" + own + "\\Document",
                        nc::registry::ProblemKind::ValuePath)),
            1u);
  EXPECT_FALSE(AnyWithData("C:\\NorvikScanTest\\walk.exe"));
}

}  // namespace
