#pragma once

// Waiting for a hand-over between threads that usually completes within
// microseconds: spin briefly before blocking. Waking a thread that sleeps on
// an idle core costs tens of microseconds on virtual machines, more than the
// whole exchange it waits for; a short spin keeps back-to-back exchanges (a
// transfer of hundreds of packets) from paying that on every packet, and the
// budget bounds what a slow peer (a real keyboard answering after a
// millisecond) costs in CPU.

#include <atomic>
#include <chrono>
#include <thread>

namespace ombrex {

inline constexpr std::chrono::microseconds kHandOverSpin{100};

// True as soon as `flag` reads true within `budget`; false when the budget ran
// out (the caller then blocks as usual).
inline bool SpinUntilSet(const std::atomic<bool>& flag,
                         std::chrono::microseconds budget = kHandOverSpin) {
  const auto until = std::chrono::steady_clock::now() + budget;
  for (unsigned round = 0;; ++round) {
    if (flag.load(std::memory_order_acquire)) return true;
    // Check the clock only now and then: reading it costs more than a check.
    if ((round & 63) == 63) {
      if (std::chrono::steady_clock::now() >= until) return false;
      std::this_thread::yield();
    }
  }
}

}  // namespace ombrex
