// A whole skinned dialog drawn offscreen and saved, so the look of the
// controls together can be checked by eye (set OMBREX_SCREENSHOT_DIR to keep
// the picture); the test itself checks the pixels that matter.

#include <gtest/gtest.h>

#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <cstdlib>

#include "tests/support/temp_dir.h"
#include "tests/unit/widgets/widget_test_util.h"
#include "widgets/base_dialog.h"
#include "widgets/bitmap_slider.h"
#include "widgets/report_ctrl.h"
#include "widgets/skin_color_button.h"
#include "widgets/skin_pictures.h"
#include "widgets/skin_placement.h"
#include "widgets/skin_style.h"

namespace ombrex {
namespace {

const QSize kWindow(420, 260);

QRect KeyAt(int i) {
  return QRect(20 + i * 60, 60, 52, 52);
}

// A picture of the whole dialog with every key cap drawn in one state.
QImage StatePicture(QColor cap, QColor glow) {
  QImage image(kWindow, QImage::Format_RGB32);
  image.fill(QColor(0x15, 0x17, 0x1c));
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  for (int i = 0; i < 6; ++i) {
    QPainterPath path;
    path.addRoundedRect(QRectF(KeyAt(i)).adjusted(3, 3, -3, -3), 6, 6);
    painter.fillPath(path, cap);
    painter.setPen(QPen(glow, 2));
    painter.drawPath(path);
    painter.setPen(QColor(0xe8, 0xeb, 0xf0));
    painter.drawText(KeyAt(i), Qt::AlignCenter, QString(QChar('A' + i)));
  }
  return image;
}

TEST(SkinnedDialogScreenshotTest, ControlsTogetherOnOneSkin) {
  test::TempDir dir;
  const QColor cap(0x3a, 0x3f, 0x48), over(0x4a, 0x51, 0x5c), down(0x22, 0x26, 0x2d),
      marked(0x5a, 0x45, 0x20);
  test::SavePicture(dir / "Skins/n.jpg", StatePicture(cap, QColor(0x2b, 0x30, 0x38)));
  test::SavePicture(dir / "Skins/o.jpg", StatePicture(over, QColor(0x27, 0xd3, 0xf2)));
  test::SavePicture(dir / "Skins/d.jpg", StatePicture(down, QColor(0x27, 0xd3, 0xf2)));
  test::SavePicture(dir / "Skins/m.jpg", StatePicture(marked, QColor(0xff, 0xae, 0x2b)));
  QImage mask(kWindow, QImage::Format_RGB32);
  mask.fill(Qt::white);
  {
    QPainter painter(&mask);
    QPainterPath rounded;
    rounded.addRoundedRect(QRectF(QPointF(0, 0), QSizeF(kWindow)), 14, 14);
    painter.fillPath(rounded, Qt::black);
  }
  test::SavePicture(dir / "Skins/mask.bmp", mask);
  dir.Write("Skins/Look.ini", "[SCREEN]\r\nMain=n.jpg\r\nMask=mask.bmp\r\n");

  SkinPictures pictures(dir.path(), 1.0);
  CBaseDialog dialog(pictures, "Skins/Look.ini");
  ApplySkinStyle(dialog);
  ASSERT_TRUE(dialog.ApplySkinScreen());
  const ButtonPictures faces{pictures.Picture("Skins/n.jpg"), pictures.Picture("Skins/o.jpg"),
                             pictures.Picture("Skins/d.jpg"), pictures.Picture("Skins/n.jpg"),
                             pictures.Picture("Skins/m.jpg")};
  std::vector<CPngButton*> keys;
  for (int i = 0; i < 6; ++i) {
    auto* key = new CPngButton(1000 + i, &dialog);
    const QRect place = KeyAt(i);
    PlaceImageButton(*key, Placement{place.x(), place.y(), place.width(), place.height()}, faces);
    keys.push_back(key);
  }
  keys[1]->SetMarked(true);
  test::SendEnter(*keys[2]);
  keys[3]->setDown(true);
  keys[4]->SetHighlighted(true);
  keys[5]->SetFrameColour(QColor(0xe5, 0x48, 0x4d));

  auto* label = new QLabel(QStringLiteral("Brightness"), &dialog);
  label->setGeometry(20, 130, 100, 22);
  auto* slider = new CBitmapSlider(1178, &dialog);
  slider->setGeometry(130, 130, 150, 22);
  slider->SetThumbPicture(test::Solid(QSize(12, 22), QColor(0x27, 0xd3, 0xf2)));
  slider->SetPos(3);
  auto* colour = new CSkinColorButton(1155, &dialog);
  colour->setGeometry(300, 130, 60, 22);
  colour->SetColour(QColor(0xff, 0xae, 0x2b));
  auto* list = new CReportCtrl(&dialog);
  list->Header().SetColours(QColor(0x1b, 0x1e, 0x24), QColor(0x8a, 0x93, 0xa3));
  list->setGeometry(20, 165, 380, 80);
  list->SetColumns({{u"Key", 120}, {u"Action", 120}, {u"Delay", 120}});
  list->AppendItem({u"Left Ctrl", u"↓", u"50"});
  list->AppendItem({u"C", u"↓", u"120"});
  list->SelectItem(1);

  dialog.show();
  const QImage shot = test::Grab(dialog);
  const char* keep = std::getenv("OMBREX_SCREENSHOT_DIR");
  const std::filesystem::path file =
      (keep != nullptr ? std::filesystem::path(keep) : dir.path()) / "skinned_dialog.png";
  std::filesystem::create_directories(file.parent_path());
  ASSERT_TRUE(shot.save(QString::fromStdString(file.string())));
  std::printf("screenshot: %s\n", file.c_str());

  auto centre = [&](int i) { return shot.pixelColor(KeyAt(i).center() + QPoint(0, 14)); };
  EXPECT_EQ(centre(0), cap);
  EXPECT_EQ(centre(1), marked);
  EXPECT_EQ(centre(2), over);
  EXPECT_EQ(centre(3), down);
  EXPECT_EQ(centre(4), over) << "highlighted while its dialog is open";
  EXPECT_EQ(shot.pixelColor(KeyAt(5).topLeft()), QColor(0xe5, 0x48, 0x4d));
  EXPECT_EQ(shot.pixelColor(slider->geometry().topLeft() + QPoint(slider->ThumbLeft(3) + 6, 11)),
            QColor(0x27, 0xd3, 0xf2));
}

}  // namespace
}  // namespace ombrex
