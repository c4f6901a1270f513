// Driving windows from a test: waiting for a condition or a window, the
// clicks, typing and list-view reads and selections the dialog and page
// tests make, and closing what a failed step left open.
#pragma once

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace nc::wintest {

// Checks `condition` every 50 ms, pumping this thread's messages between
// checks, until it holds or `timeoutMs` has passed; its last answer.
bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs = 30000);
// The first visible top-level window of the class (and caption, unless
// null) to appear within `timeoutMs`; null when none did.
HWND WaitForWindow(const wchar_t* className, const wchar_t* caption = nullptr,
                   DWORD timeoutMs = 20000);
// Whether the window was destroyed within `timeoutMs`.
bool WaitGone(HWND window, DWORD timeoutMs = 20000);
// Closes every window still open of the classes, in the order given
// (innermost first), so that a failed step cannot leave a test waiting
// for a modal window for ever.
void CloseWindowsOf(std::initializer_list<const wchar_t*> classes);

// A click on a button whose handler opens a modal window: posted, so the
// driver does not wait for that window to close.
void PostClick(HWND dialog, int id);
// A click that returns when the button's handler has.
void Click(HWND dialog, int id);
void Type(HWND dialog, int id, const std::wstring& text);
bool Enabled(HWND dialog, int id);

// The rows of a list view, the text of one of its cells in this process,
// and the text of a cell of a list view in another process (whose item
// and text buffer must live in that process).
int RowCount(HWND list);
std::wstring CellText(HWND list, int row, int column);
std::wstring RemoteCellText(HWND list, int row, int column);
// The selected row of a list view in this process (-1 for none), and a
// selection made as a click would.
int SelectedRow(HWND list);
void SelectRow(HWND list, int row);
// Sets state bits (ticks, selection) of a row of a list view in another
// process.
void SetRemoteRowState(HWND list, int row, UINT mask, UINT state);
// Every line of a list box, in order.
std::vector<std::wstring> ListBoxLines(HWND list);

// Saves a screenshot of the window under `name` when the screenshot
// folder is set (NC_BUILD_DIR), after letting it paint.
void Screenshot(HWND window, const wchar_t* name);

}  // namespace nc::wintest
