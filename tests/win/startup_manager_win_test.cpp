// The startup manager of the real program's Tools page, driven from
// outside, on the real registry and real shortcut files.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/startup_manager.h"
#include "platform/win32/wide.h"
#include "platform/win32/win_platform.h"
#include "program_under_test.h"
#include "win_test_support.h"
#include "window_driving.h"

namespace nc::wintest {
namespace {

using platform::RootKey;

constexpr const char* kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr int kToolsPage = 1000 + 19;
constexpr int kIdStartupList = 2312;
constexpr int kIdDeleteEntry = 2313;

// A shell link to `target` saved as `lnk`.
bool MakeShortcut(const std::string& lnk, const std::string& target) {
  IShellLinkW* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&link)))) {
    return false;
  }
  link->SetPath(win32::Widen(target).c_str());
  IPersistFile* file = nullptr;
  HRESULT saved = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
  if (SUCCEEDED(saved)) {
    saved = file->Save(win32::Widen(lnk).c_str(), TRUE);
    file->Release();
  }
  link->Release();
  return SUCCEEDED(saved);
}

class StartupManagerWin : public ::testing::Test {
 protected:
  void SetUp() override {
    startup = ports.files().specialFolder(platform::Csidl::Startup);
    ASSERT_FALSE(startup.empty());
    ASSERT_TRUE(ports.files().createFolders(startup).ok());
    auto key = ports.registry().create(RootKey::CurrentUser, kRun);
    ASSERT_TRUE(key.ok());
    ASSERT_TRUE(platform::WriteStringValue(ports.registry(), *key, "NorvikStartupTest",
                                           "C:\\Norvik\\tray.exe /min")
                    .ok());
    ASSERT_TRUE(platform::WriteDwordValue(ports.registry(), *key, "NorvikStartupDword", 1).ok());
    ASSERT_TRUE(MakeShortcut(startup + "\\NorvikStartup.lnk", "C:\\Norvik\\helper.exe"));
    ASSERT_TRUE(platform::WriteWholeFile(ports.files(), startup + "\\NorvikStartup.url",
                                         "[InternetShortcut]\r\nURL=http://localhost/\r\n")
                    .ok());
  }
  void TearDown() override {
    if (auto key = ports.registry().open(RootKey::CurrentUser, kRun, platform::RegAccess::Full)) {
      (void)ports.registry().deleteValue(*key, "NorvikStartupTest");
      (void)ports.registry().deleteValue(*key, "NorvikStartupDword");
    }
    (void)ports.files().deleteFile(startup + "\\NorvikStartup.lnk");
    (void)ports.files().deleteFile(startup + "\\NorvikStartup.url");
  }
  bool RunValue(const char* name) {
    auto key = ports.registry().open(RootKey::CurrentUser, kRun, platform::RegAccess::Read);
    return key && ports.registry().readValue(*key, name).ok();
  }
  win32::WinPlatform ports;
  std::string startup;
};

TEST_F(StartupManagerWin, ToolsPageListsTheEntriesAndDeletesTheTickedOne) {
  ProgramUnderTest program;
  ASSERT_TRUE(program.Start());
  HWND main = program.WaitForMainWindow();
  ASSERT_NE(main, nullptr);
  PostMessageW(FindControlByText(main, L"Tools"), BM_CLICK, 0, 0);
  HWND page = GetDlgItem(main, kToolsPage);
  ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(page) != FALSE; }, 5000));
  HWND list = GetDlgItem(page, kIdStartupList);
  ASSERT_NE(list, nullptr);
  PostMessageW(FindControlByText(page, L"Startup"), BM_CLICK, 0, 0);
  ASSERT_TRUE(WaitFor([&] { return RowCount(list) >= 2; }, 10000));

  int valueRow = -1;
  int linkRow = -1;
  for (int row = 0; row < RowCount(list); ++row) {
    const std::wstring caption = RemoteCellText(list, row, 0);
    if (caption == L"NorvikStartupTest") valueRow = row;
    if (caption == L"NorvikStartup.lnk") linkRow = row;
    EXPECT_NE(caption, L"NorvikStartupDword");
    EXPECT_NE(caption, L"NorvikStartup.url");
  }
  ASSERT_GE(valueRow, 0);
  ASSERT_GT(linkRow, valueRow);  // registry rows come before the Startup folders
  EXPECT_EQ(RemoteCellText(list, valueRow, 1), L"C:\\Norvik\\tray.exe /min");
  EXPECT_EQ(RemoteCellText(list, valueRow, 2),
            L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");
  EXPECT_EQ(RemoteCellText(list, linkRow, 1), L"C:\\Norvik\\helper.exe");
  EXPECT_EQ(RemoteCellText(list, linkRow, 2), L"Startup");
  // Sized to the contents: wider than the 150 pixels the columns start with.
  EXPECT_GT(SendMessageW(list, LVM_GETCOLUMNWIDTH, 2, 0), 150);
  Screenshot(main, L"tools-startup.bmp");

  // "Select &All" ticks every row, "Select &None" unticks them again.
  for (const auto& [button, state] :
       {std::pair{L"Select &All", 2}, std::pair{L"Select &None", 1}}) {
    PostMessageW(FindControlByText(page, button), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitFor(
        [&] {
          return SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(linkRow),
                              LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(state);
        },
        5000))
        << button;
  }
  // Nothing ticked: nothing happens.
  const int rowsBefore = RowCount(list);
  PostMessageW(GetDlgItem(page, kIdDeleteEntry), BM_CLICK, 0, 0);
  Pause(300);
  EXPECT_EQ(RowCount(list), rowsBefore);
  EXPECT_TRUE(RunValue("NorvikStartupTest"));

  for (int row : {valueRow, linkRow}) {
    SetRemoteRowState(list, row, LVIS_STATEIMAGEMASK, INDEXTOSTATEIMAGEMASK(2));
  }
  PostMessageW(GetDlgItem(page, kIdDeleteEntry), BM_CLICK, 0, 0);
  ASSERT_TRUE(WaitFor([&] { return RowCount(list) == rowsBefore - 2; }, 10000));
  EXPECT_FALSE(RunValue("NorvikStartupTest"));
  EXPECT_FALSE(ports.files().fileExists(startup + "\\NorvikStartup.lnk"));
  for (int row = 0; row < RowCount(list); ++row) {
    EXPECT_EQ(RemoteCellText(list, row, 0).rfind(L"NorvikStartup", 0), std::wstring::npos);
  }
  program.Close();
  program.WaitForExit();
}

// The startup list as rows of (caption, file), with every row ticked
// whose file is in `tick`.
class RecordingList : public app::StartupListView {
 public:
  void ClearStartupList() override { rows.clear(); }
  bool AddStartupRow(std::string_view caption, std::string_view file, std::string_view) override {
    rows.push_back({std::string(caption), std::string(file)});
    return true;
  }
  void SizeStartupColumns() override {}
  bool StartupRowTicked(std::size_t row) const override {
    for (const std::string& file : tick) {
      if (rows.at(row).second == file) return true;
    }
    return false;
  }
  void TickAllStartupRows(bool) override {}
  void RemoveStartupRow(std::size_t row) override {
    rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(row));
  }
  std::vector<std::pair<std::string, std::string>> rows;
  std::vector<std::string> tick;
};

class RecordingPrompts : public platform::Prompts {
 public:
  void inform(std::string_view text) override { told.emplace_back(text); }
  void error(std::string_view text) override { told.emplace_back(text); }
  bool confirm(std::string_view text) override {
    told.emplace_back(text);
    return false;
  }
  std::vector<std::string> told;
};

TEST_F(StartupManagerWin, ARunValueGoesByTheNameItWasListedWith) {
  // "NorvikHidden\0evil" hides behind "NorvikHidden" for any reader of C
  // strings; "NorvikL" and a lone surrogate half shows as "NorvikL\uFFFD".
  const std::wstring hidden(L"NorvikHidden\0evil", 17);
  const std::wstring lone = {L'N', L'o', L'r', L'v', L'i', L'k', L'L', wchar_t(0xDC01)};
  const std::wstring collider = L"NorvikL\uFFFD";
  HKEY run = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, win32::Widen(kRun).c_str(), 0, KEY_ALL_ACCESS, &run),
            ERROR_SUCCESS);
  const std::vector<std::pair<std::wstring, std::wstring>> seeded = {
      {L"NorvikHidden", L"C:\\Norvik\\good.exe"},
      {hidden, L"C:\\Norvik\\evil.exe"},
      {lone, L"C:\\Norvik\\lone.exe"},
      {collider, L"C:\\Norvik\\collider.exe"}};
  for (const auto& [name, file] : seeded) {
    EXPECT_TRUE(SetValueByCountedName(run, name, REG_SZ, file.c_str(),
                                      static_cast<DWORD>((file.size() + 1) * sizeof(wchar_t))));
  }

  RecordingList list;
  RecordingPrompts prompts;
  app::StartupManager manager(platform::WithPrompts(ports.bundle(), prompts), 12, list);
  manager.OnStartupClicked();
  std::vector<std::pair<std::string, std::string>> shown;
  for (const auto& row : list.rows) {
    if (row.second.rfind("C:\\Norvik\\", 0) == 0 && row.second.ends_with(".exe") &&
        row.second != "C:\\Norvik\\helper.exe") {
      shown.push_back(row);
    }
  }
  EXPECT_EQ(shown, (std::vector<std::pair<std::string, std::string>>{
                       {"NorvikHidden", "C:\\Norvik\\good.exe"},
                       {"NorvikHidden\\0evil", "C:\\Norvik\\evil.exe"},
                       {"NorvikL\xEF\xBF\xBD", "C:\\Norvik\\lone.exe"},
                       {"NorvikL\xEF\xBF\xBD", "C:\\Norvik\\collider.exe"}}));

  list.tick = {"C:\\Norvik\\evil.exe", "C:\\Norvik\\lone.exe"};
  manager.OnDeleteEntryClicked();
  auto Exists = [&](const std::wstring& name) {
    const std::u16string units(name.begin(), name.end());
    auto values = ports.registry().values(
        ports.registry().open(RootKey::CurrentUser, kRun, platform::RegAccess::Read).value());
    if (!values) return false;
    for (const auto& value : *values) {
      if (value.exactName == units) return true;
    }
    return false;
  };
  EXPECT_FALSE(Exists(lone));
  EXPECT_TRUE(Exists(collider));
  // Refused, with a message: neither it nor what it hides behind goes.
  EXPECT_TRUE(Exists(hidden));
  EXPECT_TRUE(Exists(L"NorvikHidden"));
  EXPECT_EQ(prompts.told,
            std::vector<std::string>{app::StartupNamesRefusedText({"NorvikHidden\\0evil"})});
  EXPECT_EQ(list.rows.size(), manager.entries().size());

  for (const auto& [name, file] : seeded) DeleteValueByCountedName(run, name);
  RegCloseKey(run);
  EXPECT_FALSE(Exists(hidden));
}

}  // namespace
}  // namespace nc::wintest
