#include "widgets/bitmap_slider.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>

namespace ombrex {
namespace {

// One notch of a common mouse wheel; finer wheels add up to it.
constexpr int kWheelNotch = 120;

}  // namespace

CBitmapSlider::CBitmapSlider(int controlId, QWidget* parent)
    : QWidget(parent), controlId_(controlId) {
  setFocusPolicy(Qt::StrongFocus);
}

void CBitmapSlider::SetRange(int minimum, int maximum) {
  minimum_ = std::min(minimum, maximum);
  maximum_ = std::max(minimum, maximum);
  position_ = Clamp(position_);
  update();
}

int CBitmapSlider::Clamp(int position) const {
  return std::clamp(position, minimum_, maximum_);
}

void CBitmapSlider::SetPos(int position) {
  position = Clamp(position);
  if (position == position_) return;
  position_ = position;
  update();
}

void CBitmapSlider::SetThumbPicture(const QPixmap& thumb) {
  thumb_ = thumb;
  update();
}

int CBitmapSlider::PictureWidth() const {
  return thumb_.isNull() ? 0 : qRound(thumb_.deviceIndependentSize().width());
}

bool CBitmapSlider::PictureIsWholeSlider() const {
  return PictureWidth() >= width();
}

int CBitmapSlider::ThumbWidth() const {
  // A picture of the whole slider at its position has its knob as round as
  // the slider is high, travelling between half a height in from each end;
  // without a picture the knob is the same.
  const int pictureWidth = PictureWidth();
  if (pictureWidth > 0 && !PictureIsWholeSlider()) return pictureWidth;
  return std::min(height(), width());
}

int CBitmapSlider::ThumbLeft(int position) const {
  const int span = maximum_ - minimum_;
  if (span == 0) return 0;
  const int travel = width() - ThumbWidth();
  return (Clamp(position) - minimum_) * travel / span;
}

int CBitmapSlider::PositionAt(int x) const {
  const int span = maximum_ - minimum_;
  const int travel = width() - ThumbWidth();
  if (span == 0 || travel <= 0) return minimum_;
  // The thumb's centre follows the pointer; round to the nearest step.
  const int offset = x - ThumbWidth() / 2;
  const int position = minimum_ + (2 * offset * span + travel) / (2 * travel);
  return Clamp(offset < 0 ? minimum_ : position);
}

void CBitmapSlider::MoveByUser(int position) {
  position = Clamp(position);
  if (position == position_) return;
  position_ = position;
  update();
  emit positionChanged(controlId_, position_);
  if (changeHook_) changeHook_(controlId_, position_);
}

void CBitmapSlider::paintEvent(QPaintEvent*) {
  if (thumb_.isNull()) return;
  QPainter painter(this);
  const qreal thumbHeight = thumb_.deviceIndependentSize().height();
  const int left = PictureIsWholeSlider() ? 0 : ThumbLeft(position_);
  painter.drawPixmap(QPointF(left, (height() - thumbHeight) / 2), thumb_);
}

void CBitmapSlider::keyPressEvent(QKeyEvent* event) {
  // The keys of a Windows track bar: left and up lower the value.
  switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
      MoveByUser(position_ - 1);
      break;
    case Qt::Key_Right:
    case Qt::Key_Down:
      MoveByUser(position_ + 1);
      break;
    case Qt::Key_PageUp:
      MoveByUser(position_ - pageSize_);
      break;
    case Qt::Key_PageDown:
      MoveByUser(position_ + pageSize_);
      break;
    case Qt::Key_Home:
      MoveByUser(minimum_);
      break;
    case Qt::Key_End:
      MoveByUser(maximum_);
      break;
    default:
      return QWidget::keyPressEvent(event);
  }
  event->accept();
}

void CBitmapSlider::wheelEvent(QWheelEvent* event) {
  // As on a track bar, turning the wheel away from the user acts as the up
  // arrow does.
  wheelRemainder_ += event->angleDelta().y();
  const int steps = wheelRemainder_ / kWheelNotch;
  wheelRemainder_ -= steps * kWheelNotch;
  if (steps != 0) MoveByUser(position_ - steps);
  event->accept();
}

void CBitmapSlider::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  setFocus(Qt::MouseFocusReason);
  dragging_ = true;
  MoveByUser(PositionAt(qRound(event->position().x())));
  event->accept();
}

void CBitmapSlider::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_) return QWidget::mouseMoveEvent(event);
  MoveByUser(PositionAt(qRound(event->position().x())));
  event->accept();
}

void CBitmapSlider::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) dragging_ = false;
  event->accept();
}

}  // namespace ombrex
