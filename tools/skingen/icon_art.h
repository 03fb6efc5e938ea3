#pragma once

// The program icon and the three tray pictures (no keyboard, keyboard
// attached, keyboard indicator on): at the usual icon sizes into `icons`
// ("ombrex-<size>.png", "tray-<state>-<size>.png", for desktop integration),
// and at 1x and 2x into `skins` ("icon_app.png", "icon_absent.png",
// "icon_present.png", "icon_indicator.png", which the program loads).

#include "tools/skingen/canvas.h"

namespace ombrex::skingen {

void WriteIcons(PictureWriter& icons, PictureWriter& skins);

}  // namespace ombrex::skingen
