#include "vkbd/wire_client.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace ombrex::vkbd {

namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsUntil(Clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

}  // namespace

bool IsPush(vkbd_wire::Type type) {
  return type == vkbd_wire::Type::InputReport || type == vkbd_wire::Type::DeviceCount;
}

std::optional<WireClient> WireClient::Connect(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address.sun_path) return std::nullopt;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return std::nullopt;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return std::nullopt;
  }
  return WireClient(fd);
}

WireClient::WireClient(WireClient&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      buffer_(std::move(other.buffer_)),
      pushes_(std::move(other.pushes_)) {}

WireClient& WireClient::operator=(WireClient&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
    buffer_ = std::move(other.buffer_);
    pushes_ = std::move(other.pushes_);
  }
  return *this;
}

WireClient::~WireClient() {
  Close();
}

void WireClient::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool WireClient::Send(vkbd_wire::Type type, std::span<const std::uint8_t> payload) {
  if (fd_ < 0) return false;
  const std::vector<std::uint8_t> frame = vkbd_wire::Encode(type, payload);
  std::size_t sent = 0;
  while (sent < frame.size()) {
    const ssize_t n = ::send(fd_, frame.data() + sent, frame.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      Close();
      return false;
    }
    sent += std::size_t(n);
  }
  return true;
}

std::optional<vkbd_wire::Frame> WireClient::Call(vkbd_wire::Type type,
                                                 std::span<const std::uint8_t> payload,
                                                 std::chrono::milliseconds timeout) {
  if (!Send(type, payload)) return std::nullopt;
  const auto deadline = Clock::now() + timeout;
  while (auto frame = ReadFrame(deadline)) {
    if (!IsPush(frame->type)) return frame;
    pushes_.push_back(std::move(*frame));
  }
  return std::nullopt;
}

bool WireClient::Hello(vkbd_wire::Role role, std::chrono::milliseconds timeout) {
  const std::uint8_t payload[] = {static_cast<std::uint8_t>(role)};
  const auto reply = Call(vkbd_wire::Type::Hello, payload, timeout);
  return reply && reply->type == vkbd_wire::Type::Ack && vkbd_wire::GetU32(reply->payload, 0) == 1;
}

std::optional<vkbd_wire::Frame> WireClient::NextPush(std::chrono::milliseconds timeout) {
  if (!pushes_.empty()) {
    vkbd_wire::Frame frame = std::move(pushes_.front());
    pushes_.pop_front();
    return frame;
  }
  const auto deadline = Clock::now() + timeout;
  while (auto frame = ReadFrame(deadline)) {
    if (IsPush(frame->type)) return frame;
  }
  return std::nullopt;
}

std::optional<vkbd_wire::Frame> WireClient::Receive(std::chrono::milliseconds timeout) {
  if (!pushes_.empty()) return NextPush(timeout);
  return ReadFrame(Clock::now() + timeout);
}

std::optional<vkbd_wire::Frame> WireClient::ReadFrame(Clock::time_point deadline) {
  while (fd_ >= 0) {
    bool broken = false;
    if (auto frame = vkbd_wire::TakeFrame(buffer_, broken)) return frame;
    if (broken) break;
    pollfd watch{fd_, POLLIN, 0};
    const int ready = ::poll(&watch, 1, MillisecondsUntil(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return std::nullopt;  // time-out: the stream is still usable
    std::uint8_t chunk[16384];
    const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) break;
    buffer_.insert(buffer_.end(), chunk, chunk + n);
  }
  Close();
  return std::nullopt;
}

}  // namespace ombrex::vkbd
