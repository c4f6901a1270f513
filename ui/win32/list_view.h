// A list view control: one-line forwards to its messages, texts in UTF-8.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <string_view>

#include "ui/win32/window.h"

namespace nc::ui {

class ListView : public ChildControl {
 public:
  using ChildControl::ChildControl;

  void SetExtendedStyle(DWORD style) { ListView_SetExtendedListViewStyle(window_, style); }

  int InsertColumn(int index, std::string_view caption, int width, int format = LVCFMT_LEFT) {
    std::wstring text = Wide(caption);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.fmt = format;
    column.cx = width;
    column.pszText = text.data();
    return static_cast<int>(SendMessageW(window_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index),
                                         reinterpret_cast<LPARAM>(&column)));
  }
  bool SetColumnWidth(int column, int width) {
    return ListView_SetColumnWidth(window_, column, width) != FALSE;
  }

  int ItemCount() const { return ListView_GetItemCount(window_); }
  // The row's index, or -1.
  int InsertItem(int index, std::string_view text) {
    std::wstring wide = Wide(text);
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = wide.data();
    return static_cast<int>(
        SendMessageW(window_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
  }
  void SetItemText(int index, int column, std::string_view text) {
    std::wstring wide = Wide(text);
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = wide.data();
    SendMessageW(window_, LVM_SETITEMTEXTW, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&item));
  }
  bool DeleteItem(int index) { return ListView_DeleteItem(window_, index) != FALSE; }
  bool DeleteAllItems() { return ListView_DeleteAllItems(window_) != FALSE; }

  // The next row after `start` (-1: from the top) with the LVNI_ flags, or -1.
  int NextItem(int start, UINT flags) const { return ListView_GetNextItem(window_, start, flags); }
  int NextSelected(int start = -1) const { return NextItem(start, LVNI_SELECTED); }
  // `index` -1 sets the state of every row.
  void SetItemState(int index, UINT state, UINT mask) {
    ListView_SetItemState(window_, index, state, mask);
  }
  bool CheckState(int index) const { return ListView_GetCheckState(window_, index) != FALSE; }
  void SetCheckState(int index, bool checked) {
    ListView_SetCheckState(window_, index, checked ? TRUE : FALSE);
  }
  bool EnsureVisible(int index, bool partlyVisibleIsEnough) {
    return ListView_EnsureVisible(window_, index, partlyVisibleIsEnough ? TRUE : FALSE) != FALSE;
  }
};

}  // namespace nc::ui
