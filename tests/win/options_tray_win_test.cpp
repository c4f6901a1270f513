// The options dialog, the boss key, the tray and the "/Auto" start of the
// real program under Wine, driven from outside as another program would.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shellapi.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <vector>

#include "program_under_test.h"
#include "ui/win32/options_dialog.h"
#include "ui/win32/tray.h"
#include "win_test_support.h"
#include "window_driving.h"

namespace nc::wintest {
namespace {

namespace ids = ui::options_ids;
namespace fs = std::filesystem;

constexpr const wchar_t* kMainClass = L"Norvik Cleaner Made by Norvik Software";
constexpr const wchar_t* kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr UINT kTrayIconMessage = 0x5406;

std::wstring Profile(const std::wstring& file, const wchar_t* section, const wchar_t* key) {
  wchar_t value[512] = {};
  GetPrivateProfileStringW(section, key, L"<missing>", value, 512, file.c_str());
  return value;
}

std::wstring Autostart() {
  wchar_t data[1024] = {};
  DWORD size = sizeof data;
  if (RegGetValueW(HKEY_CURRENT_USER, kRunKey, L"Norvik Cleaner", RRF_RT_REG_SZ, nullptr, data,
                   &size) != ERROR_SUCCESS) {
    return L"<missing>";
  }
  return data;
}

bool Checked(HWND dialog, int id) {
  return SendMessageW(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// Opens the options dialog by its page button.
HWND OpenOptions(HWND main) {
  PostMessageW(FindControlByText(main, L"Options"), BM_CLICK, 0, 0);
  return WaitForWindow(ui::kOptionsClass, L"Options");
}

void ShowTab(HWND dialog, int tab) {
  SendMessageW(GetDlgItem(dialog, ids::kTabs), TCM_SETCURFOCUS, static_cast<WPARAM>(tab), 0);
  Pause(100);
}

bool PressOk(HWND dialog) {
  PostClick(dialog, IDOK);
  return WaitGone(dialog, 10000);
}

class OptionsWin : public ::testing::Test {
 protected:
  void TearDown() override {
    CloseWindowsOf({L"#32770", ui::kOptionsClass});
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, L"Norvik Cleaner");
  }
};

TEST_F(OptionsWin, RoundTripThroughTheSettingsFileAndTheAutostartValue) {
  ProgramUnderTest program;
  CreateDirectoryW(program.file(L"Backup").c_str(), nullptr);
  ASSERT_TRUE(program.Start());
  HWND main = program.WaitForMainWindow();
  ASSERT_NE(main, nullptr);
  HWND dialog = OpenOptions(main);
  ASSERT_NE(dialog, nullptr) << "no options dialog";

  // Every tab, with its own controls shown.
  const std::pair<const wchar_t*, int> tabs[] = {{L"options-common.bmp", ids::kAutoRun},
                                                 {L"options-cookies.bmp", ids::kCookiesToDelete},
                                                 {L"options-schedule.bmp", ids::kAutoClean},
                                                 {L"options-boss-key.bmp", ids::kHotkey},
                                                 {L"options-ignore-lists.bmp", ids::kIgnoreValues}};
  for (int tab = 0; tab < 5; ++tab) {
    ShowTab(dialog, tab);
    for (int other = 0; other < 5; ++other) {
      EXPECT_EQ(IsWindowVisible(GetDlgItem(dialog, tabs[other].second)) != FALSE, other == tab)
          << "tab " << tab << " control of tab " << other;
    }
    Screenshot(dialog, tabs[tab].first);
  }
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, ids::kSetPassword)));
  EXPECT_EQ(TextOf(GetDlgItem(dialog, ids::kInterval0 + 4)), L"Every 8 hours");
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, ids::kInterval0 + 1)));

  // Schedule: every 30 minutes, cleaning at start; boss key F9 for Firefox.
  Click(dialog, ids::kAutoClean);
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, ids::kInterval0 + 1)));
  Click(dialog, ids::kInterval0 + 1);
  Click(dialog, ids::kStartClean);
  Click(dialog, ids::kUseBossKey);
  Click(dialog, ids::kEnableFirefox);
  Click(dialog, ids::kFastScan);  // on by default
  SendMessageW(GetDlgItem(dialog, ids::kHotkey), WM_KEYDOWN, VK_F9, 0);
  EXPECT_EQ(TextOf(GetDlgItem(dialog, ids::kHotkey)), L"F9");
  ASSERT_TRUE(PressOk(dialog));

  // The main window's "Fast Mode" box follows the setting.
  EXPECT_EQ(SendMessageW(FindControlByText(main, L"Fast Mode"), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  const std::wstring ini = program.file(L"options.ini");
  EXPECT_EQ(Profile(ini, L"Settings", L"FastScan"), L"0");
  EXPECT_EQ(Profile(ini, L"SChedule", L"AutoClean"), L"1");
  EXPECT_EQ(Profile(ini, L"SChedule", L"CleanInterval"), L"1");
  EXPECT_EQ(Profile(ini, L"SChedule", L"StartClean"), L"1");
  EXPECT_EQ(Profile(ini, L"Hotkey", L"EnableHotkey"), L"1");
  EXPECT_EQ(Profile(ini, L"Hotkey", L"CharString"), L"F9");
  EXPECT_EQ(Profile(ini, L"Hotkey", L"CharAscII"), L"120");
  EXPECT_EQ(Profile(ini, L"Hotkey", L"IsCtrl"), L"0");
  EXPECT_EQ(Profile(ini, L"Hotkey", L"EnableFirefox"), L"1");
  // Starting to clean at start turned the autostart value on, quoted.
  EXPECT_EQ(Autostart(), L"\"" + program.file(L"NorvikCleaner.exe") + L"\" /Auto");
  // The boss key now belongs to the program.
  EXPECT_FALSE(RegisterHotKey(nullptr, 1, 0, VK_F9));

  // Reopened, the dialog shows what was saved; unticked, the value goes.
  dialog = OpenOptions(main);
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(Checked(dialog, ids::kAutoRun));
  EXPECT_TRUE(Checked(dialog, ids::kInterval0 + 1));
  EXPECT_TRUE(Checked(dialog, ids::kUseBossKey));
  EXPECT_EQ(TextOf(GetDlgItem(dialog, ids::kHotkey)), L"F9");
  Click(dialog, ids::kStartClean);
  Click(dialog, ids::kAutoRun);
  ASSERT_TRUE(PressOk(dialog));
  EXPECT_EQ(Autostart(), L"<missing>");

  // Cancel changes nothing.
  dialog = OpenOptions(main);
  ASSERT_NE(dialog, nullptr);
  Click(dialog, ids::kAutoClean);
  PostClick(dialog, IDCANCEL);
  ASSERT_TRUE(WaitGone(dialog));
  EXPECT_EQ(Profile(ini, L"SChedule", L"AutoClean"), L"1");

  program.Close();
  EXPECT_EQ(program.WaitForExit(), 0);
}

// A top-level window of a class this test registers, as a browser's.
class BrowserWindow {
 public:
  explicit BrowserWindow(const wchar_t* className) {
    WNDCLASSW cls{};
    cls.lpfnWndProc = DefWindowProcW;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = className;
    RegisterClassW(&cls);
    window_ = CreateWindowExW(0, className, L"browser", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10,
                              200, 100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  }
  ~BrowserWindow() { DestroyWindow(window_); }
  HWND hwnd() const { return window_; }

 private:
  HWND window_ = nullptr;
};

TEST_F(OptionsWin, BossKeyHidesAndShowsBrowserWindowsOfTickedKinds) {
  BrowserWindow firefox(L"MozillaWindowClass");
  BrowserWindow opera(L"OpWindow");  // Opera is not ticked: it stays
  ASSERT_NE(firefox.hwnd(), nullptr);
  ProgramUnderTest program;
  const std::wstring ini = program.file(L"options.ini");
  WritePrivateProfileStringW(L"Hotkey", L"EnableHotkey", L"1", ini.c_str());
  WritePrivateProfileStringW(L"Hotkey", L"EnableFirefox", L"1", ini.c_str());
  WritePrivateProfileStringW(L"Hotkey", L"IsCtrl", L"1", ini.c_str());
  WritePrivateProfileStringW(L"Hotkey", L"IsAlt", L"1", ini.c_str());
  WritePrivateProfileStringW(L"Hotkey", L"CharAscII", L"75", ini.c_str());
  ASSERT_TRUE(program.Start());
  HWND main = program.WaitForMainWindow();
  ASSERT_NE(main, nullptr);
  const ATOM atom = GlobalFindAtomW(L"NorvikHotkey_Hide");
  ASSERT_NE(atom, 0);
  EXPECT_FALSE(RegisterHotKey(nullptr, 1, MOD_CONTROL | MOD_ALT, 'K'));

  PostMessageW(main, WM_HOTKEY, atom, MAKELPARAM(MOD_CONTROL | MOD_ALT, 'K'));
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(firefox.hwnd()); }, 5000));
  EXPECT_TRUE(IsWindowVisible(opera.hwnd()));
  EXPECT_TRUE(IsWindowVisible(main));
  PostMessageW(main, WM_HOTKEY, atom, MAKELPARAM(MOD_CONTROL | MOD_ALT, 'K'));
  EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(firefox.hwnd()) != FALSE; }, 5000));

  // Closing while hidden shows the window again and frees the key.
  PostMessageW(main, WM_HOTKEY, atom, 0);
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(firefox.hwnd()); }, 5000));
  program.Close();
  EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(firefox.hwnd()) != FALSE; }, 10000));
  EXPECT_EQ(program.WaitForExit(), 0);
  EXPECT_EQ(GlobalFindAtomW(L"NorvikHotkey_Hide"), 0);
}

// Stands in for the notification area: counts the icons the program adds
// and removes through the shell.
class FakeTray {
 public:
  FakeTray() {
    WNDCLASSW cls{};
    cls.lpfnWndProc = &Procedure;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = L"Shell_TrayWnd";
    RegisterClassW(&cls);
    window_ = CreateWindowExW(0, L"Shell_TrayWnd", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    adds_ = deletes_ = 0;
    refusing_ = false;
  }
  ~FakeTray() { DestroyWindow(window_); }
  bool found() const { return FindWindowW(L"Shell_TrayWnd", nullptr) == window_; }
  static int adds() { return adds_; }
  // While refusing, the shell's calls fail as they do before Explorer runs.
  static void Refuse(bool refusing) { refusing_ = refusing; }
  static int deletes() { return deletes_; }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COPYDATA) {
      if (refusing_) return FALSE;  // as no tray yet: the icon is not taken
      const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
      if (data->dwData == NIM_ADD) ++adds_;
      if (data->dwData == NIM_DELETE) ++deletes_;
      return TRUE;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }
  HWND window_ = nullptr;
  static inline int adds_ = 0;
  static inline int deletes_ = 0;
  static inline bool refusing_ = false;
};

TEST_F(OptionsWin, MinimiseGoesToTheTrayWithOneIconAndExitFromItsMenuEnds) {
  FakeTray tray;
  if (!tray.found()) GTEST_SKIP() << "the shell's own tray window is found first";
  ProgramUnderTest program;
  ASSERT_TRUE(program.Start());
  HWND main = program.WaitForMainWindow();
  ASSERT_NE(main, nullptr);

  PostMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(main) && FakeTray::adds() > 0; }, 5000));
  PostMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  Pause(300);
  EXPECT_EQ(FakeTray::adds(), 1);

  // A left click brings the window back and removes the icon.
  PostMessageW(main, kTrayIconMessage, 0, WM_LBUTTONDOWN);
  EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(main) && !IsIconic(main); }, 5000));
  EXPECT_TRUE(WaitFor([] { return FakeTray::deletes() == 1; }, 2000));

  // Back to the tray; a right click opens the menu without restoring.
  PostMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(main) && FakeTray::adds() == 2; }, 5000));
  PostMessageW(main, kTrayIconMessage, 0, WM_RBUTTONDOWN);
  HWND menu = WaitForWindow(L"#32768", nullptr, 5000);
  ASSERT_NE(menu, nullptr);
  Screenshot(menu, L"tray-menu.bmp");
  EXPECT_FALSE(IsWindowVisible(main));
  PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(WaitGone(menu, 5000));

  // "&Exit" ends the program and takes the icon away.
  PostMessageW(main, WM_COMMAND, ui::kIdTrayExit, 0);
  EXPECT_EQ(program.WaitForExit(), 0);
  EXPECT_TRUE(WaitFor([] { return FakeTray::deletes() == 2; }, 2000));
}

// No tray at log-on: a minimise leaves the window on the taskbar, never
// hidden without an icon. Explorer's "TaskbarCreated" then brings the icon
// and the window goes to the tray; a second one (Explorer restarted) adds
// the icon again.
TEST_F(OptionsWin, WithoutATrayTheWindowStaysOnTheTaskbarUntilExplorerStarts) {
  FakeTray tray;
  if (!tray.found()) GTEST_SKIP() << "the shell's own tray window is found first";
  FakeTray::Refuse(true);
  ProgramUnderTest program;
  ASSERT_TRUE(program.Start());
  HWND main = program.WaitForMainWindow();
  ASSERT_NE(main, nullptr);
  const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");

  PostMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(WaitFor([&] { return IsIconic(main) != FALSE; }, 5000));
  Pause(300);
  EXPECT_TRUE(IsWindowVisible(main));
  EXPECT_EQ(FakeTray::adds(), 0);

  // Explorer starts: the icon is added and the window goes to the tray.
  FakeTray::Refuse(false);
  PostMessageW(main, taskbarCreated, 0, 0);
  EXPECT_TRUE(WaitFor([&] { return FakeTray::adds() == 1 && !IsWindowVisible(main); }, 5000));
  // Explorer restarted: its new tray gets the icon again.
  PostMessageW(main, taskbarCreated, 0, 0);
  EXPECT_TRUE(WaitFor([] { return FakeTray::adds() == 2; }, 5000));
  EXPECT_FALSE(IsWindowVisible(main));

  // A left click on the icon brings the window back and takes the icon away.
  PostMessageW(main, kTrayIconMessage, 0, WM_LBUTTONDOWN);
  EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(main) && !IsIconic(main); }, 5000));
  EXPECT_TRUE(WaitFor([] { return FakeTray::deletes() == 1; }, 2000));
  program.Close();
  EXPECT_EQ(program.WaitForExit(), 0);
}

TEST_F(OptionsWin, AutoStartsInTheTrayAndCleansWhenStartCleanIsOn) {
  TempFolder scratch(L"ncauto");
  for (int i = 0; i < 3; ++i) {
    std::ofstream(fs::path(scratch.path()) / (L"junk" + std::to_wstring(i) + L".tmp")) << "x";
  }
  ProgramUnderTest program;
  program.TickOnlyCleanerItem(L"Windows - Temporary Files", true);
  const std::wstring ini = program.file(L"options.ini");
  WritePrivateProfileStringW(L"SChedule", L"StartClean", L"1", ini.c_str());
  WritePrivateProfileStringW(L"Options", L"IsAskBeforeClear", L"0", ini.c_str());
  ASSERT_TRUE(program.Start(L"/Auto"));
  HWND main = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (main = FindWindowW(kMainClass, nullptr)) != nullptr; }));
  EXPECT_TRUE(WaitFor([&] { return !fs::exists(fs::path(scratch.path()) / L"junk0.tmp"); }, 60000));
  Pause(500);
  EXPECT_FALSE(IsWindowVisible(main));
  PostMessageW(main, WM_CLOSE, 0, 0);
  // 1 when something of Wine's own in the temporary folder stayed.
  const int code = program.WaitForExit(60000);
  EXPECT_TRUE(code == 0 || code == 1) << code;
}

// Figures (run with --gtest_also_run_disabled_tests): opening the options
// dialog, and the boss key hiding 20 browser windows, each from the
// message to the result on screen.
TEST(OptionsBenchmark, DISABLED_OpenOptionsAndHideTwentyBrowserWindows) {
  std::vector<std::unique_ptr<BrowserWindow>> browsers;
  for (int i = 0; i < 20; ++i) browsers.push_back(std::make_unique<BrowserWindow>(L"IEFrame"));
  ProgramUnderTest program;
  const std::wstring ini = program.file(L"options.ini");
  WritePrivateProfileStringW(L"Hotkey", L"EnableHotkey", L"1", ini.c_str());
  WritePrivateProfileStringW(L"Hotkey", L"EnableIE", L"1", ini.c_str());
  ASSERT_TRUE(program.Start());
  HWND main = program.WaitForMainWindow();
  ASSERT_NE(main, nullptr);
  auto timed = [](const std::function<void()>& act, const std::function<bool()>& done) {
    const auto start = std::chrono::steady_clock::now();
    act();
    while (!done() && std::chrono::steady_clock::now() - start < std::chrono::seconds(20)) {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
  };
  const double open =
      timed([&] { PostMessageW(FindControlByText(main, L"Options"), BM_CLICK, 0, 0); },
            [] { return IsWindowVisible(FindWindowW(ui::kOptionsClass, nullptr)) != FALSE; });
  CloseWindowsOf({ui::kOptionsClass});
  const ATOM atom = GlobalFindAtomW(L"NorvikHotkey_Hide");
  const double hide = timed([&] { PostMessageW(main, WM_HOTKEY, atom, 0); },
                            [&] {
                              for (const auto& b : browsers) {
                                if (IsWindowVisible(b->hwnd())) return false;
                              }
                              return true;
                            });
  std::printf("options benchmark: open dialog %.1f ms, boss key hides 20 windows %.1f ms\n", open,
              hide);
  program.Close();
  EXPECT_EQ(program.WaitForExit(), 0);
}

}  // namespace
}  // namespace nc::wintest
