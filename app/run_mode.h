// The clean run mode of the main window, which the clean worker reads to
// decide between listing and deleting.
#pragma once

namespace nc::app {

enum RunModeValue : int { rmClean = 0, rmAuto = 1, rmTest = 2, rmCleanRequest = 3 };

}  // namespace nc::app
