#include "ui/win32/registry_page.h"

#include "ui/win32/cleaner_page.h"
#include "ui/win32/window.h"

namespace nc::ui {

namespace {
void Place(HWND control, const app::Rect& r) {
  MoveWindow(control, r.left, r.top, r.width, r.height, TRUE);
}
}  // namespace

RegistryPage::~RegistryPage() {
  if (states_ != nullptr) ImageList_Destroy(states_);
}

HWND RegistryPage::Child(const wchar_t* cls, const wchar_t* text, DWORD style, int id,
                         DWORD exStyle) {
  HWND control = CreateWindowExW(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0,
                                 page_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleW(nullptr), nullptr);
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
  return control;
}

void RegistryPage::Create(HWND page, HFONT font) {
  page_ = page;
  font_ = font;
  title_ = Child(L"STATIC", L"Select the sections to scan", SS_LEFTNOWORDWRAP, kIdScanTitle);
  tree_.Attach(Child(WC_TREEVIEWW, L"", WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES, kIdSectionTree,
                     WS_EX_CLIENTEDGE));
  states_ = MakeTickStateImages();
  tree_.SetImageList(states_, TVSIL_STATE);
  bar_ = Child(L"STATIC", L"", SS_OWNERDRAW, kIdRegistryBar);
  ShowWindow(bar_, SW_HIDE);  // hidden until the first scan
  list_.Attach(Child(WC_LISTVIEWW, L"", WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS, kIdProblemList,
                     WS_EX_CLIENTEDGE));
  list_.SetExtendedStyle(LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  const auto widths = registry::EmptyListColumnWidths(450);
  for (std::size_t i = 0; i < registry::kProblemColumns.size(); ++i) {
    list_.InsertColumn(static_cast<int>(i), registry::kProblemColumns[i], widths[i]);
  }
  keyLine_ = Child(L"EDIT", L"", ES_READONLY | ES_AUTOHSCROLL, kIdKeyLine, WS_EX_CLIENTEDGE);
  ShowWindow(keyLine_, SW_HIDE);
  status_ = Child(L"STATIC", L"", SS_LEFTNOWORDWRAP, kIdRegistryStatus);
  scan_ = Child(L"BUTTON", L"Scan", WS_TABSTOP | BS_PUSHBUTTON, kIdScan);
  fix_ = Child(L"BUTTON", L"Fix Errors", WS_TABSTOP | BS_PUSHBUTTON, kIdFixErrors);
  restore_ = Child(L"BUTTON", L"Restore", WS_TABSTOP | BS_PUSHBUTTON, kIdRestore);
}

void RegistryPage::Layout(const app::Rect& page, int windowWidth) {
  const app::RegistryLayout at = app::ComputeRegistryLayout(page, windowWidth);
  Place(title_, at.title);
  Place(tree_.hwnd(), at.tree);
  Place(bar_, at.progress);
  Place(list_.hwnd(), at.list);
  Place(keyLine_, at.keyLine);
  Place(status_, at.status);
  Place(scan_, at.scan);
  Place(fix_, at.fix);
  Place(restore_, at.restore);
}

void RegistryPage::ShowTree(const registry::SectionTree& tree) {
  tree_.DeleteAllItems();
  items_.clear();
  std::vector<HTREEITEM> parents;  // by level
  for (const auto& node : tree.Nodes()) {
    const auto level = static_cast<std::size_t>(node.level);
    HTREEITEM parent = level == 0 || parents.size() < level ? TVI_ROOT : parents[level - 1];
    HTREEITEM item = tree_.InsertItem(parent, node.caption, static_cast<UINT>(node.StateImage()));
    parents.resize(level + 1);
    parents[level] = item;
    items_.emplace_back(item, node.imageIndex);
  }
  for (const auto& [item, index] : items_) tree_.Expand(item, TVE_EXPAND);
  if (!items_.empty()) tree_.EnsureVisible(items_.front().first);
  tree_.ScrollToLeftEdge();
}

void RegistryPage::RefreshMarks(const registry::SectionTree& tree) {
  tree_.ScrollToLeftEdge();
  for (const auto& [item, index] : items_) {
    const registry::SectionTreeNode* node = tree.Node(index);
    if (node == nullptr) continue;
    tree_.SetStateImage(item, static_cast<UINT>(node->StateImage()));
  }
}

std::optional<int> RegistryPage::HitTickMark() const {
  TVHITTESTINFO hit{};
  const DWORD at = GetMessagePos();
  hit.pt = {static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
  ScreenToClient(tree_.hwnd(), &hit.pt);
  HTREEITEM item = tree_.HitTest(hit);
  if (item == nullptr || (hit.flags & TVHT_ONITEMSTATEICON) == 0) return std::nullopt;
  for (const auto& [handle, index] : items_) {
    if (handle == item) return index;
  }
  return std::nullopt;
}

void RegistryPage::RowsCleared() {
  list_.DeleteAllItems();
}

void RegistryPage::RowAppended(const registry::ProblemEntry& entry) {
  updating_ = true;
  const int row = list_.InsertItem(list_.ItemCount(), entry.Problem);
  list_.SetItemText(row, 1, entry.Data);
  list_.SetItemText(row, 2, entry.RegistryKey);
  list_.SetCheckState(row, entry.Ticked);
  updating_ = false;
}

void RegistryPage::RowRemoved(std::size_t index) {
  list_.DeleteItem(static_cast<int>(index));
}

void RegistryPage::RowTickChanged(std::size_t index, bool ticked) {
  updating_ = true;
  list_.SetCheckState(static_cast<int>(index), ticked);
  updating_ = false;
}

std::optional<std::pair<std::size_t, bool>> RegistryPage::UserTickChange(
    const NMLISTVIEW& change) const {
  if (updating_ || change.iItem < 0 || (change.uChanged & LVIF_STATE) == 0) return std::nullopt;
  const UINT oldImage = (change.uOldState & LVIS_STATEIMAGEMASK) >> 12;
  const UINT newImage = (change.uNewState & LVIS_STATEIMAGEMASK) >> 12;
  if (oldImage == newImage || oldImage == 0 || newImage == 0) return std::nullopt;
  return std::make_pair(static_cast<std::size_t>(change.iItem), newImage == 2);
}

void RegistryPage::AutoSizeColumns() {
  for (int i = 0; i < static_cast<int>(registry::kProblemColumns.size()); ++i) {
    list_.SetColumnWidth(i, LVSCW_AUTOSIZE_USEHEADER);
  }
}

std::vector<std::size_t> RegistryPage::SelectedRows() const {
  std::vector<std::size_t> rows;
  int row = -1;
  while ((row = list_.NextSelected(row)) >= 0) {
    rows.push_back(static_cast<std::size_t>(row));
  }
  return rows;
}

void RegistryPage::SetTitle(std::string_view text) {
  SetWindowTextW(title_, Wide(text).c_str());
}

void RegistryPage::SetKeyLine(std::string_view text) {
  SetWindowTextW(keyLine_, Wide(text).c_str());
}

void RegistryPage::SetKeyLineVisible(bool visible) {
  keyLineVisible_ = visible;
  ShowWindow(keyLine_, visible ? SW_SHOW : SW_HIDE);
  ShowWindow(restore_, visible ? SW_HIDE : SW_SHOW);
}

void RegistryPage::SetStatus(std::string_view text) {
  SetWindowTextW(status_, Wide(text).c_str());
}

void RegistryPage::SetScanCaption(std::string_view text) {
  SetWindowTextW(scan_, Wide(text).c_str());
}

void RegistryPage::ShowBar(const app::ProgressBarState& bar) {
  barState_ = bar;
  SetWindowTextW(bar_, bar.captionShown ? Wide(bar.Caption()).c_str() : L"");
  ShowWindow(bar_, bar.visible ? SW_SHOW : SW_HIDE);
  InvalidateRect(bar_, nullptr, FALSE);
}

void RegistryPage::DrawBar(const DRAWITEMSTRUCT& item) const {
  DrawProgressBar(item, barState_, font_);
}

}  // namespace nc::ui
