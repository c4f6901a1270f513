#include "platform/sim/message_queue.h"

#include <algorithm>

namespace nc::sim {

MessageQueue::MessageQueue() : uiThread_(std::this_thread::get_id()) {}

MessageQueue::~MessageQueue() {
  stop();
}

bool MessageQueue::post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
  {
    std::lock_guard lock(mutex_);
    if (stopped_) return false;
    items_.push_back(Item{PostedMessage{message, wParam, lParam}, nullptr});
  }
  arrived_.notify_all();
  return true;
}

void MessageQueue::invoke(const std::function<void()>& step) {
  std::unique_lock lock(mutex_);
  if (std::this_thread::get_id() == uiThread_) {
    lock.unlock();
    step();
    return;
  }
  if (stopped_) return;
  auto state = std::make_shared<StepState>();
  state->step = &step;
  items_.push_back(Item{PostedMessage{}, state});
  arrived_.notify_all();
  // A step already running is waited for even when the queue stops.
  ran_.wait(lock, [&] { return state->done || (stopped_ && !state->running); });
  if (!state->done) {
    // Stopped before it ran: the step must not run after we return.
    state->step = nullptr;
    return;
  }
  if (state->error) std::rethrow_exception(state->error);
}

void MessageQueue::runStep(std::unique_lock<std::mutex>& lock, Item& item) {
  if (item.step->step == nullptr) return;  // its caller was released
  const std::function<void()>* step = item.step->step;
  item.step->running = true;
  lock.unlock();
  std::exception_ptr error;
  try {
    (*step)();
  } catch (...) {
    error = std::current_exception();
  }
  lock.lock();
  item.step->error = error;
  item.step->running = false;
  item.step->done = true;
  ran_.notify_all();
}

void MessageQueue::waitPumping(const std::function<bool()>& done) {
  while (!done()) {
    std::unique_lock lock(mutex_);
    auto it = std::find_if(items_.begin(), items_.end(),
                           [](const Item& item) { return item.step != nullptr; });
    if (it == items_.end()) {
      arrived_.wait_for(lock, std::chrono::milliseconds(10));
      continue;
    }
    Item item = std::move(*it);
    items_.erase(it);
    runStep(lock, item);
  }
}

void MessageQueue::setUiThread(std::thread::id id) {
  std::lock_guard lock(mutex_);
  uiThread_ = id;
}

void MessageQueue::setHandler(Handler handler) {
  std::lock_guard lock(mutex_);
  handler_ = std::move(handler);
}

std::vector<PostedMessage> MessageQueue::pump() {
  std::vector<PostedMessage> delivered;
  std::unique_lock lock(mutex_);
  // Only what is queued now: items queued by the steps wait for the next pump.
  std::size_t budget = items_.size();
  while (budget-- > 0 && !items_.empty()) {
    Item item = std::move(items_.front());
    items_.pop_front();
    if (item.step) {
      runStep(lock, item);
    } else {
      Handler handler = handler_;
      lock.unlock();
      if (handler) handler(item.message);
      delivered.push_back(item.message);
      lock.lock();
    }
  }
  return delivered;
}

bool MessageQueue::pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (true) {
    pump();
    if (done()) return true;
    std::unique_lock lock(mutex_);
    if (std::chrono::steady_clock::now() >= deadline) break;
    // Wake for new items, and now and then for conditions set elsewhere.
    const auto wake =
        std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(10));
    arrived_.wait_until(lock, wake, [&] { return !items_.empty() || stopped_; });
  }
  pump();
  return done();
}

void MessageQueue::stop() {
  {
    std::lock_guard lock(mutex_);
    stopped_ = true;
    for (auto& item : items_) {
      if (item.step) item.step->step = nullptr;
    }
  }
  ran_.notify_all();
  arrived_.notify_all();
}

bool MessageQueue::stopped() const {
  std::lock_guard lock(mutex_);
  return stopped_;
}

std::size_t MessageQueue::pending() const {
  std::lock_guard lock(mutex_);
  return items_.size();
}

}  // namespace nc::sim
