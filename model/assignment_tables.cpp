#include "model/assignment_tables.h"

#include <algorithm>

namespace ombrex {

DeviceKeyTable BuildDeviceKeyTable(
    const AppliedImage& applied, ProfileNumber profile,
    std::span<const std::uint8_t, protocol::kKeyTableSize> defaults) {
  DeviceKeyTable table;
  std::copy(defaults.begin(), defaults.end(), table.begin());
  const std::vector<std::uint16_t> ids = MacroIds(applied.macros);
  for (std::size_t position = 0; position < protocol::kKeyTablePositions; ++position) {
    const DeviceKeyCode factory = CodeAt(defaults, position);
    const KeyCode key = KeyCodeOfDeviceCode(factory);
    if (key == 0) continue;
    const KeyEntry entry = applied.Entry(profile, KeySlotFromCode(key));
    SetCodeAt(table, position, EncodeEntry(entry, factory, ids));
  }
  return table;
}

std::bitset<kSlotsPerProfile> SlotsOnKeyboard(
    std::span<const std::uint8_t, protocol::kKeyTableSize> defaults) {
  std::bitset<kSlotsPerProfile> slots;
  for (std::size_t position = 0; position < protocol::kKeyTablePositions; ++position) {
    const KeyCode key = KeyCodeOfDeviceCode(CodeAt(defaults, position));
    if (key == 0) continue;
    if (const unsigned slot = KeySlotFromCode(key); slot < kSlotsPerProfile) slots.set(slot);
  }
  return slots;
}

std::vector<unsigned> UnplacedSlots(
    const AppliedImage& applied, ProfileNumber profile,
    std::span<const std::uint8_t, protocol::kKeyTableSize> defaults) {
  const std::bitset<kSlotsPerProfile> onKeyboard = SlotsOnKeyboard(defaults);
  std::vector<unsigned> unplaced;
  for (unsigned slot = 0; slot < kSlotsPerProfile; ++slot) {
    if (!onKeyboard.test(slot) && !applied.Entry(profile, slot).Is(AssignKind::Default)) {
      unplaced.push_back(slot);
    }
  }
  return unplaced;
}

BlobChoice ChooseMacroBlob(const MacroBlobSizes& sizes, std::uint64_t capacity) {
  if (sizes.withoutNames > capacity) return BlobChoice::TooLarge;
  return sizes.withNames <= capacity ? BlobChoice::WithNames : BlobChoice::WithoutNames;
}

std::vector<std::uint8_t> ImageFromKeyboard(
    const std::array<DeviceKeyTable, ProfileNumber::kCount>& tables,
    std::span<const std::uint8_t, protocol::kKeyTableSize> defaults,
    std::span<const std::uint8_t> macroMemory, std::u16string_view namePrefix) {
  const std::vector<MacroRecord> macros = DecodeMacroBlob(macroMemory, namePrefix);
  std::vector<std::uint8_t> file(image::kBlockSize + macros.size() * kMacroRecordSize);
  const std::span<std::uint8_t> bytes(file);
  WriteImageHeader(bytes, static_cast<std::uint16_t>(macros.size()), 0, 0);
  WriteFixedBlock(bytes);
  for (std::size_t p = 0; p < ProfileNumber::kCount; ++p) {
    const auto block =
        bytes.subspan(image::EntryOffset(image::EntryIndex(p, 0)), image::kProfileBlockSize);
    InitProfileBlock(block);
    const std::vector<KeyEntry> entries = DecodeKeyTable(tables[p], defaults);
    for (std::size_t slot = 0; slot < entries.size(); ++slot) {
      WriteKeyEntry(block.subspan(slot * kEntrySize, kEntrySize), entries[slot]);
    }
  }
  for (std::size_t i = 0; i < macros.size(); ++i) {
    WriteMacroRecord(macros[i],
                     bytes.subspan(image::kBlockSize + i * kMacroRecordSize, kMacroRecordSize));
  }
  return file;
}

}  // namespace ombrex
