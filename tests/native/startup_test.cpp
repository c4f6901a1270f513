// Command-line switches, the Windows version code and the small shared
// functions.
#include <gtest/gtest.h>

#include "app/command_line.h"
#include "app/global_unit.h"
#include "app/version_code.h"
#include "platform/sim/sim_platform.h"

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
    EXPECT_EQ(app::WindowsVersionCode(version), row.code)
        << row.platformId << " " << row.major << "." << row.minor;
  }
}

TEST(VersionCode, GatedFeatures) {
  for (int code : {1, 3, 8}) {
    EXPECT_TRUE(app::IsWin9xCode(code));
    EXPECT_FALSE(app::CompactionSupported(code));
    EXPECT_FALSE(app::RestorePointSupported(code));
  }
  for (int code : {5, 6, 7}) {
    EXPECT_TRUE(app::CompactionSupported(code));
    EXPECT_FALSE(app::RestorePointSupported(code));
  }
  for (int code : {9, 10, 11, 12}) {
    EXPECT_FALSE(app::IsWin9xCode(code));
    EXPECT_TRUE(app::CompactionSupported(code));
    EXPECT_TRUE(app::RestorePointSupported(code));
  }
}

class GlobalUnitTest : public ::testing::Test {
 protected:
  sim::SimPlatform sim;
};

TEST_F(GlobalUnitTest, ReadRegistryStringGivesEmptyOnEveryFailure) {
  sim.registry().loadRegText(
      "Windows Registry Editor Version "
      "5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Norvik]\r\n\"Text\"=\"h\u00e9llo\"\r\n"
      "\"Number\"=dword:00000005\r\n\"Expand\"=hex(2):25,00,54,00,00,00\r\n");
  auto& reg = sim.registry();
  using platform::RootKey;
  EXPECT_EQ(app::ReadRegistryString(reg, RootKey::CurrentUser, "Software\\Norvik", "Text"),
            "h\u00e9llo");
  EXPECT_EQ(app::ReadRegistryString(reg, RootKey::CurrentUser, "software\\NORVIK", "text"),
            "h\u00e9llo");
  EXPECT_EQ(app::ReadRegistryString(reg, RootKey::CurrentUser, "Software\\Norvik", "Expand"), "%T");
  EXPECT_EQ(app::ReadRegistryString(reg, RootKey::CurrentUser, "Software\\Norvik", "Number"), "");
  EXPECT_EQ(app::ReadRegistryString(reg, RootKey::CurrentUser, "Software\\Norvik", "Gone"), "");
  EXPECT_EQ(app::ReadRegistryString(reg, RootKey::CurrentUser, "Software\\Gone", "Text"), "");
  sim.registry().denyAccess(RootKey::CurrentUser, "Software\\Norvik");
  EXPECT_EQ(app::ReadRegistryString(reg, RootKey::CurrentUser, "Software\\Norvik", "Text"), "");
  // Reading never creates the key.
  EXPECT_FALSE(reg.open(RootKey::CurrentUser, "Software\\Gone", platform::RegAccess::Read).ok());
}

TEST_F(GlobalUnitTest, FileSizeOfExpandsTheNameAndKeepsLargeSizes) {
  sim.writeFile("C:\\Windows\\hive.dat", std::string(3000, 'x'));
  EXPECT_EQ(app::FileSizeOf(sim.files(), "%windir%\\hive.dat"), 3000);
  EXPECT_EQ(app::FileSizeOf(sim.files(), "C:\\WINDOWS\\HIVE.DAT"), 3000);
  EXPECT_EQ(app::FileSizeOf(sim.files(), "C:\\Windows\\missing.dat"), 0);
  // A file of 5 GiB (sparse on the host) is not cut to 32 bits.
  sim.writeFile("C:\\big.bin", "");
  std::filesystem::resize_file(sim.hostPath("C:\\big.bin"), 5ull << 30);
  EXPECT_EQ(app::FileSizeOf(sim.files(), "C:\\big.bin"), static_cast<std::int64_t>(5ull << 30));
}

TEST_F(GlobalUnitTest, FileLockedExclusiveOnlyForAnExistingFileHeldByAnother) {
  sim.writeFile("C:\\data.txt", "x");
  EXPECT_FALSE(app::FileLockedExclusive(sim.files(), "C:\\missing.txt"));
  EXPECT_FALSE(app::FileLockedExclusive(sim.files(), "C:\\data.txt"));
  {
    auto held = sim.files().open("C:\\data.txt", platform::FileOpen::ReadExisting,
                                 platform::FileShare::Read);
    ASSERT_TRUE(held.ok());
    EXPECT_TRUE(app::FileLockedExclusive(sim.files(), "C:\\data.txt"));
  }
  EXPECT_FALSE(app::FileLockedExclusive(sim.files(), "C:\\data.txt"));
}

TEST_F(GlobalUnitTest, ShortPathNameIsEmptyWhenMissingOrTooLong) {
  sim.writeFile("C:\\Program Files\\Long Folder Name\\file.txt", "x");
  EXPECT_EQ(app::ShortPathName(sim.files(), "C:\\Program Files\\Long Folder Name\\file.txt"),
            "C:\\PROGRA~1\\LONGFO~1\\file.txt");
  EXPECT_EQ(app::ShortPathName(sim.files(), "C:\\missing\\file.txt"), "");
  std::string deep = "C:";
  for (int i = 0; i < 30; ++i) deep += "\\abcdefgh";
  sim.writeFile(deep + "\\f.txt", "x");
  EXPECT_EQ(app::ShortPathName(sim.files(), deep + "\\f.txt"), "");
}

TEST_F(GlobalUnitTest, InternetCacheFolderEndsTheBrowserSessionFirst) {
  const std::string folder = app::InternetCacheFolder(sim.shell(), sim.files());
  EXPECT_EQ(sim.shell().endBrowserSessionCalls(), 1);
  EXPECT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), '\\');
}

TEST(TwoDigits, PadsBelowTen) {
  EXPECT_EQ(app::TwoDigits(0), "00");
  EXPECT_EQ(app::TwoDigits(7), "07");
  EXPECT_EQ(app::TwoDigits(10), "10");
  EXPECT_EQ(app::TwoDigits(123), "123");
}

}  // namespace
}  // namespace nc
