#include "ui/win32/startup_list.h"

#include <commctrl.h>

#include <array>

namespace nc::ui {

namespace {

constexpr std::array<const char*, 3> kColumns = {"Startup Program", "File", "Location"};
constexpr int kButtonWidth = 110;
constexpr int kGap = 8;

}  // namespace

HWND StartupList::Button(HWND page, int id, const wchar_t* caption, HFONT font) {
  HWND button = CreateWindowExW(0, L"BUTTON", caption, WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0, 0,
                                0, page, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                GetModuleHandleW(nullptr), nullptr);
  SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  return button;
}

void StartupList::AddTip(HWND control, const wchar_t* text) {
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = page_;
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = const_cast<wchar_t*>(text);
  SendMessageW(tips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void StartupList::Create(HWND page, HFONT font, const platform::Platform& ports, int versionCode) {
  page_ = page;
  startup_ = Button(page, kIdStartup, L"Startup", font);
  list_.Attach(CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                               WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS,
                               0, 0, 0, 0, page,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdStartupList)),
                               GetModuleHandleW(nullptr), nullptr));
  list_.SetFont(font);
  list_.SetExtendedStyle(LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  for (std::size_t i = 0; i < kColumns.size(); ++i) {
    list_.InsertColumn(static_cast<int>(i), kColumns[i], 150);
  }
  deleteEntry_ = Button(page, kIdDeleteStartupEntry, L"&Delete Entry", font);
  selectAll_ = Button(page, kIdSelectAllStartup, L"Select &All", font);
  selectNone_ = Button(page, kIdSelectNoStartup, L"Select &None", font);
  tips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0,
                          0, 0, page, nullptr, GetModuleHandleW(nullptr), nullptr);
  AddTip(startup_, L"Startup manager for Windows to optimize Windows startup configuration");
  AddTip(deleteEntry_, L"Delete the selected entries");
  AddTip(selectAll_, L"Select all entries in the list");
  AddTip(selectNone_, L"Cancel all entries in the list");
  manager_.emplace(ports, versionCode, *this);
}

void StartupList::Layout(const app::Rect& page, int top) {
  const int left = 12;
  const int width = page.width - 2 * left;
  MoveWindow(startup_, left, top, kButtonWidth, app::kButtonHeight, TRUE);
  const int listTop = top + app::kButtonHeight + kGap;
  const int buttonsTop = page.height - 12 - app::kButtonHeight;
  MoveWindow(list_.hwnd(), left, listTop, width, buttonsTop - kGap - listTop, TRUE);
  int x = left;
  for (HWND button : {deleteEntry_, selectAll_, selectNone_}) {
    MoveWindow(button, x, buttonsTop, kButtonWidth, app::kButtonHeight, TRUE);
    x += kButtonWidth + kGap;
  }
}

bool StartupList::OnCommand(int id) {
  switch (id) {
    case kIdStartup:
      manager_->OnStartupClicked();
      return true;
    case kIdDeleteStartupEntry:
      manager_->OnDeleteEntryClicked();
      return true;
    case kIdSelectAllStartup:
      manager_->OnSelectAllClicked();
      return true;
    case kIdSelectNoStartup:
      manager_->OnSelectNoneClicked();
      return true;
    default:
      return false;
  }
}

void StartupList::ClearStartupList() {
  list_.DeleteAllItems();
}

bool StartupList::AddStartupRow(std::string_view caption, std::string_view file,
                                std::string_view location) {
  const int end = list_.ItemCount();
  const int row = list_.InsertItem(end, caption);
  if (row != end) {
    // Not at the end (or not at all): the rows would no longer match the
    // manager's entries.
    if (row >= 0) list_.DeleteItem(row);
    return false;
  }
  list_.SetItemText(row, 1, file);
  list_.SetItemText(row, 2, location);
  return true;
}

void StartupList::SizeStartupColumns() {
  for (std::size_t i = 0; i < kColumns.size(); ++i) {
    list_.SetColumnWidth(static_cast<int>(i), LVSCW_AUTOSIZE);
  }
}

bool StartupList::StartupRowTicked(std::size_t row) const {
  return list_.CheckState(static_cast<int>(row));
}

void StartupList::TickAllStartupRows(bool ticked) {
  list_.SetItemState(-1, INDEXTOSTATEIMAGEMASK(ticked ? 2 : 1), LVIS_STATEIMAGEMASK);
}

void StartupList::RemoveStartupRow(std::size_t row) {
  list_.DeleteItem(static_cast<int>(row));
}

}  // namespace nc::ui
