// The clean log as the worker sees it: lines are appended and the list is
// scrolled to its end. The window implements it over its log list (the
// calls run on the window's thread); tests record the lines.
#pragma once

#include <string_view>

namespace nc::cleaner {

class CleanLog {
 public:
  virtual ~CleanLog() = default;
  virtual void AddLine(std::string_view line) = 0;
  virtual void ScrollToEnd() = 0;
};

}  // namespace nc::cleaner
