// The folder guard: a folder handed to the cleaner by the registry or a
// list file is judged by what it is, whatever the spelling of its path.
#include "cleaner/folder_guard.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "clean_fixture.h"
#include "cleaner/definitions.h"
#include "cleaner/office_items.h"

namespace nc::testing {
namespace {

using cleaner::CleanRun;

// Doubles the backslashes of a .reg string.
std::string Escaped(std::string text) {
  for (std::size_t at = 0; (at = text.find('\\', at)) != std::string::npos; at += 2) {
    text.insert(at, 1, '\\');
  }
  return text;
}

class FolderGuardTest : public CleanFixture {
 protected:
  const std::vector<std::string> kept_ = {
      "C:\\Users\\user\\ntuser.dat",
      "C:\\Users\\user\\Documents\\letter.doc",
      "C:\\Users\\user\\Desktop\\note.txt",
      "C:\\Users\\user\\Pictures\\cat.jpg",
      "C:\\Windows\\win.ini",
      "C:\\Windows\\system32\\kernel32.dll",
      "C:\\Program Files\\Vendor\\app.exe",
      "C:\\Users\\user\\AppData\\Local\\x.db",
  };
  void Populate() {
    for (const std::string& path : kept_) ASSERT_TRUE(sim.writeFile(path, "k")) << path;
    ASSERT_TRUE(sim.writeFile("C:\\Logs\\alice.xml", "log"));
  }
  void ExpectKeptAndLogsCleaned() {
    for (const std::string& path : kept_) EXPECT_TRUE(sim.files().fileExists(path)) << path;
    EXPECT_FALSE(sim.files().fileExists("C:\\Logs\\alice.xml"));
  }
};

// Every spelling that reaches a guarded folder (through the junctions
// Windows makes, "\\?\", an administrative share, short names, "..",
// trailing dots) leaves it whole, as the MSN log folder and as the folder
// of a custom list entry; the ordinary folder named next is still cleaned.
TEST_F(FolderGuardTest, GuardedFoldersAreKnownByWhatTheyAreNotHowTheyAreSpelled) {
  struct Row {
    const char* spelling;
    const char* reaches;  // the folder's own name
    const char* reason;   // of the MSN refusal line
  };
  const std::vector<Row> rows = {
      {"C:\\Documents and Settings\\user", "C:\\Users\\user", "it is the profile folder"},
      {"\\\\localhost\\C$\\Users\\user", "C:\\Users\\user", "it is the profile folder"},
      {"\\\\?\\UNC\\localhost\\c$\\Users\\user", "C:\\Users\\user", "it is not a full path"},
      {"C:\\DOCUME~1\\user", "C:\\Users\\user", "it is the profile folder"},
      {"C:\\Documents and Settings\\user\\Local Settings\\..", "C:\\Users\\user",
       "it is the profile folder"},
      {"C:\\Users\\user.", "C:\\Users\\user", "it is the profile folder"},
      {"C:\\Users\\user\\Music\\..\\Desktop ", "C:\\Users\\user\\Desktop",
       "it is the Desktop folder"},
      {"\\\\?\\C:\\Users\\user", "C:\\Users\\user", "it is not a full path"},
      {"C:\\Documents and Settings\\user\\Desktop", "C:\\Users\\user\\Desktop",
       "it is the Desktop folder"},
      // The log folder is a link itself; in a list it is read through.
      {"C:\\Documents and Settings", "C:\\Users", "it is a link"},
      {"\\\\localhost\\C$\\Windows", "C:\\Windows", "it is the Windows folder"},
      {"\\\\127.0.0.1\\c$\\Windows\\system32", "C:\\Windows\\system32", "it is the system folder"},
      {"C:\\PROGRA~1", "C:\\Program Files", "it is the Program Files folder"},
      // Asked about in a list (the default answer is No), refused as a log
      // folder.
      {"C:\\Documents and Settings\\user\\Documents", "C:\\Users\\user\\Documents",
       "it is the Documents folder"},
      {"\\\\localhost\\C$\\Users\\user\\Pictures", "C:\\Users\\user\\Pictures",
       "it is the My Pictures folder"},
      {"\\\\localhost\\C$\\", "C:\\", "it is a drive root"},
      // An ordinary folder reached through a junction is cleaned.
      {"C:\\Documents and Settings\\user\\Local Settings\\Temp",
       "C:\\Users\\user\\AppData\\Local\\Temp", ""},
  };
  const std::string accounts =
      "[HKEY_CURRENT_USER\\Software\\Microsoft\\MSNMessenger\\PerPassportSettings\\";
  for (const Row& row : rows) {
    SCOPED_TRACE(row.spelling);
    const auto id = sim.files().folderIdentity(row.spelling);
    const auto expected = sim.files().folderIdentity(row.reaches);
    ASSERT_TRUE(id && expected);
    EXPECT_EQ(*id, *expected);

    const bool plain = *row.reason == 0;
    const std::string junk = std::string(row.reaches) + "\\junk.tmp";

    // The MSN log folder.
    Populate();
    ASSERT_TRUE(sim.writeFile(junk, "j"));
    sim.registry().loadRegText(
        "REGEDIT4\n\n[-HKEY_CURRENT_USER\\Software\\Microsoft\\MSNMessenger]\n" + accounts +
        "1]\n\"MessageLogPath\"=\"" + Escaped(row.spelling) + "\"\n" + accounts +
        "2]\n\"MessageLogPath\"=\"C:\\\\Logs\"\n");
    log.clear();
    ASSERT_TRUE(
        cleaner::RunOfficeOrMessengerItem(CleanModeRun(), "Instant Messengers - MSN Messenger"));
    if (plain) {
      EXPECT_FALSE(sim.files().fileExists(junk));
    } else {
      EXPECT_TRUE(log.hasLine("The MSN Messenger log folder \"" + std::string(row.spelling) +
                              "\" is refused: " + row.reason + "."))
          << ::testing::PrintToString(log.lines());
      ExpectKeptAndLogsCleaned();
    }

    // The same folder in a custom list: emptied, removed, its files deleted.
    Populate();
    ASSERT_TRUE(sim.writeFile(junk, "j"));
    sim.prompts().clear();
    const std::string spelling = row.spelling;
    ASSERT_TRUE(WriteProgramFile(cleaner::kCustomListFileName,
                                 "[<New List>]\r\nDelFile1=" + spelling +
                                     ",*.*\r\nDelFile2=" + spelling + "\r\nDelFile3=" + spelling +
                                     ",*\r\nDelFile4=C:\\Logs,*.*\r\n"));
    cleaner::RunListSection(CleanModeRun(), cleaner::kCustomListFileName,
                            "Custom Lists - <New List>");
    EXPECT_NE(sim.files().fileExists(junk), plain);
    ExpectKeptAndLogsCleaned();
  }
}

// The guard's judgement of roots and of folders above a guarded one, a
// removable drive's root known by its spelling alone (its drive is not
// among those looked up at the start).
TEST_F(FolderGuardTest, RootsAndFoldersAboveGuardedOnesAreJudgedInEverySpelling) {
  Populate();
  std::filesystem::create_directories(sim.hostRoot() / "E" / "Photos");
  sim.files().addDrive('E', sim.hostRoot() / "E", platform::DriveType::Removable);
  using Standing = cleaner::FolderJudgement::Standing;
  using cleaner::GuardedFolder;
  const struct {
    const char* folder;
    Standing standing;
    GuardedFolder what;
  } rows[] = {
      {"C:\\", Standing::Is, GuardedFolder::DriveRoot},
      {"E:\\", Standing::Is, GuardedFolder::DriveRoot},
      {"e:/", Standing::Is, GuardedFolder::DriveRoot},
      {"\\\\?\\E:\\", Standing::Is, GuardedFolder::DriveRoot},
      {"\\\\.\\E:\\", Standing::Is, GuardedFolder::DriveRoot},
      {"\\\\localhost\\E$\\", Standing::Is, GuardedFolder::DriveRoot},
      {"\\\\?\\UNC\\localhost\\E$\\", Standing::Is, GuardedFolder::DriveRoot},
      {"E:\\Photos", Standing::Plain, GuardedFolder::None},
      {"\\\\localhost\\E$\\Photos", Standing::Plain, GuardedFolder::None},
      {"C:\\Users", Standing::Holds, GuardedFolder::Profile},
      {"C:\\Documents and Settings", Standing::Holds, GuardedFolder::Profile},
      {"C:\\Users\\user\\Documents", Standing::Is, GuardedFolder::Documents},
      {"C:\\Logs", Standing::Plain, GuardedFolder::None},
  };
  platform::Platform ports = sim.ports();
  cleaner::FolderGuard guard(ports);
  for (const auto& row : rows) {
    const auto judged = guard.Judge(row.folder);
    EXPECT_EQ(judged.standing, row.standing) << row.folder;
    EXPECT_EQ(judged.folder, row.what) << row.folder;
  }
}

// A folder the guard cannot open is not emptied: the guard cannot tell
// what it is.
TEST_F(FolderGuardTest, AFolderThatCannotBeJudgedIsLeftAlone) {
  Populate();
  ASSERT_TRUE(sim.writeFile("C:\\Cache\\a.tmp", "t"));
  sim.faults().failFrom(sim::PortMethod::FilesFolderIdentity, 1, Errc::AccessDenied, "Cache");
  ASSERT_TRUE(
      WriteProgramFile(cleaner::kCustomListFileName,
                       "[<New List>]\r\nDelFile1=C:\\Cache,*.*\r\nDelFile2=C:\\Logs,*.*\r\n"));
  for (bool testMode : {true, false}) {
    log.clear();
    CleanRun& r = MakeRun(testMode);
    cleaner::RunListSection(r, cleaner::kCustomListFileName, "Custom Lists - <New List>");
    EXPECT_EQ(r.ItemCount, 1);
    EXPECT_TRUE(log.hasLine("The folder \"C:\\Cache\\\" is refused: it cannot be opened."))
        << ::testing::PrintToString(log.lines());
  }
  EXPECT_TRUE(sim.files().fileExists("C:\\Cache\\a.tmp"));
  EXPECT_FALSE(sim.files().fileExists("C:\\Logs\\alice.xml"));
}

}  // namespace
}  // namespace nc::testing
