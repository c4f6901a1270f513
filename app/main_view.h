// What the main window's controller asks of the window. The Win32 window
// implements it with real controls; tests implement it with a recorder.
#pragma once

#include <string>
#include <string_view>

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

// The four value labels of the Defrag page.
struct DefragLabels {
  std::string currentSize;
  std::string newSize;
  std::string sizeReduction;
  std::string compactPercent;
};

class MainView {
 public:
  virtual ~MainView() = default;

  virtual void SetCaption(std::string_view caption) = 0;
  virtual void SetTitle(std::string_view title, std::string_view subtitle) = 0;
  // Pages are group boxes paired with a button tag.
  virtual void SetPageVisible(int tag, bool visible) = 0;
  virtual void SetPageButtonHighlighted(int tag, bool highlighted) = 0;

  virtual void SetFastMode(bool checked) = 0;
  virtual void SetRegistryStatus(std::string_view text) = 0;
  virtual void SetWindowsBackupVisible(bool visible) = 0;
  virtual void SetAnalyzeEnabled(bool enabled) = 0;
  virtual void ClearDefragSizeLabels() = 0;
  virtual void AddHiveListLine(std::string_view text) = 0;
  virtual DefragLabels DefragLabelTexts() const = 0;

  virtual WindowMetrics Metrics() const = 0;
  virtual WindowPlacement Placement() const = 0;
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
