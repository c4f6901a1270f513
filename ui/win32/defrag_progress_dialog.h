// "Defrag Registry": the modal window shown while the hives are saved to
// their compact copies. Its rules live in app/defrag_progress.h; this
// window only shows them.
#pragma once

#include <windows.h>

#include "app/defrag_progress.h"

namespace nc::ui {

inline constexpr const wchar_t* kHiveProgressClass = L"NorvikCleanerHiveProgress";
inline constexpr int kHiveProgressStatusId = 4201;
inline constexpr int kHiveProgressTextId = 4202;
inline constexpr int kHiveProgressBarId = 4203;
inline constexpr int kHiveProgressStopId = 4204;

// Shows the window modally over `owner` and runs the analysis; true when
// it finished (the text field reads "Finish" when the window closes).
bool ShowHiveProgressDialog(HWND owner, const app::HiveAnalysis& analysis);

}  // namespace nc::ui
