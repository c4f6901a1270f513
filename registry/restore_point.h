// The restore point made before a repair or a hive replacement: the
// worker that asks System Restore for it (RestorePointWorker) and
// the rules of its small modal window: the progress bar
// that shows activity, the answer from the worker, the question after a
// failure, and the result that tells the caller whether to go on.
#pragma once

#include <atomic>
#include <cstdint>
#include <string_view>
#include <thread>

#include "platform/messaging.h"
#include "platform/prompts.h"
#include "platform/system.h"

namespace nc::registry {

// Posted by the restore point worker to the restore point dialog; the
// number is fixed.
inline constexpr std::uint32_t WM_RESTORE_POINT_DONE = 0x5412;

inline constexpr std::string_view kRestorePointDescription = "Made by Norvik Cleaner";
inline constexpr std::string_view kRestorePointFailedQuestion =
    "Restore Point creation Failed! Contiue to fix?";

// The texts of the window.
inline constexpr std::string_view kSystemPointCaption = "Create System Point";
inline constexpr std::string_view kSystemPointTitle = "Creating Restore Point";
inline constexpr std::string_view kSystemPointLine1 =
    "is creating a restore point which will enable";
inline constexpr std::string_view kSystemPointLine2 =
    "you to safely return your system back to its former state.";
inline constexpr std::string_view kSystemPointWait = "Please wait...";
inline constexpr int kSystemPointBarMax = 100;
inline constexpr int kSystemPointTimerMs = 1000;

// Second parameter of WM_RESTORE_POINT_DONE.
inline constexpr std::intptr_t kRestorePointMade = 0;
inline constexpr std::intptr_t kRestorePointFailed = 1;

// The bar position after one timer tick.
int NextSystemPointProgress(int position);

// The worker: one blocking request to System Restore, answered by
// posting WM_RESTORE_POINT_DONE (0 made, 1 failed) to the dialog. It
// always answers, also when the request throws. The owner joins it (the
// destructor does) before the objects it uses go away.
class RestorePointWorker {
 public:
  RestorePointWorker(platform::System& system, platform::MessageTarget& dialog);
  ~RestorePointWorker();
  RestorePointWorker(const RestorePointWorker&) = delete;
  RestorePointWorker& operator=(const RestorePointWorker&) = delete;

  void Start();
  // Waits for the worker to end; nothing when it was never started.
  void Join();
  bool Running() const { return thread_.joinable(); }

 private:
  void Run();

  platform::System& system_;
  platform::MessageTarget& dialog_;
  std::thread thread_;
};

// What the rules ask of the window.
class SystemPointView {
 public:
  virtual ~SystemPointView() = default;
  virtual void SetProgress(int position) = 0;
  // Ends the modal showing.
  virtual void Close() = 0;
};

enum class SystemPointResult { Ok, Cancel };

// The restore point dialog without its window. The window calls OnShow when it is
// shown, OnTimer every second, OnRestorePointDone for
// WM_RESTORE_POINT_DONE and OnClose when it is closed by other means.
class SystemPointDialog {
 public:
  // `self` is where the worker posts its answer: the window.
  SystemPointDialog(platform::System& system, platform::Prompts& prompts,
                    platform::MessageTarget& self, SystemPointView& view);
  // Joins the worker.
  ~SystemPointDialog();
  SystemPointDialog(const SystemPointDialog&) = delete;
  SystemPointDialog& operator=(const SystemPointDialog&) = delete;

  void OnShow();
  void OnTimer();
  void OnRestorePointDone(std::intptr_t answer);
  // Closed before the worker's answer was handled: the result is Cancel.
  // The worker cannot be interrupted; it is joined when the dialog goes.
  void OnClose();

  SystemPointResult Result() const { return result_; }
  bool Done() const { return done_; }
  int Progress() const { return progress_; }

 private:
  platform::Prompts& prompts_;
  SystemPointView& view_;
  RestorePointWorker worker_;
  SystemPointResult result_ = SystemPointResult::Cancel;
  bool done_ = false;
  bool closed_ = false;
  int progress_ = 0;
};

}  // namespace nc::registry
