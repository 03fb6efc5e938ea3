#include "platform/process_launch.h"

#ifdef _WIN32
#include <shellapi.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#endif

namespace ombrex {

#ifdef _WIN32

bool StartDetached(const std::filesystem::path& program,
                   const std::vector<std::string>& arguments) {
  std::wstring parameters;
  for (const std::string& argument : arguments) {
    if (!parameters.empty()) parameters += L' ';
    parameters += std::filesystem::path(argument).wstring();
  }
  const HINSTANCE result =
      ShellExecuteW(nullptr, L"open", program.c_str(), parameters.c_str(), L"", SW_HIDE);
  return reinterpret_cast<INT_PTR>(result) > 32;
}

#else

namespace {

// In the child of a threaded process only async-signal-safe calls are made.
[[noreturn]] void ExecHidden(const char* path, char* const argv[], int reportFd) {
  // Signals this process keeps blocked for a thread of its own would stay
  // blocked across the exec.
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  const int null = ::open("/dev/null", O_RDWR);
  if (null >= 0) {
    ::dup2(null, 0);
    ::dup2(null, 1);
    ::dup2(null, 2);
  }
  ::execv(path, argv);
  const int error = errno;
  [[maybe_unused]] const ssize_t written = ::write(reportFd, &error, sizeof error);
  ::_exit(127);
}

}  // namespace

bool StartDetached(const std::filesystem::path& program,
                   const std::vector<std::string>& arguments) {
  std::vector<std::string> words{program.string()};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  // The exec's failure comes back through the pipe; its success closes it.
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) return false;
  const pid_t child = ::fork();
  if (child < 0) {
    ::close(report[0]);
    ::close(report[1]);
    return false;
  }
  if (child == 0) {
    // Twice forked, the program belongs to no one here and leaves no zombie.
    ::setsid();
    const pid_t grandchild = ::fork();
    if (grandchild == 0) ExecHidden(argv[0], argv.data(), report[1]);
    ::_exit(grandchild < 0 ? 127 : 0);
  }
  ::close(report[1]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  int error = 0;
  ssize_t got = 0;
  do {
    got = ::read(report[0], &error, sizeof error);
  } while (got < 0 && errno == EINTR);
  ::close(report[0]);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 && got == 0;
}

#endif

}  // namespace ombrex
