#pragma once

#include <memory>

#include "tools/preview/preview_builder.h"

namespace ombrex::preview {

// The key view (lighting off) or the lighting view in one lighting mode.
struct MainView {
  bool lighting = false;
  int mode = 1;
};

std::unique_ptr<PreviewDialog> BuildMainWindow(SkinPictures& pictures, const PreviewTexts& texts,
                                               MainView view);

}  // namespace ombrex::preview
