// The analysis worker: saves a compact copy of every hive, one after the
// other, and reports to the progress dialog.
//
// Threads and lifetime: the worker is a std::thread started by the
// progress dialog on the user-interface thread. It reports through a
// DefragChannel that it shares with the dialog: the text field (the hive
// being saved, then "Finish") and messages posted to the dialog
// (WM_DEFRAG_HIVE_DONE after each hive, kDefragCloseRequest at the end).
// A dialog that goes away first detaches the channel, after which the
// worker's posts go nowhere. A hive that cannot be saved ends the run
// there: the channel says so, and the text field keeps that hive's name. Stopping is cooperative
// and checked before each hive; a save in progress is never interrupted. Whoever owns the worker
// joins it (the destructor does) before the ports it uses go away.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/filesystem.h"
#include "platform/hives.h"
#include "platform/messaging.h"
#include "registry/defrag_messages.h"

namespace nc::registry {

// The text field reads this when every hive was attempted: the hand-over
// of a finished analysis.
inline constexpr std::string_view kDefragFinishText = "Finish";

class DefragChannel {
 public:
  explicit DefragChannel(platform::MessageTarget& dialog) : dialog_(&dialog) {}

  void SetText(std::string text);
  std::string Text() const;
  // Posts to the dialog while it is attached.
  void Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
  // The dialog is going: nothing is posted to it any more.
  void Detach();
  // A hive could not be saved.
  void MarkSaveFailed();
  bool SaveFailed() const;

 private:
  mutable std::mutex mutex_;
  platform::MessageTarget* dialog_;
  std::string text_;
  bool saveFailed_ = false;
};

struct DefragJob {
  std::vector<std::string> keyNames;
  std::vector<std::string> files;
  bool isWow64 = false;
};

class DefragWorker {
 public:
  DefragWorker(platform::Hives& hives, platform::FileSystem& files, platform::Clock& clock,
               std::shared_ptr<DefragChannel> channel, DefragJob job);
  // Asks the worker to stop and waits for it.
  ~DefragWorker();
  DefragWorker(const DefragWorker&) = delete;
  DefragWorker& operator=(const DefragWorker&) = delete;

  void Start();
  // Stops before the next hive.
  void RequestStop() { stop_ = true; }
  bool StopRequested() const { return stop_; }
  // The run has ended (set before the close request is posted).
  bool Finished() const { return finished_; }
  void Join();

 private:
  void Run();

  platform::Hives& hives_;
  platform::FileSystem& files_;
  platform::Clock& clock_;
  std::shared_ptr<DefragChannel> channel_;
  DefragJob job_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> finished_{false};
  std::thread thread_;
};

}  // namespace nc::registry
