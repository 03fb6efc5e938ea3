#pragma once

// The main window's pictures: the four state pictures, the two lighting
// pictures, the window shape, the Flip arrows and the lighting panel's
// bitmaps, all drawn from the main skin's layout.

#include "tools/skingen/canvas.h"
#include "tools/skingen/layout.h"

namespace ombrex::skingen {

void WriteMainPictures(PictureWriter& out, const Layout& layout);

}  // namespace ombrex::skingen
