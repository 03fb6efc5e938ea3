// app_window_bench: ombrex offscreen on the virtual keyboard daemon, as a
// user starts it, measured from outside.
//
//   build/release/bench/app_window_bench [--runs N] [--idle-seconds S]
//
//   start    ms from spawn to the ready point ("window: tray icon added"),
//            to the window shown with the keyboard read ("window: show")
//            and drawn ("window: drawn"); median and worst of N runs
//   rss      VmRSS with the window open and drawn, hidden (/Start, keyboard
//            read), and open at twice the density
//   wakeups  context switches of every thread per second over S idle
//            seconds, hidden and open, with the threads that woke most
//
// Each run gets fresh per-user folders; the program folder is the build's.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

fs::path BinFolder() {
  char self[4096];
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  self[n > 0 ? n : 0] = '\0';
  return fs::path(self).parent_path().parent_path() / "bin";
}

// A child whose standard output is read line by line.
class Child {
 public:
  Child(const fs::path& program, const std::vector<std::string>& args,
        const std::vector<std::string>& environment) {
    std::vector<std::string> argv{program.string()};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> argp;
    for (auto& a : argv) argp.push_back(a.data());
    argp.push_back(nullptr);
    env_ = environment;
    std::vector<char*> envp;
    for (auto& e : env_) envp.push_back(e.data());
    envp.push_back(nullptr);
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    started_ = Clock::now();
    if (posix_spawn(&pid_, argp[0], &actions, nullptr, argp.data(), envp.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    out_ = out[0];
  }
  ~Child() {
    Stop();
    if (out_ >= 0) ::close(out_);
  }

  pid_t Pid() const { return pid_; }
  // Milliseconds from spawn until a line equal to `line` was written.
  std::optional<double> WaitForLine(const std::string& line, std::chrono::seconds limit = 30s) {
    const auto deadline = Clock::now() + limit;
    for (;;) {
      for (std::size_t end; (end = buffer_.find('\n')) != std::string::npos;) {
        const std::string got = buffer_.substr(0, end);
        buffer_.erase(0, end + 1);
        seen_[got] = std::chrono::duration<double, std::milli>(Clock::now() - started_).count();
      }
      if (auto found = seen_.find(line); found != seen_.end()) return found->second;
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0) return std::nullopt;
      pollfd waiting{out_, POLLIN, 0};
      if (::poll(&waiting, 1, static_cast<int>(left.count())) <= 0) continue;
      char chunk[4096];
      const ssize_t got = ::read(out_, chunk, sizeof chunk);
      if (got <= 0) return std::nullopt;
      buffer_.append(chunk, static_cast<std::size_t>(got));
    }
  }
  void Stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  Clock::time_point started_;
  std::string buffer_;
  std::map<std::string, double> seen_;
  std::vector<std::string> env_;
};

std::string ReadFile(const fs::path& file) {
  std::ifstream in(file);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

long StatusField(const fs::path& status, const std::string& field) {
  const std::string text = ReadFile(status);
  const std::size_t at = text.find(field + ":");
  return at == std::string::npos ? 0 : std::stol(text.substr(at + field.size() + 1));
}

double RssMb(pid_t pid) {
  return StatusField("/proc/" + std::to_string(pid) + "/status", "VmRSS") / 1024.0;
}

// Context switches by thread id, with the thread's name.
std::map<int, std::pair<std::string, long>> Switches(pid_t pid) {
  std::map<int, std::pair<std::string, long>> threads;
  const fs::path tasks = "/proc/" + std::to_string(pid) + "/task";
  std::error_code error;
  for (const auto& task : fs::directory_iterator(tasks, error)) {
    std::string name = ReadFile(task.path() / "comm");
    if (!name.empty() && name.back() == '\n') name.pop_back();
    const long count = StatusField(task.path() / "status", "voluntary_ctxt_switches") +
                       StatusField(task.path() / "status", "nonvoluntary_ctxt_switches");
    threads[std::stoi(task.path().filename().string())] = {name, count};
  }
  return threads;
}

void ReportWakeups(const char* what, pid_t pid, int seconds) {
  const auto before = Switches(pid);
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  const auto after = Switches(pid);
  long total = 0;
  std::map<std::string, long> byName;
  for (const auto& [tid, entry] : after) {
    const auto found = before.find(tid);
    const long woke = entry.second - (found == before.end() ? 0 : found->second.second);
    total += woke;
    if (woke > 0) byName[entry.first + " (" + std::to_string(tid) + ")"] += woke;
  }
  std::printf("wakeups %-7s %6.2f /s over %d s", what, double(total) / seconds, seconds);
  std::vector<std::pair<long, std::string>> ranked;
  for (const auto& [name, woke] : byName) ranked.emplace_back(woke, name);
  std::sort(ranked.rbegin(), ranked.rend());
  for (std::size_t i = 0; i < ranked.size() && i < 4; ++i) {
    std::printf("%s %s %.2f/s", i == 0 ? ":" : ",", ranked[i].second.c_str(),
                double(ranked[i].first) / seconds);
  }
  std::printf("\n");
}

struct Options {
  int runs = 20;
  int idleSeconds = 10;
};

class Bench {
 public:
  explicit Bench(const Options& options) : options_(options) {
    home_ = fs::temp_directory_path() / ("ombrex-bench-" + std::to_string(::getpid()));
    fs::create_directories(home_);
    socket_ = (home_ / "vkbd.sock").string();
    daemon_.emplace(bin_ / "ombrex-vkbd", std::vector<std::string>{"serve", "--socket", socket_},
                    Environment(home_ / "daemon", {}));
    for (int i = 0; i < 200 && !fs::exists(socket_); ++i) std::this_thread::sleep_for(10ms);
  }
  ~Bench() {
    daemon_.reset();
    std::error_code error;
    fs::remove_all(home_, error);
  }

  std::vector<std::string> Environment(const fs::path& home,
                                       const std::vector<std::string>& extra) const {
    fs::create_directories(home / "runtime");
    fs::permissions(home / "runtime", fs::perms::owner_all);
    std::vector<std::string> env{"HOME=" + home.string(),
                                 "XDG_RUNTIME_DIR=" + (home / "runtime").string(),
                                 "XDG_CONFIG_HOME=" + (home / "config").string(),
                                 "XDG_DATA_HOME=" + (home / "data").string(),
                                 "XDG_DOCUMENTS_DIR=" + (home / "Documents").string(),
                                 "RAZIZID_BACKEND=virtual",
                                 "OMBREX_VKBD_SOCKET=" + socket_,
                                 "QT_QPA_PLATFORM=offscreen",
                                 "LANG=C.UTF-8"};
    if (const char* path = std::getenv("PATH")) env.push_back(std::string("PATH=") + path);
    env.insert(env.end(), extra.begin(), extra.end());
    return env;
  }

  std::unique_ptr<Child> StartProgram(const std::vector<std::string>& options,
                                      const std::vector<std::string>& extra = {}) {
    const std::string instance = "Bn" + std::to_string(runs_++);
    std::vector<std::string> args{"--trace", "--instance", instance, "--events", instance + "_"};
    args.insert(args.end(), options.begin(), options.end());
    return std::make_unique<Child>(bin_ / "ombrex", args, Environment(home_ / instance, extra));
  }

  void Start() {
    std::vector<double> ready, shown, drawn;
    for (int run = 0; run < options_.runs; ++run) {
      auto program = StartProgram({});
      const auto r = program->WaitForLine("window: tray icon added");
      const auto s = program->WaitForLine("window: show");
      const auto d = program->WaitForLine("window: drawn");
      if (!r || !s || !d) {
        std::printf("run %d: the program did not get ready\n", run);
        continue;
      }
      ready.push_back(*r);
      shown.push_back(*s);
      drawn.push_back(*d);
    }
    Print("start   ready", ready);
    Print("start   shown", shown);
    Print("start   drawn", drawn);
  }

  void Memory() {
    {
      auto program = StartProgram({});
      if (program->WaitForLine("window: drawn")) {
        std::this_thread::sleep_for(1s);
        std::printf("rss     open, drawn, 1x  %6.1f MB\n", RssMb(program->Pid()));
        ReportWakeups("open", program->Pid(), options_.idleSeconds);
      }
    }
    {
      auto program = StartProgram({"/Start"});
      if (program->WaitForLine("window: tray shows 141")) {
        std::this_thread::sleep_for(1s);
        std::printf("rss     hidden, 1x       %6.1f MB\n", RssMb(program->Pid()));
        ReportWakeups("hidden", program->Pid(), options_.idleSeconds);
      }
    }
    {
      auto program = StartProgram({}, {"QT_SCALE_FACTOR=2"});
      if (program->WaitForLine("window: drawn")) {
        std::this_thread::sleep_for(1s);
        std::printf("rss     open, drawn, 2x  %6.1f MB\n", RssMb(program->Pid()));
      }
    }
  }

 private:
  static void Print(const char* what, std::vector<double> values) {
    if (values.empty()) return;
    std::sort(values.begin(), values.end());
    std::printf("%s  median %7.1f ms  worst %7.1f ms  (%zu runs)\n", what,
                values[values.size() / 2], values.back(), values.size());
  }

  Options options_;
  fs::path bin_ = BinFolder();
  fs::path home_;
  std::string socket_;
  std::optional<Child> daemon_;
  int runs_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  Options options;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--runs") options.runs = std::atoi(argv[i + 1]);
    if (option == "--idle-seconds") options.idleSeconds = std::atoi(argv[i + 1]);
  }
  Bench bench(options);
  bench.Start();
  bench.Memory();
  return 0;
}
