// The substitute profile over the substitute file system.
#include <gtest/gtest.h>

#include "fault_sweep.h"
#include "platform/sim/sim_platform.h"

namespace nc::sim {
namespace {

constexpr const char* kIni = "C:\\Program Files\\App\\settings.ini";

TEST(SimProfile, WriteReplacesOneKeyAndKeepsTheRest) {
  SimPlatform sim;
  auto& profile = sim.profile();
  ASSERT_TRUE(sim.writeFile(kIni, "; keep me\r\n[Main]\r\nA=1\r\nB = two \r\n[Other]\r\nC=3\r\n"));
  ASSERT_TRUE(profile.writeString(kIni, "main", "b", "2"));
  EXPECT_EQ(sim.readFile(kIni), "; keep me\r\n[Main]\r\nA=1\r\nB=2\r\n[Other]\r\nC=3\r\n");
  EXPECT_EQ(profile.readString(kIni, "MAIN", "A", "x"), "1");
  EXPECT_EQ(profile.readString(kIni, "Main", "missing", "  fallback "), "fallback");
  ASSERT_TRUE(profile.writeString(kIni, "New", "K", "\"quoted value\""));
  EXPECT_EQ(profile.readString(kIni, "new", "k", ""), "quoted value");
  EXPECT_EQ(profile.sectionNames(kIni), (std::vector<std::string>{"Main", "Other", "New"}));
  EXPECT_EQ(profile.sectionLines(kIni, "main"), (std::vector<std::string>{"A=1", "B=2"}));

  ASSERT_TRUE(profile.eraseSection(kIni, "OTHER"));
  EXPECT_EQ(profile.sectionNames(kIni), (std::vector<std::string>{"Main", "New"}));
  EXPECT_FALSE(sim.files().fileExists(std::string(kIni) + ".tmp~"));
}

TEST(SimProfile, MissingFilesReadEmptyAndBareNamesLiveInTheWindowsFolder) {
  SimPlatform sim;
  auto& profile = sim.profile();
  EXPECT_EQ(profile.readString("C:\\none.ini", "S", "K", "dflt"), "dflt");
  EXPECT_TRUE(profile.sectionNames("C:\\none.ini").empty());
  EXPECT_TRUE(profile.eraseSection("C:\\none.ini", "S"));
  EXPECT_FALSE(sim.files().fileExists("C:\\none.ini"));

  ASSERT_TRUE(profile.writeString("app.ini", "S", "K", "v"));
  EXPECT_EQ(sim.readFile("C:\\Windows\\app.ini"), "[S]\r\nK=v\r\n");
  // A folder that does not exist cannot take the file.
  EXPECT_FALSE(profile.writeString("C:\\No\\Such\\Folder\\x.ini", "S", "K", "v"));
}

TEST(SimProfile, FilesWithByteOrderMarksKeepTheirEncoding) {
  SimPlatform sim;
  auto& profile = sim.profile();
  const std::string wide("\xFF\xFE[\0S\0]\0\r\0\n\0K\0=\0\xE9\0\r\0\n\0", 22);
  ASSERT_TRUE(sim.writeFile("C:\\wide.ini", wide));
  EXPECT_EQ(profile.readString("C:\\wide.ini", "s", "k", ""), "\xC3\xA9");
  ASSERT_TRUE(profile.writeString("C:\\wide.ini", "S", "K", "x"));
  EXPECT_EQ(sim.readFile("C:\\wide.ini"),
            std::string("\xFF\xFE[\0S\0]\0\r\0\n\0K\0=\0x\0\r\0\n\0", 22));

  ASSERT_TRUE(sim.writeFile("C:\\bom.ini", "\xEF\xBB\xBF[S]\r\nK=1\r\n"));
  ASSERT_TRUE(profile.writeString("C:\\bom.ini", "S", "K", "2"));
  EXPECT_EQ(sim.readFile("C:\\bom.ini"), "\xEF\xBB\xBF[S]\r\nK=2\r\n");
}

// Every call a write makes is failed in turn: the file holds the old text
// or the new one, never anything in between, and no temporary file stays.
TEST(SimProfile, AFailedWriteNeverLeavesAHalfWrittenFile) {
  const std::string before = "[Main]\r\nA=1\r\nB=2\r\n";
  const std::string after = "[Main]\r\nA=1\r\nB=3\r\n";
  for (PortMethod method : {PortMethod::FilesOpen, PortMethod::FilesRead, PortMethod::FilesWrite,
                            PortMethod::FilesFlush, PortMethod::FilesMoveFile}) {
    SCOPED_TRACE(PortMethodName(method));
    EXPECT_TRUE(nc::testing::SweepFaults([&](std::uint64_t nth) {
      SimPlatform sim;
      EXPECT_TRUE(sim.writeFile(kIni, before));
      sim.faults().failOnce(method, nth, Errc::DiskFull);
      const bool ok = sim.profile().writeString(kIni, "Main", "B", "3");
      const bool fired = sim.faults().faultsFired() > 0;
      EXPECT_EQ(ok, !fired) << "#" << nth;
      EXPECT_EQ(sim.readFile(kIni), ok ? after : before) << "#" << nth;
      EXPECT_FALSE(sim.files().fileExists(std::string(kIni) + ".tmp~")) << "#" << nth;
      return fired;
    }));
  }
}

}  // namespace
}  // namespace nc::sim
