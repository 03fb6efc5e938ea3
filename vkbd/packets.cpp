#include "vkbd/packets.h"

#include <algorithm>

namespace ombrex::vkbd {

Packet BuildPacket(protocol::Command command, std::uint8_t count, std::uint16_t address,
                   std::span<const std::uint8_t> payload) {
  return BuildPacket(static_cast<std::uint8_t>(command), count, address, payload);
}

Packet BuildPacket(std::uint8_t command, std::uint8_t count, std::uint16_t address,
                   std::span<const std::uint8_t> payload) {
  Packet packet{};
  packet[protocol::kReportIdAt] = protocol::kReportId;
  packet[protocol::kCommandAt] = command;
  packet[protocol::kCountAt] = count;
  packet[protocol::kAddressAt] = static_cast<std::uint8_t>(address);
  packet[protocol::kAddressAt + 1] = static_cast<std::uint8_t>(address >> 8);
  std::copy_n(payload.begin(), std::min(payload.size(), protocol::kPayloadSize),
              packet.begin() + protocol::kPayloadOffset);
  SealChecksum(packet);
  return packet;
}

void SealChecksum(Packet& packet) {
  const std::uint16_t sum = protocol::PacketChecksum(packet);
  packet[protocol::kChecksumAt] = static_cast<std::uint8_t>(sum);
  packet[protocol::kChecksumAt + 1] = static_cast<std::uint8_t>(sum >> 8);
}

bool ChecksumIsValid(const Packet& packet) {
  const std::uint16_t sum = protocol::PacketChecksum(packet);
  return packet[protocol::kChecksumAt] == static_cast<std::uint8_t>(sum) &&
         packet[protocol::kChecksumAt + 1] == static_cast<std::uint8_t>(sum >> 8);
}

}  // namespace ombrex::vkbd
