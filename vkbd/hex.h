#pragma once

// Lower-case hex forms of the keyboard's bytes, for traces and memory dumps.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ombrex::vkbd {

// Two lower-case digits per byte, nothing between them.
std::string HexString(std::span<const std::uint8_t> bytes);

// A readable dump: 16 bytes per line, each line the offset of its first byte
// as four (or more) lower-case hex digits, a colon, and the bytes separated by
// spaces: "0010: 02 02 3a 02 ...". Every line ends with '\n'; no bytes, no
// lines.
std::string HexDump(std::span<const std::uint8_t> bytes);

// Hex digits of either case, optionally separated by spaces, tabs, newlines,
// ':' or '-'; nullopt for any other character or an odd number of digits.
std::optional<std::vector<std::uint8_t>> ParseHexBytes(std::string_view text);

}  // namespace ombrex::vkbd
