#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>

#include "vkbd/command_line.h"
#include "vkbd/service.h"
#include "vkbd/socket_server.h"
#include "vkbd/trace_file.h"

namespace ombrex::vkbd {

namespace {

// The write end of the pipe that wakes the loop on SIGTERM/SIGINT. A signal
// handler can reach nothing else; it is set once, before the handlers exist.
volatile sig_atomic_t stopPipeWriteEnd = -1;

void OnStopSignal(int) {
  const int saved = errno;
  const char byte = 1;
  if (stopPipeWriteEnd >= 0) {
    const ssize_t ignored = ::write(stopPipeWriteEnd, &byte, 1);  // a full pipe already wakes
    static_cast<void>(ignored);
  }
  errno = saved;
}

class StopSignals {
 public:
  bool Install() {
    if (::pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    stopPipeWriteEnd = fds_[1];
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGTERM, &action, &oldTerm_);
    ::sigaction(SIGINT, &action, &oldInt_);
    // A client that vanishes mid-write must not end the daemon.
    ::signal(SIGPIPE, SIG_IGN);
    return true;
  }
  ~StopSignals() {
    if (fds_[0] < 0) return;
    ::sigaction(SIGTERM, &oldTerm_, nullptr);
    ::sigaction(SIGINT, &oldInt_, nullptr);
    stopPipeWriteEnd = -1;
    ::close(fds_[0]);
    ::close(fds_[1]);
  }
  int ReadEnd() const { return fds_[0]; }

 private:
  int fds_[2] = {-1, -1};
  struct sigaction oldTerm_ {};
  struct sigaction oldInt_ {};
};

bool ReadWholeFile(const std::filesystem::path& file, std::string& text) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  std::ostringstream content;
  content << in.rdbuf();
  text = content.str();
  return !in.bad();
}

}  // namespace

int Serve(const ServeOptions& options, std::ostream& err) {
  Keyboard keyboard(options.factory);
  std::error_code error;
  if (!options.stateFile.empty() && std::filesystem::exists(options.stateFile, error)) {
    // Refuse rather than start fresh: the first end-transfer would overwrite
    // the file the user may still want.
    if (!keyboard.LoadState(options.stateFile)) {
      err << "ombrex-vkbd: " << options.stateFile.string()
          << " is not a state file of this keyboard (damaged, or made with another "
             "--macro-units); move it away to start afresh\n";
      return kExitRefused;
    }
  }
  TraceFile trace;
  if (!options.traceFile.empty() && !trace.Open(options.traceFile)) {
    err << "ombrex-vkbd: cannot open the trace file " << options.traceFile.string() << "\n";
    return kExitRefused;
  }
  std::optional<Replay> replay;
  if (!options.replayFile.empty()) {
    std::string text;
    if (!ReadWholeFile(options.replayFile, text)) {
      err << "ombrex-vkbd: cannot read the recorded session " << options.replayFile.string()
          << "\n";
      return kExitRefused;
    }
    TraceReading reading = ReadTrace(text);
    if (reading.badLine != 0) {
      err << "ombrex-vkbd: " << options.replayFile.string() << " line " << reading.badLine
          << " is not a report of a recorded session\n";
      return kExitRefused;
    }
    replay.emplace(std::move(reading.reports));
    if (replay->Requests() == 0) {
      err << "ombrex-vkbd: " << options.replayFile.string()
          << " holds no report sent to the keyboard\n";
      return kExitRefused;
    }
  }
  StopSignals signals;
  if (!signals.Install()) {
    err << "ombrex-vkbd: cannot set up signal handling\n";
    return kExitRefused;
  }
  SocketServer server;
  std::string reason;
  if (!server.Listen(options.socketPath, reason)) {
    err << "ombrex-vkbd: " << reason << "\n";
    return kExitRefused;
  }
  ServiceOptions serviceOptions;
  serviceOptions.faults = options.faults;
  serviceOptions.startPlugged = options.startPlugged;
  serviceOptions.stateFile = options.stateFile;
  serviceOptions.trace = trace.IsOpen() ? &trace : nullptr;
  serviceOptions.replay = replay ? &*replay : nullptr;
  serviceOptions.log = [&err](std::string_view message) {
    err << "ombrex-vkbd: " << message << "\n";
  };
  Service service(keyboard, server, serviceOptions);
  server.Run(service, signals.ReadEnd());
  return kExitOk;
}

}  // namespace ombrex::vkbd
