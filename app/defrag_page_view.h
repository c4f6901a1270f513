// What the main window's controller asks of the Registry Defrag page: the
// hive list, the four size labels, the two buttons and the progress
// dialog of an analysis.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "registry/defrag_analysis.h"

namespace nc::app {

struct HiveAnalysis;

// The four value labels of the Defrag page.
struct DefragLabels {
  std::string currentSize;
  std::string newSize;
  std::string sizeReduction;
  std::string compactPercent;
};

class DefragPageView {
 public:
  virtual ~DefragPageView() = default;

  virtual void SetAnalyzeEnabled(bool enabled) = 0;
  virtual void SetDefragEnabled(bool enabled) = 0;
  virtual void ClearDefragSizeLabels() = 0;
  // A row of the hive list with its name column only.
  virtual void AddHiveListLine(std::string_view text) = 0;
  // The size columns of row `row`.
  virtual void SetHiveRow(std::size_t row, const registry::HiveSizeRow& sizes) = 0;
  virtual void SetDefragSizeLabels(const DefragLabels& labels) = 0;
  virtual DefragLabels DefragLabelTexts() const = 0;
  // Shows the progress dialog of an analysis modally (HiveProgressDialog);
  // true when the analysis finished.
  virtual bool RunHiveAnalysis(const HiveAnalysis& analysis) = 0;
};

}  // namespace nc::app
