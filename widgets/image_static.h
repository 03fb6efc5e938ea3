#pragma once

// A picture that reports clicks: the toggles, direction, colour and tool
// buttons of the lighting panel swap their picture to show their state.

#include <QPixmap>
#include <QWidget>

namespace ombrex {

class CImageStatic : public QWidget {
  Q_OBJECT

 public:
  explicit CImageStatic(int controlId = 0, QWidget* parent = nullptr);

  int ControlId() const { return controlId_; }
  void SetPicture(const QPixmap& picture);
  const QPixmap& Picture() const { return picture_; }

 signals:
  void clicked(int controlId);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  int controlId_;
  QPixmap picture_;
  bool pressed_ = false;
};

}  // namespace ombrex
