#include "widgets/skin_color_button.h"

#include <QColorDialog>
#include <QGridLayout>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "widgets/qt_text.h"

namespace ombrex {
namespace {

class ColourSwatch : public QAbstractButton {
 public:
  ColourSwatch(const QColor& colour, bool current, QWidget* parent)
      : QAbstractButton(parent), colour_(colour), current_(current) {
    setFixedSize(18, 18);
    setToolTip(colour.name(QColor::HexRgb).toUpper());
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect().adjusted(2, 2, -2, -2), colour_);
    painter.setPen(current_ || underMouse() ? palette().highlight().color() : Qt::gray);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
  }

 private:
  QColor colour_;
  bool current_;
};

std::optional<QColor> AskWithColourDialog(const QColor& initial, QWidget* parent) {
  const QColor colour = QColorDialog::getColor(initial, parent);
  if (!colour.isValid()) return std::nullopt;
  return colour;
}

}  // namespace

const std::vector<QColor>& CColorPalette::StandardColours() {
  static const std::vector<QColor> colours = [] {
    const unsigned values[] = {0x000000, 0x993300, 0x333300, 0x003300, 0x003366, 0x000080, 0x333399,
                               0x333333, 0x800000, 0xFF6600, 0x808000, 0x008000, 0x008080, 0x0000FF,
                               0x666699, 0x808080, 0xFF0000, 0xFF9900, 0x99CC00, 0x339966, 0x33CCCC,
                               0x3366FF, 0x800080, 0x999999, 0xFF00FF, 0xFFCC00, 0xFFFF00, 0x00FF00,
                               0x00FFFF, 0x00CCFF, 0x993366, 0xC0C0C0, 0xFF99CC, 0xFFCC99, 0xFFFF99,
                               0xCCFFCC, 0xCCFFFF, 0x99CCFF, 0xCC99FF, 0xFFFFFF};
    std::vector<QColor> list;
    for (unsigned value : values) list.emplace_back(QRgb(value));
    return list;
  }();
  return colours;
}

CColorPalette::CColorPalette(const QColor& current, std::optional<QColor> automatic,
                             std::u16string_view automaticCaption,
                             std::optional<std::u16string> otherCaption, QWidget* parent)
    : QFrame(parent, Qt::Popup) {
  setAttribute(Qt::WA_DeleteOnClose);
  setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->setSpacing(4);
  if (automatic) {
    auto* button = new QPushButton(ToQString(automaticCaption), this);
    connect(button, &QPushButton::clicked, this, [this, colour = *automatic] {
      emit colourChosen(colour, true);
      close();
    });
    automatic_ = button;
    layout->addWidget(button);
  }
  auto* grid = new QGridLayout;
  grid->setSpacing(1);
  const auto& colours = StandardColours();
  for (std::size_t i = 0; i < colours.size(); ++i) {
    auto* swatch = new ColourSwatch(colours[i], colours[i] == current, this);
    connect(swatch, &QAbstractButton::clicked, this, [this, colour = colours[i]] {
      emit colourChosen(colour, false);
      close();
    });
    grid->addWidget(swatch, static_cast<int>(i / 8), static_cast<int>(i % 8));
    swatches_.push_back(swatch);
  }
  layout->addLayout(grid);
  if (otherCaption) {
    auto* button = new QPushButton(ToQString(*otherCaption), this);
    connect(button, &QPushButton::clicked, this, [this] {
      close();
      emit otherRequested();
    });
    other_ = button;
    layout->addWidget(button);
  }
}

QAbstractButton* CColorPalette::SwatchButton(int index) const {
  if (index < 0 || index >= static_cast<int>(swatches_.size())) return nullptr;
  return swatches_[static_cast<std::size_t>(index)];
}

CSkinColorButton::CSkinColorButton(int controlId, QWidget* parent)
    : QAbstractButton(parent), controlId_(controlId), chooser_(&AskWithColourDialog) {
  setFocusPolicy(Qt::NoFocus);
  connect(this, &QAbstractButton::clicked, this, [this] { ShowPalette(); });
}

void CSkinColorButton::SetColour(const QColor& colour) {
  colour_ = colour;
  automaticChosen_ = false;
  update();
}

QColor CSkinColorButton::Colour() const {
  return automaticChosen_ && automatic_ ? *automatic_ : colour_;
}

void CSkinColorButton::SetAutomaticColour(const QColor& colour, std::u16string_view caption) {
  automatic_ = colour;
  automaticCaption_ = caption;
}

void CSkinColorButton::EnableOtherButton(std::u16string_view caption) {
  otherCaption_ = std::u16string(caption);
}

CColorPalette* CSkinColorButton::ShowPalette() {
  if (palette_) palette_->close();
  auto* palette = new CColorPalette(Colour(), automatic_, automaticCaption_, otherCaption_, this);
  connect(palette, &CColorPalette::colourChosen, this,
          [this](QColor colour, bool automatic) { Pick(colour, automatic); });
  // Queued: the palette closes first, so the full dialog is not stacked on a popup.
  connect(palette, &CColorPalette::otherRequested, this, &CSkinColorButton::AskOther,
          Qt::QueuedConnection);
  palette->adjustSize();
  palette->move(mapToGlobal(QPoint(0, height())));
  palette->show();
  palette_ = palette;
  return palette;
}

void CSkinColorButton::Pick(const QColor& colour, bool automatic) {
  colour_ = colour;
  automaticChosen_ = automatic;
  update();
  emit colourPicked(controlId_, Colour());
}

void CSkinColorButton::AskOther() {
  const std::optional<QColor> colour = chooser_ ? chooser_(Colour(), window()) : std::nullopt;
  if (colour && colour->isValid()) Pick(*colour, false);
}

void CSkinColorButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect frame = rect().adjusted(0, 0, -1, -1);
  painter.fillRect(frame.adjusted(2, 2, -1, -1), isEnabled() ? Colour() : QColor(Qt::gray));
  painter.setPen(isDown() ? palette().highlight().color() : QColor(0x60, 0x60, 0x60));
  painter.drawRect(frame);
}

}  // namespace ombrex
