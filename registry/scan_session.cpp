#include "registry/scan_session.h"

#include "registry/locations.h"

namespace nc::registry {

// Carries the worker's writes to the window's thread, where they are
// applied only while the scan they belong to is still open.
class ScanSession::GatedSink final : public ScanSink {
 public:
  GatedSink(platform::UiThread& ui, ScanStatusView& status, ResultsModel& results)
      : ui_(ui), status_(status), results_(results) {}

  // Window's thread only.
  void Close() { open_ = false; }

  void SetSectionStatus(std::string_view text) override {
    const std::string copy(text);
    ui_.invoke([&] {
      if (open_) status_.SetSectionStatus(copy);
    });
  }
  void SetKeyLine(std::string_view text) override {
    const std::string copy(text);
    ui_.invoke([&] {
      if (open_) status_.SetKeyLine(copy);
    });
  }
  void AppendProblem(const ProblemEntry& entry) override {
    ui_.invoke([&] {
      if (open_) results_.Append(entry);
    });
  }

 private:
  platform::UiThread& ui_;
  ScanStatusView& status_;
  ResultsModel& results_;
  bool open_ = true;  // read and written on the window's thread only
};

struct ScanSession::Run {
  std::unique_ptr<GatedSink> sink;
  std::unique_ptr<ScanWorker> worker;
};

ScanSession::ScanSession(ScanEnvironment env, ScanStatusView& status, ResultsModel& results)
    : env_(std::move(env)), status_(status), results_(results) {}

ScanSession::~ScanSession() {
  // The worker goes before the sink it writes to.
  if (current_) current_->worker.reset();
}

const ScanWorker* ScanSession::Worker() const {
  return current_ ? current_->worker.get() : nullptr;
}

ScanStartOutcome ScanSession::Start(std::vector<std::string> sectionList, bool unattendedClear,
                                    const std::function<void(bool)>& preparing) {
  if (running_) return ScanStartOutcome::Busy;
  if (sectionList.empty()) {
    if (!unattendedClear) env_.context.ports.prompts.inform(kNoSectionsChosenText);
    return ScanStartOutcome::NothingSelected;
  }
  // The previous scan's worker has ended: its scan was finished or
  // cancelled, and both join it.
  current_.reset();

  results_.Clear();
  progressStep_ = ScanProgressStep(sectionList);

  auto run = std::make_unique<Run>();
  run->sink = std::make_unique<GatedSink>(env_.context.ui, status_, results_);
  run->worker = std::make_unique<ScanWorker>(env_, *run->sink, std::move(sectionList));

  if (!env_.settings.IncludeRemoveMedia) {
    if (preparing) preparing(true);
    run->worker->SetFloppyPresence(TestFloppyDrives(env_.context.ports.files));
    if (preparing) preparing(false);
  }

  current_ = std::move(run);
  running_ = true;
  current_->worker->Start();
  return ScanStartOutcome::Started;
}

void ScanSession::Finish() {
  running_ = false;
  results_.SetAllTicked(true);
}

bool ScanSession::Cancel() {
  if (!running_) return false;
  ScanWorker& worker = *current_->worker;
  worker.RequestStop();
  current_->sink->Close();
  env_.context.ui.waitPumping([&worker] { return worker.Finished(); });
  worker.Join();
  results_.RemoveLast();
  Finish();
  return true;
}

bool ScanSession::OnScanDone() {
  if (!running_ || !current_->worker->DonePosted()) return false;
  Finish();
  current_->worker->Join();
  return true;
}

}  // namespace nc::registry
