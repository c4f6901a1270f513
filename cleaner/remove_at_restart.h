// Removal that waits for the next start of the system, for files in use
// that cannot go now: the delete-at-restart list of the NT family and
// the "[rename]" section of Wininit.ini of the 95 family.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "cleaner/clean_run.h"

namespace nc::cleaner {

// Has the system delete the file at the next start; true on success or
// when the file does not exist.
bool ScheduleDeleteAtReboot(CleanRun& run, std::string_view path);
// Adds lines to the "[rename]" section of "Wininit.ini" in the Windows
// folder (the 95 family's delete-at-restart list).
void AddWininitRenames(CleanRun& run, const std::vector<std::string>& lines);

}  // namespace nc::cleaner
