#pragma once

// Takes values off the front of a fuzzer's input; runs dry into zeros. With a
// record, every byte taken is appended to it as well: a harness run on a plan
// that way writes the input that replays the same run.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace ombrex::fuzz {

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>* record = nullptr)
      : rest_(data, size), record_(record) {}
  bool Empty() const { return rest_.empty(); }
  std::uint8_t Byte() {
    if (rest_.empty()) return 0;
    const std::uint8_t value = rest_.front();
    rest_ = rest_.subspan(1);
    if (record_ != nullptr) record_->push_back(value);
    return value;
  }
  std::uint16_t U16() { return static_cast<std::uint16_t>(Byte() | (Byte() << 8)); }
  std::uint32_t U32() { return U16() | (std::uint32_t(U16()) << 16); }
  std::vector<std::uint8_t> Bytes(std::size_t wanted) {
    const std::size_t taken = std::min(wanted, rest_.size());
    std::vector<std::uint8_t> bytes(rest_.begin(), rest_.begin() + taken);
    rest_ = rest_.subspan(taken);
    if (record_ != nullptr) record_->insert(record_->end(), bytes.begin(), bytes.end());
    return bytes;
  }
  // Bytes the harness made up itself (a reply of a real keyboard) that a
  // replay must take at this point.
  void Record(std::span<const std::uint8_t> bytes) {
    if (record_ != nullptr) record_->insert(record_->end(), bytes.begin(), bytes.end());
  }

 private:
  std::span<const std::uint8_t> rest_;
  std::vector<std::uint8_t>* record_;
};

}  // namespace ombrex::fuzz
