#pragma once

#include <QApplication>
#include <QColor>
#include <QEnterEvent>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QWidget>
#include <filesystem>

namespace ombrex::test {

inline QPixmap Solid(QSize size, QColor colour) {
  QPixmap pixmap(size);
  pixmap.fill(colour);
  return pixmap;
}

// A whole-dialog picture: grey, with `colour` only in `face`. A button that
// cuts anywhere else than at its origin shows grey.
inline QPixmap DialogPicture(QRect face, QColor colour, QSize size = QSize(120, 80)) {
  QPixmap pixmap = Solid(size, Qt::gray);
  QPainter painter(&pixmap);
  painter.fillRect(face, colour);
  return pixmap;
}

inline QImage Grab(QWidget& widget) {
  return widget.grab().toImage();
}

inline QColor PixelAt(const QImage& image, int x, int y) {
  return image.pixelColor(x, y);
}

// Saves a picture as PNG whatever the name says: the loader trusts content.
inline void SavePicture(const std::filesystem::path& file, const QImage& image) {
  std::filesystem::create_directories(file.parent_path());
  image.save(QString::fromStdString(file.string()), "PNG");
}

inline void SendEnter(QWidget& widget) {
  QEnterEvent event(QPointF(1, 1), QPointF(1, 1), widget.mapToGlobal(QPointF(1, 1)));
  QApplication::sendEvent(&widget, &event);
}

inline void SendLeave(QWidget& widget) {
  QEvent event(QEvent::Leave);
  QApplication::sendEvent(&widget, &event);
}

inline void SendMouse(QWidget& widget, QEvent::Type type, QPoint local, Qt::MouseButton button,
                      Qt::MouseButtons buttons) {
  QMouseEvent event(type, QPointF(local), widget.mapToGlobal(QPointF(local)), button, buttons,
                    Qt::NoModifier);
  QApplication::sendEvent(&widget, &event);
}

}  // namespace ombrex::test
