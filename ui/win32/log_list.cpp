#include "ui/win32/log_list.h"

#include <algorithm>

#include "ui/win32/window.h"

namespace nc::ui {

void LogList::Create(HWND parent, HWND owner, int id, HFONT font) {
  owner_ = owner;
  font_ = font;
  list_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"",
                          WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | LBS_NOINTEGRALHEIGHT |
                              LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS,
                          0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                          GetModuleHandleW(nullptr), nullptr);
  SendMessageW(list_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void LogList::AddLine(std::string_view line) {
  std::lock_guard lock(mutex_);
  pending_.push_back(Wide(line));
  if (!flushPosted_) {
    flushPosted_ = true;
    PostMessageW(owner_, kFlushMessage, 0, 0);
  }
}

void LogList::ScrollToEnd() {
  std::lock_guard lock(mutex_);
  scrollPending_ = true;
  if (!flushPosted_) {
    flushPosted_ = true;
    PostMessageW(owner_, kFlushMessage, 0, 0);
  }
}

void LogList::Flush() {
  std::vector<std::wstring> lines;
  bool scroll = false;
  {
    std::lock_guard lock(mutex_);
    lines.swap(pending_);
    scroll = scrollPending_;
    scrollPending_ = false;
    flushPosted_ = false;
  }
  if (lines.empty() && !scroll) return;
  SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
  for (const std::wstring& line : lines) {
    SendMessageW(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
  }
  if (scroll) {
    const auto count = SendMessageW(list_, LB_GETCOUNT, 0, 0);
    if (count > 0) SendMessageW(list_, LB_SETTOPINDEX, static_cast<WPARAM>(count - 1), 0);
  }
  SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list_, nullptr, FALSE);
}

void LogList::Clear() {
  {
    std::lock_guard lock(mutex_);
    pending_.clear();
    scrollPending_ = false;
  }
  SendMessageW(list_, LB_RESETCONTENT, 0, 0);
  SendMessageW(list_, LB_SETHORIZONTALEXTENT, 0, 0);
}

std::vector<std::string> LogList::Lines() {
  Flush();
  std::vector<std::string> lines;
  const auto count = SendMessageW(list_, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const auto length = SendMessageW(list_, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
    std::wstring text(static_cast<std::size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
    SendMessageW(list_, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
    text.resize(wcslen(text.c_str()));
    lines.push_back(Utf8(text));
  }
  return lines;
}

void LogList::SetLinesVisible(bool visible) {
  linesVisible_ = visible;
  InvalidateRect(list_, nullptr, TRUE);
}

void LogList::SetDoubleBuffered(bool on) {
  // Composited painting stands in for the double buffer.
  const LONG_PTR style = GetWindowLongPtrW(list_, GWL_EXSTYLE);
  SetWindowLongPtrW(
      list_, GWL_EXSTYLE,
      on ? (style | WS_EX_COMPOSITED) : (style & ~static_cast<LONG_PTR>(WS_EX_COMPOSITED)));
}

void LogList::FitToLines() {
  Flush();
  HDC dc = GetDC(list_);
  HGDIOBJ old = SelectObject(dc, font_);
  int widest = 0;
  const auto count = SendMessageW(list_, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const auto length = SendMessageW(list_, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
    std::wstring text(static_cast<std::size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
    SendMessageW(list_, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(wcslen(text.c_str())), &size);
    widest = std::max(widest, static_cast<int>(size.cx));
  }
  SelectObject(dc, old);
  ReleaseDC(list_, dc);
  SendMessageW(list_, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest + 10), 0);
  if (count > 0) SendMessageW(list_, LB_SETTOPINDEX, static_cast<WPARAM>(count - 1), 0);
}

void LogList::Draw(const DRAWITEMSTRUCT& item) {
  if (item.itemID == static_cast<UINT>(-1)) return;
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  const COLORREF background =
      GetSysColor(selected && linesVisible_ ? COLOR_HIGHLIGHT : COLOR_WINDOW);
  HBRUSH brush = CreateSolidBrush(background);
  FillRect(item.hDC, &item.rcItem, brush);
  DeleteObject(brush);
  const auto length = SendMessageW(list_, LB_GETTEXTLEN, item.itemID, 0);
  std::wstring text(static_cast<std::size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
  SendMessageW(list_, LB_GETTEXT, item.itemID, reinterpret_cast<LPARAM>(text.data()));
  // While the counting pass runs its lines are written in the background
  // colour: there, but not to be seen.
  SetTextColor(item.hDC, linesVisible_
                             ? GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT)
                             : background);
  SetBkMode(item.hDC, TRANSPARENT);
  RECT r = item.rcItem;
  r.left += 2;
  DrawTextW(item.hDC, text.c_str(), -1, &r, DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

}  // namespace nc::ui
