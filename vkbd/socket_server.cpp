#include "vkbd/socket_server.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "vkbd/wire_client.h"

namespace ombrex::vkbd {

namespace {

using Clock = SteadyClock;

// A client that stops reading is cut off rather than allowed to make the
// daemon's memory grow without bound.
constexpr std::size_t kMaxPendingOutput = 64u << 20;
constexpr auto kFinalFlushTime = std::chrono::seconds(1);

// Waking a sleeping thread costs tens of microseconds on a virtual machine's
// idle core, which a latency of 1 ms per packet would pay on every reply. So
// the loop sleeps until shortly before a reply is due and then polls without
// sleeping until it is: the latency is what it says, to the microsecond.
constexpr auto kWakeEarly = std::chrono::microseconds(150);

// nullopt waits without a limit.
std::optional<timespec> PollTimeout(const std::optional<Clock::time_point>& due) {
  if (!due) return std::nullopt;
  const auto left =
      std::chrono::duration_cast<std::chrono::nanoseconds>(*due - kWakeEarly - Clock::now());
  const long long ns = std::clamp<long long>(left.count(), 0, 60'000'000'000LL);
  return timespec{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
}

int Poll(std::vector<pollfd>& watches, const std::optional<Clock::time_point>& due) {
  const std::optional<timespec> timeout = PollTimeout(due);
  return ::ppoll(watches.data(), watches.size(), timeout ? &*timeout : nullptr, nullptr);
}

bool SameFile(int fd, const std::string& path) {
  struct stat opened {};
  struct stat named {};
  return ::fstat(fd, &opened) == 0 && ::stat(path.c_str(), &named) == 0 &&
         opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

}  // namespace

SocketServer::~SocketServer() {
  for (auto& [id, connection] : connections_) ::close(connection.fd);
  if (listenFd_ >= 0) {
    ::close(listenFd_);
    ::unlink(path_.c_str());
  }
  if (lockFd_ >= 0) {
    // Unlinked while still locked, so a daemon starting now either fails on
    // this lock or creates a fresh file; it never shares a dying one.
    ::unlink(lockPath_.c_str());
    ::close(lockFd_);
  }
}

bool SocketServer::TakeLock(std::string& error) {
  // Two daemons started at the same moment could both find no one answering
  // and take the socket from each other; the lock decides between them.
  lockPath_ = path_ + ".lock";
  for (int attempt = 0; attempt < 5; ++attempt) {
    const int fd = ::open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
      error = "cannot create " + lockPath_ + ": " + std::strerror(errno);
      return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      ::close(fd);
      error = "another ombrex-vkbd is running on " + path_;
      return false;
    }
    if (SameFile(fd, lockPath_)) {
      lockFd_ = fd;
      return true;
    }
    ::close(fd);  // the previous holder removed it meanwhile: take the new one
  }
  error = "cannot lock " + lockPath_;
  return false;
}

bool SocketServer::Listen(const std::string& path, std::string& error) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address.sun_path) {
    error = "socket path is empty or too long: " + path;
    return false;
  }
  path_ = path;
  if (!TakeLock(error)) return false;
  if (WireClient::Connect(path)) {
    error = "another ombrex-vkbd answers on " + path;
    return false;
  }
  struct stat existing {};
  if (::lstat(path.c_str(), &existing) == 0) {
    if (!S_ISSOCK(existing.st_mode)) {
      error = path + " exists and is not a socket; not removing it";
      return false;
    }
    ::unlink(path.c_str());  // left behind by a daemon that was killed
  }
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    error = std::string("cannot create a socket: ") + std::strerror(errno);
    return false;
  }
  // Created 0600 from the start: no moment in which another user could connect.
  const mode_t oldMask = ::umask(0077);
  const int bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
  ::umask(oldMask);
  if (bound != 0 || ::chmod(path.c_str(), 0600) != 0 || ::listen(fd, 64) != 0) {
    error = "cannot listen on " + path + ": " + std::strerror(errno);
    ::close(fd);
    return false;
  }
  listenFd_ = fd;
  return true;
}

void SocketServer::Run(Service& service, int stopFd) {
  // The kernel may otherwise wake the loop up to 50 us late on every reply,
  // which a long transfer with a per-packet latency adds up.
  ::prctl(PR_SET_TIMERSLACK, 1UL);
  std::vector<pollfd> watches;
  std::vector<ClientId> ids;
  while (!service.ShutdownRequested()) {
    watches.assign({{stopFd, POLLIN, 0}, {listenFd_, POLLIN, 0}});
    ids.clear();
    for (auto& [id, connection] : connections_) {
      const short events = connection.output.empty() ? POLLIN : short(POLLIN | POLLOUT);
      watches.push_back({connection.fd, events, 0});
      ids.push_back(id);
    }
    const int ready = Poll(watches, service.NextDue());
    if (ready < 0 && errno != EINTR) break;
    if (ready > 0 && (watches[0].revents & POLLIN)) break;
    for (std::size_t i = 0; ready > 0 && i < ids.size(); ++i) {
      const short revents = watches[i + 2].revents;
      Connection& connection = connections_.at(ids[i]);
      if (revents & POLLOUT) Flush(connection);
      if (revents & (POLLIN | POLLHUP | POLLERR)) ReadFrom(ids[i], connection, service);
    }
    if (ready > 0 && (watches[1].revents & POLLIN)) AcceptAll(service);
    service.RunDue(Clock::now());
    ReapDead(service);
  }
  FlushAllBeforeExit();
}

void SocketServer::Send(ClientId client, std::vector<std::uint8_t> frame) {
  const auto found = connections_.find(client);
  if (found == connections_.end() || found->second.dead) return;
  Connection& connection = found->second;
  connection.output.insert(connection.output.end(), frame.begin(), frame.end());
  if (connection.output.size() > kMaxPendingOutput) {
    connection.dead = true;
    return;
  }
  Flush(connection);
}

void SocketServer::AcceptAll(Service& service) {
  for (;;) {
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      return;  // EAGAIN, or out of descriptors: try again on the next wake-up
    }
    const ClientId id = nextId_++;
    connections_[id].fd = fd;
    service.Connect(id);
  }
}

void SocketServer::ReadFrom(ClientId id, Connection& connection, Service& service) {
  std::uint8_t chunk[65536];
  const ssize_t n = ::recv(connection.fd, chunk, sizeof chunk, 0);
  if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) return;
  if (n <= 0) {
    connection.dead = true;
    return;
  }
  connection.input.insert(connection.input.end(), chunk, chunk + n);
  bool broken = false;
  while (!connection.dead) {
    const auto frame = vkbd_wire::TakeFrame(connection.input, broken);
    if (!frame) break;
    service.Receive(id, *frame, Clock::now());
  }
  if (broken) connection.dead = true;
}

void SocketServer::Flush(Connection& connection) {
  std::size_t sent = 0;
  while (sent < connection.output.size()) {
    const ssize_t n = ::send(connection.fd, connection.output.data() + sent,
                             connection.output.size() - sent, MSG_NOSIGNAL);
    if (n > 0) {
      sent += std::size_t(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    connection.dead = true;
    break;
  }
  connection.output.erase(connection.output.begin(), connection.output.begin() + sent);
}

void SocketServer::FlushAllBeforeExit() {
  const auto deadline = Clock::now() + kFinalFlushTime;
  for (;;) {
    std::vector<pollfd> watches;
    std::vector<Connection*> waiting;
    for (auto& [id, connection] : connections_) {
      if (connection.dead || connection.output.empty()) continue;
      watches.push_back({connection.fd, POLLOUT, 0});
      waiting.push_back(&connection);
    }
    if (watches.empty() || Clock::now() >= deadline) return;
    if (Poll(watches, deadline) <= 0) return;
    for (std::size_t i = 0; i < watches.size(); ++i) {
      if (watches[i].revents & POLLOUT) Flush(*waiting[i]);
      if (watches[i].revents & (POLLERR | POLLHUP)) waiting[i]->dead = true;
    }
  }
}

void SocketServer::ReapDead(Service& service) {
  for (auto it = connections_.begin(); it != connections_.end();) {
    if (!it->second.dead) {
      ++it;
      continue;
    }
    ::close(it->second.fd);
    service.Disconnect(it->first);
    it = connections_.erase(it);
  }
}

}  // namespace ombrex::vkbd
