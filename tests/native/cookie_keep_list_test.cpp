// The cookie keep list in "Cookies.ini": what the cookie clean reads back
// from files the options dialog (or an older version) wrote.
#include <gtest/gtest.h>

#include "cleaner/cookie_keep_list.h"
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

}  // namespace
}  // namespace nc
