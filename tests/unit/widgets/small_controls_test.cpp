// The colour button, the hyperlink and the picture static.

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <optional>
#include <vector>

#include "tests/unit/widgets/widget_test_util.h"
#include "widgets/hyperlink.h"
#include "widgets/image_static.h"
#include "widgets/skin_color_button.h"

namespace ombrex {
namespace {

class ColourButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window.resize(300, 200);
    button = new CSkinColorButton(1155, &window);
    button->setGeometry(10, 10, 40, 20);
    button->SetColour(QColor(10, 20, 30));
    window.show();
  }

  QWidget window;
  CSkinColorButton* button = nullptr;
};

TEST_F(ColourButtonTest, ShowsItsColour) {
  EXPECT_EQ(test::PixelAt(test::Grab(*button), 20, 10), QColor(10, 20, 30));
}

TEST_F(ColourButtonTest, ClickOpensThePaletteAndASwatchPicksItsColour) {
  QSignalSpy picked(button, &CSkinColorButton::colourPicked);
  QTest::mouseClick(button, Qt::LeftButton);
  CColorPalette* palette = button->OpenPalette();
  ASSERT_NE(palette, nullptr);
  EXPECT_EQ(palette->OtherButton(), nullptr) << "\"other\" only when enabled";
  QTest::mouseClick(palette->SwatchButton(16), Qt::LeftButton);
  ASSERT_EQ(picked.count(), 1);
  EXPECT_EQ(picked.at(0).at(0).toInt(), 1155);
  EXPECT_EQ(picked.at(0).at(1).value<QColor>(), QColor(255, 0, 0));
  EXPECT_EQ(button->Colour(), QColor(255, 0, 0));
}

TEST_F(ColourButtonTest, OtherAsksForAnyColourAndCancelKeepsTheOldOne) {
  std::vector<std::optional<QColor>> answers{QColor(1, 2, 3), std::nullopt};
  std::vector<QColor> asked;
  button->EnableOtherButton(u"other");
  button->SetColourChooser([&](const QColor& initial, QWidget*) {
    asked.push_back(initial);
    auto answer = answers.front();
    answers.erase(answers.begin());
    return answer;
  });
  QSignalSpy picked(button, &CSkinColorButton::colourPicked);

  CColorPalette* palette = button->ShowPalette();
  ASSERT_NE(palette->OtherButton(), nullptr);
  EXPECT_EQ(palette->OtherButton()->text(), QStringLiteral("other"));
  QTest::mouseClick(palette->OtherButton(), Qt::LeftButton);
  QApplication::processEvents();
  EXPECT_EQ(button->Colour(), QColor(1, 2, 3));

  QTest::mouseClick(button->ShowPalette()->OtherButton(), Qt::LeftButton);
  QApplication::processEvents();
  EXPECT_EQ(button->Colour(), QColor(1, 2, 3));
  EXPECT_EQ(picked.count(), 1);
  EXPECT_EQ(asked, (std::vector<QColor>{QColor(10, 20, 30), QColor(1, 2, 3)}));
}

TEST_F(ColourButtonTest, AutomaticChoiceCountsAsTheAutomaticColour) {
  button->SetAutomaticColour(QColor(0, 255, 0), u"Automatic");
  QSignalSpy picked(button, &CSkinColorButton::colourPicked);
  QTest::mouseClick(button->ShowPalette()->AutomaticButton(), Qt::LeftButton);
  EXPECT_TRUE(button->IsAutomatic());
  EXPECT_EQ(button->Colour(), QColor(0, 255, 0));
  ASSERT_EQ(picked.count(), 1);
  EXPECT_EQ(picked.at(0).at(1).value<QColor>(), QColor(0, 255, 0));
  button->SetColour(Qt::blue);
  EXPECT_FALSE(button->IsAutomatic());
}

TEST(HyperLinkTest, ClickOpensTheAddressThroughTheOpener) {
  CHyperLink link;
  std::vector<QString> opened;
  bool succeed = false;
  link.SetOpener([&](const QString& address) {
    opened.push_back(address);
    return succeed;
  });
  link.SetAddress(u"https://ombrex.example/support");
  link.resize(200, 20);
  EXPECT_EQ(link.text(), QStringLiteral("https://ombrex.example/support"));
  EXPECT_TRUE(link.font().underline());

  QTest::mouseClick(&link, Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_FALSE(link.Visited()) << "a failed opening does not count as visited";
  succeed = true;
  QTest::keyClick(&link, Qt::Key_Return);
  EXPECT_TRUE(link.Visited());
  QTest::mouseClick(&link, Qt::RightButton, {}, QPoint(10, 10));
  EXPECT_EQ(opened.size(), 2u);
  EXPECT_EQ(opened.back(), QStringLiteral("https://ombrex.example/support"));

  link.SetCaption(u"<b>Support</b>");
  EXPECT_EQ(link.textFormat(), Qt::PlainText);
  EXPECT_EQ(link.text(), QStringLiteral("<b>Support</b>"));
}

TEST(HyperLinkTest, WithoutAnAddressNothingOpens) {
  CHyperLink link;
  int calls = 0;
  link.SetOpener([&](const QString&) { return ++calls > 0; });
  EXPECT_FALSE(link.Open());
  EXPECT_EQ(calls, 0);
}

TEST(ImageStaticTest, ReportsClicksReleasedInsideOnly) {
  QWidget window;
  CImageStatic picture(1156, &window);
  picture.setGeometry(0, 0, 20, 20);
  picture.SetPicture(test::Solid(QSize(20, 20), Qt::cyan));
  QSignalSpy clicks(&picture, &CImageStatic::clicked);
  QTest::mouseClick(&picture, Qt::LeftButton, {}, QPoint(5, 5));
  QTest::mousePress(&picture, Qt::LeftButton, {}, QPoint(5, 5));
  QTest::mouseRelease(&picture, Qt::LeftButton, {}, QPoint(50, 5));
  picture.setEnabled(false);
  QTest::mouseClick(&picture, Qt::LeftButton, {}, QPoint(5, 5));
  ASSERT_EQ(clicks.count(), 1);
  EXPECT_EQ(clicks.at(0).at(0).toInt(), 1156);
  EXPECT_EQ(test::PixelAt(test::Grab(picture), 10, 10), QColor(Qt::cyan));
}

}  // namespace
}  // namespace ombrex
