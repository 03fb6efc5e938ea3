#pragma once

// One standing request: its callback, and the thread that calls it with the
// request's events in the order they were posted. A callback that waits holds
// up only its own request.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "device/protocol.h"
#include "device/razizid_api.h"

namespace ombrex::razizid {

class RequestDispatcher {
 public:
  // Reports beyond this many waiting are dropped (a stalled callback must not
  // make the library grow without bound); device-count events always queue.
  static constexpr std::size_t kMaxQueuedReports = 1024;

  RequestDispatcher(std::uint32_t unitId, protocol::Interface hidInterface,
                    RazIzidCallback callback, std::uint32_t tag, int currentCount);
  // Stops; never call it on the dispatcher's own thread.
  ~RequestDispatcher();
  RequestDispatcher(const RequestDispatcher&) = delete;
  RequestDispatcher& operator=(const RequestDispatcher&) = delete;

  void PostReport(std::span<const std::uint8_t> report);
  // Queues a device-count event when `count` differs from the last one the
  // request knows of.
  void PostCount(int count);

  // Returns when the callback is not running and never will again. On the
  // dispatcher's own thread (a callback cancelling its own request) it only
  // marks the end: the running callback is the last.
  void Stop();
  bool OnOwnThread() const { return std::this_thread::get_id() == thread_.get_id(); }
  bool Finished() const;

  std::uint32_t UnitId() const { return unitId_; }
  protocol::Interface Interface() const { return interface_; }
  RazIzidCallback Callback() const { return callback_; }
  std::uint64_t DroppedReports() const;

 private:
  struct Event {
    std::uint32_t kind;
    std::uint32_t count;
    std::vector<std::uint8_t> data;
  };

  void Run();

  const std::uint32_t unitId_;
  const protocol::Interface interface_;
  const RazIzidCallback callback_;
  const std::uint32_t tag_;

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Event> queue_;
  // Set while the queue holds events, read outside the lock for a short spin.
  std::atomic<bool> hasEvents_{false};
  std::size_t queuedReports_ = 0;
  std::uint64_t droppedReports_ = 0;
  int lastCount_;
  bool stopping_ = false;
  bool finished_ = false;
  std::thread thread_;
};

}  // namespace ombrex::razizid
