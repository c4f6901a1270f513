// Command-line switches, the Windows version code and the small shared
// functions.
#include <gtest/gtest.h>

#include "app/command_line.h"
#include "core/text.h"
#include "platform/sim/sim_platform.h"
#include "platform/version_code.h"

namespace nc {
namespace {

using app::ParseCommandLine;
using app::RunSwitch;

TEST(CommandLine, AutoMustMatchExactlyTheOthersInAnyCase) {
  EXPECT_EQ(ParseCommandLine({"/Auto"}).runSwitch, RunSwitch::Auto);
  EXPECT_EQ(ParseCommandLine({"/auto"}).runSwitch, RunSwitch::None);
  EXPECT_EQ(ParseCommandLine({"/AUTO"}).runSwitch, RunSwitch::None);
  EXPECT_EQ(ParseCommandLine({"/cLeAr"}).runSwitch, RunSwitch::Clear);
  EXPECT_EQ(ParseCommandLine({"/REGDEFRAG"}).runSwitch, RunSwitch::Regdefrag);
  EXPECT_EQ(ParseCommandLine({"/regscan"}).runSwitch, RunSwitch::Regscan);
  EXPECT_EQ(ParseCommandLine({}).runSwitch, RunSwitch::None);
  EXPECT_EQ(ParseCommandLine({"Clear"}).runSwitch, RunSwitch::None);
  EXPECT_EQ(ParseCommandLine({"/Clear "}).runSwitch, RunSwitch::None);
}

TEST(CommandLine, OnlyTheFirstArgumentSelectsAndOnlyRegscanTakesASecond) {
  EXPECT_EQ(ParseCommandLine({"x", "/Clear"}).runSwitch, RunSwitch::None);
  EXPECT_EQ(ParseCommandLine({"/Regscan", "C:\\r.ini"}).resultFile, "C:\\r.ini");
  EXPECT_EQ(ParseCommandLine({"/Regscan"}).resultFile, "");
  const auto clear = ParseCommandLine({"/Clear", "C:\\r.ini"});
  EXPECT_EQ(clear.runSwitch, RunSwitch::Clear);
  EXPECT_EQ(clear.resultFile, "");
  EXPECT_EQ(ParseCommandLine({"/Regdefrag", "/Regscan"}).runSwitch, RunSwitch::Regdefrag);
}

TEST(CommandLine, ClearAndAutoTakeAReportFileAndNoOtherSwitchDoes) {
  struct Case {
    std::vector<std::string> arguments;
    const char* reportFile;
  };
  const Case cases[] = {
      {{"/Clear", "C:\r.json"}, "C:\r.json"},
      {{"/cLEAR", "r.json"}, "r.json"},
      {{"/Auto", "C:\r.json"}, "C:\r.json"},
      {{"/auto", "C:\r.json"}, ""},
      {{"/Regscan", "C:\r.json"}, ""},
      {{"/Regdefrag", "C:\r.json"}, ""},
      {{"/Clear"}, ""},
      {{"x", "C:\r.json"}, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseCommandLine(c.arguments).reportFile, c.reportFile) << c.arguments[0];
  }
}

TEST(VersionCode, EveryRowOfTheTable) {
  struct Row {
    std::uint32_t platformId, major, minor;
    int code;
  };
  constexpr std::uint32_t k9x = platform::kPlatformWin32Windows;
  constexpr std::uint32_t kNt = platform::kPlatformWin32Nt;
  const Row rows[] = {{k9x, 4, 0, 1},  {k9x, 4, 10, 3},  {k9x, 4, 90, 8}, {k9x, 5, 0, 10},
                      {k9x, 4, 3, 10}, {kNt, 3, 51, 5},  {kNt, 4, 0, 6},  {kNt, 5, 0, 7},
                      {kNt, 5, 1, 9},  {kNt, 5, 2, 10},  {kNt, 6, 0, 11}, {kNt, 6, 1, 12},
                      {kNt, 6, 2, 11}, {kNt, 10, 0, 10}, {kNt, 2, 0, 10}, {0, 4, 0, 1}};
  for (const Row& row : rows) {
    platform::VersionInfo version;
    version.platformId = row.platformId;
    version.major = row.major;
    version.minor = row.minor;
    EXPECT_EQ(platform::WindowsVersionCode(version), row.code)
        << row.platformId << " " << row.major << "." << row.minor;
  }
}

TEST(VersionCode, GatedFeatures) {
  for (int code : {1, 3, 8}) {
    EXPECT_TRUE(platform::IsWin9xCode(code));
    EXPECT_FALSE(platform::CompactionSupported(code));
    EXPECT_FALSE(platform::RestorePointSupported(code));
  }
  for (int code : {5, 6, 7}) {
    EXPECT_TRUE(platform::CompactionSupported(code));
    EXPECT_FALSE(platform::RestorePointSupported(code));
  }
  for (int code : {9, 10, 11, 12}) {
    EXPECT_FALSE(platform::IsWin9xCode(code));
    EXPECT_TRUE(platform::CompactionSupported(code));
    EXPECT_TRUE(platform::RestorePointSupported(code));
  }
}

class PortHelpersTest : public ::testing::Test {
 protected:
  sim::SimPlatform sim;
};

TEST_F(PortHelpersTest, ReadStringValueGivesEmptyOnEveryFailure) {
  sim.registry().loadRegText(
      "Windows Registry Editor Version "
      "5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Norvik]\r\n\"Text\"=\"h\u00e9llo\"\r\n"
      "\"Number\"=dword:00000005\r\n\"Expand\"=hex(2):25,00,54,00,00,00\r\n");
  auto& reg = sim.registry();
  using platform::RootKey;
  EXPECT_EQ(platform::ReadStringValue(reg, RootKey::CurrentUser, "Software\\Norvik", "Text"),
            "h\u00e9llo");
  EXPECT_EQ(platform::ReadStringValue(reg, RootKey::CurrentUser, "software\\NORVIK", "text"),
            "h\u00e9llo");
  EXPECT_EQ(platform::ReadStringValue(reg, RootKey::CurrentUser, "Software\\Norvik", "Expand"),
            "%T");
  EXPECT_EQ(platform::ReadStringValue(reg, RootKey::CurrentUser, "Software\\Norvik", "Number"), "");
  EXPECT_EQ(platform::ReadStringValue(reg, RootKey::CurrentUser, "Software\\Norvik", "Gone"), "");
  EXPECT_EQ(platform::ReadStringValue(reg, RootKey::CurrentUser, "Software\\Gone", "Text"), "");
  sim.registry().denyAccess(RootKey::CurrentUser, "Software\\Norvik");
  EXPECT_EQ(platform::ReadStringValue(reg, RootKey::CurrentUser, "Software\\Norvik", "Text"), "");
  // Reading never creates the key.
  EXPECT_FALSE(reg.open(RootKey::CurrentUser, "Software\\Gone", platform::RegAccess::Read).ok());
}

TEST_F(PortHelpersTest, FileLockedExclusiveOnlyForAnExistingFileHeldByAnother) {
  sim.writeFile("C:\\data.txt", "x");
  EXPECT_FALSE(platform::FileLockedExclusive(sim.files(), "C:\\missing.txt"));
  EXPECT_FALSE(platform::FileLockedExclusive(sim.files(), "C:\\data.txt"));
  {
    auto held = sim.files().open("C:\\data.txt", platform::FileOpen::ReadExisting,
                                 platform::FileShare::Read);
    ASSERT_TRUE(held.ok());
    EXPECT_TRUE(platform::FileLockedExclusive(sim.files(), "C:\\data.txt"));
  }
  EXPECT_FALSE(platform::FileLockedExclusive(sim.files(), "C:\\data.txt"));
}

TEST(TwoDigits, PadsBelowTen) {
  EXPECT_EQ(TwoDigits(0), "00");
  EXPECT_EQ(TwoDigits(7), "07");
  EXPECT_EQ(TwoDigits(10), "10");
  EXPECT_EQ(TwoDigits(123), "123");
}

}  // namespace
}  // namespace nc
