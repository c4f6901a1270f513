// The removal primitives and the Windows items with the real ports: real
// files in a folder of their own below the temporary folder, keys of
// their own in the real registry, the shell's silent delete, restart
// deletions and the clipboard.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/options.h"
#include "cleaner/clean_log.h"
#include "cleaner/clean_run.h"
#include "cleaner/remove_at_restart.h"
#include "cleaner/remove_files.h"
#include "cleaner/remove_registry.h"
#include "cleaner/run_mode.h"
#include "cleaner/windows_items.h"
#include "core/text.h"
#include "platform/win32/wide.h"
#include "platform/win32/win_platform.h"
#include "win_test_support.h"
#include "worker_stand_ins.h"

namespace {

using nc::cleaner::CleanRun;
using nc::platform::JoinPath;
using nc::platform::RootKey;
using nc::win32::Widen;
using nc::wintest::MakeJunction;
using nc::wintest::RemoveTree;
using nc::wintest::RunAndWait;
using nc::wintest::UnderWine;
using nc::wintest::UserKeyExists;

class LinesLog : public nc::cleaner::CleanLog {
 public:
  void AddLine(std::string_view line) override {
    std::lock_guard lock(mutex_);
    lines.emplace_back(line);
  }
  void ScrollToEnd() override {}
  std::mutex mutex_;
  std::vector<std::string> lines;
};

class CountingTarget : public nc::platform::MessageTarget {
 public:
  bool post(std::uint32_t, std::uintptr_t, std::intptr_t) override {
    ++posted;
    return true;
  }
  std::atomic<int> posted{0};
};

// Answers every question with `answer` and records the texts.
class AnswerPrompts : public nc::platform::Prompts {
 public:
  void inform(std::string_view text) override { texts.emplace_back(text); }
  void error(std::string_view text) override { texts.emplace_back(text); }
  bool confirm(std::string_view text) override {
    texts.emplace_back(text);
    return answer;
  }
  bool answer = false;
  std::vector<std::string> texts;
};

class RemovalWin : public testing::Test {
 protected:
  void SetUp() override {
    options.FastScan = false;
    root = files().tempFolder() + "nc-removal-" + std::to_string(GetCurrentProcessId());
    RemoveTree(Widen(root));
    ASSERT_TRUE(files().createFolders(root).ok());
  }
  void TearDown() override {
    RemoveTree(Widen(root));
    RegDeleteTreeW(HKEY_CURRENT_USER, Widen(kTestKey).c_str());
  }

  nc::win32::WinFileSystem& files() { return ports.files(); }

  CleanRun& MakeRun(bool testMode) {
    runMode.store(testMode ? nc::cleaner::RunMode::Test : nc::cleaner::RunMode::Clean);
    run = std::make_unique<CleanRun>(nc::cleaner::CleanEnvironment{
        nc::platform::WorkerContext{nc::platform::WithPrompts(ports.bundle(), prompts), target, ui,
                                    0},
        log, runMode, options, "C:\\"});
    return *run;
  }

  std::string P(std::string_view relative) const { return JoinPath(root, relative); }

  void Write(const std::string& path, std::string_view text) {
    ASSERT_TRUE(files().createFolders(nc::platform::FolderOf(path)).ok()) << path;
    ASSERT_TRUE(nc::platform::WriteWholeFile(files(), path, text).ok()) << path;
  }
  std::string Read(const std::string& path) {
    return nc::platform::ReadWholeFile(files(), path).value_or("<missing>");
  }

  // Creates HKEY_CURRENT_USER\<path> with string values name=value.
  void SeedKey(const std::string& path, const std::vector<std::string>& names) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, Widen(path).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS)
        << path;
    for (const auto& name : names) {
      const wchar_t data[] = L"x";
      RegSetValueExW(key, Widen(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data),
                     sizeof(data));
    }
    RegCloseKey(key);
  }
  static bool KeyExists(const std::string& path) { return UserKeyExists(Widen(path)); }

  static constexpr const char* kTestKey = "Software\\Norvik Cleaner Tests\\Removal";

  nc::win32::WinPlatform ports;
  LinesLog log;
  CountingTarget target;
  nc::wintest::SameThreadUi ui;
  AnswerPrompts prompts;
  nc::cleaner::CleanSettings options;
  std::atomic<nc::cleaner::RunMode> runMode{nc::cleaner::RunMode::Test};
  std::unique_ptr<CleanRun> run;
  std::string root;
};

TEST_F(RemovalWin, AFileHeldOpenCountsInATestRunAndNotInAClean) {
  Write(P("Tree\\free.txt"), "free");
  Write(P("Tree\\Sub\\held.txt"), "held");
  Write(P("Tree\\Отчёт 报告.txt"), "unicode");
  HANDLE holder = CreateFileW(Widen(P("Tree\\Sub\\held.txt")).c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);

  std::int32_t tested = 0;
  EXPECT_EQ(nc::cleaner::DeleteFolderContents(MakeRun(true), P("Tree"),
                                              {.removeFolder = true, .logFiles = true}, tested),
            4u + 4u + 7u);
  EXPECT_EQ(tested, 3);
  EXPECT_TRUE(files().fileExists(P("Tree\\free.txt")));

  std::int32_t cleaned = 0;
  EXPECT_EQ(nc::cleaner::DeleteFolderContents(MakeRun(false), P("Tree"),
                                              {.removeFolder = true, .logFiles = true}, cleaned),
            4u + 7u);
  EXPECT_EQ(cleaned, 2);
  EXPECT_FALSE(files().fileExists(P("Tree\\free.txt")));
  EXPECT_FALSE(files().fileExists(P("Tree\\Отчёт 报告.txt")));
  EXPECT_TRUE(files().fileExists(P("Tree\\Sub\\held.txt")));
  EXPECT_TRUE(files().folderExists(P("Tree\\Sub")));
  CloseHandle(holder);
}

TEST_F(RemovalWin, ReadOnlyAndHiddenFilesGoThroughTheShellAsTheyAre) {
  Write(P("ro.txt"), "read only");
  Write(P("hidden.txt"), "hidden");
  SetFileAttributesW(Widen(P("ro.txt")).c_str(), FILE_ATTRIBUTE_READONLY);
  SetFileAttributesW(Widen(P("hidden.txt")).c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  options.IsWipeFile = true;  // a read-only file cannot be opened for writing: it is not wiped
  CleanRun& r = MakeRun(false);
  const bool readOnlyCounted = nc::cleaner::DeleteFileLogged(r, P("ro.txt"), true);
  EXPECT_EQ(readOnlyCounted, !files().fileExists(P("ro.txt")));
  if (files().fileExists(P("ro.txt"))) {
    EXPECT_EQ(Read(P("ro.txt")), "read only");
  }
  EXPECT_TRUE(nc::cleaner::DeleteFileLogged(r, P("hidden.txt"), true));
  EXPECT_FALSE(files().fileExists(P("hidden.txt")));
  EXPECT_EQ(log.lines.back(), "Clean: deleting " + P("hidden.txt"));
}

TEST_F(RemovalWin, WipeOverwritesTheWholeFileWithOneByteValue) {
  const std::string file = P("secret.bin");
  Write(file, std::string(4096 * 2 + 5, 'S'));
  nc::cleaner::WipeFileContents(MakeRun(false), file, 2);
  const std::string after = Read(file);
  ASSERT_EQ(after.size(), 4096u * 2 + 5);
  EXPECT_EQ(after, std::string(after.size(), after[0]));
  EXPECT_NE(after[0], 'S');  // 'S' (83) may come up by chance once in 255 runs
  EXPECT_NE(static_cast<unsigned char>(after[0]), 255);
}

TEST_F(RemovalWin, ASecureCleanNeverOverwritesTheOtherNamesOfAHardLinkedFile) {
  // The diary lives outside the cleaned folder; the folder holds a second
  // name of it. The clean deletes that name and leaves the diary's bytes.
  const std::string diary = P("Documents\\diary.txt");
  const std::string cleaned = P("Cleaned");
  Write(diary, "dear diary");
  Write(JoinPath(cleaned, "plain.tmp"), "plain");
  ASSERT_TRUE(CreateHardLinkW(Widen(JoinPath(cleaned, "second name.tmp")).c_str(),
                              Widen(diary).c_str(), nullptr));
  options.IsWipeFile = true;
  options.WipeNumber = 3;
  std::int32_t count = 0;
  nc::cleaner::DeleteFolderContents(MakeRun(false), cleaned,
                                    {.removeFolder = false, .logFiles = true}, count);
  EXPECT_EQ(count, 2);
  EXPECT_FALSE(files().fileExists(JoinPath(cleaned, "second name.tmp")));
  EXPECT_FALSE(files().fileExists(JoinPath(cleaned, "plain.tmp")));
  EXPECT_EQ(Read(diary), "dear diary");

  // Asked directly, the wipe leaves a file with two names as it is.
  ASSERT_TRUE(CreateHardLinkW(Widen(P("again.txt")).c_str(), Widen(diary).c_str(), nullptr));
  nc::cleaner::WipeFileContents(MakeRun(false), diary, 2);
  EXPECT_EQ(Read(diary), "dear diary");
}

TEST_F(RemovalWin, DeleteAtRestartWritesThePendingRenameOperations) {
  const std::string file = P("in use.dat");
  Write(file, "x");
  CleanRun& r = MakeRun(false);
  EXPECT_TRUE(nc::cleaner::ScheduleDeleteAtReboot(r, P("missing.dat")));
  ASSERT_TRUE(nc::cleaner::ScheduleDeleteAtReboot(r, file));

  auto key = ports.registry().open(RootKey::LocalMachine,
                                   "System\\CurrentControlSet\\Control\\Session Manager",
                                   nc::platform::RegAccess::Read);
  ASSERT_TRUE(key.ok());
  auto value = ports.registry().readValue(*key, "PendingFileRenameOperations");
  ASSERT_TRUE(value.ok());
  bool found = false;
  for (const auto& entry : nc::platform::ValueStrings(*value)) {
    if (nc::EndsWith(entry, file) || nc::EqualsNoCase(entry, "\\??\\" + file)) found = true;
  }
  EXPECT_TRUE(found);

  if (!UnderWine()) return;
  // Wine carries the operations out when it is restarted.
  ASSERT_TRUE(RunAndWait(L"wineboot.exe -r", 60000));
  EXPECT_FALSE(files().fileExists(file));
}

TEST_F(RemovalWin, RegistryKeysAndValuesAreCountedBeforeTheyGo) {
  const std::string tree = std::string(kTestKey) + "\\Tree";
  SeedKey(tree, {"a", "b"});
  SeedKey(tree + "\\Child", {"c"});
  SeedKey(tree + "\\Child\\Grand", {"d", "e"});
  SeedKey(tree + "\\Bare", {});
  SeedKey(std::string(kTestKey) + "\\Empty", {});

  EXPECT_EQ(nc::cleaner::CountKeyValues(MakeRun(true), RootKey::CurrentUser, tree), 5);
  EXPECT_EQ(nc::cleaner::DeleteValuesByRootName(*run, "HKEY_CURRENT_USER", tree, ""), 2 + 3 + 1);
  EXPECT_TRUE(KeyExists(tree + "\\Child"));

  EXPECT_EQ(nc::cleaner::DeleteUserValues(MakeRun(false), RootKey::CurrentUser, tree, "a"), 1);
  EXPECT_EQ(nc::cleaner::DeleteUserValues(*run, RootKey::CurrentUser, tree, "a"), 0);
  EXPECT_EQ(nc::cleaner::DeleteUserValues(*run, RootKey::CurrentUser, tree, ""), 1 + 3 + 1);
  EXPECT_TRUE(KeyExists(tree));
  EXPECT_FALSE(KeyExists(tree + "\\Child"));

  EXPECT_EQ(nc::cleaner::DeleteKeyByRootName(*run, "hkey_current_user",
                                             std::string(kTestKey) + "\\Empty"),
            1);
  EXPECT_FALSE(KeyExists(std::string(kTestKey) + "\\Empty"));
  EXPECT_EQ(nc::cleaner::DeleteUserKey(*run, RootKey::CurrentUser, tree), 1);
  EXPECT_FALSE(KeyExists(tree));
  EXPECT_EQ(nc::cleaner::DeleteUserKey(*run, RootKey::CurrentUser, tree), 0);
  EXPECT_EQ(log.lines.back(), "Clean: deleting registry key HKEY_CURRENT_USER\\" + tree);
}

// A folder link the system reports as a reparse point: a junction, else a
// directory symbolic link; "" when neither can be made (with the reason).
std::string MakeFolderLink(nc::win32::WinFileSystem& fs, const std::string& link,
                           const std::string& target) {
  std::string reason;
  if (MakeJunction(Widen(link), Widen(target))) return {};
  reason = "a junction failed with error " + std::to_string(GetLastError());
  using CreateLink = BOOLEAN(WINAPI*)(LPCWSTR, LPCWSTR, DWORD);
  auto create = reinterpret_cast<CreateLink>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "CreateSymbolicLinkW")));
  if (create != nullptr && create(Widen(link).c_str(), Widen(target).c_str(), 1 | 2)) {
    auto found = fs.stat(link);
    if (found && found->isLink()) return {};
    reason += "; CreateSymbolicLinkW reported success but made no reparse point";
    RemoveDirectoryW(Widen(link).c_str());
  } else {
    reason += "; CreateSymbolicLinkW failed with error " + std::to_string(GetLastError());
  }
  return reason;
}

TEST_F(RemovalWin, AJunctionInTheTemporaryFolderLeavesTheDocumentsBehindItIntact) {
  const std::string documents = P("Documents");
  Write(JoinPath(documents, "thesis.doc"), "precious");
  Write(P("Temp\\plain.tmp"), "x");
  const std::string why = MakeFolderLink(files(), P("Temp\\Docs"), documents);
  if (!why.empty()) GTEST_SKIP() << "this system cannot make a folder link: " << why;

  std::int32_t tested = 0;
  nc::cleaner::DeleteFolderContents(MakeRun(true), P("Temp"),
                                    {.removeFolder = false, .logFiles = true}, tested);
  EXPECT_EQ(tested, 1);
  std::int32_t cleaned = 0;
  nc::cleaner::DeleteFolderContents(MakeRun(false), P("Temp"),
                                    {.removeFolder = false, .logFiles = true}, cleaned);
  EXPECT_EQ(cleaned, 1);
  EXPECT_FALSE(files().folderExists(P("Temp\\Docs")));
  EXPECT_EQ(Read(JoinPath(documents, "thesis.doc")), "precious");
}

// ---- the Windows items on the prefix ------------------------------------------------

class WindowsItemsWin : public RemovalWin {
 protected:
  void SetUp() override {
    RemovalWin::SetUp();
    // The temporary folder of this process becomes a folder of the test.
    for (const wchar_t* name : {L"TMP", L"TEMP"}) {
      wchar_t buffer[MAX_PATH] = {};
      const DWORD got = GetEnvironmentVariableW(name, buffer, MAX_PATH);
      saved.emplace_back(name, got > 0 && got < MAX_PATH ? std::wstring(buffer) : std::wstring());
      SetEnvironmentVariableW(name, Widen(P("UserTemp")).c_str());
    }
    ASSERT_TRUE(files().createFolders(P("UserTemp")).ok());
  }
  void TearDown() override {
    for (const auto& [name, value] : saved) {
      SetEnvironmentVariableW(name.c_str(), value.empty() ? nullptr : value.c_str());
    }
    RemovalWin::TearDown();
  }
  CleanRun& RunItem(std::string_view name, bool testMode) {
    CleanRun& r = MakeRun(testMode);
    EXPECT_TRUE(nc::cleaner::RunWindowsItem(r, name)) << name;
    return r;
  }
  std::vector<std::pair<std::wstring, std::wstring>> saved;
};

TEST_F(WindowsItemsWin, TemporaryFilesCountTheSameInATestAndACleanRun) {
  ASSERT_EQ(nc::WithoutTrailingBackslash(files().tempFolder()), P("UserTemp"));
  Write(P("UserTemp\\a.tmp"), "aaaa");
  Write(P("UserTemp\\Setup\\b.tmp"), "bb");
  Write(P("UserTemp\\Setup\\Deep\\c.tmp"), "c");
  CleanRun& tested = RunItem("Windows - Temporary Files", true);
  EXPECT_EQ(tested.ItemCount, 3);
  EXPECT_EQ(tested.ItemSize, 7u);
  CleanRun& cleaned = RunItem("Windows - Temporary Files", false);
  EXPECT_EQ(cleaned.ItemCount, 3);
  EXPECT_EQ(cleaned.ItemSize, 7u);
  EXPECT_FALSE(files().folderExists(P("UserTemp\\Setup")));
  EXPECT_TRUE(files().folderExists(P("UserTemp")));
}

TEST_F(WindowsItemsWin, RecentDocumentsRemoveTheKeyAndTheRecentFiles) {
  const std::string key = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RecentDocs";
  SeedKey(key, {"0", "MRUListEx"});
  SeedKey(key + "\\.txt", {"0"});
  const std::string recent = files().specialFolder(nc::platform::Csidl::Recent);
  ASSERT_FALSE(recent.empty());
  const std::string link = JoinPath(recent, "nc-removal-test.lnk");
  Write(link, std::string(100, 'l'));

  CleanRun& tested = RunItem("Windows - Recent Documents", true);
  EXPECT_GE(tested.ItemCount, 4);
  EXPECT_GE(tested.ItemSize, 100u);
  const auto testedCount = tested.ItemCount;
  CleanRun& cleaned = RunItem("Windows - Recent Documents", false);
  EXPECT_EQ(cleaned.ItemCount, testedCount);
  EXPECT_FALSE(KeyExists(key));
  EXPECT_FALSE(files().fileExists(link));
}

TEST_F(WindowsItemsWin, RunMruAndTrayStreamsComeFromTheUsersKeys) {
  const std::string mru = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU";
  SeedKey(mru, {"a", "b", "MRUList"});
  EXPECT_EQ(RunItem("Windows - Start Run", true).ItemCount, 3);
  EXPECT_EQ(RunItem("Windows - Start Run", false).ItemCount, 3);
  EXPECT_FALSE(KeyExists(mru));

  const std::string tray = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\TrayNotify";
  SeedKey(tray, {"IconStreams", "PastIconsStream", "Other"});
  EXPECT_EQ(RunItem("Advanced - Tray Notifications Cache", false).ItemCount, 2);
  EXPECT_TRUE(KeyExists(tray));
  EXPECT_EQ(RunItem("Advanced - Tray Notifications Cache", true).ItemCount, 0);
  RegDeleteTreeW(HKEY_CURRENT_USER, Widen(tray).c_str());
}

TEST_F(WindowsItemsWin, DumpsAndChkdskFragmentsInTheSystemFolders) {
  const std::string windows = files().windowsFolder();
  const std::string system = files().systemFolder();
  Write(JoinPath(windows, "memory.dmp"), std::string(10, 'm'));
  Write(JoinPath(windows, "MiniDump\\Mini-nc.DMP"), std::string(20, 'd'));
  Write(JoinPath(system, "FILE9990.CHK"), std::string(30, 'c'));
  CleanRun& dumps = RunItem("Windows - Memory Dumps", true);
  EXPECT_GE(dumps.ItemCount, 2);
  const auto dumpCount = dumps.ItemCount;
  EXPECT_EQ(RunItem("Windows - Memory Dumps", false).ItemCount, dumpCount);
  EXPECT_FALSE(files().fileExists(JoinPath(windows, "memory.dmp")));
  EXPECT_FALSE(files().fileExists(JoinPath(windows, "MiniDump\\Mini-nc.DMP")));
  EXPECT_TRUE(files().folderExists(JoinPath(windows, "MiniDump")));
  RemoveDirectoryW(Widen(JoinPath(windows, "MiniDump")).c_str());

  CleanRun& chk = RunItem("Windows - Chkdsk File Fragments", true);
  EXPECT_GE(chk.ItemCount, 1);
  RunItem("Windows - Chkdsk File Fragments", false);
  EXPECT_FALSE(files().fileExists(JoinPath(system, "FILE9990.CHK")));
}

TEST_F(WindowsItemsWin, ClipboardKeepsItsTextInATestRunAndLosesItInAClean) {
  auto putText = [] {
    if (!OpenClipboard(nullptr)) return false;
    EmptyClipboard();
    const wchar_t text[] = L"secret";
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, sizeof(text));
    std::memcpy(GlobalLock(memory), text, sizeof(text));
    GlobalUnlock(memory);
    const bool put = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    CloseClipboard();
    return put;
  };
  if (!putText()) GTEST_SKIP() << "the clipboard cannot be opened here";
  EXPECT_EQ(RunItem("Windows - Clipboard", true).ItemCount, 0);
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));
  EXPECT_EQ(RunItem("Windows - Clipboard", false).ItemCount, 0);
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_UNICODETEXT));
}

TEST_F(WindowsItemsWin, RecycledFilesOfTheFixedDriveAreCountedInATestRun) {
  // Only the counting: emptying the bins under Wine would empty the
  // desktop's trash of the account running the tests.
  const std::string bin = "C:\\Recycled";
  const bool made = !files().folderExists(bin);
  Write(JoinPath(bin, "INFO2"), "i");
  Write(JoinPath(bin, "desktop.ini"), "d");
  Write(JoinPath(bin, "Dc1-nc.txt"), "12345");
  CleanRun& r = RunItem("Windows - Empty Recycle Bin", true);
  EXPECT_GE(r.ItemCount, 1);
  EXPECT_GE(r.ItemSize, 5u);
  EXPECT_TRUE(files().fileExists(JoinPath(bin, "Dc1-nc.txt")));
  DeleteFileW(Widen(JoinPath(bin, "Dc1-nc.txt")).c_str());
  if (made) RemoveTree(Widen(bin));
}

}  // namespace
