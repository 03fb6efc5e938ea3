// What the main window asks of its widgets to stay small and quiet: buttons
// that keep only their own faces and still draw exactly as before, an
// indicator that shows a state while disabled, a compact background, and a
// tray icon that opens on the activation its tray can give.

#include <gtest/gtest.h>

#include <QPainter>

#include "tests/unit/widgets/widget_test_util.h"
#include "widgets/base_dialog.h"
#include "widgets/png_button.h"
#include "widgets/tray_icon.h"

namespace ombrex {
namespace {

using test::DialogPicture;

// Five state pictures of a 120x80 dialog, each with its own colour at the
// button's place and a different grey elsewhere, so a face cut anywhere
// else shows the wrong colour.
ButtonPictures Faces(QRect place) {
  return {DialogPicture(place, Qt::green), DialogPicture(place, Qt::yellow),
          DialogPicture(place, Qt::blue), DialogPicture(place, Qt::darkRed),
          DialogPicture(place, Qt::magenta)};
}

QImage Render(CPngButton& button) {
  QImage image(button.size(), QImage::Format_RGB32);
  image.fill(Qt::black);
  button.render(&image);
  return image;
}

TEST(CompactFacesTest, AButtonKeepingOnlyItsOwnFacesDrawsEveryStateAsBefore) {
  const QRect place(30, 20, 24, 16);
  const ButtonPictures faces = Faces(place);
  CPngButton full;
  CPngButton compact;
  CPngButton oneByOne;  // placed with stand-ins, cut from one picture at a time
  const ButtonPictures standIns{QPixmap(1, 1), QPixmap(1, 1), QPixmap(1, 1), QPixmap(1, 1),
                                QPixmap(1, 1)};
  for (CPngButton* button : {&full, &compact, &oneByOne}) {
    button->setGeometry(place);
    button->SetPictureOrigin(place.topLeft());
    button->SetPictures(button == &oneByOne ? standIns : faces);
  }
  // The normal face is the window's background, drawn from its own copy.
  QImage background = faces.normal.toImage().convertToFormat(QImage::Format_RGB888);
  compact.CutOwnFaces(faces.normal, background);
  EXPECT_TRUE(compact.Pictures().hover.isNull()) << "the full pictures are let go";
  oneByOne.CutFacesShowing(standIns.normal, {}, background);
  for (auto face : {&ButtonPictures::hover, &ButtonPictures::pressed, &ButtonPictures::disabled,
                    &ButtonPictures::marked}) {
    EXPECT_FALSE(oneByOne.Pictures().normal.isNull()) << "stand-ins stay until the last cut";
    oneByOne.CutFacesShowing(standIns.*face, faces.*face);
  }
  EXPECT_TRUE(oneByOne.Pictures().normal.isNull());

  auto each = [&](const std::function<void(CPngButton&)>& set) {
    set(full);
    set(compact);
    set(oneByOne);
    EXPECT_EQ(Render(compact), Render(full));
    EXPECT_EQ(Render(oneByOne), Render(full));
  };
  each([](CPngButton&) {});
  each([](CPngButton& b) { b.SetMarked(true); });
  each([](CPngButton& b) { b.SetHighlighted(true); });
  each([](CPngButton& b) {
    b.SetHighlighted(false);
    b.SetSelected(true);
  });
  each([](CPngButton& b) {
    b.SetSelected(false);
    b.setEnabled(false);
  });
  each([](CPngButton& b) { b.ShowDisabledAs(ButtonFace::Marked); });
  EXPECT_EQ(Render(compact).pixelColor(5, 5), QColor(Qt::magenta)) << "disabled shows marked";
}

TEST(CompactFacesTest, FacesFromTwiceTheDensityStaySharpWhenCut) {
  QImage sharp(240, 160, QImage::Format_RGB32);
  for (int y = 0; y < sharp.height(); ++y) {
    for (int x = 0; x < sharp.width(); ++x) {
      sharp.setPixelColor(x, y, x % 2 ? QColor(Qt::white) : QColor(Qt::black));
    }
  }
  QPixmap picture = QPixmap::fromImage(sharp);
  picture.setDevicePixelRatio(2.0);
  CPngButton button;
  button.setGeometry(10, 5, 20, 10);
  button.SetPictureOrigin(QPoint(10, 5));
  button.SetPictures({picture, picture, picture, picture, picture});
  button.CutOwnFaces();

  QImage target(40, 20, QImage::Format_RGB32);
  target.setDevicePixelRatio(2.0);
  target.fill(Qt::gray);
  button.render(&target);
  for (int x = 0; x < 40; ++x) {
    ASSERT_EQ(target.pixelColor(x, 7), x % 2 ? QColor(Qt::white) : QColor(Qt::black)) << x;
  }
}

TEST(CompactFacesTest, ACompactBackgroundDrawsTheSamePicture) {
  CImgDialogBase dialog;
  QPixmap background = DialogPicture(QRect(10, 10, 30, 20), Qt::cyan);
  QImage mask(background.size(), QImage::Format_RGB32);
  mask.fill(Qt::black);
  dialog.SetSkinBackground(background, mask);
  const QImage before = dialog.grab().toImage();
  dialog.CompactBackground();
  EXPECT_TRUE(dialog.Background().isNull());
  EXPECT_EQ(dialog.grab().toImage().convertToFormat(before.format()), before);
}

TEST(TrayActivationTest, OnlyADoubleClickOpensUnlessTheTrayGivesSingleClicksOnly) {
  EXPECT_TRUE(CTrayIcon::Opens(QSystemTrayIcon::DoubleClick, true));
  EXPECT_FALSE(CTrayIcon::Opens(QSystemTrayIcon::Trigger, true));
  EXPECT_TRUE(CTrayIcon::Opens(QSystemTrayIcon::Trigger, false));
  EXPECT_FALSE(CTrayIcon::Opens(QSystemTrayIcon::Context, false));
  EXPECT_FALSE(CTrayIcon::Opens(QSystemTrayIcon::MiddleClick, false));
}

}  // namespace
}  // namespace ombrex
