#include "tools/skingen/icon_art.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>

#include "tools/skingen/draw_kit.h"
#include "tools/skingen/theme.h"

namespace ombrex::skingen {
namespace {

enum class Mark { App, Absent, Present, Indicator };

constexpr int kAppSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};
constexpr int kTraySizes[] = {16, 22, 24, 32, 48, 64};

// The brand key cap: a dark cap with a lit ring, seen from above.
void PaintMark(QPainter& p, qreal size, Mark mark) {
  const qreal unit = size / 16.0;
  const bool small = size <= 24;
  const QRectF cap =
      QRectF(0, 0, size, size).adjusted(unit * 0.6, unit * 0.6, -unit * 0.6, -unit * 0.6);
  const QColor ring = mark == Mark::Absent ? QColor(0x8a, 0x93, 0xa3) : theme::kAccent;
  QLinearGradient body(cap.topLeft(), cap.bottomLeft());
  body.setColorAt(0, mark == Mark::Absent ? QColor(0x3a, 0x3e, 0x45) : QColor(0x33, 0x39, 0x43));
  body.setColorAt(1, QColor(0x14, 0x16, 0x1b));
  const qreal radius = size * 0.22;
  FillRounded(p, cap, radius, body,
              mark == Mark::Absent ? QColor(0x55, 0x5b, 0x66) : QColor(0x4a, 0x52, 0x5e),
              std::max(1.0, size / 64.0));
  if (mark == Mark::App) {
    // The light strip under the cap's top face.
    const QRectF strip(cap.left() + cap.width() * 0.22, cap.bottom() - cap.height() * 0.17,
                       cap.width() * 0.56, std::max(1.0, unit * 0.7));
    QLinearGradient rainbow(strip.topLeft(), strip.topRight());
    for (int i = 0; i <= 6; ++i)
      rainbow.setColorAt(i / 6.0, QColor::fromHsv((180 + i * 40) % 360, 210, 255));
    FillRounded(p, strip, strip.height() / 2, rainbow);
  }
  const qreal ringWidth = small ? std::max(1.6, unit * 1.9) : unit * 1.5;
  const qreal ringSize = cap.width() * (small ? 0.52 : 0.46);
  const QRectF ringRect(cap.center().x() - ringSize / 2,
                        cap.center().y() - ringSize / 2 - unit * 0.3, ringSize, ringSize);
  if (mark != Mark::Absent && !small) {
    QRadialGradient glow(ringRect.center(), ringSize * 0.9);
    glow.setColorAt(0, theme::WithAlpha(ring, 70));
    glow.setColorAt(1, theme::WithAlpha(ring, 0));
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(ringRect.center(), ringSize * 0.9, ringSize * 0.9);
    p.restore();
  }
  p.save();
  p.setPen(QPen(ring, ringWidth));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(ringRect);
  if (mark == Mark::Indicator) {
    p.setPen(Qt::NoPen);
    p.setBrush(theme::kMarked);
    const qreal dot = ringSize * 0.42;
    p.drawEllipse(ringRect.center(), dot / 2, dot / 2);
  }
  p.restore();
}

QImage RenderMark(int size, Mark mark) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  PaintMark(p, size, mark);
  return image;
}

}  // namespace

void WriteIcons(PictureWriter& icons, PictureWriter& skins) {
  for (int size : kAppSizes) {
    icons.Save(QString("ombrex-%1.png").arg(size), 1, RenderMark(size, Mark::App));
  }
  struct Tray {
    const char* iconName;
    const char* skinName;
    Mark mark;
  };
  const Tray tray[] = {{"tray-absent", "icon_absent.png", Mark::Absent},
                       {"tray-present", "icon_present.png", Mark::Present},
                       {"tray-indicator", "icon_indicator.png", Mark::Indicator}};
  for (const Tray& t : tray) {
    for (int size : kTraySizes) {
      icons.Save(QString("%1-%2.png").arg(t.iconName).arg(size), 1, RenderMark(size, t.mark));
    }
  }
  // The window and tray pictures the program loads with its skin.
  for (int scale : kScales) {
    skins.Save("icon_app.png", scale, RenderMark(64 * scale, Mark::App));
    for (const Tray& t : tray) skins.Save(t.skinName, scale, RenderMark(32 * scale, t.mark));
  }
}

}  // namespace ombrex::skingen
