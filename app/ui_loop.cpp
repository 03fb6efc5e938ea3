#include "app/ui_loop.h"

#include "device/run_state.h"

namespace ombrex {

UiLoop::UiLoop(RunState& run)
    : run_(run),
      handOver_(
          run, [this](std::function<void()> task) { Post(std::move(task)); },
          [this] { return Ended(); }),
      owner_(std::this_thread::get_id()) {}

void UiLoop::Post(std::function<void()> task) {
  {
    std::lock_guard lock(mutex_);
    if (ended_) return;
    tasks_.push_back(std::move(task));
  }
  changed_.notify_all();
}

bool UiLoop::Call(std::function<void()> task) {
  if (OnLoopThread()) {
    task();
    return true;
  }
  return handOver_.Call([task = std::move(task)](HandOverReply) { task(); });
}

bool UiLoop::CallWithReply(std::function<void(HandOverReply)> task) {
  if (!OnLoopThread()) return handOver_.Call(std::move(task));
  // On the loop's own thread nobody waits: a reply kept for later answers no one.
  task(HandOverReply());
  return true;
}

bool UiLoop::OnLoopThread() const {
  std::lock_guard lock(mutex_);
  return std::this_thread::get_id() == owner_;
}

bool UiLoop::Ended() const {
  std::lock_guard lock(mutex_);
  return ended_;
}

bool UiLoop::RunOne(std::chrono::steady_clock::time_point deadline) {
  std::function<void()> task;
  {
    std::unique_lock lock(mutex_);
    owner_ = std::this_thread::get_id();
    if (!changed_.wait_until(lock, deadline, [this] { return ended_ || !tasks_.empty(); })) {
      return false;
    }
    if (ended_) return false;
    task = std::move(tasks_.front());
    tasks_.pop_front();
  }
  task();
  return true;
}

void UiLoop::Run() {
  while (!Ended()) RunOne(std::chrono::steady_clock::now() + std::chrono::hours(1));
}

bool UiLoop::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline || Ended()) return done();
    RunOne(deadline);
  }
  return true;
}

void UiLoop::Quit() {
  {
    std::lock_guard lock(mutex_);
    ended_ = true;
    tasks_.clear();
  }
  changed_.notify_all();
  // Callers waiting in Call() watch Ended() through the run state.
  run_.Change([] {});
}

}  // namespace ombrex
