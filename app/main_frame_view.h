// What the main window's controller asks of the frame around the pages:
// the caption and title, the page buttons, the window's place and size,
// the "More" menu and the end of the window.
#pragma once

#include <string_view>
#include <vector>

#include "app/options.h"

namespace nc::app {

// Tags that pair the page buttons with their pages.
enum PageTag : int {
  kTagCleaner = 17,
  kTagRegistry = 18,
  kTagTools = 19,
  kTagOptions = 20,
  kTagDefrag = 21,
  kTagMore = 22,
};

class MainFrameView {
 public:
  virtual ~MainFrameView() = default;

  virtual void SetCaption(std::string_view caption) = 0;
  virtual void SetTitle(std::string_view title, std::string_view subtitle) = 0;
  // Pages are group boxes paired with a button tag.
  virtual void SetPageVisible(int tag, bool visible) = 0;
  virtual void SetPageButtonHighlighted(int tag, bool highlighted) = 0;

  virtual WindowMetrics Metrics() const = 0;
  // The normal (restored) bounds, also while minimised or maximised.
  virtual WindowPlacement Placement() const = 0;
  // The work areas of the monitors, the primary one first.
  virtual std::vector<ScreenRect> MonitorWorkAreas() const = 0;
  virtual void SetBounds(int left, int top, int width, int height) = 0;
  virtual void Maximize() = 0;
  // Lays the controls out for the current size.
  virtual void Layout() = 0;

  virtual void ShowAbout() = 0;
  virtual void ShowMoreMenu() = 0;
  // Hides the main window and the taskbar button.
  virtual void HideAll() = 0;
  // Destroys the window; the message loop then ends.
  virtual void Destroy() = 0;
};

}  // namespace nc::app
