#include "device/results.h"

#include <ostream>

namespace ombrex {

std::ostream& operator<<(std::ostream& out, DeviceResult result) {
  return out << Code(result);
}

}  // namespace ombrex
