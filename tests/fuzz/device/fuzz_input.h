#pragma once

// Takes values off the front of a fuzzer's input; runs dry into zeros.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace ombrex::fuzz {

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : rest_(data, size) {}
  bool Empty() const { return rest_.empty(); }
  std::uint8_t Byte() {
    if (rest_.empty()) return 0;
    const std::uint8_t value = rest_.front();
    rest_ = rest_.subspan(1);
    return value;
  }
  std::uint16_t U16() { return static_cast<std::uint16_t>(Byte() | (Byte() << 8)); }
  std::uint32_t U32() { return U16() | (std::uint32_t(U16()) << 16); }
  std::vector<std::uint8_t> Bytes(std::size_t wanted) {
    const std::size_t taken = std::min(wanted, rest_.size());
    std::vector<std::uint8_t> bytes(rest_.begin(), rest_.begin() + taken);
    rest_ = rest_.subspan(taken);
    return bytes;
  }

 private:
  std::span<const std::uint8_t> rest_;
};

}  // namespace ombrex::fuzz
