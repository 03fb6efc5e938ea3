#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QTest>
#include <cstdlib>

#include "platform/ini.h"
#include "tests/support/temp_dir.h"
#include "tests/unit/widgets/widget_test_util.h"
#include "widgets/base_dialog.h"
#include "widgets/skin_pictures.h"
#include "widgets/skin_placement.h"

namespace ombrex {
namespace {

const QColor kBackground(30, 34, 44);

class SkinnedDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QImage background(200, 100, QImage::Format_RGB32);
    background.fill(kBackground);
    QImage mask(200, 100, QImage::Format_RGB32);
    mask.fill(Qt::white);
    QPainter(&mask).fillRect(QRect(10, 0, 180, 100), Qt::black);
    test::SavePicture(dir / "Skins/dlg_bg.jpg", background);
    test::SavePicture(dir / "Skins/dlg_mask.bmp", mask);
    QImage normal = background;
    QPainter(&normal).fillRect(QRect(10, 20, 30, 40), Qt::green);
    test::SavePicture(dir / "Skins/dlg_normal.jpg", normal);
    dir.Write("Skins/Dialog.ini",
              "[SCREEN]\r\nMain=dlg_bg.jpg\r\nMask=dlg_mask.bmp\r\n"
              "[BUTTONINFO]\r\n"
              "CONTROL_OK=10,20,30,40\r\n"
              "CONTROL_CANCEL=10,20,30,40,extra\r\n"
              "CONTROL_HIDDEN=1,1,50,20\r\n"
              "CONTROL_EDGE=1,10,50,20\r\n"
              "PROGRAM_LIST=60,10,120,70\r\n"
              "LEFT_ARROW=150,80,12,8\r\n"
              "[BUTTONINFO2]\r\nUP_ARROW_LEFT1=100,90,12,8\r\n");
  }

  test::TempDir dir;
};

TEST_F(SkinnedDialogTest, ImageButtonsArePlacedOrHiddenAsTheSkinSays) {
  SkinPictures pictures(dir.path(), 1.0);
  CBaseDialog dialog(pictures, "Skins/Dialog.ini");
  CPngButton ok(1, &dialog), cancel(2, &dialog), missing(3, &dialog), hidden(4, &dialog),
      edge(5, &dialog);
  const QPixmap normal = pictures.Picture("Skins/dlg_normal.jpg");
  const ButtonPictures faces{normal, normal, normal, normal, normal};
  dialog.PlaceImageButton(ok, u"CONTROL_OK", faces);
  dialog.PlaceImageButton(cancel, u"CONTROL_CANCEL", faces);
  dialog.PlaceImageButton(missing, u"CONTROL_NOT_IN_SKIN", faces);
  dialog.PlaceImageButton(hidden, u"CONTROL_HIDDEN", faces);
  dialog.PlaceImageButton(edge, u"CONTROL_EDGE", faces);
  dialog.show();

  EXPECT_EQ(ok.geometry(), QRect(10, 20, 30, 40));
  EXPECT_EQ(ok.PictureOrigin(), QPoint(10, 20));
  EXPECT_EQ(cancel.geometry(), QRect(10, 20, 30, 40)) << "text after the fourth number is ignored";
  EXPECT_TRUE(ok.isVisible());
  EXPECT_TRUE(ok.isEnabled());
  EXPECT_EQ(test::PixelAt(test::Grab(ok), 15, 20), QColor(Qt::green));
  for (CPngButton* gone : {&missing, &hidden}) {
    EXPECT_FALSE(gone->isVisible()) << gone->ControlId();
    EXPECT_FALSE(gone->isEnabled()) << gone->ControlId();
  }
  EXPECT_TRUE(edge.isVisible()) << "only x = 1 and y = 1 together hide";
}

TEST_F(SkinnedDialogTest, ControlsAreSizedOrMovedAndMissingKeysGoToOneOne) {
  SkinPictures pictures(dir.path(), 1.0);
  CBaseDialog dialog(pictures, "Skins/Dialog.ini");
  QLabel list(&dialog), lost(&dialog), moved(&dialog), movedLost(&dialog);
  moved.resize(33, 44);
  movedLost.resize(33, 44);
  dialog.PlaceControl(list, u"PROGRAM_LIST");
  dialog.PlaceControl(lost, u"NO_SUCH_KEY");
  dialog.MoveControl(moved, u"PROGRAM_LIST");
  dialog.MoveControl(movedLost, u"NO_SUCH_KEY");
  EXPECT_EQ(list.geometry(), QRect(60, 10, 120, 70));
  EXPECT_EQ(lost.geometry(), QRect(1, 1, 1, 1));
  EXPECT_EQ(moved.geometry(), QRect(60, 10, 33, 44)) << "a move keeps the size";
  EXPECT_EQ(movedLost.geometry(), QRect(1, 1, 33, 44));
}

TEST_F(SkinnedDialogTest, TwoKeyButtonTakesItsOriginFromTheSecondSection) {
  SkinPictures pictures(dir.path(), 1.0);
  CBaseDialog dialog(pictures, "Skins/Dialog.ini");
  CPngButton arrow(1132, &dialog);
  const QPixmap picture = test::Solid(QSize(200, 100), Qt::yellow);
  dialog.PlaceTwoKeyButton(arrow, u"LEFT_ARROW", u"UP_ARROW_LEFT1", picture);
  EXPECT_EQ(arrow.geometry(), QRect(150, 80, 12, 8));
  EXPECT_EQ(arrow.PictureOrigin(), QPoint(100, 90));
  EXPECT_EQ(arrow.Pictures().hover.cacheKey(), picture.cacheKey());
  EXPECT_EQ(arrow.Pictures().disabled.cacheKey(), picture.cacheKey());
}

TEST_F(SkinnedDialogTest, SkinScreenSizesAndShapesTheWindowKeepingItsPlace) {
  SkinPictures pictures(dir.path(), 1.0);
  CBaseDialog dialog(pictures, "Skins/Dialog.ini");
  dialog.move(123, 77);
  ASSERT_TRUE(dialog.ApplySkinScreen());
  EXPECT_EQ(dialog.size(), QSize(200, 100));
  EXPECT_EQ(dialog.pos(), QPoint(123, 77));
  EXPECT_EQ(dialog.WindowRegion(), QRegion(10, 0, 180, 100));
  if (QGuiApplication::platformName() != QLatin1String("offscreen")) {
    EXPECT_TRUE(dialog.mask().xored(dialog.WindowRegion()).isEmpty())
        << "the real window is shaped";
  }
  EXPECT_TRUE(dialog.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(test::PixelAt(test::Grab(dialog), 100, 50), kBackground);

  ASSERT_TRUE(ini::ReplaceFile(dir / "Skins/Dialog.ini", "[SCREEN]\r\nMain=gone.jpg\r\n"));
  CBaseDialog broken(pictures, "Skins/Dialog.ini");
  EXPECT_FALSE(broken.ApplySkinScreen());
}

TEST_F(SkinnedDialogTest, DraggedByTheBackgroundButNotByAControl) {
  SkinPictures pictures(dir.path(), 1.0);
  CBaseDialog dialog(pictures, "Skins/Dialog.ini");
  ASSERT_TRUE(dialog.ApplySkinScreen());
  CPngButton ok(1, &dialog);
  ok.setGeometry(10, 20, 30, 40);
  dialog.move(100, 100);
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));

  const QPoint start = dialog.pos();
  test::SendMouse(dialog, QEvent::MouseButtonPress, QPoint(100, 50), Qt::LeftButton,
                  Qt::LeftButton);
  QMouseEvent drag(QEvent::MouseMove, QPointF(100, 50), QPointF(start + QPoint(100 + 25, 50 + 15)),
                   Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&dialog, &drag);
  test::SendMouse(dialog, QEvent::MouseButtonRelease, QPoint(125, 65), Qt::LeftButton,
                  Qt::NoButton);
  EXPECT_EQ(dialog.pos(), start + QPoint(25, 15));

  const QPoint before = dialog.pos();
  QTest::mousePress(&ok, Qt::LeftButton, {}, QPoint(5, 5));
  QTest::mouseMove(&ok, QPoint(25, 25));
  QTest::mouseRelease(&ok, Qt::LeftButton, {}, QPoint(25, 25));
  EXPECT_EQ(dialog.pos(), before);
}

TEST_F(SkinnedDialogTest, EnterAndEscapeCanBeKeptFromClosingTheDialog) {
  SkinPictures pictures(dir.path(), 1.0);
  CBaseDialog dialog(pictures, "Skins/Dialog.ini");
  dialog.SetSwallowEnterAndEscape(true);
  dialog.show();
  QTest::keyClick(&dialog, Qt::Key_Escape);
  QTest::keyClick(&dialog, Qt::Key_Return);
  EXPECT_TRUE(dialog.isVisible());
  dialog.SetSwallowEnterAndEscape(false);
  QTest::keyClick(&dialog, Qt::Key_Escape);
  EXPECT_FALSE(dialog.isVisible());
}

}  // namespace
}  // namespace ombrex
