#include <condition_variable>
#include <mutex>
#include <thread>

#include "razizid/hotplug.h"

namespace ombrex::razizid {

namespace {

class ScanMonitor : public HotplugMonitor {
 public:
  explicit ScanMonitor(std::chrono::milliseconds interval) : interval_(interval) {}
  ~ScanMonitor() override { Stop(); }

  bool Start(std::function<void()> changed) override {
    Stop();
    std::lock_guard lock(mutex_);
    stopping_ = false;
    thread_ = std::thread([this, changed = std::move(changed)] {
      std::unique_lock lock(mutex_);
      while (!stopped_.wait_for(lock, interval_, [this] { return stopping_; })) {
        lock.unlock();
        changed();
        lock.lock();
      }
    });
    return true;
  }

  void Stop() override {
    std::thread ending;
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
      stopped_.notify_all();
      ending.swap(thread_);
    }
    if (ending.joinable()) ending.join();
  }

 private:
  const std::chrono::milliseconds interval_;
  std::mutex mutex_;
  std::condition_variable stopped_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace

std::unique_ptr<HotplugMonitor> MakeScanMonitor(std::chrono::milliseconds interval) {
  return std::make_unique<ScanMonitor>(interval);
}

}  // namespace ombrex::razizid
