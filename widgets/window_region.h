#pragma once

// Window shapes as Qt regions. The runs themselves are computed below Qt
// (MaskRegionRuns), so the rule can be tested and reused without a display.

#include <QImage>
#include <QRegion>
#include <span>

#include "resources/skin_file.h"

namespace ombrex {

// Rows with identical runs are merged into one band, which keeps the region
// small: a rounded window is a few dozen rectangles, not one per pixel row.
QRegion RegionFromRuns(std::span<const RegionRun> runs);

// Every pixel that is not pure white belongs to the window.
QRegion RegionFromMask(const QImage& mask);

}  // namespace ombrex
