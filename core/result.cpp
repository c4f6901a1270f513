#include "core/result.h"

namespace nc {

const char* ErrcName(Errc code) {
  switch (code) {
    case Errc::NotFound:
      return "not found";
    case Errc::AccessDenied:
      return "access denied";
    case Errc::SharingViolation:
      return "in use";
    case Errc::AlreadyExists:
      return "already exists";
    case Errc::DiskFull:
      return "disk full";
    case Errc::InvalidArgument:
      return "invalid argument";
    case Errc::NotEmpty:
      return "not empty";
    case Errc::NotSupported:
      return "not supported";
    case Errc::IoError:
      return "i/o error";
  }
  return "i/o error";
}

}  // namespace nc
