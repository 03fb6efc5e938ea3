#include "vkbd/keyboard.h"

#include <algorithm>
#include <utility>

#include "vkbd/packets.h"
#include "vkbd/state_file.h"

namespace ombrex::vkbd {

namespace {

using protocol::Command;

constexpr std::uint8_t kAccepted = 0x00;
// Two refusal codes, so a host can tell its own mistakes from the keyboard's
// limits: 0xFF = the packet itself is malformed (wrong report id, bad
// checksum, unknown command, a count the command cannot take); 0xFE = a
// well-formed request the keyboard will not carry out (outside a memory, a
// write to read-only memory, an active profile outside 0..3).
constexpr std::uint8_t kMalformed = protocol::kStatusRefusedFF;
constexpr std::uint8_t kNotPossible = protocol::kStatusRefusedFE;

// The command right after the default-table read would write that table; the
// table is in read-only memory, so the keyboard refuses it as not possible
// rather than as unknown.
constexpr std::uint8_t kWriteDefaultKeyTable = 0x10;

// Bytes 0..9 of the status block: a fixed firmware signature ("OB"), firmware
// version 1.3, a board revision and a few reserved bytes. The host does not
// interpret them, only writes them back as read, so they are non-zero on
// purpose: a host that zeroes them is caught.
constexpr std::array<std::uint8_t, protocol::kStatusActiveProfileAt> kFirmwareBytes = {
    0x4F, 0x42, 0x01, 0x03, 0x50, 0x04, 0x0C, 0x45, 0x00, 0x01};

// Default lighting record: mode by profile, brightness 4, speed 2, direction
// 0, multicolour, white, the rest zero.
constexpr std::array<std::uint8_t, protocol::kProfileCount> kDefaultModeOfProfile = {1, 4, 8, 7};

enum class Access { Read, Write };

// The memories reached by plain address + count commands.
struct MemoryCommand {
  Command code;
  Access access;
  std::size_t maxCount;
  std::span<std::uint8_t> (*memory)(Memories&);
};

constexpr MemoryCommand kMemoryCommands[] = {
    {Command::ReadSettings, Access::Read, protocol::kPayloadSize,
     [](Memories& m) { return std::span<std::uint8_t>(m.settings); }},
    {Command::WriteSettings, Access::Write, protocol::kPayloadSize,
     [](Memories& m) { return std::span<std::uint8_t>(m.settings); }},
    {Command::ReadKeyTable, Access::Read, protocol::kPayloadSize,
     [](Memories& m) { return std::span<std::uint8_t>(m.keyTables); }},
    {Command::WriteKeyTable, Access::Write, protocol::kPayloadSize,
     [](Memories& m) { return std::span<std::uint8_t>(m.keyTables); }},
    {Command::ReadMacroMemory, Access::Read, protocol::kPayloadSize,
     [](Memories& m) { return std::span<std::uint8_t>(m.macro); }},
    {Command::WriteMacroMemory, Access::Write, protocol::kPayloadSize,
     [](Memories& m) { return std::span<std::uint8_t>(m.macro); }},
    {Command::ReadDefaultKeyTable, Access::Read, protocol::kPayloadSize,
     [](Memories& m) { return std::span<std::uint8_t>(m.defaultKeyTable); }},
    {Command::WriteKeyColours, Access::Write, protocol::kMaxKeyColourChunk,
     [](Memories& m) { return std::span<std::uint8_t>(m.keyColours); }},
};

const MemoryCommand* FindMemoryCommand(std::uint8_t code) {
  for (const MemoryCommand& command : kMemoryCommands) {
    if (static_cast<std::uint8_t>(command.code) == code) return &command;
  }
  return nullptr;
}

std::uint16_t U16At(const Packet& packet, std::size_t at) {
  return static_cast<std::uint16_t>(packet[at] | (packet[at + 1] << 8));
}

Packet ReplyFrame(const Packet& request) {
  Packet reply{};
  std::copy_n(request.begin(), protocol::kPayloadOffset, reply.begin());
  reply[protocol::kStatusAt] = kAccepted;
  return reply;
}

}  // namespace

std::array<std::uint8_t, protocol::kKeyTableSize> FactoryConfig::BuiltInDefaultKeyTable() {
  // What each of the 64 key positions sends out of the box, three bytes each.
  // The first six positions are the G keys G1..G6 and report themselves in the
  // keyboard's own G-key form, so a host that reads this table can place G-key
  // assignments there (the host's built-in fallback table cannot).
  return {
      0x06, 0xA2, 0x01, 0x06, 0xA2, 0x02, 0x06, 0xA2, 0x03, 0x06, 0xA2, 0x04,  // 0..3
      0x06, 0xA2, 0x05, 0x06, 0xA2, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 4..7
      0x02, 0x02, 0x29, 0x02, 0x02, 0x35, 0x02, 0x02, 0x2B, 0x02, 0x02, 0x39,  // 8..11
      0x02, 0x01, 0x02, 0x02, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 12..15
      0x02, 0x02, 0x3A, 0x02, 0x02, 0x1E, 0x02, 0x02, 0x14, 0x02, 0x02, 0x04,  // 16..19
      0x02, 0x02, 0x1D, 0x02, 0x01, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 20..23
      0x02, 0x02, 0x3B, 0x02, 0x02, 0x1F, 0x02, 0x02, 0x1A, 0x02, 0x02, 0x16,  // 24..27
      0x02, 0x02, 0x1B, 0x02, 0x01, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 28..31
      0x02, 0x02, 0x3C, 0x02, 0x02, 0x20, 0x02, 0x02, 0x08, 0x02, 0x02, 0x07,  // 32..35
      0x02, 0x02, 0x06, 0x02, 0x02, 0x2C, 0x02, 0x02, 0x46, 0x00, 0x00, 0x00,  // 36..39
      0x02, 0x02, 0x3D, 0x02, 0x02, 0x21, 0x02, 0x02, 0x15, 0x02, 0x02, 0x09,  // 40..43
      0x02, 0x02, 0x19, 0x02, 0x01, 0x40, 0x02, 0x02, 0x47, 0x00, 0x00, 0x00,  // 44..47
      0x02, 0x02, 0x3E, 0x02, 0x02, 0x22, 0x02, 0x02, 0x17, 0x02, 0x02, 0x0A,  // 48..51
      0x02, 0x02, 0x05, 0x05, 0x02, 0x02, 0x02, 0x02, 0x2E, 0x00, 0x00, 0x00,  // 52..55
      0x02, 0x02, 0x3F, 0x02, 0x02, 0x23, 0x02, 0x02, 0x1C, 0x02, 0x02, 0x0B,  // 56..59
      0x02, 0x02, 0x11, 0x02, 0x02, 0x65, 0x02, 0x02, 0x48, 0x00, 0x00, 0x00,  // 60..63
  };
}

std::array<std::uint8_t, protocol::kStatusModeCount> FactoryConfig::DefaultModes() {
  return {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 20, 22, 23};
}

Memories FactoryMemories(const FactoryConfig& config) {
  Memories m;
  std::copy(kFirmwareBytes.begin(), kFirmwareBytes.end(), m.status.begin());
  m.status[protocol::kStatusActiveProfileAt] = config.activeProfile % protocol::kProfileCount;
  m.status[protocol::kStatusMacroUnitsAt] = config.macroCapacityUnits;
  std::copy(config.modes.begin(), config.modes.end(), m.status.begin() + protocol::kStatusModesAt);

  for (std::size_t p = 0; p < protocol::kProfileCount; ++p) {
    std::uint8_t* record = m.settings.data() + p * protocol::kLightingRecordSize;
    record[0] = kDefaultModeOfProfile[p];
    record[1] = 4;     // brightness
    record[2] = 2;     // speed
    record[3] = 0;     // direction
    record[4] = 0xFF;  // multicolour
    record[5] = record[6] = record[7] = 0xFF;
  }
  for (std::size_t p = 0; p < protocol::kProfileCount; ++p) {
    std::copy(config.defaultKeyTable.begin(), config.defaultKeyTable.end(),
              m.keyTables.begin() + p * protocol::kKeyTableSize);
  }
  // Zero macro memory has no 0x55AA header: the keyboard holds no macros.
  m.macro.assign(std::size_t(config.macroCapacityUnits) * protocol::kMacroUnitBytes, 0);
  m.keyColours.fill(0xFF);
  m.defaultKeyTable = config.defaultKeyTable;
  return m;
}

Keyboard::Keyboard(FactoryConfig config)
    : config_(std::move(config)), memories_(FactoryMemories(config_)) {}

Packet Keyboard::HandleCommand(std::span<const std::uint8_t> packet, bool loseWrite) {
  // A short report is zero-padded and a long one cut, as the HID layer would.
  Packet request{};
  std::copy_n(packet.begin(), std::min(packet.size(), request.size()), request.begin());
  Packet reply = ReplyFrame(request);
  bool committed = false;
  std::function<void()> hook;
  std::function<void(const Packet&)> commandHook;
  {
    std::lock_guard lock(mutex_);
    reply[protocol::kStatusAt] = Execute(request, reply, loseWrite);
    committed = reply[protocol::kStatusAt] == kAccepted &&
                request[protocol::kCommandAt] == std::uint8_t(Command::EndTransfer);
    if (committed) hook = commitHook_;
    commandHook = commandHook_;
  }
  SealChecksum(reply);
  if (commandHook) commandHook(request);
  if (hook) hook();
  return reply;
}

std::uint8_t Keyboard::Execute(const Packet& request, Packet& reply, bool loseWrite) {
  if (request[protocol::kReportIdAt] != protocol::kReportId) return kMalformed;
  if (U16At(request, protocol::kChecksumAt) != protocol::PacketChecksum(request)) {
    return kMalformed;
  }
  const std::uint8_t code = request[protocol::kCommandAt];
  switch (code) {
    case std::uint8_t(Command::BeginTransfer):
      inTransfer_ = true;
      return kAccepted;
    case std::uint8_t(Command::EndTransfer):
      inTransfer_ = false;
      return kAccepted;
    case std::uint8_t(Command::ReadStatusBlock):
    case std::uint8_t(Command::WriteStatusBlock):
      return ExecuteStatusBlock(request, reply, loseWrite);
    case kWriteDefaultKeyTable:
      return kNotPossible;
    default:
      break;
  }
  const MemoryCommand* command = FindMemoryCommand(code);
  if (command == nullptr) return kMalformed;
  const std::size_t count = request[protocol::kCountAt];
  const std::size_t address = U16At(request, protocol::kAddressAt);
  if (count == 0 || count > command->maxCount) return kMalformed;
  std::span<std::uint8_t> memory = command->memory(memories_);
  if (address + count > memory.size()) return kNotPossible;
  if (command->access == Access::Read) {
    std::copy_n(memory.begin() + address, count, reply.begin() + protocol::kPayloadOffset);
  } else if (!loseWrite) {
    std::copy_n(request.begin() + protocol::kPayloadOffset, count, memory.begin() + address);
  }
  return kAccepted;
}

std::uint8_t Keyboard::ExecuteStatusBlock(const Packet& request, Packet& reply, bool loseWrite) {
  if (request[protocol::kCountAt] != protocol::kStatusBlockSize) return kMalformed;
  if (U16At(request, protocol::kAddressAt) != 0) return kNotPossible;
  const auto payload = request.begin() + protocol::kPayloadOffset;
  if (request[protocol::kCommandAt] == std::uint8_t(Command::ReadStatusBlock)) {
    std::copy(memories_.status.begin(), memories_.status.end(),
              reply.begin() + protocol::kPayloadOffset);
    return kAccepted;
  }
  if (payload[protocol::kStatusActiveProfileAt] >= protocol::kProfileCount) return kNotPossible;
  // The capacity byte and the mode list describe the hardware: a host can
  // write back what it read, but cannot grow the macro memory or invent
  // modes. Only bytes 0..10 take the written values.
  if (!loseWrite) std::copy_n(payload, protocol::kStatusMacroUnitsAt, memories_.status.begin());
  return kAccepted;
}

void Keyboard::WriteBankLed(std::span<const std::uint8_t> report) {
  std::lock_guard lock(mutex_);
  const std::size_t n = std::min(report.size(), memories_.bankLed.size());
  std::copy_n(report.begin(), n, memories_.bankLed.begin());
}

std::array<std::uint8_t, 2> Keyboard::RaiseEvent(std::uint16_t code) {
  {
    std::lock_guard lock(mutex_);
    if (code == protocol::kEventProfileChanged) {
      if (!profileChosen_) {
        std::uint8_t& active = memories_.status[protocol::kStatusActiveProfileAt];
        active = static_cast<std::uint8_t>((active + 1) % protocol::kProfileCount);
      }
      profileChosen_ = false;
    } else if (code == protocol::kEventReset) {
      RestoreFactoryMemories();
    }
  }
  return {static_cast<std::uint8_t>(code), static_cast<std::uint8_t>(code >> 8)};
}

void Keyboard::SetActiveProfile(std::uint8_t profile) {
  if (profile >= protocol::kProfileCount) return;
  std::lock_guard lock(mutex_);
  memories_.status[protocol::kStatusActiveProfileAt] = profile;
  profileChosen_ = true;
}

void Keyboard::Reset() {
  std::lock_guard lock(mutex_);
  RestoreFactoryMemories();
}

void Keyboard::RestoreFactoryMemories() {
  // The bank LED report is the host's display state, not configuration: a
  // reset of the keyboard's memories leaves it as the host last wrote it.
  const auto bankLed = memories_.bankLed;
  memories_ = FactoryMemories(config_);
  memories_.bankLed = bankLed;
  inTransfer_ = false;
  profileChosen_ = false;
}

Memories Keyboard::Snapshot() const {
  std::lock_guard lock(mutex_);
  return memories_;
}

const FactoryConfig& Keyboard::Config() const {
  return config_;
}

bool Keyboard::InTransfer() const {
  std::lock_guard lock(mutex_);
  return inTransfer_;
}

bool Keyboard::SaveState(const std::filesystem::path& file) const {
  // Held for the whole write, so the file of the last of two concurrent saves
  // is never older than the file of the first.
  std::lock_guard lock(mutex_);
  return WriteFileAtomically(file, EncodeState(memories_));
}

bool Keyboard::LoadState(const std::filesystem::path& file) {
  const std::optional<std::vector<std::uint8_t>> bytes = ReadStateFileBytes(file);
  if (!bytes) return false;
  std::optional<Memories> loaded = DecodeState(*bytes, config_);
  if (!loaded) return false;
  std::lock_guard lock(mutex_);
  memories_ = std::move(*loaded);
  inTransfer_ = false;
  profileChosen_ = false;
  return true;
}

void Keyboard::SetCommitHook(std::function<void()> hook) {
  std::lock_guard lock(mutex_);
  commitHook_ = std::move(hook);
}

void Keyboard::SetCommandHook(std::function<void(const Packet& request)> hook) {
  std::lock_guard lock(mutex_);
  commandHook_ = std::move(hook);
}

}  // namespace ombrex::vkbd
