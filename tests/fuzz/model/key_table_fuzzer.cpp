// Key tables read from the keyboard, against an arbitrary factory table.
// Besides crashes: decoding what the entries encode to changes nothing after
// the first round.

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <vector>

#include "model/assignment_tables.h"
#include "model/key_entry.h"
#include "model/profile_image.h"
#include "tests/fuzz/scratch_folder.h"

namespace {

using namespace ombrex;

// Profile 0 of an applied image holding `entries`, with macro n + 1 at
// position n so that every played position survives. Made once: 256 macros are
// large.
const AppliedImage& ImageOf(const std::vector<KeyEntry>& entries) {
  static AppliedImage applied = [] {
    AppliedImage image;
    image.block = DefaultImageBlock(0);
    image.macros.resize(256);
    for (std::size_t i = 0; i < image.macros.size(); ++i) {
      image.macros[i].id = static_cast<std::uint16_t>(i + 1);
    }
    return image;
  }();
  for (std::size_t slot = 0; slot < entries.size(); ++slot) {
    WriteKeyEntry(std::span(applied.block).subspan(image::EntryOffset(slot), kEntrySize),
                  entries[slot]);
  }
  return applied;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  DeviceKeyTable read{};
  DeviceKeyTable defaults{};
  std::copy_n(data, std::min(size, read.size()), read.begin());
  if (size > read.size()) {
    std::copy_n(data + read.size(), std::min(size - read.size(), defaults.size()),
                defaults.begin());
  }
  const std::vector<KeyEntry> first = DecodeKeyTable(read, defaults);
  fuzz::Require(first.size() == kSlotsPerProfile);
  const DeviceKeyTable table = BuildDeviceKeyTable(ImageOf(first), 0, defaults);
  const std::vector<KeyEntry> second = DecodeKeyTable(table, defaults);
  const DeviceKeyTable again = BuildDeviceKeyTable(ImageOf(second), 0, defaults);
  fuzz::Require(DecodeKeyTable(again, defaults) == second);
  return 0;
}
