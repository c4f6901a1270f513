#include "ui/win32/main_window.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <array>
#include <string_view>

#include "app/main_layout.h"
#include "app/messages.h"
#include "platform/version_code.h"
#include "platform/win32/win_messaging.h"
#include "platform/win32/win_programs.h"
#include "ui/win32/about_box.h"
#include "ui/win32/ask_delete_dialog.h"
#include "ui/win32/custom_list_dialogs.h"
#include "ui/win32/defrag_progress_dialog.h"
#include "ui/win32/index_dat_viewer.h"
#include "ui/win32/options_dialog.h"
#include "ui/win32/registry_dialogs.h"
#include "ui/win32/restore_point_dialog.h"

namespace nc::ui {

namespace {

// Posted to itself once the window was first shown.
constexpr UINT kShownMessage = WM_APP + 0x130;

constexpr COLORREF kTitleColour = RGB(24, 72, 140);
constexpr COLORREF kButtonColour = RGB(36, 96, 172);
constexpr COLORREF kButtonHighlight = RGB(255, 255, 255);

struct PageSpec {
  int tag;
  const wchar_t* caption;
};
constexpr std::array<PageSpec, 4> kPages = {{{app::kTagCleaner, L"Cleaner Settings"},
                                             {app::kTagRegistry, L"Registry Cleaner"},
                                             {app::kTagTools, L"Tools"},
                                             {app::kTagDefrag, L"Registry Defrag"}}};

struct ButtonSpec {
  int tag;
  const wchar_t* caption;
};
// In the order they stand in the column.
constexpr std::array<ButtonSpec, 6> kButtons = {{{app::kTagCleaner, L"Cleaner"},
                                                 {app::kTagRegistry, L"Registry"},
                                                 {app::kTagDefrag, L"Defrag"},
                                                 {app::kTagTools, L"Tools"},
                                                 {app::kTagOptions, L"Options"},
                                                 {app::kTagMore, L"More"}}};

constexpr std::array<const wchar_t*, 4> kDefragTitles = {
    L"Current Registry Size:", L"New Registry Size:", L"Size Reduction:", L"Compact Percent:"};
constexpr std::array<const char*, 4> kHiveColumns = {"Hive Name", "Current Size", "New Size",
                                                     "Reduction"};

// The "More" menu, in its order.
struct MoreItem {
  int id;
  const wchar_t* caption;
  app::MoreCommand command;
};
constexpr std::array<MoreItem, 4> kMoreMenu = {
    {{kIdMoreHelp, L"Online &Help", app::MoreCommand::OnlineHelp},
     {kIdMoreHome, L"H&omepage", app::MoreCommand::Homepage},
     {kIdMoreUpdate, L"&Check for Update", app::MoreCommand::CheckForUpdate},
     {kIdMoreAbout, L"&About...", app::MoreCommand::About}}};
constexpr const wchar_t* kIndexDatViewerHint = L"Read the contents of your index.dat files";
constexpr int kDefragValueIdBase = 2110;
constexpr UINT_PTR kAnimationTimer = 1;
constexpr UINT_PTR kAutoCleanTimer = 3;
constexpr int kDefragTitleIdBase = 2120;

// Adds a monitor's work area to the list in `data`, the primary first.
BOOL CALLBACK CollectWorkArea(HMONITOR handle, HDC, LPRECT, LPARAM data) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (GetMonitorInfoW(handle, &monitor)) {
    auto& found = *reinterpret_cast<std::vector<app::ScreenRect>*>(data);
    const RECT& w = monitor.rcWork;
    const app::ScreenRect area{w.left, w.top, w.right - w.left, w.bottom - w.top};
    if ((monitor.dwFlags & MONITORINFOF_PRIMARY) != 0) {
      found.insert(found.begin(), area);
    } else {
      found.push_back(area);
    }
  }
  return TRUE;
}

// The message box of this thread that `owner` owns: a dialog with the
// text control message boxes give the identifier 0xFFFF.
struct OwnedMessageBox {
  HWND owner = nullptr;
  HWND box = nullptr;
};
BOOL CALLBACK FindOwnedMessageBox(HWND window, LPARAM data) {
  auto& search = *reinterpret_cast<OwnedMessageBox*>(data);
  wchar_t kind[16] = {};
  GetClassNameW(window, kind, 16);
  if (std::wstring_view(kind) == L"#32770" && GetWindow(window, GW_OWNER) == search.owner &&
      GetDlgItem(window, 0xFFFF) != nullptr) {
    search.box = window;
    return FALSE;
  }
  return TRUE;
}

void Place(HWND control, const app::Rect& r) {
  MoveWindow(control, r.left, r.top, r.width, r.height, TRUE);
}

}  // namespace

// ---- Page ---------------------------------------------------------------

bool Page::Create(HWND parent, int id, const std::wstring& caption, HFONT font) {
  caption_ = caption;
  font_ = font;
  return CreateWindowOfClass(L"NorvikCleanerPage", caption.c_str(), WS_CHILD | WS_CLIPCHILDREN, 0,
                             0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
}

void Page::Paint(HDC dc) {
  RECT r{};
  GetClientRect(hwnd(), &r);
  FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
  HGDIOBJ old = SelectObject(dc, font_);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  RECT frame = r;
  frame.top += metrics.tmHeight / 2;
  DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
  SIZE extent{};
  GetTextExtentPoint32W(dc, caption_.c_str(), static_cast<int>(caption_.size()), &extent);
  RECT text{8, 0, 8 + extent.cx + 6, metrics.tmHeight};
  FillRect(dc, &text, GetSysColorBrush(COLOR_BTNFACE));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  DrawTextW(dc, caption_.c_str(), -1, &text, DT_CENTER | DT_SINGLELINE | DT_TOP);
  SelectObject(dc, old);
}

LRESULT Page::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd(), &ps);
      Paint(dc);
      EndPaint(hwnd(), &ps);
      return 0;
    }
    case WM_SIZE:
      InvalidateRect(hwnd(), nullptr, TRUE);
      return 0;
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return SendMessageW(GetParent(hwnd()), message, wParam, lParam);
    default:
      return Window::HandleMessage(message, wParam, lParam);
  }
}

// ---- MainWindow ---------------------------------------------------------

MainWindow::MainWindow(win32::WinPlatform& ports)
    : ports_(ports), platform_(ports.bundle()), controller_({platform_, *this, *this}, *this) {
  controller_.AttachDesktop(this);
}

void MainWindow::invoke(const std::function<void()>& step) {
  win32::WindowUiThread(hwnd()).invoke(step);
}

void MainWindow::waitPumping(const std::function<bool()>& done) {
  win32::WindowUiThread(hwnd()).waitPumping(done);
}

bool MainWindow::post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
  return PostMessageW(hwnd(), message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam)) !=
         FALSE;
}

MainWindow::~MainWindow() {
  for (HFONT font : {uiFont_, titleFont_, subtitleFont_, buttonFont_}) {
    if (font != nullptr) DeleteObject(font);
  }
}

bool MainWindow::Create() {
  RECT frame{0, 0, app::kDesignClientWidth, app::kDesignClientHeight};
  const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  AdjustWindowRectEx(&frame, style, FALSE, 0);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
  return CreateWindowOfClass(Wide(app::kWindowClassName).c_str(), L"", style, 0, x, y, width,
                             height, nullptr, nullptr, icon);
}

void MainWindow::CreateControls() {
  uiFont_ = MakeFont(12, FW_NORMAL);
  titleFont_ = MakeFont(24, FW_BOLD);
  subtitleFont_ = MakeFont(13, FW_NORMAL);
  buttonFont_ = MakeFont(14, FW_BOLD);
  HINSTANCE instance = GetModuleHandleW(nullptr);

  for (const auto& spec : kButtons) {
    HWND button = CreateWindowExW(
        0, L"BUTTON", spec.caption, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, 0, 0, 0, 0,
        hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.tag)), instance, nullptr);
    SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(buttonFont_), TRUE);
    pageButtons_[spec.tag] = button;
  }
  for (const auto& spec : kPages) {
    auto page = std::make_unique<Page>();
    page->Create(hwnd(), kPageIdBase + spec.tag, spec.caption, uiFont_);
    pages_[spec.tag] = std::move(page);
  }

  ports_.prompts().setOwner(hwnd());
  cleaner_.Create(pages_[app::kTagCleaner]->hwnd(), hwnd(), uiFont_);
  registry_.Create(pages_[app::kTagRegistry]->hwnd(), uiFont_);

  // Tools page: the registry backups.
  HWND tools = pages_[app::kTagTools]->hwnd();
  backupFullRegistry_ = CreateWindowExW(
      0, L"BUTTON", L"Backup Full Registry...", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0, 0, 0,
      tools, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdBackupFullRegistry)), instance,
      nullptr);
  windowsBackup_ = CreateWindowExW(
      0, L"BUTTON", L"Windows Backup...",
      WS_CHILD | WS_TABSTOP | (windowsBackupVisible_ ? WS_VISIBLE : 0), 0, 0, 0, 0, tools,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdWindowsBackup)), instance, nullptr);
  SendMessageW(backupFullRegistry_, WM_SETFONT, reinterpret_cast<WPARAM>(uiFont_), TRUE);
  SendMessageW(windowsBackup_, WM_SETFONT, reinterpret_cast<WPARAM>(uiFont_), TRUE);
  startup_.Create(tools, uiFont_, platform_,
                  platform::WindowsVersionCode(platform_.system.version()));
  indexDatViewer_ = CreateWindowExW(
      0, L"BUTTON", L"Index.dat Viewer...", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0, 0, 0, tools,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdIndexDatViewer)), instance, nullptr);
  SendMessageW(indexDatViewer_, WM_SETFONT, reinterpret_cast<WPARAM>(uiFont_), TRUE);
  toolsTips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0,
                               0, 0, 0, hwnd(), nullptr, instance, nullptr);
  AddToolTip(toolsTips_, tools, indexDatViewer_, kIndexDatViewerHint);

  // Defrag page: the hive list and the size labels.
  HWND defrag = pages_[app::kTagDefrag]->hwnd();
  hiveList_.Attach(CreateWindowExW(
      WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHOWSELALWAYS,
      0, 0, 0, 0, defrag, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdHiveList)), instance,
      nullptr));
  hiveList_.SetFont(uiFont_);
  hiveList_.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  for (std::size_t i = 0; i < kHiveColumns.size(); ++i) {
    hiveList_.InsertColumn(static_cast<int>(i), kHiveColumns[i], i == 0 ? 220 : 110);
  }
  for (std::size_t i = 0; i < kDefragTitles.size(); ++i) {
    const int index = static_cast<int>(i);
    HWND title = CreateWindowExW(
        0, L"STATIC", kDefragTitles[i], WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP, 0, 0, 0, 0,
        defrag, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kDefragTitleIdBase + index)), instance,
        nullptr);
    HWND value = CreateWindowExW(
        0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP, 0, 0, 0, 0, defrag,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kDefragValueIdBase + index)), instance,
        nullptr);
    SendMessageW(title, WM_SETFONT, reinterpret_cast<WPARAM>(uiFont_), TRUE);
    SendMessageW(value, WM_SETFONT, reinterpret_cast<WPARAM>(uiFont_), TRUE);
    defragValues_[index] = value;
  }
  analyzeRegistry_ = CreateWindowExW(
      0, L"BUTTON", L"Analyze Registry",
      WS_CHILD | WS_VISIBLE | WS_TABSTOP | (analyzeEnabled_ ? 0 : WS_DISABLED), 0, 0, 0, 0, defrag,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdAnalyzeRegistry)), instance, nullptr);
  defragRegistry_ = CreateWindowExW(
      0, L"BUTTON", L"Defrag Registry", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_DISABLED, 0, 0, 0,
      0, defrag, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdDefragRegistry)), instance,
      nullptr);
  for (HWND button : {analyzeRegistry_, defragRegistry_}) {
    SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(uiFont_), TRUE);
  }
}

// ---- MainView -----------------------------------------------------------

void MainWindow::SetCaption(std::string_view caption) {
  SetWindowTextW(hwnd(), Wide(caption).c_str());
}

void MainWindow::SetTitle(std::string_view title, std::string_view subtitle) {
  title_ = Wide(title);
  subtitle_ = Wide(subtitle);
  RECT area{0, 0, 0, app::kTitleHeight};
  GetClientRect(hwnd(), &area);
  area.bottom = app::kTitleHeight;
  InvalidateRect(hwnd(), &area, TRUE);
}

void MainWindow::SetPageVisible(int tag, bool visible) {
  auto it = pages_.find(tag);
  if (it != pages_.end()) ShowWindow(it->second->hwnd(), visible ? SW_SHOW : SW_HIDE);
}

void MainWindow::SetPageButtonHighlighted(int tag, bool highlighted) {
  highlighted_[tag] = highlighted;
  auto it = pageButtons_.find(tag);
  if (it != pageButtons_.end()) InvalidateRect(it->second, nullptr, TRUE);
}

void MainWindow::SetFastMode(bool checked) {
  SendMessageW(cleaner_.fastMode(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void MainWindow::ShowCleanTree(const cleaner::CleanTree& tree) {
  cleaner_.ShowTree(tree);
}

void MainWindow::RefreshCleanTreeMarks(const cleaner::CleanTree& tree) {
  cleaner_.RefreshMarks(tree);
}

cleaner::CleanLog& MainWindow::Log() {
  return cleaner_.log();
}

void MainWindow::ClearLog() {
  cleaner_.log().Clear();
}

std::vector<std::string> MainWindow::LogLines() const {
  return cleaner_.log().Lines();
}

void MainWindow::SetLogLinesVisible(bool visible) {
  cleaner_.log().SetLinesVisible(visible);
}

void MainWindow::SetLogDoubleBuffered(bool on) {
  cleaner_.log().SetDoubleBuffered(on);
}

void MainWindow::FitLogToLines() {
  cleaner_.log().FitToLines();
}

void MainWindow::ShowCleanBar(const app::ProgressBarState& bar) {
  cleaner_.ShowBar(bar);
}

void MainWindow::ShowRegistryBar(const app::ProgressBarState& bar) {
  registry_.ShowBar(bar);
}

void MainWindow::SetTestCaption(std::string_view caption) {
  SetWindowTextW(cleaner_.test(), Wide(caption).c_str());
}

void MainWindow::SetAnimationTimer(bool on) {
  if (on) {
    SetTimer(hwnd(), kAnimationTimer, 500, nullptr);
  } else {
    KillTimer(hwnd(), kAnimationTimer);
  }
}

bool MainWindow::ConfirmClean(const std::function<void(bool)>& dontShowAgain) {
  return AskDeleteDialog(hwnd(), dontShowAgain);
}

void MainWindow::EndWorkerQuestion() {
  OwnedMessageBox search{hwnd()};
  EnumThreadWindows(GetCurrentThreadId(), &FindOwnedMessageBox, reinterpret_cast<LPARAM>(&search));
  if (search.box == nullptr) return;
  const int answer = GetDlgItem(search.box, IDNO) != nullptr ? IDNO : IDOK;
  SendMessageW(search.box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(search.box, answer)));
}

std::string MainWindow::AskSaveLogPath() {
  wchar_t file[MAX_PATH] = {};
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = hwnd();
  dialog.lpstrFilter = L"Text files (*.txt)\0*.txt\0";
  dialog.lpstrFile = file;
  dialog.nMaxFile = MAX_PATH;
  dialog.lpstrTitle = L"Save as Text";
  dialog.Flags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  if (!GetSaveFileNameW(&dialog)) return {};
  return Utf8(file);
}

void MainWindow::OpenCustomListEditor() {
  ShowCustomListEditor(hwnd(), platform_, controller_.programFolder());
}

void MainWindow::ShowLogMenu(LPARAM at) {
  HMENU menu = CreatePopupMenu();
  AppendMenuW(menu, MF_STRING | (controller_.SaveLogEnabled() ? 0 : MF_GRAYED), kIdSaveLog,
              L"S&ave to text file");
  POINT point{static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
  if (point.x == -1 && point.y == -1) GetCursorPos(&point);
  TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN, point.x, point.y, 0, hwnd(), nullptr);
  DestroyMenu(menu);
}

void MainWindow::SetRegistryStatus(std::string_view text) {
  registry_.SetStatus(text);
}

void MainWindow::ShowSectionTree(const registry::SectionTree& tree) {
  registry_.ShowTree(tree);
}

void MainWindow::RefreshSectionTreeMarks(const registry::SectionTree& tree) {
  registry_.RefreshMarks(tree);
}

registry::ResultsView& MainWindow::ProblemList() {
  return registry_;
}

void MainWindow::AutoSizeProblemColumns() {
  registry_.AutoSizeColumns();
}

void MainWindow::SetScanTitle(std::string_view text) {
  registry_.SetTitle(text);
}

void MainWindow::SetKeyLine(std::string_view text) {
  registry_.SetKeyLine(text);
}

void MainWindow::SetKeyLineVisible(bool visible) {
  registry_.SetKeyLineVisible(visible);
}

void MainWindow::SetScanCaption(std::string_view caption) {
  registry_.SetScanCaption(caption);
}

bool MainWindow::MakeRestorePoint(platform::Prompts& prompts) {
  return ShowSystemPointDialog(hwnd(), platform_.system, prompts);
}

void MainWindow::BackupFullRegistry() {
  ui::BackupFullRegistry(hwnd(), platform_);
}

void MainWindow::ShowRestoreDialog() {
  ui::ShowRestoreDialog(hwnd(), platform_, controller_.options());
}

std::vector<std::size_t> MainWindow::SelectedProblemRows() const {
  return registry_.SelectedRows();
}

registry::SaveFileAsker MainWindow::SaveFileAsker() {
  return MakeSaveFileAsker(hwnd());
}

void MainWindow::OpenInRegistryEditor(const registry::ProblemEntry& row) {
  registry::OpenInRegistryEditor(platform_.registry, platform_.programs, platform_.prompts, row);
}

void MainWindow::ShowResultsMenu(LPARAM at) {
  HMENU menu = CreatePopupMenu();
  for (std::size_t i = 0; i < registry::kResultsMenu.size(); ++i) {
    const auto& item = registry::kResultsMenu[i];
    if (item.separatorBefore && i > 0) AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    std::wstring caption = Wide(item.caption);
    if (!item.shortcut.empty()) caption += L"\t" + Wide(item.shortcut);
    const bool enabled = controller_.ResultsCommandEnabled(item.command);
    AppendMenuW(menu, MF_STRING | (enabled ? 0 : MF_GRAYED),
                static_cast<UINT_PTR>(kIdResultsMenuBase + static_cast<int>(i)), caption.c_str());
  }
  POINT point{static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
  if (point.x == -1 && point.y == -1) GetCursorPos(&point);
  TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN, point.x, point.y, 0, hwnd(), nullptr);
  DestroyMenu(menu);
}

void MainWindow::SetWindowsBackupVisible(bool visible) {
  windowsBackupVisible_ = visible;
  if (windowsBackup_ != nullptr) ShowWindow(windowsBackup_, visible ? SW_SHOW : SW_HIDE);
}

void MainWindow::SetAnalyzeEnabled(bool enabled) {
  analyzeEnabled_ = enabled;
  if (analyzeRegistry_ != nullptr) EnableWindow(analyzeRegistry_, enabled ? TRUE : FALSE);
}

void MainWindow::SetDefragEnabled(bool enabled) {
  if (defragRegistry_ != nullptr) EnableWindow(defragRegistry_, enabled ? TRUE : FALSE);
}

void MainWindow::SetHiveRow(std::size_t row, const registry::HiveSizeRow& sizes) {
  const int index = static_cast<int>(row);
  hiveList_.SetItemText(index, 1, sizes.currentSize);
  hiveList_.SetItemText(index, 2, sizes.newSize);
  hiveList_.SetItemText(index, 3, sizes.reduction);
}

void MainWindow::SetDefragSizeLabels(const app::DefragLabels& labels) {
  const std::string* texts[] = {&labels.currentSize, &labels.newSize, &labels.sizeReduction,
                                &labels.compactPercent};
  for (int i = 0; i < 4; ++i) SetWindowTextW(defragValues_[i], Wide(*texts[i]).c_str());
}

bool MainWindow::RunHiveAnalysis(const app::HiveAnalysis& analysis) {
  return ShowHiveProgressDialog(hwnd(), analysis);
}

void MainWindow::ClearDefragSizeLabels() {
  for (auto& [index, label] : defragValues_) SetWindowTextW(label, L"");
}

void MainWindow::AddHiveListLine(std::string_view text) {
  hiveList_.InsertItem(hiveList_.ItemCount(), text);
}

app::DefragLabels MainWindow::DefragLabelTexts() const {
  auto text = [this](int index) {
    auto it = defragValues_.find(index);
    return it == defragValues_.end() ? std::string() : WindowText(it->second);
  };
  return {text(0), text(1), text(2), text(3)};
}

app::WindowMetrics MainWindow::Metrics() const {
  RECT r{};
  GetWindowRect(hwnd(), &r);
  return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), r.right - r.left,
          r.bottom - r.top};
}

app::WindowPlacement MainWindow::Placement() const {
  app::WindowPlacement placement;
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  RECT r{};
  if (GetWindowPlacement(hwnd(), &wp)) {
    placement.showState = static_cast<int>(wp.showCmd);
    // Minimised from maximised: it opens maximised again.
    if (wp.showCmd == SW_SHOWMINIMIZED && (wp.flags & WPF_RESTORETOMAXIMIZED) != 0) {
      placement.showState = SW_SHOWMAXIMIZED;
    }
    // The restored bounds, never the icon position of a minimised window.
    // They are in work-area coordinates; the window is moved in screen ones.
    r = wp.rcNormalPosition;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoW(MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST), &monitor)) {
      OffsetRect(&r, monitor.rcWork.left - monitor.rcMonitor.left,
                 monitor.rcWork.top - monitor.rcMonitor.top);
    }
  } else {
    GetWindowRect(hwnd(), &r);
  }
  placement.left = r.left;
  placement.top = r.top;
  placement.width = r.right - r.left;
  placement.height = r.bottom - r.top;
  return placement;
}

std::vector<app::ScreenRect> MainWindow::MonitorWorkAreas() const {
  std::vector<app::ScreenRect> areas;
  EnumDisplayMonitors(nullptr, nullptr, &CollectWorkArea, reinterpret_cast<LPARAM>(&areas));
  return areas;
}

void MainWindow::SetBounds(int left, int top, int width, int height) {
  MoveWindow(hwnd(), left, top, width, height, TRUE);
}

void MainWindow::Maximize() {
  ShowWindow(hwnd(), SW_MAXIMIZE);
}

void MainWindow::Layout() {
  RECT client{};
  GetClientRect(hwnd(), &client);
  const app::MainLayout layout = app::ComputeMainLayout(client.right, client.bottom);
  for (std::size_t i = 0; i < kButtons.size(); ++i) {
    Place(pageButtons_[kButtons[i].tag], layout.buttons[i]);
  }
  for (auto& [tag, page] : pages_) Place(page->hwnd(), layout.page);
  cleaner_.Layout(layout.page);
  MoveWindow(backupFullRegistry_, 12, 24, 160, app::kButtonHeight, TRUE);
  MoveWindow(windowsBackup_, 184, 24, 160, app::kButtonHeight, TRUE);
  startup_.Layout(layout.page, 24 + app::kButtonHeight + 12);
  MoveWindow(indexDatViewer_, 356, 24, 160, app::kButtonHeight, TRUE);
  RECT outer{};
  GetWindowRect(hwnd(), &outer);
  registry_.Layout(layout.page, outer.right - outer.left);

  RECT window{};
  GetWindowRect(hwnd(), &window);
  const app::DefragLayout defrag =
      app::ComputeDefragLayout(layout.page, window.right - window.left);
  // The two buttons sit above the hive list, which starts below them.
  constexpr int kDefragButtonTop = 18;
  constexpr int kDefragButtonWidth = 130;
  app::Rect hiveList = defrag.hiveList;
  const int listTop = kDefragButtonTop + app::kButtonHeight + 6;
  hiveList.height -= listTop - hiveList.top;
  hiveList.top = listTop;
  Place(hiveList_.hwnd(), hiveList);
  MoveWindow(analyzeRegistry_, hiveList.left, kDefragButtonTop, kDefragButtonWidth,
             app::kButtonHeight, TRUE);
  MoveWindow(defragRegistry_, hiveList.left + kDefragButtonWidth + 12, kDefragButtonTop,
             kDefragButtonWidth, app::kButtonHeight, TRUE);
  HWND defragPage = pages_[app::kTagDefrag]->hwnd();
  for (int i = 0; i < 4; ++i) {
    Place(GetDlgItem(defragPage, kDefragTitleIdBase + i),
          defrag.titles[static_cast<std::size_t>(i)]);
    Place(defragValues_[i], defrag.values[static_cast<std::size_t>(i)]);
  }
  RECT title{0, 0, client.right, app::kTitleHeight};
  InvalidateRect(hwnd(), &title, TRUE);
}

void MainWindow::ShowAbout() {
  ShowAboutBox(hwnd());
}

void MainWindow::ShowMoreMenu() {
  HMENU menu = CreatePopupMenu();
  for (const MoreItem& item : kMoreMenu) {
    AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(item.id), item.caption);
  }
  POINT at{};
  GetCursorPos(&at);
  SetForegroundWindow(hwnd());
  TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN, at.x, at.y, 0, hwnd(), nullptr);
  DestroyMenu(menu);
}

void MainWindow::HideAll() {
  ShowWindow(hwnd(), SW_HIDE);
}

void MainWindow::Destroy() {
  DestroyWindow(hwnd());
}

// ---- painting -----------------------------------------------------------

RECT MainWindow::UpdateLinkRect() const {
  RECT client{};
  GetClientRect(hwnd(), &client);
  return RECT{client.right - 8 - 170, app::kTitleHeight - 20, client.right - 8,
              app::kTitleHeight - 4};
}

void MainWindow::Paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd(), &ps);
  PaintTitle(dc);
  EndPaint(hwnd(), &ps);
}

void MainWindow::PaintTitle(HDC dc) {
  RECT client{};
  GetClientRect(hwnd(), &client);
  RECT band{0, 0, client.right, app::kTitleHeight};
  HBRUSH brush = CreateSolidBrush(kTitleColour);
  FillRect(dc, &band, brush);
  DeleteObject(brush);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(255, 255, 255));
  HGDIOBJ old = SelectObject(dc, titleFont_);
  RECT titleRect{16, 2, client.right - 180, 30};
  DrawTextW(dc, title_.c_str(), -1, &titleRect, DT_LEFT | DT_SINGLELINE | DT_VCENTER);
  SelectObject(dc, subtitleFont_);
  SetTextColor(dc, RGB(210, 226, 255));
  RECT subtitleRect{18, 29, client.right - 180, app::kTitleHeight - 2};
  DrawTextW(dc, subtitle_.c_str(), -1, &subtitleRect, DT_LEFT | DT_SINGLELINE | DT_TOP);
  SetTextColor(dc, RGB(255, 255, 255));
  RECT link = UpdateLinkRect();
  DrawTextW(dc, L"Check for updates...", -1, &link, DT_RIGHT | DT_SINGLELINE | DT_VCENTER);
  SelectObject(dc, old);
}

void MainWindow::DrawPageButton(const DRAWITEMSTRUCT& item) {
  const int tag = static_cast<int>(item.CtlID);
  const bool highlighted = highlighted_[tag];
  const bool pressed = (item.itemState & ODS_SELECTED) != 0;
  RECT r = item.rcItem;
  HBRUSH brush = CreateSolidBrush(highlighted ? kButtonHighlight : kButtonColour);
  FillRect(item.hDC, &r, brush);
  DeleteObject(brush);
  if (pressed) OffsetRect(&r, 1, 1);
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC, highlighted ? kTitleColour : RGB(255, 255, 255));
  HGDIOBJ old = SelectObject(item.hDC, buttonFont_);
  const std::wstring caption = Wide(WindowText(item.hwndItem));
  DrawTextW(item.hDC, caption.c_str(), -1, &r, DT_CENTER | DT_SINGLELINE | DT_VCENTER);
  SelectObject(item.hDC, old);
  if ((item.itemState & ODS_FOCUS) != 0) {
    RECT focus = item.rcItem;
    InflateRect(&focus, -3, -3);
    DrawFocusRect(item.hDC, &focus);
  }
}

// ---- messages -----------------------------------------------------------

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      AllowTaskbarCreated();
      CreateControls();
      controller_.OnCreate();
      return 0;
    case WM_SHOWWINDOW:
      if (wParam != 0) OnShown();
      break;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) controller_.OnActivate();
      break;
    case kShownMessage:
      controller_.OnActivate();  // nothing when the window was activated already
      return 0;
    case WM_SIZE:
      // Restored or maximised, by whatever means (the taskbar button).
      if (wParam != SIZE_MINIMIZED) controller_.OnWindowRestored();
      if (firstShown_) Layout();
      return 0;
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      info->ptMinTrackSize.x = app::kMinWindowWidth;
      info->ptMinTrackSize.y = app::kMinWindowHeight;
      return 0;
    }
    case WM_PAINT:
      Paint();
      return 0;
    case WM_LBUTTONUP:
      OnClick({static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
      return 0;
    case WM_CONTEXTMENU:
      if (OnContextMenu(reinterpret_cast<HWND>(wParam), lParam)) return 0;
      break;
    case WM_TIMER:
      OnTimer(wParam);
      return 0;
    case LogList::kFlushMessage:
      cleaner_.log().Flush();
      return 0;
    case WM_CLOSE:
      controller_.OnClose();
      return 0;
    case WM_QUERYENDSESSION:
      return controller_.OnQueryEndSession() ? TRUE : FALSE;
    case WM_SYSCOMMAND:
      if (OnSysCommand(wParam, lParam)) return 0;
      break;
    case WM_HOTKEY:
      controller_.OnHotkey(static_cast<int>(wParam));
      return 0;
    case app::WM_SHOW_MAIN_WINDOW:
      controller_.OnShowMainWindow();
      return 0;
    case app::WM_TRAY_ICON:
      OnTrayIcon(lParam);
      return 0;
    case WM_DESTROY:
      tray_.Remove();
      PostQuitMessage(0);
      return 0;
    case win32::kInvokeMessage:
      return win32::RunInvokeMessage(lParam);
    default:
      if (message == taskbarCreated_ && taskbarCreated_ != 0) {
        controller_.OnTaskbarCreated();
        return 0;
      }
      if (message >= WM_USER && controller_.OnMessage(message, static_cast<std::uintptr_t>(wParam),
                                                      static_cast<std::intptr_t>(lParam))) {
        return 0;
      }
      break;
  }
  return Window::HandleMessage(message, wParam, lParam);
}

void MainWindow::OnShown() {
  if (firstShown_) return;
  firstShown_ = true;
  controller_.OnFirstShow();
  // The start-up steps of the first activation ("/Clear", "/Auto", the
  // timer) run even when the window system never activates the window,
  // as for a program started behind another or by a scheduled task.
  PostMessageW(hwnd(), kShownMessage, 0, 0);
}

// A click in the title area: the update link, or the title itself.
void MainWindow::OnClick(POINT at) {
  const RECT link = UpdateLinkRect();
  if (PtInRect(&link, at)) {
    controller_.OnUpdateLinkClicked();
  } else if (at.y < app::kTitleHeight && at.x < 320) {
    controller_.OnTitleClicked();
  }
}

bool MainWindow::OnContextMenu(HWND control, LPARAM at) {
  if (control == cleaner_.log().hwnd()) {
    ShowLogMenu(at);
    return true;
  }
  if (control == registry_.list()) {
    ShowResultsMenu(at);
    return true;
  }
  return false;
}

void MainWindow::OnTimer(UINT_PTR id) {
  if (id == kAnimationTimer) controller_.OnAnimationTick();
  if (id == kAutoCleanTimer) controller_.OnAutoCleanTimer();
  if (id == LogList::kFlushTimer) cleaner_.log().OnFlushTimer();
}

// ---- options, tray, timer ------------------------------------------------

platform::WindowId MainWindow::MainWindowId() const {
  return reinterpret_cast<platform::WindowId>(hwnd());
}

void MainWindow::SetAutoCleanTimer(bool on, std::uint32_t intervalMs) {
  if (on) {
    SetTimer(hwnd(), kAutoCleanTimer, intervalMs, nullptr);
  } else {
    KillTimer(hwnd(), kAutoCleanTimer);
  }
}

void MainWindow::OpenOptions() {
  // OK shows the new settings through the controller ("Fast Mode").
  (void)ShowOptionsDialog(hwnd(), platform_, controller_.programFolder(), controller_.options(),
                          controller_.optionsHost());
}

bool MainWindow::OnSysCommand(WPARAM command, LPARAM) {
  if (command != app::kSysCommandMinimize) return false;
  controller_.OnMinimizeCommand();
  return true;
}

void MainWindow::AllowTaskbarCreated() {
  // An elevated program gets Explorer's message only when it lets it in
  // (Vista and later; earlier systems have no such filter).
  using Filter = BOOL(WINAPI*)(UINT, DWORD);
  FARPROC found = GetProcAddress(GetModuleHandleW(L"user32.dll"), "ChangeWindowMessageFilter");
  if (found != nullptr && taskbarCreated_ != 0) {
    reinterpret_cast<Filter>(reinterpret_cast<void*>(found))(taskbarCreated_, /*MSGFLT_ADD*/ 1);
  }
}

bool MainWindow::AddTrayIcon() {
  return tray_.Add(hwnd(), app::WM_TRAY_ICON,
                   reinterpret_cast<HICON>(GetClassLongPtrW(hwnd(), GCLP_HICON)));
}

void MainWindow::RemoveTrayIcon() {
  tray_.Remove();
}

void MainWindow::HideInTray() {
  // The window shrinks towards the notification area, without a taskbar
  // button on the way, and is hidden there.
  const LONG_PTR savedExStyle = GetWindowLongPtrW(hwnd(), GWL_EXSTYLE);
  SetWindowLongPtrW(hwnd(), GWL_EXSTYLE, savedExStyle | WS_EX_TOOLWINDOW);
  HWND notifyArea =
      FindWindowExW(FindWindowW(L"Shell_TrayWnd", nullptr), nullptr, L"TrayNotifyWnd", nullptr);
  RECT area{};
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  if (notifyArea != nullptr && GetWindowRect(notifyArea, &area) &&
      GetWindowPlacement(hwnd(), &placement)) {
    placement.flags |= WPF_SETMINPOSITION;
    placement.ptMinPosition = {area.left, area.top};
    SetWindowPlacement(hwnd(), &placement);
  }
  if (!IsIconic(hwnd())) DefWindowProcW(hwnd(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  SetWindowLongPtrW(hwnd(), GWL_EXSTYLE, savedExStyle);
  ShowWindow(hwnd(), SW_HIDE);
}

void MainWindow::MinimizeOnTaskbar() {
  ShowWindow(hwnd(), SW_SHOWMINNOACTIVE);
}

void MainWindow::ShowRestored() {
  ShowWindow(hwnd(), SW_SHOW);
  if (IsIconic(hwnd())) ShowWindow(hwnd(), SW_RESTORE);
  SetForegroundWindow(hwnd());
}

void MainWindow::OnTrayIcon(LPARAM mouseMessage) {
  if (mouseMessage == WM_LBUTTONDOWN) {
    controller_.OnShowMainWindow();
    HWND log = cleaner_.log().hwnd();
    if (IsWindowVisible(log) && SendMessageW(log, LB_GETCOUNT, 0, 0) > 0) {
      SendMessageW(log, LB_SETCURSEL, 0, 0);
    }
  } else if (mouseMessage == WM_RBUTTONDOWN) {
    TrayIcon::ShowMenu(hwnd());
  }
}

void MainWindow::OnCommand(int id, int code, HWND control) {
  switch (id) {
    case app::kTagCleaner:
    case app::kTagRegistry:
    case app::kTagTools:
    case app::kTagDefrag:
      controller_.OnPageButton(id);
      return;
    case app::kTagMore:
      ShowMoreMenu();
      return;
    case app::kTagOptions:
      OpenOptions();
      return;
    case kIdTrayOpen:
      controller_.OnShowMainWindow();
      return;
    case kIdTrayHelp:
      controller_.OnMoreCommand(app::MoreCommand::OnlineHelp);
      return;
    case kIdTrayExit:
      controller_.OnClose();
      tray_.Remove();
      return;
    case kIdTest:
      controller_.OnTestClicked();
      return;
    case kIdAnalyzeRegistry:
      controller_.OnAnalyzeRegistryClicked();
      return;
    case kIdDefragRegistry:
      controller_.OnDefragRegistryClicked();
      return;
    case kIdClean:
      controller_.OnCleanClicked();
      return;
    case kIdSaveLog:
      controller_.OnSaveLog();
      return;
    case kIdFastMode:
      controller_.OnFastModeClicked(SendMessageW(cleaner_.fastMode(), BM_GETCHECK, 0, 0) ==
                                    BST_CHECKED);
      return;
    case kIdScan:
      controller_.OnScanClicked();
      return;
    case kIdFixErrors:
      controller_.OnFixErrorsClicked();
      return;
    case kIdRestore:
      controller_.OnRestoreClicked();
      return;
    case kIdBackupFullRegistry:
      controller_.OnBackupFullRegistryClicked();
      return;
    case kIdWindowsBackup:
      controller_.OnWindowsBackupClicked();
      return;
    case kIdIndexDatViewer:
      ShowIndexDatViewer(hwnd(), platform_,
                         {controller_.options().IsWipeFile, controller_.options().WipeNumber});
      return;
    default:
      break;
  }
  if (startup_.OnCommand(id)) return;
  for (const MoreItem& item : kMoreMenu) {
    if (item.id == id) {
      controller_.OnMoreCommand(item.command);
      return;
    }
  }
  if (OnResultsMenuCommand(id)) return;
  Window::OnCommand(id, code, control);
}

bool MainWindow::OnResultsMenuCommand(int id) {
  const int place = id - kIdResultsMenuBase;
  if (place < 0 || place >= static_cast<int>(registry::kResultsMenu.size())) return false;
  controller_.OnResultsCommand(registry::kResultsMenu[static_cast<std::size_t>(place)].command);
  return true;
}

LRESULT MainWindow::OnNotify(const NMHDR& header) {
  switch (header.idFrom) {
    case kIdSectionTree:
      return OnSectionTreeNotify(header);
    case kIdProblemList:
      return OnProblemListNotify(header);
    case kIdCleanTree:
      return OnCleanTreeNotify(header);
    default:
      return Window::OnNotify(header);
  }
}

LRESULT MainWindow::OnSectionTreeNotify(const NMHDR& header) {
  if (header.code == NM_CLICK) {
    if (auto index = registry_.HitTickMark()) controller_.OnSectionTreeClick(*index);
    return 0;
  }
  // The sections tree cannot be collapsed.
  if (header.code == TVN_ITEMEXPANDINGW) {
    const auto& change = reinterpret_cast<const NMTREEVIEWW&>(header);
    return (change.action & TVE_COLLAPSE) != 0 ? TRUE : FALSE;
  }
  return Window::OnNotify(header);
}

LRESULT MainWindow::OnProblemListNotify(const NMHDR& header) {
  if (header.code == LVN_KEYDOWN) {
    const auto& key = reinterpret_cast<const NMLVKEYDOWN&>(header);
    if (key.wVKey == 'R' && (GetKeyState(VK_CONTROL) & 0x8000) != 0) {
      controller_.OnResultsCommand(registry::ResultsCommand::RegEdit);
    }
    return 0;
  }
  if (header.code == LVN_ITEMCHANGED) {
    if (auto tick = registry_.UserTickChange(reinterpret_cast<const NMLISTVIEW&>(header))) {
      controller_.OnProblemTicked(tick->first, tick->second);
    }
    return 0;
  }
  return Window::OnNotify(header);
}

LRESULT MainWindow::OnCleanTreeNotify(const NMHDR& header) {
  if (header.code == NM_CLICK) {
    if (auto hit = cleaner_.HitTest()) controller_.OnCleanTreeClick(hit->first, hit->second);
    return 0;
  }
  if (header.code == TVN_ITEMEXPANDEDW) {
    const auto& change = reinterpret_cast<const NMTREEVIEWW&>(header);
    const cleaner::NodeRef node = cleaner_.NodeOf(change.itemNew.hItem);
    if (node.group >= 0) controller_.OnCleanTreeExpanded(node, (change.action & TVE_EXPAND) != 0);
    return 0;
  }
  return Window::OnNotify(header);
}

bool MainWindow::OnDrawItem(const DRAWITEMSTRUCT& item) {
  switch (item.CtlID) {
    case kIdLog:
      cleaner_.log().Draw(item);
      return true;
    case kIdCleanBar:
      cleaner_.DrawBar(item);
      return true;
    case kIdRegistryBar:
      registry_.DrawBar(item);
      return true;
    default:
      break;
  }
  if (item.CtlType == ODT_BUTTON && pageButtons_.count(static_cast<int>(item.CtlID)) != 0) {
    DrawPageButton(item);
    return true;
  }
  return false;
}

}  // namespace nc::ui
