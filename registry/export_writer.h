// The backup files of a fix run: registry keys and values appended as
// registry-export text before they are deleted, so that the system's
// registry editor can bring them back.
//
// A file starts as "REGEDIT4" text in the ANSI code page, lines ending in
// CR LF. Data types that REGEDIT4 has no word for are written as "hex(N):"
// byte lists (expand-strings and multi-strings as the ANSI bytes of their
// strings with the NULs, which is how the registry editor reads them
// back), so a restore brings back the same types and bytes.
//
// When an entry holds text that the ANSI code page cannot carry (a key,
// value name or string outside it, or a string with line breaks or NULs
// inside), the file becomes a "Windows Registry Editor Version 5.00" file
// in UTF-16LE with a byte-order mark: entries already in it are rewritten
// in that form (through a temporary file, so a failure leaves the old file
// whole) and the entry is appended. Version 5 carries strings as UTF-16:
// plain strings in quotes, the others as hex(N) lists of their UTF-16
// bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/reg_file.h"
#include "core/result.h"
#include "platform/platform.h"

namespace nc::registry {

// The seven predefined root keys and their names live with the .reg
// format; the registry port reaches the first five.
using nc::EscapeBackslashes;
using nc::EscapeQuotes;
using nc::PredefinedRoot;
using nc::RootKeyName;
using platform::ToPortRoot;
using platform::ToPredefinedRoot;

// The backup file of a run started now: the folder with a trailing
// backslash, then "2026_02_03_070509.reg" from the local time. The file
// is not created.
std::string MakeBackupFileName(std::string_view outputDirectory, platform::Clock& clock);

// Appends one entry to the backup file: with `wholeKey` the key at
// `keyPath` (one trailing backslash ignored) with its values and all its
// sub-keys, depth first in enumeration order; otherwise the value
// `valueName` of that key ("" is the default value). The header is
// written when the file is new or empty. The entry reaches the disk
// (flushed) before this returns.
//
// Names are written as the registry keeps them: a name that holds a lone
// surrogate half makes the file a version 5 one, which carries every
// UTF-16 unit, and sub-keys are read by their exact names.
//
// True when the entry is in the file. False, with nothing written, when
// a key or value name holds a line break or a NUL, or the tree holds a
// registry link: no registry file carries those back. An error when the registry could not be read
// whole (a key, its values or its sub-key names) or the file could not be opened, created,
// converted or written. Unless the result is true the caller must not delete what it meant to back
// up.
Result<bool> ExportToBackup(const platform::Platform& ports, std::string_view fileName,
                            PredefinedRoot root, bool wholeKey, std::string_view valueName,
                            std::string_view keyPath);

// The same for one value named by its exact name (a RegValue's exactName).
Result<bool> ExportValueToBackup(const platform::Platform& ports, std::string_view fileName,
                                 PredefinedRoot root, std::string_view keyPath,
                                 const std::u16string& exactName);

// A tree nested deeper than this below the exported key is not backed up
// (the system allows 512 levels).
inline constexpr std::size_t kMaxExportDepth = 512;

}  // namespace nc::registry
