#include "app/command_guard.h"

#include "device/run_state.h"

namespace ombrex {

std::string_view CommandName(GuardedCommand command) {
  switch (command) {
    case GuardedCommand::Apply:
      return "apply";
    case GuardedCommand::RestoreDefaults:
      return "default";
    case GuardedCommand::FollowProfile:
      return "profile follow-up";
    case GuardedCommand::ResetFromKeyboard:
      return "reset follow-up";
    case GuardedCommand::Import:
      return "import";
    case GuardedCommand::Export:
      return "export";
    case GuardedCommand::Reload:
      return "reload";
  }
  return "command";
}

bool CommandGuard::Arrive(GuardedCommand command, std::function<void()> run,
                          std::function<void()> dropped) {
  if (run_.ShuttingDown()) {
    if (dropped) dropped();
    return false;
  }
  if (running_) {
    held_.push_back({command, std::move(run), std::move(dropped)});
    return false;
  }
  RunNowAndAfter(std::move(run));
  return true;
}

void CommandGuard::RunNowAndAfter(std::function<void()> run) {
  running_ = true;
  run();
  // Whatever arrived meanwhile runs now, each in turn as the running one;
  // what arrives while those run queues behind them.
  while (!held_.empty() && !run_.ShuttingDown()) {
    Waiting next = std::move(held_.front());
    held_.pop_front();
    next.run();
  }
  running_ = false;
  DropHeld();
}

void CommandGuard::DropHeld() {
  while (!held_.empty()) {
    Waiting next = std::move(held_.front());
    held_.pop_front();
    if (next.dropped) next.dropped();
  }
}

}  // namespace ombrex
