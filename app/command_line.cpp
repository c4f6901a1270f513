#include "app/command_line.h"

#include "core/text.h"

namespace nc::app {

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine result;
  if (arguments.empty()) return result;
  const std::string& first = arguments[0];
  if (first == "/Auto") {
    result.runSwitch = RunSwitch::Auto;
    if (arguments.size() > 1) result.reportFile = arguments[1];
  } else if (EqualsNoCase(first, "/Clear")) {
    result.runSwitch = RunSwitch::Clear;
    if (arguments.size() > 1) result.reportFile = arguments[1];
  } else if (EqualsNoCase(first, "/Regdefrag")) {
    result.runSwitch = RunSwitch::Regdefrag;
  } else if (EqualsNoCase(first, "/Regscan")) {
    result.runSwitch = RunSwitch::Regscan;
    if (arguments.size() > 1) result.resultFile = arguments[1];
  }
  return result;
}

}  // namespace nc::app
