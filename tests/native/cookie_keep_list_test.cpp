// The cookie keep list in "Cookies.ini": what the cookie clean reads back
// from files the options dialog (or an older version) wrote, and the
// cookie clean's answer to a list it cannot trust.
#include <gtest/gtest.h>

#include <optional>

#include "clean_fixture.h"
#include "cleaner/cookie_keep_list.h"
#include "cleaner/ie_items.h"
#include "platform/sim/sim_platform.h"

namespace nc {
namespace {

TEST(CookieKeepList, ReadsWhatWasWrittenAndToleratesDamagedFiles) {
  struct Case {
    const char* name;
    std::string text;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases = {
      {"missing file", "", {}},
      {"any letter case of the section, empty names skipped",
       "[cookies TO keep]\r\nCount=3\r\n0=user@a[1].txt\r\n1=\r\n2=User@B[2].txt\r\n",
       {"user@a[1].txt", "User@B[2].txt"}},
      {"surplus entries of a longer list stay unread",
       "[Cookies to Keep]\r\nCount=1\r\n0=a.txt\r\n1=b.txt\r\n",
       {"a.txt"}},
      {"a count beyond the lines reads only what is there",
       "[Cookies to Keep]\r\nCount=2000000000\r\n0=a.txt\r\n",
       {"a.txt"}},
      {"a negative or unreadable count is an empty list",
       "[Cookies to Keep]\r\nCount=-4\r\n0=a.txt\r\n",
       {}},
      {"no count at all", "[Cookies to Keep]\r\n0=a.txt\r\n", {}},
  };
  for (const Case& c : cases) {
    sim::SimPlatform sim;
    const std::string path = cleaner::CookieKeepListPath("C:\\Norvik");
    ASSERT_EQ(path, "C:\\Norvik\\Cookies.ini");
    ASSERT_TRUE(sim.files().createFolders("C:\\Norvik").ok());
    if (!c.text.empty()) {
      ASSERT_TRUE(platform::WriteWholeFile(sim.files(), path, c.text).ok());
    }
    EXPECT_EQ(cleaner::ReadCookieKeepList(sim.profile(), path), c.expected) << c.name;
  }
}

TEST(CookieKeepList, AShorterListWrittenOverALongerOneReadsBackExactly) {
  sim::SimPlatform sim;
  const std::string path = cleaner::CookieKeepListPath("C:\\Norvik\\");
  ASSERT_TRUE(sim.files().createFolders("C:\\Norvik").ok());
  ASSERT_TRUE(cleaner::WriteCookieKeepList(sim.profile(), path, {"a.txt", "b.txt", "c.txt"}));
  ASSERT_TRUE(cleaner::WriteCookieKeepList(sim.profile(), path, {"B.txt"}));
  EXPECT_EQ(cleaner::ReadCookieKeepList(sim.profile(), path), std::vector<std::string>{"B.txt"});
  EXPECT_EQ(sim.profile().readString(path, "Cookies to Keep", "1", ""), "b.txt");
  EXPECT_EQ(sim.profile().sectionNames(path), std::vector<std::string>{"Cookies to Keep"});
}

// A keep list that cannot be trusted keeps every cookie, where the
// dialog's reading of the same file sees an empty list.
TEST(CookieKeepList, TheCleanTakesOnlyAListItCanTrust) {
  struct Case {
    const char* name;
    std::string text;  // "" for no file
    std::optional<std::vector<std::string>> expected;
    bool unreadable = false;
  };
  using Names = std::vector<std::string>;
  const std::vector<Case> cases = {
      {"missing file: nothing to keep", "", Names{}},
      {"a sound list", "[Cookies to Keep]\r\nCount=2\r\n0=a.txt\r\n1=b.txt\r\n",
       Names{"a.txt", "b.txt"}},
      {"an emptied list", "[Cookies to Keep]\r\nCount=0\r\n", Names{}},
      {"no count", "[Cookies to Keep]\r\n0=a.txt\r\n", std::nullopt},
      {"no section", "[Other]\r\nCount=1\r\n", std::nullopt},
      {"an empty file", "\r\n", std::nullopt},
      {"a count that is no number", "[Cookies to Keep]\r\nCount=two\r\n0=a.txt\r\n", std::nullopt},
      {"a negative count", "[Cookies to Keep]\r\nCount=-1\r\n0=a.txt\r\n", std::nullopt},
      {"a file that cannot be read", "[Cookies to Keep]\r\nCount=1\r\n0=a.txt\r\n", std::nullopt,
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sim::SimPlatform sim;
    const std::string path = cleaner::CookieKeepListPath("C:\\Norvik");
    ASSERT_TRUE(sim.files().createFolders("C:\\Norvik").ok());
    if (!c.text.empty()) {
      ASSERT_TRUE(platform::WriteWholeFile(sim.files(), path, c.text).ok());
    }
    if (c.unreadable) {
      sim.faults().failFrom(sim::PortMethod::FilesOpen, 1, Errc::SharingViolation, "Cookies.ini");
    }
    EXPECT_EQ(cleaner::ReadCookieKeepListForClean(sim.files(), sim.profile(), path), c.expected);
  }
}

class CookieCleanKeepListTest : public testing::CleanFixture {};

TEST_F(CookieCleanKeepListTest, AnUnreadableListKeepsEveryCookieAndSaysSo) {
  const std::string cookies = "C:\\Users\\user\\AppData\\Local\\Microsoft\\Windows\\INetCookies\\";
  const std::string index(600, 'i');
  for (bool testMode : {true, false}) {
    SCOPED_TRACE(testMode);
    ASSERT_TRUE(sim.writeFile(cookies + "a@x.txt", "cookie"));
    ASSERT_TRUE(sim.writeFile(cookies + "index.dat", index));
    ASSERT_TRUE(WriteProgramFile("Cookies.ini", "[Cookies to Keep]\r\nCount=\r\n0=b@y.txt\r\n"));
    log.clear();
    cleaner::CleanRun& r = MakeRun(testMode);
    ASSERT_TRUE(cleaner::RunInternetExplorerItem(r, "Internet Explorer - Cookies"));
    EXPECT_EQ(r.ItemCount, 0);
    EXPECT_EQ(r.ItemSizeText, "0");
    EXPECT_EQ(log.lines(), std::vector<std::string>{std::string(cleaner::kKeepListUnreadableLine)});
    EXPECT_TRUE(sim.files().fileExists(cookies + "a@x.txt"));
    EXPECT_EQ(sim.readFile(cookies + "index.dat"), index);
  }
  // Once the list reads again, the cookies not on it go.
  ASSERT_TRUE(WriteProgramFile("Cookies.ini", "[Cookies to Keep]\r\nCount=1\r\n0=b@y.txt\r\n"));
  EXPECT_EQ(cleaner::RunInternetExplorerItem(MakeRun(false), "Internet Explorer - Cookies"), true);
  EXPECT_FALSE(sim.files().fileExists(cookies + "a@x.txt"));
}

}  // namespace
}  // namespace nc
