// The editor of "Custom.dat": the "Custom Lists" dialog, "Add File and
// Folder" and "Add Registry", driven through recording views on the
// substitute platform.
#include "cleaner/custom_list_editor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/sim/sim_platform.h"

namespace nc::cleaner {
namespace {

constexpr const char* kProgramFolder = "C:\\Program Files\\Norvik\\";
constexpr const char* kListFile = "C:\\Program Files\\Norvik\\Custom.dat";

// ---- recording views -------------------------------------------------------

struct RecordingRegistryView : AddRegistryView {
  void SetKeyText(std::string_view text) override { key = text; }
  void SetValueNameText(std::string_view text) override { valueName = text; }
  void SetKind(RegistryEntryKind k) override { kind = k; }
  void EnableValueName(bool enabled) override { valueNameEnabled = enabled; }
  void EnableOk(bool enabled) override { okEnabled = enabled; }

  std::string key = "<unset>";
  std::string valueName = "<unset>";
  std::optional<RegistryEntryKind> kind;
  std::optional<bool> valueNameEnabled;
  std::optional<bool> okEnabled;
};

struct RecordingFolderView : AddFolderView {
  void SetMode(FolderEntryMode m) override { mode = m; }
  void ShowFileGroup(bool fileGroup) override { fileGroupShown = fileGroup; }
  void SetFolderText(std::string_view text) override { folder = text; }
  void SetFiles(const std::vector<std::string>& names) override { files = names; }
  void SetDeletingMode(FolderDeletingMode m) override { deletingMode = m; }
  void SetMaskText(std::string_view text) override { mask = text; }
  void EnableMask(bool enabled) override { maskEnabled = enabled; }
  void EnableOk(bool enabled) override { okEnabled = enabled; }
  std::optional<std::string> BrowseForFolder(std::string_view title,
                                             std::string_view initialFolder) override {
    browseTitles.emplace_back(title);
    browseInitial.emplace_back(initialFolder);
    return browseAnswer;
  }

  std::optional<FolderEntryMode> mode;
  std::optional<bool> fileGroupShown;
  std::string folder = "<unset>";
  std::vector<std::string> files{"<unset>"};
  std::optional<FolderDeletingMode> deletingMode;
  std::string mask = "<unset>";
  std::optional<bool> maskEnabled;
  std::optional<bool> okEnabled;
  std::optional<std::string> browseAnswer;
  std::vector<std::string> browseTitles;
  std::vector<std::string> browseInitial;
};

struct Row {
  std::string text;
  bool checked = false;
};

struct RecordingListView : NewCustomItemView {
  void SetTitle(std::string_view text) override { title = text; }
  void AddRow(std::string_view text) override { rows.push_back({std::string(text), false}); }
  void SetRowText(std::size_t index, std::string_view text) override { rows.at(index).text = text; }
  void RemoveRow(std::size_t index) override {
    rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(index));
  }
  void SelectRow(std::size_t index) override {
    selected = index;
    ++focusGiven;
  }
  void SetRowChecked(std::size_t index, bool on) override { rows.at(index).checked = on; }
  void EnableEdit(bool enabled) override { editEnabled = enabled; }
  void EnableRemove(bool enabled) override { removeEnabled = enabled; }
  void EnableOk(bool enabled) override { okEnabled = enabled; }
  bool RunAddFolder(AddFolderController& controller) override {
    ++addFolderRuns;
    controller.Show(folderView);
    return onAddFolder ? onAddFolder(controller) : false;
  }
  bool RunAddRegistry(AddRegistryController& controller) override {
    ++addRegistryRuns;
    controller.Show(registryView);
    shownRegistry = registryView;
    return onAddRegistry ? onAddRegistry(controller) : false;
  }

  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const auto& row : rows) texts.push_back(row.text);
    return texts;
  }

  std::string title;
  std::vector<Row> rows;
  std::optional<std::size_t> selected;
  int focusGiven = 0;
  std::optional<bool> editEnabled;
  std::optional<bool> removeEnabled;
  std::optional<bool> okEnabled;
  int addFolderRuns = 0;
  int addRegistryRuns = 0;
  RecordingFolderView folderView;
  RecordingRegistryView registryView;
  RecordingRegistryView shownRegistry;  // the registry dialog as it opened
  std::function<bool(AddFolderController&)> onAddFolder;
  std::function<bool(AddRegistryController&)> onAddRegistry;
};

class CustomListEditorTest : public testing::Test {
 protected:
  void WriteList(std::string_view text) { ASSERT_TRUE(sim.writeFile(kListFile, text)); }
  std::string ListText() { return sim.readFile(kListFile); }

  // Shows the editor over the current Custom.dat.
  NewCustomItemController& Open() {
    editor.emplace(sim.ports(), kProgramFolder);
    editor->Show(view);
    return *editor;
  }

  sim::SimPlatform sim;
  RecordingListView view;
  std::optional<NewCustomItemController> editor;
};

// ---- reading and writing the list ------------------------------------------

TEST_F(CustomListEditorTest, ShowsTheValuesOfTheNewListSectionInFileOrder) {
  WriteList(
      "[Other]\r\nDelFile1=C:\\Elsewhere\r\n"
      "[<New List>]\r\n"
      "DelFile2=C:\\Second,*.log\r\n"
      "DelRegValue1=HKEY_CURRENT_USER\\Software\\Foo,\r\n"
      "DelFile1=  C:\\First  \r\n"
      "junk without an equals sign\r\n"
      "; a comment\r\n"
      "DelFile3=\r\n"
      "DelRegValue2=HKEY_CURRENT_USER\\Software\\Bar,Name=With=Equals\r\n"
      "[Later]\r\nDelFile1=C:\\Later\r\n");
  Open();
  const std::vector<std::string> expected{"C:\\Second,*.log", "HKEY_CURRENT_USER\\Software\\Foo,",
                                          "C:\\First",
                                          "HKEY_CURRENT_USER\\Software\\Bar,Name=With=Equals"};
  EXPECT_EQ(editor->Rows(), expected);
  EXPECT_EQ(view.Texts(), expected);
  EXPECT_EQ(view.title, "Edit Custom Item");
  EXPECT_FALSE(view.selected.has_value());
  EXPECT_EQ(view.okEnabled, true);
  EXPECT_EQ(view.editEnabled, false);
  EXPECT_EQ(view.removeEnabled, false);
}

TEST_F(CustomListEditorTest, AMissingOrEmptyListShowsNoRowsAndCannotBeSaved) {
  Open();
  EXPECT_TRUE(view.rows.empty());
  EXPECT_EQ(view.okEnabled, false);
  EXPECT_FALSE(editor->OkClicked());
  EXPECT_FALSE(sim.files().fileExists(kListFile));

  WriteList("garbage \x80\x81\r\n[<New List>\r\n=\r\n[<New List>]\r\n===\r\nno equals\r\n");
  Open();
  EXPECT_EQ(editor->Rows(), std::vector<std::string>{"=="});
}

TEST_F(CustomListEditorTest, SavingNumbersFileAndRegistryRowsSeparatelyInRowOrder) {
  WriteList(
      "[Keep]\r\nA=1\r\n"
      "[<New List>]\r\nDelFile7=C:\\Old\r\nDelRegValue9=HKEY_USERS\\Old\r\n");
  Open();
  // Rows A (file), B (registry), C (file): start from an empty list.
  editor->SelectionChanged(0);
  editor->RemoveClicked();
  editor->RemoveClicked();
  ASSERT_TRUE(editor->Rows().empty());
  ASSERT_TRUE(sim.files().createFolders("C:\\A").ok());
  ASSERT_TRUE(sim.files().createFolders("C:\\C").ok());
  view.onAddFolder = [](AddFolderController& c) {
    c.ModeChosen(FolderEntryMode::Folders);
    c.FolderEdited("C:\\A");
    return true;
  };
  editor->AddFileFolderClicked();
  view.onAddRegistry = [](AddRegistryController& c) {
    c.KeyEdited("hkey_current_user\\Software\\B");
    return true;
  };
  editor->AddRegistryClicked();
  view.onAddFolder = [](AddFolderController& c) {
    c.ModeChosen(FolderEntryMode::Folders);
    c.FolderEdited("C:\\C");
    return true;
  };
  editor->AddFileFolderClicked();
  ASSERT_EQ(editor->Rows(),
            (std::vector<std::string>{"C:\\A", "hkey_current_user\\Software\\B", "C:\\C"}));
  EXPECT_TRUE(editor->OkClicked());

  const std::string text = ListText();
  EXPECT_NE(text.find("[Keep]\r\nA=1"), std::string::npos) << text;
  EXPECT_NE(text.find("[<New List>]\r\n"
                      "DelFile1=C:\\A\r\n"
                      "DelRegValue1=hkey_current_user\\Software\\B\r\n"
                      "DelFile2=C:\\C\r\n"),
            std::string::npos)
      << text;
  EXPECT_EQ(text.find("Old"), std::string::npos) << text;
}

TEST_F(CustomListEditorTest, LongAndNonAsciiRowsSurviveASaveAndAReload) {
  const std::string longRow = "C:\\" + std::string(5000, 'x') + ",*.tmp";
  const std::string accented = "C:\\Donn\xc3\xa9\x65s \xe6\x97\xa5\xe6\x9c\xac,*.txt";
  const std::string registry = "HKEY_CURRENT_USER\\Software\\\xc3\x84pfel,Wert";
  WriteList("[<New List>]\r\nDelFile1=" + longRow + "\r\nDelFile2=" + accented +
            "\r\nDelRegValue1=" + registry + "\r\n");
  Open();
  ASSERT_EQ(editor->Rows(), (std::vector<std::string>{longRow, accented, registry}));
  EXPECT_TRUE(editor->OkClicked());
  Open();
  EXPECT_EQ(editor->Rows(), (std::vector<std::string>{longRow, accented, registry}));
}

TEST_F(CustomListEditorTest, CancelWritesNothingAndAFailedWriteStillCloses) {
  WriteList("[<New List>]\r\nDelFile1=C:\\A\r\n");
  Open();
  view.onAddRegistry = [](AddRegistryController& c) {
    c.KeyEdited("HKEY_CURRENT_USER\\X");
    return true;
  };
  editor->AddRegistryClicked();
  editor->CancelClicked();
  EXPECT_EQ(ListText(), "[<New List>]\r\nDelFile1=C:\\A\r\n");

  // The disk refuses every write: the dialog closes and the old file stays.
  sim.faults().failFrom(sim::PortMethod::FilesWrite, 1, Errc::DiskFull);
  EXPECT_TRUE(editor->OkClicked());
  EXPECT_EQ(ListText(), "[<New List>]\r\nDelFile1=C:\\A\r\n");
  EXPECT_GT(sim.faults().faultsFired(sim::PortMethod::FilesWrite), 0u);
}

// ---- the "Custom Lists" dialog ---------------------------------------------

TEST_F(CustomListEditorTest, ChildDialogsAppendTheirEntryOnlyOnOk) {
  Open();
  ASSERT_TRUE(sim.files().createFolders("C:\\Temp").ok());
  view.onAddFolder = [](AddFolderController& c) {
    c.ModeChosen(FolderEntryMode::Folders);
    c.FolderEdited("C:\\Temp");
    c.DeletingModeChosen(FolderDeletingMode::DeleteByMask);
    c.MaskEdited("*.tmp");
    return false;  // cancelled
  };
  editor->AddFileFolderClicked();
  EXPECT_TRUE(view.rows.empty());
  EXPECT_EQ(view.okEnabled, false);

  view.onAddFolder = [f = view.onAddFolder](AddFolderController& c) {
    f(c);
    return true;
  };
  editor->AddFileFolderClicked();
  view.onAddRegistry = [](AddRegistryController& c) {
    c.KeyEdited("HKEY_LOCAL_MACHINE\\Software\\Foo");
    c.KindChosen(RegistryEntryKind::DeleteValue);
    c.ValueNameEdited("Bar");
    return true;
  };
  editor->AddRegistryClicked();
  EXPECT_EQ(view.Texts(),
            (std::vector<std::string>{"C:\\Temp,*.tmp", "HKEY_LOCAL_MACHINE\\Software\\Foo,Bar"}));
  EXPECT_EQ(view.okEnabled, true);
  EXPECT_EQ(view.addFolderRuns, 2);
  EXPECT_EQ(view.addRegistryRuns, 1);
  // A new registry dialog starts empty.
  EXPECT_EQ(view.shownRegistry.key, "");
  EXPECT_EQ(view.shownRegistry.kind, RegistryEntryKind::DeleteKey);
}

TEST_F(CustomListEditorTest, EditIsOfferedForRegistryRowsOnlyAndOpensTheRowsForm) {
  WriteList(
      "[<New List>]\r\n"
      "DelRegValue1=HKEY_CURRENT_USER\\Software\\Key\r\n"
      "DelRegValue2=hkey_users\\.DEFAULT\\Software\\Values,\r\n"
      "DelRegValue3=HKEY_CLASSES_ROOT\\Foo,Name,With,Commas\r\n"
      "DelFile1=C:\\Folder,file.txt\r\n"
      "DelFile2=%windir%\\HKEY_Temp\r\n");
  Open();

  struct Case {
    std::size_t row;
    std::string key;
    RegistryEntryKind kind;
    std::string valueName;
    bool valueNameEnabled;
  };
  const Case cases[] = {
      {0, "HKEY_CURRENT_USER\\Software\\Key", RegistryEntryKind::DeleteKey, "", false},
      {1, "hkey_users\\.DEFAULT\\Software\\Values", RegistryEntryKind::DeleteValuesUnderKey, "",
       false},
      {2, "HKEY_CLASSES_ROOT\\Foo", RegistryEntryKind::DeleteValue, "Name,With,Commas", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.row);
    editor->SelectionChanged(c.row);
    EXPECT_EQ(view.editEnabled, true);
    EXPECT_EQ(view.removeEnabled, true);
    view.onAddRegistry = [](AddRegistryController&) { return false; };
    editor->EditClicked();
    EXPECT_EQ(view.shownRegistry.key, c.key);
    EXPECT_EQ(view.shownRegistry.kind, c.kind);
    EXPECT_EQ(view.shownRegistry.valueName, c.valueName);
    EXPECT_EQ(view.shownRegistry.valueNameEnabled, c.valueNameEnabled);
    EXPECT_EQ(view.shownRegistry.okEnabled, true);
  }
  // Cancelled edits change nothing.
  EXPECT_EQ(editor->Rows()[2], "HKEY_CLASSES_ROOT\\Foo,Name,With,Commas");

  const int runs = view.addRegistryRuns;
  for (std::size_t fileRow : {3u, 4u}) {
    editor->SelectionChanged(fileRow);
    EXPECT_EQ(view.editEnabled, false);
    EXPECT_EQ(view.removeEnabled, true);
    editor->EditClicked();
  }
  editor->SelectionChanged(std::nullopt);
  EXPECT_EQ(view.editEnabled, false);
  EXPECT_EQ(view.removeEnabled, false);
  editor->EditClicked();
  EXPECT_EQ(view.addRegistryRuns, runs);
}

TEST_F(CustomListEditorTest, AnEditAcceptedWithOkReplacesTheRowInPlace) {
  WriteList(
      "[<New List>]\r\nDelFile1=C:\\A\r\nDelRegValue1=HKEY_CURRENT_USER\\Software\\Key\r\n"
      "DelFile2=C:\\B\r\n");
  Open();
  editor->SelectionChanged(1);
  view.onAddRegistry = [](AddRegistryController& c) {
    c.KindChosen(RegistryEntryKind::DeleteValuesUnderKey);
    return true;
  };
  editor->EditClicked();
  EXPECT_EQ(view.Texts(),
            (std::vector<std::string>{"C:\\A", "HKEY_CURRENT_USER\\Software\\Key,", "C:\\B"}));

  // Turning the row into something that is not a key is refused by the
  // dialog's OK rule, so the row stays.
  view.onAddRegistry = [](AddRegistryController& c) {
    c.KeyEdited("Software\\Key");
    return true;
  };
  editor->EditClicked();
  EXPECT_EQ(editor->Rows()[1], "HKEY_CURRENT_USER\\Software\\Key,");

  view.onAddRegistry = [](AddRegistryController& c) {
    c.KeyEdited("HKEY_USERS\\S-1-5-18\\Software\\Key");
    c.KindChosen(RegistryEntryKind::DeleteValue);
    c.ValueNameEdited("Last");
    return true;
  };
  editor->EditClicked();
  EXPECT_EQ(editor->Rows()[1], "HKEY_USERS\\S-1-5-18\\Software\\Key,Last");
  EXPECT_EQ(view.Texts(), editor->Rows());
  EXPECT_TRUE(editor->OkClicked());
  EXPECT_NE(ListText().find("DelFile1=C:\\A\r\nDelRegValue1=HKEY_USERS\\S-1-5-18\\Software\\Key,"
                            "Last\r\nDelFile2=C:\\B\r\n"),
            std::string::npos);
}

TEST_F(CustomListEditorTest, RemovingSelectsTheRowNowAtTheSamePlaceOrTheNewLastRow) {
  WriteList("[<New List>]\r\nDelFile1=C:\\1\r\nDelFile2=C:\\2\r\nDelFile3=C:\\3\r\n");
  Open();
  editor->RemoveClicked();  // nothing selected
  EXPECT_EQ(editor->Rows().size(), 3u);

  editor->SelectionChanged(1);
  editor->RemoveClicked();
  EXPECT_EQ(view.Texts(), (std::vector<std::string>{"C:\\1", "C:\\3"}));
  EXPECT_EQ(view.selected, 1u);
  EXPECT_EQ(editor->Selected(), 1u);
  EXPECT_EQ(view.focusGiven, 1);

  editor->RemoveClicked();  // the last row: the new last row is selected
  EXPECT_EQ(view.Texts(), std::vector<std::string>{"C:\\1"});
  EXPECT_EQ(view.selected, 0u);
  EXPECT_EQ(view.removeEnabled, true);
  EXPECT_EQ(view.okEnabled, true);

  editor->RemoveClicked();
  EXPECT_TRUE(view.rows.empty());
  EXPECT_FALSE(editor->Selected().has_value());
  EXPECT_EQ(view.removeEnabled, false);
  EXPECT_EQ(view.editEnabled, false);
  EXPECT_EQ(view.okEnabled, false);
  EXPECT_EQ(view.focusGiven, 2);

  editor->SelectionChanged(5);  // a stale index from the list is ignored
  EXPECT_EQ(view.removeEnabled, false);
}

TEST_F(CustomListEditorTest, SelectAllAndNoneTickEveryRowWithoutStoringTheMarks) {
  WriteList("[<New List>]\r\nDelFile1=C:\\1\r\nDelRegValue1=HKEY_USERS\\X\r\n");
  Open();
  editor->SelectAll();
  EXPECT_TRUE(view.rows[0].checked && view.rows[1].checked);
  editor->SelectNone();
  EXPECT_FALSE(view.rows[0].checked || view.rows[1].checked);
  editor->SelectAll();
  EXPECT_TRUE(editor->OkClicked());
  EXPECT_EQ(ListText(), "[<New List>]\r\nDelFile1=C:\\1\r\nDelRegValue1=HKEY_USERS\\X\r\n");
}

// ---- "Add File and Folder" -------------------------------------------------

class AddFolderTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim.writeFile("C:\\Data\\b.log", "1"));
    ASSERT_TRUE(sim.writeFile("C:\\Data\\a.txt", "22"));
    ASSERT_TRUE(sim.writeFile("C:\\Data\\Sub\\inner.txt", "333"));
    ASSERT_TRUE(sim.files().createFolders("C:\\Empty").ok());
    controller.Show(view);
  }

  sim::SimPlatform sim;
  AddFolderController controller{sim.files()};
  RecordingFolderView view;
};

TEST_F(AddFolderTest, StartsAsSingleFileWithTheFileGroupAndOkDisabled) {
  EXPECT_EQ(view.mode, FolderEntryMode::SingleFile);
  EXPECT_EQ(view.fileGroupShown, true);
  EXPECT_EQ(view.folder, "");
  EXPECT_TRUE(view.files.empty());
  EXPECT_EQ(view.deletingMode, FolderDeletingMode::DeleteFolder);
  EXPECT_EQ(view.mask, "*.");
  EXPECT_EQ(view.maskEnabled, false);
  EXPECT_EQ(view.okEnabled, false);
}

TEST_F(AddFolderTest, TheFileListHoldsTheFilesOfAnExistingFolderOnly) {
  controller.FolderEdited("C:\\Data");
  std::vector<std::string> names = view.files;
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"a.txt", "b.log"}));
  EXPECT_EQ(view.okEnabled, false);

  const auto b = std::find(view.files.begin(), view.files.end(), "b.log") - view.files.begin();
  controller.FileSelected(static_cast<std::size_t>(b));
  EXPECT_EQ(view.okEnabled, true);
  EXPECT_EQ(controller.EntryText(), "C:\\Data,b.log");

  // Typing on to a folder that does not exist empties the list.
  controller.FolderEdited("C:\\Data\\Nope");
  EXPECT_TRUE(view.files.empty());
  EXPECT_EQ(view.okEnabled, false);
  controller.FileSelected(0);
  EXPECT_EQ(view.okEnabled, false);

  controller.FolderEdited("C:\\Empty");
  EXPECT_TRUE(view.files.empty());
  controller.FileSelected(std::nullopt);
  EXPECT_EQ(view.okEnabled, false);

  // A folder that cannot be listed gives an empty list, no error.
  sim.faults().failOnce(sim::PortMethod::FilesList, 1, Errc::AccessDenied);
  controller.FolderEdited("C:\\Data");
  EXPECT_TRUE(view.files.empty());
}

TEST_F(AddFolderTest, FolderModeOffersDeletingTheFolderOrFilesByMask) {
  controller.FolderEdited("C:\\Data");
  controller.ModeChosen(FolderEntryMode::Folders);
  EXPECT_EQ(view.fileGroupShown, false);
  EXPECT_EQ(view.okEnabled, true);
  EXPECT_EQ(controller.EntryText(), "C:\\Data");

  controller.DeletingModeChosen(FolderDeletingMode::DeleteByMask);
  EXPECT_EQ(view.maskEnabled, true);
  EXPECT_EQ(view.okEnabled, false);  // "*." is too short
  controller.MaskEdited("*.t");
  EXPECT_EQ(view.okEnabled, true);
  EXPECT_EQ(controller.EntryText(), "C:\\Data,*.t");
  controller.MaskEdited("ab");
  EXPECT_EQ(view.okEnabled, false);
  controller.MaskEdited("*.\xc3\xa9");  // three characters, four bytes
  EXPECT_EQ(view.okEnabled, true);

  controller.FolderEdited("C:\\Missing");
  EXPECT_EQ(view.okEnabled, false);
  controller.FolderEdited("C:\\Data");

  // Back to a single file: a file must be chosen again.
  controller.ModeChosen(FolderEntryMode::SingleFile);
  EXPECT_EQ(view.fileGroupShown, true);
  EXPECT_EQ(view.files.size(), 2u);
  EXPECT_EQ(view.okEnabled, false);
  controller.DeletingModeChosen(FolderDeletingMode::DeleteFolder);
  EXPECT_EQ(view.okEnabled, false);
}

TEST_F(AddFolderTest, TheFolderPickerFillsTheFolderAndListsIt) {
  view.browseAnswer = std::nullopt;
  controller.BrowseClicked();
  ASSERT_EQ(view.browseTitles, std::vector<std::string>{"Please select the directory to add"});
  EXPECT_EQ(view.browseInitial.back(), "");
  EXPECT_EQ(view.folder, "");

  view.browseAnswer = "C:\\Data";
  controller.BrowseClicked();
  EXPECT_EQ(view.folder, "C:\\Data");
  EXPECT_EQ(view.files.size(), 2u);

  // The picker opens at the folder typed, when it exists.
  controller.BrowseClicked();
  EXPECT_EQ(view.browseInitial.back(), "C:\\Data");
  controller.FolderEdited("C:\\Gone");
  view.browseAnswer = std::nullopt;
  controller.BrowseClicked();
  EXPECT_EQ(view.browseInitial.back(), "");
  EXPECT_EQ(controller.Folder(), "C:\\Gone");
}

TEST_F(AddFolderTest, NonAsciiAndVeryLongFolderNames) {
  const std::string accented = "C:\\Donn\xc3\xa9\x65s \xe6\x97\xa5\xe6\x9c\xac";
  ASSERT_TRUE(sim.writeFile(accented + "\\\xc3\xbc.txt", "x"));
  controller.FolderEdited(accented);
  ASSERT_EQ(view.files, std::vector<std::string>{"\xc3\xbc.txt"});
  controller.FileSelected(0);
  EXPECT_EQ(controller.EntryText(), accented + ",\xc3\xbc.txt");

  controller.FolderEdited("C:\\" + std::string(40000, 'y'));
  EXPECT_TRUE(view.files.empty());
  EXPECT_EQ(view.okEnabled, false);
  controller.FolderEdited(std::string(3, '\0'));
  EXPECT_EQ(view.okEnabled, false);
}

// ---- "Add Registry" --------------------------------------------------------

class AddRegistryTest : public testing::Test {
 protected:
  void SetUp() override { controller.Show(view); }

  sim::SimPlatform sim;
  AddRegistryController controller{sim.shell()};
  RecordingRegistryView view;
};

TEST_F(AddRegistryTest, StartsEmptyAsDeleteKeyWithOkDisabled) {
  EXPECT_EQ(view.key, "");
  EXPECT_EQ(view.valueName, "");
  EXPECT_EQ(view.kind, RegistryEntryKind::DeleteKey);
  EXPECT_EQ(view.valueNameEnabled, false);
  EXPECT_EQ(view.okEnabled, false);
}

TEST_F(AddRegistryTest, OkNeedsAnHkeyNameAndForOneValueItsName) {
  controller.KeyEdited("Software\\Microsoft");
  EXPECT_EQ(view.okEnabled, false);
  controller.KeyEdited("My hkey_current_user key");  // "HKEY_" anywhere, any case
  EXPECT_EQ(view.okEnabled, true);
  controller.KeyEdited("HKEY");
  EXPECT_EQ(view.okEnabled, false);
  controller.KeyEdited("HKEY_CURRENT_USER\\Software\\Foo");
  EXPECT_EQ(view.okEnabled, true);
  EXPECT_EQ(controller.EntryText(), "HKEY_CURRENT_USER\\Software\\Foo");

  controller.KindChosen(RegistryEntryKind::DeleteValuesUnderKey);
  EXPECT_EQ(view.okEnabled, true);
  EXPECT_EQ(view.valueNameEnabled, false);
  EXPECT_EQ(controller.EntryText(), "HKEY_CURRENT_USER\\Software\\Foo,");

  controller.KindChosen(RegistryEntryKind::DeleteValue);
  EXPECT_EQ(view.valueNameEnabled, true);
  EXPECT_EQ(view.okEnabled, false);
  controller.ValueNameEdited("Recent \xc3\xa9");
  EXPECT_EQ(view.okEnabled, true);
  EXPECT_EQ(controller.EntryText(), "HKEY_CURRENT_USER\\Software\\Foo,Recent \xc3\xa9");
  EXPECT_TRUE(controller.OkClicked());

  // A value name typed earlier does not go into a key entry.
  controller.KindChosen(RegistryEntryKind::DeleteKey);
  EXPECT_EQ(view.valueNameEnabled, false);
  EXPECT_EQ(controller.EntryText(), "HKEY_CURRENT_USER\\Software\\Foo");

  const std::string longKey = "HKEY_CURRENT_USER\\" + std::string(100000, 'k');
  controller.KeyEdited(longKey);
  EXPECT_EQ(controller.EntryText(), longKey);
}

TEST_F(AddRegistryTest, RunRegistryEditorOpensRegeditWithTheOpenVerb) {
  controller.RunRegistryEditorClicked();
  EXPECT_EQ(sim.shell().openedDocuments(), std::vector<std::string>{"Regedit.exe"});
  sim.shell().faults().failOnce(sim::PortMethod::ShellOpenDocument, 1, Errc::NotFound);
  controller.RunRegistryEditorClicked();  // a failure is the system's to report
  EXPECT_EQ(sim.shell().openedDocuments().size(), 1u);
}

}  // namespace
}  // namespace nc::cleaner
