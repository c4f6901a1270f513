#include "registry/defrag_worker.h"

#include <algorithm>

#include "registry/defrag_analysis.h"
#include "registry/hive_list.h"

namespace nc::registry {

void DefragChannel::SetText(std::string text) {
  std::lock_guard lock(mutex_);
  text_ = std::move(text);
}

std::string DefragChannel::Text() const {
  std::lock_guard lock(mutex_);
  return text_;
}

void DefragChannel::Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
  std::lock_guard lock(mutex_);
  if (dialog_ != nullptr) (void)dialog_->post(message, wParam, lParam);
}

void DefragChannel::Detach() {
  std::lock_guard lock(mutex_);
  dialog_ = nullptr;
}

void DefragChannel::MarkSaveFailed() {
  std::lock_guard lock(mutex_);
  saveFailed_ = true;
}

bool DefragChannel::SaveFailed() const {
  std::lock_guard lock(mutex_);
  return saveFailed_;
}

DefragWorker::DefragWorker(platform::Hives& hives, platform::FileSystem& files,
                           platform::Clock& clock, std::shared_ptr<DefragChannel> channel,
                           DefragJob job)
    : hives_(hives),
      files_(files),
      clock_(clock),
      channel_(std::move(channel)),
      job_(std::move(job)) {}

DefragWorker::~DefragWorker() {
  RequestStop();
  Join();
}

void DefragWorker::Start() {
  thread_ = std::thread([this] { Run(); });
}

void DefragWorker::Join() {
  if (thread_.joinable()) thread_.join();
}

void DefragWorker::Run() {
  hives_.enableBackupPrivilege();
  const std::size_t count = std::min(job_.keyNames.size(), job_.files.size());
  std::uint64_t firstMs = 0;
  std::size_t attempted = 0;
  for (std::size_t i = 0; i < count && !stop_; ++i) {
    channel_->SetText(job_.keyNames[i]);
    const std::uint64_t start = clock_.tickMs();
    // A copy that is missing, cut short by a full disk or left over from
    // an earlier analysis must never pass for a fresh one.
    if (!SaveHiveCopy(hives_, files_, job_.keyNames[i], CompactCopyOf(job_.files[i]),
                      job_.isWow64)) {
      channel_->MarkSaveFailed();
      break;
    }
    if (i == 0) firstMs = clock_.tickMs() - start;
    attempted = i + 1;
    channel_->Post(WM_DEFRAG_HIVE_DONE, static_cast<std::uintptr_t>(firstMs),
                   static_cast<std::intptr_t>(attempted));
  }
  if (attempted == count) channel_->SetText(std::string(kDefragFinishText));
  finished_ = true;
  channel_->Post(kDefragCloseRequest, 0, 0);
}

}  // namespace nc::registry
