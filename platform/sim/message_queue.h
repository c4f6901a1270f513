// The substitute message loop: posted messages and steps sent to the
// user-interface thread wait in one queue until the test pumps it.
//
// invoke() on the user-interface thread (the thread that created the
// queue, or the one set with setUiThread) runs the step at once; from any
// other thread it queues the step and blocks until a pump on the
// user-interface thread has run it. stop() releases every waiting invoke
// (the step is then not run) and refuses further posts, so a worker is
// never left stuck when the owner shuts down.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/messaging.h"

namespace nc::sim {

struct PostedMessage {
  std::uint32_t message = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
};

class MessageQueue : public platform::MessageTarget, public platform::UiThread {
 public:
  using Handler = std::function<void(const PostedMessage&)>;

  MessageQueue();
  ~MessageQueue() override;
  MessageQueue(const MessageQueue&) = delete;
  MessageQueue& operator=(const MessageQueue&) = delete;

  // False once the queue is stopped.
  bool post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;
  // An exception thrown by the step is rethrown in the caller.
  void invoke(const std::function<void()>& step) override;
  void waitPumping(const std::function<bool()>& done) override;

  void setUiThread(std::thread::id id);
  // Receives each posted message when it is pumped.
  void setHandler(Handler handler);

  // Runs the queued steps and hands out the posted messages, in the order
  // they arrived; returns the messages handed out.
  std::vector<PostedMessage> pump();
  // Pumps until `done` is true or `timeout` has passed; returns `done()`.
  bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
  // Releases every waiting invoke and refuses posts from now on.
  void stop();
  bool stopped() const;
  // Messages and steps waiting to be pumped.
  std::size_t pending() const;

 private:
  struct StepState {
    const std::function<void()>* step = nullptr;
    bool running = false;
    bool done = false;
    std::exception_ptr error;
  };
  struct Item {
    PostedMessage message;
    std::shared_ptr<StepState> step;  // null for a posted message
  };

  // Runs a step item with the lock held on entry and on return.
  void runStep(std::unique_lock<std::mutex>& lock, Item& item);

  mutable std::mutex mutex_;
  std::condition_variable arrived_;  // an item was queued
  std::condition_variable ran_;      // a step finished or the queue stopped
  std::deque<Item> items_;
  std::thread::id uiThread_;
  Handler handler_;
  bool stopped_ = false;
};

}  // namespace nc::sim
