// The Internet Explorer items with the real ports under Wine: the WinINet
// cache seeded through its own functions, the URL history object, Protected
// Storage as the system offers it (and without its library), an index file
// overwritten in place while another handle holds it, and the cookie keep
// list through the real program's window.
#include <windows.h>

#include <shlobj.h>
#include <wininet.h>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "cleaner/clean_log.h"
#include "cleaner/clean_run.h"
#include "cleaner/ie_items.h"
#include "cleaner/index_dat_files.h"
#include "cleaner/run_mode.h"
#include "platform/win32/wide.h"
#include "platform/win32/win_browser_store.h"
#include "platform/win32/win_platform.h"
#include "program_under_test.h"
#include "win_test_support.h"
#include "window_driving.h"
#include "worker_stand_ins.h"

namespace nc::wintest {
namespace {

namespace fs = std::filesystem;
using cleaner::CleanRun;
using win32::Widen;

constexpr const wchar_t* kFormsKey =
    L"Software\\Microsoft\\Internet Explorer\\IntelliForms\\Storage1";

class LinesLog : public cleaner::CleanLog {
 public:
  void AddLine(std::string_view line) override {
    std::lock_guard lock(mutex_);
    lines.emplace_back(line);
  }
  void ScrollToEnd() override {}
  bool Has(std::string_view part) {
    std::lock_guard lock(mutex_);
    for (const auto& line : lines) {
      if (line.find(part) != std::string::npos) return true;
    }
    return false;
  }
  std::mutex mutex_;
  std::vector<std::string> lines;
};

std::string SpecialFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, 0, path))) return {};
  return win32::NarrowZ(path);
}

void SeedFormsKey() {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kFormsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExW(key, L"entry", 0, REG_BINARY, reinterpret_cast<const BYTE*>("x"), 1);
  RegCloseKey(key);
}

class IeItemsWin : public ::testing::Test {
 protected:
  void SetUp() override { settings.FastScan = false; }
  void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kFormsKey); }
  CleanRun& MakeRun(bool testMode) {
    runMode.store(testMode ? cleaner::RunMode::Test : cleaner::RunMode::Clean);
    log.lines.clear();
    run = std::make_unique<CleanRun>(cleaner::CleanEnvironment{
        platform::WorkerContext{ports.bundle(), target, ui, 12}, log, runMode, settings, "C:\\"});
    return *run;
  }

  win32::WinPlatform ports;
  LinesLog log;
  NoMessageTarget target;
  SameThreadUi ui;
  cleaner::CleanSettings settings;
  std::atomic<cleaner::RunMode> runMode{cleaner::RunMode::Test};
  std::unique_ptr<CleanRun> run;
};

TEST_F(IeItemsWin, CacheEntriesAreCountedInATestAndOnlyHttpOnesRemovedByAClean) {
  const std::wstring tag = std::to_wstring(GetCurrentProcessId());
  const std::vector<std::wstring> http = {L"http://nc-" + tag + L".example/a.html",
                                          L"http://nc-" + tag + L".example/b.html"};
  const std::wstring https = L"https://nc-" + tag + L".example/c.html";
  for (const auto& url : http) ASSERT_TRUE(SeedCacheEntry(url)) << win32::Narrow(url);
  ASSERT_TRUE(SeedCacheEntry(https));

  const std::int32_t counted = cleaner::DeleteWebCacheEntries(MakeRun(true));
  EXPECT_GE(counted, 2);
  for (const auto& url : http) EXPECT_TRUE(log.Has("Test: deleting " + win32::Narrow(url)));
  EXPECT_FALSE(log.Has(win32::Narrow(https)));
  EXPECT_TRUE(InCache(http[0]) && InCache(http[1]));

  EXPECT_EQ(cleaner::DeleteWebCacheEntries(MakeRun(false)), counted);
  EXPECT_FALSE(InCache(http[0]));
  EXPECT_FALSE(InCache(http[1]));
  EXPECT_TRUE(InCache(https));
  // Nothing http left to find.
  EXPECT_EQ(cleaner::DeleteWebCacheEntries(MakeRun(true)), 0);
  DeleteUrlCacheEntryW(https.c_str());
}

TEST_F(IeItemsWin, UrlHistoryIsWalkedWhereTheSystemOffersItAndEndsSilentlyWhereNot) {
  const bool offered = ports.browser().openUrlHistory() != nullptr;
  RecordProperty("UrlHistoryOffered", offered ? "yes" : "no");
  CleanRun& r = MakeRun(true);
  cleaner::DeleteHistoryUrls(r);
  if (!offered) {
    EXPECT_EQ(r.ItemCount, 0);
    EXPECT_TRUE(log.lines.empty());
  } else {
    EXPECT_EQ(static_cast<std::size_t>(r.ItemCount), log.lines.size());
  }
}

TEST_F(IeItemsWin, AutocompleteRemovesTheFormKeysOnlyWhereProtectedStorageOpens) {
  // Wine's "pstorec.dll" offers a provider; Windows from Vista on may not.
  auto storage = win32::MakeWinProtectedStorage();
  const bool opens = storage->Available() && storage->Open();
  RecordProperty("ProtectedStorageOpens", opens ? "yes" : "no");
  if (opens) {
    EXPECT_TRUE(storage->Open());  // again, over the open one
    for (const auto& type : storage->EnumTypes()) (void)storage->EnumSubtypes(type);
  } else {
    EXPECT_TRUE(storage->EnumTypes().empty());
    EXPECT_EQ(storage->GetTypeName(platform::StorageId{}), "");
  }
  storage->Close();
  EXPECT_TRUE(storage->EnumTypes().empty());
  EXPECT_FALSE(storage->DeleteItem(platform::StorageId{}, platform::StorageId{}, "x"));

  SeedFormsKey();
  CleanRun& r = MakeRun(false);
  EXPECT_TRUE(cleaner::RunInternetExplorerItem(r, "Internet Explorer - Autocomplete History"));
  EXPECT_EQ(UserKeyExists(kFormsKey), !opens);
  EXPECT_EQ(r.ItemCount >= 1, opens);
}

void PutU32(std::string& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
}

TEST_F(IeItemsWin, AnIndexFileHeldOpenIsOverwrittenInPlaceWithItsHeadersKept) {
  TempFolder folder(L"ncindex");
  const std::string path = folder.utf8() + "\\index.dat";
  // Two hash tables; the header claims more than the file holds.
  std::string bytes(40000, '\x77');
  bytes.replace(0, 27, "Client UrlCache MMF Ver 5.2");
  PutU32(bytes, 28, 50000);
  PutU32(bytes, 32, 0x4000);
  for (const auto& [at, next] : {std::pair<std::size_t, std::uint32_t>{0x4000, 0x8000},
                                 std::pair<std::size_t, std::uint32_t>{0x8000, 0}}) {
    bytes.replace(at, 4, "HASH");
    PutU32(bytes, at + 4, 0x1000);
    PutU32(bytes, at + 8, next);
  }
  std::ofstream(fs::path(Widen(path)), std::ios::binary) << bytes;
  // The browser keeps its index files open, sharing them.
  HANDLE holder =
      CreateFileW(Widen(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  settings.IsWipeFile = true;
  settings.WipeNumber = 2;
  cleaner::OverwriteCacheIndex(MakeRun(false), path);
  CloseHandle(holder);

  const std::string after = ReadBytes(path);
  ASSERT_EQ(after.size(), bytes.size());
  EXPECT_EQ(after.substr(0, 0x4020), bytes.substr(0, 0x4020));
  EXPECT_EQ(after.substr(0x4020, 0x8000 - 0x4020), std::string(0x8000 - 0x4020, '\0'));
  EXPECT_EQ(after.substr(0x8000, 32), bytes.substr(0x8000, 32));
  EXPECT_EQ(after.substr(0x8020), std::string(40000 - 0x8020, '\0'));
}

// An index file of two hash tables whose record areas hold 0x77.
std::string IndexBytes() {
  std::string bytes(0x6000, '\x77');
  bytes.replace(0, 27, "Client UrlCache MMF Ver 5.2");
  PutU32(bytes, 28, 0x6000);
  PutU32(bytes, 32, 0x4000);
  bytes.replace(0x4000, 4, "HASH");
  PutU32(bytes, 0x4004, 0x20);
  PutU32(bytes, 0x4008, 0);
  return bytes;
}

TEST_F(IeItemsWin, TheCookieItemKeepsTheBytesOfAFileHardLinkedAsItsIndex) {
  const fs::path cookies = Widen(SpecialFolder(CSIDL_COOKIES));
  ASSERT_FALSE(cookies.empty());
  fs::create_directories(cookies);
  ASSERT_FALSE(fs::exists(L"C:\\Cookies.ini"));  // no keep list
  const fs::path index = cookies / L"index.dat";
  const fs::path aside = cookies / L"index.dat.nc-aside";
  // The folder's own index file, if there is one, is put back afterwards.
  const bool hadIndex = fs::exists(index);
  if (hadIndex) {
    ASSERT_TRUE(MoveFileExW(index.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING));
  }
  TempFolder folder(L"nclinked");
  const fs::path outside = fs::path(folder.path()) / L"outside.dat";
  const std::string bytes = IndexBytes();
  std::ofstream(outside, std::ios::binary) << bytes;
  ASSERT_TRUE(CreateHardLinkW(index.c_str(), outside.c_str(), nullptr)) << GetLastError();

  EXPECT_TRUE(cleaner::RunInternetExplorerItem(MakeRun(false), "Internet Explorer - Cookies"));
  EXPECT_EQ(ReadBytes(outside.wstring()), bytes);

  // The same item overwrites an index file of its own, so the link above
  // was reached and refused.
  std::error_code ec;
  fs::remove(index, ec);
  std::ofstream(index, std::ios::binary) << bytes;
  EXPECT_TRUE(cleaner::RunInternetExplorerItem(MakeRun(false), "Internet Explorer - Cookies"));
  const std::string own = ReadBytes(index.wstring());
  ASSERT_EQ(own.size(), bytes.size());
  EXPECT_EQ(own.substr(0, 0x4020), bytes.substr(0, 0x4020));
  EXPECT_EQ(own.substr(0x4020), std::string(0x6000 - 0x4020, '\0'));

  fs::remove(index, ec);
  if (hadIndex) MoveFileExW(aside.c_str(), index.c_str(), MOVEFILE_REPLACE_EXISTING);
}

// The real program, its Cleaner page ticking the Internet Explorer items.
constexpr int kCleanerPage = 1000 + 17;
constexpr int kIdLog = 2002;
constexpr int kIdCleanBar = 2003;

std::wstring BarText(HWND main) {
  return TextOf(GetDlgItem(GetDlgItem(main, kCleanerPage), kIdCleanBar));
}

std::wstring LogText(HWND main) {
  std::wstring all;
  for (const std::wstring& line :
       ListBoxLines(GetDlgItem(GetDlgItem(main, kCleanerPage), kIdLog))) {
    all += line + L"\n";
  }
  return all;
}

bool CleanFinished(HWND main) {
  return BarText(main) == L"Finished!" &&
         LogText(main).find(L"to be removed") != std::wstring::npos;
}

void TickItems(const ProgramUnderTest& program, const std::vector<std::wstring>& items) {
  const std::wstring ini = program.file(L"options.ini");
  WritePrivateProfileStringW(L"NodeSelected", L"SelectedCount",
                             std::to_wstring(items.size()).c_str(), ini.c_str());
  for (std::size_t i = 0; i < items.size(); ++i) {
    WritePrivateProfileStringW(L"NodeSelected", std::to_wstring(i + 1).c_str(), items[i].c_str(),
                               ini.c_str());
  }
  WritePrivateProfileStringW(L"Settings", L"FastScan", L"0", ini.c_str());
}

TEST(IeProgramWin, ATestRunListsTheSeededPrefixAndACleanKeepsTheListedCookie) {
  const std::wstring tag = std::to_wstring(GetCurrentProcessId());
  const fs::path cookies = Widen(SpecialFolder(CSIDL_COOKIES));
  ASSERT_FALSE(cookies.empty());
  fs::create_directories(cookies);
  const std::wstring keep = L"nc" + tag + L"@keep.example.txt";
  const std::wstring drop = L"nc" + tag + L"@drop.example.txt";
  const std::wstring upper = L"NC" + tag + L"@UPPER.TXT";
  for (const auto& name : {keep, drop, upper}) std::ofstream(cookies / name) << "cookie";
  const std::wstring cached = L"http://nc-" + tag + L".example/page.html";
  ASSERT_TRUE(SeedCacheEntry(cached));
  const wchar_t* typedKey = L"Software\\Microsoft\\Internet Explorer\\TypedURLs";
  RegSetKeyValueW(HKEY_CURRENT_USER, typedKey, L"url1", REG_SZ, L"http://typed.example/",
                  sizeof(L"http://typed.example/"));

  const std::vector<std::wstring> items = {L"Internet Explorer - Temporary Internet Files",
                                           L"Internet Explorer - Cookies",
                                           L"Internet Explorer - Visited URL History",
                                           L"Internet Explorer - Recently Typed URLs",
                                           L"Internet Explorer - Index.dat Files",
                                           L"Internet Explorer - Last Download Location",
                                           L"Internet Explorer - Autocomplete History"};
  {
    ProgramUnderTest program;
    TickItems(program, items);
    ASSERT_TRUE(program.Start());
    HWND main = program.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    PostMessageW(FindControlByText(main, L"Test"), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return BarText(main) == L"Finished!"; })) << "test never finished";
    const std::wstring log = LogText(main);
    EXPECT_NE(log.find(L"Test: deleting " + (cookies / drop).wstring()), std::wstring::npos);
    EXPECT_NE(log.find(L"Test: deleting " + (cookies / keep).wstring()), std::wstring::npos);
    EXPECT_EQ(log.find(upper), std::wstring::npos);
    EXPECT_NE(log.find(L"Test: deleting " + cached), std::wstring::npos);
    EXPECT_NE(log.find(L"Test: deleting http://typed.example/"), std::wstring::npos);
    EXPECT_NE(log.find(L"Warning: This will take effect next time windows is rebooted."),
              std::wstring::npos);
    Screenshot(main, L"ie-after-test.bmp");
    program.Close();
    EXPECT_EQ(program.WaitForExit(), 0);
  }
  EXPECT_TRUE(fs::exists(cookies / drop));
  EXPECT_TRUE(InCache(cached));

  // A clean of the cookies alone, with a keep list beside the program.
  ProgramUnderTest program;
  TickItems(program, {L"Internet Explorer - Cookies"});
  const std::wstring keepList = program.file(L"Cookies.ini");
  WritePrivateProfileStringW(L"Cookies to Keep", L"Count", L"1", keepList.c_str());
  WritePrivateProfileStringW(L"Cookies to Keep", L"0", keep.c_str(), keepList.c_str());
  ASSERT_TRUE(program.Start());
  HWND main = program.WaitForMainWindow();
  ASSERT_NE(main, nullptr);
  PostMessageW(FindControlByText(main, L"Clean"), BM_CLICK, 0, 0);
  HWND ask = nullptr;
  ASSERT_TRUE(WaitFor([&] {
    ask = FindWindowW(nullptr, L"Run Cleaner");
    return ask != nullptr && FindControlByText(ask, L"Don't show me this message again") != nullptr;
  }));
  PostMessageW(GetDlgItem(ask, IDOK), BM_CLICK, 0, 0);
  ASSERT_TRUE(WaitFor([&] { return CleanFinished(main); })) << "clean never finished";
  program.Close();
  EXPECT_EQ(program.WaitForExit(), 0);
  EXPECT_TRUE(fs::exists(cookies / keep));
  EXPECT_FALSE(fs::exists(cookies / drop));
  EXPECT_TRUE(fs::exists(cookies / upper));

  std::error_code ec;
  fs::remove(cookies / keep, ec);
  fs::remove(cookies / upper, ec);
  DeleteUrlCacheEntryW(cached.c_str());
  RegDeleteTreeW(HKEY_CURRENT_USER, typedKey);
}

// Disables a DLL for the program while it lives, as Wine allows per
// program.
class DllDisabled {
 public:
  explicit DllDisabled(const wchar_t* dll) {
    RegSetKeyValueW(HKEY_CURRENT_USER, kOverrides, dll, REG_SZ, L"", sizeof(L""));
  }
  ~DllDisabled() { RegDeleteTreeW(HKEY_CURRENT_USER, kApp); }
  DllDisabled(const DllDisabled&) = delete;
  DllDisabled& operator=(const DllDisabled&) = delete;

 private:
  static constexpr const wchar_t* kApp = L"Software\\Wine\\AppDefaults\\NorvikCleaner.exe";
  static constexpr const wchar_t* kOverrides =
      L"Software\\Wine\\AppDefaults\\NorvikCleaner.exe\\DllOverrides";
};

TEST(IeProgramWin, WithoutTheProtectedStorageLibraryAutocompleteLeavesTheFormKeys) {
  if (!UnderWine()) GTEST_SKIP() << "the library can be switched off only under Wine";
  SeedFormsKey();
  ProgramUnderTest program;
  TickItems(program, {L"Internet Explorer - Autocomplete History"});
  WritePrivateProfileStringW(L"Options", L"IsAskBeforeClear", L"0",
                             program.file(L"options.ini").c_str());
  DllDisabled noStorage(L"pstorec");
  ASSERT_TRUE(program.Start());
  HWND main = program.WaitForMainWindow();
  ASSERT_NE(main, nullptr);
  PostMessageW(FindControlByText(main, L"Clean"), BM_CLICK, 0, 0);
  ASSERT_TRUE(WaitFor([&] { return CleanFinished(main); })) << "clean never finished";
  EXPECT_NE(LogText(main).find(L"0 items to be removed"), std::wstring::npos) << LogText(main);
  program.Close();
  EXPECT_EQ(program.WaitForExit(), 0);
  EXPECT_TRUE(UserKeyExists(kFormsKey));
  RegDeleteTreeW(HKEY_CURRENT_USER, kFormsKey);
}

}  // namespace
}  // namespace nc::wintest
