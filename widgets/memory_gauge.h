#pragma once

// A gauge of how full something is: a line of text over a bar. The bar runs
// from empty to full; a share beyond full fills it in the alarm colour and a
// share near full in the warning colour, so the state reads at a glance
// before the text is read.
//
//   gauge.SetShare(0.62, CMemoryGauge::Level::Normal);
//   gauge.SetTexts(u"62 % of the keyboard's macro memory (2024 / 3264 bytes)", u"");
//   gauge.SetShare(std::nullopt, CMemoryGauge::Level::Normal);   // not known: no bar

#include <QColor>
#include <QString>
#include <QWidget>
#include <optional>
#include <string_view>

namespace ombrex {

class CMemoryGauge : public QWidget {
  Q_OBJECT

 public:
  enum class Level { Normal, Warning, Over };

  explicit CMemoryGauge(QWidget* parent = nullptr);

  // 0..1 full, above 1 over; nullopt while the total is not known.
  void SetShare(std::optional<double> share, Level level);
  // The main text, and a note after it (empty for none).
  void SetTexts(std::u16string_view text, std::u16string_view note);

  std::optional<double> Share() const { return share_; }
  Level CurrentLevel() const { return level_; }
  const QString& Text() const { return text_; }
  const QString& Note() const { return note_; }
  // The text as drawn: main text and note, cut to the width with an ellipsis.
  QString ShownText() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor BarColour() const;

  std::optional<double> share_;
  Level level_ = Level::Normal;
  QString text_;
  QString note_;
};

}  // namespace ombrex
