#include "app/hand_over.h"

#include <atomic>

#include "device/run_state.h"

namespace ombrex {

namespace {

// Changed only through the run state, so its waiters see every step.
struct Progress {
  bool started = false;
  bool done = false;
  bool handled = false;
};

}  // namespace

struct HandOverReply::Waiter {
  Waiter(RunState& run, std::shared_ptr<Progress> progress)
      : run(run), progress(std::move(progress)) {}
  // The last copy of the reply is gone: the caller may go on.
  ~Waiter() {
    const bool handled = !dropped.load();
    run.Change([&] {
      progress->done = true;
      progress->handled = handled;
    });
  }

  RunState& run;
  std::shared_ptr<Progress> progress;
  std::atomic<bool> dropped{false};
};

void HandOverReply::Drop() {
  if (waiter_) waiter_->dropped = true;
  waiter_.reset();
}

HandOver::HandOver(RunState& run, Poster post, std::function<bool()> loopEnded)
    : run_(run), post_(std::move(post)), loopEnded_(std::move(loopEnded)) {}

bool HandOver::Call(std::function<void(HandOverReply)> task) const {
  auto progress = std::make_shared<Progress>();
  RunState& run = run_;
  post_([task = std::move(task), progress, &run] {
    // The caller has given up, or is about to: a call that has not begun
    // stays undone.
    if (run.ShuttingDown()) return;
    run.Change([&] { progress->started = true; });
    task(HandOverReply(std::make_shared<HandOverReply::Waiter>(run, progress)));
  });
  const std::function<bool()>& ended = loopEnded_;
  run_.WaitUntil([&] { return progress->started || ended(); });
  if (!progress->started) return false;
  run_.WaitUntilDone([&] { return progress->done; });
  return progress->handled;
}

}  // namespace ombrex
