// The system, clock and messaging ports of the running process.
#include <windows.h>

#include <shellapi.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <set>
#include <thread>

#include "core/text.h"
#include "platform/win32/wide.h"
#include "platform/win32/win_clock.h"
#include "platform/win32/win_filesystem.h"
#include "platform/win32/win_messaging.h"
#include "platform/win32/win_shell.h"
#include "platform/win32/win_system.h"
#include "win_test_support.h"
#include "window_driving.h"

namespace {

using nc::win32::WinSystem;
using nc::wintest::UnderWine;

TEST(Win32System, ReportsVersionAndAccount) {
  WinSystem system;
  const auto version = system.version();
  EXPECT_EQ(version.platformId, nc::platform::kPlatformWin32Nt);
  EXPECT_GE(version.major, 5u);
  EXPECT_GT(version.build, 0u);

  // The independent answer: membership of the built-in Administrators.
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID admins = nullptr;
  ASSERT_TRUE(AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS,
                                       0, 0, 0, 0, 0, 0, &admins));
  BOOL member = FALSE;
  ASSERT_TRUE(CheckTokenMembership(nullptr, admins, &member));
  FreeSid(admins);
  EXPECT_EQ(system.isAdministrator(), member != FALSE);

  EXPECT_EQ(system.isWow64(), sizeof(void*) == 4 && UnderWine());
  if (UnderWine()) {
    // A new prefix is Windows 7 SP1 with the user an administrator.
    EXPECT_EQ(version.major, 6u);
    EXPECT_EQ(version.minor, 1u);
    EXPECT_EQ(version.build, 7601u);
    EXPECT_EQ(version.servicePack, "Service Pack 1");
    EXPECT_TRUE(system.isAdministrator());
  }
}

TEST(Win32System, KnowsItsProgramAndArguments) {
  WinSystem system;
  const std::string exe = system.executablePath();
  EXPECT_TRUE(nc::EndsWith(nc::LowerAscii(exe), ".exe")) << exe;
  nc::win32::WinFileSystem files;
  EXPECT_TRUE(files.fileExists(exe));

  const auto arguments = system.arguments();
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
  ASSERT_NE(argv, nullptr);
  ASSERT_EQ(arguments.size(), static_cast<std::size_t>(count - 1));
  for (int i = 1; i < count; ++i) EXPECT_EQ(arguments[i - 1], nc::win32::NarrowZ(argv[i]));
  LocalFree(argv);
}

TEST(Win32System, EmptiesTheClipboard) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, 4 * sizeof(wchar_t));
  ASSERT_NE(memory, nullptr);
  std::memcpy(GlobalLock(memory), L"abc", 4 * sizeof(wchar_t));
  GlobalUnlock(memory);
  ASSERT_NE(SetClipboardData(CF_UNICODETEXT, memory), nullptr);
  CloseClipboard();
  ASSERT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));

  WinSystem system;
  ASSERT_TRUE(system.emptyClipboard());
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_UNICODETEXT));
}

// Text crosses to the wide API through Widen, which takes a short way for
// ASCII: whatever comes after the ASCII start must still come out whole.
TEST(Win32Text, WidenGivesTheUtf16OfAnyText) {
  const std::string texts[] = {"",
                               "C:\\Program Files\\App\\app.exe /startup",
                               "Gr\xC3\xBC\xC3\x9F"
                               "e",
                               "C:\\Users\\\xE6\x97\xA5\xE6\x9C\xAC\\a.txt",
                               "emoji \xF0\x9F\x98\x80 end",
                               "broken \xFF\xC3 bytes"};
  for (const std::string& text : texts) {
    const std::u16string expected = nc::Utf8ToUtf16(text);
    EXPECT_EQ(nc::win32::Widen(text), std::wstring(expected.begin(), expected.end())) << text;
  }
  EXPECT_EQ(nc::win32::Widen("Gr\xC3\xBC\xC3\x9F"
                             "e"),
            L"Gr\u00FC\u00DFe");
  EXPECT_EQ(nc::win32::Narrow(nc::win32::Widen("emoji \xF0\x9F\x98\x80 end")),
            "emoji \xF0\x9F\x98\x80 end");
}

TEST(Win32Clock, RandomStaysBelowItsBoundAndVaries) {
  nc::win32::WinRandom random;
  std::set<std::uint32_t> seen;
  for (int i = 0; i < 1000; ++i) {
    const std::uint32_t value = random.below(10);
    ASSERT_LT(value, 10u);
    seen.insert(value);
  }
  EXPECT_EQ(seen.size(), 10u);
  EXPECT_EQ(random.below(0), 0u);
  EXPECT_EQ(random.below(1), 0u);

  nc::win32::WinClock clock;
  const auto first = clock.tickMs();
  const auto now = clock.now();
  EXPECT_GE(now.year, 2000);
  EXPECT_GE(clock.tickMs(), first);
}

TEST(Win32Shell, OpeningAMissingDocumentIsNotFound) {
  nc::win32::WinShell shell;
  nc::win32::WinFileSystem files;
  const std::string missing = files.tempFolder() + "nc-no-such-document.txt";
  auto st = shell.openDocument(missing);
  ASSERT_FALSE(st.ok());
  EXPECT_EQ(st.error().code, nc::Errc::NotFound);
  EXPECT_EQ(st.error().path, missing);
}

// A message-only window whose procedure runs invoke steps and records the
// messages posted to it.
struct Receiver {
  static constexpr UINT kPosted = WM_APP + 1;
  std::atomic<WPARAM> wParam{0};
  std::atomic<LPARAM> lParam{0};
  std::atomic<bool> posted{false};

  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM w, LPARAM l) {
    auto* self = reinterpret_cast<Receiver*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == nc::win32::kInvokeMessage) return nc::win32::RunInvokeMessage(l);
    if (message == kPosted && self != nullptr) {
      self->wParam = w;
      self->lParam = l;
      self->posted = true;
      return 0;
    }
    return DefWindowProcW(window, message, w, l);
  }
};

TEST(Win32Messaging, WorkerInvokesOnTheWindowThreadAndPosts) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = Receiver::Proc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"NcMessagingTest";
  RegisterClassW(&windowClass);
  HWND window = CreateWindowExW(0, L"NcMessagingTest", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                windowClass.hInstance, nullptr);
  if (window == nullptr)
    GTEST_SKIP() << "no message-only window here (error " << GetLastError() << ")";
  Receiver receiver;
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&receiver));

  nc::win32::WindowUiThread ui(window);
  nc::win32::WindowMessageTarget target(window);
  const DWORD uiThread = GetCurrentThreadId();

  // On the window's own thread the step runs at once.
  DWORD ranOn = 0;
  ui.invoke([&] { ranOn = GetCurrentThreadId(); });
  EXPECT_EQ(ranOn, uiThread);

  std::atomic<DWORD> workerRanOn{0};
  std::atomic<bool> invokeReturned{false};
  std::thread worker([&] {
    ui.invoke([&] { workerRanOn = GetCurrentThreadId(); });
    invokeReturned = true;  // only after the step has run
    target.post(Receiver::kPosted, 7, -9);
  });
  nc::wintest::WaitFor([&] { return receiver.posted.load(); }, 10000);
  // Gone, the window also releases a worker still waiting in invoke.
  DestroyWindow(window);
  worker.join();
  EXPECT_TRUE(invokeReturned);
  EXPECT_EQ(workerRanOn.load(), uiThread);
  EXPECT_TRUE(receiver.posted);
  EXPECT_EQ(receiver.wParam.load(), 7u);
  EXPECT_EQ(receiver.lParam.load(), -9);
  UnregisterClassW(L"NcMessagingTest", windowClass.hInstance);
}

}  // namespace
