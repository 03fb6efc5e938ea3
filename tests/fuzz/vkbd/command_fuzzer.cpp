// Arbitrary packets and events against the keyboard model. Each record is one
// control byte and 64 packet bytes; the control byte can make the packet
// well-formed (report id and checksum), so the fuzzer reaches the commands
// rather than stopping at the checksum, or turn the record into an event.

#include <cstdlib>

#include "vkbd/keyboard.h"
#include "vkbd/packets.h"

namespace {

using namespace ombrex;

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vkbd::FactoryConfig config;
  config.macroCapacityUnits = size > 0 ? data[0] : 255;
  vkbd::Keyboard keyboard(config);
  constexpr std::size_t kRecord = 1 + protocol::kPacketSize;
  for (std::size_t at = 1; at < size; at += kRecord) {
    const std::uint8_t control = data[at];
    vkbd::Packet packet{};
    const std::size_t n = std::min(size - at - 1, packet.size());
    std::copy_n(data + at + 1, n, packet.begin());
    if (control & 0x80) {
      keyboard.RaiseEvent(static_cast<std::uint16_t>(packet[0] | packet[1] << 8));
      continue;
    }
    if (control & 0x40) keyboard.WriteBankLed(std::span(packet).first(control & 3));
    if (control & 0x01) {
      packet[protocol::kReportIdAt] = protocol::kReportId;
      vkbd::SealChecksum(packet);
    }
    const vkbd::Packet reply =
        keyboard.HandleCommand(std::span(packet).first(control & 0x02 ? n : 64));
    const std::uint8_t status = reply[protocol::kStatusAt];
    Check(status == 0 || status == 0xFF || status == 0xFE);
    Check(reply[protocol::kCommandAt] == packet[protocol::kCommandAt] || (control & 0x02));
    Check(vkbd::ChecksumIsValid(reply));
  }
  const vkbd::Memories m = keyboard.Snapshot();
  Check(m.status[protocol::kStatusActiveProfileAt] < protocol::kProfileCount);
  Check(m.status[protocol::kStatusMacroUnitsAt] == config.macroCapacityUnits);
  Check(m.macro.size() == config.macroCapacityUnits * protocol::kMacroUnitBytes);
  return 0;
}
