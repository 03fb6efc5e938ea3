#pragma once

// The virtual keyboard daemon as a backend: one connection to its local
// socket, a thread that reads the daemon's replies and pushes, and calls from
// any thread that wait for their reply. A daemon that is not running means no
// keyboard; the backend tries again about once a second, so starting the
// daemon later looks like plugging the keyboard in.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "device/vkbd_wire.h"
#include "razizid/backend.h"

namespace ombrex::razizid {

class VirtualBackend : public Backend {
 public:
  explicit VirtualBackend(std::string socketPath,
                          std::chrono::milliseconds retryInterval = std::chrono::seconds(1));
  ~VirtualBackend() override;

  // Returns once the first attempt to reach the daemon is over (connected and
  // counted, or nothing listening), so the first count is already right.
  bool Start(BackendSink& sink) override;
  void Stop() override;
  DeviceCounts Counts() override;
  int Write(protocol::Interface to, std::span<const std::uint8_t> report, bool toEvery) override;

  // One frame from the daemon (the reader's path; tests and the fuzzer feed
  // it directly). Replies go to the oldest waiting call, pushes to the sink.
  void HandleFrame(const vkbd_wire::Frame& frame);

  bool Connected() const;

 private:
  struct Call {
    vkbd_wire::Type request;
    std::promise<std::optional<vkbd_wire::Frame>> reply;
  };

  void Run();
  bool Connect();
  void ReadUntilClosed();
  void Disconnected();
  // Sends one request; the future gives its reply (nullopt when the
  // connection goes first).
  std::optional<std::future<std::optional<vkbd_wire::Frame>>> Send(
      vkbd_wire::Type type, std::span<const std::uint8_t> payload);
  void SetCount(int count);
  void MarkFirstAttemptDone();
  BackendSink* Sink();

  const std::string socketPath_;
  const std::chrono::milliseconds retryInterval_;

  // Held across queueing a call and writing its frame, so the order of the
  // waiting calls is the order of the requests on the wire.
  mutable std::mutex sendMutex_;
  int fd_ = -1;
  // The reader takes replies from the front under this lock alone.
  std::mutex callsMutex_;
  std::deque<std::unique_ptr<Call>> calls_;

  std::mutex stateMutex_;
  std::condition_variable stateChanged_;
  BackendSink* sink_ = nullptr;
  bool stopping_ = false;
  bool firstAttemptDone_ = false;
  std::thread reader_;

  std::atomic<int> count_{0};
  std::atomic<bool> stopRequested_{false};
};

}  // namespace ombrex::razizid
