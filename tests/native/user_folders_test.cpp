// The folders and account facts the cleaner asks the platform for.
#include "cleaner/user_folders.h"

#include <gtest/gtest.h>

#include "clean_fixture.h"

namespace nc::testing {
namespace {

using UserFoldersTest = CleanFixture;

TEST_F(UserFoldersTest, FolderAndAccountQueriesComeFromThePlatform) {
  auto ports = sim.ports();
  EXPECT_EQ(cleaner::MyDocumentsFolder(ports), "C:\\Users\\user\\Documents\\");
  sim.files().setSpecialFolder(platform::Csidl::Personal, "");
  EXPECT_EQ(cleaner::MyDocumentsFolder(ports), "");

  EXPECT_EQ(cleaner::UserAppDataFolder(ports), "C:\\Users\\user\\AppData\\Roaming\\");
  EXPECT_EQ(sim.shell().endBrowserSessionCalls(), 1);

  EXPECT_EQ(cleaner::ProgramFilesFolder(ports), "");
  sim.registry().loadRegText(
      "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion]\n"
      "\"ProgramFilesDir\"=\"C:\\\\Program Files\"\n");
  EXPECT_EQ(cleaner::ProgramFilesFolder(ports), "C:\\Program Files");

  EXPECT_TRUE(cleaner::IsAdministrator(ports));
  sim.system().setAdministrator(false);
  EXPECT_FALSE(cleaner::IsAdministrator(ports));
}

}  // namespace
}  // namespace nc::testing
