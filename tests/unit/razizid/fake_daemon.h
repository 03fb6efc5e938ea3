#pragma once

// A stand-in for the virtual keyboard daemon on a Unix socket: answers the
// requests the library's virtual backend makes, echoes control writes back as
// input reports, and lets a test push frames or cut connections.

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "device/vkbd_wire.h"

namespace ombrex::test {

class FakeDaemon {
 public:
  explicit FakeDaemon(std::string socketPath);
  ~FakeDaemon();

  bool Listening() const { return listenFd_ >= 0; }
  void SetPlugged(int count) { plugged_ = count; }
  // Sends a frame to every connected client.
  void Push(vkbd_wire::Type type, const std::vector<std::uint8_t>& payload);
  // Closes every client connection (the daemon keeps listening).
  void DropClients();
  int Clients();
  std::vector<vkbd_wire::Type> Received();

 private:
  void Serve();
  void Answer(int fd, const vkbd_wire::Frame& frame);

  std::string path_;
  int listenFd_ = -1;
  std::atomic<int> plugged_{1};
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<int> clients_;
  std::vector<vkbd_wire::Type> received_;
  std::thread thread_;
};

}  // namespace ombrex::test
