#include "registry/section_table.h"

#include <array>

namespace nc::registry {

namespace {

constexpr std::string_view kMissingFileOrFolder = "Non-existent File or Folder";

constexpr std::array<SectionInfo, 24> kSections = {{
    {1, "My Computers", 0, "", ""},
    {2, "Files and Folders", 1, "", ""},
    {3, "HKEY_CLASSES_ROOT", 2, "Scanning: HKEY_CLASSES_ROOT", kMissingFileOrFolder},
    {4, "HKEY_CURRENT_USER", 2, "Scanning: HKEY_CURRENT_USER", kMissingFileOrFolder},
    {5, "HKEY_LOCAL_MACHINE", 2, "Scanning: HKEY_LOCAL_MACHINE", kMissingFileOrFolder},
    {6, "HKEY_USERS", 2, "Scanning: HKEY_USERS", kMissingFileOrFolder},
    {7, "Shared DLLs", 1, "Scanning: Shared DLLs", "Non-existent Shared Dlls"},
    {8, "Software Locations", 1, "Scanning: Software Locations", "Software Locations Issue"},
    {9, "Start Menu Section", 1, "Scanning: Start Menu", "Old Start Menu Key"},
    {10, "Obsolete Software", 1, "Scanning: Software Locations", "Obsolete Software Entry"},
    {11, "File Extensions", 1, "Scanning: File Extensions", "Useless File Extension"},
    {12, "Fonts Section", 1, "Scanning: Fonts Sections", "Invalid Windows Fonts"},
    {13, "Help File Paths", 1, "Scanning: Invalid Help Files", "Invalid Help Files Item"},
    {14, "Startup Programs", 1, "Scanning: Startup Programs", "Non-existent Startup Programs"},
    {15, "Add/Remove Programs", 1, "Scanning: Add/Remove Programs", "Invalid Add/Remove Programs"},
    {16, "Custom Controls", 1, "Scanning: Custom Controls", "Custom Controls Issue"},
    {17, "Windows Services", 1, "Scanning: Windows Services", "Windows Service Issue"},
    {18, "Shortcuts", 1, "Scanning: Shortcuts", "Missing ShortCut reference"},
    {19, "Sound and Appevents", 1, "Scanning: Sound and Appevents", "Non-existent Sound File"},
    {20, "Invalid ActiveX", 1, "Scanning: Invalid ActiveX", "ActiveX Issue"},
    {21, "Installer", 1, "Scanning: Installer", "Installer Refrence Issue"},
    // The previous section's status text stays while this one runs.
    {22, "Applications", 1, "", "Open with Application Issue"},
    {23, "Uninstaller Entry", 1, "Scanning: Empty Uninstaller Entry", "Empty Uninstall Entries"},
    {24, "MRU History Lists", 1, "Scanning: MRU and History Lists",
     "Non-existent MRU and History Lists file"},
}};

constexpr SectionInfo kNoSection{};

}  // namespace

std::span<const SectionInfo> AllSections() {
  return kSections;
}

const SectionInfo& SectionById(int id) {
  if (id < kFirstSectionId || id > kLastSectionId) return kNoSection;
  return kSections[static_cast<std::size_t>(id - kFirstSectionId)];
}

bool IsHiveWalk(int id) {
  return id >= 3 && id <= 6;
}

}  // namespace nc::registry
