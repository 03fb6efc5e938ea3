#pragma once

// Places controls where a skin file says. A skin shows only the controls its
// design has: an image button whose key is missing (or sits at 1,1) is hidden
// and disabled, so it can never be clicked where nothing is drawn.

#include <QPixmap>
#include <QWidget>
#include <string_view>

#include "resources/skin_file.h"
#include "widgets/png_button.h"

namespace ombrex {

inline constexpr std::u16string_view kButtonSection = u"BUTTONINFO";
inline constexpr std::u16string_view kOriginSection = u"BUTTONINFO2";

// The rules on a placement already read. `pictureSize`, when valid, is the
// size of the pictures the faces will be cut from, for faces that are still
// stand-ins (the main window decodes its pictures one at a time later).
void PlaceImageButton(CPngButton& button, const Placement& place, const ButtonPictures& pictures,
                      QSize pictureSize = {});
void PlaceControl(QWidget& control, const Placement& place);
void MoveControl(QWidget& control, const Placement& place);
void PlaceTwoKeyButton(CPngButton& button, const Placement& place, const Placement& origin,
                       const QPixmap& picture);

// The same, reading the placement from a skin file.
void PlaceImageButton(CPngButton& button, const SkinFile& skin, std::u16string_view section,
                      std::u16string_view key, const ButtonPictures& pictures,
                      QSize pictureSize = {});
void PlaceControl(QWidget& control, const SkinFile& skin, std::u16string_view section,
                  std::u16string_view key);
void MoveControl(QWidget& control, const SkinFile& skin, std::u16string_view section,
                 std::u16string_view key);
void PlaceTwoKeyButton(CPngButton& button, const SkinFile& skin, std::u16string_view placeSection,
                       std::u16string_view placeKey, std::u16string_view originSection,
                       std::u16string_view originKey, const QPixmap& picture);

}  // namespace ombrex
