#pragma once

// The virtual keyboard daemon from the program folder on a private socket,
// and a device link to it through the service library's virtual backend, for
// as long as the object lives.
//
//   DaemonLink daemon({"--latency-ms", "1"});
//   if (DeviceLink* link = daemon.Link()) link->Commands().ReadKeyTable(table, 0);

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "device/app_state.h"
#include "device/device_link.h"
#include "razizid/in_process.h"

namespace ombrex::bench {

std::filesystem::path ProgramFolder();

class DaemonLink {
 public:
  // `serveOptions` go to "ombrex-vkbd serve" after the socket.
  explicit DaemonLink(std::vector<std::string> serveOptions);
  ~DaemonLink();
  DaemonLink(const DaemonLink&) = delete;
  DaemonLink& operator=(const DaemonLink&) = delete;

  // Null when the daemon or its keyboard did not come up.
  DeviceLink* Link();
  // A private folder that goes with the object (for trace and state files).
  const std::filesystem::path& Folder() const { return dir_; }

 private:
  std::filesystem::path dir_;
  std::string socket_;
  pid_t pid_ = -1;
  std::optional<razizid::InProcessLibrary> library_;
  AppState appState_;
  std::optional<DeviceLink> link_;
};

}  // namespace ombrex::bench
