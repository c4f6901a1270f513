// What the main window's controller asks of the window: the frame and
// one view per page. The Win32 window implements them with real controls;
// tests implement them with a recorder.
#pragma once

#include "app/cleaner_page_view.h"
#include "app/defrag_page_view.h"
#include "app/main_frame_view.h"
#include "app/registry_page_view.h"
#include "app/tools_page_view.h"

namespace nc::app {

class MainView : public MainFrameView,
                 public CleanerPageView,
                 public RegistryPageView,
                 public ToolsPageView,
                 public DefragPageView {};

}  // namespace nc::app
