#include "platform/process_launch.h"

#include "platform/text.h"

#ifdef _WIN32
#include "platform/win32.h"
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#endif

namespace ombrex {

std::u16string QuoteWindowsArgument(std::u16string_view argument) {
  if (!argument.empty() && argument.find_first_of(u" \t\n\v\"") == std::u16string_view::npos) {
    return std::u16string(argument);
  }
  // Backslashes are literal except in front of a quote, where 2n of them
  // stand for n: double those, and the run before the closing quote.
  std::u16string quoted(1, u'"');
  std::size_t backslashes = 0;
  for (const char16_t c : argument) {
    if (c == u'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == u'"' ? 2 * backslashes + 1 : backslashes, u'\\');
    backslashes = 0;
    quoted.push_back(c);
  }
  quoted.append(2 * backslashes, u'\\');
  quoted.push_back(u'"');
  return quoted;
}

std::u16string WindowsCommandLine(const std::filesystem::path& program,
                                  const std::vector<std::string>& arguments) {
  std::u16string line = QuoteWindowsArgument(program.u16string());
  for (const std::string& argument : arguments) {
    line.push_back(u' ');
    line += QuoteWindowsArgument(Utf16FromUtf8(argument));
  }
  return line;
}

#ifdef _WIN32

bool StartDetached(const std::filesystem::path& program,
                   const std::vector<std::string>& arguments) {
  std::u16string line = WindowsCommandLine(program, arguments);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION started{};
  // No console, no handle of ours, its own process group: nothing ties the
  // program to this one.
  const BOOL ok = CreateProcessW(program.c_str(), reinterpret_cast<wchar_t*>(line.data()), nullptr,
                                 nullptr, FALSE, CREATE_NO_WINDOW | CREATE_NEW_PROCESS_GROUP,
                                 nullptr, nullptr, &startup, &started);
  if (!ok) return false;
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
  return true;
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
