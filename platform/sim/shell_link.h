// Shell link (.lnk) files in their binary format: the target path read
// from the link's LinkInfo structure, and a minimal link written for a
// target, so that the substitute shell resolves shortcuts as the system
// does for links to files on local drives.
//
// Layout read: the 0x4C-byte header (HeaderSize, LinkCLSID
// {00021401-0000-0000-C000-000000000046}, LinkFlags, ...), the optional
// LinkTargetIDList (skipped: a 16-bit size and that many bytes), then the
// LinkInfo: LocalBasePath (ANSI) + CommonPathSuffix, or their Unicode
// forms when the LinkInfo header is 0x24 bytes or longer and gives them.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "core/result.h"

namespace nc::sim {

// The target path of a link. InvalidArgument when the bytes are not a
// shell link or a structure overruns the data; NotFound when the link
// has no local path (only an item list, or a network location).
Result<std::string> ParseShellLinkTarget(std::span<const std::uint8_t> bytes);
Result<std::string> ParseShellLinkTarget(std::string_view bytes);

// A valid link to `target` (a local path, UTF-8): the header, and a
// LinkInfo with a volume id, the ANSI and the Unicode local base path.
std::string MakeShellLinkBytes(std::string_view target);

}  // namespace nc::sim
