// The substitute file system: names without case, attributes, open files,
// links, drives and the system's folders; and the fault plan itself.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "fault_sweep.h"
#include "platform/sim/fault_plan.h"
#include "platform/sim/sim_platform.h"

namespace nc::sim {
namespace {

namespace fs = std::filesystem;
using platform::FileOpen;
using platform::FileShare;
namespace FileAttr = platform::FileAttr;

TEST(SimFaultPlan, FailsTheNthMatchingCallOnceOrFromThenOn) {
  FaultPlan plan;
  plan.failOnce(PortMethod::FilesWrite, 2, Errc::DiskFull);
  plan.failFrom(PortMethod::FilesDeleteFile, 3, Errc::AccessDenied);
  plan.failOnce(PortMethod::FilesOpen, 1, Errc::SharingViolation, "locked");

  EXPECT_FALSE(plan.check(PortMethod::FilesWrite, "a"));
  EXPECT_EQ(plan.check(PortMethod::FilesWrite, "a"), Errc::DiskFull);
  EXPECT_FALSE(plan.check(PortMethod::FilesWrite, "a"));

  for (int i = 1; i <= 5; ++i) {
    EXPECT_EQ(plan.check(PortMethod::FilesDeleteFile).has_value(), i >= 3) << i;
  }
  // Only calls whose path contains the text count for the rule.
  EXPECT_FALSE(plan.check(PortMethod::FilesOpen, "C:\\free.txt"));
  EXPECT_EQ(plan.check(PortMethod::FilesOpen, "C:\\locked.txt"), Errc::SharingViolation);
  EXPECT_FALSE(plan.check(PortMethod::FilesOpen, "C:\\locked.txt"));

  EXPECT_EQ(plan.calls(PortMethod::FilesWrite), 3u);
  EXPECT_EQ(plan.calls(PortMethod::FilesDeleteFile), 5u);
  EXPECT_EQ(plan.calls(PortMethod::FilesStat), 0u);
  EXPECT_EQ(plan.faultsFired(PortMethod::FilesDeleteFile), 3u);
  EXPECT_EQ(plan.faultsFired(), 5u);
  plan.reset();
  EXPECT_EQ(plan.faultsFired(), 0u);
  EXPECT_FALSE(plan.check(PortMethod::FilesDeleteFile));

  // The nth call counted from the rule, whatever its method, fails once.
  plan.failNthCall(3, Errc::IoError);
  const PortMethod order[] = {PortMethod::FilesWrite, PortMethod::RegistryOpen,
                              PortMethod::FilesStat, PortMethod::FilesStat};
  for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(plan.check(order[i]).has_value(), i == 2) << i;
  EXPECT_EQ(plan.faultsFired(PortMethod::FilesStat), 1u);
  EXPECT_EQ(plan.totalCalls(), 5u);
}

// A sweep fails when its rule matches no call of the operation (it tested
// nothing) and when the faults never stop.
TEST(SimFaultPlan, ASweepFailsUnlessFaultsFireAndThenStop) {
  auto sweep = [](PortMethod method, bool everyCall) {
    return nc::testing::SweepFaults([&](std::uint64_t nth) {
      SimPlatform sim;
      sim.faults().failFrom(method, everyCall ? 1 : nth, Errc::IoError);
      (void)sim.files().createFolders("C:\\A\\B");
      return sim.faults().faultsFired() > 0;
    });
  };
  EXPECT_TRUE(sweep(PortMethod::FilesCreateFolders, false));
  EXPECT_FALSE(sweep(PortMethod::FilesDeleteFile, false));
  EXPECT_FALSE(sweep(PortMethod::FilesCreateFolders, true));
}

TEST(SimFiles, PathsResolveWithoutCaseAndNewNamesKeepTheirCase) {
  SimPlatform sim;
  auto& files = sim.files();
  ASSERT_TRUE(files.createFolders("C:\\Data\\Sub Folder").ok());
  ASSERT_TRUE(sim.writeFile("c:\\DATA\\sub folder\\Report.TXT", "hello"));
  EXPECT_TRUE(fs::exists(sim.hostRoot() / "C" / "Data" / "Sub Folder" / "Report.TXT"));
  EXPECT_TRUE(files.fileExists("C:\\data\\SUB FOLDER\\report.txt"));
  EXPECT_TRUE(files.folderExists("C:/data/sub folder/"));
  EXPECT_FALSE(files.folderExists("C:\\data\\sub folder\\report.txt"));
  EXPECT_EQ(files.stat("c:\\data\\sub folder\\REPORT.txt")->name, "Report.TXT");
  EXPECT_EQ(ReadWholeFile(files, "C:\\Data\\x\\..\\Sub Folder\\report.txt").value(), "hello");
  EXPECT_FALSE(files.fileExists("Q:\\anything"));
  EXPECT_EQ(files.list("C:\\Data\\*").error().code, Errc::InvalidArgument);

  // Two host names differing only in case: the exact one wins.
  std::ofstream(sim.hostRoot() / "C" / "Data" / "same.txt") << "lower";
  std::ofstream(sim.hostRoot() / "C" / "Data" / "SAME.txt") << "upper";
  EXPECT_EQ(ReadWholeFile(files, "C:\\Data\\SAME.txt").value(), "upper");
  EXPECT_EQ(ReadWholeFile(files, "C:\\Data\\same.txt").value(), "lower");
}

// Names found without case in a folder are remembered while the folder
// stays unchanged; every change to the folder must show at once.
TEST(SimFiles, NamesFoundWithoutCaseFollowEveryChangeOfTheirFolder) {
  SimPlatform sim;
  auto& files = sim.files();
  ASSERT_TRUE(sim.writeFile("C:\\Docs\\Report.DOC", "r"));
  ASSERT_TRUE(files.createFolders("C:\\Docs\\Old Folder").ok());
  // Old enough for its names to be remembered.
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  EXPECT_TRUE(files.fileExists("C:\\docs\\report.doc"));
  EXPECT_FALSE(files.fileExists("C:\\docs\\other.txt"));
  EXPECT_TRUE(files.folderExists("C:\\DOCS\\old folder"));

  const fs::path host = sim.hostRoot() / "C" / "Docs";
  std::ofstream(host / "OTHER.txt") << "new";
  EXPECT_TRUE(files.fileExists("C:\\docs\\other.txt"));
  EXPECT_EQ(files.stat("C:\\docs\\other.TXT")->name, "OTHER.txt");

  fs::remove(host / "Report.DOC");
  EXPECT_FALSE(files.fileExists("C:\\docs\\report.doc"));
  fs::rename(host / "Old Folder", host / "New Folder");
  EXPECT_FALSE(files.folderExists("C:\\docs\\old folder"));
  EXPECT_TRUE(files.folderExists("C:\\docs\\NEW folder"));
  // A folder put back under the same name is a new folder.
  fs::remove_all(host);
  fs::create_directories(host);
  std::ofstream(host / "Report.DOC") << "again";
  EXPECT_TRUE(files.fileExists("C:\\docs\\REPORT.doc"));
  EXPECT_FALSE(files.fileExists("C:\\docs\\other.txt"));
}

TEST(SimFiles, AttributesAnswerForFilesFoldersLinksAndMissingPaths) {
  SimPlatform sim;
  auto& files = sim.files();
  ASSERT_TRUE(sim.writeFile("C:\\App\\Tool.exe", "MZ"));
  ASSERT_TRUE(files.setAttributes("C:\\App\\Tool.exe", FileAttr::ReadOnly).ok());
  fs::create_directory_symlink(sim.hostPath("C:\\App"), sim.hostPath("C:\\AppLink"));

  EXPECT_EQ(files.attributes("c:\\app\\TOOL.EXE"), FileAttr::ReadOnly);
  EXPECT_EQ(files.attributes("C:\\app"), FileAttr::Directory);
  EXPECT_EQ(files.attributes("C:\\AppLink"), FileAttr::Directory | FileAttr::ReparsePoint);
  EXPECT_EQ(files.attributes("C:\\"), FileAttr::Directory);
  EXPECT_FALSE(files.attributes("C:\\App\\Tool.exe\\inside"));
  EXPECT_FALSE(files.attributes("C:\\App\\Gone.exe"));
  EXPECT_FALSE(files.attributes("Q:\\App"));
  EXPECT_FALSE(files.attributes("C:\\App\\T*.exe"));
  EXPECT_EQ(files.attributes("C:\\App\\.\\x\\..\\Tool.exe"), FileAttr::ReadOnly);
}

TEST(SimFiles, ListSortsByNameAndReportsSizesTimesAndAttributes) {
  SimPlatform sim;
  auto& files = sim.files();
  ASSERT_TRUE(sim.writeFile("C:\\L\\beta.dat", "12345"));
  ASSERT_TRUE(sim.writeFile("C:\\L\\Alpha.txt", ""));
  ASSERT_TRUE(sim.writeFile("C:\\L\\_under", "x"));
  ASSERT_TRUE(files.createFolders("C:\\L\\Gamma").ok());
  ASSERT_TRUE(files.setAttributes("C:\\L\\beta.dat", FileAttr::Hidden | FileAttr::System).ok());
  ASSERT_TRUE(files.setLastWrite("C:\\L\\beta.dat", 1300000000));

  const auto entries = files.list("C:\\L");
  ASSERT_TRUE(entries.ok());
  ASSERT_EQ(entries->size(), 4u);
  EXPECT_EQ((*entries)[0].name, "Alpha.txt");
  EXPECT_EQ((*entries)[1].name, "beta.dat");
  EXPECT_EQ((*entries)[2].name, "Gamma");
  EXPECT_EQ((*entries)[3].name, "_under");
  EXPECT_EQ((*entries)[1].size, 5u);
  EXPECT_EQ((*entries)[1].lastWrite, 1300000000);
  EXPECT_EQ((*entries)[1].attributes, FileAttr::Hidden | FileAttr::System);
  EXPECT_TRUE((*entries)[2].isFolder());
  EXPECT_EQ((*entries)[0].attributes, FileAttr::Archive);
  EXPECT_EQ(files.list("C:\\L\\beta.dat").error().code, Errc::NotFound);
}

TEST(SimFiles, ReadOnlyFilesRefuseDeletionUntilTheAttributeGoes) {
  SimPlatform sim;
  auto& files = sim.files();
  ASSERT_TRUE(sim.writeFile("C:\\ro.txt", "keep"));
  ASSERT_TRUE(files.setAttributes("C:\\RO.TXT", FileAttr::ReadOnly).ok());
  EXPECT_EQ(files.deleteFile("C:\\ro.txt").error().code, Errc::AccessDenied);
  EXPECT_EQ(files.open("C:\\ro.txt", FileOpen::CreateAlways, FileShare::None).error().code,
            Errc::AccessDenied);
  EXPECT_EQ(sim.readFile("C:\\ro.txt"), "keep");
  ASSERT_TRUE(sim.writeFile("C:\\other.txt", "x"));
  EXPECT_EQ(files.moveFile("C:\\other.txt", "C:\\ro.txt").error().code, Errc::AccessDenied);

  ASSERT_TRUE(files.setAttributes("C:\\ro.txt", FileAttr::Normal).ok());
  EXPECT_TRUE(files.deleteFile("C:\\ro.txt").ok());
  EXPECT_EQ(files.deleteFile("C:\\ro.txt").error().code, Errc::NotFound);
}

TEST(SimFiles, OpenFilesLockAccordingToTheirSharing) {
  SimPlatform sim;
  auto& files = sim.files();
  ASSERT_TRUE(sim.writeFile("C:\\locked.dat", "data"));
  {
    auto holder = files.open("C:\\locked.dat", FileOpen::ReadExisting, FileShare::None);
    ASSERT_TRUE(holder.ok());
    EXPECT_EQ(
        files.open("C:\\LOCKED.dat", FileOpen::ReadExisting, FileShare::ReadWrite).error().code,
        Errc::SharingViolation);
    EXPECT_EQ(files.deleteFile("C:\\locked.dat").error().code, Errc::SharingViolation);
    EXPECT_EQ(files.moveFile("C:\\locked.dat", "C:\\moved.dat").error().code,
              Errc::SharingViolation);
    EXPECT_EQ(files.openFileCount(), 1u);
  }
  EXPECT_EQ(files.openFileCount(), 0u);
  {
    auto reader1 = files.open("C:\\locked.dat", FileOpen::ReadExisting, FileShare::Read);
    auto reader2 = files.open("C:\\locked.dat", FileOpen::ReadExisting, FileShare::Read);
    ASSERT_TRUE(reader1.ok());
    ASSERT_TRUE(reader2.ok());
    // A writer conflicts with readers that share reading only, and must not
    // truncate the file when refused.
    EXPECT_EQ(
        files.open("C:\\locked.dat", FileOpen::CreateAlways, FileShare::ReadWrite).error().code,
        Errc::SharingViolation);
    EXPECT_EQ(sim.readFile("C:\\locked.dat"), "data");
    std::array<std::uint8_t, 16> buffer{};
    EXPECT_EQ((*reader1)->read(buffer).value(), 4u);
    EXPECT_EQ((*reader1)->write(std::span<const std::uint8_t>(buffer.data(), 1)).error().code,
              Errc::AccessDenied);
  }
  EXPECT_TRUE(files.deleteFile("C:\\locked.dat").ok());
}

TEST(SimFiles, LinksAreRemovedAsLinksAndNeverFollowed) {
  SimPlatform sim;
  auto& files = sim.files();
  ASSERT_TRUE(sim.writeFile("C:\\Target\\kept.txt", "precious"));
  ASSERT_TRUE(files.createFolders("C:\\Cache").ok());
  fs::create_directory_symlink(sim.hostPath("C:\\Target"), sim.hostPath("C:\\Cache\\Link"));
  fs::create_symlink(sim.hostPath("C:\\Target\\kept.txt"), sim.hostPath("C:\\Cache\\FileLink"));

  const auto entries = files.list("C:\\Cache");
  ASSERT_TRUE(entries.ok());
  ASSERT_EQ(entries->size(), 2u);
  EXPECT_EQ((*entries)[0].name, "FileLink");
  EXPECT_EQ((*entries)[0].attributes & (FileAttr::ReparsePoint | FileAttr::Directory),
            FileAttr::ReparsePoint);
  EXPECT_EQ((*entries)[1].attributes & (FileAttr::ReparsePoint | FileAttr::Directory),
            FileAttr::ReparsePoint | FileAttr::Directory);
  EXPECT_TRUE((*entries)[1].isLink());

  EXPECT_TRUE(files.deleteFile("C:\\Cache\\Link").ok());
  EXPECT_TRUE(files.deleteFile("C:\\Cache\\FileLink").ok());
  EXPECT_EQ(sim.readFile("C:\\Target\\kept.txt"), "precious");

  fs::create_directory_symlink(sim.hostPath("C:\\Target"), sim.hostPath("C:\\Cache\\Link2"));
  EXPECT_TRUE(files.removeFolder("C:\\Cache\\Link2").ok());
  EXPECT_TRUE(files.fileExists("C:\\Target\\kept.txt"));
  EXPECT_TRUE(files.removeFolder("C:\\Cache").ok());
  EXPECT_EQ(files.removeFolder("C:\\Target").error().code, Errc::NotEmpty);
}

TEST(SimFiles, DeletionsAtRestartWaitForTheRestart) {
  SimPlatform sim;
  auto& files = sim.files();
  ASSERT_TRUE(sim.writeFile("C:\\busy.dll", "x"));
  ASSERT_TRUE(files.deleteAtRestart("C:\\busy.dll").ok());
  EXPECT_EQ(files.pendingDeletes(), std::vector<std::string>{"C:\\busy.dll"});
  EXPECT_TRUE(files.fileExists("C:\\busy.dll"));
  files.simulateRestart();
  EXPECT_FALSE(files.fileExists("C:\\busy.dll"));
  EXPECT_TRUE(files.pendingDeletes().empty());
}

TEST(SimFiles, ShortPathsShortenOnlyLongNames) {
  SimPlatform sim;
  auto& files = sim.files();
  ASSERT_TRUE(sim.writeFile("C:\\Program Files\\My App\\Long Name.text", ""));
  ASSERT_TRUE(sim.writeFile("C:\\tools\\readme.txt", ""));
  EXPECT_EQ(files.shortPath("c:\\program files\\my app\\long name.text").value(),
            "C:\\PROGRA~1\\MYAPP~1\\LONGNA~1.TEX");
  EXPECT_EQ(files.shortPath("C:\\TOOLS\\README.TXT").value(), "C:\\tools\\readme.txt");
  EXPECT_EQ(files.shortPath("C:\\tools\\missing.txt").error().code, Errc::NotFound);
}

TEST(SimFiles, DrivesFoldersDevicesAndEnvironmentComeFromTables) {
  SimPlatform sim;
  auto& files = sim.files();
  sim.addDrive('E', platform::DriveType::CdRom, false);
  sim.addDrive('D', platform::DriveType::Fixed);
  EXPECT_EQ(files.logicalDrives(), (std::vector<std::string>{"C:\\", "D:\\", "E:\\"}));
  EXPECT_EQ(files.driveType("E:\\"), platform::DriveType::CdRom);
  EXPECT_EQ(files.driveType("Z:\\"), platform::DriveType::NoRootDir);
  EXPECT_FALSE(files.volumePresent("E:\\"));
  EXPECT_TRUE(files.volumePresent("d:"));
  EXPECT_EQ(files.list("E:\\").error().code, Errc::IoError);
  EXPECT_EQ(files.dosDeviceName("C:"), "\\Device\\HarddiskVolume1");

  EXPECT_EQ(files.tempFolder(), "C:\\Users\\user\\AppData\\Local\\Temp\\");
  EXPECT_TRUE(files.folderExists(files.tempFolder()));
  EXPECT_EQ(files.windowsFolder(), "C:\\Windows");
  EXPECT_EQ(files.systemFolder(), "C:\\Windows\\system32");
  files.setSpecialFolder(platform::Csidl::Cookies, "D:\\Cookies\\");
  EXPECT_EQ(files.specialFolder(platform::Csidl::Cookies), "D:\\Cookies");
  files.setSpecialFolder(platform::Csidl::History, "");
  EXPECT_EQ(files.specialFolder(platform::Csidl::History), "");

  files.setEnvironment("MyVar", "value");
  EXPECT_EQ(files.expandEnvironment("%myvar%\\x %UNKNOWN% 100% %windir%"),
            "value\\x %UNKNOWN% 100% C:\\Windows");
  EXPECT_EQ(files.expandEnvironment("%NOPE%%MYVAR%"), "%NOPE%value");
}

TEST(SimFiles, FaultsReachEveryFailingMethod) {
  SimPlatform sim;
  auto& files = sim.files();
  ASSERT_TRUE(sim.writeFile("C:\\a.txt", "a"));
  sim.faults().failOnce(PortMethod::FilesDeleteFile, 1, Errc::AccessDenied);
  sim.faults().failOnce(PortMethod::FilesList, 1, Errc::IoError);
  sim.faults().failOnce(PortMethod::FilesCreateFolders, 1, Errc::DiskFull);
  sim.faults().failOnce(PortMethod::FilesMoveFile, 1, Errc::SharingViolation, "b.txt");
  EXPECT_EQ(files.deleteFile("C:\\a.txt").error().code, Errc::AccessDenied);
  EXPECT_EQ(files.list("C:\\").error().code, Errc::IoError);
  EXPECT_EQ(files.createFolders("C:\\New").error().code, Errc::DiskFull);
  EXPECT_FALSE(files.folderExists("C:\\New"));
  EXPECT_EQ(files.moveFile("C:\\a.txt", "C:\\b.txt").error().code, Errc::SharingViolation);
  EXPECT_TRUE(files.moveFile("C:\\a.txt", "C:\\b.txt").ok());
  EXPECT_EQ(sim.readFile("C:\\b.txt"), "a");
  EXPECT_EQ(sim.faults().faultsFired(), 4u);
}

}  // namespace
}  // namespace nc::sim
