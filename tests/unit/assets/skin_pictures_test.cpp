// The pictures the build draws: all there at both densities, each the size
// its window or control needs, every state telling itself apart, and the
// same bytes whenever they are drawn again.

#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "model/key_buttons_table.h"
#include "platform/text.h"
#include "tests/support/temp_dir.h"
#include "tests/unit/assets/asset_files.h"

namespace ombrex {
namespace {

using assetkit::Rect;
using test::LoadBuiltIni;
using test::LoadPicture;
using test::ProgramDir;

std::vector<std::string> Names(const std::string& prefix, const std::vector<std::string>& parts,
                               const std::string& suffix) {
  std::vector<std::string> names;
  for (const auto& part : parts) names.push_back(prefix + part + suffix);
  return names;
}

std::vector<std::string> AllPictures() {
  std::vector<std::string> all{"main_normal.jpg",  "main_over.jpg",      "main_down.jpg",
                               "main_disable.jpg", "main_color0.jpg",    "main_color1.jpg",
                               "Arrow.jpg",        "main_mask.bmp",      "composite_mask.bmp",
                               "profile_mask.bmp", "Profile_normal.jpg", "Profile_over.jpg",
                               "Profile_down.jpg", "icon_app.png",       "icon_absent.png",
                               "icon_present.png", "icon_indicator.png"};
  for (const char* set : {"key", "media", "function"}) {
    for (const auto& n : Names(std::string(set) + "_", {"normal", "over", "down"}, ".jpg")) {
      all.push_back(n);
    }
  }
  for (const char* set : {"macro", "macro2"}) {
    for (const auto& n :
         Names(std::string(set) + "_", {"normal", "over", "down", "disable"}, ".jpg")) {
      all.push_back(n);
    }
  }
  for (int i = 0; i <= 9; ++i) all.push_back(std::to_string(i) + ".bmp");
  for (int i = 1; i <= 10; ++i) all.push_back("jdt" + std::to_string(i) + ".bmp");
  for (const char* name :
       {"sjsup",  "sjsdown", "leftup",    "leftdown", "rightup",    "rightdown", "upup",
        "updown", "downup",  "downdown",  "kuosan",   "kuosandown", "julong",    "julongdown",
        "hong",   "hongok",  "huang",     "huangok",  "lv",         "lvok",      "lan",
        "lanok",  "user1up", "user1down", "user2up",  "user2down",  "dengup",    "dengdown"}) {
    all.push_back(std::string(name) + ".bmp");
  }
  return all;
}

Rect Button(const assetkit::IniText& ini, std::u16string_view key) {
  const auto rect = assetkit::ParseRect(ini.Find(u"BUTTONINFO", key).value_or(u""));
  EXPECT_TRUE(rect.has_value()) << test::Narrow(key);
  return rect.value_or(Rect{});
}

// Mean difference of the colour channels of two pictures inside `r`.
double Difference(const QImage& a, const QImage& b, const Rect& r) {
  double sum = 0;
  for (int y = r.y; y < r.Bottom(); ++y) {
    for (int x = r.x; x < r.Right(); ++x) {
      const QRgb p = a.pixel(x, y);
      const QRgb q = b.pixel(x, y);
      sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
             std::abs(qBlue(p) - qBlue(q));
    }
  }
  return sum / (3.0 * r.w * r.h);
}

std::string Hex3(int slot) {
  char text[8];
  std::snprintf(text, sizeof text, "%03X", slot);
  return text;
}

TEST(SkinPictures, EveryPictureExistsAtBothDensities) {
  for (const auto& name : AllPictures()) {
    const QImage single = LoadPicture(name);
    const QImage twice = LoadPicture(name, 2);
    ASSERT_FALSE(single.isNull()) << name;
    ASSERT_FALSE(twice.isNull()) << name << " at 2x";
    EXPECT_EQ(twice.size(), single.size() * 2) << name;
  }
}

TEST(SkinPictures, StatePicturesAndShapesHaveTheirWindowsSize) {
  struct Window {
    const char* skin;
    std::vector<std::string> pictures;
  };
  const std::vector<Window> windows{
      {"Main.ini",
       {"main_normal.jpg", "main_over.jpg", "main_down.jpg", "main_disable.jpg", "main_color0.jpg",
        "main_color1.jpg", "main_mask.bmp"}},
      {"Composite.ini",
       {"key_normal.jpg", "macro_disable.jpg", "macro2_down.jpg", "media_over.jpg",
        "function_normal.jpg", "composite_mask.bmp"}},
      {"Profile.ini", {"Profile_normal.jpg", "Profile_down.jpg", "profile_mask.bmp"}}};
  for (const auto& window : windows) {
    const auto ini = LoadBuiltIni(ProgramDir() / "Skins" / window.skin);
    const QSize size = LoadPicture(test::Narrow(ini.Find(u"SCREEN", u"Main").value_or(u""))).size();
    ASSERT_FALSE(size.isEmpty()) << window.skin;
    for (const auto& picture : window.pictures) {
      EXPECT_EQ(LoadPicture(picture).size(), size) << picture;
    }
    // The shape keeps the corners out and the middle in.
    const QImage shape = LoadPicture(test::Narrow(ini.Find(u"SCREEN", u"Mask").value_or(u"")))
                             .convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shape.pixel(0, 0) & 0xFFFFFF, 0xFFFFFFu) << window.skin;
    EXPECT_EQ(shape.pixel(size.width() - 1, size.height() - 1) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_NE(shape.pixel(size.width() / 2, size.height() / 2) & 0xFFFFFF, 0xFFFFFFu);
  }
}

TEST(SkinPictures, LightingBitmapsHaveTheSizeOfTheirControls) {
  const auto ini = LoadBuiltIni(ProgramDir() / "Skins" / "Main.ini");
  const std::vector<std::pair<std::u16string_view, std::vector<std::string>>> controls{
      {u"CONTROL_LightSlider", {"0.bmp", "1.bmp", "2.bmp", "3.bmp", "4.bmp"}},
      {u"CONTROL_SpeedSlider", {"5.bmp", "6.bmp", "7.bmp", "8.bmp", "9.bmp"}},
      {u"CONTROL_HXsjsStaPic", {"sjsup.bmp", "sjsdown.bmp"}},
      {u"CONTROL_FYSJSStaPic", {"sjsup.bmp", "sjsdown.bmp"}},
      {u"CONTROL_BLFXLStaPic",
       {"leftup.bmp", "leftdown.bmp", "upup.bmp", "updown.bmp", "kuosan.bmp", "kuosandown.bmp"}},
      {u"CONTROL_BLFXRStaPic",
       {"rightup.bmp", "rightdown.bmp", "downup.bmp", "downdown.bmp", "julong.bmp",
        "julongdown.bmp"}},
      {u"CONTROL_HONGPIC", {"hong.bmp", "hongok.bmp"}},
      {u"CONTROL_HUANGPIC", {"huang.bmp", "huangok.bmp"}},
      {u"CONTROL_LVPIC", {"lv.bmp", "lvok.bmp"}},
      {u"CONTROL_LANPIC", {"lan.bmp", "lanok.bmp"}},
      {u"CONTROL_USERgjStaPic1", {"user1up.bmp", "user1down.bmp"}},
      {u"CONTROL_USERgjStaPic2", {"user2up.bmp", "user2down.bmp"}},
      {u"CONTROL_DengStaPic", {"dengup.bmp", "dengdown.bmp"}},
      {u"CONTROL_JDTStatic", {"jdt1.bmp", "jdt5.bmp", "jdt10.bmp"}}};
  for (const auto& [key, pictures] : controls) {
    const Rect place = Button(ini, key);
    for (const auto& picture : pictures) {
      EXPECT_EQ(LoadPicture(picture).size(), QSize(place.w, place.h))
          << picture << " on " << test::Narrow(key);
    }
  }
}

TEST(SkinPictures, ArrowOriginsCutArrowsOfTheirButtonsSize) {
  const auto ini = LoadBuiltIni(ProgramDir() / "Skins" / "Main.ini");
  const QImage arrows = LoadPicture("Arrow.jpg");
  ASSERT_FALSE(arrows.isNull());
  for (const char* side : {"LEFT", "RIGHT"}) {
    const Rect button = Button(ini, Utf16FromAscii(std::string(side) + "_ARROW"));
    for (const char* flip : {"UP", "DOWN"}) {
      for (int state : {1, 2}) {
        const std::string key = std::string(flip) + "_ARROW_" + side + std::to_string(state);
        const auto origin =
            assetkit::ParseRect(ini.Find(u"BUTTONINFO2", Utf16FromAscii(key)).value_or(u""));
        ASSERT_TRUE(origin.has_value()) << key;
        const Rect cut{origin->x, origin->y, button.w, button.h};
        EXPECT_TRUE(Rect({0, 0, arrows.width(), arrows.height()}).Contains(cut)) << key;
      }
    }
    // While F1..F4 are active the arrows must not look as when D1..D6 are.
    const auto up = assetkit::ParseRect(
        ini.Find(u"BUTTONINFO2", Utf16FromAscii(std::string("UP_ARROW_") + side + "1")).value());
    const auto down = assetkit::ParseRect(
        ini.Find(u"BUTTONINFO2", Utf16FromAscii(std::string("DOWN_ARROW_") + side + "1")).value());
    const QImage a = arrows.copy(up->x, up->y, button.w, button.h);
    const QImage b = arrows.copy(down->x, down->y, button.w, button.h);
    EXPECT_GT(Difference(a, b, {0, 0, button.w, button.h}), 4.0) << side;
  }
}

TEST(SkinPictures, EveryKeyLooksDifferentWhenHoveredPressedOrAssigned) {
  const auto ini = LoadBuiltIni(ProgramDir() / "Skins" / "Main.ini");
  const QImage normal = LoadPicture("main_normal.jpg");
  const QImage over = LoadPicture("main_over.jpg");
  const QImage down = LoadPicture("main_down.jpg");
  const QImage marked = LoadPicture("main_disable.jpg");
  std::vector<std::u16string> keys;
  for (const auto& button : kKeyButtons) keys.push_back(Utf16FromAscii("KEY_" + Hex3(button.slot)));
  for (int g = 1; g <= 7; ++g) keys.push_back(Utf16FromAscii("FUNC_G" + std::to_string(g)));
  keys.push_back(u"KEY_FN");
  for (const auto& key : keys) {
    const Rect r = Button(ini, key);
    EXPECT_GT(Difference(normal, over, r), 6.0) << test::Narrow(key) << " hover";
    EXPECT_GT(Difference(normal, down, r), 6.0) << test::Narrow(key) << " pressed";
    EXPECT_GT(Difference(normal, marked, r), 6.0) << test::Narrow(key) << " assigned";
    EXPECT_GT(Difference(over, marked, r), 6.0) << test::Narrow(key) << " hover vs assigned";
  }
  // G8 and G9 are never enabled: they look the same in every picture.
  for (auto key : {u"FUNC_G8", u"FUNC_G9"}) {
    const Rect r = Button(ini, key);
    EXPECT_LT(Difference(normal, over, r), 1.5) << test::Narrow(key);
    EXPECT_LT(Difference(normal, marked, r), 1.5) << test::Narrow(key);
  }
  // The bank indicator shows bank B in the marked picture.
  EXPECT_GT(Difference(normal, marked, Button(ini, u"LOCK_AB")), 4.0);
}

TEST(SkinPictures, EachEditorPageShowsItsOwnTabSelected) {
  const auto ini = LoadBuiltIni(ProgramDir() / "Skins" / "Composite.ini");
  const std::vector<std::pair<std::u16string_view, const char*>> tabs{
      {u"CONTROL_KEY", "key"},
      {u"CONTROL_MACRO", "macro"},
      {u"CONTROL_MEDIA", "media"},
      {u"CONTROL_FUNCTION", "function"}};
  for (const auto& [tab, page] : tabs) {
    const QImage own = LoadPicture(std::string(page) + "_normal.jpg");
    for (const auto& [other, otherPage] : tabs) {
      if (other == tab) continue;
      const QImage theirs = LoadPicture(std::string(otherPage) + "_normal.jpg");
      EXPECT_GT(Difference(own, theirs, Button(ini, tab)), 3.0)
          << test::Narrow(tab) << " on " << page << " vs " << otherPage;
    }
  }
}

std::string ReadAll(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(SkinPictures, DrawingAgainGivesTheSameBytesAsTheBuild) {
  const test::TempDir out;
  const std::string command = std::string("\"") + OMBREX_SKINGEN + "\" --skins \"" +
                              (test::SourceDir() / "assets" / "skins").string() + "\" --out \"" +
                              (out / "Skins").string() + "\" --icons \"" +
                              (out / "Icons").string() + "\" 2>/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  int compared = 0;
  for (const char* folder : {"Skins", "Icons"}) {
    for (const auto& entry : std::filesystem::directory_iterator(out / folder)) {
      const auto name = entry.path().filename();
      const bool same = ReadAll(entry.path()) == ReadAll(ProgramDir() / folder / name);
      EXPECT_TRUE(same) << folder << "/" << name.string() << " differs from the build's";
      ++compared;
    }
  }
  EXPECT_GT(compared, 150);
}

}  // namespace
}  // namespace ombrex
