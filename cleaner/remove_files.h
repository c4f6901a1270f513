// Removal of files and folders for the clean worker: one file, the contents
// of a folder, a sub-folder's tree, the files matching a mask, and the
// overwrite of secure deletion. In test mode they walk and count exactly as
// in clean mode but change nothing; they write the log lines, count into
// the counter they are given and return the bytes of the files they found,
// so that a test and a clean report the same figures. Links (symbolic
// links, junctions) are never followed: the link itself is removed.
#pragma once

#include <cstdint>
#include <string_view>

#include "cleaner/clean_run.h"

namespace nc::cleaner {

// How DeleteFolderContents treats the folder it empties.
struct FolderContentsOptions {
  bool removeFolder = false;       // the folder itself goes too (clean mode only)
  bool logFiles = true;            // each file gets its "deleting" line
  std::string_view keepName = {};  // files of this name stay (any case, any depth)
};

// How DeleteFolderTree treats the sub-folder it removes.
struct FolderTreeOptions {
  bool logFiles = true;            // each file gets its "deleting" line
  std::string_view keepName = {};  // files of this name stay (any case, any depth)
};

// How DeleteFilesByMask looks for matching files.
struct MaskOptions {
  bool recurse = false;  // sub-folders are searched too (they are never removed)
};

// Deletes one file (overwriting it first when secure deletion is on and
// the file is not held by another program). With `log` the file's line
// is written. True when the file counts as removed: always in test mode.
bool DeleteFileLogged(CleanRun& run, std::string_view path, bool log);

// Overwrites the file's contents `passes` times, one random byte value per
// pass, and flushes it; any failure ends the wipe silently.
void WipeFileContents(CleanRun& run, std::string_view path, int passes);

// Deletes the files of `folder` and its sub-folders, which are removed in
// clean mode.
std::uint64_t DeleteFolderContents(CleanRun& run, std::string_view folder,
                                   const FolderContentsOptions& options, std::int32_t& counter);
// The same walk for a sub-folder, which is always removed in clean mode.
std::uint64_t DeleteFolderTree(CleanRun& run, std::string_view folder,
                               const FolderTreeOptions& options, std::int32_t& counter);
// Deletes the files of `folder` that match `mask` (only the first "*" is
// a wildcard). Folders stay.
std::uint64_t DeleteFilesByMask(CleanRun& run, std::string_view folder, std::string_view mask,
                                const MaskOptions& options, std::int32_t& counter);

}  // namespace nc::cleaner
