#pragma once

// A horizontal slider drawn as a thumb picture over the dialog's background.
// The lighting panel swaps the thumb picture with the position. A picture as
// wide as the slider shows the whole slider at that position; it is drawn in
// place and the pointer is read against its knob.

#include <QPixmap>
#include <QWidget>
#include <functional>

namespace ombrex {

// The message number a window maps the slider's reports to.
inline constexpr int kSliderMessage = 0x28D1;

class CBitmapSlider : public QWidget {
  Q_OBJECT

 public:
  using ChangeHook = std::function<void(int controlId, int position)>;

  explicit CBitmapSlider(int controlId = 0, QWidget* parent = nullptr);

  int ControlId() const { return controlId_; }

  // Keeps the position inside the new range; nothing is reported.
  void SetRange(int minimum, int maximum);
  int Minimum() const { return minimum_; }
  int Maximum() const { return maximum_; }
  void SetPageSize(int pageSize) { pageSize_ = pageSize; }
  int PageSize() const { return pageSize_; }

  // Moves the thumb without reporting: the program sets what it read.
  void SetPos(int position);
  int GetPos() const { return position_; }

  void SetThumbPicture(const QPixmap& thumb);
  const QPixmap& ThumbPicture() const { return thumb_; }

  // Called with every change the user makes, as is positionChanged.
  void SetChangeHook(ChangeHook hook) { changeHook_ = std::move(hook); }

  // Where the thumb's left edge sits for a position, and the position nearest
  // to a point of the widget (both in logical pixels).
  int ThumbLeft(int position) const;
  int PositionAt(int x) const;

 signals:
  void positionChanged(int controlId, int position);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  int Clamp(int position) const;
  int ThumbWidth() const;
  int PictureWidth() const;
  // The picture shows the whole slider, knob and track, at one position.
  bool PictureIsWholeSlider() const;
  // Moves by the user's action and reports when the position changed.
  void MoveByUser(int position);

  int controlId_;
  int minimum_ = 0;
  int maximum_ = 4;
  int pageSize_ = 10;
  int position_ = 0;
  QPixmap thumb_;
  bool dragging_ = false;
  int wheelRemainder_ = 0;
  ChangeHook changeHook_;
};

}  // namespace ombrex
