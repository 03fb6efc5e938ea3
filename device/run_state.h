#pragma once

// The program's run as its threads see it: whether the main window is ready
// for messages, and whether the program is shutting down. Every wait of one
// thread for another goes through this object, so that the start of the
// shutdown wakes them all and none of them can hold the shutdown up.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>

namespace ombrex {

class RunState {
 public:
  // The window has handled its start-up message; workers may now reach it.
  void MarkReady();
  bool Ready() const;

  // From now on every wait below gives up at once. Cannot be undone.
  void BeginShutdown();
  bool ShuttingDown() const;

  // Until the window is ready; false when the shutdown began first.
  bool WaitUntilReady();

  // Waits until `done()` holds or the shutdown begins and returns done().
  // `done` is evaluated under the state's lock: whatever it reads must be
  // changed through Change().
  template <typename Done>
  bool WaitUntil(Done&& done) {
    std::unique_lock lock(mutex_);
    Waiting waiting(*this);
    changed_.wait(lock, [&] { return done() || shuttingDown_; });
    return done();
  }
  // The same, giving up after `timeout` as well.
  template <typename Done>
  bool WaitUntilFor(std::chrono::milliseconds timeout, Done&& done) {
    std::unique_lock lock(mutex_);
    Waiting waiting(*this);
    changed_.wait_for(lock, timeout, [&] { return done() || shuttingDown_; });
    return done();
  }

  // Waits until `done()` holds, shutdown or not: for work that has begun and
  // will end on its own.
  template <typename Done>
  void WaitUntilDone(Done&& done) {
    std::unique_lock lock(mutex_);
    Waiting waiting(*this);
    changed_.wait(lock, [&] { return done(); });
  }

  // Until at least `count` threads are in the waits above: for whoever must
  // act only once another thread really waits (tests of the shutdown, of the
  // ready point). False when that did not happen within `timeout`.
  bool WaitForWaiters(std::size_t count,
                      std::chrono::milliseconds timeout = std::chrono::seconds(10));

  // Runs `change` under the state's lock, then wakes every waiter.
  template <typename Update>
  void Change(Update&& change) {
    {
      std::lock_guard lock(mutex_);
      change();
    }
    changed_.notify_all();
  }

 private:
  // Counts a thread in while it waits; made and ended with mutex_ held.
  class Waiting {
   public:
    explicit Waiting(RunState& state) : state_(state) {
      ++state_.waiters_;
      state_.changed_.notify_all();
    }
    ~Waiting() { --state_.waiters_; }
    Waiting(const Waiting&) = delete;
    Waiting& operator=(const Waiting&) = delete;

   private:
    RunState& state_;
  };

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool ready_ = false;
  bool shuttingDown_ = false;
  std::size_t waiters_ = 0;
};

}  // namespace ombrex
