// The lighting panel on the real main window, on the in-process keyboard: the
// light button opens it, its controls and a key click in mode 20 reach the
// keyboard, and it follows the profile buttons, the keyboard's own profile
// change and the reload after an arrival.

#include <gtest/gtest.h>

#include <functional>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QTest>

#include "app/lighting_panel.h"
#include "model/host_lighting.h"
#include "model/key_buttons_table.h"
#include "model/lighting.h"
#include "tests/unit/window/window_rig.h"
#include "widgets/bitmap_slider.h"
#include "widgets/image_static.h"

namespace ombrex {
namespace {

namespace lc = lighting_control;
using test::WindowRig;

constexpr int kKeyA = 1058;

template <typename W>
W* Find(QWidget& window, int id) {
  for (W* widget : window.findChildren<W*>(Qt::FindDirectChildrenOnly)) {
    if (widget->ControlId() == id) return widget;
  }
  return nullptr;
}

QComboBox* ModeList(QWidget& window) {
  for (QComboBox* list : window.findChildren<QComboBox*>(Qt::FindDirectChildrenOnly)) {
    if (!list->isEditable()) return list;
  }
  return nullptr;
}

// Where the in-process keyboard's list puts a mode (every mode but 19 and 21).
int ListIndexOf(int mode) {
  return mode - 1 - (mode > 19 ? 1 : 0);
}

int ButtonOf(int controlId) {
  for (std::size_t i = 0; i < kKeyButtonCount; ++i) {
    if (kKeyButtons[i].control == controlId) return static_cast<int>(i);
  }
  return -1;
}

class LightingWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(rig_.Start({}));
    ASSERT_TRUE(rig_.RunUntilLine("refreshed from the keyboard"));
    ASSERT_TRUE(rig_.RunUntilLine("show"));
    light_ = Find<CImageStatic>(rig_.Window(), lc::kLightButton);
    brightness_ = Find<CBitmapSlider>(rig_.Window(), lc::kBrightnessSlider);
    modes_ = ModeList(rig_.Window());
    ASSERT_NE(light_, nullptr);
    ASSERT_NE(brightness_, nullptr);
    ASSERT_NE(modes_, nullptr);
  }

  bool Shown(const QWidget& control) { return control.isVisibleTo(&rig_.Window()); }

  // A profile switch reads the whole profile, slow under the sanitizers: the
  // rig's hang guard six times over.
  bool RunUntilSwitched(const std::function<bool()>& done) {
    for (int round = 0; round < 6; ++round) {
      if (rig_.RunUntil(done)) return true;
    }
    return false;
  }

  std::uint8_t KeyboardByte(int profile, std::size_t offset) {
    return rig_.Keyboard().Snapshot().settings[static_cast<std::size_t>(profile) * 64 + offset];
  }

  Rgb KeyboardLed(int profile, int led) {
    const auto colours = rig_.Keyboard().Snapshot().keyColours;
    const std::size_t at =
        static_cast<std::size_t>(profile) * 192 + 3 * static_cast<std::size_t>(led);
    return {colours[at], colours[at + 1], colours[at + 2]};
  }

  // The user opens the list and clicks an entry.
  void Choose(QComboBox& list, int index) {
    list.showPopup();
    QAbstractItemView* view = list.view();
    const QRect entry = view->visualRect(view->model()->index(index, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, entry.center());
    rig_.Settle();
  }

  WindowRig rig_;
  CImageStatic* light_ = nullptr;
  CBitmapSlider* brightness_ = nullptr;
  QComboBox* modes_ = nullptr;
};

TEST_F(LightingWindowTest, TheLightButtonOpensThePanelAndItsChangesReachTheKeyboard) {
  EXPECT_FALSE(Shown(*brightness_)) << "the key view first";
  EXPECT_EQ(modes_->currentIndex(), ListIndexOf(1)) << "profile 0's wave";

  QTest::mouseClick(light_, Qt::LeftButton);
  ASSERT_TRUE(Shown(*brightness_));
  ASSERT_TRUE(Shown(*modes_));

  const std::uint8_t before = KeyboardByte(0, lighting_field::kBrightness);
  ASSERT_GT(before, 0);
  QTest::keyClick(brightness_, Qt::Key_Left);
  EXPECT_TRUE(rig_.RunUntil([&] {
    return KeyboardByte(0, lighting_field::kBrightness) == before - 1;
  })) << int(KeyboardByte(0, lighting_field::kBrightness));

  // The window's own report-rate buttons are the panel's.
  rig_.Window().Button(lc::kReportRates[2])->click();
  EXPECT_TRUE(rig_.RunUntil([&] { return KeyboardByte(0, lighting_field::kReportRate) == 2; }));
  EXPECT_TRUE(rig_.Window().Button(lc::kReportRates[2])->IsSelected());
  EXPECT_FALSE(rig_.Window().Button(lc::kReportRates[0])->IsSelected());

  Choose(*modes_, ListIndexOf(20));
  EXPECT_TRUE(rig_.RunUntil([&] { return KeyboardByte(0, lighting_field::kMode) == 20; }));

  // A key click in mode 20 paints the key with the user colour.
  LightingPanel& panel = *rig_.App().Panel();
  panel.OnClicked(lc::kUserColourTool);
  const Rgb painted{1, 2, 3};
  panel.OnColourPicked(lc::kUserColourButton, painted);
  const int led = LedOfButton(ButtonOf(kKeyA));
  ASSERT_NE(KeyboardLed(0, led), painted);
  rig_.Window().Button(kKeyA)->click();
  EXPECT_TRUE(rig_.RunUntil([&] { return KeyboardLed(0, led) == painted; }));
  EXPECT_FALSE(rig_.Trace().HasLine("key editor: slot 30 control 1058 profile 0"))
      << "painted, not edited";
  rig_.SaveScreenshot("main-window-lighting-mode20");
}

TEST_F(LightingWindowTest, ThePanelFollowsTheProfileButtonsTheKeyboardAndTheReload) {
  QTest::mouseClick(light_, Qt::LeftButton);
  ASSERT_TRUE(Shown(*brightness_));

  // Profile 2's button: the lighting view closes on profile 1's mode.
  rig_.Window().Button(1136)->click();
  EXPECT_FALSE(Shown(*brightness_));
  EXPECT_EQ(modes_->currentIndex(), ListIndexOf(4));

  // The keyboard switches itself to profile 3 (timer 1051).
  rig_.Keyboard().SetActiveProfile(2);
  ASSERT_TRUE(rig_.Library().Model()->RaiseEvent(0x0401));
  EXPECT_TRUE(RunUntilSwitched([&] { return modes_->currentIndex() == ListIndexOf(8); }));
  EXPECT_EQ(rig_.App().GetLighting()->Host().ShownProfile(), ProfileNumber(2));

  // Unplugged and plugged in again on profile 4: the reload shows it.
  rig_.Library().Model()->Unplug();
  rig_.Keyboard().SetActiveProfile(3);
  rig_.Library().Model()->Plug();
  ASSERT_TRUE(
      RunUntilSwitched([&] { return rig_.Trace().Count("refreshed from the keyboard") >= 2; }));
  EXPECT_EQ(modes_->currentIndex(), ListIndexOf(7));
  EXPECT_EQ(rig_.App().GetLighting()->Host().ShownProfile(), ProfileNumber(3));
}

}  // namespace
}  // namespace ombrex
