// What the main window's controller asks of the Registry Defrag page: the
// hive list and the four size labels.
#pragma once

#include <string>
#include <string_view>

namespace nc::app {

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
  virtual void ClearDefragSizeLabels() = 0;
  virtual void AddHiveListLine(std::string_view text) = 0;
  virtual DefragLabels DefragLabelTexts() const = 0;
};

}  // namespace nc::app
