// Runs the hive analysis progress dialog as its window would: shown,
// activated, its own messages pumped on this thread until it closes.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "app/defrag_progress.h"
#include "platform/sim/message_queue.h"

namespace nc::test {

class RecordingProgressView : public app::HiveProgressView {
 public:
  void SetProgress(int value) override { position = value; }
  void SetStatusLabel(std::string_view text) override { status = text; }
  void SetCheckingText(std::string_view text) override { checking = text; }
  void SetStopEnabled(bool enabled) override { stopEnabled = enabled; }
  void SetTimerOn(bool on) override { timerOn = on; }
  void Hide() override { hidden = true; }
  void Close() override { closed = true; }

  int position = -1;
  std::string status, checking;
  bool stopEnabled = false, timerOn = false, hidden = false, closed = false;
};

// Hands one pumped message to the dialog; the close request closes it.
inline void Deliver(app::HiveProgressDialog& dialog, const sim::PostedMessage& m) {
  if (m.message == registry::kDefragCloseRequest) {
    dialog.OnClose();
  } else {
    dialog.OnMessage(m.message, m.wParam, m.lParam);
  }
}

// `eachPump` runs after every pump while the dialog is open; `closedView`,
// when given, receives the view as the dialog left it. True when the
// analysis finished.
inline bool RunHiveProgress(
    const app::HiveAnalysis& analysis,
    const std::function<void(app::HiveProgressDialog&, RecordingProgressView&)>& eachPump = {},
    RecordingProgressView* closedView = nullptr) {
  sim::MessageQueue queue;
  RecordingProgressView view;
  app::HiveProgressDialog dialog(analysis, queue, view);
  dialog.OnShow();
  dialog.OnActivate();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!view.closed && std::chrono::steady_clock::now() < deadline) {
    for (const auto& m : queue.pump()) Deliver(dialog, m);
    if (eachPump && !view.closed) eachPump(dialog, view);
    if (!view.closed) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  if (!view.closed) dialog.OnClose();
  if (closedView != nullptr) *closedView = view;
  return dialog.Succeeded();
}

}  // namespace nc::test
