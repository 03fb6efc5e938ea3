#include "resources/skin_file.h"

#include <algorithm>

#include "platform/ini.h"
#include "platform/text.h"

namespace ombrex {
namespace {

// What a missing key reads as: the control sits at (1, 1), 1 by 1, hidden.
constexpr std::u16string_view kMissingPlacement = u"1,1,1,1,x";
constexpr std::uint32_t kWhite = 0xFFFFFF;

}  // namespace

Placement ParsePlacement(std::u16string_view value) {
  int fields[4] = {1, 1, 1, 1};
  std::size_t pos = 0;
  for (int i = 0; i < 4; ++i) {
    // Between numbers the comma must follow at once, as in a scanf pattern.
    if (i > 0) {
      if (pos >= value.size() || value[pos] != u',') break;
      ++pos;
    }
    const std::optional<int> number = ScanInt(value, pos);
    if (!number) break;
    fields[i] = *number;
  }
  return Placement{fields[0], fields[1], fields[2], fields[3]};
}

std::optional<Placement> FitPlacement(const Placement& place, int width, int height) {
  // 64-bit: a skin's x + w may pass what an int holds.
  const std::int64_t left = std::max<std::int64_t>(place.x, 0);
  const std::int64_t top = std::max<std::int64_t>(place.y, 0);
  const std::int64_t right = std::min<std::int64_t>(std::int64_t{place.x} + place.w, width);
  const std::int64_t bottom = std::min<std::int64_t>(std::int64_t{place.y} + place.h, height);
  if (place.w <= 0 || place.h <= 0 || right <= left || bottom <= top) return std::nullopt;
  return Placement{static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left),
                   static_cast<int>(bottom - top)};
}

SkinFile::SkinFile(std::filesystem::path iniPath) : path_(std::move(iniPath)) {}

Placement SkinFile::Place(std::u16string_view section, std::u16string_view key) const {
  return ParsePlacement(ini::ReadString(path_, section, key, kMissingPlacement));
}

std::u16string SkinFile::BackgroundPicture() const {
  return ini::ReadString(path_, u"SCREEN", u"Main", u"");
}

std::u16string SkinFile::MaskPicture() const {
  return ini::ReadString(path_, u"SCREEN", u"Mask", BackgroundPicture());
}

std::u16string SkinFile::Link(std::u16string_view defaultAddress) const {
  return ini::ReadString(path_, u"SCREEN", u"Link", defaultAddress);
}

std::u16string SkinFile::ControlName(std::u16string_view key, int languageChoice) const {
  if (languageChoice != 0 && languageChoice != 1) return std::u16string();
  return ini::ReadString(path_, languageChoice == 0 ? u"Control_Name" : u"Control_Name1", key, u"");
}

std::vector<RegionRun> MaskRegionRuns(int width, int height,
                                      std::span<const std::uint32_t> pixels) {
  std::vector<RegionRun> runs;
  if (width <= 0 || height <= 0 ||
      pixels.size() / static_cast<std::size_t>(width) < static_cast<std::size_t>(height)) {
    return runs;  // not a whole picture: no shape rather than a read past its end
  }
  for (int y = 0; y < height; ++y) {
    const std::uint32_t* row = pixels.data() + static_cast<std::size_t>(y) * width;
    int x = 0;
    while (x < width) {
      while (x < width && (row[x] & kWhite) == kWhite) ++x;
      const int start = x;
      while (x < width && (row[x] & kWhite) != kWhite) ++x;
      if (x > start) runs.push_back({y, start, x});
    }
  }
  return runs;
}

}  // namespace ombrex
