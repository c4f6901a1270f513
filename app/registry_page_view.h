// What the main window's controller asks of the Registry page: the
// sections tree, the problem list, the scan's title, key line, progress
// bar and counts, and the dialogs opened from the page.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "app/progress_bar_state.h"
#include "platform/prompts.h"
#include "registry/results_commands.h"
#include "registry/results_model.h"
#include "registry/section_tree.h"

namespace nc::app {

class RegistryPageView {
 public:
  virtual ~RegistryPageView() = default;

  virtual void ShowSectionTree(const registry::SectionTree& tree) = 0;
  virtual void RefreshSectionTreeMarks(const registry::SectionTree& tree) = 0;
  // The problem list as the results model updates it.
  virtual registry::ResultsView& ProblemList() = 0;
  virtual void AutoSizeProblemColumns() = 0;
  virtual void SetScanTitle(std::string_view text) = 0;  // the section being scanned
  virtual void SetKeyLine(std::string_view text) = 0;    // the key line under the list
  // The key line and "Restore" share their place: one of them is shown.
  virtual void SetKeyLineVisible(bool visible) = 0;
  virtual void SetScanCaption(std::string_view caption) = 0;
  virtual void SetRegistryStatus(std::string_view text) = 0;
  virtual void ShowRegistryBar(const ProgressBarState& bar) = 0;
  // The restore point dialog before a repair; false when the user chose
  // not to go on. Its question goes to `prompts` (an unattended run
  // answers it itself).
  virtual bool MakeRestorePoint(platform::Prompts& prompts) = 0;
  // The restore dialog of the backups.
  virtual void ShowRestoreDialog() = 0;
  // The rows highlighted in the problem list, in list order.
  virtual std::vector<std::size_t> SelectedProblemRows() const = 0;
  // The file "Save as &Text..." writes to; none when cancelled.
  virtual registry::SaveFileAsker SaveFileAsker() = 0;
  // Opens a row's location in the system's registry editor.
  virtual void OpenInRegistryEditor(const registry::ProblemEntry& row) = 0;
};

}  // namespace nc::app
