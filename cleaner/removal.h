// Removal primitives of the clean worker. In test mode they walk and
// count exactly as in clean mode but change nothing; they write the log
// lines, count into the counter they are given and return the bytes of
// the files they found, so that a test and a clean report the same
// figures. Links (symbolic links, junctions) are never followed: the link
// itself is removed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cleaner/clean_run.h"
#include "platform/registry.h"

namespace nc::cleaner {

// Deletes one file (overwriting it first when secure deletion is on and
// the file is not held by another program). With `log` the file's line
// is written. True when the file counts as removed: always in test mode.
bool DeleteFileLogged(CleanRun& run, std::string_view path, bool log);

// Overwrites the file's contents `passes` times, one random byte value per
// pass, and flushes it; any failure ends the wipe silently.
void WipeFileContents(CleanRun& run, std::string_view path, int passes);

// Deletes the files of `folder` (except those named `keepName`, compared
// without regard to case, at every depth) and its sub-folders; with
// `removeFolder` the folder itself is removed too in clean mode.
std::uint64_t DeleteFolderContents(CleanRun& run, std::string_view folder, bool removeFolder,
                                   bool log, std::string_view keepName, std::int32_t& counter);
// The same walk for a sub-folder, which is always removed in clean mode.
std::uint64_t DeleteFolderTree(CleanRun& run, std::string_view folder, std::int32_t& counter,
                               bool log, std::string_view keepName);
// Deletes the files of `folder` that match `mask` (only the first "*" is
// a wildcard), entering sub-folders with `recurse`. Folders stay.
std::uint64_t DeleteFilesByMask(CleanRun& run, std::string_view folder, std::string_view mask,
                                std::int32_t& counter, bool recurse);

// Registry keys and values by the full root name ("HKEY_CURRENT_USER",
// any case); other names do nothing and count 0.
std::int32_t DeleteKeyByRootName(CleanRun& run, std::string_view rootName,
                                 std::string_view keyPath);
std::int32_t DeleteValuesByRootName(CleanRun& run, std::string_view rootName,
                                    std::string_view keyPath, std::string_view valueName);
// The same below a root key.
std::int32_t DeleteUserKey(CleanRun& run, platform::RootKey root, std::string_view keyPath);
std::int32_t DeleteUserValues(CleanRun& run, platform::RootKey root, std::string_view keyPath,
                              std::string_view valueName);
// Number of values in the key and all its sub-keys; 0 when it cannot be
// opened.
std::int32_t CountKeyValues(CleanRun& run, platform::RootKey root, std::string_view keyPath);

// Has the system delete the file at the next start; true on success or
// when the file does not exist.
bool ScheduleDeleteAtReboot(CleanRun& run, std::string_view path);
// Adds lines to the "[rename]" section of "Wininit.ini" in the Windows
// folder (the 95 family's delete-at-restart list).
void AddWininitRenames(CleanRun& run, const std::vector<std::string>& lines);

// Folders and the account.
std::string MyDocumentsFolder(platform::Platform& platform);  // with trailing backslash
std::string ProgramFilesFolder(platform::Platform& platform);
std::string UserAppDataFolder(platform::Platform& platform);  // with trailing backslash
bool IsAdministrator(platform::Platform& platform);

}  // namespace nc::cleaner
