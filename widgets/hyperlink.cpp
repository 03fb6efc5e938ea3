#include "widgets/hyperlink.h"

#include <QDesktopServices>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QUrl>

#include "widgets/qt_text.h"

namespace ombrex {
namespace {

bool OpenWithDesktop(const QString& address) {
  return QDesktopServices::openUrl(QUrl::fromUserInput(address));
}

}  // namespace

CHyperLink::CHyperLink(QWidget* parent) : QLabel(parent), opener_(&OpenWithDesktop) {
  setCursor(Qt::PointingHandCursor);
  setFocusPolicy(Qt::TabFocus);
  // The text is shown as plain text: an address from a skin file is never
  // interpreted as markup.
  setTextFormat(Qt::PlainText);
  Restyle();
}

void CHyperLink::SetAddress(std::u16string_view address) {
  address_ = ToQString(address);
  setToolTip(address_);
  Restyle();
}

void CHyperLink::SetCaption(std::u16string_view caption) {
  caption_ = ToQString(caption);
  Restyle();
}

void CHyperLink::SetColours(const QColor& link, const QColor& visited) {
  linkColour_ = link;
  visitedColour_ = visited;
  Restyle();
}

void CHyperLink::Restyle() {
  setText(caption_.isEmpty() ? address_ : caption_);
  QFont underlined = font();
  underlined.setUnderline(true);
  setFont(underlined);
  QPalette colours = palette();
  colours.setColor(QPalette::WindowText, visited_ ? visitedColour_ : linkColour_);
  setPalette(colours);
}

bool CHyperLink::Open() {
  if (address_.isEmpty() || !opener_) return false;
  const bool ok = opener_(address_);
  if (ok) {
    visited_ = true;
    Restyle();
    emit opened(address_);
  }
  return ok;
}

void CHyperLink::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
    Open();
    return;
  }
  QLabel::mouseReleaseEvent(event);
}

void CHyperLink::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
      event->key() == Qt::Key_Space) {
    Open();
    return;
  }
  QLabel::keyPressEvent(event);
}

}  // namespace ombrex
