#include "razizid/diagnostics.h"

namespace ombrex::razizid {

void CallerOutlets::SetLog(RazIzidLogCallback log, void* context) {
  std::lock_guard lock(logMutex_);
  log_ = log;
  logContext_ = context;
}

void CallerOutlets::SetMonitor(RazIzidMonitorCallback monitor, void* context) {
  std::lock_guard lock(monitorMutex_);
  monitor_ = monitor;
  monitorContext_ = context;
  monitoring_.store(monitor != nullptr, std::memory_order_release);
}

void CallerOutlets::Say(int level, std::string_view message) noexcept {
  try {
    std::lock_guard lock(logMutex_);
    if (log_ == nullptr) return;
    // The callback takes a C string.
    const std::string line(message);
    log_(logContext_, level, line.c_str());
  } catch (...) {
    // A line that cannot be made (memory) or a lock that cannot be taken is
    // a line lost; what it was about goes on.
  }
}

void CallerOutlets::Pass(std::uint32_t direction, protocol::Interface hidInterface,
                         std::span<const std::uint8_t> report) noexcept {
  try {
    std::lock_guard lock(monitorMutex_);
    if (monitor_ == nullptr) return;
    monitor_(monitorContext_, direction, hidInterface.usagePage, hidInterface.usage, report.data(),
             static_cast<std::uint32_t>(report.size()));
  } catch (...) {
    // As for a lost line.
  }
}

}  // namespace ombrex::razizid
