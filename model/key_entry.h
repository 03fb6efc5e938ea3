#pragma once

// What one key of one onboard profile does (KeyEntry), and the keyboard's own
// three-byte form of an assignment (DeviceKeyCode) with the conversions between
// the two.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "device/protocol.h"
#include "model/key_catalogue.h"

namespace ombrex {

enum class AssignKind : std::uint16_t {
  Default = 0,
  Disabled = 1,
  SingleKey = 2,
  LaunchProgram = 3,
  Macro = 4,
  StopMacro = 5,
  TextBlock = 6,
  Media = 7,
  Function = 8,
};

inline constexpr std::size_t kEntrySize = 16;

struct KeyEntry {
  // Kept as stored: a file may hold kinds this program does not know, and they
  // must survive a load and a save unchanged.
  std::uint16_t kind = 0;
  // G-key code on the G-key slots, repeat count on Macro entries, else 0.
  std::uint16_t aux = 0;
  std::uint32_t value = 0;
  std::array<std::uint8_t, 8> reserved{};

  bool Is(AssignKind k) const { return kind == static_cast<std::uint16_t>(k); }
  // LaunchProgram and TextBlock entries own a text in the path table.
  bool HasText() const { return Is(AssignKind::LaunchProgram) || Is(AssignKind::TextBlock); }
  friend bool operator==(const KeyEntry&, const KeyEntry&) = default;
};

KeyEntry ReadKeyEntry(std::span<const std::uint8_t> bytes);
void WriteKeyEntry(std::span<std::uint8_t> bytes, const KeyEntry& entry);

// The G-key code a G-key slot carries in aux (0x0301..0x0309 for bank 0,
// 0x1301..0x1309 for bank 1); 0 for every other slot.
std::uint16_t GKeyCodeOfSlot(unsigned slot);

struct MediaKey {
  KeyCode code;
  std::uint16_t usage;  // HID consumer page
};

inline constexpr std::array<MediaKey, 18> kMediaTable{{
    {0x16D, 0x0183},
    {0x122, 0x00CD},
    {0x124, 0x00B7},
    {0x110, 0x00B6},
    {0x119, 0x00B5},
    {0x12E, 0x00EA},
    {0x130, 0x00E9},
    {0x120, 0x00E2},
    {0x132, 0x0223},
    {0x167, 0x0227},
    {0x168, 0x0226},
    {0x16A, 0x0224},
    {0x169, 0x0225},
    {0x166, 0x022A},
    {0x165, 0x0221},
    {0x16B, 0x0194},
    {0x121, 0x0192},
    {0x16C, 0x018A},
}};

inline constexpr std::array<std::u16string_view, 11> kFunctionTextKeys{
    u"IDS_COMPOSITE_FUNC_KEY_OPEN",       u"IDS_COMPOSITE_FUNC_KEY_NEW",
    u"IDS_COMPOSITE_FUNC_KEY_UNDO",       u"IDS_COMPOSITE_FUNC_KEY_SAVE",
    u"IDS_COMPOSITE_FUNC_KEY_COPY",       u"IDS_COMPOSITE_FUNC_KEY_CUT",
    u"IDS_COMPOSITE_FUNC_KEY_PASTE",      u"IDS_COMPOSITE_FUNC_KEY_FIND",
    u"IDS_COMPOSITE_FUNC_KEY_SELECT_ALL", u"IDS_COMPOSITE_FUNC_KEY_ZOOMOUT",
    u"IDS_COMPOSITE_FUNC_KEY_ZOOMIN",
};

std::optional<std::size_t> MediaIndexOfUsage(std::uint16_t usage);
// True for the eighteen key codes of the media table (key capture lets them pass).
bool IsMediaKeyCode(KeyCode code);
// Whether an assignment of the key gives the keyboard something to send; a
// key the catalogue places on no page the keyboard sends from does not.
bool HasDeviceCode(KeyCode code);

struct DeviceKeyCode {
  std::uint8_t type = 0;
  std::uint8_t b1 = 0;
  std::uint8_t b2 = 0;
  friend constexpr bool operator==(const DeviceKeyCode&, const DeviceKeyCode&) = default;
};

// 64 positions of three bytes, as the keyboard keeps one profile.
using DeviceKeyTable = std::array<std::uint8_t, protocol::kKeyTableSize>;

DeviceKeyCode CodeAt(std::span<const std::uint8_t, protocol::kKeyTableSize> table,
                     std::size_t position);
void SetCodeAt(std::span<std::uint8_t, protocol::kKeyTableSize> table, std::size_t position,
               DeviceKeyCode code);

// The key a device code names (mouse, wheel, keyboard and modifier, consumer,
// system, G key); 0 for every other code.
KeyCode KeyCodeOfDeviceCode(DeviceKeyCode code);

// The code the keyboard receives for an entry at a key position whose factory
// code is `defaultCode`. `macroIds` are the ids of the macro list in the order
// the keyboard receives it: a Macro entry plays its id's position there.
DeviceKeyCode EncodeEntry(const KeyEntry& entry, DeviceKeyCode defaultCode,
                          std::span<const std::uint16_t> macroIds);

inline constexpr std::size_t kSlotsPerProfile = 512;

// The 512 entries of one profile from a key table read from the keyboard: a
// position that still holds its factory code leaves its key Default.
std::vector<KeyEntry> DecodeKeyTable(
    std::span<const std::uint8_t, protocol::kKeyTableSize> read,
    std::span<const std::uint8_t, protocol::kKeyTableSize> defaults);

}  // namespace ombrex
