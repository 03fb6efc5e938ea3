#include "widgets/png_button.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>
#include <utility>
#include <vector>

#include "widgets/qt_text.h"

namespace ombrex {

ButtonFace SelectFace(const ButtonFaceState& state) {
  if (!state.enabled) return ButtonFace::Disabled;
  if (state.pressed || state.selected) return ButtonFace::Pressed;
  if (state.hover) return ButtonFace::Hover;
  if (state.marked) return ButtonFace::Marked;
  return ButtonFace::Normal;
}

CPngButton::CPngButton(int controlId, QWidget* parent)
    : QAbstractButton(parent), controlId_(controlId) {
  setMouseTracking(true);
  setFocusPolicy(Qt::NoFocus);
}

void CPngButton::SetPictures(const ButtonPictures& pictures) {
  pictures_ = pictures;
  update();
}

namespace {

// The part of a (possibly "@2x") picture under a logical rectangle.
QPixmap Cut(const QPixmap& picture, const QRect& logical) {
  if (picture.isNull()) return {};
  const qreal ratio = picture.devicePixelRatio();
  const QRect source(qRound(logical.x() * ratio), qRound(logical.y() * ratio),
                     qRound(logical.width() * ratio), qRound(logical.height() * ratio));
  QPixmap face = picture.copy(source);
  face.setDevicePixelRatio(ratio);
  return face;
}

}  // namespace

void CPngButton::CutOwnFaces() {
  const QRect own(origin_, size());
  // Faces that share a picture share its cut too.
  std::vector<std::pair<qint64, QPixmap>> cuts;
  auto cutOf = [&](const QPixmap& picture) {
    for (const auto& [key, face] : cuts) {
      if (key == picture.cacheKey()) return face;
    }
    QPixmap face = Cut(picture, own);
    cuts.emplace_back(picture.cacheKey(), face);
    return face;
  };
  pictures_ = {cutOf(pictures_.normal), cutOf(pictures_.hover), cutOf(pictures_.pressed),
               cutOf(pictures_.disabled), cutOf(pictures_.marked)};
  origin_ = QPoint(0, 0);
  update();
}

void CPngButton::SetPictureOrigin(QPoint origin) {
  origin_ = origin;
  update();
}

void CPngButton::SetMarked(bool marked) {
  if (marked_ == marked) return;
  marked_ = marked;
  update();
}

void CPngButton::SetSelected(bool selected) {
  if (selected_ == selected) return;
  selected_ = selected;
  update();
}

void CPngButton::SetHighlighted(bool highlighted) {
  if (highlighted_ == highlighted) return;
  highlighted_ = highlighted;
  update();
}

void CPngButton::SetFrameColour(std::optional<QColor> colour) {
  if (frameColour_ == colour) return;
  frameColour_ = colour;
  update();
}

void CPngButton::SetTooltip(std::u16string_view text) {
  setToolTip(ToQString(text));
}

void CPngButton::SetCaption(std::u16string_view text) {
  setText(ToQString(text));
}

void CPngButton::SetCaptionColour(QColor colour) {
  captionColour_ = colour;
  update();
}

void CPngButton::SetCaptionPlacement(Qt::Alignment alignment, int pixelSize) {
  captionAlignment_ = alignment;
  captionPixelSize_ = pixelSize;
  update();
}

ButtonFaceState CPngButton::FaceState() const {
  return {.enabled = isEnabled(),
          .pressed = isDown(),
          .selected = selected_,
          .hover = hover_,
          .marked = marked_};
}

const QPixmap& CPngButton::PictureOf(ButtonFace face) const {
  switch (face) {
    case ButtonFace::Disabled:
      return pictures_.disabled;
    case ButtonFace::Pressed:
      return pictures_.pressed;
    case ButtonFace::Hover:
      return pictures_.hover;
    case ButtonFace::Marked:
      return highlighted_ ? pictures_.hover : pictures_.marked;
    case ButtonFace::Normal:
      break;
  }
  return highlighted_ ? pictures_.hover : pictures_.normal;
}

void CPngButton::DrawFace(QPainter& painter, ButtonFace face) {
  const QPixmap& picture = PictureOf(face);
  if (!picture.isNull()) {
    // The source rectangle is in the picture's own pixels, which a "@2x"
    // picture has twice as many of.
    const qreal ratio = picture.devicePixelRatio();
    const QRectF source(origin_.x() * ratio, origin_.y() * ratio, width() * ratio,
                        height() * ratio);
    painter.drawPixmap(QRectF(rect()), picture, source);
  }
  if (!text().isEmpty()) {
    QColor colour = captionColour_;
    if (!isEnabled()) colour.setAlpha(colour.alpha() / 2);
    painter.setPen(colour);
    if (captionPixelSize_ > 0) {
      QFont small = painter.font();
      small.setPixelSize(captionPixelSize_);
      painter.setFont(small);
    }
    const QRect inner =
        captionAlignment_ == Qt::AlignCenter ? rect() : rect().adjusted(3, 2, -3, -2);
    painter.drawText(inner, captionAlignment_ | Qt::TextSingleLine, text());
  }
}

void CPngButton::DrawFrame(QPainter& painter) {
  if (lastFace_) DrawFace(painter, *lastFace_);
  QPen pen(*frameColour_);
  pen.setWidth(2);
  pen.setJoinStyle(Qt::MiterJoin);
  painter.setPen(pen);
  painter.setBrush(Qt::NoBrush);
  // A 2-pixel pen centred on the line from (1, 1) to (w - 1, h - 1) covers
  // exactly the outer two pixels of the button.
  painter.drawRect(QRectF(1, 1, width() - 2, height() - 2));
}

void CPngButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const ButtonFace face = CurrentFace();
  if (frameColour_) {
    DrawFrame(painter);
  } else {
    DrawFace(painter, face);
    lastFace_ = face;
  }
  painter.end();
  if (afterDraw_) afterDraw_(*this, !frameColour_ && face == ButtonFace::Normal);
}

void CPngButton::SetHover(bool hover) {
  if (hover_ == hover) return;
  hover_ = hover;
  update();
}

void CPngButton::enterEvent(QEnterEvent* event) {
  SetHover(true);
  QAbstractButton::enterEvent(event);
}

void CPngButton::leaveEvent(QEvent* event) {
  SetHover(false);
  QAbstractButton::leaveEvent(event);
}

void CPngButton::mouseMoveEvent(QMouseEvent* event) {
  SetHover(rect().contains(event->position().toPoint()));
  QAbstractButton::mouseMoveEvent(event);
}

}  // namespace ombrex
