// A main window view that records what the controller shows, for tests
// of the controller.
#pragma once

#include <array>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "app/main_view.h"
#include "hive_progress_runner.h"
#include "registry/restore_point.h"

namespace nc::test {

// The log list: lines arrive from the clean worker's thread.
class RecordingLog : public cleaner::CleanLog {
 public:
  RecordingLog() = default;
  RecordingLog& operator=(RecordingLog&& other) noexcept {
    auto taken = other.Lines();
    std::lock_guard lock(mutex);
    lines = std::move(taken);
    return *this;
  }

  void AddLine(std::string_view line) override {
    std::lock_guard lock(mutex);
    lines.emplace_back(line);
  }
  void ScrollToEnd() override {}
  std::vector<std::string> Lines() const {
    std::lock_guard lock(mutex);
    return lines;
  }
  void Clear() {
    std::lock_guard lock(mutex);
    lines.clear();
  }

 private:
  mutable std::mutex mutex;
  std::vector<std::string> lines;
};

// The problem list: the rows it was told of.
class RecordingProblemList : public registry::ResultsView {
 public:
  void RowsCleared() override { rows.clear(); }
  void RowAppended(const registry::ProblemEntry& entry) override { rows.push_back(entry); }
  void RowRemoved(std::size_t index) override {
    if (index < rows.size()) rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(index));
  }
  void RowTickChanged(std::size_t index, bool ticked) override {
    if (index < rows.size()) rows[index].Ticked = ticked;
  }
  std::vector<registry::ProblemEntry> rows;
};

// The main window, one section per view it is made of.
class RecordingView : public app::MainView {
 public:
  // app::MainFrameView
  void SetCaption(std::string_view c) override { caption = c; }
  void SetTitle(std::string_view t, std::string_view s) override {
    title = t;
    subtitle = s;
  }
  void SetPageVisible(int tag, bool visible) override { pageVisible[tag] = visible; }
  void SetPageButtonHighlighted(int tag, bool h) override { highlighted[tag] = h; }
  app::WindowMetrics Metrics() const override { return {1024, 768, 713, 494}; }
  app::WindowPlacement Placement() const override { return placement; }
  std::vector<app::ScreenRect> MonitorWorkAreas() const override { return workAreas; }
  void SetBounds(int l, int t, int w, int h) override { bounds = {l, t, w, h}; }
  void Maximize() override { ++maximized; }
  void Layout() override { ++layouts; }
  void ShowAbout() override { ++abouts; }
  void ShowMoreMenu() override { ++moreMenus; }
  void HideAll() override { hidden = true; }
  void Destroy() override { ++destroyed; }

  std::string caption, title, subtitle;
  std::map<int, bool> pageVisible, highlighted;
  bool hidden = false;
  app::WindowPlacement placement{1, 100, 50, 713, 494};
  std::vector<app::ScreenRect> workAreas{{0, 0, 1024, 768}};
  std::array<int, 4> bounds{-1, -1, -1, -1};
  int maximized = 0, layouts = 0, abouts = 0, moreMenus = 0, destroyed = 0;

  // app::CleanerPageView
  void ShowCleanTree(const cleaner::CleanTree&) override { ++treeShows; }
  void RefreshCleanTreeMarks(const cleaner::CleanTree&) override { ++markRefreshes; }
  cleaner::CleanLog& Log() override { return log; }
  void ClearLog() override { log.Clear(); }
  std::vector<std::string> LogLines() const override { return log.Lines(); }
  void SetLogLinesVisible(bool visible) override { logVisible = visible; }
  void SetLogDoubleBuffered(bool on) override { doubleBuffered = on; }
  void FitLogToLines() override { ++fits; }
  void ShowCleanBar(const app::ProgressBarState& bar) override { cleanBars.push_back(bar); }
  void SetFastMode(bool checked) override { fastMode = checked; }
  void SetTestCaption(std::string_view text) override { testCaption = text; }
  void SetAnimationTimer(bool on) override { timer = on; }
  bool ConfirmClean(const std::function<void(bool)>& dontShowAgain) override {
    ++confirmations;
    if (whileConfirming) whileConfirming();
    if (tickDontShowAgain) dontShowAgain(true);
    return confirmAnswer;
  }
  void EndWorkerQuestion() override { ++questionsEnded; }
  std::string AskSaveLogPath() override { return savePath; }
  void OpenCustomListEditor() override { ++editorOpens; }

  RecordingLog log;
  int treeShows = 0, markRefreshes = 0, fits = 0, confirmations = 0, editorOpens = 0;
  int questionsEnded = 0;
  bool logVisible = true, doubleBuffered = false, timer = false, fastMode = false;
  bool confirmAnswer = true, tickDontShowAgain = false;
  std::function<void()> whileConfirming;  // what happens while the box is open
  std::vector<app::ProgressBarState> cleanBars;
  std::string testCaption = "Test", savePath;

  // app::RegistryPageView
  void ShowSectionTree(const registry::SectionTree&) override { ++sectionTreeShows; }
  void RefreshSectionTreeMarks(const registry::SectionTree&) override { ++sectionMarkRefreshes; }
  registry::ResultsView& ProblemList() override { return problems; }
  void AutoSizeProblemColumns() override { ++columnFits; }
  void SetScanTitle(std::string_view text) override { scanTitle = text; }
  void SetKeyLine(std::string_view text) override { keyLine = text; }
  void SetKeyLineVisible(bool visible) override { keyLineVisible = visible; }
  void SetScanCaption(std::string_view text) override { scanCaption = text; }
  void SetRegistryStatus(std::string_view text) override { registryStatus = text; }
  void ShowRegistryBar(const app::ProgressBarState& bar) override { registryBars.push_back(bar); }
  // A point that fails asks its question as the dialog does.
  bool MakeRestorePoint(platform::Prompts& prompts) override {
    ++restorePoints;
    if (restorePointFails) return prompts.confirm(registry::kRestorePointFailedQuestion);
    return restorePointGoesOn;
  }
  void ShowRestoreDialog() override { ++restoreDialogs; }
  std::vector<std::size_t> SelectedProblemRows() const override { return selectedRows; }
  registry::SaveFileAsker SaveFileAsker() override {
    return [this](const registry::SaveFileRequest&) -> std::optional<std::string> {
      if (reportPath.empty()) return std::nullopt;
      return reportPath;
    };
  }
  void OpenInRegistryEditor(const registry::ProblemEntry& row) override {
    openedInEditor.push_back(row);
  }

  RecordingProblemList problems;
  int sectionTreeShows = 0, sectionMarkRefreshes = 0, columnFits = 0;
  std::string scanTitle, keyLine, scanCaption = "Scan", registryStatus = "unset";
  bool keyLineVisible = false;
  std::vector<app::ProgressBarState> registryBars;
  int restorePoints = 0, restoreDialogs = 0;
  bool restorePointGoesOn = true;
  bool restorePointFails = false;
  std::vector<std::size_t> selectedRows;
  std::string reportPath;
  std::vector<registry::ProblemEntry> openedInEditor;

  // app::ToolsPageView
  void SetWindowsBackupVisible(bool visible) override { windowsBackupVisible = visible; }
  void BackupFullRegistry() override { ++fullBackups; }

  bool windowsBackupVisible = true;
  int fullBackups = 0;

  // app::DefragPageView
  void SetAnalyzeEnabled(bool enabled) override { analyzeEnabled = enabled; }
  void ClearDefragSizeLabels() override { labels = {}; }
  void AddHiveListLine(std::string_view text) override { hiveLines.emplace_back(text); }
  app::DefragLabels DefragLabelTexts() const override { return labels; }
  void SetDefragEnabled(bool enabled) override { defragEnabled = enabled; }
  void SetHiveRow(std::size_t row, const registry::HiveSizeRow& sizes) override {
    hiveRows[row] = sizes;
  }
  void SetDefragSizeLabels(const app::DefragLabels& texts) override { labels = texts; }
  bool RunHiveAnalysis(const app::HiveAnalysis& analysis) override {
    ++analyses;
    return RunHiveProgress(analysis, onProgressPump);
  }

  bool analyzeEnabled = true;
  bool defragEnabled = false;
  app::DefragLabels labels;
  std::vector<std::string> hiveLines;
  std::map<std::size_t, registry::HiveSizeRow> hiveRows;
  int analyses = 0;
  std::function<void(app::HiveProgressDialog&, RecordingProgressView&)> onProgressPump;
};

}  // namespace nc::test
