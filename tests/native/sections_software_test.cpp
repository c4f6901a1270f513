// Start Menu, Obsolete Software, Fonts, Help File Paths, Startup Programs,
// Add/Remove Programs and Windows Services.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "registry/sections.h"
#include "registry/sections_common.h"
#include "sections_fixture.h"

namespace nc::testing {
namespace {

using platform::RootKey;
using registry::ProblemKind;

class StartMenuSection : public SectionsTest {};

TEST_F(StartMenuSection, ReportsMenuOrderKeysOfFoldersThatAreGone) {
  const std::string programs = sim.files().specialFolder(platform::Csidl::Programs);
  const std::string common = sim.files().specialFolder(platform::Csidl::CommonPrograms);
  Folder(programs + "\\Accessories");
  Folder(common + "\\Games");
  File(programs + "\\OnlyAFile");  // files do not count
  Reg(R"([HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\MenuOrder\Start Menu2\Programs\Accessories]
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\MenuOrder\Start Menu2\Programs\GAMES]
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\MenuOrder\Start Menu2\Programs\OldApp]
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\MenuOrder\Start Menu2\Programs\OnlyAFile]
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\MenuOrder\Start Menu\&Programs\Gone]
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\MenuOrder\Start Menu\Other\Ignored]
)");
  registry::ScanStartMenu(ctx);
  const std::string menu =
      "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MenuOrder\\";
  const std::vector<registry::ProblemEntry> expected = {
      Entry("Old Start Menu Key", "OldApp", menu + "Start Menu2\\Programs", ProblemKind::SubKey),
      Entry("Old Start Menu Key", "OnlyAFile", menu + "Start Menu2\\Programs", ProblemKind::SubKey),
      Entry("Old Start Menu Key", "Gone", menu + "Start Menu\\&Programs", ProblemKind::SubKey),
  };
  EXPECT_EQ(Problems(), expected);
  EXPECT_EQ(sink.statuses, std::vector<std::string>{"Scanning: Start Menu"});
}

class ObsoleteSoftwareSection : public SectionsTest {};

TEST_F(ObsoleteSoftwareSection, ReportsDirectSubKeysOfSoftwareThatHoldNothing) {
  Reg(R"([HKEY_CURRENT_USER\Software\Chain\a\b\c]
[HKEY_CURRENT_USER\Software\Fork\a]
[HKEY_CURRENT_USER\Software\Fork\b]
[HKEY_CURRENT_USER\Software\Used\Deep\Deeper]
"x"="1"
[HKEY_CURRENT_USER\Software\Used\Empty\Below]
[HKEY_LOCAL_MACHINE\Software\Bare]
[HKEY_LOCAL_MACHINE\Software\Locked]
"x"="1"
[HKEY_LOCAL_MACHINE\Software\Valued]
@=""
)");
  // A key the account may not open for writing counts as empty.
  sim.registry().denyWrite(RootKey::LocalMachine, "Software\\Locked");
  registry::ScanObsoleteSoftware(ctx);
  const std::vector<registry::ProblemEntry> expected = {
      Entry("Obsolete Software Entry", "Chain", "HKEY_CURRENT_USER\\Software", ProblemKind::SubKey),
      Entry("Obsolete Software Entry", "Bare", "HKEY_LOCAL_MACHINE\\Software", ProblemKind::SubKey),
      Entry("Obsolete Software Entry", "Locked", "HKEY_LOCAL_MACHINE\\Software",
            ProblemKind::SubKey),
  };
  EXPECT_EQ(Problems(), expected);
  EXPECT_EQ(sink.statuses, std::vector<std::string>{"Scanning: Software Locations"});
}

class FontsSection : public SectionsTest {
 protected:
  void SetUp() override {
    sim.files().setSpecialFolder(registry::kCsidlFonts, "C:\\Windows\\Fonts");
    File("C:\\Windows\\Fonts\\arial.ttf");
    Folder("C:\\Windows\\Fonts\\sub.ttf");  // a folder is not a font file
  }
  static constexpr const char* kValues = R"reg("Arial (TrueType)"="ARIAL.TTF"
"Bare (TrueType)"="missing.ttf"
"Full (TrueType)"="C:\\Windows\\Fonts\\arial.ttf"
"Gone (TrueType)"="C:\\Fonts\\gone.ttf"
"Folder (TrueType)"="sub.ttf"
"Floppy (TrueType)"="A:\\floppy.ttf"
"Number"=dword:00000001
)reg";
};

TEST_F(FontsSection, JudgesFontFilesByNameInTheFontsFolderOrByPath) {
  Reg(std::string(
          "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts]\n") +
      kValues);
  registry::ScanFonts(ctx);
  const std::string key =
      "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
  const std::vector<registry::ProblemEntry> expected = {
      Entry("Invalid Windows Fonts", "C:\\Fonts\\gone.ttf", key + "\\Gone (TrueType)",
            ProblemKind::ValuePath),
  };
  EXPECT_EQ(Problems(), expected);
  EXPECT_EQ(sink.statuses, std::vector<std::string>{"Scanning: Fonts Sections"});
  EXPECT_EQ(sink.keyLines,
            std::vector<std::string>{"Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts"});
}

TEST_F(FontsSection, Windows98ReadsItsOwnKeyAndEmptyFloppiesCount) {
  sim.system().setVersion({4, 10, 2222, platform::kPlatformWin32Windows, ""});
  Reg(std::string("[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Fonts]\n") +
      kValues);
  Reg(R"([HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\Fonts]
"NT only"="C:\\nt.ttf"
)");
  ctx.pathTest.IncludeRemoveMedia = false;
  registry::ScanFonts(ctx);
  const std::string key = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Fonts";
  const std::vector<registry::ProblemEntry> expected = {
      Entry("Invalid Windows Fonts", "C:\\Fonts\\gone.ttf", key + "\\Gone (TrueType)",
            ProblemKind::ValuePath),
      Entry("Invalid Windows Fonts", "A:\\floppy.ttf", key + "\\Floppy (TrueType)",
            ProblemKind::ValuePath),
  };
  EXPECT_EQ(Problems(), expected);
}

class HelpFilesSection : public SectionsTest {};

TEST_F(HelpFilesSection, JoinsTheFolderAndTheFileNameOfEachValue) {
  File("C:\\Help\\app.hlp");
  File("C:\\Help\\trail.hlp");
  Reg(R"([HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\Help]
"app.hlp"="C:\\Help"
"trail.hlp"="C:\\Help\\"
"gone.hlp"="C:\\Help"
"C:\\Abs\\x.hlp"=""
"number.hlp"=dword:00000000
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\Html Help]
"app.chm"="C:\\Gone\\"
)");
  registry::ScanHelpFiles(ctx);
  const std::string help = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\Help";
  const std::string html = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\Html Help";
  const std::vector<registry::ProblemEntry> expected = {
      Entry("Invalid Help Files Item", "C:\\Help\\gone.hlp", help + "\\gone.hlp",
            ProblemKind::ValuePath),
      Entry("Invalid Help Files Item", "C:\\Abs\\x.hlp", help, ProblemKind::ValueInKey),
      Entry("Invalid Help Files Item", "C:\\Gone\\app.chm", html + "\\app.chm",
            ProblemKind::ValuePath),
  };
  EXPECT_EQ(Problems(), expected);
  EXPECT_EQ(sink.statuses, std::vector<std::string>{"Scanning: Invalid Help Files"});
}

class StartupSection : public SectionsTest {};

TEST_F(StartupSection, ReportsRunEntriesThatNameNothingThenDisabledEntries) {
  File("C:\\Program Files\\App\\app.exe");
  File("C:\\Tools\\tool.exe");
  Reg(R"([HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run]
"App"="\"C:\\Program Files\\App\\app.exe\" /min"
"Gone"="\"C:\\Program Files\\Gone\\gone.exe\" /min"
"Empty"=""
"Quotes"="\"\""
"Number"=dword:00000001
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\RunOnce]
"Once"="C:\\once.exe"
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Run]
"C:\\named\\by.exe"="C:\\named\\by.exe"
"Tool"="C:\\Tools\\tool.exe -quiet"
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\RunOnce]
"Rundll"="rundll32.exe shell32.dll,Control_RunDLL"
[HKEY_LOCAL_MACHINE\Software\Microsoft\Shared Tools\MSConfig\startupreg\a]
"command"="C:\\disabled.exe"
[HKEY_LOCAL_MACHINE\Software\Microsoft\Shared Tools\MSConfig\startupreg\b]
"command"="C:\\Tools\\tool.exe"
[HKEY_LOCAL_MACHINE\Software\Microsoft\Shared Tools\MSConfig\startupreg\c]
"item"="C:\\nothing.exe"
[HKEY_LOCAL_MACHINE\Software\Microsoft\Shared Tools\MSConfig\startupreg\d]
"command"=dword:00000000
[HKEY_LOCAL_MACHINE\Software\Microsoft\Shared Tools\MSConfig\startupreg\e]
"command"="C:\\disabled-too.exe"
)");
  registry::ScanStartupPrograms(ctx);
  const std::string cu = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\";
  const std::string lm = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\";
  const std::string msconfig =
      "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Shared Tools\\MSConfig\\startupreg\\";
  const char* p = "Non-existent Startup Programs";
  const std::vector<registry::ProblemEntry> expected = {
      Entry(p, "\"C:\\Program Files\\Gone\\gone.exe\" /min", cu + "Run\\Gone",
            ProblemKind::ValuePath),
      Entry(p, "", cu + "Run\\Empty", ProblemKind::ValuePath),
      Entry(p, "\"\"", cu + "Run\\Quotes", ProblemKind::ValuePath),
      Entry(p, "C:\\once.exe", cu + "RunOnce\\Once", ProblemKind::ValuePath),
      Entry(p, "C:\\named\\by.exe", lm + "Run", ProblemKind::ValueInKey),
      Entry(p, "C:\\disabled.exe", msconfig + "a", ProblemKind::Key),
      Entry(p, "C:\\disabled-too.exe", msconfig + "e", ProblemKind::Key),
  };
  EXPECT_EQ(Problems(), expected);
  EXPECT_EQ(sink.statuses, std::vector<std::string>{"Scanning: Startup Programs"});
}

class AddRemoveSection : public SectionsTest {};

TEST_F(AddRemoveSection, ReportsEntriesWithoutAnUninstallCommand) {
  Reg(R"([HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall\{1234-ABCD}]
"DisplayName"="Installer product"
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall\MyApp]
"DisplayName"="My App"
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quiet]
"QuietUninstallString"="C:\\x.exe /q"
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall\Hidden]
"systemcomponent"=dword:00000001
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall\LowerCase]
"uninstallstring"="C:\\x.exe"
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall\Nothing]
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall\Refused]
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall\Typed]
"UninstallString"=dword:00000001
)");
  sim.registry().denyAccess(RootKey::LocalMachine,
                            "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Refused");
  registry::ScanAddRemovePrograms(ctx);
  const std::string key =
      "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
  const char* p = "Invalid Add/Remove Programs";
  const std::vector<registry::ProblemEntry> expected = {
      Entry(p, "LowerCase", key, ProblemKind::SubKey),
      Entry(p, "MyApp", key, ProblemKind::SubKey),
      Entry(p, "Nothing", key, ProblemKind::SubKey),
  };
  EXPECT_EQ(Problems(), expected);
  EXPECT_EQ(sink.statuses, std::vector<std::string>{"Scanning: Add/Remove Programs"});
}

class ServicesSection : public SectionsTest {};

TEST_F(ServicesSection, ReportsImagePathsThatNameNothing) {
  File("C:\\Windows\\system32\\svchost.exe");
  Folder("C:\\Services\\Folder");
  Reg(R"([HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\Alive]
"ImagePath"=hex(2):43,3a,5c,57,69,6e,64,6f,77,73,5c,73,79,73,74,65,6d,33,32,5c,73,76,63,68,6f,73,74,2e,65,78,65,20,2d,6b,00
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\Dead]
"ImagePath"="C:\\Services\\dead.exe -service"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\Driver]
"ImagePath"="system32\\drivers\\gone.sys"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\FolderSvc]
"ImagePath"="C:\\Services\\Folder"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\mySlSvcHelper]
"ImagePath"="C:\\Services\\slsvc.exe"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\NoImage]
"Start"=dword:00000002
)");
  registry::ScanWindowsServices(ctx);
  const std::vector<registry::ProblemEntry> expected = {
      Entry("Windows Service Issue", "C:\\Services\\dead.exe -service",
            "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Dead\\ImagePath",
            ProblemKind::ValuePath),
  };
  EXPECT_EQ(Problems(), expected);
  EXPECT_EQ(sink.statuses, std::vector<std::string>{"Scanning: Windows Services"});
}

TEST_F(ServicesSection, SectionsOpenTheirKeysWithFullAccess) {
  Reg(R"([HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\Dead]
"ImagePath"="C:\\dead.exe"
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Run]
"Gone"="C:\\gone.exe"
)");
  sim.registry().denyWrite(RootKey::LocalMachine, "SYSTEM\\CurrentControlSet\\Services");
  sim.registry().denyWrite(RootKey::LocalMachine,
                           "Software\\Microsoft\\Windows\\CurrentVersion\\Run");
  registry::ScanWindowsServices(ctx);
  registry::ScanStartupPrograms(ctx);
  EXPECT_TRUE(Problems().empty());
}

}  // namespace
}  // namespace nc::testing
