// The clean items of the groups "Mozilla Firefox", "Netscape", "Opera" and
// of the Chromium browsers ("Google Chrome", "Microsoft Edge", "Brave",
// "Vivaldi", "Opera (Chromium)", "Chromium", "Opera GX", each with its
// channels; chromium_browsers.h): the files of each
// browser's profile go through the removal primitives; Firefox's visited
// places and the Chromium browsers' passwords, forms, downloads and page icons are
// rows of SQLite databases, deleted in a clean (never in a test run).
//
// A database that cannot be opened or changed (locked, corrupt, not a
// database, read-only) throws SqliteException out of the item after its
// message has been written to the log: the run ends there, without
// totals. An item's statements on one database run in one transaction,
// so a failure leaves the database as it was. Profile folders that are
// links are never entered, so a database outside the browser's folders is
// never touched.
//
// The databases are not trusted (sqlite_database.h). Cancel and the
// program's close stop a running statement at once, and the item ends
// quietly with the database as it was. In an unattended run (RunMode::Auto:
// "/Clear", "/Auto", the timer, the session's end) a statement that runs
// longer than kUnattendedStatementLimitMs is stopped and fails the item as
// any SQLite error does.
//
// Runs on the clean worker's thread only.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "cleaner/clean_run.h"
#include "cleaner/sqlite_database.h"

namespace nc::cleaner {

// Runs the browser item named `runName` and leaves its figures in the
// run's ItemCount, ItemSize and ItemSizeText; false when the name is not
// one of these items.
bool RunBrowserItem(CleanRun& run, std::string_view runName);

// The two halves of RunBrowserItem.
bool RunMozillaItem(CleanRun& run, std::string_view runName);
bool RunChromeOrOperaItem(CleanRun& run, std::string_view runName);

// ---- shared by the browsers' items -------------------------------------------

// LocalAppDataFolder (chromium_browsers.h) of the ports' registry.
std::string LocalAppDataFolder(platform::Platform& ports);
// `path` when it is a folder that exists and is not a link, else "".
std::string ExistingFolder(platform::Platform& ports, const std::string& path);
// The sub-folders of `folder` that are not links, in listing order, as
// full paths without trailing backslash; the listing stops early when the
// run is terminated.
std::vector<std::string> RealSubFolders(CleanRun& run, const std::string& folder);

// The longest one statement may run in an unattended run.
inline constexpr std::uint64_t kUnattendedStatementLimitMs = 120000;
// The test-only environment variable that shortens that limit (a number
// of milliseconds from 1 to kUnattendedStatementLimitMs), so that a test
// of the program itself need not wait two minutes; any other value is
// ignored.
inline constexpr std::string_view kStatementLimitVariable = "NC_TEST_SQLITE_LIMIT_MS";
std::uint64_t UnattendedStatementLimitMs(platform::Platform& ports);

// Opens the database file `path` when it exists as a plain file (not a
// link, not a folder) and hands it to `work` inside one transaction,
// committed when `work` returns and the run was not stopped meanwhile;
// the database is closed afterwards, rolled back when not committed,
// also when `work` throws. The content of deleted rows is overwritten,
// and a database in write-ahead-log mode has its log copied back and
// emptied after the commit, so that no deleted row stays readable in the
// file or beside it. A read-only file is opened read-only. A
// SqliteException is written to the log, one line per line of its
// message, and passed on, unless the run was stopped: then the item just
// ends.
void WithDatabase(CleanRun& run, const std::string& path,
                  const std::function<void(SqliteDatabase&)>& work);

}  // namespace nc::cleaner
