// Messages between workers and the window.
//
// Workers never touch a control: they post numbered messages to the main
// window and run short steps on the user-interface thread.
#pragma once

#include <cstdint>
#include <functional>

namespace nc::platform {

class MessageTarget {
 public:
  virtual ~MessageTarget() = default;
  // Queues a message for the window and returns at once.
  virtual bool post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
};

class UiThread {
 public:
  virtual ~UiThread() = default;
  // Runs `step` on the user-interface thread and waits until it has run.
  // Called on that thread itself, it runs `step` at once.
  virtual void invoke(const std::function<void()>& step) = 0;
  // Called on the user-interface thread: waits until `done` is true while
  // still running the steps workers hand over with invoke, so a worker
  // waiting in invoke can finish. Posted messages stay queued.
  virtual void waitPumping(const std::function<bool()>& done) = 0;
};

}  // namespace nc::platform
