#include "widgets/png_button.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/unit/widgets/widget_test_util.h"
#include "widgets/skin_placement.h"

namespace ombrex {
namespace {

using test::DialogPicture;
using test::Grab;
using test::PixelAt;

const QRect kFace(20, 10, 30, 20);
const QColor kNormal(10, 200, 10);
const QColor kHover(10, 10, 200);
const QColor kPressed(200, 10, 10);
const QColor kDisabled(100, 100, 20);
const QColor kMarked(200, 200, 10);

ButtonPictures StatePictures() {
  return {DialogPicture(kFace, kNormal), DialogPicture(kFace, kHover),
          DialogPicture(kFace, kPressed), DialogPicture(kFace, kDisabled),
          DialogPicture(kFace, kMarked)};
}

class PngButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    button = new CPngButton(1058, &parent);
    button->setGeometry(kFace);
    button->SetPictureOrigin(kFace.topLeft());
    button->SetPictures(StatePictures());
  }

  // The colour of the middle of the button as drawn now.
  QColor Shown() { return PixelAt(Grab(*button), kFace.width() / 2, kFace.height() / 2); }

  QWidget parent;
  CPngButton* button = nullptr;
};

TEST(SelectFaceTest, FollowsDisabledPressedHoverMarkedNormalOrder) {
  for (int bits = 0; bits < 32; ++bits) {
    const ButtonFaceState state{.enabled = (bits & 1) != 0,
                                .pressed = (bits & 2) != 0,
                                .selected = (bits & 4) != 0,
                                .hover = (bits & 8) != 0,
                                .marked = (bits & 16) != 0};
    ButtonFace expected = ButtonFace::Normal;
    if (!state.enabled) {
      expected = ButtonFace::Disabled;
    } else if (state.pressed || state.selected) {
      expected = ButtonFace::Pressed;
    } else if (state.hover) {
      expected = ButtonFace::Hover;
    } else if (state.marked) {
      expected = ButtonFace::Marked;
    }
    EXPECT_EQ(SelectFace(state), expected) << "state bits " << bits;
  }
}

TEST_F(PngButtonTest, CutsEachStateFaceAtThePictureOrigin) {
  EXPECT_EQ(Shown(), kNormal);
  const QImage normal = Grab(*button);
  // The whole face comes from the origin's rectangle: no grey at any corner.
  for (QPoint corner : {QPoint(0, 0), QPoint(29, 0), QPoint(0, 19), QPoint(29, 19)}) {
    EXPECT_EQ(PixelAt(normal, corner.x(), corner.y()), kNormal);
  }

  button->SetMarked(true);
  EXPECT_EQ(Shown(), kMarked);
  test::SendEnter(*button);
  EXPECT_EQ(Shown(), kHover) << "hover beats marked";
  button->setDown(true);
  EXPECT_EQ(Shown(), kPressed) << "pressed beats hover";
  button->setEnabled(false);
  EXPECT_EQ(Shown(), kDisabled) << "disabled beats everything";
  button->setEnabled(true);
  button->setDown(false);
  test::SendLeave(*button);
  EXPECT_EQ(Shown(), kMarked);
}

TEST_F(PngButtonTest, AWrongOriginShowsAnotherPartOfThePicture) {
  button->SetPictureOrigin(QPoint(0, 0));
  EXPECT_EQ(Shown(), QColor(Qt::gray));
}

TEST_F(PngButtonTest, APlacementOffItsPictureIsCutToItOrLeftOut) {
  struct Case {
    const char* name;
    Placement place;
    std::optional<QRect> shown;  // nullopt: hidden and disabled
  };
  // The pictures are 120 x 80.
  const Case cases[] = {
      {"inside", {20, 10, 30, 20}, QRect(20, 10, 30, 20)},
      {"over the right edge", {100, 70, 50, 50}, QRect(100, 70, 20, 10)},
      {"of no size", {20, 10, 0, 0}, std::nullopt},
      {"beyond the picture", {500, 10, 30, 20}, std::nullopt},
      {"left to the skin", {1, 1, 30, 20}, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CPngButton placed(1, &parent);
    PlaceImageButton(placed, c.place, StatePictures());
    EXPECT_EQ(placed.isHidden(), !c.shown);
    EXPECT_EQ(placed.isEnabled(), c.shown.has_value());
    if (c.shown) EXPECT_EQ(placed.geometry(), *c.shown);
  }
}

TEST_F(PngButtonTest, SelectedShowsThePressedFaceUntilCleared) {
  button->SetSelected(true);
  EXPECT_EQ(Shown(), kPressed);
  button->SetSelected(false);
  EXPECT_EQ(Shown(), kNormal);
}

TEST_F(PngButtonTest, HighlightTurnsNormalAndMarkedFacesIntoHover) {
  button->SetHighlighted(true);
  EXPECT_EQ(Shown(), kHover);
  button->SetMarked(true);
  EXPECT_EQ(Shown(), kHover);
  button->setEnabled(false);
  EXPECT_EQ(Shown(), kDisabled) << "the highlight leaves the disabled face alone";
  button->setEnabled(true);
  button->SetHighlighted(false);
  EXPECT_EQ(Shown(), kMarked) << "closing the dialog gives the usual faces back";
}

TEST_F(PngButtonTest, FrameIsTwoPixelsWideAndLiesOnTheLastFace) {
  button->SetMarked(true);
  Grab(*button);  // the marked face is the last one drawn
  const QColor frame(255, 0, 255);
  button->SetFrameColour(frame);
  test::SendEnter(*button);  // a frame does not follow the state
  const QImage image = Grab(*button);
  const int w = kFace.width();
  const int h = kFace.height();
  for (int x = 0; x < w; ++x) {
    for (int y : {0, 1, h - 2, h - 1}) EXPECT_EQ(PixelAt(image, x, y), frame) << x << "," << y;
  }
  for (int y = 0; y < h; ++y) {
    for (int x : {0, 1, w - 2, w - 1}) EXPECT_EQ(PixelAt(image, x, y), frame) << x << "," << y;
  }
  for (int y = 2; y < h - 2; ++y) {
    for (int x = 2; x < w - 2; ++x) ASSERT_EQ(PixelAt(image, x, y), kMarked) << x << "," << y;
  }

  button->SetFrameColour(std::nullopt);
  EXPECT_EQ(Shown(), kHover);
}

TEST_F(PngButtonTest, FrameBeforeAnyFaceDrawsNoFace) {
  button->SetFrameColour(QColor(Qt::red));
  const QImage image = Grab(*button);
  EXPECT_EQ(PixelAt(image, 0, 0), QColor(Qt::red));
  EXPECT_NE(PixelAt(image, 15, 10), kNormal);
}

TEST_F(PngButtonTest, AfterDrawHookSaysWhetherTheNormalFaceWasDrawn) {
  std::vector<bool> calls;
  button->SetAfterDraw([&](CPngButton& drawn, bool normal) {
    EXPECT_EQ(&drawn, button);
    calls.push_back(normal);
  });
  Grab(*button);
  test::SendEnter(*button);
  Grab(*button);
  test::SendLeave(*button);
  button->SetMarked(true);
  Grab(*button);
  button->SetMarked(false);
  button->SetFrameColour(QColor(Qt::red));
  Grab(*button);
  EXPECT_EQ(calls, (std::vector<bool>{true, false, false, false}));
}

TEST_F(PngButtonTest, CaptionAndTooltipAreShownTexts) {
  button->SetTooltip(u"Assigned: Ctrl+C");
  button->SetCaption(u"确定");
  EXPECT_EQ(button->toolTip(), QStringLiteral("Assigned: Ctrl+C"));
  EXPECT_EQ(button->text(), QString::fromUtf8("确定"));
}

}  // namespace
}  // namespace ombrex
