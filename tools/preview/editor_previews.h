#pragma once

#include <memory>

#include "tools/preview/preview_builder.h"

namespace ombrex::preview {

enum class CompositePage { Key, Macro, Media, Function };

// The key assignment editor on one page; `macroOnly` is the look it has when
// the Macro button opens it.
std::unique_ptr<PreviewDialog> BuildComposite(SkinPictures& pictures, const PreviewTexts& texts,
                                              CompositePage page, bool macroOnly);

std::unique_ptr<PreviewWindow> BuildProfileManager(SkinPictures& pictures,
                                                   const PreviewTexts& texts);

}  // namespace ombrex::preview
