// What a second start sends to the running copy: only a well-formed request
// decodes, and it encodes back to the very same bytes.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "platform/single_instance.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  const auto message = ombrex::DecodeInstanceRequest(bytes);
  if (message) {
    const auto again = ombrex::EncodeInstanceRequest(*message);
    if (size != again.size() || !std::equal(again.begin(), again.end(), bytes.begin())) {
      std::abort();
    }
  }
  return 0;
}
