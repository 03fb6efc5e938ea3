#include "app/trace_log.h"

#include <algorithm>

namespace ombrex {

void TraceLog::Line(std::string line) {
  {
    std::lock_guard lock(mutex_);
    if (out_ != nullptr) *out_ << "window: " << line << std::endl;
    lines_.push_back(std::move(line));
  }
  added_.notify_all();
}

std::vector<std::string> TraceLog::Lines() const {
  std::lock_guard lock(mutex_);
  return lines_;
}

bool TraceLog::HasLine(std::string_view line) const {
  return Count(line) > 0;
}

std::size_t TraceLog::Count(std::string_view line) const {
  std::lock_guard lock(mutex_);
  return static_cast<std::size_t>(std::count(lines_.begin(), lines_.end(), line));
}

bool TraceLog::WaitForLine(std::string_view line, std::chrono::milliseconds timeout,
                           std::size_t count) const {
  std::unique_lock lock(mutex_);
  return added_.wait_for(lock, timeout, [&] {
    return static_cast<std::size_t>(std::count(lines_.begin(), lines_.end(), line)) >= count;
  });
}

}  // namespace ombrex
