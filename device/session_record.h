#pragma once

// The recorded session: every report the program sent to the keyboard and
// every one it received, one line each, in the order they passed:
//
//   <seconds since the recording began, six decimals> out|in <page>:<usage> <report in hex>
//   0.000000 out ff1c:0092 0401a0...
//   0.000734 in ff1c:0092 0401a0...
//
// "out" goes to the keyboard, "in" comes from it (USB's directions, as seen
// from the program); the interface is its usage page and usage in four hex
// digits each; the report is its bytes in lower-case hex, report id first.
// It extends the virtual keyboard's packet trace (a line of hex alone, a
// command packet the keyboard received), so a reader of one reads the other.
// Lines starting with '#' are remarks. Header-only: the program writes it,
// the virtual keyboard reads and replays it, and neither links the other.

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

#include "device/protocol.h"

namespace ombrex::session_record {

enum class Direction : std::uint8_t { Out, In };

// Longest report a line may carry: 64 bytes and a report id.
inline constexpr std::size_t kMaxReport = 65;

inline std::string Line(std::uint64_t microseconds, Direction direction,
                        protocol::Interface hidInterface, std::span<const std::uint8_t> report) {
  char head[64];
  std::snprintf(head, sizeof head, "%llu.%06llu %s %04x:%04x ",
                static_cast<unsigned long long>(microseconds / 1000000),
                static_cast<unsigned long long>(microseconds % 1000000),
                direction == Direction::Out ? "out" : "in", hidInterface.usagePage,
                hidInterface.usage);
  std::string line(head);
  static constexpr char kDigits[] = "0123456789abcdef";
  for (const std::uint8_t byte : report) {
    line.push_back(kDigits[byte >> 4]);
    line.push_back(kDigits[byte & 0x0F]);
  }
  return line;
}

}  // namespace ombrex::session_record
