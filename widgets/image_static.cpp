#include "widgets/image_static.h"

#include <QMouseEvent>
#include <QPainter>

namespace ombrex {

CImageStatic::CImageStatic(int controlId, QWidget* parent)
    : QWidget(parent), controlId_(controlId) {}

void CImageStatic::SetPicture(const QPixmap& picture) {
  // Pictures are shared, so comparing keys spares a repaint per refresh.
  if (picture.cacheKey() == picture_.cacheKey()) return;
  picture_ = picture;
  update();
}

void CImageStatic::paintEvent(QPaintEvent*) {
  if (picture_.isNull()) return;
  QPainter painter(this);
  // Drawn at its own size from the top left, as a static picture control does;
  // a "@2x" picture covers the same logical area.
  painter.drawPixmap(QPointF(0, 0), picture_);
}

void CImageStatic::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  pressed_ = true;
}

void CImageStatic::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
  const bool inside = rect().contains(event->position().toPoint());
  const bool wasPressed = pressed_;
  pressed_ = false;
  if (wasPressed && inside && isEnabled()) emit clicked(controlId_);
}

}  // namespace ombrex
