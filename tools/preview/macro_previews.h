#pragma once

#include <memory>

#include "tools/preview/preview_builder.h"

namespace ombrex::preview {

// The key assignment editor on its macro page with the page's real controls,
// in the states worth a look: macros with actions, a recording, the memory
// nearly full (names left out) and over.
enum class MacroPageState { Rows, Recording, NearlyFull, Over };

std::unique_ptr<PreviewWindow> BuildMacroPage(SkinPictures& pictures, const PreviewTexts& texts,
                                              MacroPageState state);

}  // namespace ombrex::preview
