#pragma once

// What the program and the service library must agree on beyond the C
// signatures: how a selector is laid out and how the verification value is
// computed. Both sides include this header, so they cannot drift apart.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>

#include "device/protocol.h"
#include "device/razizid_api.h"

namespace ombrex::razizid {

// The byte table of the verification sum. Its contents are arbitrary; what
// matters is that a caller who does not share it cannot make a request pass.
inline constexpr std::array<std::uint8_t, 256> kVerificationTable = [] {
  std::array<std::uint8_t, 256> table{};
  std::uint32_t state = 0x2F6B1D35u;
  for (auto& entry : table) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    entry = static_cast<std::uint8_t>(state >> 11);
  }
  return table;
}();

struct SelectorFields {
  std::uint32_t kind = RAZIZID_SELECTOR_KIND;
  std::uint16_t vendorId = protocol::kVendorId;
  std::uint16_t productId = protocol::kProductId;
  protocol::Interface hidInterface{};
  std::uint32_t reserved = 0;
};

inline RazIzidSelector MakeSelector(const SelectorFields& fields) {
  RazIzidSelector selector{};
  auto put = [&](std::size_t at, std::uint32_t value, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) selector.bytes[at + i] = std::uint8_t(value >> (8 * i));
  };
  put(0, fields.kind, 4);
  put(4, fields.vendorId, 2);
  put(6, fields.productId, 2);
  put(8, fields.hidInterface.usagePage, 2);
  put(10, fields.hidInterface.usage, 2);
  put(12, fields.reserved, 4);
  return selector;
}

// The keyboard's interface selector.
inline RazIzidSelector MakeSelector(protocol::Interface hidInterface) {
  return MakeSelector(SelectorFields{.hidInterface = hidInterface});
}

inline SelectorFields ReadSelector(const RazIzidSelector& selector) {
  auto get = [&](std::size_t at, std::size_t size) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < size; ++i)
      value |= std::uint32_t(selector.bytes[at + i]) << (8 * i);
    return value;
  };
  return SelectorFields{.kind = get(0, 4),
                        .vendorId = std::uint16_t(get(4, 2)),
                        .productId = std::uint16_t(get(6, 2)),
                        .hidInterface = {std::uint16_t(get(8, 2)), std::uint16_t(get(10, 2))},
                        .reserved = get(12, 4)};
}

// The keyboard interface a selector names, or nullopt when it names anything
// else (another device, a wrong kind, reserved bytes set).
inline std::optional<protocol::Interface> KeyboardInterfaceOf(const RazIzidSelector& selector) {
  const SelectorFields fields = ReadSelector(selector);
  if (fields.kind != RAZIZID_SELECTOR_KIND || fields.vendorId != protocol::kVendorId ||
      fields.productId != protocol::kProductId || fields.reserved != 0) {
    return std::nullopt;
  }
  return fields.hidInterface;
}

inline std::uint32_t SumThroughTable(std::span<const std::uint8_t> bytes) {
  std::uint32_t sum = 0;
  for (std::uint8_t byte : bytes) sum += kVerificationTable[byte];
  return sum;
}

inline std::uint32_t Verification(const RazIzidSelector& selector, RazIzidCallback callback,
                                  std::uint32_t tag, std::span<const std::uint8_t> data = {}) {
  // Only the callback address's low four bytes take part, so the value is the
  // same for 32- and 64-bit callers of one address.
  const auto address = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(callback));
  std::array<std::uint8_t, 8> words{};
  for (int i = 0; i < 4; ++i) {
    words[i] = std::uint8_t(address >> (8 * i));
    words[4 + i] = std::uint8_t(tag >> (8 * i));
  }
  return SumThroughTable(selector.bytes) + SumThroughTable(words) + SumThroughTable(data);
}

}  // namespace ombrex::razizid
