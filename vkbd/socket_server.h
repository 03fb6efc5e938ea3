#pragma once

// The daemon's transport: a Unix stream socket restricted to its owner, many
// clients at once, one poll loop that also runs the service's reply timers.
// Nothing blocks the loop: sockets are non-blocking and every client's output
// waits in its own buffer. POSIX; a named pipe server would take its place on
// Windows.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "vkbd/service.h"

namespace ombrex::vkbd {

class SocketServer final : public FrameSink {
 public:
  SocketServer() = default;
  SocketServer(const SocketServer&) = delete;
  SocketServer& operator=(const SocketServer&) = delete;
  ~SocketServer() override;  // closes every socket and removes the socket file

  // Takes the socket path: refuses (with a reason in `error`) when another
  // daemon holds or answers on it, or the path is something other than a
  // socket; removes a stale socket file; listens with permissions 0600.
  bool Listen(const std::string& path, std::string& error);

  // Serves until the service asks to shut down or `stopFd` becomes readable
  // (the signal handler writes to it), then flushes what is left to send.
  void Run(Service& service, int stopFd);

  void Send(ClientId client, std::vector<std::uint8_t> frame) override;

 private:
  struct Connection {
    int fd = -1;
    std::vector<std::uint8_t> input;
    std::vector<std::uint8_t> output;
    bool dead = false;
  };

  bool TakeLock(std::string& error);
  void AcceptAll(Service& service);
  void ReadFrom(ClientId id, Connection& connection, Service& service);
  void Flush(Connection& connection);
  void FlushAllBeforeExit();
  void ReapDead(Service& service);

  std::string path_;
  std::string lockPath_;
  int listenFd_ = -1;
  int lockFd_ = -1;
  ClientId nextId_ = 1;
  std::map<ClientId, Connection> connections_;
};

}  // namespace ombrex::vkbd
