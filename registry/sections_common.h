// What the section routines of the files-and-software scan share: the
// texts of each section and the start of a section.
#pragma once

#include <string_view>

#include "registry/scan_context.h"

namespace nc::registry {

// Special folders the sections read beyond those the file-system port
// names (CSIDL numbers).
inline constexpr int kCsidlFonts = 0x14;
inline constexpr int kCsidlCommonDesktop = 0x19;

// The problem text of the entries of section `id`.
std::string_view SectionProblem(int id);
// Shows the status text of section `id`.
void BeginSection(ScanContext& ctx, int id);

}  // namespace nc::registry
