#include "app/unattended_prompts.h"

#include <string>

namespace nc::app {

void UnattendedPrompts::inform(std::string_view text) {
  if (!unattended_) return window_.inform(text);
  answered_.push_back({"notice", std::string(text), "OK"});
}

void UnattendedPrompts::error(std::string_view text) {
  if (!unattended_) return window_.error(text);
  answered_.push_back({"error", std::string(text), "OK"});
}

bool UnattendedPrompts::confirm(std::string_view text) {
  if (!unattended_) return window_.confirm(text);
  answered_.push_back({"question", std::string(text), "No"});
  return false;
}

}  // namespace nc::app
