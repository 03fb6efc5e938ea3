#pragma once

// A colour-picker button: it shows its colour and, when clicked, a palette of
// standard colours with an optional automatic colour and an "other" button
// that opens the full colour dialog.

#include <QAbstractButton>
#include <QColor>
#include <QFrame>
#include <QPointer>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace ombrex {

// The popup of a CSkinColorButton.
class CColorPalette : public QFrame {
  Q_OBJECT

 public:
  CColorPalette(const QColor& current, std::optional<QColor> automatic,
                std::u16string_view automaticCaption, std::optional<std::u16string> otherCaption,
                QWidget* parent);

  // The standard colours offered, row by row.
  static const std::vector<QColor>& StandardColours();

  // Buttons by role, for the owner and for tests.
  QAbstractButton* SwatchButton(int index) const;
  QAbstractButton* AutomaticButton() const { return automatic_; }
  QAbstractButton* OtherButton() const { return other_; }

 signals:
  void colourChosen(QColor colour, bool automatic);
  void otherRequested();

 private:
  std::vector<QAbstractButton*> swatches_;
  QAbstractButton* automatic_ = nullptr;
  QAbstractButton* other_ = nullptr;
};

class CSkinColorButton : public QAbstractButton {
  Q_OBJECT

 public:
  // Asks for any colour; nullopt when the user cancels. The program opens the
  // full colour dialog; tests answer directly.
  using ColourChooser =
      std::function<std::optional<QColor>(const QColor& initial, QWidget* parent)>;

  explicit CSkinColorButton(int controlId = 0, QWidget* parent = nullptr);

  int ControlId() const { return controlId_; }

  // Shows a colour without reporting it.
  void SetColour(const QColor& colour);
  // The colour shown; while the automatic colour is chosen, that colour.
  QColor Colour() const;
  bool IsAutomatic() const { return automaticChosen_; }

  void SetAutomaticColour(const QColor& colour, std::u16string_view caption);
  void EnableOtherButton(std::u16string_view caption);
  void SetColourChooser(ColourChooser chooser) { chooser_ = std::move(chooser); }

  // Opens the palette below the button (what a click does); the palette while
  // it is open.
  CColorPalette* ShowPalette();
  CColorPalette* OpenPalette() const { return palette_; }

 signals:
  void colourPicked(int controlId, QColor colour);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void Pick(const QColor& colour, bool automatic);
  void AskOther();

  int controlId_;
  QColor colour_{Qt::black};
  bool automaticChosen_ = false;
  std::optional<QColor> automatic_;
  std::u16string automaticCaption_;
  std::optional<std::u16string> otherCaption_;
  ColourChooser chooser_;
  QPointer<CColorPalette> palette_;
};

}  // namespace ombrex
