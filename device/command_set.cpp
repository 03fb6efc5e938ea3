#include "device/command_set.h"

#include <algorithm>
#include <thread>

#include "device/app_state.h"
#include "device/command_packet.h"
#include "device/results.h"
#include "device/transactor.h"

namespace ombrex {

namespace {

using protocol::Command;

// Addresses are 16 bits: a transfer that would run past them is refused
// before anything is sent rather than wrapping onto other memory.
constexpr std::size_t kAddressSpace = 0x10000;

bool ValidProfile(int profile) {
  return static_cast<unsigned>(profile) < protocol::kProfileCount;
}

// Calls `each(offset, length)` for consecutive pieces of at most `chunk`
// bytes; stops at the first piece that does not succeed.
template <typename PerChunk>
int ForEachChunk(std::size_t size, std::size_t chunk, PerChunk&& each) {
  for (std::size_t offset = 0; offset < size; offset += chunk) {
    const int result = each(offset, std::min(chunk, size - offset));
    if (result != result::kOk) return result;
  }
  return result::kOk;
}

}  // namespace

CommandSet::CommandSet(Transactor& transactor, AppState& state, DefaultKeyTable& defaultKeyTable)
    : transactor_(transactor), state_(state), defaultKeyTable_(defaultKeyTable) {}

std::unique_lock<std::recursive_mutex> CommandSet::Session() {
  return std::unique_lock<std::recursive_mutex>(session_);
}

int CommandSet::Exchange(Command command, std::uint8_t count, std::uint16_t address,
                         std::span<const std::uint8_t> payload, std::span<std::uint8_t> replyData) {
  const CommandPacket request = CommandPacket::Request(command, count, address, payload);
  PacketBytes reply{};
  std::uint32_t received = 0;
  const int transacted = transactor_.Transact(request.Bytes(), reply, received);
  const int result = CommandResult(transacted, reply, received);
  if (result != result::kOk || replyData.empty()) return result;
  // A reply cut short would leave part of the destination unread; the data
  // is not taken and the packet counts as unanswered.
  if (received < protocol::kPayloadOffset + replyData.size()) return result::kNoReply;
  std::copy_n(reply.begin() + protocol::kPayloadOffset, replyData.size(), replyData.begin());
  return result::kOk;
}

int CommandSet::ReadChunked(Command command, std::size_t base, std::span<std::uint8_t> out,
                            std::size_t chunk) {
  if (base + out.size() > kAddressSpace) return result::kFailed;
  auto session = Session();
  return ForEachChunk(out.size(), chunk, [&](std::size_t offset, std::size_t length) {
    return Exchange(command, static_cast<std::uint8_t>(length),
                    static_cast<std::uint16_t>(base + offset), {}, out.subspan(offset, length));
  });
}

int CommandSet::WriteChunked(Command command, std::size_t base, std::span<const std::uint8_t> data,
                             std::size_t chunk) {
  if (base + data.size() > kAddressSpace) return result::kFailed;
  auto session = Session();
  return ForEachChunk(data.size(), chunk, [&](std::size_t offset, std::size_t length) {
    return Exchange(command, static_cast<std::uint8_t>(length),
                    static_cast<std::uint16_t>(base + offset), data.subspan(offset, length), {});
  });
}

int CommandSet::BeginTransfer() {
  auto session = Session();
  return Exchange(Command::BeginTransfer, 0, 0, {}, {});
}

int CommandSet::EndTransfer() {
  auto session = Session();
  // The keyboard needs a moment after the last write before it commits.
  std::this_thread::sleep_for(transactor_.Timing().endTransferPause);
  return Exchange(Command::EndTransfer, 0, 0, {}, {});
}

int CommandSet::ReadStatusBlock(std::span<std::uint8_t, protocol::kStatusBlockSize> out) {
  auto session = Session();
  return Exchange(Command::ReadStatusBlock, protocol::kStatusBlockSize, 0, {}, out);
}

int CommandSet::WriteStatusBlock(std::span<const std::uint8_t, protocol::kStatusBlockSize> block) {
  auto session = Session();
  return Exchange(Command::WriteStatusBlock, protocol::kStatusBlockSize, 0, block, {});
}

int CommandSet::ActiveProfile() {
  auto session = Session();
  if (const int cached = state_.deviceProfile.load(); ValidProfile(cached)) return cached;
  StatusBlock block{};
  if (ReadStatusBlock(block) != result::kOk) return -1;
  const int profile = block[protocol::kStatusActiveProfileAt];
  // A byte the keyboard should never report is not worth remembering.
  if (!ValidProfile(profile)) return -1;
  state_.deviceProfile = profile;
  return profile;
}

int CommandSet::SetActiveProfile(int profile) {
  if (!ValidProfile(profile)) return result::kBadProfile;
  auto session = Session();
  StatusBlock block{};
  if (const int read = ReadStatusBlock(block); read != result::kOk) return read;
  block[protocol::kStatusActiveProfileAt] = static_cast<std::uint8_t>(profile);
  const int written = WriteStatusBlock(block);
  state_.deviceProfile = written == result::kOk ? profile : -1;
  return written;
}

int CommandSet::ReadSettings(std::span<std::uint8_t, protocol::kPayloadSize> out,
                             std::uint8_t count, std::uint16_t address) {
  auto session = Session();
  return Exchange(Command::ReadSettings, count, address, {}, out);
}

int CommandSet::WriteSettings(std::span<const std::uint8_t> data, std::uint16_t address) {
  return WriteChunked(Command::WriteSettings, address, data, protocol::kPayloadSize);
}

int CommandSet::ReadKeyTable(std::span<std::uint8_t, protocol::kKeyTableSize> out, int profile) {
  if (!ValidProfile(profile)) return result::kBadProfile;
  return ReadChunked(Command::ReadKeyTable, protocol::kKeyTableSize * profile, out,
                     protocol::kPayloadSize);
}

int CommandSet::WriteKeyTable(std::span<const std::uint8_t, protocol::kKeyTableSize> table,
                              int profile) {
  if (!ValidProfile(profile)) return result::kBadProfile;
  return WriteChunked(Command::WriteKeyTable, protocol::kKeyTableSize * profile, table,
                      protocol::kPayloadSize);
}

int CommandSet::ReadMacroMemory(std::span<std::uint8_t> out) {
  return ReadChunked(Command::ReadMacroMemory, 0, out, protocol::kPayloadSize);
}

int CommandSet::WriteMacroMemory(std::span<const std::uint8_t> data) {
  return WriteChunked(Command::WriteMacroMemory, 0, data, protocol::kPayloadSize);
}

int CommandSet::ReadDefaultKeyTable(std::span<std::uint8_t, protocol::kKeyTableSize> out) {
  return ReadChunked(Command::ReadDefaultKeyTable, 0, out, protocol::kPayloadSize);
}

int CommandSet::WriteKeyColours(std::span<const std::uint8_t> data, int profile, int led) {
  if (!ValidProfile(profile)) return result::kBadProfile;
  if (led < 0 || static_cast<std::size_t>(led) >= protocol::kKeyTablePositions) {
    return result::kFailed;
  }
  const std::size_t base = protocol::kKeyColoursPerProfile * profile + 3 * std::size_t(led);
  return WriteChunked(Command::WriteKeyColours, base, data, protocol::kMaxKeyColourChunk);
}

}  // namespace ombrex
