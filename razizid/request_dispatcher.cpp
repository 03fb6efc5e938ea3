#include "razizid/request_dispatcher.h"

#include "platform/spin_wait.h"

#include <utility>

namespace ombrex::razizid {

RequestDispatcher::RequestDispatcher(std::uint32_t unitId, protocol::Interface hidInterface,
                                     RazIzidCallback callback, std::uint32_t tag, int currentCount)
    : unitId_(unitId),
      interface_(hidInterface),
      callback_(callback),
      tag_(tag),
      lastCount_(currentCount),
      thread_([this] { Run(); }) {}

RequestDispatcher::~RequestDispatcher() {
  Stop();
  if (thread_.joinable()) thread_.join();
}

void RequestDispatcher::PostReport(std::span<const std::uint8_t> report) {
  std::lock_guard lock(mutex_);
  if (stopping_) return;
  if (queuedReports_ >= kMaxQueuedReports) {
    ++droppedReports_;
    return;
  }
  ++queuedReports_;
  queue_.push_back(Event{RAZIZID_EVENT_DATA, static_cast<std::uint32_t>(report.size()),
                         std::vector<std::uint8_t>(report.begin(), report.end())});
  hasEvents_.store(true, std::memory_order_release);
  wake_.notify_one();
}

void RequestDispatcher::PostCount(int count) {
  std::lock_guard lock(mutex_);
  if (stopping_ || count == lastCount_) return;
  lastCount_ = count;
  queue_.push_back(Event{RAZIZID_EVENT_DEVICE_COUNT, static_cast<std::uint32_t>(count), {}});
  hasEvents_.store(true, std::memory_order_release);
  wake_.notify_one();
}

void RequestDispatcher::Stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    queue_.clear();
    hasEvents_.store(true, std::memory_order_release);  // ends a spinning wait
    wake_.notify_one();
  }
  if (!OnOwnThread() && thread_.joinable()) thread_.join();
}

bool RequestDispatcher::Finished() const {
  std::lock_guard lock(mutex_);
  return finished_;
}

std::uint64_t RequestDispatcher::DroppedReports() const {
  std::lock_guard lock(mutex_);
  return droppedReports_;
}

void RequestDispatcher::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    if (queue_.empty() && !stopping_) {
      // A reply usually follows the last one within microseconds during a
      // transfer: look for it briefly before sleeping.
      lock.unlock();
      SpinUntilSet(hasEvents_);
      lock.lock();
    }
    wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (stopping_) break;
    Event event = std::move(queue_.front());
    queue_.pop_front();
    if (queue_.empty()) hasEvents_.store(false, std::memory_order_relaxed);
    if (event.kind == RAZIZID_EVENT_DATA) --queuedReports_;
    lock.unlock();
    const RazIzidEvent record{event.kind, tag_, event.count, unitId_,
                              event.kind == RAZIZID_EVENT_DATA ? event.data.data() : nullptr};
    callback_(&record);
    lock.lock();
  }
  finished_ = true;
}

}  // namespace ombrex::razizid
