#include "device/command_packet.h"

#include <algorithm>

namespace ombrex {

CommandPacket CommandPacket::Request(protocol::Command command, std::uint8_t count,
                                     std::uint16_t address, std::span<const std::uint8_t> payload) {
  CommandPacket packet;
  auto& bytes = packet.bytes_;
  bytes[protocol::kReportIdAt] = protocol::kReportId;
  bytes[protocol::kCommandAt] = static_cast<std::uint8_t>(command);
  bytes[protocol::kCountAt] = count;
  bytes[protocol::kAddressAt] = static_cast<std::uint8_t>(address);
  bytes[protocol::kAddressAt + 1] = static_cast<std::uint8_t>(address >> 8);
  const std::size_t taken = std::min(payload.size(), protocol::kPayloadSize);
  std::copy_n(payload.begin(), taken, bytes.begin() + protocol::kPayloadOffset);
  packet.Seal();
  return packet;
}

CommandPacket CommandPacket::FromBytes(std::span<const std::uint8_t> bytes) {
  CommandPacket packet;
  std::copy_n(bytes.begin(), std::min(bytes.size(), protocol::kPacketSize), packet.bytes_.begin());
  return packet;
}

std::uint16_t CommandPacket::Address() const {
  return static_cast<std::uint16_t>(bytes_[protocol::kAddressAt] |
                                    (bytes_[protocol::kAddressAt + 1] << 8));
}

bool CommandPacket::Refused() const {
  return Status() == protocol::kStatusRefusedFF || Status() == protocol::kStatusRefusedFE;
}

std::uint16_t CommandPacket::StoredChecksum() const {
  return static_cast<std::uint16_t>(bytes_[protocol::kChecksumAt] |
                                    (bytes_[protocol::kChecksumAt + 1] << 8));
}

bool CommandPacket::ChecksumValid() const {
  return StoredChecksum() == protocol::PacketChecksum(bytes_);
}

std::span<const std::uint8_t, protocol::kPayloadSize> CommandPacket::Payload() const {
  return std::span<const std::uint8_t, protocol::kPacketSize>(bytes_)
      .subspan<protocol::kPayloadOffset, protocol::kPayloadSize>();
}

void CommandPacket::Seal() {
  const std::uint16_t sum = protocol::PacketChecksum(bytes_);
  bytes_[protocol::kChecksumAt] = static_cast<std::uint8_t>(sum);
  bytes_[protocol::kChecksumAt + 1] = static_cast<std::uint8_t>(sum >> 8);
}

}  // namespace ombrex
