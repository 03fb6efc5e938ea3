#pragma once

// A call carried over to the window's thread, its caller waiting until it has
// been handled. Every wait goes through the run state, so the start of the
// shutdown releases a caller whose call has not begun; one that has begun is
// waited for to its end (it may be the shutdown itself). The headless loop
// and the Qt window link share this hand-over.

#include <functional>
#include <memory>

namespace ombrex {

class RunState;

// The answer to a carried call. The handler may keep a copy to finish the
// call later (a command held until the running one ends): the caller waits
// until the last copy is gone. A default-made reply answers nobody.
class HandOverReply {
 public:
  HandOverReply() = default;

  // The call ends without being handled (held, then dropped at shutdown):
  // its caller is told it was not handled.
  void Drop();
  bool WaitedFor() const { return static_cast<bool>(waiter_); }

 private:
  friend class HandOver;
  struct Waiter;
  explicit HandOverReply(std::shared_ptr<Waiter> waiter) : waiter_(std::move(waiter)) {}

  std::shared_ptr<Waiter> waiter_;
};

class HandOver {
 public:
  // `post` queues a task for the window's thread; `loopEnded` says the
  // window's loop will run nothing more (read under the run state's lock, so
  // whatever ends the loop must wake the run state's waiters).
  using Poster = std::function<void(std::function<void()>)>;
  HandOver(RunState& run, Poster post, std::function<bool()> loopEnded);

  // Runs `task` on the window's thread and waits for its reply. False when
  // the shutdown began or the loop ended before the task began, or when the
  // reply was dropped. The task must not refer to the caller's locals: a
  // caller that gave up no longer waits for it.
  bool Call(std::function<void(HandOverReply)> task) const;

 private:
  RunState& run_;
  Poster post_;
  std::function<bool()> loopEnded_;
};

}  // namespace ombrex
