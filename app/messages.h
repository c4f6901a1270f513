// The main window's own private messages, and the list of every private
// message the window receives, its own and those its workers post. The
// numbers are absolute: other programs post WM_SHOW_MAIN_WINDOW.
#pragma once

#include <array>
#include <cstdint>

#include "cleaner/clean_messages.h"
#include "registry/defrag_messages.h"
#include "registry/restore_point.h"
#include "registry/scan_worker.h"

namespace nc::app {

inline constexpr std::uint32_t WM_SHOW_MAIN_WINDOW = 0x5405;
inline constexpr std::uint32_t WM_TRAY_ICON = 0x5406;
inline constexpr std::uint32_t WM_AUTO_CLEAN = 0x5407;
inline constexpr std::uint32_t WM_CLEAN_AFTER_COUNT = 0x5430;
inline constexpr std::uint32_t WM_AUTO_DEFRAG = 0x6426;
inline constexpr std::uint32_t WM_AUTO_ANALYZE = 0x6427;

// Every private message of the program; no two may share a number.
inline constexpr std::array kPrivateMessages = {
    WM_SHOW_MAIN_WINDOW,
    WM_TRAY_ICON,
    WM_AUTO_CLEAN,
    WM_CLEAN_AFTER_COUNT,
    WM_AUTO_DEFRAG,
    WM_AUTO_ANALYZE,
    cleaner::WM_CLEAN_PROGRESS,
    cleaner::WM_CLEAN_DONE,
    registry::WM_SCAN_SECTION_DONE,
    registry::WM_SCAN_DONE,
    registry::WM_RESTORE_POINT_DONE,
    registry::WM_DEFRAG_START,
    registry::WM_DEFRAG_HIVE_DONE,
};

// The system command that minimises a window, and the marker the "/Auto"
// start sends with it so that the tray keeps a single icon.
inline constexpr std::uint32_t kSysCommandMinimize = 0xF020;
inline constexpr std::uint32_t kSysCommandMaximize = 0xF030;

}  // namespace nc::app
