#include "platform/win32/win_registry.h"

#include <windows.h>

#include <algorithm>
#include <array>

#include "platform/win32/error.h"
#include "platform/win32/handles.h"
#include "platform/win32/privileges.h"
#include "platform/win32/wide.h"

namespace nc::win32 {

using platform::RegAccess;
using platform::RegKey;
using platform::RegKeyInfo;
using platform::RegValue;
using platform::RootKey;

namespace {

constexpr int kMaxGrowRetries = 16;  // a value that keeps growing while we read it
constexpr DWORD kMaxNameChars = 32768;

HKEY RootHandle(RootKey root) {
  switch (root) {
    case RootKey::ClassesRoot:
      return HKEY_CLASSES_ROOT;
    case RootKey::CurrentUser:
      return HKEY_CURRENT_USER;
    case RootKey::LocalMachine:
      return HKEY_LOCAL_MACHINE;
    case RootKey::Users:
      return HKEY_USERS;
    case RootKey::CurrentConfig:
      return HKEY_CURRENT_CONFIG;
  }
  return HKEY_CURRENT_USER;
}

bool IsPredefined(HKEY key) {
  static const std::array<HKEY, 7> kPredefined = {
      HKEY_CLASSES_ROOT,   HKEY_CURRENT_USER,     HKEY_LOCAL_MACHINE, HKEY_USERS,
      HKEY_CURRENT_CONFIG, HKEY_PERFORMANCE_DATA, HKEY_DYN_DATA};
  for (HKEY k : kPredefined) {
    if (k == key) return true;
  }
  return false;
}

HKEY ToHkey(const RegKey& key) {
  return reinterpret_cast<HKEY>(key.handle());
}

std::uintptr_t ToHandle(HKEY key) {
  return reinterpret_cast<std::uintptr_t>(key);
}

REGSAM AccessMask(RegAccess access) {
  return access == RegAccess::Full || access == RegAccess::FullNoFollow ? KEY_ALL_ACCESS : KEY_READ;
}

DWORD OpenOptions(RegAccess access) {
  return access == RegAccess::ReadNoFollow || access == RegAccess::FullNoFollow
             ? REG_OPTION_OPEN_LINK
             : 0;
}

Error NotOpen(std::string_view op) {
  return Error{Errc::InvalidArgument, std::string(op), "(closed key)"};
}

// Registry symbolic links: opened as themselves with REG_OPTION_OPEN_LINK,
// recognised by their REG_LINK "SymbolicLinkValue".
bool IsLink(HKEY key) {
  DWORD type = 0;
  return RegQueryValueExW(key, L"SymbolicLinkValue", nullptr, &type, nullptr, nullptr) ==
             ERROR_SUCCESS &&
         type == REG_LINK;
}

using NtDeleteKeyFn = LONG(NTAPI*)(HANDLE);

// Deletes an open key by its handle (which needs DELETE access).
LSTATUS DeleteOpenKey(HKEY key) {
  static const auto ntDeleteKey = LoadProc<NtDeleteKeyFn>(L"ntdll.dll", "NtDeleteKey");
  if (ntDeleteKey == nullptr) return ERROR_NOT_SUPPORTED;
  return ntDeleteKey(key) == 0 ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

// Deletes `name` below `parent` depth first, in the view `viewFlag` names
// (0 for the program's own). A link is deleted as the link: its target is
// never opened.
LSTATUS DeleteTreeAt(HKEY parent, const std::wstring& name, REGSAM viewFlag, int depth) {
  if (depth > WinRegistry::kMaxTreeDepth) return ERROR_INVALID_PARAMETER;
  KeyHandle key;
  LSTATUS rc = RegOpenKeyExW(parent, name.c_str(), REG_OPTION_OPEN_LINK,
                             KEY_READ | DELETE | viewFlag, key.receive());
  if (rc != ERROR_SUCCESS) return rc;
  if (IsLink(key.get())) return DeleteOpenKey(key.get());
  std::wstring child(256, L'\0');
  while (true) {
    // Always enumerate index 0: each pass deletes what it found.
    DWORD length = static_cast<DWORD>(child.size());
    rc = RegEnumKeyExW(key.get(), 0, child.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc == ERROR_MORE_DATA && child.size() < kMaxNameChars) {
      child.resize(child.size() * 2);
      continue;
    }
    if (rc != ERROR_SUCCESS) return rc;
    // A name holding a NUL would open another key (the one named by its
    // start): stop instead.
    if (std::wstring_view(child.data(), length).find(L'\0') != std::wstring_view::npos) {
      return ERROR_NOT_SUPPORTED;
    }
    rc = DeleteTreeAt(key.get(), std::wstring(child.data(), length), viewFlag, depth + 1);
    if (rc != ERROR_SUCCESS) return rc;
  }
  // Deleting by name would look the key up again in the program's own
  // view; in another view it is deleted through its handle.
  if (viewFlag != 0) return DeleteOpenKey(key.get());
  key.reset();
  return RegDeleteKeyW(parent, name.c_str());
}

// Whether the system keeps two registry views: 64-bit Windows.
bool SystemHasTwoViews() {
  if constexpr (sizeof(void*) == 8) {
    return true;
  } else {
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    static const auto isWow64Process =
        LoadProc<IsWow64ProcessFn>(L"kernel32.dll", "IsWow64Process");
    BOOL wow64 = FALSE;
    return isWow64Process != nullptr && isWow64Process(GetCurrentProcess(), &wow64) && wow64;
  }
}

}  // namespace

WinRegistry::WinRegistry() : twoViews_(SystemHasTwoViews()) {}

std::uint32_t WinRegistry::viewFlag(platform::RegView view) const {
  // The program's own view needs no flag.
  constexpr bool kProgram64 = sizeof(void*) == 8;
  if (!twoViews_) return 0;
  switch (view) {
    case platform::RegView::Bits64:
      return kProgram64 ? 0 : KEY_WOW64_64KEY;
    case platform::RegView::Bits32:
      return kProgram64 ? KEY_WOW64_32KEY : 0;
    case platform::RegView::Default:
      break;
  }
  return 0;
}

std::uint32_t WinRegistry::viewFlagOf(const RegKey& key) const {
  std::lock_guard lock(mutex_);
  const auto it = viewFlags_.find(key.handle());
  return it == viewFlags_.end() ? 0 : it->second;
}

// The system does not remember the view a key was opened in: each open
// below it names the view again.
RegKey WinRegistry::keep(std::uintptr_t key, std::uint32_t viewFlag) {
  if (viewFlag != 0) {
    std::lock_guard lock(mutex_);
    viewFlags_[key] = viewFlag;
  }
  return RegKey(this, key);
}

Result<RegKey> WinRegistry::open(RootKey root, std::string_view path, RegAccess access,
                                 platform::RegView view) {
  const DWORD flag = viewFlag(view);
  HKEY key = nullptr;
  const LSTATUS rc = RegOpenKeyExW(RootHandle(root), Widen(path).c_str(), OpenOptions(access),
                                   AccessMask(access) | flag, &key);
  if (rc != ERROR_SUCCESS) {
    return Win32Error(static_cast<DWORD>(rc), "open key",
                      std::string(platform::RootKeyName(root)) + "\\" + std::string(path));
  }
  return keep(ToHandle(key), flag);
}

Result<RegKey> WinRegistry::openSub(const RegKey& parent, std::string_view path, RegAccess access) {
  if (!parent.valid()) return NotOpen("open key");
  const DWORD flag = viewFlagOf(parent);
  HKEY key = nullptr;
  const LSTATUS rc = RegOpenKeyExW(ToHkey(parent), Widen(path).c_str(), OpenOptions(access),
                                   AccessMask(access) | flag, &key);
  if (rc != ERROR_SUCCESS) return Win32Error(static_cast<DWORD>(rc), "open key", path);
  return keep(ToHandle(key), flag);
}

Result<RegKey> WinRegistry::openSubExact(const RegKey& parent, std::u16string_view exactPath,
                                         RegAccess access) {
  if (!parent.valid()) return NotOpen("open key");
  const std::wstring path(exactPath.begin(), exactPath.end());
  // RegOpenKeyExW reads the path up to its first NUL: another key's.
  if (path.find(L'\0') != std::wstring::npos) {
    return Error{Errc::NotSupported, "open key", Narrow(path)};
  }
  const DWORD flag = viewFlagOf(parent);
  HKEY key = nullptr;
  const LSTATUS rc = RegOpenKeyExW(ToHkey(parent), path.c_str(), OpenOptions(access),
                                   AccessMask(access) | flag, &key);
  if (rc != ERROR_SUCCESS) return Win32Error(static_cast<DWORD>(rc), "open key", Narrow(path));
  return keep(ToHandle(key), flag);
}

Result<RegKey> WinRegistry::create(RootKey root, std::string_view path) {
  HKEY key = nullptr;
  const LSTATUS rc =
      RegCreateKeyExW(RootHandle(root), Widen(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, &key, nullptr);
  if (rc != ERROR_SUCCESS) {
    return Win32Error(static_cast<DWORD>(rc), "create key",
                      std::string(platform::RootKeyName(root)) + "\\" + std::string(path));
  }
  return RegKey(this, ToHandle(key));
}

Result<std::vector<std::string>> WinRegistry::subKeyNames(const RegKey& key) {
  auto exact = exactSubKeyNames(key);
  if (!exact) return exact.error();
  std::vector<std::string> names;
  names.reserve(exact->size());
  for (const std::u16string& name : *exact) {
    names.push_back(Narrow(std::wstring(name.begin(), name.end())));
  }
  return names;
}

Result<std::vector<std::u16string>> WinRegistry::exactSubKeyNames(const RegKey& key) {
  if (!key.valid()) return NotOpen("list sub-keys");
  std::vector<std::u16string> names;
  std::wstring buffer(256, L'\0');
  for (DWORD index = 0;;) {
    DWORD length = static_cast<DWORD>(buffer.size());
    const LSTATUS rc = RegEnumKeyExW(ToHkey(key), index, buffer.data(), &length, nullptr, nullptr,
                                     nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc == ERROR_MORE_DATA && buffer.size() < kMaxNameChars) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (rc != ERROR_SUCCESS) return Win32Error(static_cast<DWORD>(rc), "list sub-keys", "");
    names.emplace_back(buffer.data(), buffer.data() + length);
    ++index;
  }
  return names;
}

Result<std::vector<RegValue>> WinRegistry::values(const RegKey& key) {
  if (!key.valid()) return NotOpen("list values");
  DWORD maxName = 0;
  DWORD maxData = 0;
  LSTATUS rc = RegQueryInfoKeyW(ToHkey(key), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                nullptr, &maxName, &maxData, nullptr, nullptr);
  if (rc != ERROR_SUCCESS) return Win32Error(static_cast<DWORD>(rc), "list values", "");
  std::wstring name(maxName + 1, L'\0');
  std::vector<std::uint8_t> data(maxData > 0 ? maxData : 1);
  std::vector<RegValue> result;
  int retries = 0;
  for (DWORD index = 0;;) {
    DWORD nameLength = static_cast<DWORD>(name.size());
    DWORD dataLength = static_cast<DWORD>(data.size());
    DWORD type = 0;
    rc = RegEnumValueW(ToHkey(key), index, name.data(), &nameLength, nullptr, &type, data.data(),
                       &dataLength);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc == ERROR_MORE_DATA && ++retries <= kMaxGrowRetries) {
      // The name or the data grew since the key was measured.
      if (name.size() < kMaxNameChars) name.resize(name.size() * 2);
      data.resize(std::max<std::size_t>(data.size() * 2, dataLength));
      continue;
    }
    if (rc != ERROR_SUCCESS) return Win32Error(static_cast<DWORD>(rc), "list values", "");
    RegValue value;
    value.name = Narrow(std::wstring_view(name.data(), nameLength));
    value.exactName.assign(name.data(), name.data() + nameLength);
    value.type = type;
    value.data.assign(data.begin(), data.begin() + dataLength);
    result.push_back(std::move(value));
    retries = 0;
    ++index;
  }
  return result;
}

Result<RegKeyInfo> WinRegistry::info(const RegKey& key) {
  if (!key.valid()) return NotOpen("query key");
  DWORD subKeys = 0;
  DWORD valueCount = 0;
  const LSTATUS rc = RegQueryInfoKeyW(ToHkey(key), nullptr, nullptr, nullptr, &subKeys, nullptr,
                                      nullptr, &valueCount, nullptr, nullptr, nullptr, nullptr);
  if (rc != ERROR_SUCCESS) return Win32Error(static_cast<DWORD>(rc), "query key", "");
  return RegKeyInfo{subKeys, valueCount};
}

Result<RegValue> WinRegistry::readValue(const RegKey& key, std::string_view name) {
  if (!key.valid()) return NotOpen("read value");
  const std::wstring wideName = Widen(name);
  std::vector<std::uint8_t> data(256);
  for (int attempt = 0; attempt <= kMaxGrowRetries; ++attempt) {
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(data.size());
    const LSTATUS rc =
        RegQueryValueExW(ToHkey(key), wideName.c_str(), nullptr, &type, data.data(), &size);
    if (rc == ERROR_MORE_DATA) {
      // `size` is what the value needs now; it may grow again before the
      // next read.
      data.resize(std::max<std::size_t>(size, data.size() * 2));
      continue;
    }
    if (rc != ERROR_SUCCESS) {
      return Win32Error(static_cast<DWORD>(rc), "read value", name);
    }
    data.resize(size);
    const std::wstring_view asked(wideName.c_str());  // what the call named: up to a NUL
    return RegValue{std::string(name), type, std::move(data),
                    std::u16string(asked.begin(), asked.end())};
  }
  return Error{Errc::IoError, "read value", std::string(name)};
}

Status WinRegistry::writeValue(const RegKey& key, std::string_view name, std::uint32_t type,
                               std::span<const std::uint8_t> data) {
  if (!key.valid()) return NotOpen("write value");
  const LSTATUS rc = RegSetValueExW(ToHkey(key), Widen(name).c_str(), 0, type, data.data(),
                                    static_cast<DWORD>(data.size()));
  if (rc != ERROR_SUCCESS) return Win32Error(static_cast<DWORD>(rc), "write value", name);
  return Status::Ok();
}

Status WinRegistry::deleteValue(const RegKey& key, std::string_view name) {
  if (!key.valid()) return NotOpen("delete value");
  const LSTATUS rc = RegDeleteValueW(ToHkey(key), Widen(name).c_str());
  if (rc != ERROR_SUCCESS) return Win32Error(static_cast<DWORD>(rc), "delete value", name);
  return Status::Ok();
}

Status WinRegistry::deleteValueExact(const RegKey& key, std::u16string_view exactName) {
  if (!key.valid()) return NotOpen("delete value");
  const std::wstring name(exactName.begin(), exactName.end());
  // RegDeleteValueW reads the name up to its first NUL: a name holding one
  // would delete another value, or the default value.
  if (name.find(L'\0') != std::wstring::npos) {
    return Error{Errc::NotSupported, "delete value", Narrow(name)};
  }
  const LSTATUS rc = RegDeleteValueW(ToHkey(key), name.c_str());
  if (rc != ERROR_SUCCESS) return Win32Error(static_cast<DWORD>(rc), "delete value", Narrow(name));
  return Status::Ok();
}

Result<bool> WinRegistry::isLink(const RegKey& key) {
  if (!key.valid()) return NotOpen("query key");
  return IsLink(ToHkey(key));
}

Status WinRegistry::deleteTree(const RegKey& parent, std::string_view subKey) {
  if (!parent.valid()) return NotOpen("delete key");
  // An empty name would delete the parent's own contents: refuse it.
  if (subKey.empty()) return Error{Errc::InvalidArgument, "delete key", ""};
  // RegDeleteTree opens sub-keys the ordinary way and so would empty the
  // target of a registry link; the walk here deletes links as links.
  const LSTATUS rc = DeleteTreeAt(ToHkey(parent), Widen(subKey), viewFlagOf(parent), 0);
  if (rc != ERROR_SUCCESS) return Win32Error(static_cast<DWORD>(rc), "delete key", subKey);
  return Status::Ok();
}

Status WinRegistry::deleteTreeExact(const RegKey& parent, std::u16string_view exactName) {
  if (!parent.valid()) return NotOpen("delete key");
  const std::wstring name(exactName.begin(), exactName.end());
  if (name.empty()) return Error{Errc::InvalidArgument, "delete key", ""};
  if (name.find(L'\0') != std::wstring::npos) {
    return Error{Errc::NotSupported, "delete key", Narrow(name)};
  }
  const LSTATUS rc = DeleteTreeAt(ToHkey(parent), name, viewFlagOf(parent), 0);
  if (rc != ERROR_SUCCESS) return Win32Error(static_cast<DWORD>(rc), "delete key", Narrow(name));
  return Status::Ok();
}

Status WinRegistry::saveKey(const RegKey& key, std::string_view file) {
  if (!key.valid()) return NotOpen("save key");
  // Windows refuses to overwrite a file, Wine overwrites it: refuse on both.
  const std::wstring path = LongPath(file);
  if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
    return Win32Error(ERROR_ALREADY_EXISTS, "save key", file);
  }
  if (auto st = EnablePrivilege(L"SeBackupPrivilege"); !st) return st;
  const LSTATUS rc = RegSaveKeyW(ToHkey(key), path.c_str(), nullptr);
  if (rc != ERROR_SUCCESS) return Win32Error(static_cast<DWORD>(rc), "save key", file);
  return Status::Ok();
}

Status WinRegistry::replaceKey(RootKey root, std::string_view path, std::string_view newFile,
                               std::string_view oldFile) {
  if (auto st = EnablePrivilege(L"SeRestorePrivilege"); !st) return st;
  const LSTATUS rc = RegReplaceKeyW(RootHandle(root), Widen(path).c_str(), Widen(newFile).c_str(),
                                    Widen(oldFile).c_str());
  if (rc != ERROR_SUCCESS) {
    return Win32Error(static_cast<DWORD>(rc), "replace key",
                      std::string(platform::RootKeyName(root)) + "\\" + std::string(path));
  }
  return Status::Ok();
}

void WinRegistry::close(std::uintptr_t handle) noexcept {
  {
    std::lock_guard lock(mutex_);
    viewFlags_.erase(handle);
  }
  HKEY key = reinterpret_cast<HKEY>(handle);
  if (key != nullptr && !IsPredefined(key)) RegCloseKey(key);
}

}  // namespace nc::win32
