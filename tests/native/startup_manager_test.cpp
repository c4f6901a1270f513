// The startup manager over the substitute registry, files and shell, with
// a view that records the list.
#include "app/startup_manager.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/shell_link.h"
#include "platform/sim/sim_platform.h"

namespace nc::testing {
namespace {

using platform::RootKey;

struct Row {
  std::string caption, file, location;
  bool ticked = false;
  bool operator==(const Row&) const = default;
};

class RecordingStartupList : public app::StartupListView {
 public:
  void ClearStartupList() override { rows.clear(); }
  bool AddStartupRow(std::string_view caption, std::string_view file,
                     std::string_view location) override {
    if (refuseRow == caption) return false;
    rows.push_back({std::string(caption), std::string(file), std::string(location)});
    return true;
  }
  void SizeStartupColumns() override { ++sized; }
  bool StartupRowTicked(std::size_t row) const override { return rows.at(row).ticked; }
  void TickAllStartupRows(bool ticked) override {
    for (Row& row : rows) row.ticked = ticked;
  }
  void RemoveStartupRow(std::size_t row) override {
    removed.push_back(rows.at(row).caption);
    rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(row));
  }

  std::vector<Row> rows;
  std::vector<std::string> removed;  // captions, in the order removed
  int sized = 0;
  std::string refuseRow = "\x01";  // a row of this caption is not taken
};

constexpr const char* kCv = "Software\\Microsoft\\Windows\\CurrentVersion\\";
const std::string kUser = std::string("HKEY_CURRENT_USER\\") + kCv;
const std::string kMachine = std::string("HKEY_LOCAL_MACHINE\\") + kCv;

class StartupManagerTest : public ::testing::Test {
 protected:
  StartupManagerTest() {
    // The keys are loaded in an order of their own, so the list's order
    // comes from the reading, not from creation.
    sim.registry().loadRegText(
        "REGEDIT4\n\n"
        "[" +
        kMachine +
        "RunServices]\n\"svc\"=\"C:\\\\svc.exe\"\n"
        "[" +
        kUser +
        "RunServices]\n\"usvc\"=\"C:\\\\usvc.exe\"\n"
        "[" +
        kMachine +
        "RunOnce]\n\"once\"=\"C:\\\\setup.exe /finish\"\n"
        "[" +
        kUser +
        "Policies\\Explorer\\Run]\n\"policy\"=\"C:\\\\pol.exe\"\n"
        "[" +
        kMachine +
        "Run]\n\"zeta\"=\"C:\\\\z.exe\"\n\"count\"=dword:00000001\n"
        "\"expand\"=hex(2):25,77,69,6e,64,69,72,25,5c,65,2e,65,78,65,00\n"
        "[" +
        kUser +
        "Run]\n\"beta\"=\"\\\"C:\\\\Program Files\\\\b.exe\\\" -q\"\n"
        "\"alpha\"=\"C:\\\\a.exe\"\n");
    userStartup = sim.files().specialFolder(platform::Csidl::Startup) + "\\";
    commonStartup = sim.files().specialFolder(platform::Csidl::CommonStartup) + "\\";
    sim.writeFile(userStartup + "Tool.LNK", sim::MakeShellLinkBytes("C:\\Tools\\tool.exe"));
    sim.writeFile(userStartup + "site.url", "[InternetShortcut]\nURL=http://x/\n");
    sim.writeFile(userStartup + "broken.lnk", "not a shortcut");
    sim.writeFile(userStartup + "folder.lnk\\inner.txt", "a folder named like a shortcut");
    sim.writeFile(commonStartup + "Shared.lnk", sim::MakeShellLinkBytes("C:\\Shared\\s.exe"));
  }

  app::StartupManager Manager(int versionCode) {
    return app::StartupManager(sim.ports(), versionCode, view);
  }
  bool HasValue(RootKey root, const std::string& key, const std::string& name) {
    return sim.registry().value(root, std::string(kCv) + key, name).has_value();
  }

  sim::SimPlatform sim;
  RecordingStartupList view;
  std::string userStartup, commonStartup;
};

TEST_F(StartupManagerTest, ListsRunKeysInOrderThenBothStartupFolders) {
  const std::vector<Row> xp = {
      {"beta", "\"C:\\Program Files\\b.exe\" -q", kUser + "Run"},
      {"alpha", "C:\\a.exe", kUser + "Run"},
      {"zeta", "C:\\z.exe", kMachine + "Run"},
      {"expand", "%windir%\\e.exe", kMachine + "Run"},  // as stored, not expanded
      {"policy", "C:\\pol.exe", kUser + "Policies\\Explorer\\Run"},
      {"once", "C:\\setup.exe /finish", kMachine + "RunOnce"},
  };
  const std::vector<Row> services = {
      {"usvc", "C:\\usvc.exe", kUser + "RunServices"},
      {"svc", "C:\\svc.exe", kMachine + "RunServices"},
  };
  const std::vector<Row> shortcuts = {
      {"Tool.LNK", "C:\\Tools\\tool.exe", "Startup"},
      {"Shared.lnk", "C:\\Shared\\s.exe", "Common Startup"},
  };
  // Windows 95, 98 and Me read RunServices too; NT-family codes do not.
  for (const auto& [code, withServices] :
       {std::pair{1, true}, std::pair{4, true}, std::pair{8, true}, std::pair{5, false},
        std::pair{7, false}, std::pair{0, false}}) {
    SCOPED_TRACE(code);
    view.rows = {{"stale", "", ""}};
    auto manager = Manager(code);
    manager.OnStartupClicked();
    std::vector<Row> expected = xp;
    if (withServices) expected.insert(expected.end(), services.begin(), services.end());
    expected.insert(expected.end(), shortcuts.begin(), shortcuts.end());
    EXPECT_EQ(view.rows, expected);
    EXPECT_EQ(manager.entries().size(), expected.size());
  }
  EXPECT_EQ(view.sized, 6);
}

TEST_F(StartupManagerTest, DeleteEntryRemovesTickedRowsFromTheLastWithoutBackup) {
  auto manager = Manager(2);
  manager.OnStartupClicked();
  manager.OnSelectAllClicked();
  for (const Row& row : view.rows) EXPECT_TRUE(row.ticked);
  manager.OnSelectNoneClicked();
  // Tick: alpha (user Run), zeta (machine Run, no write rights), svc, both shortcuts.
  for (Row& row : view.rows) {
    row.ticked = row.caption == "alpha" || row.caption == "zeta" || row.caption == "svc" ||
                 row.caption == "Tool.LNK" || row.caption == "Shared.lnk";
  }
  sim.registry().denyWrite(RootKey::LocalMachine, std::string(kCv) + "Run");

  manager.OnDeleteEntryClicked();
  EXPECT_EQ(view.removed,
            (std::vector<std::string>{"Shared.lnk", "Tool.LNK", "svc", "zeta", "alpha"}));
  EXPECT_FALSE(HasValue(RootKey::CurrentUser, "Run", "alpha"));
  EXPECT_TRUE(HasValue(RootKey::CurrentUser, "Run", "beta"));
  // Without the rights the value stays, but its row goes.
  EXPECT_TRUE(HasValue(RootKey::LocalMachine, "Run", "zeta"));
  EXPECT_FALSE(HasValue(RootKey::LocalMachine, "RunServices", "svc"));
  EXPECT_FALSE(sim.files().fileExists(userStartup + "Tool.LNK"));
  EXPECT_FALSE(sim.files().fileExists(commonStartup + "Shared.lnk"));
  EXPECT_TRUE(sim.files().fileExists(userStartup + "site.url"));
  EXPECT_EQ(view.rows.size(), manager.entries().size());
  // The failed one comes back on the next listing.
  manager.OnStartupClicked();
  ASSERT_EQ(view.rows.size(), 6u);
  EXPECT_EQ(view.rows[1].caption, "zeta");
}

TEST_F(StartupManagerTest, AValueIsDeletedByTheExactNameItWasListedWith) {
  const std::string run = std::string(kCv) + "Run";
  const std::u16string hidden(u"beta\0hidden", 11);      // hides behind "beta"
  const std::u16string lone = {u'L', char16_t(0xDC01)};  // half a surrogate pair
  const std::u16string collider = u"L\uFFFD";            // shows as `lone` does
  for (const auto& [name, file] :
       {std::pair{hidden, "C:\\hidden.exe"}, std::pair{lone, "C:\\lone.exe"},
        std::pair{collider, "C:\\collider.exe"}}) {
    ASSERT_TRUE(sim.registry().writeExactValue(
        RootKey::CurrentUser, run, name, static_cast<std::uint32_t>(platform::RegType::String),
        platform::StringData(file)));
  }
  auto manager = Manager(7);
  manager.OnStartupClicked();
  ASSERT_GE(view.rows.size(), 5u);
  const std::vector<Row> shown(view.rows.begin(), view.rows.begin() + 5);
  EXPECT_EQ(shown, (std::vector<Row>{{"beta", "\"C:\\Program Files\\b.exe\" -q", kUser + "Run"},
                                     {"alpha", "C:\\a.exe", kUser + "Run"},
                                     {"beta\\0hidden", "C:\\hidden.exe", kUser + "Run"},
                                     {"L\xEF\xBF\xBD", "C:\\lone.exe", kUser + "Run"},
                                     {"L\xEF\xBF\xBD", "C:\\collider.exe", kUser + "Run"}}));
  view.rows[2].ticked = true;  // the hidden one
  view.rows[3].ticked = true;  // the lone half
  manager.OnDeleteEntryClicked();

  EXPECT_FALSE(sim.registry().exactValue(RootKey::CurrentUser, run, lone).has_value());
  EXPECT_TRUE(sim.registry().exactValue(RootKey::CurrentUser, run, collider).has_value());
  // The name with a NUL cannot be given to the deletion: it stays, and so
  // do the value it hides behind and its row, and the user is told.
  EXPECT_TRUE(sim.registry().exactValue(RootKey::CurrentUser, run, hidden).has_value());
  EXPECT_TRUE(HasValue(RootKey::CurrentUser, "Run", "beta"));
  EXPECT_EQ(view.removed, std::vector<std::string>{"L\xEF\xBF\xBD"});
  ASSERT_EQ(view.rows.size(), manager.entries().size());
  EXPECT_EQ(view.rows[2].caption, "beta\\0hidden");
  EXPECT_EQ(manager.entries()[3].file, "C:\\collider.exe");
  const auto told = sim.prompts().records();
  ASSERT_EQ(told.size(), 1u);
  EXPECT_EQ(told[0].kind, sim::SimPrompts::Kind::Inform);
  EXPECT_EQ(told[0].text, app::StartupNamesRefusedText({"beta\\0hidden"}));
  EXPECT_NE(told[0].text.find("\r\nbeta\\0hidden"), std::string::npos);
}

TEST_F(StartupManagerTest, ARowTheListDidNotTakeLeavesNoEntryBehind) {
  view.refuseRow = "beta";
  auto manager = Manager(7);
  manager.OnStartupClicked();
  ASSERT_EQ(view.rows.size(), manager.entries().size());
  ASSERT_EQ(view.rows[0].caption, "alpha");
  EXPECT_EQ(manager.entries()[0].caption, "alpha");
  view.rows[0].ticked = true;
  manager.OnDeleteEntryClicked();
  EXPECT_FALSE(HasValue(RootKey::CurrentUser, "Run", "alpha"));
  EXPECT_TRUE(HasValue(RootKey::CurrentUser, "Run", "beta"));
  EXPECT_EQ(view.rows.size(), manager.entries().size());
}

TEST(StartupEntries, DeletionStaysInsideItsFolderAndNeedsARoot) {
  sim::SimPlatform sim;
  ASSERT_TRUE(sim.writeFile("C:\\victim.txt", "keep"));
  sim.registry().loadRegText("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\K]\n\"v\"=\"x\"\n");
  const registry::StartupEntry refused[] = {
      {"..\\..\\..\\..\\..\\..\\..\\victim.txt", "", "Startup"},
      {"C:\\victim.txt", "", "Common Startup"},
      {"v", "", "HKEY_CURRENT_USER"},  // no key path
      {"v", "", "HKCU\\Software\\K"},  // no full root name
      {"missing", "", "HKEY_CURRENT_USER\\Software\\K"},
  };
  for (const auto& entry : refused) {
    EXPECT_FALSE(registry::DeleteStartupEntry(sim.ports(), entry)) << entry.caption;
  }
  EXPECT_TRUE(sim.files().fileExists("C:\\victim.txt"));
  EXPECT_TRUE(
      registry::DeleteStartupEntry(sim.ports(), {"v", "", "hkey_current_user\\Software\\K"}));
}

}  // namespace
}  // namespace nc::testing
