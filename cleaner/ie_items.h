// The clean items of the group "Internet Explorer": the file cache,
// cookies, URL history, typed addresses, the cache index files, the last
// download folder and the form auto-completion data. Files and keys go
// through the removal primitives; history, cache entries and Protected
// Storage through the browser store port.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "cleaner/clean_run.h"

namespace nc::cleaner {

// Runs the item named `runName` ("Internet Explorer - Cookies", ...) and
// leaves its figures in the run's ItemCount, ItemSize and ItemSizeText;
// false when the name is not one of these items.
bool RunInternetExplorerItem(CleanRun& run, std::string_view runName);

// "MSHist01" + year + month + day of the local date ("MSHist0120091105"):
// the start of the names of today's history folders.
std::string TodayHistoryFolderPrefix(platform::Clock& clock);

// Removes the browser's URL history entries one by one, counting each into
// ItemCount. A history that cannot be reached ends it silently.
void DeleteHistoryUrls(CleanRun& run);

// Removes the cache entries whose address starts with "http://"; returns
// how many it found.
std::int32_t DeleteWebCacheEntries(CleanRun& run);

}  // namespace nc::cleaner
