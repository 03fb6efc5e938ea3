#pragma once

// The window's long commands never run inside one another. Apply, Default,
// the keyboard's profile and reset follow-ups, Import, Export and the reload
// after an arrival all show questions or wait for the keyboard, and their
// nested loops run timers and queued messages: without a guard a queued
// Apply would start a second download in the middle of the first, under the
// same re-entrant image lock.
//
// A command arriving from the event loop while another runs is held and run
// when the running one (and those held before it) has ended, in the order
// they came. What a command calls itself (Default's Apply, a profile switch's
// Yes) is no arrival and goes straight through. Once the program is shutting
// down, held and new arrivals are dropped. Window thread only.

#include <deque>
#include <functional>
#include <string_view>

namespace ombrex {

class RunState;

enum class GuardedCommand {
  Apply,
  RestoreDefaults,
  FollowProfile,
  ResetFromKeyboard,
  Import,
  Export,
  Reload,
};

std::string_view CommandName(GuardedCommand command);

class CommandGuard {
 public:
  explicit CommandGuard(const RunState& run) : run_(run) {}

  // Runs `run` now, or holds it while another command runs. `dropped` runs
  // instead when it is given up at shutdown. Returns true when it ran now.
  bool Arrive(GuardedCommand command, std::function<void()> run,
              std::function<void()> dropped = {});

  bool Running() const { return running_; }
  std::size_t Held() const { return held_.size(); }

  // Gives up everything held (their `dropped` runs).
  void DropHeld();

 private:
  struct Waiting {
    GuardedCommand command;
    std::function<void()> run;
    std::function<void()> dropped;
  };

  void RunNowAndAfter(std::function<void()> run);

  const RunState& run_;
  bool running_ = false;
  std::deque<Waiting> held_;
};

}  // namespace ombrex
