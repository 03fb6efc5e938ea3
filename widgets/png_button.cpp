#include "widgets/png_button.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>
#include <algorithm>
#include <utility>
#include <vector>

#include "widgets/qt_text.h"

namespace ombrex {

ButtonFace SelectFace(const ButtonFaceState& state) {
  if (!state.enabled || state.dimmed) return ButtonFace::Disabled;
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
  kept_ = {};
  faceCut_ = {};
  compact_ = false;
  update();
}

namespace {

// The part of a (possibly "@2x") picture under a logical rectangle, three
// bytes to a pixel: the skin's pictures are opaque.
QImage Cut(const QPixmap& picture, const QRect& logical) {
  if (picture.isNull()) return {};
  const qreal ratio = picture.devicePixelRatio();
  // Never more than the picture holds: an empty rectangle would copy all of it.
  const QRect source = QRect(qRound(logical.x() * ratio), qRound(logical.y() * ratio),
                             qRound(logical.width() * ratio), qRound(logical.height() * ratio))
                           .intersected(picture.rect());
  if (source.isEmpty()) return {};
  QImage face = picture.copy(source).toImage().convertToFormat(QImage::Format_RGB888);
  face.setDevicePixelRatio(ratio);
  return face;
}

constexpr std::array<ButtonFace, 5> kFaces{ButtonFace::Disabled, ButtonFace::Pressed,
                                           ButtonFace::Hover, ButtonFace::Marked,
                                           ButtonFace::Normal};

}  // namespace

void CPngButton::CutOwnFaces(const QPixmap& whole, const QImage& wholeImage) {
  for (ButtonFace face : kFaces) {
    if (compact_) break;
    if (faceCut_[static_cast<std::size_t>(face)]) continue;
    // A copy: the pictures are let go once the last face is cut.
    const QPixmap picture = PictureOf(face);
    const bool isWhole = !whole.isNull() && picture.cacheKey() == whole.cacheKey();
    CutFacesShowing(picture, picture, isWhole ? wholeImage : QImage());
  }
}

void CPngButton::CutFacesShowing(const QPixmap& standIn, const QPixmap& picture,
                                 const QImage& wholeImage) {
  if (compact_) return;
  // Faces that share a picture share its cut too.
  std::optional<QImage> cut;
  for (ButtonFace face : kFaces) {
    const auto at = static_cast<std::size_t>(face);
    if (faceCut_[at] || PictureOf(face).cacheKey() != standIn.cacheKey()) continue;
    if (!wholeImage.isNull()) {
      kept_[at] = {wholeImage, false};
    } else {
      if (!cut) cut = Cut(picture, QRect(origin_, size()));
      kept_[at] = {*cut, true};
    }
    faceCut_[at] = true;
  }
  if (std::ranges::all_of(faceCut_, [](bool done) { return done; })) {
    pictures_ = {};
    compact_ = true;
    update();
  }
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

void CPngButton::SetDimmed(bool dimmed) {
  if (dimmed_ == dimmed) return;
  dimmed_ = dimmed;
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
          .marked = marked_,
          .dimmed = dimmed_};
}

void CPngButton::ShowDisabledAs(ButtonFace face) {
  if (disabledAs_ == face) return;
  disabledAs_ = face;
  update();
}

ButtonFace CPngButton::ShownFace(ButtonFace face) const {
  if (face == ButtonFace::Disabled) face = disabledAs_;
  // While its dialog is open a key shows its hover face instead of its
  // normal and marked ones.
  if (highlighted_ && (face == ButtonFace::Normal || face == ButtonFace::Marked)) {
    return ButtonFace::Hover;
  }
  return face;
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
      return pictures_.marked;
    case ButtonFace::Normal:
      break;
  }
  return pictures_.normal;
}

void CPngButton::DrawFace(QPainter& painter, ButtonFace face) {
  const ButtonFace shown = ShownFace(face);
  // The source rectangle is in the picture's own pixels, which a "@2x"
  // picture has twice as many of; a cut face starts at its own corner.
  auto source = [&](qreal ratio, QPoint at) {
    return QRectF(at.x() * ratio, at.y() * ratio, width() * ratio, height() * ratio);
  };
  if (compact_) {
    const KeptFace& kept = kept_[static_cast<std::size_t>(shown)];
    if (!kept.image.isNull()) {
      painter.drawImage(QRectF(rect()), kept.image,
                        source(kept.image.devicePixelRatio(), kept.cut ? QPoint(0, 0) : origin_));
    }
  } else if (const QPixmap& picture = PictureOf(shown); !picture.isNull()) {
    painter.drawPixmap(QRectF(rect()), picture, source(picture.devicePixelRatio(), origin_));
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
