#pragma once

// What the library has to say, and the reports it passes, go to the callbacks
// the program installs (SetLog, SetMonitor) and nowhere else: a library has no
// business on its host's standard streams, and only the program knows whether
// a line belongs in a window's trace, on a terminal or nowhere.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <string_view>

#include "device/protocol.h"
#include "device/razizid_api.h"

namespace ombrex::razizid {

// Where a backend or the core says something. Never throws: it is called
// from backend threads and from the model module, where nothing may escape.
class Diagnostics {
 public:
  virtual void Say(int level, std::string_view message) noexcept = 0;
  // Whether detail (RAZIZID_LOG_DETAIL) is wanted; lets a caller skip
  // building a message nobody reads.
  virtual bool WantsDetail() const noexcept = 0;

  void Error(std::string_view message) noexcept { Say(RAZIZID_LOG_ERROR, message); }
  void Detail(std::string_view message) noexcept {
    if (WantsDetail()) Say(RAZIZID_LOG_DETAIL, message);
  }

 protected:
  ~Diagnostics() = default;
};

// The program's two callbacks as one core keeps them. A callback is called
// under a lock of its own: calls never overlap, and replacing one returns
// only when no call of the old one is running. Callbacks may come while the
// core holds its own locks (Init), so they must not call the library; the
// lock is recursive all the same, so one that does on its own thread is not
// a deadlock of this lock's making.
class CallerOutlets final : public Diagnostics {
 public:
  void SetLog(RazIzidLogCallback log, void* context);
  void SetMonitor(RazIzidMonitorCallback monitor, void* context);
  int SetLevel(int level) { return level_.exchange(level); }

  void Say(int level, std::string_view message) noexcept override;
  bool WantsDetail() const noexcept override { return level_.load() > 0; }

  bool Monitoring() const noexcept { return monitoring_.load(std::memory_order_acquire); }
  void Pass(std::uint32_t direction, protocol::Interface hidInterface,
            std::span<const std::uint8_t> report) noexcept;

 private:
  std::atomic<int> level_{0};

  std::recursive_mutex logMutex_;
  RazIzidLogCallback log_ = nullptr;
  void* logContext_ = nullptr;

  std::recursive_mutex monitorMutex_;
  std::atomic<bool> monitoring_{false};
  RazIzidMonitorCallback monitor_ = nullptr;
  void* monitorContext_ = nullptr;
};

}  // namespace ombrex::razizid
