// What one of the program's progress bars shows.
#pragma once

#include <string>

namespace nc::app {

// Its position (0..1000) and a caption, which is the percentage when
// `text` is empty.
struct ProgressBarState {
  bool visible = false;
  int position = 0;
  bool captionShown = false;
  std::string text;

  // The caption as drawn: the text, or the percentage.
  std::string Caption() const { return text.empty() ? std::to_string(position / 10) + "%" : text; }
  // Any change of the position replaces a text caption by the percentage.
  void SetPosition(int value) {
    position = value;
    text.clear();
  }
};

}  // namespace nc::app
