#include "tools/skingen/panel_art.h"

#include <QLinearGradient>
#include <QRadialGradient>
#include <cmath>

#include "tools/skingen/draw_kit.h"
#include "tools/skingen/theme.h"

namespace ombrex::skingen {
namespace {

constexpr int kSliderStops = 5;

// The whole slider at one of its five positions: the program swaps the
// picture as the position changes.
void PaintSlider(QPainter& p, const QSizeF& size, int position, bool speed) {
  const qreal margin = size.height() / 2;
  const qreal y = size.height() / 2;
  const qreal span = size.width() - 2 * margin;
  const qreal thumbX = margin + span * position / (kSliderStops - 1);
  FillRounded(p, QRectF(margin - 2, y - 2, span + 4, 4), 2, QColor(0x2c, 0x31, 0x3a));
  QLinearGradient fill(QPointF(margin, y), QPointF(margin + span, y));
  if (speed) {
    fill.setColorAt(0, theme::kAccentDeep);
    fill.setColorAt(1, theme::kAccent);
  } else {
    fill.setColorAt(0, QColor(0x55, 0x5b, 0x66));
    fill.setColorAt(1, QColor(0xff, 0xf6, 0xd8));
  }
  FillRounded(p, QRectF(margin - 2, y - 2, thumbX - margin + 4, 4), 2, fill);
  for (int i = 0; i < kSliderStops; ++i) {
    const qreal x = margin + span * i / (kSliderStops - 1);
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(i <= position ? QColor(0xe8, 0xeb, 0xf0) : QColor(0x3b, 0x41, 0x4b));
    p.drawEllipse(QPointF(x, y), 1.6, 1.6);
    p.restore();
  }
  const qreal radius = size.height() / 2 - 3;
  p.save();
  p.setPen(Qt::NoPen);
  p.setBrush(theme::WithAlpha(Qt::black, 90));
  p.drawEllipse(QPointF(thumbX, y + 1), radius, radius);
  QRadialGradient knob(QPointF(thumbX - 2, y - 2), radius * 1.4);
  knob.setColorAt(0, Qt::white);
  knob.setColorAt(1, QColor(0xc9, 0xcf, 0xd8));
  p.setBrush(knob);
  p.setPen(QPen(speed ? theme::kAccent : QColor(0xff, 0xe9, 0xb0), 1.5));
  p.drawEllipse(QPointF(thumbX, y), radius - 0.75, radius - 0.75);
  p.restore();
}

void PaintToggleButton(QPainter& p, const QSizeF& size, Icon icon, bool selected) {
  const QRectF r(QPointF(0, 0), size);
  DrawPlate(p, r, selected ? Face::Down : Face::Normal);
  const qreal side = std::min(size.width(), size.height()) - 8;
  DrawIcon(p, QRectF(size.width() / 2 - side / 2, size.height() / 2 - side / 2, side, side), icon,
           selected ? theme::kAccent : theme::kTextMuted.lighter(120));
}

void PaintRainbowSwitch(QPainter& p, const QSizeF& size, bool on) {
  const qreal h = std::min(size.height() - 8, 20.0);
  const qreal w = std::min(size.width() - 8, h * 2);
  const QRectF track(size.width() / 2 - w / 2, size.height() / 2 - h / 2, w, h);
  if (on) {
    QLinearGradient rainbow(track.topLeft(), track.topRight());
    for (int i = 0; i <= 6; ++i)
      rainbow.setColorAt(i / 6.0, QColor::fromHsv(i * 55 % 360, 200, 230));
    FillRounded(p, track, h / 2, rainbow);
  } else {
    FillRounded(p, track, h / 2, QColor(0x2c, 0x31, 0x3a), theme::kPlateEdge);
  }
  const qreal knob = h - 6;
  const qreal x = on ? track.right() - 3 - knob : track.left() + 3;
  p.save();
  p.setPen(Qt::NoPen);
  p.setBrush(on ? Qt::white : QColor(0x8a, 0x93, 0xa3));
  p.drawEllipse(QRectF(x, track.top() + 3, knob, knob));
  p.restore();
}

void PaintSwatch(QPainter& p, const QSizeF& size, const QColor& colour, bool selected) {
  const QRectF r = QRectF(QPointF(0, 0), size).adjusted(4, 3, -4, -3);
  if (selected) FillRounded(p, r.adjusted(-2, -2, 2, 2), 7, Qt::NoBrush, Qt::white, 2.0);
  QLinearGradient fill(r.topLeft(), r.bottomLeft());
  fill.setColorAt(0, colour.lighter(115));
  fill.setColorAt(1, colour.darker(115));
  FillRounded(p, r, 5, fill, theme::WithAlpha(Qt::black, 120));
  if (selected) {
    const qreal side = std::min(r.width(), r.height()) - 4;
    DrawIcon(p, QRectF(r.center().x() - side / 2, r.center().y() - side / 2, side, side),
             Icon::Check, colour.lightness() > 150 ? QColor(0x15, 0x17, 0x1c) : Qt::white);
  }
}

void PaintTool(QPainter& p, const QSizeF& size, bool baseColour, bool selected) {
  PaintToggleButton(p, size, Icon::Brush, selected);
  if (baseColour) {
    // The base-colour tool: the brush over a colour chip.
    const qreal side = std::min(size.width(), size.height()) * 0.28;
    const QRectF chip(size.width() / 2 + side * 0.35, size.height() / 2 + side * 0.1, side, side);
    FillRounded(p, chip, 2, Qt::NoBrush, selected ? theme::kAccent : theme::kTextMuted, 1.3);
  }
}

void PaintBusyFrame(QPainter& p, const QSizeF& size, int frame, int frames) {
  const QRectF track(QPointF(0, 0), size);
  FillRounded(p, track.adjusted(0.5, 0.5, -0.5, -0.5), size.height() / 2, QColor(0x23, 0x27, 0x2e),
              theme::kHairline);
  const qreal glow = size.width() * 0.3;
  const qreal centre = -glow / 2 + (size.width() + glow) * frame / frames;
  QLinearGradient light(QPointF(centre - glow / 2, 0), QPointF(centre + glow / 2, 0));
  light.setColorAt(0, theme::WithAlpha(theme::kAccent, 0));
  light.setColorAt(0.5, theme::kAccent);
  light.setColorAt(1, theme::WithAlpha(theme::kAccent, 0));
  p.save();
  p.setClipRect(track.adjusted(1, 1, -1, -1));
  FillRounded(p, track.adjusted(1, 1, -1, -1), size.height() / 2 - 1, light);
  p.restore();
}

using PaintAt = std::function<void(QPainter&, const QSizeF&)>;

void WriteBitmap(PictureWriter& out, const std::array<QImage, 2>& normal, const QString& file,
                 const QRectF& place, const PaintAt& paint) {
  for (int i = 0; i < 2; ++i) {
    out.Save(file, kScales[i], RenderOver(normal[i], kScales[i], place, [&](QPainter& p) {
               paint(p, place.size());
             }));
  }
}

}  // namespace

void PaintLightButton(QPainter& p, const QRectF& r, bool on) {
  DrawPlate(p, r, on ? Face::Down : Face::Normal);
  const qreal side = std::min(r.width(), r.height()) - 10;
  const QRectF box(r.center().x() - side / 2, r.center().y() - side / 2, side, side);
  DrawIcon(p, box, on ? Icon::BulbLit : Icon::Bulb,
           on ? QColor(0xff, 0xd5, 0x6b) : theme::kTextMuted);
}

void WritePanelBitmaps(PictureWriter& out, const Layout& layout,
                       const std::array<QImage, 2>& normal) {
  const QRectF brightness = layout.Require("CONTROL_LightSlider");
  const QRectF speed = layout.Require("CONTROL_SpeedSlider");
  for (int position = 0; position < kSliderStops; ++position) {
    WriteBitmap(out, normal, QString("%1.bmp").arg(position), brightness,
                [&](QPainter& p, const QSizeF& s) { PaintSlider(p, s, position, false); });
    WriteBitmap(out, normal, QString("%1.bmp").arg(5 + position), speed,
                [&](QPainter& p, const QSizeF& s) { PaintSlider(p, s, position, true); });
  }
  const QRectF toggle = layout.Require("CONTROL_HXsjsStaPic");
  WriteBitmap(out, normal, "sjsup.bmp", toggle,
              [](QPainter& p, const QSizeF& s) { PaintRainbowSwitch(p, s, false); });
  WriteBitmap(out, normal, "sjsdown.bmp", toggle,
              [](QPainter& p, const QSizeF& s) { PaintRainbowSwitch(p, s, true); });

  // Direction buttons: "...up"/plain is the unselected look, "...down" the
  // selected one.
  struct Direction {
    const char* plain;
    const char* selected;
    Icon icon;
  };
  const Direction directions[] = {{"leftup.bmp", "leftdown.bmp", Icon::ArrowLeft},
                                  {"rightup.bmp", "rightdown.bmp", Icon::ArrowRight},
                                  {"upup.bmp", "updown.bmp", Icon::ArrowUp},
                                  {"downup.bmp", "downdown.bmp", Icon::ArrowDown},
                                  {"kuosan.bmp", "kuosandown.bmp", Icon::Spread},
                                  {"julong.bmp", "julongdown.bmp", Icon::Gather}};
  const QRectF direction = layout.Require("CONTROL_BLFXLStaPic");
  for (const Direction& d : directions) {
    WriteBitmap(out, normal, d.plain, direction,
                [&](QPainter& p, const QSizeF& s) { PaintToggleButton(p, s, d.icon, false); });
    WriteBitmap(out, normal, d.selected, direction,
                [&](QPainter& p, const QSizeF& s) { PaintToggleButton(p, s, d.icon, true); });
  }

  struct Swatch {
    const char* key;
    const char* name;
    QColor colour;
  };
  const Swatch swatches[] = {{"CONTROL_HONGPIC", "hong", QColor(0xf0, 0x3a, 0x3a)},
                             {"CONTROL_HUANGPIC", "huang", QColor(0xf5, 0xc8, 0x26)},
                             {"CONTROL_LVPIC", "lv", QColor(0x3c, 0xd0, 0x6a)},
                             {"CONTROL_LANPIC", "lan", QColor(0x2f, 0x7d, 0xf5)}};
  for (const Swatch& s : swatches) {
    const QRectF place = layout.Require(s.key);
    WriteBitmap(out, normal, QString("%1.bmp").arg(s.name), place,
                [&](QPainter& p, const QSizeF& size) { PaintSwatch(p, size, s.colour, false); });
    WriteBitmap(out, normal, QString("%1ok.bmp").arg(s.name), place,
                [&](QPainter& p, const QSizeF& size) { PaintSwatch(p, size, s.colour, true); });
  }

  for (int tool = 1; tool <= 2; ++tool) {
    const QRectF place = layout.Require(QString("CONTROL_USERgjStaPic%1").arg(tool));
    for (const bool selected : {false, true}) {
      WriteBitmap(out, normal, QString("user%1%2.bmp").arg(tool).arg(selected ? "down" : "up"),
                  place,
                  [&](QPainter& p, const QSizeF& s) { PaintTool(p, s, tool == 2, selected); });
    }
  }

  const QRectF light = layout.Require("CONTROL_DengStaPic");
  for (const bool on : {false, true}) {
    WriteBitmap(
        out, normal, on ? "dengdown.bmp" : "dengup.bmp", light,
        [&](QPainter& p, const QSizeF& s) { PaintLightButton(p, QRectF(QPointF(), s), on); });
  }

  const QRectF busy = layout.Require("CONTROL_JDTStatic");
  constexpr int kFrames = 10;
  for (int frame = 1; frame <= kFrames; ++frame) {
    WriteBitmap(out, normal, QString("jdt%1.bmp").arg(frame), busy,
                [&](QPainter& p, const QSizeF& s) { PaintBusyFrame(p, s, frame, kFrames); });
  }
}

}  // namespace ombrex::skingen
