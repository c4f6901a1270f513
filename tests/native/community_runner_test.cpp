// Community entries run over the substitute: every rule form, every
// refusal, Test against Clean, detection, and a sweep of the real file.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cleaner/community/detection.h"
#include "cleaner/community/runner.h"
#include "cleaner/community/winapp2.h"
#include "core/text.h"
#include "tests/native/clean_fixture.h"

namespace nc::testing {
namespace {

using cleaner::community::CommunityEntry;

constexpr const char* kLocal = "C:\\Users\\user\\AppData\\Local\\";

CommunityEntry EntryOf(const std::string& keys) {
  const auto rules = cleaner::community::ReadCommunityRules("[App *]\n" + keys);
  EXPECT_EQ(rules.entries.size(), 1u);
  return rules.entries.empty() ? CommunityEntry{} : rules.entries.front();
}

class CommunityRunnerTest : public CleanFixture {
 protected:
  void Seed(const std::vector<std::string>& files) {
    for (const auto& file : files) ASSERT_TRUE(sim.writeFile(file, "12345"));
  }
  bool Exists(const std::string& path) { return sim.files().attributes(path).has_value(); }
  cleaner::CleanRun& Run(const CommunityEntry& entry, bool test) {
    cleaner::CleanRun& made = MakeRun(test);
    const auto vars = cleaner::community::ResolveCommunityVariables(made.platform());
    cleaner::community::RunCommunityEntry(made, entry, vars);
    return made;
  }
  // The paths of the "deleting" lines, in order.
  std::vector<std::string> Deleted() {
    std::vector<std::string> paths;
    for (const auto& line : log.linesContaining("deleting ")) {
      paths.push_back(line.substr(line.find("deleting ") + 9));
    }
    return paths;
  }
};

TEST_F(CommunityRunnerTest, EachFileRuleFormRemovesWhatItNamesAndNoMore) {
  const std::string app = std::string(kLocal) + "App\\";
  struct Case {
    std::string keys;
    std::vector<std::string> gone;
    std::vector<std::string> kept;
  };
  const Case cases[] = {
      {"FileKey1=%LocalAppData%\\App|*.log", {"a.log"}, {"b.txt", "sub\\c.log"}},
      {"FileKey1=%LocalAppData%\\App|a.log;B.TXT", {"a.log", "b.txt"}, {"sub\\c.log"}},
      {"FileKey1=%LocalAppData%\\App|?.log", {"a.log"}, {"ab.log"}},
      {"FileKey1=%LocalAppData%\\App|*.log|RECURSE",
       {"a.log", "ab.log", "sub\\c.log", "sub\\deep\\d.log"},
       {"b.txt", "sub", "Linked\\outside.log"}},
      {"FileKey1=%LocalAppData%\\App\\sub|*.*|REMOVESELF", {"sub"}, {"a.log"}},
      {"FileKey1=%LocalAppData%\\App\\sub|*.log|REMOVESELF",
       {"sub\\c.log", "sub\\deep"},
       {"sub\\keep.dat"}},
      {"FileKey1=%LocalAppData%\\App\\Cache*|*.tmp",
       {"Cache1\\x.tmp", "Cache2\\y.tmp"},
       {"Other\\z.tmp"}},
      {"FileKey1=%LocalAppData%\\*\\Cache?|*.tmp", {"Cache1\\x.tmp"}, {"Other\\z.tmp"}},
      {"FileKey1=%LocalAppData%\\App\\Link*|*.log", {}, {"Linked\\outside.log"}},
      {"FileKey1=%LocalAppData%\\App\\Linked|*.log", {"Linked\\outside.log"}, {}},
      {"FileKey1=%LocalAppData%\\App|*.log|RECURSE\nExcludeKey1=REG|HKCU\\Software\\Other\n"
       "ExcludeKey2=FILE|%LocalAppData%\\App\\|a.log",
       {"ab.log", "sub\\c.log"},
       {"a.log"}},
      {"FileKey1=%LocalAppData%\\App|*.log|RECURSE\nExcludeKey1=PATH|%LocalAppData%\\App\\sub\\|*."
       "log",
       {"a.log"},
       {"sub\\c.log", "sub\\deep\\d.log"}},
      {"FileKey1=%LocalAppData%\\App\\sub|*.*|REMOVESELF\n"
       "ExcludeKey1=PATH|C:\\Users\\user\\Local Settings\\App\\sub\\deep\\|d.*",
       {"sub\\c.log", "sub\\keep.dat"},
       {"sub\\deep\\d.log"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    std::filesystem::remove_all(sim.hostPath(app));
    Seed({app + "a.log", app + "ab.log", app + "b.txt", app + "sub\\c.log", app + "sub\\keep.dat",
          app + "sub\\deep\\d.log", app + "Cache1\\x.tmp", app + "Cache2\\y.tmp",
          app + "Other\\z.tmp", "C:\\Outside\\outside.log"});
    ASSERT_TRUE(sim.files().createFolderLink(app + "Linked", "C:\\Outside"));
    if (c.keys.find("sub|*.log|REMOVESELF") != std::string::npos) {
      std::filesystem::remove(sim.hostPath(app + "sub\\deep\\d.log"));
    }
    Run(EntryOf(c.keys), false);
    for (const auto& path : c.gone) EXPECT_FALSE(Exists(app + path)) << path;
    for (const auto& path : c.kept) EXPECT_TRUE(Exists(app + path)) << path;
    EXPECT_TRUE(log.linesContaining("refused").empty());
  }
}

TEST_F(CommunityRunnerTest, RegistryRulesRemoveKeysAndValuesInBothViews) {
  struct Case {
    std::string keys;
    std::vector<std::string> gone;  // "key" or "key|value"
    std::vector<std::string> kept;
  };
  const std::string v64 = "Software\\Vendor";
  const std::string v32 = "Software\\Wow6432Node\\Vendor";
  const Case cases[] = {
      {"RegKey1=HKCU\\Software\\Vendor", {"HKCU|Software\\Vendor"}, {"HKCU|Software"}},
      {"RegKey1=HKCU\\Software\\Vendor|Size",
       {"HKCU|Software\\Vendor|Size"},
       {"HKCU|Software\\Vendor|Name"}},
      {"RegKey1=HKLM\\Software\\Vendor", {"HKLM|" + v64, "HKLM|" + v32}, {"HKLM|Software\\Shared"}},
      {"RegKey1=HKLM\\Software\\Vendor|Size",
       {"HKLM|" + v64 + "|Size", "HKLM|" + v32 + "|Size"},
       {"HKLM|" + v64 + "|Name", "HKLM|" + v32 + "|Name"}},
      {"RegKey1=HKLM\\Software\\Shared", {"HKLM|Software\\Shared"}, {"HKLM|" + v64}},
      {"RegKey1=HKCU\\Software\\Vendor\nExcludeKey1=REG|HKCU\\Software\\Vendor\\Sub",
       {},
       {"HKCU|Software\\Vendor"}},
      {"RegKey1=HKCU\\Software\\Vendor|Size\nExcludeKey1=REG|HKCU\\Software\\Vendor|Size",
       {},
       {"HKCU|Software\\Vendor|Size"}},
      {"RegKey1=HKCU\\Software\\Vendor|Size\nExcludeKey1=REG|HKCU\\Software\\Vendor|Name",
       {"HKCU|Software\\Vendor|Size"},
       {"HKCU|Software\\Vendor|Name"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    CleanWorld world;
    world.sim.system().set64BitWindows(true);
    world.sim.registry().modelTwoViews(true);
    world.sim.registry().shareKey("Software\\Shared");
    const auto seeded = world.sim.registry().loadRegText(
        "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Vendor\\Sub]\n\"Size\"=\"1\"\n\"Name\"=\"n\"\n"
        "[HKEY_CURRENT_USER\\Software\\Vendor]\n\"Size\"=\"1\"\n\"Name\"=\"n\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Vendor]\n\"Size\"=\"1\"\n\"Name\"=\"n\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Vendor]\n\"Size\"=\"1\"\n\"Name\"=\"n\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Shared]\n\"Size\"=\"1\"\n");
    (void)seeded;
    const auto present = [&](const std::string& spec) {
      const auto parts = Split(spec, '|');
      const auto root =
          parts[0] == "HKCU" ? platform::RootKey::CurrentUser : platform::RootKey::LocalMachine;
      auto key = world.sim.registry().open(root, parts[1], platform::RegAccess::Read,
                                           platform::RegView::Bits64);
      if (!key || parts.size() == 2) return key.ok();
      return world.sim.registry().readValue(*key, parts[2]).ok();
    };
    cleaner::CleanRun& test = world.TestRun();
    const auto vars = cleaner::community::ResolveCommunityVariables(test.platform());
    cleaner::community::RunCommunityEntry(test, EntryOf(c.keys), vars);
    const auto counted = test.ItemCount;
    cleaner::CleanRun& clean = world.CleanModeRun();
    cleaner::community::RunCommunityEntry(clean, EntryOf(c.keys), vars);
    EXPECT_EQ(clean.ItemCount, counted);
    for (const auto& spec : c.gone) EXPECT_FALSE(present(spec)) << spec;
    for (const auto& spec : c.kept) EXPECT_TRUE(present(spec)) << spec;
    EXPECT_EQ(world.log.linesContaining("refused").empty(), !c.gone.empty());
  }
}

TEST_F(CommunityRunnerTest, RulesThatWouldReachGuardedOrOwnFoldersAreRefusedWithALine) {
  struct Case {
    std::string keys;
    std::string line;  // "" when the rule runs
  };
  const Case cases[] = {
      {"FileKey1=%UserProfile%|*.tmp|RECURSE",
       "FileKey1 of App is refused: the folder \"C:\\Users\\user\\\" is the profile folder."},
      {"FileKey4=C:\\Documents and Settings\\user|*.tmp|REMOVESELF",
       "FileKey4 of App is refused: the folder \"C:\\Documents and Settings\\user\\\" is the "
       "profile folder."},
      {"FileKey1=C:\\Documents and Settings|*.tmp|RECURSE", "holds the profile folder."},
      {"FileKey1=C:\\|*.tmp|RECURSE", "is a drive root."},
      {"FileKey1=%WinDir%|*.tmp|RECURSE", "is the Windows folder."},
      {"FileKey1=%WinDir%\\System32|*.tmp|RECURSE", "is the system folder."},
      {"FileKey1=%ProgramFiles%|*.tmp|RECURSE", "is the Program Files folder."},
      {"FileKey1=%AppData%|*.tmp|RECURSE", "is the AppData folder."},
      {"FileKey1=%UserProfile%\\Application Data|*.tmp|RECURSE", "is the AppData folder."},
      {"FileKey1=%LocalAppData%|*.tmp|RECURSE", "is the Local AppData folder."},
      {"FileKey1=%LocalLowAppData%|*.tmp|RECURSE", "is the LocalLow AppData folder."},
      {"FileKey1=%UserProfile%\\AppData|*.tmp|RECURSE", "holds the AppData folder."},
      {"FileKey1=%Documents%|*.tmp|RECURSE", "is the Documents folder."},
      {"FileKey1=%UserProfile%\\Desktop|*.tmp|RECURSE", "is the Desktop folder."},
      {"FileKey1=%UserProfile%\\Downloads|*.tmp|RECURSE", "is the Downloads folder."},
      {"FileKey1=%Documents%\\My Music|*.tmp|RECURSE", "is the Music folder."},
      {"FileKey1=%Pictures%|*.tmp|RECURSE", "is the My Pictures folder."},
      {"FileKey1=%Video%|*.tmp|RECURSE", "is the Videos folder."},
      {"FileKey1=%UserProfile%\\*|*.tmp|RECURSE", "refused: the folder"},
      {"FileKey1=%ProgramFiles%\\Norvik Cleaner|*.tmp", "is the program's folder."},
      {"FileKey1=%ProgramFiles%\\Norvik*\\Data|*.tmp", "lies in the program's folder."},
      {"FileKey1=%LocalAppData%\\App|*a*;*b*;*c*;*d*;*e*;?", "hold more than 10 wildcards."},
      {"FileKey1=%LocalAppData%\\App|*.tmp\nExcludeKey1=FILE|nothing",
       "App is refused: 1 of its ExcludeKey lines could not be read"},
      {"FileKey1=%LocalAppData%\\Locked|*.tmp", "\\Locked\\\" cannot be opened."},
      {"FileKey1=%UserProfile%|*.tmp", ""},
      {"FileKey1=%LocalAppData%\\App|*x*;*t*;*m*;*p*;*.*", ""},
  };
  const std::string profile = "C:\\Users\\user\\";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    CleanWorld world;
    std::vector<std::string> files = {profile + "x.tmp",
                                      profile + "Desktop\\x.tmp",
                                      profile + "Downloads\\x.tmp",
                                      profile + "Music\\x.tmp",
                                      profile + "Pictures\\x.tmp",
                                      profile + "Videos\\x.tmp",
                                      profile + "Documents\\x.tmp",
                                      profile + "AppData\\LocalLow\\x.tmp",
                                      std::string(kLocal) + "x.tmp",
                                      std::string(kLocal) + "App\\x.tmp",
                                      std::string(kLocal) + "Locked\\x.tmp",
                                      "C:\\Users\\user\\AppData\\Roaming\\x.tmp",
                                      "C:\\x.tmp",
                                      "C:\\Windows\\x.tmp",
                                      "C:\\Windows\\system32\\x.tmp",
                                      "C:\\Program Files\\x.tmp",
                                      std::string(CleanWorld::kProgramFolder) + "x.tmp",
                                      std::string(CleanWorld::kProgramFolder) + "Data\\x.tmp"};
    for (const auto& file : files) ASSERT_TRUE(world.sim.writeFile(file, "1"));
    world.sim.faults().failFrom(sim::PortMethod::FilesFolderIdentity, 1, Errc::AccessDenied,
                                "Locked");
    cleaner::CleanRun& clean = world.CleanModeRun();
    const auto vars = cleaner::community::ResolveCommunityVariables(clean.platform());
    cleaner::community::RunCommunityEntry(clean, EntryOf(c.keys), vars);
    const auto refused = world.log.linesContaining(" is refused: ");
    if (c.line.empty()) {
      EXPECT_TRUE(refused.empty());
      EXPECT_GT(clean.ItemCount, 0);
      continue;
    }
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_NE(refused[0].find(c.line), std::string::npos) << refused[0];
    EXPECT_EQ(clean.ItemCount, 0);
    for (const auto& file : files) EXPECT_TRUE(world.sim.files().fileExists(file)) << file;
  }
}

// Both runs walk the same tree; the file two rules name, once through a
// junction, is listed once.
TEST_F(CommunityRunnerTest, TestListsExactlyWhatCleanRemoves) {
  const std::string app = std::string(kLocal) + "App\\";
  Seed({app + "a.log", app + "b.log", app + "sub\\c.log", app + "sub\\d.dat", app + "e.txt"});
  ASSERT_TRUE(sim.files().createFolderLink(app + "Linked", "C:\\Outside"));
  Seed({"C:\\Outside\\o.log"});
  ASSERT_TRUE(
      sim.registry()
          .loadRegText("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Vendor\\Sub]\n\"A\"=\"1\"\n")
          .headerFound);
  const CommunityEntry entry = EntryOf(
      "FileKey1=%LocalAppData%\\App|*.log|REMOVESELF\n"
      "FileKey2=%UserProfile%\\Local Settings\\App|A.LOG;e.txt\n"
      "FileKey3=%LocalAppData%\\App\\sub|*.dat\n"
      "RegKey1=HKCU\\Software\\Vendor\n");
  Run(entry, true);
  const auto listed = Deleted();
  const auto testCount = run->ItemCount;
  const auto testSize = run->ItemSizeText;
  for (const auto& path : listed) {
    if (path.find("registry") == std::string::npos) {
      EXPECT_TRUE(Exists(path)) << path;
    }
  }
  log.clear();
  Run(entry, false);
  EXPECT_EQ(Deleted(), listed);
  EXPECT_EQ(run->ItemCount, testCount);
  EXPECT_EQ(run->ItemSizeText, testSize);
  EXPECT_EQ(listed.size(), 6u);
  for (const auto& path : listed) {
    if (path.find("registry") == std::string::npos) {
      EXPECT_FALSE(Exists(path)) << path;
    }
  }
  EXPECT_TRUE(Exists("C:\\Outside\\o.log"));
  EXPECT_FALSE(Exists(app + "sub\\c.log"));
  EXPECT_TRUE(Exists(app + "Linked"));  // a link is never emptied nor removed
}

TEST_F(CommunityRunnerTest, DetectionByKeysInBothViewsFilesWithWildcardsAndVersion) {
  struct Case {
    std::string keys;
    bool applies;
  };
  const Case cases[] = {
      {"FileKey1=%Temp%|*.tmp", true},
      {"Detect=HKCU\\Software\\Absent", false},
      {"Detect1=HKCU\\Software\\Absent\nDetect2=HKCU\\Software\\Present", true},
      {"Detect=HKLM\\Software\\Only32", true},
      {"Detect=HKLM\\Software\\Only64", true},
      {"DetectFile=%LocalAppData%\\Vendor\\App*.exe", true},
      {"DetectFile=%LocalAppData%\\Vendor\\Other*.exe", false},
      {"DetectFile=%LocalAppData%\\Vendor\\S*", true},  // a folder
      {"DetectFile=%LocalAppData%\\Link*", true},
      {"DetectFile=%LocalAppData%\\Linked\\target.txt", true},
      {"DetectFile=%LocalAppData%\\Link*\\target.txt", false},  // not read: no guess
      {"DetectOS=6.x|\nFileKey1=%Temp%|*.tmp", false},
      {"DetectFile=%ProgramFiles%\\Tool32", true},
      {"DetectOS=6.2|\nFileKey1=%Temp%|*.tmp", false},
      {"DetectOS=|6.1\nFileKey1=%Temp%|*.tmp", true},
      {"DetectOS=6.1|6.1\nDetect=HKCU\\Software\\Present", true},
      {"DetectOS=5.1|6.0\nDetect=HKCU\\Software\\Present", false},
  };
  sim.system().set64BitWindows(true);
  sim.files().setEnvironment("ProgramW6432", "C:\\Program Files");
  sim.files().setEnvironment("ProgramFiles(x86)", "C:\\Program Files (x86)");
  sim.registry().modelTwoViews(true);
  ASSERT_TRUE(sim.registry()
                  .loadRegText("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Present]\n"
                               "[HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Only32]\n"
                               "[HKEY_LOCAL_MACHINE\\Software\\Only64]\n")
                  .headerFound);
  Seed({std::string(kLocal) + "Vendor\\App1.exe", std::string(kLocal) + "Vendor\\Sub\\f",
        "C:\\Program Files (x86)\\Tool32\\t.exe", "C:\\Elsewhere\\target.txt"});
  ASSERT_TRUE(sim.files().createFolderLink(std::string(kLocal) + "Linked", "C:\\Elsewhere"));
  platform::Platform ports = sim.ports();
  const auto vars = cleaner::community::ResolveCommunityVariables(ports);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    EXPECT_EQ(cleaner::community::EntryApplies(ports, EntryOf(c.keys), vars), c.applies);
  }
}

// Every entry of the real file, in Test mode, over a profile seeded with a
// few applications' files: nothing outside the seeded folders is listed.
TEST_F(CommunityRunnerTest, EveryEntryOfTheRealFileListsOnlySeededFiles) {
  std::ifstream in(NC_SOURCE_DIR "/tests/data/winapp2/Winapp2.ini", std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  const auto rules = cleaner::community::ReadCommunityRules(text.str());
  ASSERT_GT(rules.entries.size(), 4000u);
  const std::vector<std::string> seeded = {
      std::string(kLocal) + "Google\\Chrome\\User Data\\Default\\Cache\\",
      std::string(kLocal) + "Mozilla\\Firefox\\Profiles\\abc.default\\cache2\\",
      "C:\\Users\\user\\AppData\\Roaming\\discord\\Cache\\",
      std::string(kLocal) + "Temp\\",
      "C:\\Windows\\Temp\\",
  };
  for (const auto& folder : seeded) Seed({folder + "data_0", folder + "f.tmp", folder + "x.log"});
  Seed({"C:\\Users\\user\\Documents\\letter.docx", "C:\\Users\\user\\Desktop\\notes.txt",
        std::string(CleanWorld::kProgramFolder) + "NorvikCleaner.log"});
  cleaner::CleanRun& test = MakeRun(true);
  const auto vars = cleaner::community::ResolveCommunityVariables(test.platform());
  for (const CommunityEntry& entry : rules.entries) {
    cleaner::community::RunCommunityEntry(test, entry, vars);
  }
  std::size_t files = 0;
  for (const auto& path : Deleted()) {
    if (StartsWith(path, "registry ")) continue;
    ++files;
    bool inSeeded = false;
    for (const auto& folder : seeded) inSeeded = inSeeded || StartsWithNoCase(path, folder);
    EXPECT_TRUE(inSeeded) << path;
  }
  EXPECT_GT(files, 0u);
  EXPECT_TRUE(Exists("C:\\Users\\user\\Documents\\letter.docx"));
}

}  // namespace
}  // namespace nc::testing
