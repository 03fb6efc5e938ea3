#include "tools/skingen/draw_kit.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "tools/skingen/theme.h"

namespace ombrex::skingen {

namespace theme {

QColor WithAlpha(QColor color, int alpha) {
  color.setAlpha(alpha);
  return color;
}

QFont Font(qreal pixelSize, bool bold) {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(std::max(1, static_cast<int>(std::lround(pixelSize))));
  font.setBold(bold);
  font.setHintingPreference(QFont::PreferNoHinting);
  font.setStyleStrategy(QFont::PreferAntialias);
  return font;
}

}  // namespace theme

void FillRounded(QPainter& p, const QRectF& r, qreal radius, const QBrush& fill, const QColor& edge,
                 qreal edgeWidth) {
  p.save();
  if (edge.alpha() == 0) {
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(r, radius, radius);
  } else {
    const qreal inset = edgeWidth / 2;
    p.setPen(QPen(edge, edgeWidth));
    p.setBrush(fill);
    p.drawRoundedRect(r.adjusted(inset, inset, -inset, -inset), radius, radius);
  }
  p.restore();
}

void DrawFittedText(QPainter& p, const QRectF& r, const QString& text, qreal pixelSize, bool bold,
                    const QColor& color, int flags) {
  if (text.isEmpty()) return;
  QFont font = theme::Font(pixelSize, bold);
  while (pixelSize > 6 && QFontMetricsF(font).horizontalAdvance(text) > r.width()) {
    pixelSize -= 0.5;
    font = theme::Font(pixelSize, bold);
  }
  p.save();
  p.setFont(font);
  p.setPen(color);
  p.drawText(r, flags, text);
  p.restore();
}

namespace {

struct CapColors {
  QColor top, bottom, edge, legend, rim;
  qreal press = 0;  // how far the top surface sinks
};

CapColors ColorsFor(Face face, CapStyle style) {
  const bool g = style == CapStyle::GKey;
  CapColors c{g ? theme::kGCapTop : theme::kCapTop, g ? theme::kGCapBottom : theme::kCapBottom,
              theme::kCapEdge, theme::kText, Qt::transparent};
  switch (face) {
    case Face::Normal:
      break;
    case Face::Over:
      c.top = theme::kCapTopOver;
      c.bottom = theme::kCapBottomOver;
      c.rim = theme::kAccent;
      c.legend = Qt::white;
      break;
    case Face::Down:
      c.top = theme::kCapDown;
      c.bottom = theme::kCapDown;
      c.rim = theme::kAccent;
      c.legend = theme::kAccent;
      c.press = 2;
      break;
    case Face::Marked:
      c.rim = theme::kMarked;
      c.legend = QColor(0xff, 0xe4, 0xb8);
      break;
    case Face::Disabled:
      c.top = c.bottom = theme::kCapDisabled;
      c.edge = QColor(0x22, 0x25, 0x2b);
      c.legend = theme::kTextDim;
      break;
  }
  return c;
}

void DrawLegend(QPainter& p, const QRectF& top, const Legend& legend, const QColor& color,
                CapStyle style) {
  if (legend.corner) {
    DrawFittedText(p, top.adjusted(3, 1, -2, 0), legend.main, 9, true, color,
                   Qt::AlignLeft | Qt::AlignTop);
    return;
  }
  const bool single = legend.main.size() == 1;
  const qreal mainSize = style == CapStyle::Small ? 9.5 : (single ? 13 : 9.5);
  const qreal half = top.height() / 2;
  const QRectF upper(top.left() + 2, top.top(), top.width() - 4, half + 1);
  const QRectF lower(top.left() + 2, top.top() + half - 1, top.width() - 4, half + 1);
  const QColor soft = theme::WithAlpha(color, 190);
  if (!legend.top.isEmpty()) {
    DrawFittedText(p, upper, legend.top, 10, false, soft);
    DrawFittedText(p, lower, legend.main, single ? 11.5 : 8, single, color);
  } else if (!legend.sub.isEmpty()) {
    DrawFittedText(p, upper.adjusted(0, 1, 0, 1), legend.main, 11.5, true, color);
    DrawFittedText(p, lower, legend.sub, 7.5, false, soft);
  } else {
    DrawFittedText(p, top.adjusted(2, 0, -2, 0), legend.main, mainSize, single, color);
  }
}

}  // namespace

void DrawKeycap(QPainter& p, const QRectF& r, Face face, const Legend& legend, CapStyle style) {
  const CapColors c = ColorsFor(face, style);
  const QRectF skirt = r.adjusted(0.5, 0.5, -0.5, -0.5);
  if (face == Face::Marked) {
    // A soft amber halo inside the key's own rectangle: faces are cut at the
    // button's place, so nothing may spill over into the gap between keys.
    for (int i = 0; i < 3; ++i) {
      FillRounded(p, r.adjusted(i, i, -i, -i), 6 - i, Qt::NoBrush,
                  theme::WithAlpha(theme::kMarked, 40 + 45 * i), 1.0);
    }
  }
  FillRounded(p, skirt.adjusted(1, 1, -1, -1), 5, theme::kCapSkirt, c.rim.alpha() ? c.rim : c.edge,
              c.rim.alpha() ? 1.2 : 1.0);

  const QRectF top = r.adjusted(4, 3 + c.press, -4, -6 + c.press);
  QLinearGradient fill(top.topLeft(), top.bottomLeft());
  fill.setColorAt(0, c.top);
  fill.setColorAt(1, c.bottom);
  FillRounded(p, top, 3.5, fill);
  if (face != Face::Down && face != Face::Disabled) {
    // Light catching the upper edge of the cap.
    p.save();
    p.setPen(QPen(theme::WithAlpha(Qt::white, 28), 1));
    p.drawLine(QPointF(top.left() + 3, top.top() + 0.5), QPointF(top.right() - 3, top.top() + 0.5));
    p.restore();
  }
  if (face == Face::Marked) {
    const QRectF bar(top.left() + 4, top.bottom() - 3, top.width() - 8, 2);
    FillRounded(p, bar, 1, theme::kMarked);
  }
  DrawLegend(p, top.adjusted(0, 0, 0, face == Face::Marked ? -2 : 0), legend, c.legend, style);
}

void DrawPlate(QPainter& p, const QRectF& r, Face face, PlateStyle style) {
  const qreal radius = style == PlateStyle::Window ? r.height() / 2 : 6;
  QColor fill = theme::kPlate;
  QColor edge = theme::kPlateEdge;
  if (style == PlateStyle::Primary) {
    fill = theme::kAccentDeep;
    edge = theme::WithAlpha(theme::kAccent, 150);
  } else if (style == PlateStyle::Window || style == PlateStyle::Close ||
             style == PlateStyle::Quiet) {
    fill = Qt::transparent;
    edge = Qt::transparent;
  } else if (style == PlateStyle::Tab) {
    fill = theme::kHeader;
    edge = theme::kHairline;
  } else if (style == PlateStyle::TabActive) {
    fill = theme::kPanel;
    edge = theme::WithAlpha(theme::kAccent, 110);
  }
  switch (face) {
    case Face::Normal:
    case Face::Marked:
      break;
    case Face::Over:
      fill = style == PlateStyle::Close ? theme::kDanger : fill.lighter(125);
      if (style == PlateStyle::Window || style == PlateStyle::Quiet) fill = theme::kPlateOver;
      edge = style == PlateStyle::Close ? theme::kDanger : theme::kAccent;
      break;
    case Face::Down:
      fill = style == PlateStyle::Close ? theme::kDanger.darker(130) : QColor(0x12, 0x3a, 0x44);
      edge = theme::kAccent;
      break;
    case Face::Disabled:
      if (fill.alpha() != 0) {
        fill = theme::kPlateDown;
        edge = theme::kHairline;
      }
      break;
  }
  QLinearGradient gradient(r.topLeft(), r.bottomLeft());
  gradient.setColorAt(0, fill.alpha() ? fill.lighter(108) : fill);
  gradient.setColorAt(1, fill);
  FillRounded(p, r.adjusted(0.5, 0.5, -0.5, -0.5), radius, gradient, edge, 1.0);
  if (style == PlateStyle::TabActive) {
    // The active tab carries a lit rule along its foot.
    FillRounded(p, QRectF(r.left() + 10, r.bottom() - 3, r.width() - 20, 2), 1, theme::kAccent);
  }
}

QColor IconColor(Face face) {
  switch (face) {
    case Face::Over:
      return Qt::white;
    case Face::Down:
      return theme::kAccent;
    case Face::Disabled:
      return theme::kTextDim;
    default:
      return theme::kTextMuted.lighter(120);
  }
}

namespace {

// Icons are drawn on a 24 x 24 grid.
QPainterPath IconPath(Icon icon) {
  QPainterPath path;
  auto arrow = [&path](QPointF from, QPointF to) {
    path.moveTo(from);
    path.lineTo(to);
    const QPointF d = (to - from) / std::hypot(to.x() - from.x(), to.y() - from.y());
    const QPointF n(-d.y(), d.x());
    path.moveTo(to - d * 5 + n * 5);
    path.lineTo(to);
    path.lineTo(to - d * 5 - n * 5);
  };
  switch (icon) {
    case Icon::Menu:
      for (int y : {7, 12, 17}) {
        path.moveTo(5, y);
        path.lineTo(19, y);
      }
      break;
    case Icon::Help:
      path.moveTo(8.5, 9);
      path.cubicTo(8.5, 4.5, 15.5, 4.5, 15.5, 9);
      path.cubicTo(15.5, 12, 12, 12, 12, 15);
      path.moveTo(12, 18.5);
      path.lineTo(12, 19.5);
      break;
    case Icon::Minimize:
      path.moveTo(6, 16);
      path.lineTo(18, 16);
      break;
    case Icon::Close:
      path.moveTo(7, 7);
      path.lineTo(17, 17);
      path.moveTo(17, 7);
      path.lineTo(7, 17);
      break;
    case Icon::Folder:
      path.moveTo(3.5, 7);
      path.lineTo(9, 7);
      path.lineTo(11, 9);
      path.lineTo(20.5, 9);
      path.lineTo(20.5, 18.5);
      path.lineTo(3.5, 18.5);
      path.closeSubpath();
      break;
    case Icon::Macro:
      path.addEllipse(QPointF(7, 12), 3, 3);
      for (int y : {7, 12, 17}) {
        path.moveTo(13, y);
        path.lineTo(21, y);
      }
      break;
    case Icon::Plus:
      path.moveTo(12, 5);
      path.lineTo(12, 19);
      path.moveTo(5, 12);
      path.lineTo(19, 12);
      break;
    case Icon::Minus:
      path.moveTo(5, 12);
      path.lineTo(19, 12);
      break;
    case Icon::Trash:
      path.moveTo(5, 7);
      path.lineTo(19, 7);
      path.moveTo(10, 7);
      path.lineTo(10, 4.5);
      path.lineTo(14, 4.5);
      path.lineTo(14, 7);
      path.moveTo(7, 7);
      path.lineTo(8, 19.5);
      path.lineTo(16, 19.5);
      path.lineTo(17, 7);
      path.moveTo(10.5, 10.5);
      path.lineTo(10.5, 16.5);
      path.moveTo(13.5, 10.5);
      path.lineTo(13.5, 16.5);
      break;
    case Icon::Record:
      path.addEllipse(QPointF(12, 12), 5.5, 5.5);
      break;
    case Icon::Keyboard:
      path.addRoundedRect(QRectF(2.5, 6, 19, 12), 2, 2);
      for (int x = 6; x <= 18; x += 3) {
        path.moveTo(x, 9.5);
        path.lineTo(x + 0.5, 9.5);
        path.moveTo(x, 12);
        path.lineTo(x + 0.5, 12);
      }
      path.moveTo(8, 15);
      path.lineTo(16, 15);
      break;
    case Icon::Reset:
      path.arcMoveTo(QRectF(5, 5, 14, 14), 120);
      path.arcTo(QRectF(5, 5, 14, 14), 120, 270);
      path.moveTo(5.5, 4.5);
      path.lineTo(8.5, 6.9);
      path.lineTo(5, 9);
      break;
    case Icon::Swap:
      arrow(QPointF(8, 19), QPointF(8, 5));
      arrow(QPointF(16, 5), QPointF(16, 19));
      break;
    case Icon::ArrowLeft:
      arrow(QPointF(19, 12), QPointF(5, 12));
      break;
    case Icon::ArrowRight:
      arrow(QPointF(5, 12), QPointF(19, 12));
      break;
    case Icon::ArrowUp:
      arrow(QPointF(12, 19), QPointF(12, 5));
      break;
    case Icon::ArrowDown:
      arrow(QPointF(12, 5), QPointF(12, 19));
      break;
    case Icon::Spread:
      path.addEllipse(QPointF(12, 12), 1.5, 1.5);
      arrow(QPointF(9, 12), QPointF(2.5, 12));
      arrow(QPointF(15, 12), QPointF(21.5, 12));
      break;
    case Icon::Gather:
      path.addEllipse(QPointF(12, 12), 1.5, 1.5);
      arrow(QPointF(2, 12), QPointF(8.5, 12));
      arrow(QPointF(22, 12), QPointF(15.5, 12));
      break;
    case Icon::Brush:
      path.moveTo(19, 4);
      path.lineTo(10.5, 12.5);
      path.moveTo(10, 13);
      path.cubicTo(6, 13, 6.5, 17, 4.5, 19.5);
      path.cubicTo(8.5, 19.5, 11, 18, 11, 14);
      break;
    case Icon::Bucket:
      path.moveTo(4, 11);
      path.lineTo(11, 4);
      path.lineTo(18, 11);
      path.lineTo(11, 18);
      path.closeSubpath();
      path.moveTo(19.5, 14);
      path.cubicTo(21.5, 17, 21.5, 19, 19.5, 19);
      path.cubicTo(17.5, 19, 17.5, 17, 19.5, 14);
      break;
    case Icon::Play:
      path.moveTo(8, 5);
      path.lineTo(18, 12);
      path.lineTo(8, 19);
      path.closeSubpath();
      break;
    case Icon::Volume:
      path.moveTo(4, 9.5);
      path.lineTo(8, 9.5);
      path.lineTo(12.5, 5.5);
      path.lineTo(12.5, 18.5);
      path.lineTo(8, 14.5);
      path.lineTo(4, 14.5);
      path.closeSubpath();
      path.arcMoveTo(QRectF(11, 8, 8, 8), -50);
      path.arcTo(QRectF(11, 8, 8, 8), -50, 100);
      path.arcMoveTo(QRectF(9, 5, 14, 14), -50);
      path.arcTo(QRectF(9, 5, 14, 14), -50, 100);
      break;
    case Icon::Bulb:
    case Icon::BulbLit:
      path.moveTo(9, 16.5);
      path.cubicTo(9, 13.5, 6, 12.5, 6, 9);
      path.cubicTo(6, 2, 18, 2, 18, 9);
      path.cubicTo(18, 12.5, 15, 13.5, 15, 16.5);
      path.closeSubpath();
      path.moveTo(9.5, 19.5);
      path.lineTo(14.5, 19.5);
      if (icon == Icon::BulbLit) {
        path.moveTo(2, 9);
        path.lineTo(3.5, 9);
        path.moveTo(20.5, 9);
        path.lineTo(22, 9);
        path.moveTo(4.5, 2.5);
        path.lineTo(5.5, 3.5);
        path.moveTo(19.5, 2.5);
        path.lineTo(18.5, 3.5);
      }
      break;
    case Icon::Check:
      path.moveTo(5.5, 12.5);
      path.lineTo(10, 17);
      path.lineTo(18.5, 7.5);
      break;
    case Icon::ToTop:
      path.moveTo(6, 5);
      path.lineTo(18, 5);
      arrow(QPointF(12, 20), QPointF(12, 8.5));
      break;
    case Icon::ToBottom:
      path.moveTo(6, 19);
      path.lineTo(18, 19);
      arrow(QPointF(12, 4), QPointF(12, 15.5));
      break;
    case Icon::Link:
      path.addEllipse(QPointF(12, 12), 8.5, 8.5);
      path.moveTo(3.5, 12);
      path.lineTo(20.5, 12);
      path.addEllipse(QPointF(12, 12), 4, 8.5);
      break;
  }
  return path;
}

}  // namespace

void DrawIcon(QPainter& p, const QRectF& box, Icon icon, const QColor& color) {
  const qreal side = std::min(box.width(), box.height());
  const qreal scale = side / 24.0;
  p.save();
  p.translate(box.center().x() - side / 2, box.center().y() - side / 2);
  p.scale(scale, scale);
  QPen pen(color, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  p.setPen(pen);
  const bool filled = icon == Icon::Record || icon == Icon::Play;
  p.setBrush(filled ? QBrush(color) : Qt::NoBrush);
  if (icon == Icon::BulbLit) p.setBrush(theme::WithAlpha(color, 70));
  p.drawPath(IconPath(icon));
  p.restore();
}

void DrawWordmark(QPainter& p, const QRectF& r, const QColor& color, const QColor& accent) {
  // A key-cap ring as the "O", then the name in wide capitals.
  const qreal side = r.height() - 8;
  const QRectF mark(r.left() + 2, r.center().y() - side / 2, side, side);
  FillRounded(p, mark, 6, theme::kCapSkirt, accent, 1.6);
  FillRounded(p, mark.adjusted(5, 5, -5, -5), side / 2, Qt::NoBrush, accent, 2.2);
  QFont font = theme::Font(r.height() * 0.5, true);
  font.setLetterSpacing(QFont::AbsoluteSpacing, r.height() * 0.09);
  p.save();
  p.setFont(font);
  p.setPen(color);
  p.drawText(QRectF(mark.right() + 8, r.top(), r.right() - mark.right() - 8, r.height()),
             Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("OMBREX"));
  p.restore();
}

}  // namespace ombrex::skingen
