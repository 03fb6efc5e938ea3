#include "device/command_set.h"

#include <algorithm>
#include <thread>
#include <utility>

#include "device/app_state.h"
#include "device/command_packet.h"
#include "device/results.h"
#include "device/transactor.h"

namespace ombrex {

namespace {

using protocol::Command;

// The memories travel in payloads as the keyboard lays them out.
static_assert(protocol::kPayloadOffset + protocol::kPayloadSize == protocol::kPacketSize);
static_assert(protocol::kStatusBlockSize <= protocol::kPayloadSize);
static_assert(protocol::kKeyTableSize == 3 * protocol::kKeyTablePositions &&
              protocol::kKeyColoursPerProfile == 3 * protocol::kKeyTablePositions);
static_assert(protocol::kMaxKeyColourChunk % 3 == 0 &&
              protocol::kMaxKeyColourChunk <= protocol::kPayloadSize);

// Addresses are 16 bits: a transfer that would run past them is refused
// before anything is sent rather than wrapping onto other memory.
constexpr std::size_t kAddressSpace = 0x10000;

// Calls `each(offset, length)` for consecutive pieces of at most `chunk`
// bytes; stops at the first piece that does not succeed.
template <typename PerChunk>
DeviceResult ForEachChunk(std::size_t size, std::size_t chunk, PerChunk&& each) {
  for (std::size_t offset = 0; offset < size; offset += chunk) {
    const DeviceResult result = each(offset, std::min(chunk, size - offset));
    if (result != result::kOk) return result;
  }
  return result::kOk;
}

// What a write command changes on the keyboard; 0 for the others.
unsigned ChangeOf(Command command) {
  switch (command) {
    case Command::WriteStatusBlock:
      return keyboard_change::kActiveProfile;
    case Command::WriteSettings:
      return keyboard_change::kLighting;
    case Command::WriteKeyTable:
    case Command::WriteMacroMemory:
      return keyboard_change::kAssignments;
    case Command::WriteKeyColours:
      return keyboard_change::kKeyColours;
    default:
      return 0;
  }
}

}  // namespace

CommandSet::CommandSet(Transactor& transactor, AppState& state, DefaultKeyTable& defaultKeyTable,
                       std::string_view lockName)
    : transactor_(transactor),
      state_(state),
      defaultKeyTable_(defaultKeyTable),
      keyboardLock_(lockName) {}

CommandSet::Hold::Hold(CommandSet& commands, std::unique_lock<std::recursive_mutex> turn, bool held)
    : commands_(&commands), turn_(std::move(turn)), held_(held) {}

CommandSet::Hold::Hold(Hold&& other) noexcept
    : commands_(std::exchange(other.commands_, nullptr)),
      turn_(std::move(other.turn_)),
      held_(other.held_) {}

CommandSet::Hold::~Hold() {
  if (commands_ == nullptr) return;
  unsigned changed = 0;
  if (turn_.owns_lock()) {
    changed = commands_->EndHold();
  } else if (held_) {
    changed = commands_->GiveBackKeyboard();
  }
  std::function<void(unsigned)> hook;
  if (changed != 0) {
    std::lock_guard lock(commands_->keyboardMutex_);
    hook = commands_->changeHook_;
  }
  if (turn_.owns_lock()) turn_.unlock();
  // Outside the locks: the hook may tell another program, which may want the
  // keyboard at once.
  if (hook) hook(changed);
}

CommandSet::Hold CommandSet::Session() {
  std::unique_lock turn(session_);
  if (depth_++ == 0) busy_ = !TakeKeyboard();
  return Hold(*this, std::move(turn), !busy_);
}

CommandSet::Hold CommandSet::Keep() {
  const bool held = TakeKeyboard();
  return Hold(*this, {}, held);
}

unsigned CommandSet::EndHold() {
  if (--depth_ > 0) return 0;
  const bool held = !busy_;
  busy_ = false;
  return held ? GiveBackKeyboard() : 0;
}

bool CommandSet::TakeKeyboard() {
  std::lock_guard lock(keyboardMutex_);
  if (keyboardUsers_ > 0) {
    ++keyboardUsers_;
    return true;
  }
  if (!keyboardLock_.Acquire(transactor_.Timing().keyboardPatience)) return false;
  keyboardUsers_ = 1;
  if (keyboardLock_.Changes() != seenChanges_) {
    // Another program of ours changed the keyboard since this one last held
    // it: what it knew of the keyboard may be stale.
    content_.ForgetAll();
    state_.deviceProfile = std::nullopt;
  }
  return true;
}

unsigned CommandSet::GiveBackKeyboard() {
  std::lock_guard lock(keyboardMutex_);
  if (--keyboardUsers_ > 0) return 0;
  const unsigned changed = changed_.exchange(0);
  keyboardLock_.Release(changed != 0);
  seenChanges_ = keyboardLock_.Changes();
  return changed;
}

void CommandSet::SetChangeHook(std::function<void(unsigned changed)> hook) {
  std::lock_guard lock(keyboardMutex_);
  changeHook_ = std::move(hook);
}

DeviceResult CommandSet::Exchange(Command command, std::uint8_t count, std::uint16_t address,
                                  std::span<const std::uint8_t> payload,
                                  std::span<std::uint8_t> replyData) {
  // Every caller holds a session; an empty one sends nothing.
  if (busy_) return result::kKeyboardBusy;
  const CommandPacket request = CommandPacket::Request(command, count, address, payload);
  PacketBytes reply{};
  std::uint32_t received = 0;
  const DeviceResult transacted = transactor_.Transact(request.Bytes(), reply, received);
  // A write that went out may have landed even when its reply did not.
  if (transacted == result::kOk || transacted == result::kNoReply)
    changed_.fetch_or(ChangeOf(command));
  const DeviceResult result = CommandResult(transacted, reply, received);
  if (result != result::kOk || replyData.empty()) return result;
  // A reply cut short would leave part of the destination unread; the data
  // is not taken and the packet counts as unanswered.
  if (received < protocol::kPayloadOffset + replyData.size()) return result::kNoReply;
  std::copy_n(reply.begin() + protocol::kPayloadOffset, replyData.size(), replyData.begin());
  return result::kOk;
}

DeviceResult CommandSet::ReadChunked(Command command, std::size_t base, std::span<std::uint8_t> out,
                                     std::size_t chunk, std::optional<ContentMemory> tracked) {
  if (base > kAddressSpace || out.size() > kAddressSpace - base) return result::kFailed;
  auto session = Session();
  return ForEachChunk(out.size(), chunk, [&](std::size_t offset, std::size_t length) {
    // Taken before the packet: bytes that cross a replug say nothing.
    const auto generation = content_.CurrentGeneration();
    const std::span<std::uint8_t> piece = out.subspan(offset, length);
    const DeviceResult result = Exchange(command, static_cast<std::uint8_t>(length),
                                         static_cast<std::uint16_t>(base + offset), {}, piece);
    if (result == result::kOk && tracked)
      content_.Record(*tracked, base + offset, piece, generation);
    return result;
  });
}

DeviceResult CommandSet::WriteChunked(Command command, std::size_t base,
                                      std::span<const std::uint8_t> data, std::size_t chunk,
                                      std::optional<ContentMemory> tracked) {
  if (base > kAddressSpace || data.size() > kAddressSpace - base) return result::kFailed;
  auto session = Session();
  return ForEachChunk(data.size(), chunk, [&](std::size_t offset, std::size_t length) {
    if (tracked) content_.Forget(*tracked, base + offset, length);
    return Exchange(command, static_cast<std::uint8_t>(length),
                    static_cast<std::uint16_t>(base + offset), data.subspan(offset, length), {});
  });
}

DeviceResult CommandSet::BeginTransfer() {
  auto session = Session();
  return Exchange(Command::BeginTransfer, 0, 0, {}, {});
}

DeviceResult CommandSet::EndTransfer() {
  auto session = Session();
  // The keyboard needs a moment after the last write before it commits.
  std::this_thread::sleep_for(transactor_.Timing().endTransferPause);
  return Exchange(Command::EndTransfer, 0, 0, {}, {});
}

DeviceResult CommandSet::EndTransfer(std::chrono::steady_clock::time_point lastWrite) {
  auto session = Session();
  std::this_thread::sleep_until(lastWrite + transactor_.Timing().endTransferPause);
  return Exchange(Command::EndTransfer, 0, 0, {}, {});
}

std::chrono::milliseconds CommandSet::EndTransferPause() const {
  return transactor_.Timing().endTransferPause;
}

DeviceResult CommandSet::ReadStatusBlock(std::span<std::uint8_t, protocol::kStatusBlockSize> out) {
  auto session = Session();
  return Exchange(Command::ReadStatusBlock, protocol::kStatusBlockSize, 0, {}, out);
}

DeviceResult CommandSet::WriteStatusBlock(
    std::span<const std::uint8_t, protocol::kStatusBlockSize> block) {
  auto session = Session();
  return Exchange(Command::WriteStatusBlock, protocol::kStatusBlockSize, 0, block, {});
}

std::optional<ProfileNumber> CommandSet::ActiveProfile() {
  auto session = Session();
  if (const auto cached = state_.deviceProfile.load()) return cached;
  StatusBlock block{};
  if (ReadStatusBlock(block) != result::kOk) return std::nullopt;
  // A byte the keyboard should never report is not worth remembering.
  const auto profile = ProfileNumber::From(block[protocol::kStatusActiveProfileAt]);
  if (profile) state_.deviceProfile = profile;
  return profile;
}

DeviceResult CommandSet::SetActiveProfile(ProfileNumber profile) {
  auto session = Session();
  StatusBlock block{};
  if (const DeviceResult read = ReadStatusBlock(block); read != result::kOk) return read;
  block[protocol::kStatusActiveProfileAt] = static_cast<std::uint8_t>(profile.Index());
  const DeviceResult written = WriteStatusBlock(block);
  state_.deviceProfile =
      written == result::kOk ? std::optional(profile) : std::optional<ProfileNumber>();
  return written;
}

DeviceResult CommandSet::ReadSettings(std::span<std::uint8_t, protocol::kPayloadSize> out,
                                      std::uint8_t count, std::uint16_t address) {
  auto session = Session();
  return Exchange(Command::ReadSettings, count, address, {}, out);
}

DeviceResult CommandSet::WriteSettings(std::span<const std::uint8_t> data, std::uint16_t address) {
  return WriteChunked(Command::WriteSettings, address, data, protocol::kPayloadSize);
}

DeviceResult CommandSet::ReadKeyTable(std::span<std::uint8_t, protocol::kKeyTableSize> out,
                                      ProfileNumber profile) {
  return ReadKeyTableAt(profile, 0, out);
}

DeviceResult CommandSet::WriteKeyTable(std::span<const std::uint8_t, protocol::kKeyTableSize> table,
                                       ProfileNumber profile) {
  return WriteKeyTableAt(profile, 0, table);
}

DeviceResult CommandSet::ReadKeyTableAt(ProfileNumber profile, std::size_t offset,
                                        std::span<std::uint8_t> out) {
  if (offset > protocol::kKeyTableSize || out.size() > protocol::kKeyTableSize - offset) {
    return result::kFailed;
  }
  return ReadChunked(Command::ReadKeyTable, protocol::kKeyTableSize * profile.Index() + offset, out,
                     protocol::kPayloadSize, ContentMemory::KeyTables);
}

DeviceResult CommandSet::WriteKeyTableAt(ProfileNumber profile, std::size_t offset,
                                         std::span<const std::uint8_t> data) {
  if (offset > protocol::kKeyTableSize || data.size() > protocol::kKeyTableSize - offset) {
    return result::kFailed;
  }
  return WriteChunked(Command::WriteKeyTable, protocol::kKeyTableSize * profile.Index() + offset,
                      data, protocol::kPayloadSize, ContentMemory::KeyTables);
}

DeviceResult CommandSet::ReadMacroMemory(std::span<std::uint8_t> out) {
  return ReadMacroMemoryAt(0, out);
}

DeviceResult CommandSet::WriteMacroMemory(std::span<const std::uint8_t> data) {
  return WriteMacroMemoryAt(0, data);
}

DeviceResult CommandSet::ReadMacroMemoryAt(std::size_t offset, std::span<std::uint8_t> out) {
  return ReadChunked(Command::ReadMacroMemory, offset, out, protocol::kPayloadSize,
                     ContentMemory::Macros);
}

DeviceResult CommandSet::WriteMacroMemoryAt(std::size_t offset,
                                            std::span<const std::uint8_t> data) {
  return WriteChunked(Command::WriteMacroMemory, offset, data, protocol::kPayloadSize,
                      ContentMemory::Macros);
}

DeviceResult CommandSet::ReadDefaultKeyTable(std::span<std::uint8_t, protocol::kKeyTableSize> out) {
  return ReadChunked(Command::ReadDefaultKeyTable, 0, out, protocol::kPayloadSize);
}

DeviceResult CommandSet::WriteKeyColours(std::span<const std::uint8_t> data, ProfileNumber profile,
                                         int led) {
  if (led < 0 || static_cast<std::size_t>(led) >= protocol::kKeyTablePositions) {
    return result::kFailed;
  }
  const std::size_t base = protocol::kKeyColoursPerProfile * profile.Index() + 3 * std::size_t(led);
  return WriteChunked(Command::WriteKeyColours, base, data, protocol::kMaxKeyColourChunk);
}

}  // namespace ombrex
