#include "app/main_layout.h"

namespace nc::app {

MainLayout ComputeMainLayout(int clientWidth, int clientHeight) {
  MainLayout layout;
  layout.title = {0, 0, clientWidth, kTitleHeight};
  const int pageLeft = 2 * kPageButtonLeft + kPageButtonWidth;
  const int pageTop = layout.title.bottom() + 5;
  layout.page = {pageLeft, pageTop, clientWidth - 6 - pageLeft, clientHeight - 6 - pageTop};
  for (int i = 0; i < kPageButtonCount; ++i) {
    layout.buttons[static_cast<std::size_t>(i)] = {
        kPageButtonLeft, pageTop + 5 + i * kPageButtonPitch, kPageButtonWidth, kPageButtonHeight};
  }
  return layout;
}

CleanerLayout ComputeCleanerLayout(const Rect& page) {
  CleanerLayout layout;
  constexpr int kTop = 20;
  constexpr int kLeft = 8;
  layout.tree = {kLeft, kTop, kCleanTreeWidth, page.height - 10 - kTop};
  const int logLeft = layout.tree.right() + 8;
  const int logWidth = page.width - 8 - logLeft;
  const int buttonTop = page.height - 10 - kButtonHeight;
  layout.progress = {logLeft, kTop, logWidth, kProgressHeight};
  const int logTop = layout.progress.bottom() + 6;
  layout.log = {logLeft, logTop, logWidth, buttonTop - 10 - logTop};
  layout.clean = {layout.log.right() - kButtonWidth, buttonTop, kButtonWidth, kButtonHeight};
  layout.test = {layout.clean.left - 20 - kButtonWidth, buttonTop, kButtonWidth, kButtonHeight};
  layout.fastMode = {logLeft, buttonTop + 3, kCheckBoxWidth, kCheckBoxHeight};
  return layout;
}

RegistryLayout ComputeRegistryLayout(const Rect& page, int windowWidth) {
  RegistryLayout layout;
  constexpr int kLeft = 8;
  constexpr int kTop = 20;
  const int scanTop = page.height - 10 - kButtonHeight;
  layout.title = {kLeft, kTop, page.width - 16, 16};
  const int listLeft = kLeft + kSectionTreeWidth + 8;
  const int listTop = layout.title.bottom() + 4 + kProgressHeight + 4;
  const int listWidth = page.width - 8 - listLeft;
  layout.progress = {listLeft, layout.title.bottom() + 4, listWidth, kProgressHeight};
  layout.list = {listLeft, listTop, listWidth, scanTop - 10 - listTop};
  layout.tree = {kLeft, listTop, kSectionTreeWidth, layout.list.height};
  layout.fix = {layout.list.right() - kButtonWidth, scanTop, kButtonWidth, kButtonHeight};
  layout.restore = {layout.list.left + 2, scanTop, kButtonWidth, kButtonHeight};
  int scanLeft = layout.fix.left - 20 - kButtonWidth;
  if (windowWidth < 635) {
    scanLeft = (layout.restore.right() + layout.fix.left - kButtonWidth) / 2;
  }
  layout.scan = {scanLeft, scanTop, kButtonWidth, kButtonHeight};
  layout.keyLine = {layout.list.left, scanTop - 3, scanLeft - 3 - layout.list.left, kButtonHeight};
  layout.status = {kLeft, scanTop + 1, listLeft - 4 - kLeft, kButtonHeight};
  return layout;
}

DefragLayout ComputeDefragLayout(const Rect& page, int windowWidth) {
  DefragLayout layout;
  constexpr int kListLeft = 8;
  constexpr int kListTop = 20;
  layout.hiveList = {kListLeft, kListTop, page.width - 8 - kListLeft, page.height - 50 - kListTop};
  const int row1 = layout.hiveList.bottom() + 8;
  const int row2 = row1 + kDefragLabelHeight + 8;
  const int leftValue = kListLeft + kDefragTitleWidth + 5;
  int rightTitle = 397;
  int rightValue = 492;
  if (windowWidth <= 694) {
    rightTitle = leftValue + kDefragValueWidth + 5;
    rightValue = rightTitle + kDefragRightTitleWidth + 5;
  }
  layout.titles = {Rect{kListLeft, row1, kDefragTitleWidth, kDefragLabelHeight},
                   Rect{kListLeft, row2, kDefragTitleWidth, kDefragLabelHeight},
                   Rect{rightTitle, row1, kDefragRightTitleWidth, kDefragLabelHeight},
                   Rect{rightTitle, row2, kDefragRightTitleWidth, kDefragLabelHeight}};
  layout.values = {Rect{leftValue, row1, kDefragValueWidth, kDefragLabelHeight},
                   Rect{leftValue, row2, kDefragValueWidth, kDefragLabelHeight},
                   Rect{rightValue, row1, kDefragValueWidth, kDefragLabelHeight},
                   Rect{rightValue, row2, kDefragValueWidth, kDefragLabelHeight}};
  return layout;
}

}  // namespace nc::app
