#pragma once

// The editors' real dialogs, each over a stage of its own (a virtual
// keyboard, a working image, the editors' rules in one language).

#include <QString>
#include <functional>
#include <memory>

#include "tools/preview/preview_builder.h"

namespace ombrex::preview {

class EditorStage;

// The key assignment editor on one of its pages without the macro page's
// own previews: a captured key, a media function, a shortcut function.
enum class CompositePage { Key, Media, Function };
std::unique_ptr<PreviewWindow> BuildComposite(SkinPictures& pictures, const PreviewTexts& texts,
                                              CompositePage page);
// Opened by the Macro button.
std::unique_ptr<PreviewWindow> BuildMacroOnly(SkinPictures& pictures, const PreviewTexts& texts);

// The key assignment editor's dialog as `open` leaves the stage: it must
// open the stage's editor. `act` then runs with the dialog on screen.
std::unique_ptr<PreviewWindow> BuildEditorDialog(SkinPictures& pictures, const PreviewTexts& texts,
                                                 QString name,
                                                 const std::function<void(EditorStage&)>& open,
                                                 const std::function<void(EditorStage&)>& act = {});

std::unique_ptr<PreviewWindow> BuildProfileManager(SkinPictures& pictures,
                                                   const PreviewTexts& texts);

}  // namespace ombrex::preview
