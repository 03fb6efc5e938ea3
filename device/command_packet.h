#pragma once

// The 64-byte command packet: report id, checksum, command, count, address,
// status and 56 payload bytes. Requests are built here; replies are read
// through the same accessors.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "device/protocol.h"

namespace ombrex {

using PacketBytes = std::array<std::uint8_t, protocol::kPacketSize>;

class CommandPacket {
 public:
  CommandPacket() = default;  // all zero

  // A sealed request: the bytes a command does not set stay zero, payload
  // beyond 56 bytes is not taken.
  static CommandPacket Request(protocol::Command command, std::uint8_t count, std::uint16_t address,
                               std::span<const std::uint8_t> payload = {});

  // The first 64 bytes of `bytes`, zero-padded when shorter; not resealed.
  static CommandPacket FromBytes(std::span<const std::uint8_t> bytes);

  std::uint8_t Command() const { return bytes_[protocol::kCommandAt]; }
  std::uint8_t Count() const { return bytes_[protocol::kCountAt]; }
  std::uint16_t Address() const;
  std::uint8_t Status() const { return bytes_[protocol::kStatusAt]; }
  bool Refused() const;
  std::uint16_t StoredChecksum() const;
  bool ChecksumValid() const;
  std::span<const std::uint8_t, protocol::kPayloadSize> Payload() const;

  // Computes the checksum over what is in place; call it after the last change.
  void Seal();

  const PacketBytes& Bytes() const { return bytes_; }

 private:
  PacketBytes bytes_{};
};

}  // namespace ombrex
