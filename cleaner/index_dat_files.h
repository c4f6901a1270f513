// The cache index files ("index.dat") of the browser, overwritten in
// place: one file, or every such file below a folder. The browser keeps
// these files open, so they are opened with sharing for everybody and keep
// their size; their deletion waits for the next start of the system.
#pragma once

#include <string_view>

#include "cleaner/clean_run.h"

namespace nc::cleaner {

// Overwrites the record areas of one index file: one to three passes (more
// than one only with secure deletion on), the last one with zeros. A
// missing file, one that cannot be opened, a link and a file with more
// than one name are left alone.
void OverwriteCacheIndex(CleanRun& run, std::string_view path);

// Applies OverwriteCacheIndex to every "index.dat" (any letter case) in
// the sub-folders of `folder`, at any depth; one lying directly in
// `folder` is left alone. Links are not entered.
void OverwriteIndexFilesUnder(CleanRun& run, std::string_view folder);

}  // namespace nc::cleaner
