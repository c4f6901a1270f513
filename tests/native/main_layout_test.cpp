// Placement of the title, the page buttons, the pages and the Defrag
// page's controls.
#include <gtest/gtest.h>

#include "app/main_layout.h"

namespace nc {
namespace {

TEST(MainLayout, PagesFillTheClientAreaBesideTheButtonColumn) {
  const app::MainLayout at = app::ComputeMainLayout(697, 456);
  EXPECT_EQ(at.title, (app::Rect{0, 0, 697, app::kTitleHeight}));
  EXPECT_EQ(at.page.left, 2 * app::kPageButtonLeft + app::kPageButtonWidth);
  EXPECT_EQ(at.page.top, app::kTitleHeight + 5);
  EXPECT_EQ(at.page.right(), 697 - 6);
  EXPECT_EQ(at.page.bottom(), 456 - 6);
  for (std::size_t i = 0; i < at.buttons.size(); ++i) {
    EXPECT_EQ(at.buttons[i].left, app::kPageButtonLeft);
    EXPECT_EQ(at.buttons[i].top, at.page.top + 5 + static_cast<int>(i) * 61);
  }
  // The last button still fits at the minimum size.
  const app::MainLayout small = app::ComputeMainLayout(610, 417);
  EXPECT_LE(small.buttons.back().bottom(), 417);
}

TEST(MainLayout, CleanerButtonsSitBelowTheLogAlignedToItsEdges) {
  const app::Rect page{106, 53, 585, 397};
  const app::CleanerLayout at = app::ComputeCleanerLayout(page);
  EXPECT_EQ(at.clean.bottom(), page.height - 10);
  EXPECT_EQ(at.test.top, at.clean.top);
  EXPECT_EQ(at.clean.right(), at.log.right());
  EXPECT_EQ(at.test.right(), at.clean.left - 20);
  EXPECT_EQ(at.fastMode.left, at.log.left);
  EXPECT_EQ(at.fastMode.top, at.test.top + 3);
  EXPECT_EQ(at.log.bottom(), at.test.top - 10);
  EXPECT_EQ(at.log.right(), page.width - 8);
  EXPECT_EQ(at.progress.left, at.log.left);
  EXPECT_EQ(at.progress.width, at.log.width);
  EXPECT_EQ(at.tree.bottom(), page.height - 10);
  EXPECT_LT(at.tree.right(), at.log.left);
}

TEST(MainLayout, ScanStandsLeftOfFixErrorsFrom635PixelsAndCentredBelow) {
  const app::Rect page{106, 53, 510, 397};
  const app::RegistryLayout wide = app::ComputeRegistryLayout(page, 635);
  EXPECT_EQ(wide.scan.bottom(), page.height - 10);
  EXPECT_EQ(wide.fix.right(), wide.list.right());
  EXPECT_EQ(wide.scan.right(), wide.fix.left - 20);
  EXPECT_EQ(wide.restore.left, wide.list.left + 2);
  EXPECT_EQ(wide.list.bottom(), wide.scan.top - 10);
  EXPECT_EQ(wide.list.right(), page.width - 8);
  EXPECT_EQ(wide.tree.height, wide.list.height);
  EXPECT_EQ(wide.progress.width, wide.list.width);
  EXPECT_EQ(wide.status.top, wide.scan.top + 1);
  EXPECT_EQ(wide.keyLine.left, wide.list.left);
  EXPECT_EQ(wide.keyLine.right(), wide.scan.left - 3);
  EXPECT_EQ(wide.keyLine.top, wide.scan.top - 3);

  const app::RegistryLayout narrow = app::ComputeRegistryLayout(page, 634);
  EXPECT_NEAR(narrow.scan.left - narrow.restore.right(), narrow.fix.left - narrow.scan.right(), 1);
  EXPECT_NE(narrow.scan.left, wide.scan.left);
  EXPECT_EQ(narrow.keyLine.right(), narrow.scan.left - 3);
}

TEST(MainLayout, DefragLabelsMoveToTheirFixedColumnsAbove694Pixels) {
  const app::Rect page{106, 69, 585, 381};
  const app::DefragLayout wide = app::ComputeDefragLayout(page, 695);
  EXPECT_EQ(wide.hiveList.right(), page.width - 8);
  EXPECT_EQ(wide.hiveList.bottom(), page.height - 50);
  EXPECT_EQ(wide.titles[0].top, wide.hiveList.bottom() + 8);
  EXPECT_EQ(wide.titles[1].top, wide.titles[0].bottom() + 8);
  EXPECT_EQ(wide.titles[2].left, 397);
  EXPECT_EQ(wide.values[2].left, 492);
  EXPECT_EQ(wide.values[3].left, 492);

  const app::DefragLayout narrow = app::ComputeDefragLayout(page, 694);
  EXPECT_EQ(narrow.titles[2].left, narrow.values[0].right() + 5);
  EXPECT_EQ(narrow.values[2].left, narrow.titles[2].right() + 5);
}

}  // namespace
}  // namespace nc
