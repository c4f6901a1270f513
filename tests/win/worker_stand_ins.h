// Stand-ins for what a worker reports to when a test runs it on its own
// thread, without a window: messages that go nowhere, and steps for the
// window's thread that run at once.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

#include "platform/messaging.h"

namespace nc::wintest {

class NoMessageTarget : public platform::MessageTarget {
 public:
  bool post(std::uint32_t, std::uintptr_t, std::intptr_t) override { return true; }
};

class SameThreadUi : public platform::UiThread {
 public:
  void invoke(const std::function<void()>& step) override { step(); }
  void waitPumping(const std::function<bool()>& done) override {
    while (!done()) Sleep(1);
  }
};

}  // namespace nc::wintest
