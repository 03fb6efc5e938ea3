#include "bench/support/daemon_link.h"

#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <variant>

extern char** environ;

namespace ombrex::bench {

std::filesystem::path ProgramFolder() {
  if (const char* dir = getenv("OMBREX_PROGRAM_DIR")) return dir;
  return std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path() / "bin";
}

DaemonLink::DaemonLink(std::vector<std::string> serveOptions)
    : dir_(std::filesystem::temp_directory_path() /
           ("ombrex-bench-" + std::to_string(getpid()) + "-" +
            std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()))) {
  std::filesystem::create_directories(dir_);
  socket_ = (dir_ / "vkbd.sock").string();
  const std::string program = (ProgramFolder() / "ombrex-vkbd").string();
  std::vector<std::string> args = {program, "serve", "--socket", socket_};
  args.insert(args.end(), serveOptions.begin(), serveOptions.end());
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  if (posix_spawn(&pid_, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) pid_ = -1;
  setenv("RAZIZID_BACKEND", "virtual", 1);
  setenv("OMBREX_VKBD_SOCKET", socket_.c_str(), 1);
  library_.emplace();  // the backend the environment names
  auto bound = BindServiceLibrary(library_->Functions());
  if (pid_ <= 0 || !std::holds_alternative<ServiceLibrary>(bound)) return;
  link_.emplace(std::get<ServiceLibrary>(bound), appState_);
  link_->RegisterReplyRead();
  // The daemon needs a moment to listen; the library polls for it.
  for (int i = 0; i < 50 && link_->DeviceCount() == 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

DaemonLink::~DaemonLink() {
  link_.reset();
  library_.reset();
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

DeviceLink* DaemonLink::Link() {
  return link_ && link_->DeviceCount() > 0 ? &*link_ : nullptr;
}

}  // namespace ombrex::bench
