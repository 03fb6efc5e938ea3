#pragma once

// A steady clock good to a few milliseconds, for rechecks on hot paths: far
// cheaper than the precise clock, which on a virtual machine can cost as much
// as the lookup it guards.

#include <chrono>
#include <ctime>

namespace ombrex {

inline std::chrono::steady_clock::time_point CoarseNow() {
#ifdef CLOCK_MONOTONIC_COARSE
  timespec now{};
  if (clock_gettime(CLOCK_MONOTONIC_COARSE, &now) == 0) {
    return std::chrono::steady_clock::time_point(std::chrono::seconds(now.tv_sec) +
                                                 std::chrono::nanoseconds(now.tv_nsec));
  }
#endif
  return std::chrono::steady_clock::now();
}

}  // namespace ombrex
