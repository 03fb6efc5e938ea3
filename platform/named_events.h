#pragma once

// The program's named events: 208 objects that other processes may open by
// name while the program runs. The program creates them at start, holds them
// for the whole run and removes them at exit; it never waits on them or
// signals them itself. Here they are POSIX named semaphores (named events on
// Windows).

#include <string>
#include <string_view>
#include <vector>

namespace ombrex {

inline constexpr int kNamedEventCount = 208;
inline constexpr std::string_view kNamedEventPrefix = "Vantrel_Event_";

// "<prefix>Main_NN": two digits at least, so 1 gives "..._01", 100 "..._100".
std::string NamedEventName(std::string_view prefix, int number);

class NamedEvents {
 public:
  // `prefix` makes the names; tests pass a prefix of their own so that
  // parallel runs do not share objects.
  explicit NamedEvents(std::string prefix = std::string(kNamedEventPrefix));
  // Close().
  ~NamedEvents();
  NamedEvents(const NamedEvents&) = delete;
  NamedEvents& operator=(const NamedEvents&) = delete;

  // Creates the 208 events. An object left behind by a run that crashed is
  // replaced by a fresh one. Returns how many exist now; a name that cannot
  // be created is skipped, and the program runs on without it.
  int Create();
  // Closes and removes every event created here.
  void Close();

  int Count() const;
  const std::string& Prefix() const { return prefix_; }

 private:
  std::string prefix_;
  std::vector<void*> handles_;  // one per created event
  std::vector<std::string> names_;
};

}  // namespace ombrex
