// The progress dialog of a hive analysis ("Defrag Registry") without its
// window: it starts the worker, moves the bar by an estimate of the copy
// speed taken from the first hive, and tells the caller whether the
// analysis finished.
//
// The window calls OnShow, OnActivate (each time it becomes active),
// OnMessage for WM_DEFRAG_START, WM_DEFRAG_HIVE_DONE and the close
// request, OnTimer every second while the view's timer is on, OnStop for
// "Stop" and OnClose when it is closed. A close while the worker still
// saves a hive (the user closed the window) asks the worker to stop and
// hands it to `parking`, where its owner waits for it; from then on the
// worker never reaches the window.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"
#include "platform/filesystem.h"
#include "platform/hives.h"
#include "platform/messaging.h"
#include "registry/defrag_worker.h"

namespace nc::app {

inline constexpr std::string_view kHiveProgressCaption = "Defrag Registry";
inline constexpr std::string_view kHiveProgressWorking = "Analyzing registry. Please wait.";
inline constexpr std::string_view kHiveProgressStopping = "Stop Process...";
inline constexpr std::string_view kHiveProgressChecking = "Checking: ";
inline constexpr int kHiveProgressBarMax = 1000;
inline constexpr int kHiveProgressTimerMs = 1000;

// What the analysis needs from its caller.
struct HiveAnalysis {
  platform::Hives& hives;
  platform::FileSystem& files;
  platform::Clock& clock;
  std::vector<std::string> keyNames;
  std::vector<std::string> hiveFiles;
  bool isWow64 = false;
  bool silent = false;  // the dialog hides itself
  // Workers whose dialog closed before they ended; the caller joins them.
  std::vector<std::unique_ptr<registry::DefragWorker>>& parking;
  // Set when the dialog closes: a hive could not be saved.
  bool* saveFailed = nullptr;
};

class HiveProgressView {
 public:
  virtual ~HiveProgressView() = default;
  virtual void SetProgress(int position) = 0;  // 0..1000
  virtual void SetStatusLabel(std::string_view text) = 0;
  virtual void SetCheckingText(std::string_view text) = 0;
  virtual void SetStopEnabled(bool enabled) = 0;
  virtual void SetTimerOn(bool on) = 0;
  virtual void Hide() = 0;
  // Ends the modal showing.
  virtual void Close() = 0;
};

class HiveProgressDialog {
 public:
  // `self` is where the dialog and the worker post: the window.
  HiveProgressDialog(const HiveAnalysis& analysis, platform::MessageTarget& self,
                     HiveProgressView& view);
  // A worker still running is stopped and parked.
  ~HiveProgressDialog();
  HiveProgressDialog(const HiveProgressDialog&) = delete;
  HiveProgressDialog& operator=(const HiveProgressDialog&) = delete;

  void OnShow();
  void OnActivate();
  // False for messages that are not the dialog's.
  bool OnMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
  void OnTimer();
  void OnStop();
  void OnClose();

  // The text field after the dialog closed reads "Finish".
  bool Succeeded() const;
  std::string CheckingText() const;

  // The estimate's state, for tests.
  int position() const { return position_; }
  int step() const { return step_; }
  int milestone() const { return milestone_; }
  std::size_t index() const { return index_; }
  bool stopped() const { return stopped_; }
  bool timerOn() const { return timerOn_; }

 private:
  void StartWorker();
  void OnHiveDone(std::uint64_t firstMs, std::size_t finished);
  void SetPosition(int position);
  void SetTimer(bool on);
  void RefreshText();
  void ParkWorker();
  std::uint64_t Size(std::string_view path) const;

  HiveAnalysis analysis_;
  platform::MessageTarget& self_;
  HiveProgressView& view_;
  std::shared_ptr<registry::DefragChannel> channel_;
  std::unique_ptr<registry::DefragWorker> worker_;
  bool activated_ = false;
  bool closed_ = false;
  bool userClosed_ = false;
  std::string finalText_;

  std::uint64_t total_ = 0;
  std::uint64_t done_ = 0;
  int step_ = 0;
  std::size_t index_ = 0;
  int milestone_ = 0;
  int position_ = 0;
  bool stopped_ = false;
  bool timerOn_ = false;
};

// The bar's advance per second from the first hive: `firstMs` the time it
// took, `firstCopySize` its copy's size, `total` the bytes of all hives.
int HiveProgressStep(std::uint64_t firstMs, std::uint64_t firstCopySize, std::uint64_t total,
                     bool isWow64);

}  // namespace nc::app
