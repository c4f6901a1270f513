// The registry scan on 64-bit Windows, where HKEY_LOCAL_MACHINE\Software
// has a view for 64-bit and one for 32-bit programs: each fixed-key
// section finds entries in both, names 32-bit ones below Wow6432Node,
// shows shared entries once, judges paths in the view's own folders; the
// repair, the backup and the ignore lists mean the same keys.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/text.h"
#include "registry/backups.h"
#include "registry/exclusions.h"
#include "registry/fixer.h"
#include "registry/locations.h"
#include "registry/sections.h"
#include "sections_fixture.h"

namespace nc::testing {
namespace {

using platform::RegAccess;
using platform::RegView;
using platform::RootKey;
using registry::ProblemEntry;
using registry::ProblemKind;

constexpr std::string_view kCv = "Software\\{V}Microsoft\\Windows\\CurrentVersion";

// "{V}" stands for the view's place ("" or "Wow6432Node\"), "{N}" for the
// entry's own name ("64" or "32").
std::string InView(std::string_view text, bool view32) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text.substr(i, 3) == "{V}") {
      out += view32 ? "Wow6432Node\\" : "";
      i += 2;
    } else if (text.substr(i, 3) == "{N}") {
      out += view32 ? "32" : "64";
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string Replaced(std::string text, std::string_view from, std::string_view to) {
  for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

enum class Program { Bits64, Bits32OnWow64 };

class RegistryViews : public SectionsTest, public ::testing::WithParamInterface<Program> {
 protected:
  void SetUp() override { Use(GetParam()); }

  void Use(Program program) {
    if (program == Program::Bits64) {
      sim.system().set64BitWindows(true);
      sim.registry().modelTwoViews(true);
    } else {
      sim.system().setWow64(true);
      sim.registry().modelTwoViews(false);
      ctx.pathTest.IsWow64 = true;
    }
  }
  // Seeds `body` in both views.
  void RegBoth(std::string_view body) { Reg(InView(body, false) + "\n" + InView(body, true)); }
  void Run(int id) { registry::RunSection(ctx, id); }
  std::vector<ProblemEntry> Rows() const { return Problems(); }
};

struct SectionCase {
  int id;
  const char* seed;  // .reg lines below HKEY_LOCAL_MACHINE
};

// One entry that the section reports, seeded in each view.
const SectionCase kSectionCases[] = {
    {7,
     "[HKEY_LOCAL_MACHINE\\Software\\{V}Microsoft\\Windows\\CurrentVersion\\SharedDlls]\n"
     "\"C:\\\\Gone{N}.dll\"=dword:00000001\n"},
    {8,
     "[HKEY_LOCAL_MACHINE\\Software\\{V}Microsoft\\Windows\\CurrentVersion\\App "
     "Paths\\gone{N}.exe]\n"
     "\"Path\"=\"C:\\\\Gone{N}.exe\"\n"},
    {10, "[HKEY_LOCAL_MACHINE\\Software\\{V}Gone{N}]\n"},
    {13,
     "[HKEY_LOCAL_MACHINE\\Software\\{V}Microsoft\\Windows\\Help]\n"
     "\"gone{N}.hlp\"=\"C:\\\\Help\"\n"},
    {14,
     "[HKEY_LOCAL_MACHINE\\Software\\{V}Microsoft\\Windows\\CurrentVersion\\Run]\n"
     "\"Gone{N}\"=\"C:\\\\Gone{N}.exe\"\n"},
    {15,
     "[HKEY_LOCAL_MACHINE\\Software\\{V}Microsoft\\Windows\\CurrentVersion\\Uninstall\\Gone{N}]\n"
     "\"DisplayName\"=\"Gone\"\n"},
    {21,
     "[HKEY_LOCAL_MACHINE\\Software\\{V}Microsoft\\Windows\\CurrentVersion\\Installer\\Folders]\n"
     "\"C:\\\\Gone{N}\\\\\"=\"\"\n"},
    {22,
     "[HKEY_LOCAL_MACHINE\\Software\\{V}Classes\\Applications\\gone{N}.exe\\shell\\open\\command]\n"
     "@=\"C:\\\\Gone{N}.exe\"\n"},
    {23,
     "[HKEY_LOCAL_MACHINE\\Software\\{V}Microsoft\\Windows\\CurrentVersion\\Uninstall\\Gone{N}]\n"},
};

TEST_P(RegistryViews, EachFixedKeySectionFindsTheEntryOfEachViewUnderItsRealKey) {
  for (const SectionCase& c : kSectionCases) {
    SCOPED_TRACE(c.id);
    sink.problems.clear();
    RegBoth(c.seed);
    Run(c.id);
    const auto rows = Rows();
    ASSERT_EQ(rows.size(), 2u) << ::testing::PrintToString(rows);
    const ProblemEntry& row64 = rows[0];
    EXPECT_EQ(UpperAscii(row64.RegistryKey).find("WOW6432NODE"), std::string::npos);
    EXPECT_NE((row64.Data + row64.RegistryKey).find("64"), std::string::npos);
    // The same entry of the 32-bit view, named as the 64-bit view names it.
    ProblemEntry row32 = row64;
    row32.Data = Replaced(row32.Data, "64", "32");
    row32.RegistryKey =
        registry::Wow6432NodeLocation(Replaced(row32.RegistryKey, "64", "32")).value_or("?");
    EXPECT_EQ(rows[1], row32);
    sim.registry().loadRegText(
        "REGEDIT4\n\n[-HKEY_LOCAL_MACHINE\\Software\\Wow6432Node]\n[-HKEY_LOCAL_MACHINE\\Software]"
        "\n");
    Use(GetParam());  // the system's links come back with the views
  }
}

// A key the system shares between the views is read once; entries of the
// same name in each view's own key are two entries.
TEST_P(RegistryViews, ASharedKeyIsReadOnceAndSameNamedEntriesOfTwoViewsAreTwo) {
  sim.registry().shareKey("Software\\Microsoft\\Windows\\CurrentVersion\\Run");
  Reg("[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\n"
      "\"Shared\"=\"C:\\\\Gone.exe\"\n");
  RegBoth(
      "[HKEY_LOCAL_MACHINE\\Software\\{V}Microsoft\\Windows\\Help]\n"
      "\"same.hlp\"=\"C:\\\\Help\"\n");
  // Wine shares a key through a link below Wow6432Node to the 64-bit one:
  // what is found there was judged by the 64-bit program's rules.
  sim.registry().addLink(
      RootKey::LocalMachine, "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\App Paths",
      RootKey::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths");
  File("C:\\Windows\\system32\\native.exe");
  Reg("[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\native.exe]\n"
      "\"Path\"=\"C:\\\\Windows\\\\system32\\\\native.exe\"\n");
  Run(14);
  Run(13);
  Run(8);
  std::vector<std::string> keys;
  for (const auto& row : Rows()) keys.push_back(row.RegistryKey);
  EXPECT_EQ(keys,
            (std::vector<std::string>{
                "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\Shared",
                "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\Help\\same.hlp",
                "HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Microsoft\\Windows\\Help\\same.hlp"}));
}

// The walk of HKEY_LOCAL_MACHINE sees the 32-bit keys below Wow6432Node
// once, leaves the fixed keys there to their sections, and judges their
// strings in the 32-bit folders.
TEST_P(RegistryViews, TheMachineWalkVisitsThe32BitKeysOnceAndLeavesTheirFixedKeys) {
  File("C:\\Windows\\SysWOW64\\only32.dll");
  RegBoth("[HKEY_LOCAL_MACHINE\\" + std::string(kCv) +
          "\\Run]\n\"Gone{N}\"=\"C:\\\\Gone.exe\"\n"
          "[HKEY_LOCAL_MACHINE\\Software\\{V}Vendor]\n"
          "\"Gone\"=\"C:\\\\Gone{N}.exe\"\n"
          "\"Library\"=\"C:\\\\Windows\\\\system32\\\\only32.dll\"\n");
  Run(5);
  std::vector<std::string> keys;
  for (const auto& row : Rows()) keys.push_back(row.RegistryKey + " = " + row.Data);
  const std::vector<std::string> expected =
      GetParam() == Program::Bits64
          ? std::vector<std::string>{"HKEY_LOCAL_MACHINE\\Software\\Vendor\\Gone = C:\\Gone64.exe",
                                     "HKEY_LOCAL_MACHINE\\Software\\Vendor\\Library = "
                                     "C:\\Windows\\system32\\only32.dll",
                                     "HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Vendor\\Gone = "
                                     "C:\\Gone32.exe"}
          : std::vector<std::string>{
                // A 32-bit program never judges what names the system folder.
                "HKEY_LOCAL_MACHINE\\Software\\Vendor\\Gone = C:\\Gone64.exe",
                "HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Vendor\\Gone = C:\\Gone32.exe"};
  EXPECT_EQ(keys, expected);
}

// Fixing a row deletes the entry in its own view only; the backup names
// that key, and applying it brings the entry back where it was.
TEST_P(RegistryViews, FixAndRestoreKeepEachEntryInItsOwnView) {
  const std::string folder = "C:\\Backup";
  Folder(folder);
  RegBoth("[HKEY_LOCAL_MACHINE\\" + std::string(kCv) +
          "\\Uninstall\\Gone]\n"
          "\"DisplayName\"=\"Gone {N}\"\n"
          "[HKEY_LOCAL_MACHINE\\" +
          std::string(kCv) +
          "\\Run]\n"
          "\"Gone\"=\"C:\\\\Gone{N}.exe\"\n");
  const std::string before = *sim.registry().saveRegText(RootKey::LocalMachine, "Software");
  Run(15);
  // The key line names the key being read as the rows do.
  EXPECT_EQ(sink.keyLines.back(),
            "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Gone");
  Run(14);
  ASSERT_EQ(Rows().size(), 4u) << ::testing::PrintToString(Rows());

  registry::BackupSettings settings;
  settings.OutputDirectory = folder;
  settings.RestorePoint = false;
  registry::FixEnvironment env{sim.ports(), settings, 12, {}, {}};
  struct NoView : registry::FixView {
    void SetStatusText(std::string_view) override {}
  } view;
  const std::string uninstall64 = InView(std::string(kCv) + "\\Uninstall\\Gone", false);
  const std::string uninstall32 = InView(std::string(kCv) + "\\Uninstall\\Gone", true);
  auto fix = [&](std::size_t row) {
    registry::ResultsModel results;
    auto rows = Rows();
    rows[row].Ticked = true;
    for (const auto& each : rows) results.Append(each);
    const auto result = registry::FixSelectedProblems(env, results, view);
    ASSERT_EQ(result.outcome, registry::FixOutcome::Finished);
    EXPECT_EQ(result.deleted, 1u);
  };
  auto runValue = [&](bool view32) {
    return sim.registry()
        .value(RootKey::LocalMachine, InView(std::string(kCv) + "\\Run", view32), "Gone")
        .has_value();
  };
  fix(2);  // the 64-bit run value
  EXPECT_FALSE(runValue(false));
  EXPECT_TRUE(runValue(true));
  fix(1);  // the 32-bit uninstall entry
  EXPECT_FALSE(sim.registry().keyExists(RootKey::LocalMachine, uninstall32));
  EXPECT_TRUE(sim.registry().keyExists(RootKey::LocalMachine, uninstall64));
  fix(3);
  EXPECT_FALSE(runValue(true));

  auto files = sim.files().list(folder);
  ASSERT_TRUE(files);
  for (const auto& file : *files) {
    const std::string text = sim.readFile(folder + "\\" + file.name);
    EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Microsoft"),
              std::string::npos);
    sim.registry().loadRegFile({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
  }
  EXPECT_EQ(*sim.registry().saveRegText(RootKey::LocalMachine, "Software"), before);
}

// The system's registry links and the 32-bit classes. A walk never enters
// a link ("Software\Wow6432Node\Classes" leads to
// "Software\Classes\Wow6432Node"; Wine links
// HKEY_CLASSES_ROOT\Wow6432Node\TypeLib to the TypeLib both views share),
// so each key is read once under its real name. Every key below a Wow6432Node is judged
// in the 32-bit programs' folders, where "Sysnative" is the native system
// folder; a link is never an obsolete program's key.
TEST_P(RegistryViews, LinksAreNeverEnteredAndKeysBelowAWow6432NodeAre32BitOnes) {
  struct LinkCase {
    int section;
    std::string seed;               // .reg lines
    std::vector<std::string> rows;  // "KEY = DATA"
  };
  const std::string clsid32 = "HKEY_LOCAL_MACHINE\\Software\\Classes\\Wow6432Node\\CLSID\\";
  const std::string apps32 = "HKEY_LOCAL_MACHINE\\Software\\Classes\\Wow6432Node\\Applications";
  const std::string gone32 = "\\gone32.exe\\shell\\open\\command";
  const std::string servers = "\\InprocServer32]\n@=\"C:\\\\Windows\\\\system32\\\\only32.dll\"\n" +
                              std::string("[") + clsid32 +
                              "{B}\\InprocServer32]\n@=\"C:\\\\Gone32.dll\"\n";
  const std::string run32 =
      "HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";
  std::vector<LinkCase> cases = {
      {5, "[" + clsid32 + "{A}" + servers, {clsid32 + "{B}\\InprocServer32\\ = C:\\Gone32.dll"}},
      {3,
       "[HKEY_CLASSES_ROOT\\Wow6432Node\\CLSID\\{A}\\InprocServer32]\n"
       "@=\"C:\\\\Windows\\\\system32\\\\only32.dll\"\n"
       "[HKEY_CLASSES_ROOT\\TypeLib\\{L}\\1.0\\0\\win32]\n@=\"C:\\\\GoneLib.dll\"\n",
       {"HKEY_CLASSES_ROOT\\TypeLib\\{L}\\1.0\\0\\win32\\ = C:\\GoneLib.dll"}},
      // The link's target is gone: it would be judged empty.
      {10,
       "[HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Gone]\n",
       {"HKEY_LOCAL_MACHINE\\Software\\Wow6432Node = Gone"}},
      {11,
       "[HKEY_LOCAL_MACHINE\\Software\\Classes\\Wow6432Node\\.gone32]\n",
       {"HKEY_LOCAL_MACHINE\\Software\\Classes\\Wow6432Node = .gone32"}},
      {22,
       "[" + apps32 + gone32 + "]\n@=\"C:\\\\Gone32.exe\"\n",
       {apps32 + gone32 + " = C:\\Gone32.exe"}},
      // The walk leaves the 32-bit applications to their section.
      {5, "[" + apps32 + gone32 + "]\n@=\"C:\\\\Gone32.exe\"\n", {}},
  };
  if (GetParam() == Program::Bits64) {
    // A 32-bit program never judges what names the system folder.
    cases.push_back({14,
                     "[" + run32 +
                         "]\n\"Native\"=\"C:\\\\Windows\\\\Sysnative\\\\native.exe\"\n"
                         "\"Gone\"=\"C:\\\\Windows\\\\Sysnative\\\\gone.exe\"\n",
                     {run32 + "\\Gone = C:\\Windows\\Sysnative\\gone.exe"}});
  }
  File("C:\\Windows\\SysWOW64\\only32.dll");
  File("C:\\Windows\\system32\\native.exe");
  for (const LinkCase& c : cases) {
    SCOPED_TRACE(c.seed);
    Reg("[-HKEY_LOCAL_MACHINE\\Software]\n[-HKEY_CLASSES_ROOT\\Wow6432Node]\n"
        "[-HKEY_CLASSES_ROOT\\TypeLib]\n");
    Use(GetParam());
    sim.registry().addLink(RootKey::ClassesRoot, "Wow6432Node\\TypeLib", RootKey::ClassesRoot,
                           "TypeLib");
    sink.problems.clear();
    Reg(c.seed);
    Run(c.section);
    std::vector<std::string> rows;
    for (const auto& row : Rows()) rows.push_back(row.RegistryKey + " = " + row.Data);
    EXPECT_EQ(rows, c.rows);
  }
}

INSTANTIATE_TEST_SUITE_P(Programs, RegistryViews,
                         ::testing::Values(Program::Bits64, Program::Bits32OnWow64),
                         [](const ::testing::TestParamInfo<Program>& param) {
                           return param.param == Program::Bits64 ? "Program64" : "Program32";
                         });

// A 64-bit program reads a 32-bit program's system folder and Program
// Files as that program means them.
TEST_F(SectionsTest, ThirtyTwoBitEntriesAreJudgedInTheirOwnFolders) {
  sim.system().set64BitWindows(true);
  sim.registry().modelTwoViews(true);
  sim.files().setEnvironment("ProgramFiles", "C:\\Program Files");
  sim.files().setEnvironment("ProgramFiles(x86)", "C:\\Program Files (x86)");
  File("C:\\Windows\\SysWOW64\\only32.exe");
  File("C:\\Program Files (x86)\\App\\app32.exe");
  Folder("C:\\Program Files\\App");
  Reg(InView("[HKEY_LOCAL_MACHINE\\" + std::string(kCv) + "\\Run]\n", false) +
      "\"System\"=\"C:\\\\Windows\\\\System32\\\\only32.exe /run\"\n"
      "\"Variable\"=\"%ProgramFiles%\\\\App\\\\app32.exe\"\n" +
      InView("[HKEY_LOCAL_MACHINE\\" + std::string(kCv) + "\\Run]\n", true) +
      "\"System\"=\"C:\\\\Windows\\\\System32\\\\only32.exe /run\"\n"
      "\"Variable\"=\"%ProgramFiles%\\\\App\\\\app32.exe\"\n"
      "\"Native\"=\"C:\\\\Windows\\\\System32x\\\\only32.exe\"\n");
  registry::RunSection(ctx, 14);
  std::vector<std::string> names;
  for (const auto& row : Problems()) names.push_back(row.RegistryKey);
  const std::string run32 =
      "HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run\\";
  EXPECT_EQ(names,
            (std::vector<std::string>{
                "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\System",
                "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\Variable",
                run32 + "Native"}));
}

// Lines without Wow6432Node ignore the key in both views; a line with it
// only the 32-bit one.
TEST(RegistryViewLists, LinesNameBothViewsUnlessTheyNameWow6432Node) {
  const std::string key64 = "HKEY_LOCAL_MACHINE\\Software\\Vendor";
  const std::string key32 = "HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Vendor";
  struct Case {
    std::string keyLine;
    std::string valueLine;
    bool ignores64;
    bool ignores32;
  };
  const Case cases[] = {
      {key64, "", true, true},
      {key32, "", false, true},
      {"HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432NODE", "", false, true},
      {"", key64 + "\\Path", true, true},
      {"", key32 + "\\Path", false, true},
      {"HKEY_LOCAL_MACHINE\\Software\\Other", "", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keyLine + c.valueLine);
    registry::IgnoreLists lists;
    if (!c.keyLine.empty()) lists.IgnoreKeys.push_back(c.keyLine);
    if (!c.valueLine.empty()) lists.IgnoreValues.push_back(c.valueLine);
    registry::ResultsModel model;
    model.Append(ProblemEntry{"P", "C:\\gone.exe", key64 + "\\Path", ProblemKind::ValuePath});
    model.Append(ProblemEntry{"P", "C:\\gone.exe", key32 + "\\Path", ProblemKind::ValuePath});
    registry::ApplyFilters(model, lists);
    bool kept64 = false;
    bool kept32 = false;
    for (const auto& row : model.Rows()) {
      kept64 = kept64 || row.RegistryKey == key64 + "\\Path";
      kept32 = kept32 || row.RegistryKey == key32 + "\\Path";
    }
    EXPECT_EQ(!kept64, c.ignores64);
    EXPECT_EQ(!kept32, c.ignores32);
  }
}

TEST(RegistryViewLists, LocationsMoveBetweenTheViewsOnlyBelowMachineSoftware) {
  EXPECT_EQ(registry::Wow6432NodeLocation("HKEY_LOCAL_MACHINE\\SOFTWARE\\A\\B"),
            "HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\A\\B");
  EXPECT_EQ(registry::Wow6432NodeLocation("HKEY_LOCAL_MACHINE\\Software"),
            "HKEY_LOCAL_MACHINE\\Software\\Wow6432Node");
  for (const char* other :
       {"HKEY_CURRENT_USER\\Software\\A", "HKEY_LOCAL_MACHINE\\SoftwareX\\A",
        "HKEY_LOCAL_MACHINE\\SYSTEM\\A", "HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\A"}) {
    EXPECT_FALSE(registry::Wow6432NodeLocation(other)) << other;
  }
  EXPECT_EQ(registry::WithoutWow6432Node("HKEY_LOCAL_MACHINE\\Software\\wow6432node\\A"),
            "HKEY_LOCAL_MACHINE\\Software\\A");
  EXPECT_EQ(registry::WithoutWow6432Node("HKEY_LOCAL_MACHINE\\Software\\Wow6432Node"),
            "HKEY_LOCAL_MACHINE\\Software");
  EXPECT_FALSE(registry::WithoutWow6432Node("HKEY_LOCAL_MACHINE\\Software\\Wow6432NodeX\\A"));
  EXPECT_FALSE(registry::WithoutWow6432Node("HKEY_LOCAL_MACHINE\\Software\\A"));
}

// The substitute's views: the 32-bit one maps below Wow6432Node except
// shared keys, keys opened below keep their view, and the program's own
// view is its default.
TEST(SimRegistryViews, The32BitViewLiesBelowWow6432NodeApartFromSharedKeys) {
  sim::SimRegistry reg;
  reg.loadRegText(
      "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\A]\n\"v\"=\"64\"\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\A]\n\"v\"=\"32\"\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Shared\\B]\n\"v\"=\"both\"\n");
  auto read = [&](std::string_view path, RegView view, bool viaParent = false) {
    auto key = viaParent ? reg.open(RootKey::LocalMachine, "Software", RegAccess::Read, view)
                         : reg.open(RootKey::LocalMachine, path, RegAccess::Read, view);
    if (key && viaParent) key = reg.openSub(*key, path.substr(9), RegAccess::Read);
    if (!key) return std::string("-");
    auto value = reg.readValue(*key, "v");
    return value ? platform::ValueText(*value).value_or("?") : std::string("-");
  };
  // One view until the system has two.
  EXPECT_EQ(read("Software\\A", RegView::Bits32), "64");
  reg.modelTwoViews(false);
  reg.shareKey("Software\\Shared");
  EXPECT_EQ(read("Software\\A", RegView::Default), "32");
  EXPECT_EQ(read("Software\\A", RegView::Bits64), "64");
  EXPECT_EQ(read("Software\\A", RegView::Bits32, true), "32");
  EXPECT_EQ(read("Software\\Shared\\B", RegView::Bits32, true), "both");
  EXPECT_EQ(read("Software\\Wow6432Node\\A", RegView::Bits32), "32");
  EXPECT_EQ(read("Software\\Wow6432Node\\A", RegView::Bits64), "32");
  reg.modelTwoViews(true);
  EXPECT_EQ(read("Software\\A", RegView::Default), "64");
}

TEST(RegistryViewLists, A32BitProgramOn64BitWindowsRestoresWithTheWindowsFolderEditor) {
  sim::SimPlatform sim;
  EXPECT_EQ(registry::RestoringRegistryEditor(sim.system(), sim.files()), "Regedit");
  sim.system().setWow64(true);
  EXPECT_EQ(registry::ImportCommandLine(
                "C:\\b.reg", registry::RestoringRegistryEditor(sim.system(), sim.files())),
            "\"C:\\Windows\\regedit.exe\" /s \"C:\\b.reg\"");
}

}  // namespace
}  // namespace nc::testing
