// Where the main window's title area, page buttons and pages go for a
// given client size.
#pragma once

#include <array>

namespace nc::app {

struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  int right() const { return left + width; }
  int bottom() const { return top + height; }
  bool operator==(const Rect&) const = default;
};

// Fixed sizes of the window's design.
inline constexpr int kTitleHeight = 48;
inline constexpr int kPageButtonLeft = 8;
inline constexpr int kPageButtonWidth = 92;
inline constexpr int kPageButtonHeight = 52;
inline constexpr int kPageButtonPitch = 61;
inline constexpr int kPageButtonCount = 6;

struct MainLayout {
  Rect title;
  Rect page;                                   // all four pages share these bounds
  std::array<Rect, kPageButtonCount> buttons;  // Cleaner, Registry, Defrag, Tools, Options, More
};

// The title spans the client width; the pages start 5 pixels below it, at
// twice the buttons' left plus their width, and reach to 6 pixels from
// the right and bottom edges; the buttons are stacked from 5 pixels below
// the page top at a pitch of 61 pixels.
MainLayout ComputeMainLayout(int clientWidth, int clientHeight);

// Sizes of the standard controls.
inline constexpr int kButtonWidth = 75;
inline constexpr int kButtonHeight = 25;
inline constexpr int kCheckBoxWidth = 90;
inline constexpr int kCheckBoxHeight = 17;
inline constexpr int kProgressHeight = 20;
inline constexpr int kCleanTreeWidth = 210;

// The Cleaner page, in coordinates inside the page: "Test" and "Clean"
// 10 pixels above the page bottom, "Clean" right-aligned with the log and
// "Test" 20 pixels to its left, "Fast Mode" at the log's left 3 pixels
// lower than "Test"; the log reaches to 10 pixels above the buttons and 8
// from the page's right edge; the bar has the log's width and left; the
// tree reaches to 10 pixels above the page bottom.
struct CleanerLayout {
  Rect tree;
  Rect progress;
  Rect log;
  Rect fastMode;
  Rect test;
  Rect clean;
};
CleanerLayout ComputeCleanerLayout(const Rect& page);

// The Registry page, in coordinates inside the page: "Scan" 10 pixels
// above the page bottom; the problem list to 8 pixels from the page's
// right edge and down to 10 pixels above "Scan", the tree as high as the
// list; the bar as wide as the list; the status panel 1 pixel below the
// top of "Scan"; "Fix Errors" right-aligned with the list and "Scan" 20
// pixels to its left, or centred between "Restore" and "Fix Errors" when
// the window is narrower than 635 pixels; "Restore" at the list's left +
// 2; the key line from the list's left to 3 pixels left of "Scan", 3
// pixels above it.
struct RegistryLayout {
  Rect title;  // the section being scanned
  Rect tree;
  Rect progress;
  Rect list;
  Rect keyLine;
  Rect status;
  Rect scan;
  Rect fix;
  Rect restore;
};
inline constexpr int kSectionTreeWidth = 200;
RegistryLayout ComputeRegistryLayout(const Rect& page, int windowWidth);

// The Defrag page, in coordinates inside the page. Titles and values of
// the size labels: current size, new size (left column), size reduction,
// compact percent (right column).
struct DefragLayout {
  Rect hiveList;
  std::array<Rect, 4> titles;
  std::array<Rect, 4> values;
};

inline constexpr int kDefragTitleWidth = 132;
inline constexpr int kDefragRightTitleWidth = 95;
inline constexpr int kDefragValueWidth = 110;
inline constexpr int kDefragLabelHeight = 16;

// The hive list reaches to 8 pixels from the page's right edge and ends
// 50 pixels above its bottom; two rows of labels follow 8 pixels below it
// and 8 pixels apart. A window wider than 694 pixels puts the right
// column's titles at 397 and its values at 492; a narrower one puts them
// 5 pixels right of the left value and of the right title.
DefragLayout ComputeDefragLayout(const Rect& page, int windowWidth);

}  // namespace nc::app
