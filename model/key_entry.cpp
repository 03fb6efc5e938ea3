#include "model/key_entry.h"

#include <algorithm>
#include <tuple>

#include "model/byte_io.h"

namespace ombrex {
namespace {

DeviceKeyCode EncodeSingleKey(std::uint32_t value) {
  if (value > 0xFFFF) return {2, 2, 0};
  const auto code = static_cast<KeyCode>(value);
  if (const std::uint8_t bit = ModifierBitFromCode(code); bit != 0) return {2, 1, bit};
  switch (code) {
    case 0x171:
      return {1, 1, 0x01};
    case 0x172:
      return {1, 1, 0x02};
    case 0x173:
      return {1, 1, 0x04};
    case 0x161:
      return {1, 5, 0x01};
    case 0x162:
      return {1, 5, 0xFF};
    default:
      break;
  }
  const HidUsage usage = HidUsageFromCode(code);
  const bool keyboardPage = usage.page == UsagePage::Keyboard;
  return {2, 2, static_cast<std::uint8_t>(keyboardPage ? usage.usage : 0)};
}

std::uint8_t MacroPosition(std::uint32_t id, std::span<const std::uint16_t> macroIds) {
  const auto found = std::find(macroIds.begin(), macroIds.end(), id);
  return found == macroIds.end() ? 0 : static_cast<std::uint8_t>(found - macroIds.begin());
}

// The entry a code read back from the keyboard stands for; the caller has
// already made it Disabled and kept its aux.
void DecodeInto(KeyEntry& entry, DeviceKeyCode read) {
  auto set = [&entry](AssignKind kind, std::uint32_t value) {
    entry.kind = static_cast<std::uint16_t>(kind);
    entry.value = value;
  };
  switch (read.type) {
    case 5:
      if (read.b1 == 1)
        set(AssignKind::Macro, read.b2 + 1u);
      else if (read.b1 == 2)
        set(AssignKind::StopMacro, 0);
      else if (read.b1 == 5)
        set(AssignKind::Function, read.b2);
      return;
    case 3:
      if (auto index = MediaIndexOfUsage(static_cast<std::uint16_t>(read.b1 | (read.b2 << 8)))) {
        set(AssignKind::Media, static_cast<std::uint32_t>(*index));
      }
      return;
    case 1:
      // Mouse codes this program does not know still are single keys; the
      // key they carry is none.
      set(AssignKind::SingleKey, KeyCodeOfDeviceCode(read));
      return;
    case 2:
      if (read.b1 == 2) {
        if (const KeyCode code = KeyCodeOfDeviceCode(read); code != 0) {
          set(AssignKind::SingleKey, code);
        }
      } else if (read.b1 == 1) {
        set(AssignKind::SingleKey, CodeFromModifierBits(read.b2));
      }
      return;
    default:
      return;
  }
}

// kind, aux and value, then the reserved bytes: what a file's entry holds.
static_assert(8 + std::tuple_size_v<decltype(KeyEntry::reserved)> == kEntrySize);

}  // namespace

bool HasDeviceCode(KeyCode code) {
  return EncodeSingleKey(code) != DeviceKeyCode{2, 2, 0};
}

KeyEntry ReadKeyEntry(std::span<const std::uint8_t> bytes) {
  KeyEntry entry;
  entry.kind = bytes::Get16(bytes, 0);
  entry.aux = bytes::Get16(bytes, 2);
  entry.value = bytes::Get32(bytes, 4);
  std::copy_n(bytes.begin() + 8, entry.reserved.size(), entry.reserved.begin());
  return entry;
}

void WriteKeyEntry(std::span<std::uint8_t> bytes, const KeyEntry& entry) {
  bytes::Put16(bytes, 0, entry.kind);
  bytes::Put16(bytes, 2, entry.aux);
  bytes::Put32(bytes, 4, entry.value);
  std::copy(entry.reserved.begin(), entry.reserved.end(), bytes.begin() + 8);
}

std::uint16_t GKeyCodeOfSlot(unsigned slot) {
  if (slot < 256 || slot > 273) return 0;
  const unsigned k = slot - 256;
  return static_cast<std::uint16_t>(k < 9 ? 0x0301 + k : 0x1301 + (k - 9));
}

std::optional<std::size_t> MediaIndexOfUsage(std::uint16_t usage) {
  for (std::size_t i = 0; i < kMediaTable.size(); ++i) {
    if (kMediaTable[i].usage == usage) return i;
  }
  return std::nullopt;
}

bool IsMediaKeyCode(KeyCode code) {
  return std::any_of(kMediaTable.begin(), kMediaTable.end(),
                     [code](const MediaKey& key) { return key.code == code; });
}

DeviceKeyCode CodeAt(std::span<const std::uint8_t, protocol::kKeyTableSize> table,
                     std::size_t position) {
  const std::size_t at = position * 3;
  return {table[at], table[at + 1], table[at + 2]};
}

void SetCodeAt(std::span<std::uint8_t, protocol::kKeyTableSize> table, std::size_t position,
               DeviceKeyCode code) {
  const std::size_t at = position * 3;
  table[at] = code.type;
  table[at + 1] = code.b1;
  table[at + 2] = code.b2;
}

KeyCode KeyCodeOfDeviceCode(DeviceKeyCode code) {
  return CodeFromDeviceKeyRecord(code.type, code.b1, code.b2);
}

DeviceKeyCode EncodeEntry(const KeyEntry& entry, DeviceKeyCode defaultCode,
                          std::span<const std::uint16_t> macroIds) {
  switch (static_cast<AssignKind>(entry.kind)) {
    case AssignKind::Disabled:
    case AssignKind::TextBlock:
      return {0, 0, 0};
    case AssignKind::SingleKey:
      return EncodeSingleKey(entry.value);
    case AssignKind::Macro:
      return {5, 1, MacroPosition(entry.value, macroIds)};
    case AssignKind::StopMacro:
      return {5, 2, 0};
    case AssignKind::Media:
      // An index from a damaged file has no usage: the key keeps its default.
      if (entry.value >= kMediaTable.size()) return defaultCode;
      return {3, static_cast<std::uint8_t>(kMediaTable[entry.value].usage),
              static_cast<std::uint8_t>(kMediaTable[entry.value].usage >> 8)};
    case AssignKind::Function:
      if (entry.value > 0xFF) return defaultCode;
      return {5, 5, static_cast<std::uint8_t>(entry.value)};
    default:  // Default, LaunchProgram and kinds this program does not know
      return defaultCode;
  }
}

std::vector<KeyEntry> DecodeKeyTable(
    std::span<const std::uint8_t, protocol::kKeyTableSize> read,
    std::span<const std::uint8_t, protocol::kKeyTableSize> defaults) {
  std::vector<KeyEntry> entries(kSlotsPerProfile);
  for (unsigned slot = 256; slot <= 273; ++slot) entries[slot].aux = GKeyCodeOfSlot(slot);
  for (std::size_t position = 0; position < protocol::kKeyTablePositions; ++position) {
    const DeviceKeyCode code = CodeAt(read, position);
    const DeviceKeyCode factory = CodeAt(defaults, position);
    if (code == factory) continue;
    const KeyCode key = KeyCodeOfDeviceCode(factory);
    if (key == 0) continue;
    const unsigned slot = KeySlotFromCode(key);
    if (slot >= kSlotsPerProfile) continue;
    KeyEntry& entry = entries[slot];
    entry.kind = static_cast<std::uint16_t>(AssignKind::Disabled);
    entry.value = 0;
    DecodeInto(entry, code);
  }
  return entries;
}

}  // namespace ombrex
