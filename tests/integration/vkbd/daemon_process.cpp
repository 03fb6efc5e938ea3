#include "tests/integration/vkbd/daemon_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "tests/support/temp_dir.h"
#include "vkbd/wire_client.h"

extern char** environ;

namespace ombrex::vkbd::test {

namespace {

using Clock = std::chrono::steady_clock;

pid_t Spawn(const std::vector<std::string>& args, const std::filesystem::path& out,
            const std::filesystem::path& err) {
  std::vector<std::string> argv = {VkbdProgram().string()};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> pointers;
  for (auto& arg : argv) pointers.push_back(arg.data());
  pointers.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t pid = -1;
  if (posix_spawn(&pid, pointers[0], &actions, nullptr, pointers.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

std::optional<int> Reap(pid_t pid, std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    int status = 0;
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (done < 0 || Clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

std::string UniqueName(const char* stem) {
  static std::atomic<int> next{0};
  return std::string(stem) + std::to_string(next++);
}

}  // namespace

std::filesystem::path VkbdProgram() {
  const char* dir = std::getenv("OMBREX_PROGRAM_DIR");
  return std::filesystem::path(dir != nullptr ? dir : ".") / "ombrex-vkbd";
}

ToolResult RunVkbd(const std::vector<std::string>& args, const std::filesystem::path& workDir) {
  const auto out = workDir / UniqueName("tool-out-");
  const auto err = workDir / UniqueName("tool-err-");
  ToolResult result;
  const pid_t pid = Spawn(args, out, err);
  if (pid < 0) return result;
  const std::optional<int> code = Reap(pid, std::chrono::seconds(10));
  if (!code) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
  result.exitCode = code.value_or(-1);
  result.out = ombrex::test::ReadText(out);
  result.err = ombrex::test::ReadText(err);
  return result;
}

DaemonProcess::DaemonProcess(const std::filesystem::path& workDir, const std::string& socket,
                             const std::vector<std::string>& extraArgs)
    : socket_(socket), errFile_(workDir / UniqueName("daemon-err-")) {
  std::vector<std::string> args = {"serve", "--socket", socket};
  args.insert(args.end(), extraArgs.begin(), extraArgs.end());
  pid_ = Spawn(args, workDir / UniqueName("daemon-out-"), errFile_);
}

DaemonProcess::~DaemonProcess() {
  if (Running()) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

bool DaemonProcess::Running() {
  if (pid_ < 0 || exitCode_) return false;
  exitCode_ = Reap(pid_, std::chrono::milliseconds(0));
  return !exitCode_;
}

bool DaemonProcess::WaitUntilAnswering(std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  while (Running() && Clock::now() < deadline) {
    if (WireClient::Connect(socket_)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

std::optional<int> DaemonProcess::WaitForExit(std::chrono::milliseconds timeout) {
  if (!exitCode_ && pid_ >= 0) exitCode_ = Reap(pid_, timeout);
  return exitCode_;
}

std::optional<int> DaemonProcess::Terminate() {
  if (Running()) kill(pid_, SIGTERM);
  return WaitForExit();
}

std::string DaemonProcess::ErrorOutput() const {
  return ombrex::test::ReadText(errFile_);
}

}  // namespace ombrex::vkbd::test
