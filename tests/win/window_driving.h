// Driving windows from a test: waiting for a condition, and the clicks,
// typing and list-view selections the dialog tests make.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace nc::wintest {

// Checks `condition` every 50 ms, pumping this thread's messages between
// checks, until it holds or `timeoutMs` has passed; its last answer.
bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs = 30000);

// A click on a button whose handler opens a modal window: posted, so the
// driver does not wait for that window to close.
void PostClick(HWND dialog, int id);
// A click that returns when the button's handler has.
void Click(HWND dialog, int id);
void Type(HWND dialog, int id, const std::wstring& text);
bool Enabled(HWND dialog, int id);

// The selected row of a list view in this process (-1 for none), and a
// selection made as a click would.
int SelectedRow(HWND list);
void SelectRow(HWND list, int row);

// Saves a screenshot of the window under `name` when the screenshot
// folder is set (NC_BUILD_DIR), after letting it paint.
void Screenshot(HWND window, const wchar_t* name);

}  // namespace nc::wintest
