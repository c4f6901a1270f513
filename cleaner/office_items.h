// The clean items of the groups "Microsoft Office" and "Instant Messengers"
// that have a procedure of their own: the Office recent folder and the
// recently used lists of Office 97 to 2007 (versions 8.0 to 12.0), the
// message logs and received files of MSN Messenger, the log, cache and
// profiles of Yahoo! Messenger and Skype's "*.dbb" files. ICQ and AOL
// Instant Messenger are sections of the definitions file and run there.
//
// Runs on the clean worker's thread only.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "cleaner/clean_run.h"

namespace nc::cleaner {

// Runs the item named `runName` and leaves its figures in the run's
// ItemCount, ItemSize and ItemSizeText; false when the name is not one of
// these items.
bool RunOfficeOrMessengerItem(CleanRun& run, std::string_view runName);

// The folder MSN Messenger writes its message logs to: the first
// "MessageLogPath" string of the passport accounts below
// "Software\Microsoft\MSNMessenger\PerPassportSettings" that names an
// existing folder (an expandable string once expanded), with a trailing
// backslash; "" when none does. The value is trusted no further than any
// folder the clean empties: a path that is not full ("Logs", "\Logs",
// "C:Logs"), a link, or a folder that FolderGuard finds guarded (a drive
// root, the profile, Documents, Windows, ..., or one that holds such a
// folder, however its path is spelled) is refused; each refusal adds one
// log line to `refusals`, and the next account is tried.
std::string MsnMessageLogFolder(platform::Platform& ports,
                                std::vector<std::string>* refusals = nullptr);

}  // namespace nc::cleaner
