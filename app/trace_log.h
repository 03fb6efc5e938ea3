#pragma once

// What a main window did, one line per effect ("show", "tray icon added"), in
// the order it happened: kept for tests and, when given a stream, written to
// it as "window: <line>" the moment the effect is done. The headless window
// and the Qt window write the same lines, so scripts and tests read both
// alike. Safe from any thread.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace ombrex {

class TraceLog {
 public:
  explicit TraceLog(std::ostream* out = nullptr) : out_(out) {}

  void Line(std::string line);

  std::vector<std::string> Lines() const;
  bool HasLine(std::string_view line) const;
  std::size_t Count(std::string_view line) const;
  // Until `line` was written at least `count` times; false after `timeout`.
  bool WaitForLine(std::string_view line, std::chrono::milliseconds timeout,
                   std::size_t count = 1) const;

 private:
  std::ostream* out_;
  mutable std::mutex mutex_;
  mutable std::condition_variable added_;
  std::vector<std::string> lines_;
};

}  // namespace ombrex
