#include "model/image_result.h"

#include <ostream>

namespace ombrex {

std::ostream& operator<<(std::ostream& out, ImageResult result) {
  return out << Code(result);
}

}  // namespace ombrex
