#pragma once

// A window thread's loop in plain C++: tasks run one at a time, in the order
// they were posted, on the thread that runs the loop. The headless program
// and the tests use it where the Qt program has its event loop.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "app/hand_over.h"

namespace ombrex {

class RunState;

class UiLoop {
 public:
  explicit UiLoop(RunState& run);

  // Queues a task; ignored once the loop has ended.
  void Post(std::function<void()> task);
  // Runs the task on the loop's thread and waits until it has run; runs it
  // at once when called on that thread. False when it did not run because the
  // program is shutting down or the loop has ended. The task must not refer
  // to the caller's locals: a caller that gave up no longer waits for it.
  bool Call(std::function<void()> task);
  // The same for a task that may keep its reply to finish later; false also
  // when the reply was dropped.
  bool CallWithReply(std::function<void(HandOverReply)> task);

  // Runs tasks until Quit().
  void Run();
  // Runs tasks until `done()` holds or the timeout passes; true when done.
  bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
  // Ends Run(); tasks still queued are dropped.
  void Quit();
  bool Ended() const;

  bool OnLoopThread() const;

 private:
  // One queued task, or none after `deadline`.
  bool RunOne(std::chrono::steady_clock::time_point deadline);

  RunState& run_;
  HandOver handOver_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::function<void()>> tasks_;
  bool ended_ = false;
  std::thread::id owner_;
};

}  // namespace ombrex
