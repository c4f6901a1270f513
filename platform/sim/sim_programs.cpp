#include "platform/sim/sim_programs.h"

#include <utility>

#include "core/text.h"

namespace nc::sim {

class SimPrograms::Process : public platform::ChildProcess {
 public:
  Process(SimPrograms& owner, std::shared_ptr<Started> state, int pollsUntilFinished)
      : owner_(owner), state_(std::move(state)), pollsUntilFinished_(pollsUntilFinished) {}

  bool finished() override {
    std::lock_guard lock(owner_.mutex_);
    if (!state_->finished && pollsUntilFinished_ >= 0 && state_->polls >= pollsUntilFinished_) {
      state_->finished = true;
    }
    ++state_->polls;
    return state_->finished;
  }

  void terminate() override {
    std::lock_guard lock(owner_.mutex_);
    if (state_->finished) return;
    state_->finished = true;
    state_->terminated = true;
  }

  std::optional<std::uint32_t> exitCode() override {
    std::lock_guard lock(owner_.mutex_);
    if (!state_->finished) return std::nullopt;
    return state_->terminated ? 0 : owner_.exitCode_;
  }

 private:
  SimPrograms& owner_;
  std::shared_ptr<Started> state_;
  int pollsUntilFinished_;
};

Result<std::unique_ptr<platform::ChildProcess>> SimPrograms::start(std::string_view commandLine,
                                                                   platform::StartShow show,
                                                                   std::uint32_t waitIdleMs) {
  return launch(commandLine, show, waitIdleMs, false);
}

Result<std::unique_ptr<platform::ChildProcess>> SimPrograms::startNative(
    std::string_view commandLine, platform::StartShow show, std::uint32_t waitIdleMs) {
  return launch(commandLine, show, waitIdleMs, true);
}

std::string SimPrograms::programOf(std::string_view commandLine, bool redirected) const {
  std::string program;
  if (StartsWith(commandLine, "\"")) {
    const std::size_t close = commandLine.find('"', 1);
    program = commandLine.substr(1, close == std::string_view::npos ? close : close - 1);
  } else {
    program = commandLine.substr(0, commandLine.find(' '));
  }
  const std::string& windows = windowsFolder_;
  const std::string system = windows + "\\System32";
  if (program.find('\\') == std::string::npos) {
    if (program.find('.') == std::string::npos) program += ".exe";
    program = system + "\\" + program;
  }
  if (!redirected) return program;
  if (EqualsNoCase(program, windows + "\\regedit.exe")) return windows + "\\SysWOW64\\regedit.exe";
  if (StartsWithNoCase(program, system + "\\")) {
    return windows + "\\SysWOW64" + program.substr(system.size());
  }
  const std::string sysnative = windows + "\\Sysnative";
  if (StartsWithNoCase(program, sysnative + "\\")) return system + program.substr(sysnative.size());
  return program;
}

Result<std::unique_ptr<platform::ChildProcess>> SimPrograms::launch(std::string_view commandLine,
                                                                    platform::StartShow show,
                                                                    std::uint32_t waitIdleMs,
                                                                    bool native) {
  std::function<void(std::string_view)> onStart;
  std::shared_ptr<Started> state;
  int polls = 0;
  {
    std::lock_guard lock(mutex_);
    if (startFails_) return Error{Errc::NotFound, "start program", std::string(commandLine)};
    state = std::make_shared<Started>();
    state->commandLine = std::string(commandLine);
    state->program = programOf(commandLine, !native && is32BitOn64Bit_ && is32BitOn64Bit_());
    state->native = native;
    state->show = show;
    state->waitIdleMs = waitIdleMs;
    started_.push_back(state);
    onStart = onStart_;
    polls = pollsUntilFinished_;
  }
  if (onStart) onStart(commandLine);
  return std::unique_ptr<platform::ChildProcess>(std::make_unique<Process>(*this, state, polls));
}

platform::WindowId SimPrograms::findWindow(std::string_view className) {
  std::lock_guard lock(mutex_);
  for (std::size_t i = 0; i < windows_.size(); ++i) {
    if (windows_[i].parent == 0 && windows_[i].className == className) return i + 1;
  }
  return 0;
}

platform::WindowId SimPrograms::findChildWindow(platform::WindowId parent,
                                                std::string_view className) {
  std::lock_guard lock(mutex_);
  if (parent == 0) return 0;
  for (std::size_t i = 0; i < windows_.size(); ++i) {
    // Any depth: walk up from the candidate to see whether `parent` is an
    // ancestor.
    if (windows_[i].className != className) continue;
    for (platform::WindowId up = windows_[i].parent; up != 0 && up <= windows_.size();
         up = windows_[up - 1].parent) {
      if (up == parent) return i + 1;
    }
  }
  return 0;
}

void SimPrograms::closeWindow(platform::WindowId window) {
  std::lock_guard lock(mutex_);
  if (window == 0 || window > windows_.size()) return;
  windows_[window - 1].className.clear();
  windows_[window - 1].parent = 0;
}

void SimPrograms::showMaximized(platform::WindowId window) {
  std::lock_guard lock(mutex_);
  maximized_.push_back(classOf(window));
}

void SimPrograms::sendKeys(platform::WindowId window, std::span<const platform::KeyStroke> keys) {
  std::lock_guard lock(mutex_);
  sent_.push_back({classOf(window), {keys.begin(), keys.end()}});
}

void SimPrograms::modelRedirection(std::function<bool()> is32BitOn64Bit,
                                   std::string windowsFolder) {
  std::lock_guard lock(mutex_);
  is32BitOn64Bit_ = std::move(is32BitOn64Bit);
  windowsFolder_ = std::move(windowsFolder);
}

void SimPrograms::setStartFails(bool fails) {
  std::lock_guard lock(mutex_);
  startFails_ = fails;
}

void SimPrograms::setPollsUntilFinished(int polls) {
  std::lock_guard lock(mutex_);
  pollsUntilFinished_ = polls;
}

void SimPrograms::setExitCode(std::uint32_t code) {
  std::lock_guard lock(mutex_);
  exitCode_ = code;
}

void SimPrograms::setOnStart(std::function<void(std::string_view)> onStart) {
  std::lock_guard lock(mutex_);
  onStart_ = std::move(onStart);
}

platform::WindowId SimPrograms::addWindow(std::string_view className) {
  std::lock_guard lock(mutex_);
  windows_.push_back({std::string(className), 0});
  return windows_.size();
}

platform::WindowId SimPrograms::addChildWindow(platform::WindowId parent,
                                               std::string_view className) {
  std::lock_guard lock(mutex_);
  windows_.push_back({std::string(className), parent});
  return windows_.size();
}

std::vector<SimPrograms::Started> SimPrograms::started() const {
  std::lock_guard lock(mutex_);
  std::vector<Started> out;
  for (const auto& state : started_) out.push_back(*state);
  return out;
}

std::vector<SimPrograms::SentKeys> SimPrograms::sentKeys() const {
  std::lock_guard lock(mutex_);
  return sent_;
}

std::vector<std::string> SimPrograms::maximized() const {
  std::lock_guard lock(mutex_);
  return maximized_;
}

std::string SimPrograms::classOf(platform::WindowId window) const {
  if (window == 0 || window > windows_.size()) return {};
  return windows_[window - 1].className;
}

}  // namespace nc::sim
