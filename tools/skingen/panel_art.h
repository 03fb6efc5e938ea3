#pragma once

// The lighting panel's bitmaps: slider faces, direction buttons, colour and
// tool buttons, the light button and the busy animation. Each is drawn at the
// size of the control that shows it, on the window picture behind it.

#include <QImage>
#include <QPainter>
#include <QRectF>
#include <array>

#include "tools/skingen/canvas.h"
#include "tools/skingen/layout.h"

namespace ombrex::skingen {

// The light button (view switch) at `r`, off or on.
void PaintLightButton(QPainter& p, const QRectF& r, bool on);

// `normal` holds the main window's normal picture at 1x and 2x.
void WritePanelBitmaps(PictureWriter& out, const Layout& layout,
                       const std::array<QImage, 2>& normal);

}  // namespace ombrex::skingen
