// The "Run Cleaner" confirmation shown before a clean.
#pragma once

#include <windows.h>

#include <functional>

namespace nc::ui {

// Modal over `owner`; true for "&OK". Each click of "Don't show me this
// message again" calls `dontShowAgain` with the box's new state.
bool AskDeleteDialog(HWND owner, const std::function<void(bool)>& dontShowAgain);

}  // namespace nc::ui
