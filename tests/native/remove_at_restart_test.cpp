// Removal at the next start on the substitute platform: the delete-at-
// restart list and the "[rename]" section of Wininit.ini.
#include "cleaner/remove_at_restart.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "clean_fixture.h"

namespace nc::testing {
namespace {

namespace fs = std::filesystem;

class RemovalAtRestartTest : public CleanFixture {
 protected:
  void Write(std::string_view path, std::string_view content = "data") {
    ASSERT_TRUE(sim.writeFile(path, content)) << path;
  }
  bool Exists(std::string_view path) { return sim.files().fileExists(path); }
};

TEST_F(RemovalAtRestartTest, DeleteAtRestartIsAskedOnlyForExistingFiles) {
  Write("C:\\InUse\\index.dat");
  EXPECT_TRUE(cleaner::ScheduleDeleteAtReboot(CleanModeRun(), "C:\\InUse\\gone.dat"));
  EXPECT_TRUE(sim.files().pendingDeletes().empty());
  EXPECT_TRUE(cleaner::ScheduleDeleteAtReboot(*run, "C:\\InUse\\index.dat"));
  EXPECT_EQ(sim.files().pendingDeletes(), std::vector<std::string>{"C:\\InUse\\index.dat"});
  sim.faults().failOnce(sim::PortMethod::FilesDeleteAtRestart, 1, Errc::AccessDenied);
  EXPECT_FALSE(cleaner::ScheduleDeleteAtReboot(*run, "C:\\InUse\\index.dat"));
  sim.files().simulateRestart();
  EXPECT_FALSE(Exists("C:\\InUse\\index.dat"));
}

TEST_F(RemovalAtRestartTest, WininitLinesGoBelowAnExistingRenameHeaderInReverse) {
  const std::string wininit = "C:\\Windows\\Wininit.ini";
  Write(wininit, "[Other]\r\nx=1\r\n[Rename]\r\nNUL=C:\\OLD.DAT\r\n");
  cleaner::AddWininitRenames(CleanModeRun(), {"NUL=C:\\A.DAT", "NUL=C:\\B.DAT"});
  EXPECT_EQ(sim.readFile(wininit),
            "[Other]\r\nx=1\r\n[Rename]\r\nNUL=C:\\B.DAT\r\nNUL=C:\\A.DAT\r\nNUL=C:\\OLD.DAT\r\n");

  // Without the section it is appended, lines in order.
  Write(wininit, "[Other]\nx=1\n");
  cleaner::AddWininitRenames(*run, {"NUL=C:\\A.DAT", "NUL=C:\\B.DAT"});
  EXPECT_EQ(sim.readFile(wininit),
            "[Other]\r\nx=1\r\n[rename]\r\nNUL=C:\\A.DAT\r\nNUL=C:\\B.DAT\r\n");

  // Without the file it is created.
  fs::remove(sim.hostPath(wininit));
  cleaner::AddWininitRenames(*run, {"NUL=C:\\A.DAT"});
  EXPECT_EQ(sim.readFile(wininit), "[rename]\r\nNUL=C:\\A.DAT\r\n");

  // A file that exists but cannot be read is left alone.
  sim.faults().failOnce(sim::PortMethod::FilesOpen, 1, Errc::SharingViolation, "Wininit");
  cleaner::AddWininitRenames(*run, {"NUL=C:\\Z.DAT"});
  EXPECT_EQ(sim.readFile(wininit), "[rename]\r\nNUL=C:\\A.DAT\r\n");

  // A header on the first line is found; of two headers the first takes the lines.
  Write(wininit, "[rename]\r\nNUL=C:\\A.DAT\r\n[Rename]\r\n");
  cleaner::AddWininitRenames(*run, {"NUL=C:\\Z.DAT"});
  EXPECT_EQ(sim.readFile(wininit), "[rename]\r\nNUL=C:\\Z.DAT\r\nNUL=C:\\A.DAT\r\n[Rename]\r\n");
}

}  // namespace
}  // namespace nc::testing
