// Any picture size and pixels as a window-shape mask. Besides crashes: the
// runs lie inside the picture, row by row and left to right, never touch or
// overlap, and cover exactly the pixels that are not white; a picture whose
// pixels do not fill its size has no shape.

#include <cstdint>
#include <cstring>
#include <vector>

#include "resources/skin_file.h"
#include "tests/fuzz/scratch_folder.h"

using ombrex::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 8) return 0;
  // Sizes as a picture header may claim them: any int, small ones most useful.
  int width = 0;
  int height = 0;
  std::memcpy(&width, data, 4);
  std::memcpy(&height, data + 4, 4);
  if ((width & 0x40000000) == 0) width &= 0x3F;
  if ((height & 0x40000000) == 0) height &= 0x3F;
  // Three bytes a pixel: white (under any alpha, which must not count) or a
  // colour near it.
  std::vector<std::uint32_t> pixels;
  for (std::size_t i = 8; i + 2 < size; i += 3) {
    const std::uint32_t alpha = std::uint32_t(data[i + 2]) << 24;
    pixels.push_back((data[i] & 1) != 0 ? alpha | 0xFFFFFF
                                        : alpha | std::uint32_t(data[i]) << 16 |
                                              std::uint32_t(data[i + 1]) << 8 | data[i + 2]);
  }
  const std::vector<ombrex::RegionRun> runs = ombrex::MaskRegionRuns(width, height, pixels);

  const bool whole =
      width > 0 && height > 0 &&
      pixels.size() / static_cast<std::size_t>(width) >= static_cast<std::size_t>(height);
  if (!whole) {
    Require(runs.empty());
    return 0;
  }
  std::size_t covered = 0;
  for (std::size_t i = 0; i < runs.size(); ++i) {
    const ombrex::RegionRun& run = runs[i];
    Require(run.y >= 0 && run.y < height && run.x0 >= 0 && run.x0 < run.x1 && run.x1 <= width);
    if (i > 0) {
      const ombrex::RegionRun& before = runs[i - 1];
      Require(before.y < run.y || (before.y == run.y && before.x1 < run.x0));
    }
    for (int x = run.x0; x < run.x1; ++x) {
      Require((pixels[static_cast<std::size_t>(run.y) * width + x] & 0xFFFFFF) != 0xFFFFFF);
    }
    covered += static_cast<std::size_t>(run.x1 - run.x0);
  }
  std::size_t shaped = 0;
  for (std::size_t i = 0; i < static_cast<std::size_t>(width) * height; ++i) {
    shaped += (pixels[i] & 0xFFFFFF) != 0xFFFFFF;
  }
  Require(covered == shaped);
  return 0;
}
