#include "platform/win32/win_system.h"

#include <windows.h>

#include <shellapi.h>

#include <algorithm>

#include "platform/win32/handles.h"
#include "platform/win32/system_library.h"
#include "platform/win32/wide.h"

namespace nc::win32 {

namespace {

// A SID made by AllocateAndInitializeSid.
struct OwnedSid {
  PSID sid = nullptr;
  OwnedSid() = default;
  OwnedSid(const OwnedSid&) = delete;
  OwnedSid& operator=(const OwnedSid&) = delete;
  ~OwnedSid() {
    if (sid != nullptr) FreeSid(sid);
  }
};

}  // namespace

platform::VersionInfo WinSystem::version() {
  OSVERSIONINFOEXW info{};
  info.dwOSVersionInfoSize = sizeof(info);
  platform::VersionInfo result;
  if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info))) return result;
  result.major = info.dwMajorVersion;
  result.minor = info.dwMinorVersion;
  result.build = info.dwBuildNumber;
  result.platformId = info.dwPlatformId;
  result.servicePack = NarrowZ(info.szCSDVersion);
  return result;
}

bool WinSystem::isWow64() {
  using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
  static const auto isWow64Process = LoadProc<IsWow64ProcessFn>(L"kernel32.dll", "IsWow64Process");
  if (isWow64Process == nullptr) return false;  // a system that predates 64-bit Windows
  BOOL wow64 = FALSE;
  return isWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

bool WinSystem::is64BitWindows() {
  return sizeof(void*) == 8 || isWow64();
}

bool WinSystem::isAdministrator() {
  TokenHandle token;
  if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, token.receive()) &&
      !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.receive())) {
    return false;
  }
  DWORD size = 0;
  GetTokenInformation(token.get(), TokenGroups, nullptr, 0, &size);
  if (size == 0) return false;
  std::vector<std::uint8_t> buffer(size);
  if (!GetTokenInformation(token.get(), TokenGroups, buffer.data(), size, &size)) return false;

  SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
  OwnedSid administrators;
  if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &administrators.sid)) {
    return false;
  }
  const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
  for (DWORD i = 0; i < groups->GroupCount; ++i) {
    if (EqualSid(groups->Groups[i].Sid, administrators.sid)) return true;
  }
  return false;
}

std::string WinSystem::executablePath() {
  std::wstring buffer(MAX_PATH, L'\0');
  while (true) {
    const DWORD got = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (got == 0) return {};
    if (got < buffer.size()) return Narrow(std::wstring_view(buffer.data(), got));
    if (buffer.size() >= 32768) return {};
    buffer.resize(buffer.size() * 2);
  }
}

std::vector<std::string> WinSystem::arguments() {
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> result;
  if (argv == nullptr) return result;
  for (int i = 1; i < count; ++i) result.push_back(NarrowZ(argv[i]));
  LocalFree(argv);
  return result;
}

bool WinSystem::emptyClipboard() {
  if (!OpenClipboard(nullptr)) return false;
  const BOOL emptied = EmptyClipboard();
  CloseClipboard();
  return emptied != FALSE;
}

std::string WinSystem::toAnsiCodePage(std::string_view utf8) {
  const std::wstring wide = Widen(utf8);
  if (wide.empty()) return {};
  const int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                       nullptr, 0, "?", nullptr);
  std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  if (size > 0) {
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), out.data(), size,
                        "?", nullptr);
  }
  return out;
}

std::string WinSystem::fromAnsiCodePage(std::string_view ansi) {
  if (ansi.empty()) return {};
  const int length = static_cast<int>(ansi.size());
  const int size = MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, nullptr, 0);
  if (size <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, wide.data(), size);
  return Narrow(wide);
}

namespace {

// The request and status records of System Restore, packed as the
// system defines them.
#pragma pack(push, 1)
struct RestorePointInfoW {
  DWORD eventType;
  DWORD restorePointType;
  INT64 sequenceNumber;
  WCHAR description[256];
};
struct StateManagerStatus {
  DWORD status;
  INT64 sequenceNumber;
};
#pragma pack(pop)

constexpr DWORD kBeginSystemChange = 100;
constexpr DWORD kApplicationInstall = 0;

using SetRestorePointW = BOOL(WINAPI*)(RestorePointInfoW*, StateManagerStatus*);

}  // namespace

bool WinSystem::showCriticalErrorBoxes(bool shown) {
  const DWORD mode = GetThreadErrorMode();
  const DWORD wanted = shown ? (mode & ~static_cast<DWORD>(SEM_FAILCRITICALERRORS))
                             : (mode | SEM_FAILCRITICALERRORS);
  DWORD previous = mode;
  if (!SetThreadErrorMode(wanted, &previous)) previous = mode;
  return (previous & SEM_FAILCRITICALERRORS) == 0;
}

bool WinSystem::createRestorePoint(std::string_view description) {
  HMODULE library = LoadSystemLibrary(L"SrClient.dll");
  if (library == nullptr) return false;
  auto* entry = reinterpret_cast<SetRestorePointW>(
      reinterpret_cast<void*>(GetProcAddress(library, "SRSetRestorePointW")));
  bool made = false;
  if (entry != nullptr) {
    RestorePointInfoW request{};
    request.eventType = kBeginSystemChange;
    request.restorePointType = kApplicationInstall;
    request.sequenceNumber = 0;
    const std::wstring text = Widen(description);
    const std::size_t count = std::min<std::size_t>(text.size(), 255);
    std::copy_n(text.data(), count, request.description);
    StateManagerStatus status{};
    made = entry(&request, &status) != FALSE;
  }
  FreeLibrary(library);
  return made;
}

}  // namespace nc::win32
