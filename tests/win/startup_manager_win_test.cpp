// The startup manager of the real program's Tools page, driven from
// outside, on the real registry and real shortcut files.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/wide.h"
#include "platform/win32/win_platform.h"
#include "program_under_test.h"
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

// Sets state bits of a list view row in another process.
void SetRemoteRowState(HWND list, int row, UINT mask, UINT state) {
  DWORD pid = 0;
  GetWindowThreadProcessId(list, &pid);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid);
  if (process == nullptr) return;
  void* remote = VirtualAllocEx(process, nullptr, sizeof(LVITEMW), MEM_COMMIT, PAGE_READWRITE);
  LVITEMW item{};
  item.stateMask = mask;
  item.state = state;
  WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
  SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote));
  VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  CloseHandle(process);
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

}  // namespace
}  // namespace nc::wintest
