#include "widgets/skin_style.h"

#include <QPalette>
#include <QString>
#include <QWidget>

namespace ombrex {
namespace {

QString Css(const QColor& colour) {
  return colour.name(QColor::HexRgb);
}

QString StyleSheet(const SkinColours& c) {
  // Only standard controls are named: the skinned controls draw themselves.
  return QStringLiteral(
             "QLabel { color: %1; background: transparent; }"
             "QLabel:disabled { color: %2; }"
             "QCheckBox { color: %1; background: transparent; }"
             "QCheckBox::indicator { width: 14px; height: 14px; border: 1px solid %4;"
             " border-radius: 3px; background: %3; }"
             "QCheckBox::indicator:checked { background: %5; border-color: %5; }"
             "QLineEdit, QComboBox { color: %1; background: %3; border: 1px solid %4;"
             " border-radius: 3px; padding: 1px 6px; selection-background-color: %6; }"
             "QLineEdit:focus, QComboBox:focus { border-color: %5; }"
             "QLineEdit:read-only { color: %5; }"
             "QComboBox QAbstractItemView { color: %1; background: %3; border: 1px solid %4;"
             " selection-background-color: %6; outline: none; }"
             "QTableWidget { color: %1; background: %3; border: 1px solid %4; gridline-color: %7;"
             " selection-background-color: %6; selection-color: %1; outline: none; }"
             "QTableWidget QLineEdit, QTableWidget QComboBox { border-radius: 0px; }"
             "QTableWidget::indicator { width: 13px; height: 13px; border: 1px solid %4;"
             " border-radius: 3px; background: %3; }"
             "QTableWidget::indicator:checked { background: %5; border-color: %5; }"
             "QScrollBar:vertical { background: %3; width: 10px; margin: 0; }"
             "QScrollBar::handle:vertical { background: %4; min-height: 20px; border-radius: 4px; }"
             "QScrollBar::add-line, QScrollBar::sub-line { height: 0; width: 0; }")
      .arg(Css(c.text), Css(c.mutedText), Css(c.field), Css(c.fieldEdge), Css(c.accent),
           Css(c.selection), Css(c.grid));
}

}  // namespace

void ApplySkinStyle(QWidget& dialog, const SkinColours& colours) {
  // The style draws some parts (the drop-down arrow) from the palette, not
  // from the style sheet.
  QPalette palette = dialog.palette();
  for (auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text}) {
    palette.setColor(role, colours.text);
  }
  palette.setColor(QPalette::Base, colours.field);
  palette.setColor(QPalette::Window, colours.field);
  palette.setColor(QPalette::Button, colours.field);
  palette.setColor(QPalette::Highlight, colours.selection);
  dialog.setPalette(palette);
  dialog.setStyleSheet(StyleSheet(colours));
}

}  // namespace ombrex
