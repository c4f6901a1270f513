#include "ui/win32/log_list.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>
#include <utility>

#include "ui/win32/window.h"

namespace nc::ui {

namespace {

// Changes made to the list while this lives are drawn once, at its end:
// the list moves its scroll bar and contents for each change otherwise.
class RedrawPaused {
 public:
  explicit RedrawPaused(ListBox list) : list_(list) { list_.SetRedraw(false); }
  ~RedrawPaused() {
    list_.SetRedraw(true);
    list_.Invalidate();
  }
  RedrawPaused(const RedrawPaused&) = delete;
  RedrawPaused& operator=(const RedrawPaused&) = delete;

 private:
  ListBox list_;
};

}  // namespace

void LogList::Create(HWND parent, HWND owner, int id, HFONT font) {
  owner_ = owner;
  font_ = font;
  list_.Attach(
      CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"",
                      WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | LBS_NOINTEGRALHEIGHT |
                          LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_NODATA | LBS_DISABLENOSCROLL,
                      0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                      GetModuleHandleW(nullptr), nullptr));
  list_.SetFont(font);
  SetWindowSubclass(list_.hwnd(), &LogList::ListProcedure, 1, reinterpret_cast<DWORD_PTR>(this));
  // The list box took its no-data form when it was made. Announcing
  // strings now makes the system carry LB_GETTEXT between programs as
  // text, which the subclass above answers from the lines.
  SetWindowLongPtrW(list_.hwnd(), GWL_STYLE,
                    GetWindowLongPtrW(list_.hwnd(), GWL_STYLE) | LBS_HASSTRINGS);
}

LRESULT CALLBACK LogList::ListProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR, DWORD_PTR self) {
  auto* log = reinterpret_cast<LogList*>(self);
  switch (message) {
    case LB_GETTEXTLEN:
      if (wParam >= log->lines_.size()) return LB_ERR;
      return static_cast<LRESULT>(log->lines_[wParam].size());
    case LB_GETTEXT: {
      if (wParam >= log->lines_.size()) return LB_ERR;
      const std::wstring& line = log->lines_[wParam];
      auto* out = reinterpret_cast<wchar_t*>(lParam);
      std::copy(line.begin(), line.end(), out);
      out[line.size()] = L'\0';
      return static_cast<LRESULT>(line.size());
    }
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, &LogList::ListProcedure, 1);
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

void LogList::AddLine(std::string_view line) {
  std::wstring wide = Wide(line);
  std::lock_guard lock(mutex_);
  pending_.push_back(std::move(wide));
  RequestFlushLocked();
}

void LogList::ScrollToEnd() {
  std::lock_guard lock(mutex_);
  scrollPending_ = true;
  RequestFlushLocked();
}

void LogList::RequestFlushLocked() {
  // While the timer runs, its next tick shows what comes in meanwhile.
  if (flushPosted_ || flushTimerArmed_) return;
  flushPosted_ = true;
  PostMessageW(owner_, kFlushMessage, 0, 0);
}

void LogList::Flush() {
  bool scroll = false;
  std::size_t added = 0;
  {
    std::lock_guard lock(mutex_);
    added = pending_.size();
    if (lines_.empty()) {
      lines_.swap(pending_);
    } else {
      lines_.insert(lines_.end(), std::make_move_iterator(pending_.begin()),
                    std::make_move_iterator(pending_.end()));
      pending_.clear();
    }
    scroll = scrollPending_;
    scrollPending_ = false;
    flushPosted_ = false;
    if (added != 0 || scroll) flushTimerArmed_ = true;
  }
  if (added == 0 && !scroll && !cleared_) return;
  if (added != 0 || scroll) SetTimer(owner_, kFlushTimer, kFlushIntervalMs, nullptr);
  const std::size_t count = lines_.size();
  if (count == 0 && cleared_) {
    list_.ResetContent();
  } else if (added != 0 || cleared_) {
    const LRESULT top = cleared_ ? 0 : list_.TopIndex();
    list_.SetCount(count);
    list_.SetTopIndex(static_cast<std::size_t>(std::max<LRESULT>(top, 0)));
  }
  cleared_ = false;
  if (scroll && count > 0) list_.SetTopIndex(count - 1);
}

void LogList::OnFlushTimer() {
  KillTimer(owner_, kFlushTimer);
  {
    std::lock_guard lock(mutex_);
    flushTimerArmed_ = false;
  }
  // Arms the timer again when lines came in since the last tick.
  Flush();
}

void LogList::Clear() {
  lines_.clear();
  // The list box is told with the first lines, or else soon after: each
  // change of its count redraws its scroll bar, which takes a while, and
  // a run is about to begin. The extent stays until the run's end sets it
  // to the new lines, which are mostly as wide as the last ones.
  cleared_ = true;
  list_.Invalidate();
  std::lock_guard lock(mutex_);
  pending_.clear();
  scrollPending_ = false;
  RequestFlushLocked();
}

std::vector<std::string> LogList::Lines() {
  Flush();
  std::vector<std::string> lines;
  lines.reserve(lines_.size());
  for (const std::wstring& line : lines_) lines.push_back(Utf8(line));
  return lines;
}

void LogList::SetLinesVisible(bool visible) {
  linesVisible_ = visible;
  list_.Invalidate();
}

void LogList::SetDoubleBuffered(bool on) {
  // Composited painting stands in for the double buffer.
  const LONG_PTR style = GetWindowLongPtrW(list_.hwnd(), GWL_EXSTYLE);
  SetWindowLongPtrW(
      list_.hwnd(), GWL_EXSTYLE,
      on ? (style | WS_EX_COMPOSITED) : (style & ~static_cast<LONG_PTR>(WS_EX_COMPOSITED)));
}

void LogList::FitToLines() {
  // The last lines, the extent and the scroll position are drawn once.
  const RedrawPaused paused(list_);
  Flush();
  HDC dc = GetDC(list_.hwnd());
  HGDIOBJ old = SelectObject(dc, font_);
  // Each line's width is estimated from the advance widths of its
  // characters, which cost one lookup each; the lines widest by that
  // estimate are measured exactly. A line of wide characters thus counts
  // by its pixels, not by its length, and a log of many thousand lines is
  // still quick to finish.
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  std::vector<int> advance(0x10000, -1);
  auto estimate = [&](const std::wstring& line) {
    long long width = 0;
    for (const wchar_t unit : line) {
      int& w = advance[static_cast<std::size_t>(unit)];
      if (w < 0) {
        INT measured = 0;
        const bool surrogate = unit >= 0xD800 && unit <= 0xDFFF;
        w = !surrogate && GetCharWidth32W(dc, unit, unit, &measured) ? measured
                                                                     : metrics.tmMaxCharWidth;
      }
      width += w;
    }
    return width;
  };
  std::vector<std::pair<long long, const std::wstring*>> likely;
  likely.reserve(lines_.size());
  for (const std::wstring& line : lines_) likely.emplace_back(estimate(line), &line);
  constexpr std::size_t kMeasured = 64;
  const auto cut = likely.begin() + static_cast<std::ptrdiff_t>(std::min(kMeasured, likely.size()));
  std::partial_sort(likely.begin(), cut, likely.end(),
                    [](const auto& a, const auto& b) { return a.first > b.first; });
  int widest = 0;
  for (auto it = likely.begin(); it != cut; ++it) {
    SIZE size{};
    GetTextExtentPoint32W(dc, it->second->c_str(), static_cast<int>(it->second->size()), &size);
    widest = std::max(widest, static_cast<int>(size.cx));
  }
  SelectObject(dc, old);
  ReleaseDC(list_.hwnd(), dc);
  if (widest + 10 != extent_) {
    extent_ = widest + 10;
    list_.SetHorizontalExtent(extent_);
  }
  if (!lines_.empty()) list_.SetTopIndex(lines_.size() - 1);
}

void LogList::Draw(const DRAWITEMSTRUCT& item) {
  if (item.itemID == static_cast<UINT>(-1)) return;
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  const COLORREF background =
      GetSysColor(selected && linesVisible_ ? COLOR_HIGHLIGHT : COLOR_WINDOW);
  HBRUSH brush = CreateSolidBrush(background);
  FillRect(item.hDC, &item.rcItem, brush);
  DeleteObject(brush);
  if (item.itemID >= lines_.size()) return;
  const std::wstring& text = lines_[item.itemID];
  // While the counting pass runs its lines are written in the background
  // colour: there, but not to be seen.
  SetTextColor(item.hDC, linesVisible_
                             ? GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT)
                             : background);
  SetBkMode(item.hDC, TRANSPARENT);
  RECT r = item.rcItem;
  r.left += 2;
  DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &r,
            DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

}  // namespace nc::ui
