// The problem list of the registry page as a model: the
// rows in order with their tick marks, the ticking commands and the
// counts line. A view, when set, is told of every change so
// the list control mirrors the rows.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "registry/problem.h"

namespace nc::registry {

// The columns, in order; the first is the row caption.
inline constexpr std::array<std::string_view, 3> kProblemColumns = {"Problem", "Data",
                                                                    "Registry key"};

// Column widths of an empty list: 100, 190 and 140 parts of 450 of the
// list's width (integer division).
std::array<int, 3> EmptyListColumnWidths(int listWidth);

class ResultsView {
 public:
  virtual ~ResultsView() = default;
  virtual void RowsCleared() = 0;
  virtual void RowAppended(const ProblemEntry& entry) = 0;
  virtual void RowRemoved(std::size_t index) = 0;
  virtual void RowTickChanged(std::size_t index, bool ticked) = 0;
};

class ResultsModel {
 public:
  void SetView(ResultsView* view) { view_ = view; }

  const std::vector<ProblemEntry>& Rows() const { return rows_; }
  std::size_t Count() const { return rows_.size(); }
  std::size_t TickedCount() const;
  bool Empty() const { return rows_.empty(); }

  void Clear();
  void Append(ProblemEntry entry);
  // Removes the last row; false when there is none.
  bool RemoveLast();
  // Removes one row; false when `index` is out of range.
  bool Remove(std::size_t index);

  // "&Select Item" / "&Deselect Item".
  void SetTicked(std::size_t index, bool ticked);
  // "Select &All" / "D&eselect All".
  void SetAllTicked(bool ticked);
  // "Select All of T&ype" / "Deselect A&ll of Type": every row whose
  // Problem text equals that of row `index`, exactly.
  void SetTickedOfType(std::size_t index, bool ticked);

  // The counts line: " N Errors Found,  M Errors Selected." (RefreshCounts).
  std::string CountsText() const;

 private:
  void Tick(std::size_t index, bool ticked);

  std::vector<ProblemEntry> rows_;
  ResultsView* view_ = nullptr;
};

}  // namespace nc::registry
