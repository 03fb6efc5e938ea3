#pragma once

// How much of the keyboard's macro memory a macro list takes, judged exactly
// as the download judges it: the list with names when that fits, without
// names when only that fits, refused when even that does not.
//
//   const MacroMemoryUse use = MeasureMacroMemory(records, state.macroCapacity);
//   if (!use.Known()) ...                    // capacity not read from the keyboard yet
//   use.Percent();                           // of the capacity, may pass 100
//   use.NamesLeftOut();                      // the keyboard will get the list without names
//   if (!HasMacroRoom(use, kActionBytes)) ...   // one more action would not fit

#include <cstddef>
#include <cstdint>
#include <span>

#include "model/assignment_tables.h"
#include "model/macro.h"

namespace ombrex {

// What the smallest blob (without names) grows by.
inline constexpr std::uint64_t kMacroActionBytes = 4;
inline constexpr std::uint64_t kEmptyMacroBytes = 2 + 4;  // offset entry and block header

struct MacroMemoryUse {
  MacroBlobSizes sizes;
  std::uint64_t capacity = 0;  // bytes; 0 = not known yet
  BlobChoice choice = BlobChoice::WithNames;

  bool Known() const { return capacity != 0; }
  // The bytes the download would send: with names when they fit.
  std::uint64_t Used() const;
  // Used() in whole percent of the capacity (rounded down; 0 while unknown).
  std::uint64_t Percent() const;
  bool NamesLeftOut() const { return Known() && choice == BlobChoice::WithoutNames; }
  bool TooLarge() const { return Known() && choice == BlobChoice::TooLarge; }
  // Nine tenths or more of the memory in use: worth a look before it is full.
  bool NearlyFull() const { return Known() && Used() * 10 >= capacity * 9; }
};

// `records` as they stand, except that the macro at `shown` (when it is a
// valid index) counts `shownActions` actions: the rows on screen not saved
// into its record yet.
MacroMemoryUse MeasureMacroMemory(std::span<const MacroRecord> records, std::uint64_t capacity,
                                  std::ptrdiff_t shown = -1, std::size_t shownActions = 0);

// Whether the list still fits without names once it grows by `extraBytes`
// (equal to the capacity fits). Always true while the capacity is unknown.
bool HasMacroRoom(const MacroMemoryUse& use, std::uint64_t extraBytes);

}  // namespace ombrex
