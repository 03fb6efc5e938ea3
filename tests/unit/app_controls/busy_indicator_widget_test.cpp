// The busy indicator on a window made from the built main-window skin.

#include "app/busy_indicator_widget.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <chrono>
#include <cstdlib>

#include "widgets/base_dialog.h"
#include "widgets/skin_pictures.h"

namespace ombrex {
namespace {

// Counts the paints a widget receives.
class PaintCounter : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
  int paints = 0;
};

class BusyIndicatorWidgetTest : public ::testing::Test {
 protected:
  BusyIndicatorWidgetTest()
      : pictures_(std::getenv("OMBREX_PROGRAM_DIR"), 1.0), window_(pictures_, "Skins/Main.ini") {
    window_.ApplySkinScreen();
    window_.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&window_));
    busy_ = CBusyIndicator::Place(window_);
  }

  SkinPictures pictures_;
  CBaseDialog window_;
  std::unique_ptr<CBusyIndicator> busy_;
};

TEST_F(BusyIndicatorWidgetTest, IsPlacedHiddenWhereTheSkinSaysAndFoundAgain) {
  EXPECT_EQ(busy_->geometry(), QRect(524, 626, 150, 10));
  EXPECT_FALSE(busy_->isVisible());
  EXPECT_EQ(busy_->ControlId(), 1177);
  EXPECT_EQ(CBusyIndicator::Find(window_), busy_.get());
  QWidget other;
  EXPECT_EQ(CBusyIndicator::Find(other), nullptr);
}

TEST_F(BusyIndicatorWidgetTest, EachFrameIsItsOwnPicturePaintedAtOnce) {
  PaintCounter counter;
  busy_->installEventFilter(&counter);
  std::vector<qint64> shown;
  for (int frame = 1; frame <= kBusyFrameCount; ++frame) {
    const int paintsBefore = counter.paints;
    busy_->ShowBusyFrame(frame);
    // No event loop ran: the paint came from the call itself.
    EXPECT_GT(counter.paints, paintsBefore) << frame;
    EXPECT_TRUE(busy_->isVisible());
    ASSERT_FALSE(busy_->Picture().isNull()) << frame;
    shown.push_back(busy_->Picture().cacheKey());
  }
  std::sort(shown.begin(), shown.end());
  EXPECT_EQ(std::unique(shown.begin(), shown.end()), shown.end()) << "ten different pictures";
  // The window with the indicator at its fifth picture (set
  // OMBREX_SCREENSHOT_DIR to keep it and look at it).
  busy_->ShowBusyFrame(5);
  const QImage shot = window_.grab().toImage();
  EXPECT_EQ(shot.size(), window_.size());
  if (const char* folder = std::getenv("OMBREX_SCREENSHOT_DIR")) {
    shot.save(QString::fromUtf8(folder) + "/busy_indicator.png");
    shot.copy(busy_->geometry().adjusted(-40, -20, 40, 20))
        .scaled(busy_->width() * 4 + 320, busy_->height() * 4 + 160)
        .save(QString::fromUtf8(folder) + "/busy_indicator_zoom.png");
  }
  busy_->HideBusy();
  EXPECT_FALSE(busy_->isVisible());
}

TEST_F(BusyIndicatorWidgetTest, TicksRunTheHandlerFromTheLoopUntilStopped) {
  int ticks = 0;
  busy_->SetTickHandler([&] { ++ticks; });
  busy_->SetBusyTicking(true);
  EXPECT_TRUE(QTest::qWaitFor([&] { return ticks >= 3; }, 5000));
  busy_->SetBusyTicking(false);
  const int stopped = ticks;
  QApplication::processEvents();
  EXPECT_EQ(ticks, stopped);
}

TEST_F(BusyIndicatorWidgetTest, TheRulesDriveItThroughASlowApplyAndHideItAfterwards) {
  std::chrono::steady_clock::time_point now{};
  BusyIndicator rules([&] { return now; });
  rules.AttachView(busy_.get());
  busy_->SetTickHandler([&] { rules.Tick(); });
  rules.Begin();
  std::vector<qint64> pictures{busy_->Picture().cacheKey()};
  for (int packet = 0; packet < 12; ++packet) {
    now += std::chrono::milliseconds(30);  // a slow keyboard
    rules.Progress();
    if (busy_->Picture().cacheKey() != pictures.back())
      pictures.push_back(busy_->Picture().cacheKey());
  }
  EXPECT_GE(pictures.size(), 6u);
  rules.End();
  now += std::chrono::milliseconds(150);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !busy_->isVisible(); }, 5000));
  EXPECT_FALSE(rules.Shown());
}

}  // namespace
}  // namespace ombrex
