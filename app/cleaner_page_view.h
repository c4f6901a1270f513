// What the main window's controller asks of the Cleaner page: the item
// tree, the log list, the progress bar, "Fast Mode" and "Test", and the
// dialogs opened from the page.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/progress_bar_state.h"
#include "cleaner/catalogue.h"
#include "cleaner/clean_log.h"

namespace nc::app {

class CleanerPageView {
 public:
  virtual ~CleanerPageView() = default;

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
  virtual void SetFastMode(bool checked) = 0;
  virtual void SetTestCaption(std::string_view caption) = 0;
  // The timer that drives the page while a run goes on.
  virtual void SetAnimationTimer(bool on) = 0;
  // The "Run Cleaner" confirmation; `dontShowAgain` is called with the
  // box's state at each click. True for OK.
  virtual bool ConfirmClean(const std::function<void(bool)>& dontShowAgain) = 0;
  // Answers the message box of a clean worker's question (or notice), open
  // over the window, with No (or OK), as the user would.
  virtual void EndWorkerQuestion() = 0;
  // The file the log is saved to; "" when the dialog was cancelled.
  virtual std::string AskSaveLogPath() = 0;
  virtual void OpenCustomListEditor() = 0;
};

}  // namespace nc::app
