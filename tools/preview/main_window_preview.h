#pragma once

#include <memory>

#include "tools/preview/preview_builder.h"

namespace ombrex::preview {

// The key view (lighting off) or the lighting view in one lighting mode;
// `busy` shows the key view while an Apply runs.
struct MainView {
  bool lighting = false;
  int mode = 1;
  bool busy = false;
};

std::unique_ptr<PreviewDialog> BuildMainWindow(SkinPictures& pictures, const PreviewTexts& texts,
                                               MainView view);

}  // namespace ombrex::preview
