#include "widgets/bitmap_slider.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>
#include <utility>
#include <vector>

#include "tests/unit/widgets/widget_test_util.h"

namespace ombrex {
namespace {

class BitmapSliderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    slider.setGeometry(0, 0, 110, 20);
    slider.SetRange(0, 4);
    slider.SetPageSize(10);
    slider.SetThumbPicture(test::Solid(QSize(10, 20), Qt::white));
    slider.SetChangeHook([this](int id, int position) { reports.emplace_back(id, position); });
  }

  void Key(Qt::Key key) { QTest::keyClick(&slider, key); }

  void Wheel(int delta) {
    QWheelEvent event(QPointF(5, 5), slider.mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&slider, &event);
  }

  // The centre of the thumb at a position: thumb 10 wide, travel 100.
  static QPoint ThumbCentre(int position) { return QPoint(5 + 25 * position, 10); }

  CBitmapSlider slider{1178};
  std::vector<std::pair<int, int>> reports;
};

TEST_F(BitmapSliderTest, KeysStepByOneByPageAndToTheEndsWithinTheRange) {
  Key(Qt::Key_Right);
  Key(Qt::Key_Down);
  EXPECT_EQ(slider.GetPos(), 2);
  Key(Qt::Key_Left);
  EXPECT_EQ(slider.GetPos(), 1);
  Key(Qt::Key_Up);
  EXPECT_EQ(slider.GetPos(), 0);
  Key(Qt::Key_PageDown);
  EXPECT_EQ(slider.GetPos(), 4) << "a page step of 10 is clamped to the end";
  Key(Qt::Key_PageUp);
  EXPECT_EQ(slider.GetPos(), 0);
  Key(Qt::Key_End);
  EXPECT_EQ(slider.GetPos(), 4);
  Key(Qt::Key_Home);
  EXPECT_EQ(slider.GetPos(), 0);
  EXPECT_EQ(
      reports,
      (std::vector<std::pair<int, int>>{
          {1178, 1}, {1178, 2}, {1178, 1}, {1178, 0}, {1178, 4}, {1178, 0}, {1178, 4}, {1178, 0}}));
}

TEST_F(BitmapSliderTest, MovesPastTheEndsReportNothing) {
  Key(Qt::Key_Left);
  Key(Qt::Key_Home);
  Key(Qt::Key_PageUp);
  slider.SetPos(4);
  Key(Qt::Key_Right);
  Key(Qt::Key_End);
  EXPECT_TRUE(reports.empty());
  EXPECT_EQ(slider.GetPos(), 4);
}

TEST_F(BitmapSliderTest, ProgramSetPositionsAreClampedAndNotReported) {
  QSignalSpy spy(&slider, &CBitmapSlider::positionChanged);
  slider.SetPos(9);
  EXPECT_EQ(slider.GetPos(), 4);
  slider.SetPos(-3);
  EXPECT_EQ(slider.GetPos(), 0);
  EXPECT_EQ(spy.count(), 0);
  EXPECT_TRUE(reports.empty());
}

TEST_F(BitmapSliderTest, WheelNotchesStepLikeTheArrowKeys) {
  slider.SetPos(2);
  Wheel(-120);  // towards the user: as the down arrow
  EXPECT_EQ(slider.GetPos(), 3);
  Wheel(120);
  Wheel(120);
  EXPECT_EQ(slider.GetPos(), 1);
  Wheel(60);  // half a notch of a fine wheel waits for the other half
  EXPECT_EQ(slider.GetPos(), 1);
  Wheel(60);
  EXPECT_EQ(slider.GetPos(), 0);
  Wheel(360);
  EXPECT_EQ(slider.GetPos(), 0);
  EXPECT_EQ(reports.size(), 4u);
}

TEST_F(BitmapSliderTest, ClickJumpsToTheNearestPositionAndDragReportsEachStep) {
  QSignalSpy spy(&slider, &CBitmapSlider::positionChanged);
  test::SendMouse(slider, QEvent::MouseButtonPress, ThumbCentre(3) + QPoint(4, 0), Qt::LeftButton,
                  Qt::LeftButton);
  EXPECT_EQ(slider.GetPos(), 3);
  for (int x = ThumbCentre(3).x(); x >= -40; x -= 5) {
    test::SendMouse(slider, QEvent::MouseMove, QPoint(x, 10), Qt::NoButton, Qt::LeftButton);
  }
  test::SendMouse(slider, QEvent::MouseButtonRelease, QPoint(-40, 10), Qt::LeftButton,
                  Qt::NoButton);
  EXPECT_EQ(slider.GetPos(), 0);
  EXPECT_EQ(reports,
            (std::vector<std::pair<int, int>>{{1178, 3}, {1178, 2}, {1178, 1}, {1178, 0}}));
  ASSERT_EQ(spy.count(), 4);
  EXPECT_EQ(spy.at(0).at(0).toInt(), 1178);
  EXPECT_EQ(spy.at(0).at(1).toInt(), 3);

  // After the release, moving the mouse no longer drags.
  test::SendMouse(slider, QEvent::MouseMove, ThumbCentre(4), Qt::NoButton, Qt::NoButton);
  EXPECT_EQ(slider.GetPos(), 0);
}

TEST_F(BitmapSliderTest, DraggingFarRightStopsAtTheEnd) {
  test::SendMouse(slider, QEvent::MouseButtonPress, ThumbCentre(2), Qt::LeftButton, Qt::LeftButton);
  test::SendMouse(slider, QEvent::MouseMove, QPoint(500, 10), Qt::NoButton, Qt::LeftButton);
  EXPECT_EQ(slider.GetPos(), 4);
  EXPECT_EQ(slider.ThumbLeft(4), 100);
}

TEST_F(BitmapSliderTest, ThumbIsDrawnAtItsPosition) {
  slider.SetPos(2);
  const QImage image = test::Grab(slider);
  EXPECT_EQ(test::PixelAt(image, 50 + 5, 10), QColor(Qt::white));
  EXPECT_NE(test::PixelAt(image, 5, 10), QColor(Qt::white));
  EXPECT_NE(test::PixelAt(image, 105, 10), QColor(Qt::white));
}

TEST_F(BitmapSliderTest, APictureOfTheWholeSliderIsReadAgainstItsKnob) {
  // 110 x 20: the knob is 20 wide and its centre travels from 10 to 100.
  QPixmap whole = test::Solid(QSize(110, 20), Qt::white);
  slider.SetThumbPicture(whole);
  for (int position : {4, 0, 2, 3, 1}) {
    test::SendMouse(slider, QEvent::MouseButtonPress, QPoint(10 + 90 * position / 4, 10),
                    Qt::LeftButton, Qt::LeftButton);
    test::SendMouse(slider, QEvent::MouseButtonRelease, QPoint(10 + 90 * position / 4, 10),
                    Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(slider.GetPos(), position);
  }
  // Drawn where it stands, whatever the position.
  slider.SetPos(4);
  const QImage image = test::Grab(slider);
  EXPECT_EQ(test::PixelAt(image, 1, 10), QColor(Qt::white));
  EXPECT_EQ(test::PixelAt(image, 108, 10), QColor(Qt::white));
}

TEST_F(BitmapSliderTest, NarrowingTheRangePullsThePositionIn) {
  slider.SetPos(4);
  slider.SetRange(0, 2);
  EXPECT_EQ(slider.GetPos(), 2);
}

}  // namespace
}  // namespace ombrex
