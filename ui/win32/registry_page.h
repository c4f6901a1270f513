// The controls of the Registry page: the sections tree, the problem list
// with its check boxes and three columns, the section title, the key
// line, the progress bar, the counts and the Scan, Fix Errors and Restore
// buttons.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "app/main_layout.h"
#include "app/main_view.h"
#include "registry/results_model.h"
#include "registry/section_tree.h"
#include "ui/win32/list_view.h"
#include "ui/win32/tree_view.h"

namespace nc::ui {

inline constexpr int kIdSectionTree = 2201;
inline constexpr int kIdProblemList = 2202;
inline constexpr int kIdScanTitle = 2203;
inline constexpr int kIdKeyLine = 2204;
inline constexpr int kIdRegistryBar = 2205;
inline constexpr int kIdRegistryStatus = 2206;
inline constexpr int kIdScan = 2207;
inline constexpr int kIdFixErrors = 2208;
inline constexpr int kIdRestore = 2209;

class RegistryPage : public registry::ResultsView {
 public:
  ~RegistryPage() override;
  void Create(HWND page, HFONT font);
  void Layout(const app::Rect& page, int windowWidth);

  void ShowTree(const registry::SectionTree& tree);
  void RefreshMarks(const registry::SectionTree& tree);
  // The image index of the node whose tick mark was pressed, if any.
  std::optional<int> HitTickMark() const;

  // registry::ResultsView
  void RowsCleared() override;
  void RowAppended(const registry::ProblemEntry& entry) override;
  void RowRemoved(std::size_t index) override;
  void RowTickChanged(std::size_t index, bool ticked) override;
  // A check box the user changed: the row and its new state.
  std::optional<std::pair<std::size_t, bool>> UserTickChange(const NMLISTVIEW& change) const;
  void AutoSizeColumns();
  std::vector<std::size_t> SelectedRows() const;
  HWND list() const { return list_.hwnd(); }

  void SetTitle(std::string_view text);
  void SetKeyLine(std::string_view text);
  void SetKeyLineVisible(bool visible);
  void SetStatus(std::string_view text);
  void SetScanCaption(std::string_view text);
  void ShowBar(const app::ProgressBarState& bar);
  void DrawBar(const DRAWITEMSTRUCT& item) const;

 private:
  HWND Child(const wchar_t* cls, const wchar_t* text, DWORD style, int id, DWORD exStyle = 0);

  HWND page_ = nullptr;
  HFONT font_ = nullptr;
  TreeView tree_;
  ListView list_;
  HWND title_ = nullptr;
  HWND keyLine_ = nullptr;
  HWND bar_ = nullptr;
  HWND status_ = nullptr;
  HWND scan_ = nullptr;
  HWND fix_ = nullptr;
  HWND restore_ = nullptr;
  HIMAGELIST states_ = nullptr;
  app::ProgressBarState barState_;
  bool keyLineVisible_ = false;
  // Set while the program changes check boxes, so that those changes are
  // not taken for the user's.
  bool updating_ = false;
  std::vector<std::pair<HTREEITEM, int>> items_;
};

// The state pictures of a tree: 0 none, 1 unticked, 2 ticked.
HIMAGELIST MakeTickStateImages();

}  // namespace nc::ui
