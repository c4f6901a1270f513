// Backups written with the real ports and brought back by the system's
// own registry editor ("regedit /s file"): every value type, the hex line
// breaking, default values, escaping, names and texts outside the ANSI
// code page, a file that turns into version 5 halfway through a fix run,
// and the restore point window. Keys live below
// HKCU\Software\NorvikRoundTrip, removed before and after each test.
//
// The DISABLED_ tests time a large export against "regedit /e" and a fix
// run of 10,000 problems; run them with --gtest_also_run_disabled_tests.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "app/main_controller.h"
#include "core/text.h"
#include "platform/win32/wide.h"
#include "platform/win32/win_platform.h"
#include "platform/win32/win_prompts.h"
#include "registry/backups.h"
#include "registry/export_writer.h"
#include "registry/fixer.h"
#include "registry/restore_point.h"
#include "ui/win32/restore_point_dialog.h"
#include "win_test_support.h"

namespace {

using nc::platform::RootKey;
using nc::registry::PredefinedRoot;
using nc::wintest::ReadBytes;
using nc::wintest::RunAndWait;

constexpr const wchar_t* kBaseW = L"Software\\NorvikRoundTrip";
constexpr const char* kBase = "Software\\NorvikRoundTrip";

// ---- raw registry access, apart from the ports under test ------------------------

struct Value {
  DWORD type = 0;
  std::vector<BYTE> data;
  bool operator==(const Value&) const = default;
};
// Key path (relative to the base) -> value name -> value.
using Snapshot = std::map<std::wstring, std::map<std::wstring, Value>>;

void SnapshotKey(HKEY key, const std::wstring& relative, Snapshot& out, int depth = 0) {
  auto& values = out[relative];
  DWORD subKeys = 0, maxSubKey = 0, valueCount = 0, maxName = 0, maxData = 0;
  ASSERT_EQ(RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, &maxSubKey, nullptr,
                             &valueCount, &maxName, &maxData, nullptr, nullptr),
            ERROR_SUCCESS);
  for (DWORD i = 0; i < valueCount; ++i) {
    std::wstring name(maxName + 1, L'\0');
    DWORD nameLength = maxName + 1;
    Value value;
    value.data.resize(maxData + 1);
    DWORD size = maxData + 1;
    ASSERT_EQ(RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &value.type,
                            value.data.data(), &size),
              ERROR_SUCCESS);
    name.resize(nameLength);
    value.data.resize(size);
    values[name] = value;
  }
  if (depth > 32) return;
  for (DWORD i = 0; i < subKeys; ++i) {
    std::wstring name(maxSubKey + 1, L'\0');
    DWORD nameLength = maxSubKey + 1;
    ASSERT_EQ(RegEnumKeyExW(key, i, name.data(), &nameLength, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    name.resize(nameLength);
    HKEY sub = nullptr;
    ASSERT_EQ(RegOpenKeyExW(key, name.c_str(), 0, KEY_READ, &sub), ERROR_SUCCESS);
    SnapshotKey(sub, relative.empty() ? name : relative + L"\\" + name, out, depth + 1);
    RegCloseKey(sub);
  }
}

Snapshot TakeSnapshot() {
  Snapshot snapshot;
  HKEY base = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kBaseW, 0, KEY_READ, &base) != ERROR_SUCCESS) {
    return snapshot;
  }
  SnapshotKey(base, L"", snapshot);
  RegCloseKey(base);
  return snapshot;
}

void Put(const std::wstring& path, const std::wstring& name, DWORD type,
         const std::vector<BYTE>& data) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (std::wstring(kBaseW) + path).c_str(), 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(key, name.empty() ? nullptr : name.c_str(), 0, type,
                           data.empty() ? nullptr : data.data(), static_cast<DWORD>(data.size())),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

std::vector<BYTE> Text(const std::wstring& text) {
  const auto* bytes = reinterpret_cast<const BYTE*>(text.c_str());
  return std::vector<BYTE>(bytes, bytes + (text.size() + 1) * sizeof(wchar_t));
}

std::vector<BYTE> Multi(std::initializer_list<std::wstring> strings) {
  std::vector<BYTE> out;
  for (const auto& s : strings) {
    const auto bytes = Text(s);
    out.insert(out.end(), bytes.begin(), bytes.end());
  }
  out.push_back(0);
  out.push_back(0);
  return out;
}

std::vector<BYTE> Counting(std::size_t n) {
  std::vector<BYTE> out(n);
  for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<BYTE>(i * 7 + 3);
  return out;
}

void RemoveBase() {
  RegDeleteTreeW(HKEY_CURRENT_USER, kBaseW);
  RegDeleteKeyW(HKEY_CURRENT_USER, kBaseW);
}

bool ImportWithRegedit(const std::string& file) {
  return RunAndWait(L"regedit.exe /s \"" + nc::win32::Widen(file) + L"\"");
}

class AnswerYes : public nc::platform::Prompts {
 public:
  void inform(std::string_view) override {}
  void error(std::string_view) override {}
  bool confirm(std::string_view text) override {
    questions.emplace_back(text);
    return answer;
  }
  bool answer = true;
  std::vector<std::string> questions;
};

class NoView : public nc::registry::FixView {
 public:
  void SetStatusText(std::string_view text) override { status = text; }
  std::string status;
};

class ExportRoundTrip : public testing::Test {
 protected:
  void SetUp() override { RemoveBase(); }
  void TearDown() override { RemoveBase(); }

  nc::platform::Platform Ports() { return ports.bundle(); }

  // Every type and edge of the writer, with `extra` in names and texts.
  void Seed(const std::wstring& extra) {
    Put(L"", L"", REG_SZ, Text(L"root default " + extra));
    Put(L"", L"quote\"back\\slash" + extra, REG_SZ, Text(L"C:\\dir \"quoted\" \\\" end\\"));
    Put(L"", L"empty", REG_SZ, Text(L""));
    Put(L"", L"expand", REG_EXPAND_SZ, Text(L"%SystemRoot%\\system32\\" + extra));
    Put(L"", L"multi", REG_MULTI_SZ, Multi({L"one", extra, L"three \"q\" \\"}));
    Put(L"", L"multi empty", REG_MULTI_SZ, {0, 0});
    Put(L"", L"dword", REG_DWORD, {0xFF, 0xFF, 0xFF, 0xFF});
    Put(L"", L"dword255", REG_DWORD, {0xFF, 0, 0, 0});
    Put(L"", L"qword", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 0x80});
    Put(L"", L"big endian", REG_DWORD_BIG_ENDIAN, {0, 0, 1, 2});
    Put(L"", L"none", REG_NONE, {9, 8, 7});
    Put(L"", L"none empty", REG_NONE, {});
    for (std::size_t n : {0u, 26u, 27u, 1000u}) {
      Put(L"\\Binary", L"bin" + std::to_wstring(n), REG_BINARY, Counting(n));
    }
    Put(L"\\Binary\\Sub" + extra, L"", REG_SZ, Text(L"sub default"));
    Put(L"\\Binary\\Sub" + extra + L"\\Deeper", extra, REG_DWORD, {5, 0, 0, 0});
    Put(L"\\Empty", L"x", REG_SZ, Text(L"y"));
  }

  nc::win32::WinPlatform ports;
  nc::wintest::TempFolder scratch{L"nc-roundtrip"};
  const std::string folder = scratch.utf8();
  const std::string file = folder + "\\roundtrip.reg";
};

// Text the ANSI code page of this system carries both ways ("é" on
// Western code pages).
std::wstring AnsiExtra() {
  return GetACP() == 1252 ? std::wstring(L"\u00E9\u00FC") : std::wstring(L"ae");
}

TEST_F(ExportRoundTrip, AnsiBackupRestoresEveryTypeExactly) {
  Seed(AnsiExtra());
  const Snapshot before = TakeSnapshot();
  ASSERT_GT(before.size(), 4u);

  ASSERT_TRUE(
      nc::registry::ExportToBackup(Ports(), file, PredefinedRoot::CurrentUser, true, {}, kBase)
          .ok());
  const std::string bytes = ReadBytes(file);
  EXPECT_TRUE(
      nc::StartsWith(bytes, "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\NorvikRoundTrip]\r\n"));
  EXPECT_NE(bytes.find("\"expand\"=hex(2):"), std::string::npos);
  EXPECT_NE(bytes.find("\"multi\"=hex(7):"), std::string::npos);

  RemoveBase();
  ASSERT_TRUE(TakeSnapshot().empty());
  ASSERT_TRUE(ImportWithRegedit(file));
  EXPECT_EQ(TakeSnapshot(), before);
}

TEST_F(ExportRoundTrip, NamesAndTextsOutsideTheCodePageComeBackThroughVersion5) {
  Seed(L"\u03A9\u0436\u20AC\u4E2D");
  Put(L"", L"lines", REG_SZ, Text(L"first\r\nsecond"));
  const Snapshot before = TakeSnapshot();

  ASSERT_TRUE(
      nc::registry::ExportToBackup(Ports(), file, PredefinedRoot::CurrentUser, true, {}, kBase)
          .ok());
  EXPECT_TRUE(nc::StartsWith(ReadBytes(file), "\xFF\xFEW\0i\0n\0"));

  RemoveBase();
  ASSERT_TRUE(ImportWithRegedit(file));
  EXPECT_EQ(TakeSnapshot(), before);
}

TEST_F(ExportRoundTrip, StringsThatAreNotWholeUtf16AndUnwritableNamesAreSafe) {
  // An odd byte count or a lone surrogate comes back byte for byte, in a
  // file that starts with the entry and in one that was REGEDIT4 before;
  // a name with a line break is refused with nothing written; and the
  // restore's check sees the entries back.
  for (const bool fileStartsAnsi : {false, true}) {
    SCOPED_TRACE(fileStartsAnsi ? "REGEDIT4 first" : "new file");
    RemoveBase();
    DeleteFileW(nc::win32::Widen(file).c_str());
    std::vector<BYTE> oddExpand = Text(L"%TEMP%\\a");
    oddExpand.push_back(0x41);
    std::vector<BYTE> oddMulti = Multi({L"one", L"two"});
    oddMulti.pop_back();
    Put(L"\\Odd", L"expand", REG_EXPAND_SZ, oddExpand);
    Put(L"\\Odd", L"multi", REG_MULTI_SZ, oddMulti);
    Put(L"\\Odd", L"surrogate", REG_EXPAND_SZ, {'a', 0, 0x00, 0xD8, 0, 0});
    Put(L"\\Plain", L"s", REG_SZ, Text(L"x"));
    Put(L"\\Lines", L"two\nlines", REG_SZ, Text(L"x"));
    const std::string base = std::string(kBase);
    auto refused = nc::registry::ExportToBackup(Ports(), file, PredefinedRoot::CurrentUser, true,
                                                {}, base + "\\Lines");
    ASSERT_TRUE(refused.ok());
    EXPECT_FALSE(*refused);
    EXPECT_EQ(GetFileAttributesW(nc::win32::Widen(file).c_str()), INVALID_FILE_ATTRIBUTES);
    RegDeleteTreeW(HKEY_CURRENT_USER, (std::wstring(kBaseW) + L"\\Lines").c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, (std::wstring(kBaseW) + L"\\Lines").c_str());
    const Snapshot before = TakeSnapshot();

    if (fileStartsAnsi) {
      ASSERT_TRUE(nc::registry::ExportToBackup(Ports(), file, PredefinedRoot::CurrentUser, true, {},
                                               base + "\\Plain")
                      .ok());
      ASSERT_TRUE(nc::StartsWith(ReadBytes(file), "REGEDIT4"));
    }
    ASSERT_TRUE(nc::registry::ExportToBackup(Ports(), file, PredefinedRoot::CurrentUser, true, {},
                                             base + "\\Odd")
                    .ok());
    EXPECT_TRUE(nc::StartsWith(ReadBytes(file), "\xFF\xFE"));

    RemoveBase();
    Put(L"\\Plain", L"s", REG_SZ, Text(L"x"));
    EXPECT_FALSE(nc::registry::BackupIsInRegistry(Ports(), file));
    ASSERT_TRUE(ImportWithRegedit(file));
    EXPECT_EQ(TakeSnapshot(), before);
    EXPECT_TRUE(nc::registry::BackupIsInRegistry(Ports(), file));
  }
}

TEST_F(ExportRoundTrip, LoneSurrogateNamesComeBackUnitForUnit) {
  // Value and key names holding one half of a surrogate pair, beside the
  // U+FFFD look-alike their text would show: the backup holds the exact
  // units and the registry editor makes the same names again.
  const std::wstring high = std::wstring(L"hi") + static_cast<wchar_t>(0xD800);
  const std::wstring low = std::wstring(L"lo") + static_cast<wchar_t>(0xDC00);
  Put(L"", high, REG_SZ, Text(L"hidden"));
  Put(L"", L"hi\uFFFD", REG_SZ, Text(L"look-alike"));
  Put(L"\\" + low, low, REG_DWORD, {1, 0, 0, 0});
  Put(L"\\" + low + L"\\" + high, L"inner", REG_SZ, Text(L"x"));
  const Snapshot before = TakeSnapshot();
  ASSERT_EQ(before.size(), 3u);

  ASSERT_TRUE(
      nc::registry::ExportToBackup(Ports(), file, PredefinedRoot::CurrentUser, true, {}, kBase)
          .ok());
  EXPECT_TRUE(nc::StartsWith(ReadBytes(file), "\xFF\xFE"));
  RemoveBase();
  ASSERT_TRUE(ImportWithRegedit(file));
  EXPECT_EQ(TakeSnapshot(), before);
}

TEST_F(ExportRoundTrip, AFixRunWhoseFileTurnsIntoVersion5RestoresEverything) {
  const std::wstring extra = AnsiExtra();
  Put(L"\\A", L"multi", REG_MULTI_SZ, Multi({L"x" + extra, L"y"}));
  Put(L"\\A", L"expand", REG_EXPAND_SZ, Text(L"%TEMP%\\" + extra));
  Put(L"\\B", L"name\u03A9", REG_SZ, Text(L"\u20AC"));
  Put(L"\\C", L"gone", REG_BINARY, Counting(40));
  const Snapshot before = TakeSnapshot();

  nc::registry::ResultsModel rows;
  const std::string base = std::string("HKEY_CURRENT_USER\\") + kBase;
  // Visited from the last: C (ANSI), then B (needs version 5), then A.
  rows.Append({"p", "A", base + "\\A", nc::registry::ProblemKind::Key, true});
  rows.Append({"p", "name\xCE\xA9", base + "\\B", nc::registry::ProblemKind::ValueInKey, true});
  rows.Append({"p", "x", base + "\\C\\gone", nc::registry::ProblemKind::ValuePath, true});
  AnswerYes prompts;
  nc::registry::BackupSettings options;
  options.OutputDirectory = folder;
  nc::registry::FixEnvironment env{
      nc::platform::WithPrompts(ports.bundle(), prompts), options, 12, {}, {}};
  NoView view;
  const auto result = nc::registry::FixSelectedProblems(env, rows, view);
  ASSERT_EQ(result.outcome, nc::registry::FixOutcome::Finished);
  EXPECT_EQ(result.deleted, 3u);
  EXPECT_EQ(view.status, "Fix errors finished!");
  EXPECT_TRUE(nc::StartsWith(ReadBytes(result.backupFile), "\xFF\xFE"));

  // Only the emptied keys are left; the backup brings the rest back.
  ASSERT_TRUE(ImportWithRegedit(result.backupFile));
  EXPECT_EQ(TakeSnapshot(), before);
  DeleteFileW(nc::win32::Widen(result.backupFile).c_str());
}

TEST_F(ExportRoundTrip, TheRestorePointWindowAsksAfterTheFailureWineGives) {
  // Wine's SrClient.dll answers FALSE: the window asks, and No stops.
  AnswerYes prompts;
  prompts.answer = false;
  EXPECT_FALSE(nc::ui::ShowSystemPointDialog(nullptr, ports.system(), prompts));
  ASSERT_EQ(prompts.questions.size(), 1u);
  EXPECT_EQ(prompts.questions[0], "Restore Point creation Failed! Contiue to fix?");
  prompts.answer = true;
  EXPECT_TRUE(nc::ui::ShowSystemPointDialog(nullptr, ports.system(), prompts));
  EXPECT_EQ(FindWindowW(nc::ui::kSystemPointClass, nullptr), nullptr);
}

// ---- figures -------------------------------------------------------------------------

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST_F(ExportRoundTrip, DISABLED_ExportOf100000ValuesAgainstRegedit) {
  // 100 keys of 1,000 values of mixed types.
  for (int k = 0; k < 100; ++k) {
    HKEY key = nullptr;
    const std::wstring path = std::wstring(kBaseW) + L"\\Key" + std::to_wstring(k);
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    for (int v = 0; v < 1000; ++v) {
      const std::wstring name = L"value " + std::to_wstring(v);
      std::vector<BYTE> data;
      DWORD type = REG_SZ;
      switch (v % 5) {
        case 0:
          data = Text(L"C:\\Program Files\\App " + std::to_wstring(v) + L"\\app.exe");
          break;
        case 1:
          type = REG_DWORD;
          data = {static_cast<BYTE>(v), 0, 0, 0};
          break;
        case 2:
          type = REG_BINARY;
          data = Counting(static_cast<std::size_t>(v % 64));
          break;
        case 3:
          type = REG_EXPAND_SZ;
          data = Text(L"%SystemRoot%\\system32\\file" + std::to_wstring(v) + L".dll");
          break;
        default:
          type = REG_MULTI_SZ;
          data = Multi({L"first", L"second " + std::to_wstring(v)});
          break;
      }
      ASSERT_EQ(
          RegSetValueExW(key, name.c_str(), 0, type, data.data(), static_cast<DWORD>(data.size())),
          ERROR_SUCCESS);
    }
    RegCloseKey(key);
  }

  auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(
      nc::registry::ExportToBackup(Ports(), file, PredefinedRoot::CurrentUser, true, {}, kBase)
          .ok());
  const double ours = SecondsSince(start);

  const std::string theirs = folder + "\\regedit-export.reg";
  DeleteFileW(nc::win32::Widen(theirs).c_str());
  start = std::chrono::steady_clock::now();
  ASSERT_TRUE(RunAndWait(L"regedit.exe /e \"" + nc::win32::Widen(theirs) +
                         L"\" \"HKEY_CURRENT_USER\\Software\\NorvikRoundTrip\""));
  const double regedit = SecondsSince(start);
  std::printf("ExportToBackup of 100,000 values: %.2f s, %zu bytes\n", ours,
              ReadBytes(file).size());
  std::printf("regedit /e of the same key:       %.2f s, %zu bytes\n", regedit,
              ReadBytes(theirs).size());
  DeleteFileW(nc::win32::Widen(theirs).c_str());
}

TEST_F(ExportRoundTrip, DISABLED_FixOf10000TickedProblems) {
  nc::registry::ResultsModel rows;
  const std::string base = std::string("HKEY_CURRENT_USER\\") + kBase;
  // 8,000 values in 80 keys and 2,000 keys of two values each.
  for (int k = 0; k < 80; ++k) {
    for (int v = 0; v < 100; ++v) {
      const std::wstring name = L"v" + std::to_wstring(v);
      Put(L"\\Values" + std::to_wstring(k), name, REG_SZ, Text(L"C:\\missing\\file.exe"));
      rows.Append({"p", "C:\\missing\\file.exe",
                   base + "\\Values" + std::to_string(k) + "\\v" + std::to_string(v),
                   nc::registry::ProblemKind::ValuePath, true});
    }
  }
  for (int k = 0; k < 2000; ++k) {
    Put(L"\\Keys\\K" + std::to_wstring(k), L"a", REG_SZ, Text(L"x"));
    Put(L"\\Keys\\K" + std::to_wstring(k), L"b", REG_DWORD, {1, 0, 0, 0});
    rows.Append(
        {"p", "K", base + "\\Keys\\K" + std::to_string(k), nc::registry::ProblemKind::Key, true});
  }
  AnswerYes prompts;
  nc::registry::BackupSettings options;
  options.OutputDirectory = folder;
  nc::registry::FixEnvironment env{
      nc::platform::WithPrompts(ports.bundle(), prompts), options, 12, {}, {}};
  NoView view;
  const auto start = std::chrono::steady_clock::now();
  const auto result = nc::registry::FixSelectedProblems(env, rows, view);
  const double seconds = SecondsSince(start);
  ASSERT_EQ(result.outcome, nc::registry::FixOutcome::Finished);
  EXPECT_EQ(result.deleted, 10000u);
  std::printf("Fix of 10,000 ticked problems (backup and delete): %.2f s, backup %zu bytes\n",
              seconds, ReadBytes(result.backupFile).size());
  DeleteFileW(nc::win32::Widen(result.backupFile).c_str());

  // The same 8,000 values deleted without backup, for comparison.
  for (int k = 0; k < 80; ++k) {
    for (int v = 0; v < 100; ++v) {
      Put(L"\\Values" + std::to_wstring(k), L"v" + std::to_wstring(v), REG_SZ,
          Text(L"C:\\missing\\file.exe"));
    }
  }
  const auto bare = std::chrono::steady_clock::now();
  for (int k = 0; k < 80; ++k) {
    for (int v = 0; v < 100; ++v) {
      auto deleted = nc::registry::DeleteValueWithBackup(
          Ports(), {}, "HKEY_CURRENT_USER", std::string(kBase) + "\\Values" + std::to_string(k),
          false, "v" + std::to_string(v));
      ASSERT_TRUE(deleted.ok() && *deleted);
    }
  }
  std::printf("The 8,000 values of it deleted without backup: %.2f s\n", SecondsSince(bare));
}

}  // namespace
