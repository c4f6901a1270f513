// The main window: title area, page buttons and the four pages. The
// rules live in app::MainController; this class only shows.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>

#include "app/main_controller.h"
#include "app/main_view.h"
#include "platform/win32/win_platform.h"
#include "ui/win32/cleaner_page.h"
#include "ui/win32/list_view.h"
#include "ui/win32/registry_page.h"
#include "ui/win32/startup_list.h"
#include "ui/win32/tray.h"
#include "ui/win32/window.h"

namespace nc::ui {

// Control identifiers: page buttons use their tag, pages 1000 + tag.
inline constexpr int kPageIdBase = 1000;
inline constexpr int kIdHiveList = 2101;
inline constexpr int kIdAnalyzeRegistry = 2102;
inline constexpr int kIdDefragRegistry = 2103;
inline constexpr int kIdBackupFullRegistry = 2301;
inline constexpr int kIdWindowsBackup = 2302;
inline constexpr int kIdIndexDatViewer = 2303;
inline constexpr int kIdMoreHelp = 3001;
inline constexpr int kIdMoreHome = 3002;
inline constexpr int kIdMoreUpdate = 3003;
inline constexpr int kIdMoreAbout = 3004;
// The problem list's menu: this base + the command's place in the menu.
inline constexpr int kIdResultsMenuBase = 3100;

// A page: a group box whose controls are its children. Commands and
// notifications of those controls go on to the main window.
class Page : public Window {
 public:
  bool Create(HWND parent, int id, const std::wstring& caption, HFONT font);

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void Paint(HDC dc);
  std::wstring caption_;
  HFONT font_ = nullptr;
};

class MainWindow : public Window,
                   public app::MainView,
                   public app::DesktopView,
                   public platform::MessageTarget,
                   public platform::UiThread {
 public:
  explicit MainWindow(win32::WinPlatform& ports);
  ~MainWindow() override;

  // Creates the window with its design client size, centred.
  bool Create();
  app::MainController& controller() { return controller_; }

  // platform::MessageTarget: posts to this window.
  bool post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;
  // platform::UiThread: steps of workers run on this window's thread.
  void invoke(const std::function<void()>& step) override;
  void waitPumping(const std::function<bool()>& done) override;

  // app::MainFrameView
  void SetCaption(std::string_view caption) override;
  void SetTitle(std::string_view title, std::string_view subtitle) override;
  void SetPageVisible(int tag, bool visible) override;
  void SetPageButtonHighlighted(int tag, bool highlighted) override;
  app::WindowMetrics Metrics() const override;
  app::WindowPlacement Placement() const override;
  std::vector<app::ScreenRect> MonitorWorkAreas() const override;
  void SetBounds(int left, int top, int width, int height) override;
  void Maximize() override;
  void Layout() override;
  void ShowAbout() override;
  void ShowMoreMenu() override;
  void HideAll() override;
  void Destroy() override;

  // app::CleanerPageView
  void ShowCleanTree(const cleaner::CleanTree& tree) override;
  void RefreshCleanTreeMarks(const cleaner::CleanTree& tree) override;
  cleaner::CleanLog& Log() override;
  void ClearLog() override;
  std::vector<std::string> LogLines() const override;
  void SetLogLinesVisible(bool visible) override;
  void SetLogDoubleBuffered(bool on) override;
  void FitLogToLines() override;
  void ShowCleanBar(const app::ProgressBarState& bar) override;
  void SetFastMode(bool checked) override;
  void SetTestCaption(std::string_view caption) override;
  void SetAnimationTimer(bool on) override;
  bool ConfirmClean(const std::function<void(bool)>& dontShowAgain) override;
  void EndWorkerQuestion() override;
  std::string AskSaveLogPath() override;
  void OpenCustomListEditor() override;

  // app::RegistryPageView
  void ShowSectionTree(const registry::SectionTree& tree) override;
  void RefreshSectionTreeMarks(const registry::SectionTree& tree) override;
  registry::ResultsView& ProblemList() override;
  void AutoSizeProblemColumns() override;
  void SetScanTitle(std::string_view text) override;
  void SetKeyLine(std::string_view text) override;
  void SetKeyLineVisible(bool visible) override;
  void SetScanCaption(std::string_view caption) override;
  void SetRegistryStatus(std::string_view text) override;
  void ShowRegistryBar(const app::ProgressBarState& bar) override;
  bool MakeRestorePoint(platform::Prompts& prompts) override;
  void ShowRestoreDialog() override;
  std::vector<std::size_t> SelectedProblemRows() const override;
  registry::SaveFileAsker SaveFileAsker() override;
  void OpenInRegistryEditor(const registry::ProblemEntry& row) override;

  // app::ToolsPageView
  void SetWindowsBackupVisible(bool visible) override;
  void BackupFullRegistry() override;

  // app::DefragPageView
  void SetAnalyzeEnabled(bool enabled) override;
  void ClearDefragSizeLabels() override;
  void AddHiveListLine(std::string_view text) override;
  app::DefragLabels DefragLabelTexts() const override;
  void SetDefragEnabled(bool enabled) override;
  void SetHiveRow(std::size_t row, const registry::HiveSizeRow& sizes) override;
  void SetDefragSizeLabels(const app::DefragLabels& labels) override;
  bool RunHiveAnalysis(const app::HiveAnalysis& analysis) override;

  // app::DesktopView
  platform::WindowId MainWindowId() const override;
  void SetAutoCleanTimer(bool on, std::uint32_t intervalMs) override;
  bool AddTrayIcon() override;
  void RemoveTrayIcon() override;
  void HideInTray() override;
  void MinimizeOnTaskbar() override;
  void ShowRestored() override;

  bool trayIconShown() const { return tray_.shown(); }

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnCommand(int id, int code, HWND control) override;
  LRESULT OnNotify(const NMHDR& header) override;
  bool OnDrawItem(const DRAWITEMSTRUCT& item) override;

 private:
  void CreateControls();
  void OnShown();
  // A click in the window's own area.
  void OnClick(POINT at);
  // Shows the menu of `control`; false when it has none.
  bool OnContextMenu(HWND control, LPARAM at);
  void OnTimer(UINT_PTR id);
  // Options page button: the options dialog, modal.
  void OpenOptions();
  // Minimise (to the tray, or the taskbar without one); false for the
  // system commands the default handling takes.
  bool OnSysCommand(WPARAM command, LPARAM lParam);
  void OnTrayIcon(LPARAM mouseMessage);
  void AllowTaskbarCreated();
  bool OnResultsMenuCommand(int id);
  LRESULT OnSectionTreeNotify(const NMHDR& header);
  LRESULT OnProblemListNotify(const NMHDR& header);
  LRESULT OnCleanTreeNotify(const NMHDR& header);
  void ShowLogMenu(LPARAM at);
  void ShowResultsMenu(LPARAM at);
  void Paint();
  void PaintTitle(HDC dc);
  void DrawPageButton(const DRAWITEMSTRUCT& item);
  RECT UpdateLinkRect() const;

  win32::WinPlatform& ports_;
  platform::Platform platform_;
  // Declared before the controller, which uses it until it is destroyed.
  mutable CleanerPage cleaner_;
  RegistryPage registry_;
  app::MainController controller_;
  std::map<int, std::unique_ptr<Page>> pages_;
  std::map<int, HWND> pageButtons_;
  std::map<int, bool> highlighted_;
  ListView hiveList_;
  HWND backupFullRegistry_ = nullptr;
  HWND windowsBackup_ = nullptr;
  StartupList startup_;  // the startup manager on the Tools page
  HWND indexDatViewer_ = nullptr;
  HWND toolsTips_ = nullptr;  // the hints of the Tools page
  std::map<int, HWND> defragValues_;
  HWND analyzeRegistry_ = nullptr;
  HWND defragRegistry_ = nullptr;
  HFONT uiFont_ = nullptr;
  HFONT titleFont_ = nullptr;
  HFONT subtitleFont_ = nullptr;
  HFONT buttonFont_ = nullptr;
  std::wstring title_;
  std::wstring subtitle_;
  bool firstShown_ = false;
  bool windowsBackupVisible_ = true;
  bool analyzeEnabled_ = true;
  TrayIcon tray_;
  // Sent to every top-level window when Explorer's taskbar starts.
  UINT taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
};

}  // namespace nc::ui
