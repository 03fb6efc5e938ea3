#pragma once

// The keyboard lock as another program takes it, for tests in one process: on
// a thread of its own, since a Windows mutex lets its owning thread in again.

#include <chrono>
#include <future>
#include <string>
#include <thread>

#include "platform/keyboard_lock.h"

namespace ombrex::test {

// Whether another program could take the lock right now (and let it go).
inline bool TakenElsewhereAtOnce(std::string name = std::string(kKeyboardLockName)) {
  return std::async(std::launch::async,
                    [name] {
                      KeyboardLock other(name);
                      return other.Acquire(std::chrono::milliseconds(0));
                    })
      .get();
}

// Holds the lock on its own thread from construction until Release().
class HeldElsewhere {
 public:
  explicit HeldElsewhere(std::string name = std::string(kKeyboardLockName)) {
    std::promise<bool> taken;
    std::future<bool> took = taken.get_future();
    thread_ = std::thread([this, name, taken = std::move(taken)]() mutable {
      KeyboardLock lock(name);
      taken.set_value(lock.Acquire(std::chrono::milliseconds(0)));
      release_.get_future().wait();
      lock.Release();
    });
    held_ = took.get();
  }
  ~HeldElsewhere() { Release(); }
  HeldElsewhere(const HeldElsewhere&) = delete;
  HeldElsewhere& operator=(const HeldElsewhere&) = delete;

  bool Held() const { return held_; }
  void Release() {
    if (!thread_.joinable()) return;
    release_.set_value();
    thread_.join();
  }

 private:
  std::promise<void> release_;
  std::thread thread_;
  bool held_ = false;
};

}  // namespace ombrex::test
