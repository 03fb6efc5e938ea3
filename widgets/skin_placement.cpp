#include "widgets/skin_placement.h"

namespace ombrex {

void PlaceImageButton(CPngButton& button, const Placement& place, const ButtonPictures& pictures) {
  button.setGeometry(place.x, place.y, place.w, place.h);
  button.SetPictureOrigin(QPoint(place.x, place.y));
  button.SetPictures(pictures);
  if (place.IsHidden()) {
    button.setEnabled(false);
    button.hide();
  }
}

void PlaceControl(QWidget& control, const Placement& place) {
  control.setGeometry(place.x, place.y, place.w, place.h);
}

void MoveControl(QWidget& control, const Placement& place) {
  control.move(place.x, place.y);
  control.update();
}

void PlaceTwoKeyButton(CPngButton& button, const Placement& place, const Placement& origin,
                       const QPixmap& picture) {
  button.setGeometry(place.x, place.y, place.w, place.h);
  button.SetPictureOrigin(QPoint(origin.x, origin.y));
  button.SetPictures({picture, picture, picture, picture, picture});
}

void PlaceImageButton(CPngButton& button, const SkinFile& skin, std::u16string_view section,
                      std::u16string_view key, const ButtonPictures& pictures) {
  PlaceImageButton(button, skin.Place(section, key), pictures);
}

void PlaceControl(QWidget& control, const SkinFile& skin, std::u16string_view section,
                  std::u16string_view key) {
  PlaceControl(control, skin.Place(section, key));
}

void MoveControl(QWidget& control, const SkinFile& skin, std::u16string_view section,
                 std::u16string_view key) {
  MoveControl(control, skin.Place(section, key));
}

void PlaceTwoKeyButton(CPngButton& button, const SkinFile& skin, std::u16string_view placeSection,
                       std::u16string_view placeKey, std::u16string_view originSection,
                       std::u16string_view originKey, const QPixmap& picture) {
  PlaceTwoKeyButton(button, skin.Place(placeSection, placeKey),
                    skin.Place(originSection, originKey), picture);
}

}  // namespace ombrex
