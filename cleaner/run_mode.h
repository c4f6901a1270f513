// The mode of a clean run, set by the main window and read by the clean
// worker to decide between listing and deleting.
#pragma once

namespace nc::cleaner {

enum class RunMode : int {
  Clean = 0,         // the real clean after the counting pass
  Auto = 1,          // a clean without questions (timer, "/Auto", session end)
  Test = 2,          // lists what a clean would remove
  CleanRequest = 3,  // the Clean button: a counting pass comes first
};

}  // namespace nc::cleaner
