#pragma once

// Skinned dialogs: no caption bar, a background picture, a window shape taken
// from a mask picture, and dragged by any point of the background.

#include <QDialog>
#include <QImage>
#include <QPixmap>
#include <QPoint>
#include <QRegion>
#include <filesystem>
#include <optional>
#include <string_view>

#include "resources/skin_file.h"
#include "widgets/png_button.h"

namespace ombrex {

class SkinPictures;

class CImgDialogBase : public QDialog {
  Q_OBJECT

 public:
  explicit CImgDialogBase(QWidget* parent = nullptr);

  // Sizes the window to the background (its position kept) and shapes it from
  // the mask: every pixel that is not pure white belongs to the window.
  void SetSkinBackground(const QPixmap& background, const QImage& mask);
  const QPixmap& Background() const { return background_; }
  // Keeps the background three bytes to a pixel (it is opaque) and lets the
  // pixmap go: for a window that lives all day.
  void CompactBackground();
  const QImage& CompactBackgroundImage() const { return compactBackground_; }
  // The shape, also where the platform cannot apply it (offscreen).
  const QRegion& WindowRegion() const { return region_; }
  // The window's picture as a screen shows it: outside its shape nothing.
  QImage GrabShaped();

  // Skinned dialogs have no buttons the keyboard could mean: Enter and Escape
  // would otherwise close them behind the user's back.
  void SetSwallowEnterAndEscape(bool swallow) { swallowEnterEscape_ = swallow; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QPixmap background_;
  QImage compactBackground_;
  QRegion region_;
  bool swallowEnterEscape_ = false;
  // Where the press grabbed the window, for platforms without a system move.
  std::optional<QPoint> dragOffset_;
};

class CBaseDialog : public CImgDialogBase {
  Q_OBJECT

 public:
  // `skinFile` is relative to the program folder, e.g. "Skins/Main.ini".
  CBaseDialog(SkinPictures& pictures, const std::filesystem::path& skinFile,
              QWidget* parent = nullptr);

  const SkinFile& Skin() const { return skin_; }
  SkinPictures& Pictures() { return pictures_; }

  // Reads "SCREEN", loads the background and shape pictures from the skin
  // folder, sizes and shapes the window. False when a picture is missing.
  bool ApplySkinScreen();

  // Placements from section "BUTTONINFO" (the origin of a two-key button from
  // "BUTTONINFO2").
  void PlaceImageButton(CPngButton& button, std::u16string_view key, const ButtonPictures& pictures,
                        QSize pictureSize = {});
  void PlaceControl(QWidget& control, std::u16string_view key);
  void MoveControl(QWidget& control, std::u16string_view key);
  void PlaceTwoKeyButton(CPngButton& button, std::u16string_view placeKey,
                         std::u16string_view originKey, const QPixmap& picture);

 private:
  SkinPictures& pictures_;
  std::filesystem::path skinRelative_;
  SkinFile skin_;
};

}  // namespace ombrex
