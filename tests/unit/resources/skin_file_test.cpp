#include "resources/skin_file.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace ombrex {
namespace {

TEST(ParsePlacement, ReadsFourNumbersAsTheScanPatternDoes) {
  EXPECT_EQ(ParsePlacement(u"10,20,30,40"), (Placement{10, 20, 30, 40}));
  EXPECT_EQ(ParsePlacement(u"10,20,30,40,extra"), (Placement{10, 20, 30, 40}));
  EXPECT_EQ(ParsePlacement(u"10,20,30,40 and more"), (Placement{10, 20, 30, 40}));
  EXPECT_EQ(ParsePlacement(u" 5, 6,\t7,8"), (Placement{5, 6, 7, 8})) << "blanks before numbers";
  EXPECT_EQ(ParsePlacement(u"-3,+4,0,0"), (Placement{-3, 4, 0, 0}));
}

TEST(ParsePlacement, AFieldThatIsNoNumberStopsTheScan) {
  EXPECT_EQ(ParsePlacement(u""), (Placement{1, 1, 1, 1}));
  EXPECT_EQ(ParsePlacement(u"5"), (Placement{5, 1, 1, 1}));
  EXPECT_EQ(ParsePlacement(u"5,x,7,8"), (Placement{5, 1, 1, 1}));
  EXPECT_EQ(ParsePlacement(u"5 ,6,7,8"), (Placement{5, 1, 1, 1}))
      << "the comma must follow at once";
  EXPECT_EQ(ParsePlacement(u"5;6;7;8"), (Placement{5, 1, 1, 1}));
  EXPECT_EQ(ParsePlacement(u"7,8,-,9"), (Placement{7, 8, 1, 1}));
  EXPECT_EQ(ParsePlacement(u"99999999999,0,0,0"), (Placement{2147483647, 0, 0, 0}));
}

TEST(FitPlacement, KeepsAPlacementWithinItsPicture) {
  struct Case {
    Placement place;
    std::optional<Placement> fitted;
  };
  const Case cases[] = {
      {{10, 20, 30, 40}, Placement{10, 20, 30, 40}},
      {{90, 70, 30, 40}, Placement{90, 70, 10, 10}},
      {{-5, -5, 30, 40}, Placement{0, 0, 25, 35}},
      {{10, 20, 2147483647, 2147483647}, Placement{10, 20, 90, 60}},
      {{10, 20, 0, 40}, std::nullopt},
      {{10, 20, 30, -1}, std::nullopt},
      {{100, 20, 30, 40}, std::nullopt},
      {{-40, 20, 30, 40}, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FitPlacement(c.place, 100, 80), c.fitted)
        << c.place.x << "," << c.place.y << "," << c.place.w << "," << c.place.h;
  }
}

TEST(ParsePlacement, HiddenMeansXAndYBothOne) {
  EXPECT_TRUE(ParsePlacement(u"1,1,50,20").IsHidden());
  EXPECT_TRUE(ParsePlacement(u"1,1").IsHidden());
  EXPECT_FALSE(ParsePlacement(u"1,10,50,20").IsHidden()) << "numbers compare, not text";
  EXPECT_FALSE(ParsePlacement(u"10,1,50,20").IsHidden());
  EXPECT_TRUE(ParsePlacement(u"01,1,50,20").IsHidden());
}

TEST(SkinFile, ReadsPlacesPicturesAndCaptions) {
  test::TempDir folder;
  const auto path = folder.Write("Skins/Main.ini",
                                 "[SCREEN]\r\nMain=main_bg.bmp\r\nLink=https://example.invalid\r\n"
                                 "[BUTTONINFO]\r\nKEY_01E=10,20,30,40\r\nCONTROL_OK=1,1,50,20\r\n"
                                 "[BUTTONINFO2]\r\nUP_ARROW_LEFT1=5,6,7,8\r\n"
                                 "[Control_Name]\r\nUsb=USB cn\r\n"
                                 "[Control_Name1]\r\nUsb=USB en\r\n");
  const SkinFile skin(path);
  EXPECT_EQ(skin.Folder(), folder / "Skins");
  EXPECT_EQ(skin.Button(u"key_01e"), (Placement{10, 20, 30, 40}));
  EXPECT_TRUE(skin.Button(u"CONTROL_OK").IsHidden());
  EXPECT_EQ(skin.Button(u"KEY_09D"), (Placement{1, 1, 1, 1}));
  EXPECT_TRUE(skin.Button(u"KEY_09D").IsHidden());
  EXPECT_EQ(skin.Origin(u"UP_ARROW_LEFT1"), (Placement{5, 6, 7, 8}));
  EXPECT_EQ(skin.Place(u"BUTTONINFO2", u"KEY_01E"), (Placement{1, 1, 1, 1}));

  EXPECT_EQ(skin.BackgroundPicture(), u"main_bg.bmp");
  EXPECT_EQ(skin.MaskPicture(), u"main_bg.bmp") << "the shape defaults to the background";
  EXPECT_EQ(skin.Link(u"default"), u"https://example.invalid");

  EXPECT_EQ(skin.ControlName(u"Usb", 0), u"USB cn");
  EXPECT_EQ(skin.ControlName(u"usb", 1), u"USB en");
  EXPECT_EQ(skin.ControlName(u"Usb", 2), u"");
  EXPECT_EQ(skin.ControlName(u"Tool", 1), u"");
}

TEST(SkinFile, AMissingFileHasEveryKeyMissing) {
  test::TempDir folder;
  const SkinFile skin(folder / "Skins/Profile.ini");
  EXPECT_TRUE(skin.Button(u"CONTROL_OK").IsHidden());
  EXPECT_EQ(skin.BackgroundPicture(), u"");
  EXPECT_EQ(skin.MaskPicture(), u"");
  EXPECT_EQ(skin.Link(u"https://fallback.invalid"), u"https://fallback.invalid");
}

TEST(SkinFile, AnOwnMaskPictureWins) {
  test::TempDir folder;
  const SkinFile skin(folder.Write("s.ini", "[SCREEN]\nMain=a.bmp\nMask=b.bmp\n"));
  EXPECT_EQ(skin.MaskPicture(), u"b.bmp");
}

constexpr std::uint32_t W = 0xFFFFFF;
constexpr std::uint32_t B = 0x000000;

TEST(MaskRegionRuns, AWhiteFrameAroundABlackRectangleGivesTheRectangle) {
  // 6 x 4 picture, black rectangle at x 1..4, y 1..2.
  const std::vector<std::uint32_t> pixels = {
      W, W, W, W, W, W,  //
      W, B, B, B, B, W,  //
      W, B, B, B, B, W,  //
      W, W, W, W, W, W,  //
  };
  EXPECT_EQ(MaskRegionRuns(6, 4, pixels), (std::vector<RegionRun>{{1, 1, 5}, {2, 1, 5}}));
}

TEST(MaskRegionRuns, OnlyPureWhiteIsLeftOut) {
  const std::vector<std::uint32_t> pixels = {
      0xFF000000 | W,
      0xFEFFFF,
      0xFFFFFE,
      W,  // alpha is ignored; near-white belongs
      B,
      W,
      B,
      B,  // two runs in one row
  };
  EXPECT_EQ(MaskRegionRuns(4, 2, pixels),
            (std::vector<RegionRun>{{0, 1, 3}, {1, 0, 1}, {1, 2, 4}}));
}

TEST(MaskRegionRuns, AnIncompletePictureGivesNoShape) {
  const std::vector<std::uint32_t> pixels(5, B);
  EXPECT_TRUE(MaskRegionRuns(3, 2, pixels).empty());
  EXPECT_TRUE(MaskRegionRuns(0, 2, pixels).empty());
  EXPECT_TRUE(MaskRegionRuns(-1, -5, pixels).empty());
  EXPECT_EQ(MaskRegionRuns(5, 1, pixels).size(), 1u);
}

}  // namespace
}  // namespace ombrex
