// The lighting panel's controls on the main window's skin, driven with mouse,
// wheel and keys as a user would: what reaches the keyboard, and that showing
// the keyboard's state reaches nothing.

#include "app/lighting_panel_controls.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QWheelEvent>
#include <cstdlib>

#include "tests/unit/app/panel_on_keyboard.h"
#include "widgets/base_dialog.h"
#include "widgets/bitmap_slider.h"
#include "widgets/image_static.h"
#include "widgets/png_button.h"
#include "widgets/skin_color_button.h"
#include "widgets/skin_pictures.h"

namespace ombrex {
namespace {

namespace lc = lighting_control;
using protocol::Command;

std::filesystem::path ProgramFolder() {
  return std::getenv("OMBREX_PROGRAM_DIR");
}

test::RigOptions OfferingThreeModes() {
  test::RigOptions options;
  options.factory.modes = {1, 6, 20};
  return options;
}

class LightingControlsTest : public testing::Test, protected test::PanelOnKeyboard {
 protected:
  LightingControlsTest()
      : PanelOnKeyboard(OfferingThreeModes(), "[Mode]\n1=Wave\n6=Static\n"),
        pictures_(ProgramFolder(), 1.0),
        window_(pictures_, "Skins/Main.ini"),
        controls_(window_, panel_) {}

  void SetUp() override {
    ASSERT_TRUE(window_.ApplySkinScreen()) << "the built skin is missing";
    controls_.SetupLightingPanel();
    ASSERT_TRUE(lighting_.WriteLightingViewSetting(true));
    ASSERT_TRUE(WriteRecord(0, 0, {1, 2, 2}));  // wave, brightness 2, speed 2
    ASSERT_EQ(panel_.ReadLighting(true), result::kOk);
    panel_.RefreshLightingPanel();
    window_.show();
    Settle();
  }

  void Settle() {
    QApplication::processEvents();
    ASSERT_EQ(lighting_.Flush(), result::kOk);
    tap_.Clear();
  }

  std::uint8_t KeyboardByte(std::size_t offset) { return PanelOnKeyboard::KeyboardByte(0, offset); }

  template <typename W>
  W& Control(int id) {
    W* widget = qobject_cast<W*>(controls_.Control(id));
    EXPECT_NE(widget, nullptr) << id;
    return *widget;
  }

  void Wheel(QWidget& widget, int delta) {
    const QPointF at(widget.width() / 2.0, widget.height() / 2.0);
    QWheelEvent event(at, widget.mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&widget, &event);
  }

  void Mouse(QWidget& widget, QEvent::Type type, QPoint at, Qt::MouseButtons held) {
    QMouseEvent event(type, QPointF(at), widget.mapToGlobal(QPointF(at)),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held,
                      Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
  }

  // The user opens a list and clicks an entry.
  void Choose(QComboBox& list, int index) {
    list.showPopup();
    QAbstractItemView* view = list.view();
    const QRect entry = view->visualRect(view->model()->index(index, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, entry.center());
    QApplication::processEvents();
  }

  bool Shows(const QPixmap& shown, const char* picture) {
    return shown.toImage() == pictures_.Picture(std::filesystem::path("Skins") / picture).toImage();
  }

  SkinPictures pictures_;
  CBaseDialog window_;
  CLightingPanel controls_;
};

TEST_F(LightingControlsTest, EveryControlSitsWhereTheSkinPutsIt) {
  for (const LightingControl& control : LightingControls()) {
    const Placement place = window_.Skin().Button(control.skinKey);
    QWidget* widget = controls_.Control(control.id);
    ASSERT_NE(widget, nullptr);
    if (control.id == lc::kDirectionLabel || control.id == lc::kDirectionFirst ||
        control.id == lc::kDirectionSecond) {
      continue;  // wave puts them at its own keys
    }
    EXPECT_EQ(widget->geometry(), QRect(place.x, place.y, place.w, place.h))
        << std::string(control.skinKey.begin(), control.skinKey.end());
  }
  EXPECT_EQ(controls_.Control(lc::kDirectionFirst)->pos(),
            QPoint(window_.Skin().Button(u"CONTROL_BLFXLStaPic2").x,
                   window_.Skin().Button(u"CONTROL_BLFXLStaPic2").y));
  EXPECT_EQ(Control<QComboBox>(lc::kModeList).currentText(), QStringLiteral("Wave"));
}

TEST_F(LightingControlsTest, ARefreshWritesNothing) {
  auto& list = Control<QComboBox>(lc::kModeList);
  int chosen = 0;
  QObject::connect(&list, &QComboBox::activated, [&] { ++chosen; });
  panel_.RefreshLightingPanel();
  panel_.ReadLighting(false);
  panel_.RefreshLightingPanel();
  QApplication::processEvents();
  ASSERT_EQ(lighting_.Flush(), result::kOk);
  EXPECT_EQ(tap_.Count(Command::WriteSettings), 0u);
  EXPECT_EQ(tap_.Count(Command::WriteKeyColours), 0u);
  EXPECT_EQ(chosen, 0);
}

TEST_F(LightingControlsTest, DraggingAndTurningTheWheelMoveTheSliders) {
  auto& brightness = Control<CBitmapSlider>(lc::kBrightnessSlider);
  const int y = brightness.height() / 2;
  const int from = brightness.ThumbLeft(2) + 2;
  Mouse(brightness, QEvent::MouseButtonPress, QPoint(from, y), Qt::LeftButton);
  for (int x = from; x <= brightness.width(); x += 3) {
    Mouse(brightness, QEvent::MouseMove, QPoint(x, y), Qt::LeftButton);
  }
  Mouse(brightness, QEvent::MouseButtonRelease, QPoint(brightness.width() - 1, y), Qt::NoButton);
  EXPECT_EQ(KeyboardByte(1), 4);
  EXPECT_TRUE(Shows(brightness.ThumbPicture(), "4.bmp"));
  // Two steps of the drag changed the value; the rest passed the same places.
  EXPECT_LE(tap_.Count(Command::WriteSettings), 2u);

  auto& speed = Control<CBitmapSlider>(lc::kSpeedSlider);
  Wheel(speed, -120);  // towards the user: one step right, slower to faster
  EXPECT_EQ(speed.GetPos(), 3);
  EXPECT_EQ(KeyboardByte(2), 1);
  EXPECT_TRUE(Shows(speed.ThumbPicture(), "8.bmp"));
}

TEST_F(LightingControlsTest, ClicksOnPicturesAndButtonsWriteTheirFields) {
  auto& second = Control<CImageStatic>(lc::kDirectionSecond);
  QTest::mouseClick(&second, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(KeyboardByte(3), 0);
  EXPECT_TRUE(Shows(second.Picture(), "rightdown.bmp"));

  auto& toggle = Control<CImageStatic>(lc::kColourfulA);
  const bool before = lighting_.State().colourful;
  QTest::mouseClick(&toggle, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(KeyboardByte(4), before ? 0 : 1);

  auto& rate = Control<CPngButton>(lc::kReportRates[2]);
  QTest::mouseClick(&rate, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(KeyboardByte(15), 2);
  EXPECT_TRUE(rate.IsSelected());
  EXPECT_FALSE(Control<CPngButton>(lc::kReportRates[0]).IsSelected());
}

TEST_F(LightingControlsTest, ChoosingAModeWritesItButArrowsAndTheWheelChangeNothing) {
  auto& list = Control<QComboBox>(lc::kModeList);
  list.setFocus();
  for (Qt::Key key : {Qt::Key_Down, Qt::Key_Up, Qt::Key_Right, Qt::Key_Left}) {
    QTest::keyClick(&list, key);
  }
  Wheel(list, -120);
  QApplication::processEvents();
  EXPECT_EQ(list.currentIndex(), 0);
  ASSERT_EQ(lighting_.Flush(), result::kOk);
  EXPECT_EQ(tap_.Total(), 0u);

  Choose(list, 1);
  EXPECT_EQ(list.currentIndex(), 1);
  EXPECT_EQ(KeyboardByte(0), 6);
  EXPECT_TRUE(Control<CSkinColorButton>(lc::kColourButtonB).isVisible());
  EXPECT_FALSE(Control<CSkinColorButton>(lc::kColourButtonA).isVisible());
  EXPECT_FALSE(controls_.Control(lc::kSpeedSlider)->isVisible());
}

TEST_F(LightingControlsTest, TheUserModeListRenamesAndNeverAdds) {
  Choose(Control<QComboBox>(lc::kModeList), 2);
  auto& modes = Control<QComboBox>(lc::kUserModeList);
  ASSERT_TRUE(modes.isVisible());
  ASSERT_EQ(modes.count(), 10);
  Choose(modes, 3);
  EXPECT_EQ(lighting_.State().currentUserMode, 3);
  modes.lineEdit()->selectAll();
  QTest::keyClicks(modes.lineEdit(), "Ice");
  QTest::keyClick(modes.lineEdit(), Qt::Key_Return);
  EXPECT_EQ(modes.count(), 10);
  EXPECT_EQ(modes.itemText(3), QStringLiteral("Ice"));
  EXPECT_EQ(lighting_.ReadUserModeName(0, 3), u"Ice");
}

TEST_F(LightingControlsTest, AnRgbFieldHoldsAtMost255) {
  auto& red = Control<QLineEdit>(lc::kRgbFields[0]);
  QTest::keyClicks(&red, "3x00");
  EXPECT_EQ(red.text(), QStringLiteral("255"));
}

}  // namespace
}  // namespace ombrex
