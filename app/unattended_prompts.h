// The main window's questions and notices. In an unattended "/Clear" run
// nobody is at the machine and a box would stop the run for good: each is
// answered at once without a window (a question No, a notice as seen) and
// kept for the run's report. Otherwise they are the window's boxes. Used on
// the main window's thread only.
#pragma once

#include <string_view>
#include <vector>

#include "app/run_report.h"
#include "platform/prompts.h"

namespace nc::app {

class UnattendedPrompts final : public platform::Prompts {
 public:
  explicit UnattendedPrompts(platform::Prompts& window) : window_(window) {}

  // Set once the command line is known, before the first box can come.
  void SetUnattended(bool unattended) { unattended_ = unattended; }
  bool unattended() const { return unattended_; }
  // What was answered without a window, in order.
  const std::vector<AnsweredBox>& answered() const { return answered_; }

  void inform(std::string_view text) override;
  void error(std::string_view text) override;
  bool confirm(std::string_view text) override;

 private:
  platform::Prompts& window_;
  bool unattended_ = false;
  std::vector<AnsweredBox> answered_;
};

}  // namespace nc::app
