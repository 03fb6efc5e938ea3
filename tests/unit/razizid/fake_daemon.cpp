// The daemon and its socket have no Windows form yet.
#ifndef _WIN32

#include "tests/unit/razizid/fake_daemon.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <map>

namespace ombrex::test {

namespace {

void SendFrame(int fd, vkbd_wire::Type type, const std::vector<std::uint8_t>& payload) {
  const auto bytes = vkbd_wire::Encode(type, payload);
  (void)!::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
}

std::vector<std::uint8_t> U32(std::uint32_t value) {
  std::vector<std::uint8_t> out;
  vkbd_wire::PutU32(out, value);
  return out;
}

}  // namespace

FakeDaemon::FakeDaemon(std::string socketPath) : path_(std::move(socketPath)) {
  ::unlink(path_.c_str());
  listenFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path_.c_str(), sizeof(address.sun_path) - 1);
  if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
      ::listen(listenFd_, 8) != 0) {
    ::close(listenFd_);
    listenFd_ = -1;
    return;
  }
  thread_ = std::thread([this] { Serve(); });
}

FakeDaemon::~FakeDaemon() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  DropClients();
  if (listenFd_ >= 0) ::close(listenFd_);
  ::unlink(path_.c_str());
}

void FakeDaemon::Push(vkbd_wire::Type type, const std::vector<std::uint8_t>& payload) {
  std::lock_guard lock(mutex_);
  for (int fd : clients_) SendFrame(fd, type, payload);
}

void FakeDaemon::DropClients() {
  std::lock_guard lock(mutex_);
  for (int fd : clients_) ::shutdown(fd, SHUT_RDWR);
}

int FakeDaemon::Clients() {
  std::lock_guard lock(mutex_);
  return static_cast<int>(clients_.size());
}

std::vector<vkbd_wire::Type> FakeDaemon::Received() {
  std::lock_guard lock(mutex_);
  return received_;
}

void FakeDaemon::Serve() {
  std::map<int, std::vector<std::uint8_t>> buffers;
  while (!stop_) {
    std::vector<pollfd> fds{{listenFd_, POLLIN, 0}};
    {
      std::lock_guard lock(mutex_);
      for (int fd : clients_) fds.push_back({fd, POLLIN, 0});
    }
    if (::poll(fds.data(), fds.size(), 20) <= 0) continue;
    if (fds[0].revents & POLLIN) {
      const int client = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
      std::lock_guard lock(mutex_);
      if (client >= 0) clients_.push_back(client);
    }
    for (std::size_t i = 1; i < fds.size(); ++i) {
      if (fds[i].revents == 0) continue;
      std::uint8_t chunk[4096];
      const ssize_t got = ::read(fds[i].fd, chunk, sizeof(chunk));
      if (got <= 0) {
        std::lock_guard lock(mutex_);
        ::close(fds[i].fd);
        std::erase(clients_, fds[i].fd);
        buffers.erase(fds[i].fd);
        continue;
      }
      auto& buffer = buffers[fds[i].fd];
      buffer.insert(buffer.end(), chunk, chunk + got);
      bool broken = false;
      while (auto frame = vkbd_wire::TakeFrame(buffer, broken)) Answer(fds[i].fd, *frame);
    }
  }
  std::lock_guard lock(mutex_);
  for (int fd : clients_) ::close(fd);
  clients_.clear();
}

void FakeDaemon::Answer(int fd, const vkbd_wire::Frame& frame) {
  using vkbd_wire::Type;
  std::lock_guard lock(mutex_);
  received_.push_back(frame.type);
  switch (frame.type) {
    case Type::GetDeviceCount:
      SendFrame(fd, Type::Count, U32(static_cast<std::uint32_t>(plugged_.load())));
      break;
    case Type::WriteReport: {
      const auto reportSize = static_cast<std::uint32_t>(frame.payload.size() - 4);
      // Like the daemon: the push may come before the reply to the write.
      if (plugged_ > 0) SendFrame(fd, Type::InputReport, frame.payload);
      SendFrame(fd, Type::Written, U32(plugged_ > 0 ? reportSize : 0));
      break;
    }
    default:
      SendFrame(fd, Type::Ack, U32(1));
      break;
  }
}

}  // namespace ombrex::test

#endif
