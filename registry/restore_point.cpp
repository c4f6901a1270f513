#include "registry/restore_point.h"

namespace nc::registry {

int NextSystemPointProgress(int position) {
  if (position < 0) return 0;
  if (position <= 30) return position + 10;
  if (position <= 50) return position + 5;
  if (position <= 60) return position + 3;
  if (position <= 80) return position + 2;
  if (position <= 99) return position + 1;
  return position;
}

// ---- worker ----------------------------------------------------------------

RestorePointWorker::RestorePointWorker(platform::System& system, platform::MessageTarget& dialog)
    : system_(system), dialog_(dialog) {}

RestorePointWorker::~RestorePointWorker() {
  Join();
}

void RestorePointWorker::Start() {
  if (thread_.joinable()) return;
  thread_ = std::thread([this] { Run(); });
}

void RestorePointWorker::Join() {
  if (thread_.joinable()) thread_.join();
}

void RestorePointWorker::Run() {
  std::intptr_t answer = kRestorePointFailed;
  try {
    if (system_.createRestorePoint(kRestorePointDescription)) answer = kRestorePointMade;
  } catch (...) {
    answer = kRestorePointFailed;
  }
  (void)dialog_.post(WM_RESTORE_POINT_DONE, 0, answer);
}

// ---- dialog rules ----------------------------------------------------------

SystemPointDialog::SystemPointDialog(platform::System& system, platform::Prompts& prompts,
                                     platform::MessageTarget& self, SystemPointView& view)
    : prompts_(prompts), view_(view), worker_(system, self) {}

SystemPointDialog::~SystemPointDialog() {
  worker_.Join();
}

void SystemPointDialog::OnShow() {
  done_ = false;
  closed_ = false;
  progress_ = 0;
  result_ = SystemPointResult::Cancel;
  view_.SetProgress(progress_);
  worker_.Start();
}

void SystemPointDialog::OnTimer() {
  if (done_ || closed_) return;
  const int next = NextSystemPointProgress(progress_);
  if (next != progress_) {
    progress_ = next;
    view_.SetProgress(progress_);
  }
}

void SystemPointDialog::OnRestorePointDone(std::intptr_t answer) {
  // One answer per showing; one that arrives after the window was closed
  // changes nothing.
  if (done_ || closed_) return;
  result_ = SystemPointResult::Ok;
  if (answer != kRestorePointMade && !prompts_.confirm(kRestorePointFailedQuestion)) {
    result_ = SystemPointResult::Cancel;
  }
  done_ = true;
  view_.Close();
}

void SystemPointDialog::OnClose() {
  if (done_ || closed_) return;
  closed_ = true;
  result_ = SystemPointResult::Cancel;
  view_.Close();
}

}  // namespace nc::registry
