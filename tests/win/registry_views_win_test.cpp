// The two views of HKEY_LOCAL_MACHINE\Software on 64-bit Windows, with the
// real registry and the system's own registry editors: entries written by
// the 32-bit regedit (which land below "Software\Wow6432Node") and by the
// 64-bit one are each found once under their real key, fixed in their own
// view and brought back there, byte for byte, by the program's own restore
// (which starts the 64-bit regedit, from the 32-bit program too).
// Both builds run these tests: the 64-bit program and the 32-bit one under
// WoW64.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/text.h"
#include "platform/win32/wide.h"
#include "platform/win32/win_platform.h"
#include "registry/backups.h"
#include "registry/fixer.h"
#include "registry/locations.h"
#include "registry/problem.h"
#include "registry/results_model.h"
#include "registry/scan_context.h"
#include "registry/sections.h"
#include "win_test_support.h"

namespace nc::wintest {
namespace {

using platform::RegAccess;
using platform::RegView;
using platform::RootKey;
using registry::ProblemEntry;
using registry::ProblemKind;

constexpr bool k32BitProcess = sizeof(void*) == 4;
constexpr std::string_view kCv = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

enum class Bits { k32, k64 };

std::string Tag(Bits bits) {
  return bits == Bits::k32 ? "32" : "64";
}
Bits Other(Bits bits) {
  return bits == Bits::k32 ? Bits::k64 : Bits::k32;
}
REGSAM ViewFlag(Bits bits) {
  return bits == Bits::k32 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
}

std::string Cv(std::string_view below) {
  return std::string(kCv) + "\\" + std::string(below);
}

// A key below HKEY_LOCAL_MACHINE\SOFTWARE as the 64-bit view names it: the
// 32-bit view's keys lie below "SOFTWARE\Wow6432Node".
std::string Literal(Bits bits, const std::string& path) {
  if (bits == Bits::k64) return path;
  return "SOFTWARE\\Wow6432Node" + path.substr(std::string_view("SOFTWARE").size());
}
std::string Location(Bits bits, const std::string& path) {
  return "HKEY_LOCAL_MACHINE\\" + Literal(bits, path);
}
std::wstring WindowsFolder() {
  wchar_t folder[MAX_PATH] = {};
  return std::wstring(folder, GetWindowsDirectoryW(folder, MAX_PATH));
}

// A command line that runs the registry editor of the given bits: the
// one in SysWOW64 is the 32-bit editor. Wine starts a built-in program
// named by a path outside the system folders with its caller's bits, and
// has no file for the editor in System32: a 32-bit process reaches the
// 64-bit editor through the 64-bit command interpreter in "sysnative".
std::wstring RegeditOf(Bits bits) {
  const std::wstring windows = WindowsFolder();
  if (bits == Bits::k32) return L"\"" + windows + L"\\syswow64\\regedit.exe\"";
  if (!k32BitProcess) return L"\"" + windows + L"\\regedit.exe\"";
  // Unquoted after "/c": the interpreter would strip a leading quote.
  return L"\"" + windows + L"\\sysnative\\cmd.exe\" /c " + windows + L"\\regedit.exe";
}

bool ImportWith(Bits bits, const std::string& file) {
  return RunAndWait(RegeditOf(bits) + L" /s \"" + win32::Widen(file) + L"\"");
}

// A value read through the system's calls in one view, apart from the ports.
struct RawValue {
  DWORD type = 0;
  std::vector<std::uint8_t> data;
  bool operator==(const RawValue&) const = default;
};

std::optional<RawValue> ReadRaw(Bits bits, const std::string& path, const std::string& name) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, win32::Widen(path).c_str(), 0, KEY_READ | ViewFlag(bits),
                    &key) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  const std::wstring wide = win32::Widen(name);
  RawValue value;
  DWORD size = 0;
  LSTATUS rc = RegQueryValueExW(key, wide.c_str(), nullptr, &value.type, nullptr, &size);
  if (rc == ERROR_SUCCESS) {
    value.data.resize(size);
    rc = RegQueryValueExW(key, wide.c_str(), nullptr, &value.type, value.data.data(), &size);
    value.data.resize(size);
  }
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS) return std::nullopt;
  return value;
}

bool KeyExists(Bits bits, const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, win32::Widen(path).c_str(), 0, KEY_READ | ViewFlag(bits),
                    &key) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

// REGEDIT4 text: a quoted string with its backslashes and quotes escaped.
std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

class RecordingSink : public registry::ScanSink {
 public:
  void SetSectionStatus(std::string_view) override {}
  void SetKeyLine(std::string_view) override {}
  void AppendProblem(const ProblemEntry& entry) override { problems.push_back(entry); }
  std::vector<ProblemEntry> problems;
};

class AnswerYes : public platform::Prompts {
 public:
  void inform(std::string_view text) override { told.emplace_back(text); }
  void error(std::string_view text) override { told.emplace_back(text); }
  bool confirm(std::string_view) override { return true; }
  std::vector<std::string> told;
};

// The restore dialog, with one backup chosen and the wait dialog's timer
// ticking until the editor ends (Stop after a minute).
class RestoreOneView : public registry::RestoreView {
 public:
  explicit RestoreOneView(std::string name) : name_(std::move(name)) {}
  void SetFolderText(std::string_view) override {}
  void SetRows(const std::vector<registry::BackupRow>& rows) override {
    for (std::size_t i = 0; i < rows.size(); ++i) {
      if (EqualsNoCase(rows[i].name, name_)) row = i;
    }
  }
  void RemoveRow(std::size_t) override {}
  void SelectRow(std::optional<std::size_t>) override {}
  void EnableRestore(bool) override {}
  void EnableDelete(bool) override {}
  std::optional<std::string> BrowseForFolder(std::string_view) override { return std::nullopt; }
  bool RunWaitDialog(registry::BackupHintController& hint) override {
    struct Closing : registry::BackupHintView {
      void SetHintText(std::string_view) override {}
      void SetBarPosition(int) override {}
      void Close(bool ok) override { closedOk = ok; }
      bool closedOk = false;
    } wait;
    hint.Show(wait);
    for (int i = 0; i < 1200 && !hint.Closed(); ++i) {
      hint.TimerTick();
      Sleep(50);
    }
    if (!hint.Closed()) hint.StopClicked();
    return wait.closedOk;
  }
  std::optional<std::size_t> row;

 private:
  std::string name_;
};

class NoView : public registry::FixView {
 public:
  void SetStatusText(std::string_view) override {}
};

// Two 32-bit COM classes: one whose server file only SysWOW64 holds, one
// whose server is gone. The 64-bit view names the 32-bit classes below
// "SOFTWARE\Classes\Wow6432Node".
constexpr std::string_view kServer32 = "{4E4F5256-494B-4C49-4E4B-000000000032}";
constexpr std::string_view kGone32 = "{4E4F5256-494B-4C49-4E4B-0000000000FF}";
std::string ClassOf32(std::string_view clsid) {
  return "SOFTWARE\\Classes\\Wow6432Node\\CLSID\\" + std::string(clsid);
}

// One seeded value: its view, its key (as its own view names it) and name.
struct Seeded {
  Bits bits;
  std::string path;
  std::string name;
};

class RegistryViews : public testing::Test {
 protected:
  void SetUp() override {
    if (!UnderWine()) GTEST_SKIP() << "writes entries into the machine's software hive";
    ASSERT_TRUE(ports.system().is64BitWindows()) << "the suite runs in a 64-bit prefix";
    RemoveSeeded();
  }
  void TearDown() override {
    RemoveSeeded();
    for (const Seeded& key : ownKeys) {
      EXPECT_FALSE(KeyExists(key.bits, key.path)) << "left behind: " << key.path;
    }
    for (const Seeded& value : ownValues) {
      EXPECT_FALSE(ReadRaw(value.bits, value.path, value.name)) << "left behind: " << value.name;
    }
  }

  // Imports `text` (the lines after the header) with the regedit of `bits`
  // and checks that the value `name` of `path` landed in that view only.
  void Import(Bits bits, const std::string& text, const std::string& path,
              const std::string& name) {
    const std::string file = scratch.utf8() + "\\seed" + Tag(bits) + ".reg";
    ASSERT_TRUE(platform::WriteWholeFile(ports.files(), file, "REGEDIT4\r\n\r\n" + text).ok());
    ASSERT_TRUE(ImportWith(bits, file));
    ASSERT_TRUE(ReadRaw(bits, path, name))
        << "the " << Tag(bits) << "-bit regedit did not write " << path << "\\" << name;
    ASSERT_FALSE(ReadRaw(Other(bits), path, name))
        << "the " << Tag(bits) << "-bit regedit wrote " << path << "\\" << name
        << " into the other view";
  }

  // The three entries of one view: an uninstall entry without an
  // uninstall command (of every value type, with a sub-key), a shared DLL
  // that is gone and an application path to a program that is gone.
  void SeedEntries(Bits bits) {
    const std::string tag = Tag(bits);
    const std::string uninstall = Cv("Uninstall\\NorvikViews" + tag);
    const std::string appPath = Cv("App Paths\\norvikviews" + tag + ".exe");
    const std::string dll = "C:\\NorvikViewsTest\\gone" + tag + ".dll";
    std::string text;
    text += "[HKEY_LOCAL_MACHINE\\" + uninstall + "]\r\n";
    text += "\"DisplayName\"=\"Norvik views " + tag + " \\\"quoted\\\"\"\r\n";
    text += "\"DisplayIcon\"=hex(2):25,54,45,4d,50,25,5c,69,63,6f,2e,69,63,6f,00\r\n";
    text += "\"EstimatedSize\"=dword:0000" + tag + "f0\r\n";
    text += "\"Blob\"=hex:00,01,02,fe,ff," + tag + "\r\n";
    text += "\"Authors\"=hex(7):61,00,62,63,00,00\r\n";
    text += "\r\n[HKEY_LOCAL_MACHINE\\" + uninstall + "\\Parts]\r\n";
    text += "@=\"part " + tag + "\"\r\n";
    text += "\r\n[HKEY_LOCAL_MACHINE\\" + Cv("SharedDlls") + "]\r\n";
    text += Quoted(dll) + "=dword:00000002\r\n";
    text += "\r\n[HKEY_LOCAL_MACHINE\\" + appPath + "]\r\n";
    text += "@=" + Quoted("C:\\NorvikViewsTest\\Gone\\app" + tag + ".exe") + "\r\n\r\n";
    Import(bits, text, uninstall, "DisplayName");
    ownKeys.push_back({bits, uninstall, ""});
    ownKeys.push_back({bits, appPath, ""});
    ownValues.push_back({bits, Cv("SharedDlls"), dll});
    for (const char* name : {"DisplayName", "DisplayIcon", "EstimatedSize", "Blob", "Authors"}) {
      values.push_back({bits, uninstall, name});
    }
    values.push_back({bits, uninstall + "\\Parts", ""});
    values.push_back({bits, Cv("SharedDlls"), dll});
    values.push_back({bits, appPath, ""});
  }

  // Removes what the tests seed from both views, leftovers of an earlier
  // run (or of an entry restored into the wrong view) included.
  void RemoveSeeded() {
    for (const Bits view : {Bits::k32, Bits::k64}) {
      for (const std::string tag : {"32", "64"}) {
        for (const std::string& key :
             {Cv("Uninstall\\NorvikViews" + tag), Cv("App Paths\\norvikviews" + tag + ".exe"),
              Cv("Uninstall\\nc-views-probe" + tag), Cv("App Paths\\nc-views-native.exe"),
              "SOFTWARE\\NorvikViewsWalk" + tag, ClassOf32(kServer32), ClassOf32(kGone32)}) {
          HKEY parent = nullptr;
          const auto slash = key.rfind('\\');
          if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, win32::Widen(key.substr(0, slash)).c_str(), 0,
                            KEY_ALL_ACCESS | ViewFlag(view), &parent) == ERROR_SUCCESS) {
            const std::wstring name = win32::Widen(key.substr(slash + 1));
            RegDeleteTreeW(parent, name.c_str());
            RegDeleteKeyExW(parent, name.c_str(), ViewFlag(view), 0);
            RegCloseKey(parent);
          }
        }
        HKEY shared = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, win32::Widen(Cv("SharedDlls")).c_str(), 0,
                          KEY_ALL_ACCESS | ViewFlag(view), &shared) == ERROR_SUCCESS) {
          for (const std::string& name :
               {"C:\\NorvikViewsTest\\gone" + tag + ".dll",
                win32::Narrow(WindowsFolder()) + "\\system32\\nc-views-probe" + tag + ".dll"}) {
            RegDeleteValueW(shared, win32::Widen(name).c_str());
          }
          RegCloseKey(shared);
        }
      }
    }
    for (const std::wstring& file : probeFiles) DeleteFileW(file.c_str());
  }

  std::vector<ProblemEntry> Scan(std::initializer_list<int> sections) {
    RecordingSink sink;
    std::atomic<bool> stop{false};
    registry::ScanContext ctx{ports.bundle(),
                              sink,
                              stop,
                              registry::PathTest{ports.files(), "c", false, false, true,
                                                 registry::IsWow64(ports.system())},
                              false,
                              {sections}};
    for (const int id : sections) registry::RunSection(ctx, id);
    return sink.problems;
  }

  // The rows whose data is `data`.
  static std::vector<ProblemEntry> WithData(const std::vector<ProblemEntry>& rows,
                                            std::string_view data) {
    std::vector<ProblemEntry> found;
    std::copy_if(rows.begin(), rows.end(), std::back_inserter(found),
                 [&](const ProblemEntry& row) { return row.Data == data; });
    return found;
  }

  win32::WinPlatform ports;
  TempFolder scratch{L"nc-views"};
  std::vector<Seeded> ownKeys;    // keys of the tests, removed whole
  std::vector<Seeded> ownValues;  // values in keys the system has
  std::vector<Seeded> values;     // every seeded value, for the round trip
  std::vector<std::wstring> probeFiles;
};

// The rows one view's entries must give. An application path written in
// the 32-bit view lies in the one key both views share when the system
// shares "App Paths" (Wine does, through a registry link): its one name is
// then the 64-bit view's.
std::vector<ProblemEntry> ExpectedRows(Bits bits, bool appPathsShared) {
  const std::string tag = Tag(bits);
  return {
      {"Invalid Add/Remove Programs", "NorvikViews" + tag, Location(bits, Cv("Uninstall")),
       ProblemKind::SubKey, false},
      {"Non-existent Shared Dlls", "C:\\NorvikViewsTest\\gone" + tag + ".dll",
       Location(bits, Cv("SharedDlls")), ProblemKind::ValueInKey, false},
      {"Software Locations Issue", "C:\\NorvikViewsTest\\Gone\\app" + tag + ".exe",
       Location(appPathsShared ? Bits::k64 : bits, Cv("App Paths\\norvikviews" + tag + ".exe")) +
           "\\",
       ProblemKind::ValuePath, false},
  };
}

// Each expected row once, under its real key (the letter case of the key
// names is the registry's own).
void ExpectFoundOnce(const std::vector<ProblemEntry>& rows, const ProblemEntry& wanted) {
  const auto found = std::count_if(
      rows.begin(), rows.end(), [&](const ProblemEntry& row) { return row.Data == wanted.Data; });
  ASSERT_EQ(found, 1) << wanted.Data;
  const auto& row = *std::find_if(rows.begin(), rows.end(),
                                  [&](const ProblemEntry& r) { return r.Data == wanted.Data; });
  EXPECT_EQ(row.Problem, wanted.Problem);
  EXPECT_EQ(row.Kind, wanted.Kind);
  EXPECT_TRUE(EqualsNoCase(row.RegistryKey, wanted.RegistryKey))
      << row.RegistryKey << " is not " << wanted.RegistryKey;
}

// Which view's rows are fixed first; the other view's follow in a second run.
class RegistryViewsFix : public RegistryViews, public testing::WithParamInterface<Bits> {};

TEST_P(RegistryViewsFix, EntriesOfBothViewsAreFoundFixedAndRestoredInTheirOwnView) {
  SeedEntries(Bits::k32);
  SeedEntries(Bits::k64);
  if (HasFatalFailure()) return;
  std::vector<std::pair<Seeded, RawValue>> seeded;
  for (const Seeded& value : values) {
    const auto raw = ReadRaw(value.bits, value.path, value.name);
    ASSERT_TRUE(raw) << value.path << "\\" << value.name;
    seeded.emplace_back(value, *raw);
  }

  const std::string appPath32 = Cv("App Paths\\norvikviews32.exe");
  const bool appPathsShared = static_cast<bool>(ReadRaw(Bits::k64, appPath32, ""));

  const auto rows = Scan({7, 8, 15});
  registry::ResultsModel model;
  for (const Bits bits : {Bits::k64, Bits::k32}) {
    SCOPED_TRACE("view " + Tag(bits));
    for (const ProblemEntry& wanted : ExpectedRows(bits, appPathsShared)) {
      ExpectFoundOnce(rows, wanted);
      for (ProblemEntry row : WithData(rows, wanted.Data)) model.Append(std::move(row));
    }
  }
  ASSERT_EQ(model.Count(), 6u);

  // Whether a seeded value of `bits` is still in its own view, unchanged.
  auto present = [&](Bits bits) {
    std::size_t count = 0;
    for (const auto& [value, raw] : seeded) {
      if (value.bits == bits && ReadRaw(bits, value.path, value.name) == raw) ++count;
    }
    return count;
  };
  auto countOf = [&](Bits bits) {
    return static_cast<std::size_t>(std::count_if(
        seeded.begin(), seeded.end(), [&](const auto& pair) { return pair.first.bits == bits; }));
  };

  const Bits first = GetParam();
  const Bits second = Other(first);
  AnswerYes prompts;
  registry::BackupSettings options;
  options.OutputDirectory = scratch.utf8();
  registry::FixEnvironment env{platform::WithPrompts(ports.bundle(), prompts), options, 12, {}, {}};
  NoView view;
  std::vector<std::string> backups;
  std::string backup32;  // the 32-bit rows' backup (the 64-bit rows' too, within one second)
  for (const Bits fixing : {first, second}) {
    SCOPED_TRACE("fixing view " + Tag(fixing));
    for (std::size_t i = 0; i < model.Count(); ++i) {
      // The rows of the entries the regedit of `fixing` wrote.
      model.SetTicked(i, model.Rows()[i].Data.find(Tag(fixing)) != std::string::npos);
    }
    const auto result = registry::FixSelectedProblems(env, model, view);
    ASSERT_EQ(result.outcome, registry::FixOutcome::Finished);
    EXPECT_EQ(result.deleted, 3u);
    // Two runs in the same second share one backup file.
    if (std::find(backups.begin(), backups.end(), result.backupFile) == backups.end()) {
      backups.push_back(result.backupFile);
    }
    if (fixing == Bits::k32) backup32 = result.backupFile;
    // The uninstall key went whole, the other two lost their value.
    EXPECT_FALSE(KeyExists(fixing, Cv("Uninstall\\NorvikViews" + Tag(fixing))));
    EXPECT_EQ(present(fixing), 0u);
    EXPECT_TRUE(KeyExists(fixing, Cv("App Paths\\norvikviews" + Tag(fixing) + ".exe")));
    EXPECT_EQ(present(Other(fixing)), fixing == first ? countOf(Other(fixing)) : 0u);
    EXPECT_FALSE(registry::BackupIsInRegistry(ports.bundle(), result.backupFile));
  }
  EXPECT_EQ(model.Count(), 0u);
  ASSERT_FALSE(backups.empty());

  // The program's own restore brings each entry back into its own view,
  // in the 32-bit build too: it starts the 64-bit regedit.
  EXPECT_NE(ReadBytes(backup32).find("Wow6432Node"), std::string::npos);
  prompts.told.clear();
  options.DeleteBackupFile = false;
  for (const std::string& backup : backups) {
    const std::string name = backup.substr(backup.rfind('\\') + 1);
    RestoreOneView restoreView(name);
    registry::RestoreController restore(
        {platform::WithPrompts(ports.bundle(), prompts), options, [](std::int64_t) { return ""; }});
    restore.Show(restoreView);
    ASSERT_TRUE(restoreView.row) << name;
    restore.SelectionChanged(restoreView.row);
    restore.RestoreClicked();
    EXPECT_TRUE(prompts.told.empty()) << prompts.told.front();
    EXPECT_TRUE(registry::BackupIsInRegistry(ports.bundle(), backup));
  }
  for (const auto& [value, raw] : seeded) {
    SCOPED_TRACE(Location(value.bits, value.path) + "\\" + value.name);
    EXPECT_EQ(ReadRaw(value.bits, value.path, value.name), raw);
    auto key = ports.registry().open(RootKey::LocalMachine, Literal(value.bits, value.path),
                                     RegAccess::Read, RegView::Bits64);
    ASSERT_TRUE(key.ok());
    auto read = ports.registry().readValue(*key, value.name);
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read->type, raw.type);
    EXPECT_EQ(read->data, raw.data);
  }
  // Nothing was restored into the other view.
  for (const Bits bits : {Bits::k32, Bits::k64}) {
    EXPECT_FALSE(KeyExists(Other(bits), Cv("Uninstall\\NorvikViews" + Tag(bits))));
    EXPECT_EQ(KeyExists(Other(bits), Cv("App Paths\\norvikviews" + Tag(bits) + ".exe")),
              appPathsShared);
  }
}

INSTANTIATE_TEST_SUITE_P(RegistryViews, RegistryViewsFix, testing::Values(Bits::k32, Bits::k64),
                         [](const testing::TestParamInfo<Bits>& param) {
                           return param.param == Bits::k32 ? "ThirtyTwoBitFirst"
                                                           : "SixtyFourBitFirst";
                         });

// The walk of HKEY_LOCAL_MACHINE leaves the keys a section reads to that
// section, in either view: an uninstall command that names a program that
// is gone is one "Installer Refrence Issue" row, never also a
// "Non-existent File or Folder" one.
TEST_F(RegistryViews, TheWalkLeavesTheUninstallEntriesOfBothViewsToTheirSection) {
  for (const Bits bits : {Bits::k32, Bits::k64}) {
    const std::string entry = Cv("Uninstall\\NorvikViews" + Tag(bits));
    Import(bits,
           "[HKEY_LOCAL_MACHINE\\" + entry + "]\r\n\"UninstallString\"=" +
               Quoted("C:\\NorvikViewsTest\\gone" + Tag(bits) + ".exe /S") + "\r\n\r\n",
           entry, "UninstallString");
    ownKeys.push_back({bits, entry, ""});
  }
  if (HasFatalFailure()) return;
  const auto rows = Scan({5, 21});
  for (const Bits bits : {Bits::k32, Bits::k64}) {
    SCOPED_TRACE("view " + Tag(bits));
    ExpectFoundOnce(
        rows, {"Installer Refrence Issue", "C:\\NorvikViewsTest\\gone" + Tag(bits) + ".exe /S",
               Location(bits, Cv("Uninstall\\NorvikViews" + Tag(bits))) + "\\UninstallString",
               ProblemKind::ValuePath, false});
  }
}

// The 64-bit program judges a 32-bit program's path in the folders that
// program sees: System32 is SysWOW64 and %ProgramFiles% the "(x86)" folder.
// The 32-bit program never judges such texts, so the case is the 64-bit
// program's alone.
TEST_F(RegistryViews, A32BitEntryIsJudgedInThe32BitFolders) {
  if (k32BitProcess) GTEST_SKIP() << "the 32-bit program does not judge these paths";
  const std::wstring windows = WindowsFolder();
  const std::string windowsUtf8 = win32::Narrow(windows);
  wchar_t x86[MAX_PATH] = {};
  const DWORD length = GetEnvironmentVariableW(L"ProgramFiles(x86)", x86, MAX_PATH);
  ASSERT_GT(length, 0u);
  const std::wstring x86Folder = std::wstring(x86, length) + L"\\NorvikViewsTest";

  // Each view gets the text, with "#" replaced by its tag, as the command
  // of an uninstall entry (section 21), as a shared DLL's name (7) or as a
  // value of a key of its own that the HKEY_LOCAL_MACHINE walk (5) meets;
  // the file exists only where a 32-bit program finds it.
  struct Case {
    int section;
    std::string text;
    std::wstring file;
  };
  const Case cases[] = {
      {21, windowsUtf8 + "\\system32\\nc-views-probe.exe",
       windows + L"\\syswow64\\nc-views-probe.exe"},
      {21, "%ProgramFiles%\\NorvikViewsTest\\nc-views-probe.exe",
       x86Folder + L"\\nc-views-probe.exe"},
      {7, windowsUtf8 + "\\system32\\nc-views-probe#.dll",
       windows + L"\\syswow64\\nc-views-probe#.dll"},
      {5, windowsUtf8 + "\\system32\\nc-views-probe.exe",
       windows + L"\\syswow64\\nc-views-probe.exe"},
  };
  auto tagged = [](auto text, Bits bits) {
    const std::string tag = Tag(bits);
    const auto at = text.find('#');
    if (at != decltype(text)::npos) text.replace(at, 1, decltype(text)(tag.begin(), tag.end()));
    return text;
  };
  CreateDirectoryW(x86Folder.c_str(), nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    // The key and value that hold the text in the view of `bits`.
    auto keyOf = [&](Bits bits) {
      if (c.section == 7) return Cv("SharedDlls");
      if (c.section == 5) return "SOFTWARE\\NorvikViewsWalk" + Tag(bits);
      return Cv("Uninstall\\nc-views-probe" + Tag(bits));
    };
    auto valueOf = [&](Bits bits) {
      return c.section == 7 ? tagged(c.text, bits)
                            : std::string(c.section == 5 ? "Program" : "UninstallString");
    };
    for (const Bits bits : {Bits::k32, Bits::k64}) {
      const std::wstring file = tagged(c.file, bits);
      ASSERT_TRUE(platform::WriteWholeFile(ports.files(), win32::Narrow(file), "x").ok());
      probeFiles.push_back(file);
      const std::string text = tagged(c.text, bits);
      const std::string line = c.section == 7 ? Quoted(text) + "=dword:00000001"
                                              : Quoted(valueOf(bits)) + "=" + Quoted(text);
      Import(bits, "[HKEY_LOCAL_MACHINE\\" + keyOf(bits) + "]\r\n" + line + "\r\n\r\n", keyOf(bits),
             valueOf(bits));
      if (c.section == 7) {
        ownValues.push_back({bits, keyOf(bits), text});
      } else {
        ownKeys.push_back({bits, keyOf(bits), ""});
      }
    }
    const auto rows = Scan({c.section});
    for (const Bits bits : {Bits::k32, Bits::k64}) {
      const std::string text = tagged(c.text, bits);
      const std::string location = c.section == 7
                                       ? Location(bits, keyOf(bits))
                                       : Location(bits, keyOf(bits)) + "\\" + valueOf(bits);
      const auto found = std::count_if(rows.begin(), rows.end(), [&](const ProblemEntry& row) {
        return row.Data == text && EqualsNoCase(row.RegistryKey, location);
      });
      EXPECT_EQ(found, bits == Bits::k64 ? 1 : 0) << location;
    }
    RemoveSeeded();
  }
  RemoveDirectoryW(x86Folder.c_str());
}

// A key both views share ("App Paths" under Wine) is one key, read by
// both passes: a 64-bit program's path there that only the native system
// folder holds is judged there, and never reported under Wow6432Node,
// where a fix would delete the 64-bit program's entry through the shared key.
TEST_F(RegistryViews, AnEntryOfASharedKeyIsNotJudgedAgainAsA32BitOne) {
  if (k32BitProcess) GTEST_SKIP() << "the 32-bit program does not judge these paths";
  const std::wstring file = WindowsFolder() + L"\\system32\\nc-views-native.exe";
  ASSERT_TRUE(platform::WriteWholeFile(ports.files(), win32::Narrow(file), "x").ok());
  probeFiles.push_back(file);
  const std::string appPath = Cv("App Paths\\nc-views-native.exe");
  const std::string text = win32::Narrow(file);
  const std::string reg = "[HKEY_LOCAL_MACHINE\\" + appPath + "]\r\n@=" + Quoted(text) + "\r\n\r\n";
  const std::string seed = scratch.utf8() + "\\native.reg";
  ASSERT_TRUE(platform::WriteWholeFile(ports.files(), seed, "REGEDIT4\r\n\r\n" + reg).ok());
  ASSERT_TRUE(ImportWith(Bits::k64, seed));
  ownKeys.push_back({Bits::k64, appPath, ""});
  if (!ReadRaw(Bits::k32, appPath, "")) GTEST_SKIP() << "the views do not share App Paths here";

  const auto rows = Scan({8});
  for (const ProblemEntry& row : rows) {
    EXPECT_NE(row.Data, text) << row.RegistryKey;
  }
}

// The system links "SOFTWARE\Wow6432Node\Classes" to the 32-bit classes
// below "SOFTWARE\Classes\Wow6432Node" (HKEY_CLASSES_ROOT\Wow6432Node to a
// 64-bit program). The walks never go through the link, so a 32-bit class
// is read once, and judged as a 32-bit program means it: its server named
// in System32 is the one in SysWOW64, and fixing that row would delete a
// working registration.
TEST_F(RegistryViews, A32BitClassIsReadOnceAndItsServerIsJudgedInSysWow64) {
  const std::wstring windows = WindowsFolder();
  const std::wstring server = windows + L"\\syswow64\\only32.dll";
  ASSERT_TRUE(platform::WriteWholeFile(ports.files(), win32::Narrow(server), "x").ok());
  probeFiles.push_back(server);
  if (!k32BitProcess) {
    ASSERT_EQ(GetFileAttributesW((windows + L"\\system32\\only32.dll").c_str()),
              INVALID_FILE_ATTRIBUTES);
  }
  const std::string named = win32::Narrow(windows) + "\\system32\\only32.dll";
  const std::string gone = "C:\\NorvikViewsTest\\gone32.dll";
  // Written through the 32-bit view's own name of the classes.
  for (const auto& [clsid, file] : {std::pair{kServer32, named}, std::pair{kGone32, gone}}) {
    HKEY key = nullptr;
    const std::wstring path =
        L"SOFTWARE\\Classes\\CLSID\\" + win32::Widen(clsid) + L"\\InprocServer32";
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const std::wstring data = win32::Widen(file);
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                   static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    ownKeys.push_back({Bits::k64, ClassOf32(clsid), ""});
    ASSERT_TRUE(ReadRaw(Bits::k64, ClassOf32(clsid) + "\\InprocServer32", ""));
  }

  // The walks of HKEY_CLASSES_ROOT and HKEY_LOCAL_MACHINE, and the class
  // servers section (which meets the 32-bit classes in the 32-bit program).
  for (const int section : {3, 5, 16}) {
    SCOPED_TRACE(section);
    const auto rows = Scan({section});
    for (const ProblemEntry& row : rows) {
      EXPECT_EQ(row.Data.find("only32.dll"), std::string::npos) << row.RegistryKey;
      EXPECT_EQ(UpperAscii(row.RegistryKey).find("\\WOW6432NODE\\CLASSES\\"), std::string::npos)
          << "read through the link: " << row.RegistryKey;
    }
    const auto goneRows = WithData(rows, gone);
    std::string keys;
    for (const ProblemEntry& row : goneRows) keys += row.RegistryKey + "\n";
    EXPECT_EQ(goneRows.size(), section == 16 ? (k32BitProcess ? 1u : 0u) : 1u) << keys;
    if (section == 5 && goneRows.size() == 1) {
      EXPECT_TRUE(EqualsNoCase(goneRows[0].RegistryKey,
                               "HKEY_LOCAL_MACHINE\\" + ClassOf32(kGone32) + "\\InprocServer32\\"))
          << goneRows[0].RegistryKey;
    }
  }
}

}  // namespace
}  // namespace nc::wintest
