// What the main window's controller asks of the window. The Win32 window
// implements it with real controls; tests implement it with a recorder.
#pragma once

#include <string>
#include <string_view>

#include <functional>
#include <vector>

#include "app/options.h"
#include "cleaner/catalogue.h"
#include "cleaner/clean_log.h"
#include "registry/results_commands.h"
#include "registry/results_model.h"
#include "registry/section_tree.h"

namespace nc::app {

// Tags that pair the page buttons with their pages.
enum PageTag : int {
  kTagCleaner = 17,
  kTagRegistry = 18,
  kTagTools = 19,
  kTagOptions = 20,
  kTagDefrag = 21,
  kTagMore = 22,
};

// What a progress bar shows: its position (0..1000) and a caption, which
// is the percentage when `text` is empty.
struct ProgressBarState {
  bool visible = false;
  int position = 0;
  bool captionShown = false;
  std::string text;

  // The caption as drawn: the text, or the percentage.
  std::string Caption() const { return text.empty() ? std::to_string(position / 10) + "%" : text; }
  // Any change of the position replaces a text caption by the percentage.
  void SetPosition(int value) {
    position = value;
    text.clear();
  }
};

// The four value labels of the Defrag page.
struct DefragLabels {
  std::string currentSize;
  std::string newSize;
  std::string sizeReduction;
  std::string compactPercent;
};

class MainView {
 public:
  virtual ~MainView() = default;

  virtual void SetCaption(std::string_view caption) = 0;
  virtual void SetTitle(std::string_view title, std::string_view subtitle) = 0;
  // Pages are group boxes paired with a button tag.
  virtual void SetPageVisible(int tag, bool visible) = 0;
  virtual void SetPageButtonHighlighted(int tag, bool highlighted) = 0;

  virtual void SetFastMode(bool checked) = 0;
  virtual void SetRegistryStatus(std::string_view text) = 0;
  virtual void SetWindowsBackupVisible(bool visible) = 0;
  virtual void SetAnalyzeEnabled(bool enabled) = 0;
  virtual void ClearDefragSizeLabels() = 0;
  virtual void AddHiveListLine(std::string_view text) = 0;
  virtual DefragLabels DefragLabelTexts() const = 0;

  virtual WindowMetrics Metrics() const = 0;
  virtual WindowPlacement Placement() const = 0;
  virtual void SetBounds(int left, int top, int width, int height) = 0;
  virtual void Maximize() = 0;
  // Lays the controls out for the current size.
  virtual void Layout() = 0;

  // Cleaner page.
  virtual void ShowCleanTree(const cleaner::CleanTree& tree) = 0;
  virtual void RefreshCleanTreeMarks(const cleaner::CleanTree& tree) = 0;
  // The log list as the clean worker writes it.
  virtual cleaner::CleanLog& Log() = 0;
  virtual void ClearLog() = 0;
  virtual std::vector<std::string> LogLines() const = 0;
  // Lines are drawn in the list's background colour while hidden.
  virtual void SetLogLinesVisible(bool visible) = 0;
  virtual void SetLogDoubleBuffered(bool on) = 0;
  // Horizontal extent to the widest line + 10 pixels, then to the end.
  virtual void FitLogToLines() = 0;
  virtual void ShowCleanBar(const ProgressBarState& bar) = 0;
  virtual void ShowRegistryBar(const ProgressBarState& bar) = 0;
  virtual void SetTestCaption(std::string_view caption) = 0;
  virtual void SetAnimationTimer(bool on) = 0;
  // The "Run Cleaner" confirmation; `dontShowAgain` is called with the
  // box's state at each click. True for OK.
  virtual bool ConfirmClean(const std::function<void(bool)>& dontShowAgain) = 0;
  // The file the log is saved to; "" when the dialog was cancelled.
  virtual std::string AskSaveLogPath() = 0;
  virtual void OpenCustomListEditor() = 0;

  // Registry page.
  virtual void ShowSectionTree(const registry::SectionTree& tree) = 0;
  virtual void RefreshSectionTreeMarks(const registry::SectionTree& tree) = 0;
  // The problem list as the results model updates it.
  virtual registry::ResultsView& ProblemList() = 0;
  virtual void AutoSizeProblemColumns() = 0;
  virtual void SetScanTitle(std::string_view text) = 0;  // lScanTitle
  virtual void SetKeyLine(std::string_view text) = 0;    // Memo1
  // The key line and "Restore" share their place: one of them is shown.
  virtual void SetKeyLineVisible(bool visible) = 0;
  virtual void SetScanCaption(std::string_view caption) = 0;
  // The restore point dialog before a repair; false when the user chose
  // not to go on.
  virtual bool MakeRestorePoint() = 0;
  // The restore dialog of the backups.
  virtual void ShowRestoreDialog() = 0;
  // "Backup Full Registry...": the whole registry into a file the user
  // picks, with the wait dialog while the editor writes it.
  virtual void BackupFullRegistry() = 0;
  // The rows highlighted in the problem list, in list order.
  virtual std::vector<std::size_t> SelectedProblemRows() const = 0;
  // The file "Save as &Text..." writes to; none when cancelled.
  virtual registry::SaveFileAsker SaveFileAsker() = 0;
  // Opens a row's location in the system's registry editor.
  virtual void OpenInRegistryEditor(const registry::ProblemEntry& row) = 0;

  virtual void ShowAbout() = 0;
  virtual void ShowMoreMenu() = 0;
  // Hides the main window and the taskbar button.
  virtual void HideAll() = 0;
  // Destroys the window; the message loop then ends.
  virtual void Destroy() = 0;
};

}  // namespace nc::app
