#include "platform/win32/win_programs.h"

#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/error.h"
#include "platform/win32/handles.h"
#include "platform/win32/wide.h"

namespace nc::win32 {

namespace {

// A started program and the job that holds it with every process it
// starts in turn. Ending the program ends the whole job: a program may be
// a launcher for another, as the 32-bit registry editor on 64-bit Windows
// is for the 64-bit one, and stopping only the launcher would leave the
// real editor importing. Without a job (the system refused to make one)
// the program alone is ended.
class WinChildProcess final : public platform::ChildProcess {
 public:
  WinChildProcess(HANDLE process, ProcessHandle job) : process_(process), job_(std::move(job)) {}

  bool finished() override {
    return !process_.valid() || WaitForSingleObject(process_.get(), 0) != WAIT_TIMEOUT;
  }
  void terminate() override {
    if (job_.valid() && TerminateJobObject(job_.get(), 0)) return;
    if (process_.valid()) TerminateProcess(process_.get(), 0);
  }
  std::optional<std::uint32_t> exitCode() override {
    DWORD code = 0;
    if (!process_.valid() || !GetExitCodeProcess(process_.get(), &code) || code == STILL_ACTIVE) {
      return std::nullopt;
    }
    return code;
  }

 private:
  ProcessHandle process_;
  ProcessHandle job_;  // not set to end its processes when closed
};

HWND AsWindow(platform::WindowId window) {
  return reinterpret_cast<HWND>(window);
}

struct ChildSearch {
  std::wstring className;
  HWND found = nullptr;
};

BOOL CALLBACK FindChildOfClass(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<ChildSearch*>(data);
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  if (search->className == name) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

// Sends one message; a window that stops answering does not hang us.
void Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR result = 0;
  SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 2000, &result);
}

// Turns the file-system redirection of a 32-bit program on 64-bit Windows
// off for the calling thread while the object lives. Elsewhere there is
// none to turn off: the functions are looked up, as systems before 64-bit
// Windows lack them.
class NativeFileSystemView {
 public:
  NativeFileSystemView() {
    using DisableFn = BOOL(WINAPI*)(PVOID*);
    const auto disable = LoadProc<DisableFn>(L"kernel32.dll", "Wow64DisableWow64FsRedirection");
    revert_ = LoadProc<RevertFn>(L"kernel32.dll", "Wow64RevertWow64FsRedirection");
    off_ = disable != nullptr && revert_ != nullptr && disable(&old_);
  }
  ~NativeFileSystemView() {
    if (off_) revert_(old_);
  }
  NativeFileSystemView(const NativeFileSystemView&) = delete;
  NativeFileSystemView& operator=(const NativeFileSystemView&) = delete;

 private:
  using RevertFn = BOOL(WINAPI*)(PVOID);
  RevertFn revert_ = nullptr;
  PVOID old_ = nullptr;
  bool off_ = false;
};

}  // namespace

Result<std::unique_ptr<platform::ChildProcess>> WinPrograms::start(std::string_view commandLine,
                                                                   platform::StartShow show,
                                                                   std::uint32_t waitIdleMs) {
  return Launch(commandLine, show, waitIdleMs, false);
}

Result<std::unique_ptr<platform::ChildProcess>> WinPrograms::startNative(
    std::string_view commandLine, platform::StartShow show, std::uint32_t waitIdleMs) {
  return Launch(commandLine, show, waitIdleMs, true);
}

Result<std::unique_ptr<platform::ChildProcess>> WinPrograms::Launch(std::string_view commandLine,
                                                                    platform::StartShow show,
                                                                    std::uint32_t waitIdleMs,
                                                                    bool native) {
  // CreateProcessW may write into the command line.
  std::wstring line = Widen(commandLine);
  std::vector<wchar_t> buffer(line.begin(), line.end());
  buffer.push_back(L'\0');

  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  if (show == platform::StartShow::Hidden) {
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = nullptr;
    startup.hStdOutput = nullptr;
    startup.hStdError = nullptr;
  }
  PROCESS_INFORMATION info{};
  BOOL created = FALSE;
  DWORD error = ERROR_SUCCESS;
  {
    // Only the look-up of the program sees the native folders.
    std::optional<NativeFileSystemView> nativeView;
    if (native) nativeView.emplace();
    // Started suspended, so that it is in the job before it can start another.
    created =
        CreateProcessW(nullptr, buffer.data(), nullptr, nullptr,
                       show == platform::StartShow::Hidden ? TRUE : FALSE,
                       NORMAL_PRIORITY_CLASS | CREATE_SUSPENDED, nullptr, nullptr, &startup, &info);
    if (!created) error = GetLastError();  // before the view is reverted
  }
  if (!created) return Win32Error(error, "start program", commandLine);
  ProcessHandle job(CreateJobObjectW(nullptr, nullptr));
  // A system without nested jobs refuses when this process is in a job.
  if (job.valid() && !AssignProcessToJobObject(job.get(), info.hProcess)) job.reset();
  ResumeThread(info.hThread);
  CloseHandle(info.hThread);
  if (waitIdleMs > 0) WaitForInputIdle(info.hProcess, waitIdleMs);
  return std::unique_ptr<platform::ChildProcess>(
      std::make_unique<WinChildProcess>(info.hProcess, std::move(job)));
}

platform::WindowId WinPrograms::findWindow(std::string_view className) {
  return reinterpret_cast<platform::WindowId>(FindWindowW(Widen(className).c_str(), nullptr));
}

platform::WindowId WinPrograms::findChildWindow(platform::WindowId parent,
                                                std::string_view className) {
  if (parent == 0) return 0;
  ChildSearch search{Widen(className), nullptr};
  EnumChildWindows(AsWindow(parent), &FindChildOfClass, reinterpret_cast<LPARAM>(&search));
  return reinterpret_cast<platform::WindowId>(search.found);
}

void WinPrograms::showMaximized(platform::WindowId window) {
  if (window != 0) ShowWindow(AsWindow(window), SW_MAXIMIZE);
}

void WinPrograms::sendKeys(platform::WindowId window, std::span<const platform::KeyStroke> keys) {
  HWND target = AsWindow(window);
  if (target == nullptr || !IsWindow(target)) return;
  SetForegroundWindow(target);
  for (const platform::KeyStroke& key : keys) {
    switch (key.kind) {
      case platform::KeyStroke::Kind::KeyDown:
        Send(target, WM_KEYDOWN, key.code, 1);
        break;
      case platform::KeyStroke::Kind::Char:
        if (key.code >= 0x10000) {
          const std::uint32_t v = key.code - 0x10000;
          Send(target, WM_CHAR, 0xD800 + (v >> 10), 1);
          Send(target, WM_CHAR, 0xDC00 + (v & 0x3FF), 1);
        } else {
          Send(target, WM_CHAR, key.code, 1);
        }
        break;
      case platform::KeyStroke::Kind::Pause:
        Sleep(key.code);
        break;
    }
  }
}

}  // namespace nc::win32
