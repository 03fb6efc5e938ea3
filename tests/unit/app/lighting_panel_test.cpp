// The lighting panel's rules on the in-process keyboard: what each control
// shows and writes, checked against the keyboard's memories and the
// user-mode files byte for byte.

#include "app/lighting_panel.h"

#include <gtest/gtest.h>

#include <map>
#include <numeric>
#include <set>
#include <string>

#include "model/key_buttons_table.h"
#include "model/lighting.h"
#include "model/user_mode_files.h"
#include "platform/ini.h"
#include "resources/skin_file.h"
#include "tests/support/temp_dir.h"
#include "tests/unit/app/panel_on_keyboard.h"

namespace ombrex {
namespace {

namespace lc = lighting_control;
using protocol::Command;

constexpr Rgb kBlue{0, 0, 255};
constexpr Rgb kGreen{0, 200, 0};
constexpr Rgb kRed{255, 0, 0};
constexpr int kButtonA = 0;     // LED 26
constexpr int kButtonH = 7;     // LED 63, shared
constexpr int kButtonI = 8;     // LED 63, shared
constexpr int kButtonG8 = 111;  // no light

// What the panel last drew on each control.
class RecordingView : public LightingPanelView {
 public:
  void ShowControl(int control, bool shown) override { this->shown[control] = shown; }
  void PlaceControl(int control, std::u16string_view key) override {
    places[control] = std::u16string(key);
  }
  void SetText(int control, std::u16string_view text) override {
    texts[control] = std::u16string(text);
  }
  void SetPicture(int control, std::u16string_view picture) override {
    pictures[control] = std::u16string(picture);
  }
  void SetSliderPosition(int control, int position) override { positions[control] = position; }
  void SetColour(int control, Rgb colour) override { colours[control] = colour; }
  void SetPressed(int control, bool pressed) override { this->pressed[control] = pressed; }
  void SetListEntries(int control, std::span<const std::u16string> entries) override {
    lists[control].assign(entries.begin(), entries.end());
  }
  void SelectListEntry(int control, int index) override { selected[control] = index; }
  void SetListEntry(int control, int index, std::u16string_view text) override {
    lists[control].at(static_cast<std::size_t>(index)) = std::u16string(text);
  }
  void Focus(int control) override { focused = control; }

  std::set<int> Shown() const {
    std::set<int> ids;
    for (const auto& [id, on] : shown) {
      if (on) ids.insert(id);
    }
    return ids;
  }

  std::map<int, bool> shown;
  std::map<int, std::u16string> places;
  std::map<int, std::u16string> texts;
  std::map<int, std::u16string> pictures;
  std::map<int, int> positions;
  std::map<int, Rgb> colours;
  std::map<int, bool> pressed;
  std::map<int, std::vector<std::u16string>> lists;
  std::map<int, int> selected;
  int focused = 0;
};

std::array<std::uint8_t, protocol::kStatusModeCount> AllModes() {
  std::array<std::uint8_t, protocol::kStatusModeCount> modes{};
  std::iota(modes.begin(), modes.begin() + 23, 1);
  return modes;
}

test::RigOptions OfferingEveryMode() {
  test::RigOptions options;
  options.factory.modes = AllModes();
  return options;
}

class LightingPanelTest : public testing::Test, protected test::PanelOnKeyboard {
 protected:
  LightingPanelTest()
      : PanelOnKeyboard(OfferingEveryMode(),
                        "IDS_KEYBOARD_FUNC_DENG=Lighting\nIDS_KEYBOARD_FUNC_TEXTLIGHT=Brightness\n"
                        "IDS_KEYBOARD_FUNC_COLOR=Colour\n[Mode]\n1=Wave\n6=Static\n12=Rising\n") {
    panel_.AttachView(view_);
  }

  // The panel as the program shows it after reading the keyboard: profile
  // `profile`, in the lighting view.
  void ReadAndShow(ProfileNumber profile, std::uint8_t mode) {
    ASSERT_TRUE(WriteRecord(profile, 0, {mode}));
    ASSERT_TRUE(lighting_.WriteLightingViewSetting(true));
    panel_.SetLightingProfile(profile);
    ASSERT_EQ(panel_.ReadLighting(true), result::kOk);
    panel_.RefreshLightingPanel();
    Settle();
  }

  // Everything the panel wrote has reached the keyboard; the tap forgets it.
  void Settle() {
    ASSERT_EQ(lighting_.Flush(), result::kOk);
    tap_.Clear();
  }

  std::u16string UserFileValue(ProfileNumber profile, std::u16string_view section,
                               std::u16string_view key) {
    return ini::ReadString(files_.UserFile(profile), section, key, u"(none)");
  }

  int ListIndexOf(std::uint8_t mode) { return lighting_.Host().Modes().ListIndexOf(mode); }

  RecordingView view_;
};

TEST_F(LightingPanelTest, TheRefreshShowsWhatTheKeyboardHoldsAndSendsNothing) {
  //                 mode bright speed dir  colourful r   g   b
  ASSERT_TRUE(WriteRecord(1, 0, {12, 3, 1, 255, 0, 10, 20, 30}));
  ASSERT_TRUE(WriteRecord(1, 15, {7, 0, 9}));  // report rate 7 counts as 3; mode-17 colour 9 as red
  panel_.SetLightingProfile(1);
  ASSERT_EQ(panel_.ReadLighting(false), result::kOk);
  Settle();
  panel_.RefreshLightingPanel();
  ASSERT_EQ(lighting_.Flush(), result::kOk);
  EXPECT_EQ(tap_.Total(), 0u);

  EXPECT_EQ(view_.lists[lc::kModeList].size(), 23u);
  EXPECT_EQ(view_.lists[lc::kModeList][0], u"Wave");
  EXPECT_EQ(view_.lists[lc::kModeList][2], u"1");  // a mode without a name
  EXPECT_EQ(view_.selected[lc::kModeList], 11);
  EXPECT_EQ(view_.positions[lc::kBrightnessSlider], 3);
  EXPECT_EQ(view_.pictures[lc::kBrightnessSlider], u"3.bmp");
  EXPECT_EQ(view_.positions[lc::kSpeedSlider], 3);
  EXPECT_EQ(view_.pictures[lc::kSpeedSlider], u"8.bmp");
  EXPECT_EQ(view_.pictures[lc::kDirectionFirst], u"updown.bmp");
  EXPECT_EQ(view_.pictures[lc::kDirectionSecond], u"downup.bmp");
  EXPECT_EQ(view_.places[lc::kDirectionFirst], u"CONTROL_BLFXLStaPic3");
  EXPECT_EQ(view_.colours[lc::kColourButtonA], (Rgb{10, 20, 30}));
  EXPECT_EQ(view_.colours[lc::kColourButtonB], (Rgb{10, 20, 30}));
  EXPECT_EQ(view_.pictures[lc::kColourfulA], u"sjsup.bmp");
  EXPECT_EQ(view_.pictures[lc::kColourfulB], u"sjsup.bmp");
  EXPECT_EQ(view_.pressed,
            (std::map<int, bool>{{1147, false}, {1168, false}, {1169, false}, {1170, true}}));
  EXPECT_EQ(view_.pictures[1194], u"hongok.bmp");
  EXPECT_EQ(view_.pictures[1197], u"lan.bmp");
  EXPECT_EQ(lighting_.State().mode17Colour, 0);
  // The key view: no mode control is shown.
  EXPECT_EQ(view_.pictures[lc::kLightButton], u"dengup.bmp");
  EXPECT_TRUE(view_.Shown().empty());
}

TEST_F(LightingPanelTest, EachModeWritesItsFieldsAndShowsItsControls) {
  // L brightness, S speed, D direction, A and B the colour groups, 7 the
  // mode-17 colours, U user painting; the mode list is always there.
  struct Row {
    int mode;
    std::string groups;
    bool writesMode;
    bool writesColourful;
  };
  const Row rows[] = {
      {1, "LSDA", true, true},  {2, "LSDA", true, true}, {3, "LSDA", true, true},
      {4, "LS", true, false},   {5, "LSA", true, true},  {6, "LB", true, false},
      {7, "LSA", true, true},   {8, "LSA", true, true},  {9, "LSA", true, true},
      {10, "LSA", true, false}, {11, "LS", true, false}, {12, "LSD", true, false},
      {13, "LSA", true, true},  {14, "LSA", true, true}, {15, "LSA", true, true},
      {16, "LB", true, false},  {17, "L7", true, false}, {18, "LD", true, false},
      {19, "", false, false},   {20, "LU", true, false}, {21, "", false, false},
      {22, "L", true, false},   {23, "LS", true, false},
  };
  const std::map<char, std::vector<int>> groups{
      {'L', {1172, 1178}},
      {'S', {1166, 1179}},
      {'D', {1148, 1149, 1150}},
      {'A', {1154, 1155, 1173, 1156}},
      {'B', {1151, 1152, 1176, 1175}},
      {'7', {1194, 1195, 1196, 1197}},
      {'U', {1159, 1160, 1161, 1162, 1163, 1164, 1165, 1198}}};
  ReadAndShow(2, 4);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.mode);
    ASSERT_TRUE(WriteRecord(2, 0, {99}));
    ASSERT_TRUE(WriteRecord(2, 4, {0x55}));
    lighting_.State().colourful = true;
    panel_.OnModeSelected(ListIndexOf(std::uint8_t(row.mode)));
    EXPECT_EQ(KeyboardByte(2, 0), row.writesMode ? row.mode : 99);
    EXPECT_EQ(KeyboardByte(2, 4), row.writesColourful ? 1 : 0x55);
    std::set<int> expected{lc::kModeList};
    for (char group : row.groups) expected.insert(groups.at(group).begin(), groups.at(group).end());
    EXPECT_EQ(view_.Shown(), expected);
    EXPECT_EQ(lighting_.State().mode, row.mode);
  }
}

TEST_F(LightingPanelTest, DirectionButtonsTakeTheModesPlacesAndPictures) {
  struct Row {
    std::uint8_t mode;
    int button;
    std::uint8_t written;
    std::u16string_view first, second, place;
  };
  const Row rows[] = {
      {1, lc::kDirectionFirst, 255, u"leftdown.bmp", u"rightup.bmp", u"CONTROL_BLFXLStaPic2"},
      {3, lc::kDirectionSecond, 0, u"leftup.bmp", u"rightdown.bmp", u"CONTROL_BLFXLStaPic2"},
      {12, lc::kDirectionFirst, 255, u"updown.bmp", u"downup.bmp", u"CONTROL_BLFXLStaPic3"},
      {12, lc::kDirectionSecond, 0, u"upup.bmp", u"downdown.bmp", u"CONTROL_BLFXLStaPic3"},
      {18, lc::kDirectionFirst, 255, u"kuosandown.bmp", u"julong.bmp", u"CONTROL_BLFXLStaPic"},
      {18, lc::kDirectionSecond, 0, u"kuosan.bmp", u"julongdown.bmp", u"CONTROL_BLFXLStaPic"},
  };
  ReadAndShow(0, 1);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.mode);
    panel_.OnModeSelected(ListIndexOf(row.mode));
    Settle();
    panel_.OnClicked(row.button);
    panel_.OnClicked(row.button);  // written again, changed or not
    ASSERT_EQ(lighting_.Flush(), result::kOk);
    EXPECT_GE(tap_.Count(Command::WriteSettings), 1u);
    EXPECT_EQ(KeyboardByte(0, 3), row.written);
    EXPECT_EQ(view_.pictures[lc::kDirectionFirst], row.first);
    EXPECT_EQ(view_.pictures[lc::kDirectionSecond], row.second);
    EXPECT_EQ(view_.places[lc::kDirectionFirst], row.place);
  }
}

TEST_F(LightingPanelTest, SlidersWriteOnlyChangedValues) {
  ReadAndShow(0, 1);
  ASSERT_TRUE(WriteRecord(0, 1, {2, 2}));
  ASSERT_EQ(panel_.ReadLighting(false), result::kOk);
  Settle();
  panel_.OnSlider(lc::kBrightnessSlider, 2);  // where it is: nothing
  ASSERT_EQ(lighting_.Flush(), result::kOk);
  EXPECT_EQ(tap_.Total(), 0u);

  struct Row {
    int slider, position;
    std::size_t offset;
    std::uint8_t value;
    std::u16string_view thumb;
  };
  const Row rows[] = {
      {lc::kBrightnessSlider, 0, 1, 0, u"0.bmp"}, {lc::kBrightnessSlider, 9, 1, 4, u"4.bmp"},
      {lc::kSpeedSlider, 0, 2, 4, u"5.bmp"},      {lc::kSpeedSlider, 4, 2, 0, u"9.bmp"},
      {lc::kSpeedSlider, -3, 2, 4, u"5.bmp"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.position);
    panel_.OnSlider(row.slider, row.position);
    EXPECT_EQ(KeyboardByte(0, row.offset), row.value);
    EXPECT_EQ(view_.pictures[row.slider], row.thumb);
  }
}

TEST_F(LightingPanelTest, ColourGroupsShareTheColourAndTheColourfulState) {
  ReadAndShow(0, 1);
  ASSERT_TRUE(WriteRecord(0, 4, {1}));
  ASSERT_EQ(panel_.ReadLighting(false), result::kOk);
  panel_.OnColourPicked(lc::kColourButtonA, kBlue);
  EXPECT_EQ(KeyboardByte(0, 4), 0);
  EXPECT_EQ(KeyboardByte(0, 5), 0);
  EXPECT_EQ(KeyboardByte(0, 7), 255);
  EXPECT_EQ(view_.colours[lc::kColourButtonB], kBlue);
  EXPECT_EQ(view_.pictures[lc::kColourfulA], u"sjsup.bmp");
  EXPECT_EQ(view_.pictures[lc::kColourfulB], u"sjsup.bmp");

  panel_.OnClicked(lc::kColourfulB);
  EXPECT_EQ(KeyboardByte(0, 4), 1);
  EXPECT_EQ(view_.pictures[lc::kColourfulA], u"sjsdown.bmp");
  panel_.OnClicked(lc::kColourfulA);
  EXPECT_EQ(KeyboardByte(0, 4), 0);
}

TEST_F(LightingPanelTest, Mode17ColoursAndReportRatesWriteTheirByte) {
  ReadAndShow(3, 17);
  panel_.OnClicked(1196);  // green
  EXPECT_EQ(KeyboardByte(3, 17), 2);
  EXPECT_EQ(view_.pictures[1196], u"lvok.bmp");
  EXPECT_EQ(view_.pictures[1194], u"hong.bmp");
  panel_.OnClicked(1169);
  EXPECT_EQ(KeyboardByte(3, 15), 2);
  EXPECT_EQ(view_.pressed,
            (std::map<int, bool>{{1147, false}, {1168, false}, {1169, true}, {1170, false}}));
}

TEST_F(LightingPanelTest, RgbFieldsKeepDigitsAndAtMost255) {
  EXPECT_EQ(RgbFieldText(u"300"), u"255");
  EXPECT_EQ(RgbFieldText(u"1a2"), u"12");
  EXPECT_EQ(RgbFieldText(u"255"), u"255");
  EXPECT_EQ(RgbFieldText(u"99999999999999999999"), u"255");
  panel_.OnRgbEdited(1208, u"300");
  EXPECT_EQ(view_.texts[1208], u"255");
  view_.texts.erase(1209);
  panel_.OnRgbEdited(1209, u"42");
  EXPECT_FALSE(view_.texts.contains(1209));  // nothing to correct
}

class PaintingTest : public LightingPanelTest {
 protected:
  void SetUp() override {
    dir_.Write("program/Skins/UserDengColor_1.userd",
               "[PRESENTMODE]\nmode=2\n[Mode2]\ntool=0\ncolor=0,0,255\njcolor=0,200,0\n");
    ReadAndShow(1, 20);
  }
};

TEST_F(PaintingTest, PaintingAKeyColoursItOnScreenKeyboardAndFile) {
  panel_.PaintKey(kButtonA);
  EXPECT_EQ(KeyboardLed(1, 26), kBlue);
  EXPECT_EQ(buttons_.frames[kButtonA], kBlue);
  EXPECT_FALSE(lighting_.Host().FollowMark(1, kButtonA));
  EXPECT_EQ(UserFileValue(1, u"Mode2", u"26"), u"0,0,255,0");
}

TEST_F(PaintingTest, ASharedLightPaintsAndMarksEveryKeyOnIt) {
  panel_.OnClicked(lc::kBaseColourTool);
  EXPECT_EQ(UserFileValue(1, u"Mode2", u"tool"), u"1");
  panel_.OnClicked(lc::kUserColourTool);
  panel_.OnClicked(lc::kBaseColourTool);
  EXPECT_EQ(view_.pictures[lc::kBaseColourTool], u"user2down.bmp");
  EXPECT_EQ(view_.pictures[lc::kUserColourTool], u"user1up.bmp");
  lighting_.Host().SetFollowMark(1, kButtonH, false);
  lighting_.Host().SetFollowMark(1, kButtonI, false);
  panel_.PaintKey(kButtonH);
  EXPECT_EQ(KeyboardLed(1, 63), kGreen);
  EXPECT_EQ(UserFileValue(1, u"Mode2", u"63"), u"0,200,0,1");
  for (int button = 0; button < static_cast<int>(kButtonCount); ++button) {
    if (LedOfButton(button) != 63) continue;
    EXPECT_EQ(buttons_.frames[button], kGreen) << button;
    EXPECT_TRUE(lighting_.Host().FollowMark(1, button)) << button;
  }
}

TEST_F(PaintingTest, ANewBaseColourRecoloursEveryFollowingKey) {
  panel_.PaintKey(kButtonA);  // A takes the user colour and stops following
  panel_.OnColourPicked(lc::kBaseColourButton, kRed);
  EXPECT_EQ(KeyboardLed(1, 26), kBlue);  // A keeps its own colour
  EXPECT_EQ(KeyboardLed(1, 38), kRed);   // B follows (every key does by default)
  EXPECT_EQ(KeyboardLed(1, 63), kRed);
  EXPECT_EQ(KeyboardLed(1, 42), kRed);  // Fn
  EXPECT_EQ(buttons_.frames[1], kRed);
  EXPECT_EQ(buttons_.frames[kButtonA], kBlue);
  EXPECT_EQ(UserFileValue(1, u"Mode2", u"38"), u"255,0,0,1");
  EXPECT_EQ(UserFileValue(1, u"Mode2", u"26"), u"0,0,255,0");
  EXPECT_EQ(UserFileValue(1, u"Mode2", u"jcolor"), u"255,0,0");

  // The same colour again: nothing changes anywhere.
  Settle();
  const std::string file = test::ReadText(files_.UserFile(1));
  panel_.OnColourPicked(lc::kBaseColourButton, kRed);
  ASSERT_EQ(lighting_.Flush(), result::kOk);
  EXPECT_EQ(tap_.Total(), 0u);
  EXPECT_EQ(test::ReadText(files_.UserFile(1)), file);
}

TEST_F(PaintingTest, KeysWithoutALightAndOtherModesPaintNothing) {
  const std::string file = test::ReadText(files_.UserFile(1));
  panel_.PaintKey(kButtonG8);
  panel_.PaintKey(-1);  // D1..D6 are no buttons of the grid
  panel_.PaintKey(static_cast<int>(kButtonCount));
  panel_.OnModeSelected(ListIndexOf(6));
  Settle();
  panel_.PaintKey(kButtonA);
  ASSERT_EQ(lighting_.Flush(), result::kOk);
  EXPECT_EQ(tap_.Total(), 0u);
  EXPECT_EQ(test::ReadText(files_.UserFile(1)), file);
  EXPECT_FALSE(buttons_.frames[kButtonG8].has_value());
}

TEST_F(PaintingTest, UserModesAreListedChosenAndRenamed) {
  ASSERT_EQ(view_.lists[lc::kUserModeList].size(), 10u);
  EXPECT_EQ(view_.lists[lc::kUserModeList][4], u"0");
  EXPECT_EQ(view_.selected[lc::kUserModeList], 2);
  ASSERT_TRUE(lighting_.SaveKeyColour(5, 26, kRed, false));
  panel_.OnUserModeSelected(5);
  EXPECT_EQ(UserFileValue(1, u"PRESENTMODE", u"mode"), u"5");
  EXPECT_EQ(KeyboardLed(1, 26), kRed);
  EXPECT_EQ(buttons_.frames[kButtonA], kRed);
  panel_.OnUserModeEdited(u"Night");
  EXPECT_EQ(view_.lists[lc::kUserModeList][5], u"Night");
  EXPECT_EQ(UserFileValue(1, u"MODENAME", u"5"), u"Night");
  panel_.OnUserModeSelected(10);  // no such user mode
  EXPECT_EQ(lighting_.State().currentUserMode, 5);
}

TEST_F(LightingPanelTest, TheLightButtonSwitchesTheViewOnlyWhereTheScreenFollows) {
  ReadAndShow(0, 20);
  panel_.OnClicked(lc::kLightButton);  // on -> off
  EXPECT_FALSE(panel_.LightingView());
  EXPECT_EQ(ini::ReadInt(dir_ / "docs" / "wskb.ini", u"KEYCOLOR", u"DengCheck", 9), 0);
  EXPECT_EQ(gridRefreshes_, 1);
  EXPECT_TRUE(view_.Shown().empty());
  EXPECT_FALSE(buttons_.frames[kButtonA].has_value());
  EXPECT_EQ(view_.pictures[lc::kLightButton], u"dengup.bmp");

  switchAnswer_ = 0;  // an editor is open
  panel_.OnClicked(lc::kLightButton);
  EXPECT_EQ(switchedTo_, std::vector<int>{0});
  EXPECT_FALSE(panel_.LightingView());
  EXPECT_TRUE(view_.Shown().empty());
  EXPECT_EQ(ini::ReadInt(dir_ / "docs" / "wskb.ini", u"KEYCOLOR", u"DengCheck", 9), 0);

  switchAnswer_ = 1;
  panel_.OnClicked(lc::kLightButton);
  EXPECT_TRUE(panel_.LightingView());
  EXPECT_EQ(ini::ReadInt(dir_ / "docs" / "wskb.ini", u"KEYCOLOR", u"DengCheck", 9), 1);
  EXPECT_TRUE(view_.Shown().contains(lc::kUserModeList));
  EXPECT_TRUE(buttons_.frames[kButtonA].has_value());

  // With the profile unknown nothing is switched (it would be to profile 0).
  panel_.LightingViewOff();
  rig_.State().deviceProfile = std::nullopt;
  rig_.Unplug();
  panel_.OnClicked(lc::kLightButton);
  EXPECT_EQ(switchedTo_.size(), 2u);
  EXPECT_TRUE(panel_.LightingView());
}

TEST_F(LightingPanelTest, SelectingAModeClearsTheGridsMarksAndFrames) {
  ReadAndShow(0, 20);
  buttons_.assigned[kButtonA] = true;
  panel_.OnModeSelected(ListIndexOf(1));
  EXPECT_FALSE(buttons_.assigned[kButtonA]);
  EXPECT_FALSE(buttons_.frames[kButtonA].has_value());
  panel_.OnModeSelected(ListIndexOf(20));
  EXPECT_TRUE(buttons_.frames[kButtonA].has_value());
  EXPECT_FALSE(buttons_.frames[kButtonG8].has_value());
}

TEST_F(LightingPanelTest, ResettingGivesEachProfileItsDefaultRecordAndProfile3sUserModes) {
  dir_.Write("program/Skins/UserDengColor_3.userd",
             "[PRESENTMODE]\nmode=1\n[MODENAME]\n1=Three\n[Mode1]\n26=1,2,3,0\n");
  for (const ProfileNumber p : ProfileNumber::All()) {
    SCOPED_TRACE(p.Index());
    dir_.Write("data/Skins/UserDengColor_" + std::to_string(p.Index()) + ".userd",
               p.Index() == 3 ? test::ReadText(dir_ / "program/Skins/UserDengColor_3.userd")
                              : "[MODENAME]\n0=Mine\n");
    ASSERT_TRUE(WriteRecord(p, 0, std::vector<std::uint8_t>(35, 2)));
    ReadAndShow(p, 6);
    panel_.ResetLighting();
    ASSERT_EQ(lighting_.Flush(), result::kOk);
    const auto defaults = DefaultLightingRecord(p);
    const auto& settings = rig_.Keyboard().Snapshot().settings;
    EXPECT_TRUE(std::equal(defaults.begin(), defaults.end(), settings.begin() + p.Index() * 64));
    EXPECT_EQ(settings[p.Index() * 64 + 35], 0);  // past the record: untouched
    EXPECT_EQ(test::ReadText(files_.UserFile(p)),
              test::ReadText(dir_ / "program/Skins/UserDengColor_3.userd"));
    EXPECT_EQ(view_.lists[lc::kUserModeList][1], u"Three");
    EXPECT_EQ(KeyboardLed(p, 26), (Rgb{1, 2, 3}));
    EXPECT_EQ(view_.pictures[lc::kBrightnessSlider], u"4.bmp");
    EXPECT_EQ(view_.pictures[lc::kSpeedSlider], u"7.bmp");
    EXPECT_EQ(view_.pictures[lc::kColourfulA], u"sjsdown.bmp");
    EXPECT_EQ(view_.colours[lc::kColourButtonB], (Rgb{255, 255, 255}));
    EXPECT_TRUE(view_.pressed[1147]);
    EXPECT_EQ(view_.selected[lc::kModeList], ListIndexOf(defaults[0]));
    // The host holds what the keyboard holds: moving a slider back to
    // where it stood before the reset is a change.
    panel_.OnSlider(lc::kBrightnessSlider, 2);
    EXPECT_EQ(KeyboardByte(p, 1), 2);
  }
}

TEST_F(LightingPanelTest, LabelsComeFromTheSkinUntilTheLanguageArrives) {
  dir_.Write("Main.ini", "[Control_Name1]\nDeng=Light me\n[Control_Name]\nDeng=X\n");
  panel_.SetupLightingPanel(SkinFile(dir_ / "Main.ini"));
  EXPECT_EQ(view_.texts[lc::kLightLabel], u"Light me");
  EXPECT_EQ(view_.texts[lc::kRgbLabel], u"RGB");
  EXPECT_EQ(view_.pictures[lc::kSpeedSlider], u"6.bmp");
  EXPECT_EQ(view_.pictures[lc::kLightButton], u"dengup.bmp");
  panel_.ApplyLanguage(1);
  EXPECT_EQ(view_.texts[lc::kLightLabel], u"Lighting");
  EXPECT_EQ(view_.texts[lc::kColourLabelB], u"Colour");
  EXPECT_EQ(view_.texts[lc::kRgbLabel], u"RGB");
  panel_.FocusModeList();
  EXPECT_EQ(view_.focused, lc::kModeList);
}

}  // namespace
}  // namespace ombrex
