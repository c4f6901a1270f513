// The startup manager of the Tools page: "Startup" lists what Windows
// starts at logon, "&Delete Entry" deletes the ticked entries,
// "Select &All" and "Select &None" tick or untick every row.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "app/tools_page_view.h"
#include "platform/platform.h"
#include "registry/startup_entries.h"

namespace nc::app {

// The message after "&Delete Entry" left values whose names the system's
// deletion cannot take, given their captions in list order.
std::string StartupNamesRefusedText(const std::vector<std::string>& captions);

class StartupManager {
 public:
  // `versionCode` is WindowsVersionCode of the running system.
  StartupManager(platform::Platform ports, int versionCode, StartupListView& view)
      : ports_(ports), versionCode_(versionCode), view_(view) {}

  // "Startup": the list is filled anew.
  void OnStartupClicked();
  // "&Delete Entry": the ticked rows from the last to the first; each
  // leaves the list whether or not its deletion succeeded (a failed one
  // comes back with the next "Startup"). A value whose name the system
  // cannot be asked to delete stays, with its row, and one message names
  // every such entry.
  void OnDeleteEntryClicked();
  void OnSelectAllClicked() { view_.TickAllStartupRows(true); }
  void OnSelectNoneClicked() { view_.TickAllStartupRows(false); }

  // The entries behind the rows, in row order: only those whose row the
  // list took.
  const std::vector<registry::StartupEntry>& entries() const { return entries_; }

 private:
  platform::Platform ports_;
  int versionCode_ = 0;
  StartupListView& view_;
  std::vector<registry::StartupEntry> entries_;
};

}  // namespace nc::app
