#include "ui/win32/startup_list.h"

#include <commctrl.h>

#include <array>

namespace nc::ui {

namespace {

constexpr std::array<const char*, 3> kColumns = {"Startup Program", "File", "Location"};
constexpr int kButtonWidth = 110;
constexpr int kGap = 8;

}  // namespace

void StartupList::Create(HWND page, HFONT font, const platform::Platform& ports, int versionCode) {
  page_ = page;
  startup_ = CreateChildControl(page, L"BUTTON", L"Startup", WS_TABSTOP, kIdStartup, font);
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
  deleteEntry_ = CreateChildControl(page, L"BUTTON", L"&Delete Entry", WS_TABSTOP,
                                    kIdDeleteStartupEntry, font);
  selectAll_ =
      CreateChildControl(page, L"BUTTON", L"Select &All", WS_TABSTOP, kIdSelectAllStartup, font);
  selectNone_ =
      CreateChildControl(page, L"BUTTON", L"Select &None", WS_TABSTOP, kIdSelectNoStartup, font);
  tips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0,
                          0, 0, page, nullptr, GetModuleHandleW(nullptr), nullptr);
  AddToolTip(tips_, page_, startup_,
             L"Startup manager for Windows to optimize Windows startup configuration");
  AddToolTip(tips_, page_, deleteEntry_, L"Delete the selected entries");
  AddToolTip(tips_, page_, selectAll_, L"Select all entries in the list");
  AddToolTip(tips_, page_, selectNone_, L"Cancel all entries in the list");
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
