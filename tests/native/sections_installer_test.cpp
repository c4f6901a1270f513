// Installer, Applications ("Open with"), Uninstaller Entry, and the stop
// request in every section of the files-and-software scan.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/sim/shell_link.h"
#include "registry/sections.h"
#include "registry/sections_common.h"
#include "sections_fixture.h"

namespace nc::testing {
namespace {

using platform::RootKey;
using registry::ProblemKind;

class InstallerSection : public SectionsTest {};

TEST_F(InstallerSection, JudgesUninstallProgramsInstallerFoldersAndTheAddRemoveCache) {
  File("C:\\Tools\\tool.exe");
  Folder("C:\\Tools\\Shared");
  Reg(R"([HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\App]
"UninstallString"="\"C:\\Program Files\\App\\uninst.exe\" /S"
"DisplayIcon"="C:\\Program Files\\App\\app.ico"
"Modify"="C:\\Tools\\tool.exe,0"
"Readme"="C:\\Program Files\\App\\readme.EXE.txt"
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Other]
"UninstallString"="C:\\Tools\\tool.exe /uninstall"
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Installer\Folders]
"C:\\Program Files\\App\\"=""
"C:\\Tools\\"=""
"C:\\Tools\\Shared"=dword:00000001
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\App Management\ARPCache\app]
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\App Management\ARPCache\Orphan]
"SlowInfoCache"=hex:00
)");
  registry::ScanInstaller(ctx);
  const std::string cv = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\";
  const char* p = "Installer Refrence Issue";
  const std::vector<registry::ProblemEntry> expected = {
      Entry(p, "\"C:\\Program Files\\App\\uninst.exe\" /S", cv + "Uninstall\\App\\UninstallString",
            ProblemKind::ValuePath),
      // Cut after the first ".exe", letter case aside.
      Entry(p, "C:\\Program Files\\App\\readme.EXE.txt", cv + "Uninstall\\App\\Readme",
            ProblemKind::ValuePath),
      Entry(p, "C:\\Program Files\\App\\", cv + "Installer\\Folders", ProblemKind::ValueInKey),
      Entry(p, "Orphan", cv + "App Management\\ARPCache", ProblemKind::SubKey),
  };
  EXPECT_EQ(Problems(), expected);
  EXPECT_EQ(sink.statuses, std::vector<std::string>{"Scanning: Installer"});
}

TEST_F(InstallerSection, WithoutAnUninstallKeyEveryCachedEntryIsAnOrphan) {
  Reg(R"([HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\App Management\ARPCache\One]
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\App Management\ARPCache\Two]
)");
  registry::ScanInstaller(ctx);
  ASSERT_EQ(Problems().size(), 2u);
  EXPECT_EQ(Problems()[0].Data, "One");
  EXPECT_EQ(Problems()[1].Data, "Two");
}

class ApplicationsSection : public SectionsTest {};

TEST_F(ApplicationsSection, ReportsCommandsThatAreEmptyOrNameMissingPrograms) {
  File("C:\\Tools\\tool.exe");
  Reg(R"([HKEY_LOCAL_MACHINE\Software\Classes\Applications\good.exe\shell\open\command]
@="\"C:\\Tools\\tool.exe\" \"%1\""
[HKEY_LOCAL_MACHINE\Software\Classes\Applications\gone.exe\shell\open\command]
@="C:\\Gone\\gone.exe %1"
[HKEY_LOCAL_MACHINE\Software\Classes\Applications\gone.exe\shell\edit\command]
"Other"="x"
[HKEY_LOCAL_MACHINE\Software\Classes\Applications\gone.exe\shell\print\command]
@=""
[HKEY_LOCAL_MACHINE\Software\Classes\Applications\typed.exe\shell\open\command]
@=dword:00000001
[HKEY_LOCAL_MACHINE\Software\Classes\Applications\typed.exe\shell\open\inner\command]
@="C:\\Gone\\below-typed.exe"
[HKEY_LOCAL_MACHINE\Software\Classes\Applications\nested.exe\shell\open\command\sub]
[HKEY_LOCAL_MACHINE\Software\Classes\Applications\nested.exe\shell\open\sub\command]
@="C:\\Gone\\quirk.exe"
[HKEY_LOCAL_MACHINE\Software\Classes\Applications\nested.exe\shell\open\other\command]
@="C:\\Gone\\hidden.exe"
[HKEY_LOCAL_MACHINE\Software\Classes\Applications\plain.exe]
"NoOpenWith"=""
)");
  sink.statuses.push_back("previous");
  registry::ScanOpenWithApplications(ctx);
  const std::string apps = "HKEY_LOCAL_MACHINE\\Software\\Classes\\Applications\\";
  const char* p = "Open with Application Issue";
  const std::vector<registry::ProblemEntry> expected = {
      Entry(p, "", apps + "gone.exe\\shell\\edit\\command", ProblemKind::Key),
      Entry(p, "C:\\Gone\\gone.exe %1", apps + "gone.exe\\shell\\open\\command", ProblemKind::Key),
      Entry(p, "", apps + "gone.exe\\shell\\print\\command", ProblemKind::Key),
      // A command key without a default value gives an empty command.
      Entry(p, "", apps + "nested.exe\\shell\\open\\command", ProblemKind::Key),
      // Below a key with a command, only the names of the command's own
      // sub-keys are searched.
      Entry(p, "C:\\Gone\\quirk.exe", apps + "nested.exe\\shell\\open\\sub\\command",
            ProblemKind::Key),
  };
  EXPECT_EQ(Problems(), expected);
  // The section leaves the status text as it was.
  EXPECT_EQ(sink.statuses, std::vector<std::string>{"previous"});
}

class UninstallerEntrySection : public SectionsTest {};

TEST_F(UninstallerEntrySection, ReportsEmptySubKeysAtEveryDepth) {
  Reg(R"([HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\App]
"DisplayName"="App"
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\App\Inner]
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Chain\a\b]
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Empty]
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Fork\x]
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Fork\y]
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Locked\Inner]
"DisplayName"="Locked"
)");
  sim.registry().denyAccess(RootKey::LocalMachine,
                            "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Locked");
  registry::ScanUninstallerEntries(ctx);
  const std::string u =
      "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
  const char* p = "Empty Uninstall Entries";
  const std::vector<registry::ProblemEntry> expected = {
      Entry(p, "Inner", u + "\\App", ProblemKind::SubKey),
      Entry(p, "Chain", u, ProblemKind::SubKey),
      Entry(p, "a", u + "\\Chain", ProblemKind::SubKey),
      Entry(p, "b", u + "\\Chain\\a", ProblemKind::SubKey),
      Entry(p, "Empty", u, ProblemKind::SubKey),
      Entry(p, "x", u + "\\Fork", ProblemKind::SubKey),
      Entry(p, "y", u + "\\Fork", ProblemKind::SubKey),
      // A key that cannot be opened counts as empty and is not entered.
      Entry(p, "Locked", u, ProblemKind::SubKey),
  };
  EXPECT_EQ(Problems(), expected);
  EXPECT_EQ(sink.statuses, std::vector<std::string>{"Scanning: Empty Uninstaller Entry"});
}

// Every section, in the order the scan runs them.
const std::vector<std::pair<int, std::function<void(registry::ScanContext&)>>>& Routines() {
  static const std::vector<std::pair<int, std::function<void(registry::ScanContext&)>>> routines = {
      {3, [](auto& c) { registry::ScanHiveFilesAndFolders(c, RootKey::ClassesRoot); }},
      {4, [](auto& c) { registry::ScanHiveFilesAndFolders(c, RootKey::CurrentUser); }},
      {5, [](auto& c) { registry::ScanHiveFilesAndFolders(c, RootKey::LocalMachine); }},
      {6, [](auto& c) { registry::ScanHiveFilesAndFolders(c, RootKey::Users); }},
      {7, registry::ScanSharedDlls},
      {8, registry::ScanSoftwareLocations},
      {9, registry::ScanStartMenu},
      {10, registry::ScanObsoleteSoftware},
      {12, registry::ScanFonts},
      {13, registry::ScanHelpFiles},
      {14, registry::ScanStartupPrograms},
      {15, registry::ScanAddRemovePrograms},
      {17, registry::ScanWindowsServices},
      {18, registry::ScanShortcuts},
      {19, registry::ScanSoundEvents},
      {21, registry::ScanInstaller},
      {22, registry::ScanOpenWithApplications},
      {23, registry::ScanUninstallerEntries},
      {24, registry::ScanMruLists},
  };
  return routines;
}

// A registry in which every section finds something.
class EverySection : public SectionsTest {
 protected:
  void SetUp() override {
    sim.files().setSpecialFolder(registry::kCsidlFonts, "C:\\Windows\\Fonts");
    const std::string cv = "Software\\Microsoft\\Windows\\CurrentVersion\\";
    std::string reg;
    auto key = [&](std::string_view root, std::string_view path, std::string_view values) {
      reg +=
          "[" + std::string(root) + "\\" + std::string(path) + "]\n" + std::string(values) + "\n";
    };
    key("HKEY_CLASSES_ROOT", ".x", "@=\"C:\\\\gone.exe\"");
    key("HKEY_CURRENT_USER", "Software\\App", "\"v\"=\"C:\\\\gone.exe\"");
    key("HKEY_USERS", "S-1\\Software", "\"v\"=\"C:\\\\gone.exe\"");
    key("HKEY_LOCAL_MACHINE", cv + "SharedDlls", "\"C:\\\\gone.dll\"=dword:00000001");
    key("HKEY_LOCAL_MACHINE", cv + "App Paths\\x.exe", "@=\"C:\\\\gone.exe\"");
    key("HKEY_CURRENT_USER", cv + "Explorer\\MenuOrder\\Start Menu2\\Programs\\Old", "");
    key("HKEY_LOCAL_MACHINE", "Software\\EmptyVendor", "");
    key("HKEY_LOCAL_MACHINE", "Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts",
        "\"F\"=\"C:\\\\gone.ttf\"");
    key("HKEY_LOCAL_MACHINE", "Software\\Microsoft\\Windows\\Help", "\"x.hlp\"=\"C:\\\\Gone\"");
    key("HKEY_CURRENT_USER", cv + "Run", "\"R\"=\"C:\\\\gone.exe\"");
    key("HKEY_LOCAL_MACHINE", cv + "Uninstall\\NoCommand", "\"DisplayName\"=\"x\"");
    key("HKEY_LOCAL_MACHINE", cv + "Uninstall\\NoCommand\\Empty", "");
    key("HKEY_LOCAL_MACHINE", cv + "Uninstall\\Exe", "\"UninstallString\"=\"C:\\\\gone.exe\"");
    key("HKEY_LOCAL_MACHINE", "SYSTEM\\CurrentControlSet\\Services\\S",
        "\"ImagePath\"=\"C:\\\\gone.exe\"");
    key("HKEY_CURRENT_USER", "AppEvents\\Schemes\\Apps\\A\\E\\.Current", "@=\"C:\\\\gone.wav\"");
    key("HKEY_LOCAL_MACHINE", "Software\\Classes\\Applications\\x.exe\\shell\\open\\command",
        "@=\"C:\\\\gone.exe\"");
    key("HKEY_CURRENT_USER", cv + "Explorer\\ComDlg32\\OpenSaveMRU\\txt",
        "\"a\"=\"C:\\\\gone.txt\"");
    Reg(reg);
    ASSERT_TRUE(sim.writeFile(sim.files().specialFolder(platform::Csidl::Desktop) + "\\x.lnk",
                              sim::MakeShellLinkBytes("C:\\gone.exe")));
  }
};

TEST_F(EverySection, FindsSomethingWhenLeftToRun) {
  for (const auto& [id, routine] : Routines()) {
    sink.problems.clear();
    routine(ctx);
    EXPECT_FALSE(Problems().empty()) << "section " << id;
  }
}

TEST_F(EverySection, ReadsNothingOnceAStopIsRequested) {
  stop = true;
  for (const auto& [id, routine] : Routines()) {
    routine(ctx);
    EXPECT_TRUE(Problems().empty()) << "section " << id;
    EXPECT_TRUE(sink.keyLines.empty()) << "section " << id;
  }
}

TEST_F(EverySection, StopsWithinTheSectionAtTheFirstKeyShown) {
  for (const auto& [id, routine] : Routines()) {
    sink.problems.clear();
    sink.keyLines.clear();
    stop = false;
    sink.onKeyLine = [&](std::string_view) { stop = true; };
    routine(ctx);
    // Whatever the section was judging when the stop came may still be
    // recorded; nothing after it is read.
    EXPECT_LE(Problems().size(), 1u) << "section " << id;
    EXPECT_LE(sink.keyLines.size(), 1u) << "section " << id;
  }
}

}  // namespace
}  // namespace nc::testing
