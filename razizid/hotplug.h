#pragma once

// When the hid backend looks for keyboards: at start and whenever a monitor
// says that one may have come or gone. Linux hears it from udev (hidraw
// nodes of 0c45:5004 only), so an idle program never wakes to look; Windows
// looks again at an interval. A hidapi that announces its own devices (the
// tests' stand-in, which has no kernel devices behind it) is heard instead.

#include <chrono>
#include <functional>
#include <memory>

namespace ombrex::razizid {

class HotplugMonitor {
 public:
  virtual ~HotplugMonitor() = default;
  // `changed` runs on the monitor's own thread each time the attached
  // keyboards may have changed; false when the monitor cannot watch. Start
  // may follow Stop.
  virtual bool Start(std::function<void()> changed) = 0;
  // No call of `changed` runs or begins once Stop returns.
  virtual void Stop() = 0;
};

// The system's own way of hearing about arrivals.
std::unique_ptr<HotplugMonitor> MakeHotplugMonitor();
// Says "look again" at every interval: where nothing better is to be had.
std::unique_ptr<HotplugMonitor> MakeScanMonitor(std::chrono::milliseconds interval);

}  // namespace ombrex::razizid
