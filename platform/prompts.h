// Questions and messages to the user, as message boxes titled with the
// product name.
#pragma once

#include <string_view>

namespace nc::platform {

class Prompts {
 public:
  virtual ~Prompts() = default;
  // Information box with an OK button.
  virtual void inform(std::string_view text) = 0;
  // Error box with an OK button.
  virtual void error(std::string_view text) = 0;
  // Yes/No with the information icon and No as the default button; true
  // for Yes.
  virtual bool confirm(std::string_view text) = 0;
};

}  // namespace nc::platform
