// The sizes an analysis shows and the checks around it.
#include "registry/defrag_analysis.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hive_machine.h"

namespace nc::test {
namespace {

using registry::HiveSizes;

TEST(DefragAnalysisTest, TotalsPercentAndAdvice) {
  struct Case {
    std::vector<HiveSizes> hives;
    const char* current;
    const char* fresh;
    const char* reduction;
    const char* percent;
    bool low;
  } cases[] = {
      // 10,000 KB to 9,750 KB: 2.5 percent, below the advice limit.
      {{{10240000, 9984000}}, "10,000 KB", "9,750 KB", "250 KB", "2.5%", true},
      {{{1000000, 500000}, {2000000000, 1000000000}},
       "1,954,102 KB",
       "977,051 KB",
       "977,051 KB",
       "50.0%",
       false},
      // Exactly 3.0 is not below it; a half tenth rounds up.
      {{{1000, 970}}, "1 KB", "1 KB", "1 KB", "3.0%", false},
      {{{400, 391}}, "1 KB", "1 KB", "1 KB", "2.3%", true},
      // Copies larger in total: no percent to speak of and no advice.
      {{{1024, 2048}}, "1 KB", "2 KB", "0 KB", "0%", false},
      // No hive bytes at all.
      {{{0, 0}}, "0 KB", "0 KB", "0 KB", "0.0%", true},
  };
  for (const Case& c : cases) {
    const registry::DefragSummary s = registry::SummarizeSizes(c.hives);
    EXPECT_EQ(s.currentSize, c.current);
    EXPECT_EQ(s.newSize, c.fresh);
    EXPECT_EQ(s.sizeReduction, c.reduction);
    EXPECT_EQ(s.compactPercent, c.percent);
    EXPECT_EQ(s.lowFragmentation, c.low) << c.percent;
  }
}

TEST(DefragAnalysisTest, ReductionColumnIsAWholePercentAndNeverNegative) {
  struct Case {
    HiveSizes sizes;
    const char* expected;
  } cases[] = {
      {{1000, 999}, "0%"},  {{1000, 0}, "100%"}, {{3000, 2000}, "33%"},
      {{1000, 1001}, "0%"}, {{0, 0}, "0%"},
  };
  for (const Case& c : cases) EXPECT_EQ(registry::ReductionText(c.sizes), c.expected);
  EXPECT_EQ(registry::LowFragmentationAdvice("2.5%"),
            "The fragment rate of your registry is only 2.5%. We suggest that your registry does "
            "not need to be compacted at this time. If you select to compact the registry now, "
            "the same fragment rate may appear again.");
}

TEST(DefragAnalysisTest, SoftwareCopyUnderAQuarterOfItsFileFails) {
  sim::SimPlatform sim;
  const std::string software = std::string(kConfig) + "SOFTWARE";
  const std::string system = std::string(kConfig) + "system";
  MakeSizedFile(sim, software, 4003);
  MakeSizedFile(sim, system, 4000);
  MakeSizedFile(sim, system + ".fdc", 1);  // small, but not the software hive
  const std::vector<std::string> files = {system, software};
  struct Case {
    std::int64_t copy;  // -1: no copy
    bool tooSmall;
  } cases[] = {{-1, true}, {999, true}, {1000, false}, {5000, false}};
  for (const Case& c : cases) {
    if (c.copy < 0) {
      (void)sim.files().deleteFile(software + ".fdc");
    } else {
      MakeSizedFile(sim, software + ".fdc", static_cast<std::uint64_t>(c.copy));
    }
    EXPECT_EQ(registry::SoftwareCopyTooSmall(sim.files(), files), c.tooSmall) << c.copy;
  }
}

}  // namespace
}  // namespace nc::test
