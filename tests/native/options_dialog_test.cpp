// The options dialog's rules over a recording view: OK's validation and
// what it applies, Cancel, the hotkey field, the cookie lists and the
// ignore lists.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/boss_key.h"
#include "app/options_dialog.h"
#include "cleaner/community/winapp2.h"
#include "cleaner/cookie_keep_list.h"
#include "platform/sim/sim_platform.h"
#include "recording_options_view.h"

namespace nc {
namespace {

using app::CookieList;
using app::IgnoreListKind;
using app::IgnoreRow;
using test::RecordingOptionsView;

class OptionsDialogTest : public ::testing::Test {
 protected:
  OptionsDialogTest() {
    EXPECT_TRUE(sim.files().createFolders(folder).ok());
    EXPECT_TRUE(sim.files().createFolders("C:\\Backups").ok());
    EXPECT_TRUE(sim.files().createFolders(cookies).ok());
    sim.files().setSpecialFolder(platform::Csidl::Cookies, cookies);
    sim.system().setExecutablePath(folder + "NorvikCleaner.exe");
    settings.OutputDirectory = "C:\\Backups";
    settings.IgnoreValues = {"HKEY_CURRENT_USER\\A\\v", "HKEY_CURRENT_USER\\B\\w", "stale"};
    settings.IgnoreValueCount = 2;
    settings.IgnoreKeys = {"HKEY_LOCAL_MACHINE\\K"};
    settings.IgnoreKeyCount = 1;
  }

  app::OptionsDialog& open() {
    app::OptionsHost host{[this] { ++bossKeyApplied; }, [this] { ++timerArmed; },
                          [this] { ++settingsWritten; }, [this] { ++settingsShown; },
                          [this] { ++communityReloaded; }};
    dialog = std::make_unique<app::OptionsDialog>(sim.ports(), folder, settings, host, view);
    dialog->Open();
    return *dialog;
  }

  std::string autostart() {
    return platform::ReadStringValue(sim.registry(), platform::RootKey::CurrentUser,
                                     app::kAutostartKey, app::kAutostartValue);
  }

  sim::SimPlatform sim;
  const std::string folder = "C:\\Program Files\\Norvik Cleaner\\";
  const std::string cookies = "C:\\Users\\me\\Cookies";
  app::Options settings;
  RecordingOptionsView view;
  std::unique_ptr<app::OptionsDialog> dialog;
  int bossKeyApplied = 0, timerArmed = 0, settingsWritten = 0, settingsShown = 0;
  int communityReloaded = 0;
};

TEST(OptionsDialogRules, HotkeyKeyNamesAndPasswordScrambling) {
  const std::vector<std::pair<std::uint32_t, const char*>> names = {
      {8, "BackSpace"}, {13, "Enter"},       {16, ""},         {19, "Pause"},
      {33, "PageUp"},   {44, "PrintScreen"}, {46, "Del"},      {47, "Help"},
      {48, "0"},        {90, "Z"},           {91, ""},         {96, "Num 0"},
      {105, "Num 9"},   {106, "*"},          {111, "/"},       {112, "F1"},
      {135, "F24"},     {136, ""},           {144, "Numlock"}, {145, "Scroll"}};
  for (const auto& [code, name] : names) EXPECT_EQ(app::HotkeyKeyName(code), name) << code;

  EXPECT_EQ(app::ScramblePassword("azAZ-by"), "zaZA-yb");
  const std::string all = "0123456789 abcXYZ!";
  EXPECT_NE(app::ScramblePassword(all), all);
  EXPECT_EQ(app::UnscramblePassword(app::ScramblePassword(all)), all);
  EXPECT_EQ(app::AutostartCommand("C:\\Program Files\\N\\N.exe"),
            "\"C:\\Program Files\\N\\N.exe\" /Auto");
  EXPECT_EQ(app::CheckNewPassword("a", "b").value_or(""), "Two passwords must be the same!");
  EXPECT_FALSE(app::CheckNewPassword("a", "a"));
}

TEST_F(OptionsDialogTest, HotkeyFieldShowsModifiersAndStoresTheKey) {
  struct Case {
    std::uint32_t code;
    bool ctrl, shift, alt;
    const char* text;
    const char* keyName;
    std::uint16_t keyCode;
  };
  const Case cases[] = {
      {116, true, true, false, "Ctrl  Shift  F5", "F5", 116},
      {17, true, false, false, "Ctrl  ", "", 0},
      {46, false, false, false, "Del", "Del", 46},
      {46, true, false, true, "Ctrl  Alt  Del", "Del", 46},
      {8, false, false, false, "BackSpace", "BackSpace", 8},
      {200, true, false, false, "", "", 0},
  };
  auto& d = open();
  for (const Case& c : cases) {
    d.OnHotkeyKeyDown(c.code, c.ctrl, c.shift, c.alt);
    EXPECT_EQ(view.form.hotkeyText, c.text) << c.code;
    EXPECT_EQ(d.copy().Hotkey.KeyName, c.keyName) << c.code;
    EXPECT_EQ(d.copy().Hotkey.KeyCode, c.keyCode) << c.code;
  }
}

TEST_F(OptionsDialogTest, OkValidatesThenAppliesAndWrites) {
  auto& d = open();
  EXPECT_EQ(view.tab, app::OptionsTab::Common);
  // A missing backup folder is offered to be made; No blocks OK and saves
  // nothing.
  view.form.outputDirectory = "C:\\Nowhere";
  view.tab = app::OptionsTab::Schedule;
  EXPECT_FALSE(d.OnOk());
  EXPECT_EQ(view.questions,
            std::vector<std::string>{
                "C:\\Nowhere,can not find the backup folder.\r\ncreates a new directory?"});
  EXPECT_TRUE(view.errors.empty());
  EXPECT_FALSE(sim.files().folderExists("C:\\Nowhere"));
  EXPECT_TRUE(view.focusedOutput);
  EXPECT_EQ(view.tab, app::OptionsTab::Common);
  EXPECT_EQ(settingsWritten + timerArmed + bossKeyApplied, 0);

  // Ticking "Clean when Windows start" also turns on the autostart value.
  view.form.outputDirectory = "C:\\Backups";
  view.form.startClean = true;
  view.form.autoClean = true;
  view.form.cleanInterval = 1;
  view.form.wipeListPosition = 9;
  ASSERT_TRUE(d.OnOk());
  EXPECT_TRUE(view.form.autoRun);
  EXPECT_EQ(autostart(), "\"C:\\Program Files\\Norvik Cleaner\\NorvikCleaner.exe\" /Auto");
  EXPECT_TRUE(settings.AutoClean && settings.StartClean);
  EXPECT_EQ(settings.CleanInterval, 1);
  EXPECT_EQ(settings.WipeNumber, 10);
  EXPECT_EQ(timerArmed, 1);
  EXPECT_EQ(settingsWritten, 1);
  EXPECT_EQ(settingsShown, 1);
  EXPECT_EQ(bossKeyApplied, 0);  // the boss key did not change

  // Reopened, the box is ticked from the registry; unticked, OK removes it.
  open();
  EXPECT_TRUE(view.form.autoRun);
  view.form.startClean = false;
  view.form.autoRun = false;
  ASSERT_TRUE(dialog->OnOk());
  EXPECT_EQ(autostart(), "");
}

// A new user's first OK: the default backup folder is made by the first
// repair, so it does not exist yet. OK asks as the repair does; Yes makes
// it and the dialog closes. A relative folder is never made.
TEST_F(OptionsDialogTest, FirstOkOffersToMakeTheDefaultBackupFolder) {
  settings.OutputDirectory = folder + "Backup";
  auto& d = open();
  view.confirmAnswer = true;
  ASSERT_TRUE(d.OnOk());
  EXPECT_EQ(view.questions, std::vector<std::string>{
                                folder + "Backup,can not find the backup folder.\r\ncreates a new "
                                         "directory?"});
  EXPECT_TRUE(view.errors.empty());
  EXPECT_TRUE(sim.files().folderExists(folder + "Backup"));
  EXPECT_EQ(settingsWritten, 1);

  // Refusals: a relative folder (no question), and a folder that cannot
  // be made; the dialog stays open on the Common tab.
  struct Case {
    const char* field;
    bool makeFails;
    std::size_t questions;
  };
  const Case cases[] = {{"Backup", false, 0}, {"..\\Up", false, 0}, {"D:\\New\\Deep", true, 1}};
  for (const Case& c : cases) {
    open();
    view.questions.clear();
    view.errors.clear();
    view.focusedOutput = false;
    view.form.outputDirectory = c.field;
    if (c.makeFails)
      sim.faults().failOnce(sim::PortMethod::FilesCreateFolders, 1, Errc::AccessDenied);
    EXPECT_FALSE(dialog->OnOk()) << c.field;
    EXPECT_EQ(view.questions.size(), c.questions) << c.field;
    EXPECT_EQ(view.errors,
              std::vector<std::string>{std::string(c.field) + ",can not find the backup folder."})
        << c.field;
    EXPECT_TRUE(view.focusedOutput) << c.field;
    EXPECT_EQ(settings.OutputDirectory, folder + "Backup") << c.field;
  }
  EXPECT_EQ(settingsWritten, 1);
}

// Every control that shows a setting unchanged keeps what the user set
// through OK and a reopening, and nothing else moves.
TEST_F(OptionsDialogTest, EveryPlainControlRoundTripsThroughTheSettings) {
  auto& d = open();
  const app::OptionsForm opened = view.form;
  app::OptionsForm changed = opened;
  for (bool app::OptionsForm::*box :
       {&app::OptionsForm::askBeforeClear, &app::OptionsForm::verifyPassword,
        &app::OptionsForm::wipeFile, &app::OptionsForm::deleteBackupFile,
        &app::OptionsForm::includeRemoveMedia, &app::OptionsForm::includeCdDrive,
        &app::OptionsForm::restorePoint, &app::OptionsForm::fastScan,
        &app::OptionsForm::showLogTempInternetFiles, &app::OptionsForm::showLogRecycleBin,
        &app::OptionsForm::autoClean, &app::OptionsForm::shutdownClean, &app::OptionsForm::enableIE,
        &app::OptionsForm::enableNetscape, &app::OptionsForm::enableOpera,
        &app::OptionsForm::enableFirefox, &app::OptionsForm::communityRules}) {
    changed.*box = !(opened.*box);
  }
  changed.outputDirectory = "C:\\Backups\\";
  changed.wipeListPosition = 4;
  changed.cleanInterval = 3;
  ASSERT_NE(changed, opened);
  view.form = changed;
  ASSERT_TRUE(d.OnOk());
  EXPECT_EQ(settings.FastScan, changed.fastScan);
  EXPECT_EQ(settings.IncludeCDdrive, changed.includeCdDrive);
  EXPECT_EQ(settings.WipeNumber, 5);
  EXPECT_EQ(settings.OutputDirectory, "C:\\Backups\\");
  EXPECT_EQ(settings.CommunityRules, changed.communityRules);
  open();
  EXPECT_EQ(view.form, changed);
}

// The community rules box shows the setting; OK stores a change and has the
// rules read again (or dropped) only when the box changed; Cancel stores
// nothing.
TEST_F(OptionsDialogTest, CommunityRulesBoxFollowsTheSettingAndOkReloadsOnlyOnAChange) {
  struct Case {
    const char* name;
    bool stored;
    bool ticked;  // the box as OK (or Cancel) finds it
    bool ok;
    bool after;
    int reloads;
  };
  const Case cases[] = {
      {"off, ticked, OK", false, true, true, true, 1},
      {"on, unticked, OK", true, false, true, false, 1},
      {"on, left, OK", true, true, true, true, 0},
      {"off, left, OK", false, false, true, false, 0},
      {"off, ticked, Cancel", false, true, false, false, 0},
      {"on, unticked, Cancel", true, false, false, true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    settings.CommunityRules = c.stored;
    communityReloaded = 0;
    auto& d = open();
    EXPECT_EQ(view.form.communityRules, c.stored);
    view.form.communityRules = c.ticked;
    if (c.ok) {
      ASSERT_TRUE(d.OnOk());
    } else {
      d.OnCancel();
    }
    EXPECT_EQ(settings.CommunityRules, c.after);
    EXPECT_EQ(communityReloaded, c.reloads);
  }
  // Off unless the settings file says otherwise.
  EXPECT_FALSE(app::Options{}.CommunityRules);
}

// Beside the box: the version and entry count of the file in the program's
// folder, or why there are none.
TEST_F(OptionsDialogTest, CommunityRulesLabelTellsOfTheFileBesideTheProgram) {
  const std::string rules = folder + "Winapp2.ini";
  std::ifstream in(NC_SOURCE_DIR "/tests/data/winapp2/Winapp2.ini", std::ios::binary);
  ASSERT_TRUE(in) << "tests/data/winapp2/Winapp2.ini";
  std::ostringstream real;
  real << in.rdbuf();
  std::string thousand = "; Version: 12\r\n";
  for (int i = 0; i < 1234; ++i) thousand += "[Item " + std::to_string(i) + " *]\r\nSection=A\r\n";
  enum class Fault { None, Open, Read, Folder };
  struct Case {
    const char* name;
    std::optional<std::string> text;  // none: no file
    Fault fault;
    std::string shown;
  };
  const Case cases[] = {
      {"three entries", "; Version: 7\r\n[A *]\r\n[B *]\r\nSection=Games\r\n[C *]\r\n", Fault::None,
       "Version: 7, 3 entries"},
      {"one entry, no version", "[A *]\r\n", Fault::None, "Version: unknown, 1 entry"},
      {"empty", "", Fault::None, "Version: unknown, 0 entries"},
      {"thousands", thousand, Fault::None, "Version: 12, 1,234 entries"},
      {"the real file", real.str(), Fault::None, "Version: 260730, 4,067 entries"},
      {"missing", std::nullopt, Fault::None, app::kCommunityRulesMissingText},
      {"held open", "[A *]\r\n", Fault::Open, app::kCommunityRulesUnreadableText},
      {"read fails", "[A *]\r\n", Fault::Read, app::kCommunityRulesUnreadableText},
      {"a folder of that name", std::nullopt, Fault::Folder, app::kCommunityRulesUnreadableText},
      {"too large", "[A *]\r\n" + std::string(cleaner::community::kMaxFileBytes, ';'), Fault::None,
       app::kCommunityRulesUnreadableText},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    (void)sim.files().deleteFile(rules);
    (void)sim.files().removeFolder(rules);
    if (c.text) {
      ASSERT_TRUE(sim.writeFile(rules, *c.text));
    }
    if (c.fault == Fault::Folder) {
      ASSERT_TRUE(sim.files().createFolders(rules).ok());
    }
    if (c.fault == Fault::Open) {
      sim.faults().failOnce(sim::PortMethod::FilesOpen, 1, Errc::SharingViolation, "Winapp2.ini");
    }
    if (c.fault == Fault::Read) {
      sim.faults().failOnce(sim::PortMethod::FilesRead, 1, Errc::IoError, "Winapp2.ini");
    }
    view = RecordingOptionsView();
    open();
    EXPECT_EQ(view.communityRulesInfo, c.shown);
    EXPECT_EQ(sim.files().openFileCount(), 0u);
  }
}

// The boss key never registers a key code the hotkey field has no name
// for, whatever the settings file held.
TEST(BossKeyCodes, CodesOutsideTheKeyTableRegisterNothing) {
  for (const std::uint16_t code : std::vector<std::uint16_t>{0, 16, 17, 18, 91, 200, 255, 4464}) {
    sim::SimPlatform sim;
    app::BossKey key(sim.desktop(), sim.prompts());
    key.RegisterBossKey(0x42, app::Shortcut{true, false, false, "F5", code});
    EXPECT_EQ(key.atom(), 0) << code;
    EXPECT_TRUE(sim.desktop().hotkeys().empty()) << code;
    EXPECT_TRUE(sim.desktop().atomNames().empty()) << code;
    EXPECT_TRUE(sim.prompts().records().empty()) << code;
  }
}

TEST_F(OptionsDialogTest, BossKeyTestRegistersATrialKeyOnlyWhenTheFieldChanged) {
  sim.desktop().takeCombination(platform::HotkeyMod::Control, 'K');
  auto& d = open();
  view.form.useBossKey = true;  // turned on with the opening text: no trial key
  ASSERT_TRUE(d.OnOk());
  EXPECT_EQ(bossKeyApplied, 1);
  EXPECT_TRUE(sim.desktop().atomNames().empty());
  EXPECT_TRUE(sim.desktop().hotkeys().empty());

  // A taken combination: error, the field and the copy go back, dialog stays.
  open();
  dialog->OnHotkeyKeyDown('K', true, false, false);
  EXPECT_FALSE(dialog->OnOk());
  EXPECT_EQ(view.errors.back(), "The hotkey for Boss Key failed, please try to use other key!");
  EXPECT_EQ(view.form.hotkeyText, "Ctrl  F5");
  EXPECT_EQ(dialog->copy().Hotkey.KeyCode, 116);
  EXPECT_TRUE(sim.desktop().atomNames().empty());
  EXPECT_EQ(bossKeyApplied, 1);

  // A blank field, then a lone modifier, then a free combination.
  view.form.hotkeyText = "";
  EXPECT_FALSE(dialog->OnOk());
  EXPECT_EQ(view.errors.back(), "The hotkey setting cannot be blank.");
  dialog->OnHotkeyKeyDown(18, false, false, true);
  EXPECT_FALSE(dialog->OnOk());
  dialog->OnHotkeyKeyDown(115, false, true, true);
  ASSERT_TRUE(dialog->OnOk());
  EXPECT_EQ(bossKeyApplied, 2);
  EXPECT_TRUE(settings.Hotkey.Shift && settings.Hotkey.Alt && !settings.Hotkey.Ctrl);
  EXPECT_EQ(settings.Hotkey.KeyName, "F4");
  EXPECT_TRUE(sim.desktop().hotkeys().empty());  // the trial key was released

  // No atom can be added.
  open();
  view.form.useBossKey = false;
  sim.desktop().setAtomsFail(true);
  ASSERT_TRUE(dialog->OnOk());  // turning it off needs no test
  open();
  view.form.useBossKey = true;
  EXPECT_FALSE(dialog->OnOk());
  EXPECT_EQ(view.errors.back(), "Hotkey setting failed, please run application again!");
}

TEST_F(OptionsDialogTest, IgnoreListEditsTakeEffectOnOkOnly) {
  auto& d = open();
  ASSERT_EQ(view.values.size(), 2u);  // only the counted entries
  view.editAnswer = "HKEY_CURRENT_USER\\New";
  d.OnIgnoreAdd();
  view.values[0].ticked = true;
  d.OnIgnoreRemove();
  view.shownIgnore = IgnoreListKind::Keys;
  view.ignoreSelection = 0;
  view.editAnswer = "HKEY_LOCAL_MACHINE\\K2";
  d.OnIgnoreEdit();
  EXPECT_EQ(view.editedLines.back(), "HKEY_LOCAL_MACHINE\\K");
  view.ignoreSelection = 5;  // nothing selected there: no dialog
  d.OnIgnoreEdit();
  EXPECT_EQ(view.editedLines.size(), 2u);

  d.OnCancel();
  EXPECT_EQ(settings.IgnoreValueCount, 2);
  EXPECT_EQ(settings.IgnoreValues[0], "HKEY_CURRENT_USER\\A\\v");
  EXPECT_EQ(settings.IgnoreKeys[0], "HKEY_LOCAL_MACHINE\\K");

  ASSERT_TRUE(d.OnOk());
  EXPECT_EQ(settings.IgnoreValues,
            (std::vector<std::string>{"HKEY_CURRENT_USER\\B\\w", "HKEY_CURRENT_USER\\New"}));
  EXPECT_EQ(settings.IgnoreValueCount, 2);
  EXPECT_EQ(settings.IgnoreKeys, std::vector<std::string>{"HKEY_LOCAL_MACHINE\\K2"});
}

TEST_F(OptionsDialogTest, CookieListsMoveNamesAndWriteTheKeepList) {
  const std::string keepFile = cleaner::CookieKeepListPath(folder);
  ASSERT_TRUE(cleaner::WriteCookieKeepList(sim.profile(), keepFile, {"me@kept[1].txt"}));
  for (const char* name : {"me@a[1].txt", "me@kept[1].txt", "me@b[1].txt", "index.dat",
                           "me@c[1].TXT", "me@d[1].txt"}) {
    ASSERT_TRUE(sim.writeFile(cookies + "\\" + name, "name\nvalue\n"));
  }
  ASSERT_TRUE(sim.files().createFolders(cookies + "\\folder.txt").ok());
  auto& d = open();
  EXPECT_EQ(sim.shell().endBrowserSessionCalls(), 1);
  auto sorted = view.toDelete;
  std::sort(sorted.begin(), sorted.end());
  ASSERT_EQ(sorted, (std::vector<std::string>{"me@a[1].txt", "me@b[1].txt", "me@d[1].txt"}));
  EXPECT_EQ(view.toKeep, std::vector<std::string>{"me@kept[1].txt"});

  // The last entry moved: the selection goes back to the first.
  const std::string last = view.toDelete[2];
  view.deleteSelection = 2;
  d.OnAddCookie();
  EXPECT_EQ(view.toKeep.back(), last);
  EXPECT_EQ(view.deleteSelection, 0);
  EXPECT_EQ(view.keepSelection, 0);

  view.deleteSelection = 0;
  d.OnViewCookie();
  EXPECT_EQ(view.infos.back(), view.toDelete[0] + "|\r\nname\r\nvalue");

  d.OnRemoveAllCookies();
  EXPECT_TRUE(view.toKeep.empty());
  EXPECT_EQ(view.toDelete.size(), 4u);
  d.OnRemoveAllCookies();  // nothing to move: nothing happens
  view.keepSelection = 0;
  d.OnRemoveCookie();  // nothing in the keep list
  d.OnAddAllCookies();
  EXPECT_TRUE(view.toDelete.empty());
  view.keepSelection = 1;
  d.OnCookieDoubleClick(CookieList::Keep);
  EXPECT_EQ(view.deleteSelection, 0);  // the single entry is selected

  // Cancel writes nothing; OK writes the keep list in its order.
  d.OnCancel();
  EXPECT_EQ(cleaner::ReadCookieKeepList(sim.profile(), keepFile).size(), 1u);
  ASSERT_TRUE(d.OnOk());
  EXPECT_EQ(cleaner::ReadCookieKeepList(sim.profile(), keepFile), view.toKeep);
  EXPECT_EQ(view.toKeep.size(), 3u);
}

// A keep list that exists but cannot be read or parsed is shown read-only
// and OK leaves the file as it was: written as the empty list it shows, it
// would let the next cookie clean remove every cookie. A missing file is
// an empty list that OK writes.
TEST_F(OptionsDialogTest, AnUnreadableKeepListIsShownReadOnlyAndOkLeavesIt) {
  struct Case {
    const char* name;
    std::string text;  // "" for no file
    bool unreadable;   // the file cannot be opened once, when the dialog reads it
    bool readOnly;
  };
  const std::vector<Case> cases = {
      {"missing", "", false, false},
      {"sound", "[Cookies to Keep]\r\nCount=1\r\n0=me@kept[1].txt\r\n", false, false},
      {"no count", "[Cookies to Keep]\r\n0=me@kept[1].txt\r\n", false, true},
      {"a count that is no number", "[Cookies to Keep]\r\nCount=x\r\n0=me@kept[1].txt\r\n", false,
       true},
      {"cannot be opened", "[Cookies to Keep]\r\nCount=1\r\n0=me@kept[1].txt\r\n", true, true},
  };
  const std::string keepFile = cleaner::CookieKeepListPath(folder);
  ASSERT_TRUE(sim.writeFile(cookies + "\\me@a[1].txt", "x"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    (void)sim.files().deleteFile(keepFile);
    if (!c.text.empty()) {
      ASSERT_TRUE(sim.writeFile(keepFile, c.text));
    }
    if (c.unreadable)
      sim.faults().failOnce(sim::PortMethod::FilesOpen, 1, Errc::SharingViolation, "Cookies.ini");
    view = RecordingOptionsView();
    auto& d = open();
    EXPECT_EQ(d.keepListReadOnly(), c.readOnly);
    EXPECT_EQ(view.keepListNotice, c.readOnly ? app::kKeepListReadOnlyText : "");
    view.deleteSelection = 0;
    d.OnAddAllCookies();
    d.OnCookieDoubleClick(CookieList::Delete);
    EXPECT_EQ(view.toKeep.empty(), c.readOnly);
    ASSERT_TRUE(d.OnOk());
    if (c.readOnly) {
      EXPECT_EQ(sim.readFile(keepFile), c.text);
    } else {
      EXPECT_EQ(cleaner::ReadCookieKeepList(sim.profile(), keepFile), view.toKeep);
    }
  }
}

TEST_F(OptionsDialogTest, CookiesOfProtectedModeAreListedFromLow) {
  ASSERT_TRUE(sim.writeFile(cookies + "\\Low\\me@low[1].txt", "x"));
  ASSERT_TRUE(sim.writeFile(cookies + "\\index.dat", "x"));
  auto& d = open();
  EXPECT_EQ(d.cookieFolder(), cookies + "\\Low\\");
  EXPECT_EQ(view.toDelete, std::vector<std::string>{"me@low[1].txt"});
}

TEST_F(OptionsDialogTest, IntervalsFollowAutoCleanAndPasswordIsStoredScrambled) {
  settings.Password = app::ScramblePassword("old1");
  auto& d = open();
  EXPECT_FALSE(view.intervalsEnabled);
  d.OnAutoCleanClicked(true);
  EXPECT_TRUE(view.intervalsEnabled);
  d.OnWipeFileClicked(true);
  EXPECT_TRUE(view.wipeHint);
  view.newPassword = "new2";
  d.OnSetPassword();
  EXPECT_EQ(view.shownPassword, "old1");
  ASSERT_TRUE(d.OnOk());
  EXPECT_EQ(settings.Password, app::ScramblePassword("new2"));
}

}  // namespace
}  // namespace nc
