#include "widgets/window_region.h"

#include <gtest/gtest.h>

#include <QBitmap>
#include <QImage>
#include <QPainter>

namespace ombrex {
namespace {

// The same shape computed pixel by pixel through Qt's own bitmap region.
QRegion RegionOfNonWhitePixels(const QImage& mask) {
  QImage bits(mask.size(), QImage::Format_Mono);
  bits.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
  for (int y = 0; y < mask.height(); ++y) {
    for (int x = 0; x < mask.width(); ++x) {
      bits.setPixel(x, y, (mask.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF ? 0 : 1);
    }
  }
  return QRegion(QBitmap::fromImage(bits));
}

TEST(WindowRegionTest, WhiteFrameAroundABlackRectangleGivesTheRectangle) {
  QImage mask(60, 40, QImage::Format_RGB32);
  mask.fill(Qt::white);
  QPainter(&mask).fillRect(QRect(5, 7, 30, 20), Qt::black);
  const QRegion region = RegionFromMask(mask);
  EXPECT_EQ(region, QRegion(5, 7, 30, 20));
  EXPECT_EQ(region.rectCount(), 1) << "identical rows merge into one band";
}

TEST(WindowRegionTest, RoundedShapeWithHolesMatchesThePixels) {
  QImage mask(200, 120, QImage::Format_RGB32);
  mask.fill(Qt::white);
  {
    QPainter painter(&mask);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(20, 20, 30));
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(QRectF(2, 2, 196, 116), 18, 18);
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(60, 30, 40, 40));  // a hole
  }
  mask.setPixel(150, 60, qRgb(255, 255, 254));  // nearly white still belongs
  mask.setPixel(151, 60, qRgb(255, 255, 255));  // a one-pixel hole
  const QRegion region = RegionFromMask(mask);
  // Compared by area: the two may band the same pixels differently.
  EXPECT_TRUE(region.xored(RegionOfNonWhitePixels(mask)).isEmpty());
  EXPECT_LT(region.rectCount(), RegionOfNonWhitePixels(mask).rectCount());
  EXPECT_TRUE(region.contains(QPoint(150, 60)));
  EXPECT_FALSE(region.contains(QPoint(151, 60)));
  EXPECT_FALSE(region.contains(QPoint(0, 0)));
  EXPECT_FALSE(region.contains(QPoint(80, 50)));
}

TEST(WindowRegionTest, AllWhiteOrNullMaskGivesNoShape) {
  QImage white(10, 10, QImage::Format_RGB32);
  white.fill(Qt::white);
  EXPECT_TRUE(RegionFromMask(white).isEmpty());
  EXPECT_TRUE(RegionFromMask(QImage()).isEmpty());
}

TEST(WindowRegionTest, RunsOfSeparateRowsStaySeparate) {
  const std::vector<RegionRun> runs{{0, 0, 4}, {1, 0, 4}, {3, 0, 4}, {4, 1, 2}, {4, 3, 4}};
  const QRegion region = RegionFromRuns(runs);
  QRegion expected;
  expected += QRect(0, 0, 4, 2);
  expected += QRect(0, 3, 4, 1);
  expected += QRect(1, 4, 1, 1);
  expected += QRect(3, 4, 1, 1);
  EXPECT_TRUE(region.xored(expected).isEmpty());
  EXPECT_FALSE(region.contains(QPoint(0, 2)));
}

}  // namespace
}  // namespace ombrex
