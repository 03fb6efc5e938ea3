#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <iostream>

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
  serviceOptions.log = [&err](std::string_view message) {
    err << "ombrex-vkbd: " << message << "\n";
  };
  Service service(keyboard, server, serviceOptions);
  server.Run(service, signals.ReadEnd());
  return kExitOk;
}

}  // namespace ombrex::vkbd
