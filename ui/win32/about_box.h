// The About box of the "More" menu.
#pragma once

#include <windows.h>

namespace nc::ui {

// Shows the box modally over `owner` and returns when it is closed.
void ShowAboutBox(HWND owner);

}  // namespace nc::ui
