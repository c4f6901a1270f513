#include "platform/version_code.h"

namespace nc::platform {

int WindowsVersionCode(const VersionInfo& version) {
  if (version.platformId == kPlatformWin32Nt) {
    int code = 10;
    switch (version.major) {
      case 3:
        code = 5;
        break;
      case 4:
        code = 6;
        break;
      case 5:
        code = 7;
        break;
      case 6:
        code = 11;
        break;
      default:
        break;
    }
    if (version.major == 5 && version.minor == 1) code = 9;
    if (version.major == 5 && version.minor == 2) code = 10;
    if (version.major == 6 && version.minor == 1) code = 12;
    return code;
  }
  if (version.major == 4 && version.minor == 0) return 1;
  if (version.major == 4 && version.minor == 10) return 3;
  if (version.major == 4 && version.minor == 90) return 8;
  return 10;
}

bool IsWin9xCode(int code) {
  return (code >= 1 && code <= 4) || code == 8;
}

bool CompactionSupported(int code) {
  return (code >= 5 && code <= 7) || (code >= 9 && code <= 12);
}

bool RestorePointSupported(int code) {
  return code >= 9 && code <= 12;
}

}  // namespace nc::platform
