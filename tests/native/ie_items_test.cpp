// The Internet Explorer clean items and Protected Storage on the
// substitute platform.
#include "cleaner/ie_items.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "clean_fixture.h"
#include "cleaner/cookie_keep_list.h"

namespace nc::testing {
namespace {

using cleaner::CleanRun;
using platform::RootKey;

const std::string kLocal = "C:\\Users\\user\\AppData\\Local\\Microsoft\\Windows\\";
const std::string kCache = kLocal + "INetCache\\";
const std::string kCookies = kLocal + "INetCookies\\";
const std::string kHistory = kLocal + "History\\";

// An index file of 6000 bytes with one hash table at 0x100.
std::string IndexDat() {
  std::string b(6000, '\xEE');
  const auto put = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
  };
  put(28, 6000);
  put(32, 0x100);
  b.replace(0x100, 4, "HASH");
  put(0x108, 0);
  return b;
}

class IeItemsTest : public CleanFixture {
 protected:
  CleanRun& Run(std::string_view name, bool testMode) {
    CleanRun& r = MakeRun(testMode);
    EXPECT_TRUE(cleaner::RunInternetExplorerItem(r, name)) << name;
    return r;
  }
  void Write(const std::string& path, std::string_view content = "data") {
    ASSERT_TRUE(sim.writeFile(path, content)) << path;
  }
  bool Exists(const std::string& path) { return sim.files().fileExists(path); }
  bool Zeroed(const std::string& indexPath) {
    return sim.readFile(indexPath).substr(0x120) == std::string(6000 - 0x120, '\0');
  }
};

TEST_F(IeItemsTest, CookiesKeepListedNamesExactlyAndOverwriteTheIndexOnlyWithoutAList) {
  const struct {
    const char* name;
    std::vector<std::string> files;  // in the cookies folder, relative
    std::vector<std::string> keep;
    std::vector<std::string> left;  // files left after the clean
    int count;
    bool indexOverwritten;
  } cases[] = {
      {"empty keep list", {"a@x.txt", "b@y.txt", "notes.dat"}, {}, {"notes.dat"}, 2, true},
      {"one kept", {"a@x.txt", "b@y.txt"}, {"b@y.txt"}, {"b@y.txt"}, 1, false},
      {"letter case matters",
       {"a@x.txt", "B@Y.TXT", "c@z.Txt"},
       {"A@X.TXT"},
       {"B@Y.TXT", "c@z.Txt"},
       1,
       false},
      {"protected mode folder", {"Low\\a@x.txt", "Low\\b@y.txt"}, {}, {}, 2, true},
      {"upper-case .TXT keeps Low out",
       {"X.TXT", "Low\\a@x.txt"},
       {},
       {"X.TXT", "Low\\a@x.txt"},
       0,
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(sim.hostPath(kCookies));
    for (const auto& f : c.files) Write(kCookies + f, "cookie");
    const bool low = c.files[0].starts_with("Low\\");
    const std::string chosen = low ? kCookies + "Low\\" : kCookies;
    Write(chosen + "index.dat", IndexDat());
    ASSERT_TRUE(cleaner::WriteCookieKeepList(sim.profile(), ProgramFile("Cookies.ini"), c.keep));

    CleanRun& tested = Run("Internet Explorer - Cookies", true);
    EXPECT_EQ(tested.ItemCount, c.count);
    EXPECT_EQ(tested.ItemSize, 6u * static_cast<unsigned>(c.count));
    for (const auto& f : c.files) EXPECT_TRUE(Exists(kCookies + f)) << f;

    EXPECT_EQ(Run("Internet Explorer - Cookies", false).ItemCount, c.count);
    for (const auto& f : c.files) {
      const bool left = std::find(c.left.begin(), c.left.end(), f) != c.left.end();
      EXPECT_EQ(Exists(kCookies + f), left) << f;
    }
    EXPECT_EQ(Zeroed(chosen + "index.dat"), c.indexOverwritten);
  }
}

TEST_F(IeItemsTest, HistoryAndCacheEntriesAreDeletedOneByOneAndOnlyHttpFromTheCache) {
  auto& browser = sim.browser();
  browser.setHistory({"http://a.example/", "file:///C:/x.txt", "https://b.example/"});
  browser.setCache({"http://a.example/p.gif", "https://b.example/q.js", "HTTP://c.example/",
                    "Cookie:user@x.example/", "http://d.example/"});
  CleanRun& tested = Run("Internet Explorer - Visited URL History", true);
  EXPECT_EQ(tested.ItemCount, 3 + 2);
  EXPECT_EQ(log.linesContaining("Test: deleting ").size(), 5u);
  EXPECT_TRUE(log.hasLine("Test: deleting https://b.example/"));
  EXPECT_FALSE(log.hasLine("Test: deleting https://b.example/q.js"));
  EXPECT_EQ(browser.history().size(), 3u);
  EXPECT_EQ(browser.cache().size(), 5u);

  // The history stops at the first address it declines to delete.
  browser.declineDelete("file:///C:/x.txt");
  EXPECT_EQ(Run("Internet Explorer - Visited URL History", false).ItemCount, 2 + 2);
  EXPECT_EQ(browser.history(),
            (std::vector<std::string>{"file:///C:/x.txt", "https://b.example/"}));
  EXPECT_EQ(browser.cache(),
            (std::vector<std::string>{"https://b.example/q.js", "HTTP://c.example/",
                                      "Cookie:user@x.example/"}));

  // Neither reachable: the item ends silently.
  browser.setHistoryAvailable(false);
  browser.setCacheAvailable(false);
  log.clear();
  EXPECT_EQ(Run("Internet Explorer - Visited URL History", false).ItemCount, 0);
  EXPECT_EQ(log.size(), 0u);
}

TEST_F(IeItemsTest, HistoryFoldersOfTodayStayOnVistaAndSevenOnly) {
  sim.clock().setNow({2011, 3, 5, 9, 0, 0, 0});
  EXPECT_EQ(cleaner::TodayHistoryFolderPrefix(sim.clock()), "MSHist0120110305");
  const std::string low = kHistory + "Low\\History.IE5\\";
  const std::string plain = kHistory + "History.IE5\\";
  for (const int version : {12, 11, 10}) {
    SCOPED_TRACE(version);
    std::filesystem::remove_all(sim.hostPath(kHistory));
    Write(low + "mshist0120110305201103060\\a.dat", "12345");  // today, any case
    Write(low + "MSHist012011030420110305\\b.dat", "12345");
    Write(low + "MSHist012011030420110305\\index.dat", IndexDat());
    Write(low + "index.dat", "top");
    Write(plain + "index.dat", IndexDat());
    Write(plain + "MSHist012011030420110305\\c.dat", "1234567");
    Write(plain + "MSHist012011030420110305\\index.dat", IndexDat());
    versionCode = version;
    CleanRun& r = Run("Internet Explorer - Visited URL History", false);
    const bool seven = version != 10;
    EXPECT_EQ(Exists(low + "mshist0120110305201103060\\a.dat"), true);
    EXPECT_EQ(Exists(low + "MSHist012011030420110305\\b.dat"), !seven);
    EXPECT_TRUE(Exists(low + "index.dat"));
    EXPECT_EQ(Exists(plain + "MSHist012011030420110305\\c.dat"), seven);
    // Index files below the starting folder are overwritten, not one in it.
    EXPECT_EQ(Zeroed(plain + "index.dat"), seven);
    EXPECT_EQ(sim.readFile(low + "index.dat"), "top");
    if (seven) {
      EXPECT_EQ(r.ItemSize, 5u + 6000u);
    } else {
      EXPECT_EQ(r.ItemSize, 7u);  // index files are kept and not counted
      EXPECT_TRUE(Zeroed(plain + "MSHist012011030420110305\\index.dat"));
    }
  }
}

TEST_F(IeItemsTest, IndexDatFilesWarnInEveryModeAndWaitForTheRestart) {
  Write(kCookies + "index.dat", IndexDat());
  Write(kHistory + "History.IE5\\index.dat", IndexDat());
  const std::string warning = "Warning: This will take effect next time windows is rebooted.";
  options.FastScan = true;
  CleanRun& tested = Run("Internet Explorer - Index.dat Files", true);
  EXPECT_EQ(log.lines(), std::vector<std::string>{warning});
  EXPECT_EQ(tested.ItemCount, 3);
  EXPECT_EQ(tested.ItemSize, 12000u);
  EXPECT_TRUE(sim.files().pendingDeletes().empty());

  versionCode = 12;
  Run("Internet Explorer - Index.dat Files", false);
  EXPECT_EQ(sim.files().pendingDeletes().size(), 2u);  // the missing one is not scheduled
  EXPECT_TRUE(Zeroed(kCookies + "index.dat"));
  EXPECT_TRUE(Zeroed(kHistory + "History.IE5\\index.dat"));
  EXPECT_FALSE(Exists(kCache + "Content.IE5\\index.dat"));

  // The 95 family lists the three files in Wininit.ini instead.
  versionCode = 2;
  Run("Internet Explorer - Index.dat Files", false);
  const std::string wininit = sim.readFile("C:\\Windows\\Wininit.ini");
  EXPECT_NE(wininit.find("[rename]"), std::string::npos);
  std::vector<std::size_t> at;
  for (const std::string& path : {kCookies + "index.dat", kCache + "Content.IE5\\index.dat",
                                  kHistory + "History.IE5\\index.dat"}) {
    at.push_back(wininit.find("url=" + sim.files().shortPath(path).value_or(path) + "\r\n"));
  }
  EXPECT_TRUE(at[0] < at[1] && at[1] < at[2] && at[2] != std::string::npos) << wininit;
  EXPECT_EQ(sim.files().pendingDeletes().size(), 2u);

  // Nothing there: nothing counted, the warning still written.
  std::filesystem::remove_all(sim.hostPath(kLocal));
  log.clear();
  EXPECT_EQ(Run("Internet Explorer - Index.dat Files", true).ItemCount, 0);
  EXPECT_TRUE(log.hasLine(warning));
}

TEST_F(IeItemsTest, TemporaryInternetFilesKeepTheIndexOnlyInTestMode) {
  Write(kCache + "Content.IE5\\AB12\\logo[1].gif", "GIF89a");
  Write(kCache + "Content.IE5\\index.dat", IndexDat());
  CleanRun& tested = Run("Internet Explorer - Temporary Internet Files", true);
  EXPECT_EQ(tested.ItemCount, 1);
  EXPECT_EQ(log.size(), 0u);  // per-file lines only with ShowLogTempInternetFiles
  CleanRun& cleaned = Run("Internet Explorer - Temporary Internet Files", false);
  EXPECT_EQ(cleaned.ItemCount, 2);
  EXPECT_TRUE(log.hasLine("Clearing, please wait..."));
  EXPECT_FALSE(Exists(kCache + "Content.IE5\\AB12\\logo[1].gif"));
}

TEST_F(IeItemsTest, TypedUrlsAndDownloadLocationCountTheirKeysAndValues) {
  const std::string ie = "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer";
  const std::string bars = ie + "\\Explorer Bars\\{C4EE31F3-4768-11D2-BE5C-00A0C9A83DA1}";
  sim.registry().loadRegText("REGEDIT4\n\n[" + ie + "]\n\"Download Directory\"=\"C:\\\\dl\"\n\n[" +
                             ie +
                             "\\TypedURLs]\n\"url1\"=\"http://a.example/\"\n\"url2\"=\"b\"\n\n[" +
                             bars + "\\FilesNamedMRU]\n\"a\"=\"x\"\n\n[" + bars +
                             "\\ContainingTextMRU]\n\"a\"=\"y\"\n\"b\"=\"z\"\n");
  CleanRun& typed = Run("Internet Explorer - Recently Typed URLs", false);
  EXPECT_EQ(typed.ItemCount, 2 + 1 + 2);
  EXPECT_TRUE(log.hasLine("Clean: deleting http://a.example/"));
  EXPECT_FALSE(sim.registry().keyExists(RootKey::CurrentUser,
                                        "Software\\Microsoft\\Internet Explorer\\TypedURLs"));
  EXPECT_EQ(Run("Internet Explorer - Last Download Location", false).ItemCount, 1);
  EXPECT_EQ(Run("Internet Explorer - Last Download Location", false).ItemCount, 0);
}

platform::StorageId Id(std::uint8_t n) {
  return platform::StorageId{n, 0x11};
}

TEST_F(IeItemsTest, AutocompleteDeletesEveryItemOfTheBrowserTypeAndBothFormKeys) {
  const std::string forms = "Software\\Microsoft\\Internet Explorer\\IntelliForms\\";
  sim.registry().loadRegText("REGEDIT4\n\n[HKEY_CURRENT_USER\\" + forms +
                             "Storage1]\n\"a\"=\"1\"\n\n[HKEY_CURRENT_USER\\" + forms +
                             "Storage2]\n\"b\"=\"2\"\n");
  std::vector<sim::SimStorageType> types;
  // Twenty types: more than one batch of the enumerator.
  for (std::uint8_t n = 0; n < 20; ++n) types.push_back({Id(n), "Type " + std::to_string(n), {}});
  std::vector<std::string> many;
  for (int i = 0; i < 37; ++i)
    many.push_back("http://x.example/" + std::to_string(i) + ":StringData");
  types[17] = {Id(17),
               "Internet Explorer",
               {{Id(100), {"one"}}, {Id(101), many}, {Id(102), {"a", "b", "c", "d", "e"}}}};
  types[3].subtypes = {{Id(103), {"other program"}}};
  sim.browser().setStorage(types);

  // Half the names of the last subtype, plus the two keys' values.
  EXPECT_EQ(Run("Internet Explorer - Autocomplete History", true).ItemCount, 2 + 2);
  EXPECT_EQ(sim.browser().storage()[17].subtypes[1].items.size(), 37u);
  EXPECT_EQ(Run("Internet Explorer - Autocomplete History", false).ItemCount, 2 + 2);
  const auto after = sim.browser().storage();
  for (const auto& s : after[17].subtypes) EXPECT_TRUE(s.items.empty());
  EXPECT_EQ(after[3].subtypes[0].items.size(), 1u);
  EXPECT_EQ(sim.browser().storageOpens(), sim.browser().storageCloses());

  // No service, or one that does not open: nothing at all, keys included.
  for (const bool available : {false, true}) {
    sim.registry().loadRegText("REGEDIT4\n\n[HKEY_CURRENT_USER\\" + forms +
                               "Storage1]\n\"a\"=\"1\"\n");
    sim.browser().setStorageAvailable(available);
    sim.browser().setStorageOpens(false);
    EXPECT_EQ(Run("Internet Explorer - Autocomplete History", false).ItemCount, 0);
    EXPECT_TRUE(sim.registry().keyExists(RootKey::CurrentUser, forms + "Storage1"));
  }
}

TEST(ProtectedStorageLists, BatchesAreDrainedAndLongNamesCut) {
  // An enumerator that hands out 40 entries in batches of at most 16 and
  // then none.
  int left = 40;
  int calls = 0;
  const auto all = platform::FetchInBatches<int>([&](std::span<int> batch) {
    ++calls;
    const int n = std::min<int>(left, static_cast<int>(batch.size()));
    for (int i = 0; i < n; ++i) batch[i] = left - i;
    left -= n;
    return static_cast<std::size_t>(n);
  });
  EXPECT_EQ(all.size(), 40u);
  EXPECT_EQ(calls, 4);
  EXPECT_EQ(all.back(), 1);
  // An enumerator claiming more than it was given room for ends the list.
  EXPECT_TRUE(
      platform::FetchInBatches<int>([](std::span<int>) { return std::size_t{17}; }).empty());

  const struct {
    std::string name;
    std::string cut;
  } names[] = {
      {std::string(300, 'a'), std::string(255, 'a')},
      {std::string(255, 'b'), std::string(255, 'b')},
      {std::string(254, 'c') + "\xC3\xA9\xC3\xA9", std::string(254, 'c') + "\xC3\xA9"},
      {"", ""},
  };
  for (const auto& n : names) EXPECT_EQ(platform::CutItemName(n.name), n.cut);
}

}  // namespace
}  // namespace nc::testing
