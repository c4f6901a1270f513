// "Create System Point": the small modal window shown
// while System Restore makes a restore point. Its rules live in
// registry/restore_point.h; this window only shows them.
#pragma once

#include <windows.h>

#include "platform/prompts.h"
#include "platform/system.h"

namespace nc::ui {

inline constexpr const wchar_t* kSystemPointClass = L"NorvikCleanerSystemPoint";
inline constexpr int kSystemPointProgressId = 4101;

// Shows the window modally over `owner` (centred on it) and asks for the
// restore point; true when the caller may go on (made, or failed and the
// user chose to go on), false for Cancel. The failure question is asked
// through `prompts`.
bool ShowSystemPointDialog(HWND owner, platform::System& system, platform::Prompts& prompts);

}  // namespace nc::ui
