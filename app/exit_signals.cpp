#include "app/exit_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace ombrex {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// One pipe for the process: signal handlers are process-wide.
std::atomic<int> writeEnd{-1};
int readEnd = -1;

void OnSignal(int signal) {
  const int saved = errno;
  const unsigned char number = static_cast<unsigned char>(signal);
  const int fd = writeEnd.load();
  // A full pipe already holds a signal for the loop: nothing more to say.
  if (fd >= 0 && ::write(fd, &number, 1) < 0) errno = saved;
  errno = saved;
}

}  // namespace

bool ExitSignals::Install() {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  readEnd = fds[0];
  writeEnd = fds[1];
  struct sigaction action {};
  action.sa_handler = &OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : kSignals) {
    if (::sigaction(signal, &action, nullptr) != 0) return false;
  }
  return true;
}

ExitSignals::~ExitSignals() {
  for (int signal : kSignals) ::signal(signal, SIG_DFL);
  const int fd = writeEnd.exchange(-1);
  if (fd >= 0) ::close(fd);
  if (readEnd >= 0) ::close(readEnd);
  readEnd = -1;
}

int ExitSignals::ReadEnd() const {
  return readEnd;
}

int ExitSignals::Take() {
  int last = 0;
  unsigned char number = 0;
  while (readEnd >= 0 && ::read(readEnd, &number, 1) == 1) last = number;
  return last;
}

}  // namespace ombrex
