#include "vkbd/hex.h"

namespace ombrex::vkbd {

namespace {

constexpr char kDigits[] = "0123456789abcdef";

void AppendByte(std::string& out, std::uint8_t b) {
  out.push_back(kDigits[b >> 4]);
  out.push_back(kDigits[b & 0x0F]);
}

void AppendOffset(std::string& out, std::size_t offset) {
  std::string digits;
  do {
    digits.insert(digits.begin(), kDigits[offset & 0x0F]);
    offset >>= 4;
  } while (offset != 0);
  if (digits.size() < 4) digits.insert(0, 4 - digits.size(), '0');
  out += digits;
}

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsSeparator(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == ':' || c == '-';
}

}  // namespace

std::string HexString(std::span<const std::uint8_t> bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (std::uint8_t b : bytes) AppendByte(out, b);
  return out;
}

std::string HexDump(std::span<const std::uint8_t> bytes) {
  constexpr std::size_t kPerLine = 16;
  std::string out;
  for (std::size_t line = 0; line < bytes.size(); line += kPerLine) {
    AppendOffset(out, line);
    out.push_back(':');
    for (std::size_t i = line; i < bytes.size() && i < line + kPerLine; ++i) {
      out.push_back(' ');
      AppendByte(out, bytes[i]);
    }
    out.push_back('\n');
  }
  return out;
}

std::optional<std::vector<std::uint8_t>> ParseHexBytes(std::string_view text) {
  std::vector<std::uint8_t> bytes;
  int high = -1;
  for (char c : text) {
    if (IsSeparator(c)) continue;
    const int value = DigitValue(c);
    if (value < 0) return std::nullopt;
    if (high < 0) {
      high = value;
    } else {
      bytes.push_back(static_cast<std::uint8_t>(high << 4 | value));
      high = -1;
    }
  }
  if (high >= 0) return std::nullopt;
  return bytes;
}

}  // namespace ombrex::vkbd
