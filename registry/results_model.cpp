#include "registry/results_model.h"

namespace nc::registry {

std::array<int, 3> EmptyListColumnWidths(int listWidth) {
  return {listWidth * 100 / 450, listWidth * 190 / 450, listWidth * 140 / 450};
}

std::size_t ResultsModel::TickedCount() const {
  std::size_t ticked = 0;
  for (const auto& row : rows_) ticked += row.Ticked ? 1 : 0;
  return ticked;
}

void ResultsModel::Clear() {
  rows_.clear();
  if (view_ != nullptr) view_->RowsCleared();
}

void ResultsModel::Append(ProblemEntry entry) {
  rows_.push_back(std::move(entry));
  if (view_ != nullptr) view_->RowAppended(rows_.back());
}

bool ResultsModel::RemoveLast() {
  if (rows_.empty()) return false;
  return Remove(rows_.size() - 1);
}

bool ResultsModel::Remove(std::size_t index) {
  if (index >= rows_.size()) return false;
  rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(index));
  if (view_ != nullptr) view_->RowRemoved(index);
  return true;
}

void ResultsModel::Tick(std::size_t index, bool ticked) {
  if (rows_[index].Ticked == ticked) return;
  rows_[index].Ticked = ticked;
  if (view_ != nullptr) view_->RowTickChanged(index, ticked);
}

void ResultsModel::SetTicked(std::size_t index, bool ticked) {
  if (index < rows_.size()) Tick(index, ticked);
}

void ResultsModel::SetAllTicked(bool ticked) {
  for (std::size_t i = 0; i < rows_.size(); ++i) Tick(i, ticked);
}

void ResultsModel::SetTickedOfType(std::size_t index, bool ticked) {
  if (index >= rows_.size()) return;
  const std::string problem = rows_[index].Problem;
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    if (rows_[i].Problem == problem) Tick(i, ticked);
  }
}

std::string ResultsModel::CountsText() const {
  return " " + std::to_string(Count()) + " Errors Found, " + " " + std::to_string(TickedCount()) +
         " Errors Selected.";
}

}  // namespace nc::registry
