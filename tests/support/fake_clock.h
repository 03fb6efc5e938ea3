#pragma once

// A steady clock that moves only when the test says so.

#include <chrono>

#include "editors/macro_recorder.h"

namespace ombrex::test {

class FakeClock final : public MonotonicClock {
 public:
  std::chrono::steady_clock::time_point Now() const override { return now; }
  void Advance(int ms) { now += std::chrono::milliseconds(ms); }
  std::chrono::steady_clock::time_point now{std::chrono::hours(1)};
};

}  // namespace ombrex::test
