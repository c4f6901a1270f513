#include "platform/win32/error.h"

#include <windows.h>

#include <string>

namespace nc::win32 {

Errc ErrcFromWin32(unsigned long code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_NO_MORE_FILES:
    case ERROR_MOD_NOT_FOUND:
    case ERROR_NOT_READY:
      return Errc::NotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_PRIVILEGE_NOT_HELD:
    case ERROR_NOT_ALL_ASSIGNED:
    case ERROR_WRITE_PROTECT:
    case ERROR_CURRENT_DIRECTORY:
    case ERROR_CANNOT_MAKE:
      return Errc::AccessDenied;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
      return Errc::SharingViolation;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
      return Errc::AlreadyExists;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return Errc::DiskFull;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_PARAMETER:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_INVALID_HANDLE:
    case ERROR_DIRECTORY:
    case ERROR_BADKEY:
      return Errc::InvalidArgument;
    case ERROR_DIR_NOT_EMPTY:
    case ERROR_KEY_HAS_CHILDREN:
      return Errc::NotEmpty;
    case ERROR_NOT_SUPPORTED:
    case ERROR_CALL_NOT_IMPLEMENTED:
    case ERROR_INVALID_FUNCTION:
      return Errc::NotSupported;
    default:
      return Errc::IoError;
  }
}

Error Win32Error(unsigned long code, std::string_view op, std::string_view path) {
  return Error{ErrcFromWin32(code), std::string(op), std::string(path)};
}

Error LastError(std::string_view op, std::string_view path) {
  return Win32Error(GetLastError(), op, path);
}

}  // namespace nc::win32
