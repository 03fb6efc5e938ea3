#pragma once

// Macros: the 16512-byte MacroRecord of the profile image, its actions, the
// rules of the macro list (ids and positions) and the MacroBlob, the list as
// the keyboard's macro memory holds it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "model/key_catalogue.h"

namespace ombrex {

inline constexpr std::size_t kMacroRecordSize = 16512;
inline constexpr std::size_t kMaxMacros = 100;
inline constexpr std::size_t kMaxMacroActions = 2000;
inline constexpr std::size_t kMacroNameCapacity = 250;  // characters, terminator included
inline constexpr std::size_t kMaxMacroNameLength = kMacroNameCapacity - 1;
inline constexpr std::uint16_t kMacroBlobMagic = 0x55AA;
inline constexpr std::size_t kMacroBlobHeaderSize = 16;
// The blob keeps a delay in 12 bits of 10 ms.
inline constexpr std::uint32_t kMaxDelayUnits = 0xFFF;

struct MacroAction {
  std::uint32_t delay = 0;  // milliseconds after this action
  KeyCode key = 0;
  std::uint16_t state = 0;  // 0 press, 1 release

  bool IsRelease() const { return state == 1; }
  friend bool operator==(const MacroAction&, const MacroAction&) = default;
};

struct MacroRecord {
  std::array<char16_t, kMacroNameCapacity> name{};
  std::uint8_t cycles = 0;
  std::uint8_t reserved501 = 0;
  std::uint16_t fresh = 0;  // 1 = made in the editor since the list was last applied
  std::uint16_t reserved504 = 0;
  std::uint16_t id = 0;
  std::uint16_t count = 0;
  std::uint16_t reserved510 = 0;
  std::array<MacroAction, kMaxMacroActions> actions{};

  std::u16string_view Name() const;
  // Names longer than the record holds are cut.
  void SetName(std::u16string_view text);
  std::span<const MacroAction> Actions() const;
  friend bool operator==(const MacroRecord&, const MacroRecord&) = default;
};

// A record as the editor makes one, every byte not named here zero; actions
// beyond 2000 are cut.
MacroRecord MakeMacroRecord(std::uint16_t id, std::u16string_view name,
                            std::span<const MacroAction> actions = {}, std::uint8_t cycles = 1);

void WriteMacroRecord(const MacroRecord& record, std::span<std::uint8_t> out);
// Reads one record; a count above 2000 is taken as 2000 and a name without a
// terminator is cut before its last character, so nothing later reads past.
MacroRecord ReadMacroRecord(std::span<const std::uint8_t> in);

// List rules. The position (0-based) is how the keyboard names a macro; the id
// is how a key entry names it.
std::size_t PositionOfId(std::span<const MacroRecord> list, std::uint32_t id);      // 0 when absent
std::uint16_t IdAtPosition(std::span<const MacroRecord> list, long long position);  // 0 outside
std::uint16_t LowestFreeId(std::span<const MacroRecord> list);  // 0 when 1..100 are all used
std::vector<std::uint16_t> MacroIds(std::span<const MacroRecord> list);

struct MacroBlobSizes {
  std::uint64_t withoutNames = 0;  // S0
  std::uint64_t withNames = 0;     // S1
};
MacroBlobSizes ComputeMacroBlobSizes(std::span<const MacroRecord> list);

// The action as the blob holds it: a word (delay units, key type, press bit)
// and two code bytes.
struct BlobAction {
  std::uint16_t word = 0;
  std::uint8_t c0 = 0;
  std::uint8_t c1 = 0;
};
BlobAction EncodeBlobAction(const MacroAction& action);
MacroAction DecodeBlobAction(const BlobAction& action);

// The blob of the list; empty when it would not fit the header's 16-bit size.
std::vector<std::uint8_t> BuildMacroBlob(std::span<const MacroRecord> list, bool withNames);

// The macros of a blob read from the keyboard, taken only as far as they are
// whole: a bad header gives none, at most 100 macros and 2000 actions each are
// taken, a block that reaches past the data is dropped. Macro i gets id i + 1;
// a macro without a name is named `namePrefix` followed by i + 1.
std::vector<MacroRecord> DecodeMacroBlob(std::span<const std::uint8_t> blob,
                                         std::u16string_view namePrefix);

}  // namespace ombrex
