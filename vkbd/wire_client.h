#pragma once

// A client of the virtual keyboard daemon over its local socket: the control
// commands use it, and so can tests that want to talk to a running daemon.
// POSIX; a named pipe would take the socket's place on Windows.

#include <chrono>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "device/vkbd_wire.h"

namespace ombrex::vkbd {

class WireClient {
 public:
  // nullopt when nothing listens at `path`.
  static std::optional<WireClient> Connect(const std::string& path);

  WireClient(WireClient&& other) noexcept;
  WireClient& operator=(WireClient&& other) noexcept;
  WireClient(const WireClient&) = delete;
  WireClient& operator=(const WireClient&) = delete;
  ~WireClient();

  bool Send(vkbd_wire::Type type, std::span<const std::uint8_t> payload = {});

  // The reply to a request: the next frame that is not a push. Pushes that
  // arrive first are kept for NextPush. nullopt on time-out or a closed or
  // broken stream.
  std::optional<vkbd_wire::Frame> Call(vkbd_wire::Type type, std::span<const std::uint8_t> payload,
                                       std::chrono::milliseconds timeout);
  // Hello with the role; true when the daemon accepted it.
  bool Hello(vkbd_wire::Role role, std::chrono::milliseconds timeout);

  // The next push, kept or newly read.
  std::optional<vkbd_wire::Frame> NextPush(std::chrono::milliseconds timeout);
  // The next frame of any type (kept pushes first).
  std::optional<vkbd_wire::Frame> Receive(std::chrono::milliseconds timeout);

  bool IsOpen() const { return fd_ >= 0; }

 private:
  explicit WireClient(int fd) : fd_(fd) {}
  std::optional<vkbd_wire::Frame> ReadFrame(std::chrono::steady_clock::time_point deadline);
  void Close();

  int fd_ = -1;
  std::vector<std::uint8_t> buffer_;
  std::deque<vkbd_wire::Frame> pushes_;
};

bool IsPush(vkbd_wire::Type type);

}  // namespace ombrex::vkbd
