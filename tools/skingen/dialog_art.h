#pragma once

// The pictures of the key assignment editor (one set per page, plus the
// macro-only set) and of the profile manager.

#include "tools/skingen/canvas.h"
#include "tools/skingen/layout.h"

namespace ombrex::skingen {

void WriteCompositePictures(PictureWriter& out, const Layout& layout);
void WriteProfilePictures(PictureWriter& out, const Layout& layout);

// A dialog's window shape: white outside a rounded rectangle.
void PaintDialogMask(QPainter& p, const Layout& layout, qreal radius);

}  // namespace ombrex::skingen
