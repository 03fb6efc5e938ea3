#pragma once

// Starting the ombrex-vkbd executable from tests: the daemon in the
// background, and control commands run to completion.

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ombrex::vkbd::test {

std::filesystem::path VkbdProgram();  // $OMBREX_PROGRAM_DIR/ombrex-vkbd

struct ToolResult {
  int exitCode = -1;  // -1: did not end normally
  std::string out;
  std::string err;
};

// Runs the program with the arguments and waits for it (10 s at most).
ToolResult RunVkbd(const std::vector<std::string>& args, const std::filesystem::path& workDir);

class DaemonProcess {
 public:
  // Starts `ombrex-vkbd serve --socket SOCKET` plus the extra arguments; its
  // output goes to files in `workDir`.
  DaemonProcess(const std::filesystem::path& workDir, const std::string& socket,
                const std::vector<std::string>& extraArgs = {});
  ~DaemonProcess();  // SIGKILL if still running
  DaemonProcess(const DaemonProcess&) = delete;
  DaemonProcess& operator=(const DaemonProcess&) = delete;

  // True once a client can connect; false when it exited or took too long.
  bool WaitUntilAnswering(std::chrono::milliseconds timeout = std::chrono::seconds(10));
  // The exit code once it has ended within the timeout.
  std::optional<int> WaitForExit(std::chrono::milliseconds timeout = std::chrono::seconds(10));
  // SIGTERM, then WaitForExit.
  std::optional<int> Terminate();
  bool Running();
  std::string ErrorOutput() const;

 private:
  std::string socket_;
  std::filesystem::path errFile_;
  pid_t pid_ = -1;
  std::optional<int> exitCode_;
};

}  // namespace ombrex::vkbd::test
