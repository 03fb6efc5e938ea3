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
  changed_.wait(lock, [this] { return ready_ || shuttingDown_; });
  return ready_ && !shuttingDown_;
}

}  // namespace ombrex
