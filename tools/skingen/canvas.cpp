#include "tools/skingen/canvas.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <cstdio>

namespace ombrex::skingen {
namespace {

void Prepare(QPainter& p, int scale) {
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  p.scale(scale, scale);
}

bool IsBlackAndWhite(const QImage& image) {
  for (int y = 0; y < image.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const QRgb c = row[x] & 0xFFFFFF;
      if (c != 0 && c != 0xFFFFFF) return false;
    }
  }
  return true;
}

}  // namespace

QImage Render(QSize logical, int scale, const PaintFn& paint) {
  QImage image(logical * scale, QImage::Format_RGB32);
  image.fill(Qt::black);
  QPainter p(&image);
  Prepare(p, scale);
  paint(p);
  return image;
}

QImage RenderOver(const QImage& whole, int scale, const QRectF& rect, const PaintFn& paint) {
  const QRect pixels(qRound(rect.x() * scale), qRound(rect.y() * scale),
                     qRound(rect.width() * scale), qRound(rect.height() * scale));
  QImage image = whole.copy(pixels);
  QPainter p(&image);
  Prepare(p, scale);
  paint(p);
  return image;
}

QString ScaledName(const QString& fileName, int scale) {
  if (scale == 1) return fileName;
  const int dot = fileName.lastIndexOf('.');
  return fileName.left(dot) + QString("@%1x").arg(scale) + fileName.mid(dot);
}

PictureWriter::PictureWriter(QString folder) : folder_(std::move(folder)) {
  QDir().mkpath(folder_);
}

void PictureWriter::Save(const QString& fileName, int scale, const QImage& image) {
  const QString path = QDir(folder_).filePath(ScaledName(fileName, scale));
  const QString suffix = QFileInfo(fileName).suffix().toLower();
  QSaveFile file(path);
  bool ok = file.open(QIODevice::WriteOnly);
  if (ok && suffix == "jpg") {
    ok = image.convertToFormat(QImage::Format_RGB888).save(&file, "JPG", 93);
  } else if (ok && suffix == "bmp" && IsBlackAndWhite(image)) {
    // Window shapes: one bit per pixel keeps them small.
    ok = image.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither).save(&file, "BMP");
  } else if (ok && suffix == "bmp") {
    // 24-bit: the window-shape reader looks at colours only, and some
    // readers mishandle the alpha of 32-bit bitmaps.
    ok = image.convertToFormat(QImage::Format_RGB888).save(&file, "BMP");
  } else if (ok) {
    ok = image.save(&file, "PNG");
  }
  ok = ok && file.commit();
  if (!ok) {
    std::fprintf(stderr, "ombrex-skingen: cannot write %s\n", qPrintable(path));
    ++failures_;
    return;
  }
  ++written_;
}

void PictureWriter::SaveBoth(const QString& fileName, QSize logical, const PaintFn& paint) {
  for (int scale : kScales) Save(fileName, scale, Render(logical, scale, paint));
}

}  // namespace ombrex::skingen
