#include "app/defrag_progress.h"

#include <algorithm>

#include "registry/defrag_analysis.h"
#include "registry/hive_list.h"

namespace nc::app {

int HiveProgressStep(std::uint64_t firstMs, std::uint64_t firstCopySize, std::uint64_t total,
                     bool isWow64) {
  std::int64_t step = 40;
  // Nothing to measure by (an instant save or no hive bytes): the default.
  if (firstMs != 0 && total != 0) {
    const std::uint64_t speed = firstCopySize * 1000 * 1000 / (firstMs * total);
    step = static_cast<std::int64_t>(std::min<std::uint64_t>(speed, 1000));
    if (step < 10) {
      step += 10;
    } else if (step < 30) {
      step = step * 2 - 10;
    }
    if (step > 50) step = 50;
  }
  if (isWow64) step = step / 2 - 3;
  return static_cast<int>(step);
}

HiveProgressDialog::HiveProgressDialog(const HiveAnalysis& analysis, platform::MessageTarget& self,
                                       HiveProgressView& view)
    : analysis_(analysis), self_(self), view_(view) {}

HiveProgressDialog::~HiveProgressDialog() {
  ParkWorker();
}

std::uint64_t HiveProgressDialog::Size(std::string_view path) const {
  return registry::FileSizeOf(analysis_.files, path);
}

void HiveProgressDialog::SetPosition(int position) {
  position_ = position;
  view_.SetProgress(std::clamp(position, 0, kHiveProgressBarMax));
}

void HiveProgressDialog::SetTimer(bool on) {
  timerOn_ = on;
  view_.SetTimerOn(on);
}

void HiveProgressDialog::RefreshText() {
  if (channel_) view_.SetCheckingText(channel_->Text());
}

void HiveProgressDialog::OnShow() {
  SetPosition(0);
  total_ = done_ = 0;
  step_ = 0;
  index_ = 0;
  milestone_ = 0;
  stopped_ = false;
  view_.SetStatusLabel(kHiveProgressWorking);
  view_.SetStopEnabled(true);
}

void HiveProgressDialog::OnActivate() {
  if (activated_) return;
  activated_ = true;
  (void)self_.post(registry::WM_DEFRAG_START, 0, 0);
}

bool HiveProgressDialog::OnMessage(std::uint32_t message, std::uintptr_t wParam,
                                   std::intptr_t lParam) {
  switch (message) {
    case registry::WM_DEFRAG_START:
      StartWorker();
      return true;
    case registry::WM_DEFRAG_HIVE_DONE:
      OnHiveDone(wParam, static_cast<std::size_t>(lParam));
      return true;
    default:
      return false;
  }
}

void HiveProgressDialog::StartWorker() {
  if (worker_ || closed_) return;  // one worker per dialog
  if (analysis_.silent) view_.Hide();
  channel_ = std::make_shared<registry::DefragChannel>(self_);
  worker_ = std::make_unique<registry::DefragWorker>(
      analysis_.hives, analysis_.files, analysis_.clock, channel_,
      registry::DefragJob{analysis_.keyNames, analysis_.hiveFiles, analysis_.isWow64});
  worker_->Start();
  total_ = 0;
  for (const std::string& file : analysis_.hiveFiles) total_ += Size(file);
  SetTimer(true);
}

void HiveProgressDialog::OnHiveDone(std::uint64_t firstMs, std::size_t finished) {
  const std::size_t count = analysis_.hiveFiles.size();
  RefreshText();
  if (index_ >= count) return;
  if (index_ == 0) {
    step_ = HiveProgressStep(firstMs, Size(registry::CompactCopyOf(analysis_.hiveFiles[0])), total_,
                             analysis_.isWow64);
  }
  done_ += Size(analysis_.hiveFiles[index_]);
  if (total_ != 0) SetPosition(static_cast<int>(done_ * 1000 / total_));
  if (index_ + 1 < count && total_ != 0) {
    milestone_ = static_cast<int>((done_ + Size(analysis_.hiveFiles[index_ + 1])) * 1000 / total_);
  }
  index_ = finished;
}

void HiveProgressDialog::OnTimer() {
  RefreshText();
  if (index_ >= analysis_.hiveFiles.size()) return;
  const std::uint64_t copy = Size(registry::CompactCopyOf(analysis_.hiveFiles[index_]));
  if (copy != 0) {
    if (total_ != 0) SetPosition(static_cast<int>((done_ + copy) * 1000 / total_));
  } else if (milestone_ - step_ > position_) {
    SetPosition(position_ + step_);
  }
  if (position_ >= kHiveProgressBarMax) SetTimer(false);
}

void HiveProgressDialog::OnStop() {
  stopped_ = true;
  view_.SetStatusLabel(kHiveProgressStopping);
  SetTimer(false);
  if (worker_) worker_->RequestStop();
  view_.SetStopEnabled(false);
}

void HiveProgressDialog::ParkWorker() {
  if (!worker_) return;
  if (!worker_->Finished()) {
    worker_->RequestStop();
    channel_->Detach();
    analysis_.parking.push_back(std::move(worker_));
    return;
  }
  worker_->Join();
  worker_.reset();
}

void HiveProgressDialog::OnClose() {
  if (closed_) return;
  closed_ = true;
  SetTimer(false);
  // Closed by the user while a hive is saved: the analysis failed; the
  // worker stops after that hive and is waited for elsewhere.
  userClosed_ = worker_ && !worker_->Finished();
  if (channel_) {
    channel_->Detach();
    finalText_ = channel_->Text();
    view_.SetCheckingText(finalText_);
    if (analysis_.saveFailed != nullptr) *analysis_.saveFailed = channel_->SaveFailed();
  }
  ParkWorker();
  view_.Close();
}

bool HiveProgressDialog::Succeeded() const {
  return closed_ && !userClosed_ && finalText_ == registry::kDefragFinishText;
}

std::string HiveProgressDialog::CheckingText() const {
  if (closed_) return finalText_;
  return channel_ ? channel_->Text() : std::string();
}

}  // namespace nc::app
