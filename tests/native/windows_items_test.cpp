// The Windows and Advanced clean items on the substitute platform.
#include "cleaner/windows_items.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "clean_fixture.h"

namespace nc::testing {
namespace {

using cleaner::CleanRun;
using platform::FileOpen;
using platform::FileShare;
using platform::RootKey;

class WindowsItemsTest : public CleanFixture {
 protected:
  // Runs an item in a fresh run of the given mode.
  CleanRun& Run(std::string_view name, bool testMode) {
    CleanRun& r = MakeRun(testMode);
    EXPECT_TRUE(cleaner::RunWindowsItem(r, name)) << name;
    return r;
  }
  void Write(std::string_view path, std::string_view content = "data") {
    ASSERT_TRUE(sim.writeFile(path, content)) << path;
  }
  bool Exists(std::string_view path) { return sim.files().fileExists(path); }
  void LoadReg(std::string_view text) { sim.registry().loadRegText(text); }
  bool Key(std::string_view path) { return sim.registry().keyExists(RootKey::CurrentUser, path); }
};

TEST_F(WindowsItemsTest, OnlyItsOwnRunNamesAreHandled) {
  CleanRun& r = TestRun();
  for (const char* name : {"Windows - Windows Log Files", "Advanced - Google Toolbar History",
                           "Advanced - MSN Toolbar History", "Advanced - Yahoo! Toolbar History",
                           "windows - temporary files", "Windows - Temporary Files ", "",
                           "Internet Explorer - Cookies"}) {
    EXPECT_FALSE(cleaner::RunWindowsItem(r, name)) << name;
  }
  EXPECT_EQ(log.size(), 0u);
}

TEST_F(WindowsItemsTest, SingleKeyItemsCountTheValuesOfTheirKeyTree) {
  const std::pair<const char*, const char*> items[] = {
      {"Windows - Start Run", "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU"},
      {"Windows - Search Assistant", "Software\\Microsoft\\Search Assistant\\ACMru"},
      {"Advanced - Open File History",
       "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\OpenSaveMRU"},
      {"Advanced - Menu Order Cache",
       "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MenuOrder"},
      {"Advanced - Paint",
       "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Paint\\Recent File List"},
  };
  for (const auto& [name, key] : items) {
    SCOPED_TRACE(name);
    const std::string k = key;
    LoadReg("REGEDIT4\n\n[HKEY_CURRENT_USER\\" + k + "]\n\"a\"=\"1\"\n\"b\"=\"2\"\n" +
            "[HKEY_CURRENT_USER\\" + k + "\\Sub]\n\"c\"=\"3\"\n");
    log.clear();
    CleanRun& tested = Run(name, true);
    EXPECT_EQ(tested.ItemCount, 3);
    EXPECT_EQ(tested.ItemSizeText, "0");
    EXPECT_EQ(log.lines(),
              std::vector<std::string>{"Test: deleting registry key HKEY_CURRENT_USER\\" + k});
    EXPECT_TRUE(Key(k));
    CleanRun& cleaned = Run(name, false);
    EXPECT_EQ(cleaned.ItemCount, 3);
    EXPECT_EQ(cleaned.ItemSize, 0u);
    EXPECT_FALSE(Key(k));
    // Gone: nothing left to count.
    EXPECT_EQ(Run(name, true).ItemCount, 0);
  }
}

TEST_F(WindowsItemsTest, UserAssistAddsBothCountKeys) {
  const std::string base = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\UserAssist\\";
  const std::string first = base + "{5E6AB780-7743-11CF-A12B-00AA004AE837}\\Count";
  const std::string second = base + "{75048700-EF1F-11D0-9888-006097DEACF9}\\Count";
  LoadReg("REGEDIT4\n\n[HKEY_CURRENT_USER\\" + second + "]\n\"x\"=hex:01\n\"y\"=hex:02\n");
  EXPECT_EQ(Run("Advanced - User Assist History", true).ItemCount, 2);
  LoadReg("REGEDIT4\n\n[HKEY_CURRENT_USER\\" + first + "]\n");
  EXPECT_EQ(Run("Advanced - User Assist History", true).ItemCount, 3);  // an empty key counts 1
  EXPECT_EQ(Run("Advanced - User Assist History", false).ItemCount, 3);
  EXPECT_FALSE(Key(first));
  EXPECT_FALSE(Key(second));
  EXPECT_TRUE(Key(base + "{5E6AB780-7743-11CF-A12B-00AA004AE837}"));
}

TEST_F(WindowsItemsTest, TrayNotificationsRemoveTheTwoStreamValuesOnly) {
  const std::string key = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\TrayNotify";
  LoadReg("REGEDIT4\n\n[HKEY_CURRENT_USER\\" + key +
          "]\n\"IconStreams\"=hex:01,02\n\"PastIconsStream\"=hex:03\n\"Other\"=\"keep\"\n");
  CleanRun& tested = Run("Advanced - Tray Notifications Cache", true);
  EXPECT_EQ(tested.ItemCount, 2);
  EXPECT_EQ(log.lines(),
            (std::vector<std::string>{
                "Test: deleting registry value HKEY_CURRENT_USER\\" + key + "\\IconStreams",
                "Test: deleting registry value HKEY_CURRENT_USER\\" + key + "\\PastIconsStream",
            }));
  EXPECT_EQ(Run("Advanced - Tray Notifications Cache", false).ItemCount, 2);
  EXPECT_FALSE(sim.registry().value(RootKey::CurrentUser, key, "IconStreams"));
  EXPECT_FALSE(sim.registry().value(RootKey::CurrentUser, key, "PastIconsStream"));
  EXPECT_TRUE(sim.registry().value(RootKey::CurrentUser, key, "Other"));
  EXPECT_EQ(Run("Advanced - Tray Notifications Cache", true).ItemCount, 0);
}

TEST_F(WindowsItemsTest, RecentDocumentsCountsTheKeyThenTheFilesOfTheRecentFolder) {
  const std::string key = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RecentDocs";
  LoadReg("REGEDIT4\n\n[HKEY_CURRENT_USER\\" + key + "]\n\"0\"=hex:01\n\"MRUListEx\"=hex:00\n[" +
          "HKEY_CURRENT_USER\\" + key + "\\.txt]\n\"0\"=hex:02\n");
  const std::string recent = sim.files().specialFolder(platform::Csidl::Recent);
  Write(recent + "\\report.txt.lnk", std::string(700, 'l'));
  Write(recent + "\\photo.lnk", std::string(400, 'p'));
  Write(recent + "\\AutomaticDestinations\\deep.lnk", "not entered");

  CleanRun& tested = Run("Windows - Recent Documents", true);
  EXPECT_EQ(tested.ItemCount, 3 + 2);
  EXPECT_EQ(tested.ItemSize, 1100u);
  EXPECT_EQ(tested.ItemSizeText, "2");
  EXPECT_EQ(sim.shell().endBrowserSessionCalls(), 1);
  EXPECT_EQ(log.lines().front(), "Test: deleting registry key HKEY_CURRENT_USER\\" + key);
  EXPECT_EQ(log.lines().back(), "Test: deleting " + recent + "\\report.txt.lnk");

  CleanRun& cleaned = Run("Windows - Recent Documents", false);
  EXPECT_EQ(cleaned.ItemCount, 5);
  EXPECT_EQ(cleaned.ItemSize, 1100u);
  EXPECT_FALSE(Key(key));
  EXPECT_FALSE(Exists(recent + "\\photo.lnk"));
  EXPECT_TRUE(Exists(recent + "\\AutomaticDestinations\\deep.lnk"));
  EXPECT_TRUE(sim.prompts().records().empty());
}

class RecycleBinTest : public WindowsItemsTest {
 protected:
  void SetUp() override {
    // C: counted; D: lacks INFO2; E: is removable.
    Write("C:\\Recycled\\INFO2", "index");
    Write("C:\\Recycled\\desktop.ini", "[.ShellClassInfo]");
    Write("C:\\Recycled\\Dc1.txt", "12345");
    Write("C:\\Recycled\\Dc2\\inner.txt", "1234567");
    sim.addDrive('D');
    Write("D:\\Recycled\\desktop.ini", "x");
    Write("D:\\Recycled\\Dd1.txt", "dd");
    sim.addDrive('E', platform::DriveType::Removable);
    Write("E:\\Recycled\\INFO2", "x");
    Write("E:\\Recycled\\desktop.ini", "x");
    Write("E:\\Recycled\\De1.txt", "ee");
  }
};

TEST_F(RecycleBinTest, TestModeCountsFixedDrivesWithAnIndexAndEmptiesNothing) {
  CleanRun& r = Run("Windows - Empty Recycle Bin", true);
  EXPECT_EQ(r.ItemCount, 2);
  EXPECT_EQ(r.ItemSize, 12u);
  EXPECT_EQ(r.ItemSizeText, "1");
  EXPECT_EQ(log.size(), 0u);  // ShowLogRecycleBin is off
  EXPECT_EQ(sim.shell().emptyRecycleBinsCalls(), 0);
  EXPECT_TRUE(Exists("C:\\Recycled\\Dc1.txt"));

  options.ShowLogRecycleBin = true;
  log.clear();
  Run("Windows - Empty Recycle Bin", true);
  EXPECT_EQ(log.lines(), (std::vector<std::string>{
                             "Test: deleting c:\\Recycled\\Dc1.txt",
                             "Test: deleting c:\\Recycled\\Dc2\\inner.txt",
                         }));
}

TEST_F(RecycleBinTest, CleanModeDeletesTheCountedFilesThenEmptiesEveryBin) {
  CleanRun& r = Run("Windows - Empty Recycle Bin", false);
  EXPECT_EQ(r.ItemCount, 2);
  EXPECT_EQ(r.ItemSize, 12u);
  EXPECT_EQ(log.lines(), std::vector<std::string>{"Clearing, please wait..."});
  EXPECT_EQ(sim.shell().emptyRecycleBinsCalls(), 1);
  EXPECT_FALSE(Exists("C:\\Recycled\\Dc1.txt"));
  EXPECT_FALSE(sim.files().folderExists("C:\\Recycled\\Dc2"));
  EXPECT_TRUE(Exists("C:\\Recycled\\INFO2"));
  EXPECT_TRUE(Exists("C:\\Recycled\\desktop.ini"));
  EXPECT_TRUE(Exists("D:\\Recycled\\Dd1.txt"));  // left to the system's emptying

  // With file lines on there is no notice; a system without the emptying
  // function is no failure.
  options.ShowLogRecycleBin = true;
  sim.shell().setRecycleBinsAvailable(false);
  Write("C:\\Recycled\\Dc3.txt", "3");
  log.clear();
  CleanRun& again = Run("Windows - Empty Recycle Bin", false);
  EXPECT_EQ(again.ItemCount, 1);
  EXPECT_EQ(log.lines(), std::vector<std::string>{"Clean: deleting c:\\Recycled\\Dc3.txt"});
}

TEST_F(WindowsItemsTest, TemporaryFilesEmptiesTheFolderAndLeavesFilesInUse) {
  const std::string temp = sim.files().tempFolder();
  Write(temp + "a.tmp", "aaaa");
  Write(temp + "Setup\\b.tmp", "bb");
  Write(temp + "Busy\\held.tmp", "held");
  Write(temp + "Busy\\c.tmp", "c");
  Write(temp + "z.tmp", "zz");
  auto holder = sim.files().open(temp + "Busy\\held.tmp", FileOpen::ReadExisting, FileShare::None);
  ASSERT_TRUE(holder.ok());

  CleanRun& tested = Run("Windows - Temporary Files", true);
  EXPECT_EQ(tested.ItemCount, 5);
  EXPECT_EQ(tested.ItemSize, 13u);
  EXPECT_EQ(log.size(), 5u);

  CleanRun& cleaned = Run("Windows - Temporary Files", false);
  EXPECT_EQ(cleaned.ItemCount, 4);
  EXPECT_EQ(cleaned.ItemSize, 9u);
  EXPECT_TRUE(Exists(temp + "Busy\\held.tmp"));
  EXPECT_FALSE(Exists(temp + "Busy\\c.tmp"));
  EXPECT_FALSE(Exists(temp + "z.tmp"));  // the run went on after the failure
  EXPECT_FALSE(sim.files().folderExists(temp + "Setup"));
  EXPECT_TRUE(sim.files().folderExists(temp));
}

TEST_F(WindowsItemsTest, ClipboardIsEmptiedInCleanModeOnlyAndCountsNothing) {
  sim.system().setClipboardText("secret");
  CleanRun& tested = Run("Windows - Clipboard", true);
  EXPECT_EQ(tested.ItemCount, 0);
  EXPECT_EQ(sim.system().clipboardText(), "secret");
  CleanRun& cleaned = Run("Windows - Clipboard", false);
  EXPECT_EQ(cleaned.ItemCount, 0);
  EXPECT_EQ(cleaned.ItemSizeText, "0");
  EXPECT_EQ(sim.system().clipboardText(), "");
  sim.system().setClipboardAvailable(false);
  Run("Windows - Clipboard", false);  // a clipboard that cannot be opened is ignored
  EXPECT_EQ(log.size(), 0u);
}

TEST_F(WindowsItemsTest, MemoryDumpsTakeLowerCaseMemoryDmpAndAnyMiniDump) {
  const std::string windows = sim.files().windowsFolder();
  Write(windows + "\\MEMORY.DMP", std::string(100, 'm'));
  Write(windows + "\\MiniDump\\Mini0101-01.dmp", std::string(30, 'a'));
  Write(windows + "\\MiniDump\\OLD.DMP", std::string(20, 'b'));
  Write(windows + "\\MiniDump\\readme.txt");
  Write(windows + "\\MiniDump\\Sub\\nested.dmp");

  CleanRun& tested = Run("Windows - Memory Dumps", true);
  EXPECT_EQ(tested.ItemCount, 2);
  EXPECT_EQ(tested.ItemSize, 50u);
  CleanRun& cleaned = Run("Windows - Memory Dumps", false);
  EXPECT_EQ(cleaned.ItemCount, 2);
  EXPECT_TRUE(Exists(windows + "\\MEMORY.DMP"));
  EXPECT_TRUE(Exists(windows + "\\MiniDump\\readme.txt"));
  EXPECT_TRUE(Exists(windows + "\\MiniDump\\Sub\\nested.dmp"));
  EXPECT_TRUE(sim.files().folderExists(windows + "\\MiniDump"));

  std::filesystem::remove(sim.hostPath(windows + "\\MEMORY.DMP"));
  Write(windows + "\\memory.dmp", std::string(100, 'm'));
  CleanRun& lower = Run("Windows - Memory Dumps", false);
  EXPECT_EQ(lower.ItemCount, 1);
  EXPECT_EQ(lower.ItemSize, 100u);
  EXPECT_FALSE(Exists(windows + "\\memory.dmp"));
}

TEST_F(WindowsItemsTest, ChkdskFragmentsAreFileStarChkInTheSystemFolder) {
  const std::string system = sim.files().systemFolder();
  Write(system + "\\FILE0000.CHK", "12");
  Write(system + "\\file0001.chk", "345");
  Write(system + "\\other.chk");
  Write(system + "\\FILE0002.CHK.bak");
  CleanRun& tested = Run("Windows - Chkdsk File Fragments", true);
  EXPECT_EQ(tested.ItemCount, 2);
  EXPECT_EQ(tested.ItemSize, 5u);
  Run("Windows - Chkdsk File Fragments", false);
  EXPECT_FALSE(Exists(system + "\\FILE0000.CHK"));
  EXPECT_FALSE(Exists(system + "\\file0001.chk"));
  EXPECT_TRUE(Exists(system + "\\other.chk"));
  EXPECT_TRUE(Exists(system + "\\FILE0002.CHK.bak"));
}

}  // namespace
}  // namespace nc::testing
