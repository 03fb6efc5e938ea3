#pragma once

// The key catalogue: 256 constant key records and the conversions around them
// (key code, key slot, the keyboard's device codes and three-byte key records,
// platform key messages, the editor's key list). Every conversion here is a
// table access or a short search over constant data: they run for every key
// event while a macro is recorded, so none of them allocates or blocks.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace ombrex {

// Set-1 scan-code form: 0x000..0x07F plain, 0x100..0x17F E0-prefixed (and the
// mouse, wheel and function records), 0x200..0x211 the G keys; 0 = no key.
using KeyCode = std::uint16_t;

inline constexpr std::size_t kCatalogueSize = 256;
inline constexpr std::size_t kKeyListSize = 75;
// The list position of keys that the editor's key list does not offer.
inline constexpr std::uint8_t kNoListPosition = 99;
inline constexpr std::size_t kConsumerTableSize = 32;

struct KeyRecord {
  std::u16string_view textKey;  // empty for unused records
  std::u16string_view label;    // English name; the program shows the language file's text
  std::uint8_t vk = 0;          // virtual key (keypad: with Num Lock on)
  std::uint8_t altVk = 0;       // keypad digits and ".": with Num Lock off; else equal to vk
  std::uint8_t deviceCode = 0;  // the key as the keyboard's own records name it; 0 = none
  std::uint8_t listPosition = kNoListPosition;
};

// The usage page a key's device code belongs to. Mouse buttons and wheel steps
// sit on a page of the catalogue's own (2).
enum class UsagePage : std::uint8_t {
  None = 0,
  GenericDesktop = 1,
  Mouse = 2,
  Keyboard = 7,
  Consumer = 0x0C,
};

struct HidUsage {
  UsagePage page = UsagePage::None;
  std::uint16_t usage = 0;
  friend constexpr bool operator==(const HidUsage&, const HidUsage&) = default;
};

// The {kind, value} pair the keyboard's usage records carry: 1 system key,
// 2 mouse, 7 keyboard (consumer keys travel as 0xC0 + position in this form),
// 12 consumer usage (only as an input to CodeFromDeviceUsage); {0, 0} = none.
struct DeviceUsage {
  std::uint16_t kind = 0;
  std::uint16_t value = 0;
  friend constexpr bool operator==(const DeviceUsage&, const DeviceUsage&) = default;
};

// The record at a catalogue index (taken modulo 256).
const KeyRecord& CatalogueRecord(std::size_t index);
// The record of a key code, or nullptr when its key slot is 256 or above.
const KeyRecord* RecordFromCode(KeyCode code);
// HID Consumer-page usage at a consumer-table position; 0 outside the table.
std::uint16_t ConsumerUsageAt(std::size_t position);

KeyCode KeyCodeFromIndex(std::size_t index);
// 0..511 for every code that names a key; larger codes give larger numbers,
// which callers indexing a profile block must reject.
unsigned KeySlotFromCode(KeyCode code);

DeviceUsage DeviceUsageFromCode(KeyCode code);
KeyCode CodeFromDeviceUsage(DeviceUsage usage);
KeyCode CodeFromModifierBits(std::uint8_t bits);
KeyCode CodeFromDeviceKeyRecord(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2);
KeyCode CodeFromVirtualKey(std::uint8_t vk);
// `message` carries the scan code in bits 16..23 and the extended flag in bit 24.
KeyCode CodeFromKeyMessage(std::uint8_t vk, std::uint32_t message);

// 75 or more: not in the editor's key list.
unsigned ListPositionFromCode(KeyCode code);
KeyCode CodeFromListPosition(std::size_t position);

// The usage page and usage the key's device code stands for.
HidUsage HidUsageFromCode(KeyCode code);

// Keys of which the platform reports only one event of a press/release pair.
bool IsOneShotKey(KeyCode code);

// The modifier bit (HID report order) of the eight modifier keys; 0 otherwise.
std::uint8_t ModifierBitFromCode(KeyCode code);

}  // namespace ombrex
