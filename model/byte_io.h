#pragma once

// Little-endian reads and writes at byte offsets. Every file and packet the
// keyboard side shares is little-endian and laid out byte for byte, so the
// program builds and reads them this way rather than through structs whose
// layout the compiler chooses.

#include <cstddef>
#include <cstdint>
#include <span>

namespace ombrex::bytes {

inline std::uint16_t Get16(std::span<const std::uint8_t> data, std::size_t at) {
  return static_cast<std::uint16_t>(data[at] | (data[at + 1] << 8));
}

inline std::uint32_t Get32(std::span<const std::uint8_t> data, std::size_t at) {
  return static_cast<std::uint32_t>(data[at]) | (static_cast<std::uint32_t>(data[at + 1]) << 8) |
         (static_cast<std::uint32_t>(data[at + 2]) << 16) |
         (static_cast<std::uint32_t>(data[at + 3]) << 24);
}

inline void Put16(std::span<std::uint8_t> data, std::size_t at, std::uint16_t value) {
  data[at] = static_cast<std::uint8_t>(value);
  data[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

inline void Put32(std::span<std::uint8_t> data, std::size_t at, std::uint32_t value) {
  data[at] = static_cast<std::uint8_t>(value);
  data[at + 1] = static_cast<std::uint8_t>(value >> 8);
  data[at + 2] = static_cast<std::uint8_t>(value >> 16);
  data[at + 3] = static_cast<std::uint8_t>(value >> 24);
}

}  // namespace ombrex::bytes
