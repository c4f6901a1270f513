// The "Index.dat file viewer" window, a modal window built in code. The
// rules live in app/index_dat_viewer.h; this class only shows.
#pragma once

#include <windows.h>

#include "app/index_dat_viewer.h"
#include "platform/platform.h"

namespace nc::ui {

// Shows the viewer modally over `owner`; returns when it is closed.
void ShowIndexDatViewer(HWND owner, platform::Platform ports, app::IndexDatViewerSettings settings);

// Window class and control identifiers, for tests that drive the window.
inline constexpr const wchar_t* kIndexDatViewerClass = L"NorvikCleanerIndexDatViewer";

namespace index_dat_ids {
inline constexpr int kFileName = 4301;
inline constexpr int kBrowse = 4302;
inline constexpr int kList = 4303;
inline constexpr int kTotal = 4304;
inline constexpr int kProgress = 4305;
inline constexpr int kMore = 4306;
inline constexpr int kShow = 4307;
inline constexpr int kClose = 4308;
inline constexpr int kDelete = 4309;
inline constexpr int kRevealDelete = 4310;  // Ctrl+Alt+S
}  // namespace index_dat_ids

}  // namespace nc::ui
