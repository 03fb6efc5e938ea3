#pragma once

// The keyboard's wire facts, shared by the program, the service library and the
// virtual keyboard: ids, interfaces, command codes, memory sizes, event codes
// and the command packet's checksum. The service library's own contract (its
// functions, results, request tags and event record) is device/razizid_api.h.

#include <cstddef>
#include <cstdint>
#include <span>

namespace ombrex::protocol {

inline constexpr std::uint16_t kVendorId = 0x0C45;
inline constexpr std::uint16_t kProductId = 0x5004;

struct Interface {
  std::uint16_t usagePage;
  std::uint16_t usage;
  friend constexpr bool operator==(const Interface&, const Interface&) = default;
};
// Command packets and their replies.
inline constexpr Interface kControl{0xFF1C, 0x0092};
// 16-bit event codes from the keyboard.
inline constexpr Interface kConsumer{0x000C, 0x0001};
// The two-byte G-key bank LED report.
inline constexpr Interface kBankLed{0x0008, 0x0089};

inline constexpr std::size_t kPacketSize = 64;
inline constexpr std::size_t kPayloadSize = 56;
inline constexpr std::size_t kPayloadOffset = 8;

// Byte offsets inside a command packet.
inline constexpr std::size_t kReportIdAt = 0;
inline constexpr std::size_t kChecksumAt = 1;
inline constexpr std::size_t kCommandAt = 3;
inline constexpr std::size_t kCountAt = 4;
inline constexpr std::size_t kAddressAt = 5;
inline constexpr std::size_t kStatusAt = 7;
inline constexpr std::uint8_t kReportId = 0x04;

inline constexpr std::uint8_t kStatusRefusedFF = 0xFF;
inline constexpr std::uint8_t kStatusRefusedFE = 0xFE;

enum class Command : std::uint8_t {
  BeginTransfer = 0x01,
  EndTransfer = 0x02,
  ReadStatusBlock = 0x03,
  WriteStatusBlock = 0x04,
  ReadSettings = 0x05,
  WriteSettings = 0x06,
  ReadKeyTable = 0x07,
  WriteKeyTable = 0x08,
  ReadMacroMemory = 0x09,
  WriteMacroMemory = 0x0A,
  ReadDefaultKeyTable = 0x0F,
  WriteKeyColours = 0x11,
};

inline constexpr std::size_t kProfileCount = 4;
inline constexpr std::size_t kStatusBlockSize = 44;
inline constexpr std::size_t kStatusActiveProfileAt = 10;
inline constexpr std::size_t kStatusMacroUnitsAt = 11;
inline constexpr std::size_t kStatusModesAt = 12;
inline constexpr std::size_t kStatusModeCount = 32;
inline constexpr std::size_t kMacroUnitBytes = 128;
inline constexpr std::size_t kLightingRecordSize = 64;
inline constexpr std::size_t kSettingsSize = kProfileCount * kLightingRecordSize;  // 256
inline constexpr std::size_t kKeyTableSize = 192;  // 64 positions of 3 bytes
inline constexpr std::size_t kKeyTablePositions = 64;
inline constexpr std::size_t kKeyColoursPerProfile = 192;  // 64 LEDs of 3 bytes
inline constexpr std::size_t kKeyColoursSize = kProfileCount * kKeyColoursPerProfile;
inline constexpr std::size_t kMaxKeyColourChunk = 54;
inline constexpr std::size_t kMaxMacroCapacity = 255 * kMacroUnitBytes;  // 32640
inline constexpr std::size_t kBankLedSize = 2;

// Event codes on the consumer interface (first u16 of the report, LE).
inline constexpr std::uint16_t kEventBankKey = 0x02FF;
inline constexpr std::uint16_t kEventProfileChanged = 0x0401;
inline constexpr std::uint16_t kEventReset = 0x0403;
inline constexpr std::uint16_t kEventIndicatorOff = 0x1810;
inline constexpr std::uint16_t kEventIndicatorOn = 0x1811;

// Four-character codes, first letter in the highest byte.
constexpr std::uint32_t FourCC(char a, char b, char c, char d) {
  return (std::uint32_t(std::uint8_t(a)) << 24) | (std::uint32_t(std::uint8_t(b)) << 16) |
         (std::uint32_t(std::uint8_t(c)) << 8) | std::uint32_t(std::uint8_t(d));
}

// The low 16 bits of the unsigned sum of bytes 3..63.
constexpr std::uint16_t PacketChecksum(std::span<const std::uint8_t, kPacketSize> packet) {
  std::uint32_t sum = 0;
  for (std::size_t i = kCommandAt; i < kPacketSize; ++i) sum += packet[i];
  return static_cast<std::uint16_t>(sum);
}

}  // namespace ombrex::protocol
