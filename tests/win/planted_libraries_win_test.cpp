// Libraries planted beside the real program: copies of a library that
// marks every load of itself, named as the libraries the program loads at
// run time, are never loaded, even with native copies preferred to Wine's
// own as Windows' search order prefers the program's folder.
#include <windows.h>

#include <wininet.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <string>

#include "program_under_test.h"
#include "win_test_support.h"
#include "window_driving.h"

namespace nc::wintest {
namespace {

namespace fs = std::filesystem;

constexpr const wchar_t* kLibraries[] = {L"pstorec.dll", L"SrClient.dll"};
constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kGoneValue[] = L"NorvikPlantedGone";
constexpr int kStartupProgramsSection = 14;

// The marking library, built beside the tests in a folder of its own.
fs::path MarkingLibrary() {
  return fs::path(BinDir()) / L"planted" / L"planted_library.dll";
}

// Copies the marking library into `folder` under each name; false when
// one could not be copied.
bool Plant(const fs::path& folder) {
  std::error_code ec;
  for (const wchar_t* name : kLibraries) {
    fs::copy_file(MarkingLibrary(), folder / name, fs::copy_options::overwrite_existing, ec);
    if (ec) return false;
  }
  return true;
}

bool Marked(const fs::path& folder, const wchar_t* name) {
  return fs::exists(folder / (std::wstring(name) + L".loaded"));
}

// An environment variable set for the processes this one starts while the
// object lives.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const wchar_t* name, const std::wstring& value) : name_(name) {
    wchar_t old[4096] = {};
    const DWORD length = GetEnvironmentVariableW(name, old, 4096);
    had_ = length > 0 && length < 4096;
    if (had_) old_ = old;
    SetEnvironmentVariableW(name, ((had_ ? old_ + L";" : L"") + value).c_str());
  }
  ~ScopedEnvironment() { SetEnvironmentVariableW(name_, had_ ? old_.c_str() : nullptr); }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  const wchar_t* name_;
  std::wstring old_;
  bool had_ = false;
};

// Native copies of the named libraries before Wine's own, for the
// program alone, while the object lives: Wine's per-program overrides. (The
// WINEDLLOVERRIDES variable of this process does not reach the program's
// loader.)
class NativeCopiesFirst {
 public:
  explicit NativeCopiesFirst(std::initializer_list<const wchar_t*> names) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
      return;
    }
    constexpr wchar_t kOrder[] = L"native,builtin";
    for (const wchar_t* name : names) {
      RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(kOrder), sizeof kOrder);
    }
    RegCloseKey(key);
  }
  ~NativeCopiesFirst() { RegDeleteTreeW(HKEY_CURRENT_USER, kKey); }
  NativeCopiesFirst(const NativeCopiesFirst&) = delete;
  NativeCopiesFirst& operator=(const NativeCopiesFirst&) = delete;

 private:
  static constexpr wchar_t kKey[] = L"Software\\Wine\\AppDefaults\\NorvikCleaner.exe\\DllOverrides";
};

bool GoneValueExists() {
  HKEY run = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_READ, &run) != ERROR_SUCCESS) return false;
  const bool found =
      RegQueryValueExW(run, kGoneValue, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  RegCloseKey(run);
  return found;
}

TEST(PlantedLibrariesWin, ALoadOfTheMarkingLibraryLeavesItsMark) {
  // Without this the absence of a mark below would prove nothing.
  TempFolder folder(L"ncplanted");
  ASSERT_TRUE(Plant(folder.path()));
  const fs::path copy = fs::path(folder.path()) / kLibraries[0];
  HMODULE loaded = LoadLibraryW(copy.c_str());
  ASSERT_NE(loaded, nullptr) << GetLastError();
  FreeLibrary(loaded);
  EXPECT_TRUE(Marked(folder.path(), kLibraries[0]));
  EXPECT_FALSE(Marked(folder.path(), kLibraries[1]));
}

TEST(PlantedLibrariesWin, ClearWithAutocompleteAndARestorePointLoadsNothingFromTheProgramFolder) {
  // A startup entry that names a missing program, for the scan to find and
  // the fix to remove after its restore point.
  HKEY run = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &run, nullptr),
            ERROR_SUCCESS);
  const wchar_t missing[] = L"C:\\Norvik Planted\\gone.exe";
  RegSetValueExW(run, kGoneValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(missing),
                 sizeof missing);
  RegCloseKey(run);

  ProgramUnderTest program;
  program.TickOnlyCleanerItem(L"Internet Explorer - Autocomplete History", false);
  const std::wstring ini = program.file(L"options.ini");
  WritePrivateProfileStringW(L"Options", L"RestorePoint", L"1", ini.c_str());
  for (int id = 1; id <= 24; ++id) {
    WritePrivateProfileStringW(L"TreeViewNodeCheck", std::to_wstring(id).c_str(),
                               id == kStartupProgramsSection ? L"1" : L"0", ini.c_str());
  }
  ASSERT_TRUE(Plant(program.folder()));
  {
    // Native copies first, as Windows searches the program's folder before
    // the system folder; Wine would otherwise take its own built-in ones.
    ScopedEnvironment nativeFirst(L"WINEDLLOVERRIDES", L"pstorec,srclient=n,b");
    ASSERT_TRUE(program.Start(L"/Clear"));
  }
  NativeCopiesFirst nativeFirst({L"pstorec", L"srclient"});
  // The run starts by itself, activated or not. Wine's System Restore
  // refuses, and nobody is there to say whether to go on without it: the
  // run takes the default, No, fixes nothing and ends with 1.
  bool asked = false;
  EXPECT_TRUE(WaitFor(
      [&] {
        if (HWND question = FindWindowW(L"#32770", L"Norvik Cleaner")) {
          PostMessageW(question, WM_COMMAND, IDYES, 0);
          asked = true;
        }
        return !program.Running();
      },
      60000))
      << "the unattended run never ended";
  EXPECT_FALSE(asked) << "the run waited for an answer";
  if (UnderWine()) {
    EXPECT_EQ(program.WaitForExit(1000), 1);
    EXPECT_TRUE(GoneValueExists()) << "fixed without its restore point";
  }
  for (const wchar_t* name : kLibraries) {
    EXPECT_FALSE(Marked(program.folder(), name))
        << "the planted " << fs::path(name).string() << " was loaded";
  }
  if (HKEY key = nullptr;
      RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
    RegDeleteValueW(key, kGoneValue);
    RegCloseKey(key);
  }
}

TEST(PlantedLibrariesWin, AWinInetBesideTheProgramIsNeverLoadedAndTheCacheIsCleanedAllTheSame) {
  // WinINet is no known library: a program that imports it takes the copy
  // in its own folder at start, before any line of its own has run.
  const std::wstring url =
      L"http://nc-planted-" + std::to_wstring(GetCurrentProcessId()) + L".example/page.html";
  ASSERT_TRUE(SeedCacheEntry(url));
  ProgramUnderTest program;
  program.TickOnlyCleanerItem(L"Internet Explorer - Visited URL History", true);
  for (int id = 1; id <= 24; ++id) {
    WritePrivateProfileStringW(L"TreeViewNodeCheck", std::to_wstring(id).c_str(), L"0",
                               program.file(L"options.ini").c_str());
  }
  const fs::path planted = fs::path(program.folder()) / L"wininet.dll";
  std::error_code ec;
  fs::copy_file(MarkingLibrary(), planted, fs::copy_options::overwrite_existing, ec);
  ASSERT_FALSE(ec) << ec.message();
  {
    NativeCopiesFirst nativeFirst({L"wininet"});
    ASSERT_TRUE(program.Start(L"/Clear"));
    EXPECT_NE(program.WaitForExit(60000), -1) << "the unattended run never ended";
  }
  EXPECT_FALSE(Marked(program.folder(), L"wininet.dll")) << "the planted wininet.dll was loaded";
  // The system's WinINet did the item's work.
  EXPECT_FALSE(InCache(url));
}

}  // namespace
}  // namespace nc::wintest
