#include "ui/win32/cleaner_page.h"

#include "ui/win32/registry_page.h"
#include "ui/win32/window.h"

namespace nc::ui {

namespace {

void Place(HWND control, const app::Rect& r) {
  MoveWindow(control, r.left, r.top, r.width, r.height, TRUE);
}

}  // namespace

HIMAGELIST MakeTickStateImages() {
  constexpr int kSize = 16;
  HIMAGELIST list = ImageList_Create(kSize, kSize, ILC_COLOR24 | ILC_MASK, 3, 0);
  HDC screen = GetDC(nullptr);
  for (int state = 0; state < 3; ++state) {
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, kSize, kSize);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT r{0, 0, kSize, kSize};
    FillRect(dc, &r, GetSysColorBrush(COLOR_WINDOW));
    if (state > 0) {
      RECT box{2, 2, 15, 15};
      DrawFrameControl(dc, &box, DFC_BUTTON,
                       DFCS_BUTTONCHECK | DFCS_FLAT | (state == 2 ? DFCS_CHECKED : 0));
    }
    SelectObject(dc, old);
    ImageList_AddMasked(list, bitmap, RGB(1, 2, 3));
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  ReleaseDC(nullptr, screen);
  return list;
}

CleanerPage::~CleanerPage() {
  if (states_ != nullptr) ImageList_Destroy(states_);
}

HWND CleanerPage::CreateChild(const wchar_t* cls, const wchar_t* text, DWORD style, int id) {
  return CreateChildControl(page_, cls, text, style, id, font_);
}

void CleanerPage::Create(HWND page, HWND owner, HFONT font) {
  page_ = page;
  owner_ = owner;
  font_ = font;
  tree_.Attach(CreateWindowExW(WS_EX_CLIENTEDGE, WC_TREEVIEWW, L"",
                               WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES |
                                   TVS_LINESATROOT | TVS_SHOWSELALWAYS,
                               0, 0, 0, 0, page,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdCleanTree)),
                               GetModuleHandleW(nullptr), nullptr));
  tree_.SetFont(font);
  states_ = MakeTickStateImages();
  tree_.SetImageList(states_, TVSIL_STATE);

  bar_ = CreateChild(L"STATIC", L"", SS_OWNERDRAW, kIdCleanBar);
  ShowWindow(bar_, SW_HIDE);  // hidden until the first run
  log_.Create(page, owner, kIdLog, font);
  fastMode_ = CreateChild(L"BUTTON", L"Fast Mode", WS_TABSTOP | BS_AUTOCHECKBOX, kIdFastMode);
  test_ = CreateChild(L"BUTTON", L"Test", WS_TABSTOP | BS_PUSHBUTTON, kIdTest);
  clean_ = CreateChild(L"BUTTON", L"Clean", WS_TABSTOP | BS_PUSHBUTTON, kIdClean);

  tips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0,
                          0, 0, owner, nullptr, GetModuleHandleW(nullptr), nullptr);
  AddToolTip(tips_, page_, fastMode_,
             const_cast<wchar_t*>(L"Fast mode, not show detailed log of all cleaner settings"));
  AddToolTip(
      tips_, page_, test_,
      const_cast<wchar_t*>(
          L"You can see what kind of history will be deleted before they are really deleted"));
  AddToolTip(tips_, page_, clean_, const_cast<wchar_t*>(L"Deletes the history data "));
}

void CleanerPage::Layout(const app::Rect& page) {
  const app::CleanerLayout at = app::ComputeCleanerLayout(page);
  Place(tree_.hwnd(), at.tree);
  Place(bar_, at.progress);
  Place(log_.hwnd(), at.log);
  Place(fastMode_, at.fastMode);
  Place(test_, at.test);
  Place(clean_, at.clean);
}

void CleanerPage::ShowTree(const cleaner::CleanTree& tree) {
  tree_.SetRedraw(false);
  tree_.DeleteAllItems();
  items_.clear();
  const auto& groups = tree.groups();
  for (std::size_t g = 0; g < groups.size(); ++g) {
    HTREEITEM group =
        tree_.InsertItem(TVI_ROOT, groups[g].text, static_cast<UINT>(groups[g].state));
    items_.emplace_back(group, cleaner::NodeRef{static_cast<int>(g), -1});
    const auto& children = groups[g].children;
    for (std::size_t c = 0; c < children.size(); ++c) {
      HTREEITEM child =
          tree_.InsertItem(group, children[c].text, static_cast<UINT>(children[c].state));
      items_.emplace_back(child, cleaner::NodeRef{static_cast<int>(g), static_cast<int>(c)});
    }
    if (groups[g].expanded) tree_.Expand(group, TVE_EXPAND);
  }
  tree_.EnsureVisible(tree_.Root());
  tree_.SetRedraw(true);
  tree_.Invalidate();
}

void CleanerPage::RefreshMarks(const cleaner::CleanTree& tree) {
  for (const auto& [item, ref] : items_) {
    const cleaner::CleanNode* node = tree.node(ref);
    if (node == nullptr) continue;
    tree_.SetStateImage(item, static_cast<UINT>(node->state));
  }
}

cleaner::NodeRef CleanerPage::NodeOf(HTREEITEM item) const {
  for (const auto& [handle, ref] : items_) {
    if (handle == item) return ref;
  }
  return {-1, -1};
}

std::optional<std::pair<cleaner::NodeRef, cleaner::TreeHit>> CleanerPage::HitTest() const {
  TVHITTESTINFO hit{};
  const DWORD at = GetMessagePos();
  hit.pt = {static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
  ScreenToClient(tree_.hwnd(), &hit.pt);
  HTREEITEM item = tree_.HitTest(hit);
  if (item == nullptr) return std::nullopt;
  cleaner::TreeHit where = cleaner::TreeHit::Elsewhere;
  if ((hit.flags & TVHT_ONITEMSTATEICON) != 0) {
    where = cleaner::TreeHit::StatePicture;
  } else if ((hit.flags & TVHT_ONITEMLABEL) != 0) {
    where = cleaner::TreeHit::Label;
  }
  const cleaner::NodeRef ref = NodeOf(item);
  if (ref.group < 0) return std::nullopt;
  return std::make_pair(ref, where);
}

void CleanerPage::ShowBar(const app::ProgressBarState& bar) {
  barState_ = bar;
  // The caption is also the control's text, for readers of the window.
  SetWindowTextW(bar_, bar.captionShown ? Wide(bar.Caption()).c_str() : L"");
  ShowWindow(bar_, bar.visible ? SW_SHOW : SW_HIDE);
  InvalidateRect(bar_, nullptr, FALSE);
}

void CleanerPage::DrawBar(const DRAWITEMSTRUCT& item) const {
  DrawProgressBar(item, barState_, font_);
}

void DrawProgressBar(const DRAWITEMSTRUCT& item, const app::ProgressBarState& bar, HFONT font) {
  RECT r = item.rcItem;
  FillRect(item.hDC, &r, GetSysColorBrush(COLOR_WINDOW));
  FrameRect(item.hDC, &r, GetSysColorBrush(COLOR_BTNSHADOW));
  RECT filled = r;
  InflateRect(&filled, -2, -2);
  const int width = filled.right - filled.left;
  filled.right = filled.left + width * std::clamp(bar.position, 0, 1000) / 1000;
  HBRUSH fill = CreateSolidBrush(RGB(36, 96, 172));
  FillRect(item.hDC, &filled, fill);
  DeleteObject(fill);
  if (!bar.captionShown) return;
  const std::wstring caption = Wide(bar.Caption());
  SetBkMode(item.hDC, TRANSPARENT);
  HGDIOBJ old = SelectObject(item.hDC, font);
  // The caption reads in white over the filled part, in black elsewhere.
  SetTextColor(item.hDC, RGB(0, 0, 0));
  DrawTextW(item.hDC, caption.c_str(), -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  HRGN clip = CreateRectRgnIndirect(&filled);
  SelectClipRgn(item.hDC, clip);
  SetTextColor(item.hDC, RGB(255, 255, 255));
  DrawTextW(item.hDC, caption.c_str(), -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  SelectClipRgn(item.hDC, nullptr);
  DeleteObject(clip);
  SelectObject(item.hDC, old);
}

}  // namespace nc::ui
