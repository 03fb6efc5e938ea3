#pragma once

// SIGTERM, SIGINT and SIGHUP end the program as the tray's Exit does. The
// handlers only write the signal's number to a pipe; the window's loop
// watches the pipe's read end and runs the Exit itself. This is the POSIX
// form; another platform replaces these few functions.

namespace ombrex {

class ExitSignals {
 public:
  ExitSignals() = default;
  // Restores the default handlers.
  ~ExitSignals();
  ExitSignals(const ExitSignals&) = delete;
  ExitSignals& operator=(const ExitSignals&) = delete;

  // False when the pipe or a handler could not be set up.
  bool Install();
  // Becomes readable when a signal arrived; -1 before Install.
  int ReadEnd() const;
  // The signals received since the last call, drained from the pipe; 0 when
  // none.
  int Take();
};

}  // namespace ombrex
