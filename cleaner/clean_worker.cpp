#include "cleaner/clean_worker.h"

#include <algorithm>
#include <array>
#include <utility>

#include "cleaner/browser_items.h"
#include "cleaner/chromium_browsers.h"
#include "cleaner/clean_messages.h"
#include "cleaner/community/catalogue.h"
#include "cleaner/definitions.h"
#include "cleaner/ie_items.h"
#include "cleaner/office_items.h"
#include "cleaner/windows_items.h"
#include "core/text.h"

namespace nc::cleaner {
namespace {

// Items with a procedure in windows_items.
constexpr std::array<std::string_view, 13> kWindowsItems = {
    "Windows - Recent Documents",
    "Windows - Start Run",
    "Windows - Search Assistant",
    "Windows - Empty Recycle Bin",
    "Windows - Temporary Files",
    "Windows - Clipboard",
    "Windows - Memory Dumps",
    "Windows - Chkdsk File Fragments",
    "Advanced - Open File History",
    "Advanced - Menu Order Cache",
    "Advanced - Tray Notifications Cache",
    "Advanced - User Assist History",
    "Advanced - Paint",
};

// Items of the browser, Office and messenger cleaners.
constexpr std::array<std::string_view, 41> kBrowserAndOfficeItems = {
    "Internet Explorer - Temporary Internet Files",
    "Internet Explorer - Cookies",
    "Internet Explorer - Visited URL History",
    "Internet Explorer - Recently Typed URLs",
    "Internet Explorer - Index.dat Files",
    "Internet Explorer - Last Download Location",
    "Internet Explorer - Autocomplete History",
    "Instant Messengers - MSN Messenger",
    "Instant Messengers - Yahoo! Messenger",
    "Instant Messengers - Skype",
    "Microsoft Office - Access",
    "Microsoft Office - Excel",
    "Microsoft Office - FrontPage",
    "Microsoft Office - Powerpoint",
    "Microsoft Office - Word",
    "Microsoft Office - Recent Files",
    "Mozilla Firefox - Cookies",
    "Mozilla Firefox - Visited URL History",
    "Mozilla Firefox - Temporary Internet Files",
    "Mozilla Firefox - Download Manager",
    "Mozilla Firefox - Autocomplete History",
    "Mozilla Firefox - Preferences",
    "Mozilla Firefox - Saved Form Information",
    "Netscape - Cookies",
    "Netscape - Temporary Internet Files",
    "Netscape - Visited URL History",
    "Netscape - Preferences",
    "Netscape - Saved Form Information",
    "Opera - Temporary Internet Files",
    "Opera - Cookies",
    "Opera - Visited URL History",
    "Opera - Recently Typed URLs",
    "Opera - Autocomplete History",
    "Opera - Transfers",
    "Google Chrome - Temporary Internet Files",
    "Google Chrome - Cookies",
    "Google Chrome - Visited URL History",
    "Google Chrome - Session",
    "Google Chrome - Stored passwords in Forms",
    "Google Chrome - Saved Form Information",
    "Google Chrome - Download History",
};

template <std::size_t N>
bool Contains(const std::array<std::string_view, N>& names, std::string_view name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

bool IsFixedItemName(std::string_view runName) {
  std::size_t item = 0;
  return Contains(kWindowsItems, runName) || Contains(kBrowserAndOfficeItems, runName) ||
         ChromiumItemOf(runName, item) != nullptr;
}

void RunBrowserOrOfficeItem(CleanRun& run, std::string_view runName) {
  if (RunInternetExplorerItem(run, runName)) return;
  if (RunBrowserItem(run, runName)) return;
  if (RunOfficeOrMessengerItem(run, runName)) return;
  run.SetItemSize(0);
}

void DispatchCleanItem(CleanRun& run, std::string_view runName) {
  // First: an entry's name may hold any text ("Custom Lists - ...").
  if (community::IsCommunityName(runName)) {
    community::RunCommunityItem(run, runName);
  } else if (runName.find("Custom Lists -") != std::string_view::npos) {
    RunListSection(run, kCustomListFileName, runName);
  } else if (Contains(kWindowsItems, runName)) {
    RunWindowsItem(run, runName);
  } else if (IsFixedItemName(runName)) {
    RunBrowserOrOfficeItem(run, runName);
  } else {
    RunListSection(run, kDefinitionsFileName, runName);
  }
}

CleanWorker::CleanWorker(CleanEnvironment env, std::vector<std::string> runNames,
                         std::int32_t expectedTotal, std::uint32_t runId)
    : run_(std::move(env)), runNames_(std::move(runNames)), expectedTotal_(expectedTotal) {
  run_.SetRunId(runId);
}

CleanWorker::~CleanWorker() {
  RequestStop();
  Join();
}

void CleanWorker::Start() {
  if (thread_.joinable() || finished_.load()) return;
  thread_ = std::thread([this] { Execute(); });
}

void CleanWorker::Join() {
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void CleanWorker::ResetItemCounters() {
  run_.ItemCount = 0;
  run_.ItemSizeText = "0";
  run_.ItemSize = 0;
  run_.ScratchPath.clear();
  run_.LastProgressPost = run_.platform().clock.tickMs();
  run_.LogLineCounter = 0;
  run_.ItemRecord = {};
}

void CleanWorker::ReportItemDone() {
  const std::string& removed = run_.RemovedWord();
  run_.AddLine("");
  run_.AddLine(std::to_string(run_.ItemCount) + " items " + removed + "; " + run_.ItemSizeText +
               " KB " + removed + ".");
  run_.AddLine("");
  run_.ScrollLog(0);
  run_.TotalItems += run_.ItemCount;
  run_.TotalSize += run_.ItemSize;
  const std::int32_t index = currentIndex_.load();
  if (index >= 0 && static_cast<std::size_t>(index) < runNames_.size()) {
    run_.FileItemRecord(runNames_[static_cast<std::size_t>(index)]);
  }
  run_.env().context.mainWindow.post(WM_CLEAN_PROGRESS,
                                     static_cast<std::uintptr_t>(run_.TotalItems),
                                     CleanMessageParam(run_.RunId()));
}

void CleanWorker::RunAll() {
  platform::UiThread& ui = run_.env().context.ui;
  for (const std::string& line : run_.env().openingLines) run_.AddLine(line);
  if (!run_.env().openingLines.empty()) run_.AddLine(kCleanSeparator);
  for (std::size_t i = 0; i < runNames_.size(); ++i) {
    if (run_.Terminated()) return;
    const std::string& name = runNames_[i];
    currentIndex_.store(static_cast<std::int32_t>(i));
    ui.invoke([this] { ResetItemCounters(); });
    if (i > 0) run_.AddLine(kCleanSeparator);
    run_.AddLine(run_.LogPrefix() + "Clearing " + name + " ...");
    DispatchCleanItem(run_, name);
    ui.invoke([this] { ReportItemDone(); });
  }
  // Cancelled during the last item: the window has reset itself already.
  if (run_.Terminated()) return;

  const std::string& removed = run_.RemovedWord();
  run_.AddLine(kCleanSeparator);
  run_.AddLine("Total items " + removed + " = " + std::to_string(run_.TotalItems) + " ; " +
               "Total files " + removed + " = " + KilobyteText(run_.TotalSize) + " KB");
  run_.AddLine(kCleanSeparator);
  run_.env().context.mainWindow.post(WM_CLEAN_DONE, static_cast<std::uintptr_t>(run_.TotalItems),
                                     CleanMessageParam(run_.RunId()));
}

void CleanWorker::Execute() {
  currentIndex_.store(-1);
  try {
    RunAll();
  } catch (...) {
    // No further items and no totals; the window still learns that the
    // run is over unless it was cancelled.
    try {
      run_.AddLine(kRunErrorLine);
      run_.ScrollLog(0);
    } catch (...) {
    }
    if (!run_.Terminated()) {
      run_.env().context.mainWindow.post(WM_CLEAN_DONE,
                                         static_cast<std::uintptr_t>(run_.TotalItems),
                                         CleanMessageParam(run_.RunId(), true));
    }
  }
  finished_.store(true);
}

}  // namespace nc::cleaner
