// The Office and messenger clean items on the substitute platform.
#include "cleaner/office_items.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "clean_fixture.h"
#include "core/text.h"

namespace nc::testing {
namespace {

using cleaner::CleanRun;
using platform::RootKey;

constexpr const char* kAppData = "C:\\Users\\user\\AppData\\Roaming\\";
constexpr const char* kRecent = "C:\\Users\\user\\AppData\\Roaming\\Microsoft\\Office\\Recent\\";
constexpr const char* kFrontPage = "Software\\Microsoft\\FrontPage\\Explorer\\FrontPage Explorer\\";

std::string Version(int v) {
  return "Software\\Microsoft\\Office\\" + std::to_string(v) + ".0";
}

class OfficeItemsTest : public CleanFixture {
 protected:
  CleanRun& Run(std::string_view name, bool testMode) {
    CleanRun& r = MakeRun(testMode);
    EXPECT_TRUE(cleaner::RunOfficeOrMessengerItem(r, name)) << name;
    return r;
  }
  // Writes `path` with `size` bytes and returns the size.
  std::uint64_t Write(const std::string& path, std::size_t size = 10) {
    EXPECT_TRUE(sim.writeFile(path, std::string(size, 'd'))) << path;
    return size;
  }
  bool Exists(const std::string& path) { return sim.files().fileExists(path); }
  bool Key(const std::string& path) { return sim.registry().keyExists(RootKey::CurrentUser, path); }
  bool Value(const std::string& key, const std::string& name) {
    return sim.registry().value(RootKey::CurrentUser, key, name).has_value();
  }
  void LoadReg(const std::string& text) { sim.registry().loadRegText("REGEDIT4\n\n" + text); }

  // The Office recent folder and the lists of the versions at both ends of
  // the loop and just outside it.
  void PopulateOffice() {
    const char* names[] = {"report.doc", "report.doc.lnk", "sheet.xls", "deck.ppt",
                           "db.mdb",     "page.htm",       "page.html", "notes.txt"};
    std::size_t size = 100;
    for (const char* name : names) Write(std::string(kRecent) + name, size += 7);
    Write(std::string(kRecent) + "older\\deep.doc");
    std::string reg;
    for (int v : {7, 8, 12, 13}) {
      const std::string k = "[HKEY_CURRENT_USER\\" + Version(v);
      reg += k + "\\Access\\Settings]\n\"a\"=\"1\"\n";
      reg += k + "\\Excel\\Options]\n\"x\"=\"1\"\n";
      reg += k + "\\Excel\\Recent File List]\n\"File1\"=\"c:\\\\s.xls\"\n";
      reg += k + "\\PowerPoint\\Recent File List]\n\"File1\"=\"c:\\\\d.ppt\"\n";
      reg += k + "\\PowerPoint\\Recent Folder List]\n\"Folder1\"=\"c:\\\\\"\n";
      reg += k + "\\PowerPoint\\Options]\n\"keep\"=\"1\"\n";
      reg += k + "\\Word\\Data]\n\"Settings\"=hex:01\n\"Toolbars\"=hex:02\n";
    }
    for (const char* list : {"Recent File List", "Recent Page List", "Recent Web List"}) {
      reg += std::string("[HKEY_CURRENT_USER\\") + kFrontPage + list + "]\n\"1\"=\"x\"\n";
    }
    LoadReg(reg);
  }
  std::uint64_t RecentSize(const std::string& name) {
    auto entry = sim.files().stat(std::string(kRecent) + name);
    return entry ? entry->size : 0;
  }
};

TEST_F(OfficeItemsTest, OfficeItemsRemoveTheirRecentFilesAndTheListsOfVersions8To12) {
  struct Row {
    const char* item;
    std::vector<std::string> files;     // removed from the recent folder
    std::vector<std::string> keysGone;  // below each of 8.0 and 12.0 (or absolute)
    std::vector<std::string> keysKept;
    int count;
  };
  const std::vector<Row> rows = {
      {"Microsoft Office - Access", {"db.mdb"}, {"\\Access\\Settings"}, {"\\Excel"}, 1 + 2},
      // The whole Excel key: its options and recent list.
      {"Microsoft Office - Excel", {"sheet.xls"}, {"\\Excel"}, {"\\PowerPoint"}, 1 + 2 * 2},
      {"Microsoft Office - Powerpoint",
       {"deck.ppt"},
       {"\\PowerPoint\\Recent File List", "\\PowerPoint\\Recent Folder List"},
       {"\\PowerPoint\\Options", "\\Excel\\Recent File List"},
       1 + 2 * 2},
      {"Microsoft Office - FrontPage",
       {"page.htm", "page.html"},
       {},
       {"\\Excel", "\\PowerPoint"},
       2 + 3},
      // The shortcut "report.doc.lnk" does not end in ".doc".
      {"Microsoft Office - Word", {"report.doc"}, {}, {"\\Word\\Data"}, 1 + 2},
      {"Microsoft Office - Recent Files",
       {"report.doc", "report.doc.lnk", "sheet.xls", "deck.ppt", "db.mdb", "page.htm", "page.html",
        "notes.txt"},
       {},
       {"\\Excel", "\\Access\\Settings"},
       8},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.item);
    PopulateOffice();
    std::uint64_t bytes = 0;
    for (const auto& f : row.files) bytes += RecentSize(f);

    CleanRun& tested = Run(row.item, true);
    EXPECT_EQ(tested.ItemCount, row.count);
    EXPECT_EQ(tested.ItemSize, bytes);
    EXPECT_EQ(tested.ItemSizeText, KilobyteText(bytes));
    for (const auto& f : row.files) EXPECT_TRUE(Exists(kRecent + f)) << f;
    for (const auto& k : row.keysGone) EXPECT_TRUE(Key(Version(12) + k)) << "test run: " << k;

    CleanRun& cleaned = Run(row.item, false);
    EXPECT_EQ(cleaned.ItemCount, row.count);
    EXPECT_EQ(cleaned.ItemSize, bytes);
    for (const auto& f : row.files) EXPECT_FALSE(Exists(kRecent + f)) << f;
    EXPECT_TRUE(Exists(std::string(kRecent) + "older\\deep.doc"));
    for (int v : {8, 12}) {
      for (const auto& k : row.keysGone) EXPECT_FALSE(Key(Version(v) + k)) << v << k;
      for (const auto& k : row.keysKept) EXPECT_TRUE(Key(Version(v) + k)) << v << k;
    }
    // Versions outside 8 to 12 are never touched.
    for (int v : {7, 13}) {
      for (const auto& k : row.keysGone) EXPECT_TRUE(Key(Version(v) + k)) << v << k;
      EXPECT_TRUE(Value(Version(v) + "\\Word\\Data", "Settings"));
    }
    EXPECT_EQ(Run(row.item, true).ItemCount, 0) << "nothing is left to find";
  }
  // Word takes the one value; the other values of the key stay.
  PopulateOffice();
  Run("Microsoft Office - Word", false);
  Run("Microsoft Office - FrontPage", false);
  EXPECT_FALSE(Value(Version(8) + "\\Word\\Data", "Settings"));
  EXPECT_TRUE(Value(Version(8) + "\\Word\\Data", "Toolbars"));
  for (const char* list : {"Recent File List", "Recent Page List", "Recent Web List"}) {
    EXPECT_FALSE(Key(std::string(kFrontPage) + list)) << list;
  }
}

TEST_F(OfficeItemsTest, NoApplicationDataFolderMeansNoOfficeItemRemovesAnything) {
  LoadReg("[HKEY_CURRENT_USER\\" + Version(8) + "\\Excel]\n\"x\"=\"1\"\n");
  CleanRun& r = Run("Microsoft Office - Excel", false);
  EXPECT_EQ(r.ItemCount, 0);
  EXPECT_EQ(r.ItemSizeText, "0");
  EXPECT_TRUE(Key(Version(8) + "\\Excel"));
  EXPECT_EQ(Run("Instant Messengers - Skype", false).ItemCount, 0);
}

TEST_F(OfficeItemsTest, MsnEmptiesTheFirstExistingLogFolderAndTheReceivedFilesOnce) {
  const std::string accounts =
      "[HKEY_CURRENT_USER\\Software\\Microsoft\\MSNMessenger\\PerPassportSettings\\";
  const std::string received = "C:\\Users\\user\\Documents\\My Received Files\\";
  struct Row {
    const char* name;
    std::string reg;  // the passport accounts, in enumeration order
    std::string logFolder;
    int count;
  };
  const std::vector<Row> rows = {
      {"no accounts: only the received files", "", "", 2},
      {"a number, a missing folder, then the log folder",
       accounts + "1]\n\"MessageLogPath\"=dword:00000001\n" + accounts +
           "2]\n\"MessageLogPath\"=\"C:\\\\Gone\"\n" + accounts +
           "3]\n\"MessageLogPath\"=hex(2):43,3a,5c,4c,6f,67,73,00\n" + accounts +
           "4]\n\"MessageLogPath\"=\"C:\\\\Other\"\n",
       "C:\\Logs\\", 2 + 3},
      {"the received folder as the log folder, expanded and in other letters",
       accounts + "1]\n\"MessageLogPath\"=hex(2):25,55,53,45,52,50,52,4f,46,49,4c,45,25,5c,44,6f,"
                  "63,75,6d,65,6e,74,73,5c,4d,59,20,52,45,43,45,49,56,45,44,20,46,49,4c,45,53,00\n",
       "C:\\Users\\user\\Documents\\MY RECEIVED FILES\\", 2},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    LoadReg("[-HKEY_CURRENT_USER\\Software\\Microsoft\\MSNMessenger]\n" + row.reg);
    Write(received + "photo.jpg", 300);
    Write(received + "album\\song.mp3", 200);
    Write("C:\\Logs\\alice.xml", 50);
    Write("C:\\Logs\\bob.xml", 60);
    Write("C:\\Logs\\old\\carol.xml", 70);
    Write("C:\\Other\\dave.xml", 80);
    platform::Platform ports = sim.ports();
    EXPECT_EQ(cleaner::MsnMessageLogFolder(ports), row.logFolder);
    const std::uint64_t bytes = 500 + (row.logFolder == "C:\\Logs\\" ? 180 : 0);
    CleanRun& tested = Run("Instant Messengers - MSN Messenger", true);
    EXPECT_EQ(tested.ItemCount, row.count);
    EXPECT_EQ(tested.ItemSize, bytes);
    CleanRun& cleaned = Run("Instant Messengers - MSN Messenger", false);
    EXPECT_EQ(cleaned.ItemCount, row.count);
    EXPECT_FALSE(Exists(received + "album\\song.mp3"));
    EXPECT_TRUE(sim.files().folderExists(received));
    EXPECT_EQ(Exists("C:\\Logs\\old\\carol.xml"), row.logFolder != "C:\\Logs\\");
    EXPECT_TRUE(Exists("C:\\Other\\dave.xml"));
  }
}

// A log folder named in the registry is trusted no further than any
// folder: a path that is not full, a drive root, the profile folder or
// Documents (however written), a folder above them, or a link, is refused
// with a line, and the next account's folder serves.
TEST_F(OfficeItemsTest, MsnRefusesALogFolderThatIsNoPlaceForDeleting) {
  const std::string accounts =
      "[HKEY_CURRENT_USER\\Software\\Microsoft\\MSNMessenger\\PerPassportSettings\\";
  const auto escaped = [](std::string text) {
    for (std::size_t at = 0; (at = text.find('\\', at)) != std::string::npos; at += 2) {
      text.insert(at, 1, '\\');
    }
    return text;
  };
  std::filesystem::create_directories(sim.hostPath("C:\\Users\\user\\Music"));
  std::filesystem::create_directory_symlink(sim.hostPath("C:\\Users\\user\\Documents"),
                                            sim.hostPath("C:\\ToDocuments"));
  struct Case {
    std::string reg;    // the value as a .reg line's right-hand side
    std::string shown;  // the path in the line
    const char* reason;
  };
  const std::vector<Case> cases = {
      {"\"Logs\"", "Logs", "it is not a full path"},
      {"\"\\\\Logs\"", "\\Logs", "it is not a full path"},
      {"\"C:Logs\"", "C:Logs", "it is not a full path"},
      {escaped("\"\\\\?\\C:\\Logs\""), "\\\\?\\C:\\Logs", "it is not a full path"},
      {escaped("\"\\\\server\""), "\\\\server", "it is not a full path"},
      {escaped("\"\\\\server\\share\\\""), "\\\\server\\share\\", "it is a drive root"},
      {escaped("\"C:\\\""), "C:\\", "it is a drive root"},
      {escaped("\"C:\\Users\\..\""), "C:\\Users\\..", "it is a drive root"},
      {escaped("\"C:\\Users\\user\""), "C:\\Users\\user", "it is the profile folder"},
      // "%USERPROFILE%", expandable.
      {"hex(2):25,55,53,45,52,50,52,4f,46,49,4c,45,25,00", "C:\\Users\\user",
       "it is the profile folder"},
      {"\"c:/users/USER/Documents/.\"", "c:/users/USER/Documents/.", "it is the Documents folder"},
      {escaped("\"C:\\Users\\user\\Music\\..\\Documents. \""),
       "C:\\Users\\user\\Music\\..\\Documents. ", "it is the Documents folder"},
      // The short name of an existing folder is that folder.
      {escaped("\"C:\\Users\\user\\DOCUME~1\""), "C:\\Users\\user\\DOCUME~1",
       "it is the Documents folder"},
      {escaped("\"C:\\Users\""), "C:\\Users", "it holds the profile folder"},
      {escaped("\"C:\\ToDocuments\""), "C:\\ToDocuments", "it is a link"},
  };
  const std::string documents = "C:\\Users\\user\\Documents\\";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.shown);
    LoadReg("[-HKEY_CURRENT_USER\\Software\\Microsoft\\MSNMessenger]\n" + accounts +
            "1]\n\"MessageLogPath\"=" + c.reg + "\n" + accounts +
            "2]\n\"MessageLogPath\"=\"C:\\\\Logs\"\n");
    Write(documents + "letter.doc");
    Write("C:\\Users\\user\\ntuser.dat");
    Write("C:\\Logs\\alice.xml");
    const std::string line =
        "The MSN Messenger log folder \"" + c.shown + "\" is refused: " + c.reason + ".";
    for (bool testMode : {true, false}) {
      log.clear();
      CleanRun& r = Run("Instant Messengers - MSN Messenger", testMode);
      EXPECT_EQ(r.ItemCount, 1);  // C:\Logs alone
      EXPECT_TRUE(log.hasLine(line)) << ::testing::PrintToString(log.lines());
      EXPECT_EQ(log.linesContaining("is refused").size(), 1u);
    }
    EXPECT_TRUE(Exists(documents + "letter.doc"));
    EXPECT_TRUE(Exists("C:\\Users\\user\\ntuser.dat"));
    EXPECT_FALSE(Exists("C:\\Logs\\alice.xml"));
  }
}

TEST_F(OfficeItemsTest, YahooAndSkypeRemoveTheirOwnFilesOnly) {
  LoadReg(
      "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion]\n"
      "\"ProgramFilesDir\"=\"C:\\\\Program Files\"\n");
  const std::string yahoo = "C:\\Program Files\\Yahoo!\\Messenger\\";
  Write(yahoo + "YPAGER.LOG", 40);  // the name in other letters stays
  Write(yahoo + "ypager.exe", 50);
  Write(yahoo + "IMVCache\\a\\b.bin", 60);
  Write(yahoo + "Profiles\\me\\p.dat", 70);
  EXPECT_EQ(Run("Instant Messengers - Yahoo! Messenger", true).ItemCount, 2);
  CleanRun& yahooRun = Run("Instant Messengers - Yahoo! Messenger", false);
  EXPECT_EQ(yahooRun.ItemSize, 130u);
  EXPECT_TRUE(Exists(yahoo + "YPAGER.LOG"));
  EXPECT_TRUE(Exists(yahoo + "ypager.exe"));
  EXPECT_FALSE(Exists(yahoo + "Profiles\\me\\p.dat"));
  EXPECT_TRUE(sim.files().folderExists(yahoo + "Profiles"));
  ASSERT_TRUE(sim.files().deleteFile(yahoo + "YPAGER.LOG").ok());
  Write(yahoo + "ypager.log", 45);
  EXPECT_EQ(Run("Instant Messengers - Yahoo! Messenger", false).ItemSize, 45u);

  const std::string skype = std::string(kAppData) + "Skype\\";
  Write(skype + "me\\chat.dbb", 30);
  Write(skype + "me\\call.dbb", 20);
  Write(skype + "me\\config.xml", 10);
  CleanRun& skypeRun = Run("Instant Messengers - Skype", false);
  EXPECT_EQ(skypeRun.ItemCount, 2);
  EXPECT_EQ(skypeRun.ItemSize, 50u);
  EXPECT_TRUE(Exists(skype + "me\\config.xml"));
}

}  // namespace
}  // namespace nc::testing
