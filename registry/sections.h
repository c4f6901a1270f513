// The section routines of the registry scan, one per section id. Each
// sets its status text, appends its problems through the context and
// checks the stop request before every key or value it examines.
#pragma once

#include "platform/registry.h"
#include "registry/scan_context.h"

namespace nc::registry {

// Ids 3 to 6: every string value of a whole hive that names a missing
// file or folder.
void ScanHiveFilesAndFolders(ScanContext& ctx, platform::RootKey hive);
void ScanSharedDlls(ScanContext& ctx);            // 7
void ScanSoftwareLocations(ScanContext& ctx);     // 8
void ScanStartMenu(ScanContext& ctx);             // 9
void ScanObsoleteSoftware(ScanContext& ctx);      // 10
void ScanFileExtensions(ScanContext& ctx);        // 11
void ScanFonts(ScanContext& ctx);                 // 12
void ScanHelpFiles(ScanContext& ctx);             // 13
void ScanStartupPrograms(ScanContext& ctx);       // 14
void ScanAddRemovePrograms(ScanContext& ctx);     // 15
void ScanCustomControls(ScanContext& ctx);        // 16
void ScanWindowsServices(ScanContext& ctx);       // 17
void ScanShortcuts(ScanContext& ctx);             // 18
void ScanSoundEvents(ScanContext& ctx);           // 19
void ScanInvalidActiveX(ScanContext& ctx);        // 20
void ScanInstaller(ScanContext& ctx);             // 21
void ScanOpenWithApplications(ScanContext& ctx);  // 22
void ScanUninstallerEntries(ScanContext& ctx);    // 23
void ScanMruLists(ScanContext& ctx);              // 24

// Runs the routine of `id`; ids without one do nothing.
void RunSection(ScanContext& ctx, int id);

}  // namespace nc::registry
