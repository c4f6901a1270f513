#include "registry/scan_worker.h"

#include <exception>

#include "core/text.h"
#include "registry/section_table.h"

namespace nc::registry {

namespace {

constexpr int kWindows7Code = 12;

PathTest MakePathTest(const ScanEnvironment& env) {
  const platform::Platform& ports = env.context.ports;
  return PathTest{ports.files,
                  BuildScannedDrives(ports.files, env.settings.IncludeRemoveMedia),
                  false,
                  false,
                  env.settings.IncludeRemoveMedia,
                  IsWow64(ports.system)};
}

}  // namespace

std::vector<int> SectionIds(const std::vector<std::string>& sectionList) {
  std::vector<int> ids;
  ids.reserve(sectionList.size());
  for (const auto& entry : sectionList) ids.push_back(ParseInt32(entry).value_or(0));
  return ids;
}

int ScanProgressStep(const std::vector<std::string>& sectionList) {
  int hiveWalks = 0;
  for (int id : SectionIds(sectionList)) hiveWalks += IsHiveWalk(id) ? 1 : 0;
  switch (hiveWalks) {
    case 0:
      return 10;
    case 1:
      return 5;
    case 2:
      return 4;
    case 3:
      return 3;
    default:
      return 2;
  }
}

int NextScanBarPosition(int position, int step) {
  position += step;
  return position > 1000 ? 0 : position;
}

void KeyLineThrottle::SetSectionStatus(std::string_view text) {
  Flush();
  inner_.SetSectionStatus(text);
}

void KeyLineThrottle::SetKeyLine(std::string_view text) {
  pending_.assign(text);
  hasPending_ = true;
  if (!shownAny_ || clock_.tickMs() - lastShownMs_ >= kKeyLineIntervalMs) Flush();
}

void KeyLineThrottle::AppendProblem(const ProblemEntry& entry) {
  Flush();
  inner_.AppendProblem(entry);
}

void KeyLineThrottle::Flush() {
  if (!hasPending_) return;
  hasPending_ = false;
  inner_.SetKeyLine(pending_);
  shownAny_ = true;
  lastShownMs_ = clock_.tickMs();
}

ScanWorker::ScanWorker(ScanEnvironment env, ScanSink& sink, std::vector<std::string> sectionList)
    : env_(std::move(env)),
      sink_(sink),
      sections_(std::move(sectionList)),
      keyLines_(sink_, env_.context.ports.clock),
      ctx_{env_.context.ports,
           keyLines_,
           stop_,
           MakePathTest(env_),
           env_.context.versionCode == kWindows7Code,
           SectionIds(sections_)} {}

ScanWorker::~ScanWorker() {
  RequestStop();
  Join();
}

void ScanWorker::SetFloppyPresence(const FloppyPresence& presence) {
  ctx_.pathTest.FloppyA = presence.a;
  ctx_.pathTest.FloppyB = presence.b;
}

void ScanWorker::Start() {
  if (started_) return;
  started_ = true;
  thread_ = std::thread([this] { Execute(); });
}

void ScanWorker::Join() {
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void ScanWorker::RunSections() {
  for (std::size_t i = 0; i < sections_.size(); ++i) {
    if (StopRequested()) return;
    env_.context.ui.invoke([] {});
    const int id = ctx_.chosenSections[i];
    if (env_.runSection) env_.runSection(ctx_, id);
    keyLines_.Flush();
    // Checked again on the window's thread, where a cancel sets it.
    if (StopRequested()) return;
    env_.context.ui.invoke([this] {
      if (!StopRequested()) env_.context.mainWindow.post(WM_SCAN_SECTION_DONE, 0, 0);
    });
  }
}

void ScanWorker::Execute() {
  try {
    sink_.SetSectionStatus("");
    sink_.SetKeyLine("");
    try {
      RunSections();
    } catch (...) {
      // The remaining sections are skipped; the window still hears of the
      // end so that it leaves the running state.
      endedByError_.store(true);
    }
    if (!StopRequested()) {
      env_.context.ui.invoke([this] {
        if (StopRequested()) return;
        sink_.SetSectionStatus(kScanOptimizingText);
        sink_.SetKeyLine(kScanPleaseWaitText);
        donePosted_.store(true);
        env_.context.mainWindow.post(WM_SCAN_DONE, 0, 0);
      });
    }
  } catch (...) {
    // The window's thread is gone (its queue refused the step).
    endedByError_.store(true);
  }
  finished_.store(true);
}

}  // namespace nc::registry
