#include <dlfcn.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <thread>

#include "razizid/hotplug.h"

#ifdef OMBREX_HAVE_LIBUDEV
#include <libudev.h>
#endif
#ifdef OMBREX_HAVE_HIDAPI
#include <hidapi.h>
#endif

namespace ombrex::razizid {

namespace {

// The extension of a hidapi without kernel devices: it calls back on its own
// thread after each arrival or removal, and never after the unwatch returns.
using WatchFunction = int (*)(void (*)(void*), void*);
using UnwatchFunction = void (*)(int);

class HidapiWatchMonitor : public HotplugMonitor {
 public:
  HidapiWatchMonitor(WatchFunction watch, UnwatchFunction unwatch)
      : watch_(watch), unwatch_(unwatch) {}
  ~HidapiWatchMonitor() override { Stop(); }

  bool Start(std::function<void()> changed) override {
    Stop();
    changed_ = std::move(changed);
    id_ = watch_(&HidapiWatchMonitor::Changed, this);
    return id_ > 0;
  }
  void Stop() override {
    if (id_ > 0) unwatch_(id_);
    id_ = 0;
  }

 private:
  static void Changed(void* self) { static_cast<HidapiWatchMonitor*>(self)->changed_(); }

  WatchFunction watch_;
  UnwatchFunction unwatch_;
  std::function<void()> changed_;
  int id_ = 0;
};

#ifdef OMBREX_HAVE_LIBUDEV

// hidraw nodes come and go with their HID device, whose sysfs name is
// "bus:VVVV:PPPP.nnnn": the device path alone tells ours apart, also in a
// removal, when sysfs no longer has the parent to ask.
bool IsOurs(udev_device* device) {
  const char* path = udev_device_get_devpath(device);
  return path != nullptr && std::strstr(path, ":0C45:5004.") != nullptr;
}

class UdevMonitor : public HotplugMonitor {
 public:
  ~UdevMonitor() override { Stop(); }

  bool Start(std::function<void()> changed) override {
    Stop();
    udev_ = udev_new();
    if (udev_ == nullptr) return false;
    // The "udev" source reports a node once its rules ran: its access is set.
    monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
    wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (monitor_ == nullptr || wake_ < 0 ||
        udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor_) < 0) {
      Release();
      return false;
    }
    thread_ = std::thread([this, changed = std::move(changed)] { Run(changed); });
    return true;
  }

  void Stop() override {
    if (thread_.joinable()) {
      const std::uint64_t one = 1;
      while (::write(wake_, &one, sizeof one) < 0 && errno == EINTR) {
      }
      thread_.join();
    }
    Release();
  }

 private:
  void Run(const std::function<void()>& changed) {
    pollfd waiting[2] = {{udev_monitor_get_fd(monitor_), POLLIN, 0}, {wake_, POLLIN, 0}};
    for (;;) {
      if (::poll(waiting, 2, -1) < 0) {
        if (errno == EINTR) continue;
        return;
      }
      if (waiting[1].revents != 0) return;
      if ((waiting[0].revents & POLLIN) == 0) continue;
      udev_device* device = udev_monitor_receive_device(monitor_);
      if (device == nullptr) continue;
      const bool ours = IsOurs(device);
      udev_device_unref(device);
      if (ours) changed();
    }
  }

  void Release() {
    if (monitor_ != nullptr) udev_monitor_unref(monitor_);
    if (udev_ != nullptr) udev_unref(udev_);
    if (wake_ >= 0) ::close(wake_);
    monitor_ = nullptr;
    udev_ = nullptr;
    wake_ = -1;
  }

  udev* udev_ = nullptr;
  udev_monitor* monitor_ = nullptr;
  int wake_ = -1;
  std::thread thread_;
};

#endif

}  // namespace

std::unique_ptr<HotplugMonitor> MakeHotplugMonitor() {
#ifdef OMBREX_HAVE_HIDAPI
  // udev never hears of the devices of a hidapi that has none in the kernel;
  // such a hidapi says itself when they come and go. Asked through the very
  // library that serves our hid_ calls: it need not be in the global scope.
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&hid_enumerate), &info) != 0 && info.dli_fname != nullptr) {
    if (void* hidapi = ::dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD)) {
      const auto watch = reinterpret_cast<WatchFunction>(::dlsym(hidapi, "ombrex_hidapi_watch"));
      const auto unwatch =
          reinterpret_cast<UnwatchFunction>(::dlsym(hidapi, "ombrex_hidapi_unwatch"));
      // The reference stays: the library is loaded for as long as we are.
      if (watch != nullptr && unwatch != nullptr) {
        return std::make_unique<HidapiWatchMonitor>(watch, unwatch);
      }
      ::dlclose(hidapi);
    }
  }
#endif
#ifdef OMBREX_HAVE_LIBUDEV
  return std::make_unique<UdevMonitor>();
#else
  return MakeScanMonitor(std::chrono::seconds(1));
#endif
}

}  // namespace ombrex::razizid
