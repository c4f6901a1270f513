// A tree view control: one-line forwards to its messages, texts in UTF-8.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <string_view>

#include "ui/win32/window.h"

namespace nc::ui {

class TreeView : public ChildControl {
 public:
  using ChildControl::ChildControl;

  // `kind` is TVSIL_NORMAL or TVSIL_STATE.
  void SetImageList(HIMAGELIST images, int kind) { TreeView_SetImageList(window_, images, kind); }

  // A new last child of `parent` (TVI_ROOT for the top level) showing the
  // state picture `stateImage`; null when it could not be added.
  HTREEITEM InsertItem(HTREEITEM parent, std::string_view text, UINT stateImage) {
    std::wstring wide = Wide(text);
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_STATE;
    insert.item.pszText = wide.data();
    insert.item.stateMask = TVIS_STATEIMAGEMASK;
    insert.item.state = INDEXTOSTATEIMAGEMASK(stateImage);
    return reinterpret_cast<HTREEITEM>(
        SendMessageW(window_, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
  }
  bool DeleteAllItems() { return TreeView_DeleteAllItems(window_) != FALSE; }

  void SetStateImage(HTREEITEM item, UINT stateImage) {
    TreeView_SetItemState(window_, item, INDEXTOSTATEIMAGEMASK(stateImage), TVIS_STATEIMAGEMASK);
  }
  // `action` is TVE_EXPAND, TVE_COLLAPSE or TVE_TOGGLE.
  bool Expand(HTREEITEM item, UINT action) {
    return TreeView_Expand(window_, item, action) != FALSE;
  }
  bool EnsureVisible(HTREEITEM item) { return TreeView_EnsureVisible(window_, item) != FALSE; }
  HTREEITEM Root() const { return TreeView_GetRoot(window_); }
  // `hit.pt` in client coordinates; the item under it, or null.
  HTREEITEM HitTest(TVHITTESTINFO& hit) const { return TreeView_HitTest(window_, &hit); }
  void ScrollToLeftEdge() { SendMessageW(window_, WM_HSCROLL, SB_LEFT, 0); }
};

}  // namespace nc::ui
