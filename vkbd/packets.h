#pragma once

// Building command packets as a host does: for tests, benchmarks and tools
// that talk to the virtual keyboard directly.

#include <cstdint>
#include <span>

#include "vkbd/keyboard.h"

namespace ombrex::vkbd {

// Report id 0x04, the command, count and address, up to 56 payload bytes, and
// the checksum computed last.
Packet BuildPacket(protocol::Command command, std::uint8_t count = 0, std::uint16_t address = 0,
                   std::span<const std::uint8_t> payload = {});
Packet BuildPacket(std::uint8_t command, std::uint8_t count = 0, std::uint16_t address = 0,
                   std::span<const std::uint8_t> payload = {});

// Computes bytes 1..2 from the rest; the last step of making any packet.
void SealChecksum(Packet& packet);
// Bytes 1..2 hold the checksum of the rest.
bool ChecksumIsValid(const Packet& packet);

}  // namespace ombrex::vkbd
