#include "widgets/base_dialog.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWindow>

#include "widgets/skin_pictures.h"
#include "widgets/skin_placement.h"
#include "widgets/window_region.h"

namespace ombrex {
namespace {

// The offscreen platform cannot shape windows and says so on every call.
bool PlatformShapesWindows() {
  return QGuiApplication::platformName() != QLatin1String("offscreen") &&
         QGuiApplication::platformName() != QLatin1String("minimal");
}

}  // namespace

CImgDialogBase::CImgDialogBase(QWidget* parent) : QDialog(parent) {
  setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
}

void CImgDialogBase::SetSkinBackground(const QPixmap& background, const QImage& mask) {
  background_ = background;
  compactBackground_ = QImage();
  const QSize size = background.deviceIndependentSize().toSize();
  setFixedSize(size);
  region_ = RegionFromMask(mask);
  if (PlatformShapesWindows() && !region_.isEmpty()) setMask(region_);
  update();
}

QImage CImgDialogBase::GrabShaped() {
  QImage image = grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
  if (!region_.isEmpty()) {
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.setClipRegion(QRegion(rect()).subtracted(region_));
    painter.fillRect(rect(), Qt::transparent);
  }
  return image;
}

void CImgDialogBase::CompactBackground() {
  if (background_.isNull()) return;
  compactBackground_ = background_.toImage().convertToFormat(QImage::Format_RGB888);
  compactBackground_.setDevicePixelRatio(background_.devicePixelRatio());
  background_ = QPixmap();
}

void CImgDialogBase::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  if (!compactBackground_.isNull()) {
    // Only what needs drawing: the conversion from three bytes costs.
    const QRect area = event->rect();
    const qreal ratio = compactBackground_.devicePixelRatio();
    painter.drawImage(
        QRectF(area), compactBackground_,
        QRectF(area.x() * ratio, area.y() * ratio, area.width() * ratio, area.height() * ratio));
  } else if (!background_.isNull()) {
    painter.drawPixmap(QPointF(0, 0), background_);
  }
}

void CImgDialogBase::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  const bool enterOrEscape = key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape;
  if (swallowEnterEscape_ && enterOrEscape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void CImgDialogBase::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QDialog::mousePressEvent(event);
  // Presses on controls never get here; the rest of the window is its caption.
  if (windowHandle() != nullptr && windowHandle()->startSystemMove()) return;
  dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void CImgDialogBase::mouseMoveEvent(QMouseEvent* event) {
  if (!dragOffset_ || !(event->buttons() & Qt::LeftButton)) return QDialog::mouseMoveEvent(event);
  move(event->globalPosition().toPoint() - *dragOffset_);
}

void CImgDialogBase::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) dragOffset_.reset();
  QDialog::mouseReleaseEvent(event);
}

CBaseDialog::CBaseDialog(SkinPictures& pictures, const std::filesystem::path& skinFile,
                         QWidget* parent)
    : CImgDialogBase(parent),
      pictures_(pictures),
      skinRelative_(skinFile),
      skin_(pictures.ProgramFolder() / skinFile) {}

bool CBaseDialog::ApplySkinScreen() {
  const std::filesystem::path folder = skinRelative_.parent_path();
  const std::u16string backgroundName = skin_.BackgroundPicture();
  const std::u16string maskName = skin_.MaskPicture();
  if (backgroundName.empty() || maskName.empty()) return false;
  const QPixmap background = pictures_.Picture(folder / backgroundName);
  const QImage mask = pictures_.ShapeImage(folder / maskName);
  if (background.isNull() || mask.isNull()) return false;
  SetSkinBackground(background, mask);
  return true;
}

void CBaseDialog::PlaceImageButton(CPngButton& button, std::u16string_view key,
                                   const ButtonPictures& pictures, QSize pictureSize) {
  ombrex::PlaceImageButton(button, skin_, kButtonSection, key, pictures, pictureSize);
}

void CBaseDialog::PlaceControl(QWidget& control, std::u16string_view key) {
  ombrex::PlaceControl(control, skin_, kButtonSection, key);
}

void CBaseDialog::MoveControl(QWidget& control, std::u16string_view key) {
  ombrex::MoveControl(control, skin_, kButtonSection, key);
}

void CBaseDialog::PlaceTwoKeyButton(CPngButton& button, std::u16string_view placeKey,
                                    std::u16string_view originKey, const QPixmap& picture) {
  ombrex::PlaceTwoKeyButton(button, skin_, kButtonSection, placeKey, kOriginSection, originKey,
                            picture);
}

}  // namespace ombrex
