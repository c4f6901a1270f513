// The small number the program derives from the Windows version, and
// the features it gates.
#pragma once

#include "platform/system.h"

namespace nc::platform {

// 1 Windows 95, 3 Windows 98, 8 Windows Me; on the NT family 5 NT 3.x,
// 6 NT 4, 7 Windows 2000, 9 XP, 10 Server 2003 and anything unlisted,
// 11 Vista (6.x other than 6.1), 12 Windows 7. Codes 0, 2 and 4 are
// never produced.
int WindowsVersionCode(const VersionInfo& version);

// Windows 95, 98 and Me: the "Windows Backup..." button is hidden.
bool IsWin9xCode(int code);
// Registry compaction works on NT 3.x to 2000 and XP to Windows 7.
bool CompactionSupported(int code);
// A System Restore point can be made on XP to Windows 7.
bool RestorePointSupported(int code);

}  // namespace nc::platform
