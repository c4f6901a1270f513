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
