#pragma once

// Programs of the program folder run from tests: in the background with
// their output in files, or to their end.

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ombrex::e2e {

std::filesystem::path ProgramDir();  // $OMBREX_PROGRAM_DIR
// A program of the system by name, as the shell finds it; empty when none.
std::filesystem::path OnPath(const std::string& name);

class Process {
 public:
  // Starts `program` (a name in the program folder, or an absolute path)
  // with the arguments; its output goes to files in `workDir`.
  Process(const std::string& program, const std::vector<std::string>& args,
          const std::filesystem::path& workDir);
  ~Process();  // SIGKILL if still running
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  bool Started() const { return pid_ > 0; }
  pid_t Pid() const { return pid_; }
  // The exit code once it ended within the timeout (-1 for a signal).
  std::optional<int> WaitForExit(std::chrono::milliseconds timeout = std::chrono::seconds(10));
  bool Running();
  void Signal(int signal);
  std::string Out() const;
  std::string Err() const;
  // Until the output holds `text`; false when it ended or took too long.
  bool WaitForOutput(const std::string& text,
                     std::chrono::milliseconds timeout = std::chrono::seconds(10));
  // Until `holds` is true of the whole output so far, looked at on each write
  // to it and to anything in `alsoWatched`; false when it ended or took too long.
  bool WaitForOutputWhere(const std::function<bool(const std::string&)>& holds,
                          std::chrono::milliseconds timeout,
                          const std::vector<std::filesystem::path>& alsoWatched = {});

 private:
  std::filesystem::path out_;
  std::filesystem::path err_;
  pid_t pid_ = -1;
  std::optional<int> exitCode_;
};

struct Finished {
  int exitCode = -1;  // -1: did not end normally or in time
  std::string out;
  std::string err;
};

Finished RunToEnd(const std::string& program, const std::vector<std::string>& args,
                  const std::filesystem::path& workDir,
                  std::chrono::milliseconds timeout = std::chrono::seconds(30));

// The virtual keyboard daemon on a socket of the test's own; RAZIZID_BACKEND
// and OMBREX_VKBD_SOCKET point this process and its children at it.
class VirtualKeyboard {
 public:
  VirtualKeyboard(const std::filesystem::path& workDir,
                  const std::vector<std::string>& extraArgs = {});
  ~VirtualKeyboard();
  bool Answering();
  // A control command of ombrex-vkbd (plug, unplug, dump ...).
  Finished Control(const std::vector<std::string>& args);
  const std::string& Socket() const { return socket_; }

 private:
  std::filesystem::path workDir_;
  std::string socket_;
  std::optional<Process> daemon_;
};

}  // namespace ombrex::e2e
