#include "device/run_state.h"

namespace ombrex {

void RunState::MarkReady() {
  Change([this] { ready_ = true; });
}

bool RunState::Ready() const {
  std::lock_guard lock(mutex_);
  return ready_;
}

void RunState::BeginShutdown() {
  Change([this] { shuttingDown_ = true; });
}

bool RunState::ShuttingDown() const {
  std::lock_guard lock(mutex_);
  return shuttingDown_;
}

bool RunState::WaitUntilReady() {
  std::unique_lock lock(mutex_);
  Waiting waiting(*this);
  changed_.wait(lock, [this] { return ready_ || shuttingDown_; });
  return ready_ && !shuttingDown_;
}

bool RunState::WaitForWaiters(std::size_t count, std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return waiters_ >= count; });
}

}  // namespace ombrex
