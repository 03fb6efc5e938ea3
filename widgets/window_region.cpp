#include "widgets/window_region.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace ombrex {
namespace {

bool SameSpans(std::span<const RegionRun> a, std::span<const RegionRun> b) {
  return std::equal(
      a.begin(), a.end(), b.begin(), b.end(),
      [](const RegionRun& l, const RegionRun& r) { return l.x0 == r.x0 && l.x1 == r.x1; });
}

}  // namespace

QRegion RegionFromRuns(std::span<const RegionRun> runs) {
  std::vector<QRect> rects;
  std::span<const RegionRun> band;  // the runs of the band's first row
  int bandTop = 0;
  int bandHeight = 0;
  auto flush = [&] {
    for (const RegionRun& run : band)
      rects.emplace_back(run.x0, bandTop, run.x1 - run.x0, bandHeight);
    band = {};
    bandHeight = 0;
  };
  for (std::size_t i = 0; i < runs.size();) {
    std::size_t end = i;
    while (end < runs.size() && runs[end].y == runs[i].y) ++end;
    const std::span<const RegionRun> row = runs.subspan(i, end - i);
    const bool continues =
        bandHeight > 0 && row.front().y == bandTop + bandHeight && SameSpans(row, band);
    if (continues) {
      ++bandHeight;
    } else {
      flush();
      band = row;
      bandTop = row.front().y;
      bandHeight = 1;
    }
    i = end;
  }
  flush();
  // Runs of a row are maximal and sorted, and every band has one height: the
  // banded form setRects expects, without a union per rectangle.
  QRegion region;
  region.setRects(rects.data(), static_cast<int>(rects.size()));
  return region;
}

QRegion RegionFromMask(const QImage& mask) {
  if (mask.isNull()) return {};
  const QImage rgb = mask.convertToFormat(QImage::Format_RGB32);
  std::vector<std::uint32_t> pixels;
  pixels.reserve(static_cast<std::size_t>(rgb.width()) * rgb.height());
  for (int y = 0; y < rgb.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    for (int x = 0; x < rgb.width(); ++x) pixels.push_back(line[x] & 0xFFFFFFu);
  }
  return RegionFromRuns(MaskRegionRuns(rgb.width(), rgb.height(), pixels));
}

}  // namespace ombrex
