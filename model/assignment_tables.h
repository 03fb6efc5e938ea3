#pragma once

// The byte images that travel between the profile image and the keyboard:
// a profile's key table built from the applied image, the choice of macro
// blob against the keyboard's macro memory, and a whole .fwc image built from
// what the keyboard holds.

#include <array>
#include <bitset>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "device/profile_number.h"
#include "model/key_entry.h"
#include "model/macro.h"
#include "model/profile_image.h"

namespace ombrex {

// The key table one profile of the applied image gives: every position whose
// factory code names a key carries that key's entry; the others keep their
// factory code.
DeviceKeyTable BuildDeviceKeyTable(const AppliedImage& applied, ProfileNumber profile,
                                   std::span<const std::uint8_t, protocol::kKeyTableSize> defaults);

// The slots whose key the keyboard has: those a position of its default
// table names. An assignment on any other slot has no position to go to.
std::bitset<kSlotsPerProfile> SlotsOnKeyboard(
    std::span<const std::uint8_t, protocol::kKeyTableSize> defaults);

// The slots of `profile` whose assignment BuildDeviceKeyTable leaves out: not
// Default, and no key of the keyboard to carry it. In slot order.
std::vector<unsigned> UnplacedSlots(
    const AppliedImage& applied, ProfileNumber profile,
    std::span<const std::uint8_t, protocol::kKeyTableSize> defaults);

enum class BlobChoice { TooLarge, WithNames, WithoutNames };
BlobChoice ChooseMacroBlob(const MacroBlobSizes& sizes, std::uint64_t capacity);

// A .fwc image of the four key tables and the macro memory read from the
// keyboard (`macroMemory` empty when it holds no macros). Macros without a
// name are named `namePrefix` and their number.
std::vector<std::uint8_t> ImageFromKeyboard(
    const std::array<DeviceKeyTable, ProfileNumber::kCount>& tables,
    std::span<const std::uint8_t, protocol::kKeyTableSize> defaults,
    std::span<const std::uint8_t> macroMemory, std::u16string_view namePrefix);

}  // namespace ombrex
