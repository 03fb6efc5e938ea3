#include "razizid/hotplug.h"

namespace ombrex::razizid {

// hidapi lists Windows' HID collections quickly and the keyboard is rarely
// plugged: a look every second is cheap enough until device notifications
// (CM_Register_Notification) take its place.
std::unique_ptr<HotplugMonitor> MakeHotplugMonitor() {
  return MakeScanMonitor(std::chrono::seconds(1));
}

}  // namespace ombrex::razizid
