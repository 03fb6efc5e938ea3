#include "editors/macro_memory.h"

namespace ombrex {

std::uint64_t MacroMemoryUse::Used() const {
  return choice == BlobChoice::WithNames ? sizes.withNames : sizes.withoutNames;
}

std::uint64_t MacroMemoryUse::Percent() const {
  return Known() ? Used() * 100 / capacity : 0;
}

MacroMemoryUse MeasureMacroMemory(std::span<const MacroRecord> records, std::uint64_t capacity,
                                  std::ptrdiff_t shown, std::size_t shownActions) {
  MacroMemoryUse use;
  use.capacity = capacity;
  use.sizes = ComputeMacroBlobSizes(records);
  if (shown >= 0 && static_cast<std::size_t>(shown) < records.size()) {
    // Each action takes the same four bytes with names or without, so the
    // unsaved rows change both sizes alike.
    const std::uint64_t saved = records[static_cast<std::size_t>(shown)].count;
    const auto delta = static_cast<std::int64_t>(kMacroActionBytes) *
                       (static_cast<std::int64_t>(shownActions) - static_cast<std::int64_t>(saved));
    use.sizes.withoutNames =
        static_cast<std::uint64_t>(static_cast<std::int64_t>(use.sizes.withoutNames) + delta);
    use.sizes.withNames =
        static_cast<std::uint64_t>(static_cast<std::int64_t>(use.sizes.withNames) + delta);
  }
  use.choice = ChooseMacroBlob(use.sizes, capacity);
  return use;
}

bool HasMacroRoom(const MacroMemoryUse& use, std::uint64_t extraBytes) {
  return !use.Known() || use.sizes.withoutNames + extraBytes <= use.capacity;
}

}  // namespace ombrex
