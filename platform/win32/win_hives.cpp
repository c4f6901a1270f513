#include "platform/win32/win_hives.h"

#include <windows.h>

#include <string>

#include "platform/win32/error.h"
#include "platform/win32/handles.h"
#include "platform/win32/privileges.h"
#include "platform/win32/wide.h"

namespace nc::win32 {

using platform::RootKey;

namespace {

HKEY HiveRoot(RootKey root) {
  switch (root) {
    case RootKey::LocalMachine:
      return HKEY_LOCAL_MACHINE;
    case RootKey::Users:
      return HKEY_USERS;
    case RootKey::ClassesRoot:
      return HKEY_CLASSES_ROOT;
    case RootKey::CurrentUser:
      return HKEY_CURRENT_USER;
    case RootKey::CurrentConfig:
      return HKEY_CURRENT_CONFIG;
  }
  return HKEY_LOCAL_MACHINE;
}

std::string KeyText(RootKey root, std::string_view subKey) {
  return std::string(platform::RootKeyName(root)) + "\\" + std::string(subKey);
}

// Opens a hive root for backup (REG_OPTION_BACKUP_RESTORE), which with
// the backup privilege enabled passes the key's permissions, as the
// system's backup tools do; where the system does not take the option, a
// plain open. The first error when neither opens.
Status OpenHiveRoot(RootKey root, std::string_view subKey, bool view64, KeyHandle& key) {
  // The 64-bit view needs only the right to query; other hives open as a
  // plain open would.
  const REGSAM sam = view64 ? (KEY_QUERY_VALUE | KEY_WOW64_64KEY) : KEY_READ;
  const std::wstring name = Widen(subKey);
  const LSTATUS backup =
      RegOpenKeyExW(HiveRoot(root), name.c_str(), REG_OPTION_BACKUP_RESTORE, sam, key.receive());
  if (backup == ERROR_SUCCESS) return Status::Ok();
  if (RegOpenKeyExW(HiveRoot(root), name.c_str(), 0, sam, key.receive()) == ERROR_SUCCESS) {
    return Status::Ok();
  }
  return Win32Error(static_cast<DWORD>(backup), "open hive", KeyText(root, subKey));
}

}  // namespace

Status WinHives::checkOpen(RootKey root, std::string_view subKey, bool view64) {
  KeyHandle key;
  return OpenHiveRoot(root, subKey, view64, key);
}

void WinHives::enableBackupPrivilege() {
  (void)EnablePrivilege(L"SeBackupPrivilege");
}

void WinHives::enableRestorePrivilege() {
  (void)EnablePrivilege(L"SeRestorePrivilege");
}

Status WinHives::saveCopy(RootKey root, std::string_view subKey, bool view64,
                          std::string_view destination) {
  KeyHandle key;
  if (Status opened = OpenHiveRoot(root, subKey, view64, key); !opened) return opened;
  const std::wstring path = LongPath(destination);
  if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
    return Win32Error(ERROR_ALREADY_EXISTS, "save hive", destination);
  }
  const LSTATUS rc = RegSaveKeyExW(key.get(), path.c_str(), nullptr, REG_LATEST_FORMAT);
  if (rc != ERROR_SUCCESS) return Win32Error(static_cast<DWORD>(rc), "save hive", destination);
  return Status::Ok();
}

Status WinHives::replace(RootKey root, std::string_view subKey, std::string_view newFile,
                         std::string_view oldFile) {
  const LSTATUS rc = RegReplaceKeyW(HiveRoot(root), Widen(subKey).c_str(), Widen(newFile).c_str(),
                                    Widen(oldFile).c_str());
  if (rc != ERROR_SUCCESS) {
    return Win32Error(static_cast<DWORD>(rc), "replace hive", KeyText(root, subKey));
  }
  return Status::Ok();
}

bool WinHives::requestRestart() {
  (void)EnablePrivilege(L"SeShutdownPrivilege");
  return ExitWindowsEx(EWX_REBOOT | EWX_FORCE, /*reason*/ 1) != FALSE;
}

}  // namespace nc::win32
