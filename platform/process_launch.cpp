#include "platform/process_launch.h"

#include "platform/command_line.h"
#include "platform/text.h"

#ifdef _WIN32
#include "platform/win32.h"
// After windows.h, which it needs.
#include <tlhelp32.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#endif

#include <algorithm>
#include <system_error>

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

std::optional<std::filesystem::path> FindProgram(std::string_view name,
                                                 std::string_view searchPath) {
  // A name with a folder in it is not searched for.
  if (name.empty() || name.find_first_of("/\\") != std::string_view::npos) return std::nullopt;
  const std::wstring file = PathFromUtf8(name).wstring();
  const std::wstring folders = PathFromUtf8(searchPath).wstring();
  wchar_t found[MAX_PATH];
  const DWORD length = SearchPathW(folders.empty() ? nullptr : folders.c_str(), file.c_str(),
                                   nullptr, MAX_PATH, found, nullptr);
  if (length == 0 || length >= MAX_PATH) return std::nullopt;
  return std::filesystem::path(found);
}

bool IsProgramRunning(std::string_view name) {
  if (name.empty()) return false;
  const std::wstring wanted = PathFromUtf8(name).wstring();
  const OwnedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.Valid()) return false;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  bool running = false;
  for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more && !running;
       more = Process32NextW(snapshot.Get(), &entry)) {
    running = _wcsicmp(entry.szExeFile, wanted.c_str()) == 0;
  }
  return running;
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

std::optional<std::filesystem::path> FindProgram(std::string_view name,
                                                 std::string_view searchPath) {
  // A name with a folder in it is not searched for.
  if (name.empty() || name.find('/') != std::string_view::npos) return std::nullopt;
  std::string folders(searchPath);
  if (folders.empty()) {
    const char* path = std::getenv("PATH");
    folders = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
  }
  std::size_t start = 0;
  while (start <= folders.size()) {
    const std::size_t end = std::min(folders.find(':', start), folders.size());
    // An empty entry means the current folder, as for the shell.
    const std::string folder = end > start ? folders.substr(start, end - start) : ".";
    const std::filesystem::path candidate = std::filesystem::path(folder) / name;
    struct stat info {};
    if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        ::access(candidate.c_str(), X_OK) == 0) {
      return candidate;
    }
    start = end + 1;
  }
  return std::nullopt;
}

namespace {

// The file name a process was started from: the kernel's short name, and the
// first words of its command line (a script's interpreter runs it as the
// second word).
bool ProcessRuns(const std::filesystem::path& process, std::string_view name) {
  // A process that ended but was not collected yet keeps its name.
  std::ifstream stat(process / "stat");
  std::string status;
  std::getline(stat, status);
  const std::size_t state = status.rfind(") ");
  if (state == std::string::npos || state + 2 >= status.size()) return false;
  if (status[state + 2] == 'Z' || status[state + 2] == 'X') return false;
  std::ifstream comm(process / "comm");
  std::string shortName;
  // The kernel keeps 15 characters of the name.
  if (std::getline(comm, shortName) && shortName == name.substr(0, 15)) return true;
  std::ifstream cmdline(process / "cmdline", std::ios::binary);
  std::string word;
  for (int i = 0; i < 2 && std::getline(cmdline, word, '\0'); ++i) {
    if (std::filesystem::path(word).filename() == name) return true;
  }
  return false;
}

}  // namespace

bool IsProgramRunning(std::string_view name) {
  if (name.empty()) return false;
  std::error_code error;
  for (std::filesystem::directory_iterator it("/proc", error), end; !error && it != end;
       it.increment(error)) {
    const std::string pid = it->path().filename().string();
    if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
    struct stat info {};
    // Another user's program does not serve this user's desktop.
    if (::stat(it->path().c_str(), &info) != 0 || info.st_uid != ::getuid()) continue;
    if (ProcessRuns(it->path(), name)) return true;
  }
  return false;
}

#endif

}  // namespace ombrex
