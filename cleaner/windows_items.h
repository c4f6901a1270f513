// The clean items of the groups "Windows" and "Advanced" that have a
// procedure of their own: recently used lists in the current user's
// registry, the recent-documents folder, the recycle bins, the temporary
// folder, the clipboard, crash dumps and disk-check fragments.
#pragma once

#include <string_view>

#include "cleaner/clean_run.h"

namespace nc::cleaner {

// Runs the item named `runName` ("Windows - Temporary Files", ...) and
// leaves its figures in the run's ItemCount, ItemSize and ItemSizeText;
// false when the name is not one of these items.
bool RunWindowsItem(CleanRun& run, std::string_view runName);

}  // namespace nc::cleaner
