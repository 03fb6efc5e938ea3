#pragma once

// Rendering at both densities and writing the pictures. Every picture exists
// as name.ext (1x) and name@2x.ext; the drawing code works in logical pixels
// and never knows which one it paints.

#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QSize>
#include <QString>
#include <functional>

namespace ombrex::skingen {

using PaintFn = std::function<void(QPainter&)>;

inline constexpr int kScales[] = {1, 2};

// An opaque picture of `logical` size at `scale`, painted by `paint`.
QImage Render(QSize logical, int scale, const PaintFn& paint);

// The part `rect` (logical) of `whole` (rendered at `scale`), with `paint`
// drawn over it in coordinates where the rectangle's top-left is (0, 0). Small
// bitmaps are cut from the window picture this way, so they sit seamlessly on
// whatever the window draws behind them.
QImage RenderOver(const QImage& whole, int scale, const QRectF& rect, const PaintFn& paint);

// Writes pictures into one folder and counts failures. The format follows
// the extension (jpg, bmp, png); the same input always gives the same bytes.
class PictureWriter {
 public:
  explicit PictureWriter(QString folder);
  // `image` is the picture at `scale`; scale 2 lands in name@2x.ext.
  void Save(const QString& fileName, int scale, const QImage& image);
  // Renders and saves both densities.
  void SaveBoth(const QString& fileName, QSize logical, const PaintFn& paint);
  int Failures() const { return failures_; }
  int Written() const { return written_; }

 private:
  QString folder_;
  int failures_ = 0;
  int written_ = 0;
};

QString ScaledName(const QString& fileName, int scale);

}  // namespace ombrex::skingen
