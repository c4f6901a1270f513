// Private window messages between the workers and the windows. The
// numbers are absolute: other programs post WM_SHOW_MAIN_WINDOW.
#pragma once

#include <cstdint>

namespace nc::app {

inline constexpr std::uint32_t WM_SHOW_MAIN_WINDOW = 0x5405;
inline constexpr std::uint32_t WM_TRAY_ICON = 0x5406;
inline constexpr std::uint32_t WM_AUTO_CLEAN = 0x5407;
inline constexpr std::uint32_t WM_CLEAN_PROGRESS = 0x5408;
inline constexpr std::uint32_t WM_CLEAN_DONE = 0x5409;
inline constexpr std::uint32_t WM_RESTORE_POINT_DONE = 0x5412;
inline constexpr std::uint32_t WM_CLEAN_AFTER_COUNT = 0x5430;
inline constexpr std::uint32_t WM_DEFRAG_START = 0x6422;
inline constexpr std::uint32_t WM_DEFRAG_HIVE_DONE = 0x6423;
inline constexpr std::uint32_t WM_AUTO_DEFRAG = 0x6426;
inline constexpr std::uint32_t WM_AUTO_ANALYZE = 0x6427;
inline constexpr std::uint32_t WM_SCAN_SECTION_DONE = 0x6413;
inline constexpr std::uint32_t WM_SCAN_DONE = 0x6414;

// The system command that minimises a window, and the marker the "/Auto"
// start sends with it so that the tray keeps a single icon.
inline constexpr std::uint32_t kSysCommandMinimize = 0xF020;
inline constexpr std::uint32_t kSysCommandMaximize = 0xF030;

}  // namespace nc::app
