#include "platform/win32/win_shell.h"

#include <windows.h>

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdint>

#include "platform/win32/error.h"
#include "platform/win32/system_library.h"
#include "platform/win32/wide.h"
#include "platform/win32/win_inet.h"

namespace nc::win32 {

Status WinShell::openDocument(std::string_view target) {
  const auto result = reinterpret_cast<std::intptr_t>(
      ShellExecuteW(nullptr, L"open", Widen(target).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (result > 32) return Status::Ok();
  // Values up to 32 are errors; most share the Win32 numbers.
  if (result == SE_ERR_NOASSOC) return Error{Errc::NotSupported, "open", std::string(target)};
  if (result == 0) return Error{Errc::IoError, "open", std::string(target)};
  return Win32Error(static_cast<unsigned long>(result), "open", target);
}

void WinShell::endBrowserSession() {
  // Without WinINet there is no session to end.
  if (const auto setOption = WinInet().internetSetOption) {
    setOption(nullptr, INTERNET_OPTION_END_BROWSER_SESSION, nullptr, 0);
  }
}

Status WinShell::deleteFileSilently(std::string_view path) {
  // The source list ends with two NUL characters.
  std::wstring source = Widen(path);
  source.push_back(L'\0');
  SHFILEOPSTRUCTW op{};
  op.wFunc = FO_DELETE;
  op.pFrom = source.c_str();
  // No confirmation, no progress and no error box: a failure is reported
  // to the caller only, so an unattended run never waits for a click.
  op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
  const int result = SHFileOperationW(&op);
  if (result == 0 && !op.fAnyOperationsAborted) return Status::Ok();
  return Win32Error(result == 0 ? ERROR_CANCELLED : static_cast<unsigned long>(result),
                    "delete file", path);
}

bool WinShell::emptyRecycleBins() {
  // Looked up at run time: systems without it leave the bins alone.
  HMODULE shell32 = LoadSystemLibrary(L"shell32.dll");
  if (shell32 == nullptr) return false;
  using EmptyBin = HRESULT(WINAPI*)(HWND, LPCWSTR, DWORD);
  auto empty = reinterpret_cast<EmptyBin>(
      reinterpret_cast<void*>(GetProcAddress(shell32, "SHEmptyRecycleBinW")));
  bool done = false;
  if (empty != nullptr) {
    empty(nullptr, nullptr, SHERB_NOCONFIRMATION | SHERB_NOPROGRESSUI | SHERB_NOSOUND);
    done = true;
  }
  FreeLibrary(shell32);
  return done;
}

Result<std::string> WinShell::resolveShortcut(std::string_view lnkPath) {
  // COM for this call only; a thread already in another apartment model
  // keeps it (RPC_E_CHANGED_MODE) and must not be uninitialised.
  const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const bool uninitialize = SUCCEEDED(init);
  Result<std::string> result = Error{Errc::InvalidArgument, "read shortcut", std::string(lnkPath)};
  IShellLinkW* link = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                 reinterpret_cast<void**>(&link)))) {
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
      const HRESULT loaded = file->Load(Widen(lnkPath).c_str(), STGM_READ);
      if (SUCCEEDED(loaded)) {
        std::wstring buffer(MAX_PATH + 1, L'\0');
        const HRESULT got = link->GetPath(buffer.data(), static_cast<int>(buffer.size()), nullptr,
                                          SLGP_UNCPRIORITY);
        buffer.resize(wcsnlen(buffer.c_str(), buffer.size()));
        if (got == S_OK && !buffer.empty()) {
          result = Narrow(buffer);
        } else {
          result = Error{Errc::NotFound, "read shortcut", std::string(lnkPath)};
        }
      } else if (loaded == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ||
                 loaded == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND)) {
        result = Error{Errc::NotFound, "read shortcut", std::string(lnkPath)};
      }
      file->Release();
    }
    link->Release();
  }
  if (uninitialize) CoUninitialize();
  return result;
}

}  // namespace nc::win32
