// The controls of the Cleaner page: the clean item tree, the log list,
// the progress bar with its caption, "Fast Mode", "Test" and "Clean".
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <optional>
#include <utility>
#include <vector>

#include "app/main_layout.h"
#include "app/main_view.h"
#include "cleaner/catalogue.h"
#include "ui/win32/log_list.h"
#include "ui/win32/tree_view.h"

namespace nc::ui {

inline constexpr int kIdCleanTree = 2001;
inline constexpr int kIdLog = 2002;
inline constexpr int kIdCleanBar = 2003;
inline constexpr int kIdFastMode = 2004;
inline constexpr int kIdTest = 2005;
inline constexpr int kIdClean = 2006;
inline constexpr int kIdSaveLog = 2007;

// A progress bar drawn by the program: a frame, the filled part and a
// centred caption (a text such as "Finished!" or the percentage).
void DrawProgressBar(const DRAWITEMSTRUCT& item, const app::ProgressBarState& bar, HFONT font);

class CleanerPage {
 public:
  ~CleanerPage();
  void Create(HWND page, HWND owner, HFONT font);
  void Layout(const app::Rect& page);

  void ShowTree(const cleaner::CleanTree& tree);
  void RefreshMarks(const cleaner::CleanTree& tree);
  // A click on the tree: which node and where on it, if any.
  std::optional<std::pair<cleaner::NodeRef, cleaner::TreeHit>> HitTest() const;
  // The node of an expanded or collapsed tree item.
  cleaner::NodeRef NodeOf(HTREEITEM item) const;

  void ShowBar(const app::ProgressBarState& bar);
  void DrawBar(const DRAWITEMSTRUCT& item) const;

  LogList& log() { return log_; }
  HWND tree() const { return tree_.hwnd(); }
  HWND fastMode() const { return fastMode_; }
  HWND test() const { return test_; }

 private:
  HWND CreateChild(const wchar_t* cls, const wchar_t* text, DWORD style, int id);

  HWND page_ = nullptr;
  HWND owner_ = nullptr;
  HFONT font_ = nullptr;
  TreeView tree_;
  HWND bar_ = nullptr;
  HWND fastMode_ = nullptr;
  HWND test_ = nullptr;
  HWND clean_ = nullptr;
  HWND tips_ = nullptr;
  HIMAGELIST states_ = nullptr;
  LogList log_;
  app::ProgressBarState barState_;
  // Tree items by node, groups first.
  std::vector<std::pair<HTREEITEM, cleaner::NodeRef>> items_;
};

}  // namespace nc::ui
