#include "razizid/virtual_backend.h"

#include <algorithm>
#include <climits>

#ifndef _WIN32
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

namespace ombrex::razizid {

namespace {

using vkbd_wire::Type;

// A daemon answers at once; this only bounds the wait for one that hangs.
constexpr auto kCallTimeout = std::chrono::seconds(2);
constexpr auto kFirstAttemptTimeout = std::chrono::seconds(2);

bool IsPush(Type type) {
  return type == Type::InputReport || type == Type::DeviceCount;
}

#ifndef _WIN32
bool SendAll(int fd, std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return false;
    bytes = bytes.subspan(static_cast<std::size_t>(sent));
  }
  return true;
}
#endif

}  // namespace

VirtualBackend::VirtualBackend(std::string socketPath, std::chrono::milliseconds retryInterval)
    : socketPath_(std::move(socketPath)), retryInterval_(retryInterval) {}

VirtualBackend::~VirtualBackend() {
  Stop();
}

bool VirtualBackend::Start(BackendSink& sink) {
#ifdef _WIN32
  (void)sink;
  return false;  // the daemon listens on a Unix socket only
#else
  std::unique_lock lock(stateMutex_);
  if (reader_.joinable()) return true;
  sink_ = &sink;
  stopping_ = false;
  stopRequested_ = false;
  firstAttemptDone_ = false;
  reader_ = std::thread([this] { Run(); });
  stateChanged_.wait_for(lock, kFirstAttemptTimeout, [this] { return firstAttemptDone_; });
  return true;
#endif
}

void VirtualBackend::Stop() {
  {
    std::lock_guard lock(stateMutex_);
    stopping_ = true;
    stopRequested_ = true;
    stateChanged_.notify_all();
  }
#ifndef _WIN32
  {
    std::lock_guard lock(sendMutex_);
    if (fd_ >= 0) ::shutdown(fd_, SHUT_RDWR);
  }
#endif
  if (reader_.joinable()) reader_.join();
  std::lock_guard lock(stateMutex_);
  sink_ = nullptr;
}

DeviceCounts VirtualBackend::Counts() {
  return DeviceCounts::All(count_.load());
}

bool VirtualBackend::Connected() const {
  std::lock_guard lock(sendMutex_);
  return fd_ >= 0;
}

int VirtualBackend::Write(protocol::Interface to, std::span<const std::uint8_t> report, bool) {
  std::vector<std::uint8_t> payload;
  vkbd_wire::PutU16(payload, to.usagePage);
  vkbd_wire::PutU16(payload, to.usage);
  payload.insert(payload.end(), report.begin(), report.end());
  auto future = Send(Type::WriteReport, payload);
  if (!future) return RAZIZID_NONE;
  if (future->wait_for(kCallTimeout) != std::future_status::ready) return RAZIZID_IO_ERROR;
  const std::optional<vkbd_wire::Frame> reply = future->get();
  if (!reply) return RAZIZID_NONE;  // the daemon went away with the keyboard
  if (reply->type != Type::Written || reply->payload.size() < 4) return RAZIZID_IO_ERROR;
  const auto written = static_cast<std::int32_t>(vkbd_wire::GetU32(reply->payload, 0));
  if (written > 0) return written;
  return written == 0 ? RAZIZID_NONE : RAZIZID_IO_ERROR;
}

void VirtualBackend::HandleFrame(const vkbd_wire::Frame& frame) {
  const std::span<const std::uint8_t> payload = frame.payload;
  if (frame.type == Type::InputReport) {
    if (payload.size() < 4) return;
    const protocol::Interface from{vkbd_wire::GetU16(payload, 0), vkbd_wire::GetU16(payload, 2)};
    if (BackendSink* sink = Sink()) sink->OnReport(from, payload.subspan(4));
    return;
  }
  if (frame.type == Type::DeviceCount) {
    if (payload.size() >= 4)
      SetCount(static_cast<int>(std::min<std::uint32_t>(vkbd_wire::GetU32(payload, 0), INT_MAX)));
    return;
  }
  if (IsPush(frame.type)) return;
  std::unique_ptr<Call> call;
  {
    std::lock_guard lock(callsMutex_);
    if (calls_.empty()) return;  // nothing asked: not ours to take
    call = std::move(calls_.front());
    calls_.pop_front();
  }
  if (call->request == Type::GetDeviceCount && frame.type == Type::Count && payload.size() >= 4) {
    SetCount(static_cast<int>(std::min<std::uint32_t>(vkbd_wire::GetU32(payload, 0), INT_MAX)));
    MarkFirstAttemptDone();
  }
  call->reply.set_value(frame);
}

void VirtualBackend::Run() {
  for (;;) {
    if (Connect()) {
      ReadUntilClosed();
      Disconnected();
    } else {
      MarkFirstAttemptDone();
    }
    std::unique_lock lock(stateMutex_);
    if (stateChanged_.wait_for(lock, retryInterval_, [this] { return stopping_; })) return;
  }
}

bool VirtualBackend::Connect() {
#ifdef _WIN32
  return false;
#else
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (socketPath_.size() >= sizeof(address.sun_path)) return false;
  std::memcpy(address.sun_path, socketPath_.c_str(), socketPath_.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
    ::close(fd);
    return false;
  }
  {
    std::lock_guard lock(sendMutex_);
    fd_ = fd;
  }
  const std::uint8_t role = static_cast<std::uint8_t>(vkbd_wire::Role::Library);
  // Their replies are taken by HandleFrame as they come; nobody waits here.
  Send(Type::Hello, std::span<const std::uint8_t>(&role, 1));
  Send(Type::GetDeviceCount, {});
  return true;
#endif
}

void VirtualBackend::ReadUntilClosed() {
#ifndef _WIN32
  int fd;
  {
    std::lock_guard lock(sendMutex_);
    fd = fd_;
  }
  std::vector<std::uint8_t> buffer;
  std::array<std::uint8_t, 4096> chunk{};
  while (!stopRequested_) {
    // Woken by data or by Stop(), which shuts the socket down: an idle
    // keyboard costs no wake-ups.
    pollfd waiting{fd, POLLIN, 0};
    const int ready = ::poll(&waiting, 1, -1);
    if (ready < 0 && errno != EINTR) return;
    if (ready <= 0) continue;
    const ssize_t got = ::read(fd, chunk.data(), chunk.size());
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (got <= 0) return;
    buffer.insert(buffer.end(), chunk.begin(), chunk.begin() + got);
    bool broken = false;
    while (auto frame = vkbd_wire::TakeFrame(buffer, broken)) HandleFrame(*frame);
    if (broken) return;
  }
#endif
}

void VirtualBackend::Disconnected() {
  std::deque<std::unique_ptr<Call>> failed;
  {
    std::lock_guard lock(sendMutex_);
#ifndef _WIN32
    if (fd_ >= 0) ::close(fd_);
#endif
    fd_ = -1;
  }
  {
    std::lock_guard lock(callsMutex_);
    failed.swap(calls_);
  }
  for (auto& call : failed) call->reply.set_value(std::nullopt);
  SetCount(0);
}

std::optional<std::future<std::optional<vkbd_wire::Frame>>> VirtualBackend::Send(
    Type type, std::span<const std::uint8_t> payload) {
#ifdef _WIN32
  (void)type;
  (void)payload;
  return std::nullopt;
#else
  std::lock_guard lock(sendMutex_);
  if (fd_ < 0) return std::nullopt;
  auto call = std::make_unique<Call>();
  call->request = type;
  auto future = call->reply.get_future();
  Call* queued = call.get();
  {
    std::lock_guard callsLock(callsMutex_);
    calls_.push_back(std::move(call));
  }
  if (!SendAll(fd_, vkbd_wire::Encode(type, payload))) {
    // The reader sees the broken connection and fails the other calls.
    std::lock_guard callsLock(callsMutex_);
    auto it = std::find_if(calls_.begin(), calls_.end(),
                           [queued](const auto& c) { return c.get() == queued; });
    if (it != calls_.end()) calls_.erase(it);
    return std::nullopt;
  }
  return future;
#endif
}

void VirtualBackend::SetCount(int count) {
  if (count_.exchange(count) == count) return;
  if (BackendSink* sink = Sink()) sink->OnDevicesChanged(DeviceCounts::All(count));
}

void VirtualBackend::MarkFirstAttemptDone() {
  std::lock_guard lock(stateMutex_);
  firstAttemptDone_ = true;
  stateChanged_.notify_all();
}

BackendSink* VirtualBackend::Sink() {
  std::lock_guard lock(stateMutex_);
  return sink_;
}

}  // namespace ombrex::razizid
