#include "widgets/memory_gauge.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

#include "widgets/qt_text.h"
#include "widgets/skin_style.h"

namespace ombrex {
namespace {

constexpr int kBarHeight = 8;
constexpr int kGap = 4;
const QColor kWarning(0xf2, 0xb1, 0x27);
const QColor kOver(0xf2, 0x4b, 0x4b);

}  // namespace

CMemoryGauge::CMemoryGauge(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_TranslucentBackground);
}

void CMemoryGauge::SetShare(std::optional<double> share, Level level) {
  if (share == share_ && level == level_) return;
  share_ = share;
  level_ = level;
  update();
}

void CMemoryGauge::SetTexts(std::u16string_view text, std::u16string_view note) {
  const QString newText = ToQString(text);
  const QString newNote = ToQString(note);
  if (newText == text_ && newNote == note_) return;
  text_ = newText;
  note_ = newNote;
  setToolTip(note_.isEmpty() ? text_ : text_ + QLatin1Char('\n') + note_);
  update();
}

QString CMemoryGauge::ShownText() const {
  const QString whole = note_.isEmpty() ? text_ : text_ + QStringLiteral(" · ") + note_;
  return QFontMetrics(font()).elidedText(whole, Qt::ElideRight, width());
}

QColor CMemoryGauge::BarColour() const {
  switch (level_) {
    case Level::Over:
      return kOver;
    case Level::Warning:
      return kWarning;
    case Level::Normal:
      break;
  }
  return SkinColours{}.accent;
}

void CMemoryGauge::paintEvent(QPaintEvent*) {
  const SkinColours colours;
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QFontMetrics metrics(font());
  const int textHeight = std::min(height() - kBarHeight - kGap, metrics.height());
  p.setPen(level_ == Level::Over ? kOver : colours.mutedText);
  p.drawText(QRect(0, 0, width(), textHeight), Qt::AlignLeft | Qt::AlignVCenter, ShownText());

  const QRectF track(0.5, height() - kBarHeight - 0.5, width() - 1.0, kBarHeight);
  p.setPen(colours.fieldEdge);
  p.setBrush(colours.field);
  p.drawRoundedRect(track, kBarHeight / 2.0, kBarHeight / 2.0);
  if (!share_) return;
  const double filled = std::clamp(*share_, 0.0, 1.0);
  if (filled <= 0) return;
  QRectF bar = track.adjusted(1, 1, -1, -1);
  bar.setWidth(std::max(bar.height(), bar.width() * filled));
  p.setPen(Qt::NoPen);
  p.setBrush(BarColour());
  p.drawRoundedRect(bar, bar.height() / 2, bar.height() / 2);
}

}  // namespace ombrex
