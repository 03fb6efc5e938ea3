// The skin files place every control the windows lay out, inside the
// window's shape, with nothing on top of anything it should not cover.

#include <gtest/gtest.h>

#include <QImage>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "model/key_buttons_table.h"
#include "platform/text.h"
#include "resources/skin_file.h"
#include "tests/unit/assets/asset_files.h"

namespace ombrex {
namespace {

using assetkit::Rect;
using test::LoadBuiltIni;
using test::Narrow;
using test::ProgramDir;

std::string Hex3(int slot) {
  char text[8];
  std::snprintf(text, sizeof text, "%03X", slot);
  return text;
}

std::vector<std::string> Numbered(const std::string& prefix, int first, int last) {
  std::vector<std::string> keys;
  for (int i = first; i <= last; ++i) keys.push_back(prefix + std::to_string(i));
  return keys;
}

void Append(std::vector<std::string>& to, const std::vector<std::string>& more) {
  to.insert(to.end(), more.begin(), more.end());
}

// One built skin: its placements and the window's size and shape, taken
// from the pictures the program will load.
class Skin {
 public:
  explicit Skin(const std::string& file) : ini_(LoadBuiltIni(ProgramDir() / "Skins" / file)) {
    const auto main = ini_.Find(u"SCREEN", u"Main");
    const auto mask = ini_.Find(u"SCREEN", u"Mask");
    background_ = test::LoadPicture(Narrow(main.value_or(u"")));
    shape_ = test::LoadPicture(Narrow(mask.value_or(main.value_or(u""))));
  }

  bool Has(const std::string& key) const { return Value(key).has_value(); }
  // The placement, nullopt for a missing key or a hidden (1,1) placement.
  std::optional<Rect> Place(const std::string& key) const {
    const auto value = Value(key);
    if (!value) return std::nullopt;
    const auto rect = assetkit::ParseRect(*value);
    EXPECT_TRUE(rect.has_value()) << key << " is not x,y,w,h";
    if (!rect || rect->IsHidden()) return std::nullopt;
    return rect;
  }
  std::vector<std::string> Keys() const {
    std::vector<std::string> keys;
    for (const auto& key : test::KeysOf(ini_, u"BUTTONINFO")) keys.push_back(Narrow(key));
    return keys;
  }
  QSize Size() const { return background_.size(); }
  bool InsideShape(int x, int y) const {
    return shape_.valid(x, y) && (shape_.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
  }
  const assetkit::IniText& Ini() const { return ini_; }

 private:
  std::optional<std::u16string_view> Value(const std::string& key) const {
    return ini_.Find(u"BUTTONINFO", std::u16string(key.begin(), key.end()));
  }
  assetkit::IniText ini_;
  QImage background_;
  QImage shape_;
};

// ---- What each window lays out --------------------------------------------

std::vector<std::string> MainKeyButtons() {
  std::vector<std::string> keys;
  for (const auto& button : kKeyButtons) keys.push_back("KEY_" + Hex3(button.slot));
  Append(keys, Numbered("FUNC_G", 1, 9));
  Append(keys, Numbered("FUNC_D", 1, 6));
  keys.push_back("KEY_FN");
  return keys;
}

const std::vector<std::string> kMainCommands{"TIRVAN_LINK",
                                             "TIRVAN_VER",
                                             "FUNC_PROFILES",
                                             "FUNC_MACRO",
                                             "CONTROL_OK",
                                             "CONTROL_CANCEL",
                                             "CONTROL_HELP",
                                             "CONTROL_CLOSE",
                                             "CONTROL_MINIMIZE",
                                             "CONTROL_MENU",
                                             "CONTROL2_APPLY",
                                             "LOCK_CAPS",
                                             "LOCK_NUM",
                                             "LOCK_SCROLL",
                                             "LOCK_AB",
                                             "FLIP_1",
                                             "FLIP_2",
                                             "LEFT_ARROW",
                                             "RIGHT_ARROW",
                                             "FUNC_PROFILE1",
                                             "FUNC_PROFILE2",
                                             "FUNC_PROFILE3",
                                             "FUNC_PROFILE4",
                                             "FUNC_DEFAULT",
                                             "FUNC_REPORT1",
                                             "FUNC_REPORT2",
                                             "FUNC_REPORT3",
                                             "FUNC_REPORT4",
                                             "CONTROL_UsbStatic",
                                             "CONTROL_RGBStatic",
                                             "COLOR_R",
                                             "COLOR_G",
                                             "COLOR_B",
                                             "CONTROL_DengStatic",
                                             "CONTROL_DengStaPic",
                                             "CONTROL_JDTStatic"};

// The lighting panel's controls by group, and the lighting modes that show
// each group.
struct PanelGroup {
  std::vector<std::string> keys;
  std::set<int> modes;
};
const std::vector<PanelGroup> kPanelGroups{
    {{"CONTROL_XGcombox", "CONTROL_LightStatic", "CONTROL_LightSlider"},
     {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 20, 22, 23}},
    {{"CONTROL_SpeedStatic", "CONTROL_SpeedSlider"},
     {1, 2, 3, 4, 5, 7, 8, 9, 10, 11, 12, 13, 14, 15, 23}},
    {{"CONTROL_BLFXStatic", "CONTROL_BLFXLStaPic", "CONTROL_BLFXRStaPic"}, {1, 2, 3, 12, 18}},
    {{"CONTROL_HXysStatic", "CONTROL_HXysButton", "CONTROL_HXsjsStatic", "CONTROL_HXsjsStaPic"},
     {1, 2, 3, 5, 7, 8, 9, 10, 13, 14, 15}},
    {{"CONTROL_FYYSStatic", "CONTROL_FYYSButton", "CONTROL_FYSJSStatic", "CONTROL_FYSJSStaPic"},
     {6, 16}},
    {{"CONTROL_HONGPIC", "CONTROL_HUANGPIC", "CONTROL_LVPIC", "CONTROL_LANPIC"}, {17}},
    {{"CONTROL_USERysStatic", "CONTROL_USERysButton", "CONTROL_USERjsStatic",
      "CONTROL_USERjsButton", "CONTROL_USERgjStatic", "CONTROL_USERgjStaPic1",
      "CONTROL_USERgjStaPic2", "CONTROL_umCombo"},
     {20}},
};
const std::vector<std::string> kDirectionKeys{"CONTROL_BLFXStatic", "CONTROL_BLFXLStaPic",
                                              "CONTROL_BLFXRStaPic"};

// Keys the window reads that this skin may leave out.
const std::vector<std::string> kMainOptional{
    "FUNC_SWITCH",          "CONTROL_Network",      "CONTROL_Facebook",    "CONTROL_twitter",
    "CONTROL_FYCFStatic",   "CONTROL_FYdjcfStatic", "CONTROL_FYggcfStatc", "CONTROL_FYdjcfStaPic",
    "CONTROL_FYggcfStaPic", "CONTROL_TSysStatic",   "CONTROL_TSysButton",  "CONTROL_TSsjsStatic",
    "CONTROL_TSsjsStaPic",  "CONTROL_CDysStatic",   "CONTROL_CDysButton",  "CONTROL_CDsjsStatic",
    "CONTROL_CDsjsStaPic",  "CONTROL_Color1",       "CONTROL_Color2",      "CONTROL_Color3",
    "CONTROL_Color4",       "CONTROL_Color5",       "CONTROL_Color6",      "CONTROL_Color7",
    "CONTROL_Color8"};

std::vector<std::string> MainRequired() {
  std::vector<std::string> keys = MainKeyButtons();
  Append(keys, kMainCommands);
  keys.push_back("FLIP_0");
  for (const auto& group : kPanelGroups) Append(keys, group.keys);
  for (const char* variant : {"2", "3"}) {
    for (const auto& key : kDirectionKeys) keys.push_back(key + variant);
  }
  return keys;
}

const std::vector<std::string> kCompositeCommon{
    "CONTROL_TITLE", "KEY_SETTING",    "CONTROL_OSK",      "CONTROL_KEY",
    "CONTROL_MACRO", "CONTROL_MEDIA",  "CONTROL_FUNCTION", "CONTROL_CLEAR",
    "CONTROL_OK",    "CONTROL_CANCEL", "CONTROL_APPLY"};
const std::map<std::string, std::vector<std::string>> kCompositePages{
    {"key",
     {"TISHI_SINGLE_STATIC", "FUNC_KEY_RADIO_KB", "FUNC_KEY_RADIO_KB_STATIC", "FUNC_KEY_INPUT",
      "FUNC_KEY_RADIO_MOU", "FUNC_KEY_RADIO_MOU_STATIC", "FUNC_MOUSE_SELECT"}},
    {"macro",
     {"MARCO_NAME_SETTING", "FUNC_MACRO_LIST", "FUNC_MACRO_ADD", "FUNC_MACRO_DELETE",
      "FUNC_MACRO_CYCLES_PROMPT", "FUNC_MACRO_CYCLES", "FUNC_MACRO_LIST2", "FUNC_MACRO_RECORD",
      "FUNC_MACRO_DELETE2", "FUNC_MACRO_CLEAR", "FUNC_MACRO_UP_TOP", "FUNC_MACRO_UP",
      "FUNC_MACRO_DOWN", "FUNC_MACRO_DOWN_BOTTOM", "FUNC_MACRO_RECORD_DELAY",
      "FUNC_MACRO_RECORD_DELAY2", "FUNC_MACRO_MEMORY"}},
    {"media", {"MEDIA_SETTING_TISHI", "FUNC_MEDIA_SELECT"}},
    {"function", {"FUNCTION_KEY_SETTING_TISHI", "FUNC_FUNCTION_SELECT"}},
};

const std::vector<std::string> kProfileKeys{"CONTROL_OK",  "CONTROL_CANCEL", "FUNC_ADD",
                                            "FUNC_LOAD",   "FUNC_DELETE",    "CONTROL2_APPLY",
                                            "PROGRAM_LIST"};

// ---- Checks ------------------------------------------------------------------

std::string Describe(const Rect& r) {
  return std::to_string(r.x) + "," + std::to_string(r.y) + "," + std::to_string(r.w) + "," +
         std::to_string(r.h);
}

void ExpectLayoutKeys(const Skin& skin, const std::vector<std::string>& required,
                      const std::vector<std::string>& optional) {
  for (const auto& key : required)
    EXPECT_TRUE(skin.Place(key).has_value()) << key << " is not shown";
  for (const auto& key : optional) EXPECT_TRUE(skin.Has(key)) << key << " is missing";
  const std::set<std::string> known = [&] {
    std::set<std::string> all(required.begin(), required.end());
    all.insert(optional.begin(), optional.end());
    return all;
  }();
  for (const auto& key : skin.Keys())
    EXPECT_EQ(known.count(key), 1u) << key << " is read by nobody";
}

void ExpectInsideShape(const Skin& skin) {
  ASSERT_FALSE(skin.Size().isEmpty()) << "background picture missing";
  for (const auto& key : skin.Keys()) {
    const auto r = skin.Place(key);
    if (!r) continue;
    EXPECT_GT(r->w, 0) << key;
    EXPECT_GT(r->h, 0) << key;
    const bool corners = skin.InsideShape(r->x, r->y) && skin.InsideShape(r->Right() - 1, r->y) &&
                         skin.InsideShape(r->x, r->Bottom() - 1) &&
                         skin.InsideShape(r->Right() - 1, r->Bottom() - 1);
    EXPECT_TRUE(corners) << key << " (" << Describe(*r) << ") reaches outside the window";
  }
}

struct Placed {
  std::string key;
  Rect rect;
};

void ExpectNoOverlap(const std::vector<Placed>& shown, const std::string& where) {
  for (std::size_t i = 0; i < shown.size(); ++i) {
    for (std::size_t j = i + 1; j < shown.size(); ++j) {
      EXPECT_FALSE(shown[i].rect.Intersects(shown[j].rect))
          << where << ": " << shown[i].key << " (" << Describe(shown[i].rect) << ") overlaps "
          << shown[j].key << " (" << Describe(shown[j].rect) << ")";
    }
  }
}

std::vector<Placed> PlacedOf(const Skin& skin, const std::vector<std::string>& keys) {
  std::vector<Placed> placed;
  for (const auto& key : keys) {
    if (const auto r = skin.Place(key)) placed.push_back({key, *r});
  }
  return placed;
}

// The direction controls keep the size of their plain placement and move to
// the "2" keys in modes 1..3 and the "3" keys in mode 12.
std::vector<Placed> PanelControlsOfMode(const Skin& skin, int mode) {
  std::vector<Placed> shown;
  for (const auto& group : kPanelGroups) {
    if (group.modes.count(mode) == 0) continue;
    for (const auto& key : group.keys) {
      auto rect = skin.Place(key);
      if (!rect) continue;
      const bool direction =
          std::find(kDirectionKeys.begin(), kDirectionKeys.end(), key) != kDirectionKeys.end();
      const char* variant = mode <= 3 ? "2" : mode == 12 ? "3" : nullptr;
      if (direction && variant != nullptr) {
        if (const auto moved = skin.Place(key + variant)) {
          rect->x = moved->x;
          rect->y = moved->y;
        }
      }
      shown.push_back({key, *rect});
    }
  }
  return shown;
}

TEST(MainSkin, ShowsEveryControlTheWindowLaysOut) {
  const Skin skin("Main.ini");
  ExpectLayoutKeys(skin, MainRequired(), kMainOptional);
  for (const char* side : {"LEFT", "RIGHT"}) {
    for (const char* flip : {"UP", "DOWN"}) {
      for (int state : {1, 2}) {
        const std::string key = std::string(flip) + "_ARROW_" + side + std::to_string(state);
        EXPECT_TRUE(skin.Ini().Find(u"BUTTONINFO2", Utf16FromAscii(key)).has_value()) << key;
      }
    }
  }
}

TEST(MainSkin, EveryControlLiesInsideTheWindowShape) {
  ExpectInsideShape(Skin("Main.ini"));
}

TEST(MainSkin, KeyButtonsDoNotOverlap) {
  const Skin skin("Main.ini");
  ExpectNoOverlap(PlacedOf(skin, MainKeyButtons()), "key grid");
}

TEST(MainSkin, NothingOverlapsInTheKeyViewOrInAnyLightingMode) {
  const Skin skin("Main.ini");
  std::vector<std::string> always = MainKeyButtons();
  Append(always, kMainCommands);
  ExpectNoOverlap(PlacedOf(skin, always), "key view");
  for (int mode = 1; mode <= 23; ++mode) {
    auto shown = PlacedOf(skin, always);
    const auto panel = PanelControlsOfMode(skin, mode);
    shown.insert(shown.end(), panel.begin(), panel.end());
    ExpectNoOverlap(shown, "lighting mode " + std::to_string(mode));
  }
}

TEST(MainSkin, FlipTrayHoldsExactlyTheFlipGroup) {
  // The tray is drawn behind the switches, the arrows and D1..D6; it must not
  // reach under any other control, which would be painted over.
  const Skin skin("Main.ini");
  const auto tray = skin.Place("FLIP_0");
  ASSERT_TRUE(tray.has_value());
  std::vector<std::string> group = Numbered("FUNC_D", 1, 6);
  Append(group, {"FLIP_1", "FLIP_2", "LEFT_ARROW", "RIGHT_ARROW"});
  for (const auto& placed : PlacedOf(skin, group)) {
    EXPECT_TRUE(tray->Contains(placed.rect)) << placed.key;
  }
  std::vector<std::string> others = MainKeyButtons();
  Append(others, kMainCommands);
  for (const auto& placed : PlacedOf(skin, others)) {
    if (std::find(group.begin(), group.end(), placed.key) != group.end()) continue;
    EXPECT_FALSE(tray->Intersects(placed.rect)) << placed.key;
  }
}

TEST(MainSkin, DirectionVariantsAndPlainPlaceLieInsideThePanel) {
  // Moved controls keep their plain size: every place they move to must
  // still be inside the window.
  const Skin skin("Main.ini");
  for (int mode : {1, 12, 18}) {
    for (const auto& placed : PanelControlsOfMode(skin, mode)) {
      EXPECT_TRUE(Rect({0, 0, skin.Size().width(), skin.Size().height()}).Contains(placed.rect))
          << placed.key << " in mode " << mode;
    }
  }
}

TEST(MainSkin, LabelCaptionsMatchTheLanguageTexts) {
  // The captions from the skin show first and are replaced by the language
  // texts a moment later; they must say the same.
  const Skin skin("Main.ini");
  const auto english = LoadBuiltIni(ProgramDir() / "Lang0409.ini");
  const auto chinese = LoadBuiltIni(ProgramDir() / "Lang0804.ini");
  const std::map<std::u16string, std::u16string> labels{
      {u"Usb", u"IDS_KEYBOARD_FUNC_USB"},         {u"Deng", u"IDS_KEYBOARD_FUNC_DENG"},
      {u"Light", u"IDS_KEYBOARD_FUNC_TEXTLIGHT"}, {u"FX", u"IDS_KEYBOARD_FUNC_FX"},
      {u"Speed", u"IDS_KEYBOARD_FUNC_SPEED"},     {u"Color", u"IDS_KEYBOARD_FUNC_COLOR"},
      {u"JColor", u"IDS_KEYBOARD_FUNC_JCOLOR"},   {u"DC", u"IDS_KEYBOARD_FUNC_COLOURFUL"},
      {u"Tool", u"IDS_KEYBOARD_FUNC_TOOL"}};
  for (const auto& [caption, textKey] : labels) {
    EXPECT_EQ(skin.Ini().Find(u"Control_Name", caption), chinese.Find(u"TEXT", textKey))
        << Narrow(caption);
    EXPECT_EQ(skin.Ini().Find(u"Control_Name1", caption), english.Find(u"TEXT", textKey))
        << Narrow(caption);
  }
}

TEST(MainSkin, TheProgramsOwnReaderSeesTheSameSkin) {
  const Skin skin("Main.ini");
  const SkinFile file(ProgramDir() / "Skins" / "Main.ini");
  for (const auto& key : MainRequired()) {
    const auto mine = skin.Place(key);
    ASSERT_TRUE(mine.has_value()) << key;
    const Placement theirs = file.Button(Utf16FromAscii(key));
    EXPECT_EQ((Rect{theirs.x, theirs.y, theirs.w, theirs.h}), *mine) << key;
  }
  EXPECT_EQ(file.ControlName(u"Deng", 0), u"灯光");
  EXPECT_EQ(file.ControlName(u"Deng", 1), u"Lighting");
  EXPECT_EQ(file.BackgroundPicture(), u"main_normal.jpg");
  EXPECT_TRUE(file.Link(u"").starts_with(u"https://"));
}

TEST(CompositeSkin, ShowsEveryControlOfEveryPage) {
  const Skin skin("Composite.ini");
  std::vector<std::string> required = kCompositeCommon;
  required.push_back("CONTROL_MASK");
  for (const auto& [page, keys] : kCompositePages) Append(required, keys);
  ExpectLayoutKeys(skin, required, {});
  ExpectInsideShape(skin);
}

TEST(CompositeSkin, EachPageSitsInThePageAreaWithoutOverlaps) {
  const Skin skin("Composite.ini");
  const auto area = skin.Place("CONTROL_MASK");
  ASSERT_TRUE(area.has_value());
  for (const auto& [page, keys] : kCompositePages) {
    for (const auto& placed : PlacedOf(skin, keys)) {
      EXPECT_TRUE(area->Contains(placed.rect)) << page << ": " << placed.key;
    }
    auto shown = PlacedOf(skin, kCompositeCommon);
    const auto own = PlacedOf(skin, keys);
    shown.insert(shown.end(), own.begin(), own.end());
    ExpectNoOverlap(shown, page + " page");
  }
  for (const auto& placed : PlacedOf(skin, kCompositeCommon)) {
    EXPECT_FALSE(area->Intersects(placed.rect)) << placed.key << " lies on the page area";
  }
}

TEST(ProfileSkin, ShowsTheListAndButtonsWithoutOverlaps) {
  const Skin skin("Profile.ini");
  ExpectLayoutKeys(skin, kProfileKeys, {});
  ExpectInsideShape(skin);
  ExpectNoOverlap(PlacedOf(skin, kProfileKeys), "profile manager");
}

}  // namespace
}  // namespace ombrex
