#include "tests/support/processes.h"

#include "tests/support/file_change.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "tests/support/temp_dir.h"
#include "tests/support/test_environment.h"

extern char** environ;

namespace ombrex::e2e {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

std::string Unique(const char* stem) {
  static std::atomic<int> next{0};
  return std::string(stem) + std::to_string(::getpid()) + "-" + std::to_string(next++);
}

}  // namespace

std::filesystem::path ProgramDir() {
  const char* dir = std::getenv("OMBREX_PROGRAM_DIR");
  return dir != nullptr ? dir : ".";
}

std::filesystem::path OnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string folders = path != nullptr ? path : "/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= folders.size()) {
    const std::size_t end = std::min(folders.find(':', start), folders.size());
    const std::filesystem::path candidate =
        std::filesystem::path(folders.substr(start, end - start)) / name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return {};
}

Process::Process(const std::string& program, const std::vector<std::string>& args,
                 const std::filesystem::path& workDir)
    : out_(workDir / Unique("out-")), err_(workDir / Unique("err-")) {
  std::vector<std::string> argv{(ProgramDir() / program).string()};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> pointers;
  for (std::string& arg : argv) pointers.push_back(arg.data());
  pointers.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (posix_spawn(&pid_, pointers[0], &actions, nullptr, pointers.data(), environ) != 0) pid_ = -1;
  posix_spawn_file_actions_destroy(&actions);
}

Process::~Process() {
  if (Running()) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
}

std::optional<int> Process::WaitForExit(std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  while (!exitCode_ && pid_ > 0) {
    int status = 0;
    const pid_t done = ::waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
      exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    } else if (done < 0 || Clock::now() >= deadline) {
      break;
    } else {
      std::this_thread::sleep_for(5ms);
    }
  }
  return exitCode_;
}

bool Process::Running() {
  return pid_ > 0 && !WaitForExit(0ms);
}

void Process::Signal(int signal) {
  if (Running()) ::kill(pid_, signal);
}

std::string Process::Out() const {
  return test::ReadText(out_);
}
std::string Process::Err() const {
  return test::ReadText(err_);
}

bool Process::WaitForOutput(const std::string& text, std::chrono::milliseconds timeout) {
  return WaitForOutputWhere(
      [&](const std::string& out) { return out.find(text) != std::string::npos; }, timeout);
}

bool Process::WaitForOutputWhere(const std::function<bool(const std::string&)>& holds,
                                 std::chrono::milliseconds timeout,
                                 const std::vector<std::filesystem::path>& alsoWatched) {
  // Each write to the output, and the program's end closing it, is a change.
  std::vector<std::filesystem::path> folders = alsoWatched;
  folders.push_back(out_.parent_path());
  test::UntilChanged(
      folders, [&] { return holds(Out()) || !Running(); }, timeout);
  return holds(Out());
}

Finished RunToEnd(const std::string& program, const std::vector<std::string>& args,
                  const std::filesystem::path& workDir, std::chrono::milliseconds timeout) {
  Process process(program, args, workDir);
  Finished finished;
  finished.exitCode = process.WaitForExit(timeout).value_or(-1);
  finished.out = process.Out();
  finished.err = process.Err();
  return finished;
}

VirtualKeyboard::VirtualKeyboard(const std::filesystem::path& workDir,
                                 const std::vector<std::string>& extraArgs)
    : workDir_(workDir), socket_((workDir / "vkbd.sock").string()) {
  ::setenv("RAZIZID_BACKEND", test::DaemonBackend(), 1);
  ::setenv("OMBREX_VKBD_SOCKET", socket_.c_str(), 1);
  std::vector<std::string> args{"serve", "--socket", socket_};
  args.insert(args.end(), extraArgs.begin(), extraArgs.end());
  daemon_.emplace("ombrex-vkbd", args, workDir);
}

VirtualKeyboard::~VirtualKeyboard() {
  daemon_->Signal(SIGTERM);
  daemon_->WaitForExit();
}

bool VirtualKeyboard::Answering() {
  for (int i = 0; i < 400 && daemon_->Running(); ++i) {
    if (Control({"count"}).exitCode == 0) return true;
    std::this_thread::sleep_for(25ms);
  }
  return false;
}

Finished VirtualKeyboard::Control(const std::vector<std::string>& args) {
  std::vector<std::string> full = args;
  full.push_back("--socket");
  full.push_back(socket_);
  return RunToEnd("ombrex-vkbd", full, workDir_);
}

}  // namespace ombrex::e2e
