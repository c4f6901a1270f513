// File Extensions, Custom Controls and Invalid ActiveX: what each finds
// in class registrations, the 64-bit Windows 7 variants, the sections
// left to the HKEY_LOCAL_MACHINE walk, the stop request and bad data.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "registry/registry_walk.h"
#include "registry/sections.h"
#include "sections_fixture.h"

namespace nc::testing {
namespace {

using platform::RootKey;
using registry::ProblemKind;
using Entries = std::vector<registry::ProblemEntry>;
using namespace std::string_literals;

constexpr const char* kClasses = "HKEY_LOCAL_MACHINE\\Software\\Classes";
constexpr const char* kFileExts =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts";

// UTF-16LE bytes of text that may hold NUL characters, without a
// terminator of its own.
std::vector<std::uint8_t> Utf16(std::u16string_view text) {
  std::vector<std::uint8_t> bytes;
  for (char16_t unit : text) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return bytes;
}

class SectionsOnClasses : public SectionsTest {
 protected:
  void Windows7On64() {
    sim.system().setWow64(true);
    ctx.IsWindows7 = true;
    ctx.pathTest.IsWow64 = true;
  }
  void WriteRaw(RootKey root, const std::string& path, const std::string& name, std::uint32_t type,
                const std::vector<std::uint8_t>& data) {
    auto key = sim.registry().create(root, path);
    ASSERT_TRUE(key.ok()) << path;
    ASSERT_TRUE(sim.registry().writeValue(*key, name, type, data).ok()) << path;
  }
  bool KeyLineShown(std::string_view line) const {
    for (const auto& shown : sink.keyLines) {
      if (shown == line) return true;
    }
    return false;
  }
};

// ---- File Extensions --------------------------------------------------------

class FileExtensionsSection : public SectionsOnClasses {
 protected:
  void MachineClasses() {
    Reg(R"([HKEY_LOCAL_MACHINE\Software\Classes\.bare]
[HKEY_LOCAL_MACHINE\Software\Classes\.binary]
@=hex:
[HKEY_LOCAL_MACHINE\Software\Classes\.dword]
@=dword:00000000
[HKEY_LOCAL_MACHINE\Software\Classes\.empty]
@=""
[HKEY_LOCAL_MACHINE\Software\Classes\.expand]
@=hex(2):00
[HKEY_LOCAL_MACHINE\Software\Classes\.locked]
[HKEY_LOCAL_MACHINE\Software\Classes\.multi]
@=hex(7):00,00
[HKEY_LOCAL_MACHINE\Software\Classes\.named]
"Content Type"=""
[HKEY_LOCAL_MACHINE\Software\Classes\.none]
@=hex(0):
[HKEY_LOCAL_MACHINE\Software\Classes\.nonedata]
@=hex(0):01
[HKEY_LOCAL_MACHINE\Software\Classes\.shellnew\ShellNew]
[HKEY_LOCAL_MACHINE\Software\Classes\.two]
@=""
"PerceivedType"=""
[HKEY_LOCAL_MACHINE\Software\Classes\.typed]
@="txtfile"
[HKEY_LOCAL_MACHINE\Software\Classes\nodot]
)");
    sim.registry().denyAccess(RootKey::LocalMachine, "Software\\Classes\\.locked");
  }
  void UserFileExts() {
    Reg(R"([HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts\.bare]
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts\.chain\a\b]
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts\.fork\a]
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts\.fork\b]
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts\.locked]
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts\.log\OpenWithList]
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts\.number]
"x"=dword:00000001
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts\.txt\OpenWithList]
"a"="notepad.exe"
)");
    sim.registry().denyAccess(
        RootKey::CurrentUser,
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.locked");
  }
};

TEST_F(FileExtensionsSection, MachineClassesWithNothingButAnEmptyDefaultAreUseless) {
  MachineClasses();
  registry::ScanFileExtensions(ctx);
  // Every direct sub-key is judged, not only extensions; a number or
  // binary default is left alone; a value of another type holding data
  // is content; a key that cannot be opened is not judged.
  const Entries expected = {
      Entry("Useless File Extension", ".bare", kClasses, ProblemKind::SubKey),
      Entry("Useless File Extension", ".empty", kClasses, ProblemKind::SubKey),
      Entry("Useless File Extension", ".expand", kClasses, ProblemKind::SubKey),
      Entry("Useless File Extension", ".none", kClasses, ProblemKind::SubKey),
      Entry("Useless File Extension", "nodot", kClasses, ProblemKind::SubKey),
  };
  EXPECT_EQ(Problems(), expected);
  EXPECT_EQ(sink.statuses, std::vector<std::string>{"Scanning: File Extensions"});
  EXPECT_TRUE(KeyLineShown("Software\\Classes\\.empty"));
  EXPECT_TRUE(KeyLineShown("Software\\Classes\\.locked"));
}

TEST_F(FileExtensionsSection, UserFileExtsAreUselessWhenNothingLiesBelowThem) {
  UserFileExts();
  registry::ScanFileExtensions(ctx);
  const Entries expected = {
      Entry("Useless File Extension", ".bare", kFileExts, ProblemKind::SubKey),
      Entry("Useless File Extension", ".chain", kFileExts, ProblemKind::SubKey),
      Entry("Useless File Extension", ".log", kFileExts, ProblemKind::SubKey),
  };
  EXPECT_EQ(Problems(), expected);
  EXPECT_TRUE(
      KeyLineShown("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.txt"));
}

TEST_F(FileExtensionsSection, Windows7On64JudgesOnlyTheKeyItself) {
  MachineClasses();
  UserFileExts();
  Windows7On64();
  registry::ScanFileExtensions(ctx);
  // A class with only an empty default value has one value; a FileExts
  // key with an empty sub-key has a sub-key.
  const Entries expected = {
      Entry("Useless File Extension", ".bare", kClasses, ProblemKind::SubKey),
      Entry("Useless File Extension", "nodot", kClasses, ProblemKind::SubKey),
      Entry("Useless File Extension", ".bare", kFileExts, ProblemKind::SubKey),
  };
  EXPECT_EQ(Problems(), expected);
}

TEST_F(FileExtensionsSection, EitherConditionAloneKeepsTheUsualTest) {
  MachineClasses();
  UserFileExts();
  registry::ScanFileExtensions(ctx);
  const Entries usual = Problems();
  ASSERT_EQ(usual.size(), 8u);

  for (const bool windows7 : {true, false}) {
    sink.problems.clear();
    ctx.IsWindows7 = windows7;
    ctx.pathTest.IsWow64 = !windows7;
    sim.system().setWow64(!windows7);
    registry::ScanFileExtensions(ctx);
    EXPECT_EQ(Problems(), usual) << "Windows 7: " << windows7;
  }
}

TEST_F(FileExtensionsSection, StopsAtTheKeyBeingShown) {
  MachineClasses();
  UserFileExts();
  sink.onKeyLine = [&](std::string_view line) {
    if (line == "Software\\Classes\\.empty") stop = true;
  };
  registry::ScanFileExtensions(ctx);
  const Entries expected = {
      Entry("Useless File Extension", ".bare", kClasses, ProblemKind::SubKey),
      Entry("Useless File Extension", ".empty", kClasses, ProblemKind::SubKey),
  };
  EXPECT_EQ(Problems(), expected);
  EXPECT_EQ(sink.keyLines.back(), "Software\\Classes\\.empty");
}

// ---- Custom Controls --------------------------------------------------------

class CustomControlsSection : public SectionsOnClasses {
 protected:
  void SetUp() override {
    File("C:\\Windows\\ok.dll");
    File("C:\\Windows\\srv.exe");
  }
  void ClassServers() {
    Reg(R"([HKEY_CLASSES_ROOT\CLSID]
@="C:\\Gone\\top.dll"
[HKEY_CLASSES_ROOT\CLSID\{A}]
@="Some Class"
[HKEY_CLASSES_ROOT\CLSID\{A}\InprocServer32]
@="C:\\Windows\\ok.dll"
"ThreadingModel"="Apartment"
[HKEY_CLASSES_ROOT\CLSID\{A}\LocalServer32]
@="\"C:\\Windows\\srv.exe\" /automation"
[HKEY_CLASSES_ROOT\CLSID\{B}\InprocServer32]
@="C:\\Gone\\gone.dll"
[HKEY_CLASSES_ROOT\CLSID\{B}\LocalServer32]
@="\"C:\\Gone\\srv.exe\" /automation"
[HKEY_CLASSES_ROOT\CLSID\{C}\InprocServer32]
@=dword:00000001
"Other"="C:\\Gone\\named.dll"
[HKEY_CLASSES_ROOT\CLSID\{C}\InprocServer32\Deeper\Still]
@=hex(2):43,3a,5c,47,6f,6e,65,5c,64,65,65,70,2e,64,6c,6c,00
[HKEY_CLASSES_ROOT\CLSID\{D}\InprocServer32]
@="C:\\Gone\\locked.dll"
[HKEY_CLASSES_ROOT\CLSID\{E}\InprocServer32]
@="D:\\Other\\drive.dll"
)");
    sim.registry().denyAccess(RootKey::ClassesRoot, "CLSID\\{D}");
  }
  void Interfaces() {
    Reg(R"([HKEY_CLASSES_ROOT\TypeLib\{00020430-0000-0000-C000-000000000046}]
[HKEY_CLASSES_ROOT\TypeLib\{AAAA0000-1111-2222-3333-444455556666}\1.0]
[HKEY_CLASSES_ROOT\Interface\{I01}]
@="IFine"
[HKEY_CLASSES_ROOT\Interface\{I01}\TypeLib]
@="{00020430-0000-0000-c000-000000000046}"
"Version"="2.0"
[HKEY_CLASSES_ROOT\Interface\{I02}]
@="IGone"
[HKEY_CLASSES_ROOT\Interface\{I02}\TypeLib]
@="{DEAD0000-0000-0000-0000-000000000000}"
[HKEY_CLASSES_ROOT\Interface\{I03}]
@="IPart"
[HKEY_CLASSES_ROOT\Interface\{I03}\TypeLib]
@="1111-2222"
[HKEY_CLASSES_ROOT\Interface\{I04}]
@=dword:00000001
[HKEY_CLASSES_ROOT\Interface\{I04}\TypeLib]
@="{DEAD0000-0000-0000-0000-000000000000}"
[HKEY_CLASSES_ROOT\Interface\{I05}]
@="INoLib"
[HKEY_CLASSES_ROOT\Interface\{I05}\ProxyStubClsid32]
@="{DEAD0000-0000-0000-0000-000000000000}"
[HKEY_CLASSES_ROOT\Interface\{I06}]
@="INumberLib"
[HKEY_CLASSES_ROOT\Interface\{I06}\TypeLib]
@=dword:00000001
[HKEY_CLASSES_ROOT\Interface\{I07}\TypeLib]
@="{DEAD0000-0000-0000-0000-000000000000}"
[HKEY_CLASSES_ROOT\Interface\{I08}]
@=""
[HKEY_CLASSES_ROOT\Interface\{I08}\TypeLib]
@="{BEEF0000-0000-0000-0000-000000000000}"
[HKEY_CLASSES_ROOT\Interface\{I09}]
@="ILocked"
[HKEY_CLASSES_ROOT\Interface\{I09}\TypeLib]
@="{DEAD0000-0000-0000-0000-000000000000}"
[HKEY_CLASSES_ROOT\Interface\{I10}]
@="IEmptyLib"
[HKEY_CLASSES_ROOT\Interface\{I10}\TypeLib]
@=""
[HKEY_CLASSES_ROOT\Interface\{I11}]
@="IAfterProblems"
[HKEY_CLASSES_ROOT\Interface\{I11}\TypeLib]
@="{aaaa0000-1111-2222-3333-444455556666}"
)");
    sim.registry().denyAccess(RootKey::ClassesRoot, "Interface\\{I09}");
  }
};

TEST_F(CustomControlsSection, ReportsEveryClassKeyWhoseDefaultNamesAMissingFile) {
  ClassServers();
  registry::ScanCustomControls(ctx);
  // Depth-first from CLSID itself; named values and non-string defaults
  // are not judged; a drive outside the scan is not judged.
  const Entries expected = {
      Entry("Custom Controls Issue", "C:\\Gone\\top.dll", "HKEY_CLASSES_ROOT\\CLSID",
            ProblemKind::Key),
      Entry("Custom Controls Issue", "C:\\Gone\\gone.dll",
            "HKEY_CLASSES_ROOT\\CLSID\\{B}\\InprocServer32", ProblemKind::Key),
      Entry("Custom Controls Issue", "\"C:\\Gone\\srv.exe\" /automation",
            "HKEY_CLASSES_ROOT\\CLSID\\{B}\\LocalServer32", ProblemKind::Key),
      Entry("Custom Controls Issue", "C:\\Gone\\deep.dll",
            "HKEY_CLASSES_ROOT\\CLSID\\{C}\\InprocServer32\\Deeper\\Still", ProblemKind::Key),
  };
  EXPECT_EQ(Problems(), expected);
  EXPECT_EQ(sink.statuses, std::vector<std::string>{"Scanning: Custom Controls"});
  EXPECT_TRUE(KeyLineShown("CLSID\\{C}\\InprocServer32\\Deeper"));
}

TEST_F(CustomControlsSection, ReportsInterfacesWhoseTypeLibraryIsNotRegistered) {
  Interfaces();
  registry::ScanCustomControls(ctx);
  // Letter case does not matter, part of a registered id is enough, and
  // interfaces without a string name or type library are passed over.
  const Entries expected = {
      Entry("Custom Controls Issue", "IGone - {DEAD0000-0000-0000-0000-000000000000}",
            "HKEY_CLASSES_ROOT\\Interface\\{I02}", ProblemKind::Key),
      Entry("Custom Controls Issue", " - {BEEF0000-0000-0000-0000-000000000000}",
            "HKEY_CLASSES_ROOT\\Interface\\{I08}", ProblemKind::Key),
  };
  EXPECT_EQ(Problems(), expected);
  EXPECT_TRUE(KeyLineShown("Interface\\{I01}"));
  EXPECT_TRUE(KeyLineShown("Interface\\{I09}"));
}

TEST_F(CustomControlsSection, WithoutTheTypeLibraryListEveryNamedLibraryIsReported) {
  Interfaces();
  sim.registry().denyAccess(RootKey::ClassesRoot, "TypeLib");
  registry::ScanCustomControls(ctx);
  std::vector<std::string> keys;
  for (const auto& entry : Problems()) keys.push_back(entry.RegistryKey);
  const std::vector<std::string> expected = {
      "HKEY_CLASSES_ROOT\\Interface\\{I01}", "HKEY_CLASSES_ROOT\\Interface\\{I02}",
      "HKEY_CLASSES_ROOT\\Interface\\{I03}", "HKEY_CLASSES_ROOT\\Interface\\{I08}",
      "HKEY_CLASSES_ROOT\\Interface\\{I10}", "HKEY_CLASSES_ROOT\\Interface\\{I11}",
  };
  EXPECT_EQ(keys, expected);
}

TEST_F(CustomControlsSection, TheMachineWalkTakesOverTheClassServersButNotTheInterfaces) {
  ClassServers();
  Interfaces();
  ctx.chosenSections = {3, 5, 16};
  registry::ScanCustomControls(ctx);
  const Entries expected = {
      Entry("Custom Controls Issue", "IGone - {DEAD0000-0000-0000-0000-000000000000}",
            "HKEY_CLASSES_ROOT\\Interface\\{I02}", ProblemKind::Key),
      Entry("Custom Controls Issue", " - {BEEF0000-0000-0000-0000-000000000000}",
            "HKEY_CLASSES_ROOT\\Interface\\{I08}", ProblemKind::Key),
  };
  EXPECT_EQ(Problems(), expected);
  EXPECT_FALSE(KeyLineShown("CLSID\\{B}"));

  // Other chosen sections leave the class servers in.
  sink.problems.clear();
  ctx.chosenSections = {3, 4, 6, 16};
  registry::ScanCustomControls(ctx);
  EXPECT_EQ(Problems().size(), 6u);
}

// ---- Invalid ActiveX ----------------------------------------------------------

class InvalidActiveXSection : public SectionsOnClasses {
 protected:
  void SetUp() override { File("C:\\Windows\\ok.dll"); }
  void TypeLibFiles() {
    Reg(R"([HKEY_CLASSES_ROOT\TypeLib\{L1}\1.0\0\win32]
@="C:\\Windows\\ok.dll"
[HKEY_CLASSES_ROOT\TypeLib\{L1}\1.0\FLAGS]
@="0"
[HKEY_CLASSES_ROOT\TypeLib\{L1}\1.0\HELPDIR]
@="C:\\Gone\\help"
[HKEY_CLASSES_ROOT\TypeLib\{L2}\1.0\0\win32]
@="C:\\Windows\\ok.dll\\3"
"Resource"="C:\\Windows\\ok.dll,2"
"C:\\Gone\\named.dll"="C:\\Gone\\named.dll"
[HKEY_CLASSES_ROOT\TypeLib\{L3}\1.0\0\win32]
@="C:\\Gone\\ocx.dll,1"
[HKEY_CLASSES_ROOT\TypeLib\{L3}\1.0\0\win64]
@="C:\\Gone\\lib.tlb"
)");
  }
  void ApplicationIds() {
    Reg(R"([HKEY_CLASSES_ROOT\AppID\{APP1}]
[HKEY_CLASSES_ROOT\AppID\{C0FFEE00-0000-0000-0000-000000000001}]
[HKEY_CLASSES_ROOT\AppID\server.exe]
[HKEY_CLASSES_ROOT\CLSID\{APP1}]
"AppID"="{NOPE}"
[HKEY_CLASSES_ROOT\CLSID\{C0FFEE00-0000-0000-0000-000000000001}]
"AppID"="{c0ffee00-0000-0000-0000-000000000001}"
[HKEY_CLASSES_ROOT\CLSID\{K01}]
"AppID"="{app1}"
[HKEY_CLASSES_ROOT\CLSID\{K02}]
"AppID"="{MISSING}"
[HKEY_CLASSES_ROOT\CLSID\{K03}]
"AppID"="{MISSING}"
[HKEY_CLASSES_ROOT\CLSID\{K03}\InprocServer32]
@="%SystemRoot%\\System32\\OLEACC.DLL"
[HKEY_CLASSES_ROOT\CLSID\{K04}]
"AppID"="{MISSING}"
[HKEY_CLASSES_ROOT\CLSID\{K04}\InprocServer32]
@=dword:00000001
[HKEY_CLASSES_ROOT\CLSID\{K05}]
"AppID"="{MISSING}"
[HKEY_CLASSES_ROOT\CLSID\{K05}\InprocServer32]
"ThreadingModel"="Both"
[HKEY_CLASSES_ROOT\CLSID\{K06}]
"AppID"="{MISSING}"
[HKEY_CLASSES_ROOT\CLSID\{K06}\InprocServer32]
@="C:\\Windows\\ok.dll"
[HKEY_CLASSES_ROOT\CLSID\{K07}]
"AppID"=""
[HKEY_CLASSES_ROOT\CLSID\{K08}]
"AppID"=dword:00000001
[HKEY_CLASSES_ROOT\CLSID\{K09}]
@="No application id"
[HKEY_CLASSES_ROOT\CLSID\{K10}]
"AppID"="SERVER"
[HKEY_CLASSES_ROOT\CLSID\{K11}]
"AppID"="{MISSING}"
[HKEY_CLASSES_ROOT\CLSID\{K12}]
"AppID"="{ALSO-MISSING}"
)");
    sim.registry().denyAccess(RootKey::ClassesRoot, "CLSID\\{K11}");
  }
};

TEST_F(InvalidActiveXSection, ReportsTypeLibraryFilesThatAreGone) {
  TypeLibFiles();
  registry::ScanInvalidActiveX(ctx);
  // Only strings naming a .dll are judged, on the text up to ".dll".
  const Entries expected = {
      Entry("ActiveX Issue", "C:\\Gone\\named.dll",
            "HKEY_CLASSES_ROOT\\TypeLib\\{L2}\\1.0\\0\\win32", ProblemKind::ValueInKey),
      Entry("ActiveX Issue", "C:\\Gone\\ocx.dll,1",
            "HKEY_CLASSES_ROOT\\TypeLib\\{L3}\\1.0\\0\\win32\\", ProblemKind::ValuePath),
  };
  EXPECT_EQ(Problems(), expected);
  EXPECT_EQ(sink.statuses, std::vector<std::string>{"Scanning: Invalid ActiveX"});
}

TEST_F(InvalidActiveXSection, ReportsClassesNamingAnUnregisteredApplicationId) {
  ApplicationIds();
  registry::ScanInvalidActiveX(ctx);
  // A class is fine when its AppID value or its own id lies within a
  // registered id, or its in-process server is the accessibility library
  // or not named by a string.
  const Entries expected = {
      Entry("ActiveX Issue", "{MISSING}", "HKEY_CLASSES_ROOT\\CLSID\\{K02}", ProblemKind::Key),
      Entry("ActiveX Issue", "{MISSING}", "HKEY_CLASSES_ROOT\\CLSID\\{K06}", ProblemKind::Key),
      Entry("ActiveX Issue", "{ALSO-MISSING}", "HKEY_CLASSES_ROOT\\CLSID\\{K12}", ProblemKind::Key),
  };
  EXPECT_EQ(Problems(), expected);
  EXPECT_TRUE(KeyLineShown("CLSID\\{K01}"));
  EXPECT_TRUE(KeyLineShown("CLSID\\{K11}"));
}

TEST_F(InvalidActiveXSection, WithoutTheApplicationIdListEveryIdIsReported) {
  ApplicationIds();
  sim.registry().denyAccess(RootKey::ClassesRoot, "AppID");
  registry::ScanInvalidActiveX(ctx);
  std::vector<std::string> keys;
  for (const auto& entry : Problems()) keys.push_back(entry.RegistryKey);
  const std::vector<std::string> expected = {
      "HKEY_CLASSES_ROOT\\CLSID\\{APP1}",
      "HKEY_CLASSES_ROOT\\CLSID\\{C0FFEE00-0000-0000-0000-000000000001}",
      "HKEY_CLASSES_ROOT\\CLSID\\{K01}",
      "HKEY_CLASSES_ROOT\\CLSID\\{K02}",
      "HKEY_CLASSES_ROOT\\CLSID\\{K06}",
      "HKEY_CLASSES_ROOT\\CLSID\\{K10}",
      "HKEY_CLASSES_ROOT\\CLSID\\{K12}",
  };
  EXPECT_EQ(keys, expected);
}

TEST_F(InvalidActiveXSection, TheMachineWalkTakesOverTheTypeLibraryFiles) {
  TypeLibFiles();
  ApplicationIds();
  ctx.chosenSections = {5, 20};
  registry::ScanInvalidActiveX(ctx);
  ASSERT_EQ(Problems().size(), 3u);
  for (const auto& entry : Problems()) EXPECT_EQ(entry.Kind, ProblemKind::Key) << entry.RegistryKey;
  EXPECT_FALSE(KeyLineShown("TypeLib\\{L3}"));
}

// ---- all three ----------------------------------------------------------------

class ClassSectionsStop : public SectionsOnClasses {};

TEST_F(ClassSectionsStop, AStopRequestedBeforeTheStartReadsNoKey) {
  Reg(R"([HKEY_LOCAL_MACHINE\Software\Classes\.bare]
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts\.bare]
[HKEY_CLASSES_ROOT\CLSID\{B}\InprocServer32]
@="C:\\Gone\\gone.dll"
"AppID"="{MISSING}"
[HKEY_CLASSES_ROOT\Interface\{I}]
@="IGone"
[HKEY_CLASSES_ROOT\Interface\{I}\TypeLib]
@="{DEAD}"
[HKEY_CLASSES_ROOT\TypeLib\{L}\1.0\0\win32]
@="C:\\Gone\\lib.dll"
)");
  stop = true;
  registry::ScanFileExtensions(ctx);
  registry::ScanCustomControls(ctx);
  registry::ScanInvalidActiveX(ctx);
  EXPECT_TRUE(Problems().empty());
  EXPECT_TRUE(sink.keyLines.empty());
  const std::vector<std::string> statuses = {
      "Scanning: File Extensions", "Scanning: Custom Controls", "Scanning: Invalid ActiveX"};
  EXPECT_EQ(sink.statuses, statuses);
}

TEST_F(ClassSectionsStop, EachLoopStopsAtTheKeyBeingShown) {
  Reg(R"([HKEY_CLASSES_ROOT\CLSID\{A}]
@="C:\\Gone\\a.dll"
"AppID"="{MISSING}"
[HKEY_CLASSES_ROOT\CLSID\{B}]
@="C:\\Gone\\b.dll"
"AppID"="{MISSING}"
[HKEY_CLASSES_ROOT\Interface\{I1}]
@="I1"
[HKEY_CLASSES_ROOT\Interface\{I1}\TypeLib]
@="{DEAD}"
[HKEY_CLASSES_ROOT\Interface\{I2}]
@="I2"
[HKEY_CLASSES_ROOT\Interface\{I2}\TypeLib]
@="{DEAD}"
)");
  // The class-server walk, the interfaces and the application ids each
  // stop at the first key they show.
  auto stopAt = [&](std::string_view first) {
    sink = RecordingSink{};
    stop = false;
    sink.onKeyLine = [&, first](std::string_view line) {
      if (line == first) stop = true;
    };
  };
  // The key being shown when the stop comes is still judged.
  stopAt("CLSID\\{A}");
  registry::ScanCustomControls(ctx);
  const Entries first = {
      Entry("Custom Controls Issue", "C:\\Gone\\a.dll", "HKEY_CLASSES_ROOT\\CLSID\\{A}",
            ProblemKind::Key),
  };
  EXPECT_EQ(Problems(), first);
  EXPECT_EQ(sink.keyLines.back(), "CLSID\\{A}");

  stopAt("Interface\\{I1}");
  registry::ScanCustomControls(ctx);
  const Entries servers = {
      Entry("Custom Controls Issue", "C:\\Gone\\a.dll", "HKEY_CLASSES_ROOT\\CLSID\\{A}",
            ProblemKind::Key),
      Entry("Custom Controls Issue", "C:\\Gone\\b.dll", "HKEY_CLASSES_ROOT\\CLSID\\{B}",
            ProblemKind::Key),
      Entry("Custom Controls Issue", "I1 - {DEAD}", "HKEY_CLASSES_ROOT\\Interface\\{I1}",
            ProblemKind::Key),
  };
  EXPECT_EQ(Problems(), servers);
  EXPECT_EQ(sink.keyLines.back(), "Interface\\{I1}");

  stopAt("CLSID\\{A}");
  ctx.chosenSections = {5};
  registry::ScanInvalidActiveX(ctx);
  const Entries expected = {
      Entry("ActiveX Issue", "{MISSING}", "HKEY_CLASSES_ROOT\\CLSID\\{A}", ProblemKind::Key)};
  EXPECT_EQ(Problems(), expected);
  EXPECT_EQ(sink.keyLines.back(), "CLSID\\{A}");
}

class ClassSectionsBadData : public SectionsOnClasses {};

TEST_F(ClassSectionsBadData, HugeValuesEmbeddedNulsAndOddBytesAreReadSafely) {
  File("C:\\Windows\\ok.dll");
  Reg(R"([HKEY_CLASSES_ROOT\TypeLib\{LIB}]
[HKEY_CLASSES_ROOT\AppID\{APP}]
)");
  const std::string huge(200000, 'x');
  const std::u16string hugeUtf16(huge.begin(), huge.end());
  constexpr auto kSz = static_cast<std::uint32_t>(platform::RegType::String);
  // An interface with a huge name and an unregistered library.
  WriteRaw(RootKey::ClassesRoot, "Interface\\{HUGE}", "", kSz, Utf16(hugeUtf16 + u'\0'));
  WriteRaw(RootKey::ClassesRoot, "Interface\\{HUGE}\\TypeLib", "", kSz, Utf16(u"{GONE}"));
  // A library id hidden after a NUL is not read.
  WriteRaw(RootKey::ClassesRoot, "Interface\\{NUL}", "", kSz, Utf16(u"INul\0junk"s));
  WriteRaw(RootKey::ClassesRoot, "Interface\\{NUL}\\TypeLib", "", kSz, Utf16(u"{LIB}\0{GONE}"s));
  // A server path with an odd byte count and a NUL in the middle.
  std::vector<std::uint8_t> odd = Utf16(u"C:\\Gone\\a.dll\0C:\\Windows\\ok.dll"s);
  odd.push_back(0x41);
  WriteRaw(RootKey::ClassesRoot, "CLSID\\{ODD}\\InprocServer32", "", kSz, odd);
  // A huge AppID value, and one registered up to its NUL.
  WriteRaw(RootKey::ClassesRoot, "CLSID\\{BIG}", "AppID", kSz, Utf16(hugeUtf16));
  WriteRaw(RootKey::ClassesRoot, "CLSID\\{NULAPP}", "AppID", kSz, Utf16(u"{APP}\0{GONE}"s));
  // An extension whose default is a single NUL reads as empty.
  WriteRaw(RootKey::LocalMachine, "Software\\Classes\\.nul", "", kSz, {0, 0});

  registry::ScanFileExtensions(ctx);
  registry::ScanCustomControls(ctx);
  registry::ScanInvalidActiveX(ctx);
  const Entries expected = {
      Entry("Useless File Extension", ".nul", kClasses, ProblemKind::SubKey),
      Entry("Custom Controls Issue", "C:\\Gone\\a.dll",
            "HKEY_CLASSES_ROOT\\CLSID\\{ODD}\\InprocServer32", ProblemKind::Key),
      Entry("Custom Controls Issue", huge + " - {GONE}", "HKEY_CLASSES_ROOT\\Interface\\{HUGE}",
            ProblemKind::Key),
      Entry("ActiveX Issue", huge, "HKEY_CLASSES_ROOT\\CLSID\\{BIG}", ProblemKind::Key),
  };
  EXPECT_EQ(Problems(), expected);
}

TEST_F(ClassSectionsBadData, DeepClassTreesAreWalkedToTheDepthBound) {
  std::string path = "CLSID\\{DEEP}";
  std::string shallow;
  for (std::size_t i = 0; i < registry::kMaxKeyDepth + 200; ++i) {
    path += "\\k";
    if (i == 10) shallow = path;
  }
  WriteRaw(RootKey::ClassesRoot, shallow, "", static_cast<std::uint32_t>(platform::RegType::String),
           platform::StringData("C:\\Gone\\shallow.dll"));
  WriteRaw(RootKey::ClassesRoot, path, "", static_cast<std::uint32_t>(platform::RegType::String),
           platform::StringData("C:\\Gone\\deep.dll"));
  registry::ScanCustomControls(ctx);
  // Below the bound nothing is read; above it everything is.
  const Entries expected = {
      Entry("Custom Controls Issue", "C:\\Gone\\shallow.dll", "HKEY_CLASSES_ROOT\\" + shallow,
            ProblemKind::Key),
  };
  EXPECT_EQ(Problems(), expected);
  EXPECT_EQ(sim.registry().openHandleCount(), 0u);
}

}  // namespace
}  // namespace nc::testing
