#include "widgets/skin_placement.h"

#include <optional>

namespace ombrex {

namespace {

// The placement cut to the picture the faces come from; nullopt when nothing
// of it is on the picture. Without a picture there is nothing to cut.
std::optional<Placement> OnPicture(const Placement& place, QSize size) {
  if (!size.isValid()) return place;
  return FitPlacement(place, size.width(), size.height());
}

std::optional<Placement> OnPicture(const Placement& place, const QPixmap& picture) {
  if (picture.isNull()) return place;
  return OnPicture(place, picture.deviceIndependentSize().toSize());
}

void HideAway(CPngButton& button) {
  button.setEnabled(false);
  button.hide();
}

}  // namespace

void PlaceImageButton(CPngButton& button, const Placement& place, const ButtonPictures& pictures,
                      QSize pictureSize) {
  const std::optional<Placement> fitted = place.IsHidden() ? place
                                          : pictureSize.isValid()
                                              ? OnPicture(place, pictureSize)
                                              : OnPicture(place, pictures.normal);
  // A placement off the picture is a skin's mistake: such a button shows
  // nothing and takes no clicks, as one the skin leaves out.
  const Placement shown = fitted.value_or(Placement{});
  button.setGeometry(shown.x, shown.y, shown.w, shown.h);
  button.SetPictureOrigin(QPoint(shown.x, shown.y));
  button.SetPictures(pictures);
  if (place.IsHidden() || !fitted) HideAway(button);
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
  const std::optional<Placement> face =
      OnPicture(Placement{origin.x, origin.y, place.w, place.h}, picture);
  const Placement shown = face ? Placement{place.x, place.y, face->w, face->h} : Placement{};
  button.setGeometry(shown.x, shown.y, shown.w, shown.h);
  button.SetPictureOrigin(face ? QPoint(face->x, face->y) : QPoint(origin.x, origin.y));
  button.SetPictures({picture, picture, picture, picture, picture});
  if (!face) HideAway(button);
}

void PlaceImageButton(CPngButton& button, const SkinFile& skin, std::u16string_view section,
                      std::u16string_view key, const ButtonPictures& pictures, QSize pictureSize) {
  PlaceImageButton(button, skin.Place(section, key), pictures, pictureSize);
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
