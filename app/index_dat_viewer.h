// The index.dat file viewer: lists the URLs of a browser cache index file
// with their time stamps, opens a listed web address, and, behind a hidden
// command, overwrites the file's records in place.
//
// The parse runs on the window's thread and lets the window process its
// messages between the steps of both of its passes, so the user can press
// "&Show" again, close the window or press Escape meanwhile. None of these runs a second parse
// inside the first: "&Show" asks the running parse to start over, closing
// asks it to stop, and the window is closed only once the parse has
// unwound. The rows on show always come from one parse.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "tools/index_dat_reader.h"

namespace nc::app {

inline constexpr const char* kIndexDatCaption = "Index.dat file viewer";
inline constexpr const char* kIndexDatWrongName = "Please enter the correct index.dat file name.";
inline constexpr const char* kIndexDatInfoPage = "https://en.wikipedia.org/wiki/Index.dat";

class IndexDatViewerView {
 public:
  virtual ~IndexDatViewerView() = default;
  virtual void SetFileName(std::string_view path) = 0;
  virtual std::string FileName() = 0;
  virtual void FocusFileName() = 0;
  // The file-open dialog ("Index dat file(*.dat)|*.DAT"); nothing when
  // cancelled.
  virtual std::optional<std::string> ChooseFile(std::string_view current) = 0;
  // The virtual list draws its rows from RowText.
  virtual void SetRowCount(std::size_t rows) = 0;
  virtual void SetTotal(std::string_view text) = 0;
  // Shows the progress bar at `percent`.
  virtual void ShowProgress(int percent) = 0;
  virtual void ShowMessage(std::string_view text, std::string_view caption) = 0;
  virtual void SetDeleteVisible(bool visible) = 0;
  // Processes the window messages waiting now; returns at once when none.
  virtual void PumpMessages() = 0;
  virtual void CloseWindow() = 0;
};

struct IndexDatViewerSettings {
  bool IsWipeFile = false;
  int WipeNumber = 1;
};

class IndexDatViewer {
 public:
  // The window's messages are processed at the first of these checks and
  // then once this time has passed: often enough to answer the user, and
  // seldom enough that the system's message calls do not slow the parse.
  // A step is a table of the counting pass or a slot of the listing pass.
  static constexpr std::uint64_t kStepsPerCheck = 64;
  static constexpr std::uint64_t kPumpIntervalMs = 25;
  // Rows added between two updates of the list's row count.
  static constexpr std::size_t kRowsPerUpdate = 512;

  IndexDatViewer(platform::Platform& ports, IndexDatViewerView& view, tools::TimeText& time,
                 IndexDatViewerSettings settings);

  // The window opened: the default file of the browser's cache.
  void OnOpen();
  void OnBrowse();
  void OnShow();
  void OnRowDoubleClicked(int row);
  void OnMore();
  // Ctrl+Alt+S.
  void OnRevealDelete();
  void OnDelete();
  // "&Close", the close box and Escape.
  void OnClose();

  std::size_t RowCount() const { return rows_.size(); }
  const tools::IndexRowList& Rows() const { return rows_; }
  // Column 0 the URL, column 1 its time; empty for a row out of range.
  std::string RowText(std::size_t row, int column) const;
  bool Parsing() const { return parsing_; }

 private:
  // Whether `path` names an existing file ending in ".dat"; shows the
  // message and focuses the name when not.
  bool CheckName(const std::string& path);
  // One parse; false when it was abandoned for a new one or for closing.
  bool Parse(const std::string& path);
  void Clear();
  bool Interrupted() const { return restart_ || closing_; }

  platform::Platform& ports_;
  IndexDatViewerView& view_;
  tools::TimeText& time_;
  IndexDatViewerSettings settings_;
  // Each record once, within a budget for the file's size. The time stamps
  // are turned into text only for the rows on show: the list is virtual,
  // and the system's time calls cost more than the parse.
  tools::IndexRowList rows_;
  bool parsing_ = false;
  bool restart_ = false;
  bool closing_ = false;
};

}  // namespace nc::app
