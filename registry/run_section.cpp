// The dispatch from a section id to its routine. Kept apart from the
// section table so that code needing only the texts does not pull in
// every section routine.
#include "registry/sections.h"

namespace nc::registry {

void RunSection(ScanContext& ctx, int id) {
  switch (id) {
    case 3:
      ScanHiveFilesAndFolders(ctx, platform::RootKey::ClassesRoot);
      break;
    case 4:
      ScanHiveFilesAndFolders(ctx, platform::RootKey::CurrentUser);
      break;
    case 5:
      ScanHiveFilesAndFolders(ctx, platform::RootKey::LocalMachine);
      break;
    case 6:
      ScanHiveFilesAndFolders(ctx, platform::RootKey::Users);
      break;
    case 7:
      ScanSharedDlls(ctx);
      break;
    case 8:
      ScanSoftwareLocations(ctx);
      break;
    case 9:
      ScanStartMenu(ctx);
      break;
    case 10:
      ScanObsoleteSoftware(ctx);
      break;
    case 11:
      ScanFileExtensions(ctx);
      break;
    case 12:
      ScanFonts(ctx);
      break;
    case 13:
      ScanHelpFiles(ctx);
      break;
    case 14:
      ScanStartupPrograms(ctx);
      break;
    case 15:
      ScanAddRemovePrograms(ctx);
      break;
    case 16:
      ScanCustomControls(ctx);
      break;
    case 17:
      ScanWindowsServices(ctx);
      break;
    case 18:
      ScanShortcuts(ctx);
      break;
    case 19:
      ScanSoundEvents(ctx);
      break;
    case 20:
      ScanInvalidActiveX(ctx);
      break;
    case 21:
      ScanInstaller(ctx);
      break;
    case 22:
      ScanOpenWithApplications(ctx);
      break;
    case 23:
      ScanUninstallerEntries(ctx);
      break;
    case 24:
      ScanMruLists(ctx);
      break;
    default:
      break;  // the root, "Files and Folders" and unknown ids
  }
}

}  // namespace nc::registry
